// Finding instances by what they meet: the place of a moved self, a point
// on their precise masks, and the instances destroyed or changed at a
// point.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "world/Event_Class.h"
#include "world/Motion_Fixture.h"
#include "world/Object_Class.h"

namespace {

using InstancePlace = MotionFixture;

struct RCase {
  std::string code;
  double expect;
};

TEST_F(InstancePlace, PlaceAndPositionFindTheFirstInRoomOrder) {
  CInstance *w = Add(wall, 32, 0);
  CInstance *b = Add(blockChild, 36, 4);  // overlaps the wall, later in the room
  CInstance *l = Add(shape, 100, 100);    // mask on x = 100 and y = 103 only
  CInstance *gone = Add(block, 200, 0);
  gone->i_marked = true;
  const double noone = -4, W = w->i_id, B = b->i_id, L = l->i_id;
  const RCase cases[] = {
      {"return instance_place(30, 2, all);", W},
      {Fill("return instance_place(30, 2, #A);", {double(block)}), B},
      {Fill("return instance_place(30, 2, #A);", {B}), B},
      {"return instance_place(0, 0, all);", noone},
      {"return instance_place(0, 0, self);", noone},
      {"return instance_place(200, 0, all);", noone},  // only a destroyed one there
      {"return instance_place(101, 94, all);", noone},  // the L's box, not its mask
      {"return instance_place(94, 94, all);", L},
      {"return instance_position(40, 8, all);", W},
      {Fill("return instance_position(40, 8, #A);", {double(blockChild)}), B},
      {"return instance_position(33, 1, all);", W},
      {Fill("return instance_position(33, 1, #A);", {double(block)}), noone},
      {"return instance_position(102, 101, all);", noone},
      {"return instance_position(100, 101, all);", L},
      {"return instance_position(3, 3, self);", double(self->i_id)},
      {"return instance_position(203, 3, all);", noone},
      {"return position_empty(120, 120);", 1},
      {"return position_empty(3, 3);", 0},  // self counts too
      {"return position_empty(102, 101);", 1},
      {"return position_meeting(40, 8, all);", 1},
      {Fill("return position_meeting(102, 103, #A);", {double(shape)}), 1},
      {Fill("return position_meeting(40, 8, #A);", {double(shape)}), 0},
      {"return position_meeting(3, 3, self);", 1},
      {"return position_meeting(40, 8, other);", 1},
      {"return position_meeting(3, 3, other);", 0},
  };
  for (const RCase &c : cases) {
    EXPECT_EQ(With(c.code, w), c.expect) << c.code;
    EXPECT_EQ(self->i_x, 0) << c.code;
    EXPECT_EQ(self->i_bbox.left, 0) << c.code;
  }
}

TEST_F(InstancePlace, PositionDestroyRunsEachDestroyEventOnce) {
  // Each destroy event counts itself and creates a new block at the same
  // point, which must not be destroyed in turn.
  ObjectGet(block)->CreateEvent(1, 0)->AddCodeAction(
      "global.n += 1; instance_create(x, y, " + std::to_string(blockChild) + ");");
  ASSERT_TRUE(ObjectGet(block)->Compile());
  CInstance *a = Add(block, 0, 20);
  CInstance *b = Add(blockChild, 4, 24);
  CInstance *far = Add(block, 100, 100);
  CInstance *l = Add(shape, 4, 24);  // its box holds the point, its mask does not
  ASSERT_TRUE(Run("global.n = 0; position_destroy(6, 26);", self).ok);
  EXPECT_TRUE(a->i_marked);
  EXPECT_TRUE(b->i_marked);
  EXPECT_FALSE(far->i_marked);
  EXPECT_FALSE(l->i_marked);
  EXPECT_FALSE(self->i_marked);
  EXPECT_EQ(Real("return global.n;", self), 2);
  ASSERT_EQ(room->InstanceCount(), 7);
  EXPECT_FALSE(room->InstanceAt(5)->i_marked);
  EXPECT_FALSE(room->InstanceAt(6)->i_marked);
}

TEST_F(InstancePlace, PositionChangeChangesEveryInstanceAtThePoint) {
  CInstance *a = Add(block, 0, 20);
  CInstance *b = Add(blockChild, 100, 100);
  const int32_t aId = a->i_id;
  ASSERT_TRUE(Run(Fill("position_change(3, 22, #A, 0);", {double(shape)}), self).ok);
  EXPECT_TRUE(a->i_marked);
  EXPECT_FALSE(b->i_marked);
  CInstance *changed = Room_FindInstance(aId);
  ASSERT_NE(changed, nullptr);
  EXPECT_FALSE(changed->i_marked);
  EXPECT_EQ(changed->i_objectindex, shape);
  EXPECT_TRUE(changed->i_solid);

  // A missing object is reported once, however many instances are there.
  Add(block, 2, 20);
  const std::filesystem::path log =
      std::filesystem::temp_directory_path() / ("quillon_place_" + std::to_string(getpid()) + ".log");
  SetErrorLogPath(log.string());
  g_Settings.opt_writeerrors = true;
  ASSERT_TRUE(Run("position_change(3, 22, 99, 0);", self).ok);
  g_Settings.opt_writeerrors = false;
  SetErrorLogPath("");
  std::ifstream in(log, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  std::filesystem::remove(log);
  const std::string message = "Asking to change into non-existing object: 99";
  const size_t first = text.find(message);
  ASSERT_NE(first, std::string::npos) << text;
  EXPECT_EQ(text.find(message, first + 1), std::string::npos) << text;
  EXPECT_FALSE(changed->i_marked);
}

}  // namespace
