#include "platform/Platform_Process.h"

#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <chrono>
#include <thread>

extern char **environ;

namespace {

std::vector<pid_t> &Pending() {
  static std::vector<pid_t> s_pending;
  return s_pending;
}

bool Spawn(const std::string &program, const std::vector<std::string> &args, pid_t &pid) {
  std::vector<std::string> all;
  all.reserve(args.size() + 1);
  all.push_back(program);
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char *> argv;
  for (std::string &a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  // A name without "/" is searched on PATH, as a bare program name would be.
  const int rc = ::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
  return rc == 0;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> out;
  std::string cur;
  bool inArg = false, quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\\') {
      size_t n = 0;
      while (i + n < line.size() && line[i + n] == '\\') ++n;
      if (i + n < line.size() && line[i + n] == '"') {
        cur.append(n / 2, '\\');
        if (n % 2) {
          cur += '"';
          i += n;  // the escaped quote
        } else {
          i += n - 1;  // the quote toggles below
        }
      } else {
        cur.append(n, '\\');
        i += n - 1;
      }
      inArg = true;
      continue;
    }
    if (c == '"') {
      quoted = !quoted;
      inArg = true;
      continue;
    }
    if (!quoted && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
      if (inArg) out.push_back(std::move(cur));
      cur.clear();
      inArg = false;
      continue;
    }
    cur += c;
    inArg = true;
  }
  if (inArg) out.push_back(std::move(cur));
  return out;
}

void ProcessReap() {
  auto &pending = Pending();
  for (size_t i = 0; i < pending.size();) {
    int status = 0;
    const pid_t r = ::waitpid(pending[i], &status, WNOHANG);
    if (r == pending[i] || (r < 0 && errno == ECHILD)) {
      pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
}

bool ProcessRun(const std::string &program, const std::vector<std::string> &args, bool wait,
                const std::function<void()> &idle) {
  ProcessReap();
  pid_t pid = 0;
  if (program.empty() || !Spawn(program, args, pid)) return false;
  if (!wait) {
    Pending().push_back(pid);
    return true;
  }
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid || (r < 0 && errno != EINTR)) break;
    if (idle) idle();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

bool ProcessOpen(const std::string &target, const std::vector<std::string> &args) {
  ProcessReap();
  struct stat st;
  const bool exists = !target.empty() && ::stat(target.c_str(), &st) == 0;
  if (exists && S_ISREG(st.st_mode) && ::access(target.c_str(), X_OK) == 0) {
    // A bare name of an executable in the current directory is run from
    // there, not searched on PATH.
    const std::string path = target.find('/') == std::string::npos ? "./" + target : target;
    return ProcessRun(path, args, false);
  }
  if (exists || target.find("://") != std::string::npos) return ProcessRun("xdg-open", {target}, false);
  return false;
}

bool ThreadStackBounds(uintptr_t &low, size_t &size) {
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) != 0) return false;
  void *addr = nullptr;
  size_t bytes = 0;
  const bool ok = pthread_attr_getstack(&attr, &addr, &bytes) == 0 && bytes > 0;
  pthread_attr_destroy(&attr);
  if (!ok) return false;
  low = reinterpret_cast<uintptr_t>(addr);
  size = bytes;
  return true;
}

bool SetProcessPriority(int level) {
  static constexpr int kNice[7] = {19, 10, 5, 0, -5, -10, -20};
  if (level < -3 || level > 3) level = 0;
  return ::setpriority(PRIO_PROCESS, 0, kNice[level + 3]) == 0;
}

namespace {
void (*g_stopHandler)() = nullptr;
volatile std::sig_atomic_t g_lastStopSignal = 0;

extern "C" void StopSignalHandler(int signal) {
  g_lastStopSignal = signal;
  if (g_stopHandler) g_stopHandler();
}
}  // namespace

void OnStopSignals(void (*handler)()) {
  g_stopHandler = handler;
  struct sigaction action {};
  action.sa_handler = StopSignalHandler;
  sigemptyset(&action.sa_mask);
  // Waits and reads that a signal interrupts are started again; the game
  // notices the request at its next statement or step.
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

int LastStopSignal() { return g_lastStopSignal; }
