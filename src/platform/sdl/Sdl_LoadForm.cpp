#include "platform/sdl/Sdl_LoadForm.h"

#include <SDL.h>
#include <SDL_shape.h>

#include <algorithm>
#include <string>

#include "platform/sdl/Sdl_Video.h"

bool CSdlLoadForm::Show(int32_t width, int32_t height, const uint32_t *pixels, bool shaped, int32_t opacity) {
  if (width <= 0 || height <= 0 || pixels == nullptr) return false;
  std::string why;
  if (!SdlVideo_Start(why)) return false;
  if (m_window) {
    int w = 0, h = 0;
    SDL_GetWindowSize(m_window, &w, &h);
    if (w != width || h != height) Hide();
  }
  // The picture of a few pixels needs no graphics driver: the window system's
  // own surface is cheaper to set up than a second OpenGL context.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_Surface *picture = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t *>(pixels), width, height, 32,
                                                            width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!picture) return false;
  SDL_SetSurfaceBlendMode(picture, SDL_BLENDMODE_NONE);
  const bool created = m_window == nullptr;
  if (created) {
    SDL_Rect screen{0, 0, width, height};
    SDL_GetDisplayBounds(0, &screen);
    // Centred, halves truncated towards zero.
    const int x = screen.x + (screen.w - width) / 2, y = screen.y + (screen.h - height) / 2;
    const Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_SKIP_TASKBAR;
    if (shaped) m_window = SDL_CreateShapedWindow("", unsigned(std::max(0, x)), unsigned(std::max(0, y)),
                                                      unsigned(width), unsigned(height), flags);
    // A window system that cannot shape windows shows the whole picture.
    if (!m_window) {
      shaped = false;
      m_window = SDL_CreateWindow("", x, y, width, height, flags);
    }
    if (!m_window) {
      SDL_FreeSurface(picture);
      return false;
    }
    if (shaped) {
      SDL_WindowShapeMode mode;
      mode.mode = ShapeModeBinarizeAlpha;
      mode.parameters.binarizationCutoff = 1;
      SDL_SetWindowShape(m_window, picture, &mode);
    }
    // Not every window system can make windows translucent; the form is
    // then opaque.
    if (opacity < 255) SDL_SetWindowOpacity(m_window, float(std::clamp(opacity, 0, 255)) / 255.0f);
    if (!m_cursor) m_cursor = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
    if (m_cursor) SDL_SetCursor(m_cursor);
    SDL_ShowWindow(m_window);
  }
  SDL_Surface *surface = SDL_GetWindowSurface(m_window);
  const bool shown = surface != nullptr && SDL_BlitSurface(picture, nullptr, surface, nullptr) == 0 &&
                     SDL_UpdateWindowSurface(m_window) == 0;
  SDL_FreeSurface(picture);
  return shown;
}

void CSdlLoadForm::Hide() {
  if (m_window) {
    SDL_DestroyWindow(m_window);
    m_window = nullptr;
  }
  if (m_cursor) {
    SDL_SetCursor(SDL_GetDefaultCursor());
    SDL_FreeCursor(m_cursor);
    m_cursor = nullptr;
  }
}
