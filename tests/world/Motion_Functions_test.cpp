// The place, move, collision and distance functions in a room of masked
// instances: what each finds, where each leaves the instance, and that the
// questions leave it where it was.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "base/Support_Random.h"
#include "world/Motion_Fixture.h"

namespace {

using MotionFunctions = MotionFixture;

struct RCase {
  std::string code;
  double expect;
};

TEST_F(MotionFunctions, PlaceQuestionsLookAtTheMovedSelfAndPutItBack) {
  CInstance *w = Add(wall, 32, 0);     // solid, 32..47 x 0..15
  CInstance *b = Add(blockChild, 0, 32);  // not solid, 0..15 x 32..47
  Add(shape, 64, 0);                    // solid L: 64..67 x 0..3, set on x = 64 and y = 3 only
  CInstance *gone = Add(wall, 0, 100);
  gone->i_marked = true;
  const RRect box = self->i_bbox;

  const RCase cases[] = {
      {"return place_free(24, 0);", 1},  // touching the wall's edge is not meeting it
      {"return place_free(25, 0);", 0},
      {"return place_free(0, 30);", 1},  // the block is not solid
      {"return place_empty(0, 30);", 0},
      {"return place_empty(0, 24);", 1},
      {"return place_free(0, 100);", 1},  // a destroyed wall is not there
      // The mover's top-left pixel lands on an empty part of the L's box.
      {"return place_free(65, -7);", 1},
      {"return place_free(65, -4);", 0},  // now its bottom row meets the L's bottom row
      {Fill("return place_meeting(25, 0, #A);", {double(wall)}), 1},
      {Fill("return place_meeting(25, 0, #A);", {double(block)}), 0},
      {Fill("return place_meeting(0, 30, #A);", {double(block)}), 1},  // through the child
      {Fill("return place_meeting(0, 30, #A);", {double(b->i_id)}), 1},
      {Fill("return place_meeting(25, 0, #A);", {double(b->i_id)}), 0},
      {"return place_meeting(25, 0, all);", 1},
      {"return place_meeting(0, 0, self);", 0},  // never meets itself
      {"return place_meeting(25, 0, other);", 1},
      {"return place_meeting(0, 30, other);", 0},
  };
  for (const RCase &c : cases) {
    EXPECT_EQ(With(c.code, w), c.expect) << c.code;
    EXPECT_EQ(self->i_x, 0) << c.code;
    EXPECT_EQ(self->i_y, 0) << c.code;
    EXPECT_EQ(self->i_bbox.right, box.right) << c.code;
  }
}

TEST_F(MotionFunctions, CollisionFunctionsFindTheFirstMatchingInstance) {
  self->SetPosition(200, 200);
  CInstance *a = Add(block, 0, 0);
  CInstance *b = Add(blockChild, 40, 0);
  CInstance *l = Add(shape, 100, 100);  // mask on x = 100 and y = 103 only
  const double noone = -4;
  const double A = a->i_id, B = b->i_id, L = l->i_id, S = self->i_id;
  const RCase cases[] = {
      {"return collision_point(5, 5, all, 0, 0);", A},
      {"return collision_point(45, 5, all, 1, 0);", B},
      {Fill("return collision_point(45, 5, #A, 0, 0);", {double(block)}), B},
      {Fill("return collision_point(5, 5, #A, 0, 0);", {double(blockChild)}), noone},
      {Fill("return collision_point(45, 5, #A, 0, 0);", {A}), noone},
      {"return collision_point(16, 5, all, 0, 0);", noone},  // just past the box
      {"return collision_point(202, 202, all, 0, 0);", S},
      {"return collision_point(202, 202, all, 0, 1);", noone},  // notme
      {"return collision_point(202, 202, self, 0, 0);", S},
      // In the L's box but off its mask: only the box test sees it.
      {"return collision_point(102, 101, all, 0, 0);", L},
      {"return collision_point(102, 101, all, 1, 0);", noone},
      {"return collision_point(102, 103, all, 1, 0);", L},
      {"return collision_rectangle(10, 10, 50, 12, all, 0, 0);", A},
      {Fill("return collision_rectangle(50, 12, 10, 10, #A, 0, 0);", {B}), B},  // corners in any order
      {"return collision_rectangle(101, 100, 103, 102, all, 0, 0);", L},
      {"return collision_rectangle(101, 100, 103, 102, all, 1, 0);", noone},
      {"return collision_ellipse(16, 16, 40, 40, all, 0, 0);", noone},  // the corners lie outside
      {"return collision_ellipse(10, 10, 44, 44, all, 0, 0);", A},
      {"return collision_circle(28, 28, 11, all, 1, 0);", noone},
      {"return collision_circle(28, 28, 19, all, 1, 0);", A},
      {"return collision_line(-10, 8, 100, 8, all, 0, 0);", A},
      {Fill("return collision_line(-10, 8, 100, 8, #A, 0, 0);", {double(blockChild)}), B},
      {"return collision_line(20, -5, 30, 50, all, 0, 0);", noone},  // between the two blocks
      {"return collision_line(90, 90, 110, 110, all, 1, 0);", L},
  };
  for (const RCase &c : cases) EXPECT_EQ(With(c.code, self), c.expect) << c.code;
}

TEST_F(MotionFunctions, ContactMovesStopBeforeContact) {
  Add(wall, 32, 0);
  Add(block, 0, 32);
  struct RMove {
    std::string code;
    double x0, y0;  // where the mover starts
    double x, y;    // where it ends
  } moves[] = {
      {"move_contact_solid(0, 0);", 0, 0, 24, 0},
      {"move_contact_solid(0, 10);", 0, 0, 10, 0},
      {"move_contact_solid(0, 10.5);", 0, 0, 10, 0},  // halves round to even
      {"move_contact_solid(0, -1);", 0, 0, 24, 0},
      {"move_contact_solid(180, 0);", 40, 0, 40, 0},  // already meeting the wall: nothing
      {"move_contact_solid(270, 0);", 0, 0, 0, 1000},  // the block is not solid: 1000 at most
      {"move_contact_all(270, 0);", 0, 0, 0, 24},
      {"move_contact(0);", 0, 0, 24, 0},
      {"move_contact(180);", 28, 4, 24, 4},  // inside: out, backwards
      {"move_outside_solid(180, 0);", 28, 4, 24, 4},
      {"move_outside_solid(180, 2);", 28, 4, 26, 4},
      {"move_outside_solid(180, 0);", 0, 4, 0, 4},  // not inside: nothing
      {"move_outside_all(90, 0);", 4, 30, 4, 24},
      {"move_outside_solid(90, 0);", 4, 30, 4, 30},
  };
  for (const RMove &m : moves) {
    self->SetPosition(m.x0, m.y0);
    EXPECT_TRUE(Run(m.code, self).ok) << m.code;
    EXPECT_NEAR(self->i_x, m.x, 1e-9) << m.code;
    EXPECT_NEAR(self->i_y, m.y, 1e-9) << m.code;
  }
}

// A wall of solid squares down the column x = 64..79, the mover left of it.
class BounceFunctions : public MotionFixture {
protected:
  void SetUp() override {
    MotionFixture::SetUp();
    for (int y = 0; y < 160; y += 16) Add(wall, 64, y);
  }
};

TEST_F(BounceFunctions, SimpleBounceReversesTheBlockedSpeeds) {
  struct RBounce {
    const char *name;
    double x, y, hs, vs;
    double wantHs, wantVs;
  } cases[] = {
      {"into the wall", 56, 40, 4, 0, -4, 0},
      {"slanting into the wall", 56, 40, 4, 3, -4, 3},
      {"along the wall", 56, 40, 0, 4, 0, 4},
      {"away from the wall", 56, 40, -4, 2, -4, 2},
      // Past the wall's bottom corner: each speed alone is free, both are not.
      {"onto a corner", 56, 166, 4, -8, -4, 8},
  };
  for (const RBounce &c : cases) {
    self->SetPosition(c.x, c.y);
    self->SetHspeed(c.hs);
    self->SetVspeed(c.vs);
    EXPECT_TRUE(Run("move_bounce_solid(0);", self).ok);
    EXPECT_NEAR(self->i_hspeed, c.wantHs, 1e-9) << c.name;
    EXPECT_NEAR(self->i_vspeed, c.wantVs, 1e-9) << c.name;
    EXPECT_EQ(self->i_x, c.x) << c.name;
  }
  // move_bounce is the same as against solids; against all sees the block.
  const int plain = AddObject(-1, kSquare16);
  Add(plain, 56, 200);
  self->SetPosition(56, 190);
  self->SetHspeed(0);
  self->SetVspeed(4);
  EXPECT_TRUE(Run("move_bounce(0);", self).ok);
  EXPECT_EQ(self->i_vspeed, 4);
  EXPECT_TRUE(Run("move_bounce_all(0);", self).ok);
  EXPECT_EQ(self->i_vspeed, -4);
}

TEST_F(BounceFunctions, AdvancedBounceMirrorsTheDirection) {
  struct RBounce {
    const char *name;
    double x, y, direction, speed;
    double want;
  } cases[] = {
      {"head on", 56, 40, 0, 4, 180},
      {"at 40 degrees", 56, 80, 40, 4, 140},
      {"at 320 degrees", 56, 80, 320, 4, 220},
      {"free ahead", 20, 40, 40, 4, 40},  // nothing near: unchanged
  };
  for (const RBounce &c : cases) {
    self->SetPosition(c.x, c.y);
    self->SetSpeed(c.speed);
    self->SetDirection(c.direction);
    EXPECT_TRUE(Run("move_bounce_solid(1);", self).ok);
    EXPECT_NEAR(self->i_direction, c.want, 1e-9) << c.name;
    EXPECT_NEAR(self->i_speed, c.speed, 1e-9) << c.name;
  }
}

TEST_F(BounceFunctions, AnInstanceInsideGoesBackToItsPreviousPlace) {
  self->SetPosition(60, 40);  // overlapping the wall
  self->i_xprevious = 50;
  self->i_yprevious = 38;
  self->SetHspeed(4);
  EXPECT_TRUE(Run("move_bounce_solid(0);", self).ok);
  EXPECT_EQ(self->i_x, 50);
  EXPECT_EQ(self->i_y, 38);
  EXPECT_EQ(self->i_hspeed, 4);  // from there the way is free

  self->SetPosition(60, 40);
  self->SetDirection(0);
  self->SetSpeed(4);
  EXPECT_TRUE(Run("move_bounce_solid(1);", self).ok);
  EXPECT_EQ(self->i_x, 50);
  // Back out in the open, the turn still counts the collision: reversed.
  EXPECT_NEAR(self->i_direction, 180, 1e-9);
}

TEST_F(MotionFunctions, RandomMovesStayInTheRoomAndRepeatWithTheSeed) {
  room->r_width = 200;
  room->r_height = 100;
  Add(wall, 0, 0);
  self->SetPosition(100, 50);
  for (int i = 0; i < 50; ++i) {
    RandomSetSeed(static_cast<uint32_t>(1000 + i));
    ASSERT_TRUE(Run("move_random(8, 0);", self).ok);
    const double x = self->i_x, y = self->i_y;
    EXPECT_GE(self->i_bbox.left, 0);
    EXPECT_LE(self->i_bbox.right, 199);
    EXPECT_GE(self->i_bbox.top, 0);
    EXPECT_LE(self->i_bbox.bottom, 99);
    EXPECT_EQ(std::fmod(x, 8), 0) << x;
    EXPECT_TRUE(self->i_bbox.left >= 16 || self->i_bbox.top >= 16) << "on the wall at " << x << ", " << y;
    // The same seed gives the same place.
    RandomSetSeed(static_cast<uint32_t>(1000 + i));
    ASSERT_TRUE(Run("move_random(8, 0);", self).ok);
    EXPECT_EQ(self->i_x, x);
    EXPECT_EQ(self->i_y, y);
  }
  // An origin inside the sprite moves the range with it.
  TestMaskSprite(7, Square(8), 4, 4);
  self->SetSpriteIndex(7);
  for (int i = 0; i < 30; ++i) {
    ASSERT_TRUE(Run("move_random(0, 0);", self).ok);
    EXPECT_GE(self->i_x, 4);
    EXPECT_LT(self->i_x, 197);
  }
  // With no free place at all, it stays where it is.
  CInstance *cover = room->InstanceAt(1);
  cover->SetImageScaleX(20);
  cover->SetImageScaleY(20);
  self->SetPosition(150, 70);
  ASSERT_TRUE(Run("move_random(0, 0);", self).ok);
  EXPECT_EQ(self->i_x, 150);
  EXPECT_EQ(self->i_y, 70);
}

TEST_F(MotionFunctions, SnapAndWrapMoveTheInstance) {
  room->r_width = 640;
  room->r_height = 480;
  struct RMove {
    std::string code;
    double x0, y0, x, y;
  } moves[] = {
      {"move_snap(16, 0);", 37, -9, 32, -9},
      {"move_snap(8, 8);", 37, -9, 40, -8},
      {"move_snap(16, 16);", 24, 8, 32, 0},  // halves go to the even multiple
      {"move_snap(0, -5);", 37, -9, 37, -9},
      {"move_wrap(1, 1, 0);", -5, 500, 635, 20},
      {"move_wrap(1, 0, 0);", -5, 500, 635, 500},
      {"move_wrap(0, 1, 10);", -5, 489, -5, 489},
      {"move_wrap(1, 1, 10);", 651, -11, -9, 489},
      {"move_wrap(1, 1, 0);", 640, 0, 640, 0},  // on the edge is still inside
  };
  for (const RMove &m : moves) {
    self->SetPosition(m.x0, m.y0);
    EXPECT_TRUE(Run(m.code, self).ok) << m.code;
    EXPECT_EQ(self->i_x, m.x) << m.code;
    EXPECT_EQ(self->i_y, m.y) << m.code;
  }
  const struct {
    double x, y;
    const char *code;
    double expect;
  } snapped[] = {
      {32.0005, 7, "return place_snapped(16, 0);", 1},
      {32.002, 7, "return place_snapped(16, 0);", 0},
      {31.9995, 7, "return place_snapped(16, 0);", 1},
      {32, 7, "return place_snapped(16, 8);", 0},
      {32, 7, "return place_snapped(16, 7);", 1},
      {5, 7, "return place_snapped(0, -1);", 1},
  };
  for (const auto &s : snapped) {
    self->SetPosition(s.x, s.y);
    EXPECT_EQ(Real(s.code, self), s.expect) << s.code << " at " << s.x;
  }
}

TEST_F(MotionFunctions, MotionFunctionsSetSpeedAndDirection) {
  self->SetPosition(10, 20);
  ASSERT_TRUE(Run("move_towards_point(40, 60, 5);", self).ok);
  EXPECT_NEAR(self->i_hspeed, 3, 1e-9);
  EXPECT_NEAR(self->i_vspeed, 4, 1e-9);
  EXPECT_NEAR(self->i_direction, 360 - std::atan2(4, 3) * 180 / M_PI, 1e-9);
  EXPECT_EQ(self->i_speed, 5);

  ASSERT_TRUE(Run("motion_set(90, 2);", self).ok);
  EXPECT_EQ(self->i_hspeed, 0);
  EXPECT_EQ(self->i_vspeed, -2);
  ASSERT_TRUE(Run("motion_add(0, 3);", self).ok);
  EXPECT_EQ(self->i_hspeed, 3);
  EXPECT_EQ(self->i_vspeed, -2);
  ASSERT_TRUE(Run("motion_add(270, 2);", self).ok);
  EXPECT_EQ(self->i_direction, 0);
  EXPECT_EQ(self->i_speed, 3);
}

TEST_F(MotionFunctions, DistancesAreMeasuredBetweenBoxes) {
  // The mover's box is 0..7 x 0..7.
  const RCase toPoint[] = {
      {"return distance_to_point(10, 3);", 3},
      {"return distance_to_point(-4, -4);", std::sqrt(32.0)},
      {"return distance_to_point(3, 7);", 0},
      {"return distance_to_point(10, 11);", 5},
  };
  for (const RCase &c : toPoint) EXPECT_DOUBLE_EQ(Real(c.code, self), c.expect) << c.code;

  EXPECT_EQ(Real(Fill("return distance_to_object(#A);", {double(block)}), self), 1000000);
  EXPECT_EQ(Real("return distance_to_object(all);", self), 1000000);  // only self
  CInstance *right = Add(block, 20, 0);
  Add(blockChild, 0, 30);
  CInstance *marked = Add(block, 8, 8);
  marked->i_marked = true;
  const RCase toObject[] = {
      {Fill("return distance_to_object(#A);", {double(block)}), 13},
      {Fill("return distance_to_object(#A);", {double(blockChild)}), 23},
      {Fill("return distance_to_object(#A);", {double(right->i_id)}), 13},
      {"return distance_to_object(self);", 1000000},
      {"return distance_to_object(all);", 13},
  };
  for (const RCase &c : toObject) EXPECT_EQ(Real(c.code, self), c.expect) << c.code;
  // Measured from the other's side too, and diagonally.
  right->SetPosition(-30, -40);
  EXPECT_DOUBLE_EQ(Real(Fill("return distance_to_object(#A);", {double(right->i_id)}), self), std::sqrt(15 * 15 + 25 * 25.0));
}

}  // namespace
