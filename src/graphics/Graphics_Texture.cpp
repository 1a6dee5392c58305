#include "graphics/Graphics_Texture.h"

#include <vector>

#include "base/BM32_Bitmap.h"
#include "platform/Platform_Main.h"

namespace {

struct RTexture {
  uint32_t tex = 0;
  int32_t w = 0, h = 0;    // the image
  int32_t wt = 0, ht = 0;  // the texture as allocated
  bool used = false;
};

std::vector<RTexture> g_textures;

bool Valid(int32_t id) { return id >= 0 && static_cast<size_t>(id) < g_textures.size() && g_textures[static_cast<size_t>(id)].used; }

}  // namespace

void GR_Texture_Init() {
  for (const RTexture &t : g_textures)
    if (t.used) PlatformRender().ReleaseTexture(t.tex);
  g_textures.clear();
}

int32_t GR_Texture_Create_From_Bitmap(const TBitmap32 *bitmap) {
  if (bitmap == nullptr) return -1;
  size_t slot = 0;
  while (slot < g_textures.size() && g_textures[slot].used) ++slot;
  if (slot == g_textures.size()) g_textures.emplace_back();
  // The device takes textures of any size: the texture is the image's size
  // (at least one texel each way).
  const int32_t w = bitmap->Width(), h = bitmap->Height();
  const int32_t wt = w > 0 ? w : 1, ht = h > 0 ? h : 1;
  const uint32_t tex = PlatformRender().CreateTexture(wt, ht, w, h, bitmap->Bits());
  if (tex == 0) return -1;
  g_textures[slot] = RTexture{tex, w, h, wt, ht, true};
  return static_cast<int32_t>(slot);
}

void GR_Texture_Free(int32_t id) {
  if (!Valid(id)) return;
  RTexture &t = g_textures[static_cast<size_t>(id)];
  PlatformRender().ReleaseTexture(t.tex);
  t = RTexture();
}
