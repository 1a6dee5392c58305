// Calls into native libraries as game code makes them: external_call
// through the function table, each call built for the platform's C
// convention, texts passed as UTF-8 and text results copied. The functions
// are the C library's own, so nothing but the system is needed.
#include <benchmark/benchmark.h>

#include <string>

#include "code/Code_Function.h"
#include "code/Support_DLL.h"
#include "functions/Function_External.h"

namespace {

TRoutine Routine(const char *name) {
  static bool ready = [] {
    FunctionTableReset();
    Function_External_Init();
    return true;
  }();
  (void)ready;
  return FunctionRoutine(FunctionFind(name));
}

int32_t Define(const char *lib, const char *fn, bool textResult, std::initializer_list<int32_t> types) {
  return ExternalDefine(lib, fn, 0, textResult, types.begin(), static_cast<int32_t>(types.size()));
}

void Run(benchmark::State &state, int32_t id, std::initializer_list<RValue> argList) {
  if (id < 0) {
    state.SkipWithError("the function could not be defined");
    return;
  }
  const TRoutine routine = Routine("external_call");
  RValue args[kMaxCallArguments];
  args[0] = RValue::Real(id);
  int argc = 1;
  for (const RValue &a : argList) args[argc++] = a;
  for (auto _ : state) {
    RValue result;
    routine(nullptr, nullptr, argc, args, result);
    benchmark::DoNotOptimize(result);
  }
}

void call_real1(benchmark::State &st) { Run(st, Define("libm.so.6", "cos", false, {0}), {RValue::Real(0.5)}); }
void call_real2(benchmark::State &st) {
  Run(st, Define("libm.so.6", "atan2", false, {0, 0}), {RValue::Real(1), RValue::Real(2)});
}
void call_real3(benchmark::State &st) {
  Run(st, Define("libm.so.6", "fma", false, {0, 0, 0}), {RValue::Real(1), RValue::Real(2), RValue::Real(3)});
}
// A text in, a text out (copied).
void call_text(benchmark::State &st) {
  Run(st, Define("libc.so.6", "getenv", true, {1}), {RValue::Str(RString("PATH"))});
}

}  // namespace

BENCHMARK(call_real1);
BENCHMARK(call_real2);
BENCHMARK(call_real3);
BENCHMARK(call_text);
BENCHMARK_MAIN();
