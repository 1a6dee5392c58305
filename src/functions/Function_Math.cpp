#include "functions/Function_Math.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <numbers>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Code_Operator.h"
#include "code/Function_Args.h"
#include "world/Instance_Class.h"
#include "functions/Function_Date.h"
#include "functions/Function_String.h"
#include "base/Support_Random.h"
#include "platform/Platform_Main.h"

using fnarg::Num;
using fnarg::Text;

// ---------------------------------------------------------------------------
// Number to text
// ---------------------------------------------------------------------------
namespace {

// The significant decimal digits of a positive finite value: value =
// 0.d[0]d[1]... x 10^exp. At most 18 digits, trailing zeros removed; n = 0
// means nothing is left (zero).
struct RDigits {
  char d[20];
  int n = 0;
  int exp = 0;
};

RDigits DigitsOf(double a) {
  RDigits r;
  if (a == 0) return r;
  char buf[40];
  // d.ddddddddddddddddde+XX: eighteen significant digits, correctly rounded.
  const auto end = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 17).ptr;
  const char *e = std::find(buf, end, 'e');
  int k = 0;
  for (const char *p = buf; p != e; ++p)
    if (*p >= '0' && *p <= '9') r.d[k++] = *p;
  r.n = k;
  int exp10 = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exp10);
  r.exp = exp10 + 1;
  while (r.n > 0 && r.d[r.n - 1] == '0') --r.n;
  return r;
}

// Rounds half up so that `keep` significant digits remain (fewer when the
// rest are zeros); keep 0 leaves "1" one place higher when the first digit
// is 5 or more, and nothing otherwise.
void RoundDigits(RDigits &r, int keep) {
  if (keep >= r.n) return;
  if (keep < 0) {
    r.n = 0;
    return;
  }
  const bool up = r.d[keep] >= '5';
  r.n = keep;
  if (up) {
    int i = keep - 1;
    while (i >= 0 && r.d[i] == '9') --i;
    if (i < 0) {
      r.d[0] = '1';
      r.n = 1;
      ++r.exp;
    } else {
      ++r.d[i];
      r.n = i + 1;
    }
  }
  while (r.n > 0 && r.d[r.n - 1] == '0') --r.n;
}

// Fixed notation with `dec` decimals and at most maxSig significant digits;
// integer parts longer than intLimit digits take the exponent form with at
// least expMin exponent digits.
std::string FormatFixed(double x, int maxSig, int dec, int intLimit, int expMin) {
  RDigits r = DigitsOf(std::fabs(x));
  if (r.n > 0) RoundDigits(r, std::min(maxSig, r.exp + dec));
  if (r.n == 0) {
    if (dec <= 0) return "0";
    // "0." and dec zeros, made in one piece.
    std::string zero(static_cast<size_t>(dec) + 2, '0');
    zero[1] = '.';
    return zero;
  }
  std::string out;
  if (x < 0) out += '-';
  if (r.exp > intLimit) {
    out += r.d[0];
    if (r.n > 1) {
      out += '.';
      out.append(r.d + 1, static_cast<size_t>(r.n - 1));
    }
    out += 'E';
    int e = r.exp - 1;
    if (e < 0) {
      out += '-';
      e = -e;
    }
    std::string digits = std::to_string(e);
    if (static_cast<int>(digits.size()) < expMin) out.append(static_cast<size_t>(expMin) - digits.size(), '0');
    out += digits;
    return out;
  }
  // Digit i of the number counted from the first significant digit.
  auto digit = [&](int i) { return (i >= 0 && i < r.n) ? r.d[i] : '0'; };
  if (r.exp <= 0) {
    out += '0';
  } else {
    for (int i = 0; i < r.exp; ++i) out += digit(i);
  }
  if (dec > 0) {
    out += '.';
    for (int i = 0; i < dec; ++i) out += digit(r.exp + i);
  }
  return out;
}

}  // namespace

std::string RealToString(double x) {
  int64_t whole;
  try {
    whole = RoundToInt64(x);
  } catch (const EMathTrap &) {
    return "ERROR";
  }
  if (static_cast<double>(whole) == x) return std::to_string(whole);
  return FormatFixed(x, 10, 2, 10, 2);
}

std::string RealToStringFormat(double x, int dec) {
  if (!std::isfinite(x)) return "ERROR";
  dec = std::clamp(dec, 0, kMaxFormatDecimals);
  return FormatFixed(x, 18, dec, 18, dec <= 4 ? dec : 1);
}

// ---------------------------------------------------------------------------
// Text to number
// ---------------------------------------------------------------------------
namespace {

// The C locale, so a locale set elsewhere never changes the decimal point.
locale_t CLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool StringToReal(std::string_view text, double &out) {
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  out = 0;
  if (b == e) return true;
  const std::string t(text.substr(b, e - b));
  size_t i = 0;
  if (t[i] == '+' || t[i] == '-') ++i;
  size_t mantissa = 0;
  while (i < t.size() && IsDigit(t[i])) ++i, ++mantissa;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && IsDigit(t[i])) ++i, ++mantissa;
  }
  if (mantissa == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < t.size() && IsDigit(t[i])) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != t.size()) return false;
  // The text is a plain decimal number now, which strtod reads in full.
  const double v = strtod_l(t.c_str(), nullptr, CLocale());
  if (!std::isfinite(v)) return false;
  out = v;
  return true;
}

// ---------------------------------------------------------------------------
// Debug messages
// ---------------------------------------------------------------------------
namespace {
}


// ---------------------------------------------------------------------------
// The routines
// ---------------------------------------------------------------------------
namespace {

#define ROUTINE(name) void name(CInstance *, CInstance *, int argc, RValue *args, RValue &result)
// A routine that only reads: a struct for FunctionAddReader, whose body
// serves the routine and its direct form.
#define READER(name)                                \
  struct name {                                     \
    template <class A>                              \
    static void Run(const A &args, RValue &result); \
  };                                                \
  template <class A>                                \
  void name::Run(const A &args, RValue &result)

void Fail(const char *message) { ReportActionError(message, false); }

// A floor or ceiling that games use as an integer: beyond the 2^62 range no
// integer stands for it, which traps like any out-of-range conversion.
int64_t WholeOf(double f) {
  if (!(f > -4.611686018427388e18 && f < 4.611686018427388e18)) ThrowMathTrap(kTrapInvalid);
  return static_cast<int64_t>(f);
}

// An integer draw in [lo, lo + span - 1] for span >= 1.
double DrawBetween(int64_t lo, uint64_t span) { return static_cast<double>(lo + RandomBelow(span)); }

READER(F_IsReal) { result.SetReal(args[0].kind == RValue::kReal ? 1 : 0); }
READER(F_IsString) { result.SetReal(args[0].kind == RValue::kString ? 1 : 0); }

ROUTINE(F_Random) { result.SetReal(RandomReal() * Num(args[0])); }
ROUTINE(F_RandomRange) {
  const double a = Num(args[0]), b = Num(args[1]);
  const double lo = std::min(a, b), hi = std::max(a, b);
  const double width = CheckArith(hi - lo, hi, lo);
  result.SetReal(lo + RandomReal() * width);
}
ROUTINE(F_IRandom) {
  // A negative limit draws from the mirrored range [floor(x), 0], the way a
  // game that asks for irandom(-5) expects.
  const int64_t n = WholeOf(std::floor(Num(args[0])));
  if (n >= 0)
    result.SetReal(DrawBetween(0, static_cast<uint64_t>(n) + 1));
  else
    result.SetReal(0.0 - DrawBetween(0, static_cast<uint64_t>(-n) + 1));
}
ROUTINE(F_IRandomRange) {
  const int64_t a = WholeOf(std::floor(Num(args[0])));
  const int64_t b = WholeOf(std::floor(Num(args[1])));
  const int64_t lo = std::min(a, b);
  result.SetReal(DrawBetween(lo, static_cast<uint64_t>(std::max(a, b) - lo) + 1));
}
ROUTINE(F_RandomSetSeed) { RandomSetSeed(static_cast<uint32_t>(static_cast<uint64_t>(RoundToInt64(Num(args[0]))))); }
ROUTINE(F_RandomGetSeed) { result.SetReal(RandomGetSeed()); }
ROUTINE(F_Randomize) { Randomize(); }

READER(F_Abs) { result.SetReal(std::fabs(Num(args[0]))); }
READER(F_Sqr) {
  const double x = Num(args[0]);
  result.SetReal(CheckArith(x * x, x, x));
}
READER(F_Round) { result.SetReal(static_cast<double>(RoundToInt64(Num(args[0])))); }
// Floor and ceiling are whole numbers; a value beyond the 32-bit range keeps
// its whole value instead of wrapping around.
READER(F_Floor) { result.SetReal(std::floor(Num(args[0]))); }
READER(F_Ceil) { result.SetReal(std::ceil(Num(args[0]))); }
READER(F_Sign) {
  const double x = Num(args[0]);
  result.SetReal(x <= -1e-13 ? -1 : (x < 1e-13 ? 0 : 1));
}
READER(F_Frac) {
  const double x = Num(args[0]);
  result.SetReal(x - std::trunc(x));
}

READER(F_Sqrt) {
  const double x = Num(args[0]);
  if (x < 0) return Fail("Cannot apply sqrt to negative number.");
  result.SetReal(std::sqrt(x));
}

// The guarded functions: a result that is no finite number is their own
// error, reported with their message; the result stays 0.
void Guarded(double value, const char *message, RValue &result) {
  if (!std::isfinite(value)) return Fail(message);
  result.SetReal(value);
}

READER(F_Exp) { Guarded(std::exp(Num(args[0])), "Error in function exp().", result); }
READER(F_Ln) {
  const double x = Num(args[0]);
  Guarded(x > 0 ? std::log(x) : NAN, "Error in function ln().", result);
}
READER(F_Log2) {
  const double x = Num(args[0]);
  Guarded(x > 0 ? std::log2(x) : NAN, "Error in function log2().", result);
}
READER(F_Log10) {
  const double x = Num(args[0]);
  Guarded(x > 0 ? std::log10(x) : NAN, "Error in function log10().", result);
}
READER(F_Sin) { result.SetReal(std::sin(Num(args[0]))); }
READER(F_Cos) { result.SetReal(std::cos(Num(args[0]))); }
READER(F_Tan) { result.SetReal(std::tan(Num(args[0]))); }
READER(F_ArcSin) { Guarded(std::asin(Num(args[0])), "Error in function arcsin().", result); }
READER(F_ArcCos) { Guarded(std::acos(Num(args[0])), "Error in function arccos().", result); }
READER(F_ArcTan) { Guarded(std::atan(Num(args[0])), "Error in function arctan().", result); }
READER(F_ArcTan2) { Guarded(std::atan2(Num(args[0]), Num(args[1])), "Error in function arctan2().", result); }
READER(F_DegToRad) {
  const double x = Num(args[0]);
  result.SetReal(x * 0.017453292519943295769);
}
READER(F_RadToDeg) {
  const double x = Num(args[0]);
  result.SetReal(CheckArith(x * 57.295779513082320877, x, 57.295779513082320877));
}
READER(F_Power) {
  const double x = Num(args[0]), n = Num(args[1]);
  Guarded(std::pow(x, n), "Error in function power().", result);
}
READER(F_LogN) {
  const double n = Num(args[0]), x = Num(args[1]);
  Guarded(n > 0 && x > 0 ? std::log2(x) / std::log2(n) : NAN, "Error in function logn().", result);
}

// min and max keep the first argument and replace it by any later one that
// compares below (above) it: as numbers while the kept value is a real, as
// texts while it is a string.
template <bool kMax>
void MinMax(int argc, RValue *args, RValue &result) {
  if (argc <= 0) return;
  result = args[0];
  for (int i = 1; i < argc; ++i) {
    const RValue &a = args[i];
    bool take;
    if (result.kind == RValue::kReal) {
      take = kMax ? Num(a) > result.val : Num(a) < result.val;
    } else {
      const int c = CompareText(Text(a), result.str.view());
      take = kMax ? c > 0 : c < 0;
    }
    if (take) result = a;
  }
}
ROUTINE(F_Min) { MinMax<false>(argc, args, result); }
ROUTINE(F_Max) { MinMax<true>(argc, args, result); }

ROUTINE(F_Mean) {
  if (argc <= 0) return;
  double sum = 0;
  for (int i = 0; i < argc; ++i) {
    const double v = Num(args[i]);
    sum = CheckArith(sum + v, sum, v);
  }
  result.SetReal(sum / argc);
}
ROUTINE(F_Median) {
  if (argc <= 0) return;
  const double half = argc / 2.0;
  for (int i = 0; i < argc; ++i) {
    const double v = Num(args[i]);
    int below = 0, atMost = 0;
    for (int j = 0; j < argc; ++j) {
      const double w = Num(args[j]);
      if (w < v) ++below;
      if (w <= v) ++atMost;
    }
    if (below < half && atMost >= half) {
      result.SetReal(v);
      return;
    }
  }
}
ROUTINE(F_Choose) {
  if (argc <= 0) return;
  result = args[RandomBelow(static_cast<uint64_t>(argc))];
}

READER(F_Real) {
  if (args[0].kind == RValue::kReal) {
    result.SetReal(Num(args[0]));
    return;
  }
  double v;
  if (!StringToReal(Text(args[0]), v)) return Fail("Error in function real().");
  result.SetReal(v);
}
READER(F_String) {
  if (args[0].kind == RValue::kString) {
    result = args[0];
    return;
  }
  result.SetString(RealToString(Num(args[0])));
}
READER(F_StringFormat) {
  if (args[0].kind == RValue::kString) {
    result = args[0];
    return;
  }
  const double dec = Num(args[2]), total = Num(args[1]);
  // Out-of-range settings are clamped rather than trapped: the text is
  // still the number's.
  const int d = std::isfinite(dec) ? static_cast<int>(std::clamp(std::nearbyint(dec), -1.0, 1000.0)) : 0;
  std::string text = RealToStringFormat(Num(args[0]), d);
  const double width = std::isfinite(total) ? std::nearbyint(total) : 0;
  if (width > static_cast<double>(text.size())) {
    if (width > static_cast<double>(mathfn::kMaxTextLength)) return Fail(opmsg::kStringTooLong);
    text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
  }
  result.SetString(text);
}

// --- geometry ---------------------------------------------------------------

double Diff(double a, double b) { return CheckArith(a - b, a, b); }

READER(F_DotProduct) {
  const double x1 = Num(args[0]), y1 = Num(args[1]), x2 = Num(args[2]), y2 = Num(args[3]);
  const double len = std::hypot(x1, y1) * std::hypot(x2, y2);
  // A zero-length vector has no direction: 0/0 is the arithmetic's invalid
  // operation.
  if (len == 0) ThrowMathTrap(kTrapInvalid);
  result.SetReal(CheckArith((x1 * x2 + y1 * y2) / len, x1, y1));
}
ROUTINE(F_DotProduct3d) {
  const double x1 = Num(args[0]), y1 = Num(args[1]), z1 = Num(args[2]);
  const double x2 = Num(args[3]), y2 = Num(args[4]), z2 = Num(args[5]);
  const double len = std::hypot(x1, y1, z1) * std::hypot(x2, y2, z2);
  if (len == 0) ThrowMathTrap(kTrapInvalid);
  result.SetReal(CheckArith((x1 * x2 + y1 * y2 + z1 * z2) / len, x1, y1));
}
ROUTINE(F_PointDistance3d) {
  const double dx = Diff(Num(args[3]), Num(args[0])), dy = Diff(Num(args[4]), Num(args[1]));
  const double dz = Diff(Num(args[5]), Num(args[2]));
  result.SetReal(CheckArith(std::hypot(dx, dy, dz), dx, dy));
}
READER(F_PointDistance) {
  const double dx = Diff(Num(args[2]), Num(args[0])), dy = Diff(Num(args[3]), Num(args[1]));
  result.SetReal(CheckArith(std::hypot(dx, dy), dx, dy));
}
READER(F_PointDirection) {
  const double dx = Diff(Num(args[2]), Num(args[0])), dy = Diff(Num(args[3]), Num(args[1]));
  result.SetReal(PointDirection(dx, dy));
}
// Lengths along a direction land on whole numbers when they are within
// 0.0001 of one, so lengthdir_x(10, 90) is exactly 0.
double Snap(double v) {
  const double r = std::nearbyint(v);
  return (std::fabs(v - r) < 0.0001 ? r : v) + 0.0;
}
READER(F_LengthDirX) {
  const double len = Num(args[0]);
  result.SetReal(Snap(len * std::cos(Num(args[1]) * (std::numbers::pi / 180.0))));
}
READER(F_LengthDirY) {
  const double len = Num(args[0]);
  result.SetReal(Snap(-len * std::sin(Num(args[1]) * (std::numbers::pi / 180.0))));
}

// --- process helpers ----------------------------------------------------------

ROUTINE(F_WindowHandle) { result.SetReal(static_cast<double>(PlatformWindow().Handle())); }
ROUTINE(F_ShowDebugMessage) {
  const std::string text = args[0].IsString() ? std::string(Text(args[0])) : RealToString(Num(args[0]));
  PlatformDialogs().DebugMessage(text);
}
ROUTINE(F_SetProgramPriority) {
  int32_t p = fnarg::Int(args[0]);
  if (p < -3 || p > 3) p = 0;
  PlatformProcesses().SetPriority(p);
}
ROUTINE(F_SetApplicationTitle) {
  if (args[0].IsString()) PlatformWindow().SetCaption(Text(args[0]));
}
ROUTINE(F_ClipboardHasText) { result.SetReal(PlatformWindow().ClipboardHasText() ? 1 : 0); }
ROUTINE(F_ClipboardSetText) { PlatformWindow().ClipboardSetText(Text(args[0])); }
ROUTINE(F_ClipboardGetText) { result.SetString(PlatformWindow().ClipboardGetText()); }

#undef ROUTINE
#undef READER

}  // namespace

void Function_Math_Init() {
  FunctionAddReader<F_IsReal>("is_real", 1);
  FunctionAddReader<F_IsString>("is_string", 1);
  FunctionAdd("random", F_Random, 1);
  FunctionAdd("random_range", F_RandomRange, 2);
  FunctionAdd("irandom", F_IRandom, 1);
  FunctionAdd("irandom_range", F_IRandomRange, 2);
  FunctionAdd("random_set_seed", F_RandomSetSeed, 1);
  FunctionAdd("random_get_seed", F_RandomGetSeed, 0);
  FunctionAdd("randomize", F_Randomize, 0);
  FunctionAddReader<F_Abs>("abs", 1);
  FunctionAddReader<F_Sqr>("sqr", 1);
  FunctionAddReader<F_Round>("round", 1);
  FunctionAddReader<F_Floor>("floor", 1);
  FunctionAddReader<F_Ceil>("ceil", 1);
  FunctionAddReader<F_Sign>("sign", 1);
  FunctionAddReader<F_Frac>("frac", 1);
  FunctionAddReader<F_Sqrt>("sqrt", 1);
  FunctionAddReader<F_Exp>("exp", 1);
  FunctionAddReader<F_Ln>("ln", 1);
  FunctionAddReader<F_Log2>("log2", 1);
  FunctionAddReader<F_Log10>("log10", 1);
  FunctionAddReader<F_Sin>("sin", 1);
  FunctionAddReader<F_Cos>("cos", 1);
  FunctionAddReader<F_Tan>("tan", 1);
  FunctionAddReader<F_ArcSin>("arcsin", 1);
  FunctionAddReader<F_ArcCos>("arccos", 1);
  FunctionAddReader<F_ArcTan>("arctan", 1);
  FunctionAddReader<F_ArcTan2>("arctan2", 2);
  FunctionAddReader<F_DegToRad>("degtorad", 1);
  FunctionAddReader<F_RadToDeg>("radtodeg", 1);
  FunctionAddReader<F_Power>("power", 2);
  FunctionAddReader<F_LogN>("logn", 2);
  FunctionAdd("min", F_Min, -1);
  FunctionAdd("max", F_Max, -1);
  FunctionAdd("min3", F_Min, 3);
  FunctionAdd("max3", F_Max, 3);
  FunctionAdd("mean", F_Mean, -1);
  FunctionAdd("median", F_Median, -1);
  FunctionAdd("choose", F_Choose, -1);
  FunctionAddReader<F_Real>("real", 1);
  FunctionAddReader<F_String>("string", 1);
  FunctionAddReader<F_StringFormat>("string_format", 3);
  Function_String_Register();
  FunctionAddReader<F_DotProduct>("dot_product", 4);
  FunctionAdd("dot_product_3d", F_DotProduct3d, 6);
  FunctionAdd("point_distance_3d", F_PointDistance3d, 6);
  FunctionAddReader<F_PointDistance>("point_distance", 4);
  FunctionAddReader<F_PointDirection>("point_direction", 4);
  FunctionAddReader<F_LengthDirX>("lengthdir_x", 2);
  FunctionAddReader<F_LengthDirY>("lengthdir_y", 2);
  FunctionAdd("window_handle", F_WindowHandle, 0);
  FunctionAdd("show_debug_message", F_ShowDebugMessage, 1);
  FunctionAdd("set_program_priority", F_SetProgramPriority, 1);
  FunctionAdd("set_application_title", F_SetApplicationTitle, 1);
  FunctionAdd("clipboard_has_text", F_ClipboardHasText, 0);
  FunctionAdd("clipboard_set_text", F_ClipboardSetText, 1);
  FunctionAdd("clipboard_get_text", F_ClipboardGetText, 0);
  Function_Date_Register();
}

