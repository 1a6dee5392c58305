#include "base/Support_Trace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {
bool g_traceOn = false;
std::string g_tracePath = "Trace.log";
}  // namespace

void TraceInit(int argc, const char *const *argv, const std::string &exeDir) {
  bool on = false;
  if (const char *env = std::getenv("TWLOG_TRACE"); env && std::strcmp(env, "1") == 0) on = true;
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--TWTrace") == 0) on = true;
  TraceSetEnabled(on, (std::filesystem::path(exeDir) / "Trace.log").string());
}

void TraceSetEnabled(bool on, const std::string &logPath) {
  g_traceOn = on;
  g_tracePath = logPath;
}

bool TraceEnabled() { return g_traceOn; }

void Trace(std::string_view line) {
  if (!g_traceOn) return;
  if (FILE *f = std::fopen(g_tracePath.c_str(), "ab")) {
    std::fwrite(line.data(), 1, line.size(), f);
    std::fputc('\n', f);
    std::fclose(f);
  }
}
