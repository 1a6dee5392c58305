#include "world/Path_Main.h"

#include <cmath>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "world/Instance_Class.h"

RPathList g_Paths;

namespace {

constexpr int32_t kSectionVersion = 800;
constexpr double kPi = 3.14159265358979323846;

}  // namespace

// --- the list ----------------------------------------------------------------

bool Path_Load(CStream &stream) {
  g_Paths.Clear();
  if (stream.ReadInteger() != kSectionVersion) return false;
  return LoadNamedItems(stream, g_Paths);
}

void Path_SaveSection(CStream &stream, const RPathList &list) {
  stream.WriteInteger(kSectionVersion);
  SaveNamedItems(stream, list);
}

int PathCount() { return g_Paths.Count(); }
bool PathExists(int index) { return g_Paths.Exists(index); }
CPath *PathGet(int index) { return g_Paths.Get(index); }
const std::string &PathName(int index) { return g_Paths.Name(index); }
int PathFind(std::string_view name) { return g_Paths.Find(name); }

int PathAdd() {
  const int index = g_Paths.Count();
  g_Paths.items.push_back(std::make_unique<CPath>());
  g_Paths.names.push_back("__newpath" + std::to_string(index));
  return index;
}

int PathDuplicate(int index) {
  const CPath *source = PathGet(index);
  if (!source) return -1;
  const int copy = PathAdd();
  g_Paths.items[static_cast<size_t>(copy)]->Assign(*source);
  return copy;
}

bool PathAssign(int a, int b) {
  const CPath *source = PathGet(b);
  if (!source || a < 0 || a >= PathCount()) return false;
  auto &slot = g_Paths.items[static_cast<size_t>(a)];
  if (!slot) slot = std::make_unique<CPath>();
  slot->Assign(*source);
  return true;
}

void PathDelete(int index) {
  if (!g_Paths.Exists(index)) return;
  g_Paths.items[static_cast<size_t>(index)].reset();
  g_Paths.names[static_cast<size_t>(index)].clear();
}

// --- following a path ----------------------------------------------------------

namespace {

// The path's offset p, turned by the instance's path orientation and scaled
// by its path scale.
void OrientOffset(const CInstance &inst, double px, double py, double &ox, double &oy) {
  const double d = inst.i_pathorientation * kPi / 180;
  const double c = std::cos(d), s = std::sin(d);
  ox = (c * px + s * py) * inst.i_pathscale;
  oy = (c * py - s * px) * inst.i_pathscale;
}

}  // namespace

void Path_Assign(CInstance &inst, int ind, double speed, double scale, double orient, bool relative, int endact) {
  inst.i_pathindex = ind;
  if (ind < 0) return;
  const CPath *path = PathGet(ind);
  if (!path || !(path->i_length > 0)) {
    inst.i_pathindex = -1;
    return;
  }
  inst.i_pathspeed = speed;
  inst.i_pathposition = inst.i_pathpositionprevious = speed < 0 ? 1 : 0;
  inst.i_pathscale = scale;
  if (scale < 0) {
    inst.i_pathindex = -1;
    return;
  }
  inst.i_pathorientation = orient;
  inst.i_pathend = endact;
  const RPathPosition first = path->GetPosition(0), start = path->GetPosition(inst.i_pathposition);
  if (!relative) inst.SetPosition(start.x, start.y);
  // The path's first point goes where the instance stands, less the way from
  // the first point to where it starts: a path run backwards begins at its
  // end, and an absolute one stays on its own coordinates.
  double ox, oy;
  OrientOffset(inst, start.x - first.x, start.y - first.y, ox, oy);
  inst.i_pathxstart = inst.i_x - ox;
  inst.i_pathystart = inst.i_y - oy;
}

bool Path_Adapt(CInstance &inst) {
  if (inst.i_pathindex < 0) return false;
  const CPath *path = PathGet(inst.i_pathindex);
  if (!path || !(path->i_length > 0) || inst.i_pathspeed == 0) return false;

  const double sp = path->Speed(inst.i_pathposition);
  inst.i_pathposition += inst.i_pathspeed * (sp / (100 * inst.i_pathscale)) / path->i_length;

  double &pos = inst.i_pathposition;
  const bool ended = pos >= 1 || !(pos > 0);
  if (ended) {
    switch (inst.i_pathend) {
      case 1:  // restart
        pos += pos >= 0 ? -1 : 1;
        break;
      case 2: {  // continue from where this round ended
        const RPathPosition p0 = path->GetPosition(0), p1 = path->GetPosition(1);
        double dx, dy;
        OrientOffset(inst, p1.x - p0.x, p1.y - p0.y, dx, dy);
        if (pos >= 0) {
          inst.i_pathxstart += dx;
          inst.i_pathystart += dy;
          pos -= 1;
        } else {
          inst.i_pathxstart -= dx;
          inst.i_pathystart -= dy;
          pos += 1;
        }
        break;
      }
      case 3:  // reverse
        if (pos >= 0) {
          pos = 2 - pos;
          inst.i_pathspeed = -std::fabs(inst.i_pathspeed);
        } else {
          pos = -pos;
          inst.i_pathspeed = std::fabs(inst.i_pathspeed);
        }
        break;
      default:  // stop
        pos = 1;
        inst.i_pathindex = -1;
        break;
    }
  }

  const RPathPosition here = path->GetPosition(pos), start = path->GetPosition(0);
  double ox, oy;
  OrientOffset(inst, here.x - start.x, here.y - start.y, ox, oy);
  const double nx = ox + inst.i_pathxstart, ny = oy + inst.i_pathystart;
  // The speeds point along the step so that the direction follows the path;
  // the step itself is the move to the new position, not a speed.
  inst.SetHspeed(nx - inst.i_x);
  inst.SetVspeed(ny - inst.i_y);
  inst.SetSpeed(0);
  inst.SetPosition(nx, ny);
  return ended;
}

// --- the path functions --------------------------------------------------------------

namespace {

using fnarg::Bool;
using fnarg::Clamped;
using fnarg::Int;
using fnarg::Num;


// The path named by an argument, or null.
CPath *ArgPath(const RValue &v) { return PathGet(Int(v)); }

void F_PathStart(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (!self) return;
  Path_Assign(*self, Int(args[0]), Num(args[1]), 1, 0, !Bool(args[3]), Int(args[2]));
}

void F_PathEnd(CInstance *self, CInstance *, int, RValue *, RValue &) {
  if (self) Path_Assign(*self, -1, 0, 1, 0, true, 0);
}

void F_PathName(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetString(PathName(Int(args[0])));
}

void F_PathExists(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(PathExists(Int(args[0])) ? 1 : 0);
}

// The getters of a whole path answer -1 for a missing one.
template <double (*Get)(const CPath &)>
void F_PathGet(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const CPath *p = ArgPath(args[0]);
  result.SetReal(p ? Get(*p) : -1);
}
double GetLength(const CPath &p) { return p.i_length; }
double GetKind(const CPath &p) { return p.i_kind; }
double GetClosed(const CPath &p) { return p.i_closed ? 1 : 0; }
double GetPrecision(const CPath &p) { return p.i_precision; }
double GetNumber(const CPath &p) { return p.Count(); }

// A control point out of range reads as (0, 0) with speed 1.
template <double (*Get)(const RWayPoint &)>
void F_PathGetPoint(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const CPath *p = ArgPath(args[0]);
  if (!p) {
    result.SetReal(-1);
    return;
  }
  const int64_t n = Int(args[1]);
  const RWayPoint point = n >= 0 && n < p->Count() ? p->i_points[static_cast<size_t>(n)] : RWayPoint{0, 0, 1};
  result.SetReal(Get(point));
}
double PointX(const RWayPoint &w) { return w.x; }
double PointY(const RWayPoint &w) { return w.y; }
double PointSpeed(const RWayPoint &w) { return w.speed; }

template <double (*Get)(const RPathPosition &)>
void F_PathGetPosition(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const CPath *p = ArgPath(args[0]);
  result.SetReal(p ? Get(p->GetPosition(Num(args[1]))) : -1);
}
double PositionX(const RPathPosition &w) { return w.x; }
double PositionY(const RPathPosition &w) { return w.y; }
double PositionSpeed(const RPathPosition &w) { return w.speed; }

void F_PathSetKind(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CPath *p = ArgPath(args[0])) p->SetKind(Clamped(args[1]));
}

void F_PathSetClosed(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CPath *p = ArgPath(args[0])) p->SetClosed(Bool(args[1]));
}

void F_PathSetPrecision(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CPath *p = ArgPath(args[0])) p->SetPrecision(Clamped(args[1]));
}

void F_PathAdd(CInstance *, CInstance *, int, RValue *, RValue &result) { result.SetReal(PathAdd()); }

void F_PathDuplicate(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const int copy = PathDuplicate(Int(args[0]));
  if (copy < 0) ReportActionError("Trying to duplicate non-existing path.", false);
  result.SetReal(copy);
}

void F_PathAssign(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (!PathAssign(Int(args[0]), Int(args[1]))) ReportActionError("Error assigning a path.", false);
}

void F_PathAppend(CInstance *, CInstance *, int, RValue *args, RValue &) {
  CPath *to = ArgPath(args[0]);
  if (!to) {
    ReportActionError("Appending to non-existing path.", false);
    return;
  }
  const CPath *from = ArgPath(args[1]);
  if (!from) {
    ReportActionError("Appending a non-existing path.", false);
    return;
  }
  to->Append(*from);
}

void F_PathDelete(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const int index = Int(args[0]);
  if (!PathExists(index)) {
    ReportActionError("Trying to delete non-existing path.", false);
    return;
  }
  PathDelete(index);
}

void F_PathAddPoint(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CPath *p = ArgPath(args[0])) p->AddPoint(Num(args[1]), Num(args[2]), Num(args[3]));
}

void F_PathInsertPoint(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CPath *p = ArgPath(args[0]))
    p->InsertPoint(Clamped(args[1]), Num(args[2]), Num(args[3]), Num(args[4]));
}

void F_PathChangePoint(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CPath *p = ArgPath(args[0]))
    p->ChangePoint(Clamped(args[1]), Num(args[2]), Num(args[3]), Num(args[4]));
}

void F_PathDeletePoint(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CPath *p = ArgPath(args[0])) p->DeletePoint(Clamped(args[1]));
}

void F_PathClearPoints(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CPath *p = ArgPath(args[0])) p->Clear();
}

template <void (CPath::*Change)()>
void F_PathChange(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CPath *p = ArgPath(args[0])) (p->*Change)();
}

void F_PathRotate(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CPath *p = ArgPath(args[0])) p->Rotate(Num(args[1]));
}

void F_PathScale(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CPath *p = ArgPath(args[0])) p->Scale(Num(args[1]), Num(args[2]));
}

void F_PathShift(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CPath *p = ArgPath(args[0])) p->Shift(Num(args[1]), Num(args[2]));
}

}  // namespace

void Path_Main_Init() {
  FunctionAdd("path_start", F_PathStart, 4);
  FunctionAdd("path_end", F_PathEnd, 0);
  FunctionAdd("path_name", F_PathName, 1);
  FunctionAdd("path_get_name", F_PathName, 1);
  FunctionAdd("path_exists", F_PathExists, 1);
  FunctionAdd("path_get_length", F_PathGet<GetLength>, 1);
  FunctionAdd("path_get_kind", F_PathGet<GetKind>, 1);
  FunctionAdd("path_get_closed", F_PathGet<GetClosed>, 1);
  FunctionAdd("path_get_precision", F_PathGet<GetPrecision>, 1);
  FunctionAdd("path_get_number", F_PathGet<GetNumber>, 1);
  FunctionAdd("path_get_point_x", F_PathGetPoint<PointX>, 2);
  FunctionAdd("path_get_point_y", F_PathGetPoint<PointY>, 2);
  FunctionAdd("path_get_point_speed", F_PathGetPoint<PointSpeed>, 2);
  FunctionAdd("path_get_x", F_PathGetPosition<PositionX>, 2);
  FunctionAdd("path_get_y", F_PathGetPosition<PositionY>, 2);
  FunctionAdd("path_get_speed", F_PathGetPosition<PositionSpeed>, 2);
  FunctionAdd("path_set_kind", F_PathSetKind, 2);
  FunctionAdd("path_set_closed", F_PathSetClosed, 2);
  FunctionAdd("path_set_precision", F_PathSetPrecision, 2);
  FunctionAdd("path_add", F_PathAdd, 0);
  FunctionAdd("path_duplicate", F_PathDuplicate, 1);
  FunctionAdd("path_assign", F_PathAssign, 2);
  FunctionAdd("path_append", F_PathAppend, 2);
  FunctionAdd("path_delete", F_PathDelete, 1);
  FunctionAdd("path_add_point", F_PathAddPoint, 4);
  FunctionAdd("path_insert_point", F_PathInsertPoint, 5);
  FunctionAdd("path_change_point", F_PathChangePoint, 5);
  FunctionAdd("path_delete_point", F_PathDeletePoint, 2);
  FunctionAdd("path_clear_points", F_PathClearPoints, 1);
  FunctionAdd("path_reverse", F_PathChange<&CPath::Reverse>, 1);
  FunctionAdd("path_mirror", F_PathChange<&CPath::Mirror>, 1);
  FunctionAdd("path_flip", F_PathChange<&CPath::Flip>, 1);
  FunctionAdd("path_rotate", F_PathRotate, 2);
  FunctionAdd("path_scale", F_PathScale, 3);
  FunctionAdd("path_shift", F_PathShift, 3);
}
