// A game world of real CInstance records for tests of the event engine,
// time lines and triggers: instances in room order, the per-object lists
// (an object and its descendants, by the parents of the global object list)
// and the destroy marks read from the instances themselves. Header-only.
#pragma once

#include <deque>
#include <map>
#include <vector>

#include "code/Code_World.h"
#include "world/Instance_Class.h"
#include "world/Object_Main.h"

class CInstanceWorld final : public CWorld {
public:
  static constexpr int kFirstId = 100001;

  // Appends an instance of the object to the room.
  CInstance &Add(int object) {
    CInstance &inst = m_instances.emplace_back();
    inst.i_id = m_nextId++;
    inst.i_objectindex = object;
    inst.i_object = ObjectGet(object);
    return inst;
  }
  void Clear() {
    m_instances.clear();
    m_lists.clear();
    m_nextId = kFirstId;
  }

  int InstanceCount() override { return static_cast<int>(m_instances.size()); }
  CInstance *InstanceAt(int index) override {
    return index >= 0 && index < InstanceCount() ? &m_instances[static_cast<size_t>(index)] : nullptr;
  }
  int ObjectInstanceCount(int object) override {
    std::vector<CInstance *> &list = m_lists[object];
    list.clear();
    if (!ObjectExists(object)) return 0;
    for (CInstance &inst : m_instances) {
      const CObject *own = ObjectGet(inst.i_objectindex);
      if (inst.i_objectindex == object || (own && own->IsDecendentOf(object))) list.push_back(&inst);
    }
    return static_cast<int>(list.size());
  }
  CInstance *ObjectInstanceAt(int object, int index) override {
    const std::vector<CInstance *> &list = m_lists[object];
    return index >= 0 && index < static_cast<int>(list.size()) ? list[static_cast<size_t>(index)] : nullptr;
  }
  CInstance *FindInstance(int id) override {
    for (CInstance &inst : m_instances)
      if (inst.i_id == id) return &inst;
    return nullptr;
  }
  bool IsMarked(CInstance *inst) override { return inst->i_marked; }
  CVariableList &InstanceVars(CInstance *inst) override { return inst->i_vars; }
  int InstanceId(CInstance *inst) override { return inst->i_id; }
  int InstanceObject(CInstance *inst) override { return inst->i_objectindex; }

private:
  std::deque<CInstance> m_instances;
  // Filled when a count is asked for, as a walk over the list does first.
  std::map<int, std::vector<CInstance *>> m_lists;
  int m_nextId = kFirstId;
};
