// The action functions called the way an action calls them, in a real room:
// the relative flag, the comparison codes and the behaviour each action
// adds to the functions it stands on.
#include <gtest/gtest.h>

#include <string>

#include "functions/Function_Action.h"
#include "functions/Function_Action_Support.h"
#include "functions/Function_Interaction.h"
#include "input/IO_Main.h"
#include "Function_Call.h"
#include "support/Room_Test_Fixture.h"
#include "world/Event_Main.h"
#include "world/Object_Main.h"
#include "world/Path_Main.h"
#include "world/Run_Main.h"

namespace {

class ActionFunctions : public RoomFixture {
protected:
  void SetUp() override {
    RoomFixture::SetUp();
    // Earlier tests may have left the table with only some families.
    if (FunctionFind("room_goto") < 0) Function_Game_Init();
    if (FunctionFind("event_inherited") < 0) Object_Main_Init();
    if (FunctionFind("path_start") < 0) Path_Main_Init();
    if (FunctionFind("action_move") < 0) Function_Action_Init();
    obj = AddObject();
    self = Add(obj, 100, 50);
    g_EventContext.relative = false;
    g_PendingCode = kPendingNone;
    g_Game = RGameState();
    g_ActionParticles.Clear();
  }
  void TearDown() override {
    g_EventContext.relative = false;
    g_PendingCode = kPendingNone;
    g_Input = RInputState();
    g_Run = RRunState();
    RoomFixture::TearDown();
  }

  // Runs setup, then the action call with the relative flag as given, then
  // answers the value of expr.
  double After(const std::string &setup, const std::string &call, bool relative, const std::string &expr) {
    EXPECT_TRUE(Run(setup, self).ok) << setup;
    g_EventContext.relative = relative;
    const RRunResult r = Run(call, self);
    g_EventContext.relative = false;
    EXPECT_TRUE(r.ok) << call << ": " << r.error;
    return Real("return " + expr + ";", self);
  }

  // The message of the last report, without the event context.
  static std::string Reported() {
    if (!ErrorOccurred()) return "";
    const std::string &text = ErrorLast();
    const size_t p = text.rfind("\r\n");
    return p == std::string::npos ? text : text.substr(p + 2);
  }

  int obj = 0;
  CInstance *self = nullptr;
};

// Relative adds the value to the current one (positions to self's), and the
// same call without it sets the value.
TEST_F(ActionFunctions, RelativeAddsAndAbsoluteSets) {
  struct Case {
    const char *setup, *call, *expr;
    double absolute, relative;
  } cases[] = {
      {"hspeed = 2;", "action_set_hspeed(3);", "hspeed", 3, 5},
      {"vspeed = 2;", "action_set_vspeed(-1);", "vspeed", -1, 1},
      {"friction = 0.25;", "action_set_friction(0.5);", "friction", 0.5, 0.75},
      {"gravity_direction = 270; gravity = 0.5;", "action_set_gravity(90, 1);", "gravity_direction", 90, 360},
      {"gravity_direction = 270; gravity = 0.5;", "action_set_gravity(90, 1);", "gravity", 1, 1.5},
      {"x = 5; y = 5;", "action_move_to(10, 20);", "x * 1000 + y", 10020, 15025},
      // Relative motion adds a vector; absolute sets direction and speed.
      {"hspeed = 0; vspeed = 2;", "action_set_motion(0, 4);", "hspeed * 1000 + vspeed", 4000, 4002},
      {"hspeed = 0; vspeed = 2;", "action_set_motion(0, 4);", "speed", 4, std::sqrt(20.0)},
      {"path_speed = 1;", "action_path_speed(2);", "path_speed", 2, 3},
      {"path_position = 0.5;", "action_path_position(0.75);", "path_position", 0.75, 1},
      {"timeline_speed = 1;", "action_set_timeline_speed(0.5);", "timeline_speed", 0.5, 1.5},
      // Time-line positions are whole steps after the addition.
      {"timeline_position = 3;", "action_set_timeline_position(2.6);", "timeline_position", 3, 6},
      // A running alarm gains the steps; one that is off starts afresh.
      {"alarm[0] = 3;", "action_set_alarm(5, 0);", "alarm[0]", 5, 8},
      {"alarm[0] = -1;", "action_set_alarm(5, 0);", "alarm[0]", 5, 5},
      {"alarm[11] = 0;", "action_set_alarm(2, 11);", "alarm[11]", 2, 2},
      {"alarm[1] = 4;", "action_set_alarm(5, 12);", "alarm[1]", 4, 4},
      // Score is rounded halves to even.
      {"score = 5;", "action_set_score(2.5);", "score", 2, 8},
      {"health = 50;", "action_set_health(-20.5);", "health", -20.5, 29.5},
      {"lives = 3;", "action_set_life(2);", "lives", 2, 5},
  };
  for (const Case &c : cases) {
    EXPECT_DOUBLE_EQ(After(c.setup, c.call, false, c.expr), c.absolute) << c.call << " absolute";
    EXPECT_DOUBLE_EQ(After(c.setup, c.call, true, c.expr), c.relative) << c.call << " relative";
  }
}

// The directions text is a keypad; the middle key stops.
TEST_F(ActionFunctions, MoveFollowsTheKeypadText) {
  EXPECT_EQ(After("direction = 90; speed = 3;", R"(action_move("000010000", 4);)", false, "speed * 1000 + direction"),
            0);
  EXPECT_EQ(After("direction = 90; speed = 3;", R"(action_move("000001000", 4);)", false, "speed * 1000 + direction"),
            4000);
  EXPECT_EQ(After("direction = 90; speed = 3;", R"(action_move("010000000", 4);)", true, "speed * 1000 + direction"),
            7270);
  EXPECT_EQ(After("direction = 90; speed = 3;", R"(action_move("000000001", 2);)", false, "direction"), 45);
  // No 1 at all: nothing changes, not even the speed.
  EXPECT_EQ(After("direction = 90; speed = 3;", R"(action_move("000000000", 4);)", false, "speed * 1000 + direction"),
            3090);
  EXPECT_EQ(Reported(), "");
  for (const char *wrong : {R"(action_move("00001000", 4);)", R"(action_move("0000100000", 4);)", "action_move(1, 4);"}) {
    ErrorReset();
    EXPECT_EQ(After("direction = 90; speed = 3;", wrong, false, "speed * 1000 + direction"), 3090) << wrong;
    EXPECT_EQ(Reported(), "Wrong argument to action_move().") << wrong;
  }
}

// Several ones: only those directions come out.
TEST_F(ActionFunctions, MovePicksOnlyMarkedDirections) {
  bool seen180 = false, seen0 = false;
  for (int i = 0; i < 200; ++i) {
    const double d = After("", R"(action_move("000101000", 1);)", false, "direction");
    ASSERT_TRUE(d == 180 || d == 0) << d;
    (d == 0 ? seen0 : seen180) = true;
  }
  EXPECT_TRUE(seen0 && seen180);
}

TEST_F(ActionFunctions, ComparisonCodes) {
  g_Game.score = 10;
  g_Game.lives = 3;
  g_Game.health = 50;
  struct Case {
    const char *call;
    double answer;
  } cases[] = {
      {"action_if_score(10, 0)", 1}, {"action_if_score(10, 1)", 0},  {"action_if_score(10, 2)", 0},
      {"action_if_score(11, 1)", 1}, {"action_if_score(9, 2)", 1},   {"action_if_score(9, 1)", 0},
      {"action_if_score(10, 7)", 1}, {"action_if_score(9, -1)", 0},  {"action_if_score(10.4, 0)", 0},
      // Reals closer than the comparison precision are equal.
      {"action_if_health(50 + 0.00000000000001, 0)", 1}, {"action_if_health(50 + 0.00000000000001, 1)", 0},
      {"action_if_health(49.5, 2)", 1},       {"action_if_life(3, 0)", 1},
      {"action_if_life(4, 2)", 0},            {"action_if_life(2.6, 0)", 0},
      // The code is rounded: 1.4 is smaller than, 1.6 larger than.
      {"action_if_score(11, 1.4)", 1},        {"action_if_score(9, 1.6)", 1},
      {"action_if_variable(2, 3, 1)", 1},     {"action_if_variable(3, 3, 0)", 1},
      {"action_if_variable(4, 3, 2)", 1},     {"action_if_variable(4, 3, 1)", 0},
      {R"(action_if_variable("abc", "abc", 0))", 1},
      {R"(action_if_variable("abc", "abd", 1))", 1},
      {R"(action_if_variable("abd", "abc", 2))", 1},
      // Strings compare by code units: capitals come first.
      {R"(action_if_variable("B", "a", 1))", 1},
      {R"(action_if_variable("abc", "ABC", 0))", 0},
      {R"(action_if_variable("ab", "abc", 1))", 1},
  };
  for (const Case &c : cases) {
    ErrorReset();
    EXPECT_EQ(Real(std::string("return ") + c.call + ";", self), c.answer) << c.call;
    EXPECT_EQ(Reported(), "") << c.call;
  }
}

TEST_F(ActionFunctions, ComparingARealWithAStringIsReported) {
  for (const char *call : {R"(action_if_variable(3, "3", 0))", R"(action_if_variable("3", 3, 1))"}) {
    ErrorReset();
    EXPECT_EQ(Real(std::string("return ") + call + ";", self), 0) << call;
    EXPECT_EQ(Reported(), "Cannot compare arguments.") << call;
  }
}

TEST_F(ActionFunctions, IfNumberCountsInstancesOfTheObjectAndItsChildren) {
  const int child = AddObject(obj);
  Add(child);
  Add(obj)->i_marked = true;  // destroyed earlier: not counted
  const std::string o = std::to_string(obj);
  EXPECT_EQ(Real("return action_if_number(" + o + ", 2, 0);", self), 1);
  EXPECT_EQ(Real("return action_if_number(" + o + ", 3, 1);", self), 1);
  EXPECT_EQ(Real("return action_if_number(" + o + ", 2, 2);", self), 0);
  EXPECT_EQ(Real("return action_if_number(" + std::to_string(child) + ", 1, 0);", self), 1);
}

TEST_F(ActionFunctions, DiceOfOneOrLessAlwaysShowsAndOfTwoAboutHalfTheTime) {
  for (const char *call : {"action_if_dice(1)", "action_if_dice(0)", "action_if_dice(-3)"})
    for (int i = 0; i < 50; ++i) ASSERT_EQ(Real(std::string("return ") + call + ";", self), 1) << call;
  int yes = 0;
  for (int i = 0; i < 2000; ++i) yes += static_cast<int>(Real("return action_if_dice(2);", self));
  EXPECT_GT(yes, 850);
  EXPECT_LT(yes, 1150);
}

TEST_F(ActionFunctions, IfMouseAsksForAButtonOrForNone) {
  EXPECT_EQ(Real("return action_if_mouse(0);", self), 1);
  EXPECT_EQ(Real("return action_if_mouse(1);", self), 0);
  g_Input.buttonDown[1] = true;  // the right button
  EXPECT_EQ(Real("return action_if_mouse(2);", self), 1);
  EXPECT_EQ(Real("return action_if_mouse(1);", self), 0);
  EXPECT_EQ(Real("return action_if_mouse(0);", self), 0);
  EXPECT_EQ(Real("return action_if_mouse(7);", self), 0);
}

// Wrapping goes only the way the instance moves, and back by the sprite's
// scaled size beyond the edge.
TEST_F(ActionFunctions, WrapFollowsTheMotionAndTheSpriteSize) {
  TestSprites()[0] = SpriteGeometry(16, 8, 0, 0);
  room->r_width = 200;
  room->r_height = 100;
  struct Case {
    const char *setup;
    int how;
    double x, y;
  } cases[] = {
      {"x = -1; y = 10; hspeed = -2;", 0, 199 + 32, 10},  // left out, moving left
      {"x = -1; y = 10; hspeed = 2;", 0, -1, 10},          // moving back in: stays
      {"x = 200; y = 10; hspeed = 2;", 0, -32, 10},
      {"x = 199; y = 10; hspeed = 2;", 0, 199, 10},
      {"x = 50; y = -1; vspeed = -1;", 1, 50, 99 + 8},
      {"x = 50; y = 100; vspeed = 1;", 1, 50, -8},
      {"x = -1; y = -1; hspeed = -1; vspeed = -1;", 0, 231, -1},
      {"x = -1; y = -1; hspeed = -1; vspeed = -1;", 1, -1, 107},
      {"x = -1; y = -1; hspeed = -1; vspeed = -1;", 2, 231, 107},
  };
  for (const Case &c : cases) {
    Run("sprite_index = 0; image_xscale = 2; image_yscale = 1; hspeed = 0; vspeed = 0;", self);
    Run(c.setup, self);
    Run("action_wrap(" + std::to_string(c.how) + ");", self);
    EXPECT_EQ(self->i_x, c.x) << c.setup << " " << c.how;
    EXPECT_EQ(self->i_y, c.y) << c.setup << " " << c.how;
  }
  // Without a sprite the margin is 0.
  Run("sprite_index = -1; x = -1; hspeed = -1; action_wrap(0);", self);
  EXPECT_EQ(self->i_x, 199);
}

TEST_F(ActionFunctions, SpriteActions) {
  TestSprites()[2] = SpriteGeometry(10, 10, 0, 0, 4);
  Run("action_set_sprite(2, 3);", self);
  EXPECT_EQ(self->i_spriteindex, 2);
  EXPECT_EQ(self->i_imagescalex, 3);
  EXPECT_EQ(self->i_imagescaley, 3);
  Run("action_set_sprite(2, 0);", self);  // 0 keeps the scales
  EXPECT_EQ(self->i_imagescalex, 3);

  Run("image_index = 2; action_sprite_set(2, -1, 0.5);", self);
  EXPECT_EQ(self->i_imageindex, 2);
  EXPECT_EQ(self->i_imagespeed, 0.5);
  Run("action_sprite_set(2, 1, 0);", self);
  EXPECT_EQ(self->i_imageindex, 1);

  ErrorReset();
  Run("action_set_sprite(9, 2);", self);
  EXPECT_EQ(Reported(), "Setting instance to non-existing sprite: 9");
  EXPECT_EQ(self->i_spriteindex, 2);
  EXPECT_EQ(self->i_imagescalex, 3);

  struct Case {
    int mirror;
    double xs, ys;
  } mirrors[] = {{0, 2, 3}, {1, -2, 3}, {2, 2, -3}, {3, -2, -3}, {4, 2, 3}};
  for (const Case &m : mirrors) {
    Run("action_sprite_transform(2, 3, 45, " + std::to_string(m.mirror) + ");", self);
    EXPECT_EQ(self->i_imagescalex, m.xs) << m.mirror;
    EXPECT_EQ(self->i_imagescaley, m.ys) << m.mirror;
    EXPECT_EQ(self->i_imageangle, 45);
  }
  Run("action_sprite_color(255, 0.25);", self);
  EXPECT_EQ(self->i_imageblend, 255u);
  EXPECT_EQ(self->i_imagealpha, 0.25);
}

TEST_F(ActionFunctions, CreatingInstances) {
  const std::string o = std::to_string(obj);
  g_EventContext.relative = true;
  Run("action_create_object(" + o + ", 5, -5);", self);
  g_EventContext.relative = false;
  Run("action_create_object_motion(" + o + ", 5, 6, 3, 90);", self);
  ASSERT_EQ(room->InstanceCount(), 3);
  EXPECT_EQ(room->InstanceAt(1)->i_x, 105);
  EXPECT_EQ(room->InstanceAt(1)->i_y, 45);
  const CInstance *moving = room->InstanceAt(2);
  EXPECT_EQ(moving->i_x, 5);
  EXPECT_EQ(moving->i_speed, 3);
  EXPECT_EQ(moving->i_direction, 90);
  EXPECT_EQ(moving->i_vspeed, -3);

  ErrorReset();
  Run("action_create_object(57, 0, 0);", self);
  EXPECT_EQ(Reported(), "Creating instance for non-existing object: 57");
  // None of the four exists: nothing, and no report.
  ErrorReset();
  Run("action_create_object_random(-1, 40, 41, 42, 0, 0);", self);
  EXPECT_EQ(Reported(), "");
  EXPECT_EQ(room->InstanceCount(), 3);

  // Only existing objects are picked.
  const int other = AddObject();
  for (int i = 0; i < 20; ++i)
    Run("action_create_object_random(-1, " + o + ", 77, " + std::to_string(other) + ", 1, 2);", self);
  ASSERT_EQ(room->InstanceCount(), 23);
  bool sawObj = false, sawOther = false;
  for (int i = 3; i < 23; ++i) {
    const int32_t made = room->InstanceAt(i)->i_objectindex;
    ASSERT_TRUE(made == obj || made == other);
    (made == obj ? sawObj : sawOther) = true;
    EXPECT_EQ(room->InstanceAt(i)->i_x, 1);
  }
  EXPECT_TRUE(sawObj && sawOther);
}

TEST_F(ActionFunctions, KillAndChange) {
  const int other = AddObject();
  CInstance *b = Add(obj);
  Run("action_change_object(" + std::to_string(other) + ", 0.5);", b);  // 0.5 rounds to 0: no events
  ASSERT_EQ(room->InstanceCount(), 3);
  EXPECT_TRUE(b->i_marked);
  EXPECT_EQ(room->InstanceAt(2)->i_objectindex, other);
  Run("action_kill_object();", self);
  EXPECT_TRUE(self->i_marked);
}

TEST_F(ActionFunctions, TimeLines) {
  Run("action_set_timeline(3, 4.5);", self);
  EXPECT_EQ(self->i_timelineindex, 3);
  EXPECT_EQ(self->i_timelineposition, 4);
  EXPECT_TRUE(self->i_timelinerunning);
  struct Case {
    const char *call;
    double position;
    bool running, loop;
  } cases[] = {
      {"action_timeline_set(1, 2.5, 0, 1);", 2, true, true},
      {"action_timeline_set(1, 3.5, 1, 0);", 4, false, false},
      {"action_timeline_set(1, 0, 0.4, 1.4);", 0, true, true},
      {"action_timeline_set(1, 0, 0.6, 0.6);", 0, false, true},
      {"action_timeline_set(1, 0, 0, 2);", 0, true, false},
  };
  for (const Case &c : cases) {
    Run(c.call, self);
    EXPECT_EQ(self->i_timelineindex, 1) << c.call;
    EXPECT_EQ(self->i_timelineposition, c.position) << c.call;
    EXPECT_EQ(self->i_timelinerunning, c.running) << c.call;
    EXPECT_EQ(self->i_timelineloop, c.loop) << c.call;
  }
  Run("action_timeline_set(1, 7, 0, 0); action_timeline_pause();", self);
  EXPECT_FALSE(self->i_timelinerunning);
  EXPECT_EQ(self->i_timelineposition, 7);
  Run("action_timeline_start();", self);
  EXPECT_TRUE(self->i_timelinerunning);
  Run("action_timeline_stop();", self);
  EXPECT_FALSE(self->i_timelinerunning);
  EXPECT_EQ(self->i_timelineposition, 0);
}

TEST_F(ActionFunctions, RoomRequests) {
  g_Rooms.items.push_back(std::make_unique<CRoom>());
  g_Rooms.names.push_back("room1");
  g_RoomOrder.push_back(1);
  EXPECT_EQ(Real("return action_if_previous_room();", self), 0);
  EXPECT_EQ(Real("return action_if_next_room();", self), 1);

  Run("action_another_room(1, 5);", self);
  EXPECT_EQ(g_PendingCode, 1);
  EXPECT_EQ(g_Run.transitionKind, 5);
  g_PendingCode = kPendingNone;
  Run("action_next_room(3);", self);
  EXPECT_EQ(g_PendingCode, 1);
  EXPECT_EQ(g_Run.transitionKind, 3);
  g_PendingCode = kPendingNone;
  Run("action_current_room(2);", self);
  EXPECT_EQ(g_PendingCode, 0);
  g_PendingCode = kPendingNone;
  // Before the first room there is nothing: a fatal error stops the game.
  ErrorReset();
  Run("action_previous_room(0);", self);
  EXPECT_EQ(g_PendingCode, kPendingAbort);
  EXPECT_EQ(Reported(), "Moving to previous room before the first room.");
  g_PendingCode = kPendingNone;
  Run("action_end_game();", self);
  EXPECT_EQ(g_PendingCode, kPendingEnd);
  Run("action_restart_game();", self);
  EXPECT_EQ(g_PendingCode, kPendingRestart);
}

TEST_F(ActionFunctions, PathActions) {
  const int p = PathAdd();
  CPath *path = PathGet(p);
  path->AddPoint(0, 0, 100);
  path->AddPoint(100, 0, 100);
  Run("action_path(" + std::to_string(p) + ", 4, 1, 0);", self);
  EXPECT_EQ(self->i_pathindex, p);
  EXPECT_EQ(self->i_pathspeed, 4);
  EXPECT_EQ(self->i_pathend, 1);
  EXPECT_EQ(self->i_x, 0);  // absolute: put on the path's start
  Run("x = 30; action_path(" + std::to_string(p) + ", 4, 0, 1);", self);
  EXPECT_EQ(self->i_x, 30);  // relative: stays where it is
  Run("action_path_position(2);", self);
  EXPECT_EQ(self->i_pathposition, 1);  // clamped
  Run("action_path_end();", self);
  EXPECT_EQ(self->i_pathindex, -1);
  g_Paths.Clear();
}

TEST_F(ActionFunctions, CaptionSettingsCountOnlyWhenTheyRoundToOne) {
  Run(R"(action_set_caption(1, "Points: ", 0.6, "Lives: ", 2, 7);)", self);
  EXPECT_EQ(Real("return show_score * 100 + show_lives * 10 + show_health;", self), 110);
  const RRunResult captions = Run("return caption_score + caption_lives + caption_health;", self);
  ASSERT_TRUE(captions.ok) << captions.error;
  EXPECT_EQ(captions.result.str.view(), "Points: Lives: 7");
}

TEST_F(ActionFunctions, IfAndPlatformQueries) {
  EXPECT_EQ(Real("return action_if(0.5);", self), 0.5);
  EXPECT_EQ(Real("return action_if(0.4) >= 0.5;", self), 0);
  EXPECT_EQ(Real(R"(return action_if("yes");)", self), 0);
  EXPECT_EQ(Real("return Kest_GetPlatform() + Kest_GetDevice() + Kest_GetTimer() + Kest_OpenURL(\"x\");", self), 0);
  const RRunResult domain = Run("return Kest_GetDomain();", self);
  EXPECT_EQ(domain.result.str.view(), "unknown");
}

TEST_F(ActionFunctions, AnEmitterMustBeCreatedBeforeItEmits) {
  for (const char *call : {"action_partemit_burst(0, 0, 10);", "action_partemit_stream(3, 1, 5);",
                           "action_partemit_burst(16, 0, 10);"}) {
    ErrorReset();
    Run(call, self);
    EXPECT_EQ(Reported(), "The particle emitter must first be created.") << call;
  }
}

TEST(ActionValues, DrawnValuesShowWholeNumbersPlainAndOthersWithTwoDecimals) {
  EXPECT_EQ(action::ValueText(RValue::Real(3)), "3");
  EXPECT_EQ(action::ValueText(RValue::Real(-12)), "-12");
  EXPECT_EQ(action::ValueText(RValue::Real(2.5)), "2.50");
  EXPECT_EQ(action::ValueText(RValue::Real(1.0 / 3)), "0.33");
  EXPECT_EQ(action::ValueText(RValue::Str(RString("text 1.5"))), "text 1.5");
}

TEST(ActionValues, HealthBarColours) {
  struct Case {
    int32_t index;
    double health;
    int32_t color;
  } cases[] = {
      {0, 0, 255},           {0, 50, 65535},        {0, 100, 65280},      {0, 150, 65280},  {0, -5, 255},
      {0, 25, 0x00FF + (0x80 << 8)},                {1, 0, 0},            {1, 50, 8421504}, {1, 100, 16777215},
      {3, 40, 8421504},      {4, 40, 12632256},     {12, 40, 255},        {17, 40, 16776960},
      {2, 40, 0},            {18, 40, 0},           {-1, 40, 0},
  };
  for (const Case &c : cases)
    EXPECT_EQ(action::HealthBarColor(c.index, c.health), c.color) << c.index << " at " << c.health;
  EXPECT_EQ(action::HealthBackColor(0), 0);
  EXPECT_EQ(action::HealthBackColor(2), 8421504);
  EXPECT_EQ(action::HealthBackColor(16), 16776960);
  EXPECT_EQ(action::HealthBackColor(17), 0);
}

}  // namespace

namespace {

// Actions reach some functions by name, in the table as it stands when they
// run: one registered later is found then, and a rebuilt table is followed.
class ActionBuiltinByName : public FunctionTest {};

RValue g_probeSeen;
void Probe(CInstance *, CInstance *, int argc, RValue *args, RValue &result) {
  g_probeSeen = args[1];
  result.SetReal(argc);
}

TEST_F(ActionBuiltinByName, FindsFunctionsRegisteredLaterAndFollowsARebuiltTable) {
  action::CBuiltin probe("zz_probe");
  RValue result = R(-1);
  EXPECT_FALSE(probe.Call(nullptr, nullptr, {R(1), R(2)}, result));
  EXPECT_EQ(result.val, -1);  // untouched while missing

  FunctionAdd("zz_probe", Probe, 2);
  ASSERT_TRUE(probe.Call(nullptr, nullptr, {R(1), S("two")}, result));
  EXPECT_EQ(result.val, 2);
  EXPECT_EQ(g_probeSeen.str.view(), "two");

  // The same name at another position after the table was rebuilt.
  FunctionTableReset();
  FunctionAdd("zz_other", Probe, 0);
  EXPECT_FALSE(probe.Available());
  FunctionAdd("zz_filler", Probe, 0);
  FunctionAdd("zz_probe", Probe, 2);
  ASSERT_TRUE(probe.Call(nullptr, nullptr, {R(5), R(6)}, result));
  EXPECT_EQ(g_probeSeen.val, 6);
}

}  // namespace
