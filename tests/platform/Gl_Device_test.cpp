// The OpenGL render device, drawn offscreen and read back: where quads,
// lines and points land, how textures are sampled and stages combine, the
// blend factors, render targets, depth, alpha test, fog, culling, flat
// shading, joining draws, and showing a region in the window.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/gl/Gl_Device.h"
#include "platform/sdl/Sdl_Window.h"
#include "support/Picture_Compare.h"

namespace {

constexpr int kSize = 64;

// Drawing coordinates are pixels, y down, depth as given.
void PixelProjection(int w, int h, float m[16]) {
  const float p[16] = {2.0f / w, 0, 0, 0, 0, -2.0f / h, 0, 0, 0, 0, 1, 0, -1, 1, 0, 1};
  for (int i = 0; i < 16; ++i) m[i] = p[i];
}

RDeviceVertex V(float x, float y, uint32_t colour, float u = 0, float v = 0, float z = 0) {
  RDeviceVertex r;
  r.x = x, r.y = y, r.z = z, r.colour = colour, r.u = u, r.v = v;
  return r;
}

class GlDeviceTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    // Without a display the tests draw offscreen, as CI does.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    s_window = std::make_unique<CSdlWindow>();
    s_device = std::make_unique<CGlDevice>(*s_window);
    std::string error;
    if (!s_window->Open(kSize, kSize, error) || !s_device->Open(kSize, kSize, error)) {
      s_why = "no OpenGL 3.3 context can be made here: " + error;
      s_device.reset();
      s_window.reset();
    }
  }
  static void TearDownTestSuite() {
    s_device.reset();
    s_window.reset();
  }

  void SetUp() override {
    if (!s_device) GTEST_SKIP() << s_why;
    dev().SetBatching(true);
    dev().SetTarget(0);
    dev().SetTexture(0);
    dev().SetStates(RDeviceStates());
    Viewport(kSize, kSize);
    dev().Clear(true, 0xFF000000u, true);
  }

  static CGlDevice &dev() { return *s_device; }

  static void Viewport(int w, int h) {
    dev().SetViewport(RPixelRect{0, 0, w, h});
    float proj[16];
    PixelProjection(w, h, proj);
    dev().SetTransforms(nullptr, nullptr, proj);
  }

  static RDeviceStates States(int src, int dest) {
    RDeviceStates s;
    s.srcBlend = src, s.destBlend = dest;
    return s;
  }

  // A quad from (x0, y0) to (x1, y1) as a fan, corners top-left, top-right,
  // bottom-right, bottom-left, mapping (u0, v0) ... (u1, v1).
  static void Quad(float x0, float y0, float x1, float y1, uint32_t colour, float u0 = 0, float v0 = 0, float u1 = 1,
                   float v1 = 1, float z = 0) {
    const RDeviceVertex q[4] = {V(x0, y0, colour, u0, v0, z), V(x1, y0, colour, u1, v0, z),
                                V(x1, y1, colour, u1, v1, z), V(x0, y1, colour, u0, v1, z)};
    dev().Draw(TDevicePrimitive::TriangleFan, q, 4);
  }

  // The pixels of the current target, top row first.
  static std::vector<uint32_t> Read(int x = 0, int y = 0, int w = kSize, int h = kSize) {
    std::vector<uint32_t> px(size_t(w) * h, 0xDEADBEEFu);
    EXPECT_TRUE(dev().ReadPixels(RPixelRect{x, y, w, h}, px.data()));
    return px;
  }

  // Every pixel of the picture is inside if it lies in [x0, x1) x [y0, y1).
  static void ExpectRect(const std::vector<uint32_t> &px, int x0, int y0, int x1, int y1, uint32_t inside,
                         uint32_t outside) {
    int wrong = 0;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        const bool in = x >= x0 && x < x1 && y >= y0 && y < y1;
        const uint32_t want = in ? inside : outside;
        if (px[size_t(y) * kSize + x] != want && wrong++ < 4)
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << px[size_t(y) * kSize + x]
                        << ", expected " << want;
      }
    EXPECT_EQ(wrong, 0);
  }

  static inline std::unique_ptr<CSdlWindow> s_window;
  static inline std::unique_ptr<CGlDevice> s_device;
  static inline std::string s_why;
};

TEST_F(GlDeviceTest, FilledQuadsCoverExactlyTheirPixels) {
  struct Case {
    float x0, y0, x1, y1;  // corners as drawing gives them
    int px0, py0, px1, py1;  // the pixels expected, end exclusive
  } cases[] = {
      {10 - 0.5f, 20 - 0.5f, 17 - 0.5f, 25 - 0.5f, 10, 20, 17, 25},  // an image of 7 x 5 at (10, 20)
      {0 - 0.5f, 0 - 0.5f, 1 - 0.5f, 1 - 0.5f, 0, 0, 1, 1},          // one pixel in the corner
      {10, 10, 20.01f, 20.01f, 10, 10, 21, 21},                      // a filled rectangle 10 ... 20
      {10.5f, 10, 20.5f, 20.01f, 11, 10, 21, 21},                    // starting between pixels
      {60 - 0.5f, 60 - 0.5f, 70 - 0.5f, 70 - 0.5f, 60, 60, 64, 64},  // cut at the viewport's edge
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "quad " << c.x0 << ", " << c.y0 << " - " << c.x1 << ", " << c.y1);
    dev().Clear(true, 0xFF000000u, false);
    Quad(c.x0, c.y0, c.x1, c.y1, 0xFFFF0000u);
    ExpectRect(Read(), c.px0, c.py0, c.px1, c.py1, 0xFFFF0000u, 0xFF000000u);
  }
}

// An unscaled image at whole coordinates shows every texel on its own pixel
// with linear filtering on: no texel bleeds into its neighbour.
TEST_F(GlDeviceTest, UnscaledTextureLandsTexelForPixel) {
  const int w = 13, h = 9, wt = 16, ht = 16;
  std::vector<uint32_t> image(size_t(w) * h);
  uint32_t seed = 12345;
  for (uint32_t &p : image) {
    seed = seed * 1103515245u + 12345u;
    p = 0xFF000000u | (seed >> 8);
  }
  const uint32_t tex = dev().CreateTexture(wt, ht, w, h, image.data());
  ASSERT_NE(tex, 0u);
  RDeviceStates s;
  s.linear = true;
  dev().SetStates(s);
  dev().SetTexture(tex);
  const int x = 21, y = 30;
  Quad(x - 0.5f, y - 0.5f, x + w - 0.5f, y + h - 0.5f, 0xFFFFFFFFu, 0, 0, float(w) / wt, float(h) / ht);
  const std::vector<uint32_t> px = Read(x, y, w, h);
  EXPECT_EQ(px, image);
  // Nothing around it.
  const std::vector<uint32_t> all = Read();
  for (int j = 0; j < kSize; ++j) {
    for (int i = 0; i < kSize; ++i) {
      if (i < x || i >= x + w || j < y || j >= y + h) {
        ASSERT_EQ(all[size_t(j) * kSize + i], 0xFF000000u) << i << "," << j;
      }
    }
  }
  dev().ReleaseTexture(tex);
}

TEST_F(GlDeviceTest, OnePixelLinesAndPointsCoverTheExpectedPixels) {
  struct Case {
    TDevicePrimitive kind;
    std::vector<std::pair<float, float>> points;
    int px0, py0, px1, py1;  // the pixels expected, end exclusive
  } cases[] = {
      {TDevicePrimitive::LineList, {{10.01f, 5.01f}, {20.01f, 5.01f}}, 10, 5, 20, 6},  // horizontal
      {TDevicePrimitive::LineList, {{20.01f, 5.01f}, {10.01f, 5.01f}}, 11, 5, 21, 6},  // drawn leftwards
      {TDevicePrimitive::LineList, {{7.01f, 3.01f}, {7.01f, 40.01f}}, 7, 3, 7 + 1, 40},  // vertical
      {TDevicePrimitive::LineStrip, {{2.01f, 9.01f}, {12.01f, 9.01f}, {30.01f, 9.01f}}, 2, 9, 30, 10},
      {TDevicePrimitive::PointList, {{33, 44}}, 33, 44, 34, 45},
      {TDevicePrimitive::PointList, {{33.01f, 44.01f}}, 33, 44, 34, 45},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "primitive " << int(c.kind) << " from " << c.points[0].first << ", "
                                    << c.points[0].second);
    dev().Clear(true, 0xFF000000u, false);
    std::vector<RDeviceVertex> v;
    for (auto [x, y] : c.points) v.push_back(V(x, y, 0xFF00FF00u));
    dev().Draw(c.kind, v.data(), int32_t(v.size()));
    ExpectRect(Read(), c.px0, c.py0, c.px1, c.py1, 0xFF00FF00u, 0xFF000000u);
  }
}

// One source colour over one destination colour with every pair of factors
// games use most, against the blend equation worked out by hand. Drawn into
// a render target, whose alpha channel is real; the back buffer has none
// and reads its alpha as 1.
TEST_F(GlDeviceTest, BlendFactorsCombineSourceAndDestination) {
  const uint32_t target = dev().CreateTarget(16, 16);
  ASSERT_NE(target, 0u);
  dev().SetTarget(target);
  Viewport(16, 16);
  const double S[4] = {200 / 255.0, 100 / 255.0, 40 / 255.0, 96 / 255.0};  // r, g, b, a
  const double D[4] = {30 / 255.0, 150 / 255.0, 220 / 255.0, 160 / 255.0};
  const uint32_t src = 0x60C86428u, dst = 0xA01E96DCu;
  auto factor = [&](int f, int ch) -> double {
    const bool alpha = ch == 3;
    switch (f) {
      case 1: return 0;
      case 2: return 1;
      case 3: return S[ch];
      case 4: return 1 - S[ch];
      case 5: return S[3];
      case 6: return 1 - S[3];
      case 7: return D[3];
      case 8: return 1 - D[3];
      case 9: return D[ch];
      case 10: return 1 - D[ch];
      case 11: return alpha ? 1 : std::min(S[3], 1 - D[3]);
    }
    return -1;
  };
  const std::pair<int, int> pairs[] = {{5, 6}, {5, 2}, {5, 4}, {1, 4}, {2, 1}, {1, 2}, {9, 1}, {7, 8},
                                       {11, 2}, {3, 10}, {10, 3}, {8, 7}, {2, 2}, {4, 9}};
  for (auto [sf, df] : pairs) {
    SCOPED_TRACE(testing::Message() << "blend " << sf << ", " << df);
    dev().SetStates(RDeviceStates());
    dev().Clear(true, dst, false);
    dev().SetStates(States(sf, df));
    Quad(-0.5f, -0.5f, 15.5f, 15.5f, src);
    const uint32_t got = Read(4, 4, 1, 1)[0];
    const int shifts[4] = {16, 8, 0, 24};
    for (int ch = 0; ch < 4; ++ch) {
      const double v = std::min(1.0, S[ch] * factor(sf, ch) + D[ch] * factor(df, ch)) * 255.0;
      const int want = int(std::lround(v));
      const int have = int((got >> shifts[ch]) & 0xFF);
      // The driver blends in 8 bits; its rounding may differ from the exact
      // value by one step.
      EXPECT_NEAR(have, want, 1) << "channel " << "rgba"[ch] << " (exact " << v << ")";
    }
  }
  // The back buffer: destination alpha is 1, so "inverse destination alpha"
  // takes nothing of the source.
  dev().SetTarget(0);
  Viewport(kSize, kSize);
  dev().SetStates(RDeviceStates());
  dev().Clear(true, 0xFF102030u, false);
  dev().SetStates(States(8, 2));
  Quad(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFFu);
  EXPECT_EQ(Read(1, 1, 1, 1)[0], 0xFF102030u);
  dev().ReleaseTexture(target);
}

TEST_F(GlDeviceTest, TextureStageModulatesOrSelects) {
  // Texel: red 200, green 100, blue 50, alpha 255. Vertex: red and blue full,
  // green none, alpha full or none.
  const uint32_t texel = 0xFFC86432u;
  const uint32_t tex = dev().CreateTexture(1, 1, 1, 1, &texel);
  ASSERT_NE(tex, 0u);
  struct Case {
    bool modulate;
    uint32_t vertex;
    uint32_t expected;  // over a black background, normal blending
  } cases[] = {
      {true, 0xFFFF00FFu, 0xFFC80032u},   // texture times colour
      {true, 0x00FF00FFu, 0xFF000000u},   // alpha times 0: nothing shows
      {false, 0xFFFF00FFu, 0xFFC86432u},  // the texture as it is
      {false, 0x00FF00FFu, 0xFFC86432u},  // the vertex alpha ignored too
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "modulate " << c.modulate << " vertex " << std::hex << c.vertex);
    dev().Clear(true, 0xFF000000u, false);
    RDeviceStates s;
    s.modulate = c.modulate;
    dev().SetStates(s);
    dev().SetTexture(tex);
    Quad(-0.5f, -0.5f, 7.5f, 7.5f, c.vertex);
    EXPECT_EQ(Read(3, 3, 1, 1)[0], c.expected);
  }
  // No texture: the vertex colour alone.
  dev().SetTexture(0);
  Quad(-0.5f, -0.5f, 7.5f, 7.5f, 0xFF123456u);
  EXPECT_EQ(Read(3, 3, 1, 1)[0], 0xFF123456u);
  dev().ReleaseTexture(tex);
}

TEST_F(GlDeviceTest, TextureCoordinatesRepeatOrClamp) {
  // Four columns of a 4 x 1 texture, mapped twice across 8 pixels.
  const uint32_t texels[4] = {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFFFFFFFFu};
  const uint32_t tex = dev().CreateTexture(4, 1, 4, 1, texels);
  ASSERT_NE(tex, 0u);
  for (bool repeat : {true, false}) {
    SCOPED_TRACE(repeat ? "repeat" : "clamp");
    RDeviceStates s;
    s.repeat = repeat;
    s.linear = false;
    dev().SetStates(s);
    dev().SetTexture(tex);
    Quad(-0.5f, -0.5f, 7.5f, 0.5f, 0xFFFFFFFFu, 0, 0, 2, 1);
    const std::vector<uint32_t> px = Read(0, 0, 8, 1);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(px[i], texels[repeat ? i % 4 : std::min(i, 3)]) << "pixel " << i;
  }
  dev().ReleaseTexture(tex);
}

// A scene of many small draws that change texture, blending, primitive
// kind and stage: joined or drawn one by one, the pixels are the same, and
// joining makes fewer calls to the hardware.
TEST_F(GlDeviceTest, JoiningDrawsKeepsThePixels) {
  uint32_t a[64], b[16];
  for (int i = 0; i < 64; ++i) a[i] = 0x80000000u | uint32_t(i * 4) << 16 | uint32_t(255 - i * 4) << 8 | 0x40;
  for (int i = 0; i < 16; ++i) b[i] = (i % 2 ? 0xFFFFFF00u : 0x7F0000FFu);
  const uint32_t ta = dev().CreateTexture(8, 8, 8, 8, a), tb = dev().CreateTexture(4, 4, 4, 4, b);
  ASSERT_TRUE(ta && tb);
  auto scene = [&]() {
    dev().SetStates(RDeviceStates());
    dev().SetTexture(0);
    dev().Clear(true, 0xFF202020u, false);
    for (int i = 0; i < 40; ++i) {
      const float x = float((i * 7) % 50), y = float((i * 11) % 50);
      RDeviceStates s;
      if (i % 5 == 3) s.srcBlend = 5, s.destBlend = 2;
      if (i % 7 == 6) s.modulate = false;
      dev().SetStates(s);
      dev().SetTexture(i % 3 == 0 ? 0 : (i % 3 == 1 ? ta : tb));
      const uint32_t colour = 0xC0000000u | uint32_t(i * 6) << 16 | 0xFF00u | uint32_t(255 - i * 6);
      Quad(x - 0.5f, y - 0.5f, x + 11.5f, y + 9.5f, colour);
      if (i % 4 == 0) {
        const RDeviceVertex strip[4] = {V(x, y + 12, colour), V(x + 8, y + 12, colour), V(x, y + 16, 0xFFFFFFFFu),
                                        V(x + 8, y + 16, 0xFF0000FFu)};
        dev().Draw(TDevicePrimitive::TriangleStrip, strip, 4);
      }
      if (i % 6 == 1) {
        const RDeviceVertex line[3] = {V(x + 0.01f, y + 0.01f, 0xFFFFFFFFu), V(x + 12.01f, y + 3.01f, 0xFF00FF00u),
                                       V(x + 2.01f, y + 9.01f, 0xFFFF0000u)};
        dev().Draw(TDevicePrimitive::LineStrip, line, 3);
      }
    }
    return Read();
  };
  dev().SetBatching(false);
  const int64_t before = dev().HardwareDraws();
  const std::vector<uint32_t> separate = scene();
  const int64_t separateCalls = dev().HardwareDraws() - before;
  dev().SetBatching(true);
  const int64_t between = dev().HardwareDraws();
  const std::vector<uint32_t> joined = scene();
  const int64_t joinedCalls = dev().HardwareDraws() - between;
  EXPECT_EQ(joined, separate);
  EXPECT_LT(joinedCalls, separateCalls);
  ExpectPicture("platform/pictures/joined_scene.png", kSize, kSize, joined.data());
  dev().ReleaseTexture(ta);
  dev().ReleaseTexture(tb);
}

// Drawn into a target, read from it top row first, and then drawn from it
// as a texture, the picture keeps its way up.
TEST_F(GlDeviceTest, RenderTargetIsDrawnIntoAndThenDrawnFrom) {
  const uint32_t target = dev().CreateTarget(32, 16);
  ASSERT_NE(target, 0u);
  dev().SetTarget(target);
  Viewport(32, 16);
  dev().Clear(true, 0xFF0000FFu, true);
  Quad(-0.5f, -0.5f, 4.5f, 2.5f, 0xFFFF0000u);  // the top-left 5 x 3 red
  const std::vector<uint32_t> inside = Read(0, 0, 32, 16);
  EXPECT_EQ(inside[0], 0xFFFF0000u);
  EXPECT_EQ(inside[2 * 32 + 4], 0xFFFF0000u);
  EXPECT_EQ(inside[3 * 32 + 4], 0xFF0000FFu);
  EXPECT_EQ(inside[2 * 32 + 5], 0xFF0000FFu);

  dev().SetTarget(0);
  Viewport(kSize, kSize);
  RDeviceStates s;
  s.modulate = false;
  dev().SetStates(s);
  dev().SetTexture(target);
  Quad(10 - 0.5f, 20 - 0.5f, 42 - 0.5f, 36 - 0.5f, 0xFFFFFFFFu);
  const std::vector<uint32_t> shown = Read(10, 20, 32, 16);
  EXPECT_EQ(shown, inside);
  // Drawing into a released target goes to the back buffer.
  dev().ReleaseTexture(target);
  dev().SetTarget(target);
  dev().SetTexture(0);
  dev().Clear(true, 0xFF00FF00u, false);
  EXPECT_EQ(Read(1, 1, 1, 1)[0], 0xFF00FF00u);
}

TEST_F(GlDeviceTest, DepthTestKeepsTheNearerAndAlphaTestDropsTransparentPixels) {
  RDeviceStates s;
  s.depth = true;
  dev().SetStates(s);
  Quad(-0.5f, -0.5f, 15.5f, 15.5f, 0xFFFF0000u, 0, 0, 1, 1, 0.5f);
  Quad(-0.5f, -0.5f, 7.5f, 15.5f, 0xFF00FF00u, 0, 0, 1, 1, 0.7f);   // behind: hidden
  Quad(7.5f, -0.5f, 15.5f, 15.5f, 0xFF0000FFu, 0, 0, 1, 1, 0.5f);   // as near: drawn
  Quad(-0.5f, 7.5f, 15.5f, 15.5f, 0xFFFFFFFFu, 0, 0, 1, 1, 0.3f);   // nearer: drawn
  std::vector<uint32_t> px = Read(0, 0, 16, 16);
  EXPECT_EQ(px[2 * 16 + 2], 0xFFFF0000u);
  EXPECT_EQ(px[2 * 16 + 10], 0xFF0000FFu);
  EXPECT_EQ(px[10 * 16 + 2], 0xFFFFFFFFu);

  // A texture transparent on its left half, drawn replacing what is there.
  const uint32_t texels[2] = {0x00FFFF00u, 0xFFFF00FFu};
  const uint32_t tex = dev().CreateTexture(2, 1, 2, 1, texels);
  ASSERT_NE(tex, 0u);
  for (bool depth : {true, false}) {
    SCOPED_TRACE(depth ? "with depth" : "without depth");
    dev().SetStates(RDeviceStates());
    dev().SetTexture(0);
    dev().Clear(true, 0xFF000000u, true);
    s = States(2, 1);
    s.depth = depth;
    s.linear = false;
    s.modulate = false;
    dev().SetStates(s);
    dev().SetTexture(tex);
    Quad(-0.5f, -0.5f, 7.5f, 3.5f, 0xFFFFFFFFu, 0, 0, 1, 1, 0.5f);
    // What the dropped half did not write: neither colour nor depth.
    dev().SetTexture(0);
    dev().SetStates(States(2, 1));
    s.modulate = true;
    dev().SetStates(s);
    Quad(-0.5f, -0.5f, 7.5f, 3.5f, 0xFF00FF00u, 0, 0, 1, 1, 0.6f);
    px = Read(0, 0, 8, 1);
    if (depth) {
      EXPECT_EQ(px[1], 0xFF00FF00u);  // dropped, then the farther quad shows
      EXPECT_EQ(px[6], 0xFFFF00FFu);  // opaque texel in front
    } else {
      EXPECT_EQ(px[1], 0xFF00FF00u);  // no depth: the later quad covers all
      EXPECT_EQ(px[6], 0xFF00FF00u);
    }
  }
  // Without depth and with the first quad alone, the transparent texel is
  // written as it is (the back buffer keeps no alpha).
  dev().Clear(true, 0xFF000000u, true);
  dev().SetStates(s = [] {
    RDeviceStates r = States(2, 1);
    r.linear = false;
    r.modulate = false;
    return r;
  }());
  dev().SetTexture(tex);
  Quad(-0.5f, -0.5f, 7.5f, 3.5f, 0xFFFFFFFFu);
  EXPECT_EQ(Read(1, 1, 1, 1)[0], 0xFFFFFF00u);
  dev().ReleaseTexture(tex);
}

TEST_F(GlDeviceTest, FogMixesTowardsItsColourWithDepth) {
  RDeviceStates s;
  s.fog = true;
  s.fogColour = 0xFF0000FFu;
  s.fogStart = 0;
  s.fogEnd = 1;
  dev().SetStates(s);
  const float depths[3] = {0.0f, 0.5f, 1.0f};
  for (int i = 0; i < 3; ++i) Quad(i * 4 - 0.5f, -0.5f, i * 4 + 3.5f, 3.5f, 0xFFFF0000u, 0, 0, 1, 1, depths[i]);
  const std::vector<uint32_t> px = Read(0, 1, 12, 1);
  EXPECT_EQ(px[1], 0xFFFF0000u);  // at the start: no fog
  EXPECT_EQ(px[9], 0xFF0000FFu);  // at the end: all fog
  EXPECT_NEAR(int((px[5] >> 16) & 0xFF), 128, 1);
  EXPECT_NEAR(int(px[5] & 0xFF), 128, 1);
}

TEST_F(GlDeviceTest, CullingDropsTrianglesCounterClockwiseOnScreen) {
  RDeviceStates s;
  s.culling = true;
  dev().SetStates(s);
  // As a strip: top-left, top-right, bottom-left, bottom-right is clockwise
  // on screen (y down), both triangles; the other order is not.
  const RDeviceVertex clockwise[4] = {V(-0.5f, -0.5f, 0xFFFF0000u), V(7.5f, -0.5f, 0xFFFF0000u),
                                      V(-0.5f, 7.5f, 0xFFFF0000u), V(7.5f, 7.5f, 0xFFFF0000u)};
  const RDeviceVertex counter[4] = {V(15.5f, -0.5f, 0xFF00FF00u), V(15.5f, 7.5f, 0xFF00FF00u),
                                    V(23.5f, -0.5f, 0xFF00FF00u), V(23.5f, 7.5f, 0xFF00FF00u)};
  dev().Draw(TDevicePrimitive::TriangleStrip, clockwise, 4);
  dev().Draw(TDevicePrimitive::TriangleStrip, counter, 4);
  std::vector<uint32_t> px = Read(0, 0, 24, 8);
  EXPECT_EQ(px[1 * 24 + 1], 0xFFFF0000u);
  EXPECT_EQ(px[6 * 24 + 6], 0xFFFF0000u);
  EXPECT_EQ(px[1 * 24 + 17], 0xFF000000u);
  EXPECT_EQ(px[6 * 24 + 22], 0xFF000000u);
  dev().SetStates(RDeviceStates());
  dev().Draw(TDevicePrimitive::TriangleStrip, counter, 4);
  EXPECT_EQ(Read(17, 1, 1, 1)[0], 0xFF00FF00u);
}

TEST_F(GlDeviceTest, FlatShadingTakesTheFirstVertexColour) {
  RDeviceStates s;
  s.smooth = false;
  dev().SetStates(s);
  const RDeviceVertex list[3] = {V(-0.5f, -0.5f, 0xFFFF0000u), V(15.5f, -0.5f, 0xFF00FF00u),
                                 V(-0.5f, 15.5f, 0xFF0000FFu)};
  dev().Draw(TDevicePrimitive::TriangleList, list, 3);
  // A fan's triangles take their first rim vertex: the hub is white.
  const RDeviceVertex fan[4] = {V(20, 8, 0xFFFFFFFFu), V(20, -0.5f, 0xFFFFFF00u), V(35.5f, 8, 0xFF00FFFFu),
                                V(20, 15.5f, 0xFF000000u)};
  dev().Draw(TDevicePrimitive::TriangleFan, fan, 4);
  const std::vector<uint32_t> px = Read(0, 0, 40, 16);
  for (int i : {0, 5, 12}) EXPECT_EQ(px[size_t(i)], 0xFFFF0000u) << i;
  EXPECT_EQ(px[10 * 40 + 3], 0xFFFF0000u);
  EXPECT_EQ(px[4 * 40 + 24], 0xFFFFFF00u);
  EXPECT_EQ(px[11 * 40 + 24], 0xFF00FFFFu);
  // Smooth shading blends the corners instead.
  dev().SetStates(RDeviceStates());
  dev().Draw(TDevicePrimitive::TriangleList, list, 3);
  EXPECT_NE(Read(12, 1, 1, 1)[0], 0xFFFF0000u);
}

TEST_F(GlDeviceTest, PresentShowsTheRegionInTheDestinationAndFillsTheBands) {
  Quad(-0.5f, -0.5f, 31.5f, 31.5f, 0xFFFF0000u);
  Quad(-0.5f, -0.5f, 0.5f, 0.5f, 0xFF00FF00u);  // the region's top-left pixel
  const RPixelRect dest{16, 8, 32, 32};
  ASSERT_TRUE(dev().Compose(32, 32, dest, 0x00FF8040u));  // band: red 0x40, green 0x80, blue 0xFF
  std::vector<uint32_t> shown;
  int32_t w = 0, h = 0;
  ASSERT_TRUE(dev().ReadDrawable(shown, w, h));
  ASSERT_EQ(w, kSize);
  ASSERT_EQ(h, kSize);
  const uint32_t band = 0xFF4080FFu;
  EXPECT_EQ(shown[0], band);
  EXPECT_EQ(shown[size_t(7) * kSize + 30], band);
  EXPECT_EQ(shown[size_t(40) * kSize + 30], band);
  EXPECT_EQ(shown[size_t(20) * kSize + 15], band);
  EXPECT_EQ(shown[size_t(20) * kSize + 48], band);
  EXPECT_EQ(shown[size_t(8) * kSize + 16], 0xFF00FF00u);
  EXPECT_EQ(shown[size_t(39) * kSize + 47], 0xFFFF0000u);
  // The whole thing, swap included, for both pacing modes; drawing goes on.
  EXPECT_TRUE(dev().Present(32, 32, dest, 0x00FF8040u, false));
  EXPECT_TRUE(dev().Present(32, 32, RPixelRect{0, 0, kSize, kSize}, 0, true));
  Quad(-0.5f, -0.5f, 1.5f, 1.5f, 0xFF0000FFu);
  EXPECT_EQ(Read(1, 1, 1, 1)[0], 0xFF0000FFu);
}

TEST_F(GlDeviceTest, RefusesBadInputWithoutDrawing) {
  const uint32_t texel = 0xFFFFFFFFu;
  EXPECT_EQ(dev().CreateTexture(0, 4, 0, 0, nullptr), 0u);
  EXPECT_EQ(dev().CreateTexture(4, 4, 5, 4, &texel), 0u);
  EXPECT_EQ(dev().CreateTexture(4, 4, -1, 4, &texel), 0u);
  EXPECT_EQ(dev().CreateTexture(dev().MaxTextureSize() + 1, 1, 1, 1, &texel), 0u);
  EXPECT_EQ(dev().CreateTarget(-3, 8), 0u);
  // A texture without pixels is transparent black.
  const uint32_t empty = dev().CreateTexture(2, 2, 2, 2, nullptr);
  ASSERT_NE(empty, 0u);
  dev().ReleaseTexture(empty);
  dev().ReleaseTexture(empty);  // twice: nothing
  dev().ReleaseTexture(987654);
  dev().SetTexture(empty);      // released: no texture
  dev().Draw(TDevicePrimitive::TriangleList, nullptr, 3);
  const RDeviceVertex two[2] = {V(0, 0, 0xFFFFFFFFu), V(9, 9, 0xFFFFFFFFu)};
  dev().Draw(TDevicePrimitive::TriangleList, two, 2);       // incomplete
  dev().Draw(TDevicePrimitive::TriangleStrip, two, 2);
  dev().Draw(TDevicePrimitive::TriangleList, two, -5);
  dev().Draw(static_cast<TDevicePrimitive>(99), two, 2);
  ExpectRect(Read(), 0, 0, 0, 0, 0, 0xFF000000u);
  uint32_t one = 0;
  EXPECT_FALSE(dev().ReadPixels(RPixelRect{-1, 0, 1, 1}, &one));
  EXPECT_FALSE(dev().ReadPixels(RPixelRect{0, 0, 0, 1}, &one));
  EXPECT_FALSE(dev().ReadPixels(RPixelRect{dev().BackWidth(), 0, 1, 1}, &one));
  EXPECT_FALSE(dev().ReadPixels(RPixelRect{0, 0, 1, 1}, nullptr));
}

TEST(GlDeviceWithoutWindow, OpenFailsWithAReason) {
  CSdlWindow window;
  CGlDevice device(window);
  std::string error;
  EXPECT_FALSE(device.Open(64, 64, error));
  EXPECT_FALSE(error.empty());
  // Closed, it draws and reads nothing.
  const RDeviceVertex v[3] = {};
  device.Draw(TDevicePrimitive::TriangleList, v, 3);
  uint32_t px = 0;
  EXPECT_FALSE(device.ReadPixels(RPixelRect{0, 0, 1, 1}, &px));
  EXPECT_EQ(device.CreateTexture(1, 1, 1, 1, &px), 0u);
  EXPECT_FALSE(device.Present(1, 1, RPixelRect{0, 0, 1, 1}, 0, false));
}

}  // namespace
