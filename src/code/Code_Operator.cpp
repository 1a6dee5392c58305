#include "code/Code_Operator.h"

#include <cstring>

namespace {

// Longest text an operator builds; beyond it the operation fails with a
// script error instead of exhausting memory.
constexpr size_t kMaxTextLength = size_t{1} << 30;

constexpr double kTwo63 = 9223372036854775808.0;

bool IsComparison(int32_t oper) {
  return oper == op::kAssign || (oper >= op::kLess && oper <= op::kGreater);
}

double CompareResult(int32_t oper, double d) {
  switch (oper) {
    case op::kAssign:
    case op::kEqual: return (d > -kCompareEpsilon && d < kCompareEpsilon) ? 1.0 : 0.0;
    case op::kNotEqual: return (d < -kCompareEpsilon || d > kCompareEpsilon) ? 1.0 : 0.0;
    case op::kLess: return d < -kCompareEpsilon ? 1.0 : 0.0;
    case op::kLessEqual: return d <= kCompareEpsilon ? 1.0 : 0.0;
    case op::kGreater: return d > kCompareEpsilon ? 1.0 : 0.0;
    default: return d >= -kCompareEpsilon ? 1.0 : 0.0;  // kGreaterEqual
  }
}

// Truncation toward zero of a quotient computed in extended precision, as
// div and mod use it; outside the 64-bit range it is the invalid operation.
int64_t TruncQuotient(long double q) {
  if (!(q > -static_cast<long double>(kTwo63) - 1.0L && q < static_cast<long double>(kTwo63)))
    ThrowMathTrap(kTrapInvalid);
  return static_cast<int64_t>(q);
}

// One UTF-8 sequence starting at s[i] (i < n): its code point, and i moved
// past it. A byte that starts no valid sequence stands for itself, so every
// text has one fixed order.
uint32_t DecodeUtf8(const unsigned char *s, size_t n, size_t &i) {
  const unsigned char c = s[i];
  auto cont = [&](size_t k) { return i + k < n && (s[i + k] & 0xC0) == 0x80; };
  if (c < 0x80) { i += 1; return c; }
  if (c >= 0xC2 && c < 0xE0 && cont(1)) {
    const uint32_t cp = ((c & 0x1Fu) << 6) | (s[i + 1] & 0x3Fu);
    i += 2;
    return cp;
  }
  if (c >= 0xE0 && c < 0xF0 && cont(1) && cont(2)) {
    const uint32_t cp = ((c & 0x0Fu) << 12) | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3Fu);
    if (cp >= 0x800) { i += 3; return cp; }
  }
  if (c >= 0xF0 && c < 0xF5 && cont(1) && cont(2) && cont(3)) {
    const uint32_t cp = ((c & 0x07u) << 18) | ((s[i + 1] & 0x3Fu) << 12) | ((s[i + 2] & 0x3Fu) << 6) | (s[i + 3] & 0x3Fu);
    if (cp >= 0x10000 && cp <= 0x10FFFF) { i += 4; return cp; }
  }
  i += 1;
  return c;
}

// The UTF-16 code units of a code point: one, or a surrogate pair.
int Utf16Units(uint32_t cp, uint16_t units[2]) {
  if (cp < 0x10000) { units[0] = static_cast<uint16_t>(cp); return 1; }
  cp -= 0x10000;
  units[0] = static_cast<uint16_t>(0xD800 + (cp >> 10));
  units[1] = static_cast<uint16_t>(0xDC00 + (cp & 0x3FF));
  return 2;
}

const char *CompareValues(int32_t oper, RValue &left, const RValue &right) {
  if (left.kind != right.kind) return opmsg::kCompare;
  double d;
  if (left.kind == RValue::kReal) {
    d = left.val - right.val;
    // inf - inf: the machine traps the subtraction.
    if (d != d && left.val == left.val && right.val == right.val) ThrowMathTrap(kTrapInvalid);
  } else {
    d = CompareText(left.str.view(), right.str.view());
  }
  left.SetReal(CompareResult(oper, d));
  return nullptr;
}

const char *Logical(int32_t oper, RValue &left, const RValue &right) {
  if (left.kind != RValue::kReal || right.kind != RValue::kReal) {
    switch (oper) {
      case op::kAnd: return "Wrong type of arguments for &&.";
      case op::kOr: return "Wrong type of arguments for ||.";
      default: return "Wrong type of arguments for ^^.";
    }
  }
  const bool a = RealIsTrue(left.val), b = RealIsTrue(right.val);
  bool r;
  switch (oper) {
    case op::kAnd: r = a && b; break;
    case op::kOr: r = a || b; break;
    default: r = a != b; break;
  }
  left.val = r ? 1.0 : 0.0;
  return nullptr;
}

const char *BitOperation(int32_t oper, RValue &left, const RValue &right) {
  if (left.kind != RValue::kReal || right.kind != RValue::kReal) {
    switch (oper) {
      case op::kBitOr: return "Wrong type of arguments for |.";
      case op::kBitAnd: return "Wrong type of arguments for &.";
      case op::kBitXor: return "Wrong type of arguments for ^.";
      case op::kShiftLeft: return "Wrong type of arguments for <<.";
      default: return "Wrong type of arguments for >>.";
    }
  }
  const int64_t a = RoundToInt64(left.val);
  const int64_t b = RoundToInt64(right.val);
  const uint64_t ua = static_cast<uint64_t>(a);
  switch (oper) {
    case op::kBitOr: left.val = static_cast<double>(a | b); break;
    case op::kBitAnd: left.val = static_cast<double>(a & b); break;
    case op::kBitXor: left.val = static_cast<double>(a ^ b); break;
    // Counts of 64 and more shift everything out; negative counts too.
    case op::kShiftLeft:
      left.val = (b >= 0 && b < 64) ? static_cast<double>(static_cast<int64_t>(ua << b)) : 0.0;
      break;
    default:  // kShiftRight: unsigned, zeros enter at the top
      left.val = (b >= 0 && b < 64) ? static_cast<double>(ua >> b) : 0.0;
      break;
  }
  return nullptr;
}

// The two text operators give a text with 0 in its real field, as every text
// the language makes has it: a repeated text would otherwise keep the count
// it was made from.
const char *Concatenate(RValue &left, const RValue &right) {
  const std::string_view a = left.str.view(), b = right.str.view();
  if (b.empty()) {
    left.val = 0.0;
    return nullptr;
  }
  if (a.empty()) {
    left.SetString(right.str);
    return nullptr;
  }
  if (a.size() + b.size() > kMaxTextLength) return opmsg::kStringTooLong;
  left.SetString(RString::Build(a.size() + b.size(), [&](char *p) {
    std::memcpy(p, a.data(), a.size());
    std::memcpy(p + a.size(), b.data(), b.size());
  }));
  return nullptr;
}

const char *Repeat(RValue &left, const RValue &right) {
  const int64_t n = RoundToInt64(left.val);
  const std::string_view s = right.str.view();
  if (n <= 0 || s.empty()) {
    left.SetString(RString());
    return nullptr;
  }
  if (static_cast<uint64_t>(n) > kMaxTextLength / s.size()) return opmsg::kStringTooLong;
  const size_t count = static_cast<size_t>(n);
  left.SetString(RString::Build(count * s.size(), [&](char *p) {
    if (s.size() == 1) {
      std::memset(p, s[0], count);
      return;
    }
    for (size_t i = 0; i < count; ++i) std::memcpy(p + i * s.size(), s.data(), s.size());
  }));
  return nullptr;
}

}  // namespace

void ThrowMathTrap(const char *message) { throw EMathTrap(message); }

int64_t RoundToInt64Slow(double v) {
  if (!(v >= -kTwo63 && v < kTwo63)) ThrowMathTrap(kTrapInvalid);
  return static_cast<int64_t>(std::nearbyint(v));
}

void CheckArithSlow(double result, double a, double b) {
  if (std::isnan(result)) {
    if (!std::isnan(a) && !std::isnan(b)) ThrowMathTrap(kTrapInvalid);
  } else if (std::isinf(result)) {
    if (std::isfinite(a) && std::isfinite(b)) ThrowMathTrap(kTrapOverflow);
  }
}

int CompareText(std::string_view a, std::string_view b) {
  // UTF-8 byte order equals code point order; it differs from UTF-16 code
  // unit order only between supplementary characters and U+E000..U+FFFF, so
  // find the first difference bytewise and compare that character's units.
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  size_t i = 0;
  while (i < n && a[i] == b[i]) ++i;
  if (i == n) return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
  // Back to the start of the differing character (same bytes before it).
  auto continuation = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
  while (i > 0 && (continuation(a[i]) || continuation(b[i]))) --i;
  const auto *pa = reinterpret_cast<const unsigned char *>(a.data());
  const auto *pb = reinterpret_cast<const unsigned char *>(b.data());
  size_t ia = i, ib = i;
  while (ia < a.size() && ib < b.size()) {
    uint16_t ua[2], ub[2];
    const int na = Utf16Units(DecodeUtf8(pa, a.size(), ia), ua);
    const int nb = Utf16Units(DecodeUtf8(pb, b.size(), ib), ub);
    for (int k = 0; k < na && k < nb; ++k)
      if (ua[k] != ub[k]) return ua[k] < ub[k] ? -1 : 1;
    if (na != nb) {
      // A pair against a single unit with the same first unit cannot happen
      // (surrogates are not single characters); keep the order total anyway.
      return na < nb ? -1 : 1;
    }
  }
  if (ia < a.size()) return 1;
  if (ib < b.size()) return -1;
  return 0;
}

const char *UnaryOperation(int32_t oper, RValue &value) {
  if (value.kind != RValue::kReal) return opmsg::kUnaryType;
  switch (oper) {
    case op::kNot: value.val = value.val < 0.5 ? 1.0 : 0.0; return nullptr;
    case op::kPlus: return nullptr;
    case op::kMinus: value.val = -value.val; return nullptr;
    case op::kBitNot: value.val = static_cast<double>(~RoundToInt64(value.val)); return nullptr;
    default: return opmsg::kUnknownUnary;
  }
}

const char *BinaryOperationSlow(int32_t oper, RValue &left, const RValue &right) {
  if (IsComparison(oper)) return CompareValues(oper, left, right);
  const bool reals = left.kind == RValue::kReal && right.kind == RValue::kReal;
  const double a = left.val, b = right.val;
  switch (oper) {
    case op::kAnd:
    case op::kOr:
    case op::kXor: return Logical(oper, left, right);
    case op::kPlus:
      if (reals) { left.val = CheckArith(a + b, a, b); return nullptr; }
      if (left.kind == RValue::kString && right.kind == RValue::kString) return Concatenate(left, right);
      return "Wrong type of arguments to +.";
    case op::kMinus:
      if (!reals) return "Wrong type of arguments to -.";
      left.val = CheckArith(a - b, a, b);
      return nullptr;
    case op::kTimes:
      if (reals) { left.val = CheckArith(a * b, a, b); return nullptr; }
      if (left.kind == RValue::kReal && right.kind == RValue::kString) return Repeat(left, right);
      return "Wrong type of arguments to *.";
    case op::kDivide:
      if (!reals) return "Wrong type of arguments to /.";
      if (b == 0.0) return opmsg::kDivByZero;
      left.val = CheckArith(a / b, a, b);
      return nullptr;
    case op::kDiv: {
      if (!reals) return "Wrong type of arguments to div.";
      if (b == 0.0) return opmsg::kDivByZero;
      left.val = static_cast<double>(TruncQuotient(static_cast<long double>(a) / b));
      return nullptr;
    }
    case op::kMod: {
      if (!reals) return "Wrong type of arguments to mod.";
      if (b == 0.0) return opmsg::kModByZero;
      const int64_t t = TruncQuotient(static_cast<long double>(a) / b);
      left.val = static_cast<double>(static_cast<long double>(a) - static_cast<long double>(t) * b);
      return nullptr;
    }
    case op::kBitOr:
    case op::kBitAnd:
    case op::kBitXor:
    case op::kShiftLeft:
    case op::kShiftRight: return BitOperation(oper, left, right);
    default: return opmsg::kUnknownBinary;
  }
}
