// Runs arbitrary text as code against a real current room: instances of
// objects with parents (and a parent cycle) and sprites, the instance, room
// and tile functions and variables, all with hostile arguments. No crash, no
// hang, no leak, whatever the text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Code_Operator.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "functions/Function_Interaction.h"
#include "base/Option_Main.h"
#include "runner/Runner_Wire.h"
#include "world/Instance_Class.h"
#include "world/Instance_Variables.h"
#include "world/Object_Main.h"
#include "world/Room_Functions.h"
#include "world/Room_Main.h"
#include "world/Room_Variables.h"
#include "world/Room_World.h"

namespace {

constexpr int64_t kStepBudget = 20000;

// Sprite 0 is 16 x 16 with its origin in the middle; sprite 1 a 3-image
// strip with a trimmed box. Background 0 is 32 x 32.
bool Sprite(int32_t sprite, RSpriteGeometry &out) {
  if (sprite < 0 || sprite > 1) return false;
  out = RSpriteGeometry{sprite == 0 ? 1 : 3, 16, 16, 8, 8, sprite == 0 ? 0 : 3, 0, 15, sprite == 0 ? 15 : 9};
  return true;
}
bool Background(int32_t index, int32_t &w, int32_t &h) {
  w = h = 32;
  return index == 0;
}

bool Setup() {
  BuiltinRegisterAll();
  Instance_InstallVariables();
  Room_InstallVariables();
  ConstantRegisterBuiltins();
  Function_Interaction_Init();
  Room_Functions_Register();
  Instance_SetSpriteGeometry(Sprite);
  Room_SetBackgroundSizeFn(Background);
  g_Settings.SetDefaults();
  g_Settings.opt_displayerrors = false;
  g_Settings.opt_writeerrors = false;
  Room_InstallWorld();
  return true;
}

// Objects 0 <- 1 <- 2, 3 and 4 each other's parents, slot 5 empty; rooms 0
// and 1 in play order 1, 0, and an empty slot 2.
void MakeWorld() {
  g_Objects.Clear();
  for (int i = 0; i < 5; ++i) ObjectAdd();
  ObjectGet(1)->o_parent = 0;
  ObjectGet(2)->o_parent = 1;
  ObjectGet(2)->o_spriteindex = 0;
  ObjectGet(3)->o_parent = 4;
  ObjectGet(4)->o_parent = 3;
  ObjectGet(4)->o_spriteindex = 1;
  g_Objects.items.emplace_back();
  g_Objects.names.emplace_back();

  g_Rooms.Clear();
  for (int i = 0; i < 2; ++i) RoomAdd();
  g_Rooms.items.emplace_back();
  g_Rooms.names.emplace_back();
  g_RoomOrder = {1, 0};
  CRoom &resource = *g_Rooms.Get(0);
  for (int i = 0; i < 6; ++i) {
    RInstanceRecord r;
    r.x = i * 20;
    r.y = i * 10;
    r.object = i;
    r.id = 100001 + i;
    resource.r_instances.push_back(r);
  }
  g_LastInstanceId = 100010;
  g_LastTileId = 10000000;
  RunRoom_FreeAll();
  RunRoom_Make(0);
  Room_SetCurrent(0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const bool ready = Setup();
  (void)ready;
  const std::string_view program(reinterpret_cast<const char *>(data), size);

  // Every input is a new game: nothing the last one compiled, named, stored,
  // requested or reported is left to change what this one does or to pile up.
  Runner_ResetState();
  VariableNamesClear();
  MakeWorld();
  CInstance *self = Room_Current()->InstanceAt(2);
  SetStepBudget(kStepBudget);
  try {
    CCode code(program, false);
    if (code.Compile()) {
      RValue result;
      ExecuteCode(self, self, code, result);
    }
  } catch (const EMathTrap &) {
    // Abandoned like the main loop abandons a step.
  }
  SetStepBudget(-1);
  CodeErrorClear();
  // What the main loop does between steps must cope with whatever the code
  // left behind.
  if (CRoom *room = Room_Current()) {
    room->SortInstances();
    room->RemoveMarked();
    room->UpdateActive();
    room->SortTiles();
    for (const auto &inst : room->r_instance) inst->Adapt_Speed();
  }
  RunRoom_FreeAll();
  return 0;
}
