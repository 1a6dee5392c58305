// The operators of the script language. One set of routines serves the
// interpreter, compound assignment and constant folding, so a folded constant
// and the same expression at run time give identical results and messages.
//
// The routines return nullptr on success, or the message of a script error;
// the caller records it at the right node (ReportCodeError) and fails the
// expression, and the left operand / value is then unchanged. A result that
// leaves the double range, an invalid operation (inf - inf) or a rounding of a
// value outside the 64-bit range throws EMathTrap instead: the running code
// is abandoned up to the main loop (or the start sequence), no script error
// is recorded.
#pragma once

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "code/Variable_Class.h"

// Operator symbols (the token numbers of the lexer).
namespace op {
constexpr int32_t kAssign = 101;  // "=" and ":=", a comparison inside expressions
constexpr int32_t kAnd = 201, kOr = 202, kNot = 203;
constexpr int32_t kLess = 204, kLessEqual = 205, kEqual = 206, kNotEqual = 207;
constexpr int32_t kGreaterEqual = 208, kGreater = 209;
constexpr int32_t kPlus = 210, kMinus = 211, kTimes = 212, kDivide = 213;
constexpr int32_t kDiv = 214, kMod = 215, kXor = 216;
constexpr int32_t kBitOr = 217, kBitAnd = 218, kBitXor = 219, kBitNot = 220;
constexpr int32_t kShiftLeft = 221, kShiftRight = 222;
}  // namespace op

// The abandonment of running code by the arithmetic trap. what() is one of
// the two texts below, as the trapping machine names them.
class EMathTrap : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};
inline constexpr const char *kTrapOverflow = "Floating point overflow.";
inline constexpr const char *kTrapInvalid = "Invalid floating point operation.";
[[noreturn]] void ThrowMathTrap(const char *message);

// Two reals closer than this compare equal.
constexpr double kCompareEpsilon = 1e-13;

// Truth: a real at 0.5 or above.
inline bool RealIsTrue(double v) { return v >= 0.5; }

// Nearest 64-bit integer, ties to even; NaN, infinities and values outside
// the 64-bit range throw EMathTrap(kTrapInvalid).
int64_t RoundToInt64Slow(double v);
inline int64_t RoundToInt64(double v) {
  // Below 2^51 in magnitude (every index, id and count), adding and removing
  // 1.5 * 2^52 rounds to the nearest integer, ties to even, in the default
  // rounding mode, without a library call.
  constexpr double kMagic = 6755399441055744.0;
  if (v > -2251799813685248.0 && v < 2251799813685248.0) return static_cast<int64_t>((v + kMagic) - kMagic);
  return RoundToInt64Slow(v);
}
// Rounded, then narrowed to the low 32 bits.
inline int32_t RoundToInt32(double v) { return static_cast<int32_t>(static_cast<uint64_t>(RoundToInt64(v))); }

// A real result of script arithmetic: throws when it left the double range
// (infinity from finite operands) or became NaN from non-NaN operands.
void CheckArithSlow(double result, double a, double b);
inline double CheckArith(double result, double a, double b) {
  if (!std::isfinite(result)) CheckArithSlow(result, a, b);
  return result;
}

// Ordinal comparison of two UTF-8 texts by UTF-16 code units: <0, 0, >0.
int CompareText(std::string_view a, std::string_view b);

// Applies a unary operator (203 not, 210 +, 211 -, 220 ~) in place.
const char *UnaryOperation(int32_t oper, RValue &value);
// left = left oper right.
const char *BinaryOperationSlow(int32_t oper, RValue &left, const RValue &right);
inline const char *BinaryOperation(int32_t oper, RValue &left, const RValue &right) {
  // Real arithmetic and comparison without a call; everything else (strings,
  // errors, bit operations, div and mod, traps) goes the long way.
  if (left.kind == RValue::kReal && right.kind == RValue::kReal) {
    const double a = left.val, b = right.val;
    switch (oper) {
      case op::kPlus: left.val = CheckArith(a + b, a, b); return nullptr;
      case op::kMinus: left.val = CheckArith(a - b, a, b); return nullptr;
      case op::kTimes: left.val = CheckArith(a * b, a, b); return nullptr;
      case op::kDivide:
        if (b == 0.0) break;
        left.val = CheckArith(a / b, a, b);
        return nullptr;
      case op::kAssign:
      case op::kEqual:
      case op::kNotEqual:
      case op::kLess:
      case op::kLessEqual:
      case op::kGreater:
      case op::kGreaterEqual: {
        const double d = a - b;
        if (d != d) break;  // NaN: the long way decides whether it traps
        bool r;
        switch (oper) {
          case op::kLess: r = d < -kCompareEpsilon; break;
          case op::kLessEqual: r = d <= kCompareEpsilon; break;
          case op::kGreater: r = d > kCompareEpsilon; break;
          case op::kGreaterEqual: r = d >= -kCompareEpsilon; break;
          case op::kNotEqual: r = d < -kCompareEpsilon || d > kCompareEpsilon; break;
          default: r = d > -kCompareEpsilon && d < kCompareEpsilon; break;
        }
        left.val = r ? 1.0 : 0.0;
        return nullptr;
      }
      default: break;
    }
  }
  return BinaryOperationSlow(oper, left, right);
}

// The messages (exact texts).
// div and mod of whole numbers of the 32-bit range: the truncated quotient
// and the remainder are exact in integer arithmetic (and give +0, not -0);
// false leaves everything else to the operators.
[[gnu::always_inline]] inline bool WholeOperation(int32_t oper, double &a, double b) {
  if (oper != op::kMod && oper != op::kDiv) return false;
  if (!(a >= -2147483648.0 && a <= 2147483647.0 && b >= -2147483648.0 && b <= 2147483647.0)) return false;
  const auto ia = static_cast<int64_t>(a), ib = static_cast<int64_t>(b);
  if (ib == 0 || static_cast<double>(ia) != a || static_cast<double>(ib) != b) return false;
  a = static_cast<double>(oper == op::kMod ? ia % ib : ia / ib);
  return true;
}

// The comparisons, arithmetic, div and mod of two reals that loops and
// conditions are made of, without a call; false leaves everything else to the operators.
inline bool RealFastOperation(int32_t oper, RValue &left, const RValue &right) {
  if (left.kind != RValue::kReal || right.kind != RValue::kReal) return false;
  const double d = left.val - right.val;
  if (d != d) return false;
  switch (oper) {
    case op::kAssign:
    case op::kEqual: left.val = (d > -kCompareEpsilon && d < kCompareEpsilon) ? 1.0 : 0.0; return true;
    case op::kNotEqual: left.val = (d < -kCompareEpsilon || d > kCompareEpsilon) ? 1.0 : 0.0; return true;
    case op::kLessEqual: left.val = d <= kCompareEpsilon ? 1.0 : 0.0; return true;
    case op::kGreaterEqual: left.val = d >= -kCompareEpsilon ? 1.0 : 0.0; return true;
    case op::kMod:
    case op::kDiv: return WholeOperation(oper, left.val, right.val);
    // Sums of call results (recursive scripts) come this way.
    case op::kPlus: left.val = CheckArith(left.val + right.val, left.val, right.val); return true;
    case op::kMinus: left.val = CheckArith(d, left.val, right.val); return true;
    case op::kTimes: left.val = CheckArith(left.val * right.val, left.val, right.val); return true;
    default: return false;
  }
}

namespace opmsg {
inline constexpr const char *kUnaryType = "Wrong type of arguments to unary operator.";
inline constexpr const char *kCompare = "Cannot compare arguments.";
inline constexpr const char *kDivByZero = "Division by 0.";
inline constexpr const char *kModByZero = "Modulo by 0.";
inline constexpr const char *kUnknownUnary = "Internal error: unknown unary operator.";
inline constexpr const char *kUnknownBinary = "Internal error: unknown binary operator.";
// A string result longer than a text can hold (our own message).
inline constexpr const char *kStringTooLong = "String too long.";
}  // namespace opmsg
