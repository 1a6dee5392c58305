// Feeds arbitrary bytes to the game loader, searching for the marker from the
// start. Every input must end in a proper result: loaded, a failure with its
// messages, or a failed check.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "runner/Runner_Load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  RLoadOptions options;
  options.searchStart = 0;
  const RLoadResult r = Runner_LoadGameBytes(std::vector<uint8_t>(data, data + size), options);
  switch (r.status) {
    case TLoadStatus::Loaded:
    case TLoadStatus::CheckFailed:
      if (!r.messages.empty()) std::abort();
      break;
    case TLoadStatus::Failed:
      if (r.messages.empty()) std::abort();
      break;
  }
  return 0;
}
