// SDL's video subsystem, started once for the process. Where no display can
// be opened (no X or Wayland server, a machine in CI), drawing goes to an
// offscreen surface instead, and the runner says so once on standard error.
#pragma once

#include <string>

// Starts the video subsystem (a second call does nothing). When the default
// driver fails, starts it offscreen. False, with the reason, when even that
// fails.
bool SdlVideo_Start(std::string &error);
// Restarts the video subsystem offscreen after a window could not be made
// with the driver in use. False when it was offscreen already or cannot be.
bool SdlVideo_FallBackOffscreen();
// Whether pictures are drawn without a display to show them on.
bool SdlVideo_Offscreen();
// Stops the video subsystem and SDL.
void SdlVideo_Stop();
