// The sprite and background functions as game code calls them.
#include "functions/Function_Resource.h"

#include <gtest/gtest.h>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "data/Background_Main.h"
#include "base/Picture_Files.h"
#include "data/Picture_Text.h"
#include "data/Sprite_Main.h"
#include "pack/Pack_TempDir.h"
#include "support/Code_Test_Host.h"

using namespace picture;

namespace {

class ResourceFunctions : public ::testing::Test {
protected:
  void SetUp() override {
    if (FunctionFind("sprite_exists") < 0) Function_Resource_Init();
    // Other tests may have taken the lookups away again.
    Sprite_InstallLookups();
    Background_InstallLookups();
    g_Sprites.Clear();
    g_Backgrounds.Clear();
    // Sprite 0: two 4 by 2 frames, origin (1, 2); sprite 1: an empty slot;
    // sprite 2: no frames.
    auto spr = std::make_unique<CSprite>();
    spr->LoadStripFromBitmap(Pic({"........", ".##...#."}), 2, false, false, 1, 2);
    g_Sprites.Append(std::move(spr), "spr_ship");
    g_Sprites.Append(nullptr, "");
    g_Sprites.Append(std::make_unique<CSprite>(), "spr_none");
    auto back = std::make_unique<CBackground>();
    back->CreateColor(5, 3, 0xFF0000);  // blue
    g_Backgrounds.Append(std::move(back), "bg_sky");
  }
  void TearDown() override {
    g_Sprites.Clear();
    g_Backgrounds.Clear();
  }

  double Num(std::string_view expr) {
    const ROutcome out = host.Eval(expr);
    EXPECT_TRUE(out.ok) << expr << ": " << out.error;
    return out.Real();
  }
  std::string Text(std::string_view expr) { return host.Eval(expr).Text(); }
  // Runs a program; answers the message of the last report, "" for none.
  std::string Reported(std::string_view program) {
    ErrorReset();
    const ROutcome out = host.Run(program);
    EXPECT_TRUE(out.ok) << program << ": " << out.error;
    if (!ErrorOccurred()) return "";
    const std::string &text = ErrorLast();
    const size_t p = text.rfind("\r\n\r\n");
    return p == std::string::npos ? text : text.substr(p + 4);
  }

  CCodeHost host;
};

TEST_F(ResourceFunctions, QueriesOfValidAndInvalidIndices) {
  struct RCase {
    const char *expr;
    double value;
  };
  const std::vector<RCase> cases = {
      {"sprite_exists(0)", 1},          {"sprite_exists(1)", 0},           {"sprite_exists(3)", 0},
      {"sprite_exists(-1)", 0},         {"sprite_exists(0.4)", 1},         {"sprite_get_number(0)", 2},
      {"sprite_get_width(0)", 4},       {"sprite_get_height(0)", 2},       {"sprite_get_xoffset(0)", 1},
      {"sprite_get_yoffset(0)", 2},     {"sprite_get_bbox_left(0)", 1},    {"sprite_get_bbox_top(0)", 1},
      {"sprite_get_bbox_right(0)", 2},  {"sprite_get_bbox_bottom(0)", 1},  {"sprite_get_width(1)", -1},
      {"sprite_get_bbox_left(7)", -1},  {"sprite_get_xoffset(-1)", -1},    {"sprite_get_width(2)", 1},
      {"sprite_get_height(2)", 1},      {"sprite_get_number(2)", 0},       {"background_exists(0)", 1},
      {"background_get_width(0)", 5},   {"background_get_height(0)", 3},   {"background_get_width(1)", -1},
      {"sprite_set_cache_size(0, 10)", 0},
  };
  for (const RCase &c : cases) EXPECT_EQ(Num(c.expr), c.value) << c.expr;
  EXPECT_EQ(Text("sprite_get_name(0)"), "spr_ship");
  // Resource names stand for their indices in game code.
  EXPECT_EQ(Num("spr_none * 10 + bg_sky"), 20);
  EXPECT_EQ(Num("sprite_get_width(spr_ship)"), 4);
  EXPECT_EQ(Text("sprite_name(1)"), "<undefined>");
  EXPECT_EQ(Text("background_get_name(0)"), "bg_sky");
  EXPECT_EQ(Text("background_name(-4)"), "<undefined>");
}

TEST_F(ResourceFunctions, OffsetAndCollisionMask) {
  EXPECT_EQ(Reported("sprite_set_offset(0, 3, -1); sprite_set_offset(1, 5, 5);"), "");
  EXPECT_EQ(Num("sprite_get_xoffset(0)"), 3);
  EXPECT_EQ(Num("sprite_get_yoffset(0)"), -1);

  // Full-image rectangles, separate masks.
  EXPECT_EQ(Reported("sprite_collision_mask(0, 1, 1, 0, 0, 0, 0, 1, 0)"), "");
  EXPECT_EQ(g_Sprites.Get(0)->i_mask.size(), 2u);
  EXPECT_EQ(Num("sprite_get_bbox_right(0)"), 3);
  EXPECT_EQ(Num("sprite_get_bbox_top(0)"), 0);
  // A manual box (left, top, right, bottom) clipped to the image.
  Reported("sprite_collision_mask(0, 0, 2, -5, 1, 2, 9, 0, 0)");
  EXPECT_EQ(Num("sprite_get_bbox_left(0)") * 1000 + Num("sprite_get_bbox_top(0)") * 100 +
                Num("sprite_get_bbox_right(0)") * 10 + Num("sprite_get_bbox_bottom(0)"),
            0 * 1000 + 1 * 100 + 2 * 10 + 1);

  EXPECT_EQ(Reported("sprite_collision_mask(1, 0, 0, 0, 0, 0, 0, 0, 0)"),
            "Trying to set collision mode for non-existing sprite.");
}

TEST_F(ResourceFunctions, DeleteDuplicateAssignAndTheirMessages) {
  EXPECT_EQ(Num("sprite_duplicate(0)"), 3);
  EXPECT_EQ(Text("sprite_get_name(3)"), "__newsprite3");
  EXPECT_EQ(Num("sprite_get_yoffset(3)"), 2);

  EXPECT_EQ(Num("sprite_delete(0)"), 1);
  EXPECT_EQ(Num("sprite_exists(0)"), 0);
  EXPECT_EQ(g_Sprites.names[0], "");
  // The copy lives on, and a deleted slot is not reused.
  EXPECT_EQ(Num("sprite_get_number(3)"), 2);
  EXPECT_EQ(Num("sprite_duplicate(3)"), 4);

  // Assigning into the empty slot 1 creates it.
  EXPECT_EQ(Reported("sprite_assign(1, 3)"), "");
  EXPECT_EQ(Num("sprite_get_width(1)"), 4);

  struct RCase {
    const char *program;
    const char *message;
  };
  const std::vector<RCase> cases = {
      {"sprite_delete(0)", "Trying to delete non-existing sprite."},
      {"sprite_duplicate(0)", "Trying to duplicate non-existing sprite."},
      {"sprite_assign(1, 0)", "Error assigning a sprite."},
      {"sprite_assign(9, 3)", "Error assigning a sprite."},
      {"sprite_merge(0, 3)", "Trying to merge to non-existing sprite."},
      {"sprite_merge(3, 0)", "Trying to merge from non-existing sprite."},
      {"sprite_replace(0, 'x.png', 1, 0, 0, 0, 0)", "Trying to replace non-existing sprite."},
      {"sprite_replace_sprite(-1, 'x.spr')", "Trying to replace non-existing sprite."},
      {"background_delete(2)", "Trying to delete non-existing background."},
      {"background_duplicate(2)", "Trying to duplicate non-existing background."},
      {"background_assign(5, 0)", "Error assigning a background."},
      {"background_replace(3, 'x.png', 0, 0)", "Trying to replace non-existing background."},
      {"background_replace_background(3, 'x.bkg')", "Trying to replace non-existing background."},
      {"sprite_save(0, 0, 'x.png')", "Trying to save non-existing sprite bitmap."},
      {"sprite_save(3, 0, '')", "Trying to save sprite bitmap to empty image file name."},
      {"sprite_save_strip(-1, 'x.png')", "Trying to save non-existing sprite bitmap."},
      {"sprite_save_strip(3, '')", "Trying to save sprite bitmap to empty image file name."},
      {"background_save(2, 'x.png')", "Trying to save non-existing background bitmap."},
      {"background_save(0, '')", "Trying to save background bitmap to empty image file name."},
  };
  for (const RCase &c : cases) EXPECT_EQ(Reported(c.program), c.message) << c.program;
  EXPECT_EQ(Num("sprite_duplicate(0)"), -1);
}

TEST_F(ResourceFunctions, MergeAppendsStretchedFrames) {
  EXPECT_EQ(Reported("sprite_merge(0, 0)"), "");
  EXPECT_EQ(Num("sprite_get_number(0)"), 4);
}

TEST_F(ResourceFunctions, AddingFromFilesAndFailures) {
  PackTempDir dir;
  TBitmap32 strip = Pic({"#..#..", "#..#.."});
  strip.SetPixel(0, 1, 0xFF00FF00u);  // bottom-left: the colour removed
  strip.SetPixel(3, 1, 0xFF00FF00u);
  dir.Write("Strip.bmp", strip.SaveToBMP());
  host.SetVar("folder", RValue::Str(RString(dir.Path())));

  // Names with a different case and backslashes are found as on the game's system.
  EXPECT_EQ(Num("sprite_add(folder + '\\strip.BMP', 2, 1, 0, 1, 0)"), 3);
  const CSprite *s = g_Sprites.Get(3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->i_numb, 2);
  EXPECT_EQ(Alpha32(s->i_bitmap[0].Pixel(0, 1)), 0u);
  EXPECT_EQ(Alpha32(s->i_bitmap[0].Pixel(0, 0)), 255u);
  EXPECT_EQ(Num("sprite_get_bbox_bottom(3)"), 0);
  EXPECT_EQ(Num("sprite_get_xoffset(3)"), 1);

  // A failed addition leaves no entry behind and reports nothing.
  EXPECT_EQ(Reported("n = sprite_add(folder + '/missing.png', 1, 0, 0, 0, 0)"), "");
  EXPECT_EQ(host.Var("n").val, -1);
  EXPECT_EQ(g_Sprites.Count(), 4);
  dir.Write("junk.png", std::string("not a picture"));
  EXPECT_EQ(Num("sprite_add(folder + '/junk.png', 1, 0, 0, 0, 0)"), -1);
  EXPECT_EQ(Num("background_add(folder + '/junk.png', 0, 0)"), -1);
  EXPECT_EQ(Num("sprite_add_sprite(folder + '/junk.png')"), -1);
  EXPECT_EQ(Num("background_add_background(folder + '/junk.png')"), -1);
  EXPECT_EQ(g_Sprites.Count(), 4);
  EXPECT_EQ(g_Backgrounds.Count(), 1);

  // Replacing keeps the index; a failed replacement keeps the sprite.
  EXPECT_EQ(Num("sprite_replace(0, folder + '/strip.bmp', 1, 0, 0, 0, 0)"), 1);
  EXPECT_EQ(Num("sprite_get_width(0)"), 6);
  EXPECT_EQ(Num("sprite_replace(0, folder + '/junk.png', 1, 0, 0, 0, 0)"), 0);
  EXPECT_EQ(Num("sprite_get_width(0)"), 6);
  EXPECT_EQ(Num("background_replace(0, folder + '/strip.bmp', 0, 0)"), 1);
  EXPECT_EQ(Num("background_get_width(0)"), 6);

  // Own files of sprites and backgrounds.
  RMaskSettings m;
  dir.Write("ship.spr", g_Sprites.Get(3)->SaveToSpriteBytes(m));
  dir.Write("sky.bkg", g_Backgrounds.Get(0)->SaveToBackgroundBytes());
  EXPECT_EQ(Num("sprite_add_sprite(folder + '/ship.spr')"), 4);
  EXPECT_EQ(Num("sprite_get_number(4)"), 2);
  EXPECT_EQ(Num("sprite_replace_sprite(2, folder + '/ship.spr')"), 1);
  EXPECT_EQ(Num("sprite_get_number(2)"), 2);
  EXPECT_EQ(Num("background_add_background(folder + '/sky.bkg')"), 1);
  EXPECT_EQ(Text("background_get_name(1)"), "__newbackground1");
  EXPECT_EQ(Num("background_get_height(1)"), 2);
}

TEST_F(ResourceFunctions, AnimatedGifsGiveAFramePerImage) {
  PackTempDir dir;
  GifImage im;
  im.width = 2, im.height = 1;
  im.indices = {1, 0};
  GifImage other = im;
  other.indices = {0, 1};
  const std::vector<uint8_t> gif = WriteGif(2, 1, {0x000000, 0xFF0000}, {im, other});
  dir.Write("Anim.gif", gif);
  dir.Write("cut.gif", std::vector<uint8_t>(gif.begin(), gif.end() - 6));
  host.SetVar("folder", RValue::Str(RString(dir.Path())));
  // The count asked for does not matter; the file's images do.
  EXPECT_EQ(Num("sprite_add(folder + '/anim.GIF', 5, 0, 0, 0, 0)"), 3);
  EXPECT_EQ(Num("sprite_get_number(3)"), 2);
  EXPECT_EQ(Num("sprite_get_width(3)"), 2);
  EXPECT_EQ(Num("sprite_replace(0, folder + '/anim.gif', 1, 0, 0, 0, 0)"), 1);
  EXPECT_EQ(Num("sprite_get_number(0)"), 2);
  // A GIF cut inside its last image is unreadable as a whole.
  EXPECT_EQ(Reported("n = sprite_add(folder + '/cut.gif', 1, 0, 0, 0, 0)"), "");
  EXPECT_EQ(host.Var("n").val, -1);
  EXPECT_EQ(Num("sprite_replace(0, folder + '/cut.gif', 1, 0, 0, 0, 0)"), 0);
  EXPECT_EQ(Num("sprite_get_number(0)"), 2);
  EXPECT_EQ(g_Sprites.Count(), 4);
  // A background is one picture: the first image, which the cut spared.
  EXPECT_EQ(Num("background_add(folder + '/cut.gif', 0, 0)"), 1);
  EXPECT_EQ(Num("background_get_width(1)"), 2);
}

TEST_F(ResourceFunctions, BackgroundColourAlphaAndCopies) {
  EXPECT_EQ(Num("background_create_color(2, 2, c_red)"), 1);
  EXPECT_EQ(g_Backgrounds.Get(1)->i_bitmap.Pixel(1, 1), 0xFFFF0000u);
  // A size no picture can have gives an empty background, not a crash.
  EXPECT_EQ(Num("background_create_color(100000, 100000, 0)"), 2);
  EXPECT_EQ(Num("background_get_width(2)"), 0);

  // Red (255 + 0 + 0) / 3 = 85 becomes the alpha of the blue sky.
  Reported("background_set_alpha_from_background(0, 1)");
  EXPECT_EQ(g_Backgrounds.Get(0)->i_bitmap.Pixel(0, 0), 0x550000FFu);
  EXPECT_EQ(Alpha32(g_Backgrounds.Get(0)->i_bitmap.Pixel(4, 2)), 255u);

  EXPECT_EQ(Num("background_duplicate(1)"), 3);
  EXPECT_EQ(Reported("background_assign(0, 3)"), "");
  EXPECT_EQ(Num("background_get_width(0)"), 2);
  EXPECT_EQ(Num("background_delete(3)"), 1);
  EXPECT_EQ(Num("background_exists(3)"), 0);
}

// Frames and backgrounds written as PNG (any case of the extension) or
// BMP, both keeping every pixel with its alpha; the strip is always PNG.
TEST_F(ResourceFunctions, SavedPicturesReadBackExactly) {
  PackTempDir dir;
  host.SetVar("folder", RValue::Str(RString(dir.Path())));
  const CSprite &ship = *g_Sprites.Get(0);
  const auto read = [&](const char *name, TBitmap32 &out) {
    std::vector<uint8_t> bytes;
    if (!BM32_ReadFileBytes(dir.Path() + "/" + name, bytes)) return false;
    std::string why;
    return BM32_DecodePicture(bytes.data(), bytes.size(), out, why);
  };
  EXPECT_EQ(Reported("sprite_save(0, 1, folder + '/frame.PNG');"
                     "sprite_save(0, 0, folder + '/frame.bmp');"
                     "background_save(0, folder + '/sky.png');"
                     "sprite_save_strip(0, folder + '/strip.bmp');"),
            "");
  TBitmap32 got;
  ASSERT_TRUE(read("frame.PNG", got));
  EXPECT_TRUE(got == ship.i_bitmap[1]);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(BM32_ReadFileBytes(dir.Path() + "/frame.bmp", bytes));
  EXPECT_STREQ(BM32_PictureFormat(bytes.data(), bytes.size()), "BMP");
  ASSERT_TRUE(read("frame.bmp", got));
  EXPECT_TRUE(got == ship.i_bitmap[0]);
  ASSERT_TRUE(read("sky.png", got));
  EXPECT_TRUE(got == g_Backgrounds.Get(0)->i_bitmap);

  // Frame i at x = i * width.
  ASSERT_TRUE(BM32_ReadFileBytes(dir.Path() + "/strip.bmp", bytes));
  EXPECT_STREQ(BM32_PictureFormat(bytes.data(), bytes.size()), "PNG");
  ASSERT_TRUE(read("strip.bmp", got));
  ASSERT_EQ(got.Width(), 8);
  ASSERT_EQ(got.Height(), 2);
  EXPECT_TRUE(got.Region(0, 0, 4, 2) == ship.i_bitmap[0]);
  EXPECT_TRUE(got.Region(4, 0, 4, 2) == ship.i_bitmap[1]);

  // A frame number outside the sprite does not wrap: nothing is written;
  // nor is a strip of a sprite without frames.
  EXPECT_EQ(Reported("sprite_save(0, 2, folder + '/two.png'); sprite_save(0, -1, folder + '/last.png');"
                     "sprite_save_strip(2, folder + '/none.png')"),
            "");
  for (const char *name : {"two.png", "last.png", "none.png"})
    EXPECT_FALSE(BM32_ReadFileBytes(dir.Path() + "/" + name, bytes)) << name;
}

TEST_F(ResourceFunctions, GradientBackgroundsAreNewEntries) {
  EXPECT_EQ(Num("background_create_gradient(4, 3, c_black, c_white, 0)"), 1);
  EXPECT_EQ(Text("background_get_name(1)"), "__newbackground1");
  const TBitmap32 &bm = g_Backgrounds.Get(1)->i_bitmap;
  ASSERT_EQ(bm.Width(), 4);
  EXPECT_EQ(bm.Pixel(0, 2), 0xFF000000u);
  EXPECT_EQ(bm.Pixel(2, 0), 0xFF808080u);  // step 2 of 4: 127.5, to even
  // A size no picture may have gives a background without a picture.
  EXPECT_EQ(Num("background_create_gradient(100000, 100000, 0, 0, 3)"), 2);
  EXPECT_EQ(Num("background_get_width(2)"), 0);
}

TEST_F(ResourceFunctions, TheSpriteGeometryFollowsTheSprite) {
  RSpriteGeometry g;
  ASSERT_TRUE(Sprite_Geometry(0, g));
  EXPECT_EQ((std::vector<int32_t>{g.count, g.width, g.height, g.xorigin, g.yorigin, g.left, g.top, g.right,
                                  g.bottom}),
            (std::vector<int32_t>{2, 4, 2, 1, 2, 1, 1, 2, 1}));
  EXPECT_FALSE(Sprite_Geometry(1, g));
  EXPECT_FALSE(Sprite_Geometry(9, g));
  // A change through a function shows at once.
  host.Run("sprite_set_offset(0, 7, 8)");
  ASSERT_TRUE(Sprite_Geometry(0, g));
  EXPECT_EQ(g.xorigin, 7);
}

}  // namespace
