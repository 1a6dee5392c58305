#include "platform/Platform_Main.h"

#include "platform/headless/Headless_Platform.h"

namespace {

// Built on first use, so that code running before the runner installs its
// platform (and tests that install none) finds every service.
const RPlatform &BuiltIn() {
  static CHeadlessPlatform platform;
  return platform.Services();
}

const RPlatform *g_installed = nullptr;

}  // namespace

bool RPlatform::Complete() const {
  return window && render && audio && fonts && clock && dialogs && libraries && network && processes &&
         joysticks;
}

const RPlatform &Platform() { return g_installed ? *g_installed : BuiltIn(); }

void Platform_Install(const RPlatform *platform) {
  g_installed = platform && platform->Complete() ? platform : nullptr;
}

std::vector<std::string> ShownLines(std::string_view text) {
  std::vector<std::string> lines(1);
  for (char c : text) {
    if (c == '\r') lines.emplace_back();
    else if (c != '\n') lines.back() += c;
  }
  return lines;
}

void ErrorMemoAppend(std::vector<std::string> &memo, std::string_view text) {
  memo.emplace_back();
  memo.emplace_back(43, '_');
  for (std::string &line : ShownLines(text)) memo.push_back(std::move(line));
}
