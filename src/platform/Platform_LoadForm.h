// The load form's window: a borderless window of its own, centred on the
// screen, with the waiting cursor, that shows a picture while the game loads
// (the game window and its drawing device come later). The real platform
// installs one; until then, and for a run without a window, the one in use
// shows nothing.
#pragma once

#include <cstdint>

class ILoadFormWindow {
public:
  virtual ~ILoadFormWindow() = default;
  // Shows a picture of width x height pixels (blue, green, red, alpha; rows
  // top down). With shaped, pixels of alpha 0 are see-through where the
  // window system can shape windows; opacity (0 ... 255) makes the whole
  // window translucent where it can. A further call shows a new picture in
  // the same window. False when no window can be shown.
  virtual bool Show(int32_t width, int32_t height, const uint32_t *pixels, bool shaped, int32_t opacity) = 0;
  // Closes the window, if it is shown.
  virtual void Hide() = 0;
};

// A run without a window: nothing is shown.
class CHeadlessLoadForm : public ILoadFormWindow {
public:
  bool Show(int32_t, int32_t, const uint32_t *, bool, int32_t) override { return false; }
  void Hide() override {}
};

// The load form window in use.
ILoadFormWindow &PlatformLoadForm();
// Installs one (the owner keeps it alive while installed); null goes back
// to the headless one.
void Platform_InstallLoadForm(ILoadFormWindow *window);
