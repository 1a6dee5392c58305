#include "world/Event_Main.h"

#include <vector>

#include "code/Code_Error.h"
#include "code/Code_World.h"
#include "code/Variable_BuiltIn.h"
#include "world/Event_Action.h"
#include "world/Event_Name.h"
#include "world/Object_Lists.h"
#include "world/Object_Main.h"
#include "world/Run_Main.h"
#include "world/TimeLine_Main.h"

REventContext g_EventContext;

namespace {

int s_depth = 0;
std::vector<std::shared_ptr<void>> s_retired;

// Counts a running event and restores the context it replaced, also when an
// arithmetic trap abandons the event; the last one out frees what scripts
// deleted meanwhile.
class CEventFrame {
public:
  CEventFrame(int32_t object, int32_t etype, int32_t enumb)
      : m_object(g_EventContext.object), m_type(g_EventContext.type), m_number(g_EventContext.number) {
    ++s_depth;
    g_EventContext.object = object;
    g_EventContext.type = etype;
    g_EventContext.number = enumb;
  }
  ~CEventFrame() {
    g_EventContext.object = m_object;
    g_EventContext.type = m_type;
    g_EventContext.number = m_number;
    if (--s_depth == 0) s_retired.clear();
  }
  CEventFrame(const CEventFrame &) = delete;
  CEventFrame &operator=(const CEventFrame &) = delete;

private:
  int32_t m_object, m_type, m_number;
};

RErrorContext ErrorContext() {
  const REventContext &c = g_EventContext;
  RErrorContext out;
  out.actionIndex = c.action;
  if (c.type == kEventTimeLine) {
    out.inTimeLine = true;
    out.timeLineName = TimeLineName(c.object);
    out.timeLineStep = c.number;
  } else {
    out.objectName = ObjectName(c.object);
    out.eventName = EventName(c.type, c.number);
  }
  return out;
}

RBuiltinEventInfo EventInfo() {
  const REventContext &c = g_EventContext;
  return RBuiltinEventInfo{c.type, c.number, c.object, c.action, c.relative};
}

}  // namespace

void Event_InstallProviders() {
  SetErrorContextProvider(ErrorContext);
  BuiltinSetEventProvider(EventInfo);
}

int Event_Depth() { return s_depth; }

void Event_Retire(std::shared_ptr<void> thing) {
  if (s_depth > 0) s_retired.push_back(std::move(thing));
}

void Event_RetireActions(CEvent &ev) {
  std::vector<std::unique_ptr<CAction>> actions = std::move(ev.e_actions);
  ev.e_actions.clear();
  Object_EventsChanged();
  for (auto &a : actions) Event_Retire(std::move(a));
}

void Event_RunWithContext(const CEvent &ev, CInstance *self, CInstance *other, int32_t object, int32_t etype,
                          int32_t enumb) {
  if (GameStatePending()) return;
  if (s_depth >= kMaxEventDepth) {
    ReportActionError(kMsgEventRecursion, false);
    return;
  }
  CEventFrame frame(object, etype, enumb);
  RunActions(ev, self, other);
}

void PerformEvent(CInstance *self, CInstance *other, int32_t objind, int32_t etype, int32_t enumb) {
  if (GameStatePending()) return;
  const CObject *obj = ObjectGet(objind);
  if (obj == nullptr) return;
  int32_t owner = objind;
  const CEvent *ev = obj->GetEventRecursive(etype, enumb, &owner, objind);
  if (ev == nullptr) return;
  Event_RunWithContext(*ev, self, other, owner, etype, enumb);
}

void PerformInstanceEvent(CInstance *self, CInstance *other, int32_t etype, int32_t enumb) {
  CWorld *world = World();
  if (self == nullptr || world == nullptr) return;
  PerformEvent(self, other, world->InstanceObject(self), etype, enumb);
}

void PerformInstanceEvent(REventFinder &finder, CInstance *self, int32_t etype, int32_t enumb) {
  CWorld *world = World();
  if (self == nullptr || world == nullptr || GameStatePending()) return;
  const int32_t objind = world->InstanceObject(self);
  if (!finder.found || finder.object != objind || finder.generation != g_ObjectEventsGeneration) {
    finder.found = true;
    finder.object = objind;
    finder.generation = g_ObjectEventsGeneration;
    finder.owner = objind;
    const CObject *obj = ObjectGet(objind);
    finder.event = obj != nullptr ? obj->GetEventRecursive(etype, enumb, &finder.owner, objind) : nullptr;
  }
  if (finder.event != nullptr) Event_RunWithContext(*finder.event, self, self, finder.owner, etype, enumb);
}

void PerformEventAll(int32_t etype, int32_t enumb) {
  CWorld *world = World();
  if (world == nullptr) return;
  const int count = world->InstanceCount();
  for (int i = 0; i < count && !GameStatePending(); ++i) {
    CInstance *inst = world->InstanceAt(i);
    if (inst == nullptr || world->IsMarked(inst)) continue;
    PerformEvent(inst, inst, world->InstanceObject(inst), etype, enumb);
  }
}
