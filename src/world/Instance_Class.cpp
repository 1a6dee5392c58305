#include "world/Instance_Class.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "world/Object_Main.h"
#include "base/Support_Wiring.h"

namespace {

TSpriteGeometryFn s_spriteGeometry = nullptr;
TSpriteMaskFn s_spriteMask = nullptr;

constexpr double kSnap = 0.0001;

// The nearest whole number when v lies within 0.0001 of it, else v. Whole
// results are +0 rather than -0, as an integer would be.
double Snap(double v) {
  const double n = std::nearbyint(v);
  return std::fabs(v - n) < kSnap ? n + 0.0 : v;
}

double ClampUnit(double v) {
  if (!(v == v)) return 0;
  return std::clamp(v, 0.0, 1.0);
}

}  // namespace

const CWiringHook kGeometryHook("world: sprite geometry of instances", [] { return s_spriteGeometry != nullptr; });
const CWiringHook kMaskHook("world: collision masks of instances", [] { return s_spriteMask != nullptr; });

void Instance_SetSpriteGeometry(TSpriteGeometryFn fn) { s_spriteGeometry = fn; }

void Instance_SetSpriteMask(TSpriteMaskFn fn) { s_spriteMask = fn; }

const TMask *Instance_SpriteMask(int32_t sprite, int64_t image) {
  return s_spriteMask != nullptr && sprite >= 0 ? s_spriteMask(sprite, image) : nullptr;
}

bool Instance_SpriteGeometry(int32_t sprite, RSpriteGeometry &out) {
  return s_spriteGeometry != nullptr && sprite >= 0 && s_spriteGeometry(sprite, out);
}

void CInstance::Create(double x, double y, int32_t id, int32_t objectind) {
  Assign(CInstance());
  SetObjectIndex(objectind);
  i_x = i_xstart = i_xprevious = x;
  i_y = i_ystart = i_yprevious = y;
  i_id = id;
  i_vars.Clear();
  ComputeBoundingBox();
}

void CInstance::Assign(const CInstance &inst) {
  if (&inst == this) return;
  *this = inst;
  BoxChanged();
}

void CInstance::SetPosition(double x, double y) {
  if (x == i_x && y == i_y) return;
  i_x = x;
  i_y = y;
  SetBox(BoxAt(x, y));
}

void CInstance::SetSpriteIndex(int32_t sprite) {
  i_spriteindex = sprite;
  RSpriteGeometry g;
  const int32_t count = Instance_SpriteGeometry(sprite, g) ? g.count : 0;
  if (!(std::floor(i_imageindex) < count)) i_imageindex = 0;
  ComputeBoundingBox();
}

void CInstance::SetMaskIndex(int32_t mask) {
  i_maskindex = mask;
  ComputeBoundingBox();
}

void CInstance::SetObjectIndex(int32_t objectind) {
  i_objectindex = objectind;
  i_object = ObjectGet(objectind);
  if (i_object != nullptr) {
    SetSpriteIndex(i_object->o_spriteindex);
    i_maskindex = i_object->o_mask;
    i_depth = i_object->o_depth;
    i_solid = i_object->o_solid;
    i_visible = i_object->o_visible;
    i_persistent = i_object->o_persistent;
  }
  ComputeBoundingBox();
}

void CInstance::SetImageScaleX(double v) {
  if (v == i_imagescalex) return;
  i_imagescalex = v;
  ComputeBoundingBox();
}

void CInstance::SetImageScaleY(double v) {
  if (v == i_imagescaley) return;
  i_imagescaley = v;
  ComputeBoundingBox();
}

void CInstance::SetImageAngle(double v) {
  if (v == i_imageangle) return;
  i_imageangle = v;
  ComputeBoundingBox();
}

namespace {

// hspeed and vspeed from direction and speed.
void DeriveSpeeds(CInstance &inst) {
  const double r = Radians(inst.i_direction);
  inst.i_hspeed = Snap(std::cos(r) * inst.i_speed);
  inst.i_vspeed = Snap(-std::sin(r) * inst.i_speed);
}

// A direction in [0, 360). A direction that is not a finite number (it can
// only come from broken arithmetic) becomes 0 so that it cannot spread into
// the speeds and the position.
double ReduceDirection(double d) {
  if (!std::isfinite(d)) return 0;
  d -= std::floor(d / 360.0) * 360.0;
  return d >= 360.0 || d < 0 ? 0 : d;
}

// direction and speed from hspeed and vspeed.
void DeriveDirection(CInstance &inst) {
  const double h = inst.i_hspeed, v = inst.i_vspeed;
  double dir;
  if (h == 0) {
    dir = v > 0 ? 270 : (v < 0 ? 90 : 0);
  } else {
    const double a = std::atan2(v, h) * 180.0 / std::numbers::pi;
    dir = a > 0 ? 360 - a : -a;
  }
  inst.i_direction = ReduceDirection(Snap(dir));
  inst.i_speed = Snap(std::sqrt(h * h + v * v));
}

}  // namespace

void CInstance::SetDirection(double v) {
  if (v == i_direction) return;
  i_direction = ReduceDirection(v);
  DeriveSpeeds(*this);
}

void CInstance::SetSpeed(double v) {
  if (v == i_speed) return;
  i_speed = v;
  DeriveSpeeds(*this);
}

void CInstance::SetHspeed(double v) {
  if (v == i_hspeed) return;
  i_hspeed = v;
  DeriveDirection(*this);
}

void CInstance::SetVspeed(double v) {
  if (v == i_vspeed) return;
  i_vspeed = v;
  DeriveDirection(*this);
}

void CInstance::SetPathPosition(double v) { i_pathposition = ClampUnit(v); }

void CInstance::SetPathPositionPrevious(double v) { i_pathpositionprevious = ClampUnit(v); }

int32_t CInstance::ImageNumber() const {
  RSpriteGeometry g;
  return Instance_SpriteGeometry(i_spriteindex, g) ? g.count : 0;
}

void CInstance::ComputeBoundingBox() { SetBox(BoxAt(i_x, i_y)); }

RRect CInstance::BoxAt(double x, double y) const {
  RSpriteGeometry g;
  if (MaskSprite() < 0 || !Instance_SpriteGeometry(MaskSprite(), g)) return RRect{kNoBox, kNoBox, kNoBox, kNoBox};
  const double sx = i_imagescalex, sy = i_imagescaley;
  const double xo = g.xorigin, yo = g.yorigin;
  if (i_imageangle == 0) {
    RRect b;
    b.left = RoundPixel((g.left - xo) * sx + x);
    b.right = RoundPixel((g.right - xo + 1) * sx + x - 1);
    b.top = RoundPixel((g.top - yo) * sy + y);
    b.bottom = RoundPixel((g.bottom - yo + 1) * sy + y - 1);
    // Negative scales mirror the box.
    if (b.right < b.left) std::swap(b.left, b.right);
    if (b.bottom < b.top) std::swap(b.top, b.bottom);
    return b;
  }
  const double x1 = (std::min(g.left, g.right) - xo) * sx;
  const double x2 = (std::max(g.left, g.right) - xo + 1) * sx - 1;
  const double y1 = (std::min(g.top, g.bottom) - yo) * sy;
  const double y2 = (std::max(g.top, g.bottom) - yo + 1) * sy - 1;
  const double r = Radians(i_imageangle);
  const double c = std::cos(r), s = std::sin(r);
  RRect b;
  b.left = RoundPixel(x + std::min(c * x1, c * x2) + std::min(s * y1, s * y2));
  b.right = RoundPixel(x + std::max(c * x1, c * x2) + std::max(s * y1, s * y2));
  b.top = RoundPixel(y + std::min(c * y1, c * y2) - std::max(s * x1, s * x2));
  b.bottom = RoundPixel(y + std::max(c * y1, c * y2) - std::min(s * x1, s * x2));
  return b;
}

void CInstance::AddTo_Speed(double dir, double amount) {
  const double r = Radians(dir);
  i_hspeed += std::cos(r) * amount;
  i_vspeed -= std::sin(r) * amount;
  DeriveDirection(*this);
}

void CInstance::Adapt_Speed() {
  if (i_friction != 0) {
    const double s = i_speed;
    const double n = s > 0 ? s - i_friction : s + i_friction;
    if ((s > 0 && n < 0) || (s < 0 && n > 0))
      SetSpeed(0);
    else if (s != 0)
      SetSpeed(n);
  }
  if (i_gravity != 0) AddTo_Speed(i_gravitydir, i_gravity);
}

double PointDirection(double dx, double dy) {
  double dir;
  if (dx != 0) {
    const double a = std::atan2(dy, dx) * (180.0 / std::numbers::pi);
    dir = a > 0 ? 360 - a : -a;
  } else {
    dir = dy > 0 ? 270 : (dy < 0 ? 90 : 0);
  }
  return dir + 0.0;  // never -0
}
