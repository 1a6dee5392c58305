// A service port for a test's sessions: the port and the seven after it are
// free on loopback now, picked apart from other tests running at the same
// time.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <random>

#include "platform/Platform_Main.h"

inline uint16_t FreeServicePort() {
  std::mt19937 pick(static_cast<uint32_t>(getpid()) * 2654435761u ^ static_cast<uint32_t>(std::random_device{}()));
  INetwork &net = PlatformNetwork();
  for (int attempt = 0; attempt < 200; ++attempt) {
    // 8 apart in 20000 .. 32759, below the ephemeral ports of the system.
    const uint16_t base = static_cast<uint16_t>(20000 + 8 * (pick() % 1595));
    uint32_t open[8] = {};
    bool free = true;
    for (int i = 0; i < 8 && free; ++i) free = (open[i] = net.DatagramOpen(static_cast<uint16_t>(base + i))) != 0;
    for (uint32_t s : open)
      if (s) net.DatagramClose(s);
    if (free) return base;
  }
  return 0;
}
