// JPEG decoding: colours of every kind of file come back opaque, and damaged
// files are refused without ending the process.
#include "base/BM32_JPEG.h"

#include <gtest/gtest.h>

#include "base/Picture_Files.h"

using namespace picture;

namespace {

const std::vector<uint32_t> kBands = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

TEST(JpegPictures, EveryKindOfFileGivesItsColoursOpaque) {
  struct RCase {
    const char *what;
    JpegKind kind;
    std::vector<uint32_t> expected;  // 0xRRGGBB in the middle of each band
  };
  const std::vector<RCase> cases = {
      {"baseline colour", JpegKind::Colour, kBands},
      {"progressive colour", JpegKind::Progressive, kBands},
      {"grey (the green channel)", JpegKind::Grey, {0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF}},
      {"CMYK with Adobe's inverted inks", JpegKind::Cmyk, kBands},
  };
  const TBitmap32 picture = Bands(kBands, 8, 8);
  for (const RCase &c : cases) {
    const std::vector<uint8_t> file = WriteJpeg(picture, c.kind);
    TBitmap32 bm;
    std::string why;
    ASSERT_TRUE(DecodeJpeg(file.data(), file.size(), bm, why)) << c.what << ": " << why;
    ASSERT_EQ(bm.Width(), 32) << c.what;
    ASSERT_EQ(bm.Height(), 8) << c.what;
    for (size_t band = 0; band < c.expected.size(); ++band) {
      const TColor32 got = bm.Pixel(static_cast<int>(band) * 8 + 4, 4);
      EXPECT_TRUE(Near(got, 0xFF000000u | c.expected[band])) << c.what << ", band " << band << ": " << std::hex << got;
    }
    for (int y = 0; y < bm.Height(); ++y)
      for (int x = 0; x < bm.Width(); ++x) ASSERT_EQ(Alpha32(bm.Pixel(x, y)), 255u) << c.what;
  }
}

// The offset of the frame header's height field (after FF C0 or FF C2,
// the length and the precision).
size_t FrameSizeAt(const std::vector<uint8_t> &file) {
  for (size_t i = 2; i + 9 < file.size(); ++i)
    if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2)) return i + 5;
  return 0;
}

// Where the compressed picture data starts: after the last scan header.
size_t ScanDataAt(const std::vector<uint8_t> &file) {
  for (size_t i = file.size() - 4; i > 2; --i)
    if (file[i] == 0xFF && file[i + 1] == 0xDA) return i + 2 + ((size_t{file[i + 2]} << 8) | file[i + 3]);
  return 0;
}

TEST(JpegPictures, EveryCutOfAFileIsRefused) {
  for (JpegKind kind : {JpegKind::Colour, JpegKind::Progressive}) {
    const std::vector<uint8_t> file = WriteJpeg(Bands(kBands, 4, 4), kind);
    TBitmap32 bm;
    std::string why;
    ASSERT_TRUE(DecodeJpeg(file.data(), file.size(), bm, why)) << why;
    for (size_t n = 0; n < file.size(); ++n) {
      const std::vector<uint8_t> cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
      bm = TBitmap32(1, 1);
      why.clear();
      ASSERT_FALSE(DecodeJpeg(cut.data(), cut.size(), bm, why)) << "cut at " << n << " of " << file.size();
      EXPECT_TRUE(bm.Empty()) << n;
      EXPECT_FALSE(why.empty()) << n;
    }
  }
}

TEST(JpegPictures, DamagedOrHostileFilesAreRefused) {
  const std::vector<uint8_t> good = WriteJpeg(Bands(kBands, 8, 8));
  const size_t size = FrameSizeAt(good);
  ASSERT_GT(size, 0u);
  std::vector<uint8_t> huge = good;  // 20000 by 20000
  huge[size] = huge[size + 2] = 0x4E;
  huge[size + 1] = huge[size + 3] = 0x20;
  std::vector<uint8_t> noWidth = good;
  noWidth[size + 2] = noWidth[size + 3] = 0;
  // A restart marker in the middle of the picture data, which has none.
  const size_t data = ScanDataAt(good);
  ASSERT_GT(data, 0u);
  std::vector<uint8_t> damaged = good;
  const size_t middle = (data + good.size() - 2) / 2;
  damaged[middle] = 0xFF;
  damaged[middle + 1] = 0xD3;
  struct RCase {
    const char *what;
    std::vector<uint8_t> file;
    const char *reason;  // part of the reason given
  };
  const std::vector<RCase> cases = {
      {"empty", {}, "signature"},
      {"start of image alone", {0xFF, 0xD8, 0xFF}, ""},
      {"no image after the tables", {0xFF, 0xD8, 0xFF, 0xD9}, ""},
      {"too large", huge, "too large"},
      {"no width", noWidth, ""},
      {"damaged picture data", damaged, "Corrupt"},
      {"another format", {'G', 'I', 'F', '8', '9', 'a'}, "signature"},
  };
  for (const RCase &c : cases) {
    TBitmap32 bm(1, 1);
    std::string why;
    EXPECT_FALSE(DecodeJpeg(c.file.data(), c.file.size(), bm, why)) << c.what;
    EXPECT_TRUE(bm.Empty()) << c.what;
    EXPECT_FALSE(why.empty()) << c.what;
    EXPECT_NE(why.find(c.reason), std::string::npos) << c.what << ": " << why;
  }
}

}  // namespace
