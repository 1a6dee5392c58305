// Drawing the current room every frame: the views follow their instances,
// each visible view gets its viewport and projection, and the room is drawn
// in it back to front (backgrounds, then instances and tiles by depth, then
// foregrounds and the cursor sprite); then the window caption. Also the
// frame end of the main loop and the other hooks the loop calls into the
// picture: the mouse in room coordinates and the function keys F1, F4, F9.
#pragma once

#include <cstdint>
#include <string>

class CRoom;

// Draws the current room (the loop's drawing hook). On a device that draws
// nothing only the views follow and the caption is set; the main loop runs
// the draw events of its steps then.
void Room_Draw();
// Draws the room in one room rectangle: the view's part of the room.
void Room_DrawInRect(CRoom &room, double left, double top, double right, double bottom);
// screen_redraw: the room drawn now, the frame ended and the next one opened.
void Room_Redraw();
// The frame end of the loop: the frame shown, a requested display reset
// done, the next frame opened.
void Room_PresentFrame();
// The window caption from the room caption, score, lives and health.
void Room_SetCaption(const CRoom &room);

// The mouse in room coordinates through the view that shows it.
void Room_MouseInRoom(double &x, double &y);
// The loop's mouse hook: without a window there is no cursor to follow, so
// the position is left as it was.
void Room_MouseHook(double &x, double &y);
// F1 the game information, F4 full screen on or off, F9 a screenshot.
void Room_FunctionKey(int32_t key);
// The file name F9 writes: "screenshot" + the first N from 100 up whose file
// does not exist + ".png".
std::string Room_ScreenshotName();

// display_reset: the display mode and the device back to defaults at the
// next frame end, with multisampling aa (2, 4 or 8; anything else none).
void Room_RequestDisplayReset(int32_t aa);
// Blocks until about the next vertical blank of the display.
void Room_WaitVerticalBlank();
