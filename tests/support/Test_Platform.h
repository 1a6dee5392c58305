// Tests that watch what reaches the machine (errors shown, debug lines, the
// clock, the window) install the built-in headless platform with one or more
// services of their own. Each setter replaces one service and keeps the
// others; null puts the headless one back.
#pragma once

#include "platform/Platform_Main.h"
#include "platform/headless/Headless_Platform.h"

namespace testplatform {

inline CHeadlessPlatform &Headless() {
  static CHeadlessPlatform platform;
  return platform;
}

inline RPlatform &Current() {
  static RPlatform platform = Headless().Services();
  return platform;
}

inline void Install() { Platform_Install(&Current()); }

inline void SetDialogs(IDialogs *d) {
  Current().dialogs = d ? d : &Headless().dialogs;
  Install();
}
inline void SetWindow(IWindowService *w) {
  Current().window = w ? w : &Headless().window;
  Install();
}
inline void SetClock(IClock *c) {
  Current().clock = c ? c : &Headless().clock;
  Install();
}
inline void SetFonts(ISystemFonts *f) {
  Current().fonts = f ? f : &Headless().fonts;
  Install();
}
inline void SetProcesses(IProcesses *p) {
  Current().processes = p ? p : &Headless().processes;
  Install();
}

// Dialogs whose error window a test scripts: Show answers for it; messages
// and debug lines behave as without a display.
class CErrorWindowDialogs : public CHeadlessDialogs {
public:
  bool ShowError(std::string_view text, bool fatal) override { return Show(text, fatal); }
  virtual bool Show(std::string_view text, bool fatal) = 0;
};

}  // namespace testplatform
