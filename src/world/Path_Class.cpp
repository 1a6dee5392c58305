#include "world/Path_Class.h"

#include <algorithm>
#include <cmath>

#include "code/Code_Operator.h"
#include "base/Support_Stream.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

RWayPoint Mid(const RWayPoint &a, const RWayPoint &b) {
  return {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.speed + b.speed) / 2};
}

double SquaredDistance(const RWayPoint &a, const RWayPoint &b) {
  return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y);
}

// A drawing finer than this many positions shows nothing more on any screen
// and would only exhaust memory for a path of absurd length.
constexpr double kMaxDrawPositions = 1000000;

}  // namespace

void CPath::Clear() {
  i_points.clear();
  ComputeInternal();
}

void CPath::Assign(const CPath &path) {
  if (&path == this) return;
  i_kind = path.i_kind;
  i_closed = path.i_closed;
  i_precision = path.i_precision;
  i_points = path.i_points;
  ComputeInternal();
}

bool CPath::LoadFromStream(CStream &stream) {
  i_points.clear();
  if (stream.ReadInteger() != kVersion) {
    ComputeInternal();
    return false;
  }
  const int32_t kind = stream.ReadInteger();
  i_kind = kind == kSmooth ? kSmooth : kStraight;
  i_closed = stream.ReadBoolean();
  i_precision = std::clamp(stream.ReadInteger(), 0, kMaxPrecision);
  const int32_t count = stream.ReadInteger();
  // Points are read one by one: a count larger than the record runs into the
  // end of the stream instead of reserving memory for it.
  for (int32_t i = 0; i < count; ++i) {
    RWayPoint p;
    p.x = stream.ReadReal();
    p.y = stream.ReadReal();
    p.speed = stream.ReadReal();
    i_points.push_back(p);
  }
  ComputeInternal();
  return true;
}

void CPath::SaveToStream(CStream &stream) const {
  stream.WriteInteger(kVersion);
  stream.WriteInteger(i_kind);
  stream.WriteBoolean(i_closed);
  stream.WriteInteger(i_precision);
  stream.WriteInteger(Count());
  for (const RWayPoint &p : i_points) {
    stream.WriteReal(p.x);
    stream.WriteReal(p.y);
    stream.WriteReal(p.speed);
  }
}

void CPath::SetKind(int32_t kind) {
  i_kind = kind == kSmooth ? kSmooth : kStraight;
  ComputeInternal();
}

void CPath::SetClosed(bool closed) {
  i_closed = closed;
  ComputeInternal();
}

void CPath::SetPrecision(int32_t precision) {
  i_precision = std::clamp(precision, 0, kMaxPrecision);
  ComputeInternal();
}

void CPath::SetPoints(std::vector<RWayPoint> points) {
  i_points = std::move(points);
  ComputeInternal();
}

int32_t CPath::AddPoint(double x, double y, double speed) {
  i_points.push_back({x, y, speed});
  ComputeInternal();
  return Count() - 1;
}

void CPath::InsertPoint(int32_t ind, double x, double y, double speed) {
  if (ind < 0 || ind > Count()) return;
  i_points.insert(i_points.begin() + ind, RWayPoint{x, y, speed});
  ComputeInternal();
}

void CPath::ChangePoint(int32_t ind, double x, double y, double speed) {
  if (ind < 0 || ind >= Count()) return;
  i_points[static_cast<size_t>(ind)] = {x, y, speed};
  ComputeInternal();
}

void CPath::DeletePoint(int32_t ind) {
  if (ind < 0 || ind >= Count()) return;
  i_points.erase(i_points.begin() + ind);
  ComputeInternal();
}

void CPath::AddInt(double x, double y, double speed) {
  RIntPoint p{x, y, speed, 0};
  if (!i_intpoints.empty()) {
    const RIntPoint &q = i_intpoints.back();
    p.l = q.l + std::sqrt((x - q.x) * (x - q.x) + (y - q.y) * (y - q.y));
  }
  i_intpoints.push_back(p);
}

// One quadratic curve from s to e pulled towards c, split at its middle q
// until the halves are short (the control leg at most 4 pixels) or the depth
// runs out. Only the split points are added, in order along the curve.
void CPath::Subdivide(int depth, const RWayPoint &s, const RWayPoint &c, const RWayPoint &e) {
  if (depth == 0) return;
  const RWayPoint q{(s.x + 2 * c.x + e.x) / 4, (s.y + 2 * c.y + e.y) / 4, (s.speed + 2 * c.speed + e.speed) / 4};
  if (SquaredDistance(c, s) > 16) Subdivide(depth - 1, s, Mid(s, c), q);
  AddInt(q.x, q.y, q.speed);
  if (SquaredDistance(c, e) > 16) Subdivide(depth - 1, q, Mid(c, e), e);
}

void CPath::ComputeInternal() {
  i_intpoints.clear();
  const int32_t n = Count();
  if (n > 0) {
    if (i_kind == kSmooth) {
      if (!i_closed) AddInt(i_points[0].x, i_points[0].y, i_points[0].speed);
      const int32_t curves = i_closed ? n : n - 2;
      for (int32_t i = 0; i < curves; ++i) {
        const RWayPoint &a = i_points[static_cast<size_t>(i % n)];
        const RWayPoint &b = i_points[static_cast<size_t>((i + 1) % n)];
        const RWayPoint &c = i_points[static_cast<size_t>((i + 2) % n)];
        Subdivide(i_precision, Mid(a, b), b, Mid(b, c));
      }
      // A closed smooth path whose curves add no point (precision 0) has no
      // first point to return to and stays without a polyline.
      if (i_closed) {
        if (!i_intpoints.empty()) {
          const RIntPoint first = i_intpoints.front();
          AddInt(first.x, first.y, first.speed);
        }
      } else {
        AddInt(i_points[static_cast<size_t>(n - 1)].x, i_points[static_cast<size_t>(n - 1)].y,
               i_points[static_cast<size_t>(n - 1)].speed);
      }
    } else {
      for (const RWayPoint &p : i_points) AddInt(p.x, p.y, p.speed);
      if (i_closed) AddInt(i_points[0].x, i_points[0].y, i_points[0].speed);
    }
  }
  i_length = i_intpoints.empty() ? 0 : i_intpoints.back().l;
}

RPathPosition CPath::GetPosition(double pos) const {
  RPathPosition out;
  if (i_intpoints.empty()) return out;
  const RIntPoint &first = i_intpoints.front();
  // NaN counts as the start, like any position that is not above 0.
  if (i_intpoints.size() == 1 || i_length == 0 || !(pos > 0)) return {first.x, first.y, first.speed};
  if (pos >= 1) {
    const RIntPoint &last = i_intpoints.back();
    return {last.x, last.y, last.speed};
  }
  const double g = pos * i_length;
  const size_t pieces = i_intpoints.size() - 1;
  size_t i = 0;
  while (i < pieces - 1 && !(i_intpoints[i + 1].l > g)) ++i;
  const RIntPoint &a = i_intpoints[i];
  const RIntPoint &b = i_intpoints[i + 1];
  const double span = b.l - a.l;
  if (span == 0) return {a.x, a.y, a.speed};
  const double t = (g - a.l) / span;
  return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.speed + t * (b.speed - a.speed)};
}

void CPath::Center(double &cx, double &cy) const {
  cx = cy = 0;
  if (i_points.empty()) return;
  double minx = i_points[0].x, maxx = minx, miny = i_points[0].y, maxy = miny;
  for (const RWayPoint &p : i_points) {
    minx = std::min(minx, p.x);
    maxx = std::max(maxx, p.x);
    miny = std::min(miny, p.y);
    maxy = std::max(maxy, p.y);
  }
  cx = (minx + maxx) / 2;
  cy = (miny + maxy) / 2;
}

void CPath::Reverse() {
  std::reverse(i_points.begin(), i_points.end());
  ComputeInternal();
}

void CPath::Mirror() {
  double cx, cy;
  Center(cx, cy);
  for (RWayPoint &p : i_points) p.x = 2 * cx - p.x;
  ComputeInternal();
}

void CPath::Flip() {
  double cx, cy;
  Center(cx, cy);
  for (RWayPoint &p : i_points) p.y = 2 * cy - p.y;
  ComputeInternal();
}

void CPath::Rotate(double angle) {
  double cx, cy;
  Center(cx, cy);
  const double a = angle * kPi / 180;
  const double c = std::cos(a), s = std::sin(a);
  for (RWayPoint &p : i_points) {
    const double dx = p.x - cx, dy = p.y - cy;
    p.x = cx + c * dx + s * dy;
    p.y = cy + c * dy - s * dx;
  }
  ComputeInternal();
}

void CPath::Scale(double xscale, double yscale) {
  double cx, cy;
  Center(cx, cy);
  for (RWayPoint &p : i_points) {
    p.x = cx + (p.x - cx) * xscale;
    p.y = cy + (p.y - cy) * yscale;
  }
  ComputeInternal();
}

void CPath::Shift(double xtr, double ytr) {
  for (RWayPoint &p : i_points) {
    p.x += xtr;
    p.y += ytr;
  }
  ComputeInternal();
}

void CPath::Append(const CPath &path) {
  const std::vector<RWayPoint> more = path.i_points;  // a copy: path may be this one
  i_points.insert(i_points.end(), more.begin(), more.end());
  ComputeInternal();
}

std::vector<std::vector<RPathPosition>> CPath::DrawStrips(double x, double y, bool absolute) const {
  std::vector<std::vector<RPathPosition>> strips;
  const double quarter = i_length / 4;
  if (!(quarter >= 0) || quarter > kMaxDrawPositions) return strips;
  const int64_t n = RoundToInt64(quarter);
  if (n == 0) return strips;
  double ox = x, oy = y;
  if (!absolute) {
    const RPathPosition start = GetPosition(0);
    ox -= start.x;
    oy -= start.y;
  }
  strips.emplace_back();
  for (int64_t i = 0; i <= n; ++i) {
    RPathPosition p = GetPosition(static_cast<double>(i) / static_cast<double>(n));
    p.x += ox;
    p.y += oy;
    strips.back().push_back(p);
    if ((i + 1) % 500 == 0 && i < n) strips.push_back({p});
  }
  return strips;
}
