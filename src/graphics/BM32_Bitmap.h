// TBitmap32: a picture of 32-bit pixels, the form of every sprite frame,
// background and grabbed image. Pixels are TColor32 values whose bytes in
// memory are blue, green, red, alpha (0xAARRGGBB read as a little-endian word).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using TColor32 = uint32_t;

class TBitmap32 {
public:
  TBitmap32() = default;
  TBitmap32(int width, int height, TColor32 fill = 0);

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  bool Empty() const { return m_width <= 0 || m_height <= 0; }
  void SetSize(int width, int height, TColor32 fill = 0);

  TColor32 Pixel(int x, int y) const { return m_pixels[static_cast<size_t>(y) * m_width + x]; }
  void SetPixel(int x, int y, TColor32 c) { m_pixels[static_cast<size_t>(y) * m_width + x] = c; }
  TColor32 *Bits() { return m_pixels.data(); }
  const TColor32 *Bits() const { return m_pixels.data(); }

  // Decodes a complete Windows BMP file (1, 4, 8, 16, 24 and 32 bits per
  // pixel, bottom-up or top-down, uncompressed or bitfields). Answers false,
  // leaving the bitmap empty, for anything it cannot read.
  bool LoadFromBMP(const uint8_t *data, size_t size);
  // The BMP file form: 32 bits per pixel with alpha, bottom-up.
  std::vector<uint8_t> SaveToBMP() const;

  bool operator==(const TBitmap32 &o) const {
    return m_width == o.m_width && m_height == o.m_height && m_pixels == o.m_pixels;
  }

private:
  int m_width = 0;
  int m_height = 0;
  std::vector<TColor32> m_pixels;
};
