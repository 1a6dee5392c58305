// The texture table: every texture of sprites, backgrounds, fonts and
// surfaces, addressed by the ids games see. A slot keeps the device's
// texture, the size of the image put into it and the size it was allocated
// with; freed slots are taken again by later creations, so an id can come
// back with a new texture.
#pragma once

#include <cstdint>

class TBitmap32;

// Empties the table (releasing every texture).
void GR_Texture_Init();
// A texture holding the image, with the first free id; -1 for no image or
// when the device cannot make it.
int32_t GR_Texture_Create_From_Bitmap(const TBitmap32 *bitmap);
// A texture of the w x h pixels (blue, green, red, alpha; rows top down).
int32_t GR_Texture_Create_And_Fill(int32_t w, int32_t h, const uint32_t *pixels);
// White pixels with one alpha byte each (font sheets).
int32_t GR_Texture_Create_From_Alpha(int32_t w, int32_t h, const uint8_t *alpha);
// A texture without contents; with target set it can be drawn into.
int32_t GR_Texture_Create_Empty(int32_t w, int32_t h, bool target);
// Releases the texture and marks its slot unused; an invalid id does nothing.
void GR_Texture_Free(int32_t id);
bool GR_Texture_Exists(int32_t id);
// The image's share of the texture: w / wt and h / ht; 1 for an invalid id.
double GR_Texture_Get_Width(int32_t id);
double GR_Texture_Get_Height(int32_t id);
// The image size and the allocated size in pixels; false (all 0) for an
// invalid id.
bool GR_Texture_Get_Size(int32_t id, int32_t &w, int32_t &h, int32_t &wt, int32_t &ht);
// The device's handle of the texture; 0 for an invalid id.
uint32_t GR_Texture_Handle(int32_t id);
// The number of slots, used or not (ids below it may be valid).
int32_t GR_Texture_Count();

// Registers texture_exists, texture_get_width, ... and the blend modes
// (draw_set_blend_mode, draw_set_blend_mode_ext) into the function table.
void GR_Texture_Register_Functions();
