// The math family of built-in functions: numbers, randomness, the text
// conversions string(), real() and string_format(), geometry helpers, and
// (registered from here too) the string and date families and the process
// helpers (clipboard, window handle, priority, title, debug messages).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "code/Variable_Class.h"

// Registers every function of the family, then the string functions
// (Function_String), the process helpers and the date functions
// (Function_Date), in that order.
void Function_Math_Init();

// --- text conversions shared with the rest of the runner ------------------
// The text string() gives a real: an integral value as a plain integer, any
// other as fixed notation with two decimals (exponent form beyond ten integer
// digits), "ERROR" outside the 64-bit integer range.
std::string RealToString(double x);
// The text string_format() gives a real before padding: fixed notation with
// exactly dec decimals (dec clamped to 0 .. kMaxFormatDecimals), up to 18
// significant digits, exponent form beyond eighteen integer digits; "ERROR"
// for a value that is no number.
constexpr int kMaxFormatDecimals = 340;
std::string RealToStringFormat(double x, int dec);
// The number real() reads from text: trimmed of spaces and control
// characters; empty gives 0; otherwise an optional sign, digits with an
// optional fraction (`.`) and an optional exponent. Answers false for
// anything else (and for a value beyond the double range).
bool StringToReal(std::string_view text, double &out);

namespace mathfn {
// Texts longer than this are refused with "String too long.", as the
// operators refuse them.
constexpr size_t kMaxTextLength = size_t{1} << 30;
}  // namespace mathfn
