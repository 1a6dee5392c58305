#include "base/Support_Random.h"

#include <chrono>

namespace {
uint32_t g_seed = 0;
bool g_fixed = false;
uint32_t g_nextFixed = 0;
}

int32_t RandomGetSeed() { return static_cast<int32_t>(g_seed); }
void RandomSetSeed(uint32_t seed) { g_seed = seed; }

void Randomize() {
  if (g_fixed) {
    g_seed = g_nextFixed;
    // A sequence apart from the game's draws: another multiplier, odd step.
    g_nextFixed = g_nextFixed * 1664525u + 1013904223u;
    return;
  }
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  g_seed = static_cast<uint32_t>(static_cast<uint64_t>(ticks));
}

uint32_t RandomNext() {
  g_seed = g_seed * 134775813u + 1u;
  return g_seed;
}

double RandomReal() { return static_cast<double>(RandomNext()) * (1.0 / 4294967296.0); }

int64_t RandomBelow(uint64_t n) {
  // (seed * n) >> 32 without a 96-bit product: n = hi * 2^32 + lo.
  const uint64_t seed = RandomNext();
  const uint64_t hi = n >> 32, lo = n & 0xFFFFFFFFu;
  return static_cast<int64_t>(seed * hi + ((seed * lo) >> 32));
}

void RandomFixSeeds(uint32_t seed) {
  g_fixed = true;
  g_nextFixed = seed;
}

void RandomUnfixSeeds() { g_fixed = false; }
