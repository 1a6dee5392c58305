#include "world/Motion_Grid.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "world/Instance_Class.h"
#include "world/Instance_Place.h"
#include "world/Path_Main.h"

namespace {

// Rounds towards minus infinity, so that a point left of the grid is in a
// column below 0 however close it is.
int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

}  // namespace

bool CGrid::Create(int32_t left, int32_t top, int32_t hcells, int32_t vcells, int32_t cellw, int32_t cellh) {
  i_left = left;
  i_top = top;
  i_cellw = cellw;
  i_cellh = cellh;
  i_hcells = std::max(hcells, 0);
  i_vcells = std::max(vcells, 0);
  i_cells.clear();
  if (static_cast<int64_t>(i_hcells) * i_vcells > kMaxGridCells) {
    i_hcells = i_vcells = 0;
    return false;
  }
  i_cells.assign(static_cast<size_t>(i_hcells) * static_cast<size_t>(i_vcells), kFree);
  return true;
}

void CGrid::ClearAll() { std::fill(i_cells.begin(), i_cells.end(), kFree); }

void CGrid::ClearCell(int32_t h, int32_t v) {
  if (Inside(h, v)) At(h, v) = kFree;
}

void CGrid::AddCell(int32_t h, int32_t v) {
  if (Inside(h, v)) At(h, v) = kForbidden;
}

bool CGrid::CellsOf(int32_t left, int32_t top, int32_t right, int32_t bottom, int64_t &h0, int64_t &h1, int64_t &v0,
                    int64_t &v1) const {
  if (i_cellw <= 0 || i_cellh <= 0) return false;  // no pixel lies in a cell
  h0 = std::max<int64_t>(FloorDiv(int64_t{std::min(left, right)} - i_left, i_cellw), 0);
  h1 = std::min<int64_t>(FloorDiv(int64_t{std::max(left, right)} - i_left, i_cellw), i_hcells - 1);
  v0 = std::max<int64_t>(FloorDiv(int64_t{std::min(top, bottom)} - i_top, i_cellh), 0);
  v1 = std::min<int64_t>(FloorDiv(int64_t{std::max(top, bottom)} - i_top, i_cellh), i_vcells - 1);
  return h0 <= h1 && v0 <= v1;
}

void CGrid::SetRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t value) {
  int64_t h0, h1, v0, v1;
  if (!CellsOf(left, top, right, bottom, h0, h1, v0, v1)) return;
  for (int64_t h = h0; h <= h1; ++h)
    for (int64_t v = v0; v <= v1; ++v) At(static_cast<int32_t>(h), static_cast<int32_t>(v)) = value;
}

void CGrid::AddInstance(const CInstance &inst, bool prec) {
  const RRect &b = inst.i_bbox;
  int64_t h0, h1, v0, v1;
  if (!CellsOf(b.left, b.top, b.right, b.bottom, h0, h1, v0, v1)) return;
  for (int64_t h = h0; h <= h1; ++h)
    for (int64_t v = v0; v <= v1; ++v) {
      int32_t &cell = At(static_cast<int32_t>(h), static_cast<int32_t>(v));
      if (cell == kForbidden) continue;
      if (prec) {
        const double x = static_cast<double>(i_left) + static_cast<double>(h) * i_cellw;
        const double y = static_cast<double>(i_top) + static_cast<double>(v) * i_cellh;
        if (!inst.Collision_Rectangle(x, y, x + i_cellw - 1, y + i_cellh - 1, true)) continue;
      }
      cell = kForbidden;
    }
}

void CGrid::ClearRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  SetRectangle(left, top, right, bottom, kFree);
}

void CGrid::AddRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  SetRectangle(left, top, right, bottom, kForbidden);
}

bool CGrid::CellOf(double x, double y, int32_t &h, int32_t &v) const {
  if (i_cellw <= 0 || i_cellh <= 0) return false;
  const double fx = std::floor((x - i_left) / i_cellw), fy = std::floor((y - i_top) / i_cellh);
  // Also false for NaN.
  if (!(fx >= 0 && fx < i_hcells && fy >= 0 && fy < i_vcells)) return false;
  h = static_cast<int32_t>(fx);
  v = static_cast<int32_t>(fy);
  return true;
}

bool CGrid::FindPath(CPath &path, double xstart, double ystart, double xgoal, double ygoal, bool allowdiag) {
  int32_t sh, sv, gh, gv;
  if (!CellOf(xstart, ystart, sh, sv) || !CellOf(xgoal, ygoal, gh, gv)) return false;
  if (At(sh, sv) == kForbidden || At(gh, gv) == kForbidden) return false;

  // Breadth first: every reached cell holds 1 + its number of steps from the
  // start, so the way back follows values that fall by one.
  std::vector<int32_t> queue;  // cell indices; a plain vector read from the front
  queue.reserve(i_cells.size());
  At(sh, sv) = 1;
  queue.push_back(sv + sh * i_vcells);
  bool found = false;
  for (size_t head = 0; head < queue.size(); ++head) {
    const int32_t h = queue[head] / i_vcells, v = queue[head] % i_vcells;
    const int32_t c = At(h, v);
    if (h == gh && v == gv) {
      found = true;
      break;
    }
    auto free = [&](int32_t ch, int32_t cv) { return Inside(ch, cv) && At(ch, cv) == kFree; };
    // A diagonal step needs both cells beside it free as they were before
    // this cell spread to them.
    const bool left = free(h - 1, v), right = free(h + 1, v), up = free(h, v - 1), down = free(h, v + 1);
    auto reach = [&](int32_t ch, int32_t cv) {
      if (!free(ch, cv)) return;
      At(ch, cv) = c + 1;
      queue.push_back(cv + ch * i_vcells);
    };
    reach(h - 1, v);
    reach(h + 1, v);
    reach(h, v - 1);
    reach(h, v + 1);
    if (allowdiag) {
      if (down && left) reach(h - 1, v + 1);
      if (up && left) reach(h - 1, v - 1);
      if (down && right) reach(h + 1, v + 1);
      if (up && right) reach(h + 1, v - 1);
    }
  }

  if (found) {
    std::vector<RWayPoint> points;
    points.push_back({xgoal, ygoal, 100});
    int32_t h = gh, v = gv;
    while (h != sh || v != sv) {
      const int32_t want = At(h, v) - 1;
      auto is = [&](int32_t ch, int32_t cv) { return Inside(ch, cv) && At(ch, cv) == want; };
      // Straight steps first, then the diagonals, each in a fixed order.
      if (is(h - 1, v)) --h;
      else if (is(h + 1, v)) ++h;
      else if (is(h, v - 1)) --v;
      else if (is(h, v + 1)) ++v;
      else if (allowdiag && is(h - 1, v + 1)) --h, ++v;
      else if (allowdiag && is(h + 1, v + 1)) ++h, ++v;
      else if (allowdiag && is(h - 1, v - 1)) --h, --v;
      else if (allowdiag && is(h + 1, v - 1)) ++h, --v;
      else break;  // cannot happen: every reached cell has a predecessor
      if (h != sh || v != sv)
        points.push_back({static_cast<double>(int64_t{i_left} + int64_t{h} * i_cellw + i_cellw / 2),
                          static_cast<double>(int64_t{i_top} + int64_t{v} * i_cellh + i_cellh / 2), 100});
    }
    points.push_back({xstart, ystart, 100});
    std::reverse(points.begin(), points.end());
    path.i_kind = CPath::kStraight;
    path.i_closed = false;
    path.SetPoints(std::move(points));
  }

  for (int32_t &cell : i_cells)
    if (cell > 0) cell = kFree;
  return found;
}

// --- the list of grids ------------------------------------------------------------

namespace {
std::vector<std::unique_ptr<CGrid>> g_grids;
}

CGrid *GridGet(int64_t id) {
  if (id < 0 || id >= static_cast<int64_t>(g_grids.size())) return nullptr;
  return g_grids[static_cast<size_t>(id)].get();
}

int32_t GridAdd() {
  size_t slot = 0;
  while (slot < g_grids.size() && g_grids[slot]) ++slot;
  if (slot == g_grids.size()) g_grids.emplace_back();
  g_grids[slot] = std::make_unique<CGrid>();
  return static_cast<int32_t>(slot);
}

void GridDestroy(int64_t id) {
  if (GridGet(id)) g_grids[static_cast<size_t>(id)].reset();
}

void GridResetAll() { g_grids.clear(); }

// --- the grid functions ---------------------------------------------------------------

namespace {

using fnarg::Bool;
using fnarg::Clamped;
using fnarg::Int;
using fnarg::Num;


void F_GridCreate(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const int32_t hcells = Clamped(args[2]), vcells = Clamped(args[3]);
  if (int64_t{std::max(hcells, 0)} * std::max(vcells, 0) > kMaxGridCells) {
    ReportActionError("Motion planning grid is too large.", false);
    result.SetReal(-1);
    return;
  }
  const int32_t id = GridAdd();
  GridGet(id)->Create(Clamped(args[0]), Clamped(args[1]), hcells, vcells, Clamped(args[4]), Clamped(args[5]));
  result.SetReal(id);
}

void F_GridDestroy(CInstance *, CInstance *, int, RValue *args, RValue &) { GridDestroy(Int(args[0])); }

void F_GridClearAll(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CGrid *g = GridGet(Int(args[0]))) g->ClearAll();
}

void F_GridClearCell(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CGrid *g = GridGet(Int(args[0]))) g->ClearCell(Clamped(args[1]), Clamped(args[2]));
}

void F_GridAddCell(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CGrid *g = GridGet(Int(args[0]))) g->AddCell(Clamped(args[1]), Clamped(args[2]));
}

void F_GridClearRectangle(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CGrid *g = GridGet(Int(args[0])))
    g->ClearRectangle(Clamped(args[1]), Clamped(args[2]), Clamped(args[3]), Clamped(args[4]));
}

void F_GridAddRectangle(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CGrid *g = GridGet(Int(args[0])))
    g->AddRectangle(Clamped(args[1]), Clamped(args[2]), Clamped(args[3]), Clamped(args[4]));
}

void F_GridPath(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  CGrid *g = GridGet(Int(args[0]));
  if (!g) return;
  CPath *path = PathGet(Int(args[1]));
  if (!path) {
    ReportActionError("Trying to assign to a non-existing path.", false);
    return;
  }
  const bool found = g->FindPath(*path, Num(args[2]), Num(args[3]), Num(args[4]), Num(args[5]),
                                 Bool(args[6]));
  result.SetReal(found ? 1 : 0);
}

void F_GridAddInstances(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  CGrid *g = GridGet(Int(args[0]));
  if (!g) return;
  const bool prec = Bool(args[2]);
  Instance_ForEachMatch(self, other, Int(args[1]), [&](const CInstance *inst) {
    g->AddInstance(*inst, prec);
    return true;
  });
}

}  // namespace

void Motion_Grid_Init() {
  FunctionAdd("mp_grid_create", F_GridCreate, 6);
  FunctionAdd("mp_grid_destroy", F_GridDestroy, 1);
  FunctionAdd("mp_grid_clear_all", F_GridClearAll, 1);
  FunctionAdd("mp_grid_clear_cell", F_GridClearCell, 3);
  FunctionAdd("mp_grid_add_cell", F_GridAddCell, 3);
  FunctionAdd("mp_grid_clear_rectangle", F_GridClearRectangle, 5);
  FunctionAdd("mp_grid_add_rectangle", F_GridAddRectangle, 5);
  FunctionAdd("mp_grid_add_instances", F_GridAddInstances, 3);
  FunctionAdd("mp_grid_path", F_GridPath, 7);
}
