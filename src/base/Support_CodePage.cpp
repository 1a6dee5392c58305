#include "base/Support_CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <map>
#include <vector>

namespace {

// Windows-1252 codes 0x80 ... 0x9F; 0 where the page has no character.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The length of the UTF-8 sequence at text[i] and its character; 0 for a
// byte that does not start a well-formed sequence.
size_t DecodeUtf8(std::string_view text, size_t i, uint32_t &ch) {
  const auto b = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
  const uint8_t c = b(i);
  size_t n = 0;
  if (c < 0x80) {
    ch = c;
    return 1;
  }
  if ((c & 0xE0) == 0xC0) n = 2, ch = c & 0x1F;
  else if ((c & 0xF0) == 0xE0) n = 3, ch = c & 0x0F;
  else if ((c & 0xF8) == 0xF0) n = 4, ch = c & 0x07;
  else return 0;
  if (i + n > text.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    ch = (ch << 6) | (b(i + k) & 0x3F);
  }
  static constexpr uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (ch < kMin[n] || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return 0;
  return n;
}

std::string To1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    uint32_t ch = 0;
    const size_t n = DecodeUtf8(text, i, ch);
    if (n == 0) {
      out += '?';
      ++i;
      continue;
    }
    i += n;
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) {
      out += static_cast<char>(ch);
      continue;
    }
    char byte = '?';
    for (int k = 0; k < 32; ++k)
      if (kCp1252High[k] != 0 && kCp1252High[k] == ch) byte = static_cast<char>(0x80 + k);
    out += byte;
  }
  return out;
}

// The converter of a page, opened once; (iconv_t)-1 when the system has none.
iconv_t Converter(int32_t codePage) {
  static std::map<int32_t, iconv_t> open;
  if (auto it = open.find(codePage); it != open.end()) return it->second;
  std::vector<std::string> names;
  switch (codePage) {
    case 874: names = {"CP874", "WINDOWS-874", "IBM874"}; break;
    case 932: names = {"CP932", "WINDOWS-31J", "IBM943"}; break;
    case 936: names = {"CP936", "GBK"}; break;
    case 949: names = {"CP949", "UHC"}; break;
    case 950: names = {"CP950", "BIG5"}; break;
    case 1361: names = {"JOHAB"}; break;
    default: names = {"CP" + std::to_string(codePage)}; break;
  }
  iconv_t cd = reinterpret_cast<iconv_t>(-1);
  for (const std::string &name : names) {
    cd = iconv_open(name.c_str(), "UTF-8");
    if (cd != reinterpret_cast<iconv_t>(-1)) break;
  }
  open[codePage] = cd;
  return cd;
}

}  // namespace

uint32_t CodePage_1252ToUnicode(uint8_t code) {
  if (code >= 0x80 && code <= 0x9F) return kCp1252High[code - 0x80];
  return code;
}

std::string CodePage_FromUtf8(std::string_view text, int32_t codePage) {
  if (codePage == 1252) return To1252(text);
  iconv_t cd = Converter(codePage);
  if (cd == reinterpret_cast<iconv_t>(-1)) return To1252(text);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out;
  char buffer[256];
  for (size_t i = 0; i < text.size();) {
    uint32_t ch = 0;
    const size_t n = DecodeUtf8(text, i, ch);
    if (n == 0) {
      out += '?';
      ++i;
      continue;
    }
    // One character at a time, so that one the page lacks becomes "?".
    char *in = const_cast<char *>(text.data() + i);
    size_t inLeft = n, outLeft = sizeof buffer;
    char *o = buffer;
    if (iconv(cd, &in, &inLeft, &o, &outLeft) == static_cast<size_t>(-1)) {
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      out += '?';
    } else {
      out.append(buffer, static_cast<size_t>(o - buffer));
    }
    i += n;
  }
  return out;
}
