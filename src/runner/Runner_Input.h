// The input of a run: the input script it plays (--input), the recording
// it writes (--record) and the digest of every step (--digest).
#pragma once

#include <string>

struct RRunnerArgs;

// After the window's start: the input state fresh, the script read and
// playing, the recorder and the digest started. False with a message when
// the script cannot be read or is not understood.
bool Runner_InputStart(const RRunnerArgs &args, std::string &error);
// At the end of the run: the recording and the digest written, each file
// completely or not at all. False with a message when one cannot be written.
bool Runner_InputFinish(const RRunnerArgs &args, std::string &error);
// Back to no script, no recording, no digest.
void Runner_InputReset();
