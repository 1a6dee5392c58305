// Joysticks and game controllers through SDL, reported as the game reads
// them: axes in 0 ... 65535, buttons as a bit set, the hat in hundredths of
// degrees. A game controller SDL knows gets the usual layout (left stick x
// and y, the triggers together on z, the right stick on r and u; buttons A,
// B, X, Y, the shoulders, back, start and the sticks as 1 ... 10; the pad's
// arrows as the hat); any other joystick reports its own axes, buttons and
// first hat.
#pragma once

#include "platform/Platform_Main.h"

struct _SDL_Joystick;
struct _SDL_GameController;

class CSdlJoysticks : public IJoysticks {
public:
  CSdlJoysticks() = default;
  ~CSdlJoysticks() override;
  CSdlJoysticks(const CSdlJoysticks &) = delete;
  CSdlJoysticks &operator=(const CSdlJoysticks &) = delete;

  bool Position(int32_t id, RJoystickPosition &position) override;
  bool Caps(int32_t id, RJoystickCaps &caps) override;

private:
  struct RDevice {
    _SDL_Joystick *joystick = nullptr;
    _SDL_GameController *controller = nullptr;
  };
  // The device of id 1 or 2, opened (again after a plug-in) as needed.
  RDevice *Device(int32_t id);
  void CloseDevice(RDevice &d);

  bool m_started = false, m_failed = false;
  RDevice m_devices[2];
};
