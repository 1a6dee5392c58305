#include "platform/Platform_LoadForm.h"

namespace {

CHeadlessLoadForm s_headless;
ILoadFormWindow *s_window = &s_headless;

}  // namespace

ILoadFormWindow &PlatformLoadForm() { return *s_window; }

void Platform_InstallLoadForm(ILoadFormWindow *window) { s_window = window ? window : &s_headless; }
