// The one drawing device of the game: the drawn region of the back buffer,
// the frame, the 2D projection, the render-state switches games set (kept as
// mirrors, so they can be set before the device exists and are applied again
// after a reset) and the grab of the drawn picture. Everything in the game
// is drawn through here and the texture table (Graphics_Texture).
//
// The device stands on the platform's render device; in a run without a
// picture every call keeps its state and answers as with one, and nothing
// reaches pixels.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Platform_Main.h"

class TBitmap32;

// Creates the device for the window with a region of width x height (each
// cut to the screen) and the synchronise flag. Shows the start-up message
// and answers false when it cannot.
bool GR_D3D_Init(int32_t regionWidth, int32_t regionHeight, bool sync);
// Whether the device exists.
bool GR_D3D_Exists();
// Opens the next frame; false without a device.
bool GR_D3D_Start_Frame();
// Ends the frame and shows it in the presentation rectangle (waiting for the
// vertical blank when synchronised); a failed present resets the device.
bool GR_D3D_End_Frame();
// Shows the last frame again without ending one.
bool GR_D3D_Refresh();
// Recovers a lost device: frees the surfaces' targets, re-applies every
// mirror. False without a device.
bool GR_D3D_Reset();
void GR_D3D_Finish();
// Back to the state before the first GR_D3D_Init (closing an open device):
// region 640 x 480, every switch at its default. The reset hook stays.
void GR_D3D_Reset_State();

// Where the region is shown in the window's client area and the colour of
// the bands around it; the window keeps them up to date.
void GR_D3D_Set_Presentation(const RPixelRect &dest, uint32_t bandColour);

void GR_D3D_Set_Region_Size(int32_t width, int32_t height);
void GR_D3D_Get_Region_Size(int32_t &width, int32_t &height);
void GR_D3D_Set_Viewport(int32_t x, int32_t y, int32_t width, int32_t height);
// The room rectangle (x, y, width, height) fills the viewport, turned by
// angle degrees about its centre.
void GR_D3D_Set_Projection(double x, double y, double width, double height, double angle);
// The world transform of the next draws (row-vector, 16 floats); null for
// the identity.
void GR_D3D_Set_World(const float *world);
// The world transform in use (the identity at start).
void GR_D3D_Get_World(float world[16]);

// The synchronise flag: wait for the vertical blank before showing a frame.
void GR_D3D_Set_Sync(bool sync);
bool GR_D3D_Get_Sync();

// What must be given up before the device is recovered: the surfaces free
// their target textures, which do not survive it. Null for nothing.
void GR_D3D_Set_Reset_Hook(void (*freeTargets)());

// A copy of part of the region (cut to it), or null when nothing is left
// or it cannot be read.
std::unique_ptr<TBitmap32> GR_D3D_Grab_Region(int32_t x, int32_t y, int32_t width, int32_t height);
// The 24-bit colour (red low) of one pixel of the region; 0 when unreadable.
uint32_t GR_D3D_Get_Pixel(int32_t x, int32_t y);

// The z of every 2D vertex (changed by 3D drawing).
double GR_D3D_Get_Depth();
void GR_D3D_Set_Depth(double depth);

// Render-state switches.
void GR_D3D_Set_Blend_Mode(int32_t mode);
void GR_D3D_Set_Blend_Mode_Ext(int32_t source, int32_t destination);
void GR_D3D_Set_Culling(bool on);
void GR_D3D_Set_Lighting(bool on);
void GR_D3D_Set_Shading(bool smooth);
void GR_D3D_Set_Hidden(bool on);
void GR_D3D_Set_3D_Mode(bool on);
bool GR_D3D_Get_3D_Mode();
// Whether 3D mode looks at the room in perspective (on at start); only the
// projection set while 3D mode is on uses it.
void GR_D3D_Set_Perspective(bool on);
void GR_D3D_Set_Fog(bool on, uint32_t colour, double start, double end);
void GR_D3D_Set_Interpolation(bool on);
bool GR_D3D_Get_Interpolation();
void GR_D3D_Set_Texture_Blending(bool on);
void GR_D3D_Set_Texture_Repeat(bool on);
bool GR_D3D_Get_Texture_Repeat();
void GR_D3D_Apply_States();

// Draws vertices with the current states and the texture of the id (none
// for an invalid id or -1). clamp sets texture addressing to clamp first,
// as every quad does (the repeat mirror then stays off until set again).
void GR_D3D_Draw(TDevicePrimitive kind, const RDeviceVertex *vertices, int32_t count, int32_t texture,
                 bool clamp = false);
// Clears the viewport: the colour with the alpha (0 ... 1), and the depth.
void GR_D3D_Clear(uint32_t colour, double alpha, bool depth);

// The device colour of a 24-bit colour (red low) with an alpha of 0 ... 1:
// the alpha byte rounded to nearest (ties to even), clamped, undefined as 0.
uint32_t GR_Device_Colour(uint32_t colour, double alpha);
