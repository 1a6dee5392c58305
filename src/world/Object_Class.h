// CObject: the template instances are made from (sprite, solidity,
// visibility, depth, persistence, parent, mask) and its events, kept per
// event type by event number. Events are found directly or through the
// parent chain; the chain comes from game data and scripts, so every walk
// is bounded and a cycle ends it instead of hanging the runner.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>

#include "world/Event_Class.h"

class CStream;

// Event types 0..11: create, destroy, alarm, step, collision, keyboard,
// mouse, other, draw, key press, key release, trigger.
inline constexpr int kEventTypeCount = 12;
inline constexpr int32_t kEventCollision = 4;
inline constexpr int32_t kEventTrigger = 11;

class CObject {
public:
  static constexpr int32_t kVersion = 430;

  int32_t o_spriteindex = -1;
  bool o_solid = false;
  bool o_visible = true;
  int32_t o_depth = 0;
  bool o_persistent = false;
  int32_t o_parent = -1;
  int32_t o_mask = -1;
  // Per event type, the events by number. A number without an entry and an
  // entry without actions both mean the object has no such event. Kept
  // sparse: numbers are key codes, object and trigger indices, and a large
  // one must not cost memory for all the numbers below it.
  std::array<std::map<int32_t, std::unique_ptr<CEvent>>, kEventTypeCount> o_events;

  CObject() = default;

  void Create() { Clear(); }
  // The defaults, without events.
  void Clear();
  // The event of that type and number, made empty when missing; null for a
  // type outside 0..11 or a negative number.
  CEvent *CreateEvent(int32_t etype, int32_t enumb);
  // False when the record version is not 430. An event record that cannot be
  // read to its end keeps what it read and ends the object's events there.
  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;
  // Compiles every event, type by type and number by number, with the event
  // context naming each in turn; false at the first failure.
  bool Compile();

  // The object's own event with at least one action, or null.
  CEvent *GetEventDirect(int32_t etype, int32_t enumb) const;
  bool HasEventDirect(int32_t etype) const;
  // Through the parent chain (objects of the global object list); for a
  // collision event also through the ancestors of the other object. owner,
  // when given, receives the index of the object the event was found in
  // (ownIndex stands for this object itself, which need not be in the list).
  CEvent *GetEventRecursive(int32_t etype, int32_t enumb, int32_t *owner = nullptr, int32_t ownIndex = -1) const;
  bool HasEventRecursive(int32_t etype) const;
  // True when objind is this object's parent, grandparent and so on.
  bool IsDecendentOf(int32_t objind) const;
};
