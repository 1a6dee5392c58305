#include "world/Motion_Potential.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "world/Instance_Class.h"
#include "world/Instance_Place.h"
#include "world/Path_Class.h"
#include "world/Path_Main.h"

RPotentialSettings g_PotentialSettings;

namespace {

bool FreeFor(CInstance &self, const RObstacles &ob, double x, double y) {
  if (ob.ref != kRefAll) return Place_Instance(self, ob.other, x, y, ob.ref) == nullptr;
  return ob.checkall ? Place_Empty(self, x, y) : Place_Free(self, x, y);
}

bool AtGoal(const CInstance &self, double gx, double gy) { return self.i_x == gx && self.i_y == gy; }

void MoveTo(CInstance &self, double x, double y) {
  self.SetDirection(PointDirection(x - self.i_x, y - self.i_y));
  self.SetPosition(x, y);
}

// Tries to go stepsize along direction a: a must lie within maxrot of the
// current direction, and both the place ahead (ahead steps away) and the
// step's end must be free.
bool TryDirection(CInstance &self, const RObstacles &ob, double a, double stepsize) {
  const RPotentialSettings &s = g_PotentialSettings;
  double turn = std::fmod(std::fabs(a - self.i_direction), 360.0);
  if (turn > 180) turn = 360 - turn;
  if (!(turn <= s.maxrot)) return false;
  const double c = std::cos(Radians(a)), n = std::sin(Radians(a));
  if (!FreeFor(self, ob, self.i_x + c * s.ahead * stepsize, self.i_y - n * s.ahead * stepsize)) return false;
  const double x = self.i_x + c * stepsize, y = self.i_y - n * stepsize;
  if (!FreeFor(self, ob, x, y)) return false;
  self.SetDirection(a);
  self.SetPosition(x, y);
  return true;
}

// Where the instance stands and how it moves, to be put back after planning
// exactly as it was (the speeds too, which a direction set again would only
// approximate).
class CSavedMotion {
public:
  explicit CSavedMotion(CInstance &inst)
      : m_inst(inst), m_x(inst.i_x), m_y(inst.i_y), m_dir(inst.i_direction), m_speed(inst.i_speed),
        m_hspeed(inst.i_hspeed), m_vspeed(inst.i_vspeed) {}
  ~CSavedMotion() {
    m_inst.SetPosition(m_x, m_y);
    m_inst.i_direction = m_dir;
    m_inst.i_speed = m_speed;
    m_inst.i_hspeed = m_hspeed;
    m_inst.i_vspeed = m_vspeed;
  }
  CSavedMotion(const CSavedMotion &) = delete;
  CSavedMotion &operator=(const CSavedMotion &) = delete;

private:
  CInstance &m_inst;
  double m_x, m_y, m_dir, m_speed, m_hspeed, m_vspeed;
};

// Fills the path with the planned points: straight and open.
void StorePlan(CPath &path, std::vector<RWayPoint> points) {
  path.SetKind(CPath::kStraight);
  path.SetClosed(false);
  path.SetPoints(std::move(points));
}

}  // namespace

bool Motion_LinearStep(CInstance &self, const RObstacles &ob, double gx, double gy, double stepsize) {
  if (AtGoal(self, gx, gy)) return true;
  const double dx = gx - self.i_x, dy = gy - self.i_y, dist = std::sqrt(dx * dx + dy * dy);
  double tx = gx, ty = gy;
  const bool reached = !(dist > stepsize);
  if (!reached) {
    tx = self.i_x + dx * stepsize / dist;
    ty = self.i_y + dy * stepsize / dist;
  }
  if (FreeFor(self, ob, tx, ty)) MoveTo(self, tx, ty);
  return reached;
}

bool Motion_PotentialStep(CInstance &self, const RObstacles &ob, double gx, double gy, double stepsize) {
  if (AtGoal(self, gx, gy)) return true;
  const double dx = gx - self.i_x, dy = gy - self.i_y;
  if (std::sqrt(dx * dx + dy * dy) <= stepsize) {
    if (FreeFor(self, ob, gx, gy)) MoveTo(self, gx, gy);
    return true;
  }
  const RPotentialSettings &s = g_PotentialSettings;
  const double g = PointDirection(gx - self.i_x, gy - self.i_y);
  // The turns are tried from the goal's direction outwards, right before
  // left; no turn at all is tried once.
  for (double turn = 0; turn < 180; turn += s.rotstep) {
    if (TryDirection(self, ob, g - turn, stepsize)) return false;
    if (turn > 0 && TryDirection(self, ob, g + turn, stepsize)) return false;
  }
  if (s.onspot) self.SetDirection(self.i_direction + s.maxrot);
  return false;
}

bool Motion_LinearPath(CInstance &self, const RObstacles &ob, CPath &path, double gx, double gy, double stepsize) {
  if (!(stepsize > 0)) return false;
  std::vector<RWayPoint> points;
  bool reached = false;
  {
    const CSavedMotion saved(self);
    for (int32_t step = 0; step < kPlanMaxSteps; ++step) {
      const double x = self.i_x, y = self.i_y;
      points.push_back({x, y, 100});
      if (Motion_LinearStep(self, ob, gx, gy, stepsize)) {
        reached = true;
        break;
      }
      if (self.i_x == x && self.i_y == y) break;  // blocked
    }
  }
  if (reached) points.push_back({gx, gy, 100});
  StorePlan(path, std::move(points));
  return reached;
}

bool Motion_PotentialPath(CInstance &self, const RObstacles &ob, CPath &path, double gx, double gy, double stepsize,
                          double factor) {
  if (!(factor >= 1) || !(stepsize > 0)) return false;
  const double budget = factor * std::hypot(gx - self.i_x, gy - self.i_y);
  // An instance shut in on all sides never moves again, and the plan's
  // length would then never reach its budget. Standing still is harmless
  // for a while (turning on the spot may find a way out), but once a whole
  // turn on the spot has gone by every direction has been within reach of
  // the search: after that many unmoving steps (plus one) the plan fails.
  const RPotentialSettings &s = g_PotentialSettings;
  const double turnsInCircle = s.onspot ? std::ceil(360 / s.maxrot) : 0;
  const int32_t stillLimit = static_cast<int32_t>(turnsInCircle < 360 ? turnsInCircle : 360) + 1;
  std::vector<RWayPoint> points{{self.i_x, self.i_y, 100}};
  bool reached = false;
  {
    const CSavedMotion saved(self);
    double length = 0;
    int32_t still = 0;
    for (int32_t step = 0; step < kPlanMaxSteps; ++step) {
      const double x = self.i_x, y = self.i_y;
      if (Motion_PotentialStep(self, ob, gx, gy, stepsize)) {
        reached = true;
        break;
      }
      points.push_back({self.i_x, self.i_y, 100});
      length += std::hypot(self.i_x - x, self.i_y - y);
      if (length > budget) break;
      still = self.i_x == x && self.i_y == y ? still + 1 : 0;
      if (still > stillLimit) break;
    }
  }
  if (reached) points.push_back({gx, gy, 100});
  StorePlan(path, std::move(points));
  return reached;
}

namespace {

using fnarg::Bool;
using fnarg::Num;


// Turns and look-ahead below 1 (or no number at all) would leave the search
// without a direction to try or a distance to look.
double AtLeastOne(const RValue &v) {
  const double d = Num(v);
  return d >= 1 ? d : 1;
}

void F_PotentialSettings(CInstance *, CInstance *, int, RValue *args, RValue &) {
  RPotentialSettings &s = g_PotentialSettings;
  s.maxrot = AtLeastOne(args[0]);
  s.rotstep = AtLeastOne(args[1]);
  s.ahead = AtLeastOne(args[2]);
  s.onspot = Bool(args[3]);
}

// The obstacles an argument names: a flag for the plain functions (solid
// instances, or every instance), an object reference for the _object ones.
// An _object function given every instance (-3) avoids every instance.
RObstacles Obstacles(CInstance *other, const RValue &arg, bool byObject) {
  if (byObject) return {other, fnarg::Int(arg), true};
  return {other, kRefAll, Bool(arg)};
}

template <bool (*Step)(CInstance &, const RObstacles &, double, double, double), bool ByObject>
void F_Step(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  if (self == nullptr) return;
  const bool reached = Step(*self, Obstacles(other, args[3], ByObject), Num(args[0]), Num(args[1]),
                            Num(args[2]));
  result.SetReal(reached ? 1 : 0);
}

// The path an argument names; reported when it is missing.
CPath *PlanPath(const RValue &arg) {
  CPath *path = PathGet(fnarg::Int(arg));
  if (path == nullptr) ReportActionError("Trying to assign to a non-existing path.", false);
  return path;
}

template <bool ByObject>
void F_LinearPath(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  CPath *path = PlanPath(args[0]);
  if (path == nullptr || self == nullptr) return;
  const bool reached = Motion_LinearPath(*self, Obstacles(other, args[4], ByObject), *path, Num(args[1]),
                                         Num(args[2]), Num(args[3]));
  result.SetReal(reached ? 1 : 0);
}

template <bool ByObject>
void F_PotentialPath(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  CPath *path = PlanPath(args[0]);
  if (path == nullptr || self == nullptr) return;
  const bool reached = Motion_PotentialPath(*self, Obstacles(other, args[5], ByObject), *path, Num(args[1]),
                                            Num(args[2]), Num(args[3]), Num(args[4]));
  result.SetReal(reached ? 1 : 0);
}

}  // namespace

void Motion_Potential_Init() {
  FunctionAdd("mp_linear_step", F_Step<Motion_LinearStep, false>, 4);
  FunctionAdd("mp_linear_step_object", F_Step<Motion_LinearStep, true>, 4);
  FunctionAdd("mp_linear_path", F_LinearPath<false>, 5);
  FunctionAdd("mp_linear_path_object", F_LinearPath<true>, 5);
  FunctionAdd("mp_potential_settings", F_PotentialSettings, 4);
  FunctionAdd("mp_potential_step", F_Step<Motion_PotentialStep, false>, 4);
  FunctionAdd("mp_potential_step_object", F_Step<Motion_PotentialStep, true>, 4);
  FunctionAdd("mp_potential_path", F_PotentialPath<false>, 6);
  FunctionAdd("mp_potential_path_object", F_PotentialPath<true>, 6);
}
