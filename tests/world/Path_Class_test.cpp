// The path record: its polyline (straight and smooth, open and closed), the
// length, the position lookup, the edits and transformations, and the record
// in the game data.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "base/Support_Stream.h"
#include "world/Path_Class.h"

namespace {

CPath MakePath(std::vector<RWayPoint> points, int32_t kind, bool closed, int32_t precision = 4) {
  CPath p;
  p.SetKind(kind);
  p.SetClosed(closed);
  p.SetPrecision(precision);
  p.SetPoints(std::move(points));
  return p;
}

const std::vector<RWayPoint> kSquare = {{0, 0, 100}, {100, 0, 100}, {100, 100, 100}, {0, 100, 100}};

std::vector<std::vector<double>> IntPoints(const CPath &p) {
  std::vector<std::vector<double>> out;
  for (const RIntPoint &q : p.i_intpoints) out.push_back({q.x, q.y, q.speed});
  return out;
}

void ExpectPolyline(const CPath &p, const std::vector<std::vector<double>> &want) {
  const auto got = IntPoints(p);
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i)
    for (size_t k = 0; k < 3; ++k) EXPECT_NEAR(got[i][k], want[i][k], 1e-9) << "point " << i << " field " << k;
}

TEST(PathPolyline, StraightRepeatsTheFirstPointOnlyWhenClosed) {
  const CPath closed = MakePath(kSquare, CPath::kStraight, true);
  ExpectPolyline(closed, {{0, 0, 100}, {100, 0, 100}, {100, 100, 100}, {0, 100, 100}, {0, 0, 100}});
  EXPECT_DOUBLE_EQ(closed.i_length, 400);
  EXPECT_DOUBLE_EQ(closed.i_intpoints[3].l, 300);

  const CPath open = MakePath(kSquare, CPath::kStraight, false);
  EXPECT_EQ(open.IntCount(), 4);
  EXPECT_DOUBLE_EQ(open.i_length, 300);
}

TEST(PathPolyline, SmoothSubdividesTheCornersToTheGivenDepth) {
  const std::vector<RWayPoint> corner = {{0, 0, 100}, {16, 0, 0}, {16, 16, 100}};
  // Depth 0: only the two end points of an open path.
  const CPath flat = MakePath(corner, CPath::kSmooth, false, 0);
  ExpectPolyline(flat, {{0, 0, 100}, {16, 16, 100}});
  EXPECT_NEAR(flat.i_length, std::sqrt(512.0), 1e-12);

  // Depth 1: the curve's middle (S + 2C + E) / 4, speed alike.
  ExpectPolyline(MakePath(corner, CPath::kSmooth, false, 1), {{0, 0, 100}, {14, 2, 25}, {16, 16, 100}});

  // Depth 2: each half whose control leg is longer than 4 pixels is split
  // once more, before and after the middle.
  const CPath fine = MakePath(corner, CPath::kSmooth, false, 2);
  ExpectPolyline(fine, {{0, 0, 100}, {11.5, 0.5, 31.25}, {14, 2, 25}, {15.5, 4.5, 31.25}, {16, 16, 100}});

  // Short legs stop the splitting whatever the depth.
  const CPath tiny = MakePath({{0, 0, 100}, {2, 0, 100}, {2, 2, 100}}, CPath::kSmooth, false, 8);
  EXPECT_EQ(tiny.IntCount(), 3);
}

TEST(PathPolyline, SmoothClosedCutsEveryCornerAndReturnsToItsFirstPoint) {
  const CPath p = MakePath(kSquare, CPath::kSmooth, true, 1);
  ExpectPolyline(p, {{87.5, 12.5, 100}, {87.5, 87.5, 100}, {12.5, 87.5, 100}, {12.5, 12.5, 100}, {87.5, 12.5, 100}});
  EXPECT_DOUBLE_EQ(p.i_length, 300);

  // Nothing to return to without smoothing points: no polyline at all.
  const CPath none = MakePath(kSquare, CPath::kSmooth, true, 0);
  EXPECT_EQ(none.IntCount(), 0);
  EXPECT_EQ(none.i_length, 0);
}

TEST(PathPolyline, DegeneratePointCounts) {
  for (int32_t kind : {CPath::kStraight, CPath::kSmooth}) {
    for (bool closed : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "kind " << kind << " closed " << closed);
      const CPath empty = MakePath({}, kind, closed);
      EXPECT_EQ(empty.IntCount(), 0);
      EXPECT_EQ(empty.i_length, 0);
      const CPath one = MakePath({{5, 7, 30}}, kind, closed);
      ASSERT_GE(one.IntCount(), 1);
      EXPECT_EQ(one.i_length, 0);
      const RPathPosition at = one.GetPosition(0.5);
      EXPECT_EQ(at.x, 5);
      EXPECT_EQ(at.y, 7);
      EXPECT_EQ(at.speed, 30);
    }
  }
}

struct RPositionCase {
  double pos;
  double x, y, speed;
};

TEST(PathPosition, InterpolatesAlongThePolyline) {
  CPath p = MakePath(kSquare, CPath::kStraight, true);
  p.ChangePoint(1, 100, 0, 50);  // the speed falls towards the second corner
  const RPositionCase cases[] = {
      {0, 0, 0, 100},          {0.125, 50, 0, 75},  {0.25, 100, 0, 50},  {0.375, 100, 50, 75},
      {0.5, 100, 100, 100},    {0.875, 0, 50, 100}, {1, 0, 0, 100},      {-3, 0, 0, 100},
      {7, 0, 0, 100},          {std::nan(""), 0, 0, 100},
  };
  for (const RPositionCase &c : cases) {
    SCOPED_TRACE(c.pos);
    const RPathPosition at = p.GetPosition(c.pos);
    EXPECT_NEAR(at.x, c.x, 1e-9);
    EXPECT_NEAR(at.y, c.y, 1e-9);
    EXPECT_NEAR(at.speed, c.speed, 1e-9);
  }
  // Open, the end is the last control point.
  const CPath open = MakePath(kSquare, CPath::kStraight, false);
  EXPECT_DOUBLE_EQ(open.XPosition(1), 0);
  EXPECT_DOUBLE_EQ(open.YPosition(1), 100);
  EXPECT_DOUBLE_EQ(open.YPosition(0.5), 50);
  // No polyline: the default answer.
  EXPECT_EQ(CPath().Speed(0.5), 100);
  EXPECT_EQ(CPath().XPosition(0.5), 0);
}

TEST(PathPosition, PointsThatRepeatAddNoLength) {
  const CPath p = MakePath({{0, 0, 100}, {0, 0, 10}, {10, 0, 100}}, CPath::kStraight, false);
  EXPECT_DOUBLE_EQ(p.i_length, 10);
  // The piece that holds the position is the first whose end lies beyond it.
  EXPECT_DOUBLE_EQ(p.XPosition(0.5), 5);
  EXPECT_DOUBLE_EQ(p.Speed(0.5), 55);
}

TEST(PathEdit, EveryChangeRebuildsThePolyline) {
  CPath p = MakePath({{0, 0, 100}, {10, 0, 100}}, CPath::kStraight, false);
  EXPECT_EQ(p.AddPoint(10, 10, 100), 2);
  EXPECT_DOUBLE_EQ(p.i_length, 20);
  p.InsertPoint(0, 0, 10, 100);
  EXPECT_DOUBLE_EQ(p.i_length, 30);
  p.InsertPoint(5, 0, 0, 100);  // past the end: ignored
  p.InsertPoint(-1, 0, 0, 100);
  EXPECT_EQ(p.Count(), 4);
  p.ChangePoint(3, 10, 30, 100);
  EXPECT_DOUBLE_EQ(p.i_length, 50);
  p.ChangePoint(4, 0, 0, 100);  // no such point
  p.DeletePoint(0);
  EXPECT_DOUBLE_EQ(p.i_length, 40);
  p.DeletePoint(9);
  EXPECT_EQ(p.Count(), 3);
  p.SetClosed(true);
  EXPECT_NEAR(p.i_length, 40 + std::sqrt(100.0 + 900.0), 1e-12);
  p.Clear();
  EXPECT_EQ(p.IntCount(), 0);
  EXPECT_EQ(p.i_length, 0);

  p.SetKind(7);
  EXPECT_EQ(p.i_kind, CPath::kStraight);
  p.SetKind(1);
  EXPECT_EQ(p.i_kind, CPath::kSmooth);
  p.SetPrecision(12);
  EXPECT_EQ(p.i_precision, 8);
  p.SetPrecision(-1);
  EXPECT_EQ(p.i_precision, 0);
}

TEST(PathEdit, TransformationsWorkAboutTheCentre) {
  const std::vector<RWayPoint> tri = {{0, 0, 100}, {40, 0, 50}, {40, 20, 100}};
  auto points = [](const CPath &p) {
    std::vector<std::vector<double>> out;
    for (const RWayPoint &w : p.i_points) out.push_back({std::round(w.x * 1e9) / 1e9, std::round(w.y * 1e9) / 1e9, w.speed});
    return out;
  };
  CPath p = MakePath(tri, CPath::kStraight, false);
  double cx, cy;
  p.Center(cx, cy);
  EXPECT_EQ(cx, 20);
  EXPECT_EQ(cy, 10);

  p.Mirror();
  EXPECT_EQ(points(p), (std::vector<std::vector<double>>{{40, 0, 100}, {0, 0, 50}, {0, 20, 100}}));
  p.Flip();
  EXPECT_EQ(points(p), (std::vector<std::vector<double>>{{40, 20, 100}, {0, 20, 50}, {0, 0, 100}}));
  p.Reverse();
  EXPECT_EQ(points(p), (std::vector<std::vector<double>>{{0, 0, 100}, {0, 20, 50}, {40, 20, 100}}));
  EXPECT_DOUBLE_EQ(p.XPosition(1), 40);  // the polyline follows

  // A quarter turn counter-clockwise on screen: right becomes up.
  CPath r = MakePath(tri, CPath::kStraight, false);
  r.Rotate(90);
  EXPECT_EQ(points(r), (std::vector<std::vector<double>>{{10, 30, 100}, {10, -10, 50}, {30, -10, 100}}));

  CPath s = MakePath(tri, CPath::kStraight, false);
  s.Scale(2, -1);
  EXPECT_EQ(points(s), (std::vector<std::vector<double>>{{-20, 20, 100}, {60, 20, 50}, {60, 0, 100}}));
  s.Shift(5, -5);
  EXPECT_EQ(points(s), (std::vector<std::vector<double>>{{-15, 15, 100}, {65, 15, 50}, {65, -5, 100}}));
  EXPECT_DOUBLE_EQ(s.i_length, 100);

  CPath a = MakePath(tri, CPath::kStraight, false);
  a.Append(a);
  EXPECT_EQ(a.Count(), 6);
  EXPECT_EQ(a.i_points[3].x, 0);
  EXPECT_EQ(a.i_points[4].speed, 50);
}

TEST(PathEdit, AssignCopiesShapeAndSettings) {
  const CPath source = MakePath(kSquare, CPath::kSmooth, false, 2);
  CPath copy = MakePath({{1, 1, 1}}, CPath::kStraight, true, 4);
  copy.Assign(source);
  EXPECT_EQ(copy.i_kind, CPath::kSmooth);
  EXPECT_FALSE(copy.i_closed);
  EXPECT_EQ(copy.i_precision, 2);
  EXPECT_EQ(IntPoints(copy), IntPoints(source));
  EXPECT_EQ(copy.i_length, source.i_length);
}

TEST(PathDraw, StripsFollowThePathInStepsOfFourPixels) {
  CPath square = MakePath(kSquare, CPath::kStraight, true);
  square.Shift(5, 5);
  const auto strips = square.DrawStrips(10, 20, false);
  ASSERT_EQ(strips.size(), 1u);
  ASSERT_EQ(strips[0].size(), 101u);
  // Relative: the start at (x, y).
  EXPECT_DOUBLE_EQ(strips[0][0].x, 10);
  EXPECT_DOUBLE_EQ(strips[0][0].y, 20);
  EXPECT_DOUBLE_EQ(strips[0][25].x, 110);
  EXPECT_DOUBLE_EQ(strips[0][25].y, 20);
  EXPECT_DOUBLE_EQ(strips[0][100].x, 10);
  // Absolute: the path's own coordinates moved by (x, y).
  const auto absolute = square.DrawStrips(10, 20, true);
  EXPECT_DOUBLE_EQ(absolute[0][0].x, 15);
  EXPECT_DOUBLE_EQ(absolute[0][50].y, 125);

  // A long path is drawn in strips of 500 positions that meet.
  const CPath line = MakePath({{0, 0, 100}, {4800, 0, 100}}, CPath::kStraight, false);
  const auto parts = line.DrawStrips(0, 0, true);
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts[0].size(), 500u);
  EXPECT_EQ(parts[1].front().x, parts[0].back().x);
  EXPECT_EQ(parts[2].back().x, 4800);
  size_t total = 0;
  for (const auto &part : parts) total += part.size();
  EXPECT_EQ(total, 1201u + 2u);

  EXPECT_TRUE(MakePath({{0, 0, 100}, {1, 0, 100}}, CPath::kStraight, false).DrawStrips(0, 0, true).empty());
}

// --- the record ---------------------------------------------------------------

std::vector<uint8_t> Record(const CPath &p) {
  CStream s;
  p.SaveToStream(s);
  return s.Bytes();
}

CStream RecordStream(int32_t version, int32_t kind, int32_t closed, int32_t precision, int32_t count,
                     const std::vector<double> &reals) {
  CStream s;
  s.WriteInteger(version);
  s.WriteInteger(kind);
  s.WriteInteger(closed);
  s.WriteInteger(precision);
  s.WriteInteger(count);
  for (double r : reals) s.WriteReal(r);
  s.Seek(0);
  return s;
}

TEST(PathRecord, RoundTripsAndRebuildsThePolyline) {
  const CPath p = MakePath({{1, 2, 100}, {30, 2, 40}, {30, 50, 120}}, CPath::kSmooth, false, 3);
  CStream s(Record(p));
  s.Seek(0);
  CPath back;
  ASSERT_TRUE(back.LoadFromStream(s));
  EXPECT_EQ(s.Position(), s.Size());
  EXPECT_EQ(Record(back), Record(p));
  EXPECT_EQ(IntPoints(back), IntPoints(p));
  EXPECT_DOUBLE_EQ(back.i_length, p.i_length);

  CStream plain = RecordStream(530, 0, 0, 4, 2, {0, 0, 100, 3, 4, 100});
  ASSERT_TRUE(back.LoadFromStream(plain));
  EXPECT_EQ(back.i_kind, CPath::kStraight);
  EXPECT_FALSE(back.i_closed);
  EXPECT_DOUBLE_EQ(back.i_length, 5);
}

TEST(PathRecord, BrokenRecords) {
  CPath p;
  CStream wrong = RecordStream(531, 0, 1, 4, 0, {});
  EXPECT_FALSE(p.LoadFromStream(wrong));

  // Out-of-range settings are held to what a game could set.
  CStream odd = RecordStream(530, 9, 1, 40, 0, {});
  ASSERT_TRUE(p.LoadFromStream(odd));
  EXPECT_EQ(p.i_kind, CPath::kStraight);
  EXPECT_EQ(p.i_precision, 8);
  CStream low = RecordStream(530, 1, 1, -3, -5, {});
  ASSERT_TRUE(p.LoadFromStream(low));
  EXPECT_EQ(p.i_precision, 0);
  EXPECT_EQ(p.Count(), 0);

  // More points promised than stored: the read runs into the end.
  CStream cut = RecordStream(530, 0, 1, 4, 1000000000, {1, 2, 3, 4});
  EXPECT_THROW(p.LoadFromStream(cut), EStreamError);
}

}  // namespace
