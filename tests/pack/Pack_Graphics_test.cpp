// Sprites and backgrounds in the manifest: what the packer makes of their
// pictures and settings, and the located message a broken entry gets.
#include <gtest/gtest.h>

#include "Pack_Json.h"
#include "Pack_Project.h"
#include "data/Picture_Text.h"
#include "base/BM32_GIF.h"
#include "base/BM32_PNG.h"
#include "base/Picture_Files.h"
#include "pack/Pack_TempDir.h"

using namespace picture;
using Rows = std::vector<std::string>;

namespace {

class PackGraphicsTest : public ::testing::Test {
protected:
  void SetUp() override {
    // A strip of two 3 by 2 frames on a green background.
    TBitmap32 strip = Pic({"#....#", ".##.##"});
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 6; ++x)
        if (Alpha32(strip.Pixel(x, y)) == 0) strip.SetPixel(x, y, 0xFF00FF00u);
    dir.Write("img/strip.bmp", strip.SaveToBMP());
    dir.Write("img/a.bmp", Pic({"#..", "..."}).SaveToBMP());
    dir.Write("img/b.bmp", Pic({"...", "..#"}).SaveToBMP());
    dir.Write("img/wide.bmp", Pic({"....", "...."}).SaveToBMP());
    dir.Write("img/bad.png", std::string("\x89PNG\r\n\x1a\n-broken-", 17));
  }

  // Reads a manifest of these entries (and one room unless they bring rooms).
  std::string Read(const std::string &entries, RGameModel &game) {
    const bool rooms = entries.find("\"rooms\"") != std::string::npos;
    const std::string text = std::string(R"({"game_id": 1, )") + (rooms ? "" : R"("rooms": [{"name": "r"}], )") + entries + "}";
    try {
      ReadProjectText(text, "game.json", ProjectFiles(dir.Path()), game);
      return "";
    } catch (const PackError &e) {
      return e.what();
    }
  }
  std::string Read(const std::string &entries) {
    RGameModel game;
    return Read(entries, game);
  }

  PackTempDir dir;
};

TEST_F(PackGraphicsTest, StripWithTransparencyOriginAndDefaultMask) {
  RGameModel g;
  ASSERT_EQ(Read(R"("sprites": [null, {"name": "spr_walk", "image": "img/strip.bmp", "frames": 2,
                   "transparent": true, "xorigin": 1, "yorigin": -2}])",
                 g),
            "");
  ASSERT_EQ(g.sprites.Count(), 2);
  EXPECT_FALSE(g.sprites.Exists(0));
  const CSprite &s = *g.sprites.Get(1);
  EXPECT_EQ(g.sprites.names[1], "spr_walk");
  EXPECT_EQ(s.i_numb, 2);
  EXPECT_EQ(s.GetWidth(), 3);
  EXPECT_EQ(s.i_xorig, 1);
  EXPECT_EQ(s.i_yorig, -2);
  // Green, the bottom-left colour of each frame, became transparent.
  ASSERT_EQ(s.i_mask.size(), 1u);
  EXPECT_EQ(Render(s.i_mask[0]), (Rows{"#.#", ".##"}));
  EXPECT_EQ(Box(s.i_bbox), (std::vector<int32_t>{0, 0, 2, 1}));
}

TEST_F(PackGraphicsTest, FramesFromFilesWithMaskSettings) {
  RGameModel g;
  ASSERT_EQ(Read(R"("sprites": [{"name": "s", "images": ["img/a.bmp", "img/b.bmp"], "separate_masks": true,
                   "kind": "rectangle", "bbox": {"left": 1, "top": 0, "right": 2, "bottom": 0}},
                  {"name": "t", "images": ["img/a.bmp", "img/b.bmp"], "bbox": "full", "tolerance": 255}])",
                 g),
            "");
  const CSprite &s = *g.sprites.Get(0);
  ASSERT_EQ(s.i_mask.size(), 2u);
  EXPECT_EQ(Render(s.i_mask[1]), (Rows{".##", "..."}));
  EXPECT_EQ(Box(s.i_bbox), (std::vector<int32_t>{1, 0, 2, 0}));
  const CSprite &t = *g.sprites.Get(1);
  ASSERT_EQ(t.i_mask.size(), 1u);
  EXPECT_EQ(Render(t.i_mask[0]), (Rows{"...", "..."}));  // nothing above the tolerance
  EXPECT_EQ(Box(t.i_bbox), (std::vector<int32_t>{0, 0, 2, 1}));
}

TEST_F(PackGraphicsTest, BackgroundsAndReferencesByName) {
  RGameModel g;
  ASSERT_EQ(Read(R"("backgrounds": [{"name": "bg_a", "image": "img/a.bmp"}, {"name": "bg_b", "image": "img/b.bmp", "transparent": true}],
                  "sprites": [{"name": "spr", "image": "img/a.bmp"}],
                  "objects": [{"name": "o", "sprite": "spr", "mask": 0}],
                  "rooms": [{"name": "r", "backgrounds": [{"background": "bg_b"}],
                             "tiles": [{"x": 0, "y": 0, "background": "bg_a"}]}])",
                 g),
            "");
  EXPECT_EQ(g.backgrounds.Count(), 2);
  EXPECT_EQ(g.backgrounds.Get(0)->i_bitmap.Width(), 3);
  // The one visible pixel of b has the colour of its bottom-left pixel, so
  // it goes transparent too; a keeps its pixel.
  EXPECT_EQ(Alpha32(g.backgrounds.Get(1)->i_bitmap.Pixel(2, 1)), 0u);
  EXPECT_EQ(Alpha32(g.backgrounds.Get(0)->i_bitmap.Pixel(0, 0)), 255u);
  EXPECT_EQ(g.objects.Get(0)->o_spriteindex, 0);
  EXPECT_EQ(g.objects.Get(0)->o_mask, 0);
  EXPECT_EQ(g.rooms.Get(0)->r_background[0].index, 1);
  EXPECT_EQ(g.rooms.Get(0)->r_tile[0].index, 0);
}

TEST_F(PackGraphicsTest, GifAndJpegPicturesByTheirContent) {
  // A GIF of two images: only the first is taken, its transparent pixels
  // showing the fill colour, which "transparent" then removes.
  GifImage a;
  a.width = 2, a.height = 1;
  a.indices = {1, 0};
  a.transparent = 0;
  GifImage b = a;
  b.indices = {1, 1};
  const std::vector<uint8_t> gif = WriteGif(2, 2, {0x000000, 0xFF0000}, {a, b});
  dir.Write("img/ship.gif", gif);
  dir.Write("img/ship.dat", gif);
  dir.Write("img/sky.jpg", WriteJpeg(Bands({0x0000FF, 0x00FF00}, 8, 8)));
  const std::vector<uint8_t> cut(gif.begin(), gif.begin() + 30);
  dir.Write("img/cut.gif", cut);
  RGameModel g;
  ASSERT_EQ(Read(R"("sprites": [{"name": "s", "image": "img/ship.gif", "transparent": true},
                               {"name": "t", "image": "img/ship.dat"}],
                   "backgrounds": [{"name": "bg", "image": "img/sky.jpg"}])",
                 g),
            "");
  const CSprite &s = *g.sprites.Get(0);
  ASSERT_EQ(s.i_numb, 1);
  EXPECT_EQ(Render(s.i_mask[0]), (Rows{"#.", ".."}));
  EXPECT_EQ(g.sprites.Get(1)->i_bitmap[0].Pixel(1, 0), kGifCanvasFill);
  const TBitmap32 &sky = g.backgrounds.Get(0)->i_bitmap;
  ASSERT_EQ(sky.Width(), 16);
  EXPECT_TRUE(Near(sky.Pixel(12, 4), 0xFF00FF00u));
  EXPECT_EQ(Read(R"("sprites": [{"name": "s", "image": "img/cut.gif"}])").rfind(
                "game.json: sprites[0].image: not a readable GIF picture: img/cut.gif (", 0),
            0u);
}

TEST_F(PackGraphicsTest, BrokenEntriesNameTheirField) {
  struct RCase {
    const char *entries;
    const char *message;
  };
  const std::vector<RCase> cases = {
      {R"("sprites": [{"name": "s"}])", "game.json: sprites[0].image: missing field"},
      {R"("sprites": [{"name": "s", "image": "img/a.bmp", "images": ["img/a.bmp"]}])",
       "game.json: sprites[0].images: give either \"image\" or \"images\", not both"},
      {R"("sprites": [{"name": "s", "images": []}])", "game.json: sprites[0].images: a sprite needs at least one image"},
      {R"("sprites": [{"name": "s", "images": ["img/a.bmp", "img/wide.bmp"]}])",
       "game.json: sprites[0].images[1]: the picture is 4x2, but the first frame is 3x2; all frames of a sprite have one size"},
      {R"("sprites": [{"name": "s", "images": ["img/a.bmp"], "frames": 1}])",
       "game.json: sprites[0].frames: \"frames\" cuts a strip given as \"image\"; \"images\" has one file per frame"},
      {R"("sprites": [{"name": "s", "image": "img/strip.bmp", "frames": 4}])",
       "game.json: sprites[0].frames: the picture is 6 pixels wide, not a multiple of 4 frames"},
      {R"("sprites": [{"name": "s", "image": "img/strip.bmp", "frames": 0}])",
       "game.json: sprites[0].frames: expected an integer from 1 to 2147483647"},
      {R"("sprites": [{"name": "s", "image": "img/none.bmp"}])", "game.json: sprites[0].image: file not found: img/none.bmp"},
      {R"("sprites": [{"name": "s", "image": "img/bad.png"}])",
       "game.json: sprites[0].image: not a readable PNG picture: img/bad.png (truncated file)"},
      {R"("sprites": [{"name": "s", "image": "img/a.bmp", "kind": "circle"}])",
       "game.json: sprites[0].kind: expected \"precise\", \"rectangle\", \"ellipse\" or \"diamond\", found \"circle\""},
      {R"("sprites": [{"name": "s", "image": "img/a.bmp", "tolerance": 256}])",
       "game.json: sprites[0].tolerance: expected an integer from 0 to 255"},
      {R"("sprites": [{"name": "s", "image": "img/a.bmp", "bbox": "auto"}])",
       "game.json: sprites[0].bbox: expected \"automatic\", \"full\" or a box {\"left\", \"top\", \"right\", \"bottom\"}, found \"auto\""},
      {R"("sprites": [{"name": "s", "image": "img/a.bmp", "bbox": {"left": 2, "top": 0, "right": 1, "bottom": 0}}])",
       "game.json: sprites[0].bbox.right: expected an integer from 2 to 2"},
      {R"("sprites": [{"name": "s", "image": "img/a.bmp", "bbox": {"left": 0, "top": 0, "right": 0}}])",
       "game.json: sprites[0].bbox.bottom: missing field"},
      {R"("sprites": [{"name": "s", "image": "img/a.bmp", "origin": 3}])", "game.json: sprites[0].origin: unknown field"},
      {R"("sprites": [{"name": "s", "image": "img/a.bmp"}, {"name": "s", "image": "img/a.bmp"}])",
       "game.json: sprites[1].name: the name \"s\" is already used by sprites[0]"},
      {R"("backgrounds": [{"name": "b"}])", "game.json: backgrounds[0].image: missing field"},
      {R"("backgrounds": [{"name": "b", "image": "img/a.bmp", "frames": 2}])",
       "game.json: backgrounds[0].frames: unknown field"},
      {R"("objects": [{"name": "o", "sprite": "ghost"}])", "game.json: objects[0].sprite: no sprite is named \"ghost\""},
      {R"("rooms": [{"name": "r", "tiles": [{"x": 0, "y": 0, "background": "ghost"}]}])",
       "game.json: rooms[0].tiles[0].background: no background is named \"ghost\""},
  };
  for (const RCase &c : cases) EXPECT_EQ(Read(c.entries), c.message) << c.entries;
}

}  // namespace
