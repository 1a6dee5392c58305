// Starting and ending rooms and the game: creation codes and create events,
// persistent instances carried from room to room, persistent rooms kept
// with their instances, and the game start and end events.
#include <memory>
#include <string>
#include <vector>

#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Main.h"
#include "code/Extension_Main.h"
#include "code/Variable_Main.h"
#include "base/Support_Random.h"
#include "input/IO_Main.h"
#include "base/Option_Main.h"
#include "world/Action_Lib.h"
#include "world/Event_Main.h"
#include "world/Instance_Class.h"
#include "world/Object_Lists.h"
#include "world/Object_Main.h"
#include "world/Room_Main.h"
#include "world/Room_World.h"
#include "world/Run_Main.h"
#include "world/Motion_Grid.h"

namespace {

constexpr int32_t kEvCreate = 0, kEvOther = 7;
constexpr int32_t kOtherGameStart = 2, kOtherGameEnd = 3, kOtherRoomStart = 4, kOtherRoomEnd = 5;

// Copies of the persistent instances of the room that ended, waiting for
// the next room.
std::vector<std::unique_ptr<CInstance>> s_carried;

// Compiles and runs a piece of creation code for self = other = inst.
// Failures are reported in the plain form with the given prefixes and do
// not stop the room from starting.
void RunCreationCode(const std::string &text, CInstance *inst, const std::string &compilePrefix,
                     const std::string &executePrefix) {
  CCode code(text, false);
  CodeErrorClear();
  if (!code.Compile()) {
    ReportError(compilePrefix + "\r" + CodeErrorText(), false);
    CodeErrorClear();
    return;
  }
  RValue result;
  if (!EvaluateCode(inst, inst, code, result)) {
    ReportError(executePrefix + "\r" + CodeErrorText(), false);
    CodeErrorClear();
  }
}

// The library initialisation code of the action libraries, each text with
// a temporary instance of object 0 at (0, 0) as self and other.
void RunLibraryInitCode() {
  for (const std::string &text : g_LibInitCode) {
    if (text.empty()) continue;
    CCode code(text, false);
    CodeErrorClear();
    if (!code.Compile()) {
      ReportError("COMPILATION ERROR in library initialization code\r" + CodeErrorText(), true);
      CodeErrorClear();
      continue;
    }
    CInstance temp;
    temp.Create(0, 0, 0, 0);
    RValue result;
    ExecuteCode(&temp, &temp, code, result);
  }
}

}  // namespace

void RoomStart(int32_t index, bool gameStart) {
  g_PendingCode = kPendingNone;
  IO_Clear();

  // A persistent room entered before comes back as it was left.
  CRoom *room = RunRoom_Get(index);
  const bool revisited = room != nullptr;
  if (room == nullptr && g_Rooms.Exists(index)) room = RunRoom_Make(index);
  Room_SetCurrent(room != nullptr ? index : -1);
  if (room == nullptr) {
    // The request was checked when it was made; a room deleted since then
    // leaves nothing to start.
    ReportError("Unexisting room number: " + std::to_string(index), true);
    g_PendingCode = kPendingAbort;
    return;
  }
  if (const auto fit = Run_Hooks().roomStart) fit(gameStart);

  // Persistent instances carried from the room that ended replace the
  // room's own instances with the same id.
  const int before = room->InstanceCount();
  for (std::unique_ptr<CInstance> &carried : s_carried) {
    for (int i = 0; i < room->InstanceCount(); ++i) {
      CInstance *inst = room->InstanceAt(i);
      if (inst->i_id == carried->i_id) inst->i_marked = true;
    }
    CInstance *fresh = room->AddInstance(carried->i_objectindex, carried->i_x, carried->i_y);
    if (fresh != nullptr) fresh->Assign(*carried);
  }

  if (!revisited) {
    const std::string &roomName = RoomName(index);
    for (int i = 0; i < before && i < room->InstanceCount(); ++i) {
      CInstance *inst = room->InstanceAt(i);
      if (inst->i_marked) continue;
      if (g_Settings.opt_createfirst) PerformEvent(inst, inst, inst->i_objectindex, kEvCreate, 0);
      if (!inst->i_initcode.empty()) {
        const std::string where = std::to_string(inst->i_id) + " in room " + roomName;
        RunCreationCode(inst->i_initcode, inst, "COMPILATION ERROR in creation code for instance " + where,
                        "EXECUTION ERROR in creation code for instance " + where);
      }
      if (!g_Settings.opt_createfirst) PerformEvent(inst, inst, inst->i_objectindex, kEvCreate, 0);
    }
  }
  s_carried.clear();

  if (gameStart) PerformEventAll(kEvOther, kOtherGameStart);

  if (!revisited && !room->r_code.empty()) {
    CInstance temp;
    temp.Create(0, 0, 0, -1);
    const std::string &roomName = RoomName(index);
    RunCreationCode(room->r_code, &temp, "COMPILATION ERROR in creation code of room " + roomName,
                    "EXECUTION ERROR in creation code of room " + roomName);
  }

  PerformEventAll(kEvOther, kOtherRoomStart);

  if (!GameStatePending() && g_Run.automaticDraw) {
    const RRunHooks &hooks = Run_Hooks();
    if (hooks.drawRoom) hooks.drawRoom();
    if (hooks.presentFrame) hooks.presentFrame();
    g_Run.transitionKind = 0;
  }
}

void RoomEnd(bool gameEnd) {
  CRoom *room = Room_Current();
  if (room == nullptr) return;
  room->RemoveMarked();

  const int32_t pending = g_PendingCode;
  g_PendingCode = kPendingNone;
  PerformEventAll(kEvOther, kOtherRoomEnd);
  if (gameEnd) PerformEventAll(kEvOther, kOtherGameEnd);
  g_PendingCode = pending;

  // The room end events may have ended the room's life differently; take
  // the current room again.
  room = Room_Current();
  if (room == nullptr) return;
  s_carried.clear();
  for (int i = 0; i < room->InstanceCount(); ++i) {
    CInstance *inst = room->InstanceAt(i);
    if (inst->i_marked || !inst->i_persistent) continue;
    auto copy = std::make_unique<CInstance>();
    copy->Assign(*inst);
    s_carried.push_back(std::move(copy));
    inst->i_marked = true;
  }
  if (!room->r_persistent) RunRoom_Free(g_RoomIndex);
}

void World_InstallHooks() {
  Event_InstallProviders();
  Room_InstallWorld();
  // A fatal error stops the game at the end of the step; the error window
  // must not leave keys held.
  SetErrorFatalHook([] { g_PendingCode = kPendingAbort; });
  SetErrorClearInputHook(IO_Clear);
}

void GameStart() {
  g_Run.gameStarted = true;
  Object_BuildEventLists();
  World_InstallHooks();
  GlobalReset();
  g_Game.score = 0;
  g_Game.lives = -1;
  g_Game.cursorSprite = -1;
  g_Run.stepCount = 0;
  g_Run.transitionKind = 0;
  Randomize();
  RunLibraryInitCode();
  {
    CInstance temp;
    temp.Create(0, 0, 0, -1);
    // A failure has been reported as fatal, which ends the game.
    if (!Extension_Initialize(&temp)) return;
  }
  RunRoom_FreeAll();
  s_carried.clear();
  if (g_RoomOrder.empty()) {
    g_PendingCode = kPendingEnd;
    return;
  }
  RoomStart(g_RoomOrder.front(), true);
}

void GameEnd() {
  if (!g_Run.gameStarted) return;
  RoomEnd(true);
  RunRoom_FreeAll();
  s_carried.clear();
  g_Run.gameStarted = false;
  CInstance temp;
  temp.Create(0, 0, 0, -1);
  Extension_Finalize(&temp);
}

bool Run_RequestRoom(int32_t index) {
  if (!g_Rooms.Exists(index)) {
    ReportActionError("Unexisting room number: " + std::to_string(index), true);
    g_PendingCode = kPendingAbort;
    return false;
  }
  g_PendingCode = index;
  return true;
}

void Run_Reset() {
  RunRoom_FreeAll();
  s_carried.clear();
  g_PendingCode = kPendingNone;
  g_PendingFile.clear();
  g_Run = RRunState();
}

void World_ResetState() {
  Run_Reset();
  GridResetAll();
  // No current room, and the score, lives and health a new process has: a
  // game start sets the score and lives itself but leaves the health.
  Room_SetCurrent(-1);
  g_Game = RGameState();
}
