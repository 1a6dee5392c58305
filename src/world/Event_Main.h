// The event engine: runs the actions of an object's event (found through
// the parent chain) for a self and an other instance, keeping the event
// context that error messages and the event_* variables read.
#pragma once

#include <cstdint>

class CInstance;

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

// The event of object objind (through the parent chain) with self and other.
// Nothing while a game-state code is pending.
void PerformEvent(CInstance *self, CInstance *other, int32_t objind, int32_t etype, int32_t enumb);
// PerformEvent for self's own object; nothing when self is null.
void PerformInstanceEvent(CInstance *self, CInstance *other, int32_t etype, int32_t enumb);
// For every unmarked instance of the current room (the count taken at the
// start), with self = other = the instance.
void PerformEventAll(int32_t etype, int32_t enumb);
