#include "graphics/Room_Draw.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/Support_Disk.h"
#include "code/Code_Function.h"
#include "functions/Function_Action_Support.h"
#include "graphics/Graphics_D3D.h"
#include "input/IO_Main.h"
#include "graphics/Graphics_Window.h"
#include "graphics/Sprite_Draw.h"
#include "world/Event_Main.h"
#include "world/Instance_Class.h"
#include "world/Object_Lists.h"
#include "world/Room_Class.h"
#include "world/Room_Main.h"
#include "world/Run_Main.h"

namespace {

constexpr int32_t kEvDraw = 8;

bool s_displayReset = false;

// The objects whose instances run a draw event of their own (or inherited).
std::vector<char> DrawingObjects() {
  std::vector<char> has;
  for (int32_t obj : EventList(kEvDraw, 0)) {
    if (obj < 0) continue;
    if (static_cast<size_t>(obj) >= has.size()) has.resize(static_cast<size_t>(obj) + 1, 0);
    has[static_cast<size_t>(obj)] = 1;
  }
  return has;
}

bool Has(const std::vector<char> &set, int32_t obj) {
  return obj >= 0 && static_cast<size_t>(obj) < set.size() && set[static_cast<size_t>(obj)];
}

void DrawLayers(const CRoom &room, bool foreground, double left, double top, double right, double bottom) {
  for (const CBack &b : room.r_background)
    if (b.visible && b.foreground == foreground) Background_DrawLayer(b, left, top, right - left, bottom - top);
}

std::string Number(double v) { return std::to_string(static_cast<long long>(std::llround(v))); }

}  // namespace

void Room_DrawInRect(CRoom &room, double left, double top, double right, double bottom) {
  if (room.r_showcolor) GR_D3D_Clear(static_cast<uint32_t>(room.r_color), 1, false);
  GR_D3D_Set_Depth(12000);
  DrawLayers(room, false, left, top, right, bottom);

  // Instances and tiles merged by depth, deepest first; a tile goes first
  // only when it is strictly deeper.
  const std::vector<char> drawing = DrawingObjects();
  REventFinder finder;
  const int count = room.InstanceCount();
  const size_t tiles = room.r_tile.size();
  int i = 0;
  size_t t = 0;
  while (i < count || t < tiles) {
    CInstance *inst = i < count ? room.InstanceAt(i) : nullptr;
    if (t < tiles && (inst == nullptr || room.r_tile[t].depth > inst->i_depth)) {
      const RTile &tile = room.r_tile[t++];
      if (!tile.visible) continue;
      GR_D3D_Set_Depth(std::min(tile.depth, 11000.0));
      Tile_Draw(tile, left, top, right, bottom);
      continue;
    }
    ++i;
    if (inst == nullptr || inst->i_marked || !inst->i_visible) continue;
    GR_D3D_Set_Depth(std::min(inst->i_depth, 11000.0));
    if (Has(drawing, inst->i_objectindex)) PerformInstanceEvent(finder, inst, kEvDraw, 0);
    else Sprite_DrawInstance(*inst);
  }

  GR_D3D_Set_Depth(-12000);
  DrawLayers(room, true, left, top, right, bottom);
  GR_D3D_Set_Depth(-13000);
  if (g_Game.cursorSprite >= 0) {
    double x = 0, y = 0;
    Room_MouseInRoom(x, y);
    Sprite_DrawPlain(g_Game.cursorSprite, g_Run.stepCount, x, y);
  }
}

void Room_Draw() {
  CRoom *room = Room_Current();
  if (room == nullptr) return;
  View_Follow(*room);
  // Without a picture there is nothing to draw; the main loop runs the draw
  // events of its steps itself.
  if (!PlatformRender().Draws()) {
    Room_SetCaption(*room);
    return;
  }
  room->SortInstances();
  room->SortTiles();
  int32_t rw = 0, rh = 0;
  GR_D3D_Get_Region_Size(rw, rh);
  if (room->r_enableviews) {
    if (room->r_clearViewBackground) {
      GR_D3D_Set_Viewport(0, 0, rw, rh);
      GR_D3D_Clear(g_Window.colour, 1, false);
    }
    for (int v = 0; v < 8; ++v) {
      const CView &view = room->r_view[static_cast<size_t>(v)];
      if (!view.visible) continue;
      g_ViewCurrent = v;
      GR_D3D_Set_Viewport(view.xport, view.yport, view.wport, view.hport);
      GR_D3D_Set_Projection(view.xview, view.yview, view.wview, view.hview, view.angle);
      if (std::fabs(view.angle) < 0.01)
        Room_DrawInRect(*room, view.xview, view.yview, view.xview + view.wview, view.yview + view.hview);
      else
        Room_DrawInRect(*room, view.xview - view.hview / 2, view.yview - view.wview / 2,
                        view.xview + view.wview + view.hview / 2, view.yview + view.hview + view.wview / 2);
      // A draw event may have ended the room.
      if (Room_Current() != room) break;
    }
    GR_D3D_Set_Viewport(0, 0, rw, rh);
    GR_D3D_Set_Projection(0, 0, rw, rh, 0);
  } else {
    g_ViewCurrent = 0;
    GR_D3D_Set_Viewport(0, 0, room->r_width, room->r_height);
    GR_D3D_Set_Projection(0, 0, room->r_width, room->r_height, 0);
    Room_DrawInRect(*room, 0, 0, room->r_width, room->r_height);
  }
  if (Room_Current() == room) Room_SetCaption(*room);
  g_ViewCurrent = 0;
}

void Room_SetCaption(const CRoom &room) {
  using action::GetGameVariable;
  const auto shown = [](const char *name) { return fnarg::Bool(GetGameVariable(name)); };
  const auto text = [](const char *name) {
    const RValue v = GetGameVariable(name);
    return v.IsString() ? std::string(v.str.view()) : std::string();
  };
  std::string caption = room.r_caption;
  if (shown("show_score")) caption += " " + text("caption_score") + std::to_string(g_Game.score);
  if (shown("show_lives")) caption += " " + text("caption_lives") + std::to_string(g_Game.lives);
  if (shown("show_health")) caption += " " + text("caption_health") + Number(g_Game.health);
  if (PlatformWindow().Caption() != caption) PlatformWindow().SetCaption(caption);
}

void Room_Redraw() {
  Room_Draw();
  Window_UpdatePresentation();
  GR_D3D_End_Frame();
  GR_D3D_Start_Frame();
}

void Room_PresentFrame() {
  Window_UpdatePresentation();
  GR_D3D_End_Frame();
  if (s_displayReset) {
    s_displayReset = false;
    PlatformWindow().RestoreDisplayMode();
    GR_D3D_Reset();
  }
  GR_D3D_Start_Frame();
}

void Room_MouseInRoom(double &x, double &y) {
  double rx = 0, ry = 0;
  Window_MouseRegion(rx, ry);
  View_RegionToRoomAny(rx, ry, x, y);
}

void Room_MouseHook(double &x, double &y) {
  // A run without a window has a mouse only when an input script moves it.
  int32_t cx = 0, cy = 0;
  if (PlatformWindow().Handle() == 0 && !IO_MouseClient(cx, cy)) return;
  Room_MouseInRoom(x, y);
}

std::string Room_ScreenshotName() {
  for (int n = 100;; ++n) {
    const std::string name = "screenshot" + std::to_string(n) + ".png";
    if (!DiskEntryExists(name)) return name;
  }
}

namespace {
// Calls a built-in by name when its family is there.
void CallBuiltin(const char *name, std::initializer_list<RValue> args) {
  const int32_t id = FunctionFind(name);
  const TRoutine routine = FunctionRoutine(id);
  if (routine == nullptr) return;
  RValue argv[kMaxCallArguments];
  int argc = 0;
  for (const RValue &a : args) argv[argc++] = a;
  RValue result;
  routine(nullptr, nullptr, argc, argv, result);
}
}  // namespace

void Room_FunctionKey(int32_t key) {
  if (key == 112) CallBuiltin("show_info", {});
  else if (key == 115) Window_SetFullscreen(!g_Window.fullscreen);
  else if (key == 120) CallBuiltin("screen_save", {RValue::Str(RString(Room_ScreenshotName()))});
}

void Room_RequestDisplayReset(int32_t aa) {
  // Multisampling is the device's own choice here; the request only
  // restores the mode and resets.
  (void)aa;
  s_displayReset = true;
}

void Room_WaitVerticalBlank() {
  const int32_t hz = std::max(PlatformWindow().DisplayMode().frequency, 1);
  const int64_t period = 1000000 / hz;
  const int64_t now = PlatformClock().NowMicros();
  const int64_t wait = period - now % period;
  PlatformClock().SleepMillis(static_cast<int32_t>((wait + 999) / 1000));
}
