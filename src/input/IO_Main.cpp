#include "input/IO_Main.h"

#include <algorithm>
#include <iterator>

RInputState g_Input;

namespace {
bool ValidKey(int32_t key) { return key >= 0 && key < kKeyCount; }
bool ValidButton(int32_t button) { return button >= 1 && button <= kMouseButtons; }
}  // namespace

void IO_KeyDown(int32_t key) {
  if (!ValidKey(key)) return;
  // Auto-repeat sends further downs for a held key; only the first is a press.
  if (!g_Input.keyDown[key]) g_Input.keyPressed[key] = true;
  g_Input.keyDown[key] = true;
  g_Input.keyboardKey = key;
  g_Input.keyboardLastKey = key;
}

void IO_KeyUp(int32_t key) {
  if (!ValidKey(key)) return;
  g_Input.keyDown[key] = false;
  g_Input.keyReleased[key] = true;
  if (g_Input.keyboardKey == key) g_Input.keyboardKey = 0;
}

void IO_MouseDown(int32_t button) {
  if (!ValidButton(button)) return;
  g_Input.buttonDown[button - 1] = true;
  g_Input.buttonPressed[button - 1] = true;
  g_Input.mouseButton = button;
  g_Input.mouseLastButton = button;
}

void IO_MouseUp(int32_t button) {
  if (!ValidButton(button)) return;
  g_Input.buttonDown[button - 1] = false;
  g_Input.buttonReleased[button - 1] = true;
  if (g_Input.mouseButton == button) g_Input.mouseButton = 0;
}

void IO_MouseWheel(bool up) { (up ? g_Input.wheelUp : g_Input.wheelDown) = true; }

void IO_Clear() { g_Input = RInputState(); }

void IO_ClearStepEdges() {
  std::fill(std::begin(g_Input.keyPressed), std::end(g_Input.keyPressed), false);
  std::fill(std::begin(g_Input.keyReleased), std::end(g_Input.keyReleased), false);
  std::fill(std::begin(g_Input.buttonPressed), std::end(g_Input.buttonPressed), false);
  std::fill(std::begin(g_Input.buttonReleased), std::end(g_Input.buttonReleased), false);
  g_Input.wheelUp = g_Input.wheelDown = false;
}
