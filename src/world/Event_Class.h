// CEvent: the ordered actions of one event of an object or one moment of a
// time line, with its record reader and writer.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "world/Action_Class.h"
#include "world/Object_Lists.h"

class CStream;

class CEvent {
public:
  static constexpr int32_t kVersion = 400;

  std::vector<std::unique_ptr<CAction>> e_actions;  // its size is the action count

  int32_t Count() const { return static_cast<int32_t>(e_actions.size()); }
  // The action at index, or null outside 0..Count()-1.
  CAction *Action(int32_t index) const {
    return index >= 0 && index < Count() ? e_actions[static_cast<size_t>(index)].get() : nullptr;
  }

  void Clear() {
    e_actions.clear();
    Object_EventsChanged();
  }
  CAction &AddCodeAction(std::string_view text);
  // Reads the event record. False when the record cannot be read to its end:
  // another event version (the event stays empty and nothing more is read)
  // or an action of another version (the event keeps the actions before it
  // and that action, left empty). The bytes after such a record cannot be
  // located, so the caller stops reading the record that holds it.
  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;
  // Compiles the actions in order, each with its index as the running
  // action of the event context; false at the first failure.
  bool Compile();
};
