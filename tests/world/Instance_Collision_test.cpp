// Collision tests of instances: the box stage with its edges, the second
// looks at ellipses and lines, and the mask stage for plain, scaled,
// mirrored and turned instances, checked against a pixel-by-pixel walk of
// the mapping where hand-made cases cannot cover the ground.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "data/Sprite_Main.h"
#include "base/Support_Stream.h"
#include "support/Room_Test_Fixture.h"
#include "data/Sprite_Mask.h"

namespace {

class InstanceCollision : public RoomFixture {
protected:
  static CInstance Placed(int32_t sprite, double x, double y, double sx = 1, double sy = 1, double angle = 0) {
    CInstance inst;
    inst.SetSpriteIndex(sprite);
    inst.SetImageScaleX(sx);
    inst.SetImageScaleY(sy);
    inst.SetImageAngle(angle);
    inst.SetPosition(x, y);
    return inst;
  }
};

const std::vector<std::string> kSolid10 = {
    "##########", "##########", "##########", "##########", "##########",
    "##########", "##########", "##########", "##########", "##########",
};

// --- box stage ---------------------------------------------------------------

TEST_F(InstanceCollision, BoxStageIncludesLeftAndTopAndExcludesRightPlusOne) {
  TestMaskSprite(0, kSolid10, 0, 0);
  const CInstance inst = Placed(0, 100, 100);  // box 100..109 both ways
  ASSERT_EQ(inst.i_bbox.left, 100);
  ASSERT_EQ(inst.i_bbox.right, 109);
  struct Case {
    const char *what;
    double x1, y1, x2, y2;
    bool point, rect;  // the point (x1, y1); the shape (x1, y1, x2, y2)
  } cases[] = {
      {"top left corner", 100, 100, 90, 90, true, true},
      {"just inside right and bottom", 109.99, 109.99, 130, 130, true, true},
      {"right plus one", 110, 105, 120, 106, false, false},
      {"bottom plus one", 105, 110, 106, 120, false, false},
      {"just left", 99.99, 105, 80, 106, false, false},
      {"just above", 105, 99.99, 106, 80, false, false},
      {"corners in any order", 120, 120, 109.5, 109.5, false, true},
      {"around the whole box", 50, 50, 150, 150, false, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(inst.Collision_Point(c.x1, c.y1, false), c.point);
    EXPECT_EQ(inst.Collision_Rectangle(c.x1, c.y1, c.x2, c.y2, false), c.rect);
    EXPECT_EQ(inst.Collision_Line(c.x1, c.y1, c.x2, c.y2, false), c.rect);
  }
  // The mask stage rounds: 109.99 is pixel 110, outside the mask.
  EXPECT_FALSE(inst.Collision_Point(109.99, 105, true));
  EXPECT_TRUE(inst.Collision_Point(109.49, 105, true));
  // Between instances: touching edges do not overlap.
  for (const auto &[x, y, meets] : std::vector<std::tuple<double, double, bool>>{
           {110, 100, false}, {109, 100, true}, {90, 100, false}, {91, 91, true}, {100, 110, false}, {100, 90, false}}) {
    const CInstance other = Placed(0, x, y);
    for (bool prec : {false, true}) {
      EXPECT_EQ(inst.Collision_Instance(other, prec), meets) << x << "," << y;
      EXPECT_EQ(other.Collision_Instance(inst, prec), meets) << x << "," << y;
    }
  }
  EXPECT_FALSE(inst.Collision_Instance(inst, false)) << "an instance never meets itself";
}

TEST_F(InstanceCollision, MarkedInstancesNeverCollide) {
  TestMaskSprite(0, kSolid10, 0, 0);
  CInstance inst = Placed(0, 100, 100);
  const CInstance other = Placed(0, 105, 105);
  inst.i_marked = true;
  for (bool prec : {false, true}) {
    EXPECT_FALSE(inst.Collision_Point(105, 105, prec));
    EXPECT_FALSE(inst.Collision_Rectangle(100, 100, 109, 109, prec));
    EXPECT_FALSE(inst.Collision_Ellipse(100, 100, 109, 109, prec));
    EXPECT_FALSE(inst.Collision_Line(100, 100, 109, 109, prec));
    EXPECT_FALSE(inst.Collision_Instance(other, prec));
    EXPECT_FALSE(other.Collision_Instance(inst, prec));
  }
}

// --- ellipse and line second stages ------------------------------------------

TEST_F(InstanceCollision, EllipseBesideTheBoxMustReachACorner) {
  TestMaskSprite(0, kSolid10, 0, 0);
  const CInstance inst = Placed(0, 100, 100);
  struct Case {
    const char *what;
    double x1, y1, x2, y2;
    bool hit;
  } cases[] = {
      {"centre above-left, the arc passes the corner", 80, 80, 101, 101, false},
      {"centre above-left, the corner inside", 85, 85, 105, 105, true},
      {"centre below-right, the arc passes the corner", 108.6, 108.6, 130, 130, false},
      {"centre level with the box", 80, 100, 101, 109, true},
      {"an ellipse without height is its rectangle", 80, 99.8, 101, 100.2, true},
  };
  for (const Case &c : cases)
    for (bool prec : {false, true}) EXPECT_EQ(inst.Collision_Ellipse(c.x1, c.y1, c.x2, c.y2, prec), c.hit) << c.what;
}

TEST_F(InstanceCollision, TinyEllipseAroundAPixelIsTestedAsARectangle) {
  // Only pixel (0, 0) is set: a radius of 0.2 around it still finds it.
  TestMaskSprite(0, {"#.", ".#"}, 0, 0);
  const CInstance inst = Placed(0, 100, 100);
  EXPECT_TRUE(inst.Collision_Ellipse(99.8, 99.8, 100.2, 100.2, true));
  EXPECT_FALSE(inst.Collision_Ellipse(100.8, 99.8, 101.2, 100.2, true));
}

TEST_F(InstanceCollision, PreciseEllipseSkipsPixelsOutsideIt) {
  // Only the corners are set; an ellipse filling the box misses all four.
  TestMaskSprite(0, {"#...#", ".....", ".....", ".....", "#...#"}, 0, 0);
  const CInstance inst = Placed(0, 100, 100);
  EXPECT_TRUE(inst.Collision_Rectangle(100, 100, 104, 104, true));
  EXPECT_FALSE(inst.Collision_Ellipse(100, 100, 104, 104, true));
  EXPECT_TRUE(inst.Collision_Ellipse(100, 100, 104, 104, false));
  EXPECT_TRUE(inst.Collision_Ellipse(98, 98, 102, 102, true)) << "an ellipse around the corner pixel";
}

TEST_F(InstanceCollision, LineClippedToTheBoxColumns) {
  TestMaskSprite(0, kSolid10, 0, 0);
  const CInstance inst = Placed(0, 100, 100);
  struct Case {
    const char *what;
    double x1, y1, x2, y2;
    bool hit;
  } cases[] = {
    {"passes above the top left corner", 80, 100, 100, 80, false},
    {"the same, ends given the other way", 100, 80, 80, 100, false},
    {"passes below the bottom right corner", 105, 120, 120, 105, false},
    {"crosses the box", 90, 115, 115, 90, true},
    {"enters through the left side", 90, 95, 101, 106, true},
    {"vertical through the box", 105, 50, 105, 150, true},
    {"vertical right of the box", 110, 50, 110, 150, false},
    {"horizontal through the box", 0, 109.4, 300, 109.4, true},
  };
  for (const Case &c : cases)
    for (bool prec : {false, true}) EXPECT_EQ(inst.Collision_Line(c.x1, c.y1, c.x2, c.y2, prec), c.hit) << c.what;
}

TEST_F(InstanceCollision, PreciseLineFollowsItsPixels) {
  // Set: the main diagonal's two ends only.
  TestMaskSprite(0, {"#.........", "..........", "..........", "..........", "..........", "..........",
                     "..........", "..........", "..........", ".........#"},
                 0, 0);
  const CInstance inst = Placed(0, 100, 100);
  struct Case {
    const char *what;
    double x1, y1, x2, y2;
    bool hit;
  } cases[] = {
      {"the other diagonal misses both", 100, 109, 109, 100, false},
      {"the diagonal meets them", 100, 100, 109, 109, true},
      {"steep, leaving the corner", 100, 100, 103, 109, true},
      {"steep, passing beside the corner", 101, 100, 104, 109, false},
      {"flat, through the far corner", 90, 104, 109, 109, true},
      {"flat, a row short of it", 90, 103, 109, 108, false},
      {"horizontal along the bottom row", 100, 109, 109, 109, true},
      {"vertical along the left column", 100, 101, 100, 109, false},
  };
  for (const Case &c : cases) EXPECT_EQ(inst.Collision_Line(c.x1, c.y1, c.x2, c.y2, true), c.hit) << c.what;
}

// --- masks --------------------------------------------------------------------

struct RPixelCase {
  const char *what;
  double sx, sy, angle;
  RRect box;
  std::vector<std::string> hits;  // rows of the box, '#' where the point hits
};

// Every pixel of the box (and one around it) tested as a point; rows over
// the expected box.
std::vector<std::string> PointHits(const CInstance &inst, const RRect &box) {
  std::vector<std::string> rows;
  for (int y = box.top; y <= box.bottom; ++y) {
    std::string row;
    for (int x = box.left; x <= box.right; ++x) row += inst.Collision_Point(x, y, true) ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

TEST_F(InstanceCollision, MaskHitsFollowScaleMirrorAndQuarterTurns) {
  // A 3 x 2 "L": origin at its top left.
  TestMaskSprite(0, {"#..", "###"}, 0, 0);
  const RPixelCase cases[] = {
      {"plain", 1, 1, 0, {100, 100, 102, 101}, {"#..", "###"}},
      {"twice as large", 2, 2, 0, {100, 100, 105, 103}, {"##....", "##....", "######", "######"}},
      {"twice as wide", 2, 1, 0, {100, 100, 105, 101}, {"##....", "######"}},
      {"mirrored left to right", -1, 1, 0, {96, 100, 100, 101}, {"....#", "..###"}},
      {"upside down", 1, -1, 0, {100, 97, 102, 100}, {"...", "...", "###", "#.."}},
      {"a quarter turn", 1, 1, 90, {100, 98, 101, 100}, {".#", ".#", "##"}},
      {"a half turn", 1, 1, 180, {98, 99, 100, 100}, {"###", "..#"}},
      {"three quarters", 1, 1, 270, {99, 100, 100, 102}, {"##", "#.", "#."}},
  };
  for (const RPixelCase &c : cases) {
    SCOPED_TRACE(c.what);
    const CInstance inst = Placed(0, 100, 100, c.sx, c.sy, c.angle);
    EXPECT_EQ(picture::Box(inst.i_bbox), picture::Box(c.box));
    EXPECT_EQ(PointHits(inst, c.box), c.hits);
    // A rectangle over each clear pixel misses, one over each set pixel hits.
    for (int y = c.box.top; y <= c.box.bottom; ++y)
      for (int x = c.box.left; x <= c.box.right; ++x)
        EXPECT_EQ(inst.Collision_Rectangle(x, y, x, y, true), c.hits[y - c.box.top][x - c.box.left] == '#')
            << x << "," << y;
  }
}

TEST_F(InstanceCollision, HalfScaleKeepsEveryOtherPixel) {
  // Columns alternate set and clear: at half size, room pixel u/2 shows
  // mask column floor(2 dx), always an even one.
  TestMaskSprite(0, {"#.#.#.#.", "#.#.#.#."}, 0, 0);
  const CInstance inst = Placed(0, 100, 100, 0.5, 0.5);
  EXPECT_EQ(picture::Box(inst.i_bbox), (std::vector<int32_t>{100, 100, 102, 100}));
  for (int x = 100; x <= 102; ++x) EXPECT_TRUE(inst.Collision_Point(x, 100, true)) << x;
  // Odd columns only: nothing shows.
  TestMaskSprite(1, {".#.#.#.#", ".#.#.#.#"}, 0, 0);
  const CInstance odd = Placed(1, 100, 100, 0.5, 0.5);
  for (int x = 99; x <= 104; ++x) EXPECT_FALSE(odd.Collision_Point(x, 100, true)) << x;
}

TEST_F(InstanceCollision, PositionRoundsHalvesToEvenAndOriginShifts) {
  TestMaskSprite(0, {"#.", ".."}, 1, 1);  // pixel (0, 0) sits one up-left of the origin
  struct Case {
    double x, y;
    int hx, hy;  // the one room pixel that hits
  } cases[] = {{100, 100, 99, 99}, {100.5, 100, 99, 99}, {101.5, 100, 101, 99}, {100.4, 99.6, 99, 99}};
  for (const Case &c : cases) {
    CInstance inst = Placed(0, c.x, c.y);
    inst.i_bbox = RRect{90, 90, 110, 110};  // wide open, so that the mask alone decides
    for (int y = 97; y <= 102; ++y)
      for (int x = 97; x <= 102; ++x)
        EXPECT_EQ(inst.Collision_Point(x, y, true), x == c.hx && y == c.hy) << c.x << "," << c.y << ": " << x << "," << y;
  }
}

TEST_F(InstanceCollision, PreciseInstanceTestNeedsASharedSetPixel) {
  // Two staircases that interlock without touching.
  TestMaskSprite(0, {"#...", "##..", "###.", "####"}, 0, 0);
  TestMaskSprite(1, {"####", ".###", "..##", "...#"}, 0, 0);
  const CInstance a = Placed(0, 100, 100);
  struct Case {
    const char *what;
    double x, y, sx, angle;
    bool prec, box;
  } cases[] = {
      {"interlocked", 101, 100, 1, 0, false, true},
      {"pushed into each other", 100, 100, 1, 0, true, true},
      {"apart by a pixel", 102, 99, 1, 0, false, true},
      {"twice as large, reaching in", 100, 100, 2, 0, true, true},
      {"turned half, back to back", 104, 100, 1, 180, false, true},
  };
  for (const Case &c : cases) {
    const CInstance b = Placed(1, c.x, c.y, c.sx, c.sx, c.angle);
    EXPECT_EQ(a.Collision_Instance(b, false), c.box) << c.what;
    EXPECT_EQ(a.Collision_Instance(b, true), c.prec) << c.what;
    EXPECT_EQ(b.Collision_Instance(a, true), c.prec) << c.what;
  }
}

TEST_F(InstanceCollision, TheMaskOfTheCurrentImageAndTheMaskSpriteDecide) {
  TestSprites()[0] = SpriteGeometry(2, 1, 0, 0, 2);
  TestMasks()[0] = {TMask(picture::Pic({"#."}), 0, kMaskPrecise, RRect{}, kBoxFullImage),
                    TMask(picture::Pic({".#"}), 0, kMaskPrecise, RRect{}, kBoxFullImage)};
  TestMaskSprite(1, {".#"}, 0, 0);
  CInstance inst = Placed(0, 100, 100);
  struct Case {
    double image;
    int mask;
    bool left, right;
  } cases[] = {
      {0, -1, true, false},  {1.7, -1, false, true}, {2.2, -1, true, false}, {-1, -1, false, true},
      {0, 1, false, true},   {0, 5, false, false},
  };
  for (const Case &c : cases) {
    inst.i_imageindex = c.image;
    inst.SetMaskIndex(c.mask);
    inst.i_bbox = RRect{100, 100, 101, 100};  // the test is about masks, not boxes
    EXPECT_EQ(inst.Collision_Point(100, 100, true), c.left) << c.image << " mask " << c.mask;
    EXPECT_EQ(inst.Collision_Point(101, 100, true), c.right) << c.image << " mask " << c.mask;
  }
}

TEST_F(InstanceCollision, WithoutAMaskOnlyTheBoxCanMeet) {
  TestMaskSprite(0, kSolid10, 0, 0);
  // A sprite whose mask record had another version: the mask is empty.
  CStream s;
  s.WriteInteger(799);
  s.WriteInteger(10);
  s.Seek(0);
  TMask old;
  ASSERT_TRUE(old.LoadFromStream(s));
  TestSprites()[1] = SpriteGeometry(10, 10, 0, 0);
  TestMasks()[1] = {old};
  TestSprites()[2] = SpriteGeometry(10, 10, 0, 0);  // no mask at all
  TestSprites()[3] = SpriteGeometry(10, 10, 0, 0, 0);  // no images
  TestMasks()[3] = TestMasks()[0];
  const CInstance solid = Placed(0, 100, 100);
  for (int sprite : {1, 2, 3}) {
    const CInstance inst = Placed(sprite, 100, 100);
    EXPECT_TRUE(inst.Collision_Point(105, 105, false)) << sprite;
    EXPECT_TRUE(inst.Collision_Instance(solid, false)) << sprite;
    EXPECT_FALSE(inst.Collision_Point(105, 105, true)) << sprite;
    EXPECT_FALSE(inst.Collision_Rectangle(100, 100, 109, 109, true)) << sprite;
    EXPECT_FALSE(inst.Collision_Ellipse(100, 100, 109, 109, true)) << sprite;
    EXPECT_FALSE(inst.Collision_Line(100, 100, 109, 109, true)) << sprite;
    EXPECT_FALSE(inst.Collision_Instance(solid, true)) << sprite;
    EXPECT_FALSE(solid.Collision_Instance(inst, true)) << sprite;
  }
  // A mask sprite that does not exist: no box either.
  CInstance gone = Placed(0, 100, 100);
  gone.SetMaskIndex(9);
  EXPECT_FALSE(gone.Collision_Point(105, 105, false));
}

// --- against the mapping walked pixel by pixel ---------------------------------

// The mapping of a room pixel into the mask, written out on its own.
bool ReferenceHit(const CInstance &inst, const TMask &m, int xo, int yo, int64_t px, int64_t py) {
  const double x = std::nearbyint(inst.i_x), y = std::nearbyint(inst.i_y);
  const double dx = px - x, dy = py - y, sx = inst.i_imagescalex, sy = inst.i_imagescaley;
  double u, v;
  if (inst.i_imageangle == 0) {
    u = std::floor(dx / sx + xo);
    v = std::floor(dy / sy + yo);
  } else {
    const double t = -(inst.i_imageangle * std::numbers::pi / 180.0), c = std::cos(t), s = std::sin(t);
    u = std::floor(xo + (dx * c + dy * s) / sx);
    v = std::floor(yo + (c * dy - dx * s) / sy);
  }
  return u >= 0 && v >= 0 && u < m.Width() && v < m.Height() && m.Get(static_cast<int64_t>(u), static_cast<int64_t>(v));
}

TEST_F(InstanceCollision, TurnedAndScaledInstancesAgreeWithThePixelWalk) {
  std::mt19937 rng(2024);
  auto randomMask = [&](int sprite) {
    const int w = 3 + rng() % 20, h = 3 + rng() % 20;
    std::vector<std::string> rows(h, std::string(w, '.'));
    for (auto &row : rows)
      for (char &ch : row) ch = rng() % 4 == 0 ? '#' : '.';
    rows[0][0] = '#';
    TestMaskSprite(sprite, rows, rng() % w, rng() % h);
  };
  const double scales[] = {1, 2, 0.5, -1, 1.5, 0.75, -2, 1.0 / 3};
  int hits = 0, misses = 0;
  for (int round = 0; round < 300; ++round) {
    randomMask(0);
    randomMask(1);
    auto place = [&](int sprite) {
      // Quarter turns are exact in the runner and not in this reference.
      const double angle = round % 3 == 0 ? 45 : (round % 3 == 1 ? rng() % 360 + 0.5 : 0);
      return Placed(sprite, 100 + rng() % 24, 100 + rng() % 24, scales[rng() % 8], scales[rng() % 8],
                    round % 5 == 0 ? 0 : angle);
    };
    const CInstance a = place(0), b = place(1);
    const TMask &ma = TestMasks()[0][0], &mb = TestMasks()[1][0];
    const RSpriteGeometry ga = TestSprites()[0], gb = TestSprites()[1];
    bool expected = false;
    for (int64_t py = std::max(a.i_bbox.top, b.i_bbox.top); py <= std::min(a.i_bbox.bottom, b.i_bbox.bottom); ++py)
      for (int64_t px = std::max(a.i_bbox.left, b.i_bbox.left); px <= std::min(a.i_bbox.right, b.i_bbox.right); ++px)
        expected = expected || (ReferenceHit(a, ma, ga.xorigin, ga.yorigin, px, py) &&
                                ReferenceHit(b, mb, gb.xorigin, gb.yorigin, px, py));
    ASSERT_EQ(a.Collision_Instance(b, true), expected) << "round " << round;
    (expected ? hits : misses)++;
    // Points and rectangles over a's box.
    for (int64_t py = a.i_bbox.top; py <= a.i_bbox.bottom; ++py)
      for (int64_t px = a.i_bbox.left; px <= a.i_bbox.right; ++px) {
        const bool hit = ReferenceHit(a, ma, ga.xorigin, ga.yorigin, px, py);
        ASSERT_EQ(a.Collision_Point(px, py, true), hit) << "round " << round << " at " << px << "," << py;
        ASSERT_EQ(a.Collision_Rectangle(px, py, px, py, true), hit) << "round " << round;
      }
  }
  // Both answers must have come up for the comparison to mean anything.
  EXPECT_GT(hits, 40);
  EXPECT_GT(misses, 40);
}

TEST_F(InstanceCollision, SpritesHandTheirMasksToInstances) {
  // A real sprite with a mask per image, looked up through the sprite list.
  auto sprite = std::make_unique<CSprite>();
  sprite->i_numb = 2;
  sprite->i_bitmap = {picture::Pic({"#.", ".."}), picture::Pic({"..", ".#"})};
  sprite->i_xorig = 1;
  sprite->ComputeMask(true, kBoxFullImage, 0, kMaskPrecise, RRect{});
  g_Sprites.Clear();
  g_Sprites.items.push_back(std::move(sprite));
  g_Sprites.names.push_back("spr");
  Instance_SetSpriteGeometry(Sprite_Geometry);  // as the runner wires them
  Instance_SetSpriteMask(Sprite_Mask);
  CInstance inst = Placed(0, 100, 100);
  EXPECT_TRUE(inst.Collision_Point(99, 100, true));
  EXPECT_FALSE(inst.Collision_Point(100, 101, true));
  inst.i_imageindex = 1;
  EXPECT_FALSE(inst.Collision_Point(99, 100, true));
  EXPECT_TRUE(inst.Collision_Point(100, 101, true));
  g_Sprites.Clear();
  EXPECT_FALSE(inst.Collision_Point(100, 101, true)) << "the sprite is gone";
}

}  // namespace
