// TMask: the collision mask of one sprite image (or of all images of a
// sprite that shares one mask): a grid of set pixels of the image's size and
// the bounding box around what counts for collisions.
//
// Each row is kept as 64-bit words, pixel x of a row in bit x % 64 of word
// x / 64, so that two masks can be compared a word at a time; bits past the
// width of a row are always clear.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

class CStream;
class TBitmap32;

// A box of whole pixels, edges included.
struct RRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// A room coordinate as a whole pixel: rounded halves to even and held to
// the 32-bit range, so that a position far outside every room (or one that
// is not a number, which gives 0) still gives a pixel instead of a fault.
int32_t RoundPixel(double v);

// How pixels are chosen when a mask is built from an image.
enum TMaskKind : int32_t {
  kMaskPrecise = 0,    // pixels whose alpha is above the tolerance
  kMaskRectangle = 1,  // the whole box
  kMaskEllipse = 2,    // the ellipse inside the box
  kMaskDiamond = 3,    // the diamond inside the box
};

// Which box a mask built from an image gets.
enum TMaskBoxMode : int32_t {
  kBoxAutomatic = 0,  // around the pixels whose alpha is above the tolerance
  kBoxFullImage = 1,
  kBoxManual = 2,     // the given box, clipped to the image
};

class TMask {
public:
  // The empty mask: size 0, box (0, 0, 0, 0).
  TMask() = default;
  // Built from an image; an empty image gives the empty mask. Kinds and box
  // modes outside the known values count as precise and automatic.
  TMask(const TBitmap32 &bm, int32_t tolerance, int32_t kind, const RRect &bbox, int32_t bbmode);

  // Adds one more image to a shared mask: the box becomes the union of both
  // boxes; precise masks take every pixel set in either (over the size both
  // share), the shaped kinds are redrawn over the whole union box.
  void Merge(const TBitmap32 &bm, int32_t bbmode, int32_t tolerance, int32_t kind, const RRect &bbox);

  // The record inside a sprite record: version, width, height, the box as
  // left, right, bottom, top, then one boolean per pixel, row by row. A
  // version other than 800 leaves the mask empty and reads nothing more
  // (that is not a failure); a negative size or pixels beyond the end of the
  // stream answer false.
  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;

  int32_t Width() const { return i_w; }
  int32_t Height() const { return i_h; }
  const RRect &BoundingBox() const { return i_bbox; }
  void SetBoundingBox(const RRect &box) { i_bbox = box; }

  // Pixel (x, y); false outside the grid.
  bool Get(int64_t x, int64_t y) const {
    if (x < 0 || y < 0 || x >= i_w || y >= i_h) return false;
    return (Row(y)[x >> 6] >> (x & 63)) & 1u;
  }
  void Set(int32_t x, int32_t y, bool on);

  // The words of row y (WordsPerRow() of them).
  const uint64_t *Row(int64_t y) const { return m_bits.data() + static_cast<size_t>(y) * m_stride; }
  int32_t WordsPerRow() const { return m_stride; }
  // Up to 64 pixels of row y starting at column x (x may be negative or
  // reach past the width: those pixels are clear), pixel x in bit 0.
  uint64_t Bits(int64_t y, int64_t x, int count) const;

  bool operator==(const TMask &o) const {
    return i_w == o.i_w && i_h == o.i_h && i_bbox.left == o.i_bbox.left && i_bbox.top == o.i_bbox.top &&
           i_bbox.right == o.i_bbox.right && i_bbox.bottom == o.i_bbox.bottom && m_bits == o.m_bits;
  }

private:
  void Resize(int32_t w, int32_t h);
  // Draws the kind over box (clipped to the grid); precise takes its pixels
  // from bm, the other kinds set or clear by their shape.
  void Fill(const TBitmap32 &bm, int32_t tolerance, int32_t kind, const RRect &box);

  int32_t i_w = 0;
  int32_t i_h = 0;
  RRect i_bbox{0, 0, 0, 0};
  int32_t m_stride = 0;
  std::vector<uint64_t> m_bits;
};

// Where a mask lies in the room for an unrotated, unscaled placement: room
// pixel (px, py) is mask pixel (px - x, py - y), so (x, y) is the instance's
// rounded position minus the sprite origin. box is the instance's bounding
// box in room pixels (inclusive).
struct RMaskPlacement {
  const TMask *mask = nullptr;
  int32_t x = 0, y = 0;
  RRect box;
};

// True when some room pixel inside both boxes is set in both masks.
bool MaskCollisionUnscaled(const RMaskPlacement &a, const RMaskPlacement &b);
// True when the room pixel lies inside the box and is set in the mask.
bool MaskPointUnscaled(const RMaskPlacement &a, int32_t px, int32_t py);

// Where a mask lies in the room for any placement: the instance's position
// rounded to whole pixels, the sprite origin, the scales and the angle in
// degrees (counter-clockwise on screen). box is the instance's bounding box
// in room pixels (inclusive); the tests below never look outside it.
//
// Room pixel (px, py) falls on mask pixel (u, v), with dx = px - x and
// dy = py - y:
//   angle 0, scales 1:  u = dx + xo, v = dy + yo;
//   angle 0, scaled:    u = floor(dx / sx + xo), v = floor(dy / sy + yo);
//   turned (t = -angle in radians, c = cos t, s = sin t):
//     u = floor(xo + (dx c + dy s) / sx), v = floor(yo + (c dy - dx s) / sy).
// Quarter turns take exact cosines and sines (0 and 1), so that a sprite
// turned by 90 degrees shows every pixel of its mask.
// A pixel hits when (u, v) lies inside the grid and is set there.
struct RMaskTransform {
  const TMask *mask = nullptr;
  int32_t x = 0, y = 0;
  int32_t xo = 0, yo = 0;
  double sx = 1, sy = 1, angle = 0;
  RRect box;

  bool Unscaled() const { return sx == 1 && sy == 1 && angle == 0; }
  // The same placement for the integer tests; only meaningful when Unscaled().
  RMaskPlacement Integer() const;
};

// The mask pixel a room pixel falls on, by the formulas above computed
// directly for that pixel; false when the mapping gives no number (a scale
// of 0). The tests below must agree with it pixel for pixel.
bool MaskMapPixel(const RMaskTransform &p, int64_t px, int64_t py, int64_t &u, int64_t &v);
// True when the room pixel is set in the placed mask (no box test).
bool MaskHitPixel(const RMaskTransform &p, int64_t px, int64_t py);

// Maps the pixels of one room row at a time, giving exactly the pixels of
// MaskMapPixel. The unscaled placement moves one mask pixel per room pixel.
// Any other placement moves by constant steps along a row; the stepped
// value can differ from the direct formula in its last bits, so where it
// lies so close to a whole number that the floor could come out otherwise,
// the pixel is mapped directly instead.
class TMaskRowMap {
public:
  explicit TMaskRowMap(const RMaskTransform &p);

  // Row py from column left to column right (inclusive).
  void Start(int64_t py, int64_t left, int64_t right);

  // The mask pixel of column left + k of the row; false when the mapping
  // gives no number.
  bool Map(int64_t k, int64_t &u, int64_t &v) const {
    if (m_unscaled) {
      u = m_u0 + k;
      v = m_v0;
      return true;
    }
    const double fu = m_bu + static_cast<double>(k) * m_du, fv = m_bv + static_cast<double>(k) * m_dv;
    const double flu = std::floor(fu), flv = std::floor(fv);
    const double ru = fu - flu, rv = fv - flv;
    if (ru > m_margin && ru < 1 - m_margin && rv > m_margin && rv < 1 - m_margin && std::fabs(flu) < 1e15 &&
        std::fabs(flv) < 1e15) {
      u = static_cast<int64_t>(flu);
      v = static_cast<int64_t>(flv);
      return true;
    }
    return MapSlow(k, u, v);
  }

  bool Hit(int64_t k) const {
    int64_t u, v;
    return Map(k, u, v) && m_p.mask->Get(u, v);
  }

  // Narrows [lo, hi] (columns of the row as k) to the columns that can
  // fall inside the mask's grid: every column left out maps outside it.
  // The range comes out empty (lo > hi) when no column can.
  void Clip(int64_t &lo, int64_t &hi) const;

private:
  bool MapSlow(int64_t k, int64_t &u, int64_t &v) const;

  const RMaskTransform &m_p;
  bool m_unscaled;
  double m_c = 1, m_s = 0;
  double m_du = 1, m_dv = 0;
  int64_t m_py = 0, m_left = 0;
  int64_t m_u0 = 0, m_v0 = 0;
  double m_bu = 0, m_bv = 0, m_margin = 0;
};

// The point is rounded to whole pixels (halves to even) and tested.
bool CollisionPoint(const RMaskTransform &p, double x, double y);
// Any pixel of the rectangle (inclusive, corners in any order) inside the
// box that hits.
bool CollisionRectangle(const RMaskTransform &p, const RRect &rect);
// Like the rectangle, but only pixels inside the ellipse the rectangle
// bounds; a rectangle without width or height is tested as a rectangle.
bool CollisionEllipse(const RMaskTransform &p, const RRect &rect);
// The pixels along the segment inside the box: a flat segment is walked one
// column at a time, a steep one one row at a time; a horizontal or vertical
// one is the rectangle it spans.
bool CollisionLine(const RMaskTransform &p, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// True when some room pixel inside both boxes hits in both masks.
bool CollisionMask(const RMaskTransform &a, const RMaskTransform &b);
