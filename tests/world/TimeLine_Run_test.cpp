// Playing time lines: which moments each step runs, looping, negative
// speeds, the moment's event context, and the timeline_* functions.
#include <gtest/gtest.h>

#include "world/Event_Fixture.h"

namespace {

using TimeLineRun = EventFixture;

// A time line whose moment at step s notes s.
int Line(const std::vector<int32_t> &steps) {
  const int t = TimeLineAdd();
  for (int32_t s : steps) TimeLineGet(t)->AddMoment(s).AddCodeAction("note(" + std::to_string(s) + ")");
  EXPECT_TRUE(TimeLine_CompileAll());
  return t;
}

TEST_F(TimeLineRun, MomentsRunAsThePositionPassesThem) {
  const struct {
    const char *what;
    std::vector<int32_t> moments;
    double start, speed;
    bool loop;
    std::vector<std::string> perStep;
    double endPosition;
  } cases[] = {
      {"moments 0 and 10", {0, 10}, 0, 1, false,
       {"0", "", "", "", "", "", "", "", "", "", "10", "", ""}, 13},
      {"speed 2.5", {0, 1, 2, 3}, 0, 2.5, false, {"0 1 2", "3", ""}, 7.5},
      {"looping", {0, 2}, 0, 1, true, {"0", "", "2", "0", "", "2"}, 0},
      {"looping at speed 2", {1, 3}, 0, 2, true, {"1", "3", "1"}, 2},
      {"backwards", {0, 1, 2, 3}, 3, -1, false, {"3", "2", "1", "0", "", ""}, -3},
      {"backwards looping", {0, 1, 2, 3}, 1, -1, true, {"1", "0", "3", "2"}, 1},
      {"backwards by 1.5", {0, 1, 2, 3}, 3, -1.5, false, {"3 2", "1", "0"}, -1.5},
      {"started between moments", {0, 5, 6}, 4.5, 1, false, {"5", "6", ""}, 7.5},
  };
  for (const auto &tc : cases) {
    Reset();
    const int t = Line(tc.moments);
    CInstance &inst = Add(AddObject("player"));
    inst.i_timelineindex = t;
    inst.i_timelineposition = tc.start;
    inst.i_timelinespeed = tc.speed;
    inst.i_timelinerunning = true;
    inst.i_timelineloop = tc.loop;
    std::vector<std::string> ran;
    for (size_t i = 0; i < tc.perStep.size(); ++i) {
      TimeLine_StepInstance(inst);
      ran.push_back(Notes());
    }
    EXPECT_EQ(ran, tc.perStep) << tc.what;
    EXPECT_EQ(inst.i_timelineposition, tc.endPosition) << tc.what;
  }
}

TEST_F(TimeLineRun, InstancesThatDoNotPlay) {
  const int t = Line({0, 1});
  const int empty = TimeLineAdd();
  const int obj = AddObject("player");
  const struct {
    const char *what;
    void (*set)(CInstance &, int line, int empty);
  } cases[] = {
      {"not running", [](CInstance &i, int, int) { i.i_timelinerunning = false; }},
      {"speed 0", [](CInstance &i, int, int) { i.i_timelinespeed = 0; }},
      {"marked", [](CInstance &i, int, int) { i.i_marked = true; }},
      {"no time line", [](CInstance &i, int, int) { i.i_timelineindex = -1; }},
      {"missing time line", [](CInstance &i, int, int) { i.i_timelineindex = 7; }},
      {"no moments", [](CInstance &i, int, int e) { i.i_timelineindex = e; }},
  };
  for (const auto &tc : cases) {
    CInstance &inst = Add(obj);
    inst.i_timelineindex = t;
    inst.i_timelinerunning = true;
    tc.set(inst, t, empty);
    TimeLine_StepInstance(inst);
    EXPECT_EQ(Notes(), "") << tc.what;
    EXPECT_EQ(inst.i_timelineposition, 0) << tc.what;
  }
  // A pending game-state code lets the position move but runs no moment.
  CInstance &inst = Add(obj);
  inst.i_timelineindex = t;
  inst.i_timelinerunning = true;
  g_PendingCode = kPendingEnd;
  TimeLine_StepInstance(inst);
  EXPECT_EQ(Notes(), "");
  EXPECT_EQ(inst.i_timelineposition, 1);
}

TEST_F(TimeLineRun, AMomentRunsWithItsOwnContext) {
  const int first = TimeLineAdd();
  const int t = TimeLineAdd();
  g_TimeLines.names[static_cast<size_t>(t)] = "story";
  TimeLineGet(t)->AddMoment(7).AddCodeAction("note(event_object); note(event_type); note(event_number); oops += 1");
  ASSERT_TRUE(TimeLine_CompileAll());
  ASSERT_EQ(first, 0);
  CInstance &inst = Add(AddObject("reader"));
  inst.i_timelineindex = t;
  inst.i_timelinerunning = true;
  inst.i_timelineposition = 7;
  const REventContext before = g_EventContext;
  TimeLine_StepAll();
  EXPECT_EQ(Notes(), "1 100000 7");
  EXPECT_EQ(ErrorLast().rfind("ERROR in\r\naction number 1\r\nat time step 7\r\nof time line story:\r\n\r\n", 0), 0u)
      << ErrorLast();
  EXPECT_EQ(g_EventContext.object, before.object);
  EXPECT_EQ(g_EventContext.type, before.type);
}

TEST_F(TimeLineRun, TimeLineFunctions) {
  CInstance &self = Add(AddObject("director"));
  EXPECT_EQ(host.Run("return timeline_add()", &self).Real(), 0);
  EXPECT_EQ(host.Run("return timeline_get_name(0)", &self).Text(), "__newtimeline0");
  EXPECT_EQ(host.Run("return timeline_name(1)", &self).Text(), "<undefined>");
  EXPECT_EQ(host.Run("return timeline_exists(0) + timeline_exists(1) * 10", &self).Real(), 1);

  ASSERT_TRUE(host.Run("timeline_moment_add(0, 5, 'note(5)'); timeline_moment_add(0, 1, 'note(1)');"
                       "timeline_moment_add(0, 9, 'note(9)'); timeline_moment_add(0, 5, 'note(55)');"
                       "timeline_moment_clear(0, 9); timeline_moment_clear(0, 3)",
                       &self)
                  .ok);
  const CTimeLine &t = *TimeLineGet(0);
  EXPECT_EQ(t.s_step, (std::vector<int32_t>{1, 5}));
  self.i_timelineindex = 0;
  self.i_timelinerunning = true;
  self.i_timelinespeed = 10;
  TimeLine_StepInstance(self);
  EXPECT_EQ(Notes(), "1 5 55");

  host.Run("timeline_clear(0)", &self);
  EXPECT_EQ(TimeLineGet(0)->Count(), 0);
  host.Run("timeline_delete(0)", &self);
  EXPECT_FALSE(TimeLineExists(0));
  EXPECT_FALSE(ErrorOccurred());
  RunInEvent(self, "timeline_delete(0)");
  EXPECT_EQ(ErrorLast(), "ERROR in\r\naction number 1\r\nof Other Event: User Defined 15\r\nfor object director:\r\n\r\n"
                         "Trying to delete non-existing timeline.");
}

// A moment may clear itself or delete its own time line; the step ends
// without touching freed moments.
TEST_F(TimeLineRun, AMomentDeletingItsTimeLine) {
  const int t = TimeLineAdd();
  TimeLineGet(t)->AddMoment(0).AddCodeAction("timeline_moment_clear(0, 0); note('cleared')");
  TimeLineGet(t)->AddMoment(0).AddCodeAction("note('rest of the moment')");
  TimeLineGet(t)->AddMoment(2).AddCodeAction("timeline_delete(0); note('deleted')");
  TimeLineGet(t)->AddMoment(3).AddCodeAction("note('never')");
  ASSERT_TRUE(TimeLine_CompileAll());
  CInstance &inst = Add(AddObject("player"));
  inst.i_timelineindex = t;
  inst.i_timelinerunning = true;
  inst.i_timelineloop = true;
  TimeLine_StepInstance(inst);
  EXPECT_EQ(Notes(), "cleared rest of the moment");
  EXPECT_EQ(TimeLineGet(t)->s_step, (std::vector<int32_t>{2, 3}));
  inst.i_timelinespeed = 4;
  TimeLine_StepInstance(inst);
  EXPECT_EQ(Notes(), "deleted");
  EXPECT_FALSE(TimeLineExists(t));
  EXPECT_EQ(inst.i_timelineposition, 5);  // no time line left to loop
}

using TriggerRun = EventFixture;

int AddTrigger(const std::string &name, const std::string &condition) {
  auto t = std::make_unique<CTrigger>();
  t->i_name = name;
  t->i_condition = condition;
  g_Triggers.items.push_back(std::move(t));
  g_Triggers.names.emplace_back();
  return g_Triggers.Count() - 1;
}

TEST_F(TriggerRun, ConditionsFireOnRealsOfAtLeastAHalf) {
  const struct {
    const char *condition;
    bool fires;
  } cases[] = {
      {"return 1", true},          {"return 0.5", true},      {"return 0.4999", false},
      {"return -3", false},        {"return '1'", false},     {"", false},
      {"return hp < 10", true},    {"note(me); return 0", false},
  };
  for (const auto &tc : cases) AddTrigger(tc.condition, tc.condition);
  ASSERT_TRUE(Trigger_PrepareAll());
  CInstance &inst = Add(AddObject("watched"));
  inst.i_vars.SetVar(VariableIndex("hp"), 0, RValue::Real(3));
  for (int i = 0; i < static_cast<int>(std::size(cases)); ++i)
    EXPECT_EQ(Trigger_Condition(i, &inst), cases[i].fires) << cases[i].condition;
  EXPECT_EQ(Notes(), "100001");
  EXPECT_FALSE(Trigger_Condition(99, &inst));
  EXPECT_FALSE(ErrorOccurred());
}

TEST_F(TriggerRun, ErrorsInConditions) {
  AddTrigger("broken", "return missing_var");
  ASSERT_TRUE(Trigger_PrepareAll());
  CInstance &inst = Add(AddObject("watched"));
  EXPECT_FALSE(Trigger_Condition(0, &inst));
  CCode probe("return missing_var", false);
  ASSERT_TRUE(probe.Compile());
  RValue ignored;
  ASSERT_FALSE(EvaluateCode(&inst, &inst, probe, ignored));
  const std::string message = CodeErrorText();
  CodeErrorClear();
  EXPECT_EQ(ErrorLast(), "ERROR in trigger broken\r\n" + message);
  EXPECT_FALSE(ErrorAborting());

  AddTrigger("bad syntax", "return (");
  EXPECT_FALSE(Trigger_PrepareAll());
  CCode bad("return (", false);
  ASSERT_FALSE(bad.Compile());
  EXPECT_EQ(ErrorLast(), "COMPILATION ERROR in condition of trigger bad syntax\r" + CodeErrorText());
  CodeErrorClear();
  EXPECT_TRUE(ErrorAborting());
}

}  // namespace
