#include "code/Code_Function.h"

#include <unordered_map>
#include <vector>

#include "code/Script_Main.h"
#include "base/Support_Wiring.h"

namespace {

struct NameHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

struct FunctionTable {
  std::vector<RFunction> entries;
  // Name -> first entry with that name: execute_string compiles at run time,
  // so lookups stay constant-time over the whole library.
  std::unordered_map<std::string, int32_t, NameHash, std::equal_to<>> first;
  TExtensionFind extFind = nullptr;
  TExtensionArgCount extArgCount = nullptr;
};

FunctionTable &Table() {
  static FunctionTable table;
  return table;
}

}  // namespace

namespace function_table {
const RFunction *g_entries = nullptr;
int32_t g_count = 0;
}  // namespace function_table

int32_t FunctionAdd(std::string_view name, TRoutine routine, int32_t argnumb, TDirectRoutine direct) {
  FunctionTable &t = Table();
  RFunction f;
  f.f_name = std::string(name.substr(0, kMaxFunctionName));
  f.f_routine = routine;
  f.f_argnumb = argnumb;
  if (argnumb >= 0 && argnumb <= kMaxDirectArguments) f.f_direct = direct;
  const int32_t id = static_cast<int32_t>(t.entries.size());
  t.first.emplace(f.f_name, id);  // keeps an earlier entry of the same name
  t.entries.push_back(std::move(f));
  function_table::g_entries = t.entries.data();
  function_table::g_count = static_cast<int32_t>(t.entries.size());
  return id;
}

int32_t FunctionFind(std::string_view name) {
  const int script = ScriptFind(name);
  if (script >= 0) return kFunctionScriptBase + script;
  FunctionTable &t = Table();
  if (t.extFind) {
    const int32_t ext = t.extFind(name);
    if (ext >= 0) return kFunctionExtensionBase + ext;
  }
  auto it = t.first.find(name);
  return it == t.first.end() ? -1 : it->second;
}

int32_t FunctionArgCount(int32_t id) {
  const FunctionTable &t = Table();
  if (id >= kFunctionExtensionBase) return t.extArgCount ? t.extArgCount(id - kFunctionExtensionBase) : kArgCountInvalid;
  if (id >= kFunctionScriptBase) return -1;
  if (id < 0 || id >= static_cast<int32_t>(t.entries.size())) return kArgCountInvalid;
  return t.entries[static_cast<size_t>(id)].f_argnumb;
}

int32_t FunctionCount() { return static_cast<int32_t>(Table().entries.size()); }


namespace {
const CWiringHook kExtensionFindHook("code: extension function names", [] { return Table().extFind != nullptr; });
}  // namespace

void FunctionSetExtensionHooks(TExtensionFind find, TExtensionArgCount argCount) {
  FunctionTable &t = Table();
  t.extFind = find;
  t.extArgCount = argCount;
}

void FunctionTableReset() {
  FunctionTable &t = Table();
  t.entries.clear();
  t.first.clear();
  function_table::g_entries = t.entries.data();
  function_table::g_count = 0;
}
