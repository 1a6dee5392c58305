#include "base/BM32_Bitmap.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes &v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(Bytes &v, uint32_t x) {
  for (int k = 0; k < 4; ++k) v.push_back(static_cast<uint8_t>(x >> (8 * k)));
}
void Poke32(Bytes &v, size_t at, uint32_t x) {
  for (int k = 0; k < 4; ++k) v[at + k] = static_cast<uint8_t>(x >> (8 * k));
}

// A small BMP file put together field by field. Rows are given in file order
// (first row first) and padded here to four bytes.
struct BmpSpec {
  uint32_t headerSize = 40;
  int32_t width = 1;
  int32_t height = 1;  // negative: top-down
  uint16_t bpp = 24;
  uint32_t compression = 0;
  uint32_t colorsUsed = 0;
  std::vector<uint32_t> masks;     // in the header (52+) or after a 40-byte one
  std::vector<uint32_t> palette;   // 0x00RRGGBB
  std::vector<Bytes> rows;
};

Bytes MakeBmp(const BmpSpec &s) {
  Bytes h;
  Put32(h, s.headerSize);
  if (s.headerSize == 12) {
    Put16(h, static_cast<uint16_t>(s.width));
    Put16(h, static_cast<uint16_t>(s.height));
    Put16(h, 1);
    Put16(h, s.bpp);
  } else {
    Put32(h, static_cast<uint32_t>(s.width));
    Put32(h, static_cast<uint32_t>(s.height));
    Put16(h, 1);
    Put16(h, s.bpp);
    Put32(h, s.compression);
    Put32(h, 0);
    Put32(h, 2835);
    Put32(h, 2835);
    Put32(h, s.colorsUsed);
    Put32(h, 0);
    if (s.headerSize > 40)
      for (uint32_t m : s.masks) Put32(h, m);
    h.resize(s.headerSize, 0);
    if (s.headerSize == 40)
      for (uint32_t m : s.masks) Put32(h, m);
  }
  for (uint32_t c : s.palette) {
    h.push_back(static_cast<uint8_t>(c));
    h.push_back(static_cast<uint8_t>(c >> 8));
    h.push_back(static_cast<uint8_t>(c >> 16));
    if (s.headerSize != 12) h.push_back(0);
  }
  Bytes pixels;
  for (const Bytes &row : s.rows) {
    pixels.insert(pixels.end(), row.begin(), row.end());
    while (pixels.size() % 4) pixels.push_back(0);
  }
  Bytes f{'B', 'M'};
  Put32(f, static_cast<uint32_t>(14 + h.size() + pixels.size()));
  Put32(f, 0);
  Put32(f, static_cast<uint32_t>(14 + h.size()));
  f.insert(f.end(), h.begin(), h.end());
  f.insert(f.end(), pixels.begin(), pixels.end());
  return f;
}

// Reads the file, or fails the test.
TBitmap32 Decode(const Bytes &file) {
  TBitmap32 b;
  EXPECT_TRUE(b.LoadFromBMP(file.data(), file.size()));
  return b;
}

// The picture as rows of pixels, top row first, for compact expectations.
std::vector<std::vector<TColor32>> Rows(const TBitmap32 &b) {
  std::vector<std::vector<TColor32>> out(b.Height());
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) out[y].push_back(b.Pixel(x, y));
  return out;
}

using Picture = std::vector<std::vector<TColor32>>;

TEST(BitmapDecode, TwentyFourBitsBottomUpAndTopDown) {
  // Blue, green, red per pixel; the second row ends in padding.
  const Bytes first = {0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF};
  const Bytes second = {0x10, 0x20, 0x30, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF};
  BmpSpec bmp;
  bmp.width = 3;
  bmp.height = 2;
  bmp.rows = {first, second};
  const TColor32 blue = 0xFF0000FF, green = 0xFF00FF00, red = 0xFFFF0000;
  // Bottom-up: the first row in the file is the bottom row.
  EXPECT_EQ(Rows(Decode(MakeBmp(bmp))), (Picture{{0xFF302010, 0xFF000000, 0xFFFFFFFF}, {blue, green, red}}));
  bmp.height = -2;
  EXPECT_EQ(Rows(Decode(MakeBmp(bmp))), (Picture{{blue, green, red}, {0xFF302010, 0xFF000000, 0xFFFFFFFF}}));
  // The old core header reads the same pixels.
  bmp.headerSize = 12;
  bmp.height = 2;
  EXPECT_EQ(Rows(Decode(MakeBmp(bmp))), (Picture{{0xFF302010, 0xFF000000, 0xFFFFFFFF}, {blue, green, red}}));
}

TEST(BitmapDecode, PalettesOfEveryDepth) {
  const std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF,
                                         0x123456, 0xFFFFFF, 0x808080, 0xABCDEF};
  auto opaque = [&](int i) { return 0xFF000000u | palette[i]; };
  struct Case {
    const char *name;
    uint16_t bpp;
    int width;
    Bytes top, bottom;  // file rows: bottom row first when bottom-up
    std::vector<int> topIdx, bottomIdx;
  };
  const std::vector<Case> cases = {
      // Nine pixels so that the row crosses a byte, high bits first.
      {"1 bit", 1, 9, {0b10110000, 0b10000000}, {0b01001111, 0b00000000},
       {1, 0, 1, 1, 0, 0, 0, 0, 1}, {0, 1, 0, 0, 1, 1, 1, 1, 0}},
      {"4 bits", 4, 3, {0x12, 0x70}, {0x45, 0x60}, {1, 2, 7}, {4, 5, 6}},
      {"8 bits", 8, 3, {3, 7, 0}, {5, 1, 2}, {3, 7, 0}, {5, 1, 2}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    BmpSpec bmp;
    bmp.bpp = c.bpp;
    bmp.width = c.width;
    bmp.palette = palette;
    bmp.colorsUsed = c.bpp == 1 ? 2 : 8;
    if (c.bpp == 1) bmp.palette.resize(2);
    Picture expected(2);
    for (int i : c.topIdx) expected[0].push_back(opaque(i));
    for (int i : c.bottomIdx) expected[1].push_back(opaque(i));

    bmp.height = 2;
    bmp.rows = {c.bottom, c.top};
    EXPECT_EQ(Rows(Decode(MakeBmp(bmp))), expected);
    bmp.height = -2;
    bmp.rows = {c.top, c.bottom};
    EXPECT_EQ(Rows(Decode(MakeBmp(bmp))), expected);
  }
}

TEST(BitmapDecode, IndexBeyondAShortPaletteIsBlack) {
  BmpSpec bmp;
  bmp.bpp = 8;
  bmp.width = 2;
  bmp.colorsUsed = 2;
  bmp.palette = {0x112233, 0x445566};
  bmp.rows = {{1, 200}};
  EXPECT_EQ(Rows(Decode(MakeBmp(bmp))), (Picture{{0xFF445566, 0xFF000000}}));
}

TEST(BitmapDecode, PixelOffsetOfZeroMeansRightAfterTheColourTable) {
  BmpSpec bmp;
  bmp.bpp = 8;
  bmp.width = 2;
  bmp.colorsUsed = 2;
  bmp.palette = {0x112233, 0x445566};
  bmp.rows = {{1, 0}};
  Bytes f = MakeBmp(bmp);
  Poke32(f, 10, 0);
  EXPECT_EQ(Rows(Decode(f)), (Picture{{0xFF445566, 0xFF112233}}));
}

TEST(BitmapDecode, SixteenBitLayouts) {
  // 555 by default; 565 and 4444 through bit fields. Five bits of 16 widen
  // to 132, the usual rounding to eight bits.
  struct Case {
    const char *name;
    uint32_t headerSize, compression;
    std::vector<uint32_t> masks;
    uint16_t px;
    TColor32 expected;
  };
  const std::vector<Case> cases = {
      {"555 white", 40, 0, {}, 0x7FFF, 0xFFFFFFFF},
      {"555 red 16", 40, 0, {}, 16 << 10, 0xFF840000},
      {"555 ignores the top bit", 40, 0, {}, 0x8000 | 0x1F, 0xFF0000FF},
      {"565 green", 40, 3, {0xF800, 0x07E0, 0x001F}, 0x07E0, 0xFF00FF00},
      {"565 after a V4 header", 108, 3, {0xF800, 0x07E0, 0x001F, 0}, 0xF81F, 0xFFFF00FF},
      {"4444 with alpha", 108, 3, {0x0F00, 0x00F0, 0x000F, 0xF000}, 0x8F00, 0x88FF0000},
      {"a channel with no mask is zero", 40, 3, {0x7C00, 0, 0x001F}, 0x7FFF, 0xFFFF00FF},
      {"alpha bit fields after the header", 40, 6, {0x7C00, 0x03E0, 0x001F, 0x8000}, 0x001F, 0x000000FF},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    BmpSpec bmp;
    bmp.headerSize = c.headerSize;
    bmp.bpp = 16;
    bmp.compression = c.compression;
    bmp.masks = c.masks;
    bmp.rows = {{static_cast<uint8_t>(c.px), static_cast<uint8_t>(c.px >> 8)}};
    EXPECT_EQ(Decode(MakeBmp(bmp)).Pixel(0, 0), c.expected);
  }
}

TEST(BitmapDecode, ThirtyTwoBitAlpha) {
  auto row = [](std::vector<uint32_t> px) {
    Bytes r;
    for (uint32_t p : px) Put32(r, p);
    return r;
  };
  struct Case {
    const char *name;
    uint32_t headerSize, compression;
    std::vector<uint32_t> masks;
    std::vector<uint32_t> px;
    std::vector<TColor32> expected;
  };
  const std::vector<Case> cases = {
      {"fourth byte all zero is padding", 40, 0, {}, {0x00112233, 0x00445566}, {0xFF112233, 0xFF445566}},
      {"fourth byte in use is alpha", 40, 0, {}, {0x00112233, 0x80445566}, {0x00112233, 0x80445566}},
      {"alpha mask keeps zero alpha", 108, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
       {0x00112233, 0x00445566}, {0x00112233, 0x00445566}},
      {"bit fields without alpha mask", 40, 3, {0xFF0000, 0xFF00, 0xFF}, {0x00112233, 0x00445566},
       {0xFF112233, 0xFF445566}},
      {"channels in other places", 40, 3, {0xFF, 0xFF00, 0xFF0000}, {0x00112233, 0x00445566},
       {0xFF332211, 0xFF665544}},
      {"red in the top byte is no alpha", 40, 3, {0xFF000000, 0xFF0000, 0xFF00}, {0x11223300, 0x44556600},
       {0xFF112233, 0xFF445566}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    BmpSpec bmp;
    bmp.headerSize = c.headerSize;
    bmp.bpp = 32;
    bmp.width = 2;
    bmp.compression = c.compression;
    bmp.masks = c.masks;
    bmp.rows = {row(c.px)};
    EXPECT_EQ(Rows(Decode(MakeBmp(bmp))), (Picture{c.expected}));
  }
}

TEST(BitmapEncode, RoundTripIsExact) {
  std::mt19937 gen(5);
  for (auto [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {3, 2}, {17, 9}}) {
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) b.SetPixel(x, y, static_cast<TColor32>(gen()));
    b.SetPixel(0, 0, 0x00000000);  // transparent black
    const Bytes file = b.SaveToBMP();
    TBitmap32 back;
    ASSERT_TRUE(back.LoadFromBMP(file.data(), file.size()));
    EXPECT_EQ(back, b);
  }
}

TEST(BitmapEncode, WritesBottomUpThirtyTwoBitsWithAlphaMask) {
  TBitmap32 b(1, 2);
  b.SetPixel(0, 0, 0x11223344);  // top
  b.SetPixel(0, 1, 0x55667788);  // bottom
  const Bytes f = b.SaveToBMP();
  auto u32 = [&](size_t at) {
    return static_cast<uint32_t>(f[at] | (f[at + 1] << 8) | (f[at + 2] << 16) | (static_cast<uint32_t>(f[at + 3]) << 24));
  };
  ASSERT_EQ(f.size(), 14u + 108u + 8u);
  EXPECT_EQ(f[0], 'B');
  EXPECT_EQ(f[1], 'M');
  EXPECT_EQ(u32(2), f.size());
  EXPECT_EQ(u32(10), 122u);
  EXPECT_EQ(u32(14), 108u);
  EXPECT_EQ(u32(22), 2u) << "positive height: bottom-up";
  EXPECT_EQ(f[28], 32);
  EXPECT_EQ(u32(30), 3u) << "bit fields";
  EXPECT_EQ(u32(66), 0xFF000000u) << "alpha mask";
  EXPECT_EQ(u32(122), 0x55667788u) << "bottom row first";
  EXPECT_EQ(u32(126), 0x11223344u);
}

TEST(BitmapDecode, RefusesWhatItCannotRead) {
  BmpSpec base;
  base.width = 2;
  base.height = 2;
  base.rows = {Bytes(6, 1), Bytes(6, 2)};
  const Bytes good = MakeBmp(base);
  ASSERT_TRUE(TBitmap32().LoadFromBMP(good.data(), good.size()));

  auto withSpec = [&](auto change) {
    BmpSpec s = base;
    change(s);
    return MakeBmp(s);
  };
  auto poked = [&](size_t at, uint32_t v) {
    Bytes f = good;
    Poke32(f, at, v);
    return f;
  };
  const std::vector<std::pair<const char *, Bytes>> cases = {
      {"empty", {}},
      {"too short", Bytes(good.begin(), good.begin() + 16)},
      {"wrong magic", [&] { Bytes f = good; f[0] = 'X'; return f; }()},
      {"one pixel byte short", Bytes(good.begin(), good.end() - 1)},
      {"pixel offset past the end", poked(10, 100000)},
      {"header size 0", poked(14, 0)},
      {"header size 13", poked(14, 13)},
      {"header size past the end", poked(14, 1000)},
      {"negative width", withSpec([](BmpSpec &s) { s.width = -2; })},
      {"width above the limit", withSpec([](BmpSpec &s) { s.width = 40000; })},
      {"height of INT_MIN", withSpec([](BmpSpec &s) { s.height = INT32_MIN; })},
      {"picture above the pixel limit", withSpec([](BmpSpec &s) { s.width = 32768; s.height = 32768; })},
      {"large picture with little data", withSpec([](BmpSpec &s) { s.width = 16384; s.height = -16384; })},
      {"7 bits per pixel", withSpec([](BmpSpec &s) { s.bpp = 7; })},
      {"0 bits per pixel", withSpec([](BmpSpec &s) { s.bpp = 0; })},
      {"run-length 8", withSpec([](BmpSpec &s) { s.bpp = 8; s.compression = 1; s.palette = {0, 0}; })},
      {"embedded PNG", withSpec([](BmpSpec &s) { s.compression = 5; })},
      {"bit fields on 24 bits", withSpec([](BmpSpec &s) { s.compression = 3; })},
      {"gapped mask", withSpec([](BmpSpec &s) {
         s.bpp = 16; s.compression = 3; s.masks = {0xF0F0, 0x0F00, 0x000F};
       })},
      {"alpha bit fields with no room for the alpha mask", [&] {
         Bytes f = withSpec([](BmpSpec &s) {
           s.headerSize = 52; s.bpp = 16; s.compression = 6; s.rows = {}; s.height = 0;
           s.masks = {0x7C00, 0x03E0, 0x001F};
         });
         return f;
       }()},
      {"masks cut off", [&] {
         Bytes f = withSpec([](BmpSpec &s) { s.bpp = 16; s.compression = 3; s.rows = {}; s.height = 0; });
         f.resize(14 + 40 + 8);
         return f;
       }()},
  };
  for (const auto &[name, file] : cases) {
    SCOPED_TRACE(name);
    TBitmap32 b(4, 4, 0xFFFFFFFF);
    EXPECT_FALSE(b.LoadFromBMP(file.data(), file.size()));
    EXPECT_TRUE(b.Empty());
  }
}

TEST(BitmapDecode, EveryTruncationIsRefusedSafely) {
  TBitmap32 src(5, 3, 0x80FF8040);
  const Bytes file = src.SaveToBMP();
  for (size_t n = 0; n < file.size(); ++n) {
    TBitmap32 b;
    ASSERT_FALSE(b.LoadFromBMP(file.data(), n)) << n;
  }
}

}  // namespace
