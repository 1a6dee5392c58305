#include "input/IO_Joystick.h"

namespace {

struct RHeld {
  bool present = false;
  std::string name;
  RJoystickPosition position;
};
RHeld s_held[2];

}  // namespace

bool IO_JoystickPosition(int32_t id, RJoystickPosition &position) {
  const RHeld &h = s_held[IO_JoystickSlot(id)];
  if (h.present) {
    position = h.position;
    return true;
  }
  return PlatformJoysticks().Position(IO_JoystickSlot(id) + 1, position);
}

bool IO_JoystickCaps(int32_t id, RJoystickCaps &caps) {
  const RHeld &h = s_held[IO_JoystickSlot(id)];
  if (h.present) {
    caps = RJoystickCaps();
    caps.name = h.name;
    caps.axes = 6;
    caps.buttons = 32;
    caps.hasPov = true;
    return true;
  }
  return PlatformJoysticks().Caps(IO_JoystickSlot(id) + 1, caps);
}

RJoystickPosition &IO_JoystickHeld(int32_t id, const std::string &name) {
  RHeld &h = s_held[IO_JoystickSlot(id)];
  if (!h.present) {
    h = RHeld();
    h.present = true;
  }
  h.name = name;
  return h.position;
}

bool IO_JoystickIsHeld(int32_t id) { return s_held[IO_JoystickSlot(id)].present; }

void IO_JoystickRelease(int32_t id) { s_held[IO_JoystickSlot(id)] = RHeld(); }

void IO_JoystickReleaseHeld() {
  for (RHeld &h : s_held) h = RHeld();
}
