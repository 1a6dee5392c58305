#include "base/Support_Wiring.h"

namespace {

// Built on first use: declarations run during static initialisation, in no
// fixed order across units.
std::vector<RWiringEntry> &Entries() {
  static std::vector<RWiringEntry> entries;
  return entries;
}

}  // namespace

CWiringHook::CWiringHook(const char *name, TWiringProbe installed) { Entries().push_back({name, installed}); }

const std::vector<RWiringEntry> &Wiring_Entries() { return Entries(); }
