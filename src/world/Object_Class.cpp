#include "world/Object_Class.h"

#include "base/Support_Stream.h"
#include "world/Event_Main.h"
#include "world/Object_Lists.h"
#include "world/Object_Main.h"

namespace {

// No parent chain without a cycle is longer than the object list, so a walk
// that takes more steps than that has gone round a cycle and stops.
int WalkLimit() { return ObjectCount() + 1; }

// The parent of obj when it names an existing object, else null.
const CObject *Parent(const CObject &obj, int32_t &index) {
  index = obj.o_parent;
  return index >= 0 ? ObjectGet(index) : nullptr;
}

}  // namespace

void CObject::Clear() {
  o_spriteindex = -1;
  o_solid = false;
  o_visible = true;
  o_depth = 0;
  o_persistent = false;
  o_parent = -1;
  o_mask = -1;
  for (auto &list : o_events) list.clear();
  Object_EventsChanged();
}

CEvent *CObject::CreateEvent(int32_t etype, int32_t enumb) {
  if (etype < 0 || etype >= kEventTypeCount || enumb < 0) return nullptr;
  std::unique_ptr<CEvent> &slot = o_events[static_cast<size_t>(etype)][enumb];
  if (!slot) {
    slot = std::make_unique<CEvent>();
    Object_EventsChanged();
  }
  return slot.get();
}

bool CObject::LoadFromStream(CStream &stream) {
  Clear();
  if (stream.ReadInteger() != kVersion) return false;
  o_spriteindex = stream.ReadInteger();
  o_solid = stream.ReadBoolean();
  o_visible = stream.ReadBoolean();
  o_depth = stream.ReadInteger();
  o_persistent = stream.ReadBoolean();
  o_parent = stream.ReadInteger();
  o_mask = stream.ReadInteger();
  const int32_t last = stream.ReadInteger();
  for (int32_t etype = 0; etype <= last; ++etype) {
    for (;;) {
      const int32_t enumb = stream.ReadInteger();
      if (enumb < 0) break;
      // Events of a type this runner does not know are read and dropped.
      CEvent dropped;
      CEvent *ev = CreateEvent(etype, enumb);
      if (!(ev ? ev : &dropped)->LoadFromStream(stream)) return true;
    }
  }
  return true;
}

void CObject::SaveToStream(CStream &stream) const {
  stream.WriteInteger(kVersion);
  stream.WriteInteger(o_spriteindex);
  stream.WriteBoolean(o_solid);
  stream.WriteBoolean(o_visible);
  stream.WriteInteger(o_depth);
  stream.WriteBoolean(o_persistent);
  stream.WriteInteger(o_parent);
  stream.WriteInteger(o_mask);
  stream.WriteInteger(kEventTypeCount - 1);
  for (const auto &list : o_events) {
    for (const auto &[enumb, ev] : list) {
      if (!ev) continue;
      stream.WriteInteger(enumb);
      ev->SaveToStream(stream);
    }
    stream.WriteInteger(-1);
  }
}

bool CObject::Compile() {
  for (int32_t etype = 0; etype < kEventTypeCount; ++etype) {
    for (const auto &[enumb, ev] : o_events[static_cast<size_t>(etype)]) {
      if (!ev) continue;
      g_EventContext.type = etype;
      g_EventContext.number = enumb;
      if (!ev->Compile()) return false;
    }
  }
  return true;
}

CEvent *CObject::GetEventDirect(int32_t etype, int32_t enumb) const {
  if (etype < 0 || etype >= kEventTypeCount || enumb < 0) return nullptr;
  const auto &list = o_events[static_cast<size_t>(etype)];
  const auto it = list.find(enumb);
  if (it == list.end() || !it->second || it->second->Count() == 0) return nullptr;
  return it->second.get();
}

bool CObject::HasEventDirect(int32_t etype) const {
  if (etype < 0 || etype >= kEventTypeCount) return false;
  for (const auto &[enumb, ev] : o_events[static_cast<size_t>(etype)])
    if (ev && ev->Count() > 0) return true;
  return false;
}

CEvent *CObject::GetEventRecursive(int32_t etype, int32_t enumb, int32_t *owner, int32_t ownIndex) const {
  // The own chain, for one event number.
  auto chain = [&](int32_t number) -> CEvent * {
    const CObject *obj = this;
    int32_t index = ownIndex;
    for (int steps = WalkLimit(); obj && steps > 0; --steps) {
      if (CEvent *ev = obj->GetEventDirect(etype, number)) {
        if (owner) *owner = index;
        return ev;
      }
      obj = Parent(*obj, index);
    }
    return nullptr;
  };
  if (CEvent *ev = chain(enumb)) return ev;
  // A collision event defined for an ancestor of the other object matches
  // too, the nearest ancestor first.
  if (etype == kEventCollision) {
    const CObject *other = ObjectGet(enumb);
    int32_t ancestor = -1;
    const CObject *p = other ? Parent(*other, ancestor) : nullptr;
    for (int steps = WalkLimit(); p && steps > 0; --steps) {
      if (CEvent *ev = chain(ancestor)) return ev;
      p = Parent(*p, ancestor);
    }
  }
  return nullptr;
}

bool CObject::HasEventRecursive(int32_t etype) const {
  const CObject *obj = this;
  int32_t index = -1;
  for (int steps = WalkLimit(); obj && steps > 0; --steps) {
    if (obj->HasEventDirect(etype)) return true;
    obj = Parent(*obj, index);
  }
  return false;
}

bool CObject::IsDecendentOf(int32_t objind) const {
  int32_t index = -1;
  const CObject *p = Parent(*this, index);
  for (int steps = WalkLimit(); p && steps > 0; --steps) {
    if (index == objind) return true;
    p = Parent(*p, index);
  }
  return false;
}
