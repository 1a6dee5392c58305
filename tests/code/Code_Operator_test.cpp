#include "code/Code_Operator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

RValue R(double v) { return RValue::Real(v); }
RValue S(const char *s) { return RValue::Str(RString(s)); }
// A text with a number left in its real field, as a text read back from a
// stored value record may have one.
RValue Stale(const char *s, double number) {
  RValue v = S(s);
  v.val = number;
  return v;
}

std::string Show(const RValue &v) {
  return v.IsReal() ? "real " + std::to_string(v.val) : "string \"" + v.str.str() + "\"";
}

// One operator case: operands, operator, and either the result or the
// message of the script error.
struct BinaryCase {
  RValue left;
  int32_t oper;
  RValue right;
  RValue expected;
  const char *error;  // null when the operation succeeds
};

void CheckBinary(const BinaryCase &c) {
  RValue left = c.left;
  const char *error = BinaryOperation(c.oper, left, c.right);
  const std::string where = Show(c.left) + " op " + std::to_string(c.oper) + " " + Show(c.right);
  if (c.error) {
    ASSERT_NE(error, nullptr) << where;
    EXPECT_STREQ(error, c.error) << where;
    RValue slow = c.left;
    EXPECT_STREQ(BinaryOperationSlow(c.oper, slow, c.right), c.error) << where;
    // The left operand stays as it was after a failure.
    EXPECT_EQ(left.kind, c.left.kind) << where;
    if (c.left.IsReal()) EXPECT_EQ(left.val, c.left.val) << where;
    else EXPECT_EQ(left.str.view(), c.left.str.view()) << where;
    return;
  }
  ASSERT_EQ(error, nullptr) << where << ": " << error;
  ASSERT_EQ(left.kind, c.expected.kind) << where;
  if (c.expected.IsReal()) {
    EXPECT_EQ(left.val, c.expected.val) << where;
  } else {
    EXPECT_EQ(left.str.view(), c.expected.str.view()) << where;
    // A text result carries no number: a routine reading one from it gets 0.
    EXPECT_EQ(left.val, 0.0) << where << ": the text result's real field";
  }
  // The inline path for reals and the general routine agree.
  RValue slow = c.left;
  ASSERT_EQ(BinaryOperationSlow(c.oper, slow, c.right), nullptr) << where;
  EXPECT_EQ(slow.kind, left.kind) << where;
  EXPECT_EQ(slow.val, left.val) << where;
}

TEST(CodeOperator, ArithmeticAndStrings) {
  const std::vector<BinaryCase> cases = {
      {R(2), op::kPlus, R(3), R(5), nullptr},
      {S("ab"), op::kPlus, S("cd"), S("abcd"), nullptr},
      {S(""), op::kPlus, S("cd"), S("cd"), nullptr},
      {S("ab"), op::kPlus, S(""), S("ab"), nullptr},
      {S("a"), op::kPlus, R(1), {}, "Wrong type of arguments to +."},
      {R(1), op::kPlus, S("a"), {}, "Wrong type of arguments to +."},
      {R(2), op::kMinus, R(5), R(-3), nullptr},
      {S("a"), op::kMinus, S("a"), {}, "Wrong type of arguments to -."},
      {R(2.5), op::kTimes, R(4), R(10), nullptr},
      {R(3), op::kTimes, S("ab"), S("ababab"), nullptr},
      {R(0), op::kTimes, S("ab"), S(""), nullptr},
      {R(-2), op::kTimes, S("ab"), S(""), nullptr},
      {R(2.5), op::kTimes, S("x"), S("xx"), nullptr},   // rounds half to even
      {R(3.5), op::kTimes, S("x"), S("xxxx"), nullptr},
      {R(4), op::kTimes, S("q"), S("qqqq"), nullptr},
      // A text made from texts that carry a number carries none itself.
      {Stale("ab", 5), op::kPlus, S("cd"), S("abcd"), nullptr},
      {Stale("ab", 5), op::kPlus, S(""), S("ab"), nullptr},
      {Stale("", 5), op::kPlus, Stale("cd", 6), S("cd"), nullptr},
      {S("ab"), op::kTimes, R(3), {}, "Wrong type of arguments to *."},
      {S("ab"), op::kTimes, S("ab"), {}, "Wrong type of arguments to *."},
      {R(7), op::kDivide, R(2), R(3.5), nullptr},
      {R(7), op::kDivide, R(0), {}, "Division by 0."},
      {R(0), op::kDivide, R(0), {}, "Division by 0."},
      {R(7), op::kDivide, R(-0.0), {}, "Division by 0."},
      {S("7"), op::kDivide, R(0), {}, "Wrong type of arguments to /."},
      {R(7), op::kDiv, R(2), R(3), nullptr},
      {R(-7), op::kDiv, R(2), R(-3), nullptr},
      {R(7.9), op::kDiv, R(-1), R(-7), nullptr},
      {R(7), op::kDiv, R(0), {}, "Division by 0."},
      {R(7), op::kDiv, S("2"), {}, "Wrong type of arguments to div."},
      {R(7.5), op::kMod, R(2), R(1.5), nullptr},
      {R(-7), op::kMod, R(3), R(-1), nullptr},
      {R(7), op::kMod, R(-3), R(1), nullptr},
      {R(7), op::kMod, R(0), {}, "Modulo by 0."},
      {S("7"), op::kMod, R(0), {}, "Wrong type of arguments to mod."},
      // Quotients beyond 32 bits keep their exact value.
      {R(1e10), op::kDiv, R(1), R(1e10), nullptr},
  };
  for (const BinaryCase &c : cases) CheckBinary(c);
}

TEST(CodeOperator, Comparisons) {
  const double tiny = 1e-14;  // below the comparison epsilon
  const std::vector<BinaryCase> cases = {
      {R(1), op::kEqual, R(1 + tiny), R(1), nullptr},
      {R(1), op::kAssign, R(1 + tiny), R(1), nullptr},
      {R(1), op::kNotEqual, R(1 + tiny), R(0), nullptr},
      {R(1), op::kLess, R(1 + tiny), R(0), nullptr},
      {R(1), op::kLessEqual, R(1 + tiny), R(1), nullptr},
      {R(1 + tiny), op::kLessEqual, R(1), R(1), nullptr},
      {R(1 + tiny), op::kGreater, R(1), R(0), nullptr},
      {R(1), op::kGreaterEqual, R(1 + tiny), R(1), nullptr},
      {R(1), op::kEqual, R(1 + 1e-12), R(0), nullptr},
      {R(1), op::kLess, R(1 + 1e-12), R(1), nullptr},
      {R(2), op::kGreater, R(1), R(1), nullptr},
      {R(1), op::kGreaterEqual, R(2), R(0), nullptr},
      {R(0.1 + 0.2), op::kEqual, R(0.3), R(1), nullptr},
      {S("a"), op::kLess, S("b"), R(1), nullptr},
      {S("B"), op::kLess, S("a"), R(1), nullptr},    // ordinal, not alphabetical
      {S("a"), op::kEqual, S("A"), R(0), nullptr},
      {S("ab"), op::kEqual, S("ab"), R(1), nullptr},
      {S("ab"), op::kLess, S("abc"), R(1), nullptr},  // a proper prefix is lower
      {S("abc"), op::kGreater, S("ab"), R(1), nullptr},
      {S(""), op::kLess, S("a"), R(1), nullptr},
      {S("b"), op::kNotEqual, S("a"), R(1), nullptr},
      {S("a"), op::kEqual, R(1), {}, "Cannot compare arguments."},
      {R(1), op::kLess, S("a"), {}, "Cannot compare arguments."},
  };
  for (const BinaryCase &c : cases) CheckBinary(c);
}

TEST(CodeOperator, TextOrderIsByUtf16Units) {
  // U+FF21 (fullwidth A) is one unit 0xFF21; U+1F600 is the pair D83D DE00,
  // so UTF-16 puts the emoji first although its code point is larger.
  EXPECT_LT(CompareText("\xF0\x9F\x98\x80", "\xEF\xBC\xA1"), 0);
  EXPECT_GT(CompareText("\xEF\xBC\xA1", "\xF0\x9F\x98\x80"), 0);
  // Below the surrogate range the order is the code point order.
  EXPECT_LT(CompareText("\xC3\xA9", "\xE4\xB8\xAD"), 0);  // é < 中
  EXPECT_LT(CompareText("x\xC3\xA9", "x\xC3\xAA"), 0);    // differs in a continuation byte
  EXPECT_EQ(CompareText("\xE4\xB8\xAD", "\xE4\xB8\xAD"), 0);
}

TEST(CodeOperator, LogicalAndBitOperations) {
  const std::vector<BinaryCase> cases = {
      {R(1), op::kAnd, R(0.5), R(1), nullptr},
      {R(1), op::kAnd, R(0.4), R(0), nullptr},
      {R(0), op::kOr, R(0.5), R(1), nullptr},
      {R(0.49), op::kOr, R(0), R(0), nullptr},
      {R(1), op::kXor, R(0), R(1), nullptr},
      {R(1), op::kXor, R(1), R(0), nullptr},
      {S("a"), op::kAnd, R(1), {}, "Wrong type of arguments for &&."},
      {R(1), op::kOr, S("a"), {}, "Wrong type of arguments for ||."},
      {R(1), op::kXor, S("a"), {}, "Wrong type of arguments for ^^."},
      {R(5), op::kBitOr, R(2), R(7), nullptr},
      {R(6), op::kBitAnd, R(3), R(2), nullptr},
      {R(6), op::kBitXor, R(3), R(5), nullptr},
      {R(2.5), op::kBitOr, R(0), R(2), nullptr},
      {R(3.5), op::kBitOr, R(0), R(4), nullptr},
      {R(-2.5), op::kBitOr, R(0), R(-2), nullptr},
      {R(-1), op::kBitAnd, R(4294967296.0 + 5), R(4294967296.0 + 5), nullptr},  // 64 bits wide
      {R(1), op::kShiftLeft, R(3), R(8), nullptr},
      {R(1), op::kShiftLeft, R(63), R(-9223372036854775808.0), nullptr},
      {R(1), op::kShiftLeft, R(64), R(0), nullptr},
      {R(1), op::kShiftLeft, R(127), R(0), nullptr},
      {R(16), op::kShiftRight, R(2), R(4), nullptr},
      {R(-1), op::kShiftRight, R(1), R(9223372036854775808.0), nullptr},
      {R(-1), op::kShiftRight, R(64), R(0), nullptr},
      {S("1"), op::kBitOr, R(1), {}, "Wrong type of arguments for |."},
      {R(1), op::kBitAnd, S("1"), {}, "Wrong type of arguments for &."},
      {R(1), op::kBitXor, S("1"), {}, "Wrong type of arguments for ^."},
      {S("1"), op::kShiftLeft, R(1), {}, "Wrong type of arguments for <<."},
      {S("1"), op::kShiftRight, R(1), {}, "Wrong type of arguments for >>."},
      {R(1), 999, R(1), {}, "Internal error: unknown binary operator."},
  };
  for (const BinaryCase &c : cases) CheckBinary(c);
}

TEST(CodeOperator, Unary) {
  struct Case {
    int32_t oper;
    RValue in;
    double expected;
    const char *error;
  };
  const std::vector<Case> cases = {
      {op::kNot, R(0.4), 1, nullptr},
      {op::kNot, R(0.5), 0, nullptr},
      {op::kPlus, R(-3), -3, nullptr},
      {op::kMinus, R(3), -3, nullptr},
      {op::kBitNot, R(5), -6, nullptr},
      {op::kBitNot, R(2.5), -3, nullptr},
      {op::kMinus, S("a"), 0, "Wrong type of arguments to unary operator."},
      {op::kNot, S("a"), 0, "Wrong type of arguments to unary operator."},
      {op::kTimes, R(1), 0, "Internal error: unknown unary operator."},
  };
  for (const Case &c : cases) {
    RValue v = c.in;
    const char *error = UnaryOperation(c.oper, v);
    if (c.error) {
      ASSERT_NE(error, nullptr) << c.oper;
      EXPECT_STREQ(error, c.error);
    } else {
      ASSERT_EQ(error, nullptr) << c.oper;
      EXPECT_EQ(v.val, c.expected) << c.oper;
    }
  }
}

TEST(CodeOperator, Rounding) {
  const std::vector<std::pair<double, int64_t>> cases = {
      {2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {0.49999999999999994, 0}, {-0.5, 0},
      {4.5e15 + 0.5, 4500000000000000}, {9007199254740993.0, 9007199254740992},
      {2251799813685247.5, 2251799813685248}, {-2251799813685247.5, -2251799813685248},
      {2251799813685246.5, 2251799813685246}, {1e15 + 0.5, 1000000000000000},
      {-9223372036854775808.0, std::numeric_limits<int64_t>::min()},
      {9223372036854774784.0, 9223372036854774784}};
  for (const auto &[in, out] : cases) EXPECT_EQ(RoundToInt64(in), out) << in;
  // Narrowing keeps the low 32 bits.
  EXPECT_EQ(RoundToInt32(4294967296.0 + 7), 7);
  EXPECT_EQ(RoundToInt32(2147483648.0), std::numeric_limits<int32_t>::min());
}

// What the trapping machine would have trapped abandons the code with
// EMathTrap and leaves no script error behind.
TEST(CodeOperator, TrapsAbandonTheCode) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    RValue left;
    int32_t oper;
    RValue right;
    const char *trap;
  };
  const std::vector<Case> cases = {
      {R(1e308), op::kPlus, R(1e308), kTrapOverflow},
      {R(-1e308), op::kMinus, R(1e308), kTrapOverflow},
      {R(1e200), op::kTimes, R(1e200), kTrapOverflow},
      {R(1e300), op::kDivide, R(1e-300), kTrapOverflow},
      {R(inf), op::kMinus, R(inf), kTrapInvalid},
      {R(inf), op::kTimes, R(0), kTrapInvalid},
      {R(inf), op::kDivide, R(inf), kTrapInvalid},
      {R(inf), op::kEqual, R(inf), kTrapInvalid},
      {R(1e19), op::kBitOr, R(0), kTrapInvalid},
      {R(0), op::kBitAnd, R(-1e19), kTrapInvalid},
      {R(1), op::kShiftLeft, R(1e20), kTrapInvalid},
      {R(nan), op::kBitXor, R(0), kTrapInvalid},
      {R(1e19), op::kTimes, S("x"), kTrapInvalid},
      {R(1e300), op::kDiv, R(1e-10), kTrapInvalid},
      {R(1e300), op::kMod, R(3), kTrapInvalid},
  };
  for (const Case &c : cases) {
    RValue left = c.left;
    try {
      BinaryOperation(c.oper, left, c.right);
      ADD_FAILURE() << "no trap for " << Show(c.left) << " op " << c.oper << " " << Show(c.right);
    } catch (const EMathTrap &e) {
      EXPECT_STREQ(e.what(), c.trap) << Show(c.left) << " op " << c.oper;
    }
  }
  RValue big = R(1e19);
  EXPECT_THROW(UnaryOperation(op::kBitNot, big), EMathTrap);
  EXPECT_THROW(RoundToInt64(9223372036854775808.0), EMathTrap);
  EXPECT_THROW(RoundToInt64(inf), EMathTrap);
  EXPECT_THROW(RoundToInt64(nan), EMathTrap);
}

TEST(CodeOperator, InfinitiesAndNaNFromFunctionsPassThrough) {
  // An infinity already present (from a function) is no new overflow, and a
  // NaN operand propagates quietly.
  const double inf = std::numeric_limits<double>::infinity();
  RValue v = R(inf);
  ASSERT_EQ(BinaryOperation(op::kPlus, v, R(1)), nullptr);
  EXPECT_EQ(v.val, inf);
  v = R(std::numeric_limits<double>::quiet_NaN());
  ASSERT_EQ(BinaryOperation(op::kTimes, v, R(2)), nullptr);
  EXPECT_TRUE(std::isnan(v.val));
  v = R(std::numeric_limits<double>::quiet_NaN());
  ASSERT_EQ(BinaryOperation(op::kEqual, v, R(2)), nullptr);
  EXPECT_EQ(v.val, 0);
}

TEST(CodeOperator, OverlongTextsFailCleanly) {
  RValue n = R(2e9);
  EXPECT_STREQ(BinaryOperation(op::kTimes, n, S("ab")), opmsg::kStringTooLong);
  EXPECT_TRUE(n.IsReal());
}

}  // namespace
