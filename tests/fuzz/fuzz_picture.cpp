// Feeds arbitrary bytes to the picture decoders. Whatever they accept must be
// a usable picture: frames of one non-empty size and opaque where the format
// has no alpha; whatever they refuse must leave nothing behind and say why.
//
// Input: one byte choosing the reader (low 2 bits: 0 every GIF frame, 1 the
// first GIF frame, 2 JPEG, 3 any picture by its first bytes), then the file.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/BM32_Bitmap.h"
#include "base/BM32_GIF.h"
#include "base/BM32_JPEG.h"

namespace {

void CheckOpaque(const TBitmap32 &bm) {
  if (bm.Empty()) std::abort();
  for (int y = 0; y < bm.Height(); ++y)
    for (int x = 0; x < bm.Width(); ++x)
      if (Alpha32(bm.Pixel(x, y)) != 255) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  const uint8_t *file = data + 1;
  const size_t length = size - 1;
  std::string why;
  switch (data[0] & 3) {
    case 0: {
      std::vector<TBitmap32> frames;
      if (!DecodeGifFrames(file, length, frames, why)) {
        if (!frames.empty() || why.empty()) std::abort();
        break;
      }
      for (const TBitmap32 &f : frames) {
        if (f.Width() != frames[0].Width() || f.Height() != frames[0].Height()) std::abort();
        CheckOpaque(f);
      }
      break;
    }
    case 1:
    case 2: {
      TBitmap32 bm;
      const bool ok = (data[0] & 3) == 1 ? DecodeGif(file, length, bm, why) : DecodeJpeg(file, length, bm, why);
      if (ok)
        CheckOpaque(bm);
      else if (!bm.Empty() || why.empty())
        std::abort();
      break;
    }
    default: {
      TBitmap32 bm;
      BM32_DecodePicture(file, length, bm, why);
      break;
    }
  }
  return 0;
}
