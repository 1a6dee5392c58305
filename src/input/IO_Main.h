// The keyboard and mouse state that the game reads each step: keys and
// buttons held, pressed and released during the current step, the current
// and last key, button and character, the typed string, the key map and the
// wheel. The window's event handlers feed it; the main loop reads it to
// raise keyboard and mouse events and clears the per-step part at the end of
// every step that runs to its end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr int kKeyCount = 256;
inline constexpr int kMouseButtons = 3;  // 1 left, 2 right, 3 middle
// The typed string is cut to this many characters before each new one.
inline constexpr size_t kKeyboardStringLimit = 1024;

struct RInputState {
  bool keyDown[kKeyCount] = {};
  bool keyPressed[kKeyCount] = {};
  bool keyReleased[kKeyCount] = {};
  int32_t keyboardKey = 0;      // the key held now; 0 once it is released
  int32_t keyboardLastKey = 0;  // the last key that went down
  uint16_t keyboardLastChar = 0;  // the last character typed (a UTF-16 unit)
  std::u16string keyboardString;  // the characters typed
  bool buttonDown[kMouseButtons] = {};
  bool buttonPressed[kMouseButtons] = {};
  bool buttonReleased[kMouseButtons] = {};
  int32_t mouseButton = 0;      // the button held now
  int32_t mouseLastButton = 0;  // the last button that went down
  bool wheelUp = false, wheelDown = false;
};

extern RInputState g_Input;

// Window events. Keys go through the key map first; a key mapped outside
// 0..255 and buttons outside 1..3 are ignored.
void IO_KeyDown(int32_t key);
void IO_KeyUp(int32_t key);
void IO_Char(uint16_t unit);
void IO_MouseDown(int32_t button);
void IO_MouseUp(int32_t button);
void IO_MouseWheel(bool up);
// The mouse in the window's client pixels, as the window last reported it.
void IO_MouseMove(int32_t x, int32_t y);
// Where the window last reported the mouse; false before it reported one.
bool IO_MouseClient(int32_t &x, int32_t &y);

// The key map: events of key are recorded as the mapped key.
void IO_SetMap(int32_t key, int32_t mapped);
int32_t IO_GetMap(int32_t key);  // a key outside 0..255 comes back as it is
void IO_UnsetMap();

// Whether the key is held on the keyboard now, whatever the window and the
// map did with it.
bool IO_KeyDirect(int32_t key);

// Everything back to nothing held (io_clear, room start, an inactive
// window, dialogs); the key map stays.
void IO_Clear();
// Everything, the key map too: the state of a fresh start.
void IO_Reset();
// End of a step that ran to its end: what went down or up during the step
// and the wheel are forgotten; what is held stays held.
void IO_ClearStepEdges();

// Lets the window deliver its waiting events (and an input script those of
// this moment): the wait and clear functions run this.
void IO_Handle();

// The typed string as UTF-8 text and back.
std::string IO_KeyboardString();
void IO_SetKeyboardString(std::string_view text);

// The mouse in room coordinates, through the views; installed by the runner.
using TMouseRoomFn = void (*)(double &x, double &y);
void IO_SetMouseRoomFn(TMouseRoomFn fn);
void IO_MouseRoom(double &x, double &y);

// The built-in variables of the keyboard and the mouse get their access.
void IO_InstallVariables();

// UTF-8 text appended to out as UTF-16 units. A broken sequence becomes
// U+FFFD, or with strict ends the work and answers false.
bool IO_AppendUtf16(std::u16string &out, std::string_view text, bool strict);
