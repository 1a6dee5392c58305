// Feeds arbitrary bytes to the game loader, searching for the marker from the
// start. Every input must end in a proper result: loaded, a failure with its
// messages, or a failed check.
//
// An input starting with 'S' is a plain game body instead: it is wrapped in a
// container with a valid check first, so that mutations reach the header,
// the settings and the sections rather than stopping at the check.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "runner/Game_Writer.h"
#include "runner/Runner_Load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::vector<uint8_t> bytes;
  if (size > 0 && data[0] == 'S') {
    RGameFileOptions wrap;
    wrap.minDataOffset = 0;
    bytes = GameWriter_WrapBody(std::vector<uint8_t>(data + 1, data + size), wrap).bytes;
  } else {
    bytes.assign(data, data + size);
  }
  RLoadOptions options;
  options.searchStart = 0;
  const RLoadResult r = Runner_LoadGameBytes(std::move(bytes), options);
  switch (r.status) {
    case TLoadStatus::Loaded:
      if (!r.messages.empty()) std::abort();
      break;
    case TLoadStatus::CheckFailed:
      if (!r.messages.empty() || (size > 0 && data[0] == 'S')) std::abort();
      break;
    case TLoadStatus::Failed:
      if (r.messages.empty()) std::abort();
      break;
  }
  return 0;
}
