// The window's geometry: where the region is shown, the client limits of a
// fixed scale, the mapping between window, region and room, the following
// of views and the region a room asks for.
#include <gtest/gtest.h>

#include "graphics/Graphics_Window.h"
#include "world/Instance_Class.h"
#include "world/Room_Class.h"
#include "world/Room_Main.h"

namespace {

struct RPresentCase {
  int32_t cw, ch, rw, rh;
  double scale;
  RPixelRect expect;
};

TEST(WindowGeometry, PresentationRectangleFollowsTheScale) {
  const RPresentCase cases[] = {
      {1000, 600, 640, 480, -1, {100, 0, 800, 600}},  // keep the aspect: s = 1.25, bands left and right
      {1000, 600, 640, 480, 0, {0, 0, 1000, 600}},    // stretched over the client
      {1000, 600, 320, 240, 2, {180, 60, 640, 480}},  // fixed, centred
      {500, 400, 320, 240, 2, {-70, -40, 640, 480}},  // fixed and larger than the client: cropped
  };
  for (const RPresentCase &c : cases) {
    const RPixelRect r = Window_PresentationRect(c.cw, c.ch, c.rw, c.rh, c.scale);
    EXPECT_EQ(r.x, c.expect.x) << c.scale;
    EXPECT_EQ(r.y, c.expect.y) << c.scale;
    EXPECT_EQ(r.w, c.expect.w) << c.scale;
    EXPECT_EQ(r.h, c.expect.h) << c.scale;
  }
}

TEST(WindowGeometry, AFixedScaleKeepsTheClientAtLeastTheScaledRegion) {
  int32_t w = 0, h = 0;
  Window_MinimumClient(320, 240, 2, w, h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  Window_MinimumClient(320, 240, -1, w, h);  // fitting scales have no minimum
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
}

TEST(WindowGeometry, ClientPointsBecomeRegionPoints) {
  double rx = 0, ry = 0;
  // Kept aspect in 1000 x 600: the picture starts at x 100 with s 1.25.
  Window_ClientToRegion(1000, 600, 640, 480, -1, 100, 0, rx, ry);
  EXPECT_EQ(rx, 0);
  EXPECT_EQ(ry, 0);
  Window_ClientToRegion(1000, 600, 640, 480, -1, 900, 600, rx, ry);
  EXPECT_EQ(rx, 640);
  EXPECT_EQ(ry, 480);
  // Stretched: each axis on its own.
  Window_ClientToRegion(1000, 600, 500, 300, 0, 500, 300, rx, ry);
  EXPECT_EQ(rx, 250);
  EXPECT_EQ(ry, 150);
  // An empty region shows nothing to point at.
  Window_ClientToRegion(1000, 600, 0, 0, -1, 10, 10, rx, ry);
  EXPECT_EQ(rx, 0);
  EXPECT_EQ(ry, 0);
}

TEST(ViewMapping, RegionToRoomThroughAPortOffsetAndBack) {
  // A view showing room (100, 50, 200 x 100) in the port (10, 20, 400 x 200).
  const RViewMap v{true, 100, 50, 200, 100, 10, 20, 400, 200, 0};
  double x = 0, y = 0;
  View_RegionToRoom(v, 210, 120, x, y);
  EXPECT_EQ(x, 200);
  EXPECT_EQ(y, 100);
  double rx = 0, ry = 0;
  View_RoomToRegion(v, 200, 100, rx, ry);
  EXPECT_EQ(rx, 210);
  EXPECT_EQ(ry, 120);
  // An unused entry and a port without size leave the point as it is.
  View_RegionToRoom(RViewMap{}, 210, 120, x, y);
  EXPECT_EQ(x, 210);
  const RViewMap flat{true, 100, 50, 200, 100, 10, 20, 0, 200, 0};
  View_RegionToRoom(flat, 210, 120, x, y);
  EXPECT_EQ(x, 210);
  EXPECT_EQ(y, 120);
}

TEST(ViewMapping, ATurnedViewMapsAboutItsCentre) {
  // 90 degrees, port = view: the port's right middle is the room's top
  // middle of the view (the picture is turned counter-clockwise).
  const RViewMap v{true, 0, 0, 100, 100, 0, 0, 100, 100, 90};
  double x = 0, y = 0;
  View_RegionToRoom(v, 100, 50, x, y);
  EXPECT_EQ(x, 50);
  EXPECT_EQ(y, 100);
  double rx = 0, ry = 0;
  View_RoomToRegion(v, x, y, rx, ry);
  EXPECT_EQ(rx, 100);
  EXPECT_EQ(ry, 50);
  // Below 0.01 degrees a view counts as not turned.
  const RViewMap nearly{true, 0, 0, 100, 100, 0, 0, 100, 100, 0.005};
  View_RegionToRoom(nearly, 100, 50, x, y);
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 50);
}

TEST(ViewMapping, TheMouseGoesThroughTheViewThatShowsIt) {
  g_ViewMap = {};
  double x = 0, y = 0;
  View_RegionToRoomAny(30, 40, x, y);  // no view: the region point
  EXPECT_EQ(x, 30);
  EXPECT_EQ(y, 40);
  // Left half shows room 0..; right half shows room 1000...
  g_ViewMap[0] = RViewMap{true, 0, 0, 100, 100, 0, 0, 100, 100, 0};
  g_ViewMap[1] = RViewMap{true, 1000, 0, 100, 100, 100, 0, 100, 100, 0};
  View_RegionToRoomAny(150, 10, x, y);
  EXPECT_EQ(x, 1050);
  View_RegionToRoomAny(50, 10, x, y);
  EXPECT_EQ(x, 50);
  // Outside every view: the last entry tried (the lowest) stands.
  View_RegionToRoomAny(500, 10, x, y);
  EXPECT_EQ(x, 500);
  g_ViewMap = {};
}

class ViewFollowing : public ::testing::Test {
protected:
  void SetUp() override {
    room.r_width = 1000;
    room.r_height = 1000;
    room.r_enableviews = true;
    CView &v = room.r_view[0];
    v.visible = true;
    v.xview = 0, v.yview = 0, v.wview = 300, v.hview = 200;
    v.hborder = 32, v.vborder = 32;
    inst = room.AddInstance(-1, 500, 100);
    room.r_view[0].index = inst->i_id;
  }
  CRoom room;
  CInstance *inst = nullptr;
};

TEST_F(ViewFollowing, TheViewKeepsItsBorderAroundTheInstance) {
  View_Follow(room);
  EXPECT_EQ(room.r_view[0].xview, 232);
  EXPECT_EQ(room.r_view[0].yview, 0);  // 100 lies within the vertical borders
  EXPECT_TRUE(g_ViewMap[0].used);
  EXPECT_EQ(g_ViewMap[0].xview, 232);
}

TEST_F(ViewFollowing, SpeedLimitsTheMoveAndTheRoomClampsIt) {
  room.r_view[0].hspeed = 100;
  View_Follow(room);
  EXPECT_EQ(room.r_view[0].xview, 100);
  inst->i_x = 990;  // near the right edge: the view stops at the room's end
  room.r_view[0].hspeed = -1;
  View_Follow(room);
  EXPECT_EQ(room.r_view[0].xview, 700);
  // Borders wider than half the view centre it.
  room.r_view[0].hborder = 200;
  inst->i_x = 400;
  View_Follow(room);
  EXPECT_EQ(room.r_view[0].xview, 250);
  // A marked instance is not followed.
  inst->i_marked = true;
  inst->i_x = 0;
  View_Follow(room);
  EXPECT_EQ(room.r_view[0].xview, 250);
}

TEST(RoomRegion, ViewsOrTheRoomGiveTheRegion) {
  CRoom room;
  room.r_width = 800, room.r_height = 600;
  int32_t w = 0, h = 0;
  View_RoomRegion(room, w, h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
  room.r_enableviews = true;  // none visible
  View_RoomRegion(room, w, h);
  EXPECT_EQ(w, 8);
  EXPECT_EQ(h, 8);
  room.r_view[2].visible = true;
  room.r_view[2].xport = 100, room.r_view[2].wport = 300;
  room.r_view[2].yport = 0, room.r_view[2].hport = 5;
  View_RoomRegion(room, w, h);
  EXPECT_EQ(w, 400);
  EXPECT_EQ(h, 8);
}

}  // namespace
