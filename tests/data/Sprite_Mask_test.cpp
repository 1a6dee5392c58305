#include "data/Sprite_Mask.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>

#include "data/Picture_Text.h"
#include "base/Support_Stream.h"

using namespace picture;
using Rows = std::vector<std::string>;

namespace {

const TBitmap32 kShape = Pic({
    ".....",
    ".1#..",
    "..5#.",
    "...9.",
    ".....",
});

struct RBuildCase {
  const char *what;
  TBitmap32 bm;
  int32_t tolerance, kind, bbmode;
  RRect manual;
  std::vector<int32_t> box;
  Rows mask;
};

TEST(MaskBuild, KindsToleranceAndBoxModes) {
  const TBitmap32 full = Pic({"#####", "#####", "#####", "#####", "#####"});
  const std::vector<RBuildCase> cases = {
      {"precise, automatic, tolerance 0", kShape, 0, kMaskPrecise, kBoxAutomatic, {}, {1, 1, 3, 3},
       {".....", ".##..", "..##.", "...#.", "....."}},
      {"tolerance drops pixels at or below it", kShape, 50, kMaskPrecise, kBoxAutomatic, {}, {2, 1, 3, 3},
       {".....", "..#..", "...#.", "...#.", "....."}},
      {"rectangle fills the automatic box", kShape, 0, kMaskRectangle, kBoxAutomatic, {}, {1, 1, 3, 3},
       {".....", ".###.", ".###.", ".###.", "....."}},
      {"full image box keeps precise pixels", kShape, 0, kMaskPrecise, kBoxFullImage, {}, {0, 0, 4, 4},
       {".....", ".##..", "..##.", "...#.", "....."}},
      {"manual box is clipped and bounds the pixels", kShape, 0, kMaskPrecise, kBoxManual, {-3, 2, 2, 9},
       {0, 2, 2, 4}, {".....", ".....", "..#..", ".....", "....."}},
      {"manual rectangle", kShape, 0, kMaskRectangle, kBoxManual, {3, 0, 4, 1}, {3, 0, 4, 1},
       {"...##", "...##", ".....", ".....", "....."}},
      {"ellipse in the full box", full, 0, kMaskEllipse, kBoxFullImage, {}, {0, 0, 4, 4},
       {".###.", "#####", "#####", "#####", ".###."}},
      {"diamond in the full box", full, 0, kMaskDiamond, kBoxFullImage, {}, {0, 0, 4, 4},
       {"..#..", ".###.", "#####", ".###.", "..#.."}},
      {"nothing above the tolerance: inverted box, no pixels", kShape, 255, kMaskRectangle, kBoxAutomatic, {},
       {4, 4, 0, 0}, {".....", ".....", ".....", ".....", "....."}},
  };
  for (const RBuildCase &c : cases) {
    SCOPED_TRACE(c.what);
    const TMask m(c.bm, c.tolerance, c.kind, c.manual, c.bbmode);
    EXPECT_EQ(Box(m.BoundingBox()), c.box);
    EXPECT_EQ(Render(m), c.mask);
  }
}

TEST(MaskBuild, EmptyImageGivesTheEmptyMask) {
  const TMask m(TBitmap32(), 0, kMaskRectangle, RRect{}, kBoxFullImage);
  EXPECT_EQ(m.Width(), 0);
  EXPECT_EQ(m.Height(), 0);
  EXPECT_EQ(Box(m.BoundingBox()), (std::vector<int32_t>{0, 0, 0, 0}));
}

TEST(MaskMerge, PreciseTakesEitherAndTheBoxesJoin) {
  TMask m(Pic({"#...", "....", "...."}), 0, kMaskPrecise, RRect{}, kBoxAutomatic);
  m.Merge(Pic({"....", "....", "..#."}), kBoxAutomatic, 0, kMaskPrecise, RRect{});
  EXPECT_EQ(Render(m), (Rows{"#...", "....", "..#."}));
  EXPECT_EQ(Box(m.BoundingBox()), (std::vector<int32_t>{0, 0, 2, 2}));

  // An image with nothing visible leaves the box as it was.
  m.Merge(Pic({"....", "....", "...."}), kBoxAutomatic, 0, kMaskPrecise, RRect{});
  EXPECT_EQ(Box(m.BoundingBox()), (std::vector<int32_t>{0, 0, 2, 2}));
}

TEST(MaskMerge, LargerImageJoinsOnlyWhereBothHavePixels) {
  TMask m(Pic({"..", ".."}), 0, kMaskPrecise, RRect{}, kBoxAutomatic);
  m.Merge(Pic({"...", ".##", "###"}), kBoxAutomatic, 0, kMaskPrecise, RRect{});
  EXPECT_EQ(Render(m), (Rows{"..", ".#"}));
  // The box comes from the larger image all the same.
  EXPECT_EQ(Box(m.BoundingBox()), (std::vector<int32_t>{0, 1, 2, 2}));
}

TEST(MaskMerge, ShapedKindsAreRedrawnOverTheUnionBox) {
  TMask rect(Pic({"#....", ".....", "....."}), 0, kMaskRectangle, RRect{}, kBoxAutomatic);
  rect.Merge(Pic({".....", ".....", "...#."}), kBoxAutomatic, 0, kMaskRectangle, RRect{});
  EXPECT_EQ(Render(rect), (Rows{"####.", "####.", "####."}));

  TMask diamond(Pic({"#....", ".....", ".....", ".....", "....."}), 0, kMaskDiamond, RRect{}, kBoxAutomatic);
  diamond.Merge(Pic({".....", ".....", ".....", ".....", "....#"}), kBoxAutomatic, 0, kMaskDiamond, RRect{});
  EXPECT_EQ(Render(diamond), (Rows{"..#..", ".###.", "#####", ".###.", "..#.."}));
}

// --- the record --------------------------------------------------------------

TEST(MaskRecord, RoundTripKeepsSizeBoxAndPixels) {
  // Wider than one word, so that a row spans two.
  TBitmap32 bm(70, 3);
  for (int x = 0; x < 70; x += 3) bm.SetPixel(x, x % 3 == 0 ? 1 : 2, 0xFF000000u);
  bm.SetPixel(69, 0, 0xFF000000u);
  const TMask m(bm, 0, kMaskPrecise, RRect{}, kBoxAutomatic);
  CStream s;
  m.SaveToStream(s);
  s.Seek(0);
  TMask back;
  ASSERT_TRUE(back.LoadFromStream(s));
  EXPECT_EQ(back, m);
  EXPECT_TRUE(back.Get(69, 0));
  EXPECT_EQ(s.Position(), s.Size());
}

TEST(MaskRecord, BoxFieldsAreLeftRightBottomTop) {
  CStream s;
  for (int32_t v : {800, 2, 1, /*left*/ 1, /*right*/ 7, /*bottom*/ 9, /*top*/ 3}) s.WriteInteger(v);
  s.WriteBoolean(false);
  s.WriteBoolean(true);
  s.Seek(0);
  TMask m;
  ASSERT_TRUE(m.LoadFromStream(s));
  EXPECT_EQ(Box(m.BoundingBox()), (std::vector<int32_t>{1, 3, 7, 9}));
  EXPECT_EQ(Render(m), (Rows{".#"}));
}

TEST(MaskRecord, OtherVersionGivesEmptyMaskAndReadsNothingMore) {
  CStream s;
  for (int32_t v : {799, 1, 1, 0, 0, 0, 0, 1}) s.WriteInteger(v);
  s.Seek(0);
  TMask m(Pic({"#"}), 0, kMaskPrecise, RRect{}, kBoxAutomatic);
  ASSERT_TRUE(m.LoadFromStream(s));
  EXPECT_EQ(m.Width(), 0);
  EXPECT_EQ(Box(m.BoundingBox()), (std::vector<int32_t>{0, 0, 0, 0}));
  EXPECT_EQ(s.Position(), 4);
}

TEST(MaskRecord, SizesTheRecordCannotHoldAreRefused) {
  const std::vector<std::pair<int32_t, int32_t>> sizes = {
      {-1, 2}, {2, -1}, {30000, 30000}, {INT32_MAX, INT32_MAX}, {3, 1}};
  for (const auto &[w, h] : sizes) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    CStream s;
    for (int32_t v : {800, w, h, 0, 0, 0, 0}) s.WriteInteger(v);
    s.WriteBoolean(true);  // one pixel only
    s.Seek(0);
    TMask m;
    EXPECT_FALSE(m.LoadFromStream(s));
  }
}

// --- collisions without rotation or scaling -------------------------------------

TEST(MaskCollision, BitsReadAcrossWordsAndOutsideTheGrid) {
  TBitmap32 bm(130, 1);
  for (int x : {0, 63, 64, 65, 129}) bm.SetPixel(x, 0, 0xFF000000u);
  const TMask m(bm, 0, kMaskPrecise, RRect{}, kBoxFullImage);
  EXPECT_EQ(m.Bits(0, 63, 3), 0b111u);
  EXPECT_EQ(m.Bits(0, -2, 4), 0b0100u);            // pixel 0 lands in bit 2
  EXPECT_EQ(m.Bits(0, 128, 64), 0b10u);            // nothing past the width
  EXPECT_EQ(m.Bits(0, 1, 64), (uint64_t{1} << 62) | (uint64_t{1} << 63));
  EXPECT_EQ(m.Bits(1, 0, 64), 0u);                 // no such row
}

// The same question answered pixel by pixel.
bool SlowCollision(const RMaskPlacement &a, const RMaskPlacement &b) {
  for (int py = std::max(a.box.top, b.box.top); py <= std::min(a.box.bottom, b.box.bottom); ++py)
    for (int px = std::max(a.box.left, b.box.left); px <= std::min(a.box.right, b.box.right); ++px)
      if (a.mask->Get(px - a.x, py - a.y) && b.mask->Get(px - b.x, py - b.y)) return true;
  return false;
}

TEST(MaskCollision, WordTestAgreesWithPixelTest) {
  std::mt19937 rng(7);
  auto sparse = [&](int w, int h) {
    TBitmap32 bm(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (rng() % 23 == 0) bm.SetPixel(x, y, 0xFF000000u);
    return bm;
  };
  int hits = 0, misses = 0;
  for (int round = 0; round < 400; ++round) {
    const TMask ma(sparse(1 + rng() % 150, 1 + rng() % 20), 0, kMaskPrecise, RRect{}, kBoxAutomatic);
    const TMask mb(sparse(1 + rng() % 150, 1 + rng() % 20), 0, kMaskPrecise, RRect{}, kBoxAutomatic);
    RMaskPlacement a{&ma, static_cast<int32_t>(rng() % 200) - 100, static_cast<int32_t>(rng() % 20) - 10, {}};
    RMaskPlacement b{&mb, static_cast<int32_t>(rng() % 200) - 100, static_cast<int32_t>(rng() % 20) - 10, {}};
    // Boxes as instances have them: the mask box moved to the position,
    // sometimes cut down to show that the test stays inside them.
    for (RMaskPlacement *p : {&a, &b}) {
      const RRect &mb2 = p->mask->BoundingBox();
      p->box = RRect{mb2.left + p->x, mb2.top + p->y, mb2.right + p->x, mb2.bottom + p->y};
      if (rng() % 4 == 0) p->box.right -= static_cast<int32_t>(rng() % 40);
    }
    const bool expected = SlowCollision(a, b);
    ASSERT_EQ(MaskCollisionUnscaled(a, b), expected) << "round " << round;
    (expected ? hits : misses)++;
  }
  // Both answers must have come up for the comparison to mean anything.
  EXPECT_GT(hits, 20);
  EXPECT_GT(misses, 20);
}

TEST(MaskCollision, PointTestNeedsBoxAndPixel) {
  const TMask m(Pic({"#.", ".#"}), 0, kMaskPrecise, RRect{}, kBoxAutomatic);
  const RMaskPlacement p{&m, 10, 20, RRect{10, 20, 10, 21}};  // box cut to the left column
  EXPECT_TRUE(MaskPointUnscaled(p, 10, 20));
  EXPECT_FALSE(MaskPointUnscaled(p, 11, 20));
  EXPECT_FALSE(MaskPointUnscaled(p, 11, 21));  // set in the mask, outside the box
  EXPECT_FALSE(MaskPointUnscaled(p, 9, 19));
}

}  // namespace

namespace {

// The row walk gives the direct mapping's pixel everywhere, also where the
// mapped value lands on or next to a whole number, and far from the origin.
TEST(MaskRowMap, StepsGiveTheDirectPixel) {
  const TMask m(Pic({"##", "##"}), 0, kMaskPrecise, RRect{}, kBoxAutomatic);
  std::mt19937 rng(99);
  const double scales[] = {1, 2, 0.5, -1, 3, 1.0 / 3, 0.1, -0.7, 1.25, 7};
  const double angles[] = {0, 45, 90, 30, 135.5, -60, 1e-9, 359.999, 180, 12.345};
  int64_t pixels = 0;
  for (int round = 0; round < 2000; ++round) {
    RMaskTransform p;
    p.mask = &m;
    const int64_t far = round % 4 == 0 ? 1000000 : 100;
    p.x = static_cast<int32_t>(static_cast<int64_t>(rng() % (2 * far)) - far);
    p.y = static_cast<int32_t>(static_cast<int64_t>(rng() % (2 * far)) - far);
    p.xo = static_cast<int32_t>(rng() % 64) - 16;
    p.yo = static_cast<int32_t>(rng() % 64) - 16;
    p.sx = scales[rng() % 10];
    p.sy = scales[rng() % 10];
    p.angle = round % 3 == 0 ? angles[rng() % 10] : (rng() % 36000) / 100.0;
    TMaskRowMap map(p);
    const int64_t left = p.x - static_cast<int64_t>(rng() % 80), width = 1 + rng() % 160;
    for (int64_t py = p.y - 40; py <= p.y + 40; py += 1 + rng() % 7) {
      map.Start(py, left, left + width - 1);
      for (int64_t k = 0; k < width; ++k) {
        int64_t u, v, du, dv;
        ASSERT_TRUE(map.Map(k, u, v));
        ASSERT_TRUE(MaskMapPixel(p, left + k, py, du, dv));
        ASSERT_EQ(u, du) << "round " << round << " at " << left + k << "," << py;
        ASSERT_EQ(v, dv) << "round " << round << " at " << left + k << "," << py;
        ++pixels;
      }
    }
  }
  EXPECT_GT(pixels, 1000000);
}

// Shape tests and the test between two masks skip what cannot hit; they
// must still find exactly the pixels the direct mapping finds.
TEST(MaskRowMap, ShapeAndPairTestsAgreeWithTheDirectMapping) {
  std::mt19937 rng(5);
  auto randomMask = [&] {
    const int w = 1 + rng() % 40, h = 1 + rng() % 40;
    TBitmap32 bm(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (rng() % 3 == 0) bm.SetPixel(x, y, 0xFF000000u);
    return TMask(bm, 0, kMaskPrecise, RRect{}, kBoxFullImage);
  };
  const double scales[] = {1, 1, 2, 0.5, -1, 3, 0.3, -0.7, 1.25, 25, 0.01};
  auto place = [&](const TMask &m, int64_t cx, int64_t cy) {
    RMaskTransform p;
    p.mask = &m;
    p.x = static_cast<int32_t>(cx + static_cast<int64_t>(rng() % 40) - 20);
    p.y = static_cast<int32_t>(cy + static_cast<int64_t>(rng() % 40) - 20);
    p.xo = static_cast<int32_t>(rng() % 40) - 10;
    p.yo = static_cast<int32_t>(rng() % 40) - 10;
    p.sx = scales[rng() % 11];
    p.sy = scales[rng() % 11];
    p.angle = rng() % 4 == 0 ? 0 : (rng() % 3600) / 10.0;
    // A box around the middle, sometimes cut short: the tests stay in it.
    p.box = RRect{static_cast<int32_t>(cx - 30 + rng() % 20), static_cast<int32_t>(cy - 30 + rng() % 20),
                  static_cast<int32_t>(cx + 10 + rng() % 20), static_cast<int32_t>(cy + 10 + rng() % 20)};
    return p;
  };
  int agreeHit = 0, agreeMiss = 0;
  for (int round = 0; round < 600; ++round) {
    const int64_t cx = round % 5 == 0 ? 3000000 : 100, cy = round % 7 == 0 ? -2000000 : 50;
    const TMask ma = randomMask(), mb = randomMask();
    const RMaskTransform a = place(ma, cx, cy), b = place(mb, cx, cy);
    bool pair = false, rect = false;
    const RRect r{static_cast<int32_t>(cx - 15), static_cast<int32_t>(cy - 5), static_cast<int32_t>(cx + 5),
                  static_cast<int32_t>(cy + 12)};
    for (int64_t py = std::min(a.box.top, b.box.top); py <= std::max(a.box.bottom, b.box.bottom); ++py)
      for (int64_t px = std::min(a.box.left, b.box.left); px <= std::max(a.box.right, b.box.right); ++px) {
        const bool inA = px >= a.box.left && px <= a.box.right && py >= a.box.top && py <= a.box.bottom;
        const bool inB = px >= b.box.left && px <= b.box.right && py >= b.box.top && py <= b.box.bottom;
        const bool hitA = inA && MaskHitPixel(a, px, py);
        pair = pair || (hitA && inB && MaskHitPixel(b, px, py));
        rect = rect || (hitA && px >= r.left && px <= r.right && py >= r.top && py <= r.bottom);
      }
    ASSERT_EQ(CollisionMask(a, b), pair) << "round " << round;
    ASSERT_EQ(CollisionMask(b, a), pair) << "round " << round;
    ASSERT_EQ(CollisionRectangle(a, r), rect) << "round " << round;
    (pair ? agreeHit : agreeMiss)++;
  }
  EXPECT_GT(agreeHit, 50);
  EXPECT_GT(agreeMiss, 50);
}

TEST(MaskRowMap, QuarterTurnsAreExact) {
  // Pixels straight above, below or beside the position: a cosine of 90
  // degrees that is not quite 0 would put them a row or column off.
  const TMask m(Pic({"###", "###"}), 0, kMaskPrecise, RRect{}, kBoxAutomatic);
  struct Case {
    double angle;
    int64_t px, py, u, v;
  } cases[] = {{90, 0, -2, 2, 0},  {90, 1, 2, -2, 1}, {180, 0, -2, 0, 2},
               {270, 0, 2, 2, 0}, {-90, 0, 2, 2, 0}, {450, 0, -2, 2, 0}};
  for (const Case &c : cases) {
    const RMaskTransform p{&m, 0, 0, 0, 0, 1, 1, c.angle, RRect{}};
    int64_t u, v;
    ASSERT_TRUE(MaskMapPixel(p, c.px, c.py, u, v));
    EXPECT_EQ(u, c.u) << c.angle << " at " << c.px << "," << c.py;
    EXPECT_EQ(v, c.v) << c.angle << " at " << c.px << "," << c.py;
  }
}

}  // namespace
