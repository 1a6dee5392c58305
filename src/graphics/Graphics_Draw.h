// Immediate 2D drawing: the drawing colour and alpha, the colour arithmetic
// scripts use, shapes (points, lines, rectangles, triangles, circles,
// ellipses, rounded rectangles, arrows, buttons, health bars), the
// primitives scripts build vertex by vertex, clearing, reading and saving
// the drawn picture. Every call draws at once through the device
// (Graphics_D3D), in the order scripts make them.
//
// Colours are 24-bit (red in the low byte) where scripts give them; device
// colours carry alpha, red, green, blue from the high byte down.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

// --- drawing state -------------------------------------------------------
// The drawing colour as a device colour (opaque black at start).
uint32_t GR_Draw_Get_Device_Colour();
void GR_Draw_Set_Colour(uint32_t colour);
// The drawing colour as a 24-bit colour.
uint32_t GR_Draw_Get_Colour();
// Alpha held to 0 ... 1 (NaN gives 1); the drawing colour takes it too.
void GR_Draw_Set_Alpha(double alpha);
double GR_Draw_Get_Alpha();
// Sides of circles and ellipses: held to 4 ... 64, then down to a multiple
// of 4.
void GR_Draw_Set_Circle_Precision(int32_t precision);
int32_t GR_Draw_Get_Circle_Precision();
// Everything above back to its start.
void GR_Draw_Reset_State();

// How draw_getpixel turns a room position into a region pixel: the view
// being drawn sets its mapping while it draws and null afterwards (the
// identity).
void GR_Draw_Set_Pixel_Mapping(std::function<void(double &x, double &y)> mapping);

// --- colours -------------------------------------------------------------
// Each channel (1 - amount) c1 + amount c2, rounded; amount is not held to
// 0 ... 1, so channels may leave 0 ... 255 (summed as r + 256 g + 65536 b).
double GR_Colour_Merge(int64_t c1, int64_t c2, double amount);
double GR_Colour_From_HSV(double hue, double saturation, double value);
// Hue, saturation and value 0 ... 255 of a colour.
void GR_Colour_To_HSV(int64_t colour, int32_t &hue, int32_t &saturation, int32_t &value);

// --- shapes (device colours; the drawing colour for the plain forms) -----
void GR_Draw_Point(double x, double y, uint32_t colour);
void GR_Draw_Line(double x1, double y1, double x2, double y2, uint32_t c1, uint32_t c2);
void GR_Draw_Line_Width(double x1, double y1, double x2, double y2, double width, uint32_t c1, uint32_t c2);
// Corner colours top-left, top-right, bottom-right, bottom-left.
void GR_Draw_Rectangle(double x1, double y1, double x2, double y2, uint32_t c1, uint32_t c2, uint32_t c3,
                       uint32_t c4, bool outline);
void GR_Draw_Triangle(double x1, double y1, double x2, double y2, double x3, double y3, uint32_t c1, uint32_t c2,
                      uint32_t c3, bool outline);
// centre colour c1, rim colour c2
void GR_Draw_Ellipse_At(double cx, double cy, double rx, double ry, uint32_t c1, uint32_t c2, bool outline);
void GR_Draw_RoundRect(double x1, double y1, double x2, double y2, uint32_t c1, uint32_t c2, bool outline);
void GR_Draw_Arrow(double x1, double y1, double x2, double y2, double size);
void GR_Draw_Button(double x1, double y1, double x2, double y2, bool up);
// Colours 24-bit; direction 0 grows right, 1 left, 2 down, 3 up.
void GR_Draw_Healthbar(double x1, double y1, double x2, double y2, double amount, uint32_t back, uint32_t mincol,
                       uint32_t maxcol, int32_t direction, bool showBack, bool showBorder);

// Saves the whole drawn region as screen_save does: a PNG (made opaque) when
// the name ends in ".png", else a BMP. Answers false when there is nothing to
// grab or the file cannot be written.
bool GR_Draw_Save_Screen(std::string_view name);

// Registers the drawing family (draw_set_color ... screen_save_part) into
// the function table.
void GR_Draw_Register_Functions();
