#include "world/Run_Main.h"

#include <chrono>
#include <csignal>
#include <cmath>
#include <exception>
#include <memory>
#include <new>
#include <thread>
#include <vector>

#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "platform/Platform_Main.h"
#include "input/IO_Main.h"
#include "input/IO_Script.h"
#include "base/Option_Main.h"
#include "world/Event_Main.h"
#include "world/Instance_Class.h"
#include "world/Object_Class.h"
#include "world/Object_Lists.h"
#include "world/Path_Main.h"
#include "world/Room_Main.h"
#include "world/Run_Handle_Collision.h"
#include "world/Run_Save.h"
#include "world/TimeLine_Main.h"
#include "world/Trigger_Class.h"
#include "world/Trigger_Main.h"
#include "base/Support_Wiring.h"

int32_t g_PendingCode = kPendingNone;
std::string g_PendingFile;
RRunState g_Run;
RGameState g_Game;

namespace {

RRunHooks s_hooks;
RRunOptions s_options;

// Event types and numbers the loop raises.
constexpr int32_t kEvAlarm = 2, kEvStep = 3, kEvKeyboard = 5, kEvMouse = 6, kEvOther = 7, kEvDraw = 8,
                  kEvKeyPress = 9, kEvKeyRelease = 10;
constexpr int32_t kStepNormal = 0, kStepBegin = 1, kStepEnd = 2;
constexpr int32_t kOtherOutside = 0, kOtherBoundary = 1, kOtherAnimationEnd = 7, kOtherEndOfPath = 8, kOtherOutsideView = 40,
                  kOtherBoundaryView = 50;
// Key events cover the numbers up to here; higher codes only count for "any key".
constexpr int32_t kHighestKeyEvent = 128;

void Pump() { PlatformWindow().PumpEvents(); }

bool WindowActive() { return IO_WindowActive(); }

// Waits `wait` microseconds from `start`: sleeps for the bulk, then pumps
// messages until the time has come (or the clock went backwards).
void WaitMicros(int64_t start, int64_t wait) {
  if (wait >= 2000) PlatformClock().SleepMillis(static_cast<int32_t>((wait - 1000) / 1000));
  for (;;) {
    Pump();
    const int64_t now = Run_NowMicros();
    if (now >= start + wait || now < start) break;
    std::this_thread::yield();
  }
}

// ---- dispatch ----------------------------------------------------------------

// The objects of an event list as a set, for phases that walk the whole
// instance list and raise the event only where an object has it.
class CObjectSet {
public:
  CObjectSet(int32_t t, int32_t n) {
    for (int32_t obj : EventList(t, n)) {
      if (obj < 0) continue;
      if (static_cast<size_t>(obj) >= m_has.size()) m_has.resize(static_cast<size_t>(obj) + 1, 0);
      m_has[static_cast<size_t>(obj)] = 1;
    }
  }
  bool Empty() const { return m_has.empty(); }
  bool Has(int32_t obj) const { return obj >= 0 && static_cast<size_t>(obj) < m_has.size() && m_has[static_cast<size_t>(obj)]; }

private:
  std::vector<char> m_has;
};

// Calls fn for every unmarked instance of every object in the event list
// (t, n), object by object, each object's direct list in order. Each
// object's count is read when its walk starts: an instance created meanwhile
// is appended past it and gets its first event of this kind in the next
// step, unless instances leaving the list have brought it within the count.
template <class Fn>
void ForListed(int32_t t, int32_t n, Fn fn) {
  CRoom *room = Room_Current();
  if (room == nullptr) return;
  const std::vector<int32_t> objects = EventList(t, n);  // a copy: events may rebuild the lists
  for (int32_t obj : objects) {
    const int count = room->Obj_Number(obj);
    for (int i = 0; i < count; ++i) {
      CInstance *inst = room->Obj_Instance(obj, i);
      if (inst != nullptr && !inst->i_marked) fn(inst);
    }
  }
}

// The event (t, n) for the listed instances that `test` accepts.
template <class Test>
void DispatchWhere(int32_t t, int32_t n, Test test) {
  if (GameStatePending()) return;  // no event would start
  REventFinder finder;
  ForListed(t, n, [&](CInstance *inst) {
    if (test(inst)) PerformInstanceEvent(finder, inst, t, n);
  });
}

void DispatchList(int32_t t, int32_t n) {
  DispatchWhere(t, n, [](CInstance *) { return true; });
}

// The triggers of moment m: each trigger's condition for the instances of
// the objects that have its event; the event runs where it holds.
void DispatchTriggers(int32_t moment) {
  for (int32_t t = 0; t < TriggerCount(); ++t) {
    const CTrigger *trigger = TriggerGet(t);
    if (trigger == nullptr || trigger->i_moment != moment) continue;
    REventFinder finder;
    ForListed(kEventTrigger, t, [t, &finder](CInstance *inst) {
      if (Trigger_Condition(t, inst)) PerformInstanceEvent(finder, inst, kEventTrigger, t);
    });
  }
}

// Alarms count down for the instances of objects with that alarm event
// (their own or inherited); the event runs when one reaches 0.
void PhaseAlarms() {
  for (int a = 0; a < kAlarmCount; ++a) {
    REventFinder finder;
    ForListed(kEvAlarm, a, [a, &finder](CInstance *inst) {
      int32_t value = inst->GetAlarm(a);
      if (value < 0) return;
      inst->SetAlarm(a, --value);
      if (value == 0) PerformInstanceEvent(finder, inst, kEvAlarm, a);
    });
  }
}

void PhaseTimeLines() {
  CRoom *room = Room_Current();
  if (room == nullptr) return;
  const int count = room->InstanceCount();
  for (int i = 0; i < count; ++i) {
    CInstance *inst = room->InstanceAt(i);
    if (inst == nullptr || inst->i_marked || inst->i_timelineindex < 0) continue;  // no time line: nothing to step
    TimeLine_StepInstance(*inst);
  }
}

// Keyboard, key press and key release events: each key's own number (up
// to the highest covered one), then "no key" or "any key".
void DispatchKeys(int32_t type, const bool *state, const bool *alsoState) {
  bool any = false;
  for (int32_t key = 8; key < kKeyCount; ++key) {
    if (!state[key] && !(alsoState && alsoState[key])) continue;
    any = true;
    if (key <= kHighestKeyEvent) DispatchList(type, key);
  }
  DispatchList(type, any ? 1 : 0);
}

void PhaseKeyboard() {
  DispatchKeys(kEvKeyboard, g_Input.keyDown, g_Input.keyPressed);
  DispatchKeys(kEvKeyPress, g_Input.keyPressed, nullptr);
  DispatchKeys(kEvKeyRelease, g_Input.keyReleased, nullptr);
}

void PhaseJoysticks() {
  if (s_hooks.joystick == nullptr) return;
  for (int j = 0; j < 2; ++j) {
    RJoystickState js;
    if (!s_hooks.joystick(j + 1, js)) continue;
    const int32_t base = j == 0 ? 16 : 31;
    if (js.x < 20000) DispatchList(kEvMouse, base);
    if (js.x > 44000) DispatchList(kEvMouse, base + 1);
    if (js.y < 20000) DispatchList(kEvMouse, base + 2);
    if (js.y > 44000) DispatchList(kEvMouse, base + 3);
    for (int b = 1; b <= 8; ++b)
      if (js.buttons & (1u << (b - 1))) DispatchList(kEvMouse, base + 4 + b);
  }
}

double s_mouseX = 0, s_mouseY = 0, s_mousePrevX = 0, s_mousePrevY = 0;

// The mouse is on an instance when its mask holds the mouse's pixel.
bool Over(CInstance *inst, double x, double y) { return inst->Collision_Point(x, y, true); }

void PhaseMouse() {
  s_mousePrevX = s_mouseX;
  s_mousePrevY = s_mouseY;
  if (s_hooks.mousePosition) s_hooks.mousePosition(s_mouseX, s_mouseY);
  auto under = [](CInstance *inst) { return Over(inst, s_mouseX, s_mouseY); };
  bool anyDown = false;
  for (int b = 0; b < kMouseButtons; ++b) {
    if (!g_Input.buttonDown[b] && !g_Input.buttonPressed[b]) continue;
    anyDown = true;
    DispatchWhere(kEvMouse, b, under);
    DispatchList(kEvMouse, 50 + b);
  }
  if (!anyDown) DispatchWhere(kEvMouse, 3, under);
  for (int b = 0; b < kMouseButtons; ++b) {
    if (!g_Input.buttonPressed[b]) continue;
    DispatchWhere(kEvMouse, 4 + b, under);
    DispatchList(kEvMouse, 12);
    DispatchList(kEvMouse, 53 + b);
  }
  for (int b = 0; b < kMouseButtons; ++b) {
    if (!g_Input.buttonReleased[b]) continue;
    DispatchWhere(kEvMouse, 7 + b, under);
    DispatchList(kEvMouse, 13);
    DispatchList(kEvMouse, 56 + b);
  }
  DispatchWhere(kEvMouse, 10, [](CInstance *inst) {
    return Over(inst, s_mouseX, s_mouseY) && !Over(inst, s_mousePrevX, s_mousePrevY);
  });
  DispatchWhere(kEvMouse, 11, [](CInstance *inst) {
    return !Over(inst, s_mouseX, s_mouseY) && Over(inst, s_mousePrevX, s_mousePrevY);
  });
  if (g_Input.wheelUp) DispatchList(kEvMouse, 60);
  if (g_Input.wheelDown) DispatchList(kEvMouse, 61);
}

void PhaseMotion() {
  CRoom *room = Room_Current();
  if (room == nullptr) return;
  const int count = room->InstanceCount();
  for (int i = 0; i < count; ++i) {
    CInstance *inst = room->InstanceAt(i);
    if (inst == nullptr) continue;
    // Most instances have no friction, gravity or path: they skip the calls.
    if (inst->i_friction != 0 || inst->i_gravity != 0) inst->Adapt_Speed();
    if (inst->i_pathindex >= 0 && Path_Adapt(*inst)) PerformInstanceEvent(inst, inst, kEvOther, kOtherEndOfPath);
    inst->SetPosition(inst->i_x + inst->i_hspeed, inst->i_y + inst->i_vspeed);
  }
}

// Whether the instance has a box: its sprite or its mask sprite exists.
bool HasBox(const CInstance &inst) {
  RSpriteGeometry g;
  return Instance_SpriteGeometry(inst.i_spriteindex, g) || Instance_SpriteGeometry(inst.i_maskindex, g);
}

// Outside [0, w] x [0, h] (offset by left, top): wholly outside for the
// box, or the position outside the area.
bool Outside(const CInstance &inst, bool box, double left, double top, double right, double bottom) {
  if (box)
    return !(inst.i_bbox.right >= left && inst.i_bbox.left <= right && inst.i_bbox.bottom >= top &&
             inst.i_bbox.top <= bottom);
  return !(inst.i_x >= left && inst.i_x <= right && inst.i_y >= top && inst.i_y <= bottom);
}

bool CrossesBoundary(const CInstance &inst, bool box, double left, double top, double right, double bottom) {
  if (box)
    return !(inst.i_bbox.left >= left && inst.i_bbox.right <= right && inst.i_bbox.top >= top &&
             inst.i_bbox.bottom <= bottom);
  return !(inst.i_x >= left && inst.i_x <= right && inst.i_y >= top && inst.i_y <= bottom);
}

void PhaseOutside() {
  CRoom *room = Room_Current();
  if (room == nullptr) return;
  const double w = room->r_width, h = room->r_height;
  DispatchWhere(kEvOther, kOtherOutside, [&](CInstance *inst) { return Outside(*inst, HasBox(*inst), 0, 0, w, h); });
  DispatchWhere(kEvOther, kOtherBoundary,
                [&](CInstance *inst) { return CrossesBoundary(*inst, HasBox(*inst), 0, 0, w, h); });
  if (!room->r_enableviews) return;
  for (int v = 0; v < 8; ++v) {
    const CView &view = room->r_view[static_cast<size_t>(v)];
    if (!view.visible) continue;
    const double l = view.xview, t = view.yview, r = view.xview + view.wview, b = view.yview + view.hview;
    DispatchWhere(kEvOther, kOtherOutsideView + v,
                  [&](CInstance *inst) { return Outside(*inst, HasBox(*inst), l, t, r, b); });
    DispatchWhere(kEvOther, kOtherBoundaryView + v,
                  [&](CInstance *inst) { return CrossesBoundary(*inst, HasBox(*inst), l, t, r, b); });
  }
}

// Without a picture to draw, drawing the room still sorts the instances by
// depth and runs the draw events of the visible ones, in that order, so
// that game logic kept in draw events runs headless too.
void DrawRoomHeadless() {
  CRoom *room = Room_Current();
  if (room == nullptr) return;
  room->SortInstances();
  const CObjectSet drawing(kEvDraw, 0);
  if (drawing.Empty()) return;
  REventFinder finder;
  const int count = room->InstanceCount();
  for (int i = 0; i < count; ++i) {
    CInstance *inst = room->InstanceAt(i);
    if (inst == nullptr || inst->i_marked || !inst->i_visible || !drawing.Has(inst->i_objectindex)) continue;
    if (GameStatePending()) break;
    PerformInstanceEvent(finder, inst, kEvDraw, 0);
  }
}

// The step's drawing. A device without a picture still gets the call (the
// views follow, the caption changes); the draw events then run here, once.
void DrawRoom() {
  if (s_hooks.drawRoom) s_hooks.drawRoom();
  if (!PlatformRender().Draws()) DrawRoomHeadless();
}

void PhaseAnimation() {
  CRoom *room = Room_Current();
  if (room == nullptr) return;
  const CObjectSet ending(kEvOther, kOtherAnimationEnd);
  const int count = room->InstanceCount();
  for (int i = 0; i < count; ++i) {
    CInstance *inst = room->InstanceAt(i);
    if (inst == nullptr) continue;
    inst->i_imageindex += inst->i_imagespeed;
    RSpriteGeometry g;
    const int32_t images = inst->i_spriteindex >= 0 && Instance_SpriteGeometry(inst->i_spriteindex, g) ? g.count : 0;
    // The image index reaches the count exactly when its whole part does
    // (the count is whole), so no rounding down is needed.
    if (inst->i_imageindex >= images) {
      inst->i_imageindex -= images;
      if (ending.Has(inst->i_objectindex)) PerformEvent(inst, inst, inst->i_objectindex, kEvOther, kOtherAnimationEnd);
    }
  }
}

// The function keys, at most one a step, each only when its setting is on.
void FunctionKeys();

}  // namespace

// ---- hooks and options ---------------------------------------------------------

void Run_SetHooks(const RRunHooks &hooks) { s_hooks = hooks; }
const RRunHooks &Run_Hooks() { return s_hooks; }

namespace {
const CWiringHook kHoldHook("world: dialogs and splashes hold the game", [] { return s_hooks.holdStep != nullptr; });
const CWiringHook kPresentHook("world: presenting the frame", [] { return s_hooks.presentFrame != nullptr; });
const CWiringHook kDrawHook("world: drawing the room", [] { return s_hooks.drawRoom != nullptr; });
const CWiringHook kParticleHook("world: particle systems", [] { return s_hooks.particles != nullptr; });
const CWiringHook kSoundHook("world: sound goes on step by step", [] { return s_hooks.sound != nullptr; });
const CWiringHook kMouseHook("world: the mouse in room coordinates", [] { return s_hooks.mousePosition != nullptr; });
const CWiringHook kJoystickHook("world: joysticks", [] { return s_hooks.joystick != nullptr; });
const CWiringHook kFunctionKeyHook("world: function keys F1, F4, F9", [] { return s_hooks.functionKey != nullptr; });
const CWiringHook kRoomStartHook("world: the window fitted to each room", [] { return s_hooks.roomStart != nullptr; });
const CWiringHook kNetworkHook("world: sessions answered between steps", [] { return s_hooks.network != nullptr; });
}  // namespace
void Run_SetOptions(const RRunOptions &options) { s_options = options; }

int64_t Run_NowMicros() { return PlatformClock().NowMicros(); }

void Run_Sleep(int32_t ms) {
  if (ms <= 0) {
    Pump();
    return;
  }
  const int64_t start = Run_NowMicros();
  WaitMicros(start, static_cast<int64_t>(ms) * 1000);
}

// ---- one step ------------------------------------------------------------------

void RunStep() {
  ErrorEndRepeats();
  // What the window delivered since the last step (and an input script's
  // events of this step) arrive before anything reads the input.
  IO_ScriptStepStart(g_Run.stepsRun);
  if (s_hooks.holdStep && s_hooks.holdStep()) return;
  FunctionKeys();
  if (!WindowActive()) IO_Clear();

  if (CRoom *room = Room_Current()) {
    const int count = room->InstanceCount();
    for (int i = 0; i < count; ++i) {
      CInstance *inst = room->InstanceAt(i);
      inst->i_xprevious = inst->i_x;
      inst->i_yprevious = inst->i_y;
      inst->i_pathpositionprevious = inst->i_pathposition;
    }
  }

  DispatchTriggers(CTrigger::kBegin);
  DispatchList(kEvStep, kStepBegin);
  if (GameStatePending()) return;
  PhaseTimeLines();
  if (GameStatePending()) return;
  PhaseAlarms();
  if (GameStatePending()) return;
  PhaseKeyboard();
  if (GameStatePending()) return;
  PhaseJoysticks();
  if (GameStatePending()) return;
  PhaseMouse();
  if (GameStatePending()) return;
  DispatchTriggers(CTrigger::kMiddle);
  DispatchList(kEvStep, kStepNormal);
  if (GameStatePending()) return;
  PhaseMotion();
  PhaseOutside();
  if (GameStatePending()) return;
  Run_HandleCollisions();
  if (GameStatePending()) return;
  DispatchTriggers(CTrigger::kEnd);
  DispatchList(kEvStep, kStepEnd);
  if (GameStatePending()) return;
  if (s_hooks.particles) s_hooks.particles();
  if (CRoom *room = Room_Current()) room->RemoveMarked();
  if (g_Run.automaticDraw) DrawRoom();
  if (CRoom *room = Room_Current()) room->ScrollBackground();
  PhaseAnimation();
  ++g_Run.stepCount;
  IO_ClearStepEdges();
}

namespace {

void FunctionKeys() {
  const int32_t key = g_Input.keyboardKey;
  bool handled = true;
  if (key == 112 && g_Settings.opt_keyf1) {
    if (s_hooks.functionKey) s_hooks.functionKey(key);
    IO_Clear();
  } else if (key == 27 && g_Settings.opt_keyesc) {
    g_PendingCode = kPendingEnd;
  } else if (key == 116 && g_Settings.opt_keyf5) {
    SaveGame(SaveGame_KeyFile());
  } else if (key == 117 && g_Settings.opt_keyf5) {
    LoadGame(SaveGame_KeyFile());
  } else if ((key == 115 && g_Settings.opt_keyf4) || (key == 120 && g_Settings.opt_keyf9)) {
    if (s_hooks.functionKey) s_hooks.functionKey(key);
  } else {
    handled = false;
  }
  if (handled) g_Input.keyboardKey = 0;
}

}  // namespace

// ---- the loop ------------------------------------------------------------------

void HandlePendingCode() {
  const int32_t code = g_PendingCode;
  if (code == kPendingNone) return;
  if (code == kPendingEnd || code == kPendingAbort) {
    g_Run.running = false;
  } else if (code == kPendingLoad) {
    g_PendingCode = kPendingNone;
    IO_Clear();
    LoadGame(g_PendingFile);
  } else if (code == kPendingRestart) {
    GameEnd();
    GameStart();
  } else if (code >= 0) {
    RoomEnd(false);
    RoomStart(code, false);
  } else {
    // No request has this code; forget it rather than stop every event.
    g_PendingCode = kPendingNone;
  }
}

namespace {

// Set from a signal handler: the player or the system asked the game to end.
volatile std::sig_atomic_t s_stopRequested = 0;

// The running code ran out of memory: a fatal error of that code, so the
// game ends as after any fatal error, without another step.
void ReportOutOfMemory() {
  ReportError(kOutOfMemoryMessage, true);
  g_PendingCode = kPendingAbort;
  try {
    HandlePendingCode();
  } catch (const std::exception &) {
    // The end events failed too; the loop still ends.
  }
}

// One iteration of the loop: a step, the frame wait, the frame counter,
// the presented frame and the pending request. An arithmetic trap or
// another failure drops the rest of the iteration; the loop goes on.
void Iteration(int64_t &u, int64_t &v) {
  // Every step started counts, also one that a trap cuts short.
  ++g_Run.stepsRun;
  try {
    RunStep();
    if (s_hooks.network) s_hooks.network();

    const int64_t w = Run_NowMicros();
    if (w < u) u = w;
    CRoom *room = Room_Current();
    if (room != nullptr && room->r_speed < 1) room->r_speed = 1;
    const int64_t speed = room != nullptr ? room->r_speed : 30;
    const int64_t period = 1000000 / speed;
    if (s_hooks.sound) s_hooks.sound(period);
    int64_t wait = period - (w - u);
    if (wait < 0) wait = 0;
    if (wait > 999999) wait = 1000000;
    if (s_options.paced) WaitMicros(w, wait);
    else wait = 0;

    u = w + wait;
    if (u < v) v = u;
    if (u / 1000000 > v / 1000000) {
      g_Run.fps = g_Run.frameCounter;
      g_Run.frameCounter = 0;
      v = u;
    }
    ++g_Run.frameCounter;

    if (!GameStatePending() && g_Run.automaticDraw && s_hooks.presentFrame) s_hooks.presentFrame();
    HandlePendingCode();
    Pump();
  } catch (const std::bad_alloc &) {
    ReportOutOfMemory();
  } catch (const std::exception &) {
    // An arithmetic trap (or another failure) abandons the rest of it.
  }
  if (s_hooks.stepDone) s_hooks.stepDone(g_Run.stepsRun);
}

}  // namespace

void Run_RequestStop() {
  s_stopRequested = 1;
  Code_RequestStop();
}

void RunGame() {
  if (!g_Run.gameStarted) {
    g_Run.running = true;
    GameStart();
  }
  g_Run.running = true;
  g_Run.paused = false;

  HandlePendingCode();
  int64_t u = Run_NowMicros();
  int64_t v = u;
  g_Run.frameCounter = 0;
  g_Run.fps = 0;
  Pump();
  while (g_Run.running && !g_Run.paused) {
    // The step limit ends the game once the last step and what it asked
    // for are done; a stop request ends it as the Escape key would.
    if (s_stopRequested || (s_options.maxSteps >= 0 && g_Run.stepsRun >= s_options.maxSteps)) {
      s_stopRequested = 0;
      Code_ClearStopRequest();
      g_PendingCode = kPendingEnd;
      HandlePendingCode();
      break;
    }
    Iteration(u, v);
  }
  if (!g_Run.running) GameEnd();
}

void PauseGame() { g_Run.paused = true; }

void StopGame() {
  if (g_Run.paused) GameEnd();
  g_Run.running = false;
  g_Run.paused = false;
}

void SingleStep() {
  if (!g_Run.running || !g_Run.paused) return;
  Pump();
  try {
    RunStep();
    if (!GameStatePending() && g_Run.automaticDraw && s_hooks.presentFrame) s_hooks.presentFrame();
    HandlePendingCode();
  } catch (const std::bad_alloc &) {
    ReportOutOfMemory();
  } catch (const std::exception &) {
    // An arithmetic trap (or another failure) abandons the rest of it.
  }
  Pump();
}
