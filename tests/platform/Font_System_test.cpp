// Installed fonts: the families games name resolve to free fonts with the
// same widths, and glyphs come out in the measures font sheets are built
// from.
#include "platform/fonts/Font_System.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace {

bool EndsWith(const std::string &s, std::string_view tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(SystemFonts, DesktopFamiliesResolveToMetricCompatibleFiles) {
  CSystemFonts fonts;
  const struct {
    const char *family;
    bool bold, italic;
    const char *file;
  } cases[] = {
      {"Arial", false, false, "LiberationSans-Regular.ttf"},
      {"arial", true, false, "LiberationSans-Bold.ttf"},
      {"Arial", true, true, "LiberationSans-BoldItalic.ttf"},
      {"Times New Roman", false, true, "LiberationSerif-Italic.ttf"},
      {"Courier New", false, false, "LiberationMono-Regular.ttf"},
      {"Verdana", false, false, "DejaVuSans.ttf"},
      {"Liberation Sans", false, false, "LiberationSans-Regular.ttf"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.family);
    EXPECT_PRED2(EndsWith, fonts.FindFont(c.family, c.bold, c.italic), c.file);
  }
  // A family nobody has still finds a font to draw with.
  EXPECT_FALSE(fonts.FindFont("No Such Family 12345", false, false).empty());
}

TEST(SystemFonts, PointsBecomePixelsAt96DotsPerInch) {
  EXPECT_EQ(CSystemFonts::PixelSize(12), 16);
  EXPECT_EQ(CSystemFonts::PixelSize(10), 13);  // 13.33
  EXPECT_EQ(CSystemFonts::PixelSize(9), 12);
  EXPECT_EQ(CSystemFonts::PixelSize(0), 0);
}

TEST(SystemFonts, RendersMetricsAndGreyGlyphs) {
  CSystemFonts fonts;
  RFontMetrics m;
  std::vector<RGlyph> glyphs;
  ASSERT_TRUE(fonts.RenderGlyphs("Liberation Sans", 12, false, false, 32, 128, m, glyphs));
  ASSERT_EQ(glyphs.size(), 97u);
  // 16 pixels of em: the line is a little taller than that.
  EXPECT_EQ(m.ascent, 14);
  EXPECT_EQ(m.descent, 3);
  EXPECT_EQ(m.height, m.ascent + m.descent);
  EXPECT_GT(m.averageWidth, 4);
  EXPECT_LE(m.averageWidth, m.maxWidth);

  const RGlyph &space = glyphs[0];
  EXPECT_FALSE(space.outline);
  EXPECT_EQ(space.advance, 4);

  const RGlyph &a = glyphs['A' - 32];
  ASSERT_TRUE(a.outline);
  EXPECT_EQ(a.advance, 11);
  EXPECT_EQ(a.grey.size(), static_cast<size_t>(a.blackW * a.blackH));
  EXPECT_EQ(a.originY, a.blackH);  // stands on the baseline
  EXPECT_LE(a.originY, m.ascent);
  EXPECT_EQ(*std::max_element(a.grey.begin(), a.grey.end()), 64);
  EXPECT_EQ(*std::min_element(a.grey.begin(), a.grey.end()), 0);

  // "g" hangs below the baseline.
  const RGlyph &g = glyphs['g' - 32];
  EXPECT_GT(g.blackH, g.originY);

  // 128 is the euro sign of the code page.
  EXPECT_TRUE(glyphs[128 - 32].outline);
}

TEST(SystemFonts, ArialRendersAsLiberationSans) {
  CSystemFonts fonts;
  RFontMetrics m1, m2;
  std::vector<RGlyph> g1, g2;
  ASSERT_TRUE(fonts.RenderGlyphs("Arial", 12, false, false, 65, 90, m1, g1));
  ASSERT_TRUE(fonts.RenderGlyphs("Liberation Sans", 12, false, false, 65, 90, m2, g2));
  EXPECT_EQ(m1.ascent, m2.ascent);
  EXPECT_EQ(m1.height, m2.height);
  ASSERT_EQ(g1.size(), g2.size());
  for (size_t i = 0; i < g1.size(); ++i) {
    EXPECT_EQ(g1[i].advance, g2[i].advance);
    EXPECT_EQ(g1[i].grey, g2[i].grey);
  }
}

TEST(SystemFonts, BoldIsHeavierAndStrangeSizesStillRender) {
  CSystemFonts fonts;
  RFontMetrics m;
  std::vector<RGlyph> regular, bold, tiny;
  ASSERT_TRUE(fonts.RenderGlyphs("Arial", 20, false, false, 'l', 'l', m, regular));
  ASSERT_TRUE(fonts.RenderGlyphs("Arial", 20, true, false, 'l', 'l', m, bold));
  const auto ink = [](const RGlyph &g) { return std::accumulate(g.grey.begin(), g.grey.end(), 0); };
  EXPECT_GT(ink(bold[0]), ink(regular[0]) * 3 / 2) << "a thicker stem";
  // Sizes of 0 and below draw at the smallest size rather than fail.
  EXPECT_TRUE(fonts.RenderGlyphs("Arial", -5, false, false, 'A', 'A', m, tiny));
  EXPECT_EQ(tiny.size(), 1u);
  // An empty range is no glyphs.
  EXPECT_TRUE(fonts.RenderGlyphs("Arial", 12, false, false, 90, 65, m, tiny));
  EXPECT_TRUE(tiny.empty());
}

}  // namespace
