// The load form's window on SDL2: a borderless window with a software
// surface, so that it shows before the game window and its OpenGL context
// exist.
#pragma once

#include "platform/Platform_LoadForm.h"

struct SDL_Window;
struct SDL_Cursor;

class CSdlLoadForm : public ILoadFormWindow {
public:
  CSdlLoadForm() = default;
  ~CSdlLoadForm() override { Hide(); }
  CSdlLoadForm(const CSdlLoadForm &) = delete;
  CSdlLoadForm &operator=(const CSdlLoadForm &) = delete;

  bool Show(int32_t width, int32_t height, const uint32_t *pixels, bool shaped, int32_t opacity) override;
  void Hide() override;

private:
  SDL_Window *m_window = nullptr;
  SDL_Cursor *m_cursor = nullptr;
};
