#include "platform/Platform_ErrorWindow.h"

#include <cstdio>

namespace {
CHeadlessErrorWindow g_headless;
IErrorWindow *g_window = nullptr;
}  // namespace

bool CHeadlessErrorWindow::Show(std::string_view text, bool fatal) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  return !fatal;
}

IErrorWindow &ErrorWindow() { return g_window ? *g_window : g_headless; }

void SetErrorWindow(IErrorWindow *window) { g_window = window; }

void ErrorMemoAppend(std::vector<std::string> &memo, std::string_view text) {
  memo.emplace_back();
  memo.emplace_back(43, '_');
  std::string line;
  for (char c : text) {
    if (c == '\r') {
      memo.push_back(std::move(line));
      line.clear();
    } else if (c != '\n') {
      line += c;
    }
  }
  memo.push_back(std::move(line));
}
