// Sprites and backgrounds made of the drawn picture, and the planning grid
// drawn over it, called as scripts call them.
#include "graphics/Sprite_Grab.h"

#include <string>
#include <vector>

#include "Graphics_Fixture.h"
#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "data/Background_Main.h"
#include "data/Sprite_Main.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Motion_Grid_Draw.h"
#include "world/Motion_Grid.h"

namespace {

class GrabTest : public GraphicsTest {
protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    FunctionTableReset();
    Sprite_Grab_Init();
    Motion_Grid_Init();
    Motion_Grid_Draw_Init();
    g_Sprites.Clear();
    g_Backgrounds.Clear();
    GridResetAll();
    GR_Draw_Reset_State();
    // The back buffer: every pixel its own colour, alpha 0 as a back
    // buffer holds it, but for a band of one colour (the key) along the
    // bottom of the rectangle (10, 20, 4, 3) the tests grab.
    device.pictureWidth = 640;
    device.pictureHeight = 480;
    device.picture.resize(640 * 480);
    for (uint32_t y = 0; y < 480; ++y)
      for (uint32_t x = 0; x < 640; ++x) device.picture[y * 640 + x] = (x * 7 + y * 1000) & 0xFFFFFFu;
    for (uint32_t x = 0; x < 640; ++x) device.picture[22 * 640 + x] = kKey;
  }
  void TearDown() override {
    g_Sprites.Clear();
    g_Backgrounds.Clear();
    GridResetAll();
    FunctionTableReset();
    GraphicsTest::TearDown();
  }
  // Calls a function with real arguments; answers its result.
  double Call(const char *name, std::initializer_list<double> values) {
    const int32_t id = FunctionFind(name);
    EXPECT_GE(id, 0) << name;
    RValue args[kMaxCallArguments];
    int n = 0;
    for (double v : values) args[n++] = RValue::Real(v);
    EXPECT_EQ(n, FunctionArgCount(id)) << name;
    RValue result;
    FunctionRoutine(id)(nullptr, nullptr, n, args, result);
    return result.val;
  }
  // The message the last call reported, "" for none.
  static std::string Reported() {
    if (!ErrorOccurred()) return "";
    const std::string &text = ErrorLast();
    const size_t p = text.rfind("\r\n\r\n");
    return p == std::string::npos ? text : text.substr(p + 4);
  }
  uint32_t Screen(int x, int y) const { return device.picture[static_cast<size_t>(y) * 640 + static_cast<size_t>(x)]; }

  static constexpr uint32_t kKey = 0x00ABCDEFu;
};

TEST_F(GrabTest, SpritesFromTheScreenByRemovebackMode) {
  struct Case {
    double removeback;
    uint32_t keyAlpha, otherAlpha;  // of pixel (0, 2), in the key band, and (1, 0)
  };
  // The mode is the argument cut toward zero.
  const Case cases[] = {{0.9, 255, 255}, {1.7, 0, 255}, {2.9, 0, 0}, {-1.5, 255, 255}};
  for (const Case &c : cases) {
    ErrorReset();
    const double index = Call("sprite_create_from_screen", {10, 20, 4, 3, c.removeback, 0, 1, 2});
    EXPECT_EQ(Reported(), "");
    const CSprite *s = Sprite_Get(static_cast<int64_t>(index));
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->i_numb, 1);
    EXPECT_EQ(s->GetWidth(), 4);
    EXPECT_EQ(s->GetHeight(), 3);
    EXPECT_EQ(s->i_xorig, 1);
    EXPECT_EQ(s->i_yorig, 2);
    const TBitmap32 &f = s->i_bitmap[0];
    EXPECT_EQ(Alpha32(f.Pixel(0, 2)), c.keyAlpha) << c.removeback;
    EXPECT_EQ(Alpha32(f.Pixel(1, 0)), c.otherAlpha) << c.removeback;
    EXPECT_EQ(Rgb32(f.Pixel(1, 0)), Screen(11, 20)) << c.removeback;
  }
  EXPECT_EQ(g_Sprites.Count(), 4);
  EXPECT_EQ(Sprite_Name(3), "__newsprite3");
}

TEST_F(GrabTest, GrabsAreCutToTheRegion) {
  // Partly outside: what is inside; wholly outside: a sprite with no frames
  // and a background with no picture, new entries all the same.
  EXPECT_EQ(Call("sprite_create_from_screen", {630, 470, 50, 50, 0, 0, 0, 0}), 0);
  EXPECT_EQ(g_Sprites.Get(0)->GetWidth(), 10);
  EXPECT_EQ(g_Sprites.Get(0)->GetHeight(), 10);
  EXPECT_EQ(Call("sprite_create_from_screen", {700, 0, 5, 5, 0, 0, 0, 0}), 1);
  EXPECT_EQ(g_Sprites.Get(1)->i_numb, 0);
  EXPECT_EQ(Call("background_create_from_screen", {0, 600, 5, 5, 0, 0}), 0);
  EXPECT_EQ(g_Backgrounds.Get(0)->GetWidth(), 0);

  // Without a picture the grab is black and opaque, and as large.
  device.draws = false;
  EXPECT_EQ(Call("sprite_create_from_screen", {630, 0, 50, 7, 1, 0, 0, 0}), 2);
  const TBitmap32 &black = g_Sprites.Get(2)->i_bitmap[0];
  EXPECT_EQ(black.Width(), 10);
  EXPECT_EQ(black.Height(), 7);
  // All one colour: with removeback all of it is the background.
  EXPECT_EQ(black.Pixel(9, 0), 0x00000000u);
}

TEST_F(GrabTest, FramesAddedFromTheScreenAreStretchedToTheSprite) {
  Call("sprite_create_from_screen", {10, 20, 4, 3, 0, 0, 0, 0});
  // An added frame is not made opaque first: from a back buffer without
  // alpha every stretched sample adds nothing, and the frame comes out
  // transparent black.
  Call("sprite_add_from_screen", {0, 100, 100, 8, 6, 0, 0});
  const CSprite *s = g_Sprites.Get(0);
  ASSERT_EQ(s->i_numb, 2);
  EXPECT_EQ(s->i_bitmap[1].Pixel(3, 2), 0u);

  for (uint32_t &c : device.picture) c |= 0xFF000000u;
  ErrorReset();
  // An 8 by 6 grab made 4 by 3: every other pixel. Removeback only above
  // one half: 0.5 keeps the background.
  Call("sprite_add_from_screen", {0, 100, 100, 8, 6, 0.5, 0});
  EXPECT_EQ(Reported(), "");
  ASSERT_EQ(s->i_numb, 3);
  const TBitmap32 &f = s->i_bitmap[2];
  EXPECT_EQ(f.Width(), 4);
  EXPECT_EQ(f.Height(), 3);
  EXPECT_EQ(f.Pixel(3, 2), Screen(106, 104));
  EXPECT_EQ(f.Pixel(1, 1), Screen(102, 102));
  // Past one half the grab's key band goes.
  Call("sprite_add_from_screen", {0, 10, 20, 4, 3, 0.6, 0});
  EXPECT_EQ(Alpha32(s->i_bitmap[3].Pixel(0, 2)), 0u);
  EXPECT_EQ(Alpha32(s->i_bitmap[3].Pixel(0, 0)), 255u);
  // A grab that found nothing adds no frame.
  Call("sprite_add_from_screen", {0, 900, 900, 4, 5, 0, 0});
  EXPECT_EQ(s->i_numb, 4);

  Call("sprite_add_from_screen", {7, 0, 0, 4, 4, 0, 0});
  EXPECT_EQ(Reported(), "Trying to add to non-existing sprite.");
}

TEST_F(GrabTest, BackgroundsTakeTheirFlagsFromOneHalf) {
  EXPECT_EQ(Call("background_create_from_screen", {10, 20, 4, 3, 0.5, 0}), 0);
  const TBitmap32 &bm = g_Backgrounds.Get(0)->i_bitmap;
  EXPECT_EQ(bm.Width(), 4);
  EXPECT_EQ(Alpha32(bm.Pixel(3, 2)), 0u);
  EXPECT_EQ(Alpha32(bm.Pixel(3, 1)), 255u);
  EXPECT_EQ(Call("background_create_from_screen", {10, 20, 4, 3, 0.4, 0}), 1);
  EXPECT_EQ(Alpha32(g_Backgrounds.Get(1)->i_bitmap.Pixel(3, 2)), 255u);
}

// No surface exists here, so each surface id is an invalid one: the grab
// finds nothing.
TEST_F(GrabTest, SurfacesThatDoNotExistGiveNoPicture) {
  ErrorReset();
  EXPECT_EQ(Call("sprite_create_from_surface", {0, 0, 0, 4, 4, 0, 0, 0, 0}), 0);
  EXPECT_EQ(g_Sprites.Get(0)->i_numb, 0);
  EXPECT_EQ(Call("background_create_from_surface", {0, 0, 0, 4, 4, 0, 0}), 0);
  EXPECT_EQ(g_Backgrounds.Get(0)->GetWidth(), 0);
  Call("sprite_add_from_surface", {0, 0, 0, 0, 4, 4, 0, 0});
  EXPECT_EQ(g_Sprites.Get(0)->i_numb, 0);
  EXPECT_EQ(Reported(), "");
  Call("sprite_add_from_surface", {3, 0, 0, 0, 4, 4, 0, 0});
  EXPECT_EQ(Reported(), "Trying to add to non-existing sprite.");
}

TEST_F(GrabTest, PlanningGridDrawsEveryCellByItsState) {
  const double grid = Call("mp_grid_create", {10, 20, 2, 1, 16, 8});
  Call("mp_grid_add_cell", {grid, 1, 0});
  GR_Draw_Set_Alpha(0.5);
  Forget();
  Call("mp_grid_draw", {grid});
  ASSERT_EQ(device.drawn.size(), 2u);
  struct Cell {
    float left, top;
    uint32_t colour;
  };
  // Green when free, red when forbidden, with the drawing alpha (127.5
  // rounded to even).
  const Cell cells[] = {{10, 20, 0x80008000u}, {26, 20, 0x80FF0000u}};
  for (size_t k = 0; k < 2; ++k) {
    const auto &d = device.drawn[k];
    EXPECT_EQ(d.kind, TDevicePrimitive::TriangleFan);
    ASSERT_EQ(d.vertices.size(), 4u);
    EXPECT_FLOAT_EQ(d.vertices[0].x, cells[k].left);
    EXPECT_FLOAT_EQ(d.vertices[0].y, cells[k].top);
    // The last pixel of the cell is covered, not the first of the next.
    EXPECT_NEAR(d.vertices[2].x, cells[k].left + 15.01f, 1e-4);
    EXPECT_NEAR(d.vertices[2].y, cells[k].top + 7.01f, 1e-4);
    for (const RDeviceVertex &v : d.vertices) EXPECT_EQ(v.colour, cells[k].colour) << k;
  }
  Forget();
  Call("mp_grid_draw", {grid + 1});
  EXPECT_TRUE(device.drawn.empty());
}

}  // namespace
