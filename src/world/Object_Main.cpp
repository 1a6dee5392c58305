#include "world/Object_Main.h"

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Code_Operator.h"
#include "code/Function_Args.h"
#include "world/Event_Main.h"
#include "world/Object_Lists.h"

RObjectList g_Objects;

namespace {
constexpr int32_t kSectionVersion = 800;
}

bool Object_Load(CStream &stream) {
  g_Objects.Clear();
  Object_EventsChanged();
  if (stream.ReadInteger() != kSectionVersion) return false;
  return LoadNamedItems(stream, g_Objects);
}

void Object_SaveSection(CStream &stream, const RObjectList &list) {
  stream.WriteInteger(kSectionVersion);
  SaveNamedItems(stream, list);
}

int ObjectCount() { return g_Objects.Count(); }
bool ObjectExists(int index) { return g_Objects.Exists(index); }
CObject *ObjectGet(int index) { return g_Objects.Get(index); }
const std::string &ObjectName(int index) { return g_Objects.Name(index); }
int ObjectFind(std::string_view name) { return g_Objects.Find(name); }

int ObjectAdd() {
  const int index = g_Objects.Count();
  auto obj = std::make_unique<CObject>();
  obj->Create();
  g_Objects.items.push_back(std::move(obj));
  g_Objects.names.push_back("__newobject" + std::to_string(index));
  Object_EventsChanged();
  return index;
}

void ObjectDelete(int index) {
  if (!g_Objects.Exists(index)) return;
  Event_Retire(std::move(g_Objects.items[static_cast<size_t>(index)]));
  g_Objects.items[static_cast<size_t>(index)].reset();
  g_Objects.names[static_cast<size_t>(index)].clear();
  Object_EventsChanged();
}

bool Object_CompileAll() {
  for (int i = 0; i < g_Objects.Count(); ++i) {
    CObject *obj = g_Objects.Get(i);
    if (obj == nullptr) continue;
    g_EventContext.object = i;
    if (!obj->Compile()) return false;
  }
  return true;
}

// ---- functions ---------------------------------------------------------------

namespace {

constexpr char kMsgNoParent[] = "Setting a non-existing parent.";
constexpr char kMsgParentCycle[] = "Creating a cycle in the parent relation.";
constexpr char kMsgDeleteMissing[] = "Trying to delete non-existing object.";

using fnarg::Bool;
using fnarg::Int;
using fnarg::Text;

void F_EventPerform(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  PerformInstanceEvent(self, other, Int(args[0]), Int(args[1]));
}

void F_EventUser(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const int32_t n = Int(args[0]);
  if (n < 0) return;  // not a user event; keeps 10 + n from reaching other events
  PerformInstanceEvent(self, other, 7, 10 + n);
}

void F_EventPerformObject(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  PerformEvent(self, other, Int(args[0]), Int(args[1]), Int(args[2]));
}

void F_EventInherited(CInstance *self, CInstance *other, int, RValue *, RValue &) {
  const CObject *obj = ObjectGet(g_EventContext.object);
  if (obj == nullptr || !ObjectExists(obj->o_parent)) return;
  PerformEvent(self, other, obj->o_parent, g_EventContext.type, g_EventContext.number);
}

void F_ObjectName(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetString(RString(ObjectName(Int(args[0]))));
}

void F_ObjectExists(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(ObjectExists(Int(args[0])) ? 1 : 0);
}

// object_get_*: the field, -1 for a missing object.
template <class F>
void GetField(const RValue *args, RValue &result, F field) {
  const CObject *obj = ObjectGet(Int(args[0]));
  result.SetReal(obj ? static_cast<double>(field(*obj)) : -1.0);
}

void F_GetSprite(CInstance *, CInstance *, int, RValue *a, RValue &r) { GetField(a, r, [](const CObject &o) { return o.o_spriteindex; }); }
void F_GetSolid(CInstance *, CInstance *, int, RValue *a, RValue &r) { GetField(a, r, [](const CObject &o) { return o.o_solid ? 1 : 0; }); }
void F_GetVisible(CInstance *, CInstance *, int, RValue *a, RValue &r) { GetField(a, r, [](const CObject &o) { return o.o_visible ? 1 : 0; }); }
void F_GetDepth(CInstance *, CInstance *, int, RValue *a, RValue &r) { GetField(a, r, [](const CObject &o) { return o.o_depth; }); }
void F_GetPersistent(CInstance *, CInstance *, int, RValue *a, RValue &r) { GetField(a, r, [](const CObject &o) { return o.o_persistent ? 1 : 0; }); }
void F_GetMask(CInstance *, CInstance *, int, RValue *a, RValue &r) { GetField(a, r, [](const CObject &o) { return o.o_mask; }); }
void F_GetParent(CInstance *, CInstance *, int, RValue *a, RValue &r) { GetField(a, r, [](const CObject &o) { return o.o_parent; }); }

void F_IsAncestor(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const CObject *obj = ObjectGet(Int(args[0]));
  result.SetReal(obj == nullptr ? -1.0 : obj->IsDecendentOf(Int(args[1])) ? 1.0 : 0.0);
}

// object_set_*: the field of an existing object; missing objects are ignored.
template <class F>
void SetField(const RValue *args, F set) {
  if (CObject *obj = ObjectGet(Int(args[0]))) set(*obj, args[1]);
}

void F_SetSprite(CInstance *, CInstance *, int, RValue *a, RValue &) { SetField(a, [](CObject &o, const RValue &v) { o.o_spriteindex = Int(v); }); }
void F_SetSolid(CInstance *, CInstance *, int, RValue *a, RValue &) { SetField(a, [](CObject &o, const RValue &v) { o.o_solid = Bool(v); }); }
void F_SetVisible(CInstance *, CInstance *, int, RValue *a, RValue &) { SetField(a, [](CObject &o, const RValue &v) { o.o_visible = Bool(v); }); }
void F_SetDepth(CInstance *, CInstance *, int, RValue *a, RValue &) { SetField(a, [](CObject &o, const RValue &v) { o.o_depth = Int(v); }); }
void F_SetPersistent(CInstance *, CInstance *, int, RValue *a, RValue &) { SetField(a, [](CObject &o, const RValue &v) { o.o_persistent = Bool(v); }); }
void F_SetMask(CInstance *, CInstance *, int, RValue *a, RValue &) { SetField(a, [](CObject &o, const RValue &v) { o.o_mask = Int(v); }); }

void F_SetParent(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const int32_t index = Int(args[0]);
  CObject *obj = ObjectGet(index);
  if (obj == nullptr) return;
  const int32_t parent = Int(args[1]);
  if (parent < 0) {
    obj->o_parent = -1;
  } else if (!ObjectExists(parent)) {
    ReportActionError(kMsgNoParent, false);
    return;
  } else if (parent == index || ObjectGet(parent)->IsDecendentOf(index)) {
    ReportActionError(kMsgParentCycle, false);
    return;
  } else {
    obj->o_parent = parent;
  }
  Object_BuildEventLists();
}

void F_ObjectAdd(CInstance *, CInstance *, int, RValue *, RValue &result) { result.SetReal(ObjectAdd()); }

void F_ObjectDelete(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const int32_t index = Int(args[0]);
  if (!ObjectExists(index)) {
    ReportActionError(kMsgDeleteMissing, false);
    return;
  }
  ObjectDelete(index);
  Object_BuildEventLists();
}

void F_EventClear(CInstance *, CInstance *, int, RValue *args, RValue &) {
  CObject *obj = ObjectGet(Int(args[0]));
  const int32_t etype = Int(args[1]);
  const int32_t enumb = Int(args[2]);
  if (obj == nullptr || etype < 0 || etype >= kEventTypeCount) return;
  auto &list = obj->o_events[static_cast<size_t>(etype)];
  const auto it = list.find(enumb);
  if (it == list.end() || !it->second) return;
  Event_RetireActions(*it->second);
  Object_BuildEventLists();
}

void F_EventAdd(CInstance *, CInstance *, int, RValue *args, RValue &) {
  CObject *obj = ObjectGet(Int(args[0]));
  if (obj == nullptr) return;
  CEvent *ev = obj->CreateEvent(Int(args[1]), Int(args[2]));
  if (ev == nullptr) return;
  // A failed compilation has ended the game; the action stays and runs
  // nothing, as its code was never made.
  ev->AddCodeAction(Text(args[3])).Compile();
  Object_BuildEventLists();
}

}  // namespace

void Object_Main_Init() {
  FunctionAdd("event_perform", F_EventPerform, 2);
  FunctionAdd("event_user", F_EventUser, 1);
  FunctionAdd("event_perform_object", F_EventPerformObject, 3);
  FunctionAdd("event_inherited", F_EventInherited, 0);
  FunctionAdd("object_name", F_ObjectName, 1);
  FunctionAdd("object_get_name", F_ObjectName, 1);
  FunctionAdd("object_exists", F_ObjectExists, 1);
  FunctionAdd("object_get_sprite", F_GetSprite, 1);
  FunctionAdd("object_get_solid", F_GetSolid, 1);
  FunctionAdd("object_get_visible", F_GetVisible, 1);
  FunctionAdd("object_get_depth", F_GetDepth, 1);
  FunctionAdd("object_get_persistent", F_GetPersistent, 1);
  FunctionAdd("object_get_mask", F_GetMask, 1);
  FunctionAdd("object_get_parent", F_GetParent, 1);
  FunctionAdd("object_is_ancestor", F_IsAncestor, 2);
  FunctionAdd("object_set_sprite", F_SetSprite, 2);
  FunctionAdd("object_set_solid", F_SetSolid, 2);
  FunctionAdd("object_set_visible", F_SetVisible, 2);
  FunctionAdd("object_set_depth", F_SetDepth, 2);
  FunctionAdd("object_set_persistent", F_SetPersistent, 2);
  FunctionAdd("object_set_mask", F_SetMask, 2);
  FunctionAdd("object_set_parent", F_SetParent, 2);
  FunctionAdd("object_add", F_ObjectAdd, 0);
  FunctionAdd("object_delete", F_ObjectDelete, 1);
  FunctionAdd("object_event_clear", F_EventClear, 3);
  FunctionAdd("object_event_add", F_EventAdd, 4);
}
