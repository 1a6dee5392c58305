#include "platform/sdl/Sdl_Video.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

namespace {

bool g_saidOffscreen = false;
bool g_failed = false;  // no driver at all: not tried again

bool DriverIsOffscreen() {
  const char *driver = SDL_GetCurrentVideoDriver();
  return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

void SayOffscreen() {
  if (g_saidOffscreen) return;
  std::fputs("quillon: no display could be opened; drawing offscreen\n", stderr);
  std::fflush(stderr);
  g_saidOffscreen = true;
}

// Whoever set SDL_VIDEODRIVER to a driver without a display knows already.
bool OffscreenAskedFor() {
  const char *asked = SDL_getenv("SDL_VIDEODRIVER");
  return asked && (std::strcmp(asked, "offscreen") == 0 || std::strcmp(asked, "dummy") == 0);
}

bool StartOffscreen() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  // An override, so that it wins over a driver named in the environment;
  // programs the game starts still get the environment as it was.
  SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  SayOffscreen();
  return true;
}

}  // namespace

bool SdlVideo_Start(std::string &error) {
  if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
  if (g_failed) {
    error = "No display could be opened, not even offscreen.";
    return false;
  }
  // Ctrl+C and termination keep ending the process as they always did,
  // rather than becoming a quit event nobody may be reading.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
    // SDL goes offscreen by itself when it finds no display.
    if (DriverIsOffscreen() && !OffscreenAskedFor()) SayOffscreen();
    return true;
  }
  const std::string first = SDL_GetError();
  if (StartOffscreen()) return true;
  g_failed = true;
  error = "No display could be opened (" + first + "), not even offscreen (" + SDL_GetError() + ").";
  return false;
}

bool SdlVideo_FallBackOffscreen() {
  if (SDL_WasInit(SDL_INIT_VIDEO) && DriverIsOffscreen()) return false;
  return StartOffscreen();
}

bool SdlVideo_Offscreen() { return !SDL_WasInit(SDL_INIT_VIDEO) || DriverIsOffscreen(); }

void SdlVideo_Stop() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  SDL_Quit();
  g_failed = false;
}
