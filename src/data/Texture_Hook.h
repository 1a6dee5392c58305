// How pictures get their textures. The texture table belongs to the
// graphics device, which installs these when it starts; until then (and in
// a run without graphics) every image has texture -1.
#pragma once

#include <cstdint>

class TBitmap32;

struct RTextureHooks {
  int32_t (*create)(const TBitmap32 &bitmap) = nullptr;  // a new texture id, or -1
  void (*release)(int32_t id) = nullptr;
  // White pixels with one alpha byte each (font sheets); a new id, or -1.
  int32_t (*createAlpha)(int32_t w, int32_t h, const uint8_t *alpha) = nullptr;
};

void Texture_SetHooks(const RTextureHooks &hooks);
// -1 when no texture maker is installed.
int32_t Texture_CreateFromBitmap(const TBitmap32 &bitmap);
// -1 when no texture maker is installed.
int32_t Texture_CreateFromAlpha(int32_t w, int32_t h, const uint8_t *alpha);
// Ignores -1 and works only with a maker installed.
void Texture_Release(int32_t id);
