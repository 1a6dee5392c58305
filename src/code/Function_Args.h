// Reading the arguments of built-in routines, the one way every family reads
// them.
//
// Kinds: an argument is never converted. A number is read from the real
// field of a real and is 0 for a text; a text is read from the text of a
// string and is empty for a real. Nothing reads a number out of a text
// value, nor a text out of a real, whatever stale field it carries.
//
// Integers: a real that stands for an index, id, count, flag or code is
// rounded to the nearest integer, halves to even. The readers differ only in
// what a value without such an integer (NaN, infinities, beyond the range)
// gives; none of them traps, except Byte, which is the language's own
// `code & 255`.
#pragma once

#include <cmath>
#include <cstdint>
#include <string_view>

#include "code/Code_Operator.h"
#include "code/Variable_Class.h"

namespace fnarg {

// What Int gives for a value that has no 32-bit integer. No resource,
// instance, selector or slot has it, whereas -1 is "none" for resources and
// self for instance selectors.
inline constexpr int32_t kNoInt = INT32_MIN;

// Beyond this the integers Wide gives stop growing: every integer up to it
// is exact in a double, and two of them still add up inside 64 bits.
inline constexpr int64_t kWideLimit = int64_t{1} << 53;

// A number: the real field of a real, 0 for a text.
inline double Num(const RValue &v) { return v.kind == RValue::kReal ? v.val : 0.0; }

// A text: the text of a string, empty for a real.
inline std::string_view Text(const RValue &v) {
  return v.kind == RValue::kString ? v.str.view() : std::string_view();
}

// A flag: true at 0.5 and above (a text is false).
inline bool Bool(const RValue &v) { return RealIsTrue(Num(v)); }

// An index, id, instance selector or code: rounded; kNoInt when the rounded
// value leaves the 32-bit range or there is no number at all, so a wild
// argument names nothing.
inline int32_t Int(const RValue &v) {
  const double d = Num(v);
  if (!(d > -2147483648.5 && d < 2147483647.5)) return kNoInt;
  return static_cast<int32_t>(RoundToInt64(d));
}

// A count, position or cell coordinate, where a value beyond the range means
// "past every end": rounded and held to the 32-bit range; NaN reads as the
// lowest value.
inline int32_t Clamped(const RValue &v) {
  const double d = Num(v);
  if (!(d > -2147483648.5)) return INT32_MIN;
  if (!(d < 2147483647.5)) return INT32_MAX;
  return static_cast<int32_t>(RoundToInt64(d));
}

// A position, size or count that may pass 32 bits (containers, file
// offsets, texts, dates): rounded and held to -kWideLimit .. kWideLimit; NaN
// reads as the lowest value.
inline int64_t Wide(const RValue &v) {
  constexpr double kLimit = static_cast<double>(kWideLimit);
  const double d = Num(v);
  if (!(d > -kLimit)) return -kWideLimit;
  if (!(d < kLimit)) return kWideLimit;
  return RoundToInt64(d);
}

// A byte given by its code: the low 8 bits of the rounded value, exactly as
// `code & 255` takes them; like that operator, a value with no 64-bit
// integer traps.
inline uint8_t Byte(const RValue &v) {
  return static_cast<uint8_t>(static_cast<uint64_t>(RoundToInt64(Num(v))) & 0xFF);
}

}  // namespace fnarg
