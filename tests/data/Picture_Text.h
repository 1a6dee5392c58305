// Small pictures and masks written as text, one string per row, so that a
// test shows the picture it uses and the mask it expects.
//   '.' transparent (alpha 0)   '#' opaque (alpha 255)
//   '1' .. '9' alpha 10 .. 90   (for tolerance tests)
// Colours: every pixel is grey 0x102030 unless a test sets it.
#pragma once

#include <string>
#include <vector>

#include "base/BM32_Bitmap.h"
#include "data/Sprite_Mask.h"

namespace picture {

inline TBitmap32 Pic(const std::vector<std::string> &rows, TColor32 rgb = 0x102030) {
  const int h = static_cast<int>(rows.size());
  const int w = h ? static_cast<int>(rows[0].size()) : 0;
  TBitmap32 bm(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const char c = rows[static_cast<size_t>(y)][static_cast<size_t>(x)];
      const uint32_t a = c == '#' ? 255 : c == '.' ? 0 : static_cast<uint32_t>(c - '0') * 10;
      bm.SetPixel(x, y, (a << 24) | rgb);
    }
  return bm;
}

inline std::vector<std::string> Render(const TMask &m) {
  std::vector<std::string> rows;
  for (int y = 0; y < m.Height(); ++y) {
    std::string row;
    for (int x = 0; x < m.Width(); ++x) row += m.Get(x, y) ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

inline std::vector<int32_t> Box(const RRect &r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace picture
