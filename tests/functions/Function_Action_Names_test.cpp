// The functions the action library calls by name are all known at start-up
// and held against the built-in table: each is registered or waits, listed,
// for a subsystem still to come; anything else is reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../support/Game_Run.h"
#include "code/Code_Function.h"
#include "functions/Function_Action_Support.h"
#include "functions/Function_Init.h"
#include "runner/Runner_Wire.h"

namespace {

using Names = std::vector<std::string>;

bool Has(const Names &names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

void Nothing(CInstance *, CInstance *, int, RValue *, RValue &) {}

// Every family registered, as at start-up, in a table of its own; emptied
// afterwards, so that later fixtures register what they stand on.
class ActionNames : public ::testing::Test {
protected:
  void SetUp() override {
    FunctionTableReset();
    Runner_AddFamilies();
    Function_RegisterFamilies();
  }
  void TearDown() override { FunctionTableReset(); }
};

TEST_F(ActionNames, EveryCalledNameIsRegisteredOrListedAsWaiting) {
  const RActionNameCheck check = Action_CheckBuiltinNames();
  EXPECT_EQ(check.missing, Names{});
  EXPECT_EQ(check.listedButRegistered, Names{});
  EXPECT_EQ(check.listedButNotCalled, Names{});
  EXPECT_TRUE(check.Complete());
  // What waits is exactly the list, each name once.
  Names listed(Action_PendingBuiltinNames().begin(), Action_PendingBuiltinNames().end());
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(std::adjacent_find(listed.begin(), listed.end()), listed.end()) << "a name listed twice";
  EXPECT_EQ(check.pending, listed);
}

// The names are known without any action having run: those reached from
// every unit of the library, through plain calls and through the actions
// made from one template per kind.
TEST_F(ActionNames, NamesOfEveryUnitAreKnownBeforeAnyActionRuns) {
  const Names called = Action_CalledBuiltinNames();
  EXPECT_TRUE(std::is_sorted(called.begin(), called.end()));
  EXPECT_EQ(std::adjacent_find(called.begin(), called.end()), called.end()) << "a name twice";
  const char *const kFromEachUnit[] = {
      "move_contact_solid", "mp_potential_step",                        // motion
      "room_goto_next", "show_info", "splash_show_web",                 // control
      "sound_play", "cd_playing", "part_emitter_stream", "draw_sprite",  // media
      "show_message",                                                   // shared support
  };
  for (const char *name : kFromEachUnit) EXPECT_TRUE(Has(called, name)) << name;
}

TEST_F(ActionNames, ANameNeitherRegisteredNorListedIsMissing) {
  {
    action::CBuiltin unknown("zz_nowhere_function");
    const RActionNameCheck check = Action_CheckBuiltinNames();
    EXPECT_EQ(check.missing, Names{"zz_nowhere_function"});
    EXPECT_FALSE(check.Complete());

    // Registered later, it is no longer missing.
    FunctionAdd("zz_nowhere_function", Nothing, 0);
    EXPECT_EQ(Action_CheckBuiltinNames().missing, Names{});
  }
  // A CBuiltin that is gone no longer counts.
  EXPECT_FALSE(Has(Action_CalledBuiltinNames(), "zz_nowhere_function"));
  EXPECT_TRUE(Action_CheckBuiltinNames().Complete());
}

TEST_F(ActionNames, AListedNameThatGetsRegisteredMakesTheListStale) {
  ASSERT_FALSE(Action_PendingBuiltinNames().empty());
  const std::string listed(Action_PendingBuiltinNames().front());
  FunctionAdd(listed, Nothing, -1);
  const RActionNameCheck check = Action_CheckBuiltinNames();
  EXPECT_EQ(check.listedButRegistered, Names{listed});
  EXPECT_FALSE(Has(check.pending, listed));
  EXPECT_EQ(check.missing, Names{});
  EXPECT_FALSE(check.Complete());
}

// The runner's self-check reports the names with the hooks: the waiting ones
// as pending, none missing or stale, in a process where no action has run.
TEST(ActionNamesInTheRunner, SelfCheckListsTheWaitingNames) {
  CGameProject project(R"({"game_id": 1, "rooms": [{"name": "r", "width": 32, "height": 32}]})");
  const RGameRun run = project.Run("--self-check");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  Names pending, other;
  for (const std::string &line : run.Lines()) {
    if (line.find("action name: ") == std::string::npos) continue;
    (line.rfind("pending: action name: ", 0) == 0 ? pending : other).push_back(line);
  }
  EXPECT_EQ(other, Names{});
  for (std::string_view name : Action_PendingBuiltinNames())
    EXPECT_TRUE(Has(pending, "pending: action name: " + std::string(name))) << name;
  EXPECT_EQ(pending.size(), Action_PendingBuiltinNames().size());
}

}  // namespace
