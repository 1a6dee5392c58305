// How the world's built-in functions read their real arguments.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "code/Code_Operator.h"
#include "code/Variable_Class.h"

// An index, id, count or colour: rounded halves to even. A value no such
// number can have (not a number, beyond 32 bits) gives the lowest 32-bit
// integer, which names nothing, instead of a fault.
inline int32_t ArgInt(const RValue &v) {
  if (!(std::fabs(v.val) < 2147483647.0)) return INT32_MIN;
  return static_cast<int32_t>(RoundToInt64(v.val));
}

// A flag: true at 0.5 and above.
inline bool ArgBool(const RValue &v) { return v.val >= 0.5; }

// An integer as messages show it.
inline std::string IntText(int32_t v) { return std::to_string(v); }
