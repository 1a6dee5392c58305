#include "functions/Function_Motion.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "base/Support_Random.h"
#include "world/Instance_Class.h"
#include "world/Instance_Place.h"
#include "world/Room_Class.h"
#include "world/Room_Main.h"

namespace {

using fnarg::Bool;
using fnarg::Clamped;
using fnarg::Int;
using fnarg::Num;

constexpr double kNoDistance = 1000000;  // distance_to_object with nothing to measure to
constexpr int32_t kDefaultSteps = 1000;  // contact and outside moves without a limit
constexpr int32_t kRandomTries = 100;
constexpr int32_t kBounceTries = 35;     // turns of 10 degrees each way

// Free of solids, or (all) free of every instance.
bool FreeAt(CInstance &self, double x, double y, bool all) {
  return all ? Place_Empty(self, x, y) : Place_Free(self, x, y);
}

// --- places ----------------------------------------------------------------------

// Without an instance to ask for, nothing is met: free and empty, no meeting.
void F_PlaceFree(CInstance *self, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(self == nullptr || Place_Free(*self, Num(args[0]), Num(args[1])) ? 1 : 0);
}

void F_PlaceEmpty(CInstance *self, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(self == nullptr || Place_Empty(*self, Num(args[0]), Num(args[1])) ? 1 : 0);
}

void F_PlaceMeeting(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  const bool met = self != nullptr && Place_Instance(*self, other, Num(args[0]), Num(args[1]), Int(args[2]));
  result.SetReal(met ? 1 : 0);
}

// Whether v lies within 0.001 of a multiple of snap; any v when snap is not
// above 0.
bool Snapped(double v, double snap) { return !(snap > 0) || std::fabs(v - std::nearbyint(v / snap) * snap) < 0.001; }

void F_PlaceSnapped(CInstance *self, CInstance *, int, RValue *args, RValue &result) {
  const bool on = self != nullptr && Snapped(self->i_x, Num(args[0])) && Snapped(self->i_y, Num(args[1]));
  result.SetReal(on ? 1 : 0);
}

// --- moves ---------------------------------------------------------------------

double SnapTo(double v, double snap) { return snap > 0 ? std::nearbyint(v / snap) * snap : v; }

void F_MoveSnap(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self == nullptr) return;
  self->SetPosition(SnapTo(self->i_x, Num(args[0])), SnapTo(self->i_y, Num(args[1])));
}

// One coordinate of a random place: range start plus a draw below the
// range's length, snapped down to the grid when there is one.
double RandomCoordinate(double start, double length, int32_t snap) {
  const double draw = length >= 1 ? static_cast<double>(RandomBelow(static_cast<uint64_t>(length))) : 0;
  const double v = start + draw;
  return snap > 0 ? std::floor(v / snap) * snap : v;
}

void F_MoveRandom(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  const CRoom *room = Room_Current();
  if (self == nullptr || room == nullptr) return;
  const int32_t hsnap = Clamped(args[0]), vsnap = Clamped(args[1]);
  // With a sprite or mask the whole box stays in the room; the range's
  // length does not depend on the position, only its start does.
  double x0 = 0, y0 = 0, w = room->r_width, h = room->r_height;
  RSpriteGeometry g;
  if (Instance_SpriteGeometry(self->MaskSprite(), g)) {
    const RRect &b = self->i_bbox;
    x0 = std::nearbyint(self->i_x) - b.left;
    y0 = std::nearbyint(self->i_y) - b.top;
    w -= static_cast<double>(b.right) - b.left;
    h -= static_cast<double>(b.bottom) - b.top;
  }
  for (int32_t i = 0; i < kRandomTries; ++i) {
    const double x = RandomCoordinate(x0, w, hsnap);
    const double y = RandomCoordinate(y0, h, vsnap);
    if (Place_Free(*self, x, y)) {
      self->SetPosition(x, y);
      return;
    }
  }
}

void F_MoveTowardsPoint(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self == nullptr) return;
  self->SetHspeed(Num(args[0]) - self->i_x);
  self->SetVspeed(Num(args[1]) - self->i_y);
  self->SetSpeed(Num(args[2]));
}

// No move takes more one-pixel steps than this: a million pixels lie far
// outside any room, and a game-given distance (1e300, say) must not hang it.
constexpr int32_t kMostSteps = 1000000;

// The most one-pixel steps a contact or outside move takes.
int32_t StepLimit(const RValue &maxdist) {
  return Num(maxdist) > 0 ? std::min(Clamped(maxdist), kMostSteps) : kDefaultSteps;
}

// Steps towards dir while the next place is free; nothing when the current
// place is not free already.
void MoveContact(CInstance &self, double dir, int32_t limit, bool all) {
  if (!FreeAt(self, self.i_x, self.i_y, all)) return;
  const double dx = std::cos(Radians(dir)), dy = -std::sin(Radians(dir));
  for (int32_t i = 0; i < limit; ++i) {
    const double x = self.i_x + dx, y = self.i_y + dy;
    if (!FreeAt(self, x, y, all)) return;
    self.SetPosition(x, y);
  }
}

// Steps towards dir as long as the current place is not free.
void MoveOutside(CInstance &self, double dir, int32_t limit, bool all) {
  const double dx = std::cos(Radians(dir)), dy = -std::sin(Radians(dir));
  for (int32_t i = 0; i < limit && !FreeAt(self, self.i_x, self.i_y, all); ++i)
    self.SetPosition(self.i_x + dx, self.i_y + dy);
}

template <bool All>
void F_MoveContactBy(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self) MoveContact(*self, Num(args[0]), StepLimit(args[1]), All);
}

template <bool All>
void F_MoveOutsideBy(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self) MoveOutside(*self, Num(args[0]), StepLimit(args[1]), All);
}

// Into contact with solids when free of them, else out of them.
void F_MoveContact(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self == nullptr) return;
  if (Place_Free(*self, self->i_x, self->i_y)) MoveContact(*self, Num(args[0]), kDefaultSteps, false);
  else MoveOutside(*self, Num(args[0]), kDefaultSteps, false);
}

// Reverses hspeed, vspeed or both by which of the three places the speeds
// lead to (horizontal only, vertical only, both) are free.
void BounceSimple(CInstance &self, bool all) {
  const double x = self.i_x, y = self.i_y, hs = self.i_hspeed, vs = self.i_vspeed;
  const bool h = FreeAt(self, x + hs, y, all), v = FreeAt(self, x, y + vs, all);
  const bool d = FreeAt(self, x + hs, y + vs, all);
  if ((!h && !v) || (h && v && !d)) {
    self.SetHspeed(-hs);
    self.SetVspeed(-vs);
  } else if (!h) {
    self.SetHspeed(-hs);
  } else if (!v) {
    self.SetVspeed(-vs);
  }
}

// Looks for the free directions nearest to the motion on either side, 10
// degrees at a time, and leaves along the mirror of the motion between
// them; unchanged when the first turn each way is free.
void BounceAdvanced(CInstance &self, bool all, bool collided) {
  const double m = std::nearbyint(self.i_direction / 10) * 10, sp = self.i_speed;
  const auto freeTowards = [&](double a) {
    return FreeAt(self, self.i_x + std::cos(Radians(a)) * sp, self.i_y - std::sin(Radians(a)) * sp, all);
  };
  double o = m, r = m;
  for (int32_t i = 1; i <= kBounceTries; ++i) {
    o = m - 10.0 * i;
    if (freeTowards(o)) break;
    collided = true;
  }
  for (int32_t i = 1; i <= kBounceTries; ++i) {
    r = m + 10.0 * i;
    if (freeTowards(r)) break;
    collided = true;
  }
  if (collided) self.SetDirection(o + r + 180 - m);
}

void Bounce(CInstance &self, bool advanced, bool all) {
  bool collided = false;
  if (!FreeAt(self, self.i_x, self.i_y, all)) {
    self.SetPosition(self.i_xprevious, self.i_yprevious);
    collided = true;
  }
  if (advanced) BounceAdvanced(self, all, collided);
  else BounceSimple(self, all);
}

template <bool All>
void F_MoveBounce(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self) Bounce(*self, Bool(args[0]), All);
}

// A coordinate that left [-margin, size + margin] re-enters from the other
// side.
double Wrap(double v, double size, double margin) {
  if (v < -margin) return v + size + 2 * margin;
  if (v > size + margin) return v - size - 2 * margin;
  return v;
}

void F_MoveWrap(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  const CRoom *room = Room_Current();
  if (self == nullptr || room == nullptr) return;
  const double margin = Num(args[2]);
  const double x = Bool(args[0]) ? Wrap(self->i_x, room->r_width, margin) : self->i_x;
  const double y = Bool(args[1]) ? Wrap(self->i_y, room->r_height, margin) : self->i_y;
  self->SetPosition(x, y);
}

void F_MotionSet(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self == nullptr) return;
  self->SetDirection(Num(args[0]));
  self->SetSpeed(Num(args[1]));
}

void F_MotionAdd(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self) self->AddTo_Speed(Num(args[0]), Num(args[1]));
}

// --- distances -------------------------------------------------------------------

// How far v lies outside [lo, hi] (0 inside).
double Outside(double v, double lo, double hi) {
  if (v > hi) return v - hi;
  if (v < lo) return v - lo;
  return 0;
}

void F_DistanceToPoint(CInstance *self, CInstance *, int, RValue *args, RValue &result) {
  if (self == nullptr) return;
  const RRect &b = self->i_bbox;
  const double dx = Outside(Num(args[0]), b.left, b.right), dy = Outside(Num(args[1]), b.top, b.bottom);
  result.SetReal(std::sqrt(dx * dx + dy * dy));
}

// The gap between two boxes along one axis (0 when they overlap on it).
double Gap(int32_t lo1, int32_t hi1, int32_t lo2, int32_t hi2) {
  if (hi1 < lo2) return static_cast<double>(lo2) - hi1;
  if (hi2 < lo1) return static_cast<double>(hi2) - lo1;
  return 0;
}

void F_DistanceToObject(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  double best = kNoDistance;
  if (self != nullptr) {
    const RRect &a = self->i_bbox;
    Instance_ForEachMatch(self, other, Int(args[0]), [&](CInstance *inst) {
      if (inst == self) return true;
      const RRect &b = inst->i_bbox;
      const double dx = Gap(a.left, a.right, b.left, b.right), dy = Gap(a.top, a.bottom, b.top, b.bottom);
      best = std::min(best, std::sqrt(dx * dx + dy * dy));
      return true;
    });
  }
  result.SetReal(best);
}

// --- instances meeting shapes -------------------------------------------------------

// The id of the first instance matching ref that hit() accepts, self left
// out when notme is set; noone when none.
// Only instances whose boxes reach into the shape's extent (x1, y1, x2, y2)
// can be hit.
template <class Hit>
void FirstHit(CInstance *self, CInstance *other, const RValue &ref, const RValue &notme, double x1, double y1,
              double x2, double y2, RValue &result, Hit hit) {
  const bool skipSelf = Bool(notme);
  RPixelRegion region;
  result.SetReal(Instance_IdOrNoone(
      Instance_FirstMatchIn(self, other, Int(ref), Instance_ShapeRegion(x1, y1, x2, y2, region),
                            [&](CInstance *inst) { return !(skipSelf && inst == self) && hit(*inst); })));
}

void F_CollisionPoint(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  const double x = Num(args[0]), y = Num(args[1]);
  const bool prec = Bool(args[3]);
  FirstHit(self, other, args[2], args[4], x, y, x, y, result,
           [&](const CInstance &i) { return i.Collision_Point(x, y, prec); });
}

// The functions over a shape given by two corners: (x1, y1, x2, y2, obj,
// prec, notme).
template <bool (CInstance::*Test)(double, double, double, double, bool) const>
void F_CollisionShape(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  const double x1 = Num(args[0]), y1 = Num(args[1]), x2 = Num(args[2]), y2 = Num(args[3]);
  const bool prec = Bool(args[5]);
  FirstHit(self, other, args[4], args[6], x1, y1, x2, y2, result,
           [&](const CInstance &i) { return (i.*Test)(x1, y1, x2, y2, prec); });
}

void F_CollisionCircle(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  const double xc = Num(args[0]), yc = Num(args[1]), r = Num(args[2]);
  const bool prec = Bool(args[4]);
  FirstHit(self, other, args[3], args[5], xc - r, yc - r, xc + r, yc + r, result,
           [&](const CInstance &i) { return i.Collision_Ellipse(xc - r, yc - r, xc + r, yc + r, prec); });
}

}  // namespace

void Function_Motion_Init() {
  FunctionAdd("place_free", F_PlaceFree, 2);
  FunctionAdd("place_empty", F_PlaceEmpty, 2);
  FunctionAdd("place_meeting", F_PlaceMeeting, 3);
  FunctionAdd("place_snapped", F_PlaceSnapped, 2);
  FunctionAdd("move_snap", F_MoveSnap, 2);
  FunctionAdd("move_random", F_MoveRandom, 2);
  FunctionAdd("move_towards_point", F_MoveTowardsPoint, 3);
  FunctionAdd("move_contact", F_MoveContact, 1);
  FunctionAdd("move_contact_solid", F_MoveContactBy<false>, 2);
  FunctionAdd("move_contact_all", F_MoveContactBy<true>, 2);
  FunctionAdd("move_outside_solid", F_MoveOutsideBy<false>, 2);
  FunctionAdd("move_outside_all", F_MoveOutsideBy<true>, 2);
  FunctionAdd("move_bounce", F_MoveBounce<false>, 1);
  FunctionAdd("move_bounce_solid", F_MoveBounce<false>, 1);
  FunctionAdd("move_bounce_all", F_MoveBounce<true>, 1);
  FunctionAdd("move_wrap", F_MoveWrap, 3);
  FunctionAdd("motion_set", F_MotionSet, 2);
  FunctionAdd("motion_add", F_MotionAdd, 2);
  FunctionAdd("distance_to_point", F_DistanceToPoint, 2);
  FunctionAdd("distance_to_object", F_DistanceToObject, 1);
  FunctionAdd("collision_point", F_CollisionPoint, 5);
  FunctionAdd("collision_rectangle", F_CollisionShape<&CInstance::Collision_Rectangle>, 7);
  FunctionAdd("collision_ellipse", F_CollisionShape<&CInstance::Collision_Ellipse>, 7);
  FunctionAdd("collision_circle", F_CollisionCircle, 6);
  FunctionAdd("collision_line", F_CollisionShape<&CInstance::Collision_Line>, 7);
}
