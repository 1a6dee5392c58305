// A small game world for running code without a room: objects with
// parents, instances with ids and variables, and destroy marks. Header-only
// so that the tests, the fuzz target and the benchmarks can all use it.
//
// The interpreter treats CInstance as opaque and hands it back to the world,
// so an instance here is an RTestInstance behind a CInstance pointer. Code
// run in this world must not read instance built-ins (x, speed, ...), whose
// owners would look inside.
#pragma once

#include <deque>
#include <map>
#include <vector>

#include "code/Code_World.h"
#include "code/Variable_Class.h"

struct RTestInstance {
  int id = 0;
  int object = 0;
  bool marked = false;
  CVariableList vars;
};

class CTestWorld final : public CWorld {
public:
  static constexpr int kFirstId = 100001;

  // Adds an object with an optional parent; answers its index.
  int AddObject(int parent = -1) {
    m_parents.push_back(parent);
    return static_cast<int>(m_parents.size()) - 1;
  }
  // Appends an instance of the object to the room.
  CInstance *AddInstance(int object) {
    m_instances.push_back(RTestInstance{m_nextId++, object, false, {}});
    return Of(m_instances.back());
  }
  void Clear() {
    m_parents.clear();
    m_instances.clear();
    m_lists.clear();
    m_nextId = kFirstId;
  }

  static CInstance *Of(RTestInstance &inst) { return reinterpret_cast<CInstance *>(&inst); }
  static RTestInstance &Get(CInstance *inst) { return *reinterpret_cast<RTestInstance *>(inst); }

  int InstanceCount() override { return static_cast<int>(m_instances.size()); }
  CInstance *InstanceAt(int index) override {
    return index >= 0 && index < InstanceCount() ? Of(m_instances[static_cast<size_t>(index)]) : nullptr;
  }
  int ObjectInstanceCount(int object) override {
    std::vector<CInstance *> &list = m_lists[object];
    list.clear();
    for (RTestInstance &inst : m_instances)
      if (Descends(inst.object, object)) list.push_back(Of(inst));
    return static_cast<int>(list.size());
  }
  CInstance *ObjectInstanceAt(int object, int index) override {
    const std::vector<CInstance *> &list = m_lists[object];
    return index >= 0 && index < static_cast<int>(list.size()) ? list[static_cast<size_t>(index)] : nullptr;
  }
  CInstance *FindInstance(int id) override {
    for (RTestInstance &inst : m_instances)
      if (inst.id == id) return Of(inst);
    return nullptr;
  }
  bool IsMarked(CInstance *inst) override { return Get(inst).marked; }
  CVariableList &InstanceVars(CInstance *inst) override { return Get(inst).vars; }
  int InstanceId(CInstance *inst) override { return Get(inst).id; }
  int InstanceObject(CInstance *inst) override { return Get(inst).object; }

private:
  bool Descends(int object, int ancestor) const {
    for (int guard = 0; object >= 0 && guard <= static_cast<int>(m_parents.size()); ++guard) {
      if (object == ancestor) return true;
      object = object < static_cast<int>(m_parents.size()) ? m_parents[static_cast<size_t>(object)] : -1;
    }
    return false;
  }

  std::vector<int> m_parents;
  std::deque<RTestInstance> m_instances;
  // The per-object lists, filled when a count is asked for (as a `with`
  // does before walking them).
  std::map<int, std::vector<CInstance *>> m_lists;
  int m_nextId = kFirstId;
};
