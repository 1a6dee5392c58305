// Loads arbitrary bytes as a saved game into a running world: objects with
// parents, a current room with instances, variables, a deactivated
// instance and tiles, a persistent room kept aside, globals and game
// values. A file that is refused must leave that world exactly as it was;
// a file that loads must give a world that saves and loads back to the
// same bytes and that survives what the main loop does between steps.
// Never a crash, a hang or a leak.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "base/Option_Main.h"
#include "runner/Runner_Load.h"
#include "runner/Runner_Wire.h"
#include "base/Support_Stream.h"
#include "world/Instance_Class.h"
#include "world/Object_Main.h"
#include "world/Path_Main.h"
#include "world/Room_Main.h"
#include "world/Run_Main.h"
#include "world/Run_Save.h"
#include "world/TimeLine_Main.h"

namespace {

constexpr int32_t kGameId = 7;

bool Sprite(int32_t sprite, RSpriteGeometry &out) {
  if (sprite != 0) return false;
  out = RSpriteGeometry{2, 16, 16, 8, 8, 0, 0, 15, 15};
  return true;
}

bool Setup() {
  BuiltinRegisterAll();
  ConstantRegisterBuiltins();
  Instance_SetSpriteGeometry(Sprite);
  g_Settings.SetDefaults();
  g_Settings.opt_displayerrors = false;
  g_Settings.opt_writeerrors = false;
  g_GameId = kGameId;
  return true;
}

// Objects 0 <- 1 and 2, slot 3 empty; rooms 0 .. 2, room 1 persistent.
void MakeWorld() {
  g_Objects.Clear();
  for (int i = 0; i < 3; ++i) ObjectAdd();
  ObjectGet(1)->o_parent = 0;
  ObjectGet(1)->o_spriteindex = 0;
  g_Objects.items.emplace_back();
  g_Objects.names.emplace_back();
  g_Rooms.Clear();
  for (int i = 0; i < 3; ++i) RoomAdd();
  g_Rooms.Get(1)->r_persistent = true;
  g_LastInstanceId = 100000;
  g_LastTileId = 10000000;

  RunRoom_FreeAll();
  CRoom *kept = RunRoom_Make(1);
  kept->AddInstance(2, 5, 5)->i_persistent = true;
  CRoom *room = RunRoom_Make(0);
  Room_SetCurrent(0);
  for (int i = 0; i < 4; ++i) {
    CInstance *inst = room->AddInstance(i % 3, i * 10.0, 0);
    inst->i_vars.SetVar(VariableIndex("hp"), i, RValue::Real(i));
  }
  room->InstanceAt(3)->i_deactivated = true;
  room->UpdateActive();
  RTile tile;
  tile.w = tile.h = 8;
  room->AddTile(tile);

  GlobalReset();
  GlobalSet(VariableIndex("level"), 0, RValue::Real(3));
  g_Game = RGameState{10, 3, 75, -1};
  g_Run.stepCount = 12;
}

std::vector<uint8_t> Snapshot() {
  CStream s;
  SaveGame_ToStream(s);
  return s.Bytes();
}

// What the main loop does to a room between and during steps, on whatever
// the file put there.
void Exercise(CRoom &room) {
  for (const auto &inst : room.r_instance) {
    inst->Adapt_Speed();
    Path_Adapt(*inst);
    TimeLine_StepInstance(*inst);
    inst->ComputeBoundingBox();
  }
  for (int32_t o = -1; o <= ObjectCount(); ++o)
    for (int32_t n = 0; n < room.Obj_Number_Recursive(o); ++n)
      if (room.Obj_Instance_Recursive(o, n) == nullptr) std::abort();
  room.RemoveMarked();
  room.UpdateActive();
  room.SortInstances();
  room.SortTiles();
  room.ScrollBackground();
  if (!room.r_tile.empty()) room.FindTile(room.r_tile.back().id);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const bool ready = Setup();
  (void)ready;
  // Every input loads into the same world, built anew on a fresh start.
  Runner_ResetState();
  VariableNamesClear();
  MakeWorld();
  const std::vector<uint8_t> before = Snapshot();

  CStream file(std::vector<uint8_t>(data, data + size));
  if (LoadGame_FromStream(file) != TSaveLoad::Loaded) {
    if (Snapshot() != before) std::abort();
  } else {
    const std::vector<uint8_t> loaded = Snapshot();
    CStream again(loaded);
    if (LoadGame_FromStream(again) != TSaveLoad::Loaded || Snapshot() != loaded) std::abort();
    for (const auto &room : g_RunRooms)
      if (room) Exercise(*room);
    Snapshot();
  }
  RunRoom_FreeAll();
  g_Rooms.Clear();
  g_Objects.Clear();
  return 0;
}
