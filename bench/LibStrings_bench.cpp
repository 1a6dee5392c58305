// The string functions as compiled code calls them (through the function
// table, arguments in a 16-value array, a fresh result each call). Each case
// has a twin of the same name in lib/strings.lua; run-lib-strings prints the
// ratios.
#include <benchmark/benchmark.h>

#include <string>

#include "code/Code_Function.h"
#include "functions/Function_Math.h"

namespace {

// A kilobyte of text: words, digits and punctuation, no "needle" until the end.
std::string Haystack() {
  std::string s;
  while (s.size() < 1000) s += "the quick brown fox jumps over a lazy dog 0123456789, ";
  s += "needle";
  return s;
}
// The same length of text in Cyrillic and accented letters (two bytes each).
std::string WideText() {
  std::string s;
  while (s.size() < 1000) s += "съешь ещё этих мягких французских булок, déjà vu ";
  return s;
}

TRoutine Routine(const char *name) {
  static bool ready = [] {
    FunctionTableReset();
    Function_Math_Init();
    return true;
  }();
  (void)ready;
  return FunctionRoutine(FunctionFind(name));
}

void Run(benchmark::State &state, const char *name, std::initializer_list<RValue> argList) {
  const TRoutine routine = Routine(name);
  RValue args[kMaxCallArguments];
  int argc = 0;
  for (const RValue &a : argList) args[argc++] = a;
  for (auto _ : state) {
    RValue result;
    routine(nullptr, nullptr, argc, args, result);
    benchmark::DoNotOptimize(result);
  }
}

RValue S(const std::string &s) { return RValue::Str(RString(s)); }
RValue R(double v) { return RValue::Real(v); }

void string_pos(benchmark::State &st) { Run(st, "string_pos", {S("needle"), S(Haystack())}); }
void string_copy(benchmark::State &st) { Run(st, "string_copy", {S(Haystack()), R(100), R(50)}); }
void string_char_at(benchmark::State &st) { Run(st, "string_char_at", {S(Haystack()), R(500)}); }
void string_replace_all(benchmark::State &st) { Run(st, "string_replace_all", {S(Haystack()), S("o"), S("00")}); }
void string_count(benchmark::State &st) { Run(st, "string_count", {S("o"), S(Haystack())}); }
void string_upper(benchmark::State &st) { Run(st, "string_upper", {S(Haystack())}); }
void string_repeat(benchmark::State &st) { Run(st, "string_repeat", {S("ab"), R(100)}); }
void string_insert(benchmark::State &st) { Run(st, "string_insert", {S("XYZ"), S(Haystack()), R(500)}); }
void string_delete(benchmark::State &st) { Run(st, "string_delete", {S(Haystack()), R(500), R(10)}); }
void string_length_wide(benchmark::State &st) { Run(st, "string_length", {S(WideText())}); }
void string_of_real(benchmark::State &st) { Run(st, "string", {R(1234.5678)}); }
void real_of_string(benchmark::State &st) { Run(st, "real", {S("123.456")}); }

}  // namespace

BENCHMARK(string_pos);
BENCHMARK(string_copy);
BENCHMARK(string_char_at);
BENCHMARK(string_replace_all);
BENCHMARK(string_count);
BENCHMARK(string_upper);
BENCHMARK(string_repeat);
BENCHMARK(string_insert);
BENCHMARK(string_delete);
BENCHMARK(string_length_wide);
BENCHMARK(string_of_real);
BENCHMARK(real_of_string);

BENCHMARK_MAIN();
