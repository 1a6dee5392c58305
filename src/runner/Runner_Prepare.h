// Preparing a loaded game for its first room: included files exported,
// constants defined, triggers, scripts, time lines and objects compiled,
// sounds and graphics started. Each step moves the loading bar; a failing
// step answers its message for the start-up box.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ILoadProgress;

struct RPrepareResult {
  bool ok = true;
  // Message boxes to show, in order (the owning step's own text first, then
  // the step's failure message), when ok is false.
  std::vector<std::string> messages;
};

// Runs the preparation steps in their fixed order. progress may be null.
// With startGraphics, the window, the device and the textures start at
// "Preparing graphics" (a run that only checks the game starts none).
RPrepareResult Runner_Prepare(ILoadProgress *progress, bool startGraphics = false);

// Clean-up at the end of a normal run: included files removed.
void Runner_CleanUp();

// Process priority from the settings: 0 leaves it, 1 raises it a little,
// 2 as far as the system allows. Answers whether the change was made.
bool Runner_ApplyPriority(int32_t setting);
