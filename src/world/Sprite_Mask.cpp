#include "world/Sprite_Mask.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "graphics/BM32_Bitmap.h"
#include "runner/Support_Stream.h"

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
