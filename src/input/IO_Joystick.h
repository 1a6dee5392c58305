// Joysticks 1 and 2 as the game reads them: the platform's devices, or the
// joysticks an input script names, which exist for the run whether or not
// a device is plugged in. Id 2 is the second joystick; every other id the
// first.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Platform_Main.h"

// False when the joystick does not answer.
bool IO_JoystickPosition(int32_t id, RJoystickPosition &position);
bool IO_JoystickCaps(int32_t id, RJoystickCaps &caps);

// A joystick held by the input layer itself (an input script's, or a
// recorded device's state for the step), named name; its position is
// changed through the pointer, valid until the reset.
RJoystickPosition &IO_JoystickHeld(int32_t id, const std::string &name);
bool IO_JoystickIsHeld(int32_t id);
// The held joystick is gone (unplugged).
void IO_JoystickRelease(int32_t id);
void IO_JoystickReleaseHeld();

// The slot of an id: 1 for id 2, 0 for any other.
inline int IO_JoystickSlot(int32_t id) { return id == 2 ? 1 : 0; }
