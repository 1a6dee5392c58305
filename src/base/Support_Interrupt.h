// Removing a half-written file when the process is stopped from outside:
// SIGINT (Ctrl-C), SIGTERM or SIGHUP while a file is being written would
// otherwise leave the temporary file beside its target. One file at a time
// is armed; the handler removes it and then lets the signal end the
// process as it would have.
#pragma once

#include <string>

// Holds the three signals back until the matching release, so that a file
// created and armed in between cannot be missed. Pairs may not nest.
void InterruptHold();
void InterruptRelease();

// Arms removal of path (the handlers are installed on first use); false
// when the path is too long to keep, in which case nothing is armed.
bool RemoveOnInterrupt(const std::string &path);
// Disarms: the file was renamed into place or removed.
void RemoveOnInterruptCancel();
