// Text functions on arbitrary bytes and numbers: no crash, no hang, no text
// longer than the inputs allow, and the UTF-16 form of any text gives the
// same bytes back. The input is eight bytes of a real (the number argument),
// then texts separated by 0x01 bytes (at most three).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Code_Operator.h"
#include "functions/Function_Math.h"
#include "functions/Function_String.h"
#include "base/Option_Main.h"

namespace {

bool Setup() {
  g_Settings.opt_displayerrors = false;
  g_Settings.opt_writeerrors = false;
  g_Settings.opt_aborterrors = false;
  if (FunctionFind("string_pos") < 0) Function_Math_Init();
  return true;
}

void Call(const char *name, std::initializer_list<RValue> args) {
  const TRoutine routine = FunctionRoutine(FunctionFind(name));
  if (!routine) std::abort();
  RValue argv[kMaxCallArguments];
  int argc = 0;
  for (const RValue &a : args) argv[argc++] = a;
  RValue result;
  try {
    routine(nullptr, nullptr, argc, argv, result);
  } catch (const EMathTrap &) {
    // Out-of-range numbers abandon the call the way arithmetic does.
  }
  // No function here makes a text beyond its inputs' sizes times a small
  // count, except string_repeat and string_format, whose sizes are capped.
  if (result.IsString() && result.str.size() > (size_t{1} << 30)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const bool ready = Setup();
  (void)ready;
  double number = 0;
  if (size >= 8) {
    std::memcpy(&number, data, 8);
    data += 8;
    size -= 8;
  }
  // Keep the sizes games could ask for without making each run slow.
  // Converting a real beyond the 64-bit integers is undefined, so the
  // remainder is taken on the real.
  if (!(std::abs(number) <= 1e6)) number = std::isfinite(number) ? std::trunc(std::fmod(number, 4096)) : 0;
  std::vector<std::string> texts;
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0x01 && texts.size() < 2) {
      texts.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(data[i]);
    }
  }
  texts.push_back(current);
  while (texts.size() < 3) texts.emplace_back("x");

  for (const std::string &t : texts)
    if (Utf16ToUtf8(Utf8ToUtf16(t)) != t) std::abort();

  const RValue a = RValue::Str(RString(texts[0])), b = RValue::Str(RString(texts[1])),
               c = RValue::Str(RString(texts[2])), n = RValue::Real(number), small = RValue::Real(3);
  for (const char *fn : {"string_length", "string_byte_length", "string_lower", "string_upper", "string_letters",
                         "string_digits", "string_lettersdigits", "ord", "real", "string", "is_real"})
    Call(fn, {a});
  Call("string_pos", {a, b});
  Call("string_count", {a, b});
  Call("string_byte_at", {a, n});
  Call("string_char_at", {a, n});
  Call("string_copy", {a, n, small});
  Call("string_copy", {a, small, n});
  Call("string_delete", {a, n, small});
  Call("string_delete", {a, small, n});
  Call("string_insert", {b, a, n});
  Call("string_replace", {a, b, c});
  Call("string_replace_all", {a, b, c});
  Call("string_repeat", {a, small});
  Call("string_format", {n, small, n});
  Call("string", {n});
  Call("chr", {n});
  Call("ansi_char", {n});
  Call("min", {a, n, b});
  Call("max", {n, a, b});
  ErrorReset();
  return 0;
}
