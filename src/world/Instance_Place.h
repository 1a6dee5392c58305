// Finding instances by object reference, and asking what an instance would
// meet at another place. The place questions move the instance there for
// the test and put it back exactly as it was (position and box), so asking
// never moves anything.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "world/Instance_Class.h"
#include "world/Instance_Grid.h"
#include "world/Room_Class.h"
#include "world/Room_Main.h"
#include "world/Room_World.h"

inline constexpr int32_t kRefSelf = -1, kRefOther = -2, kRefAll = -3, kRefNoone = -4;
inline constexpr int32_t kFirstInstanceId = 100000;

inline bool Instance_Live(const CInstance *inst) { return inst != nullptr && !inst->i_marked; }

// Calls fn for every unmarked instance an object reference stands for: self
// (-1) and other (-2) themselves, every instance (-3) in room order, the
// instance with an id (100000 and above), or the instances of an object and
// its descendants in the object's recursive-list order. fn answers false to
// stop the walk.
template <class Fn>
void Instance_ForEachMatch(CInstance *self, CInstance *other, int32_t ref, Fn fn) {
  if (ref == kRefSelf || ref == kRefOther) {
    CInstance *inst = ref == kRefSelf ? self : other;
    if (Instance_Live(inst)) fn(inst);
    return;
  }
  const CRoom *room = Room_Current();
  if (room == nullptr) return;
  if (ref == kRefAll) {
    for (int32_t i = 0; i < room->InstanceCount(); ++i) {
      CInstance *inst = room->InstanceAt(i);
      if (Instance_Live(inst) && !fn(inst)) return;
    }
  } else if (ref >= kFirstInstanceId) {
    CInstance *inst = Room_FindInstance(ref);
    if (Instance_Live(inst)) fn(inst);
  } else if (ref >= 0) {
    for (int32_t i = 0; i < room->Obj_Number_Recursive(ref); ++i) {
      CInstance *inst = room->Obj_Instance_Recursive(ref, i);
      if (Instance_Live(inst) && !fn(inst)) return;
    }
  }
}

// The first instance matching ref for which test(inst) holds; null when
// none.
template <class Test>
CInstance *Instance_FirstMatch(CInstance *self, CInstance *other, int32_t ref, Test test) {
  CInstance *found = nullptr;
  Instance_ForEachMatch(self, other, ref, [&](CInstance *inst) {
    if (!test(inst)) return true;
    found = inst;
    return false;
  });
  return found;
}

// A vector to gather instances in for the length of one search. Searches
// do not nest today, but one that did gets a vector of its own.
class CMatchBuffer {
public:
  CMatchBuffer();
  ~CMatchBuffer();
  CMatchBuffer(const CMatchBuffer &) = delete;
  CMatchBuffer &operator=(const CMatchBuffer &) = delete;
  std::vector<CInstance *> &list;
};

// Into out, the instances that Instance_ForEachMatch would visit for ref
// (all, or an object) whose boxes overlap region, in the order it visits
// them, found through the collision index. False when the index does not
// serve this search (another kind of reference, a room or object with few
// instances, the index turned off): the caller walks.
bool Instance_MatchesNear(const CRoom &room, int32_t ref, const RPixelRegion &region, std::vector<CInstance *> &out);

// Instance_ForEachMatch restricted to instances whose boxes may overlap
// region (null: no restriction). Only for fn that answers false to every
// instance whose box does not reach into the region (the collision tests
// all test the box first), and that changes nothing: the instances are
// gathered before fn sees the first of them.
template <class Fn>
void Instance_ForEachMatchIn(CInstance *self, CInstance *other, int32_t ref, const RPixelRegion *region, Fn fn) {
  if (region != nullptr && (ref == kRefAll || (ref >= 0 && ref < kFirstInstanceId))) {
    if (const CRoom *room = Room_Current()) {
      CMatchBuffer near;
      if (Instance_MatchesNear(*room, ref, *region, near.list)) {
        for (CInstance *inst : near.list)
          if (Instance_Live(inst) && !fn(inst)) return;
        return;
      }
    }
  }
  Instance_ForEachMatch(self, other, ref, fn);
}

// Instance_FirstMatch through the index, with the same conditions on test.
template <class Test>
CInstance *Instance_FirstMatchIn(CInstance *self, CInstance *other, int32_t ref, const RPixelRegion *region, Test test) {
  CInstance *found = nullptr;
  Instance_ForEachMatchIn(self, other, ref, region, [&](CInstance *inst) {
    if (!test(inst)) return true;
    found = inst;
    return false;
  });
  return found;
}

// The region of a shape for the searches above; null when a coordinate is
// not a finite number.
inline const RPixelRegion *Instance_ShapeRegion(double x1, double y1, double x2, double y2, RPixelRegion &out) {
  return PixelRegion_Of(x1, y1, x2, y2, out) ? &out : nullptr;
}

// An instance's id, or noone for none.
inline double Instance_IdOrNoone(const CInstance *inst) { return inst != nullptr ? inst->i_id : kRefNoone; }

// Whether self, at (x, y), meets no solid instance (precise masks).
bool Place_Free(CInstance &self, double x, double y);
// Whether self, at (x, y), meets no instance at all.
bool Place_Empty(CInstance &self, double x, double y);
// The first instance matching ref that self meets at (x, y); null when none.
CInstance *Place_Instance(CInstance &self, CInstance *other, double x, double y, int32_t ref);
