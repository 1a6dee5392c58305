#include "world/Room_World.h"

#include <unordered_map>

#include "code/Code_World.h"
#include "world/Instance_Class.h"
#include "world/Room_Main.h"

namespace {

// Where each id was last found. Lookups by id repeat (a `with` over one id,
// an id kept in a variable), so a remembered position is tried first; it is
// only a hint, checked before it is trusted.
std::unordered_map<int32_t, int> s_foundAt;

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
  if (const auto hint = s_foundAt.find(id); hint != s_foundAt.end() && hint->second < n) {
    CInstance *inst = room->InstanceAt(hint->second);
    if (inst->i_id == id && !inst->i_marked) return inst;
  }
  // At most one unmarked instance has a given id. Searching from the end
  // finds an instance made a moment ago (looked up right after its
  // creation) at once.
  int marked = -1;
  for (int i = n - 1; i >= 0; --i) {
    CInstance *inst = room->InstanceAt(i);
    if (inst->i_id != id) continue;
    if (!inst->i_marked) {
      if (s_foundAt.size() > 4 * static_cast<size_t>(n) + 1024) s_foundAt.clear();
      s_foundAt[id] = i;
      return inst;
    }
    marked = i;  // the first marked one in room order, when no live one has the id
  }
  return marked >= 0 ? room->InstanceAt(marked) : nullptr;
}
