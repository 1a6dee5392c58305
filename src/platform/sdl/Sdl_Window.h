// The game window on SDL2: one OpenGL-capable window, its event queue, the
// caption, the clipboard, the frame style, full screen, the cursor and the
// mouse on the screen.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform_Main.h"

struct SDL_Window;
struct SDL_Cursor;

class CSdlWindow : public IWindowService {
public:
  CSdlWindow();
  ~CSdlWindow() override;
  CSdlWindow(const CSdlWindow &) = delete;
  CSdlWindow &operator=(const CSdlWindow &) = delete;

  // The SDL window the render device draws on; null before Open.
  SDL_Window *Native() const { return m_window; }

  void PumpEvents() override;
  bool Active() override { return m_window == nullptr || m_active; }
  int64_t Handle() override { return m_id; }
  void SetCaption(std::string_view caption) override;
  std::string Caption() override { return m_caption; }
  bool ClipboardHasText() override;
  void ClipboardSetText(std::string_view text) override;
  std::string ClipboardGetText() override;

  bool Open(int32_t width, int32_t height, std::string &error) override;
  void Close() override;
  void SetEventSink(IWindowEvents *sink) override { m_sink = sink; }
  void SetVisible(bool visible) override;
  bool Visible() override { return m_visible; }
  void SetStyle(bool border, bool icons, bool sizeable, bool stayOnTop) override;
  void SetFullscreen(bool fullscreen) override;
  RPixelRect ClientRect() override;
  void SetClientRect(const RPixelRect &rect) override;
  void SetMinimumClientSize(int32_t width, int32_t height) override;
  double PixelScale() override;
  RDisplayMode DisplayMode() override;
  bool SetDisplayMode(const RDisplayMode &mode, bool testOnly) override;
  void RestoreDisplayMode() override {}
  void SetCursorShape(int32_t shape) override;
  void MouseScreenPosition(int32_t &x, int32_t &y) override;
  void SetMouseScreenPosition(int32_t x, int32_t y) override;
  bool KeyDirect(int32_t vk) override;
  bool NumLock() override;
  void InjectKey(int32_t vk, bool down) override;

  // The style last asked for (the icons have no counterpart in SDL and are
  // only remembered).
  bool Border() const { return m_border; }
  bool Icons() const { return m_icons; }
  bool Sizeable() const { return m_sizeable; }
  bool StayOnTop() const { return m_stayOnTop; }
  bool Fullscreen() const { return m_fullscreen; }

private:
  void ApplyStyle();

  SDL_Window *m_window = nullptr;
  uint32_t m_id = 0;
  IWindowEvents *m_sink = nullptr;
  std::string m_caption;
  bool m_active = true;
  bool m_visible = false;
  bool m_border = true, m_icons = true, m_sizeable = false, m_stayOnTop = false;
  bool m_fullscreen = false;
  RPixelRect m_client;        // the client rectangle while there is no window
  RPixelRect m_beforeFull;    // the client rectangle to go back to after full screen
  int32_t m_cursorShape = 0;
  SDL_Cursor *m_cursor = nullptr;
  // Used when SDL's own clipboard cannot be reached (no video subsystem).
  std::string m_clip;
  bool m_hasClip = false;
  // Keys injected before SDL's event queue exists, and Num Lock as last set.
  std::vector<std::pair<int32_t, bool>> m_injected;
  bool m_numLock = false;
};
