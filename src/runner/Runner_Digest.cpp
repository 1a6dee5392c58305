#include "runner/Runner_Digest.h"

#include <cstdio>

#include "base/Support_Random.h"
#include "base/Support_Stream.h"
#include "functions/Function_Data_Structures.h"
#include "world/Run_Main.h"
#include "world/Run_Save.h"

namespace {

std::string s_text;

// FNV-1a, 64 bits.
void Mix(uint64_t &h, const uint8_t *data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    h ^= data[i];
    h *= 1099511628211ull;
  }
}

void StepDone(int64_t step) {
  char line[48];
  std::snprintf(line, sizeof line, "%lld %016llx\n", static_cast<long long>(step),
                static_cast<unsigned long long>(Runner_StateHash()));
  s_text += line;
}

}  // namespace

uint64_t Runner_StateHash() {
  uint64_t h = 14695981039346656037ull;
  // A saved game holds the rooms with their instances and variables, the
  // globals and the game's own values.
  CStream saved;
  SaveGame_ToStream(saved);
  Mix(h, saved.Memory(), saved.Bytes().size());
  const std::string ds = DsStateText();
  Mix(h, reinterpret_cast<const uint8_t *>(ds.data()), ds.size());
  const int32_t seed = RandomGetSeed();
  Mix(h, reinterpret_cast<const uint8_t *>(&seed), sizeof seed);
  return h;
}

void Runner_DigestStart() {
  s_text.clear();
  RRunHooks hooks = Run_Hooks();
  hooks.stepDone = StepDone;
  Run_SetHooks(hooks);
}

const std::string &Runner_DigestText() { return s_text; }

void Runner_DigestReset() {
  s_text.clear();
  RRunHooks hooks = Run_Hooks();
  hooks.stepDone = nullptr;
  Run_SetHooks(hooks);
}
