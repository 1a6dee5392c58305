// Data-structure benchmarks.
//
//   LibDs_bench [google benchmark options]
//       the ds_* routines called directly, as compiled code calls them;
//   LibDs_bench --compare WORKLOADS.qs LUA_TWIN.lua
//       runs every workload of the .qs file through the interpreter (best
//       of five), runs the Lua twins with lua5.4, and prints each time and
//       the ratio ours / Lua (below 1 is faster than Lua).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../tests/support/Test_World.h"
#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Code_Operator.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "functions/Function_Data_Structures.h"
#include "functions/Support_Data_Structures.h"
#include "base/Option_Main.h"

namespace {

// bench_key(i): "k" followed by the integer i, the workloads' way of making
// many distinct string keys.
void BenchKey(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetString(RString("k" + std::to_string(static_cast<long long>(args[0].val))));
}

bool ZeroGetter(CInstance *, int32_t, RValue &value) {
  value = RValue();
  return true;
}
bool IgnoreSetter(CInstance *, int32_t, const RValue &) { return true; }

CTestWorld g_world;
CInstance *g_self = nullptr;

void Setup() {
  BuiltinRegisterAll();
  for (int32_t i = 0; i < builtin::Argument0(); ++i) {
    const std::string &name = BuiltinName(i);
    if (name != "argument_relative") BuiltinSetAccess(name, ZeroGetter, IgnoreSetter);
  }
  ConstantRegisterBuiltins();
  Function_Data_Structures_Init();
  FunctionAdd("bench_key", BenchKey, 1);
  g_Settings.SetDefaults();
  g_Settings.opt_displayerrors = false;
  g_Settings.opt_writeerrors = false;
  SetWorld(&g_world);
  GlobalReset();
  g_self = g_world.AddInstance(g_world.AddObject());
}

// --- routines called directly --------------------------------------------------------

RValue CallDs(int32_t id, std::initializer_list<RValue> args) {
  RValue block[kMaxCallArguments];
  int argc = 0;
  for (const RValue &a : args) block[argc++] = a;
  RValue result;
  FunctionRoutine(id)(nullptr, nullptr, argc, block, result);
  return result;
}

void BM_ListAddAndFind(benchmark::State &state) {
  const int32_t create = FunctionFind("ds_list_create"), add = FunctionFind("ds_list_add"),
                find = FunctionFind("ds_list_find_value"), destroy = FunctionFind("ds_list_destroy");
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    const RValue l = CallDs(create, {});
    for (int i = 0; i < n; ++i) CallDs(add, {l, RValue::Real(i)});
    double s = 0;
    for (int i = 0; i < n; ++i) s += CallDs(find, {l, RValue::Real(i)}).val;
    benchmark::DoNotOptimize(s);
    CallDs(destroy, {l});
  }
  state.SetItemsProcessed(state.iterations() * n * 2);
}
BENCHMARK(BM_ListAddAndFind)->Arg(10000);

void BM_MapStringKeys(benchmark::State &state) {
  const int32_t create = FunctionFind("ds_map_create"), add = FunctionFind("ds_map_add"),
                find = FunctionFind("ds_map_find_value"), destroy = FunctionFind("ds_map_destroy");
  const int n = static_cast<int>(state.range(0));
  std::vector<RValue> keys;
  for (int i = 0; i < n; ++i) keys.push_back(RValue::Str(RString("key" + std::to_string(i * 7919 % n))));
  for (auto _ : state) {
    const RValue m = CallDs(create, {});
    for (int i = 0; i < n; ++i) CallDs(add, {m, keys[static_cast<size_t>(i)], RValue::Real(i)});
    double s = 0;
    for (int i = 0; i < n; ++i) s += CallDs(find, {m, keys[static_cast<size_t>(i)]}).val;
    benchmark::DoNotOptimize(s);
    CallDs(destroy, {m});
  }
  state.SetItemsProcessed(state.iterations() * n * 2);
}
BENCHMARK(BM_MapStringKeys)->Arg(100)->Arg(10000);

void BM_GridRegionSum(benchmark::State &state) {
  const int32_t create = FunctionFind("ds_grid_create"), addRegion = FunctionFind("ds_grid_add_region"),
                sum = FunctionFind("ds_grid_get_sum"), destroy = FunctionFind("ds_grid_destroy");
  const RValue g = CallDs(create, {RValue::Real(256), RValue::Real(256)});
  for (auto _ : state) {
    CallDs(addRegion, {g, RValue::Real(0), RValue::Real(0), RValue::Real(255), RValue::Real(255), RValue::Real(1)});
    benchmark::DoNotOptimize(CallDs(sum, {g, RValue::Real(0), RValue::Real(0), RValue::Real(255), RValue::Real(255)}));
  }
  CallDs(destroy, {g});
  state.SetItemsProcessed(state.iterations() * 256 * 256 * 2);
}
BENCHMARK(BM_GridRegionSum);

void BM_ListSort(benchmark::State &state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    CDS_List l;
    uint32_t seed = 1;
    for (int i = 0; i < n; ++i) {
      seed = seed * 134775813u + 1u;
      l.Add(RValue::Real(seed % 100000));
    }
    state.ResumeTiming();
    l.Sort(true);
    benchmark::DoNotOptimize(l.i_val.data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ListSort)->Arg(10000);

// --- workloads beside Lua ------------------------------------------------------------

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    std::exit(2);
  }
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The workloads of a .qs file: "//== name" lines start each one.
std::vector<std::pair<std::string, std::string>> Workloads(const std::string &text) {
  std::vector<std::pair<std::string, std::string>> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("//== ", 0) == 0) {
      out.emplace_back(line.substr(5), std::string());
    } else if (!out.empty()) {
      out.back().second += line + "\r";
    }
  }
  return out;
}

int Compare(const std::string &scriptPath, const std::string &luaPath) {
  std::map<std::string, std::pair<double, std::string>> lua;
  const std::string command = "lua5.4 '" + luaPath + "'";
  if (FILE *p = popen(command.c_str(), "r")) {
    char name[64], result[64];
    double seconds = 0;
    while (std::fscanf(p, "%63s %lf %63s", name, &seconds, result) == 3) lua[name] = {seconds, result};
    pclose(p);
  }
  std::printf("%-12s %12s %12s %8s   %s\n", "workload", "ours (ms)", "lua (ms)", "ratio", "results (ours / lua)");
  int failures = 0;
  for (const auto &[name, text] : Workloads(ReadFile(scriptPath))) {
    CCode code(text, false);
    if (!code.Compile()) {
      std::fprintf(stderr, "%s: %s\n", name.c_str(), CodeErrorText().c_str());
      CodeErrorClear();
      ++failures;
      continue;
    }
    double best = 1e300;
    RValue result;
    // Processor time, as Lua's os.clock measures it, so that other work on
    // the machine does not count.
    for (int run = 0; run < 5; ++run) {
      const std::clock_t t0 = std::clock();
      ExecuteCode(g_self, g_self, code, result);
      best = std::min(best, static_cast<double>(std::clock() - t0) / CLOCKS_PER_SEC);
    }
    DsResetAll();
    char ours[64];
    std::snprintf(ours, sizeof ours, "%.14g", result.val);
    const auto it = lua.find(name);
    if (it == lua.end()) {
      std::printf("%-12s %12.3f %12s %8s   %s / -\n", name.c_str(), best * 1000, "-", "-", ours);
      continue;
    }
    std::printf("%-12s %12.3f %12.3f %8.2f   %s / %s\n", name.c_str(), best * 1000, it->second.first * 1000,
                best / it->second.first, ours, it->second.second.c_str());
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
  Setup();
  if (argc == 4 && std::strcmp(argv[1], "--compare") == 0) return Compare(argv[2], argv[3]);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
