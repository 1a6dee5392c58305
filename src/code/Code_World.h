// The interpreter's view of the game world: the room's instances, the
// instances of an object and its descendants, instance lookup by id, and each
// instance's variable list. The game world implements this once a room
// exists; tests install a small world of their own.
#pragma once

class CInstance;
class CVariableList;

class CWorld {
public:
  virtual ~CWorld() = default;

  // The current room's instances in room order. The interpreter takes the
  // count once when a `with` (or an assignment to all) starts and walks the
  // indices below it, so instances appended meanwhile are not visited; an
  // index that has gone past the end yields nullptr.
  virtual int InstanceCount() = 0;
  virtual CInstance *InstanceAt(int index) = 0;

  // The instances of an object and of all its descendants, in the order of
  // the room's per-object lists. An object index that names no object has
  // no instances.
  virtual int ObjectInstanceCount(int object) = 0;
  virtual CInstance *ObjectInstanceAt(int object, int index) = 0;

  // The instance with that id, marked or not; nullptr when there is none.
  // The world may cache recent hits; the answer is that of a full scan.
  virtual CInstance *FindInstance(int id) = 0;

  // Destroyed during this step: still in the lists, but skipped everywhere.
  virtual bool IsMarked(CInstance *instance) = 0;

  // The instance's own variables (`i_vars`).
  virtual CVariableList &InstanceVars(CInstance *instance) = 0;

  virtual int InstanceId(CInstance *instance) = 0;
  virtual int InstanceObject(CInstance *instance) = 0;
};

// The world the interpreter runs against; nullptr means an empty world (no
// instances, every lookup fails). Not owned.
CWorld *World();
void SetWorld(CWorld *world);
