// Reading the arguments of the world's built-in functions.
#pragma once

#include <cmath>
#include <cstdint>

#include "code/Code_Operator.h"
#include "code/Variable_Class.h"

// A real argument meant as an index, number or code: rounded, halves to
// even. Values no index can have (NaN, beyond the 32-bit range) give -1,
// which names nothing, instead of an arithmetic trap.
inline int32_t ArgInt(const RValue &v) {
  if (!(std::fabs(v.val) < 2147483648.0)) return -1;
  return static_cast<int32_t>(RoundToInt64(v.val));
}
