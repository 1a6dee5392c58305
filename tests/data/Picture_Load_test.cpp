// Sprites and backgrounds loaded from GIF and JPEG files: which rule a file
// follows (every GIF image a frame, or a picture cut into strips), what the
// loading steps do to the frames, and that unreadable files change nothing.
#include <gtest/gtest.h>

#include "base/BM32_GIF.h"
#include "data/Background_Class.h"
#include "base/Picture_Files.h"
#include "data/Picture_Text.h"
#include "data/Sprite_Class.h"
#include "pack/Pack_TempDir.h"

using namespace picture;

namespace {

const std::vector<uint32_t> kPalette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};

// Two 3 by 2 images: a red pixel over a transparent rest, kept in place,
// then a blue pixel; a third image comes after the second is disposed of.
std::vector<uint8_t> AnimatedGif() {
  GifImage a;
  a.width = 3, a.height = 2;
  a.indices = {1, 0, 0, 0, 0, 0};
  a.transparent = 0;
  a.disposal = DISPOSE_DO_NOT;
  GifImage b = a;
  b.indices = {0, 0, 3, 0, 0, 0};
  b.disposal = DISPOSE_BACKGROUND;
  GifImage c = a;
  c.indices = {0, 2, 0, 0, 0, 0};
  c.disposal = DISPOSAL_UNSPECIFIED;
  return WriteGif(3, 2, kPalette, {a, b, c});
}

class PictureFiles : public ::testing::Test {
protected:
  std::string Put(const std::string &name, const std::vector<uint8_t> &bytes) {
    dir.Write(name, bytes);
    return dir / name;
  }
  PackTempDir dir;
};

TEST_F(PictureFiles, GifNamedGifGivesAFramePerImageWhateverTheCount) {
  const std::string path = Put("walk.GIF", AnimatedGif());
  CSprite s;
  ASSERT_TRUE(s.LoadFromFile(path, 7, false, false, 1, 2));
  ASSERT_EQ(s.i_numb, 3);
  EXPECT_EQ(s.GetWidth(), 3);
  EXPECT_EQ(s.GetHeight(), 2);
  EXPECT_EQ(s.i_xorig, 1);
  EXPECT_EQ(s.i_yorig, 2);
  // Without removeback every pixel, the fill colour included, is opaque.
  EXPECT_EQ(s.i_bitmap[0].Pixel(2, 1), kGifCanvasFill);
  EXPECT_EQ(s.i_bitmap[1].Pixel(0, 0), 0xFFFF0000u) << "the first image was left in place";
  EXPECT_EQ(s.i_bitmap[2].Pixel(0, 0), kGifCanvasFill) << "the second image's disposal refilled the canvas";
  EXPECT_EQ(s.i_bitmap[2].Pixel(1, 0), 0xFF00FF00u);
  // The whole canvas counts for the mask.
  EXPECT_EQ(Box(s.i_bbox), (std::vector<int32_t>{0, 0, 2, 1}));
}

TEST_F(PictureFiles, RemovebackOnGifFramesClearsTheFillAndBleeds) {
  const std::string path = Put("walk.gif", AnimatedGif());
  CSprite s;
  ASSERT_TRUE(s.LoadFromFile(path, 1, true, false, 0, 0));
  ASSERT_EQ(s.i_numb, 3);
  // Frame 1: red at (0,0) and blue at (2,0) stay; the fill goes.
  const TBitmap32 &f = s.i_bitmap[1];
  EXPECT_EQ(f.Pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(f.Pixel(2, 0), 0xFF0000FFu);
  EXPECT_EQ(f.Pixel(1, 0), 0x00FF0000u) << "transparent, with the colour of its left neighbour";
  EXPECT_EQ(f.Pixel(2, 1), 0x000000FFu) << "transparent, with the colour of the pixel above";
  EXPECT_EQ(Box(s.i_bbox), (std::vector<int32_t>{0, 0, 2, 0}));
}

TEST_F(PictureFiles, OtherNamesFollowTheStripRuleWhateverTheContent) {
  // A GIF under another name is one picture: its first frame, cut in strips.
  CSprite s;
  ASSERT_TRUE(s.LoadFromFile(Put("walk.png", AnimatedGif()), 3, false, false, 0, 0));
  ASSERT_EQ(s.i_numb, 3);
  EXPECT_EQ(s.GetWidth(), 1);
  EXPECT_EQ(s.i_bitmap[0].Pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(s.i_bitmap[1].Pixel(0, 0), kGifCanvasFill);

  // A file named .gif that holds another format is read by what it holds.
  ASSERT_TRUE(s.LoadFromFile(Put("bands.gif", WriteJpeg(Bands({0xFF0000, 0x0000FF}, 8, 8))), 2, false, false, 0, 0));
  ASSERT_EQ(s.i_numb, 2);
  EXPECT_TRUE(Near(s.i_bitmap[1].Pixel(4, 4), 0xFF0000FFu));
}

TEST_F(PictureFiles, JpegStripsAreCutFromTheLeftAndAreOpaque) {
  // 50 pixels in three frames: 16 each, the last two columns unused.
  TBitmap32 picture = Bands({0xFF0000, 0x00FF00, 0x0000FF}, 16, 16);
  picture = picture.Region(0, 0, 50, 16);
  for (int y = 0; y < 16; ++y) picture.SetPixel(48, y, 0xFFFFFFFFu), picture.SetPixel(49, y, 0xFFFFFFFFu);
  CSprite s;
  ASSERT_TRUE(s.LoadFromFile(Put("bands.jpg", WriteJpeg(picture)), 3, false, false, 0, 0));
  ASSERT_EQ(s.i_numb, 3);
  const std::vector<TColor32> expected = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu};
  for (size_t i = 0; i < 3; ++i) {
    const TBitmap32 &f = s.i_bitmap[i];
    ASSERT_EQ(f.Width(), 16);
    EXPECT_TRUE(Near(f.Pixel(8, 8), expected[i])) << "frame " << i;
    EXPECT_TRUE(Near(f.Pixel(15, 8), expected[i])) << "frame " << i << " ends before the white columns";
    for (int y = 0; y < f.Height(); ++y)
      for (int x = 0; x < f.Width(); ++x) ASSERT_EQ(Alpha32(f.Pixel(x, y)), 255u);
  }
  EXPECT_EQ(Box(s.i_bbox), (std::vector<int32_t>{0, 0, 15, 15}));

  CBackground b;
  ASSERT_TRUE(b.LoadFromFile(dir / "bands.jpg", false, false));
  EXPECT_EQ(b.GetWidth(), 50);
  ASSERT_TRUE(b.LoadFromFile(Put("walk.gif", AnimatedGif()), true, false));
  EXPECT_EQ(b.GetWidth(), 3);
  EXPECT_EQ(b.i_bitmap.Pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(Alpha32(b.i_bitmap.Pixel(1, 1)), 0u) << "the fill colour was the bottom-left pixel";
}

TEST_F(PictureFiles, UnreadableFilesLeaveSpritesAndBackgroundsAsTheyWere) {
  const std::vector<uint8_t> gif = AnimatedGif();
  const std::vector<uint8_t> jpeg = WriteJpeg(Bands({0xFF0000}, 8, 8));
  const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
      {"cut.gif", std::vector<uint8_t>(gif.begin(), gif.begin() + 40)},
      {"cut.png", std::vector<uint8_t>(gif.begin(), gif.begin() + 40)},
      {"cut.jpg", std::vector<uint8_t>(jpeg.begin(), jpeg.end() - 20)},
      {"signature.gif", {'G', 'I', 'F', '8', '9', 'a'}},
  };
  CSprite s;
  ASSERT_TRUE(s.LoadFromFile(Put("walk.gif", gif), 1, false, false, 4, 5));
  CBackground b;
  b.CreateColor(2, 2, 0xFF);
  const TBitmap32 before = b.i_bitmap;
  for (const auto &[name, bytes] : files) {
    const std::string path = Put(name, bytes);
    EXPECT_FALSE(s.LoadFromFile(path, 1, true, true, 0, 0)) << name;
    EXPECT_FALSE(s.LoadGifFromFile(path, false, false, 0, 0)) << name;
    EXPECT_FALSE(b.LoadFromFile(path, false, false)) << name;
  }
  EXPECT_FALSE(s.LoadFromFile(dir / "missing.gif", 1, false, false, 0, 0));
  EXPECT_EQ(s.i_numb, 3);
  EXPECT_EQ(s.i_xorig, 4);
  EXPECT_EQ(b.i_bitmap, before);
}

}  // namespace
