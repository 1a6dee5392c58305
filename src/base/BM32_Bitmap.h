// TBitmap32: a picture of 32-bit pixels, the form of every sprite frame,
// background and grabbed image. Pixels are TColor32 values whose bytes in
// memory are blue, green, red, alpha (0xAARRGGBB read as a little-endian word).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using TColor32 = uint32_t;

class CStream;

inline constexpr uint32_t Alpha32(TColor32 c) { return c >> 24; }
inline constexpr TColor32 Rgb32(TColor32 c) { return c & 0x00FFFFFFu; }

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
  // A picture file of any format BM32_DecodePicture reads.
  bool LoadFromFileBytes(const uint8_t *data, size_t size);

  // The form inside sprite and background records: version 800, width,
  // height and, when the picture is not empty, one compressed block of the
  // pixels (blue, green, red, alpha each). Another version, a size that does
  // not fit the block, or data cut short answer false and leave the bitmap
  // as it was.
  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;

  // --- what loading and creating pictures does to them ---------------------
  // Every pixel whose colour equals that of the bottom-left pixel becomes
  // fully transparent (its colour is kept).
  void RemoveBackground();
  // Each fully transparent pixel, in row order, takes 32 off the alpha of
  // every pixel around it (itself included) whose alpha is at least 32.
  void SmoothEdges();
  // Each fully transparent pixel takes the colour of its first visible
  // neighbour (left, right, above, below) and stays transparent, so that
  // filtered textures get no dark fringe.
  void BleedColors();
  // In order: background removal, edge smoothing, and bleeding after a
  // removal; what every picture loaded from a file goes through.
  void PrepareLoaded(bool removeback, bool smooth);
  // What a picture grabbed from the screen or a surface goes through when a
  // sprite or background is made of it, by mode: every mode but 2 first
  // makes a picture without alpha opaque; then 1 removes the background,
  // smooths the edges when asked and bleeds colours, -1 makes every pixel
  // opaque, and the others leave the pixels.
  void PrepareGrabbed(int32_t mode, bool smooth);
  // Alpha := the mean of red, green and blue of the other picture, over the
  // area both cover; the colours stay.
  void SetAlphaFrom(const TBitmap32 &other);
  // Whether a picture of this size may be made at all: pictures beyond
  // 32768 a side or 2^28 pixels are refused rather than allocated.
  static bool SizeAllowed(int64_t width, int64_t height);
  // A picture whose alpha bytes are all 0 came from a format without alpha:
  // it is made opaque. Any other picture is left as it is.
  void OpaqueWhenNoAlpha();
  // A copy of the given size, each pixel the average of quality x quality
  // samples: sample (i, j) of target pixel (x, y) is the source pixel at
  // (floor((x + i / quality) * sw / tw), floor((y + j / quality) * sh / th)).
  // A fully transparent sample adds nothing to any channel, so that at
  // quality 1 such a pixel comes out transparent black.
  TBitmap32 Stretched(int width, int height, int quality = 1) const;
  // A copy of the rectangle; parts outside the picture are transparent black.
  TBitmap32 Region(int x, int y, int width, int height) const;

  bool operator==(const TBitmap32 &o) const {
    return m_width == o.m_width && m_height == o.m_height && m_pixels == o.m_pixels;
  }

private:
  int m_width = 0;
  int m_height = 0;
  std::vector<TColor32> m_pixels;
};

// The format of a picture file by its first bytes, not by its name: "PNG",
// "GIF", "JPEG", or "BMP" for anything else.
const char *BM32_PictureFormat(const uint8_t *data, size_t size);
// A BMP, PNG, GIF (its first image) or JPEG file, as BM32_PictureFormat
// tells them apart. On failure answers false and leaves out empty; why says
// what the decoder found wrong (nothing for a BMP).
bool BM32_DecodePicture(const uint8_t *data, size_t size, TBitmap32 &out, std::string &why);

// The whole content of a file; false when it cannot be read.
bool BM32_ReadFileBytes(const std::string &path, std::vector<uint8_t> &bytes);
