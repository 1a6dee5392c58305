// The game window as the game sees it: its style (full screen, border,
// icons, sizeable, stay on top), the client rectangle remembered outside
// full screen, the window region and its scale, the window colour and the
// cursor; where the drawn region is shown in the client area; and the three
// coordinate spaces: window (client pixels), region (pixels of the drawn
// region) and room, the last through the view mapping table that every room
// drawing refills from the room's views.
//
// Everything reaches the machine through PlatformWindow(); a run without a
// window keeps the same state and answers from it.
#pragma once

#include <array>
#include <cstdint>

#include "platform/Platform_Main.h"

class CRoom;

struct RWindowState {
  bool fullscreen = false, border = true, icons = true, sizeable = false, stayOnTop = false;
  RPixelRect remembered{0, 0, 640, 480};  // the client rectangle outside full screen
  int32_t regionW = 640, regionH = 480;
  double scale = 1;  // > 0 fixed, 0 stretch to the client, < 0 keep the aspect and fit
  uint32_t colour = 0;
  int32_t cursor = 0;
};
extern RWindowState g_Window;

// Back to a fresh window state (tests, a new run).
void Window_Reset();

// --- geometry, free of any window --------------------------------------------
// Where a region of rw x rh is shown in a client area of cw x ch.
RPixelRect Window_PresentationRect(int32_t cw, int32_t ch, int32_t rw, int32_t rh, double scale);
// A client point (x, y) as a region point.
void Window_ClientToRegion(int32_t cw, int32_t ch, int32_t rw, int32_t rh, double scale, double x, double y,
                           double &rx, double &ry);
// The smallest client size while the scale is above 0 (0, 0 otherwise).
void Window_MinimumClient(int32_t rw, int32_t rh, double scale, int32_t &w, int32_t &h);

// --- the window ----------------------------------------------------------------
// Applies full screen, border, icons, sizeable and the remembered rectangle.
void Window_ApplyStyle();
// Remembers the current client rectangle unless in full screen.
void Window_Remember();
void Window_SetFullscreen(bool on);
void Window_SetBorder(bool on);
void Window_SetIcons(bool on);
void Window_SetSizeable(bool on);
void Window_SetStayOnTop(bool on);
void Window_SetColour(uint32_t colour);
void Window_SetCursor(int32_t cursor);
void Window_SetClientRect(int32_t x, int32_t y, int32_t w, int32_t h);
void Window_Center();
// Client size = region x scale (the region when the scale is 0 or less), centred.
void Window_Default();
// Values of 0 or less keep the old size.
void Window_SetRegionSize(int32_t w, int32_t h, bool adapt);
void Window_SetRegionScale(double scale, bool adapt);
// Hands the presentation rectangle and the window colour to the device.
void Window_UpdatePresentation();
// The client area shown again: bands in the window colour, the last frame.
void Window_Repaint();
// The mouse in client coordinates.
void Window_MouseClient(double &x, double &y);
// The mouse as a region point.
void Window_MouseRegion(double &rx, double &ry);
// Moves the cursor to the screen point (x, y); the game's input sees the
// move at once (the window may report it again later).
void Window_SetMouseScreen(int32_t x, int32_t y);

// The window set up from the settings before the device is made: region 8
// by 8, the scale, then sizeable, stay on top, colour, border, icons and
// full screen.
void Window_StartUp();
// The window fitted to a room that starts (the region follows its visible
// views or its size); at game start the window is shown.
void Window_RoomStart(bool gameStart);
// Where window events go while the game runs.
IWindowEvents &Window_Events();

// --- views ---------------------------------------------------------------------
struct RViewMap {
  bool used = false;
  int32_t xview = 0, yview = 0, wview = 0, hview = 0;
  int32_t xport = 0, yport = 0, wport = 0, hport = 0;
  double angle = 0;
};
inline constexpr int kViewMapSize = 32;
extern std::array<RViewMap, kViewMapSize> g_ViewMap;
int32_t View_MapCount();

// A region point seen through an entry as a room point (unchanged for an
// unused entry or one without a port size); and back.
void View_RegionToRoom(const RViewMap &v, double rx, double ry, double &x, double &y);
void View_RoomToRegion(const RViewMap &v, double x, double y, double &rx, double &ry);
// A region point through the view that shows it (the region point itself
// when no entry is used).
void View_RegionToRoomAny(double rx, double ry, double &x, double &y);
// The visible views follow their instances and the table is refilled.
void View_Follow(CRoom &room);
void View_RefreshMap(const CRoom &room);
// The region a room asks for: its visible views' extent (at least 8 by 8)
// or its size.
void View_RoomRegion(const CRoom &room, int32_t &w, int32_t &h);

// The view being drawn (view_current).
extern int32_t g_ViewCurrent;

// window_*, display_*, set_synchronization, set_automatic_draw, screen_*.
void Window_Functions_Init();
