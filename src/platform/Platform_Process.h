// Starting other programs for games: directly (never through a shell), or
// through the desktop's opener for documents and web addresses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Splits a command line into arguments the way game authors write them on
// the system games come from: white space separates arguments, double quotes
// group (and are removed), a backslash escapes a quote only when it precedes
// one ("\"" is a quote, "\\\"" a backslash and a quote), other backslashes
// are kept as they are.
std::vector<std::string> SplitCommandLine(std::string_view line);

// Starts program with the arguments, in the current directory, without a
// shell. When wait is set, polls every 50 ms (calling idle between polls so
// that the window stays alive) until the program has ended. Answers false
// when the program cannot be started.
bool ProcessRun(const std::string &program, const std::vector<std::string> &args, bool wait,
                const std::function<void()> &idle = {});

// "Opens" target as the desktop would: an executable file is started with
// the arguments; an existing document, a directory or an address with "://"
// is handed to xdg-open. Does not wait. False when nothing could be started
// (also when the target does not exist).
bool ProcessOpen(const std::string &target, const std::vector<std::string> &args);

// Calls handler when the process is asked to end by Ctrl-C (SIGINT), SIGTERM
// or a closed terminal (SIGHUP). handler runs inside the signal handler, so
// it may only set flags. Answers the number of the last such signal seen (0
// while none came).
void OnStopSignals(void (*handler)());
int LastStopSignal();

// Gives this process a priority: 1, 2, 3 raise it, -1, -2, -3 lower it,
// 0 is normal. False when the system refused (raising needs the right to).
bool SetProcessPriority(int level);

// The lowest address and the size of the calling thread's stack; false when
// the system does not tell.
bool ThreadStackBounds(uintptr_t &low, size_t &size);

// Collects programs started without waiting that have ended since (they
// would otherwise stay behind as zombie processes). Called by every start.
void ProcessReap();
