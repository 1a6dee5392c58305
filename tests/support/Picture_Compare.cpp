#include "support/Picture_Compare.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "base/BM32_Bitmap.h"
#include "base/BM32_PNG.h"

namespace fs = std::filesystem;

namespace {

fs::path ResolveReference(const char *path) {
  const fs::path p(path);
  if (p.is_absolute()) return p;
  return fs::path(QUILLON_SOURCE_DIR) / "tests" / p;
}

bool WritePng(const fs::path &path, const TBitmap32 &picture) {
  const std::vector<uint8_t> bytes = EncodePng(picture);
  if (bytes.empty()) return false;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out);
}

int ChannelDifference(uint32_t a, uint32_t b) {
  int worst = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int d = std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
    if (d > worst) worst = d;
  }
  return worst;
}

std::string Hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", v);
  return text;
}

}  // namespace

void ExpectPicture(const char *referencePath, int width, int height, const uint32_t *pixels, int tolerance) {
  ASSERT_TRUE(referencePath && pixels && width > 0 && height > 0) << "no picture to compare";
  TBitmap32 actual(width, height);
  std::memcpy(actual.Bits(), pixels, size_t(width) * size_t(height) * sizeof(uint32_t));
  const fs::path reference = ResolveReference(referencePath);

  const char *update = std::getenv("QUILLON_UPDATE_REFERENCES");
  if (update && std::strcmp(update, "1") == 0) {
    std::error_code ec;
    fs::create_directories(reference.parent_path(), ec);
    ASSERT_TRUE(WritePng(reference, actual)) << "cannot write the reference " << reference;
    std::printf("wrote the reference %s\n", reference.string().c_str());
    return;
  }

  const std::string name = reference.stem().string();
  const fs::path actualPath = fs::absolute(name + ".actual.png");
  const fs::path diffPath = fs::absolute(name + ".diff.png");

  std::ifstream in(reference, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  TBitmap32 expected;
  std::string why;
  if (bytes.empty() || !DecodePng(bytes.data(), bytes.size(), expected, why)) {
    WritePng(actualPath, actual);
    ADD_FAILURE() << "the reference " << reference << " cannot be read" << (why.empty() ? "" : ": " + why)
                  << "; the picture is in " << actualPath
                  << " (QUILLON_UPDATE_REFERENCES=1 writes it as the reference)";
    return;
  }
  if (expected.Width() != width || expected.Height() != height) {
    WritePng(actualPath, actual);
    ADD_FAILURE() << "the picture is " << width << " x " << height << " but the reference " << reference << " is "
                  << expected.Width() << " x " << expected.Height() << "; the picture is in " << actualPath;
    return;
  }

  TBitmap32 diff(width, height);
  int64_t differing = 0;
  int firstX = -1, firstY = -1, worst = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t e = expected.Pixel(x, y), a = actual.Pixel(x, y);
      const int d = ChannelDifference(e, a);
      if (d > tolerance) {
        if (differing++ == 0) firstX = x, firstY = y;
        if (d > worst) worst = d;
        diff.SetPixel(x, y, 0xFFFF0000u);
      } else {
        // The matching picture, dimmed, so that the red stands out.
        const uint32_t grey = (((e >> 16) & 0xFF) + ((e >> 8) & 0xFF) + (e & 0xFF)) / 12;
        diff.SetPixel(x, y, 0xFF000000u | (grey << 16) | (grey << 8) | grey);
      }
    }
  }
  if (differing == 0) return;
  WritePng(actualPath, actual);
  WritePng(diffPath, diff);
  ADD_FAILURE() << "the picture differs from " << reference << " in " << differing << " of "
                << int64_t(width) * height << " pixels (tolerance " << tolerance << ", worst channel difference "
                << worst << "); first at (" << firstX << ", " << firstY << "): expected "
                << Hex(expected.Pixel(firstX, firstY)) << ", got " << Hex(actual.Pixel(firstX, firstY))
                << ". See " << actualPath << " and " << diffPath;
}
