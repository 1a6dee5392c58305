// Feeds arbitrary bytes to the sprite and background readers: game-file
// records and the sprites' and backgrounds' own files. Whatever they accept
// must build masks and boxes, answer mask tests, and write out a record that
// reads back the same.
//
// Input: one byte choosing the reader (low 2 bits: 0 sprite record, 1
// background record, 2 sprite file, 3 background file), then its bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "data/Background_Class.h"
#include "data/Sprite_Class.h"
#include "base/Support_Stream.h"

namespace {

void CheckSprite(const CSprite &s) {
  CStream out;
  s.SaveToStream(out);
  out.Seek(0);
  CSprite back;
  if (!back.LoadFromStream(out) || !(back.i_bitmap == s.i_bitmap) || !(back.i_mask == s.i_mask) ||
      back.i_bbox.left != s.i_bbox.left || back.i_bbox.bottom != s.i_bbox.bottom)
    std::abort();
  for (int64_t k = -2; k <= s.i_numb; ++k) {
    const TMask *m = s.MaskFor(k);
    if (!m) continue;
    const RMaskPlacement p{m, -3, 5, RRect{-100, -100, 100, 100}};
    MaskCollisionUnscaled(p, RMaskPlacement{m, 0, 0, m->BoundingBox()});
    MaskPointUnscaled(p, 0, 6);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  const std::vector<uint8_t> bytes(data + 1, data + size);
  try {
    switch (data[0] & 3) {
      case 0: {
        CStream s(bytes);
        CSprite sprite;
        if (sprite.LoadFromStream(s)) CheckSprite(sprite);
        break;
      }
      case 1: {
        CStream s(bytes);
        CBackground back;
        if (back.LoadFromStream(s)) {
          CStream out;
          back.SaveToStream(out);
          out.Seek(0);
          CBackground again;
          if (!again.LoadFromStream(out) || !(again.i_bitmap == back.i_bitmap)) std::abort();
        }
        break;
      }
      case 2: {
        CSprite sprite;
        if (sprite.LoadFromSpriteBytes(bytes)) {
          // Masks of every kind and box mode over what was read.
          for (int32_t kind = 0; kind < 4; ++kind)
            sprite.ComputeMask(kind % 2 == 0, kind, kind * 40, kind, RRect{-1, 1, 5, 3});
          CheckSprite(sprite);
        }
        break;
      }
      default: {
        CBackground back;
        back.LoadFromBackgroundBytes(bytes);
        break;
      }
    }
  } catch (const EStreamError &) {
    // A record cut short: the loader reports the file as corrupted.
  }
  return 0;
}
