// The event lists that make dispatch cheap: per event type and number the
// objects that have that event of their own or through their parents, and
// the pairs of objects with a collision event between them. Rebuilt at game
// start and whenever parents or events change at run time.
#pragma once

#include <cstdint>
#include <vector>

struct TColPair {
  int32_t obj1 = 0;
  int32_t obj2 = 0;  // obj1 <= obj2
};

// Builds both tables from the object list as it stands.
void Object_BuildEventLists();

// Counts the changes to objects, their parents and their events, so that a
// dispatch can find an object's event once for all its instances and look
// again only when something it depends on changed meanwhile.
inline uint64_t g_ObjectEventsGeneration = 0;
inline void Object_EventsChanged() { ++g_ObjectEventsGeneration; }

// The objects, in increasing index, whose own or inherited event (type,
// number) has actions. Covered numbers: create, destroy and draw 0; alarm
// 0..12; step 0..16; keyboard, mouse, other, key press and key release
// 0..128; trigger 0..(trigger count - 1); other numbers and collision events
// give an empty list. The list object stays in place when the tables are
// rebuilt (an event may rebuild them while the caller walks the list), so
// walk it by index and re-read its size.
const std::vector<int32_t> &EventList(int32_t etype, int32_t enumb);
// Highest number covered for a type; -1 when none is.
int32_t EventListLast(int32_t etype);

// Every pair of existing objects (obj1 <= obj2, in object order) where one
// has a collision event for the other, both looked up through the parent
// chains. Rebuilt in place like the event lists.
const std::vector<TColPair> &CollisionPairs();
