#include "graphics/Graphics_Quad.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "Graphics_Fixture.h"

namespace {

int32_t Make(int32_t w, int32_t h) {
  const std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h), 0xFFFFFFFFu);
  return GR_Texture_Create_And_Fill(w, h, pixels.data());
}

struct RBox {
  double left, top, right, bottom;
};

RBox Bounds(const std::vector<RDeviceVertex> &v) {
  RBox b{v[0].x, v[0].y, v[0].x, v[0].y};
  for (const RDeviceVertex &p : v) {
    b.left = std::min<double>(b.left, p.x);
    b.right = std::max<double>(b.right, p.x);
    b.top = std::min<double>(b.top, p.y);
    b.bottom = std::max<double>(b.bottom, p.y);
  }
  return b;
}

void ExpectCorners(const testplatform::CRecordingRender::RDraw &d, const double (&xy)[4][2]) {
  ASSERT_EQ(d.kind, TDevicePrimitive::TriangleFan);
  ASSERT_EQ(d.vertices.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(d.vertices[i].x, xy[i][0], 1e-4) << "corner " << i;
    EXPECT_NEAR(d.vertices[i].y, xy[i][1], 1e-4) << "corner " << i;
  }
}

}  // namespace

TEST_F(GraphicsTest, SimpleQuadIsTheWholeImageOpaqueWhite) {
  const int32_t tex = Make(20, 30);
  GR_D3D_Set_Depth(7);
  GR_Quad_Simple(tex, 100, 50, 4, 6);
  const auto &d = OnlyDraw();
  ExpectCorners(d, {{95.5, 43.5}, {115.5, 43.5}, {115.5, 73.5}, {95.5, 73.5}});
  const float uv[4][2] = {{0, 0}, {0.625f, 0}, {0.625f, 0.9375f}, {0, 0.9375f}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(d.vertices[i].u, uv[i][0]);
    EXPECT_EQ(d.vertices[i].v, uv[i][1]);
    EXPECT_EQ(d.vertices[i].colour, 0xFFFFFFFFu);
    EXPECT_EQ(d.vertices[i].z, 7.0f);
  }
  EXPECT_EQ(d.texture, GR_Texture_Handle(tex));
}

TEST_F(GraphicsTest, TransformedQuadTurnsCounterClockwiseAboutThePosition) {
  const int32_t tex = Make(10, 20);
  // A quarter turn: 10 x 20 at (100, 100) covers x 99.5 ... 119.5 and
  // y 90.5 ... 100.5.
  GR_Quad_Transformed(tex, 100, 100, 0, 0, 1, 1, 90, 0xFFFFFF, 1);
  const RBox b = Bounds(device.drawn.back().vertices);
  EXPECT_NEAR(b.left, 99.5, 1e-4);
  EXPECT_NEAR(b.right, 119.5, 1e-4);
  EXPECT_NEAR(b.top, 90.5, 1e-4);
  EXPECT_NEAR(b.bottom, 100.5, 1e-4);
  // The image's top-right corner went up: counter-clockwise on screen.
  EXPECT_NEAR(device.drawn.back().vertices[1].y, 90.5, 1e-4);

  // Below a thousandth of a radian the corners are not turned at all.
  GR_Quad_Transformed(tex, 100, 100, 5, 10, 2, 0.5, 0.0005, 0x0000FF, 0.5);
  ExpectCorners(device.drawn.back(), {{89.5, 94.5}, {109.5, 94.5}, {109.5, 104.5}, {89.5, 104.5}});
  EXPECT_EQ(device.drawn.back().vertices[0].colour, 0x80FF0000u);
}

TEST_F(GraphicsTest, PartQuadMapsThePartAndTakesFourColours) {
  const int32_t tex = Make(20, 30);  // a 32 x 32 texture
  GR_Quad_Part(tex, 4, 8, 12, 16, 50, 60, 2, 1, 0, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF, 1);
  const auto &d = OnlyDraw();
  ExpectCorners(d, {{49.5, 59.5}, {73.5, 59.5}, {73.5, 75.5}, {49.5, 75.5}});
  EXPECT_FLOAT_EQ(d.vertices[0].u, 4.0f / 32);
  EXPECT_FLOAT_EQ(d.vertices[0].v, 8.0f / 32);
  EXPECT_FLOAT_EQ(d.vertices[2].u, 16.0f / 32);
  EXPECT_FLOAT_EQ(d.vertices[2].v, 24.0f / 32);
  const uint32_t colours[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(d.vertices[i].colour, colours[i]) << i;

  // Turned about its top-left corner, the -0.5 offsets turned with it.
  GR_Quad_Part(tex, 0, 0, 10, 10, 50, 60, 1, 1, 180, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 1);
  ExpectCorners(device.drawn.back(), {{50.5, 60.5}, {40.5, 60.5}, {40.5, 50.5}, {50.5, 50.5}});
}

TEST_F(GraphicsTest, FreeQuadPutsTheImageOnFourCorners) {
  const int32_t tex = Make(16, 16);
  GR_Quad_Free(tex, 0, 0, 10, 1, 12, 14, -2, 9, 0.25);
  const auto &d = OnlyDraw();
  ExpectCorners(d, {{-0.5, -0.5}, {9.5, 0.5}, {11.5, 13.5}, {-2.5, 8.5}});
  EXPECT_EQ(d.vertices[3].colour, 0x40FFFFFFu);
  EXPECT_EQ(d.vertices[2].u, 1.0f);
}

TEST_F(GraphicsTest, TiledQuadStartsAtTheLastTileBeforeTheRegion) {
  const int32_t tex = Make(32, 16);
  const auto columns = [&] {
    std::vector<double> xs;
    for (const auto &d : device.drawn) xs.push_back(d.vertices[0].x + 0.5);
    return xs;
  };
  // Across a room 100 wide, one row.
  GR_Quad_Tiled(tex, 40, 0, 0, 0, 0, 0, 100, 16, true, false, 1, 1, 0xFFFFFF, 1);
  EXPECT_EQ(columns(), (std::vector<double>{-24, 8, 40, 72}));

  const struct {
    double x, left;
    bool htiled;
    std::vector<double> expected;
  } cases[] = {
      {0, 0, true, {0, 32, 64, 96}},        // a start of 0 stays
      {-40, 0, true, {-8, 24, 56, 88}},     // negative remainders keep their sign
      {40, 70, true, {40, 72, 104, 136, 168}},  // moved up to the region's left edge
      {40, 0, false, {40}},                 // untiled: just the one column
      {140, 0, false, {}},                  // starting past the far edge: nothing
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << "x " << c.x << " left " << c.left);
    Forget();
    GR_Quad_Tiled(tex, c.x, 0, 0, 0, c.left, 0, 100, 16, c.htiled, false, 1, 1, 0xFFFFFF, 1);
    EXPECT_EQ(columns(), c.expected);
  }

  // In both directions: a 2 x 2 grid over a 64 x 32 region from (0, 0),
  // with the origin and scale moving the corners.
  Forget();
  GR_Quad_Tiled(tex, 0, 0, 4, 2, 0, 0, 64, 32, true, true, 1, 1, 0xFFFFFF, 1);
  ASSERT_EQ(device.drawn.size(), 4u);
  ExpectCorners(device.drawn[1], {{-4.5, 13.5}, {27.5, 13.5}, {27.5, 29.5}, {-4.5, 29.5}});
}

TEST_F(GraphicsTest, QuadsDrawNothingForBadTexturesOrTinyTiles) {
  const int32_t tex = Make(4, 4);
  GR_Quad_Simple(-1, 0, 0, 0, 0);
  GR_Quad_Transformed(tex + 1, 0, 0, 0, 0, 1, 1, 0, 0, 1);
  GR_Quad_Tiled(tex, 0, 0, 0, 0, 0, 0, 100, 100, true, true, 0.1, 1, 0, 1);    // 0.4 pixels wide
  GR_Quad_Tiled(tex, 0, 0, 0, 0, 0, 0, 100, 100, true, true, -1, 1, 0, 1);     // mirrored
  GR_Quad_Tiled(tex, std::numeric_limits<double>::infinity(), 0, 0, 0, 0, 0, 100, 100, true, true, 1, 1, 0, 1);  // infinite
  EXPECT_TRUE(device.drawn.empty());
}

TEST_F(GraphicsTest, QuadsClampTheTextureAddressing) {
  const int32_t tex = Make(4, 4);
  GR_D3D_Set_Texture_Repeat(true);
  GR_Quad_Simple(tex, 0, 0, 0, 0);
  EXPECT_FALSE(OnlyDraw().states.repeat);
  EXPECT_FALSE(GR_D3D_Get_Texture_Repeat());
}
