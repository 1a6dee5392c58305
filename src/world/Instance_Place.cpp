#include "world/Instance_Place.h"

#include <algorithm>

namespace {

// An object with fewer instances than this is walked: its list is shorter
// than what the index would hand back to sort.
constexpr size_t kListFrom = 16;

// Gathering vectors, one per depth of nested searches, kept between
// searches so that a search allocates nothing.
std::vector<std::unique_ptr<std::vector<CInstance *>>> s_buffers;
size_t s_buffersInUse = 0;

std::vector<CInstance *> &TakeBuffer() {
  if (s_buffersInUse == s_buffers.size()) s_buffers.push_back(std::make_unique<std::vector<CInstance *>>());
  std::vector<CInstance *> &list = *s_buffers[s_buffersInUse++];
  list.clear();
  return list;
}

// Puts the instance at (x, y) for the duration of a question, then back to
// the very position and box it had: restoring the saved box rather than
// recomputing it keeps the answer free of any rounding of the way back.
// The trial box is not reported to the collision index (the instance is
// never an answer to its own question); when it differed, the way back is,
// so that an index built during the question forgets the trial place.
class CTryPlace {
public:
  CTryPlace(CInstance &inst, double x, double y) : m_inst(inst), m_x(inst.i_x), m_y(inst.i_y), m_box(inst.i_bbox) {
    if (x == inst.i_x && y == inst.i_y) return;
    inst.i_x = x;
    inst.i_y = y;
    inst.i_bbox = inst.BoxAt(x, y);
  }
  ~CTryPlace() {
    m_inst.i_x = m_x;
    m_inst.i_y = m_y;
    const RRect &b = m_inst.i_bbox;
    if (b.left == m_box.left && b.top == m_box.top && b.right == m_box.right && b.bottom == m_box.bottom) return;
    m_inst.i_bbox = m_box;
    m_inst.BoxChanged();
  }
  CTryPlace(const CTryPlace &) = delete;
  CTryPlace &operator=(const CTryPlace &) = delete;

private:
  CInstance &m_inst;
  double m_x, m_y;
  RRect m_box;
};

// Whether self at (x, y) meets an instance of the room for which want holds.
template <class Want>
bool MeetsAny(CInstance &self, double x, double y, Want want) {
  const CTryPlace at(self, x, y);
  const RPixelRegion region = PixelRegion_Of(self.i_bbox);
  return Instance_FirstMatchIn(&self, nullptr, kRefAll, &region, [&](CInstance *inst) {
           return want(*inst) && inst->Collision_Instance(self, true);
         }) != nullptr;
}

}  // namespace

CMatchBuffer::CMatchBuffer() : list(TakeBuffer()) {}

CMatchBuffer::~CMatchBuffer() { --s_buffersInUse; }

bool Instance_MatchesNear(const CRoom &room, int32_t ref, const RPixelRegion &region, std::vector<CInstance *> &out) {
  out.clear();
  if (ref == kRefAll) {
    if (!InstanceGrid_Near(room, region, out)) return false;
    // The room's order; should an instance's place in it be out of date,
    // the walk answers instead.
    for (const CInstance *inst : out)
      if (room.InstanceAt(inst->i_grid.roomKey) != inst) return false;
    std::sort(out.begin(), out.end(),
              [](const CInstance *a, const CInstance *b) { return a->i_grid.roomKey < b->i_grid.roomKey; });
    return true;
  }
  if (ref < 0 || ref >= static_cast<int32_t>(room.r_obj_instance_recursive.size())) return false;
  const std::vector<CInstance *> &list = room.r_obj_instance_recursive[static_cast<size_t>(ref)];
  if (list.size() < kListFrom || !InstanceGrid_Near(room, region, out)) return false;
  std::erase_if(out, [&](const CInstance *inst) { return InstanceGrid_ListPosition(list, inst) < 0; });
  std::sort(out.begin(), out.end(),
            [](const CInstance *a, const CInstance *b) { return a->i_grid.listKey < b->i_grid.listKey; });
  return true;
}

bool Place_Free(CInstance &self, double x, double y) {
  return !MeetsAny(self, x, y, [](const CInstance &inst) { return inst.i_solid; });
}

bool Place_Empty(CInstance &self, double x, double y) {
  return !MeetsAny(self, x, y, [](const CInstance &) { return true; });
}

CInstance *Place_Instance(CInstance &self, CInstance *other, double x, double y, int32_t ref) {
  const CTryPlace at(self, x, y);
  const RPixelRegion region = PixelRegion_Of(self.i_bbox);
  return Instance_FirstMatchIn(&self, other, ref, &region,
                               [&](CInstance *inst) { return inst->Collision_Instance(self, true); });
}
