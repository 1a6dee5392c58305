// The script functions of the window, the display and the screen.
#include <algorithm>
#include <string>

#include "base/Option_Main.h"
#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "code/Variable_BuiltIn.h"
#include "graphics/Graphics_D3D.h"
#include "graphics/Graphics_Window.h"
#include "graphics/Room_Draw.h"
#include "world/Run_Main.h"

namespace {

using fnarg::Bool;
using fnarg::Int;
using fnarg::Num;

#define ROUTINE(name) void name(CInstance *, CInstance *, [[maybe_unused]] int argc, [[maybe_unused]] RValue *args, [[maybe_unused]] RValue &result)

IWindowService &Win() { return PlatformWindow(); }

// --- display -------------------------------------------------------------------

ROUTINE(F_DisplayGetWidth) { result.SetReal(Win().DisplayMode().width); }
ROUTINE(F_DisplayGetHeight) { result.SetReal(Win().DisplayMode().height); }
ROUTINE(F_DisplayGetColordepth) { result.SetReal(Win().DisplayMode().depth); }
ROUTINE(F_DisplayGetFrequency) { result.SetReal(Win().DisplayMode().frequency); }

// A mode change with the parts given (0 or less keeps a part), then the
// device is reset whatever the answer.
bool SetMode(int32_t w, int32_t h, int32_t freq, int32_t depth, bool testOnly) {
  RDisplayMode mode = Win().DisplayMode();
  if (w > 0) mode.width = w;
  if (h > 0) mode.height = h;
  if (freq > 0) mode.frequency = freq;
  if (depth > 0) mode.depth = depth;
  const bool ok = Win().SetDisplayMode(mode, testOnly);
  if (!testOnly) GR_D3D_Reset();
  return ok;
}
ROUTINE(F_DisplaySetSize) { result.SetReal(SetMode(Int(args[0]), Int(args[1]), 0, 0, false) ? 1 : 0); }
ROUTINE(F_DisplaySetColordepth) { result.SetReal(SetMode(0, 0, 0, Int(args[0]), false) ? 1 : 0); }
ROUTINE(F_DisplaySetFrequency) { result.SetReal(SetMode(0, 0, Int(args[0]), 0, false) ? 1 : 0); }
ROUTINE(F_DisplaySetAll) {
  result.SetReal(SetMode(Int(args[0]), Int(args[1]), Int(args[2]), Int(args[3]), false) ? 1 : 0);
}
ROUTINE(F_DisplayTestAll) {
  result.SetReal(SetMode(Int(args[0]), Int(args[1]), Int(args[2]), Int(args[3]), true) ? 1 : 0);
}
ROUTINE(F_DisplayReset) { Room_RequestDisplayReset(argc > 0 ? Int(args[0]) : 0); }
ROUTINE(F_DisplayMouseGetX) {
  int32_t x = 0, y = 0;
  Win().MouseScreenPosition(x, y);
  result.SetReal(x);
}
ROUTINE(F_DisplayMouseGetY) {
  int32_t x = 0, y = 0;
  Win().MouseScreenPosition(x, y);
  result.SetReal(y);
}
ROUTINE(F_DisplayMouseSet) { Window_SetMouseScreen(Int(args[0]), Int(args[1])); }

// --- window --------------------------------------------------------------------

ROUTINE(F_WindowSetVisible) { Win().SetVisible(Bool(args[0])); }
ROUTINE(F_WindowGetVisible) { result.SetReal(Win().Visible() ? 1 : 0); }
ROUTINE(F_WindowSetFullscreen) { Window_SetFullscreen(Bool(args[0])); }
ROUTINE(F_WindowGetFullscreen) { result.SetReal(g_Window.fullscreen ? 1 : 0); }
ROUTINE(F_WindowSetShowborder) { Window_SetBorder(Bool(args[0])); }
ROUTINE(F_WindowGetShowborder) { result.SetReal(g_Window.border ? 1 : 0); }
ROUTINE(F_WindowSetShowicons) { Window_SetIcons(Bool(args[0])); }
ROUTINE(F_WindowGetShowicons) { result.SetReal(g_Window.icons ? 1 : 0); }
ROUTINE(F_WindowSetStayontop) { Window_SetStayOnTop(Bool(args[0])); }
ROUTINE(F_WindowGetStayontop) { result.SetReal(g_Window.stayOnTop ? 1 : 0); }
ROUTINE(F_WindowSetSizeable) { Window_SetSizeable(Bool(args[0])); }
ROUTINE(F_WindowGetSizeable) { result.SetReal(g_Window.sizeable ? 1 : 0); }
ROUTINE(F_WindowSetCaption) {
  Win().SetCaption(args[0].kind == RValue::kString ? args[0].str.view() : std::string_view());
}
ROUTINE(F_WindowGetCaption) { result.SetString(RString(Win().Caption())); }
ROUTINE(F_WindowSetCursor) { Window_SetCursor(Int(args[0])); }
ROUTINE(F_WindowGetCursor) { result.SetReal(g_Window.cursor); }
ROUTINE(F_WindowSetColor) { Window_SetColour(static_cast<uint32_t>(Int(args[0]))); }
ROUTINE(F_WindowGetColor) { result.SetReal(g_Window.colour); }

// A client size from script: multiplied by the scale when it is above 0.
int32_t Scaled(int32_t v) {
  return g_Window.scale > 0 ? static_cast<int32_t>(std::lround(v * g_Window.scale)) : v;
}
ROUTINE(F_WindowSetPosition) {
  Window_Remember();
  const RPixelRect c = g_Window.remembered;
  Window_SetClientRect(Int(args[0]), Int(args[1]), c.w, c.h);
}
ROUTINE(F_WindowSetSize) {
  Window_Remember();
  const RPixelRect c = g_Window.remembered;
  Window_SetClientRect(c.x, c.y, Scaled(Int(args[0])), Scaled(Int(args[1])));
}
ROUTINE(F_WindowSetRectangle) {
  Window_Remember();
  Window_SetClientRect(Int(args[0]), Int(args[1]), Scaled(Int(args[2])), Scaled(Int(args[3])));
}
ROUTINE(F_WindowCenter) { Window_Center(); }
ROUTINE(F_WindowDefault) { Window_Default(); }
ROUTINE(F_WindowGetX) { result.SetReal(Win().ClientRect().x); }
ROUTINE(F_WindowGetY) { result.SetReal(Win().ClientRect().y); }
ROUTINE(F_WindowGetWidth) { result.SetReal(Win().ClientRect().w); }
ROUTINE(F_WindowGetHeight) { result.SetReal(Win().ClientRect().h); }
ROUTINE(F_WindowSetRegionSize) { Window_SetRegionSize(Int(args[0]), Int(args[1]), Bool(args[2])); }
ROUTINE(F_WindowGetRegionWidth) { result.SetReal(g_Window.regionW); }
ROUTINE(F_WindowGetRegionHeight) { result.SetReal(g_Window.regionH); }
ROUTINE(F_WindowSetRegionScale) { Window_SetRegionScale(Num(args[0]), Bool(args[1])); }
ROUTINE(F_WindowGetRegionScale) { result.SetReal(g_Window.scale); }

ROUTINE(F_WindowMouseGetX) {
  double x = 0, y = 0;
  Window_MouseClient(x, y);
  result.SetReal(x);
}
ROUTINE(F_WindowMouseGetY) {
  double x = 0, y = 0;
  Window_MouseClient(x, y);
  result.SetReal(y);
}
ROUTINE(F_WindowMouseSet) {
  const RPixelRect c = Win().ClientRect();
  Window_SetMouseScreen(c.x + Int(args[0]), c.y + Int(args[1]));
}

// The view entry a script names; null outside the table.
const RViewMap *Entry(const RValue &v) {
  const int32_t i = Int(v);
  return i >= 0 && i < kViewMapSize ? &g_ViewMap[static_cast<size_t>(i)] : nullptr;
}
void MouseThrough(const RValue &view, double &x, double &y) {
  double rx = 0, ry = 0;
  Window_MouseRegion(rx, ry);
  x = rx, y = ry;
  if (const RViewMap *v = Entry(view)) View_RegionToRoom(*v, rx, ry, x, y);
}
ROUTINE(F_WindowViewMouseGetX) {
  double x = 0, y = 0;
  MouseThrough(args[0], x, y);
  result.SetReal(x);
}
ROUTINE(F_WindowViewMouseGetY) {
  double x = 0, y = 0;
  MouseThrough(args[0], x, y);
  result.SetReal(y);
}

// Moves the cursor to the region point (rx, ry).
void SetMouseRegion(double rx, double ry) {
  const RPixelRect c = Win().ClientRect();
  const RPixelRect p = Window_PresentationRect(c.w, c.h, g_Window.regionW, g_Window.regionH, g_Window.scale);
  const double sx = g_Window.regionW > 0 ? static_cast<double>(p.w) / g_Window.regionW : 0;
  const double sy = g_Window.regionH > 0 ? static_cast<double>(p.h) / g_Window.regionH : 0;
  Window_SetMouseScreen(c.x + p.x + static_cast<int32_t>(std::lround(rx * sx)),
                               c.y + p.y + static_cast<int32_t>(std::lround(ry * sy)));
}
ROUTINE(F_WindowViewMouseSet) {
  double rx = Num(args[1]), ry = Num(args[2]);
  if (const RViewMap *v = Entry(args[0])) View_RoomToRegion(*v, Num(args[1]), Num(args[2]), rx, ry);
  SetMouseRegion(rx, ry);
}
ROUTINE(F_WindowViewsMouseGetX) {
  double x = 0, y = 0;
  Room_MouseInRoom(x, y);
  result.SetReal(x);
}
ROUTINE(F_WindowViewsMouseGetY) {
  double x = 0, y = 0;
  Room_MouseInRoom(x, y);
  result.SetReal(y);
}
ROUTINE(F_WindowViewsMouseSet) {
  double rx = Num(args[0]), ry = Num(args[1]);
  for (const RViewMap &v : g_ViewMap) {
    if (!v.used) continue;
    View_RoomToRegion(v, Num(args[0]), Num(args[1]), rx, ry);
    break;
  }
  SetMouseRegion(rx, ry);
}

// --- screen --------------------------------------------------------------------

ROUTINE(F_SetSynchronization) {
  g_Settings.opt_vsync = Bool(args[0]);
  GR_D3D_Set_Sync(g_Settings.opt_vsync);
}
ROUTINE(F_SetAutomaticDraw) { g_Run.automaticDraw = Bool(args[0]); }
ROUTINE(F_ScreenRedraw) { Room_Redraw(); }
ROUTINE(F_ScreenRefresh) {
  Window_UpdatePresentation();
  GR_D3D_Refresh();
}
ROUTINE(F_ScreenWaitVsync) { Room_WaitVerticalBlank(); }

// view_current: the view being drawn; scripts only read it.
bool GetViewCurrent(CInstance *, int32_t, RValue &value) {
  value.SetReal(g_ViewCurrent);
  return true;
}

}  // namespace

void Window_Functions_Init() {
  FunctionAdd("display_get_width", F_DisplayGetWidth, 0);
  FunctionAdd("display_get_height", F_DisplayGetHeight, 0);
  FunctionAdd("display_get_colordepth", F_DisplayGetColordepth, 0);
  FunctionAdd("display_get_frequency", F_DisplayGetFrequency, 0);
  FunctionAdd("display_set_size", F_DisplaySetSize, 2);
  FunctionAdd("display_set_colordepth", F_DisplaySetColordepth, 1);
  FunctionAdd("display_set_frequency", F_DisplaySetFrequency, 1);
  FunctionAdd("display_set_all", F_DisplaySetAll, 4);
  FunctionAdd("display_test_all", F_DisplayTestAll, 4);
  FunctionAdd("display_reset", F_DisplayReset, -1);
  FunctionAdd("display_mouse_get_x", F_DisplayMouseGetX, 0);
  FunctionAdd("display_mouse_get_y", F_DisplayMouseGetY, 0);
  FunctionAdd("display_mouse_set", F_DisplayMouseSet, 2);

  FunctionAdd("window_set_visible", F_WindowSetVisible, 1);
  FunctionAdd("window_get_visible", F_WindowGetVisible, 0);
  FunctionAdd("window_set_fullscreen", F_WindowSetFullscreen, 1);
  FunctionAdd("window_get_fullscreen", F_WindowGetFullscreen, 0);
  FunctionAdd("window_set_showborder", F_WindowSetShowborder, 1);
  FunctionAdd("window_get_showborder", F_WindowGetShowborder, 0);
  FunctionAdd("window_set_showicons", F_WindowSetShowicons, 1);
  FunctionAdd("window_get_showicons", F_WindowGetShowicons, 0);
  FunctionAdd("window_set_stayontop", F_WindowSetStayontop, 1);
  FunctionAdd("window_get_stayontop", F_WindowGetStayontop, 0);
  FunctionAdd("window_set_sizeable", F_WindowSetSizeable, 1);
  FunctionAdd("window_get_sizeable", F_WindowGetSizeable, 0);
  FunctionAdd("window_set_caption", F_WindowSetCaption, 1);
  FunctionAdd("window_get_caption", F_WindowGetCaption, 0);
  FunctionAdd("window_set_cursor", F_WindowSetCursor, 1);
  FunctionAdd("window_get_cursor", F_WindowGetCursor, 0);
  FunctionAdd("window_set_color", F_WindowSetColor, 1);
  FunctionAdd("window_get_color", F_WindowGetColor, 0);
  FunctionAdd("window_set_position", F_WindowSetPosition, 2);
  FunctionAdd("window_set_size", F_WindowSetSize, 2);
  FunctionAdd("window_set_rectangle", F_WindowSetRectangle, 4);
  FunctionAdd("window_center", F_WindowCenter, 0);
  FunctionAdd("window_default", F_WindowDefault, 0);
  FunctionAdd("window_get_x", F_WindowGetX, 0);
  FunctionAdd("window_get_y", F_WindowGetY, 0);
  FunctionAdd("window_get_width", F_WindowGetWidth, 0);
  FunctionAdd("window_get_height", F_WindowGetHeight, 0);
  FunctionAdd("window_set_region_size", F_WindowSetRegionSize, 3);
  FunctionAdd("window_get_region_width", F_WindowGetRegionWidth, 0);
  FunctionAdd("window_get_region_height", F_WindowGetRegionHeight, 0);
  FunctionAdd("window_set_region_scale", F_WindowSetRegionScale, 2);
  FunctionAdd("window_get_region_scale", F_WindowGetRegionScale, 0);
  FunctionAdd("window_mouse_get_x", F_WindowMouseGetX, 0);
  FunctionAdd("window_mouse_get_y", F_WindowMouseGetY, 0);
  FunctionAdd("window_mouse_set", F_WindowMouseSet, 2);
  FunctionAdd("window_view_mouse_get_x", F_WindowViewMouseGetX, 1);
  FunctionAdd("window_view_mouse_get_y", F_WindowViewMouseGetY, 1);
  FunctionAdd("window_view_mouse_set", F_WindowViewMouseSet, 3);
  FunctionAdd("window_views_mouse_get_x", F_WindowViewsMouseGetX, 0);
  FunctionAdd("window_views_mouse_get_y", F_WindowViewsMouseGetY, 0);
  FunctionAdd("window_views_mouse_set", F_WindowViewsMouseSet, 2);

  FunctionAdd("set_synchronization", F_SetSynchronization, 1);
  FunctionAdd("set_automatic_draw", F_SetAutomaticDraw, 1);
  FunctionAdd("screen_redraw", F_ScreenRedraw, 0);
  FunctionAdd("screen_refresh", F_ScreenRefresh, 0);
  FunctionAdd("screen_wait_vsync", F_ScreenWaitVsync, 0);

  BuiltinSetAccess("view_current", GetViewCurrent, nullptr);
}
