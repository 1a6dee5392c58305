// The keyboard and mouse state that the game reads each step: keys and
// buttons held, pressed and released during the current step, the current
// and last key and button, the wheel. The window's event handlers feed it;
// the main loop reads it to raise keyboard and mouse events and clears the
// per-step part at the end of every step that runs to its end.
#pragma once

#include <cstdint>

inline constexpr int kKeyCount = 256;
inline constexpr int kMouseButtons = 3;  // 1 left, 2 right, 3 middle

struct RInputState {
  bool keyDown[kKeyCount] = {};
  bool keyPressed[kKeyCount] = {};
  bool keyReleased[kKeyCount] = {};
  int32_t keyboardKey = 0;      // the key held now; 0 once it is released
  int32_t keyboardLastKey = 0;  // the last key that went down
  bool buttonDown[kMouseButtons] = {};
  bool buttonPressed[kMouseButtons] = {};
  bool buttonReleased[kMouseButtons] = {};
  int32_t mouseButton = 0;      // the button held now
  int32_t mouseLastButton = 0;  // the last button that went down
  bool wheelUp = false, wheelDown = false;
};

extern RInputState g_Input;

// Window events. Keys outside 0..255 and buttons outside 1..3 are ignored.
void IO_KeyDown(int32_t key);
void IO_KeyUp(int32_t key);
void IO_MouseDown(int32_t button);
void IO_MouseUp(int32_t button);
void IO_MouseWheel(bool up);

// Everything back to nothing held (room start, an inactive window, dialogs).
void IO_Clear();
// End of a step that ran to its end: what went down or up during the step
// and the wheel are forgotten; what is held stays held.
void IO_ClearStepEdges();
