// The whole start-up registration against the catalogue of what scripts can
// call (src/functions/Function_Catalog.tsv): every function of the families
// built so far is there with its exact argument count, and nothing is
// registered that the catalogue does not name.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "code/Code_Function.h"
#include "code/Code_Operator.h"
#include "functions/Function_Catalog.h"
#include "functions/Function_Init.h"
#include "runner/Runner_Wire.h"
#include "functions/Data_Structures_Support.h"

namespace {

struct RCatalogEntry {
  int32_t count;
  std::string family;
};

std::map<std::string, RCatalogEntry> ReadCatalog() {
  std::map<std::string, RCatalogEntry> out;
  for (const RCatalogFunction &fn : FunctionCatalog())
    out.emplace(std::string(fn.c_name), RCatalogEntry{fn.RegisteredCount(), std::string(fn.c_family)});
  return out;
}

// The families whose functions are all registered by now.
const std::set<std::string> kBuiltFamilies = {
    "variables", "scripts",    "maths-strings-dates", "files",       "data-structures", "objects",
    "instances", "rooms",      "game",                "collisions",  "paths",           "time-lines",
    "actions",   "saved-games", "textures",           "drawing",     "fonts",           "window-views",
    "sprites-backgrounds",
    "input",
    "extensions",
    "multiplayer",
    "sound"};

TEST(FunctionRegistration, MatchesTheCatalogue) {
  const auto catalog = ReadCatalog();
  ASSERT_EQ(catalog.size(), 1278u);
  ASSERT_EQ(FunctionCatalogProblems(), std::vector<std::string>());
  FunctionTableReset();
  Runner_AddFamilies();
  Function_RegisterFamilies();

  for (const auto &[name, entry] : catalog) {
    if (!kBuiltFamilies.count(entry.family)) continue;
    const int32_t id = FunctionFind(name);
    ASSERT_GE(id, 0) << name << " is not registered";
    ASSERT_LT(id, kFunctionScriptBase) << name;
    EXPECT_EQ(FunctionArgCount(id), entry.count) << name;
  }
  for (int32_t id = 0; id < FunctionCount(); ++id) {
    const RFunction *f = FunctionEntry(id);
    const auto it = catalog.find(f->f_name);
    ASSERT_NE(it, catalog.end()) << f->f_name << " is registered but not catalogued";
    EXPECT_EQ(f->f_argnumb, it->second.count) << f->f_name;
    EXPECT_NE(f->f_routine, nullptr) << f->f_name;
  }
}

// The function reference calls a family available when all its functions
// are registered; the families checked above must be exactly those.
TEST(FunctionRegistration, CheckedFamiliesAreTheRegisteredOnes) {
  FunctionTableReset();
  Runner_AddFamilies();
  Function_RegisterFamilies();
  std::map<std::string, bool> whole;
  for (const RCatalogFunction &fn : FunctionCatalog()) {
    const int32_t id = FunctionFind(fn.c_name);
    const bool registered = id >= 0 && id < kFunctionScriptBase;
    auto [it, added] = whole.emplace(std::string(fn.c_family), registered);
    if (!added) it->second = it->second && registered;
  }
  for (const auto &[family, all] : whole) {
    EXPECT_EQ(all, kBuiltFamilies.count(family) == 1)
        << family << (all ? " is registered in full: add it to kBuiltFamilies" : " is not registered in full");
  }
}

TEST(FunctionRegistration, RunnerListsTheTable) {
  FunctionTableReset();
  Runner_AddFamilies();
  Function_RegisterFamilies();
  std::FILE *p = popen((std::string(QUILLON_RUNNER_PATH) + " --list-functions").c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  ASSERT_EQ(pclose(p), 0);

  std::istringstream lines(out);
  std::string line;
  int32_t id = 0;
  while (std::getline(lines, line)) {
    ASSERT_LT(id, FunctionCount()) << "extra line: " << line;
    const RFunction *f = FunctionEntry(id);
    const RCatalogFunction *c = FunctionCatalogFind(f->f_name);
    ASSERT_NE(c, nullptr) << f->f_name;
    EXPECT_EQ(line, f->f_name + " " + std::to_string(f->f_argnumb) + " (" + std::string(c->c_arguments) + ")");
    ++id;
  }
  EXPECT_EQ(id, FunctionCount());
}

// Every routine that has a direct form (it reads its arguments where they
// stand) must answer through it exactly as through its call slots: the
// same result, the same messages, the same trap, for every combination of
// a few reals and texts as its arguments.
TEST_F(DsTest, EveryDirectFormAnswersAsItsRoutine) {
  FunctionTableReset();
  Runner_AddFamilies();
  Function_RegisterFamilies();
  // One container of each kind as id 0, with something in it.
  for (const char *kind : {"stack", "queue", "list", "map", "priority"}) Call(std::string("ds_") + kind + "_create");
  Call("ds_grid_create", {R(3), R(3)});
  Call("ds_list_add", {R(0), R(2.5), S("abc")});
  Call("ds_map_add", {R(0), R(3), S("three")});
  Call("ds_map_add", {R(0), S("abc"), R(-1)});
  Call("ds_grid_set", {R(0), R(2), R(1), S("12")});
  TakeErrors();
  const RValue pool[] = {R(0), R(-1), R(2.5), R(-0.0), R(1e300), R(1e-13), R(3), S(""), S("abc"), S("12")};
  constexpr int kPool = 10;
  // What a call came to: its result, or the trap it ended in, and the
  // messages it reported.
  const auto outcome = [this](auto &&call) {
    std::string text;
    RValue result;
    try {
      call(result);
      text = result.IsString() ? "'" + result.str.str() + "'" : std::to_string(result.val);
      if (result.IsReal() && std::signbit(result.val)) text += " (negative)";
    } catch (const EMathTrap &trap) {
      text = std::string("trap: ") + trap.what();
    }
    for (const std::string &m : TakeErrors()) text += " | " + m;
    return text;
  };
  int forms = 0;
  for (int32_t id = 0; id < FunctionCount(); ++id) {
    const RFunction *f = FunctionEntry(id);
    if (f->f_direct == nullptr) continue;
    ++forms;
    const int argc = f->f_argnumb;
    ASSERT_LE(argc, kMaxDirectArguments) << f->f_name;
    int tuples = 1;
    for (int i = 0; i < argc; ++i) tuples *= kPool;
    for (int t = 0; t < tuples; ++t) {
      const RValue *in[kMaxDirectArguments] = {};
      RValue slots[kMaxCallArguments];
      for (int i = 0, rest = t; i < argc; ++i, rest /= kPool) {
        in[i] = &pool[rest % kPool];
        slots[i] = pool[rest % kPool];
      }
      const std::string byRoutine = outcome([&](RValue &r) { f->f_routine(nullptr, nullptr, argc, slots, r); });
      const std::string byDirect = outcome([&](RValue &r) { f->f_direct(nullptr, nullptr, in, r); });
      ASSERT_EQ(byDirect, byRoutine) << f->f_name << " with arguments from tuple " << t;
    }
  }
  EXPECT_GE(forms, 40) << "the readers of the maths and data-structure families";
}

}  // namespace
