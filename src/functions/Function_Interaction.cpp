#include "functions/Function_Interaction.h"

#include <string>
#include <vector>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "world/Event_Main.h"
#include "world/Instance_Class.h"
#include "world/Instance_Place.h"
#include "world/Object_Main.h"
#include "world/Room_Main.h"
#include "world/Room_World.h"

namespace {

using fnarg::Bool;
using fnarg::Int;
using fnarg::Num;

constexpr int32_t kSelf = kRefSelf, kOther = kRefOther, kAll = kRefAll, kNoone = kRefNoone;
constexpr int32_t kEventCreate = 0, kEventDestroy = 1;

// --- creating, changing, destroying -----------------------------------------

void F_InstanceCreate(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const int32_t obj = Int(args[2]);
  result.SetReal(kNoone);
  if (!ObjectExists(obj)) {
    ReportActionError("Creating instance for non-existing object: " + std::to_string(obj), false);
    return;
  }
  CRoom *room = Room_Current();
  if (room == nullptr) return;
  CInstance *inst = room->AddInstance(obj, Num(args[0]), Num(args[1]));
  result.SetReal(inst->i_id);
  PerformEvent(inst, inst, obj, kEventCreate, 0);
}

void F_InstanceCopy(CInstance *self, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(kNoone);
  CRoom *room = Room_Current();
  if (self == nullptr || room == nullptr) return;
  CInstance *inst = room->AddInstance(self->i_objectindex, self->i_x, self->i_y);
  const int32_t id = inst->i_id;
  inst->Assign(*self);
  inst->i_id = id;
  result.SetReal(id);
  if (Bool(args[0])) PerformEvent(inst, inst, inst->i_objectindex, kEventCreate, 0);
}

// The destroy event (other = the instance itself), then the mark.
void Destroy(CInstance &inst) {
  PerformEvent(&inst, &inst, inst.i_objectindex, kEventDestroy, 0);
  inst.i_marked = true;
}

// Changes inst into an instance of obj, an existing object: with events,
// the destroy event first and the new object's create event last.
void Change(CInstance &self, int32_t obj, bool events) {
  CRoom *room = Room_Current();
  if (room == nullptr) return;
  if (events) PerformEvent(&self, &self, self.i_objectindex, kEventDestroy, 0);
  CInstance *inst = room->AddInstance(self.i_objectindex, self.i_x, self.i_y);
  inst->Assign(self);  // the id too: the changed instance keeps it
  inst->SetObjectIndex(obj);
  self.i_marked = true;
  // The new instance is listed under its new object at once, so that code
  // later in this step finds it by that object.
  room->RebuildObjectLists();
  if (events) PerformEvent(inst, inst, obj, kEventCreate, 0);
}

// Whether the object exists; reports the failed change when it does not.
bool ChangeTargetExists(int32_t obj) {
  if (ObjectExists(obj)) return true;
  ReportActionError("Asking to change into non-existing object: " + std::to_string(obj), false);
  return false;
}

void F_InstanceDestroy(CInstance *self, CInstance *, int, RValue *, RValue &) {
  if (self != nullptr) Destroy(*self);
}

void F_InstanceChange(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  const int32_t obj = Int(args[0]);
  if (ChangeTargetExists(obj) && self != nullptr) Change(*self, obj, Bool(args[1]));
}

void F_InstanceSprite(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  const int32_t sprite = Int(args[0]);
  RSpriteGeometry g;
  if (!Instance_SpriteGeometry(sprite, g)) {
    ReportActionError("Setting instance to non-existing sprite: " + std::to_string(sprite), false);
    return;
  }
  if (self != nullptr) self->SetSpriteIndex(sprite);
}

// --- finding and counting -----------------------------------------------------

void F_InstanceExists(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  bool found = false;
  Instance_ForEachMatch(self, other, Int(args[0]), [&](CInstance *) { return !(found = true); });
  result.SetReal(found ? 1 : 0);
}

void F_InstanceNumber(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  int32_t n = 0;
  Instance_ForEachMatch(self, other, Int(args[0]), [&](CInstance *) {
    ++n;
    return true;
  });
  result.SetReal(n);
}

void F_InstanceFind(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  const int32_t ref = Int(args[0]);
  int32_t n = Int(args[1]);
  result.SetReal(kNoone);
  if (ref == kSelf || ref == kOther || n < 0) return;
  Instance_ForEachMatch(self, other, ref, [&](CInstance *inst) {
    if (n-- > 0) return true;
    result.SetReal(inst->i_id);
    return false;
  });
}

// The matching instance nearest to (or furthest from) the point: a
// candidate must beat the best so far strictly, so ties keep the earlier.
template <bool Furthest>
void NearestOrFurthest(CInstance *self, CInstance *other, RValue *args, RValue &result) {
  const double x = Num(args[0]), y = Num(args[1]);
  const int32_t ref = Int(args[2]);
  result.SetReal(kNoone);
  if (ref >= kFirstInstanceId) return;
  double best = Furthest ? -1 : 1e10;
  Instance_ForEachMatch(self, other, ref, [&](CInstance *inst) {
    const double dx = inst->i_x - x, dy = inst->i_y - y;
    const double d = dx * dx + dy * dy;
    if (Furthest ? d > best : d < best) {
      best = d;
      result.SetReal(inst->i_id);
    }
    return true;
  });
}

void F_InstanceNearest(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  NearestOrFurthest<false>(self, other, args, result);
}

void F_InstanceFurthest(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  NearestOrFurthest<true>(self, other, args, result);
}

// --- points and places --------------------------------------------------------

// The first instance matching ref whose precise mask holds the point.
CInstance *AtPoint(CInstance *self, CInstance *other, int32_t ref, double x, double y) {
  RPixelRegion region;
  return Instance_FirstMatchIn(self, other, ref, Instance_ShapeRegion(x, y, x, y, region),
                               [&](CInstance *inst) { return inst->Collision_Point(x, y, true); });
}

void F_InstancePosition(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  result.SetReal(Instance_IdOrNoone(AtPoint(self, other, Int(args[2]), Num(args[0]), Num(args[1]))));
}

void F_InstancePlace(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  result.SetReal(kNoone);
  if (self != nullptr) result.SetReal(Instance_IdOrNoone(Place_Instance(*self, other, Num(args[0]), Num(args[1]), Int(args[2]))));
}

void F_PositionEmpty(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  result.SetReal(AtPoint(self, other, kAll, Num(args[0]), Num(args[1])) == nullptr ? 1 : 0);
}

void F_PositionMeeting(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  result.SetReal(AtPoint(self, other, Int(args[2]), Num(args[0]), Num(args[1])) != nullptr ? 1 : 0);
}

// The instances (room order) whose precise mask holds the point, taken
// before any of them is acted on: the events that run on the way may add,
// change or deactivate instances, and only those there at the call count.
// Ids rather than pointers, so that an instance changed on the way is found
// by its id again (its marked original is not).
std::vector<int32_t> IdsAtPoint(CInstance *self, CInstance *other, double x, double y) {
  std::vector<int32_t> ids;
  RPixelRegion region;
  Instance_ForEachMatchIn(self, other, kAll, Instance_ShapeRegion(x, y, x, y, region), [&](CInstance *inst) {
    if (inst->Collision_Point(x, y, true)) ids.push_back(inst->i_id);
    return true;
  });
  return ids;
}

void F_PositionDestroy(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  for (int32_t id : IdsAtPoint(self, other, Num(args[0]), Num(args[1])))
    if (CInstance *inst = Room_FindInstance(id); Instance_Live(inst)) Destroy(*inst);
}

void F_PositionChange(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const int32_t obj = Int(args[2]);
  if (!ChangeTargetExists(obj)) return;
  const bool events = Bool(args[3]);
  for (int32_t id : IdsAtPoint(self, other, Num(args[0]), Num(args[1])))
    if (CInstance *inst = Room_FindInstance(id); Instance_Live(inst)) Change(*inst, obj, events);
}

// --- deactivation ---------------------------------------------------------------

// Whether the instance counts as inside the closed region: by its box when
// it has a sprite or mask, else by its position.
bool InRegion(const CInstance &inst, double left, double top, double width, double height) {
  const double right = left + width, bottom = top + height;
  RSpriteGeometry g;
  if (Instance_SpriteGeometry(inst.i_spriteindex, g) || Instance_SpriteGeometry(inst.i_maskindex, g)) {
    const RRect &b = inst.i_bbox;
    return b.left <= right && b.right >= left && b.top <= bottom && b.bottom >= top;
  }
  return inst.i_x >= left && inst.i_x <= right && inst.i_y >= top && inst.i_y <= bottom;
}

void F_DeactivateAll(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  CRoom *room = Room_Current();
  if (room == nullptr) return;
  const bool notMe = Bool(args[0]);
  for (const auto &inst : room->r_instance)
    if (!inst->i_marked && !(notMe && inst.get() == self)) inst->i_deactivated = true;
  room->UpdateActive();
}

void F_DeactivateObject(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  CRoom *room = Room_Current();
  if (room == nullptr) return;
  Instance_ForEachMatch(self, other, Int(args[0]), [](CInstance *inst) {
    inst->i_deactivated = true;
    return true;
  });
  room->UpdateActive();
}

void F_DeactivateRegion(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  CRoom *room = Room_Current();
  if (room == nullptr) return;
  const bool inside = Bool(args[4]), notMe = Bool(args[5]);
  for (const auto &inst : room->r_instance) {
    if (inst->i_marked || (notMe && inst.get() == self)) continue;
    if (InRegion(*inst, Num(args[0]), Num(args[1]), Num(args[2]), Num(args[3])) == inside) inst->i_deactivated = true;
  }
  room->UpdateActive();
}

void F_ActivateAll(CInstance *, CInstance *, int, RValue *, RValue &) {
  CRoom *room = Room_Current();
  if (room == nullptr) return;
  for (const auto &inst : room->r_instance_deact) inst->i_deactivated = false;
  room->UpdateActive();
}

// Whether the instance's object is objind or descends from it.
bool OfObject(const CInstance &inst, int32_t objind) {
  if (inst.i_objectindex == objind) return true;
  const CObject *obj = ObjectGet(inst.i_objectindex);
  return obj != nullptr && obj->IsDecendentOf(objind);
}

void F_ActivateObject(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  CRoom *room = Room_Current();
  if (room == nullptr) return;
  const int32_t ref = Int(args[0]);
  if (ref == kSelf || ref == kOther) {
    if (CInstance *inst = ref == kSelf ? self : other) inst->i_deactivated = false;
  } else {
    for (const auto &inst : room->r_instance_deact) {
      const bool match = ref == kAll || (ref >= kFirstInstanceId ? inst->i_id == ref : ref >= 0 && OfObject(*inst, ref));
      if (match) inst->i_deactivated = false;
    }
  }
  room->UpdateActive();
}

void F_ActivateRegion(CInstance *, CInstance *, int, RValue *args, RValue &) {
  CRoom *room = Room_Current();
  if (room == nullptr) return;
  const bool inside = Bool(args[4]);
  for (const auto &inst : room->r_instance_deact)
    if (InRegion(*inst, Num(args[0]), Num(args[1]), Num(args[2]), Num(args[3])) == inside) inst->i_deactivated = false;
  room->UpdateActive();
}

}  // namespace

void Function_Interaction_Init() {
  FunctionAdd("instance_create", F_InstanceCreate, 3);
  FunctionAdd("instance_copy", F_InstanceCopy, 1);
  FunctionAdd("instance_destroy", F_InstanceDestroy, 0);
  FunctionAdd("instance_change", F_InstanceChange, 2);
  FunctionAdd("instance_sprite", F_InstanceSprite, 1);
  FunctionAdd("instance_exists", F_InstanceExists, 1);
  FunctionAdd("instance_number", F_InstanceNumber, 1);
  FunctionAdd("instance_find", F_InstanceFind, 2);
  FunctionAdd("instance_nearest", F_InstanceNearest, 3);
  FunctionAdd("instance_furthest", F_InstanceFurthest, 3);
  FunctionAdd("instance_position", F_InstancePosition, 3);
  FunctionAdd("instance_place", F_InstancePlace, 3);
  FunctionAdd("position_empty", F_PositionEmpty, 2);
  FunctionAdd("position_meeting", F_PositionMeeting, 3);
  FunctionAdd("position_destroy", F_PositionDestroy, 2);
  FunctionAdd("position_change", F_PositionChange, 4);
  FunctionAdd("instance_deactivate_all", F_DeactivateAll, 1);
  FunctionAdd("instance_deactivate_object", F_DeactivateObject, 1);
  FunctionAdd("instance_deactivate_region", F_DeactivateRegion, 6);
  FunctionAdd("instance_activate_all", F_ActivateAll, 0);
  FunctionAdd("instance_activate_object", F_ActivateObject, 1);
  FunctionAdd("instance_activate_region", F_ActivateRegion, 5);
}
