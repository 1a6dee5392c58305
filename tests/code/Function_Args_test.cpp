#include "code/Function_Args.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

RValue R(double v) { return RValue::Real(v); }
RValue S(const char *s) { return RValue::Str(RString(s)); }
// A value whose other field still holds something: a text with a number in
// its real field, a real with a text beside it.
RValue TextWithNumber(const char *s, double number) {
  RValue v = S(s);
  v.val = number;
  return v;
}
RValue NumberWithText(double number, const char *s) {
  RValue v = S(s);
  v.SetReal(number);
  return v;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int64_t kWide = fnarg::kWideLimit;
constexpr int kTraps = -1;  // Byte abandons the code, as `code & 255` does

std::string Show(const RValue &v) {
  return v.IsReal() ? "real " + std::to_string(v.val) : "text \"" + v.str.str() + "\" (real field " +
                                                            std::to_string(v.val) + ")";
}

// Every reader on one argument.
struct ReaderCase {
  RValue arg;
  double num;  // NaN stands for "is NaN"
  const char *text;
  bool flag;
  int32_t whole;
  int32_t clamped;
  int64_t wide;
  int byte;  // kTraps when it traps
};

TEST(FunctionArgs, EveryReaderOnTextsWildValuesHalvesAndWideValues) {
  const std::vector<ReaderCase> cases = {
      // Kinds: a text has no number, a real no text, whatever else they hold.
      {S("12"), 0, "12", false, 0, 0, 0, 0},
      {TextWithNumber("abab", 2), 0, "abab", false, 0, 0, 0, 0},
      {TextWithNumber("x", 1e300), 0, "x", false, 0, 0, 0, 0},
      {NumberWithText(3, "abc"), 3, "", true, 3, 3, 3, 3},
      // Halves to even; a flag is true from 0.5 on.
      {R(0.5), 0.5, "", true, 0, 0, 0, 0},
      {R(0.4999), 0.4999, "", false, 0, 0, 0, 0},
      {R(1.5), 1.5, "", true, 2, 2, 2, 2},
      {R(2.5), 2.5, "", true, 2, 2, 2, 2},
      {R(-2.5), -2.5, "", false, -2, -2, -2, 254},
      {R(-0.5), -0.5, "", false, 0, 0, 0, 0},
      // The ends of the 32-bit range.
      {R(2147483647.0), 2147483647.0, "", true, INT32_MAX, INT32_MAX, INT32_MAX, 255},
      {R(2147483647.4), 2147483647.4, "", true, INT32_MAX, INT32_MAX, INT32_MAX, 255},
      {R(2147483647.5), 2147483647.5, "", true, fnarg::kNoInt, INT32_MAX, 2147483648, 0},
      {R(-2147483647.0), -2147483647.0, "", false, -2147483647, -2147483647, -2147483647, 1},
      {R(-2147483648.5), -2147483648.5, "", false, INT32_MIN, INT32_MIN, -2147483648, 0},
      {R(-2147483649.0), -2147483649.0, "", false, fnarg::kNoInt, INT32_MIN, -2147483649, 255},
      // Beyond 32 bits: no index, the end of the range, the exact value.
      {R(4294967296.0 + 65), 4294967361.0, "", true, fnarg::kNoInt, INT32_MAX, 4294967361, 65},
      {R(-4294967296.0), -4294967296.0, "", false, fnarg::kNoInt, INT32_MIN, -4294967296, 0},
      // Beyond 2^53 the wide reader stops growing; the byte stays exact.
      {R(9007199254740994.0), 9007199254740994.0, "", true, fnarg::kNoInt, INT32_MAX, kWide, 2},
      {R(1e300), 1e300, "", true, fnarg::kNoInt, INT32_MAX, kWide, kTraps},
      {R(-1e300), -1e300, "", false, fnarg::kNoInt, INT32_MIN, -kWide, kTraps},
      // No number at all.
      {R(kInf), kInf, "", true, fnarg::kNoInt, INT32_MAX, kWide, kTraps},
      {R(-kInf), -kInf, "", false, fnarg::kNoInt, INT32_MIN, -kWide, kTraps},
      {R(kNaN), kNaN, "", false, fnarg::kNoInt, INT32_MIN, -kWide, kTraps},
  };
  for (const ReaderCase &c : cases) {
    SCOPED_TRACE(Show(c.arg));
    if (std::isnan(c.num))
      EXPECT_TRUE(std::isnan(fnarg::Num(c.arg)));
    else
      EXPECT_EQ(fnarg::Num(c.arg), c.num);
    EXPECT_EQ(fnarg::Text(c.arg), c.text);
    EXPECT_EQ(fnarg::Bool(c.arg), c.flag);
    EXPECT_EQ(fnarg::Int(c.arg), c.whole);
    EXPECT_EQ(fnarg::Clamped(c.arg), c.clamped);
    EXPECT_EQ(fnarg::Wide(c.arg), c.wide);
    if (c.byte == kTraps)
      EXPECT_THROW(fnarg::Byte(c.arg), EMathTrap);
    else
      EXPECT_EQ(fnarg::Byte(c.arg), c.byte);
  }
}

// The byte is exactly what the language's `code & 255` gives.
TEST(FunctionArgs, ByteIsTheLanguagesLowEightBits) {
  for (const double code : {0.0, 255.0, 256.0, 65.5, 66.5, -1.0, -256.5, 4294967296.0 + 300, 1e15 + 7}) {
    RValue masked = R(code);
    ASSERT_EQ(BinaryOperation(op::kBitAnd, masked, R(255)), nullptr);
    EXPECT_EQ(fnarg::Byte(R(code)), masked.val) << code;
  }
}

}  // namespace
