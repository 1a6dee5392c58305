// The event engine: runs the actions of an object's event (found through
// the parent chain) for a self and an other instance, keeping the event
// context that error messages and the event_* variables read.
#pragma once

#include <cstdint>
#include <memory>

class CEvent;
class CInstance;

// The event type of the context while a time-line moment runs; the number
// is then the moment's step and the object the time line.
inline constexpr int32_t kEventTimeLine = 100000;

// The running event: the object it was found in (or the time line while a
// moment runs), its type and number, and the running action's index.
struct REventContext {
  int32_t object = -1;
  int32_t type = 0;
  int32_t number = 0;
  int32_t action = 0;
  bool relative = false;  // argument_relative of the running action
};
extern REventContext g_EventContext;

// Installs the event context as what error messages name and what the
// event_* and argument_relative variables read. Safe to call again.
void Event_InstallProviders();

// The event of object objind (through the parent chain) with self and other.
// Nothing while a game-state code is pending.
void PerformEvent(CInstance *self, CInstance *other, int32_t objind, int32_t etype, int32_t enumb);
// PerformEvent for self's own object; nothing when self is null.
void PerformInstanceEvent(CInstance *self, CInstance *other, int32_t etype, int32_t enumb);
// An object's event for one type and number, found once for many instances
// of a dispatch; it is looked up again when the instance's object differs or
// objects, parents or events changed since (an event can change them).
struct REventFinder {
  bool found = false;
  int32_t object = -1;
  uint64_t generation = 0;
  const CEvent *event = nullptr;
  int32_t owner = -1;
};
// PerformInstanceEvent with self as the other too, the event found through
// the finder (which starts empty for each type and number).
void PerformInstanceEvent(REventFinder &finder, CInstance *self, int32_t etype, int32_t enumb);
// For every unmarked instance of the current room (the count taken at the
// start), with self = other = the instance.
void PerformEventAll(int32_t etype, int32_t enumb);

// Runs the actions of ev with the context set to (object, type, number) and
// puts the previous object, type and number back afterwards (the action
// index is left as the event left it). Time-line moments run through here.
void Event_RunWithContext(const CEvent &ev, CInstance *self, CInstance *other, int32_t object, int32_t etype,
                          int32_t enumb);

// Events nest (an action raises another event); beyond this depth a further
// event is refused with kMsgEventRecursion, so a game whose events raise
// each other endlessly gets an error instead of exhausting the stack.
inline constexpr int kMaxEventDepth = 1000;
inline constexpr char kMsgEventRecursion[] = "Event recursion too deep.";
// How many events (and moments) are running right now.
int Event_Depth();

// Objects, events, actions and time lines that scripts delete or clear may
// belong to an event that is running right now. They are handed here and
// freed once no event runs any more; with no event running they go at once.
void Event_Retire(std::shared_ptr<void> thing);
template <class T>
void Event_Retire(std::unique_ptr<T> thing) {
  if (thing) Event_Retire(std::shared_ptr<void>(std::move(thing)));
}
// Moves every action of ev out (ev is left without actions) and retires them.
void Event_RetireActions(CEvent &ev);
