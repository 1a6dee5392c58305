// Input scripts: a text file of input events, each at a step, fed to the
// game as if the window had delivered them (--input), and the same file
// written from what the player did (--record), so that a session can be
// replayed exactly.
//
// One event a line, "#" starts a comment:
//   seed 12345                   the random seed the game starts with
//   10 key down 37               key down|up VK
//   10 text "a"                  characters typed
//   11 mouse move 320 240        window coordinates
//   11 mouse down left           left|right|middle; also mouse up
//   12 wheel up                  up|down
//   13 joystick 1 axis x 0.5     axes x y z r u v, -1 ... 1
//   13 joystick 1 button 3 down  up|down, buttons 1 ... 32
//   13 joystick 1 pov 9000       hundredths of degrees; 65535 centred
//   13 joystick 1 gone           the joystick is unplugged
//   20 close                     the window's close button
//   21 focus lost                the window is no longer active (gained: again)
// A step written STEP.N holds events that arrived while the game's code
// handled window events itself (io_handle, keyboard_wait and the other wait
// and clear functions) for the Nth time in that step.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class IWindowEvents;

enum class TScriptEventKind : int32_t {
  KeyDown,
  KeyUp,
  Text,
  MouseMove,
  MouseDown,
  MouseUp,
  WheelUp,
  WheelDown,
  JoystickAxis,
  JoystickButtonDown,
  JoystickButtonUp,
  JoystickPov,
  JoystickGone,
  Close,
  FocusLost,
  FocusGained,
};

struct RScriptEvent {
  int64_t step = 0;
  int32_t pump = 0;  // 0 at the start of the step, n for the nth pump inside it
  TScriptEventKind kind = TScriptEventKind::Close;
  int32_t a = 0, b = 0;  // key, button, x and y, joystick id and button or axis
  double value = 0;      // axis position -1 ... 1, pov hundredths
  std::u16string text;   // characters typed
};

struct RInputScript {
  bool hasSeed = false;
  uint32_t seed = 0;
  std::vector<RScriptEvent> events;  // in file order
};

// Reads a script's text; false with "LINE: message" in error at the first
// line that is not understood.
bool IO_ScriptParse(std::string_view text, RInputScript &script, std::string &error);
// One event as a line of the file (without the line break).
std::string IO_ScriptLine(const RScriptEvent &event);

// --- playing --------------------------------------------------------------------
// Plays the script into sink from now on; the joysticks it names are named
// after name (the file's name). The seed, when there is one, fixes the
// random seeds (Support_Random).
void IO_ScriptPlay(RInputScript script, IWindowEvents *sink, const std::string &name);
// Whether a script is playing.
bool IO_ScriptActive();

// --- recording ------------------------------------------------------------------
// Records the window's events into the script text from now on: the
// recorder becomes the window's sink and passes every event on to sink at
// the moment a script would deliver it. The seed is fixed to a fresh one
// and written first.
void IO_RecordStart(IWindowEvents *sink);
// The recorded script so far.
std::string IO_RecordText();
bool IO_Recording();

// --- the moments of delivery ---------------------------------------------------------
// The start of step `step`, before the step reads its input: what arrived
// since the last step and the script's events of this step are delivered.
void IO_ScriptStepStart(int64_t step);
// The game's code handles window events itself (IO_Handle): between these
// two the window's events belong to this pump, and the script's events of
// this pump are delivered at its beginning.
void IO_ScriptPumpBegin();
void IO_ScriptPumpEnd();
// Whether the window can still deliver events: a real window can; a run
// without one only while its script has events left. Waits that nothing can
// end give up.
bool IO_InputCanArrive();
void IO_SetWindowLive(bool live);
bool IO_WindowLive();
// Whether the game window is the active window: the window's answer, unless
// the script took the focus away.
bool IO_WindowActive();

// Stops playing and recording and forgets both (tests, the end of a run).
void IO_ScriptReset();
