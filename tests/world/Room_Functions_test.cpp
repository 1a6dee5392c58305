#include <gtest/gtest.h>

#include <string>

#include "support/Room_Test_Fixture.h"

namespace {

class RoomFunctions : public RoomFixture {
protected:
  void SetUp() override {
    RoomFixture::SetUp();
    self = Add(AddObject());
    // Rooms 0 (current), 1, 2 and an empty slot 3; played 2, 0, 1.
    for (const char *name : {"hall", "cellar"}) {
      g_Rooms.items.push_back(std::make_unique<CRoom>());
      g_Rooms.names.push_back(name);
    }
    g_Rooms.items.emplace_back();
    g_Rooms.names.emplace_back();
    g_RoomOrder = {2, 0, 1};
  }

  std::string Text(const std::string &code) {
    const RRunResult r = Run(code, self);
    EXPECT_TRUE(r.ok) << code << ": " << r.error;
    return r.result.str.str();
  }

  CInstance *self = nullptr;
};

TEST_F(RoomFunctions, NamesAndNeighboursInThePlayOrder) {
  struct Case {
    const char *code;
    double expect;
  } cases[] = {
      {"return room_exists(1) * 10 + room_exists(3);", 10},
      {"return room_exists(-1) + room_exists(4);", 0},
      {"return room_previous(0);", 2},
      {"return room_previous(2);", -1},  // the first room
      {"return room_next(0);", 1},
      {"return room_next(1);", -1},  // the last room
      {"return room_next(3) + room_previous(7);", -2},
  };
  for (const Case &c : cases) EXPECT_EQ(Real(c.code, self), c.expect) << c.code;
  EXPECT_EQ(Text("return room_name(1);"), "hall");
  EXPECT_EQ(Text("return room_get_name(3);"), "<undefined>");

  // Repeated entries: before the first occurrence, after the last.
  g_RoomOrder = {0, 1, 0, 2};
  EXPECT_EQ(Real("return room_previous(0);", self), -1);
  EXPECT_EQ(Real("return room_next(0);", self), 2);
}

// A text argument has no number, however the text was made: a repeated or
// joined text names room 0, as any other text does, and not the count it
// was repeated by.
TEST_F(RoomFunctions, ATextArgumentNamesRoomZeroHoweverItWasMade) {
  const std::string first = Text("return room_get_name(0);");
  ASSERT_EQ(first, "room0");
  for (const char *code : {"return room_get_name(\"abab\");", "return room_get_name(2 * \"ab\");",
                           "var n; n = 2; return room_get_name(n * \"ab\");",
                           "var t; t = \"ab\"; return room_get_name(2 * t + \"\");"})
    EXPECT_EQ(Text(code), first) << code;
  // Room 9 does not exist; room 0 does.
  EXPECT_EQ(Real("return room_exists(9 * \"ab\");", self), 1);
}

TEST_F(RoomFunctions, SettersChangeTheResourceNotTheRunningRoom) {
  ASSERT_TRUE(Run("room_set_width(1, 1024); room_set_height(1, 700.5); room_set_caption(1, \"Hall\");"
                  "room_set_persistent(1, 1); room_set_code(1, \"x = 1;\"); room_set_background_color(1, 255, 0);"
                  "room_set_view_enabled(1, 1); room_set_width(0, 10); room_set_width(9, 10);",
                  self)
                  .ok);
  const CRoom &hall = *g_Rooms.Get(1);
  EXPECT_EQ(hall.r_width, 1024);
  EXPECT_EQ(hall.r_height, 700);
  EXPECT_EQ(hall.r_caption, "Hall");
  EXPECT_TRUE(hall.r_persistent);
  EXPECT_EQ(hall.r_code, "x = 1;");
  EXPECT_EQ(hall.r_color, 255);
  EXPECT_FALSE(hall.r_showcolor);
  EXPECT_TRUE(hall.r_enableviews);
  EXPECT_EQ(g_Rooms.Get(0)->r_width, 10);
  EXPECT_EQ(room->r_width, 640);  // the run-time copy is untouched
  EXPECT_FALSE(ErrorOccurred());
}

TEST_F(RoomFunctions, BackgroundAndViewSettingsFillTheirSlot) {
  CRoom &hall = *g_Rooms.Get(1);
  hall.r_background[2].xscale = 3;
  ASSERT_TRUE(Run("room_set_background(1, 2, 1, 1, 5, 10, 20, 0, 1, 2, -3, 0.5);"
                  "room_set_background(1, 8, 1, 1, 5, 10, 20, 0, 1, 2, -3, 0.5);"
                  "room_set_view(1, 7, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13);",
                  self)
                  .ok);
  const CBack &b = hall.r_background[2];
  EXPECT_TRUE(b.visible);
  EXPECT_TRUE(b.foreground);
  EXPECT_EQ(b.index, 5);
  EXPECT_EQ(b.x, 10);
  EXPECT_EQ(b.y, 20);
  EXPECT_FALSE(b.htiled);
  EXPECT_TRUE(b.vtiled);
  EXPECT_EQ(b.hspeed, 2);
  EXPECT_EQ(b.vspeed, -3);
  EXPECT_EQ(b.alpha, 0.5);
  EXPECT_EQ(b.xscale, 1);
  EXPECT_FALSE(hall.r_background[0].visible);  // index 8 did nothing
  const CView &v = hall.r_view[7];
  EXPECT_TRUE(v.visible);
  EXPECT_EQ(v.xview, 1);
  EXPECT_EQ(v.hport, 8);
  EXPECT_EQ(v.vborder, 10);
  EXPECT_EQ(v.vspeed, 12);
  EXPECT_EQ(v.index, 13);
}

TEST_F(RoomFunctions, AddDuplicateAndAssignRooms) {
  g_Rooms.Get(1)->r_caption = "Hall";
  g_Rooms.Get(1)->r_instances.push_back(RInstanceRecord{});
  EXPECT_EQ(Real("return room_add();", self), 4);
  EXPECT_EQ(RoomName(4), "__newroom4");
  EXPECT_EQ(g_Rooms.Get(4)->r_width, 640);

  EXPECT_EQ(Real("return room_duplicate(1);", self), 5);
  EXPECT_EQ(RoomName(5), "__newroom5");
  EXPECT_EQ(g_Rooms.Get(5)->r_caption, "Hall");
  EXPECT_EQ(g_Rooms.Get(5)->r_instances.size(), 1u);
  EXPECT_EQ(Real("return room_duplicate(3);", self), -1);
  EXPECT_TRUE(ErrorLast().ends_with("Trying to duplicate non-existing room.")) << ErrorLast();

  ErrorReset();
  ASSERT_TRUE(Run("room_assign(3, 1);", self).ok);  // an empty slot gets a room
  ASSERT_NE(g_Rooms.Get(3), nullptr);
  EXPECT_EQ(g_Rooms.Get(3)->r_caption, "Hall");
  g_Rooms.items[2].reset();
  ASSERT_TRUE(Run("room_assign(1, 2);", self).ok);  // from an empty slot: defaults
  EXPECT_EQ(g_Rooms.Get(1)->r_caption, "");
  EXPECT_TRUE(g_Rooms.Get(1)->r_instances.empty());
  EXPECT_FALSE(ErrorOccurred());
  ASSERT_TRUE(Run("room_assign(1, 6);", self).ok);
  EXPECT_TRUE(ErrorLast().ends_with("Error assigning a room.")) << ErrorLast();
}

TEST_F(RoomFunctions, InstancesAndTilesOfRoomResources) {
  TestBackgrounds()[0] = {32, 32};
  g_LastInstanceId = 100300;
  EXPECT_EQ(Real("return room_instance_add(1, 10.5, 20, 4);", self), 100301);
  EXPECT_EQ(Real("return room_instance_add(3, 0, 0, 4);", self), -1);
  const CRoom &hall = *g_Rooms.Get(1);
  ASSERT_EQ(hall.r_instances.size(), 1u);
  EXPECT_EQ(hall.r_instances[0].x, 10);
  EXPECT_EQ(hall.r_instances[0].object, 4);
  EXPECT_EQ(hall.r_instances[0].id, 100301);

  const double id = Real("return room_tile_add_ext(1, 0, 8, 8, 16, 16, 40, 50, 100, 2, 3, 0.5);", self);
  EXPECT_EQ(id, 10000001);
  ASSERT_EQ(hall.r_tile.size(), 1u);
  const RTile &t = hall.r_tile[0];
  EXPECT_EQ(t.xo, 8);
  EXPECT_EQ(t.w, 16);
  EXPECT_EQ(t.x, 40);
  EXPECT_EQ(t.depth, 100);
  EXPECT_EQ(t.yscale, 3);
  EXPECT_EQ(t.alpha, 0.5);
  EXPECT_EQ(t.blend, 16777215);
  EXPECT_TRUE(t.visible);
  EXPECT_EQ(Real("return room_tile_add(1, 9, 0, 0, 16, 16, 0, 0, 0);", self), -1);
  EXPECT_TRUE(ErrorLast().ends_with("Background does not exist.")) << ErrorLast();
  EXPECT_EQ(hall.r_tile.size(), 1u);

  ASSERT_TRUE(Run("room_instance_clear(1); room_tile_clear(1);", self).ok);
  EXPECT_TRUE(hall.r_instances.empty());
  EXPECT_TRUE(hall.r_tile.empty());
}

TEST_F(RoomFunctions, TilesOfTheCurrentRoom) {
  TestBackgrounds()[1] = {64, 64};
  const double id = Real("return tile_add(1, 4, 8, 16, 12, 100, 200, 50);", self);
  EXPECT_EQ(id, 10000001);
  ASSERT_EQ(room->r_tile.size(), 1u);

  struct Case {
    const char *code;
    double expect;
  } cases[] = {
      {"return tile_get_x(10000001) + tile_get_y(10000001);", 300},
      {"return tile_get_left(10000001) * 10 + tile_get_top(10000001);", 48},
      {"return tile_get_width(10000001) * 100 + tile_get_height(10000001);", 1612},
      {"return tile_get_depth(10000001) + tile_get_visible(10000001);", 51},
      {"return tile_get_background(10000001) + tile_get_xscale(10000001) + tile_get_alpha(10000001);", 3},
      {"return tile_get_blend(10000001);", 16777215},
      {"return tile_exists(10000001) * 10 + tile_exists(5);", 10},
      {"return tile_find(110, 205, 0);", 10000001},
      {"return tile_find(110, 205, 1);", -1},
      {"return tile_find(116, 205, 0);", -1},
      {"return tile_layer_find(50, 100, 200);", 10000001},
      {"tile_set_position(10000001, 0, 0); tile_set_scale(10000001, 2, 2); return tile_find(31, 23, 0);", 10000001},
      {"tile_set_region(10000001, 1, 2, 3, 4); return tile_get_width(10000001) + tile_get_left(10000001);", 4},
      {"tile_set_depth(10000001, -5); return tile_find(1, 1, 1);", 10000001},
      {"tile_set_visible(10000001, 0); tile_set_alpha(10000001, 0.25); return tile_get_visible(10000001) + "
       "tile_get_alpha(10000001);",
       0.25},
      {"tile_layer_show(-5); tile_set_blend(10000001, 255); return tile_get_visible(10000001) + "
       "tile_get_blend(10000001);",
       256},
      {"tile_layer_shift(-5, 10, 0); return tile_get_x(10000001);", 10},
      {"tile_layer_depth(-5, 7); return tile_get_depth(10000001);", 7},
      {"tile_set_background(10000001, 3); return tile_get_background(10000001);", 3},
  };
  for (const Case &c : cases) EXPECT_EQ(Real(c.code, self), c.expect) << c.code;
  EXPECT_FALSE(ErrorOccurred()) << ErrorLast();

  EXPECT_EQ(Real("return tile_get_x(12);", self), 0);
  EXPECT_TRUE(ErrorLast().ends_with("Tile does not exist.")) << ErrorLast();
  ErrorReset();
  EXPECT_TRUE(Run("tile_delete(12);", self).ok);
  EXPECT_TRUE(ErrorLast().ends_with("Tile does not exist.")) << ErrorLast();
  EXPECT_EQ(Real("return tile_add(9, 0, 0, 1, 1, 0, 0, 0);", self), -1);
  EXPECT_TRUE(ErrorLast().ends_with("Background does not exist.")) << ErrorLast();

  EXPECT_TRUE(Run("tile_delete(10000001);", self).ok);
  EXPECT_TRUE(room->r_tile.empty());
  Real("tile_add(1, 0, 0, 8, 8, 0, 0, 10); tile_add(1, 0, 0, 8, 8, 0, 0, 10); tile_add(1, 0, 0, 8, 8, 0, 0, -1);",
       self);
  ASSERT_TRUE(Run("tile_layer_hide(10); tile_layer_delete_at(-1, 4, 4);", self).ok);
  ASSERT_EQ(room->r_tile.size(), 2u);
  EXPECT_FALSE(room->r_tile[0].visible);
  ASSERT_TRUE(Run("tile_delete_at(8, 8, 0);", self).ok);  // edges included
  EXPECT_TRUE(room->r_tile.empty());
  Real("tile_add(1, 0, 0, 8, 8, 0, 0, 10); tile_layer_delete(10);", self);
  EXPECT_TRUE(room->r_tile.empty());
}

}  // namespace
