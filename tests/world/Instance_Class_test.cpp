#include "world/Instance_Class.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "support/Room_Test_Fixture.h"

namespace {

using InstanceClass = RoomFixture;

struct MotionCase {
  const char *what;
  std::function<void(CInstance &)> apply;
  double direction, speed, hspeed, vspeed;
};

TEST_F(InstanceClass, SpeedsAndDirectionDeriveEachOther) {
  const MotionCase cases[] = {
      {"hspeed 3, vspeed -3", [](CInstance &i) { i.SetHspeed(3); i.SetVspeed(-3); }, 45, 4.242640687119285, 3, -3},
      {"direction 90, speed 2", [](CInstance &i) { i.SetDirection(90); i.SetSpeed(2); }, 90, 2, 0, -2},
      {"speed 2, then direction 180", [](CInstance &i) { i.SetSpeed(2); i.SetDirection(180); }, 180, 2, -2, 0},
      {"direction -90 reduces to 270", [](CInstance &i) { i.SetSpeed(1); i.SetDirection(-90); }, 270, 1, 0, 1},
      {"direction 720.5 reduces", [](CInstance &i) { i.SetDirection(720.5); }, 0.5, 0, 0, 0},
      {"straight down", [](CInstance &i) { i.SetVspeed(5); }, 270, 5, 0, 5},
      {"straight left", [](CInstance &i) { i.SetHspeed(-2); }, 180, 2, -2, 0},
      {"back to rest", [](CInstance &i) { i.SetHspeed(4); i.SetHspeed(0); }, 0, 0, 0, 0},
      {"speed near a whole number snaps", [](CInstance &i) { i.SetHspeed(1.00005); }, 0, 1, 1.00005, 0},
      {"negative speed points backwards", [](CInstance &i) { i.SetDirection(0); i.SetSpeed(-3); }, 0, -3, -3, 0},
  };
  for (const MotionCase &c : cases) {
    CInstance inst;
    c.apply(inst);
    EXPECT_DOUBLE_EQ(inst.i_direction, c.direction) << c.what;
    EXPECT_DOUBLE_EQ(inst.i_speed, c.speed) << c.what;
    // Whole results are exact, not merely close: hspeed 0, not 1e-16.
    EXPECT_EQ(inst.i_hspeed, c.hspeed) << c.what;
    EXPECT_EQ(inst.i_vspeed, c.vspeed) << c.what;
    EXPECT_FALSE(std::signbit(inst.i_hspeed) && inst.i_hspeed == 0) << c.what << ": -0";
    EXPECT_FALSE(std::signbit(inst.i_vspeed) && inst.i_vspeed == 0) << c.what << ": -0";
  }
}

TEST_F(InstanceClass, FrictionAndGravityActOncePerStep) {
  struct Case {
    const char *what;
    double speed, direction, friction, gravity, gravitydir;
    double hspeed, vspeed;
  } cases[] = {
      {"friction stops, not reverses", 0.2, 0, 0.3, 0, 270, 0, 0},
      {"friction slows", 3, 0, 0.5, 0, 270, 2.5, 0},
      {"friction slows a backwards motion", -1, 0, 0.25, 0, 270, -0.75, 0},
      {"gravity from rest", 0, 0, 0, 0.5, 270, 0, 0.5},
      {"friction first, then gravity", 2, 0, 0.5, 1, 270, 1.5, 1},
      {"gravity sideways", 0, 0, 0, 2, 180, -2, 0},
  };
  for (const Case &c : cases) {
    CInstance inst;
    inst.SetDirection(c.direction);
    inst.SetSpeed(c.speed);
    inst.i_friction = c.friction;
    inst.i_gravity = c.gravity;
    inst.i_gravitydir = c.gravitydir;
    inst.Adapt_Speed();
    EXPECT_NEAR(inst.i_hspeed, c.hspeed, 1e-12) << c.what;
    EXPECT_NEAR(inst.i_vspeed, c.vspeed, 1e-12) << c.what;
    EXPECT_NEAR(std::fabs(inst.i_speed), std::hypot(c.hspeed, c.vspeed), 1e-12) << c.what;
  }
}

TEST_F(InstanceClass, BoundingBoxFollowsSpriteScaleAngleAndPosition) {
  TestSprites()[0] = SpriteGeometry(32, 16, 16, 8);  // box 0..31 x 0..15
  RSpriteGeometry trimmed = SpriteGeometry(32, 16, 16, 8);
  trimmed.left = 4;
  trimmed.right = 27;
  TestSprites()[1] = trimmed;
  struct Case {
    const char *what;
    int sprite, mask;
    double x, y, sx, sy, angle;
    RRect box;
  } cases[] = {
      {"plain", 0, -1, 100, 50, 1, 1, 0, {84, 42, 115, 57}},
      {"negative x scale mirrors", 0, -1, 100, 50, -1, 1, 0, {83, 42, 116, 57}},
      {"negative y scale mirrors", 0, -1, 100, 50, 1, -1, 0, {84, 41, 115, 58}},
      {"halves round to even", 0, -1, 100.5, 50, 1, 1, 0, {84, 42, 116, 57}},
      {"half scale", 0, -1, 100, 50, 0.5, 0.5, 0, {92, 46, 107, 53}},
      {"the sprite's own box", 1, -1, 100, 50, 1, 1, 0, {88, 42, 111, 57}},
      {"the mask's box wins", 0, 1, 100, 50, 1, 1, 0, {88, 42, 111, 57}},
      {"a quarter turn swaps the sides", 0, -1, 100, 50, 1, 1, 90, {92, 35, 107, 66}},
      {"a half turn", 0, -1, 100, 50, 1, 1, 180, {85, 43, 116, 58}},
      {"no sprite", -1, -1, 100, 50, 1, 1, 0, {kNoBox, kNoBox, kNoBox, kNoBox}},
      {"a missing mask hides the sprite", 0, 7, 100, 50, 1, 1, 0, {kNoBox, kNoBox, kNoBox, kNoBox}},
  };
  for (const Case &c : cases) {
    CInstance inst;
    inst.SetSpriteIndex(c.sprite);
    inst.SetMaskIndex(c.mask);
    inst.SetImageScaleX(c.sx);
    inst.SetImageScaleY(c.sy);
    inst.SetImageAngle(c.angle);
    inst.SetPosition(c.x, c.y);
    EXPECT_EQ(inst.i_bbox.left, c.box.left) << c.what;
    EXPECT_EQ(inst.i_bbox.top, c.box.top) << c.what;
    EXPECT_EQ(inst.i_bbox.right, c.box.right) << c.what;
    EXPECT_EQ(inst.i_bbox.bottom, c.box.bottom) << c.what;
  }
}

TEST_F(InstanceClass, ABoxFarOutsideTheIntegerRangeIsHeldToIt) {
  TestSprites()[0] = SpriteGeometry(8, 8, 0, 0);
  CInstance inst;
  inst.SetSpriteIndex(0);
  inst.SetPosition(1e300, -1e300);
  EXPECT_EQ(inst.i_bbox.left, INT32_MAX);
  EXPECT_EQ(inst.i_bbox.top, INT32_MIN);
  inst.SetPosition(std::numeric_limits<double>::quiet_NaN(), 0);
  EXPECT_EQ(inst.i_bbox.left, 0);
}

TEST_F(InstanceClass, ASpriteWithFewerImagesRestartsTheAnimation) {
  TestSprites()[0] = SpriteGeometry(8, 8, 0, 0, 10);
  TestSprites()[1] = SpriteGeometry(8, 8, 0, 0, 3);
  CInstance inst;
  inst.SetSpriteIndex(0);
  inst.i_imageindex = 4.9;
  inst.SetSpriteIndex(0);
  EXPECT_EQ(inst.i_imageindex, 4.9);
  inst.i_imageindex = 2.9;
  inst.SetSpriteIndex(1);  // image 2 exists
  EXPECT_EQ(inst.i_imageindex, 2.9);
  inst.i_imageindex = 3;
  inst.SetSpriteIndex(1);
  EXPECT_EQ(inst.i_imageindex, 0);
  inst.i_imageindex = 1;
  inst.SetSpriteIndex(5);  // missing: no images at all
  EXPECT_EQ(inst.i_imageindex, 0);
  EXPECT_EQ(inst.ImageNumber(), 0);
}

TEST_F(InstanceClass, CreateTakesTheObjectsValuesAndTheDefaults) {
  TestSprites()[2] = SpriteGeometry(10, 10, 5, 5);
  const int obj = AddObject(-1, 2, -7);
  CObject *o = ObjectGet(obj);
  o->o_solid = true;
  o->o_visible = false;
  o->o_persistent = true;
  o->o_mask = 3;

  CInstance inst;
  inst.i_speed = 9;  // leftovers of an earlier life go
  inst.i_vars.SetVar(100000, 0, RValue::Real(1));
  inst.Create(40, 30, 100123, obj);
  EXPECT_EQ(inst.i_id, 100123);
  EXPECT_EQ(inst.i_objectindex, obj);
  EXPECT_EQ(inst.i_object, o);
  EXPECT_EQ(inst.i_spriteindex, 2);
  EXPECT_EQ(inst.i_maskindex, 3);
  EXPECT_EQ(inst.i_depth, -7);
  EXPECT_TRUE(inst.i_solid);
  EXPECT_FALSE(inst.i_visible);
  EXPECT_TRUE(inst.i_persistent);
  EXPECT_EQ(inst.i_xstart, 40);
  EXPECT_EQ(inst.i_yprevious, 30);
  EXPECT_EQ(inst.i_speed, 0);
  EXPECT_EQ(inst.i_vars.Count(), 0);
  // The mask (sprite 3) does not exist, so there is no box.
  EXPECT_EQ(inst.i_bbox.left, kNoBox);
  o->o_mask = -1;
  inst.Create(40, 30, 100124, obj);
  EXPECT_EQ(inst.i_bbox.left, 35);
  EXPECT_EQ(inst.i_bbox.bottom, 34);

  // A missing object leaves the defaults.
  inst.Create(1, 2, 100125, 99);
  EXPECT_EQ(inst.i_object, nullptr);
  EXPECT_EQ(inst.i_spriteindex, -1);
  EXPECT_TRUE(inst.i_visible);
  EXPECT_EQ(inst.i_depth, 0);
}

TEST_F(InstanceClass, PathPositionsStayBetweenZeroAndOne) {
  const std::pair<double, double> cases[] = {
      {0.25, 0.25}, {-1, 0}, {1.5, 1}, {std::numeric_limits<double>::quiet_NaN(), 0}};
  for (const auto &[in, out] : cases) {
    CInstance inst;
    inst.SetPathPosition(in);
    inst.SetPathPositionPrevious(in);
    EXPECT_EQ(inst.i_pathposition, out) << in;
    EXPECT_EQ(inst.i_pathpositionprevious, out) << in;
  }
}

}  // namespace
