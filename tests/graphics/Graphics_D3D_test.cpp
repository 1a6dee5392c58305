#include "graphics/Graphics_D3D.h"

#include <cmath>
#include <limits>

#include "Graphics_Fixture.h"
#include "base/BM32_Bitmap.h"
#include "graphics/Graphics_D3DX8.h"

namespace {

class CScreenWindow : public CHeadlessWindow {
public:
  RDisplayMode mode;
  RDisplayMode DisplayMode() override { return mode; }
};

// Where a room point lands in the viewport (-1 ... 1, y up) through the
// view and projection the device was last given.
RVector3 Clip(const testplatform::CRecordingRender &d, double x, double y) {
  RMatrix view, projection, both;
  std::copy(d.view, d.view + 16, &view.m[0][0]);
  std::copy(d.projection, d.projection + 16, &projection.m[0][0]);
  D3DXMatrixMultiply(both, view, projection);
  return D3DXVec3TransformCoord(RVector3{x, y, 0}, both);
}

constexpr const char *kDepthMessage =
    "This program requires 16-bit (High Color) or 32-bit (Full Color) mode. Please change this in your display "
    "properties and run again.";
constexpr const char *kDeviceMessage =
    "Failed to initialize Direct3D. Old graphics cards do not support this. Also make sure version 8.0 or later of "
    "DirectX is installed on your machine.";

}  // namespace

TEST_F(GraphicsTest, InitChecksTheScreenAndTheDevice) {
  CScreenWindow window;
  testplatform::SetWindow(&window);
  struct RCase {
    int32_t depth;
    bool opens;
    bool ok;
    const char *message;
  } cases[] = {
      {32, true, true, nullptr},       {16, true, true, nullptr},          {24, true, false, kDepthMessage},
      {8, true, false, kDepthMessage}, {32, false, false, kDeviceMessage},
  };
  for (const RCase &c : cases) {
    SCOPED_TRACE(testing::Message() << "depth " << c.depth << " opens " << c.opens);
    GR_D3D_Reset_State();
    dialogs.messages.clear();
    window.mode.depth = c.depth;
    device.openOk = c.opens;
    EXPECT_EQ(GR_D3D_Init(640, 480, false), c.ok);
    EXPECT_EQ(GR_D3D_Exists(), c.ok);
    if (c.message) EXPECT_EQ(dialogs.messages, std::vector<std::string>{c.message});
    else EXPECT_TRUE(dialogs.messages.empty());
  }
  testplatform::SetWindow(nullptr);
}

TEST_F(GraphicsTest, RegionIsCutToTheScreen) {
  CScreenWindow window;
  window.mode.width = 800;
  window.mode.height = 600;
  testplatform::SetWindow(&window);
  GR_D3D_Reset_State();
  ASSERT_TRUE(GR_D3D_Init(2000, 300, false));
  int32_t w = 0, h = 0;
  GR_D3D_Get_Region_Size(w, h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 300);
  EXPECT_EQ(device.viewport.w, 800);
  EXPECT_EQ(device.viewport.h, 300);

  GR_D3D_Set_Region_Size(5000, 400);
  GR_D3D_Get_Region_Size(w, h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 400);
  EXPECT_EQ(device.viewport.h, 400);
  // The new projection shows the whole new region.
  const RVector3 corner = Clip(device, 800, 400);
  EXPECT_NEAR(corner.x, 1, 1e-5);
  EXPECT_NEAR(corner.y, -1, 1e-5);
  testplatform::SetWindow(nullptr);
}

TEST_F(GraphicsTest, ProjectionFillsTheViewportWithTheRoomRectangle) {
  GR_D3D_Set_Projection(100, 50, 320, 240, 0);
  const struct {
    double x, y, cx, cy;
  } corners[] = {{100, 50, -1, 1}, {420, 50, 1, 1}, {420, 290, 1, -1}, {100, 290, -1, -1}, {260, 170, 0, 0}};
  for (const auto &c : corners) {
    const RVector3 p = Clip(device, c.x, c.y);
    EXPECT_NEAR(p.x, c.cx, 1e-5) << c.x << "," << c.y;
    EXPECT_NEAR(p.y, c.cy, 1e-5) << c.x << "," << c.y;
    EXPECT_GT(p.z, 0);
    EXPECT_LT(p.z, 1);
  }
  // A quarter turn: the room's right edge is shown at the top and its
  // bottom edge at the right.
  GR_D3D_Set_Projection(0, 0, 200, 100, 90);
  RVector3 p = Clip(device, 100 + 50, 50);
  EXPECT_NEAR(p.x, 0, 1e-5);
  EXPECT_NEAR(p.y, 1, 1e-5);
  p = Clip(device, 100, 50 + 100);
  EXPECT_NEAR(p.x, 1, 1e-5);
  EXPECT_NEAR(p.y, 0, 1e-5);
}

TEST_F(GraphicsTest, PerspectiveInThreeDModeShowsThePlaneAtDepthZero) {
  GR_D3D_Set_3D_Mode(true);
  GR_D3D_Set_Projection(0, 0, 640, 480, 0);
  const RVector3 centre = Clip(device, 320, 240), corner = Clip(device, 640, 480);
  EXPECT_NEAR(centre.x, 0, 1e-5);
  EXPECT_NEAR(corner.x, 1, 1e-5);
  EXPECT_NEAR(std::fabs(corner.y), 1, 1e-5);
  GR_D3D_Set_Perspective(false);
  GR_D3D_Set_Projection(0, 0, 640, 480, 0);
  EXPECT_NEAR(Clip(device, 640, 480).y, -1, 1e-5);
}

TEST_F(GraphicsTest, StatesReachTheDeviceAtDrawTimeOnlyWhenChanged) {
  const RDeviceVertex v[1];
  GR_D3D_Draw(TDevicePrimitive::PointList, v, 1, -1);
  EXPECT_TRUE(device.statesSent.empty()) << "the defaults went with the device's opening";
  RDeviceStates defaults;
  defaults.fogColour = 0xFF000000u;  // black fog, opaque
  EXPECT_EQ(device.states, defaults);

  GR_D3D_Set_Blend_Mode(1);
  EXPECT_TRUE(device.statesSent.empty()) << "a setter alone sends nothing";
  GR_D3D_Draw(TDevicePrimitive::PointList, v, 1, -1);
  ASSERT_EQ(device.statesSent.size(), 1u);
  EXPECT_EQ(device.drawn.back().states.destBlend, 2);

  GR_D3D_Set_Blend_Mode(1);
  GR_D3D_Draw(TDevicePrimitive::PointList, v, 1, -1);
  EXPECT_EQ(device.statesSent.size(), 1u);

  // Hidden-surface removal is on from the start but tests depth only in 3D.
  GR_D3D_Set_3D_Mode(true);
  GR_D3D_Set_Fog(true, 0x0000FF, 10, 20);
  GR_D3D_Draw(TDevicePrimitive::PointList, v, 1, -1);
  ASSERT_EQ(device.statesSent.size(), 2u);
  EXPECT_TRUE(device.states.depth);
  EXPECT_TRUE(device.states.fog);
  EXPECT_EQ(device.states.fogColour, 0xFFFF0000u);
  EXPECT_EQ(device.states.fogEnd, 20.0f);
}

TEST_F(GraphicsTest, BlendModes) {
  const struct {
    int32_t mode, src, dest;
  } cases[] = {{0, 5, 6}, {1, 5, 2}, {2, 5, 4}, {3, 1, 4}, {7, 5, 6}, {-1, 5, 6}};
  const RDeviceVertex v[1];
  for (const auto &c : cases) {
    GR_D3D_Set_Blend_Mode(c.mode);
    GR_D3D_Draw(TDevicePrimitive::PointList, v, 1, -1);
    EXPECT_EQ(device.drawn.back().states.srcBlend, c.src) << c.mode;
    EXPECT_EQ(device.drawn.back().states.destBlend, c.dest) << c.mode;
  }
}

TEST_F(GraphicsTest, SomeSwitchesWaitForTheDeviceAndOthersAreKept) {
  GR_D3D_Reset_State();
  GR_D3D_Set_Interpolation(false);
  GR_D3D_Set_Texture_Repeat(true);
  GR_D3D_Set_Culling(true);
  GR_D3D_Set_Texture_Blending(false);
  GR_D3D_Set_Blend_Mode_Ext(2, 2);
  GR_D3D_Set_Lighting(true);
  GR_D3D_Set_Shading(false);
  EXPECT_TRUE(GR_D3D_Get_Interpolation());
  EXPECT_FALSE(GR_D3D_Get_Texture_Repeat());
  ASSERT_TRUE(GR_D3D_Init(640, 480, false));
  EXPECT_FALSE(device.states.culling);
  EXPECT_TRUE(device.states.linear);
  EXPECT_TRUE(device.states.modulate);
  EXPECT_EQ(device.states.srcBlend, 2);
  EXPECT_TRUE(device.states.lighting);
  EXPECT_FALSE(device.states.smooth);
}

TEST(GraphicsColour, DeviceColour) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const struct {
    uint32_t colour;
    double alpha;
    uint32_t device;
  } cases[] = {
      {0x0000FF, 1, 0xFFFF0000u}, {0x123456, 1, 0xFF563412u}, {0xFF0000, 0, 0x000000FFu},
      {0, 0.5, 0x80000000u},  // 127.5 goes to the even 128
      {0, 2.5 / 255, 0x02000000u}, {0, 2, 0xFF000000u}, {0, -1, 0}, {0, nan, 0}, {0, inf, 0xFF000000u},
      {0, -inf, 0},
  };
  for (const auto &c : cases) EXPECT_EQ(GR_Device_Colour(c.colour, c.alpha), c.device) << c.colour << " " << c.alpha;
}

TEST_F(GraphicsTest, FrameEndPresentsTheRegionAndResetsWhenItFails) {
  EXPECT_TRUE(GR_D3D_Start_Frame());
  EXPECT_TRUE(GR_D3D_End_Frame());
  ASSERT_EQ(device.presents.size(), 1u);
  EXPECT_EQ(device.presents[0].dest.w, 640);
  EXPECT_EQ(device.presents[0].dest.h, 480);

  GR_D3D_Set_Presentation(RPixelRect{10, 20, 1280, 960}, 0x00FF00);
  GR_D3D_Set_Sync(true);
  device.presentOk = false;
  Forget();
  EXPECT_TRUE(GR_D3D_End_Frame());
  ASSERT_EQ(device.presents.size(), 1u);
  const auto &p = device.presents[0];
  EXPECT_EQ(p.regionWidth, 640);
  EXPECT_EQ(p.regionHeight, 480);
  EXPECT_EQ(p.dest.x, 10);
  EXPECT_EQ(p.dest.w, 1280);
  EXPECT_EQ(p.band, 0x00FF00u);
  EXPECT_TRUE(p.sync);
  // The reset cleared target and depth and applied the switches again.
  ASSERT_EQ(device.clears.size(), 1u);
  EXPECT_TRUE(device.clears[0].depth);
  EXPECT_EQ(device.statesSent.size(), 1u);

  // A refresh shows again but does not reset.
  Forget();
  EXPECT_TRUE(GR_D3D_Refresh());
  EXPECT_EQ(device.presents.size(), 1u);
  EXPECT_TRUE(device.clears.empty());

  GR_D3D_Finish();
  EXPECT_FALSE(GR_D3D_Start_Frame());
  EXPECT_FALSE(GR_D3D_End_Frame());
  EXPECT_FALSE(GR_D3D_Refresh());
  EXPECT_FALSE(GR_D3D_Reset());
}

TEST_F(GraphicsTest, ResetLetsTargetsGoFirst) {
  static int freed = 0;
  freed = 0;
  GR_D3D_Set_Reset_Hook([] { ++freed; });
  EXPECT_TRUE(GR_D3D_Reset());
  EXPECT_EQ(freed, 1);
  GR_D3D_Set_Reset_Hook(nullptr);
}

TEST_F(GraphicsTest, GrabCutsToTheRegion) {
  device.pictureWidth = 640;
  device.pictureHeight = 480;
  device.picture.assign(640 * 480, 0xFF000000u);
  device.picture[5 * 640 + 7] = 0xFF112233u;  // red 11, green 22, blue 33
  const struct {
    int32_t x, y, w, h;
    bool some;
    RPixelRect read;
  } cases[] = {
      {-5, -6, 10, 10, true, {0, 0, 10, 10}},
      {630, 470, 100, 100, true, {630, 470, 10, 10}},
      {640, 0, 10, 10, false, {}},
      {0, 0, 0, 10, false, {}},
      {0, 480, 10, 10, false, {}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.w << "x" << c.h);
    const auto grabbed = GR_D3D_Grab_Region(c.x, c.y, c.w, c.h);
    ASSERT_EQ(grabbed != nullptr, c.some);
    if (!c.some) continue;
    EXPECT_EQ(grabbed->Width(), c.read.w);
    EXPECT_EQ(grabbed->Height(), c.read.h);
    EXPECT_EQ(device.lastRead.x, c.read.x);
    EXPECT_EQ(device.lastRead.y, c.read.y);
  }
  EXPECT_EQ(GR_D3D_Get_Pixel(7, 5), 0x332211u);
  EXPECT_EQ(GR_D3D_Get_Pixel(8, 5), 0u);
  EXPECT_EQ(GR_D3D_Get_Pixel(700, 5), 0u);

  // An unreadable picture gives nothing.
  device.pictureWidth = 0;
  EXPECT_EQ(GR_D3D_Grab_Region(0, 0, 4, 4), nullptr);
}

TEST_F(GraphicsTest, WithoutAPictureAGrabStillHasItsSize) {
  device.draws = false;
  const auto grabbed = GR_D3D_Grab_Region(600, 0, 100, 20);
  ASSERT_NE(grabbed, nullptr);
  EXPECT_EQ(grabbed->Width(), 40);
  EXPECT_EQ(grabbed->Height(), 20);
  EXPECT_EQ(grabbed->Pixel(0, 0), 0xFF000000u);
  GR_D3D_Finish();
  EXPECT_EQ(GR_D3D_Grab_Region(0, 0, 4, 4), nullptr);
}

TEST_F(GraphicsTest, DrawClampsWhenAskedAndDrawsWithTheTexture) {
  const uint32_t pixels[4] = {};
  const int32_t tex = GR_Texture_Create_And_Fill(2, 2, pixels);
  GR_D3D_Set_Texture_Repeat(true);
  const RDeviceVertex v[3];
  GR_D3D_Draw(TDevicePrimitive::TriangleList, v, 3, tex);
  EXPECT_TRUE(device.drawn.back().states.repeat);
  EXPECT_EQ(device.drawn.back().texture, GR_Texture_Handle(tex));
  EXPECT_NE(device.drawn.back().texture, 0u);
  GR_D3D_Draw(TDevicePrimitive::TriangleList, v, 3, tex + 1, true);
  EXPECT_FALSE(device.drawn.back().states.repeat);
  EXPECT_FALSE(GR_D3D_Get_Texture_Repeat());
  EXPECT_EQ(device.drawn.back().texture, 0u);
  GR_D3D_Draw(TDevicePrimitive::TriangleList, v, 0, tex);
  EXPECT_EQ(device.drawn.size(), 2u);
}

TEST_F(GraphicsTest, ClearUsesTheDeviceColour) {
  GR_D3D_Clear(0x0000FF, 0.5, true);
  ASSERT_EQ(device.clears.size(), 1u);
  EXPECT_EQ(device.clears[0].colour, 0x80FF0000u);
  EXPECT_TRUE(device.clears[0].depth);
}
