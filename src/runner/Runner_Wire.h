// Where the runner wires the layers together: it installs the platform and
// every hook through which a lower layer reaches a higher one, and checks
// that nothing a game can call was left out. The hooks still waiting for a
// later subsystem are listed here and nowhere else.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct RPlatform;

// Installs the platform and every hook the runner owns.
void Runner_Wire(const RPlatform &platform);

// Adds the built-in families of the layers above the functions layer to the
// registration (Function_AddFamily); Runner_Wire does it too. Anything that
// lists or registers the whole table calls it first.
void Runner_AddFamilies();

// Graphics start-up after preparation: the window set up from the settings,
// the device, interpolation, the textures of backgrounds, sprites and fonts
// and the first frame. False (after the device's own message) when the
// device cannot be made.
bool Runner_StartGraphics();
// The device released and the window closed, at the end of a run.
void Runner_FinishGraphics();

// The hooks and built-in names that wait for a subsystem still to come. A
// call of one of them does nothing (a hook) or reports no function (a name)
// until then.
const std::vector<std::string_view> &Runner_PendingHooks();

// Every subsystem's run state back to a fresh start, top layer first. This is
// the one list of them: a subsystem with state of its own adds its reset here.
void Runner_ResetState();

struct RWiringReport {
  std::vector<std::string> installed;        // hooks in place
  std::vector<std::string> pending;          // listed as waiting, and not installed
  std::vector<std::string> missing;          // neither installed nor listed: a fault
  std::vector<std::string> pendingInstalled; // listed as waiting but installed: the list is stale
  bool Complete() const { return missing.empty() && pendingInstalled.empty(); }
};
// Looks at every declared hook and at the platform as installed now.
RWiringReport Runner_CheckWiring();
// The report as lines for --self-check.
std::string Runner_WiringText(const RWiringReport &report);
