// The collision phase: which instances meet, which events run with which
// self and other, and how solid instances are kept apart.
#include <gtest/gtest.h>

#include <string>

#include "functions/Function_Math.h"
#include "support/Room_Test_Fixture.h"
#include "world/Event_Class.h"
#include "world/Object_Class.h"
#include "world/Object_Lists.h"
#include "world/Run_Handle_Collision.h"
#include "world/Run_Main.h"

namespace {

// Every object uses sprite 0: a solid 10 x 10 square with its origin at the
// top left. Collision events log "self>other " by instance number (id less
// 100000) in global.log.
class CollisionPhase : public RoomFixture {
protected:
  void SetUp() override {
    RoomFixture::SetUp();
    g_PendingCode = kPendingNone;
    if (FunctionFind("room_goto") < 0) Function_Game_Init();
    if (FunctionFind("string") < 0) Function_Math_Init();
    TestMaskSprite(0, std::vector<std::string>(10, std::string(10, '#')), 0, 0);
  }
  void TearDown() override {
    g_PendingCode = kPendingNone;
    RoomFixture::TearDown();
  }

  int Object(bool solid, int parent = -1) {
    const int obj = AddObject(parent, 0);
    ObjectGet(obj)->o_solid = solid;
    return obj;
  }

  static constexpr const char *kLogMeeting =
      R"(global.log += string(id - 100000) + ">" + string(other.id - 100000) + " ";)";

  static void OnCollision(int obj, int with, const std::string &code = kLogMeeting) {
    CEvent *ev = ObjectGet(obj)->CreateEvent(kEventCollision, with);
    ev->AddCodeAction(code);
    ASSERT_TRUE(ev->Compile());
    Object_BuildEventLists();
  }

  // An instance that was at (px, py) when the step began and is now at (x, y).
  CInstance *Moved(int obj, double px, double py, double x, double y) {
    CInstance *inst = Add(obj, x, y);
    inst->i_xprevious = px;
    inst->i_yprevious = py;
    inst->SetHspeed(x - px);
    inst->SetVspeed(y - py);
    return inst;
  }

  std::string Log() {
    const RRunResult r = Run("return global.log;");
    EXPECT_TRUE(r.ok) << r.error;
    return r.result.str.str();
  }
  void ClearLog() { ASSERT_TRUE(Run(R"(global.log = "";)").ok); }
};

TEST_F(CollisionPhase, SolidInstancesMovingIntoEachOtherEndTheStepWhereTheyWere) {
  for (bool solid : {true, false}) {
    SCOPED_TRACE(solid ? "solid" : "not solid");
    RunRoom_FreeAll();
    room = RunRoom_Make(0);
    Room_SetCurrent(0);
    g_Objects.Clear();
    const int a = Object(solid), b = Object(false);
    OnCollision(a, b, "x = x;");  // an event that changes nothing
    CInstance *ia = Add(a, 100, 100), *ib = Add(b, 115, 100);
    ia->SetHspeed(5);
    ib->SetHspeed(-5);
    ia->i_pathposition = ia->i_pathpositionprevious = 0.25;
    RunStep();
    EXPECT_EQ(ia->i_x, solid ? 100 : 105);
    EXPECT_EQ(ib->i_x, solid ? 115 : 110);
    EXPECT_EQ(ia->i_xprevious, 100);
    EXPECT_EQ(ia->i_pathposition, 0.25);
  }
}

TEST_F(CollisionPhase, OnlyTheObjectWithTheEventRunsItButSolidMovesBoth) {
  const int a = Object(false), b = Object(true);
  OnCollision(a, b);
  CInstance *ia = Moved(a, 100, 100, 105, 100);
  CInstance *ib = Moved(b, 115, 100, 110, 100);
  ia->i_pathposition = 0.5;
  ia->i_pathpositionprevious = 0.3;
  ClearLog();
  Run_HandleCollisions();
  EXPECT_EQ(Log(), "1>2 ");
  // Put back, moved again into each other, put back again.
  EXPECT_EQ(ia->i_x, 100);
  EXPECT_EQ(ib->i_x, 115);
  EXPECT_EQ(ia->i_pathposition, 0.3);
  EXPECT_EQ(ia->i_bbox.left, 100) << "the box follows the position";
}

TEST_F(CollisionPhase, AfterTheEventsSolidInstancesTryTheirStepAgain) {
  const int a = Object(true), b = Object(false);
  OnCollision(a, b, "hspeed = 0;");  // a stops; b's step no longer meets it
  CInstance *ia = Moved(a, 100, 100, 105, 100);
  CInstance *ib = Moved(b, 115, 100, 110, 100);
  Run_HandleCollisions();
  EXPECT_EQ(ia->i_x, 100);
  EXPECT_EQ(ib->i_x, 110);
}

TEST_F(CollisionPhase, NonSolidInstancesStayAndBothEventsSeeSelfAndOther) {
  const int a = Object(false), b = Object(false);
  OnCollision(a, b);
  OnCollision(b, a);
  CInstance *ia = Moved(a, 100, 100, 105, 100);
  CInstance *ib = Moved(b, 115, 100, 110, 100);
  Add(b, 300, 300);  // far away: meets nothing
  ClearLog();
  Run_HandleCollisions();
  EXPECT_EQ(Log(), "1>2 2>1 ");
  EXPECT_EQ(ia->i_x, 105);
  EXPECT_EQ(ib->i_x, 110);
}

TEST_F(CollisionPhase, EventsAreInheritedFromParentsOnBothSides) {
  const int parent = Object(false), other = Object(false);
  const int child = Object(false, parent);
  OnCollision(parent, other);  // the child inherits this one
  OnCollision(other, parent);  // and meets it as a parent's descendant
  Add(child, 100, 100);
  Add(other, 105, 105);
  ClearLog();
  Run_HandleCollisions();
  // The pair is (other, child) in object order, so other's instance is A.
  EXPECT_EQ(Log(), "2>1 1>2 ");
}

TEST_F(CollisionPhase, InstancesOfOneObjectMeetEachOtherOnceAndMarkedOnesNever) {
  const int obj = Object(false);
  OnCollision(obj, obj);
  for (int i = 0; i < 3; ++i) Add(obj, 100 + i, 100);
  ClearLog();
  Run_HandleCollisions();
  EXPECT_EQ(Log(), "1>2 2>1 1>3 3>1 2>3 3>2 ");

  room->InstanceAt(1)->i_marked = true;
  ClearLog();
  Run_HandleCollisions();
  EXPECT_EQ(Log(), "1>3 3>1 ");
}

TEST_F(CollisionPhase, EventsThatDestroyOrCreateInstancesEndTheWalkSafely) {
  const int obj = Object(false);
  OnCollision(obj, obj, std::string(kLogMeeting) + "with (other) instance_destroy();");
  for (int i = 0; i < 3; ++i) Add(obj, 100, 100);
  ClearLog();
  Run_HandleCollisions();
  // 1 destroys 2, whose event still runs and destroys 1; 3 is left with no
  // one to meet.
  EXPECT_EQ(Log(), "1>2 2>1 ");
  EXPECT_TRUE(room->InstanceAt(0)->i_marked);
  EXPECT_FALSE(room->InstanceAt(2)->i_marked);

  // Every meeting creates another instance on the spot. The lists are
  // counted as each walk starts, so the new ones join only the walks that
  // start after them: 2 meet (2 new), then the second meets both (4 new).
  RunRoom_FreeAll();
  room = RunRoom_Make(0);
  Room_SetCurrent(0);
  g_Objects.Clear();
  const int breeder = Object(false);
  OnCollision(breeder, breeder, "instance_create(x, y, object_index);");
  Add(breeder, 100, 100);
  Add(breeder, 100, 100);
  Run_HandleCollisions();
  EXPECT_EQ(room->InstanceCount(), 8);
}

TEST_F(CollisionPhase, APendingRoomChangeEndsThePhase) {
  const int obj = Object(false);
  OnCollision(obj, obj, std::string(kLogMeeting) + "room_goto(0);");
  for (int i = 0; i < 3; ++i) Add(obj, 100, 100);
  ClearLog();
  Run_HandleCollisions();
  EXPECT_EQ(Log(), "1>2 ");
}

TEST_F(CollisionPhase, TheMouseIsOnAnInstanceWhereItsMaskIsSet) {
  TestMaskSprite(1, {"#.", ".#"}, 0, 0);
  const int obj = AddObject(-1, 1);
  CEvent *ev = ObjectGet(obj)->CreateEvent(6, 3);  // mouse, no button
  ev->AddCodeAction(R"(global.log += "on ";)");
  ASSERT_TRUE(ev->Compile());
  Object_BuildEventLists();
  Add(obj, 100, 100);
  static double s_x, s_y;
  RRunHooks hooks;
  hooks.mousePosition = [](double &x, double &y) {
    x = s_x;
    y = s_y;
  };
  Run_SetHooks(hooks);
  const struct {
    double x, y;
    const char *log;
  } cases[] = {{100, 100, "on "}, {101.2, 101, "on "}, {101, 100, ""}, {99, 100, ""}};
  for (const auto &c : cases) {
    s_x = c.x;
    s_y = c.y;
    ClearLog();
    RunStep();
    EXPECT_EQ(Log(), c.log) << c.x << "," << c.y;
  }
  Run_SetHooks(RRunHooks{});
}

}  // namespace
