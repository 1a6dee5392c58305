// The script language's value and variable storage.
#pragma once

#include <cstdint>
#include <string_view>

#include "code/Value_String.h"

// The only value of the script language: a real or a string. Copied by
// value; the text is shared. Only the field selected by kind is meaningful:
// a value turned into a real keeps whatever text it had, and nothing reads
// that stale text as the value.
struct RValue {
  static constexpr int32_t kReal = 0;
  static constexpr int32_t kString = 1;

  int32_t kind = kReal;
  double val = 0.0;
  RString str;

  RValue() = default;
  static RValue Real(double v) { RValue r; r.val = v; return r; }
  static RValue Str(RString s) { RValue r; r.kind = kString; r.str = std::move(s); return r; }

  bool IsReal() const { return kind == kReal; }
  bool IsString() const { return kind == kString; }
  void SetReal(double v) { kind = kReal; val = v; }
  void SetString(RString s) { kind = kString; str = std::move(s); }
};
