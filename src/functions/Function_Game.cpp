// The room-flow and game functions (room_goto, game_end, sleep, ...) and the
// game variables (room, score, lives, health, fps, transitions, the cursor
// sprite).
#include <cmath>
#include <string>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Code_Operator.h"
#include "code/Function_Args.h"
#include "code/Variable_BuiltIn.h"
#include "world/Event_Main.h"
#include "world/Room_Main.h"
#include "world/Run_Main.h"

namespace {

// A real stored in an integer game variable: rounded, halves to even;
// values no integer can have give `wild` instead of a trap.
int32_t Int(double v, int32_t wild = -1) {
  if (!(std::fabs(v) < 2147483648.0)) return wild;
  return RoundToInt32(v);
}

void F_RoomGoto(CInstance *, CInstance *, int, RValue *args, RValue &) { Run_RequestRoom(fnarg::Int(args[0])); }

void F_RoomGotoPrevious(CInstance *, CInstance *, int, RValue *, RValue &) {
  const int32_t current = g_RoomIndex;
  if (!g_RoomOrder.empty() && current == g_RoomOrder.front()) {
    ReportActionError("Moving to previous room before the first room.", true);
    g_PendingCode = kPendingAbort;
    return;
  }
  Run_RequestRoom(RoomPrevious(current));
}

void F_RoomGotoNext(CInstance *, CInstance *, int, RValue *, RValue &) {
  const int32_t current = g_RoomIndex;
  if (!g_RoomOrder.empty() && current == g_RoomOrder.back()) {
    ReportActionError("Moving to next room after the last room.", true);
    g_PendingCode = kPendingAbort;
    return;
  }
  Run_RequestRoom(RoomNext(current));
}

void F_RoomRestart(CInstance *, CInstance *, int, RValue *, RValue &) { Run_RequestRoom(g_RoomIndex); }
void F_GameEnd(CInstance *, CInstance *, int, RValue *, RValue &) { g_PendingCode = kPendingEnd; }
void F_GameRestart(CInstance *, CInstance *, int, RValue *, RValue &) { g_PendingCode = kPendingRestart; }

void F_Sleep(CInstance *, CInstance *, int, RValue *args, RValue &) {
  Run_Sleep(fnarg::Int(args[0]));
}

// ---- variables ---------------------------------------------------------------

bool GetRoom(CInstance *, int32_t, RValue &v) {
  v.SetReal(g_RoomIndex);
  return true;
}
// Assigning the room asks for a change to that room, as room_goto does.
bool SetRoom(CInstance *, int32_t, const RValue &v) {
  Run_RequestRoom(Int(v.val));
  return true;
}
bool GetRoomFirst(CInstance *, int32_t, RValue &v) {
  v.SetReal(g_RoomOrder.empty() ? -1 : g_RoomOrder.front());
  return true;
}
bool GetRoomLast(CInstance *, int32_t, RValue &v) {
  v.SetReal(g_RoomOrder.empty() ? -1 : g_RoomOrder.back());
  return true;
}
bool GetTransitionKind(CInstance *, int32_t, RValue &v) {
  v.SetReal(g_Run.transitionKind);
  return true;
}
bool SetTransitionKind(CInstance *, int32_t, const RValue &v) {
  g_Run.transitionKind = Int(v.val, 0);
  return true;
}
bool GetTransitionSteps(CInstance *, int32_t, RValue &v) {
  v.SetReal(g_Run.transitionSteps);
  return true;
}
bool SetTransitionSteps(CInstance *, int32_t, const RValue &v) {
  const int32_t steps = Int(v.val, 1);
  g_Run.transitionSteps = steps < 1 ? 1 : steps;
  return true;
}
bool GetScore(CInstance *, int32_t, RValue &v) {
  v.SetReal(g_Game.score);
  return true;
}
bool SetScore(CInstance *, int32_t, const RValue &v) {
  g_Game.score = Int(v.val, g_Game.score);
  return true;
}
bool GetLives(CInstance *, int32_t, RValue &v) {
  v.SetReal(g_Game.lives);
  return true;
}
// Lives running out raise "no more lives" for every instance.
bool SetLives(CInstance *, int32_t, const RValue &v) {
  const int32_t old = g_Game.lives;
  g_Game.lives = Int(v.val, g_Game.lives);
  if (old > 0 && g_Game.lives <= 0) PerformEventAll(7, 6);
  return true;
}
bool GetHealth(CInstance *, int32_t, RValue &v) {
  v.SetReal(g_Game.health);
  return true;
}
bool SetHealth(CInstance *, int32_t, const RValue &v) {
  const double old = g_Game.health;
  g_Game.health = v.val;
  if (old > 0 && g_Game.health <= 0) PerformEventAll(7, 9);
  return true;
}
// The sprite drawn at the mouse over everything else of each view; -1 for
// none. Its picture animates with the step counter, whatever it was set to.
bool GetCursorSprite(CInstance *, int32_t, RValue &v) {
  v.SetReal(g_Game.cursorSprite);
  return true;
}
bool SetCursorSprite(CInstance *, int32_t, const RValue &v) {
  g_Game.cursorSprite = Int(v.val);
  return true;
}
bool GetFps(CInstance *, int32_t, RValue &v) {
  v.SetReal(g_Run.fps);
  return true;
}

}  // namespace

void Function_Game_Init() {
  FunctionAdd("room_goto", F_RoomGoto, 1);
  FunctionAdd("room_goto_previous", F_RoomGotoPrevious, 0);
  FunctionAdd("room_goto_next", F_RoomGotoNext, 0);
  FunctionAdd("room_restart", F_RoomRestart, 0);
  FunctionAdd("game_end", F_GameEnd, 0);
  FunctionAdd("game_restart", F_GameRestart, 0);
  FunctionAdd("sleep", F_Sleep, 1);

  BuiltinSetAccess("room", GetRoom, SetRoom);
  BuiltinSetAccess("room_first", GetRoomFirst, nullptr);
  BuiltinSetAccess("room_last", GetRoomLast, nullptr);
  BuiltinSetAccess("transition_kind", GetTransitionKind, SetTransitionKind);
  BuiltinSetAccess("transition_steps", GetTransitionSteps, SetTransitionSteps);
  BuiltinSetAccess("score", GetScore, SetScore);
  BuiltinSetAccess("lives", GetLives, SetLives);
  BuiltinSetAccess("health", GetHealth, SetHealth);
  BuiltinSetAccess("fps", GetFps, nullptr);
  BuiltinSetAccess("cursor_sprite", GetCursorSprite, SetCursorSprite);
}
