// The actions that stand on the place, move, collision and planning
// functions, called as actions call them: one check per family that the
// action reaches its function and passes the relative option on.
#include <gtest/gtest.h>

#include <string>

#include "functions/Function_Action.h"
#include "base/Support_Random.h"
#include "world/Event_Main.h"
#include "world/Motion_Fixture.h"

namespace {

class MotionActions : public MotionFixture {
protected:
  void SetUp() override {
    MotionFixture::SetUp();
    if (FunctionFind("action_move") < 0) Function_Action_Init();
    g_EventContext.relative = false;
    Add(wall, 32, 0);        // solid, 32..47 x 0..15
    Add(blockChild, 0, 32);  // not solid, 0..15 x 32..47
  }
  void TearDown() override {
    g_EventContext.relative = false;
    MotionFixture::TearDown();
  }

  // Runs the action call (relative as given) with self at (x0, y0).
  double Act(const std::string &call, double x0, double y0, bool relative = false) {
    self->SetPosition(x0, y0);
    g_EventContext.relative = relative;
    const double r = Real("return " + call + ";", self);
    g_EventContext.relative = false;
    return r;
  }
};

TEST_F(MotionActions, QuestionsAskThePlaceFunctions) {
  struct RCase {
    std::string call;
    double x0, y0;
    bool relative;
    double expect;
  } cases[] = {
      {"action_if_empty(25, 0, 0)", 0, 0, false, 0},
      {"action_if_empty(24, 0, 0)", 0, 0, false, 1},
      {"action_if_empty(0, 30, 0)", 0, 0, false, 1},  // the block is not solid
      {"action_if_empty(0, 30, 1)", 0, 0, false, 0},
      {"action_if_empty(5, 0, 0)", 20, 0, true, 0},  // 25, 0
      {"action_if_collision(25, 0, 0)", 0, 0, false, 1},
      {"action_if_collision(0, 30, 0)", 0, 0, false, 0},
      {"action_if_collision(0, 30, 1)", 0, 0, false, 1},
      {Fill("action_if_object(#A, 0, 30)", {double(block)}), 0, 0, false, 1},
      {Fill("action_if_object(#A, 0, 10)", {double(block)}), 0, 20, true, 1},
      {Fill("action_if_object(#A, 0, 30)", {double(wall)}), 0, 0, false, 0},
      {"action_if_aligned(16, 8)", 32, 8, false, 1},
      {"action_if_aligned(16, 8)", 32, 9, false, 0},
  };
  for (const RCase &c : cases) EXPECT_EQ(Act(c.call, c.x0, c.y0, c.relative), c.expect) << c.call;
}

TEST_F(MotionActions, MovesReachTheMoveFunctions) {
  struct RCase {
    std::string call;
    double x0, y0;
    bool relative;
    double x, y;
  } cases[] = {
      {"action_move_contact(0, -1, 0)", 0, 0, false, 24, 0},
      {"action_move_contact(270, 100, 0)", 0, 0, false, 0, 100},
      {"action_move_contact(270, 100, 1)", 0, 0, false, 0, 24},
      {"action_snap(16, 16)", 37, 9, false, 32, 16},
      {"action_linear_step(100, 100, 10, 0)", 0, 100, false, 10, 100},
      {"action_linear_step(100, 0, 10, 0)", 0, 100, true, 10, 100},
  };
  for (const RCase &c : cases) {
    Act(c.call, c.x0, c.y0, c.relative);
    EXPECT_NEAR(self->i_x, c.x, 1e-9) << c.call;
    EXPECT_NEAR(self->i_y, c.y, 1e-9) << c.call;
  }

  self->SetDirection(270);
  Act("action_potential_step(0, 100, 10, 0)", 100, 100, true);
  EXPECT_NEAR(self->i_x, 100, 1e-9);
  EXPECT_NEAR(self->i_y, 110, 1e-9);

  self->SetHspeed(8);
  Act("action_bounce(0, 0)", 20, 0);  // the wall is 4 pixels ahead
  EXPECT_EQ(self->i_hspeed, -8);
  self->SetHspeed(8);
  Act("action_bounce(1, 0)", 20, 0);
  EXPECT_NEAR(self->i_hspeed, -8, 1e-9);

  Act("action_move_point(30, 40, 5)", 0, 100, true);
  EXPECT_NEAR(self->i_hspeed, 3, 1e-9);
  EXPECT_NEAR(self->i_vspeed, 4, 1e-9);

  RandomSetSeed(5);
  Act("action_move_random(8, 8)", 0, 100);
  const double x = self->i_x, y = self->i_y;
  EXPECT_EQ(static_cast<int>(x) % 8 + static_cast<int>(y) % 8, 0);
  EXPECT_EQ(Real("return place_free(x, y);", self), 1);
  RandomSetSeed(5);
  Act("action_move_random(8, 8)", 0, 100);
  EXPECT_EQ(self->i_x, x);
  EXPECT_EQ(self->i_y, y);
}

TEST_F(MotionActions, KillPositionDestroysWhatIsThere) {
  CInstance *w = room->InstanceAt(1);
  CInstance *b = room->InstanceAt(2);
  Act("action_kill_position(-60, -98)", 100, 100, true);  // 40, 2
  EXPECT_TRUE(w->i_marked);
  EXPECT_FALSE(b->i_marked);
  EXPECT_FALSE(self->i_marked);
}

}  // namespace
