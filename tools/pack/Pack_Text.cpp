#include "Pack_Text.h"

#include "base/Support_Stream.h"

namespace {

// Decodes one UTF-8 sequence at text[i]; advances i. Malformed bytes are
// taken one at a time as U+FFFD, so any input gives a valid document.
uint32_t NextCodePoint(const std::string &text, size_t &i) {
  const auto b = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
  const uint8_t c = b(i);
  int len = 0;
  uint32_t cp = 0;
  if (c < 0x80) {
    ++i;
    return c;
  }
  if ((c & 0xE0) == 0xC0) { len = 2; cp = c & 0x1F; }
  else if ((c & 0xF0) == 0xE0) { len = 3; cp = c & 0x0F; }
  else if ((c & 0xF8) == 0xF0) { len = 4; cp = c & 0x07; }
  else { ++i; return 0xFFFD; }
  if (i + static_cast<size_t>(len) > text.size()) { ++i; return 0xFFFD; }
  for (int k = 1; k < len; ++k) {
    if ((b(i + static_cast<size_t>(k)) & 0xC0) != 0x80) { ++i; return 0xFFFD; }
    cp = (cp << 6) | (b(i + static_cast<size_t>(k)) & 0x3F);
  }
  i += static_cast<size_t>(len);
  return cp > 0x10FFFF ? 0xFFFD : cp;
}

void AppendUnicodeEscape(std::string &out, uint32_t unit) {
  // RTF's \u takes a signed 16-bit number; the '?' is what readers without
  // Unicode support show instead.
  const int16_t v = static_cast<int16_t>(static_cast<uint16_t>(unit));
  out += "\\u" + std::to_string(v) + "?";
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool IsRichText(const std::string &text) {
  size_t i = 0;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) i = 3;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
  return text.compare(i, 5, "{\\rtf") == 0;
}

std::string PlainTextToRtf(const std::string &text) {
  std::string out = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 ";
  size_t i = 0;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) i = 3;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      ++i;
      if (c == '\r' && i < text.size() && text[i] == '\n') ++i;
      out += "\\par\n";
      continue;
    }
    if (c == '\\' || c == '{' || c == '}') {
      out += '\\';
      out += c;
      ++i;
      continue;
    }
    if (c == '\t') {
      out += "\\tab ";
      ++i;
      continue;
    }
    const uint32_t cp = NextCodePoint(text, i);
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x10000) {
      AppendUnicodeEscape(out, cp);
    } else {
      const uint32_t v = cp - 0x10000;
      AppendUnicodeEscape(out, 0xD800 + (v >> 10));
      AppendUnicodeEscape(out, 0xDC00 + (v & 0x3FF));
    }
  }
  out += "}";
  return out;
}

bool IsValidResourceName(const std::string &name) {
  if (name.empty()) return false;
  const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (!letter(name[0])) return false;
  for (char c : name)
    if (!letter(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

std::array<uint8_t, 16> DefaultIdentifier(int32_t gameId) {
  // Both generator words must be non-zero, or the sequence sticks at zero.
  uint32_t z = static_cast<uint32_t>(gameId) * 2654435761u ^ 0x51554C4Cu;
  uint32_t w = static_cast<uint32_t>(gameId) ^ 0x6E6F6E51u;
  if (z == 0) z = 1;
  if (w == 0) w = 1;
  std::array<uint8_t, 16> id{};
  for (size_t k = 0; k < 16; k += 4) {
    const uint32_t r = CStream::LocalRandom(z, w);
    for (size_t b = 0; b < 4; ++b) id[k + b] = static_cast<uint8_t>(r >> (8 * b));
  }
  return id;
}

bool ParseIdentifier(const std::string &text, std::array<uint8_t, 16> &out) {
  if (text.size() != 32) return false;
  for (size_t k = 0; k < 16; ++k) {
    const int hi = HexValue(text[2 * k]), lo = HexValue(text[2 * k + 1]);
    if (hi < 0 || lo < 0) return false;
    out[k] = static_cast<uint8_t>(hi * 16 + lo);
  }
  return true;
}
