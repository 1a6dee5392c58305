#include "world/Instance_Class.h"

namespace {
TSpriteGeometryFn s_spriteGeometry = nullptr;
}

void Instance_SetSpriteGeometry(TSpriteGeometryFn fn) { s_spriteGeometry = fn; }

bool Instance_SpriteGeometry(int32_t sprite, RSpriteGeometry &out) {
  return s_spriteGeometry != nullptr && sprite >= 0 && s_spriteGeometry(sprite, out);
}
