// Reading the arguments of built-in routines: numbers where a number is
// meant, rounded halves to even where an integer is meant. Wild values (NaN,
// infinities, far beyond 32 bits) never trap here: they read as an index no
// resource has, or as the nearest 32-bit value.
#pragma once

#include <cmath>
#include <cstdint>

#include "code/Code_Operator.h"
#include "code/Variable_Class.h"

namespace fnarg {

// A numeric argument; a string where a number belongs counts as 0.
inline double ArgReal(const RValue &v) { return v.kind == RValue::kReal ? v.val : 0.0; }

// An index (resource, id, slot): rounded; -1 outside the 32-bit range.
inline int32_t ArgIndex(const RValue &v) {
  const double d = ArgReal(v);
  if (!(std::fabs(d) < 2147483647.5)) return -1;
  return static_cast<int32_t>(RoundToInt64(d));
}

// An integer such as a count, a code or a cell coordinate: rounded and held
// to the 32-bit range (NaN reads as the lowest value).
inline int32_t ArgInt32(const RValue &v) {
  const double d = ArgReal(v);
  if (!(d > -2147483648.5)) return INT32_MIN;
  if (!(d < 2147483647.5)) return INT32_MAX;
  return static_cast<int32_t>(RoundToInt64(d));
}

// A boolean: true at 0.5 and above.
inline bool ArgBool(const RValue &v) { return RealIsTrue(ArgReal(v)); }

}  // namespace fnarg
