// Graphics start-up and shut-down, in the order the device expects them.
#include <string>

#include "base/Option_Main.h"
#include "base/Support_Trace.h"
#include "data/Background_Main.h"
#include "data/Sprite_Main.h"
#include "data/Font_Main.h"
#include "graphics/Graphics_D3D.h"
#include "graphics/Graphics_Window.h"
#include "platform/Platform_Main.h"
#include "runner/Runner_Wire.h"

bool Runner_StartGraphics() {
  // The window exists, hidden, before it is given its style; a run without
  // a window keeps the geometry only.
  std::string error;
  if (!PlatformWindow().Open(640, 480, error)) {
    PlatformDialogs().ShowMessage(error);
    return false;
  }
  Window_StartUp();
  Trace("Init_Graphics :: GR_D3D_Init");
  if (!GR_D3D_Init(640, 480, g_Settings.opt_vsync)) return false;
  GR_D3D_Set_Interpolation(g_Settings.opt_interpolate);
  Trace("Init_Graphics :: Background_InitTextures");
  Background_InitTextures();
  Trace("Init_Graphics :: Sprite_InitTextures");
  Sprite_InitTextures();
  Trace("Init_Graphics :: Background_FontTextures");
  Font_InitTextures();
  Trace("Init_Graphics :: GR_D3D_Start_Frame");
  GR_D3D_Start_Frame();
  Trace("Init_Graphics :: Finished");
  return true;
}

void Runner_FinishGraphics() {
  GR_D3D_Finish();
  PlatformWindow().SetEventSink(nullptr);
  PlatformWindow().Close();
}
