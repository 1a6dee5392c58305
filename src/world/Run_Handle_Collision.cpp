#include "world/Run_Handle_Collision.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "world/Event_Main.h"
#include "world/Instance_Class.h"
#include "world/Instance_Grid.h"
#include "world/Object_Class.h"
#include "world/Object_Lists.h"
#include "world/Path_Main.h"
#include "world/Room_Main.h"
#include "world/Run_Main.h"

namespace {

// Back to where the step began: position and place on the path.
void PutBack(CInstance &inst) {
  inst.SetPosition(inst.i_xprevious, inst.i_yprevious);
  inst.i_pathposition = inst.i_pathpositionprevious;
}

// A and B met: the solid rule around both collision events.
void Meet(CInstance &a, CInstance &b) {
  if (a.i_solid || b.i_solid) {
    PutBack(a);
    PutBack(b);
  }
  PerformEvent(&a, &b, a.i_objectindex, kEventCollision, b.i_objectindex);
  PerformEvent(&b, &a, b.i_objectindex, kEventCollision, a.i_objectindex);
  // The events may have made either solid, or changed the motion: both try
  // their step again from where they were put, and where that still
  // collides they stay put.
  if (a.i_solid || b.i_solid) {
    Path_Adapt(a);
    Path_Adapt(b);
    a.SetPosition(a.i_x + a.i_hspeed, a.i_y + a.i_vspeed);
    b.SetPosition(b.i_x + b.i_hspeed, b.i_y + b.i_vspeed);
    if (a.Collision_Instance(b, true)) {
      PutBack(a);
      PutBack(b);
    }
  }
}

// A list shorter than this is walked: its boxes cost less to test than a
// search of the index.
constexpr int32_t kSearchFrom = 16;

// The position in list (obj2's instances), from `from` up to below `count`,
// of the first instance that a collides with; -1 when none, -2 when the
// index does not serve the room and the caller walks. The index is asked
// again for every meeting, as the events of the last one may have moved
// anything.
int32_t NextMet(const CRoom &room, CInstance &a, const std::vector<CInstance *> &list, int32_t from, int32_t count,
                std::vector<CInstance *> &near, std::vector<std::pair<int32_t, CInstance *>> &order) {
  near.clear();
  if (!InstanceGrid_Near(room, PixelRegion_Of(a.i_bbox), near)) return -2;
  order.clear();
  for (CInstance *b : near) {
    const int32_t at = InstanceGrid_ListPosition(list, b);
    if (at >= from && at < count) order.emplace_back(at, b);
  }
  std::sort(order.begin(), order.end());
  for (const auto &[at, b] : order)
    if (a.Collision_Instance(*b, true)) return at;
  return -1;
}

}  // namespace

void Run_HandleCollisions() {
  CRoom *room = Room_Current();
  if (room == nullptr) return;
  // Copies: the events may add objects or events and so rebuild the pairs.
  const std::vector<TColPair> pairs = CollisionPairs();
  for (const TColPair &pair : pairs) {
    // Each list is counted when its walk starts: instances that the events
    // create join the next walks, so events that keep creating colliding
    // instances cannot keep the phase going for ever. The lists may also
    // shrink (instances deactivated): a position past the end is skipped.
    const int32_t countA = room->Obj_Number(pair.obj1);
    for (int32_t i = 0; i < countA; ++i) {
      if (GameStatePending()) return;
      CInstance *a = room->Obj_Instance(pair.obj1, i);
      if (a == nullptr || a->i_marked) continue;
      const int32_t countB = room->Obj_Number(pair.obj2);
      // Within one object every two instances meet once; A itself never
      // collides, which the test below knows.
      int32_t j = pair.obj1 == pair.obj2 ? i : 0;
      // Many instances of B: the index finds the next one A meets, in list
      // order, with a list index as the walk below would reach it.
      if (countB >= kSearchFrom) {
        std::vector<CInstance *> near;
        std::vector<std::pair<int32_t, CInstance *>> order;
        // The events may rebuild the lists: each search reads them afresh.
        for (;;) {
          if (room->Obj_Number(pair.obj2) == 0) {
            j = countB;
            break;
          }
          const std::vector<CInstance *> &list = room->r_obj_instance[static_cast<size_t>(pair.obj2)];
          const int32_t at = NextMet(*room, *a, list, j, countB, near, order);
          if (at < 0) {
            if (at == -1) j = countB;
            break;
          }
          Meet(*a, *room->Obj_Instance(pair.obj2, at));
          if (GameStatePending()) return;
          j = at + 1;
        }
      }
      for (; j < countB; ++j) {
        CInstance *b = room->Obj_Instance(pair.obj2, j);
        if (b == nullptr || !a->Collision_Instance(*b, true)) continue;
        Meet(*a, *b);
        if (GameStatePending()) return;
      }
    }
  }
}
