#include <gtest/gtest.h>

#include <string>

#include "code/Variable_BuiltIn.h"
#include "support/Room_Test_Fixture.h"

namespace {

class WorldVariables : public RoomFixture {
protected:
  void SetUp() override {
    RoomFixture::SetUp();
    self = Add(AddObject(), 10, 20);
  }
  CInstance *self = nullptr;
};

TEST_F(WorldVariables, InstanceVariablesReadAndWriteThroughTheProperties) {
  TestSprites()[1] = SpriteGeometry(20, 10, 4, 2, 6);
  struct Case {
    const char *code;
    double expect;
  } cases[] = {
      {"x = 40; return x + y;", 60},
      {"x[3] = 7; return x;", 7},  // the index of a plain variable is ignored
      {"hspeed = 3; vspeed = -3; return direction;", 45},
      {"direction = 90; speed = 2; return hspeed;", 0},
      {"direction = 90; speed = 2; return vspeed;", -2},
      {"alarm[12] = 5; return alarm[0];", 5},
      {"alarm[11] = 2.5; return alarm[11];", 2},
      {"alarm[3] = 8; return alarm[4];", -1},
      {"visible = 0.5; return visible;", 0},
      {"visible = 0.6; return visible;", 1},
      {"solid = 1.5; return solid;", 1},
      {"sprite_index = 0.5; return sprite_index;", 0},
      {"sprite_index = 1; image_xscale = 2; return sprite_width + sprite_height;", 50},
      {"sprite_index = 1; image_yscale = -1; return sprite_xoffset * 10 + sprite_yoffset;", 38},
      {"sprite_index = 1; return image_number;", 6},
      {"sprite_index = 1; return bbox_left * 1000 + bbox_right;", 6025},
      {"sprite_index = 1; x = 0; image_angle = 90; return bbox_top;", 5},
      {"return sprite_width;", 0},
      {"image_single = 3; return image_speed * 10 + image_index;", 3},
      {"image_speed = 2; return image_single;", -1},
      {"image_single = -1; return image_speed;", 1},
      {"path_position = 4; return path_position;", 1},
      {"path_positionprevious = -2; return path_positionprevious;", 0},
      {"timeline_index = 2.5; return timeline_index;", 2},
      {"image_blend = 255.5; return image_blend;", 256},
      {"gravity_direction = 90; gravity = 1; return gravity_direction + gravity;", 91},
      {"depth = -2.5; return depth;", -2.5},
      {"return xstart * 100 + ystart;", 1020},
  };
  for (const Case &c : cases) {
    CInstance fresh;
    self->Assign(fresh);
    self->Create(10, 20, 100500, self->i_objectindex);
    EXPECT_EQ(Real(c.code, self), c.expect) << c.code;
  }
}

TEST_F(WorldVariables, ReadOnlyInstanceVariablesCannotBeAssigned) {
  for (const char *code : {"id = 5;", "object_index = 0;", "bbox_left = 1;", "image_number = 2;", "path_index = 1;",
                           "sprite_width = 3;"}) {
    const RRunResult r = Run(code, self);
    EXPECT_FALSE(r.ok) << code;
    EXPECT_NE(r.error.find("Cannot assign to the variable"), std::string::npos) << code << ": " << r.error;
  }
  EXPECT_EQ(Real("return id;", self), self->i_id);
}

TEST_F(WorldVariables, InstanceCountAndIdsListTheRoom) {
  CInstance *second = Add(self->i_objectindex);
  EXPECT_EQ(Real("return instance_count;", self), 2);
  EXPECT_EQ(Real("return instance_id[1];", self), second->i_id);
  EXPECT_EQ(Real("return instance_id[instance_count];", self), -4);
  EXPECT_EQ(Real("return instance_id[2, 0];", self), -4);
}

TEST_F(WorldVariables, RoomVariablesReadAndWriteTheCurrentRoom) {
  TestBackgrounds()[2] = {64, 48};
  room->r_width = 800;
  room->r_background[3].index = 2;
  struct Case {
    const char *code;
    double expect;
  } cases[] = {
      {"return room_width;", 800},
      {"room_speed = 0.6; return room_speed;", 1},
      {"room_persistent = 1; return room_persistent;", 1},
      {"background_color = 255; background_showcolor = 0; return background_color + background_showcolor;", 255},
      {"return background_width[3] + background_height[3];", 112},
      {"return background_width[0];", 0},
      {"background_x[7] = 3.5; return background_x[7];", 3.5},
      {"background_visible[9] = 1; return background_visible[0];", 1},
      {"background_index[1] = 2; return background_width[1];", 64},
      {"view_xview[8] = 12; return view_xview[0];", 12},
      {"view_wport[2] = 99.5; return view_wport[2];", 100},
      {"view_angle[1] = 12.5; return view_angle[1];", 12.5},
      {"view_enabled = 1; view_object[4] = 3; return view_enabled + view_object[4];", 4},
  };
  for (const Case &c : cases) EXPECT_EQ(Real(c.code, self), c.expect) << c.code;
  EXPECT_EQ(room->r_speed, 1);
  EXPECT_TRUE(room->r_persistent);
  EXPECT_FALSE(room->r_showcolor);
  EXPECT_EQ(room->r_view[2].wport, 100);
  EXPECT_EQ(room->r_background[1].index, 2);

  EXPECT_TRUE(Run("room_caption = \"Level 2\";", self).ok);
  EXPECT_EQ(room->r_caption, "Level 2");
  EXPECT_FALSE(Run("room_width = 5;", self).ok);
}

TEST_F(WorldVariables, ARoomSpeedOfZeroIsRefused) {
  room->r_speed = 30;
  EXPECT_EQ(Real("room_speed = 0.4; return room_speed;", self), 30);
  EXPECT_EQ(ErrorLast(), "Trying to set the room speed to a value <= 0.");
  EXPECT_EQ(Real("room_speed = -3; return room_speed;", self), 30);
}

TEST_F(WorldVariables, WithoutACurrentRoomTheRoomVariablesReadDefaults) {
  Room_SetCurrent(-1);
  EXPECT_EQ(Real("room_speed = 50; return room_speed + instance_count;", self), 30);
  EXPECT_EQ(Real("return instance_id[0];", self), -4);
}

}  // namespace

namespace {

// Built-in variables inside plain arithmetic are read straight from their
// getters; a value that is not a real (a caption) sends the expression to
// the full evaluation, with the same result as always.
TEST_F(WorldVariables, BuiltinsInArithmeticReadTheirInstance) {
  struct Case {
    const char *code;
    double expect;
  } cases[] = {
      {"return x * 2 + y;", 40},
      {"hspeed = 3; return (x + hspeed) * (x > 5);", 13},
      {"room_caption = \"abc\"; return (room_caption + \"de\" == \"abcde\") + x;", 11},
      {"var o; o = instance_create(7, 8, object_index); with (o) return other.x + x;", 17},
      {"if (x < 0 || x > room_width) return 1; return 2;", 2},
      {"x = -5; if (x < 0 || x > room_width) return 1; return 2;", 1},
      {"x = room_width + 1; return (x > room_width) * 10 + (id == self.id) + (y >= 20);", 12},
  };
  for (const Case &c : cases) EXPECT_EQ(Real(c.code, self), c.expect) << c.code;
}

// Conditions and sums read plain built-ins through their readers instead
// of their getters: every reader must read what its getter reads, and fail
// where the getter fails (no instance).
TEST_F(WorldVariables, ReadersAgreeWithTheirGetters) {
  Real("x = 12.5; y = -3.25; hspeed = 1.5; vspeed = -2; image_index = 3.75; depth = -7; image_angle = 30;"
       "friction = 0.25; gravity = 0.5; image_xscale = 2; image_alpha = 0.5; image_speed = 0.3; path_scale = 3;"
       "timeline_position = 6; timeline_speed = 2; timeline_index = 4; path_orientation = 12; xprevious = 9;",
       self);
  int readers = 0;
  for (int32_t i = 0; i < BuiltinCount(); ++i) {
    const RBuiltinVariable *e = BuiltinEntry(i);
    if (e->reader == nullptr) continue;
    ++readers;
    EXPECT_FALSE(e->isArray) << e->name;
    RValue v;
    double d = -999;
    ASSERT_TRUE(e->getter(self, 0, v)) << e->name;
    ASSERT_TRUE(e->reader(self, d)) << e->name;
    EXPECT_EQ(v.kind, RValue::kReal) << e->name;
    EXPECT_EQ(d, v.val) << e->name;
    RValue none;
    double nd = 0;
    EXPECT_EQ(e->getter(nullptr, 0, none), e->reader(nullptr, nd)) << e->name;
  }
  EXPECT_GE(readers, 30);
}

}  // namespace
