#include "platform/sdl/Sdl_Joystick.h"

#include <SDL.h>

#include <algorithm>

namespace {

int32_t Axis(Sint16 v) { return static_cast<int32_t>(v) + 32768; }

// A hat's direction as hundredths of degrees clockwise from up.
int32_t HatHundredths(Uint8 hat) {
  switch (hat) {
    case SDL_HAT_UP: return 0;
    case SDL_HAT_RIGHTUP: return 4500;
    case SDL_HAT_RIGHT: return 9000;
    case SDL_HAT_RIGHTDOWN: return 13500;
    case SDL_HAT_DOWN: return 18000;
    case SDL_HAT_LEFTDOWN: return 22500;
    case SDL_HAT_LEFT: return 27000;
    case SDL_HAT_LEFTUP: return 31500;
    default: return 65535;
  }
}

}  // namespace

CSdlJoysticks::~CSdlJoysticks() {
  for (RDevice &d : m_devices) CloseDevice(d);
  if (m_started) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER | SDL_INIT_JOYSTICK);
}

void CSdlJoysticks::CloseDevice(RDevice &d) {
  if (d.controller) SDL_GameControllerClose(d.controller);
  else if (d.joystick) SDL_JoystickClose(d.joystick);
  d = RDevice();
}

CSdlJoysticks::RDevice *CSdlJoysticks::Device(int32_t id) {
  if (m_failed) return nullptr;
  if (!m_started) {
    // Joysticks answer whether or not the window has the focus, as the
    // game's polling expects.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) != 0) {
      m_failed = true;
      return nullptr;
    }
    m_started = true;
  }
  // Reads the devices' states and finds what was plugged in or out.
  SDL_JoystickUpdate();
  const int slot = id == 2 ? 1 : 0;
  RDevice &d = m_devices[slot];
  if (d.joystick && !SDL_JoystickGetAttached(d.joystick)) CloseDevice(d);
  if (d.joystick == nullptr) {
    if (SDL_NumJoysticks() <= slot) return nullptr;
    if (SDL_IsGameController(slot)) {
      d.controller = SDL_GameControllerOpen(slot);
      if (d.controller) d.joystick = SDL_GameControllerGetJoystick(d.controller);
    }
    if (d.joystick == nullptr) d.joystick = SDL_JoystickOpen(slot);
    if (d.joystick == nullptr) {
      d = RDevice();
      return nullptr;
    }
  }
  return &d;
}

bool CSdlJoysticks::Position(int32_t id, RJoystickPosition &p) {
  RDevice *d = Device(id);
  if (d == nullptr) return false;
  p = RJoystickPosition();
  if (SDL_GameController *c = d->controller) {
    const auto axis = [c](SDL_GameControllerAxis a) { return SDL_GameControllerGetAxis(c, a); };
    p.axis[0] = Axis(axis(SDL_CONTROLLER_AXIS_LEFTX));
    p.axis[1] = Axis(axis(SDL_CONTROLLER_AXIS_LEFTY));
    // The triggers share one axis: the left one pulls it up, the right down.
    const int32_t z = 32768 + (axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT) - axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT)) / 2;
    p.axis[2] = std::clamp(z, 0, 65535);
    p.axis[3] = Axis(axis(SDL_CONTROLLER_AXIS_RIGHTY));
    p.axis[4] = Axis(axis(SDL_CONTROLLER_AXIS_RIGHTX));
    constexpr SDL_GameControllerButton kButtons[] = {
        SDL_CONTROLLER_BUTTON_A,         SDL_CONTROLLER_BUTTON_B,          SDL_CONTROLLER_BUTTON_X,
        SDL_CONTROLLER_BUTTON_Y,         SDL_CONTROLLER_BUTTON_LEFTSHOULDER, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
        SDL_CONTROLLER_BUTTON_BACK,      SDL_CONTROLLER_BUTTON_START,      SDL_CONTROLLER_BUTTON_LEFTSTICK,
        SDL_CONTROLLER_BUTTON_RIGHTSTICK};
    for (size_t b = 0; b < std::size(kButtons); ++b)
      if (SDL_GameControllerGetButton(c, kButtons[b])) p.buttons |= 1u << b;
    const bool up = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_UP) != 0;
    const bool down = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_DOWN) != 0;
    const bool left = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_LEFT) != 0;
    const bool right = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_RIGHT) != 0;
    Uint8 hat = SDL_HAT_CENTERED;
    if (up) hat |= SDL_HAT_UP;
    if (down) hat |= SDL_HAT_DOWN;
    if (left) hat |= SDL_HAT_LEFT;
    if (right) hat |= SDL_HAT_RIGHT;
    p.pov = HatHundredths(hat);
    return true;
  }
  SDL_Joystick *j = d->joystick;
  const int axes = std::min(SDL_JoystickNumAxes(j), 6);
  for (int a = 0; a < axes; ++a) p.axis[a] = Axis(SDL_JoystickGetAxis(j, a));
  const int buttons = std::min(SDL_JoystickNumButtons(j), 32);
  for (int b = 0; b < buttons; ++b)
    if (SDL_JoystickGetButton(j, b)) p.buttons |= 1u << b;
  if (SDL_JoystickNumHats(j) > 0) p.pov = HatHundredths(SDL_JoystickGetHat(j, 0));
  return true;
}

bool CSdlJoysticks::Caps(int32_t id, RJoystickCaps &caps) {
  RDevice *d = Device(id);
  if (d == nullptr) return false;
  caps = RJoystickCaps();
  const char *name = d->controller ? SDL_GameControllerName(d->controller) : SDL_JoystickName(d->joystick);
  caps.name = name ? name : "";
  if (d->controller) {
    caps.axes = 5;
    caps.buttons = 10;
    caps.hasPov = true;
  } else {
    caps.axes = std::min(SDL_JoystickNumAxes(d->joystick), 6);
    caps.buttons = std::min(SDL_JoystickNumButtons(d->joystick), 32);
    caps.hasPov = SDL_JoystickNumHats(d->joystick) > 0;
  }
  return true;
}
