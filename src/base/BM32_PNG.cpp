#include "base/BM32_PNG.h"

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "base/BM32_Bitmap.h"

namespace {

static_assert(std::endian::native == std::endian::little, "pixels are read as blue, green, red, alpha bytes");

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint32_t kMaxSide = 16384;
constexpr uint64_t kMaxPixels = uint64_t{1} << 26;
// zlib never makes more than 1032 bytes of one, so picture data shorter
// than that share of what the header asks for cannot hold the picture.
constexpr uint64_t kMaxInflation = 1032;

uint32_t BigEndian32(const uint8_t *p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

// The chunks up to IEND must all lie inside the file; their picture data
// (IDAT) is counted so that a header asking for more than the data can give
// is refused before the picture is allocated.
bool WalkChunks(const uint8_t *data, size_t size, uint64_t &pictureBytes, std::string &why) {
  pictureBytes = 0;
  size_t pos = sizeof kSignature;
  for (;;) {
    if (size - pos < 12) break;
    const uint32_t len = BigEndian32(data + pos);
    if (len > size - pos - 12) break;
    const uint8_t *type = data + pos + 4;
    if (std::memcmp(type, "IDAT", 4) == 0) pictureBytes += len;
    if (std::memcmp(type, "IEND", 4) == 0) return true;
    pos += 12 + size_t{len};
  }
  why = "truncated file";
  return false;
}

// One decoding. libpng reports a fatal error by calling OnError, which keeps
// the message and jumps back to the setjmp of the step that called into the
// library; those steps hold only plain values, so the jump skips no
// destructor. Everything with a destructor lives here, outside them.
struct PngSession {
  png_structp png = nullptr;
  png_infop info = nullptr;
  const uint8_t *data = nullptr;
  size_t size = 0;
  size_t pos = 0;
  char message[256] = {};
  TBitmap32 bitmap;
  std::vector<png_bytep> rows;
};

[[noreturn]] void OnError(png_structp png, png_const_charp message) {
  auto *s = static_cast<PngSession *>(png_get_error_ptr(png));
  std::snprintf(s->message, sizeof s->message, "%s", message ? message : "damaged file");
  png_longjmp(png, 1);
}

// Warnings are about chunks the picture does without (text, colour
// profiles); the picture is read all the same.
void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep out, size_t count) {
  auto *s = static_cast<PngSession *>(png_get_io_ptr(png));
  if (count > s->size - s->pos) png_error(png, "truncated file");
  std::memcpy(out, s->data + s->pos, count);
  s->pos += count;
}

bool ReadHeader(PngSession *s) {
  if (setjmp(png_jmpbuf(s->png))) return false;
  png_set_read_fn(s->png, s, OnRead);
  png_read_info(s->png, s->info);
  return true;
}

// Every colour type and depth comes out as 8-bit blue, green, red, alpha:
// grey below 8 bits widened, a colour key made an alpha channel, 16-bit
// samples cut to their high byte, grey copied into the three colours,
// opaque alpha where the file has none. Palette pictures come out as one
// index byte per pixel at the start of each row, for ExpandPalette.
bool ReadPixels(PngSession *s, bool palette) {
  if (setjmp(png_jmpbuf(s->png))) return false;
  if (palette) {
    png_set_packing(s->png);
  } else {
    png_set_expand(s->png);
    png_set_strip_16(s->png);
    png_set_gray_to_rgb(s->png);
    png_set_filler(s->png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(s->png);
  }
  png_set_interlace_handling(s->png);
  png_read_update_info(s->png, s->info);
  if (png_get_rowbytes(s->png, s->info) != static_cast<size_t>(s->bitmap.Width()) * (palette ? 1 : 4))
    png_error(s->png, "unexpected pixel layout");
  png_read_image(s->png, s->rows.data());
  png_read_end(s->png, nullptr);
  return true;
}

// Turns the index bytes into pixels, in place from the right end of each
// row. The library would draw an index past the palette black; such a file
// is damaged and refused.
bool ExpandPalette(PngSession &s, std::string &why) {
  png_colorp palette = nullptr;
  int entries = 0;
  if (!png_get_PLTE(s.png, s.info, &palette, &entries) || entries <= 0) {
    why = "palette missing";
    return false;
  }
  TColor32 colours[256];
  for (int i = 0; i < 256; ++i)
    colours[i] = i < entries ? 0xFF000000u | (TColor32(palette[i].red) << 16) | (TColor32(palette[i].green) << 8) |
                                   palette[i].blue
                             : 0;
  png_bytep alpha = nullptr;
  int alphas = 0;
  if (png_get_tRNS(s.png, s.info, &alpha, &alphas, nullptr) && alpha)
    for (int i = 0; i < std::min(alphas, entries); ++i) colours[i] = Rgb32(colours[i]) | (TColor32(alpha[i]) << 24);
  const int w = s.bitmap.Width();
  for (int y = 0; y < s.bitmap.Height(); ++y) {
    TColor32 *row = s.bitmap.Bits() + size_t(y) * size_t(w);
    const uint8_t *index = reinterpret_cast<const uint8_t *>(row);
    for (int x = w - 1; x >= 0; --x) {
      const uint8_t k = index[x];
      if (k >= entries) {
        why = "palette index out of range";
        return false;
      }
      row[x] = colours[k];
    }
  }
  return true;
}

}  // namespace

bool IsPng(const uint8_t *data, size_t size) { return size >= 8 && std::memcmp(data, kSignature, 8) == 0; }

bool DecodePng(const uint8_t *data, size_t size, TBitmap32 &out, std::string &why) {
  out = TBitmap32();
  if (!IsPng(data, size)) {
    why = "no PNG signature";
    return false;
  }
  uint64_t pictureBytes = 0;
  if (!WalkChunks(data, size, pictureBytes, why)) return false;

  PngSession s;
  s.data = data;
  s.size = size;
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s, OnError, OnWarning);
  if (s.png) s.info = png_create_info_struct(s.png);
  if (!s.png || !s.info) {
    png_destroy_read_struct(s.png ? &s.png : nullptr, nullptr, nullptr);
    why = "cannot start the PNG decoder";
    return false;
  }
  struct Release {
    PngSession &s;
    ~Release() { png_destroy_read_struct(&s.png, &s.info, nullptr); }
  } release{s};

  if (!ReadHeader(&s)) {
    why = s.message;
    return false;
  }
  const uint32_t w = png_get_image_width(s.png, s.info);
  const uint32_t h = png_get_image_height(s.png, s.info);
  if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide) {
    why = "unsupported picture size " + std::to_string(w) + "x" + std::to_string(h);
    return false;
  }
  if (uint64_t{w} * h > kMaxPixels) {
    why = "picture too large";
    return false;
  }
  const uint64_t bitsPerPixel = uint64_t{png_get_bit_depth(s.png, s.info)} * png_get_channels(s.png, s.info);
  if (uint64_t{w} * h * bitsPerPixel / 8 > pictureBytes * kMaxInflation + 1024) {
    why = "picture data too short";
    return false;
  }

  s.bitmap.SetSize(static_cast<int>(w), static_cast<int>(h));
  s.rows.resize(h);
  for (uint32_t y = 0; y < h; ++y) s.rows[y] = reinterpret_cast<png_bytep>(s.bitmap.Bits() + size_t{y} * w);
  const bool palette = png_get_color_type(s.png, s.info) == PNG_COLOR_TYPE_PALETTE;
  if (!ReadPixels(&s, palette)) {
    why = s.message;
    return false;
  }
  if (palette && !ExpandPalette(s, why)) return false;
  out = std::move(s.bitmap);
  return true;
}

namespace {

void PutBig32(std::vector<uint8_t> &out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t> &out, const char *type, const std::vector<uint8_t> &data) {
  PutBig32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, out.data() + start, static_cast<uInt>(out.size() - start));
  PutBig32(out, static_cast<uint32_t>(crc));
}

}  // namespace

std::vector<uint8_t> EncodePng(const TBitmap32 &bitmap) {
  const uint32_t w = static_cast<uint32_t>(std::max(bitmap.Width(), 0));
  const uint32_t h = static_cast<uint32_t>(std::max(bitmap.Height(), 0));
  std::vector<uint8_t> rows;
  rows.reserve(static_cast<size_t>(h) * (1 + static_cast<size_t>(w) * 4));
  for (uint32_t y = 0; y < h; ++y) {
    rows.push_back(0);
    for (uint32_t x = 0; x < w; ++x) {
      const TColor32 c = bitmap.Pixel(static_cast<int>(x), static_cast<int>(y));
      rows.push_back(static_cast<uint8_t>(c >> 16));
      rows.push_back(static_cast<uint8_t>(c >> 8));
      rows.push_back(static_cast<uint8_t>(c));
      rows.push_back(static_cast<uint8_t>(c >> 24));
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size())) != Z_OK) return {};
  packed.resize(packedSize);

  std::vector<uint8_t> out = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<uint8_t> header;
  PutBig32(header, w);
  PutBig32(header, h);
  header.insert(header.end(), {8, 6, 0, 0, 0});
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", packed);
  PutChunk(out, "IEND", {});
  return out;
}
