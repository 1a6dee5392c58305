#include "functions/Function_String.h"

#include <cstring>
#include <cwctype>
#include <locale.h>
#include <wctype.h>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Code_Operator.h"
#include "code/Function_Args.h"
#include "functions/Function_Math.h"

using fnarg::Num;
using fnarg::Text;
using fnarg::Wide;

// ---------------------------------------------------------------------------
// UTF-8 and UTF-16
// ---------------------------------------------------------------------------
namespace {

constexpr uint32_t kStrayBase = 0xDC00;  // a stray byte b stands for 0xDC00 + b

// The sequence at s[i]: its length in bytes (at least 1) and its code point,
// or for a byte that starts no valid sequence, length 1 and 0xDC00 + byte.
inline size_t DecodeAt(const unsigned char *s, size_t n, size_t i, uint32_t &cp) {
  const unsigned c = s[i];
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  size_t len;
  uint32_t v, min;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2, v = c & 0x1F, min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3, v = c & 0x0F, min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4, v = c & 0x07, min = 0x10000;
  } else {
    cp = kStrayBase + c;
    return 1;
  }
  if (i + len > n) {
    cp = kStrayBase + c;
    return 1;
  }
  for (size_t k = 1; k < len; ++k) {
    const unsigned t = s[i + k];
    if ((t & 0xC0) != 0x80) {
      cp = kStrayBase + c;
      return 1;
    }
    v = (v << 6) | (t & 0x3F);
  }
  if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) {
    cp = kStrayBase + c;
    return 1;
  }
  cp = v;
  return len;
}

inline const unsigned char *Bytes(std::string_view s) { return reinterpret_cast<const unsigned char *>(s.data()); }

bool IsAscii(std::string_view s) {
  const unsigned char *p = Bytes(s);
  size_t i = 0, n = s.size();
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w & 0x8080808080808080ull) return false;
  }
  for (; i < n; ++i)
    if (p[i] & 0x80) return false;
  return true;
}

void AppendUtf8(std::string &out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Whether byte offset p of s starts a sequence (or is the end): matches of
// one text in another only count there, so that searching bytes finds what
// searching characters would.
bool AtBoundary(std::string_view s, size_t p) {
  if (p == 0 || p >= s.size()) return true;
  const unsigned char *b = Bytes(s);
  if ((b[p] & 0xC0) != 0x80) return true;
  for (size_t k = 1; k <= 3 && k <= p; ++k) {
    if ((b[p - k] & 0xC0) != 0x80) {
      uint32_t cp;
      return DecodeAt(b, s.size(), p - k, cp) <= k;
    }
  }
  return true;
}

// The first match of sub (not empty) in s at or after byte `from` that
// begins and ends on sequence boundaries; npos when none.
size_t FindText(std::string_view s, std::string_view sub, size_t from) {
  while (true) {
    const size_t p = s.find(sub, from);
    if (p == std::string_view::npos) return p;
    if (AtBoundary(s, p) && AtBoundary(s, p + sub.size())) return p;
    from = p + 1;
  }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  const unsigned char *s = Bytes(text);
  for (size_t i = 0; i < text.size();) {
    uint32_t cp;
    i += DecodeAt(s, text.size(), i, cp);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const uint32_t u = text[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (u >= kStrayBase + 0x80 && u <= kStrayBase + 0xFF) {
      out += static_cast<char>(u - kStrayBase);
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

size_t Utf8CharCount(std::string_view text) {
  if (IsAscii(text)) return text.size();
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++count) {
    uint32_t cp;
    i += DecodeAt(Bytes(text), text.size(), i, cp);
  }
  return count;
}

size_t Utf16Length(std::string_view text) {
  if (IsAscii(text)) return text.size();
  size_t units = 0;
  for (size_t i = 0; i < text.size();) {
    uint32_t cp;
    i += DecodeAt(Bytes(text), text.size(), i, cp);
    units += cp >= 0x10000 ? 2 : 1;
  }
  return units;
}

// ---------------------------------------------------------------------------
// chr's code page
// ---------------------------------------------------------------------------
namespace {
TCharMapper g_chrMapper = nullptr;
}

void SetChrMapper(TCharMapper mapper) { g_chrMapper = mapper; }

uint32_t Cp1252ToUnicode(unsigned char byte) {
  // 0x80 .. 0x9F differ from Latin-1; the five unassigned codes map to the
  // control characters of the same number.
  static const uint16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  if (byte >= 0x80 && byte <= 0x9F) return kHigh[byte - 0x80];
  return byte;
}

// ---------------------------------------------------------------------------
// The routines
// ---------------------------------------------------------------------------
namespace {

#define ROUTINE(name) void name(CInstance *, CInstance *, int argc, RValue *args, RValue &result)

// The UTF-16 unit range [start, end) of a text of `len` units that a
// 1-based index and a count name, cut to the text.
void UnitRange(int64_t index, int64_t count, size_t len, size_t &start, size_t &end) {
  if (index < 1) index = 1;
  const int64_t n = static_cast<int64_t>(len);
  start = static_cast<size_t>(std::min<int64_t>(index - 1, n));
  end = count <= 0 ? start : static_cast<size_t>(std::min<int64_t>(n, static_cast<int64_t>(start) + std::min(count, n)));
}

ROUTINE(F_Chr) {
  const unsigned char byte = fnarg::Byte(args[0]);
  std::string out;
  AppendUtf8(out, g_chrMapper ? g_chrMapper(byte) : Cp1252ToUnicode(byte));
  result.SetString(out);
}
ROUTINE(F_AnsiChar) {
  const char byte = static_cast<char>(fnarg::Byte(args[0]));
  result.SetString(std::string_view(&byte, 1));
}
ROUTINE(F_Ord) {
  const std::string_view s = Text(args[0]);
  result.SetReal(s.empty() ? 0 : static_cast<unsigned char>(s[0]));
}
ROUTINE(F_StringLength) { result.SetReal(static_cast<double>(Utf8CharCount(Text(args[0])))); }
ROUTINE(F_StringByteLength) { result.SetReal(static_cast<double>(Text(args[0]).size())); }
ROUTINE(F_StringByteAt) {
  // A position outside the text has no byte: 0.
  const std::string_view s = Text(args[0]);
  const int64_t n = Wide(args[1]);
  if (n >= 1 && n <= static_cast<int64_t>(s.size())) result.SetReal(static_cast<unsigned char>(s[n - 1]));
}
ROUTINE(F_StringPos) {
  const std::string_view sub = Text(args[0]), s = Text(args[1]);
  if (sub.empty()) return;
  const size_t p = FindText(s, sub, 0);
  if (p == std::string_view::npos) return;
  result.SetReal(static_cast<double>(Utf16Length(s.substr(0, p)) + 1));
}
ROUTINE(F_StringCopy) {
  const std::string_view s = Text(args[0]);
  const int64_t index = Wide(args[1]), count = Wide(args[2]);
  size_t start, end;
  if (IsAscii(s)) {
    UnitRange(index, count, s.size(), start, end);
    result.SetString(s.substr(start, end - start));
    return;
  }
  const std::u16string u = Utf8ToUtf16(s);
  UnitRange(index, count, u.size(), start, end);
  result.SetString(Utf16ToUtf8(std::u16string_view(u).substr(start, end - start)));
}
ROUTINE(F_StringCharAt) {
  result.SetString(RString());
  if (!args[0].IsString()) return;
  const std::string_view s = Text(args[0]);
  const int64_t index = Wide(args[1]);
  if (index < 1) return;
  if (IsAscii(s)) {
    if (index <= static_cast<int64_t>(s.size())) result.SetString(s.substr(static_cast<size_t>(index - 1), 1));
    return;
  }
  const std::u16string u = Utf8ToUtf16(s);
  if (index <= static_cast<int64_t>(u.size()))
    result.SetString(Utf16ToUtf8(std::u16string_view(u).substr(static_cast<size_t>(index - 1), 1)));
}
ROUTINE(F_StringDelete) {
  const std::string_view s = Text(args[0]);
  const int64_t index = Wide(args[1]), count = Wide(args[2]);
  result.SetString(args[0].kind == RValue::kString ? args[0].str : RString());
  if (IsAscii(s)) {
    if (index < 1 || index > static_cast<int64_t>(s.size()) || count <= 0) return;
    size_t start, end;
    UnitRange(index, count, s.size(), start, end);
    std::string out(s.substr(0, start));
    out.append(s.substr(end));
    result.SetString(out);
    return;
  }
  std::u16string u = Utf8ToUtf16(s);
  if (index < 1 || index > static_cast<int64_t>(u.size()) || count <= 0) return;
  size_t start, end;
  UnitRange(index, count, u.size(), start, end);
  u.erase(start, end - start);
  result.SetString(Utf16ToUtf8(u));
}
ROUTINE(F_StringInsert) {
  const std::string_view sub = Text(args[0]), s = Text(args[1]);
  const int64_t index = Wide(args[2]);
  const size_t at = index < 1 ? 0 : static_cast<size_t>(std::min<int64_t>(index - 1, static_cast<int64_t>(s.size())));
  if (s.size() + sub.size() > mathfn::kMaxTextLength) return ReportActionError(opmsg::kStringTooLong, false);
  result.SetString(RString::Build(s.size() + sub.size(), [&](char *out) {
    std::memcpy(out, s.data(), at);
    std::memcpy(out + at, sub.data(), sub.size());
    std::memcpy(out + at + sub.size(), s.data() + at, s.size() - at);
  }));
}

// Case conversion by the locale's rules for every character (a UTF-8
// locale, whatever the process's own locale is); ASCII text takes the
// short way.
locale_t CaseLocale() {
  static locale_t loc = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (!l) l = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(nullptr));
    return l;
  }();
  return loc;
}

template <bool kUpper>
void ChangeCase(RValue *args, RValue &result) {
  const std::string_view s = Text(args[0]);
  if (IsAscii(s)) {
    result.SetString(RString::Build(s.size(), [&](char *out) {
      for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (kUpper)
          out[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        else
          out[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
      }
    }));
    return;
  }
  const locale_t loc = CaseLocale();
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    uint32_t cp;
    const size_t len = DecodeAt(Bytes(s), s.size(), i, cp);
    if (cp >= kStrayBase + 0x80 && cp <= kStrayBase + 0xFF && len == 1) {
      out += s[i];  // a stray byte stays as it is
    } else {
      uint32_t mapped = cp;
      if (loc) mapped = static_cast<uint32_t>(kUpper ? towupper_l(static_cast<wint_t>(cp), loc)
                                                     : towlower_l(static_cast<wint_t>(cp), loc));
      else if (cp < 0x80) mapped = kUpper ? static_cast<uint32_t>(std::towupper(cp)) : static_cast<uint32_t>(std::towlower(cp));
      AppendUtf8(out, mapped);
    }
    i += len;
  }
  result.SetString(out);
}
ROUTINE(F_StringLower) { ChangeCase<false>(args, result); }
ROUTINE(F_StringUpper) { ChangeCase<true>(args, result); }

ROUTINE(F_StringRepeat) {
  const std::string_view s = Text(args[0]);
  const int64_t n = Wide(args[1]);
  result.SetString(RString());
  if (n <= 0 || s.empty()) return;
  if (static_cast<uint64_t>(n) > mathfn::kMaxTextLength / s.size())
    return ReportActionError(opmsg::kStringTooLong, false);
  result.SetString(RString::Build(s.size() * static_cast<size_t>(n), [&](char *out) {
    for (int64_t k = 0; k < n; ++k, out += s.size()) std::memcpy(out, s.data(), s.size());
  }));
}

template <class Keep>
void Filter(RValue *args, RValue &result, Keep keep) {
  const std::string_view s = Text(args[0]);
  std::string out;
  out.reserve(s.size());
  for (const char c : s)
    if (keep(c)) out += c;
  result.SetString(out);
}
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigitChar(char c) { return c >= '0' && c <= '9'; }
ROUTINE(F_StringLetters) { Filter(args, result, IsLetter); }
ROUTINE(F_StringDigits) { Filter(args, result, IsDigitChar); }
ROUTINE(F_StringLettersDigits) { Filter(args, result, [](char c) { return IsLetter(c) || IsDigitChar(c); }); }

// Replaces the first (all = false) or every match of old, left to right
// without overlaps. An empty old text matches nowhere.
void Replace(RValue *args, RValue &result, bool all) {
  const std::string_view s = Text(args[0]), old = Text(args[1]), with = Text(args[2]);
  result.SetString(args[0].kind == RValue::kString ? args[0].str : RString());
  if (old.empty()) return;
  size_t p = FindText(s, old, 0);
  if (p == std::string_view::npos) return;
  std::string out;
  size_t from = 0;
  do {
    out.append(s.substr(from, p - from));
    out.append(with);
    if (out.size() > mathfn::kMaxTextLength) return ReportActionError(opmsg::kStringTooLong, false);
    from = p + old.size();
    if (!all) break;
    p = FindText(s, old, from);
  } while (p != std::string_view::npos);
  out.append(s.substr(from));
  result.SetString(out);
}
ROUTINE(F_StringReplace) { Replace(args, result, false); }
ROUTINE(F_StringReplaceAll) { Replace(args, result, true); }

ROUTINE(F_StringCount) {
  const std::string_view sub = Text(args[0]), s = Text(args[1]);
  if (sub.empty()) return;
  double count = 0;
  for (size_t p = FindText(s, sub, 0); p != std::string_view::npos; p = FindText(s, sub, p + sub.size())) ++count;
  result.SetReal(count);
}

#undef ROUTINE

}  // namespace

void Function_String_Register() {
  FunctionAdd("chr", F_Chr, 1);
  FunctionAdd("ansi_char", F_AnsiChar, 1);
  FunctionAdd("ord", F_Ord, 1);
  FunctionAdd("string_length", F_StringLength, 1);
  FunctionAdd("string_byte_length", F_StringByteLength, 1);
  FunctionAdd("string_byte_at", F_StringByteAt, 2);
  FunctionAdd("string_pos", F_StringPos, 2);
  FunctionAdd("string_copy", F_StringCopy, 3);
  FunctionAdd("string_char_at", F_StringCharAt, 2);
  FunctionAdd("string_delete", F_StringDelete, 3);
  FunctionAdd("string_insert", F_StringInsert, 3);
  FunctionAdd("string_lower", F_StringLower, 1);
  FunctionAdd("string_upper", F_StringUpper, 1);
  FunctionAdd("string_repeat", F_StringRepeat, 2);
  FunctionAdd("string_letters", F_StringLetters, 1);
  FunctionAdd("string_digits", F_StringDigits, 1);
  FunctionAdd("string_lettersdigits", F_StringLettersDigits, 1);
  FunctionAdd("string_replace", F_StringReplace, 3);
  FunctionAdd("string_replace_all", F_StringReplaceAll, 3);
  FunctionAdd("string_count", F_StringCount, 2);
}
