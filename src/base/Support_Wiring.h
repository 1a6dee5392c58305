// The hooks through which a layer reaches one above it (the world asking the
// presentation to draw, the language asking the world for instances, ...)
// and the services everything reaches. Each owner declares its hooks here
// with a probe that tells whether the hook is installed, so the runner can
// check at start-up, and a test of the real runner can prove, that nothing a
// game calls was left out.
#pragma once

#include <string>
#include <vector>

using TWiringProbe = bool (*)();

struct RWiringEntry {
  const char *name;     // "layer: what" ("world: sprite geometry lookup")
  TWiringProbe installed;
};

// Declares a hook at static initialisation: a namespace-scope object in the
// unit that owns the hook.
class CWiringHook {
public:
  CWiringHook(const char *name, TWiringProbe installed);
};

// Every declared hook, in the order declared.
const std::vector<RWiringEntry> &Wiring_Entries();
