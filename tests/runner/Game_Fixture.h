// Small games built in memory for the loader's tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "runner/Game_Writer.h"
#include "runner/Runner_Load.h"

namespace fixture {

template <class T>
void Add(RResourceList<T> &list, std::string name, std::unique_ptr<T> item) {
  list.items.push_back(std::move(item));
  list.names.push_back(std::move(name));
}

template <class T>
void AddEmpty(RResourceList<T> &list) {
  list.items.emplace_back();
  list.names.emplace_back();
}

// The smallest game the loader accepts: one empty room that the order starts in.
inline RGameModel MinimalGame() {
  RGameModel g;
  g.gameId = 4242;
  Add(g.rooms, "room0", std::make_unique<CRoom>());
  g.roomOrder = {0};
  return g;
}

// Files built for the tests put their data near the start and are searched
// from 0, which keeps them small; the real search start has tests of its own.
inline RGameFileOptions SmallFile() {
  RGameFileOptions o;
  o.minDataOffset = 16;
  return o;
}

inline RLoadOptions SearchFrom(int64_t start, ILoadProgress *progress = nullptr) {
  RLoadOptions o;
  o.searchStart = start;
  o.progress = progress;
  return o;
}

class CRecordedProgress : public ILoadProgress {
public:
  std::vector<std::pair<int, std::string>> steps;
  bool begun = false;
  void Begin(const TGameSettings &, bool) override { begun = true; }
  void Progress(int percent, std::string_view caption) override { steps.emplace_back(percent, std::string(caption)); }
};

}  // namespace fixture
