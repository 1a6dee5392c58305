// The state of the running game as one hash: instances with their
// variables, the global variables, every room, the data structures and the
// random generator. A run writes one a step (--digest), so that two runs of
// the same input can be compared step by step.
#pragma once

#include <cstdint>
#include <string>

uint64_t Runner_StateHash();

// Records the state after every step from now on, as lines "STEP HASH"
// (the hash in 16 hexadecimal digits).
void Runner_DigestStart();
const std::string &Runner_DigestText();
void Runner_DigestReset();
