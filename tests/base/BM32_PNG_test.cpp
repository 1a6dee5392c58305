// PNG decoding for the project's pictures. The files are built here from
// known pixels: rows are filtered with the filter under test, the data
// compressed with zlib and wrapped in checksummed chunks.
#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <cstdlib>
#include <functional>

#include "base/BM32_PNG.h"
#include "base/BM32_Bitmap.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes &b, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<uint8_t>(v >> s));
}

void Chunk(Bytes &file, const char *type, const Bytes &body) {
  Put32(file, static_cast<uint32_t>(body.size()));
  Bytes crcPart(type, type + 4);
  crcPart.insert(crcPart.end(), body.begin(), body.end());
  file.insert(file.end(), crcPart.begin(), crcPart.end());
  Put32(file, static_cast<uint32_t>(crc32(0, crcPart.data(), static_cast<uInt>(crcPart.size()))));
}

Bytes Header(uint32_t w, uint32_t h, uint8_t depth, uint8_t colorType, uint8_t interlace = 0) {
  Bytes b;
  Put32(b, w);
  Put32(b, h);
  b.insert(b.end(), {depth, colorType, 0, 0, interlace});
  return b;
}

Bytes Deflate(const Bytes &raw) {
  uLongf n = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(n);
  compress(out.data(), &n, raw.data(), static_cast<uLong>(raw.size()));
  out.resize(n);
  return out;
}

int PaethPredictor(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Filters plain rows (each rowBytes long) with the given filter per row.
Bytes FilterRows(const std::vector<Bytes> &rows, const std::vector<uint8_t> &filters, size_t bpp) {
  Bytes out;
  for (size_t y = 0; y < rows.size(); ++y) {
    const Bytes &cur = rows[y];
    const uint8_t f = filters[y % filters.size()];
    out.push_back(f);
    for (size_t i = 0; i < cur.size(); ++i) {
      const int a = i >= bpp ? cur[i - bpp] : 0;
      const int b = y > 0 ? rows[y - 1][i] : 0;
      const int c = y > 0 && i >= bpp ? rows[y - 1][i - bpp] : 0;
      const int pred = f == 0 ? 0 : f == 1 ? a : f == 2 ? b : f == 3 ? (a + b) / 2 : PaethPredictor(a, b, c);
      out.push_back(static_cast<uint8_t>(cur[i] - pred));
    }
  }
  return out;
}

Bytes Png(const Bytes &ihdr, const Bytes &idat, const std::vector<std::pair<const char *, Bytes>> &extra = {}) {
  Bytes file = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Chunk(file, "IHDR", ihdr);
  for (const auto &[type, body] : extra) Chunk(file, type, body);
  Chunk(file, "IDAT", idat);
  Chunk(file, "IEND", {});
  return file;
}

TBitmap32 Decode(const Bytes &file) {
  TBitmap32 bmp;
  std::string why;
  EXPECT_TRUE(DecodePng(file.data(), file.size(), bmp, why)) << why;
  return bmp;
}

TColor32 Argb(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
  return (TColor32(a) << 24) | (TColor32(r) << 16) | (TColor32(g) << 8) | b;
}

// Pixel (x, y) of the test pictures: every channel differs from its
// neighbours so that a wrong predictor shows.
TColor32 TestPixel(int x, int y) {
  return Argb(static_cast<uint8_t>(255 - 17 * x - y), static_cast<uint8_t>(40 * x + 3 * y),
              static_cast<uint8_t>(200 - 30 * y + x), static_cast<uint8_t>(x * y * 13 + 5));
}

Bytes RgbaRow(int y, int width) {
  Bytes row;
  for (int x = 0; x < width; ++x) {
    const TColor32 c = TestPixel(x, y);
    row.insert(row.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(c >> 24)});
  }
  return row;
}

TEST(PngDecode, EveryRowFilterIsUndone) {
  const int w = 4, h = 5;
  std::vector<Bytes> rows;
  for (int y = 0; y < h; ++y) rows.push_back(RgbaRow(y, w));
  for (uint8_t first : {0, 1, 2, 3, 4}) {
    // Each row uses another filter, starting with `first`.
    std::vector<uint8_t> filters;
    for (int k = 0; k < 5; ++k) filters.push_back(static_cast<uint8_t>((first + k) % 5));
    const TBitmap32 bmp = Decode(Png(Header(w, h, 8, 6), Deflate(FilterRows(rows, filters, 4))));
    ASSERT_EQ(bmp.Width(), w);
    ASSERT_EQ(bmp.Height(), h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) EXPECT_EQ(bmp.Pixel(x, y), TestPixel(x, y)) << int(first) << " " << x << "," << y;
  }
}

TEST(PngDecode, ColourTypesAndTransparency) {
  struct Case {
    const char *what;
    Bytes file;
    std::vector<TColor32> pixels;  // row by row
  };
  const Bytes palette = {10, 20, 30, 40, 50, 60, 70, 80, 90, 255, 255, 255};
  const Case cases[] = {
      {"palette, 2 bits, alpha for entry 1",
       Png(Header(5, 1, 2, 3), Deflate({0, 0b00011011, 0b01000000}), {{"PLTE", palette}, {"tRNS", {255, 7}}}),
       {Argb(255, 10, 20, 30), Argb(7, 40, 50, 60), Argb(255, 70, 80, 90), Argb(255, 255, 255, 255),
        Argb(7, 40, 50, 60)}},
      {"grey, 1 bit, across a byte boundary",
       Png(Header(9, 1, 1, 0), Deflate({0, 0b10100000, 0b10000000})),
       {Argb(255, 255, 255, 255), 0xFF000000u, Argb(255, 255, 255, 255), 0xFF000000u, 0xFF000000u, 0xFF000000u,
        0xFF000000u, 0xFF000000u, Argb(255, 255, 255, 255)}},
      {"grey, 4 bits", Png(Header(2, 1, 4, 0), Deflate({0, 0x3F})), {Argb(255, 51, 51, 51), Argb(255, 255, 255, 255)}},
      {"grey, 16 bits, colour key",
       Png(Header(2, 1, 16, 0), Deflate({0, 0x12, 0x34, 0xAB, 0xCD}), {{"tRNS", {0x12, 0x34}}}),
       {Argb(0, 0x12, 0x12, 0x12), Argb(255, 0xAB, 0xAB, 0xAB)}},
      {"grey and alpha, 8 bits", Png(Header(1, 1, 8, 4), Deflate({0, 99, 33})), {Argb(33, 99, 99, 99)}},
      {"grey and alpha, 16 bits", Png(Header(1, 1, 16, 4), Deflate({0, 99, 1, 33, 2})), {Argb(33, 99, 99, 99)}},
      {"RGB, 8 bits, colour key",
       Png(Header(2, 1, 8, 2), Deflate({0, 1, 2, 3, 4, 5, 6}), {{"tRNS", {0, 4, 0, 5, 0, 6}}}),
       {Argb(255, 1, 2, 3), Argb(0, 4, 5, 6)}},
      {"RGB, 16 bits", Png(Header(1, 1, 16, 2), Deflate({0, 1, 0xFF, 2, 0xFF, 3, 0xFF})), {Argb(255, 1, 2, 3)}},
      {"RGBA, 16 bits", Png(Header(1, 1, 16, 6), Deflate({0, 1, 0, 2, 0, 3, 0, 4, 0})), {Argb(4, 1, 2, 3)}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const TBitmap32 bmp = Decode(c.file);
    ASSERT_EQ(static_cast<size_t>(bmp.Width()) * bmp.Height(), c.pixels.size());
    for (size_t i = 0; i < c.pixels.size(); ++i)
      EXPECT_EQ(bmp.Pixel(static_cast<int>(i % bmp.Width()), static_cast<int>(i / bmp.Width())), c.pixels[i])
          << "pixel " << i;
  }
}

TEST(PngDecode, InterlacedPicturesGetEveryPixelInPlace) {
  const int w = 5, h = 6;
  // The seven passes of the interlace, each filtered on its own.
  const int x0[7] = {0, 4, 0, 2, 0, 1, 0}, y0[7] = {0, 0, 4, 0, 2, 0, 1};
  const int dx[7] = {8, 8, 4, 4, 2, 2, 1}, dy[7] = {8, 8, 8, 4, 4, 2, 2};
  Bytes raw;
  for (int p = 0; p < 7; ++p) {
    std::vector<Bytes> rows;
    for (int y = y0[p]; y < h; y += dy[p]) {
      Bytes row;
      for (int x = x0[p]; x < w; x += dx[p]) {
        const TColor32 c = TestPixel(x, y);
        row.insert(row.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(c >> 24)});
      }
      if (!row.empty()) rows.push_back(row);
    }
    const Bytes pass = FilterRows(rows, {4, 1, 3}, 4);
    raw.insert(raw.end(), pass.begin(), pass.end());
  }
  const TBitmap32 bmp = Decode(Png(Header(w, h, 8, 6, 1), Deflate(raw)));
  ASSERT_EQ(bmp.Width(), w);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) EXPECT_EQ(bmp.Pixel(x, y), TestPixel(x, y)) << x << "," << y;
}

TEST(PngDecode, BrokenFilesAreRefusedWithAReason) {
  const Bytes good = Png(Header(1, 1, 8, 2), Deflate({0, 1, 2, 3}));
  Bytes badCrc = good;
  badCrc[29] ^= 1;  // inside the IHDR checksum
  Bytes badDataCrc = good;
  badDataCrc[good.size() - 13] ^= 1;  // inside the IDAT checksum
  const Bytes truncated(good.begin(), good.end() - 20);
  Bytes noHeader = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Chunk(noHeader, "IDAT", Deflate({0, 1, 2, 3}));
  Chunk(noHeader, "IEND", {});
  Bytes hugeLength = good;
  hugeLength[33] = 0xFF;  // the IDAT length's high byte
  // The reasons the decoder gives itself are exact; those of the library are
  // recognised by what they name.
  struct Case {
    const char *what;
    Bytes file;
    const char *why;
  };
  const Case cases[] = {
      {"no signature", Bytes{'B', 'M', 0, 0}, "no PNG signature"},
      {"checksum of the header", badCrc, "IHDR: CRC error"},
      {"checksum of the picture data", badDataCrc, "IDAT: CRC error"},
      {"truncated", truncated, "truncated file"},
      {"chunk longer than the file", hugeLength, "truncated file"},
      {"IDAT first", noHeader, "IHDR"},
      {"zero width", Png(Header(0, 1, 8, 2), Deflate({0})), "IHDR"},
      {"too wide", Png(Header(20000, 1, 8, 2), Deflate({0})), "unsupported picture size 20000x1"},
      {"too many pixels", Png(Header(9000, 9000, 1, 0), Deflate({0})), "picture too large"},
      {"colour type 5", Png(Header(1, 1, 8, 5), Deflate({0, 0})), "IHDR"},
      {"RGB with 4 bits", Png(Header(1, 1, 4, 2), Deflate({0, 0})), "IHDR"},
      {"palette missing", Png(Header(1, 1, 8, 3), Deflate({0, 0})), "PLTE"},
      {"palette index", Png(Header(1, 1, 8, 3), Deflate({0, 1}), {{"PLTE", {1, 2, 3}}}), "palette index out of range"},
      {"palette index, 4 bits", Png(Header(2, 1, 4, 3), Deflate({0, 0x02}), {{"PLTE", {1, 2, 3, 4, 5, 6}}}),
       "palette index out of range"},
      {"row filter 7", Png(Header(1, 1, 8, 2), Deflate({7, 1, 2, 3})), "filter"},
      {"data too short", Png(Header(2, 2, 8, 2), Deflate({0, 1, 2, 3})), "Not enough image data"},
      {"data not zlib", Png(Header(1, 1, 8, 2), Bytes{1, 2, 3, 4, 5}), "IDAT"},
      {"unknown critical chunk", Png(Header(1, 1, 8, 2), Deflate({0, 1, 2, 3}), {{"ABCD", {}}}), "ABCD"},
      // A header that asks for 8192 x 8192 RGBA, 16 bits a sample, with a
      // few bytes of data: refused before the picture is allocated.
      {"huge header, little data", Png(Header(8192, 8192, 16, 6), Deflate(Bytes(100))), "picture data too short"},
  };
  for (const Case &c : cases) {
    TBitmap32 bmp;
    std::string why;
    EXPECT_FALSE(DecodePng(c.file.data(), c.file.size(), bmp, why)) << c.what;
    EXPECT_NE(why.find(c.why), std::string::npos) << c.what << ": " << why;
    EXPECT_TRUE(bmp.Empty()) << c.what;
  }
  // Ancillary chunks the decoder does not know are skipped, and so is one
  // whose checksum is wrong: the picture does without it.
  Bytes badText = Png(Header(1, 1, 8, 2), Deflate({0, 1, 2, 3}), {{"tEXt", {'a', 0, 'b'}}});
  badText[33 + 12 - 1] ^= 1;  // the tEXt checksum, after IHDR (33 bytes) and its 3 data bytes
  for (const Bytes &file : {Png(Header(1, 1, 8, 2), Deflate({0, 1, 2, 3}), {{"tEXt", {'a', 0, 'b'}}}), badText}) {
    const TBitmap32 bmp = Decode(file);
    ASSERT_FALSE(bmp.Empty());
    EXPECT_EQ(bmp.Pixel(0, 0), Argb(255, 1, 2, 3));
  }
}

// Every cut of a good file, anywhere before its end, is refused rather
// than read as a picture with missing rows.
TEST(PngDecode, EveryCutOfAFileIsRefused) {
  std::vector<Bytes> rows;
  for (int y = 0; y < 6; ++y) rows.push_back(RgbaRow(y, 5));
  const Bytes file = Png(Header(5, 6, 8, 6), Deflate(FilterRows(rows, {0, 1, 2, 3, 4}, 4)));
  Decode(file);
  for (size_t n = 0; n < file.size(); ++n) {
    TBitmap32 bmp;
    std::string why;
    EXPECT_FALSE(DecodePng(file.data(), n, bmp, why)) << n;
    EXPECT_TRUE(bmp.Empty()) << n;
  }
}

// Files written by libpng itself, for every colour type and bit depth,
// plain and interlaced: each sample read back as the format defines it.
namespace written {

int Channels(int colourType) { return colourType == 0 || colourType == 3 ? 1 : colourType == 4 ? 2 : colourType == 2 ? 3 : 4; }

// Sample c of pixel (x, y), any value the depth allows.
uint32_t SampleAt(int x, int y, int c, int depth) {
  const uint32_t v = uint32_t(x * 37 + y * 101 + c * 59 + x * y * 7) * 2654435761u;
  return (v >> 7) & ((1u << depth) - 1);
}

uint8_t To8(uint32_t v, int depth) { return depth == 16 ? uint8_t(v >> 8) : uint8_t(v * 255 / ((1u << depth) - 1)); }

void Append(png_structp png, png_bytep data, size_t n) {
  auto *out = static_cast<Bytes *>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

struct Picture {
  Bytes file;
  std::vector<TColor32> expected;  // row by row
};

// A w x h picture of the colour type and depth. Palettes hold every index
// the depth allows, the first half of them with alpha; grey and RGB
// pictures carry the colour of pixel (1, 0) as their colour key.
Picture Write(int w, int h, int colourType, int depth, bool interlaced) {
  const int channels = Channels(colourType);
  const int entries = colourType == 3 ? 1 << depth : 0;
  std::vector<png_color> palette;
  std::vector<png_byte> paletteAlpha;
  for (int i = 0; i < entries; ++i) {
    palette.push_back(png_color{png_byte(i * 7), png_byte(255 - i), png_byte(i * 29)});
    if (i < entries / 2) paletteAlpha.push_back(png_byte(i * 17 + 3));
  }
  std::vector<uint32_t> key(3);
  for (int c = 0; c < 3; ++c) key[size_t(c)] = SampleAt(1, 0, colourType == 0 ? 0 : c, depth);

  Picture p;
  std::vector<Bytes> rows(size_t(h), Bytes((size_t(w) * channels * depth + 7) / 8));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t s[4];
      for (int c = 0; c < channels; ++c) {
        s[c] = SampleAt(x, y, c, depth);
        const size_t k = size_t(x) * channels + c;
        Bytes &row = rows[size_t(y)];
        if (depth == 16) {
          row[2 * k] = uint8_t(s[c] >> 8);
          row[2 * k + 1] = uint8_t(s[c]);
        } else {
          row[k * depth / 8] |= uint8_t(s[c] << (8 - depth - int(k * depth % 8)));
        }
      }
      TColor32 px = 0;
      switch (colourType) {
        case 0: px = Argb(s[0] == key[0] ? 0 : 255, To8(s[0], depth), To8(s[0], depth), To8(s[0], depth)); break;
        case 2: {
          const bool keyed = s[0] == key[0] && s[1] == key[1] && s[2] == key[2];
          px = Argb(keyed ? 0 : 255, To8(s[0], depth), To8(s[1], depth), To8(s[2], depth));
          break;
        }
        case 3: {
          const png_color &e = palette[s[0]];
          px = Argb(s[0] < paletteAlpha.size() ? paletteAlpha[s[0]] : 255, e.red, e.green, e.blue);
          break;
        }
        case 4: px = Argb(To8(s[1], depth), To8(s[0], depth), To8(s[0], depth), To8(s[0], depth)); break;
        default: px = Argb(To8(s[3], depth), To8(s[0], depth), To8(s[1], depth), To8(s[2], depth)); break;
      }
      p.expected.push_back(px);
    }

  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &p.file, Append, nullptr);
  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), depth, colourType,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (colourType == 3) {
    png_set_PLTE(png, info, palette.data(), entries);
    png_set_tRNS(png, info, paletteAlpha.data(), int(paletteAlpha.size()), nullptr);
  } else if (colourType == 0 || colourType == 2) {
    png_color_16 colourKey{};
    colourKey.gray = png_uint_16(key[0]);
    colourKey.red = png_uint_16(key[0]);
    colourKey.green = png_uint_16(key[1]);
    colourKey.blue = png_uint_16(key[2]);
    png_set_tRNS(png, info, nullptr, 0, &colourKey);
  }
  std::vector<png_bytep> pointers;
  for (Bytes &row : rows) pointers.push_back(row.data());
  png_set_rows(png, info, pointers.data());
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  return p;
}

}  // namespace written

TEST(PngDecode, EveryColourTypeAndDepthWrittenByLibpng) {
  const std::pair<int, std::vector<int>> kinds[] = {
      {0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
  const int w = 11, h = 9;  // not a multiple of the interlace's 8
  for (const auto &[colourType, depths] : kinds)
    for (int depth : depths)
      for (bool interlaced : {false, true}) {
        SCOPED_TRACE("colour type " + std::to_string(colourType) + ", " + std::to_string(depth) + " bits" +
                     (interlaced ? ", interlaced" : ""));
        const written::Picture p = written::Write(w, h, colourType, depth, interlaced);
        const TBitmap32 bmp = Decode(p.file);
        ASSERT_EQ(bmp.Width(), w);
        ASSERT_EQ(bmp.Height(), h);
        int wrong = 0;
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x)
            if (bmp.Pixel(x, y) != p.expected[size_t(y * w + x)] && ++wrong <= 3)
              ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << bmp.Pixel(x, y) << " instead of "
                            << p.expected[size_t(y * w + x)];
        EXPECT_EQ(wrong, 0);
      }
}

// The writer: 8-bit RGBA rows the reader gives back exactly, alpha
// included, with the header the format asks for.
TEST(PngEncode, WrittenPicturesReadBackExactly) {
  TBitmap32 picture(7, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) picture.SetPixel(x, y, uint32_t(x * 37 + y) << 24 | uint32_t(x * 1000003 + y * 77));
  const Bytes file = EncodePng(picture);
  ASSERT_TRUE(IsPng(file.data(), file.size()));
  // IHDR: 7 x 3, depth 8, colour type 6, no interlace.
  const Bytes ihdr = {0, 0, 0, 7, 0, 0, 0, 3, 8, 6, 0, 0, 0};
  EXPECT_EQ(Bytes(file.begin() + 16, file.begin() + 29), ihdr);
  TBitmap32 back;
  std::string why;
  ASSERT_TRUE(DecodePng(file.data(), file.size(), back, why)) << why;
  EXPECT_TRUE(back == picture);
}

}  // namespace
