// GIF decoding: composing the images of a file into frames, and refusing
// damaged files without reading past them.
#include "base/BM32_GIF.h"

#include <gtest/gtest.h>

#include "base/Picture_Files.h"

using namespace picture;

namespace {

// Palette used by the fixtures: index 0 black, 1 red, 2 green, 3 blue.
const std::vector<uint32_t> kPalette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};

// A frame as text: 'F' the canvas fill, 'K' black, 'R' red, 'G' green,
// 'B' blue, '?' anything else (or not opaque).
std::vector<std::string> Show(const TBitmap32 &bm) {
  std::vector<std::string> rows;
  for (int y = 0; y < bm.Height(); ++y) {
    std::string row;
    for (int x = 0; x < bm.Width(); ++x) {
      switch (bm.Pixel(x, y)) {
        case kGifCanvasFill: row += 'F'; break;
        case 0xFF000000u: row += 'K'; break;
        case 0xFFFF0000u: row += 'R'; break;
        case 0xFF00FF00u: row += 'G'; break;
        case 0xFF0000FFu: row += 'B'; break;
        default: row += '?'; break;
      }
    }
    rows.push_back(row);
  }
  return rows;
}

GifImage Image(int left, int top, int width, int height, std::vector<uint8_t> indices) {
  GifImage im;
  im.left = left;
  im.top = top;
  im.width = width;
  im.height = height;
  im.indices = std::move(indices);
  return im;
}

// Three images on a 4 by 3 screen: a red square with a transparent corner
// left in place, a blue square disposed of, a green pixel.
std::vector<uint8_t> ThreeImageGif() {
  GifImage a = Image(0, 0, 2, 2, {1, 1, 1, 0});
  a.transparent = 0;
  a.disposal = DISPOSE_DO_NOT;
  GifImage b = Image(2, 1, 2, 2, {3, 3, 3, 3});
  b.disposal = DISPOSE_BACKGROUND;
  GifImage c = Image(3, 0, 1, 1, {2});
  return WriteGif(4, 3, kPalette, {a, b, c});
}

TEST(GifFrames, ImagesComposeOnOneCanvasAndDisposalDecidesWhatStays) {
  const std::vector<uint8_t> file = ThreeImageGif();
  std::vector<TBitmap32> frames;
  std::string why;
  ASSERT_TRUE(DecodeGifFrames(file.data(), file.size(), frames, why)) << why;
  ASSERT_EQ(frames.size(), 3u);
  // The transparent corner shows the fill colour beneath.
  EXPECT_EQ(Show(frames[0]), (std::vector<std::string>{"RRFF", "RFFF", "FFFF"}));
  // The red square was not disposed of, so it is still there.
  EXPECT_EQ(Show(frames[1]), (std::vector<std::string>{"RRFF", "RFBB", "FFBB"}));
  // The blue image was disposed of: the whole canvas is refilled.
  EXPECT_EQ(Show(frames[2]), (std::vector<std::string>{"FFFG", "FFFF", "FFFF"}));

  TBitmap32 first;
  ASSERT_TRUE(DecodeGif(file.data(), file.size(), first, why)) << why;
  EXPECT_EQ(first, frames[0]) << "a GIF read as one picture is its first frame";
}

TEST(GifFrames, TransparencyAndDisposalBelongToTheirOwnImage) {
  // The second image has no control block: index 0 is drawn black, and the
  // first image's "do not dispose" does not carry over to it.
  GifImage a = Image(0, 0, 2, 1, {1, 0});
  a.transparent = 0;
  a.disposal = DISPOSE_DO_NOT;
  GifImage b = Image(0, 0, 1, 1, {0});
  b.control = false;
  GifImage c = Image(1, 0, 1, 1, {2});
  const std::vector<uint8_t> file = WriteGif(2, 1, kPalette, {a, b, c});
  std::vector<TBitmap32> frames;
  std::string why;
  ASSERT_TRUE(DecodeGifFrames(file.data(), file.size(), frames, why)) << why;
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(Show(frames[0]), std::vector<std::string>{"RF"});
  EXPECT_EQ(Show(frames[1]), std::vector<std::string>{"KF"});
  EXPECT_EQ(Show(frames[2]), std::vector<std::string>{"FG"});
}

TEST(GifFrames, InterlacedRowsLandWhereTheyBelong) {
  // Ten rows, each a colour of its own, stored in the four-pass order.
  std::vector<uint32_t> greys;
  std::vector<uint8_t> indices;
  for (uint8_t y = 0; y < 10; ++y) {
    greys.push_back(0x010101u * (y * 20u + 5u));
    indices.push_back(y);
  }
  GifImage im = Image(0, 0, 1, 10, indices);
  im.interlaced = true;
  const std::vector<uint8_t> file = WriteGif(1, 10, greys, {im});
  TBitmap32 bm;
  std::string why;
  ASSERT_TRUE(DecodeGif(file.data(), file.size(), bm, why)) << why;
  for (int y = 0; y < 10; ++y) EXPECT_EQ(bm.Pixel(0, y), 0xFF000000u | greys[static_cast<size_t>(y)]) << "row " << y;
}

TEST(GifFrames, ColourTablesScreenSizeAndClipping) {
  std::vector<TBitmap32> frames;
  std::string why;

  // An image's own table wins over the global one; an index past the table
  // shows black.
  GifImage local = Image(0, 0, 3, 1, {0, 1, 3});
  local.localColours = {0x0000FF, 0x00FF00};
  std::vector<uint8_t> file = WriteGif(3, 1, kPalette, {local});
  ASSERT_TRUE(DecodeGifFrames(file.data(), file.size(), frames, why)) << why;
  EXPECT_EQ(Show(frames[0]), std::vector<std::string>{"BGK"});

  // An image reaching past the screen is cut at its edge (the encoder
  // writes none such, so the screen is made smaller afterwards).
  file = WriteGif(4, 3, kPalette, {Image(1, 1, 3, 2, {1, 2, 3, 3, 2, 1})});
  file[6] = file[8] = 2;
  ASSERT_TRUE(DecodeGifFrames(file.data(), file.size(), frames, why)) << why;
  EXPECT_EQ(Show(frames[0]), (std::vector<std::string>{"FF", "FR"}));

  // A screen of no size is as large as the first image reaches.
  file = WriteGif(2, 2, kPalette, {Image(1, 0, 2, 3, {1, 1, 1, 1, 1, 1})});
  file[6] = file[7] = file[8] = file[9] = 0;
  ASSERT_TRUE(DecodeGifFrames(file.data(), file.size(), frames, why)) << why;
  EXPECT_EQ(Show(frames[0]), (std::vector<std::string>{"FRR", "FRR", "FRR"}));

  // No table at all leaves the indices without colours: the global table
  // is taken out of a file that has one.
  file = WriteGif(1, 1, kPalette, {Image(0, 0, 1, 1, {0})});
  file[10] &= 0x7F;
  file.erase(file.begin() + 13, file.begin() + 25);
  EXPECT_FALSE(DecodeGifFrames(file.data(), file.size(), frames, why));
  EXPECT_TRUE(frames.empty());
  EXPECT_NE(why.find("colour table"), std::string::npos) << why;
}

TEST(GifFrames, ACutFileKeepsOnlyWholeImagesOrFails) {
  const std::vector<uint8_t> file = ThreeImageGif();
  std::vector<TBitmap32> full;
  std::string why;
  ASSERT_TRUE(DecodeGifFrames(file.data(), file.size(), full, why)) << why;

  // Without its trailer the file still holds three whole images.
  std::vector<TBitmap32> frames;
  ASSERT_TRUE(DecodeGifFrames(file.data(), file.size() - 1, frames, why)) << why;
  EXPECT_EQ(frames, full);

  // Every shorter cut either fails cleanly or gives the whole images before
  // it; a cut inside the first image always fails.
  size_t failures = 0, partial = 0;
  for (size_t n = 0; n + 1 < file.size(); ++n) {
    const std::vector<uint8_t> cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
    why.clear();
    if (DecodeGifFrames(cut.data(), cut.size(), frames, why)) {
      ++partial;
      ASSERT_FALSE(frames.empty()) << n;
      ASSERT_LE(frames.size(), full.size()) << n;
      for (size_t k = 0; k < frames.size(); ++k) EXPECT_EQ(frames[k], full[k]) << "cut at " << n << ", frame " << k;
    } else {
      ++failures;
      EXPECT_TRUE(frames.empty()) << n;
      EXPECT_FALSE(why.empty()) << n;
    }
  }
  EXPECT_GT(partial, 0u);
  EXPECT_GT(failures, 0u);
  // 13 bytes of header and screen, 12 of colour table, 8 of control block,
  // 10 of image descriptor: a cut a few bytes into the first image's data.
  const std::vector<uint8_t> inFirst(file.begin(), file.begin() + 45);
  EXPECT_FALSE(DecodeGifFrames(inFirst.data(), inFirst.size(), frames, why));
}

TEST(GifFrames, DamagedOrHostileFilesAreRefused) {
  struct RCase {
    const char *what;
    std::vector<uint8_t> file;
  };
  const std::vector<uint8_t> good = WriteGif(2, 1, kPalette, {Image(0, 0, 2, 1, {1, 2})});
  std::vector<uint8_t> wideScreen = good;
  // 8192 by 8193 is past the pixels all frames together may hold.
  wideScreen[6] = 0x00, wideScreen[7] = 0x20, wideScreen[8] = 0x01, wideScreen[9] = 0x20;
  std::vector<uint8_t> badCodeSize = good;
  // The image data starts after header (13), table (12), control block (8)
  // and descriptor (10) with its code size, which is at most 8.
  badCodeSize[43] = 12;
  std::vector<uint8_t> noImages = WriteGif(2, 1, kPalette, {});
  const std::vector<RCase> cases = {
      {"empty", {}},
      {"signature only", {'G', 'I', 'F', '8', '9', 'a'}},
      {"another format", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}},
      {"unknown version", {'G', 'I', 'F', '8', '8', 'a', 1, 0, 1, 0, 0, 0, 0, ';'}},
      {"screen too large", wideScreen},
      {"impossible code size", badCodeSize},
      {"no images", noImages},
  };
  for (const RCase &c : cases) {
    std::vector<TBitmap32> frames(1);
    std::string why;
    EXPECT_FALSE(DecodeGifFrames(c.file.data(), c.file.size(), frames, why)) << c.what;
    EXPECT_TRUE(frames.empty()) << c.what;
    EXPECT_FALSE(why.empty()) << c.what;
  }
}

}  // namespace
