// The main loop's global state that the rest of the world reads: the
// pending game-state code. While a code is pending no further event starts.
#pragma once

#include <cstdint>

// g_PendingCode: -1 nothing; 0 or more a room to go to; the others below.
inline constexpr int32_t kPendingNone = -1;
inline constexpr int32_t kPendingEnd = -100;
inline constexpr int32_t kPendingRestart = -200;
inline constexpr int32_t kPendingLoad = -300;
inline constexpr int32_t kPendingAbort = -400;  // stop after a fatal error

extern int32_t g_PendingCode;

inline bool GameStatePending() { return g_PendingCode != kPendingNone; }
