// The collision tests of an instance: the bounding box first, then, for
// ellipses and lines, a cheap second look at the shape, and last, when
// asked for precision, the mask of the current image placed as the
// instance is drawn.
#include <algorithm>
#include <cmath>

#include "world/Instance_Class.h"
#include "data/Sprite_Mask.h"

namespace {

// floor(imageindex) as an image number the sprite can wrap; an index that
// is not a number counts as image 0.
int64_t ImageOf(double imageindex) {
  const double f = std::floor(imageindex);
  if (!(f == f)) return 0;
  return static_cast<int64_t>(std::clamp(f, -1e18, 1e18));
}

// Where the instance's mask lies; false when it has none (no mask sprite,
// a sprite without images, or one without masks).
bool MaskOf(const CInstance &inst, RMaskTransform &out) {
  const int32_t sprite = inst.MaskSprite();
  RSpriteGeometry g;
  if (!Instance_SpriteGeometry(sprite, g) || g.count <= 0) return false;
  out.mask = Instance_SpriteMask(sprite, ImageOf(inst.i_imageindex));
  if (out.mask == nullptr) return false;
  out.x = RoundPixel(inst.i_x);
  out.y = RoundPixel(inst.i_y);
  out.xo = g.xorigin;
  out.yo = g.yorigin;
  out.sx = inst.i_imagescalex;
  out.sy = inst.i_imagescaley;
  out.angle = inst.i_imageangle;
  out.box = inst.i_bbox;
  return true;
}

// The box covers [Left, Right + 1) x [Top, Bottom + 1) of the room's real
// coordinates.
double BoxEnd(int32_t inclusive) { return static_cast<double>(inclusive) + 1; }

// A shape's extent reaches into the box.
bool ShapeMeetsBox(const RRect &b, double x1, double y1, double x2, double y2) {
  return std::min(x1, x2) < BoxEnd(b.right) && std::max(x1, x2) >= b.left && std::min(y1, y2) < BoxEnd(b.bottom) &&
         std::max(y1, y2) >= b.top;
}

RRect RoundRect(double x1, double y1, double x2, double y2) {
  const int32_t l = RoundPixel(x1), t = RoundPixel(y1), r = RoundPixel(x2), b = RoundPixel(y2);
  return RRect{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
}

}  // namespace

bool CInstance::Collision_Point(double x, double y, bool prec) const {
  if (i_marked) return false;
  const RRect &b = i_bbox;
  if (!(x < BoxEnd(b.right) && x >= b.left && y < BoxEnd(b.bottom) && y >= b.top)) return false;
  if (!prec) return true;
  RMaskTransform m;
  return MaskOf(*this, m) && CollisionPoint(m, x, y);
}

bool CInstance::Collision_Rectangle(double x1, double y1, double x2, double y2, bool prec) const {
  if (i_marked || !ShapeMeetsBox(i_bbox, x1, y1, x2, y2)) return false;
  if (!prec) return true;
  RMaskTransform m;
  return MaskOf(*this, m) && CollisionRectangle(m, RoundRect(x1, y1, x2, y2));
}

bool CInstance::Collision_Ellipse(double x1, double y1, double x2, double y2, bool prec) const {
  if (i_marked || !ShapeMeetsBox(i_bbox, x1, y1, x2, y2)) return false;
  const RRect r = RoundRect(x1, y1, x2, y2);
  // An ellipse without width or height is its rectangle.
  if (r.left == r.right || r.top == r.bottom) return Collision_Rectangle(x1, y1, x2, y2, prec);
  // When the centre lies beside the box on both axes, the ellipse can only
  // reach the box through one of its corners.
  const RRect &b = i_bbox;
  const double cx = (static_cast<double>(r.left) + r.right) / 2, cy = (static_cast<double>(r.top) + r.bottom) / 2;
  const double rx = (static_cast<double>(r.right) - r.left) / 2, ry = (static_cast<double>(r.bottom) - r.top) / 2;
  if ((cx < b.left || cx > b.right) && (cy < b.top || cy > b.bottom)) {
    auto inside = [&](double px, double py) {
      const double u = (px - cx) / rx, v = (py - cy) / ry;
      return u * u + v * v <= 1;
    };
    if (!inside(b.left, b.top) && !inside(b.right, b.top) && !inside(b.left, b.bottom) && !inside(b.right, b.bottom))
      return false;
  }
  if (!prec) return true;
  RMaskTransform m;
  return MaskOf(*this, m) && CollisionEllipse(m, r);
}

bool CInstance::Collision_Line(double x1, double y1, double x2, double y2, bool prec) const {
  if (i_marked || !ShapeMeetsBox(i_bbox, x1, y1, x2, y2)) return false;
  if (x2 < x1) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  // Only the part of the line above or below the box's columns can touch it.
  const RRect &b = i_bbox;
  if (x1 != x2) {
    const double slope = (y2 - y1) / (x2 - x1);
    const double left = b.left, right = BoxEnd(b.right);
    if (x1 < left) {
      y1 += (left - x1) * slope;
      x1 = left;
    }
    if (x2 > right) {
      y2 -= (x2 - right) * slope;
      x2 = right;
    }
  }
  if ((y1 < b.top && y2 < b.top) || (y1 >= BoxEnd(b.bottom) && y2 >= BoxEnd(b.bottom))) return false;
  if (!prec) return true;
  RMaskTransform m;
  return MaskOf(*this, m) && CollisionLine(m, RoundPixel(x1), RoundPixel(y1), RoundPixel(x2), RoundPixel(y2));
}

bool CInstance::Collision_Instance(const CInstance &inst, bool prec) const {
  if (&inst == this || i_marked || inst.i_marked) return false;
  const RRect &a = i_bbox, &b = inst.i_bbox;
  if (int64_t{a.left} >= int64_t{b.right} + 1 || int64_t{b.left} >= int64_t{a.right} + 1 ||
      int64_t{a.top} >= int64_t{b.bottom} + 1 || int64_t{b.top} >= int64_t{a.bottom} + 1)
    return false;
  if (!prec) return true;
  RMaskTransform ma, mb;
  return MaskOf(*this, ma) && MaskOf(inst, mb) && CollisionMask(ma, mb);
}
