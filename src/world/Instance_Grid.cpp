#include "world/Instance_Grid.h"

#include <algorithm>
#include <cmath>

#include "world/Instance_Class.h"
#include "world/Room_Class.h"

namespace {

// Rooms with fewer instances are walked: the walk over a few boxes costs
// less than keeping cells up to date.
constexpr int32_t kIndexFrom = 48;
// A box over more cells than this goes to the loose list (and so covers
// at most this many across or down, which the link's sizes hold).
constexpr int64_t kMaxCells = 64;
// Cells across and down at most, which the link's cell numbers hold.
constexpr int64_t kMaxSide = 65535;
// Cells of 8 up to 4096 pixels.
constexpr int32_t kMinShift = 3, kMaxShift = 12;

enum TWhere : uint8_t { kInCells = 0, kLoose = 1, kOutside = 2 };

struct RPlace {
  TWhere where = kOutside;
  int32_t cx0 = 0, cy0 = 0, cx1 = -1, cy1 = -1;
};

class CGrid {
public:
  bool enabled = true;

  void Invalidate() { m_valid = false; }

  bool Sync(const CRoom &room) {
    if (!enabled || room.InstanceCount() < kIndexFrom) return false;
    if (!m_valid || m_room != &room || m_count != room.InstanceCount()) Build(room);
    else Flush();
    return true;
  }

  void Added(const CRoom &room, CInstance *inst) {
    if (!m_valid || m_room != &room) return;
    inst->i_grid.generation = m_generation;
    inst->i_grid.dirty = false;
    Enter(inst, PlaceOf(inst->i_bbox));
    ++m_count;
  }

  void Moved(CInstance *inst) {
    if (!m_valid || inst->i_grid.generation != m_generation) return;
    inst->i_grid.dirty = true;
    m_dirty.push_back(inst);
  }

  void Forget(uint32_t generation) {
    if (generation == m_generation) m_valid = false;
  }

  void Near(const RPixelRegion &q, std::vector<CInstance *> &out) {
    const int64_t l = std::min(q.left, q.right), r = std::max(q.left, q.right);
    const int64_t t = std::min(q.top, q.bottom), b = std::max(q.top, q.bottom);
    const int32_t cx0 = CellX(l), cx1 = CellX(r), cy0 = CellY(t), cy1 = CellY(b);
    for (int32_t cy = cy0; cy <= cy1; ++cy) {
      const std::vector<CInstance *> *row = &m_cells[static_cast<size_t>(cy) * static_cast<size_t>(m_nx)];
      for (int32_t cx = cx0; cx <= cx1; ++cx)
        for (CInstance *inst : row[cx]) {
          // A box over several cells counts only in the first of them that
          // the search reads.
          const RGridLink &link = inst->i_grid;
          if ((link.cx != cx && cx != cx0) || (link.cy != cy && cy != cy0)) continue;
          Take(inst, l, t, r, b, out);
        }
    }
    for (CInstance *inst : m_loose) Take(inst, l, t, r, b, out);
    if (l < 0 || t < 0 || r >= m_w || b >= m_h)
      for (CInstance *inst : m_outside) Take(inst, l, t, r, b, out);
  }

private:
  const CRoom *m_room = nullptr;
  bool m_valid = false;
  uint32_t m_generation = 0;
  int32_t m_count = 0;
  int32_t m_shift = 4;
  int32_t m_nx = 0, m_ny = 0;
  int64_t m_w = 0, m_h = 0;  // the area the cells cover: [0, m_w) x [0, m_h)
  std::vector<std::vector<CInstance *>> m_cells;
  std::vector<CInstance *> m_loose;
  std::vector<CInstance *> m_outside;
  std::vector<CInstance *> m_dirty;

  // Coordinates outside the area are held to its border cells: boxes that
  // reach into the area are entered the same way, so overlapping intervals
  // always share a cell.
  int32_t CellX(int64_t x) const { return static_cast<int32_t>(std::clamp<int64_t>(x, 0, m_w - 1) >> m_shift); }
  int32_t CellY(int64_t y) const { return static_cast<int32_t>(std::clamp<int64_t>(y, 0, m_h - 1) >> m_shift); }

  // Boxes are intervals; a box read from a saved game may have its corners
  // swapped, so both are taken in order.
  static void Span(const RRect &b, int64_t &l, int64_t &t, int64_t &r, int64_t &bo) {
    l = std::min(b.left, b.right);
    r = std::max(b.left, b.right);
    t = std::min(b.top, b.bottom);
    bo = std::max(b.top, b.bottom);
  }

  static void Take(CInstance *inst, int64_t l, int64_t t, int64_t r, int64_t b, std::vector<CInstance *> &out) {
    int64_t bl, bt, br, bb;
    Span(inst->i_bbox, bl, bt, br, bb);
    if (bl <= r && br >= l && bt <= b && bb >= t) out.push_back(inst);
  }

  RPlace PlaceOf(const RRect &box) const {
    int64_t l, t, r, b;
    Span(box, l, t, r, b);
    RPlace p;
    if (r < 0 || b < 0 || l >= m_w || t >= m_h) return p;
    p.cx0 = CellX(l);
    p.cx1 = CellX(r);
    p.cy0 = CellY(t);
    p.cy1 = CellY(b);
    p.where = int64_t{p.cx1 - p.cx0 + 1} * (p.cy1 - p.cy0 + 1) > kMaxCells ? kLoose : kInCells;
    return p;
  }

  static void Drop(std::vector<CInstance *> &list, CInstance *inst) {
    const auto it = std::find(list.begin(), list.end(), inst);
    if (it == list.end()) return;
    *it = list.back();
    list.pop_back();
  }

  void Enter(CInstance *inst, const RPlace &p) {
    RGridLink &link = inst->i_grid;
    link.where = p.where;
    if (p.where == kInCells) {
      link.cx = static_cast<uint16_t>(p.cx0);
      link.cy = static_cast<uint16_t>(p.cy0);
      link.cw = static_cast<uint8_t>(p.cx1 - p.cx0);
      link.ch = static_cast<uint8_t>(p.cy1 - p.cy0);
    }
    if (p.where == kLoose) m_loose.push_back(inst);
    else if (p.where == kOutside) m_outside.push_back(inst);
    else
      for (int32_t cy = p.cy0; cy <= p.cy1; ++cy)
        for (int32_t cx = p.cx0; cx <= p.cx1; ++cx) m_cells[static_cast<size_t>(cy) * static_cast<size_t>(m_nx) + static_cast<size_t>(cx)].push_back(inst);
  }

  void Leave(CInstance *inst) {
    const RGridLink &link = inst->i_grid;
    if (link.where == kLoose) Drop(m_loose, inst);
    else if (link.where == kOutside) Drop(m_outside, inst);
    else
      for (int32_t cy = link.cy; cy <= link.cy + link.ch; ++cy)
        for (int32_t cx = link.cx; cx <= link.cx + link.cw; ++cx) Drop(m_cells[static_cast<size_t>(cy) * static_cast<size_t>(m_nx) + static_cast<size_t>(cx)], inst);
  }

  void Flush() {
    for (CInstance *inst : m_dirty) {
      RGridLink &link = inst->i_grid;
      link.dirty = false;
      const RPlace p = PlaceOf(inst->i_bbox);
      if (p.where == link.where && (p.where != kInCells || (p.cx0 == link.cx && p.cy0 == link.cy &&
                                                              p.cx1 - p.cx0 == link.cw && p.cy1 - p.cy0 == link.ch)))
        continue;
      Leave(inst);
      Enter(inst, p);
    }
    m_dirty.clear();
  }

  void Build(const CRoom &room) {
    if (++m_generation == 0) m_generation = 1;
    m_room = &room;
    m_valid = true;
    m_count = room.InstanceCount();
    m_dirty.clear();
    m_loose.clear();
    m_outside.clear();
    // Cells about twice the size of an average box inside the room: a box
    // then mostly lies in one to four cells, and a cell holds few boxes.
    m_w = std::clamp<int64_t>(room.r_width, 1, int64_t{1} << 24);
    m_h = std::clamp<int64_t>(room.r_height, 1, int64_t{1} << 24);
    double sum = 0;
    int64_t boxes = 0;
    for (int32_t i = 0; i < m_count; ++i) {
      int64_t l, t, r, b;
      Span(room.InstanceAt(i)->i_bbox, l, t, r, b);
      if (r < 0 || b < 0 || l >= m_w || t >= m_h) continue;
      sum += static_cast<double>(std::min<int64_t>(r - l + 1, m_w) + std::min<int64_t>(b - t + 1, m_h)) / 2;
      ++boxes;
    }
    const double size = boxes > 0 ? 2 * sum / static_cast<double>(boxes) : 64;
    m_shift = kMinShift;
    while (m_shift < kMaxShift && static_cast<double>(int64_t{1} << m_shift) < size) ++m_shift;
    // Not many more cells than instances: empty cells cost memory and the
    // time of clearing them at every build.
    const int64_t most = std::max<int64_t>(1024, 2 * int64_t{m_count});
    for (;;) {
      const int64_t nx = ((m_w - 1) >> m_shift) + 1, ny = ((m_h - 1) >> m_shift) + 1;
      if ((nx * ny <= most && nx <= kMaxSide && ny <= kMaxSide) || m_shift >= 24) {
        m_nx = static_cast<int32_t>(nx);
        m_ny = static_cast<int32_t>(ny);
        break;
      }
      ++m_shift;
    }
    const size_t cells = static_cast<size_t>(m_nx) * static_cast<size_t>(m_ny);
    if (m_cells.size() > cells) m_cells.resize(cells);
    for (std::vector<CInstance *> &cell : m_cells) cell.clear();
    m_cells.resize(cells);
    for (int32_t i = 0; i < m_count; ++i) {
      CInstance *inst = room.InstanceAt(i);
      inst->i_grid.generation = m_generation;
      inst->i_grid.dirty = false;
      Enter(inst, PlaceOf(inst->i_bbox));
    }
  }
};

CGrid s_grid;

// Reals far beyond any room are held to a range that whole pixels and the
// cell arithmetic can take.
constexpr double kFar = 4e9;

int64_t PixelOf(double v) { return static_cast<int64_t>(std::floor(std::clamp(v, -kFar, kFar))); }

}  // namespace

RGridLink::~RGridLink() {
  if (generation != 0) InstanceGrid_Forget(generation);
}

void CInstance::BoxChanged() {
  if (i_grid.generation != 0 && !i_grid.dirty) InstanceGrid_Moved(this);
}

bool PixelRegion_Of(double x1, double y1, double x2, double y2, RPixelRegion &out) {
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return false;
  out.left = PixelOf(std::min(x1, x2));
  out.right = PixelOf(std::max(x1, x2));
  out.top = PixelOf(std::min(y1, y2));
  out.bottom = PixelOf(std::max(y1, y2));
  return true;
}

RPixelRegion PixelRegion_Of(const RRect &box) {
  RPixelRegion r;
  r.left = std::min(box.left, box.right);
  r.right = std::max(box.left, box.right);
  r.top = std::min(box.top, box.bottom);
  r.bottom = std::max(box.top, box.bottom);
  return r;
}

// Turning the index off leaves it as it is, still kept up to date: a test
// can ask the walk and then the index again without a rebuild in between.
void InstanceGrid_SetEnabled(bool on) { s_grid.enabled = on; }

bool InstanceGrid_Enabled() { return s_grid.enabled; }

bool InstanceGrid_Near(const CRoom &room, const RPixelRegion &region, std::vector<CInstance *> &out) {
  if (!s_grid.Sync(room)) return false;
  s_grid.Near(region, out);
  return true;
}

int32_t InstanceGrid_ListPosition(const std::vector<CInstance *> &list, const CInstance *inst) {
  const auto it = std::lower_bound(list.begin(), list.end(), inst->i_grid.listKey,
                                   [](const CInstance *a, int32_t key) { return a->i_grid.listKey < key; });
  return it != list.end() && *it == inst ? static_cast<int32_t>(it - list.begin()) : -1;
}

void InstanceGrid_Invalidate() { s_grid.Invalidate(); }

void InstanceGrid_Added(const CRoom &room, CInstance *inst) { s_grid.Added(room, inst); }

void InstanceGrid_Moved(CInstance *inst) { s_grid.Moved(inst); }

void InstanceGrid_Forget(uint32_t generation) { s_grid.Forget(generation); }
