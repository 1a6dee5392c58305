#include "code/Code_Function.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "code/Script_Main.h"

namespace {

// A name new to this process: the table only grows, and a repeated test
// must not find the entries of its previous run.
std::string Fresh(const char *name) {
  static int s_serial = 0;
  return "ftest" + std::to_string(++s_serial) + "_" + name;
}

void RoutineA(CInstance *, CInstance *, int, RValue *, RValue &result) { result.SetReal(1); }
void RoutineB(CInstance *, CInstance *, int, RValue *, RValue &result) { result.SetReal(2); }

// Appends scripts to the game's list for one test and removes them after.
class ScriptsGuard {
public:
  ~ScriptsGuard() {
    g_Scripts.items.resize(m_count);
    g_Scripts.names.resize(m_count);
  }
  int Add(const std::string &name, bool exists = true) {
    g_Scripts.items.push_back(exists ? std::make_unique<CScript>() : nullptr);
    g_Scripts.names.push_back(exists ? name : std::string());
    return g_Scripts.Count() - 1;
  }

private:
  size_t m_count = g_Scripts.items.size();
};

TEST(FunctionTable, IdsArePositionsAndTheFirstNameWins) {
  const std::string alpha = Fresh("alpha"), beta = Fresh("beta");
  const int32_t a = FunctionAdd(alpha, &RoutineA, 2);
  const int32_t b = FunctionAdd(beta, &RoutineB, -1);
  const int32_t again = FunctionAdd(alpha, &RoutineB, 5);
  EXPECT_EQ(b, a + 1);
  EXPECT_EQ(again, a + 2);
  EXPECT_EQ(FunctionCount(), a + 3);
  EXPECT_EQ(FunctionFind(alpha), a);
  EXPECT_EQ(FunctionFind(beta), b);
  EXPECT_EQ(FunctionFind(alpha + "X"), -1);
  EXPECT_EQ(FunctionFind("F" + alpha.substr(1)), -1);  // exact case
  EXPECT_EQ(FunctionFind("ftest_missing"), -1);
  EXPECT_EQ(FunctionRoutine(a), &RoutineA);
  EXPECT_EQ(FunctionEntry(again)->f_routine, &RoutineB);
  EXPECT_EQ(FunctionRoutine(FunctionCount()), nullptr);
}

TEST(FunctionTable, NamesAreCutTo64Characters) {
  const std::string longName = Fresh("") + std::string(70, 'n');
  const int32_t id = FunctionAdd(longName, &RoutineA, 0);
  EXPECT_EQ(FunctionEntry(id)->f_name.size(), 64u);
  EXPECT_EQ(FunctionFind(longName.substr(0, 64)), id);
  EXPECT_EQ(FunctionFind(longName), -1);
}

TEST(FunctionTable, ArgumentCounts) {
  const int32_t fixed = FunctionAdd(Fresh("two"), &RoutineA, 2);
  const int32_t any = FunctionAdd(Fresh("any"), &RoutineA, -1);
  struct Case {
    int32_t id;
    int32_t expected;
  };
  const Case cases[] = {
      {fixed, 2}, {any, -1}, {FunctionCount(), kArgCountInvalid}, {-1, kArgCountInvalid},
      {99999, kArgCountInvalid}, {kFunctionScriptBase, -1}, {kFunctionScriptBase + 1234, -1}, {499999, -1},
      {kFunctionExtensionBase, kArgCountInvalid},  // no extension functions installed
  };
  for (const Case &c : cases) EXPECT_EQ(FunctionArgCount(c.id), c.expected) << c.id;

  FunctionSetExtensionHooks([](std::string_view) { return int32_t{-1}; },
                            [](int32_t id) { return id == 3 ? 4 : kArgCountInvalid; });
  EXPECT_EQ(FunctionArgCount(kFunctionExtensionBase + 3), 4);
  FunctionSetExtensionHooks(nullptr, nullptr);
}

std::string g_shared, g_extOnly;

TEST(FunctionTable, ScriptsThenExtensionsThenBuiltins) {
  g_shared = Fresh("shared");
  g_extOnly = Fresh("ext_only");
  const int32_t builtin = FunctionAdd(g_shared, &RoutineA, 1);
  FunctionAdd(g_extOnly, &RoutineA, 1);
  EXPECT_EQ(FunctionFind(g_shared), builtin);

  FunctionSetExtensionHooks(
      [](std::string_view name) -> int32_t {
        if (name == g_shared) return 7;
        if (name == g_extOnly) return 8;
        return -1;
      },
      nullptr);
  EXPECT_EQ(FunctionFind(g_shared), kFunctionExtensionBase + 7);
  EXPECT_EQ(FunctionFind(g_extOnly), kFunctionExtensionBase + 8);
  {
    ScriptsGuard scripts;
    scripts.Add(g_shared, false);  // an empty slot is no script
    const int32_t index = scripts.Add(g_shared);
    scripts.Add(g_shared);
    EXPECT_EQ(FunctionFind(g_shared), kFunctionScriptBase + index);
    EXPECT_EQ(FunctionArgCount(FunctionFind(g_shared)), -1);
  }
  FunctionSetExtensionHooks(nullptr, nullptr);
  EXPECT_EQ(FunctionFind(g_shared), builtin);
}

}  // namespace
