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
// Releases the texture and marks its slot unused; an invalid id does nothing.
void GR_Texture_Free(int32_t id);
