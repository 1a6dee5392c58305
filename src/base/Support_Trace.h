// The trace log: lines appended to "Trace.log" in the executable's directory
// while tracing is on ("--TWTrace" on the command line or TWLOG_TRACE=1).
#pragma once

#include <string>
#include <string_view>

// Decides whether tracing is on and where "Trace.log" lives. The switch is
// looked for among the arguments after the program name, the last one
// included, so that a lone "--TWTrace" turns tracing on.
void TraceInit(int argc, const char *const *argv, const std::string &exeDir);
void TraceSetEnabled(bool on, const std::string &logPath);
bool TraceEnabled();
// Appends one line (opening and closing the file for every line).
void Trace(std::string_view line);
