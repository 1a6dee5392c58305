#include "data/Sprite_Class.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "data/Background_Class.h"
#include "data/Picture_Text.h"
#include "base/Support_Stream.h"

using namespace picture;
using Rows = std::vector<std::string>;

namespace {

// A sprite of two 3 by 3 frames with separate masks and an origin.
void TwoFrames(CSprite &s) {
  s.LoadStripFromBitmap(Pic({"#.....", "##..##", "....#."}), 2, false, false, 2, 1);
  s.ComputeMask(true, kBoxAutomatic, 0, kMaskPrecise, RRect{});
}

CStream Saved(const CSprite &s) {
  CStream out;
  s.SaveToStream(out);
  out.Seek(0);
  return out;
}

void ExpectSameSprite(const CSprite &a, const CSprite &b) {
  EXPECT_EQ(a.i_numb, b.i_numb);
  EXPECT_EQ(a.i_xorig, b.i_xorig);
  EXPECT_EQ(a.i_yorig, b.i_yorig);
  EXPECT_EQ(a.i_sepmasks, b.i_sepmasks);
  EXPECT_EQ(Box(a.i_bbox), Box(b.i_bbox));
  EXPECT_TRUE(a.i_bitmap == b.i_bitmap);
  EXPECT_TRUE(a.i_mask == b.i_mask);
}

TEST(SpriteRecord, RoundTripKeepsFramesMasksAndBox) {
  CSprite s;
  TwoFrames(s);
  ASSERT_EQ(s.i_mask.size(), 2u);
  // Frame 0 covers (0,0)-(1,1), frame 1 (1,1)-(2,2): their union.
  EXPECT_EQ(Box(s.i_bbox), (std::vector<int32_t>{0, 0, 2, 2}));
  CStream out = Saved(s);
  CSprite back;
  ASSERT_TRUE(back.LoadFromStream(out));
  EXPECT_EQ(out.Position(), out.Size());
  ExpectSameSprite(back, s);
  EXPECT_EQ(back.i_tex, (std::vector<int32_t>{-1, -1}));
}

TEST(SpriteRecord, KnownBytesOfAOnePixelSprite) {
  CSprite s;
  s.LoadStripFromBitmap(TBitmap32(1, 1, 0x80112233u), 1, false, false, 3, -4);
  CStream out = Saved(s);
  for (int32_t v : {800, 3, -4, 1, /*frame*/ 800, 1, 1}) EXPECT_EQ(out.ReadInteger(), v);
  std::unique_ptr<CStream> pixels = out.ReadStreamC();
  EXPECT_EQ(pixels->Bytes(), (std::vector<uint8_t>{0x33, 0x22, 0x11, 0x80}));  // blue, green, red, alpha
  EXPECT_EQ(out.ReadInteger(), 0);  // one shared mask
  // The mask: version, size, box as left, right, bottom, top, one pixel.
  for (int32_t v : {800, 1, 1, 0, 0, 0, 0, 1}) EXPECT_EQ(out.ReadInteger(), v);
  EXPECT_EQ(out.Position(), out.Size());
}

TEST(SpriteRecord, Version810CarriesOneIgnoredInteger) {
  CSprite s;
  TwoFrames(s);
  s.ComputeMask(false, kBoxFullImage, 0, kMaskRectangle, RRect{});
  CStream out = Saved(s);
  // Rebuild the record as version 810 with the extra integer before the
  // separate-masks flag.
  CStream v810;
  v810.WriteInteger(810);
  out.Seek(4);
  for (int k = 0; k < 3; ++k) v810.WriteInteger(out.ReadInteger());
  for (int k = 0; k < 2; ++k) {
    TBitmap32 frame;
    ASSERT_TRUE(frame.LoadFromStream(out));
    frame.SaveToStream(v810);
  }
  v810.WriteInteger(123456);
  v810.CopyFrom(out, out.Size() - out.Position());
  v810.Seek(0);
  CSprite back;
  ASSERT_TRUE(back.LoadFromStream(v810));
  ExpectSameSprite(back, s);
  EXPECT_EQ(Box(back.i_bbox), (std::vector<int32_t>{0, 0, 2, 2}));
}

TEST(SpriteRecord, NoFramesMeansNoMasksAndAnEmptyBox) {
  CStream in;
  for (int32_t v : {800, 5, 6, 0, 1}) in.WriteInteger(v);
  in.Seek(0);
  CSprite s;
  ASSERT_TRUE(s.LoadFromStream(in));
  EXPECT_EQ(s.i_numb, 0);
  EXPECT_TRUE(s.i_mask.empty());
  EXPECT_EQ(Box(s.i_bbox), (std::vector<int32_t>{0, 0, 0, 0}));
  EXPECT_EQ(s.GetWidth(), 1);
  EXPECT_EQ(s.GetHeight(), 1);
}

// How a damaged record ends: refused by the reader, or a read past the end
// of the item, which the loader turns into its corrupted-file message.
enum class TEnd { Loaded, Refused, StreamError };

TEnd Load(CStream &in) {
  in.Seek(0);
  CSprite s;
  try {
    return s.LoadFromStream(in) ? TEnd::Loaded : TEnd::Refused;
  } catch (const EStreamError &) {
    return TEnd::StreamError;
  }
}

TEST(SpriteRecord, DamagedRecordsFailCleanly) {
  using Build = std::function<void(CStream &)>;
  auto header = [](CStream &s, int32_t frames) {
    for (int32_t v : {800, 0, 0, frames}) s.WriteInteger(v);
  };
  auto frame = [](CStream &s, int32_t version, int32_t w, int32_t h, size_t bytes) {
    for (int32_t v : {version, w, h}) s.WriteInteger(v);
    CStream pixels(std::vector<uint8_t>(bytes, 0xFF));
    s.WriteStreamC(pixels);
  };
  const std::vector<std::tuple<const char *, Build, TEnd>> cases = {
      {"record version 700", [&](CStream &s) { s.WriteInteger(700); }, TEnd::Refused},
      {"negative frame count", [&](CStream &s) { header(s, -1); }, TEnd::Refused},
      {"a billion frames", [&](CStream &s) { header(s, 1000000000); }, TEnd::Refused},
      {"frame version 801", [&](CStream &s) { header(s, 1), frame(s, 801, 1, 1, 4); }, TEnd::Refused},
      {"frame bigger than its pixels", [&](CStream &s) { header(s, 1), frame(s, 800, 100, 100, 4); }, TEnd::Refused},
      {"frame smaller than its pixels", [&](CStream &s) { header(s, 1), frame(s, 800, 1, 1, 8); }, TEnd::Refused},
      {"frame of negative width", [&](CStream &s) { header(s, 1), frame(s, 800, -1, -1, 4); }, TEnd::Refused},
      {"frame of 2^20 by 2^20", [&](CStream &s) { header(s, 1), frame(s, 800, 1 << 20, 1 << 20, 4); },
       TEnd::Refused},
      {"mask of negative size",
       [&](CStream &s) {
         header(s, 1), frame(s, 800, 1, 1, 4), s.WriteBoolean(false);
         for (int32_t v : {800, -5, 1, 0, 0, 0, 0}) s.WriteInteger(v);
       },
       TEnd::Refused},
      {"mask bigger than the record",
       [&](CStream &s) {
         header(s, 1), frame(s, 800, 1, 1, 4), s.WriteBoolean(false);
         for (int32_t v : {800, 20000, 20000, 0, 0, 0, 0, 1}) s.WriteInteger(v);
       },
       TEnd::Refused},
      {"record cut before the masks", [&](CStream &s) { header(s, 1), frame(s, 800, 1, 1, 4); }, TEnd::StreamError},
      {"separate masks but only one", [&](CStream &s) {
         header(s, 2), frame(s, 800, 1, 1, 4), frame(s, 800, 1, 1, 4), s.WriteBoolean(true);
         for (int32_t v : {800, 1, 1, 0, 0, 0, 0, 1}) s.WriteInteger(v);
       },
       TEnd::StreamError},
  };
  for (const auto &[what, build, end] : cases) {
    SCOPED_TRACE(what);
    CStream in;
    build(in);
    EXPECT_EQ(Load(in), end);
  }
}

TEST(SpriteRecord, MaskOfAnotherVersionLoadsEmpty) {
  CStream in;
  for (int32_t v : {800, 0, 0, 1}) in.WriteInteger(v);
  TBitmap32(1, 1, 0xFF000000u).SaveToStream(in);
  in.WriteBoolean(false);
  in.WriteInteger(700);
  CSprite s;
  in.Seek(0);
  ASSERT_TRUE(s.LoadFromStream(in));
  ASSERT_EQ(s.i_mask.size(), 1u);
  EXPECT_EQ(s.i_mask[0].Width(), 0);
  EXPECT_EQ(Box(s.i_bbox), (std::vector<int32_t>{0, 0, 0, 0}));
}

TEST(BackgroundRecord, RoundTripAndVersion) {
  CBackground b;
  b.i_bitmap = Pic({"#.#", "..#"}, 0xABCDEF);
  CStream out;
  b.SaveToStream(out);
  out.Seek(0);
  EXPECT_EQ(out.ReadInteger(), 710);
  out.Seek(0);
  CBackground back;
  ASSERT_TRUE(back.LoadFromStream(out));
  EXPECT_TRUE(back.i_bitmap == b.i_bitmap);

  out.Seek(0);
  out.WriteInteger(800);
  out.Seek(0);
  EXPECT_FALSE(back.LoadFromStream(out));

  // An empty picture is stored without a pixel block.
  CBackground empty;
  CStream e;
  empty.SaveToStream(e);
  EXPECT_EQ(e.Size(), 16);
  e.Seek(0);
  ASSERT_TRUE(back.LoadFromStream(e));
  EXPECT_EQ(back.GetWidth(), 0);
}

// Where each kind of gradient puts its steps: a 10 by 6 picture from
// col1 (blue 50) to col2 (red 100), read at a few pixels. Step i of n is
// red 100 i / n and blue 50 (n - i) / n, rounded.
TEST(BackgroundGradient, EachKindPutsItsStepsWhereItDraws) {
  const auto step = [](int i, int n) {
    const double t = n ? double(i) / n : 0;
    return 0xFF000000u | (static_cast<uint32_t>(std::nearbyint(100 * t)) << 16) |
           static_cast<uint32_t>(std::nearbyint(50 * (1 - t)));
  };
  struct Probe {
    int x, y, i, n;
  };
  struct Case {
    int kind;
    std::vector<Probe> probes;
  };
  const Case cases[] = {
      {0, {{0, 0, 0, 10}, {9, 0, 9, 10}, {9, 5, 9, 10}, {4, 3, 4, 10}}},
      {1, {{0, 0, 0, 6}, {9, 0, 0, 6}, {0, 5, 5, 6}, {9, 5, 5, 6}}},
      // Rectangles (i, i)-(10 - i, 6 - i), i up to 3.
      {2, {{0, 0, 0, 3}, {9, 5, 0, 3}, {1, 1, 1, 3}, {4, 2, 2, 3}, {5, 3, 2, 3}}},
      // Ellipses in the same boxes: the corners of a box are outside its
      // ellipse.
      {3, {{0, 0, 0, 3}, {1, 1, 0, 3}, {2, 2, 2, 3}, {4, 2, 2, 3}}},
      // Columns from both sides, n = 5; the middle column is the last.
      {4, {{0, 0, 0, 5}, {9, 2, 1, 5}, {4, 5, 4, 5}, {5, 0, 5, 5}}},
      {5, {{3, 0, 0, 3}, {3, 5, 1, 3}, {3, 2, 2, 3}, {3, 3, 3, 3}}},
      // Lines of slope 6 / 10 down to the right, one per row.
      {6, {{0, 0, 0, 6}, {0, 5, 5, 6}, {9, 5, 0, 6}, {9, 0, 5, 6}}},
      // ... and up to the right.
      {7, {{0, 0, 6, 6}, {0, 5, 1, 6}, {9, 5, 4, 6}, {9, 0, 1, 6}}},
      // Circles about a corner, radius 6 down to 1; pixels beyond radius 6
      // keep col1.
      {8, {{0, 0, 1, 6}, {3, 3, 5, 6}, {9, 5, 0, 6}}},
      {9, {{9, 0, 1, 6}, {0, 0, 0, 6}}},
      {10, {{0, 5, 1, 6}, {9, 0, 0, 6}}},
      {11, {{9, 5, 1, 6}, {0, 0, 0, 6}}},
      {12, {{0, 0, 0, 1}, {9, 5, 0, 1}}},
  };
  for (const Case &c : cases) {
    CBackground b;
    b.CreateGradient(10, 6, 0x320000, 0x000064, c.kind);
    ASSERT_EQ(b.GetWidth(), 10);
    ASSERT_EQ(b.GetHeight(), 6);
    for (const Probe &p : c.probes)
      EXPECT_EQ(b.i_bitmap.Pixel(p.x, p.y), step(p.i, p.n)) << "kind " << c.kind << " at " << p.x << "," << p.y;
  }
  // At least 1 by 1, and a gradient with no steps between its ends (kind 4
  // one pixel wide) is its first colour.
  CBackground b;
  b.CreateGradient(0, -3, 0x320000, 0x000064, 0);
  EXPECT_EQ(b.GetWidth(), 1);
  EXPECT_EQ(b.GetHeight(), 1);
  b.CreateGradient(1, 4, 0x320000, 0x000064, 4);
  EXPECT_EQ(b.i_bitmap.Pixel(0, 3), step(0, 1));
}

// --- masks from the sprite's settings ---------------------------------------------

TEST(SpriteMasks, SeparateOrSharedAndTheBoxOfAll) {
  CSprite s;
  s.LoadStripFromBitmap(Pic({"#.......", "......#."}), 2, false, false, 0, 0);
  // Default masks: one shared mask with both frames' pixels.
  ASSERT_EQ(s.i_mask.size(), 1u);
  EXPECT_EQ(Render(s.i_mask[0]), (Rows{"#...", "..#."}));
  EXPECT_EQ(Box(s.i_bbox), (std::vector<int32_t>{0, 0, 2, 1}));
  EXPECT_EQ(s.MaskFor(1), &s.i_mask[0]);

  s.ComputeMask(true, kBoxAutomatic, 0, kMaskPrecise, RRect{});
  ASSERT_EQ(s.i_mask.size(), 2u);
  EXPECT_EQ(Render(s.i_mask[1]), (Rows{"....", "..#."}));
  EXPECT_EQ(Box(s.i_bbox), (std::vector<int32_t>{0, 0, 2, 1}));
  // Image numbers wrap: -1 is the last image, 3 the second.
  EXPECT_EQ(s.MaskFor(-1), &s.i_mask[1]);
  EXPECT_EQ(s.MaskFor(3), &s.i_mask[1]);
  EXPECT_EQ(s.MaskFor(4), &s.i_mask[0]);

  // A frame with nothing visible adds nothing to the box.
  s.LoadStripFromBitmap(Pic({"........", "......#."}), 2, false, false, 0, 0);
  s.ComputeMask(true, kBoxAutomatic, 0, kMaskPrecise, RRect{});
  EXPECT_EQ(Box(s.i_bbox), (std::vector<int32_t>{2, 1, 2, 1}));
}

// --- pictures made ready when loaded -------------------------------------------------

TEST(SpriteStrip, FramesAreWholeWidthsAndTheRestIsDropped) {
  TBitmap32 strip(100, 2);
  for (int x = 0; x < 100; ++x) strip.SetPixel(x, 0, 0xFF000000u | static_cast<uint32_t>(x));
  CSprite s;
  s.LoadStripFromBitmap(strip, 3, false, false, 0, 0);
  ASSERT_EQ(s.i_numb, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(s.i_bitmap[static_cast<size_t>(i)].Width(), 33);
    EXPECT_EQ(s.i_bitmap[static_cast<size_t>(i)].Pixel(0, 0) & 0xFF, static_cast<uint32_t>(33 * i));
  }
  EXPECT_EQ(s.i_bitmap[2].Pixel(32, 0) & 0xFF, 98u);

  // Zero or fewer images mean one; more images than columns, one per column.
  s.LoadStripFromBitmap(strip, 0, false, false, 0, 0);
  EXPECT_EQ(s.i_numb, 1);
  EXPECT_EQ(s.GetWidth(), 100);
  s.LoadStripFromBitmap(strip, 1000000000, false, false, 0, 0);
  EXPECT_EQ(s.i_numb, 100);
  EXPECT_EQ(s.GetWidth(), 1);
}

TEST(SpriteStrip, RemovedBackgroundIsTheExactBottomLeftColour) {
  TBitmap32 bm(3, 2, 0xFF00FF00u);
  bm.SetPixel(1, 0, 0xFF00FE00u);  // one step off: stays
  bm.SetPixel(2, 0, 0x1200FF00u);  // same colour, other alpha: goes
  CSprite s;
  s.LoadStripFromBitmap(bm, 1, true, false, 0, 0);
  const TBitmap32 &f = s.i_bitmap[0];
  EXPECT_EQ(Alpha32(f.Pixel(1, 0)), 255u);
  for (auto [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}})
    EXPECT_EQ(Alpha32(f.Pixel(x, y)), 0u) << x << "," << y;
  // Bleeding gave the transparent pixels the colour next to them.
  EXPECT_EQ(Rgb32(f.Pixel(0, 0)), 0x00FE00u);
  EXPECT_EQ(Rgb32(f.Pixel(1, 1)), 0x00FE00u);
  // The mask and box follow the one visible pixel.
  EXPECT_EQ(Box(s.i_bbox), (std::vector<int32_t>{1, 0, 1, 0}));
}

TEST(PicturePreparation, SmoothingLowersAlphaAroundTransparentPixels) {
  TBitmap32 bm = Pic({"####", "#.##", "####", "####"});
  bm.SmoothEdges();
  // Row by row: pixels made transparent by the smoothing count later on.
  std::vector<uint32_t> alpha;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) alpha.push_back(Alpha32(bm.Pixel(x, y)));
  EXPECT_EQ(alpha, (std::vector<uint32_t>{223, 223, 223, 255,  //
                                          223, 0, 223, 255,    //
                                          223, 223, 223, 255,  //
                                          255, 255, 255, 255}));

  // Alpha below 32 is left as it is.
  TBitmap32 faint = Pic({".3"});
  faint.SmoothEdges();
  EXPECT_EQ(Alpha32(faint.Pixel(1, 0)), 30u);
}

TEST(PicturePreparation, BleedingPrefersLeftRightAboveBelow) {
  TBitmap32 bm(3, 3, 0);  // all transparent black
  bm.SetPixel(1, 0, 0xFF0000FFu);  // above the centre: blue
  bm.SetPixel(2, 1, 0xFF00FF00u);  // right of the centre: green
  bm.SetPixel(1, 2, 0xFFFF0000u);  // below: red
  bm.BleedColors();
  EXPECT_EQ(bm.Pixel(1, 1), 0x0000FF00u);  // right wins over above and below
  EXPECT_EQ(bm.Pixel(0, 0), 0x000000FFu);  // only the right neighbour is visible
  EXPECT_EQ(bm.Pixel(0, 2), 0x00FF0000u);
  EXPECT_EQ(Alpha32(bm.Pixel(1, 0)), 255u);
}

TEST(PicturePreparation, StretchTakesTheProportionalPixel) {
  TBitmap32 bm(3, 1);
  for (int x = 0; x < 3; ++x) bm.SetPixel(x, 0, 0xFF000000u | static_cast<uint32_t>(x + 1));
  const TBitmap32 wide = bm.Stretched(7, 2);
  std::vector<uint32_t> got;
  for (int x = 0; x < 7; ++x) got.push_back(wide.Pixel(x, 1) & 0xFFFFFFu);
  EXPECT_EQ(got, (std::vector<uint32_t>{1, 1, 1, 2, 2, 3, 3}));
  EXPECT_EQ(bm.Stretched(1, 1).Pixel(0, 0), 0xFF000001u);
}

// A fully transparent sample adds nothing, so a transparent pixel loses its
// colour; with more samples a pixel averages what it covers, rounded.
TEST(PicturePreparation, StretchSamplesLeaveOutTransparentPixels) {
  TBitmap32 bm(2, 1);
  bm.SetPixel(0, 0, 0x00ABCDEFu);  // transparent, with a colour
  bm.SetPixel(1, 0, 0xFF0000FFu);
  EXPECT_EQ(bm.Stretched(2, 1).Pixel(0, 0), 0u);
  EXPECT_EQ(bm.Stretched(2, 1).Pixel(1, 0), 0xFF0000FFu);
  // One pixel of two samples across: (0 + 255) / 4 samples (2 x 2) in each
  // channel the opaque pixel has = 127.5, rounded to even 128.
  EXPECT_EQ(bm.Stretched(1, 1, 2).Pixel(0, 0), 0x80000080u);
}

// What a grabbed picture goes through, by mode. The pictures are as a back
// buffer gives them (alpha 0 everywhere) or carry one see-through pixel.
TEST(PicturePreparation, GrabbedPicturesByMode) {
  const TColor32 back = 0x00112233u, other = 0x00445566u;
  TBitmap32 noAlpha(2, 2, back);
  noAlpha.SetPixel(1, 0, other);
  TBitmap32 someAlpha = noAlpha;
  someAlpha.SetPixel(1, 1, 0x07000000u | back);
  struct Case {
    const char *what;
    const TBitmap32 &picture;
    int32_t mode;
    std::vector<TColor32> pixels;  // (0,0), (1,0), (0,1), (1,1)
  };
  const Case cases[] = {
      {"mode 0 makes a picture without alpha opaque", noAlpha, 0,
       {0xFF000000u | back, 0xFF000000u | other, 0xFF000000u | back, 0xFF000000u | back}},
      {"other modes act as 0", noAlpha, 3,
       {0xFF000000u | back, 0xFF000000u | other, 0xFF000000u | back, 0xFF000000u | back}},
      // The bottom-left colour goes, and takes its colour back from the
      // visible neighbour on the right.
      {"mode 1 removes the background", noAlpha, 1, {other, 0xFF000000u | other, back, other}},
      {"mode 2 keeps alpha 0", noAlpha, 2, {back, other, back, back}},
      {"mode -1 makes every pixel opaque", someAlpha, -1,
       {0xFF000000u | back, 0xFF000000u | other, 0xFF000000u | back, 0xFF000000u | back}},
      {"a picture with some alpha keeps it", someAlpha, 0, {back, other, back, 0x07000000u | back}},
  };
  for (const Case &c : cases) {
    TBitmap32 bm = c.picture;
    bm.PrepareGrabbed(c.mode, false);
    EXPECT_EQ((std::vector<TColor32>{bm.Pixel(0, 0), bm.Pixel(1, 0), bm.Pixel(0, 1), bm.Pixel(1, 1)}), c.pixels)
        << c.what;
  }
}

// --- run-time changes ---------------------------------------------------------------

TEST(SpriteChanges, MergeStretchesToTheTargetAndRebuildsMasks) {
  CSprite a, b;
  a.LoadStripFromBitmap(Pic({"#.", ".."}), 1, false, false, 0, 0);
  b.LoadStripFromBitmap(Pic({"....", "....", "..##", "..##"}), 1, false, false, 0, 0);
  a.AddFromSprite(b);
  ASSERT_EQ(a.i_numb, 2);
  EXPECT_EQ(a.i_bitmap[1].Width(), 2);
  EXPECT_EQ(Render(a.i_mask[0]), (Rows{"#.", ".#"}));
  EXPECT_EQ(Box(a.i_bbox), (std::vector<int32_t>{0, 0, 1, 1}));

  // Merging a sprite into itself doubles its frames.
  a.AddFromSprite(a);
  EXPECT_EQ(a.i_numb, 4);
}

TEST(SpriteChanges, GrabbedPicturesMakeAndExtendSprites) {
  CSprite s;
  const TBitmap32 grab = Pic({"..##", "..##"});  // alpha as text: '#' opaque
  s.CreateFromBitmap(&grab, 0, false, 3, 1);
  ASSERT_EQ(s.i_numb, 1);
  EXPECT_EQ(s.i_xorig, 3);
  EXPECT_EQ(s.i_yorig, 1);
  EXPECT_EQ(Box(s.i_bbox), (std::vector<int32_t>{2, 0, 3, 1}));

  // An added frame is stretched to the sprite's size; the masks keep the
  // separate-mask choice and are built again.
  s.ComputeMask(true, kBoxAutomatic, 0, kMaskPrecise, RRect{});
  s.AddFromBitmap(Pic({"#......."}), false, false);
  ASSERT_EQ(s.i_numb, 2);
  EXPECT_EQ(s.i_bitmap[1].Width(), 4);
  EXPECT_EQ(s.i_bitmap[1].Height(), 2);
  ASSERT_EQ(s.i_mask.size(), 2u);
  EXPECT_EQ(Render(s.i_mask[1]), (Rows{"#...", "#..."}));
  // With removeback the bottom-left colour goes before the stretch.
  TBitmap32 keyed(2, 1, 0xFF00FF00u);
  keyed.SetPixel(1, 0, 0xFF0000FFu);
  s.AddFromBitmap(keyed, true, false);
  EXPECT_EQ(Render(s.i_mask[2]), (Rows{"..##", "..##"}));

  // A grab that found nothing makes a sprite without frames.
  s.CreateFromBitmap(nullptr, 1, true, 5, 5);
  EXPECT_EQ(s.i_numb, 0);
  EXPECT_EQ(s.GetWidth(), 1);
  EXPECT_EQ(s.i_xorig, 5);
}

TEST(SpriteChanges, AlphaFromAnotherSpriteWrapsItsFrames) {
  CSprite a, b;
  a.LoadStripFromBitmap(TBitmap32(4, 1, 0xFF112233u), 2, false, false, 0, 0);
  TBitmap32 grey(1, 1, 0xFF0A141Eu);  // (30 + 20 + 10) / 3 = 20
  b.LoadStripFromBitmap(grey, 1, false, false, 0, 0);
  a.SetAlphaFromSprite(b);
  for (const TBitmap32 &f : a.i_bitmap) {
    EXPECT_EQ(f.Pixel(0, 0), 0x14112233u);  // colour kept, alpha from b
    EXPECT_EQ(f.Pixel(1, 0), 0xFF112233u);  // outside b's frame
  }
}

TEST(SpriteFile, ReadsOriginFramesAndMaskSettings) {
  CSprite s;
  s.LoadStripFromBitmap(Pic({"..##", "..##"}), 2, false, false, 1, 2);
  RMaskSettings m;
  m.kind = kMaskRectangle;
  m.bbmode = kBoxManual;
  m.bbox = RRect{0, 0, 0, 1};
  const std::vector<uint8_t> bytes = s.SaveToSpriteBytes(m);

  CSprite back;
  ASSERT_TRUE(back.LoadFromSpriteBytes(bytes));
  EXPECT_EQ(back.i_numb, 2);
  EXPECT_EQ(back.i_xorig, 1);
  EXPECT_EQ(back.i_yorig, 2);
  ASSERT_EQ(back.i_mask.size(), 1u);
  EXPECT_EQ(Render(back.i_mask[0]), (Rows{"#.", "#."}));
  // The transparent frame took its colour from nowhere: bleeding left it.
  EXPECT_EQ(back.i_bitmap[0].Pixel(0, 0), s.i_bitmap[0].Pixel(0, 0));

  // Another marker or version leaves the sprite as it was.
  std::vector<uint8_t> wrong = bytes;
  wrong[0] ^= 1;
  EXPECT_FALSE(back.LoadFromSpriteBytes(wrong));
  EXPECT_FALSE(back.LoadFromSpriteBytes({1, 2, 3}));
  EXPECT_EQ(back.i_numb, 2);
}

}  // namespace
