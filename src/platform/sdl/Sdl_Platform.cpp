#include "platform/sdl/Sdl_Platform.h"

#include "platform/sdl/Sdl_Video.h"

CSdlPlatform::CSdlPlatform(bool applyPriority) : processes(applyPriority) {
  m_platform.window = &window;
  m_platform.render = &render;
  m_platform.audio = &audio;
  m_platform.fonts = &noFonts;
  m_platform.clock = &clock;
  m_platform.dialogs = &dialogs;
  m_platform.libraries = &libraries;
  m_platform.network = &network;
  m_platform.processes = &processes;
  m_platform.joysticks = &joysticks;
  m_platform.name = "sdl";
}

CSdlPlatform::~CSdlPlatform() {
  // The context goes before its window, the window before SDL.
  render.Close();
  window.Close();
  SdlVideo_Stop();
}

void CSdlPlatform::SetFonts(ISystemFonts *fonts) { m_platform.fonts = fonts ? fonts : &noFonts; }

bool CSdlPlatform::Offscreen() {
  std::string why;
  SdlVideo_Start(why);
  return SdlVideo_Offscreen();
}
