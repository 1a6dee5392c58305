// Dispatching an event to many instances: an event that changes objects,
// parents or events meanwhile decides what the instances after it run.
#include <gtest/gtest.h>

#include <string>

#include "functions/Function_Math.h"
#include "support/Room_Test_Fixture.h"
#include "world/Event_Class.h"
#include "world/Object_Class.h"
#include "world/Object_Lists.h"
#include "world/Object_Main.h"
#include "world/Run_Main.h"

namespace {

class StepDispatch : public RoomFixture {
protected:
  void SetUp() override {
    RoomFixture::SetUp();
    g_PendingCode = kPendingNone;
    if (FunctionFind("object_event_add") < 0) Object_Main_Init();
    if (FunctionFind("string") < 0) Function_Math_Init();
  }
  void TearDown() override {
    g_PendingCode = kPendingNone;
    RoomFixture::TearDown();
  }

  static void OnStep(int obj, const std::string &code) {
    CEvent *ev = ObjectGet(obj)->CreateEvent(3, 0);
    ev->AddCodeAction(code);
    ASSERT_TRUE(ev->Compile());
    Object_BuildEventLists();
  }
};

// Object 0 is the parent, 1 its child with three instances and no step
// event of its own, 2 an unrelated object with a step event and no
// instances. The first child to run its (inherited) step event makes the
// change; the two after it must run what the objects are then.
TEST_F(StepDispatch, LaterInstancesRunTheEventAsAnEarlierOneChangedIt) {
  struct Case {
    const char *name;
    const char *change;
    const char *log;
  };
  const Case cases[] = {
      {"own event added over the inherited one",
       R"(object_event_add(1, ev_step, ev_step_normal, 'global.log += "own ";');)", "parent own own "},
      {"the parent's event cleared", "object_event_clear(0, ev_step, ev_step_normal);", "parent "},
      {"the parent removed", "object_set_parent(1, -1);", "parent "},
      {"another parent set", "object_set_parent(1, 2);", "parent other other "},
      {"the parent deleted", "object_delete(0);", "parent "},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    RunRoom_FreeAll();
    room = RunRoom_Make(0);
    Room_SetCurrent(0);
    g_Objects.Clear();
    const int parent = AddObject(), child = AddObject(parent), other = AddObject();
    OnStep(parent, std::string(R"(global.log += "parent "; if (global.done == 0) { global.done = 1; )") + c.change + " }");
    OnStep(other, R"(global.log += "other ";)");
    for (int i = 0; i < 3; ++i) Add(child, 10.0 * i, 0);
    ASSERT_TRUE(Run(R"(global.log = ""; global.done = 0;)").ok);
    RunStep();
    const RRunResult r = Run("return global.log;");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.result.str.str(), c.log);
  }
}

// An instance created by an event of its own object's list joins the list
// past the count the walk started with: it gets its first such event in the
// next step, in every phase that walks the lists.
TEST_F(StepDispatch, InstancesCreatedDuringADispatchWaitForTheNextStep) {
  const struct {
    const char *name;
    int type, number;
  } phases[] = {{"begin step", 3, 1}, {"step", 3, 0}, {"end step", 3, 2}};
  for (const auto &p : phases) {
    SCOPED_TRACE(p.name);
    RunRoom_FreeAll();
    room = RunRoom_Make(0);
    Room_SetCurrent(0);
    g_Objects.Clear();
    const int spawner = AddObject();
    CEvent *ev = ObjectGet(spawner)->CreateEvent(p.type, p.number);
    ev->AddCodeAction("global.runs += 1; if (global.runs == 1) instance_create(0, 0, " + std::to_string(spawner) + ");");
    ASSERT_TRUE(ev->Compile());
    Object_BuildEventLists();
    Add(spawner);
    ASSERT_TRUE(Run("global.runs = 0;").ok);
    RunStep();
    EXPECT_EQ(Run("return global.runs;").result.val, 1) << "the new instance waits";
    RunStep();
    EXPECT_EQ(Run("return global.runs;").result.val, 3) << "both run in the next step";
  }
}

}  // namespace
