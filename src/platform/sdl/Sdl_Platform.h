// The platform of a player's run: the SDL window, the OpenGL render device,
// and for what has no real backend yet (sound, network), the headless
// services. Installed fonts come from whoever builds the platform.
#pragma once

#include "platform/Platform_Main.h"
#include "platform/gl/Gl_Device.h"
#include "platform/headless/Headless_Platform.h"
#include "platform/sdl/Sdl_Joystick.h"
#include "platform/sdl/Sdl_Window.h"

class CSdlPlatform {
public:
  // SDL's video starts when a service first needs it (offscreen when no
  // display can be opened). applyPriority as for the headless platform.
  explicit CSdlPlatform(bool applyPriority = true);
  ~CSdlPlatform();
  CSdlPlatform(const CSdlPlatform &) = delete;
  CSdlPlatform &operator=(const CSdlPlatform &) = delete;

  const RPlatform &Services() const { return m_platform; }
  // The installed fonts to use; null for none (the headless fonts). An
  // installed platform sees the change at once.
  void SetFonts(ISystemFonts *fonts);
  // Whether the picture is drawn without a display to show it on (starts
  // SDL's video to find out).
  bool Offscreen();

  CSdlWindow window;
  CGlDevice render{window};
  CHeadlessAudio audio;
  CHeadlessFonts noFonts;
  CSystemClock clock;
  CHeadlessDialogs dialogs;
  CSystemLibraries libraries;
  CEnetNetwork network{false};  // the local network, found by broadcast
  CHeadlessProcesses processes;
  CSdlJoysticks joysticks;

private:
  RPlatform m_platform;
};
