#include "world/Room_World.h"

#include "code/Code_World.h"
#include "world/Instance_Class.h"
#include "world/Room_Main.h"

namespace {

// Lookups by id tend to repeat (a `with` over one id, an id kept in a
// variable), so the position of the last hit is tried first.
int s_lastFound = -1;

class CRoomWorld final : public CWorld {
public:
  int InstanceCount() override {
    const CRoom *room = Room_Current();
    return room ? room->InstanceCount() : 0;
  }
  CInstance *InstanceAt(int index) override {
    const CRoom *room = Room_Current();
    return room ? room->InstanceAt(index) : nullptr;
  }
  int ObjectInstanceCount(int object) override {
    const CRoom *room = Room_Current();
    return room ? room->Obj_Number_Recursive(object) : 0;
  }
  CInstance *ObjectInstanceAt(int object, int index) override {
    const CRoom *room = Room_Current();
    return room ? room->Obj_Instance_Recursive(object, index) : nullptr;
  }
  CInstance *FindInstance(int id) override { return Room_FindInstance(id); }
  bool IsMarked(CInstance *instance) override { return instance->i_marked; }
  CVariableList &InstanceVars(CInstance *instance) override { return instance->i_vars; }
  int InstanceId(CInstance *instance) override { return instance->i_id; }
  int InstanceObject(CInstance *instance) override { return instance->i_objectindex; }
};

CRoomWorld s_world;

}  // namespace

CWorld &Room_World() { return s_world; }

void Room_InstallWorld() { SetWorld(&s_world); }

CInstance *Room_FindInstance(int id) {
  const CRoom *room = Room_Current();
  if (room == nullptr) return nullptr;
  const int n = room->InstanceCount();
  if (s_lastFound >= 0 && s_lastFound < n) {
    CInstance *inst = room->InstanceAt(s_lastFound);
    if (inst->i_id == id && !inst->i_marked) return inst;
  }
  CInstance *marked = nullptr;
  for (int i = 0; i < n; ++i) {
    CInstance *inst = room->InstanceAt(i);
    if (inst->i_id != id) continue;
    if (!inst->i_marked) {
      s_lastFound = i;
      return inst;
    }
    if (marked == nullptr) marked = inst;
  }
  return marked;
}
