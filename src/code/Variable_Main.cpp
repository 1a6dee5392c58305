#include "code/Variable_Main.h"

#include <memory>
#include <unordered_map>
#include <vector>

#include "code/Variable_BuiltIn.h"
#include "base/Support_Stream.h"

namespace global_flags {
const uint8_t *g_declared = nullptr;
size_t g_count = 0;
}  // namespace global_flags

namespace {

struct NameHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

struct NameTable {
  // Names are kept in a deque-like list of owned strings so the views used
  // as map keys stay valid while the table grows.
  std::vector<std::unique_ptr<std::string>> names;
  std::unordered_map<std::string_view, int32_t, NameHash, std::equal_to<>> index;
};

NameTable &Names() {
  static NameTable table;
  return table;
}

constexpr int32_t kInitialFlags = 10000;
constexpr int32_t kFlagGrowth = 1000;
constexpr int32_t kGlobalStoreVersion = 700;

struct GlobalStore {
  CVariableList vars;
  std::vector<uint8_t> declared = std::vector<uint8_t>(kInitialFlags, 0);
};

// Every change of the flags' size or storage publishes them for
// IsGlobalDeclared. Before the store exists every flag reads false, as the
// store's first flags are.
void Publish(const GlobalStore &s) {
  global_flags::g_declared = s.declared.data();
  global_flags::g_count = s.declared.size();
}

GlobalStore &Store() {
  static GlobalStore store;
  return store;
}

}  // namespace

int32_t VariableFindUser(std::string_view name) {
  const NameTable &t = Names();
  auto it = t.index.find(name);
  return it == t.index.end() ? -1 : kUserVariableBase + it->second;
}

int32_t VariableIndex(std::string_view name) {
  const int32_t b = BuiltinFind(name);
  if (b >= 0) return b;
  NameTable &t = Names();
  auto it = t.index.find(name);
  if (it != t.index.end()) return kUserVariableBase + it->second;
  const int32_t pos = static_cast<int32_t>(t.names.size());
  t.names.push_back(std::make_unique<std::string>(name));
  t.index.emplace(std::string_view(*t.names.back()), pos);
  return kUserVariableBase + pos;
}

const std::string &VariableName(int32_t index) {
  static const std::string unknown = "<unknown variable>";
  if (index < kUserVariableBase) return BuiltinName(index);
  const NameTable &t = Names();
  const int64_t pos = static_cast<int64_t>(index) - kUserVariableBase;
  if (pos >= static_cast<int64_t>(t.names.size())) return unknown;
  return *t.names[static_cast<size_t>(pos)];
}

int32_t VariableUserCount() { return static_cast<int32_t>(Names().names.size()); }

void VariableNamesClear() {
  NameTable &t = Names();
  t.index.clear();
  t.names.clear();
}

CVariableList &GlobalVariables() { return Store().vars; }

bool GlobalGet(int32_t var_ind, int32_t arr_ind, RValue &value) { return Store().vars.GetVar(var_ind, arr_ind, value); }

void GlobalSet(int32_t var_ind, int32_t arr_ind, const RValue &value) { Store().vars.SetVar(var_ind, arr_ind, value); }

void GlobalDeclare(int32_t var_ind) {
  if (var_ind < kUserVariableBase) return;
  GlobalStore &s = Store();
  const size_t pos = static_cast<size_t>(var_ind - kUserVariableBase);
  if (pos >= s.declared.size()) s.declared.resize(pos + kFlagGrowth, 0);
  s.declared[pos] = 1;
  Publish(s);
  s.vars.Init(var_ind);
}

void GlobalReset() {
  GlobalStore &s = Store();
  s.vars.Clear();
  s.declared.assign(kInitialFlags, 0);
  Publish(s);
}

int32_t GlobalDeclaredFlagCount() { return static_cast<int32_t>(Store().declared.size()); }

void Global_SaveToStream(CStream &stream) {
  const GlobalStore &s = Store();
  stream.WriteInteger(kGlobalStoreVersion);
  s.vars.SaveToStream(stream);
  stream.WriteInteger(static_cast<int32_t>(s.declared.size()));
  for (uint8_t f : s.declared) stream.WriteBoolean(f != 0);
}

bool Global_ReadFromStream(CStream &stream, RGlobalStore &out) {
  if (stream.ReadInteger() != kGlobalStoreVersion) return false;
  if (!out.vars.LoadFromStream(stream)) return false;
  const int32_t n = stream.ReadInteger();
  if (n < 0 || n > (stream.Size() - stream.Position()) / 4)
    throw EStreamError("Bad flag count in the global variables.");
  out.declared.assign(static_cast<size_t>(n), 0);
  for (int32_t i = 0; i < n; ++i) out.declared[static_cast<size_t>(i)] = stream.ReadBoolean() ? 1 : 0;
  return true;
}

void Global_Replace(RGlobalStore &&store) {
  GlobalStore &s = Store();
  s.vars = std::move(store.vars);
  s.declared = std::move(store.declared);
  Publish(s);
}

bool Global_LoadFromStream(CStream &stream) {
  // Read everything aside first, so a damaged record leaves the store as it
  // was.
  RGlobalStore read;
  if (!Global_ReadFromStream(stream, read)) return false;
  Global_Replace(std::move(read));
  return true;
}
