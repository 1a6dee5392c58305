#include "platform/headless/Headless_Platform.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/Platform_Process.h"

namespace {

void WriteLine(std::FILE *to, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), to);
  std::fputc('\n', to);
  std::fflush(to);
}

// A window's text on a terminal: the lines the window would show, each
// ended by a line feed (a bare carriage return would let each line
// overwrite the one before).
void WriteShown(std::FILE *to, std::string_view text) {
  for (const std::string &line : ShownLines(text)) std::fwrite((line + '\n').data(), 1, line.size() + 1, to);
  std::fflush(to);
}

}  // namespace

void CHeadlessWindow::ClipboardSetText(std::string_view text) {
  m_clip.assign(text);
  m_hasClip = true;
}

void CHeadlessWindow::PumpEvents() {
  // Events delivered here may inject more; those wait for the next pump.
  std::vector<std::pair<int32_t, bool>> keys;
  keys.swap(m_injected);
  for (const auto &[vk, down] : keys) {
    m_keys[vk] = down;
    if (m_sink) m_sink->OnKey(vk, down);
  }
}

void CHeadlessWindow::InjectKey(int32_t vk, bool down) {
  if (vk < 0 || vk >= 256) return;
  if (vk == 144 && down) m_numLock = !m_numLock;
  m_injected.emplace_back(vk, down);
}

uint32_t CHeadlessRender::CreateTexture(int32_t wt, int32_t ht, int32_t w, int32_t h, const uint32_t *pixels) {
  if (wt <= 0 || ht <= 0 || w < 0 || h < 0 || w > wt || h > ht) return 0;
  (void)pixels;
  return m_next++;
}

uint32_t CHeadlessRender::CreateTarget(int32_t wt, int32_t ht) {
  if (wt <= 0 || ht <= 0) return 0;
  return m_next++;
}

void CHeadlessRender::ReleaseTexture(uint32_t) {}

bool CHeadlessWindow::Open(int32_t width, int32_t height, std::string &) {
  const RDisplayMode screen = DisplayMode();
  m_client = RPixelRect{(screen.width - width) / 2, (screen.height - height) / 2, width, height};
  return true;
}

int64_t CSystemClock::NowMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void CSystemClock::SleepMillis(int32_t ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void CHeadlessDialogs::ShowMessage(std::string_view text) { WriteShown(stderr, text); }

bool CHeadlessDialogs::ShowError(std::string_view text, bool fatal) {
  WriteShown(stderr, text);
  return !fatal;
}

void CHeadlessDialogs::DebugMessage(std::string_view text) { WriteLine(stdout, text); }

bool CHeadlessProcesses::Run(const std::string &program, const std::vector<std::string> &args, bool wait,
                             const std::function<void()> &idle) {
  return ProcessRun(program, args, wait, idle);
}

bool CHeadlessProcesses::Open(const std::string &target, const std::vector<std::string> &args) {
  return ProcessOpen(target, args);
}

bool CHeadlessProcesses::SetPriority(int level) {
  m_priority = level;
  return !m_apply || SetProcessPriority(level);
}

CHeadlessPlatform::CHeadlessPlatform(bool applyPriority) : processes(applyPriority) {
  m_platform.window = &window;
  m_platform.render = &render;
  m_platform.audio = &audio;
  m_platform.fonts = &fonts;
  m_platform.clock = &clock;
  m_platform.dialogs = &dialogs;
  m_platform.libraries = &libraries;
  m_platform.network = &network;
  m_platform.processes = &processes;
  m_platform.joysticks = &joysticks;
  m_platform.name = "headless";
}
