#include "graphics/Graphics_Draw.h"

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "Graphics_Fixture.h"
#include "base/BM32_Bitmap.h"
#include "base/BM32_PNG.h"
#include "base/Support_File.h"
#include "code/Code_Error.h"
#include "code/Code_Function.h"

namespace {

// The drawing family in a table of its own, called as scripts call it.
class DrawTest : public GraphicsTest {
protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    GR_Draw_Reset_State();
    FunctionTableReset();
    GR_Draw_Register_Functions();
  }
  void TearDown() override {
    FunctionTableReset();
    GR_Draw_Reset_State();
    GraphicsTest::TearDown();
  }
  RValue Call(const char *name, std::initializer_list<RValue> values) {
    const int32_t id = FunctionFind(name);
    EXPECT_GE(id, 0) << name;
    RValue args[kMaxCallArguments];
    int n = 0;
    for (const RValue &v : values) args[n++] = v;
    EXPECT_EQ(n, FunctionArgCount(id)) << name;
    RValue result;
    FunctionRoutine(id)(nullptr, nullptr, n, args, result);
    return result;
  }
  double Num(const char *name, std::initializer_list<double> values) {
    RValue a[16];
    int n = 0;
    for (double v : values) a[n++] = RValue::Real(v);
    const int32_t id = FunctionFind(name);
    EXPECT_GE(id, 0) << name;
    EXPECT_EQ(n, FunctionArgCount(id)) << name;
    RValue result;
    FunctionRoutine(id)(nullptr, nullptr, n, a, result);
    return result.val;
  }
  std::vector<std::pair<double, double>> Points(size_t draw) {
    std::vector<std::pair<double, double>> out;
    for (const RDeviceVertex &v : device.drawn.at(draw).vertices) out.emplace_back(v.x, v.y);
    return out;
  }
};

using P = std::vector<std::pair<double, double>>;

void ExpectPoints(const P &got, const P &want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_NEAR(got[i].first, want[i].first, 1e-4) << "vertex " << i;
    EXPECT_NEAR(got[i].second, want[i].second, 1e-4) << "vertex " << i;
  }
}

}  // namespace

TEST_F(DrawTest, CirclePrecisionIsAMultipleOfFourFromFourTo64) {
  const struct {
    double asked;
    int32_t kept;
  } cases[] = {{30, 28}, {2, 4}, {100, 64}, {24, 24}, {-5, 4}, {std::numeric_limits<double>::quiet_NaN(), 4}};
  for (const auto &c : cases) {
    Num("draw_set_circle_precision", {c.asked});
    EXPECT_EQ(GR_Draw_Get_Circle_Precision(), c.kept) << c.asked;
  }
  // A filled circle is a fan of that many triangles round the centre.
  Num("draw_set_circle_precision", {8});
  Num("draw_circle", {100, 50, 10, 0});
  const auto &fan = device.drawn.back();
  EXPECT_EQ(fan.kind, TDevicePrimitive::TriangleFan);
  ASSERT_EQ(fan.vertices.size(), 10u);
  EXPECT_FLOAT_EQ(fan.vertices[0].x, 100);
  EXPECT_FLOAT_EQ(fan.vertices[1].x, 110);  // i = 0
  EXPECT_NEAR(fan.vertices[3].y, 60, 1e-4);  // i = 2, a quarter round
  EXPECT_FLOAT_EQ(fan.vertices[9].x, 110);  // i = n closes the ring
  // The outline leaves the centre out: n lines starting at the ring's end.
  Num("draw_circle", {100, 50, 10, 1});
  const auto &strip = device.drawn.back();
  EXPECT_EQ(strip.kind, TDevicePrimitive::LineStrip);
  ASSERT_EQ(strip.vertices.size(), 9u);
  EXPECT_FLOAT_EQ(strip.vertices[0].x, 110);
  EXPECT_FLOAT_EQ(strip.vertices[0].y, 50);
}

TEST_F(DrawTest, RectanglesReachAHundredthPastWholeEdges) {
  Num("draw_rectangle", {10, 10, 20, 20, 0});
  ExpectPoints(Points(0), {{10, 10}, {20.01, 10}, {20.01, 20.01}, {10, 20.01}});
  EXPECT_EQ(device.drawn[0].kind, TDevicePrimitive::TriangleFan);
  Num("draw_rectangle", {20.5, 20, 10.5, 10, 0});  // corners in any order
  ExpectPoints(Points(1), {{10.5, 10}, {20.5, 10}, {20.5, 20.01}, {10.5, 20.01}});
  Num("draw_rectangle", {0, 0, 4, 4, 1});
  EXPECT_EQ(device.drawn[2].kind, TDevicePrimitive::LineStrip);
  ExpectPoints(Points(2), {{0, 0}, {4.01, 0}, {4.01, 4.01}, {0, 4.01}, {0, 0}});
  // Four colours in corner order, with the drawing alpha.
  Num("draw_set_alpha", {0.5});
  Num("draw_rectangle_color", {0, 0, 4, 4, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF, 0});
  const auto &v = device.drawn.back().vertices;
  EXPECT_EQ(v[0].colour, 0x80FF0000u);
  EXPECT_EQ(v[1].colour, 0x8000FF00u);
  EXPECT_EQ(v[2].colour, 0x800000FFu);
  EXPECT_EQ(v[3].colour, 0x80FFFFFFu);
}

TEST_F(DrawTest, PointsLinesAndTriangles) {
  Num("draw_set_color", {0x0000FF});
  Num("draw_point", {3, 4});
  ExpectPoints(Points(0), {{3, 4}});
  EXPECT_EQ(device.drawn[0].vertices[0].colour, 0xFFFF0000u);
  EXPECT_EQ(device.drawn[0].texture, 0u);
  Num("draw_point_color", {3, 4, 0xFF0000});
  ExpectPoints(Points(1), {{3.01, 4.01}});
  EXPECT_EQ(device.drawn[1].vertices[0].colour, 0xFF0000FFu);
  Num("draw_line", {1, 2, 3, 4});
  EXPECT_EQ(device.drawn[2].kind, TDevicePrimitive::LineList);
  ExpectPoints(Points(2), {{1.01, 2.01}, {3.01, 4.01}});
  // A horizontal line 4 wide from (0, 0) to (10, 0).
  Num("draw_line_width_color", {0, 0, 10, 0, 4, 0x0000FF, 0x00FF00});
  ExpectPoints(Points(3), {{0, 2}, {10, 2}, {10, -2}, {0, -2}});
  EXPECT_EQ(device.drawn[3].vertices[0].colour, 0xFFFF0000u);
  EXPECT_EQ(device.drawn[3].vertices[1].colour, 0xFF00FF00u);
  EXPECT_EQ(device.drawn[3].vertices[3].colour, 0xFFFF0000u);
  Num("draw_line_width", {5, 5, 5, 5, 4});  // no length: nothing
  Num("draw_arrow", {5, 5, 5, 5, 4});
  EXPECT_EQ(device.drawn.size(), 4u);
  Num("draw_triangle", {0, 0, 10, 0, 0, 10, 1});
  EXPECT_EQ(device.drawn[4].kind, TDevicePrimitive::LineStrip);
  ExpectPoints(Points(4), {{0, 0}, {10, 0}, {0, 10}, {0, 0}});
}

TEST_F(DrawTest, ArrowHeadIsATriangleAtTheEnd) {
  Num("draw_arrow", {0, 0, 30, 0, 12});
  ASSERT_EQ(device.drawn.size(), 2u);
  ExpectPoints(Points(0), {{0.01, 0.01}, {30.01, 0.01}});
  ExpectPoints(Points(1), {{18, 4}, {30, 0}, {18, -4}});
  // A head longer than the arrow is cut to it.
  Num("draw_arrow", {0, 0, 6, 0, 12});
  ExpectPoints(Points(3), {{0, 2}, {6, 0}, {0, -2}});
}

TEST_F(DrawTest, RoundRectangleHasFourQuarterArcs) {
  Num("draw_set_circle_precision", {4});
  Num("draw_roundrect", {0, 0, 40, 20, 0});
  // Box 40.01 x 20.01, corners 10 x 10, arc centres 15.005 and 5.005 from the
  // middle (20.005, 10.005).
  const auto &v = device.drawn.back();
  EXPECT_EQ(v.kind, TDevicePrimitive::TriangleFan);
  ASSERT_EQ(v.vertices.size(), 10u);  // n + 6
  ExpectPoints(Points(0), {{20.005, 10.005},
                           {40.01, 15.01}, {35.01, 20.01},
                           {5, 20.01}, {0, 15.01},
                           {0, 5}, {5, 0},
                           {35.01, 0}, {40.01, 5},
                           {40.01, 15.01}});
  Num("draw_roundrect", {0, 0, 40, 20, 1});
  EXPECT_EQ(device.drawn.back().kind, TDevicePrimitive::LineStrip);
  EXPECT_EQ(device.drawn.back().vertices.size(), 10u);
  EXPECT_FLOAT_EQ(device.drawn.back().vertices[0].x, 40.01f);
}

TEST_F(DrawTest, AlphaAndColourState) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double asked, kept;
  } cases[] = {{2, 1}, {-1, 0}, {0.25, 0.25}, {nan, 1}};
  for (const auto &c : cases) {
    Num("draw_set_alpha", {c.asked});
    EXPECT_EQ(Num("draw_get_alpha", {}), c.kept) << c.asked;
  }
  Num("draw_set_color", {0x123456});
  Num("draw_set_alpha", {0.5});
  EXPECT_EQ(Num("draw_get_color", {}), 0x123456);
  EXPECT_EQ(GR_Draw_Get_Device_Colour(), 0x80563412u);
}

TEST_F(DrawTest, ColourArithmetic) {
  EXPECT_EQ(Num("make_color_rgb", {300, 0, 0}), 300);
  EXPECT_EQ(Num("make_color", {1, 2, 3.5}), 1 + 512 + 4 * 65536);
  const struct {
    double colour;
    double red, green, blue, hue, sat, val;
  } cases[] = {
      {0x0000FF, 255, 0, 0, 0, 255, 255},   {0x00FF00, 0, 255, 0, 85, 255, 255},
      {0xFF0000, 0, 0, 255, 170, 255, 255}, {0x808080, 128, 128, 128, 0, 0, 128},
      {0, 0, 0, 0, 0, 0, 0},                {-1, -1, 0, 0, 0, 0, 255},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.colour);
    EXPECT_EQ(Num("color_get_red", {c.colour}), c.red);
    EXPECT_EQ(Num("color_get_green", {c.colour}), c.green);
    EXPECT_EQ(Num("color_get_blue", {c.colour}), c.blue);
    EXPECT_EQ(Num("color_get_hue", {c.colour}), c.hue);
    EXPECT_EQ(Num("color_get_saturation", {c.colour}), c.sat);
    EXPECT_EQ(Num("color_get_value", {c.colour}), c.val);
  }
  EXPECT_EQ(Num("make_color_hsv", {0, 255, 255}), 0x0000FF);
  EXPECT_EQ(Num("make_color_hsv", {85, 255, 255}), 0x00FF00);
  EXPECT_EQ(Num("make_color_hsv", {170, 255, 255}), 0xFF0000);
  EXPECT_EQ(Num("make_color_hsv", {255, 255, 255}), 0x0000FF);  // 360 degrees is 0
  EXPECT_EQ(Num("make_color_hsv", {40, 0, 100}), 100 * 0x010101);
  EXPECT_EQ(Num("merge_color", {0x000000, 0x0000FF, 0.5}), 128);  // 127.5 to even
  EXPECT_EQ(Num("merge_color", {0x0000FF, 0x000000, 0.25}), 191);
  EXPECT_EQ(Num("merge_color", {0, 100, 2}), 200);  // the amount is not held
}

TEST_F(DrawTest, HealthbarColourFollowsTheAmount) {
  const struct {
    double amount;
    uint32_t bar;  // device colour
    double right;
  } cases[] = {
      {150, 0xFF0000FFu, 100.01}, {50, 0xFF800080u, 50.01}, {0, 0xFFFF0000u, 0.01}, {75, 0xFF4000C0u, 75.01},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.amount);
    Forget();
    // red to blue, no back, no border
    Num("draw_healthbar", {0, 0, 100, 10, c.amount, 0xFFFFFF, 0x0000FF, 0xFF0000, 0, 0, 0});
    ASSERT_EQ(device.drawn.size(), 1u);
    EXPECT_EQ(device.drawn[0].vertices[0].colour, c.bar);
    EXPECT_NEAR(device.drawn[0].vertices[1].x, c.right, 1e-4);
  }
  // Back and border: back, its outline, the bar, its outline.
  Forget();
  Num("draw_healthbar", {0, 0, 100, 10, 30, 0x00FF00, 0x0000FF, 0xFF0000, 3, 1, 1});
  ASSERT_EQ(device.drawn.size(), 4u);
  EXPECT_EQ(device.drawn[0].vertices[0].colour, 0xFF00FF00u);
  EXPECT_EQ(device.drawn[1].vertices[0].colour, 0xFF000000u);
  EXPECT_EQ(device.drawn[1].kind, TDevicePrimitive::LineStrip);
  EXPECT_NEAR(device.drawn[2].vertices[0].y, 7, 1e-4);  // grows up from the bottom
}

TEST_F(DrawTest, ButtonIsTwoTrianglesAndAFace) {
  Num("draw_set_color", {0x00FF00});
  Num("draw_button", {0, 0, 20, 10, 0});
  ASSERT_EQ(device.drawn.size(), 3u);
  EXPECT_EQ(device.drawn[0].vertices[0].colour, 0xFF808080u);  // pressed: dark top-left
  EXPECT_EQ(device.drawn[1].vertices[0].colour, 0xFFFFFFFFu);
  ExpectPoints(Points(2), {{2, 2}, {18.01, 2}, {18.01, 8.01}, {2, 8.01}});
  EXPECT_EQ(device.drawn[2].vertices[0].colour, 0xFF00FF00u);
}

TEST_F(DrawTest, PrimitivesDrawWhatTheirKindCompletes) {
  const struct {
    int kind;
    int vertices;
    size_t drawn;  // vertices reaching the device, 0 for no draw
  } cases[] = {{3, 1, 0}, {3, 2, 2}, {2, 5, 4}, {4, 7, 6}, {5, 2, 0}, {6, 5, 5}, {1, 3, 3}, {0, 5, 0}, {7, 5, 0}};
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " with " << c.vertices);
    Forget();
    Num("draw_primitive_begin", {static_cast<double>(c.kind)});
    for (int i = 0; i < c.vertices; ++i) Num("draw_vertex", {static_cast<double>(i), 0});
    Num("draw_primitive_end", {});
    if (c.drawn == 0) {
      EXPECT_TRUE(device.drawn.empty());
      continue;
    }
    ASSERT_EQ(device.drawn.size(), 1u);
    EXPECT_EQ(static_cast<int>(device.drawn[0].kind), c.kind);
    EXPECT_EQ(device.drawn[0].vertices.size(), c.drawn);
  }
}

TEST_F(DrawTest, PrimitiveKeepsAtMost1001VerticesWithTheirTexture) {
  const uint32_t pixels[4] = {};
  const int32_t tex = GR_Texture_Create_And_Fill(2, 2, pixels);
  Num("draw_primitive_begin_texture", {1, static_cast<double>(tex)});
  for (int i = 0; i < 1500; ++i) Num("draw_vertex_texture_color", {static_cast<double>(i), 1, 0.5, 0.25, 0xFF, 1});
  Num("draw_primitive_end", {});
  ASSERT_EQ(device.drawn.size(), 1u);
  const auto &d = device.drawn[0];
  ASSERT_EQ(d.vertices.size(), 1001u);
  EXPECT_FLOAT_EQ(d.vertices[1000].x, 1000);
  EXPECT_EQ(d.vertices[0].u, 0.5f);
  EXPECT_EQ(d.vertices[0].v, 0.25f);
  EXPECT_EQ(d.vertices[0].colour, 0xFFFF0000u);
  EXPECT_EQ(d.texture, GR_Texture_Handle(tex));
  EXPECT_NE(d.texture, 0u);
}

TEST_F(DrawTest, ClearingAndReadingPixels) {
  Num("draw_clear", {0x0000FF});
  Num("draw_clear_alpha", {0x00FF00, 0});
  ASSERT_EQ(device.clears.size(), 2u);
  EXPECT_EQ(device.clears[0].colour, 0xFFFF0000u);
  EXPECT_TRUE(device.clears[0].depth);
  EXPECT_EQ(device.clears[1].colour, 0x0000FF00u);

  device.pictureWidth = 640;
  device.pictureHeight = 480;
  device.picture.assign(640 * 480, 0xFF000000u);
  device.picture[20 * 640 + 10] = 0xFF0000FFu;  // blue
  EXPECT_EQ(Num("draw_getpixel", {10.4, 19.6}), 0xFF0000);
  // Through the view being drawn: room (110, 120) is region (10, 20).
  GR_Draw_Set_Pixel_Mapping([](double &x, double &y) { x -= 100, y -= 100; });
  EXPECT_EQ(Num("draw_getpixel", {110, 120}), 0xFF0000);
  GR_Draw_Set_Pixel_Mapping(nullptr);
  EXPECT_EQ(Num("draw_getpixel", {110, 120}), 0);
}

TEST_F(DrawTest, ScreenSaveWritesPngOrBmp) {
  device.pictureWidth = 640;
  device.pictureHeight = 480;
  device.picture.assign(640 * 480, 0x00336699u);  // alpha 0 in the back buffer
  const std::string dir = ::testing::TempDir();
  const std::string png = dir + "/quillon_screen.PNG", bmp = dir + "/quillon_screen.bmp";
  Call("screen_save_part", {RValue::Str(RString(png)), RValue::Real(630), RValue::Real(0), RValue::Real(50),
                            RValue::Real(3)});
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(ReadRegularFile(png, bytes));
  TBitmap32 back;
  std::string why;
  ASSERT_TRUE(DecodePng(bytes.data(), bytes.size(), back, why)) << why;
  EXPECT_EQ(back.Width(), 10);
  EXPECT_EQ(back.Height(), 3);
  EXPECT_EQ(back.Pixel(9, 2), 0xFF336699u);  // made opaque

  Call("screen_save", {RValue::Str(RString(bmp))});
  ASSERT_TRUE(ReadRegularFile(bmp, bytes));
  ASSERT_TRUE(back.LoadFromBMP(bytes.data(), bytes.size()));
  EXPECT_EQ(back.Width(), 640);
  EXPECT_EQ(back.Pixel(0, 0), 0x00336699u);  // BMP keeps the alpha as read
  std::remove(png.c_str());
  std::remove(bmp.c_str());

  ErrorReset();
  Call("screen_save", {RValue::Str(RString(""))});
  const std::string message = "Trying to save screen to empty image file name.";
  ASSERT_GE(ErrorLast().size(), message.size());
  EXPECT_EQ(ErrorLast().substr(ErrorLast().size() - message.size()), message);
  ErrorReset();
}
