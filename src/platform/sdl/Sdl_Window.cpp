#include "platform/sdl/Sdl_Window.h"

#include <SDL.h>

#include <algorithm>

#include "platform/sdl/Sdl_Keys.h"
#include "platform/sdl/Sdl_Video.h"

namespace {

// SDL's video starts with the first service that needs it, so that a run
// which never shows a window never looks for a display.
bool VideoReady() {
  std::string why;
  return SdlVideo_Start(why);
}

// The cursor shapes games name, as SDL's system cursors. Shapes SDL has no
// picture for take the nearest one it has.
SDL_SystemCursor CursorFor(int32_t shape) {
  switch (shape) {
    case -3: return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case -4: return SDL_SYSTEM_CURSOR_IBEAM;
    case -6: return SDL_SYSTEM_CURSOR_SIZENESW;
    case -7: return SDL_SYSTEM_CURSOR_SIZENS;
    case -8: return SDL_SYSTEM_CURSOR_SIZENWSE;
    case -9: return SDL_SYSTEM_CURSOR_SIZEWE;
    case -10: return SDL_SYSTEM_CURSOR_ARROW;      // up arrow
    case -11: return SDL_SYSTEM_CURSOR_WAIT;       // hourglass
    case -12: return SDL_SYSTEM_CURSOR_HAND;       // drag
    case -13: return SDL_SYSTEM_CURSOR_NO;         // no drop
    case -14: return SDL_SYSTEM_CURSOR_SIZENS;     // horizontal split
    case -15: return SDL_SYSTEM_CURSOR_SIZEWE;     // vertical split
    case -16: return SDL_SYSTEM_CURSOR_HAND;       // multiple drag
    case -17: return SDL_SYSTEM_CURSOR_WAITARROW;  // waiting for a query
    case -18: return SDL_SYSTEM_CURSOR_NO;
    case -19: return SDL_SYSTEM_CURSOR_WAITARROW;  // application starting
    case -20: return SDL_SYSTEM_CURSOR_ARROW;      // help
    case -21: return SDL_SYSTEM_CURSOR_HAND;
    case -22: return SDL_SYSTEM_CURSOR_SIZEALL;
    default: return SDL_SYSTEM_CURSOR_ARROW;        // 0, -2 and unknown shapes
  }
}

// The event type of keys that the game injects; registered once.
Uint32 InjectedKeyEvent() {
  static const Uint32 type = SDL_RegisterEvents(1);
  return type;
}

// SDL's buttons as the game numbers them: 1 left, 2 right, 3 middle.
int32_t GameButton(Uint8 button) {
  switch (button) {
    case SDL_BUTTON_LEFT: return 1;
    case SDL_BUTTON_RIGHT: return 2;
    case SDL_BUTTON_MIDDLE: return 3;
    default: return 0;
  }
}

// UTF-8 text as UTF-16 code units; a broken sequence gives nothing.
void TextUnits(const char *text, IWindowEvents &sink) {
  const auto *p = reinterpret_cast<const unsigned char *>(text);
  while (*p) {
    uint32_t c = *p;
    int more = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (more < 0) return;
    if (more > 0) c &= 0x3Fu >> more;
    ++p;
    for (int i = 0; i < more; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) return;
      c = (c << 6) | (*p & 0x3Fu);
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      sink.OnChar(static_cast<uint16_t>(0xD800 + (c >> 10)));
      sink.OnChar(static_cast<uint16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      sink.OnChar(static_cast<uint16_t>(c));
    }
  }
}

// Keys that type a control character of their own, which SDL's text
// events leave out.
uint16_t ControlChar(SDL_Keycode key) {
  switch (key) {
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 13;
    case SDLK_ESCAPE: return 27;
    default: return 0;
  }
}

}  // namespace

CSdlWindow::CSdlWindow() = default;

CSdlWindow::~CSdlWindow() { Close(); }

bool CSdlWindow::Open(int32_t width, int32_t height, std::string &error) {
  if (m_window) return true;
  std::string why;
  if (!SdlVideo_Start(why)) {
    error = "The window system could not be started: " + why;
    return false;
  }
  width = std::max<int32_t>(1, width);
  height = std::max<int32_t>(1, height);
  Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
  if (!m_border) flags |= SDL_WINDOW_BORDERLESS;
  if (m_sizeable) flags |= SDL_WINDOW_RESIZABLE;
  if (m_stayOnTop) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
  const auto create = [&]() {
    // The render device asks for this context on the window; the back
    // buffer it draws into is its own, so the window's framebuffer needs no
    // depth.
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    return SDL_CreateWindow(m_caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, flags);
  };
  m_window = create();
  // A display that takes no window (or no OpenGL window) is as good as none.
  if (!m_window && SdlVideo_FallBackOffscreen()) m_window = create();
  if (!m_window) {
    error = std::string("The window could not be created: ") + SDL_GetError();
    return false;
  }
  m_id = SDL_GetWindowID(m_window);
  if (m_id == 0) m_id = 1;
  m_visible = false;
  m_active = true;
  m_fullscreen = false;
  int x = 0, y = 0;
  SDL_GetWindowPosition(m_window, &x, &y);
  m_client = RPixelRect{x, y, width, height};
  SetCursorShape(m_cursorShape);
  return true;
}

void CSdlWindow::Close() {
  if (m_cursor) {
    SDL_FreeCursor(m_cursor);
    m_cursor = nullptr;
  }
  if (m_window) {
    m_client = ClientRect();
    SDL_DestroyWindow(m_window);
    m_window = nullptr;
  }
  m_id = 0;
  m_visible = false;
}

void CSdlWindow::PumpEvents() {
  if (!m_injected.empty()) {
    std::vector<std::pair<int32_t, bool>> keys;
    keys.swap(m_injected);
    for (const auto &[vk, down] : keys)
      if (m_sink) m_sink->OnKey(vk, down);
  }
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
  SDL_Event e;
  bool closeAsked = false;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_QUIT:
        // Closing the last window sends its close event and then this one:
        // the player asked once.
        if (!closeAsked && m_sink) m_sink->OnCloseRequest();
        closeAsked = true;
        break;
      case SDL_WINDOWEVENT:
        if (m_window == nullptr || e.window.windowID != m_id) break;
        switch (e.window.event) {
          case SDL_WINDOWEVENT_CLOSE:
            if (!closeAsked && m_sink) m_sink->OnCloseRequest();
            closeAsked = true;
            break;
          case SDL_WINDOWEVENT_EXPOSED:
          case SDL_WINDOWEVENT_RESIZED:
          case SDL_WINDOWEVENT_SIZE_CHANGED:
            if (m_sink) m_sink->OnRepaint();
            break;
          case SDL_WINDOWEVENT_FOCUS_GAINED: m_active = true; break;
          case SDL_WINDOWEVENT_FOCUS_LOST: m_active = false; break;
          case SDL_WINDOWEVENT_SHOWN: m_visible = true; break;
          case SDL_WINDOWEVENT_HIDDEN: m_visible = false; break;
          default: break;
        }
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        if (m_window == nullptr || e.key.windowID != m_id || m_sink == nullptr) break;
        const bool down = e.type == SDL_KEYDOWN;
        const bool numLock = (e.key.keysym.mod & KMOD_NUM) != 0;
        const int32_t vk = SdlKeys_ToVirtualKey(e.key.keysym.scancode, e.key.keysym.sym, numLock);
        if (vk != 0) m_sink->OnKey(vk, down);
        if (down)
          if (const uint16_t c = ControlChar(e.key.keysym.sym)) m_sink->OnChar(c);
        break;
      }
      case SDL_TEXTINPUT:
        if (m_window != nullptr && e.text.windowID == m_id && m_sink) TextUnits(e.text.text, *m_sink);
        break;
      case SDL_MOUSEMOTION:
        if (m_window != nullptr && e.motion.windowID == m_id && m_sink) m_sink->OnMouseMove(e.motion.x, e.motion.y);
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        if (m_window == nullptr || e.button.windowID != m_id || m_sink == nullptr) break;
        if (const int32_t b = GameButton(e.button.button)) {
          m_sink->OnMouseMove(e.button.x, e.button.y);
          m_sink->OnMouseButton(b, e.type == SDL_MOUSEBUTTONDOWN);
        }
        break;
      case SDL_MOUSEWHEEL: {
        if (m_window == nullptr || e.wheel.windowID != m_id || m_sink == nullptr) break;
        int32_t y = e.wheel.y;
        if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
        for (int32_t i = 0; i < y; ++i) m_sink->OnWheel(true);
        for (int32_t i = 0; i > y; --i) m_sink->OnWheel(false);
        break;
      }
      default:
        if (e.type == InjectedKeyEvent() && m_sink) m_sink->OnKey(e.user.code, e.user.data1 != nullptr);
        break;
    }
  }
}

void CSdlWindow::SetCaption(std::string_view caption) {
  m_caption.assign(caption);
  if (m_window) SDL_SetWindowTitle(m_window, m_caption.c_str());
}

bool CSdlWindow::ClipboardHasText() {
  if (!VideoReady()) return m_hasClip;
  return SDL_HasClipboardText() == SDL_TRUE;
}

void CSdlWindow::ClipboardSetText(std::string_view text) {
  m_clip.assign(text);
  m_hasClip = true;
  if (VideoReady()) SDL_SetClipboardText(m_clip.c_str());
}

std::string CSdlWindow::ClipboardGetText() {
  if (!VideoReady()) return m_hasClip ? m_clip : std::string();
  char *text = SDL_GetClipboardText();
  std::string result = text ? text : "";
  SDL_free(text);
  return result;
}

void CSdlWindow::SetVisible(bool visible) {
  m_visible = visible;
  if (!m_window) return;
  if (visible) SDL_ShowWindow(m_window);
  else SDL_HideWindow(m_window);
}

void CSdlWindow::SetStyle(bool border, bool icons, bool sizeable, bool stayOnTop) {
  m_border = border;
  m_icons = icons;
  m_sizeable = sizeable;
  m_stayOnTop = stayOnTop;
  ApplyStyle();
}

void CSdlWindow::ApplyStyle() {
  if (!m_window || m_fullscreen) return;
  SDL_SetWindowBordered(m_window, m_border ? SDL_TRUE : SDL_FALSE);
  SDL_SetWindowResizable(m_window, m_sizeable ? SDL_TRUE : SDL_FALSE);
  SDL_SetWindowAlwaysOnTop(m_window, m_stayOnTop ? SDL_TRUE : SDL_FALSE);
}

void CSdlWindow::SetFullscreen(bool fullscreen) {
  if (fullscreen == m_fullscreen) return;
  if (!m_window) {
    m_fullscreen = fullscreen;
    return;
  }
  if (fullscreen) {
    m_beforeFull = ClientRect();
    SDL_SetWindowFullscreen(m_window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    m_fullscreen = true;
  } else {
    SDL_SetWindowFullscreen(m_window, 0);
    m_fullscreen = false;
    ApplyStyle();
    SetClientRect(m_beforeFull);
  }
}

RPixelRect CSdlWindow::ClientRect() {
  if (!m_window) return m_client;
  RPixelRect r;
  SDL_GetWindowPosition(m_window, &r.x, &r.y);
  SDL_GetWindowSize(m_window, &r.w, &r.h);
  return r;
}

void CSdlWindow::SetClientRect(const RPixelRect &rect) {
  m_client = rect;
  if (!m_window || m_fullscreen) return;
  if (rect.w > 0 && rect.h > 0) SDL_SetWindowSize(m_window, rect.w, rect.h);
  SDL_SetWindowPosition(m_window, rect.x, rect.y);
}

void CSdlWindow::SetMinimumClientSize(int32_t width, int32_t height) {
  if (m_window) SDL_SetWindowMinimumSize(m_window, std::max<int32_t>(1, width), std::max<int32_t>(1, height));
}

double CSdlWindow::PixelScale() {
  if (!m_window) return 1.0;
  int w = 0, h = 0, dw = 0, dh = 0;
  SDL_GetWindowSize(m_window, &w, &h);
  SDL_GL_GetDrawableSize(m_window, &dw, &dh);
  if (w <= 0 || dw <= 0) return 1.0;
  return double(dw) / double(w);
}

RDisplayMode CSdlWindow::DisplayMode() {
  RDisplayMode mode;
  if (!VideoReady()) return mode;
  const int display = m_window ? std::max(0, SDL_GetWindowDisplayIndex(m_window)) : 0;
  SDL_DisplayMode m;
  if (SDL_GetDesktopDisplayMode(display, &m) != 0) return mode;
  mode.width = m.w;
  mode.height = m.h;
  // A 24-bit colour is kept in 32-bit pixels, which is what games ask about.
  const int bytes = SDL_BYTESPERPIXEL(m.format);
  if (bytes > 0) mode.depth = bytes * 8;
  if (m.refresh_rate > 0) mode.frequency = m.refresh_rate;
  return mode;
}

bool CSdlWindow::SetDisplayMode(const RDisplayMode &mode, bool testOnly) {
  // SDL changes the screen's mode only for a window in exclusive full
  // screen, and the game's full screen is a window covering the desktop, so
  // the desktop mode cannot be changed: only asking for the mode the screen
  // already has succeeds.
  (void)testOnly;
  const RDisplayMode now = DisplayMode();
  return mode.width == now.width && mode.height == now.height && mode.depth == now.depth &&
         (mode.frequency == now.frequency || mode.frequency == 0);
}

void CSdlWindow::SetCursorShape(int32_t shape) {
  m_cursorShape = shape;
  if (!VideoReady()) return;
  if (shape == -1) {
    SDL_ShowCursor(SDL_DISABLE);
    return;
  }
  SDL_Cursor *cursor = SDL_CreateSystemCursor(CursorFor(shape));
  if (cursor) {
    SDL_SetCursor(cursor);
    if (m_cursor) SDL_FreeCursor(m_cursor);
    m_cursor = cursor;
  }
  SDL_ShowCursor(SDL_ENABLE);
}

void CSdlWindow::MouseScreenPosition(int32_t &x, int32_t &y) {
  x = y = 0;
  if (!VideoReady()) return;
  // A driver that knows no screen-wide mouse (offscreen, Wayland) answers
  // the position inside the window instead; the window's origin makes it a
  // screen position again.
  if (SdlVideo_Offscreen() && m_window) {
    int wx = 0, wy = 0;
    SDL_GetMouseState(&x, &y);
    SDL_GetWindowPosition(m_window, &wx, &wy);
    x += wx, y += wy;
    return;
  }
  SDL_GetGlobalMouseState(&x, &y);
}

void CSdlWindow::SetMouseScreenPosition(int32_t x, int32_t y) {
  if (!VideoReady()) return;
  if (SDL_WarpMouseGlobal(x, y) == 0 || !m_window) return;
  // Without a screen-wide mouse, the mouse can still be put inside the window.
  int wx = 0, wy = 0;
  SDL_GetWindowPosition(m_window, &wx, &wy);
  SDL_WarpMouseInWindow(m_window, x - wx, y - wy);
}

bool CSdlWindow::KeyDirect(int32_t vk) {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
  SDL_PumpEvents();
  return SdlKeys_Held(vk);
}

bool CSdlWindow::NumLock() {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return m_numLock;
  return (SDL_GetModState() & KMOD_NUM) != 0;
}

void CSdlWindow::InjectKey(int32_t vk, bool down) {
  if (vk < 0 || vk > 255) return;
  // Pressing Num Lock turns it; SDL is told, as the keyboard would have.
  if (vk == 144 && down) {
    m_numLock = !NumLock();
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
      const SDL_Keymod mod = SDL_GetModState();
      SDL_SetModState(static_cast<SDL_Keymod>(m_numLock ? (mod | KMOD_NUM) : (mod & ~KMOD_NUM)));
    }
  }
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
    // No event queue yet: the event waits for the next pump all the same.
    m_injected.emplace_back(vk, down);
    return;
  }
  SDL_Event e{};
  e.type = InjectedKeyEvent();
  e.user.code = vk;
  e.user.data1 = down ? &e : nullptr;  // only whether it is set is read
  SDL_PushEvent(&e);
}
