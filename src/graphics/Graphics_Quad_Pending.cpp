// TEMPORARY: stands in for the quad routines and the alpha texture maker
// until the drawing core lands, so that this branch links. Text is drawn
// through these declarations only; delete this file at the merge that
// brings the real routines.
#include <vector>

#include "base/BM32_Bitmap.h"
#include "graphics/Graphics_Quad.h"
#include "graphics/Graphics_Texture.h"

int32_t GR_Texture_Create_From_Alpha(int32_t w, int32_t h, const uint8_t *alpha) {
  if (w <= 0 || h <= 0 || alpha == nullptr) return -1;
  TBitmap32 bitmap(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      bitmap.SetPixel(x, y, (static_cast<TColor32>(alpha[static_cast<size_t>(y) * static_cast<size_t>(w) + x]) << 24) |
                                0x00FFFFFFu);
  return GR_Texture_Create_From_Bitmap(&bitmap);
}

// Nothing reaches pixels until the drawing core's routines replace these.
void GR_Quad_Part(int32_t, double, double, double, double, double, double, double, double, double, uint32_t,
                  uint32_t, uint32_t, uint32_t, double) {}
void GR_Quad_Transformed(int32_t, double, double, double, double, double, double, double, uint32_t, double) {}
