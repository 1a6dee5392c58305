#include "base/Support_Interrupt.h"

#include <csignal>
#include <cstring>

#include <signal.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The handler may only read plain memory: the path lives in a fixed
// buffer, armed only while it holds a whole path.
char s_path[4096];
volatile std::sig_atomic_t s_armed = 0;
bool s_installed = false;
sigset_t s_held;

void OnSignal(int sig) {
  if (s_armed) ::unlink(s_path);
  s_armed = 0;
  // Default action again, then the same signal: the process ends the way
  // its parent expects from it.
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void Install() {
  if (s_installed) return;
  s_installed = true;
  for (int sig : kSignals) {
    struct sigaction old {};
    // A signal the parent told us to ignore (nohup, background jobs) stays ignored.
    if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    ::sigaction(sig, &sa, nullptr);
  }
}

sigset_t Signals() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : kSignals) sigaddset(&set, sig);
  return set;
}

}  // namespace

void InterruptHold() {
  const sigset_t set = Signals();
  ::sigprocmask(SIG_BLOCK, &set, &s_held);
}

void InterruptRelease() { ::sigprocmask(SIG_SETMASK, &s_held, nullptr); }

bool RemoveOnInterrupt(const std::string &path) {
  s_armed = 0;
  if (path.empty() || path.size() >= sizeof s_path) return false;
  Install();
  std::memcpy(s_path, path.c_str(), path.size() + 1);
  s_armed = 1;
  return true;
}

void RemoveOnInterruptCancel() { s_armed = 0; }
