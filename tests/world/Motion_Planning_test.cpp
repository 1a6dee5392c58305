// Straight-line and potential-field planning in a room with walls: single
// steps, whole planned paths, and plans that cannot succeed.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "world/Motion_Fixture.h"

namespace {

class MotionPlanning : public MotionFixture {
protected:
  // A new path holding one old point, so that filling it shows.
  int NewPath() {
    const int p = PathAdd();
    PathGet(p)->AddPoint(-1, -1, 50);
    return p;
  }
  // Whether every point of the path is a free place for self (which is put
  // back).
  bool PathAvoidsSolids(const CPath &path) {
    const double x = self->i_x, y = self->i_y;
    bool ok = true;
    for (const RWayPoint &p : path.i_points) {
      self->SetPosition(p.x, p.y);
      ok = ok && Real("return place_free(x, y);", self) == 1;
    }
    self->SetPosition(x, y);
    return ok;
  }
};

TEST_F(MotionPlanning, LinearStepMovesWhenTheStepEndIsFree) {
  Add(wall, 64, 0);        // solid, 64..79 x 0..15
  Add(blockChild, 0, 40);  // not solid, 0..15 x 40..55
  struct RStep {
    std::string code;
    double x0, y0;
    double result, x, y, direction;
  } steps[] = {
      {"return mp_linear_step(100, 0, 10, 0);", 0, 0, 0, 10, 0, 0},
      {"return mp_linear_step(0, -100, 10, 0);", 0, 0, 0, 0, -10, 90},
      {"return mp_linear_step(30, 40, 10, 0);", 0, 0, 0, 6, 8, 360 - std::atan2(8, 6) * 180 / M_PI},
      {"return mp_linear_step(5, 0, 10, 0);", 0, 0, 1, 5, 0, 0},
      {"return mp_linear_step(0, 0, 10, 0);", 0, 0, 1, 0, 0, 77},  // already there
      // The goal is within reach but taken by the wall: reached, not moved.
      {"return mp_linear_step(60, 0, 10, 0);", 50, 0, 1, 50, 0, 77},
      {"return mp_linear_step(100, 0, 10, 0);", 50, 0, 0, 50, 0, 77},
      // The block is no obstacle unless every instance counts.
      {"return mp_linear_step(0, 100, 10, 0);", 0, 30, 0, 0, 40, 270},
      {"return mp_linear_step(0, 100, 10, 1);", 0, 30, 0, 0, 30, 77},
      {Fill("return mp_linear_step_object(0, 100, 10, #A);", {double(block)}), 0, 30, 0, 0, 30, 77},
      {Fill("return mp_linear_step_object(0, 100, 10, #A);", {double(wall)}), 0, 30, 0, 0, 40, 270},
      {"return mp_linear_step_object(0, 100, 10, all);", 0, 30, 0, 0, 30, 77},
      {"return mp_linear_step_object(0, 100, 10, self);", 0, 30, 0, 0, 40, 270},
  };
  for (const RStep &s : steps) {
    self->SetPosition(s.x0, s.y0);
    self->SetDirection(77);
    EXPECT_EQ(Real(s.code, self), s.result) << s.code;
    EXPECT_NEAR(self->i_x, s.x, 1e-9) << s.code;
    EXPECT_NEAR(self->i_y, s.y, 1e-9) << s.code;
    EXPECT_NEAR(self->i_direction, s.direction, 1e-9) << s.code;
  }
}

TEST_F(MotionPlanning, LinearPathPlansWithoutMovingTheInstance) {
  Add(wall, 64, 96);
  const int p = NewPath();
  self->SetPosition(0, 100);
  self->SetDirection(123);
  self->SetSpeed(2);
  const double direction = self->i_direction, hspeed = self->i_hspeed, vspeed = self->i_vspeed;

  EXPECT_EQ(Real(Fill("return mp_linear_path(#A, 50, 100, 10, 0);", {double(p)}), self), 1);
  const CPath &path = *PathGet(p);
  ASSERT_EQ(path.Count(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(path.i_points[static_cast<size_t>(i)].x, 10 * i);
    EXPECT_EQ(path.i_points[static_cast<size_t>(i)].y, 100);
    EXPECT_EQ(path.i_points[static_cast<size_t>(i)].speed, 100);
  }
  EXPECT_EQ(path.i_kind, CPath::kStraight);
  EXPECT_FALSE(path.i_closed);
  EXPECT_EQ(path.i_length, 50);
  EXPECT_EQ(self->i_x, 0);
  EXPECT_EQ(self->i_y, 100);
  EXPECT_EQ(self->i_bbox.left, 0);
  EXPECT_EQ(self->i_direction, direction);
  EXPECT_EQ(self->i_hspeed, hspeed);  // exactly, not as derived again
  EXPECT_EQ(self->i_vspeed, vspeed);

  // Blocked by the wall: the plan ends where the way ends, without the goal.
  EXPECT_EQ(Real(Fill("return mp_linear_path(#A, 100, 100, 10, 0);", {double(p)}), self), 0);
  ASSERT_EQ(path.Count(), 6);
  EXPECT_EQ(path.i_points.back().x, 50);
  EXPECT_EQ(self->i_x, 0);

  // No step at all leaves the path as it was.
  EXPECT_EQ(Real(Fill("return mp_linear_path(#A, 100, 100, 0, 0);", {double(p)}), self), 0);
  EXPECT_EQ(path.Count(), 6);
}

TEST_F(MotionPlanning, PlanningIntoAMissingPathIsReported) {
  const std::string calls[] = {
      "return mp_linear_path(7, 50, 0, 10, 0);",
      "return mp_linear_path_object(7, 50, 0, 10, all);",
      "return mp_potential_path(-1, 50, 0, 10, 4, 0);",
      "return mp_potential_path_object(7, 50, 0, 10, 4, all);",
  };
  for (const std::string &code : calls) {
    ErrorReset();
    EXPECT_EQ(Real(code, self), 0) << code;
    EXPECT_TRUE(ErrorLast().ends_with("Trying to assign to a non-existing path.")) << code << ": " << ErrorLast();
    EXPECT_EQ(self->i_x, 0);
  }
}

// A wall of solid squares across the way from (0, 100) to (100, 104).
class PotentialPlanning : public MotionPlanning {
protected:
  void SetUp() override {
    MotionPlanning::SetUp();
    for (int y = 64; y < 144; y += 16) Add(wall, 40, y);
    self->SetPosition(0, 100);
  }
};

TEST_F(PotentialPlanning, StepsGoAroundTheWall) {
  int steps = 0;
  while (Real("return mp_potential_step(100, 104, 4, 0);", self) == 0 && steps < 500) {
    ++steps;
    ASSERT_EQ(Real("return place_free(x, y);", self), 1) << "inside the wall after " << steps << " steps";
  }
  EXPECT_LT(steps, 500);
  EXPECT_EQ(self->i_x, 100);
  EXPECT_EQ(self->i_y, 104);
  // It went round, not through: somewhere beyond the wall's ends.
  EXPECT_GT(steps, 30);
}

TEST_F(PotentialPlanning, AGoalBehindTheWallWithinReachIsReachedWithoutMoving) {
  self->SetPosition(28, 100);
  EXPECT_EQ(Real("return mp_potential_step(36, 100, 10, 0);", self), 1);
  EXPECT_EQ(self->i_x, 28);
  // Far away and blocked straight ahead: a turn, not a step into the wall.
  EXPECT_EQ(Real("return mp_potential_step(100, 100, 4, 0);", self), 0);
  EXPECT_EQ(Real("return place_free(x, y);", self), 1);
}

TEST_F(PotentialPlanning, PathGoesAroundTheWallAndLeavesTheInstance) {
  const int p = NewPath();
  self->SetDirection(10);
  EXPECT_EQ(Real(Fill("return mp_potential_path(#A, 100, 104, 4, 4, 0);", {double(p)}), self), 1);
  const CPath &path = *PathGet(p);
  ASSERT_GE(path.Count(), 3);
  EXPECT_EQ(path.i_points.front().x, 0);
  EXPECT_EQ(path.i_points.front().y, 100);
  EXPECT_EQ(path.i_points.back().x, 100);
  EXPECT_EQ(path.i_points.back().y, 104);
  EXPECT_FALSE(path.i_closed);
  EXPECT_LE(path.i_length, 4 * std::hypot(100, 4) + 4);
  EXPECT_TRUE(PathAvoidsSolids(path));
  EXPECT_EQ(self->i_x, 0);
  EXPECT_EQ(self->i_y, 100);
  EXPECT_EQ(self->i_direction, 10);

  // A budget of 1.2 times the straight way is not enough to go round.
  EXPECT_EQ(Real(Fill("return mp_potential_path(#A, 100, 104, 4, 1.2, 0);", {double(p)}), self), 0);
  EXPECT_NE(path.i_points.back().x, 100);
  EXPECT_GT(path.i_length, 1.2 * std::hypot(100, 4));
  // A factor below 1 or no step plans nothing.
  EXPECT_EQ(Real(Fill("return mp_potential_path(#A, 100, 104, 4, 0.9, 0);", {double(p)}), self), 0);
  EXPECT_EQ(Real(Fill("return mp_potential_path(#A, 100, 104, 0, 4, 0);", {double(p)}), self), 0);
}

TEST_F(MotionPlanning, PotentialPathFailsWhenShutIn) {
  // A ring of solid squares around a 16 x 16 hole at (100, 100).
  for (int y = 84; y <= 116; y += 16)
    for (int x = 84; x <= 116; x += 16)
      if (x != 100 || y != 100) Add(wall, x, y);
  self->SetPosition(104, 104);
  const int p = NewPath();
  struct RCase {
    const char *settings;
    int32_t maxPoints;  // how long the failed plan may get; 0: the length decides
  } cases[] = {
      // Nothing can move: it turns on the spot a whole turn, then gives up.
      {"mp_potential_settings(30, 10, 3, 1);", 20},
      {"mp_potential_settings(1, 10, 3, 1);", 370},
      {"mp_potential_settings(30, 10, 3, 0);", 5},
      // Looking only one step ahead it can wander about inside the hole:
      // the plan ends once its length passes ten times the distance.
      {"mp_potential_settings(30, 10, 1, 1);", 0},
  };
  const double budget = 10 * std::hypot(300 - 104, 300 - 104);
  for (const RCase &c : cases) {
    ASSERT_TRUE(Run(c.settings, self).ok);
    EXPECT_EQ(Real(Fill("return mp_potential_path(#A, 300, 300, 4, 10, 0);", {double(p)}), self), 0) << c.settings;
    const CPath &path = *PathGet(p);
    EXPECT_GE(path.Count(), 2) << c.settings;
    if (c.maxPoints > 0) {
      EXPECT_LE(path.Count(), c.maxPoints) << c.settings;
      EXPECT_EQ(path.i_length, 0) << c.settings;
    } else {
      EXPECT_GT(path.i_length, budget) << c.settings;
      EXPECT_LE(path.i_length, budget + 4) << c.settings;
    }
    EXPECT_TRUE(PathAvoidsSolids(path)) << c.settings;
    EXPECT_EQ(self->i_x, 104);
    EXPECT_EQ(self->i_y, 104);
  }
}

}  // namespace
