// The script functions of the keyboard, the mouse and the joysticks.
#include <cmath>

#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "input/IO_Functions.h"
#include "input/IO_Joystick.h"
#include "input/IO_Main.h"
#include "input/IO_Script.h"
#include "platform/Platform_Main.h"

namespace {

using fnarg::Int;
using fnarg::Num;

#define ROUTINE(name) \
  void name(CInstance *, CInstance *, [[maybe_unused]] int argc, [[maybe_unused]] RValue *args, RValue &result)

void Answer(RValue &result, bool b) { result.SetReal(b ? 1 : 0); }

// 0: no key of 0..255 in the state; 1: any; 2..255: that key; others 0.
bool KeyCheck(const bool *state, int32_t key) {
  if (key == 0 || key == 1) {
    bool any = false;
    for (int k = 0; k < kKeyCount && !any; ++k) any = state[k];
    return key == 0 ? !any : any;
  }
  return key >= 2 && key < kKeyCount && state[key];
}

// -1: any of the three; 0: none; 1..3: that button; others 0.
bool ButtonCheck(const bool *state, int32_t button) {
  const bool any = state[0] || state[1] || state[2];
  if (button == -1) return any;
  if (button == 0) return !any;
  return button >= 1 && button <= kMouseButtons && state[button - 1];
}

// One round of a wait: the window's events, then a pause unless nothing
// but a script can deliver. False when nothing can end the wait any more.
bool WaitRound() {
  IO_Handle();
  return true;
}
bool WaitGoesOn() {
  if (!IO_InputCanArrive() || Code_StopRequested()) return false;
  if (!IO_WindowLive()) return true;  // only a script answers, and at once
  PlatformClock().SleepMillis(50);
  return true;
}

ROUTINE(F_KeyboardCheck) { Answer(result, KeyCheck(g_Input.keyDown, Int(args[0]))); }
ROUTINE(F_KeyboardCheckPressed) { Answer(result, KeyCheck(g_Input.keyPressed, Int(args[0]))); }
ROUTINE(F_KeyboardCheckReleased) { Answer(result, KeyCheck(g_Input.keyReleased, Int(args[0]))); }
ROUTINE(F_KeyboardCheckDirect) { Answer(result, IO_KeyDirect(Int(args[0]))); }
ROUTINE(F_KeyboardGetNumlock) { Answer(result, PlatformWindow().NumLock()); }
ROUTINE(F_KeyboardSetNumlock) {
  if (fnarg::Bool(args[0]) == PlatformWindow().NumLock()) return;
  PlatformWindow().InjectKey(144, true);
  PlatformWindow().InjectKey(144, false);
}
ROUTINE(F_KeyboardKeyPress) {
  const int32_t key = Int(args[0]);
  if (key >= 0 && key < kKeyCount) PlatformWindow().InjectKey(key, true);
}
ROUTINE(F_KeyboardKeyRelease) {
  const int32_t key = Int(args[0]);
  if (key >= 0 && key < kKeyCount) PlatformWindow().InjectKey(key, false);
}
ROUTINE(F_KeyboardSetMap) { IO_SetMap(Int(args[0]), Int(args[1])); }
ROUTINE(F_KeyboardGetMap) {
  const double raw = Num(args[0]);
  const int32_t key = Int(args[0]);
  // A key outside the map comes back as it was given.
  if (key >= 0 && key < kKeyCount) result.SetReal(IO_GetMap(key));
  else result.SetReal(raw);
}
ROUTINE(F_KeyboardUnsetMap) { IO_UnsetMap(); }
ROUTINE(F_KeyboardClear) {
  IO_Handle();
  const int32_t key = Int(args[0]);
  if (key < 0 || key >= kKeyCount) return;
  g_Input.keyDown[key] = g_Input.keyPressed[key] = g_Input.keyReleased[key] = false;
}
ROUTINE(F_KeyboardWait) {
  g_Input.keyboardLastKey = 0;
  while (WaitRound() && g_Input.keyboardLastKey == 0 && WaitGoesOn()) {
  }
}
ROUTINE(F_MouseCheckButton) { Answer(result, ButtonCheck(g_Input.buttonDown, Int(args[0]))); }
ROUTINE(F_MouseCheckButtonPressed) { Answer(result, ButtonCheck(g_Input.buttonPressed, Int(args[0]))); }
ROUTINE(F_MouseCheckButtonReleased) { Answer(result, ButtonCheck(g_Input.buttonReleased, Int(args[0]))); }
ROUTINE(F_MouseWheelUp) { Answer(result, g_Input.wheelUp); }
ROUTINE(F_MouseWheelDown) { Answer(result, g_Input.wheelDown); }
ROUTINE(F_MouseClear) {
  IO_Handle();
  const int32_t b = Int(args[0]);
  if (b < 1 || b > kMouseButtons) return;
  g_Input.buttonDown[b - 1] = g_Input.buttonPressed[b - 1] = g_Input.buttonReleased[b - 1] = false;
}
ROUTINE(F_MouseWait) {
  g_Input.mouseLastButton = 0;
  while (WaitRound() && g_Input.mouseLastButton == 0 && WaitGoesOn()) {
  }
}
ROUTINE(F_IoClear) {
  IO_Handle();
  IO_Clear();
}
ROUTINE(F_IoHandle) { IO_Handle(); }

// ---- joysticks ------------------------------------------------------------------

ROUTINE(F_JoystickExists) {
  RJoystickPosition p;
  Answer(result, IO_JoystickPosition(Int(args[0]), p));
}
ROUTINE(F_JoystickName) {
  RJoystickCaps caps;
  std::string name;
  if (IO_JoystickCaps(Int(args[0]), caps)) name = caps.name.substr(0, 32);
  // A cut that splits a character leaves its first bytes out too.
  while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80) name.pop_back();
  if (!name.empty() && static_cast<unsigned char>(name.back()) >= 0xC0) name.pop_back();
  result.SetString(RString(name));
}
ROUTINE(F_JoystickAxes) {
  RJoystickCaps caps;
  result.SetReal(IO_JoystickCaps(Int(args[0]), caps) ? caps.axes : 0);
}
ROUTINE(F_JoystickButtons) {
  RJoystickCaps caps;
  result.SetReal(IO_JoystickCaps(Int(args[0]), caps) ? caps.buttons : 0);
}
ROUTINE(F_JoystickHasPov) {
  RJoystickCaps caps;
  Answer(result, IO_JoystickCaps(Int(args[0]), caps) && caps.hasPov);
}
ROUTINE(F_JoystickDirection) {
  RJoystickPosition p;
  if (!IO_JoystickPosition(Int(args[0]), p)) {
    result.SetReal(101);
    return;
  }
  const int32_t x = p.axis[0], y = p.axis[1];
  const int32_t row = y <= 19999 ? 6 : y >= 44001 ? 0 : 3;
  const int32_t column = x < 20000 ? 1 : x > 44000 ? 3 : 2;
  result.SetReal(96 + row + column);
}
ROUTINE(F_JoystickCheckButton) {
  RJoystickPosition p;
  const int32_t b = Int(args[1]);
  Answer(result, b >= 1 && b <= 32 && IO_JoystickPosition(Int(args[0]), p) && (p.buttons & (1u << (b - 1))) != 0);
}
template <int Axis>
void F_JoystickAxis(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  RJoystickPosition p;
  result.SetReal(IO_JoystickPosition(Int(args[0]), p) ? p.axis[Axis] / 32767.0 - 1 : 0);
}
ROUTINE(F_JoystickPov) {
  RJoystickPosition p;
  if (!IO_JoystickPosition(Int(args[0]), p) || p.pov > 36000) {
    result.SetReal(-1);
    return;
  }
  result.SetReal(p.pov / 100.0);
}

}  // namespace

void IO_Functions_Init() {
  IO_InstallVariables();
  FunctionAdd("keyboard_check", F_KeyboardCheck, 1);
  FunctionAdd("keyboard_check_pressed", F_KeyboardCheckPressed, 1);
  FunctionAdd("keyboard_check_released", F_KeyboardCheckReleased, 1);
  FunctionAdd("keyboard_check_direct", F_KeyboardCheckDirect, 1);
  FunctionAdd("keyboard_get_numlock", F_KeyboardGetNumlock, 0);
  FunctionAdd("keyboard_set_numlock", F_KeyboardSetNumlock, 1);
  FunctionAdd("keyboard_key_press", F_KeyboardKeyPress, 1);
  FunctionAdd("keyboard_key_release", F_KeyboardKeyRelease, 1);
  FunctionAdd("keyboard_set_map", F_KeyboardSetMap, 2);
  FunctionAdd("keyboard_get_map", F_KeyboardGetMap, 1);
  FunctionAdd("keyboard_unset_map", F_KeyboardUnsetMap, 0);
  FunctionAdd("keyboard_clear", F_KeyboardClear, 1);
  FunctionAdd("keyboard_wait", F_KeyboardWait, 0);
  FunctionAdd("mouse_check_button", F_MouseCheckButton, 1);
  FunctionAdd("mouse_check_button_pressed", F_MouseCheckButtonPressed, 1);
  FunctionAdd("mouse_check_button_released", F_MouseCheckButtonReleased, 1);
  FunctionAdd("mouse_wheel_up", F_MouseWheelUp, 0);
  FunctionAdd("mouse_wheel_down", F_MouseWheelDown, 0);
  FunctionAdd("mouse_clear", F_MouseClear, 1);
  FunctionAdd("mouse_wait", F_MouseWait, 0);
  FunctionAdd("io_clear", F_IoClear, 0);
  FunctionAdd("io_handle", F_IoHandle, 0);
  FunctionAdd("joystick_exists", F_JoystickExists, 1);
  FunctionAdd("joystick_name", F_JoystickName, 1);
  FunctionAdd("joystick_axes", F_JoystickAxes, 1);
  FunctionAdd("joystick_buttons", F_JoystickButtons, 1);
  FunctionAdd("joystick_has_pov", F_JoystickHasPov, 1);
  FunctionAdd("joystick_direction", F_JoystickDirection, 1);
  FunctionAdd("joystick_check_button", F_JoystickCheckButton, 2);
  FunctionAdd("joystick_xpos", F_JoystickAxis<0>, 1);
  FunctionAdd("joystick_ypos", F_JoystickAxis<1>, 1);
  FunctionAdd("joystick_zpos", F_JoystickAxis<2>, 1);
  FunctionAdd("joystick_rpos", F_JoystickAxis<3>, 1);
  FunctionAdd("joystick_upos", F_JoystickAxis<4>, 1);
  FunctionAdd("joystick_vpos", F_JoystickAxis<5>, 1);
  FunctionAdd("joystick_pov", F_JoystickPov, 1);
}
