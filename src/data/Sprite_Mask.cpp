#include "data/Sprite_Mask.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

#include "base/BM32_Bitmap.h"
#include "base/Support_Stream.h"

int32_t RoundPixel(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(std::nearbyint(v));
}

namespace {

constexpr int32_t kMaskVersion = 800;

RRect Union(const RRect &a, const RRect &b) {
  return RRect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
               std::max(a.bottom, b.bottom)};
}

// The box around the pixels that count, or the inverted box (w - 1, h - 1,
// 0, 0) when none does: unions with it then give the other box unchanged.
RRect OpaqueBox(const TBitmap32 &bm, int32_t tolerance) {
  RRect box{bm.Width() - 1, bm.Height() - 1, 0, 0};
  for (int y = 0; y < bm.Height(); ++y)
    for (int x = 0; x < bm.Width(); ++x)
      if (static_cast<int64_t>(Alpha32(bm.Pixel(x, y))) > tolerance) {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x);
        box.bottom = std::max(box.bottom, y);
      }
  return box;
}

RRect BoxFor(const TBitmap32 &bm, int32_t tolerance, const RRect &given, int32_t bbmode) {
  const int32_t w = bm.Width(), h = bm.Height();
  switch (bbmode) {
    case kBoxFullImage: return RRect{0, 0, w - 1, h - 1};
    case kBoxManual:
      return RRect{std::max(given.left, 0), std::max(given.top, 0), std::min(given.right, w - 1),
                   std::min(given.bottom, h - 1)};
    default: return OpaqueBox(bm, tolerance);
  }
}

}  // namespace

TMask::TMask(const TBitmap32 &bm, int32_t tolerance, int32_t kind, const RRect &bbox, int32_t bbmode) {
  if (bm.Empty()) return;
  Resize(bm.Width(), bm.Height());
  i_bbox = BoxFor(bm, tolerance, bbox, bbmode);
  Fill(bm, tolerance, kind, i_bbox);
}

void TMask::Resize(int32_t w, int32_t h) {
  i_w = std::max(w, 0);
  i_h = std::max(h, 0);
  m_stride = static_cast<int32_t>((int64_t{i_w} + 63) / 64);
  m_bits.assign(static_cast<size_t>(m_stride) * static_cast<size_t>(i_h), 0);
}

void TMask::Set(int32_t x, int32_t y, bool on) {
  if (x < 0 || y < 0 || x >= i_w || y >= i_h) return;
  uint64_t &word = m_bits[static_cast<size_t>(y) * m_stride + (x >> 6)];
  const uint64_t bit = uint64_t{1} << (x & 63);
  word = on ? (word | bit) : (word & ~bit);
}

void TMask::Fill(const TBitmap32 &bm, int32_t tolerance, int32_t kind, const RRect &box) {
  const int32_t x0 = std::max(box.left, 0), x1 = std::min(box.right, i_w - 1);
  const int32_t y0 = std::max(box.top, 0), y1 = std::min(box.bottom, i_h - 1);
  const double cx = (double(box.left) + box.right) / 2, rx = cx - box.left + 0.5;
  const double cy = (double(box.top) + box.bottom) / 2, ry = cy - box.top + 0.5;
  const bool round = rx > 0 && ry > 0;
  for (int32_t y = y0; y <= y1; ++y)
    for (int32_t x = x0; x <= x1; ++x) {
      bool on;
      switch (kind) {
        case kMaskRectangle: on = true; break;
        case kMaskEllipse: {
          const double u = (x - cx) / rx, v = (y - cy) / ry;
          on = round && u * u + v * v < 1;
          break;
        }
        case kMaskDiamond: on = round && std::fabs(x - cx) / rx + std::fabs(y - cy) / ry < 1; break;
        default:
          on = x < bm.Width() && y < bm.Height() && static_cast<int64_t>(Alpha32(bm.Pixel(x, y))) > tolerance;
          break;
      }
      Set(x, y, on);
    }
}

void TMask::Merge(const TBitmap32 &bm, int32_t bbmode, int32_t tolerance, int32_t kind, const RRect &bbox) {
  const TMask other(bm, tolerance, kind, bbox, bbmode);
  i_bbox = Union(i_bbox, other.i_bbox);
  switch (kind) {
    case kMaskRectangle:
    case kMaskEllipse:
    case kMaskDiamond: Fill(bm, tolerance, kind, i_bbox); break;
    default: {
      const int32_t words = std::min(m_stride, other.m_stride);
      const int32_t h = words > 0 ? std::min(i_h, other.i_h) : 0;
      const int32_t w = std::min(i_w, other.i_w);
      for (int32_t y = 0; y < h; ++y) {
        uint64_t *dst = m_bits.data() + static_cast<size_t>(y) * m_stride;
        const uint64_t *src = other.Row(y);
        for (int32_t k = 0; k < words; ++k) {
          uint64_t bits = src[k];
          // Only the columns both masks have.
          const int32_t end = w - k * 64;
          if (end < 64) bits &= (uint64_t{1} << end) - 1;
          dst[k] |= bits;
        }
      }
      break;
    }
  }
}

bool TMask::LoadFromStream(CStream &stream) {
  *this = TMask();
  if (stream.ReadInteger() != kMaskVersion) return true;
  const int32_t w = stream.ReadInteger();
  const int32_t h = stream.ReadInteger();
  RRect box;
  box.left = stream.ReadInteger();
  box.right = stream.ReadInteger();
  box.bottom = stream.ReadInteger();
  box.top = stream.ReadInteger();
  if (w < 0 || h < 0) return false;
  // Checked before anything is allocated: a size the record cannot hold.
  if (int64_t{w} * h > (stream.Size() - stream.Position()) / 4) return false;
  Resize(w, h);
  i_bbox = box;
  // A grid without columns or rows has no pixels, however long its other side.
  if (w == 0 || h == 0) return true;
  std::vector<uint8_t> row(static_cast<size_t>(w) * 4);
  for (int32_t y = 0; y < h; ++y) {
    if (w > 0) stream.Read(row.data(), static_cast<int64_t>(row.size()));
    for (int32_t x = 0; x < w; ++x) {
      const uint8_t *p = row.data() + static_cast<size_t>(x) * 4;
      const int32_t v = static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                             (static_cast<uint32_t>(p[2]) << 16) |
                                             (static_cast<uint32_t>(p[3]) << 24));
      if (v > 0) Set(x, y, true);
    }
  }
  return true;
}

void TMask::SaveToStream(CStream &stream) const {
  stream.WriteInteger(kMaskVersion);
  stream.WriteInteger(i_w);
  stream.WriteInteger(i_h);
  stream.WriteInteger(i_bbox.left);
  stream.WriteInteger(i_bbox.right);
  stream.WriteInteger(i_bbox.bottom);
  stream.WriteInteger(i_bbox.top);
  if (i_w == 0) return;
  for (int32_t y = 0; y < i_h; ++y)
    for (int32_t x = 0; x < i_w; ++x) stream.WriteBoolean(Get(x, y));
}

uint64_t TMask::Bits(int64_t y, int64_t x, int count) const {
  if (y < 0 || y >= i_h || count <= 0) return 0;
  count = std::min(count, 64);
  const int64_t a = std::max<int64_t>(x, 0), b = std::min<int64_t>(x + count, i_w);
  if (a >= b) return 0;
  const uint64_t *r = Row(y);
  const int64_t word = a >> 6;
  const int shift = static_cast<int>(a & 63);
  uint64_t v = r[word] >> shift;
  if (shift != 0 && word + 1 < m_stride) v |= r[word + 1] << (64 - shift);
  const int64_t n = b - a;
  if (n < 64) v &= (uint64_t{1} << n) - 1;
  return v << (a - x);
}

namespace {

// The part of the placement's box where its mask has pixels at all.
RRect Reach(const RMaskPlacement &p) {
  const int64_t w = p.mask ? p.mask->Width() : 0, h = p.mask ? p.mask->Height() : 0;
  auto clamp = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
  return RRect{std::max(p.box.left, clamp(p.x)), std::max(p.box.top, clamp(p.y)),
               std::min(p.box.right, clamp(int64_t{p.x} + w - 1)), std::min(p.box.bottom, clamp(int64_t{p.y} + h - 1))};
}

}  // namespace

bool MaskCollisionUnscaled(const RMaskPlacement &a, const RMaskPlacement &b) {
  if (!a.mask || !b.mask) return false;
  const RRect ra = Reach(a), rb = Reach(b);
  const int64_t left = std::max(ra.left, rb.left), right = std::min(ra.right, rb.right);
  const int64_t top = std::max(ra.top, rb.top), bottom = std::min(ra.bottom, rb.bottom);
  if (left > right) return false;
  for (int64_t py = top; py <= bottom; ++py)
    for (int64_t px = left; px <= right; px += 64) {
      const int n = static_cast<int>(std::min<int64_t>(64, right - px + 1));
      if (a.mask->Bits(py - a.y, px - a.x, n) & b.mask->Bits(py - b.y, px - b.x, n)) return true;
    }
  return false;
}

bool MaskPointUnscaled(const RMaskPlacement &a, int32_t px, int32_t py) {
  if (!a.mask) return false;
  if (px < a.box.left || px > a.box.right || py < a.box.top || py > a.box.bottom) return false;
  return a.mask->Get(int64_t{px} - a.x, int64_t{py} - a.y);
}

// --- any placement -----------------------------------------------------------

RMaskPlacement RMaskTransform::Integer() const {
  return RMaskPlacement{mask, static_cast<int32_t>(std::clamp<int64_t>(int64_t{x} - xo, INT32_MIN, INT32_MAX)),
                        static_cast<int32_t>(std::clamp<int64_t>(int64_t{y} - yo, INT32_MIN, INT32_MAX)), box};
}

namespace {

// cos and sin of the inverse turn, the same numbers for every pixel.
struct RTurn {
  double c = 1, s = 0;
};

RTurn TurnOf(double angle) {
  // Quarter turns are exact: cos 90 computed in radians is not quite 0, and
  // that sliver would push whole rows of the mask off by one pixel.
  const double quarter = angle / 90.0;
  if (std::isfinite(quarter) && quarter == std::floor(quarter)) {
    switch (static_cast<int>(std::fmod(-quarter, 4.0) + 4) % 4) {
      case 0: return RTurn{1, 0};
      case 1: return RTurn{0, 1};
      case 2: return RTurn{-1, 0};
      default: return RTurn{0, -1};
    }
  }
  const double t = -(angle * std::numbers::pi / 180.0);
  return RTurn{std::cos(t), std::sin(t)};
}

// The mapping before the floor, for a real room offset (dx, dy).
void MapReal(const RMaskTransform &p, const RTurn &r, double dx, double dy, double &u, double &v) {
  if (p.angle == 0) {
    u = dx / p.sx + p.xo;
    v = dy / p.sy + p.yo;
  } else {
    u = p.xo + (dx * r.c + dy * r.s) / p.sx;
    v = p.yo + (r.c * dy - dx * r.s) / p.sy;
  }
}

// floor(f) as a grid coordinate, or false when it cannot be one.
bool FloorCoord(double f, int64_t &out) {
  const double fl = std::floor(f);
  if (!(fl > -4611686018427387904.0 && fl < 4611686018427387904.0)) return false;
  out = static_cast<int64_t>(fl);
  return true;
}

bool MapDirect(const RMaskTransform &p, const RTurn &r, int64_t px, int64_t py, int64_t &u, int64_t &v) {
  const int64_t dx = px - p.x, dy = py - p.y;
  if (p.Unscaled()) {
    u = dx + p.xo;
    v = dy + p.yo;
    return true;
  }
  double fu, fv;
  MapReal(p, r, static_cast<double>(dx), static_cast<double>(dy), fu, fv);
  return FloorCoord(fu, u) && FloorCoord(fv, v);
}

}  // namespace

TMaskRowMap::TMaskRowMap(const RMaskTransform &p) : m_p(p), m_unscaled(p.Unscaled()) {
  const RTurn turn = TurnOf(p.angle);
  m_c = turn.c;
  m_s = turn.s;
  if (m_unscaled) return;
  if (p.angle == 0) {
    m_du = 1 / p.sx;
    m_dv = 0;
  } else {
    m_du = m_c / p.sx;
    m_dv = -m_s / p.sy;
  }
}

void TMaskRowMap::Start(int64_t py, int64_t left, int64_t right) {
  m_py = py;
  m_left = left;
  if (m_unscaled) {
    m_u0 = left - m_p.x + m_p.xo;
    m_v0 = py - m_p.y + m_p.yo;
    return;
  }
  const double dx = static_cast<double>(left - m_p.x), dy = static_cast<double>(py - m_p.y);
  MapReal(m_p, RTurn{m_c, m_s}, dx, dy, m_bu, m_bv);
  // The size of the numbers involved bounds how far the two ways of
  // computing can drift apart; the margin is far above that drift.
  const double far = std::max(std::fabs(dx), std::fabs(static_cast<double>(right - m_p.x)));
  const double mag = (far + std::fabs(dy)) * (std::fabs(m_du) + std::fabs(m_dv) + 1 / std::fabs(m_p.sx) +
                                               1 / std::fabs(m_p.sy)) +
                     std::fabs(m_bu) + std::fabs(m_bv) + std::abs(m_p.xo) + std::abs(m_p.yo) + 1;
  m_margin = mag * 1e-12;
}

namespace {

// Narrows [lo, hi] to the k for which b + k d can lie in [0, size), give or
// take slack in the value; conservative, so nothing inside is lost.
void ClipAxis(double b, double d, double slack, int64_t size, int64_t &lo, int64_t &hi) {
  if (lo > hi) return;
  const double end = static_cast<double>(size);
  if (!(std::isfinite(b) && std::isfinite(d))) return;  // no narrowing without numbers
  if (d == 0) {
    if (b < -slack || b >= end + slack) hi = lo - 1;
    return;
  }
  double k0 = (-slack - b) / d, k1 = (end + slack - b) / d;
  if (k0 > k1) std::swap(k0, k1);
  if (k0 > static_cast<double>(hi) + 1 || k1 < static_cast<double>(lo) - 1) {
    hi = lo - 1;
    return;
  }
  // One more column each side covers the rounding of the division.
  if (k0 > static_cast<double>(lo) + 1) lo = static_cast<int64_t>(std::floor(k0)) - 1;
  if (k1 < static_cast<double>(hi) - 1) hi = static_cast<int64_t>(std::ceil(k1)) + 1;
}

}  // namespace

void TMaskRowMap::Clip(int64_t &lo, int64_t &hi) const {
  const int64_t w = m_p.mask ? m_p.mask->Width() : 0, h = m_p.mask ? m_p.mask->Height() : 0;
  if (m_unscaled) {
    if (m_v0 < 0 || m_v0 >= h) {
      hi = lo - 1;
      return;
    }
    lo = std::max(lo, -m_u0);
    hi = std::min(hi, w - 1 - m_u0);
    return;
  }
  const double slack = m_margin + 1e-9;
  ClipAxis(m_bu, m_du, slack, w, lo, hi);
  ClipAxis(m_bv, m_dv, slack, h, lo, hi);
}

bool TMaskRowMap::MapSlow(int64_t k, int64_t &u, int64_t &v) const {
  return MapDirect(m_p, RTurn{m_c, m_s}, m_left + k, m_py, u, v);
}

namespace {

struct RSpan {
  int64_t left, top, right, bottom;
  bool Empty() const { return left > right || top > bottom; }
};

RSpan Normal(const RRect &r) {
  return RSpan{std::min<int64_t>(r.left, r.right), std::min<int64_t>(r.top, r.bottom),
               std::max<int64_t>(r.left, r.right), std::max<int64_t>(r.top, r.bottom)};
}

RSpan Meet(const RSpan &a, const RSpan &b) {
  return RSpan{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
}

}  // namespace

bool MaskMapPixel(const RMaskTransform &p, int64_t px, int64_t py, int64_t &u, int64_t &v) {
  return MapDirect(p, TurnOf(p.angle), px, py, u, v);
}

bool MaskHitPixel(const RMaskTransform &p, int64_t px, int64_t py) {
  int64_t u, v;
  return p.mask != nullptr && MaskMapPixel(p, px, py, u, v) && p.mask->Get(u, v);
}

bool CollisionPoint(const RMaskTransform &p, double x, double y) {
  return MaskHitPixel(p, RoundPixel(x), RoundPixel(y));
}

namespace {

// Every pixel of the span for which keep(px, py) holds is tested; true at
// the first hit.
template <typename Keep>
bool AnyHitIn(const RMaskTransform &p, const RSpan &span, Keep keep) {
  if (p.mask == nullptr || span.Empty()) return false;
  TMaskRowMap map(p);
  for (int64_t py = span.top; py <= span.bottom; ++py) {
    map.Start(py, span.left, span.right);
    int64_t lo = 0, hi = span.right - span.left;
    map.Clip(lo, hi);
    for (int64_t k = lo; k <= hi; ++k)
      if (keep(span.left + k, py) && map.Hit(k)) return true;
  }
  return false;
}

}  // namespace

bool CollisionRectangle(const RMaskTransform &p, const RRect &rect) {
  return AnyHitIn(p, Meet(Normal(p.box), Normal(rect)), [](int64_t, int64_t) { return true; });
}

bool CollisionEllipse(const RMaskTransform &p, const RRect &rect) {
  const RSpan r = Normal(rect);
  const double rx = (static_cast<double>(r.right) - r.left) / 2, ry = (static_cast<double>(r.bottom) - r.top) / 2;
  if (rx == 0 || ry == 0) return CollisionRectangle(p, rect);
  const double cx = r.left + rx, cy = r.top + ry;
  return AnyHitIn(p, Meet(Normal(p.box), r), [&](int64_t px, int64_t py) {
    const double a = (static_cast<double>(px) - cx) / rx, b = (static_cast<double>(py) - cy) / ry;
    return a * a + b * b <= 1;
  });
}

bool CollisionLine(const RMaskTransform &p, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (p.mask == nullptr) return false;
  if (x1 == x2 || y1 == y2) return CollisionRectangle(p, RRect{x1, y1, x2, y2});
  const RSpan box = Normal(p.box);
  const RTurn turn = TurnOf(p.angle);
  auto hit = [&](int64_t px, int64_t py) {
    int64_t u, v;
    return MapDirect(p, turn, px, py, u, v) && p.mask->Get(u, v);
  };
  const double dx = static_cast<double>(x2) - x1, dy = static_cast<double>(y2) - y1;
  if (std::fabs(dx) < std::fabs(dy)) {
    const int64_t from = std::max<int64_t>(box.top, std::min(y1, y2));
    const int64_t to = std::min<int64_t>(box.bottom, std::max(y1, y2));
    for (int64_t py = from; py <= to; ++py)
      if (hit(RoundPixel(x1 + (static_cast<double>(py) - y1) * dx / dy), py)) return true;
  } else {
    const int64_t from = std::max<int64_t>(box.left, std::min(x1, x2));
    const int64_t to = std::min<int64_t>(box.right, std::max(x1, x2));
    for (int64_t px = from; px <= to; ++px)
      if (hit(px, RoundPixel(y1 + (static_cast<double>(px) - x1) * dy / dx))) return true;
  }
  return false;
}

bool CollisionMask(const RMaskTransform &a, const RMaskTransform &b) {
  if (a.mask == nullptr || b.mask == nullptr) return false;
  if (a.Unscaled() && b.Unscaled()) return MaskCollisionUnscaled(a.Integer(), b.Integer());
  const RSpan span = Meet(Normal(a.box), Normal(b.box));
  if (span.Empty()) return false;
  TMaskRowMap ma(a), mb(b);
  for (int64_t py = span.top; py <= span.bottom; ++py) {
    ma.Start(py, span.left, span.right);
    mb.Start(py, span.left, span.right);
    int64_t lo = 0, hi = span.right - span.left;
    ma.Clip(lo, hi);
    mb.Clip(lo, hi);
    for (int64_t k = lo; k <= hi; ++k)
      if (ma.Hit(k) && mb.Hit(k)) return true;
  }
  return false;
}
