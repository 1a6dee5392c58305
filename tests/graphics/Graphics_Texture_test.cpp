#include "graphics/Graphics_Texture.h"

#include <vector>

#include "Graphics_Fixture.h"
#include "base/BM32_Bitmap.h"
#include "code/Code_Function.h"

namespace {

int32_t Make(int32_t w, int32_t h) {
  const std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h), 0xFFFFFFFFu);
  return GR_Texture_Create_And_Fill(w, h, pixels.data());
}

}  // namespace

TEST_F(GraphicsTest, TextureSidesRoundUpToPowersOfTwo) {
  device.maxTexture = 256;
  const struct {
    int32_t w, h, wt, ht;
    double fw, fh;
  } cases[] = {
      {20, 30, 32, 32, 0.625, 0.9375}, {32, 1, 32, 1, 1, 1},         {33, 2, 64, 2, 33.0 / 64, 1},
      {0, 0, 1, 1, 0, 0},              {300, 10, 256, 16, 300.0 / 256, 10.0 / 16},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    const int32_t id = Make(c.w, c.h);
    ASSERT_GE(id, 0);
    int32_t w, h, wt, ht;
    ASSERT_TRUE(GR_Texture_Get_Size(id, w, h, wt, ht));
    EXPECT_EQ(w, c.w);
    EXPECT_EQ(h, c.h);
    EXPECT_EQ(wt, c.wt);
    EXPECT_EQ(ht, c.ht);
    EXPECT_DOUBLE_EQ(GR_Texture_Get_Width(id), c.fw);
    EXPECT_DOUBLE_EQ(GR_Texture_Get_Height(id), c.fh);
    // The device got the allocated size and no more of the image than fits.
    const auto &made = device.textures.back();
    EXPECT_EQ(made.wt, c.wt);
    EXPECT_EQ(made.ht, c.ht);
    EXPECT_LE(made.w, made.wt);
    EXPECT_LE(made.h, made.ht);
  }
}

TEST_F(GraphicsTest, FreedSlotsAreTakenFirstAndTheTableGrowsByOne) {
  EXPECT_EQ(Make(4, 4), 0);
  EXPECT_EQ(Make(4, 4), 1);
  EXPECT_EQ(Make(4, 4), 2);
  const uint32_t handle1 = GR_Texture_Handle(1);
  GR_Texture_Free(1);
  EXPECT_FALSE(device.textures[handle1 - 1].alive);
  EXPECT_EQ(Make(8, 8), 1);
  EXPECT_EQ(GR_Texture_Count(), 3);
  EXPECT_EQ(Make(8, 8), 3);
  EXPECT_EQ(GR_Texture_Count(), 4);

  // A texture the device cannot make: -1, the slot stays free, and the
  // table has grown by the slot tried.
  device.createOk = false;
  EXPECT_EQ(Make(8, 8), -1);
  EXPECT_EQ(GR_Texture_Count(), 5);
  EXPECT_FALSE(GR_Texture_Exists(4));
  device.createOk = true;
  EXPECT_EQ(Make(8, 8), 4);
}

TEST_F(GraphicsTest, InvalidIdsAnswerNeutrally) {
  Make(4, 4);
  Make(4, 4);
  GR_Texture_Free(1);
  GR_Texture_Free(1);   // already free: nothing
  GR_Texture_Free(-7);  // never was: nothing
  for (int32_t id : {-1, 1, 2, 1 << 30}) {
    SCOPED_TRACE(id);
    EXPECT_FALSE(GR_Texture_Exists(id));
    EXPECT_EQ(GR_Texture_Get_Width(id), 1.0);
    EXPECT_EQ(GR_Texture_Get_Height(id), 1.0);
    EXPECT_EQ(GR_Texture_Handle(id), 0u);
    int32_t w = 5, h = 5, wt = 5, ht = 5;
    EXPECT_FALSE(GR_Texture_Get_Size(id, w, h, wt, ht));
    EXPECT_EQ(w + h + wt + ht, 0);
  }
  EXPECT_TRUE(GR_Texture_Exists(0));
}

TEST_F(GraphicsTest, TextureKinds) {
  TBitmap32 bitmap(5, 3);
  const int32_t fromBitmap = GR_Texture_Create_From_Bitmap(&bitmap);
  EXPECT_EQ(GR_Texture_Create_From_Bitmap(nullptr), -1);
  const std::vector<uint8_t> alpha(6 * 2, 128);
  const int32_t fromAlpha = GR_Texture_Create_From_Alpha(6, 2, alpha.data());
  const int32_t target = GR_Texture_Create_Empty(100, 50, true);
  const int32_t empty = GR_Texture_Create_Empty(3, 3, false);
  EXPECT_EQ(fromBitmap, 0);
  EXPECT_EQ(fromAlpha, 1);
  EXPECT_EQ(target, 2);
  EXPECT_EQ(empty, 3);
  ASSERT_EQ(device.textures.size(), 4u);
  EXPECT_FALSE(device.textures[1].target);
  EXPECT_EQ(device.textures[1].w, 6);
  EXPECT_TRUE(device.textures[2].target);
  EXPECT_EQ(device.textures[2].wt, 128);
  EXPECT_EQ(device.textures[2].ht, 64);
  EXPECT_DOUBLE_EQ(GR_Texture_Get_Width(target), 100.0 / 128);
  EXPECT_FALSE(device.textures[3].target);
  // Sizes no picture may have are refused before anything is allocated.
  EXPECT_EQ(GR_Texture_Create_And_Fill(-1, 4, nullptr), -1);
  EXPECT_EQ(GR_Texture_Create_From_Alpha(1 << 20, 1 << 20, alpha.data()), -1);
  EXPECT_EQ(GR_Texture_Create_Empty(-3, 4, true), -1);
  // Emptying the table gives every texture back.
  GR_Texture_Init();
  for (const auto &t : device.textures) EXPECT_FALSE(t.alive);
  EXPECT_EQ(GR_Texture_Count(), 0);
}

TEST_F(GraphicsTest, TextureScriptFunctions) {
  FunctionTableReset();
  GR_Texture_Register_Functions();
  const auto call = [](const char *name, std::initializer_list<double> values) {
    const int32_t id = FunctionFind(name);
    EXPECT_GE(id, 0) << name;
    RValue args[kMaxCallArguments];
    int n = 0;
    for (double v : values) args[n++] = RValue::Real(v);
    RValue result;
    FunctionRoutine(id)(nullptr, nullptr, n, args, result);
    return result.val;
  };
  const int32_t id = Make(20, 30);
  EXPECT_EQ(call("texture_exists", {static_cast<double>(id)}), 1);
  EXPECT_EQ(call("texture_exists", {-1}), 0);
  EXPECT_EQ(call("texture_exists", {1}), 0);  // the count
  EXPECT_EQ(call("texture_exists", {0.4}), 1);  // rounded
  EXPECT_EQ(call("texture_get_width", {0}), 0.625);
  EXPECT_EQ(call("texture_get_height", {0}), 0.9375);
  EXPECT_EQ(call("texture_get_width", {1e300}), 1);
  call("texture_set_interpolation", {0.49});
  EXPECT_FALSE(GR_D3D_Get_Interpolation());
  call("texture_set_interpolation", {0.5});
  EXPECT_TRUE(GR_D3D_Get_Interpolation());
  call("texture_set_repeat", {1});
  EXPECT_TRUE(GR_D3D_Get_Texture_Repeat());
  call("draw_set_blend_mode_ext", {7, 8});
  const RDeviceVertex v[1];
  GR_D3D_Draw(TDevicePrimitive::PointList, v, 1, -1);
  EXPECT_EQ(device.drawn.back().states.srcBlend, 7);
  EXPECT_EQ(device.drawn.back().states.destBlend, 8);
  call("draw_set_blend_mode", {2.5});  // halves go to even: 2, the max mode
  GR_D3D_Draw(TDevicePrimitive::PointList, v, 1, -1);
  EXPECT_EQ(device.drawn.back().states.destBlend, 4);
  FunctionTableReset();
}
