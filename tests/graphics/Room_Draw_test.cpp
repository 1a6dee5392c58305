// The room as drawn: its order seen on a recording render device, and the
// messages of the drawing built-ins for pictures that do not exist.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "data/Background_Main.h"
#include "data/Sprite_Main.h"
#include "data/Texture_Hook.h"
#include "graphics/Graphics_D3D.h"
#include "graphics/Graphics_Texture.h"
#include "graphics/Graphics_Window.h"
#include "graphics/Room_Draw.h"
#include "graphics/Sprite_Draw.h"
#include "support/Test_Platform.h"
#include "world/Room_Class.h"
#include "world/Room_Main.h"

namespace {

class RoomDrawing : public ::testing::Test {
protected:
  void SetUp() override {
    testplatform::Current().render = &device;
    testplatform::Install();
    GR_Texture_Init();
    ASSERT_TRUE(GR_D3D_Init(640, 480, false));
    Texture_SetHooks({[](const TBitmap32 &b) { return GR_Texture_Create_From_Bitmap(&b); }, GR_Texture_Free});
    auto back = std::make_unique<CBackground>();
    back->CreateColor(16, 16, 0xFF);
    g_Backgrounds.items.push_back(std::move(back));
    g_Backgrounds.names.push_back("back");
    auto sprite = std::make_unique<CSprite>();
    sprite->LoadFromFrames({TBitmap32(8, 8, 0xFF00FF00u), TBitmap32(8, 8, 0xFFFF0000u)}, false, false, 0, 0);
    g_Sprites.items.push_back(std::move(sprite));
    g_Sprites.names.push_back("spr");
    room.r_showcolor = false;
    g_RunRoom = &room;
  }
  void TearDown() override {
    g_RunRoom = nullptr;
    g_Sprites.Clear();
    g_Backgrounds.Clear();
    Texture_SetHooks({});
    GR_D3D_Finish();
    GR_Texture_Init();
    testplatform::Current().render = &testplatform::Headless().render;
    testplatform::Install();
  }
  uint32_t BackTexture() { return GR_Texture_Handle(g_Backgrounds.Get(0)->i_tex); }
  uint32_t SpriteTexture(int frame) { return GR_Texture_Handle(g_Sprites.Get(0)->GetTexture(frame)); }
  RTile Tile(double depth) {
    RTile t;
    t.index = 0, t.w = 16, t.h = 16, t.depth = depth;
    return t;
  }

  // The textures of the draws, in order.
  std::vector<uint32_t> Drawn() const {
    std::vector<uint32_t> textures;
    for (const auto &d : device.drawn) textures.push_back(d.texture);
    return textures;
  }

  testplatform::CRecordingRender device;
  CRoom room;
};

TEST_F(RoomDrawing, BackgroundsThenInstancesAndTilesByDepthThenForegrounds) {
  // Untiled layers: one quad each.
  for (int b : {0, 1}) {
    CBack &layer = room.r_background[static_cast<size_t>(b)];
    layer.visible = true;
    layer.index = 0;
    layer.htiled = layer.vtiled = false;
    layer.foreground = b == 1;
  }
  room.AddTile(Tile(10));  // equal depth: the instance goes first, under the tile
  room.AddTile(Tile(50));  // deeper than the instance: drawn before it
  CInstance *inst = room.AddInstance(-1, 0, 0);
  inst->i_depth = 10;
  inst->i_spriteindex = 0;
  inst->i_imageindex = 1.9;  // rounded down to frame 1
  Room_Draw();
  const std::vector<uint32_t> expect = {BackTexture(), BackTexture(), SpriteTexture(1), BackTexture(), BackTexture()};
  EXPECT_EQ(Drawn(), expect);
}

TEST_F(RoomDrawing, SkipsWhatIsHiddenMarkedOrOutsideTheView) {
  RTile far = Tile(0);
  far.x = 2000;  // outside the room rectangle
  room.AddTile(far);
  RTile hidden = Tile(0);
  hidden.visible = false;
  room.AddTile(hidden);
  CInstance *a = room.AddInstance(-1, 0, 0);
  a->i_spriteindex = 0;
  a->i_visible = false;
  CInstance *b = room.AddInstance(-1, 0, 0);
  b->i_spriteindex = 0;
  b->i_marked = true;
  Room_Draw();
  EXPECT_EQ(Drawn(), std::vector<uint32_t>{});
}

TEST_F(RoomDrawing, EachVisibleViewDrawsTheRoomAfterOneClear) {
  room.r_enableviews = true;
  room.r_clearViewBackground = true;
  for (int v : {0, 3}) {
    room.r_view[static_cast<size_t>(v)].visible = true;
    room.r_view[static_cast<size_t>(v)].wview = room.r_view[static_cast<size_t>(v)].wport = 100;
    room.r_view[static_cast<size_t>(v)].hview = room.r_view[static_cast<size_t>(v)].hport = 100;
  }
  room.AddInstance(-1, 10, 10)->i_spriteindex = 0;
  const size_t clearsBefore = device.clears.size();
  Room_Draw();
  const std::vector<uint32_t> expect = {SpriteTexture(0), SpriteTexture(0)};
  EXPECT_EQ(Drawn(), expect);
  // One clear of the whole region in the window colour, none per view (the
  // room colour is not shown).
  ASSERT_EQ(device.clears.size(), clearsBefore + 1);
  EXPECT_TRUE(device.clears.back().target);
  EXPECT_EQ(g_ViewCurrent, 0);
}

// Bad pictures are reported, once each, and draw nothing.
TEST_F(RoomDrawing, DrawingNonExistingPicturesIsReported) {
  Sprite_Draw_Init();
  struct RCase {
    const char *function;
    int args;
    const char *message;
  };
  const RCase cases[] = {
      {"draw_sprite", 4, "Trying to draw non-existing sprite."},
      {"draw_sprite_ext", 9, "Trying to draw non-existing sprite."},
      {"draw_sprite_stretched", 6, "Trying to draw non-existing sprite."},
      {"draw_sprite_general", 16, "Trying to draw non-existing sprite."},
      {"draw_sprite_tiled", 4, "Trying to draw non-existing sprite."},
      {"draw_background", 3, "Trying to draw non-existing background."},
      {"draw_background_part_ext", 11, "Trying to draw non-existing background."},
      {"draw_background_tiled_ext", 7, "Trying to draw non-existing background."},
      {"sprite_get_texture", 2, "Trying to get texture from non-existing sprite."},
      {"background_get_texture", 1, "Trying to get texture from non-existing background."},
  };
  for (const RCase &c : cases) {
    const TRoutine routine = FunctionRoutine(FunctionFind(c.function));
    ASSERT_NE(routine, nullptr) << c.function;
    RValue args[kMaxCallArguments];
    args[0] = RValue::Real(7);  // no such sprite or background
    RValue result;
    SetErrorLast("");
    routine(nullptr, nullptr, c.args, args, result);
    EXPECT_EQ(ErrorLast().find(c.message) != std::string::npos, true) << c.function << ": " << ErrorLast();
  }
  EXPECT_EQ(Drawn(), std::vector<uint32_t>{});
}

TEST(SpriteFrames, AScriptFrameIsRoundedDownAndMinusOneIsTheCallers) {
  CInstance self;
  self.i_imageindex = 2.7;
  EXPECT_EQ(Sprite_ScriptFrame(&self, -1), 2);
  EXPECT_EQ(Sprite_ScriptFrame(&self, 1.5), 1);
  EXPECT_EQ(Sprite_ScriptFrame(&self, -2), -2);  // the sprite takes it modulo its frames
  EXPECT_EQ(Sprite_ScriptFrame(nullptr, -1), -1);
  CSprite s;
  s.LoadFromFrames({TBitmap32(2, 2), TBitmap32(2, 2), TBitmap32(2, 2)}, false, false, 0, 0);
  EXPECT_EQ(s.FrameIndex(-1), 2);
  EXPECT_EQ(s.FrameIndex(4), 1);
}

TEST(Screenshots, TheNameIsTheFirstFreeNumberFrom100) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quillon-screenshot-test";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  EXPECT_EQ(Room_ScreenshotName(), "screenshot100.png");
  std::ofstream("screenshot100.png") << "x";
  std::ofstream("screenshot101.png") << "x";
  EXPECT_EQ(Room_ScreenshotName(), "screenshot102.png");
  std::filesystem::current_path(before);
  std::filesystem::remove_all(dir);
}

}  // namespace
