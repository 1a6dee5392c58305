#include "base/BM32_Bitmap.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <iterator>

#include "base/BM32_GIF.h"
#include "base/BM32_JPEG.h"
#include "base/BM32_PNG.h"
#include "base/Support_Stream.h"

namespace {

// Pictures beyond these bounds are refused rather than allocated: no sprite or
// background comes near them, and a hostile file must not exhaust memory.
constexpr int64_t kMaxSide = 32768;
constexpr uint64_t kMaxPixels = uint64_t{1} << 28;

constexpr uint32_t kBI_RGB = 0;
constexpr uint32_t kBI_BITFIELDS = 3;
constexpr uint32_t kBI_ALPHABITFIELDS = 6;

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kV4HeaderSize = 108;

uint16_t U16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t *p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(std::vector<uint8_t> &v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t> &v, uint32_t x) {
  for (int k = 0; k < 4; ++k) v.push_back(static_cast<uint8_t>(x >> (8 * k)));
}

TColor32 Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return (a << 24) | (r << 16) | (g << 8) | b; }

// One colour channel described by a bit mask: where it sits and how to widen
// or narrow it to eight bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  // A mask must be one run of set bits; anything else is no colour layout.
  bool Set(uint32_t m) {
    mask = m;
    if (m == 0) {
      shift = bits = 0;
      return true;
    }
    shift = std::countr_zero(m);
    const uint32_t run = m >> shift;
    bits = std::popcount(run);
    return (run & (run + 1)) == 0;
  }
  uint32_t Get(uint32_t px) const {
    if (bits == 0) return 0;  // a channel the file does not carry
    const uint32_t v = (px & mask) >> shift;
    if (bits == 8) return v;
    if (bits > 8) return v >> (bits - 8);
    const uint32_t max = (1u << bits) - 1;
    return (v * 255 + max / 2) / max;
  }
};

}  // namespace

TBitmap32::TBitmap32(int width, int height, TColor32 fill) { SetSize(width, height, fill); }

void TBitmap32::SetSize(int width, int height, TColor32 fill) {
  if (width <= 0 || height <= 0) {
    m_width = m_height = 0;
    m_pixels.clear();
    return;
  }
  m_width = width;
  m_height = height;
  m_pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), fill);
}

bool TBitmap32::LoadFromBMP(const uint8_t *data, size_t size) {
  SetSize(0, 0);
  if (data == nullptr || size < kFileHeaderSize + 4) return false;
  if (data[0] != 'B' || data[1] != 'M') return false;
  const uint64_t offBits = U32(data + 10);
  const uint32_t headerSize = U32(data + kFileHeaderSize);
  const uint8_t *h = data + kFileHeaderSize;
  if (uint64_t{kFileHeaderSize} + headerSize > size) return false;

  int64_t width = 0, height = 0;
  uint32_t bpp = 0, compression = kBI_RGB, colorsUsed = 0;
  bool core = false;
  if (headerSize == kCoreHeaderSize) {
    core = true;
    width = U16(h + 4);
    height = U16(h + 6);
    bpp = U16(h + 10);
  } else if (headerSize >= kInfoHeaderSize && headerSize <= 256) {
    width = static_cast<int32_t>(U32(h + 4));
    height = static_cast<int32_t>(U32(h + 8));
    bpp = U16(h + 14);
    compression = U32(h + 16);
    colorsUsed = U32(h + 32);
  } else {
    return false;
  }
  // The header of a 64-byte variant numbers its compressions differently;
  // only its uncompressed form reads like the others.
  if (headerSize == 64 && compression != kBI_RGB) return false;

  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width < 0 || width > kMaxSide || height > kMaxSide) return false;
  if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxPixels) return false;

  // Colour layout: masks for 16 and 32 bits, a palette for up to 8 bits.
  Channel red, green, blue, alpha;
  bool alphaFromFile = false;
  bool topByteFree = false;
  uint64_t tableEnd = uint64_t{kFileHeaderSize} + headerSize;
  std::vector<TColor32> palette;
  if (bpp == 16 || bpp == 32) {
    uint32_t rm, gm, bm, am = 0;
    if (compression == kBI_RGB) {
      if (bpp == 16) {
        rm = 0x7C00; gm = 0x03E0; bm = 0x001F;
      } else {
        rm = 0x00FF0000; gm = 0x0000FF00; bm = 0x000000FF;
      }
      if (headerSize >= 56) am = U32(h + 52);
    } else if (compression == kBI_BITFIELDS || compression == kBI_ALPHABITFIELDS) {
      const bool withAlpha = compression == kBI_ALPHABITFIELDS;
      // A header with room for three masks but not the fourth leaves the
      // alpha mask nowhere.
      if (withAlpha && headerSize >= 52 && headerSize < 56) return false;
      const uint8_t *m = h + 40;
      if (headerSize < 52) {
        // The masks follow a short header.
        const uint32_t count = withAlpha ? 4 : 3;
        if (tableEnd + 4 * count > size) return false;
        m = data + tableEnd;
        tableEnd += 4 * count;
      }
      rm = U32(m);
      gm = U32(m + 4);
      bm = U32(m + 8);
      if (withAlpha || headerSize >= 56) am = U32(m + 12);
    } else {
      return false;
    }
    if (!red.Set(rm) || !green.Set(gm) || !blue.Set(bm) || !alpha.Set(am)) return false;
    alphaFromFile = am != 0;
    topByteFree = ((rm | gm | bm) & 0xFF000000u) == 0;
  } else if (bpp == 24) {
    if (compression != kBI_RGB) return false;
  } else if (bpp == 1 || bpp == 2 || bpp == 4 || bpp == 8) {
    if (compression != kBI_RGB) return false;
    const uint32_t maxColors = 1u << bpp;
    uint32_t count = colorsUsed == 0 ? maxColors : std::min(colorsUsed, maxColors);
    const uint32_t entry = core ? 3 : 4;
    // A palette cut short by the pixel data keeps the entries that are there.
    uint64_t limit = size;
    if (offBits > tableEnd) limit = std::min<uint64_t>(limit, offBits);
    if (tableEnd + uint64_t{count} * entry > limit) {
      if (limit < tableEnd) return false;
      count = static_cast<uint32_t>((limit - tableEnd) / entry);
    }
    palette.resize(maxColors, Argb(255, 0, 0, 0));
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t *e = data + tableEnd + uint64_t{i} * entry;
      palette[i] = Argb(255, e[2], e[1], e[0]);
    }
    tableEnd += uint64_t{count} * entry;
  } else {
    return false;
  }

  const uint64_t stride = ((static_cast<uint64_t>(width) * bpp + 31) / 32) * 4;
  const uint64_t pixelStart = offBits != 0 ? offBits : tableEnd;
  if (pixelStart > size || stride * static_cast<uint64_t>(height) > size - pixelStart) return false;

  if (width == 0 || height == 0) return true;  // an empty picture, read as such
  SetSize(static_cast<int>(width), static_cast<int>(height));

  bool anyAlpha = false;
  for (int64_t row = 0; row < height; ++row) {
    const uint8_t *src = data + pixelStart + stride * static_cast<uint64_t>(row);
    const int64_t y = topDown ? row : height - 1 - row;
    TColor32 *dst = m_pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
    switch (bpp) {
      case 1:
      case 2:
      case 4:
      case 8: {
        const uint32_t perByte = 8 / bpp;
        const uint32_t mask = (1u << bpp) - 1;
        for (int64_t x = 0; x < width; ++x) {
          const uint8_t byte = src[x / perByte];
          const uint32_t shift = 8 - bpp * (static_cast<uint32_t>(x % perByte) + 1);
          dst[x] = palette[(byte >> shift) & mask];
        }
        break;
      }
      case 24:
        for (int64_t x = 0; x < width; ++x, src += 3) dst[x] = Argb(255, src[2], src[1], src[0]);
        break;
      case 16:
      case 32:
        for (int64_t x = 0; x < width; ++x) {
          const uint32_t px = bpp == 16 ? U16(src + 2 * x) : U32(src + 4 * x);
          uint32_t a = 255;
          if (alphaFromFile) {
            a = alpha.Get(px);
          } else if (bpp == 32 && topByteFree) {
            // Without an alpha mask the fourth byte is alpha only when some
            // pixel uses it; otherwise it is padding and the picture opaque.
            a = px >> 24;
            anyAlpha = anyAlpha || a != 0;
          }
          dst[x] = Argb(a, red.Get(px), green.Get(px), blue.Get(px));
        }
        break;
    }
  }
  if (bpp == 32 && topByteFree && !alphaFromFile && !anyAlpha)
    for (TColor32 &c : m_pixels) c |= 0xFF000000u;
  return true;
}

std::vector<uint8_t> TBitmap32::SaveToBMP() const {
  const uint32_t w = static_cast<uint32_t>(std::max(m_width, 0));
  const uint32_t hgt = static_cast<uint32_t>(std::max(m_height, 0));
  const uint64_t imageSize = uint64_t{w} * hgt * 4;
  const uint32_t offBits = kFileHeaderSize + kV4HeaderSize;
  std::vector<uint8_t> out;
  out.reserve(offBits + imageSize);
  out.push_back('B');
  out.push_back('M');
  Put32(out, static_cast<uint32_t>(std::min<uint64_t>(offBits + imageSize, 0xFFFFFFFFu)));
  Put32(out, 0);
  Put32(out, offBits);
  // Version 4 header: bit fields with an alpha mask, so every pixel's alpha
  // comes back exactly as it was stored.
  Put32(out, kV4HeaderSize);
  Put32(out, w);
  Put32(out, hgt);  // positive: bottom-up
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, kBI_BITFIELDS);
  Put32(out, static_cast<uint32_t>(std::min<uint64_t>(imageSize, 0xFFFFFFFFu)));
  Put32(out, 2835);  // 72 dots per inch
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0x00FF0000);
  Put32(out, 0x0000FF00);
  Put32(out, 0x000000FF);
  Put32(out, 0xFF000000);
  Put32(out, 0x73524742);  // 'sRGB' colour space
  out.resize(offBits, 0);  // end points and gamma stay zero
  for (uint32_t row = 0; row < hgt; ++row) {
    const TColor32 *src = m_pixels.data() + static_cast<size_t>(hgt - 1 - row) * w;
    for (uint32_t x = 0; x < w; ++x) Put32(out, src[x]);
  }
  return out;
}

namespace {
constexpr int32_t kRecordVersion = 800;
}

bool TBitmap32::LoadFromFileBytes(const uint8_t *data, size_t size) {
  std::string why;
  return BM32_DecodePicture(data, size, *this, why);
}

bool TBitmap32::LoadFromStream(CStream &stream) {
  try {
    if (stream.ReadInteger() != kRecordVersion) return false;
    const int32_t w = stream.ReadInteger();
    const int32_t h = stream.ReadInteger();
    if (w < 0 || h < 0) return false;
    if (w == 0 || h == 0) {
      SetSize(0, 0);
      return true;
    }
    if (!SizeAllowed(w, h)) return false;
    const int64_t bytes = int64_t{w} * h * 4;
    // zlib packs at most 1032 bytes into one, so a block shorter than that
    // share of the pixels cannot hold them: refused before anything is
    // allocated. Otherwise it is inflated no further than the pixels need.
    const int64_t start = stream.Position();
    const int32_t packed = stream.ReadInteger();
    stream.Seek(start);
    if (bytes > int64_t{packed} * 1032 + 64) return false;
    std::unique_ptr<CStream> block = stream.ReadStreamC(bytes);
    if (block->Size() != bytes) return false;
    std::vector<TColor32> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
    const uint8_t *p = block->Memory();
    for (TColor32 &c : pixels) {
      c = U32(p);
      p += 4;
    }
    m_width = w;
    m_height = h;
    m_pixels = std::move(pixels);
    return true;
  } catch (const EStreamError &) {
    return false;
  }
}

void TBitmap32::SaveToStream(CStream &stream) const {
  stream.WriteInteger(kRecordVersion);
  stream.WriteInteger(m_width);
  stream.WriteInteger(m_height);
  if (Empty()) return;
  std::vector<uint8_t> bytes;
  bytes.reserve(m_pixels.size() * 4);
  for (TColor32 c : m_pixels) Put32(bytes, c);
  CStream block(std::move(bytes));
  stream.WriteStreamC(block);
}

void TBitmap32::RemoveBackground() {
  if (Empty()) return;
  const TColor32 key = Rgb32(Pixel(0, m_height - 1));
  for (TColor32 &c : m_pixels)
    if (Rgb32(c) == key) c = Rgb32(c);
}

void TBitmap32::SmoothEdges() {
  for (int y = 0; y < m_height; ++y)
    for (int x = 0; x < m_width; ++x) {
      if (Alpha32(Pixel(x, y)) != 0) continue;
      for (int v = std::max(y - 1, 0); v <= std::min(y + 1, m_height - 1); ++v)
        for (int u = std::max(x - 1, 0); u <= std::min(x + 1, m_width - 1); ++u) {
          const TColor32 c = Pixel(u, v);
          const uint32_t a = Alpha32(c);
          if (a >= 32) SetPixel(u, v, ((a - 32) << 24) | Rgb32(c));
        }
    }
}

void TBitmap32::BleedColors() {
  static constexpr int kDx[4] = {-1, 1, 0, 0};
  static constexpr int kDy[4] = {0, 0, -1, 1};
  for (int y = 0; y < m_height; ++y)
    for (int x = 0; x < m_width; ++x) {
      if (Alpha32(Pixel(x, y)) != 0) continue;
      for (int k = 0; k < 4; ++k) {
        const int u = x + kDx[k], v = y + kDy[k];
        if (u < 0 || v < 0 || u >= m_width || v >= m_height) continue;
        const TColor32 n = Pixel(u, v);
        if (Alpha32(n) == 0) continue;
        SetPixel(x, y, Rgb32(n));
        break;
      }
    }
}

TBitmap32 TBitmap32::Stretched(int width, int height, int quality) const {
  TBitmap32 out(width, height);
  if (out.Empty() || Empty()) return out;
  const int q = std::max(quality, 1);
  const uint32_t samples = static_cast<uint32_t>(q * q);
  // The source column of each sub-sample, found once: exact integer floors.
  const auto source = [q](int target, int sub, int from, int to) {
    return static_cast<int>((int64_t{target} * q + sub) * from / (int64_t{to} * q));
  };
  for (int y = 0; y < out.m_height; ++y)
    for (int x = 0; x < out.m_width; ++x) {
      uint32_t sum[4] = {0, 0, 0, 0};
      for (int j = 0; j < q; ++j) {
        const int sy = source(y, j, m_height, out.m_height);
        for (int i = 0; i < q; ++i) {
          const TColor32 c = Pixel(source(x, i, m_width, out.m_width), sy);
          if (Alpha32(c) == 0) continue;
          for (int k = 0; k < 4; ++k) sum[k] += (c >> (8 * k)) & 0xFF;
        }
      }
      TColor32 c = 0;
      for (int k = 0; k < 4; ++k) {
        // Rounded to nearest, halves to even, as every rounding of the game.
        uint32_t v = sum[k] / samples;
        const uint32_t rest = sum[k] % samples;
        if (rest * 2 > samples || (rest * 2 == samples && (v & 1))) ++v;
        c |= std::min<uint32_t>(v, 255) << (8 * k);
      }
      out.SetPixel(x, y, c);
    }
  return out;
}

void TBitmap32::OpaqueWhenNoAlpha() {
  for (const TColor32 c : m_pixels)
    if (Alpha32(c) != 0) return;
  for (TColor32 &c : m_pixels) c |= 0xFF000000u;
}

TBitmap32 TBitmap32::Region(int x, int y, int width, int height) const {
  TBitmap32 out(width, height);
  for (int v = 0; v < out.m_height; ++v)
    for (int u = 0; u < out.m_width; ++u) {
      const int64_t sx = int64_t{x} + u, sy = int64_t{y} + v;
      if (sx >= 0 && sy >= 0 && sx < m_width && sy < m_height)
        out.SetPixel(u, v, Pixel(static_cast<int>(sx), static_cast<int>(sy)));
    }
  return out;
}

const char *BM32_PictureFormat(const uint8_t *data, size_t size) {
  if (IsPng(data, size)) return "PNG";
  if (IsGif(data, size)) return "GIF";
  if (IsJpeg(data, size)) return "JPEG";
  return "BMP";
}

bool BM32_DecodePicture(const uint8_t *data, size_t size, TBitmap32 &out, std::string &why) {
  why.clear();
  if (IsPng(data, size)) return DecodePng(data, size, out, why);
  if (IsGif(data, size)) return DecodeGif(data, size, out, why);
  if (IsJpeg(data, size)) return DecodeJpeg(data, size, out, why);
  return out.LoadFromBMP(data, size);
}

bool BM32_ReadFileBytes(const std::string &path, std::vector<uint8_t> &bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

void TBitmap32::PrepareLoaded(bool removeback, bool smooth) {
  if (removeback) RemoveBackground();
  if (smooth) SmoothEdges();
  if (removeback) BleedColors();
}

void TBitmap32::PrepareGrabbed(int32_t mode, bool smooth) {
  if (mode != 2) OpaqueWhenNoAlpha();
  if (mode == 1) {
    PrepareLoaded(true, smooth);
  } else if (mode == -1) {
    for (TColor32 &c : m_pixels) c |= 0xFF000000u;
  }
}

void TBitmap32::SetAlphaFrom(const TBitmap32 &other) {
  const int w = std::min(m_width, other.m_width), h = std::min(m_height, other.m_height);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const TColor32 s = other.Pixel(x, y);
      const uint32_t a = (((s >> 16) & 0xFF) + ((s >> 8) & 0xFF) + (s & 0xFF)) / 3;
      SetPixel(x, y, (a << 24) | Rgb32(Pixel(x, y)));
    }
}

bool TBitmap32::SizeAllowed(int64_t width, int64_t height) {
  return width >= 0 && height >= 0 && width <= kMaxSide && height <= kMaxSide &&
         static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= kMaxPixels;
}
