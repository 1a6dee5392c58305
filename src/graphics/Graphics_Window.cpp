#include "graphics/Graphics_Window.h"

#include <algorithm>
#include <cmath>

#include "base/Option_Main.h"
#include "graphics/Graphics_D3D.h"
#include "input/IO_Main.h"
#include "world/Event_Main.h"
#include "world/Instance_Class.h"
#include "world/Room_Class.h"
#include "world/Room_Main.h"

RWindowState g_Window;
std::array<RViewMap, kViewMapSize> g_ViewMap;
int32_t g_ViewCurrent = 0;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int32_t kEvOther = 7, kOtherCloseButton = 30;

int32_t Round(double v) { return static_cast<int32_t>(std::lround(v)); }

// The factor the picture is shown at in a client of cw x ch; 0 for none.
double ShownScale(int32_t cw, int32_t ch, int32_t rw, int32_t rh, double scale) {
  if (scale > 0) return scale;
  if (rw <= 0 || rh <= 0) return 0;
  return std::min(static_cast<double>(cw) / rw, static_cast<double>(ch) / rh);
}

RPixelRect Client() { return PlatformWindow().ClientRect(); }

// Applies the minimum client size the scale asks for.
void ApplyMinimum() {
  int32_t w = 0, h = 0;
  Window_MinimumClient(g_Window.regionW, g_Window.regionH, g_Window.scale, w, h);
  PlatformWindow().SetMinimumClientSize(w, h);
}

// After a region or scale change: the client made to fit the scaled region.
void Adapt(bool adapt) {
  if (g_Window.scale > 0) {
    const int32_t sw = Round(g_Window.regionW * g_Window.scale), sh = Round(g_Window.regionH * g_Window.scale);
    RPixelRect c = Client();
    if (adapt) c.w = sw, c.h = sh;
    else c.w = std::max(c.w, sw), c.h = std::max(c.h, sh);
    if (!g_Window.fullscreen) {
      g_Window.remembered = c;
      PlatformWindow().SetClientRect(c);
    }
  }
  ApplyMinimum();
  Window_Repaint();
}

class CWindowEvents : public IWindowEvents {
public:
  // Closing is always refused: the close button is the Escape key, or the
  // game's own close-button event decides.
  void OnCloseRequest() override {
    if (g_Settings.opt_closeasesc) {
      g_Input.keyDown[27] = true;
      g_Input.keyboardKey = 27;
      g_Input.keyboardLastKey = 27;
    } else if (Room_Current() != nullptr) {
      PerformEventAll(kEvOther, kOtherCloseButton);
    }
  }
  void OnRepaint() override {
    if (!g_Window.fullscreen) g_Window.remembered = Client();
    Window_Repaint();
  }
  void OnKey(int32_t vk, bool down) override { down ? IO_KeyDown(vk) : IO_KeyUp(vk); }
  void OnChar(uint16_t unit) override { IO_Char(unit); }
  void OnMouseButton(int32_t button, bool down) override { down ? IO_MouseDown(button) : IO_MouseUp(button); }
  void OnMouseMove(int32_t x, int32_t y) override { IO_MouseMove(x, y); }
  void OnWheel(bool up) override { IO_MouseWheel(up); }
};

CWindowEvents s_events;

}  // namespace

void Window_Reset() {
  g_Window = RWindowState();
  g_ViewMap = {};
  g_ViewCurrent = 0;
}

RPixelRect Window_PresentationRect(int32_t cw, int32_t ch, int32_t rw, int32_t rh, double scale) {
  if (scale == 0) return RPixelRect{0, 0, cw, ch};
  const double s = ShownScale(cw, ch, rw, rh, scale);
  const int32_t w = Round(rw * s), h = Round(rh * s);
  return RPixelRect{(cw - w) / 2, (ch - h) / 2, w, h};
}

void Window_ClientToRegion(int32_t cw, int32_t ch, int32_t rw, int32_t rh, double scale, double x, double y,
                           double &rx, double &ry) {
  if (scale == 0) {
    rx = std::round(x * rw / std::max(cw, 1));
    ry = std::round(y * rh / std::max(ch, 1));
    return;
  }
  const double s = ShownScale(cw, ch, rw, rh, scale);
  if (s == 0) {
    rx = ry = 0;
    return;
  }
  rx = std::round((x - (cw - Round(rw * s)) / 2) / s);
  ry = std::round((y - (ch - Round(rh * s)) / 2) / s);
}

void Window_MinimumClient(int32_t rw, int32_t rh, double scale, int32_t &w, int32_t &h) {
  w = h = 0;
  if (scale <= 0) return;
  w = Round(rw * scale);
  h = Round(rh * scale);
}

// ---- the window --------------------------------------------------------------

void Window_Remember() {
  if (!g_Window.fullscreen) g_Window.remembered = Client();
}

void Window_ApplyStyle() {
  IWindowService &w = PlatformWindow();
  if (g_Window.fullscreen) {
    w.SetFullscreen(true);
  } else {
    w.SetFullscreen(false);
    w.SetStyle(g_Window.border, g_Window.icons, g_Window.sizeable, g_Window.stayOnTop);
    w.SetClientRect(g_Window.remembered);
  }
  Window_UpdatePresentation();
}

namespace {
template <bool RWindowState::*Flag>
void SetFlag(bool on) {
  Window_Remember();
  g_Window.*Flag = on;
  Window_ApplyStyle();
}
}  // namespace

void Window_SetFullscreen(bool on) {
  if (on == g_Window.fullscreen) return;
  Window_Remember();
  g_Window.fullscreen = on;
  Window_ApplyStyle();
}
void Window_SetBorder(bool on) { SetFlag<&RWindowState::border>(on); }
void Window_SetIcons(bool on) { SetFlag<&RWindowState::icons>(on); }
void Window_SetSizeable(bool on) { SetFlag<&RWindowState::sizeable>(on); }
void Window_SetStayOnTop(bool on) { SetFlag<&RWindowState::stayOnTop>(on); }

void Window_SetColour(uint32_t colour) {
  g_Window.colour = colour & 0xFFFFFFu;
  Window_UpdatePresentation();
}

void Window_SetCursor(int32_t cursor) {
  g_Window.cursor = cursor;
  g_Settings.opt_showcursor = cursor != -1;
  PlatformWindow().SetCursorShape(cursor);
}

void Window_SetClientRect(int32_t x, int32_t y, int32_t w, int32_t h) {
  g_Window.remembered = RPixelRect{x, y, std::max(w, 1), std::max(h, 1)};
  if (!g_Window.fullscreen) PlatformWindow().SetClientRect(g_Window.remembered);
  Window_UpdatePresentation();
}

void Window_Center() {
  Window_Remember();
  const RDisplayMode screen = PlatformWindow().DisplayMode();
  const RPixelRect c = g_Window.remembered;
  Window_SetClientRect((screen.width - c.w) / 2, (screen.height - c.h) / 2, c.w, c.h);
}

void Window_Default() {
  int32_t w = g_Window.regionW, h = g_Window.regionH;
  if (g_Window.scale > 0) w = Round(w * g_Window.scale), h = Round(h * g_Window.scale);
  const RDisplayMode screen = PlatformWindow().DisplayMode();
  Window_SetClientRect((screen.width - w) / 2, (screen.height - h) / 2, w, h);
}

void Window_SetRegionSize(int32_t w, int32_t h, bool adapt) {
  if (w > 0) g_Window.regionW = w;
  if (h > 0) g_Window.regionH = h;
  Adapt(adapt);
}

void Window_SetRegionScale(double scale, bool adapt) {
  g_Window.scale = std::isnan(scale) ? 1 : scale;
  Adapt(adapt);
}

void Window_UpdatePresentation() {
  const RPixelRect c = Client();
  GR_D3D_Set_Presentation(Window_PresentationRect(c.w, c.h, g_Window.regionW, g_Window.regionH, g_Window.scale),
                          g_Window.colour);
}

void Window_Repaint() {
  Window_UpdatePresentation();
  if (GR_D3D_Exists()) GR_D3D_Refresh();
}

void Window_MouseClient(double &x, double &y) {
  // Where the window last reported the mouse: the position the step's
  // input holds (and an input script sets).
  int32_t cx = 0, cy = 0;
  if (IO_MouseClient(cx, cy)) {
    x = cx;
    y = cy;
    return;
  }
  int32_t sx = 0, sy = 0;
  PlatformWindow().MouseScreenPosition(sx, sy);
  const RPixelRect c = Client();
  x = sx - c.x;
  y = sy - c.y;
}

void Window_SetMouseScreen(int32_t x, int32_t y) {
  PlatformWindow().SetMouseScreenPosition(x, y);
  const RPixelRect c = Client();
  IO_MouseMove(x - c.x, y - c.y);
}

void Window_MouseRegion(double &rx, double &ry) {
  double x = 0, y = 0;
  Window_MouseClient(x, y);
  const RPixelRect c = Client();
  Window_ClientToRegion(c.w, c.h, g_Window.regionW, g_Window.regionH, g_Window.scale, x, y, rx, ry);
}

void Window_StartUp() {
  g_Window.remembered = Client();
  Window_SetRegionSize(8, 8, true);
  Window_SetRegionScale(g_Settings.opt_scale / 100.0, true);
  Window_SetSizeable(g_Settings.opt_sizeable);
  Window_SetStayOnTop(g_Settings.opt_stayontop);
  Window_SetColour(static_cast<uint32_t>(g_Settings.opt_windowcolor));
  Window_SetBorder(!g_Settings.opt_noborder);
  Window_SetIcons(!g_Settings.opt_nobuttons);
  Window_SetFullscreen(g_Settings.opt_fullscreen);
  PlatformWindow().SetEventSink(&s_events);
}

void Window_RoomStart(bool gameStart) {
  if (gameStart) Window_SetCursor(g_Settings.opt_showcursor ? 0 : -1);
  if (const CRoom *room = Room_Current()) {
    int32_t w = 0, h = 0;
    View_RoomRegion(*room, w, h);
    const RDisplayMode screen = PlatformWindow().DisplayMode();
    w = std::min(w, screen.width);
    h = std::min(h, screen.height);
    if (w != g_Window.regionW || h != g_Window.regionH) {
      Window_SetRegionSize(w, h, true);
      Window_Default();
      GR_D3D_Set_Region_Size(w, h);
    }
  }
  if (gameStart) PlatformWindow().SetVisible(true);
}

IWindowEvents &Window_Events() { return s_events; }

// ---- views -------------------------------------------------------------------

int32_t View_MapCount() {
  return static_cast<int32_t>(std::count_if(g_ViewMap.begin(), g_ViewMap.end(), [](const RViewMap &v) { return v.used; }));
}

void View_RegionToRoom(const RViewMap &v, double rx, double ry, double &x, double &y) {
  x = rx, y = ry;
  if (!v.used || v.wport == 0 || v.hport == 0) return;
  const double dx = (rx - v.xport) * v.wview / v.wport, dy = (ry - v.yport) * v.hview / v.hport;
  if (std::fabs(v.angle) < 0.01) {
    x = std::round(dx + v.xview);
    y = std::round(dy + v.yview);
    return;
  }
  const double a = -v.angle * kPi / 180, ddx = dx - v.wview / 2.0, ddy = dy - v.hview / 2.0;
  x = std::round(std::cos(a) * ddx + v.wview / 2.0 + v.xview + std::sin(a) * ddy);
  y = std::round(v.hview / 2.0 + v.yview - std::sin(a) * ddx + std::cos(a) * ddy);
}

void View_RoomToRegion(const RViewMap &v, double x, double y, double &rx, double &ry) {
  rx = x, ry = y;
  if (!v.used || v.wview == 0 || v.hview == 0 || v.wport == 0 || v.hport == 0) return;
  const double ddx = x - v.xview - v.wview / 2.0, ddy = y - v.yview - v.hview / 2.0;
  double ux = ddx, uy = ddy;
  if (std::fabs(v.angle) >= 0.01) {
    // The inverse of the turn above: a point turned by -angle comes back
    // with +angle.
    const double a = v.angle * kPi / 180;
    ux = std::cos(a) * ddx + std::sin(a) * ddy;
    uy = -std::sin(a) * ddx + std::cos(a) * ddy;
  }
  rx = std::round(ux * v.wport / v.wview + v.xport + v.wport / 2.0);
  ry = std::round(uy * v.hport / v.hview + v.yport + v.hport / 2.0);
}

void View_RegionToRoomAny(double rx, double ry, double &x, double &y) {
  x = rx, y = ry;
  for (int i = kViewMapSize - 1; i >= 0; --i) {
    const RViewMap &v = g_ViewMap[static_cast<size_t>(i)];
    if (!v.used) continue;
    View_RegionToRoom(v, rx, ry, x, y);
    if (x >= v.xview && x < v.xview + v.wview && y >= v.yview && y < v.yview + v.hview) return;
  }
}

namespace {

CInstance *Followed(const CRoom &room, int32_t index) {
  if (index > 99999) {
    for (int i = 0; i < room.InstanceCount(); ++i) {
      CInstance *inst = room.InstanceAt(i);
      if (inst->i_id == index && !inst->i_marked) return inst;
    }
    return nullptr;
  }
  const int n = room.Obj_Number_Recursive(index);
  for (int i = 0; i < n; ++i) {
    CInstance *inst = room.Obj_Instance_Recursive(index, i);
    if (inst != nullptr && !inst->i_marked) return inst;
  }
  return nullptr;
}

// One axis of following: the new view start for the followed coordinate.
int32_t FollowAxis(int32_t start, int32_t size, int32_t border, int32_t speed, double pos, int32_t roomSize) {
  const int32_t p = Round(pos);
  int64_t next = start;
  if (2 * static_cast<int64_t>(border) < size) {
    if (static_cast<int64_t>(p) - border < start) next = static_cast<int64_t>(p) - border;
    else if (static_cast<int64_t>(p) + border > static_cast<int64_t>(start) + size)
      next = static_cast<int64_t>(p) + border - size;
  } else {
    next = static_cast<int64_t>(p) - size / 2;
  }
  if (next < 0) next = 0;
  if (next + size > roomSize) next = static_cast<int64_t>(roomSize) - size;
  if (speed >= 0) next = std::clamp<int64_t>(next, static_cast<int64_t>(start) - speed, static_cast<int64_t>(start) + speed);
  return static_cast<int32_t>(next);
}

}  // namespace

void View_Follow(CRoom &room) {
  if (room.r_enableviews) {
    for (CView &v : room.r_view) {
      if (!v.visible || v.index < 0) continue;
      const CInstance *inst = Followed(room, v.index);
      if (inst == nullptr) continue;
      v.xview = FollowAxis(v.xview, v.wview, v.hborder, v.hspeed, inst->i_x, room.r_width);
      v.yview = FollowAxis(v.yview, v.hview, v.vborder, v.vspeed, inst->i_y, room.r_height);
    }
  }
  View_RefreshMap(room);
}

void View_RefreshMap(const CRoom &room) {
  for (int i = 0; i < 8; ++i) g_ViewMap[static_cast<size_t>(i)] = RViewMap();
  if (!room.r_enableviews) return;
  for (int i = 0; i < 8; ++i) {
    const CView &v = room.r_view[static_cast<size_t>(i)];
    if (!v.visible) continue;
    g_ViewMap[static_cast<size_t>(i)] =
        RViewMap{true, v.xview, v.yview, v.wview, v.hview, v.xport, v.yport, v.wport, v.hport, v.angle};
  }
}

void View_RoomRegion(const CRoom &room, int32_t &w, int32_t &h) {
  if (!room.r_enableviews) {
    w = room.r_width;
    h = room.r_height;
    return;
  }
  w = h = 8;
  for (const CView &v : room.r_view) {
    if (!v.visible) continue;
    w = std::max(w, v.xport + v.wport);
    h = std::max(h, v.yport + v.hport);
  }
}
