#include "data/Texture_Hook.h"

#include "base/Support_Wiring.h"

namespace {
RTextureHooks s_hooks;
const CWiringHook kTextureHook("data: the texture table",
                               [] { return s_hooks.create && s_hooks.release && s_hooks.createAlpha; });
}  // namespace

void Texture_SetHooks(const RTextureHooks &hooks) { s_hooks = hooks; }

int32_t Texture_CreateFromBitmap(const TBitmap32 &bitmap) {
  return s_hooks.create ? s_hooks.create(bitmap) : -1;
}

int32_t Texture_CreateFromAlpha(int32_t w, int32_t h, const uint8_t *alpha) {
  return s_hooks.createAlpha ? s_hooks.createAlpha(w, h, alpha) : -1;
}

void Texture_Release(int32_t id) {
  if (id >= 0 && s_hooks.release) s_hooks.release(id);
}
