// Font records, the sheet built from an installed font, sprite fonts and
// the pen advance rules.
#include "data/Font_Class.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "base/Support_Stream.h"
#include "data/Font_Main.h"
#include "data/Picture_Text.h"
#include "data/Sprite_Class.h"
#include "support/Font_Fixture.h"

namespace {

// A small font with every kind of field set, charset and anti-aliasing not
// at their defaults.
void Sample(CFont &f) {
  f.s_name = "Courier New";
  f.s_size = 14;
  f.s_bold = true;
  f.s_charset = 204;
  f.s_AntiAlias = 1;
  f.s_first = 40;
  f.s_last = 90;
  for (int c = 0; c < 256; ++c) {
    f.s_x[c] = c, f.s_y[c] = 2 * c, f.s_w[c] = c % 7, f.s_h[c] = c % 11;
    f.s_shift[c] = c % 9, f.s_offset[c] = -(c % 3);
  }
  f.s_bw = 4;
  f.s_bh = 3;
  f.s_bytes = {0, 4, 8, 255, 1, 2, 3, 4, 5, 6, 7, 8};
  f.ComputeFontHeight();
}

CStream Saved(const CFont &f) {
  CStream s;
  f.SaveToStream(s);
  s.Seek(0);
  return s;
}

TEST(FontRecord, RoundTripKeepsEveryField) {
  CFont f;
  Sample(f);
  CStream s = Saved(f);
  CFont back;
  ASSERT_TRUE(back.LoadFromStream(s));
  EXPECT_EQ(s.Position(), s.Size());
  EXPECT_TRUE(back == f);
  EXPECT_EQ(back.s_FontHeight, 10);
}

TEST(FontRecord, FirstFieldCarriesCharsetAndAntiAliasing) {
  const struct {
    uint32_t packed;
    int32_t first, charset, antiAlias;
  } cases[] = {
      {32, 32, 1, 3},                                // stored without either: the defaults
      {(204u << 16) | 65, 65, 204, 3},               // a character set
      {(1u << 24) | 32, 32, 1, 0},                   // anti-aliasing stored as level + 1
      {(4u << 24) | (238u << 16) | 0xFFFF, 0xFFFF, 238, 3},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.packed);
    CFont f;
    Sample(f);
    CStream s = Saved(f);
    s.Seek(4 + 4 + 11 + 4 + 4 + 4);  // version, name, size, bold, italic
    s.WriteInteger(static_cast<int32_t>(c.packed));
    s.Seek(0);
    CFont back;
    ASSERT_TRUE(back.LoadFromStream(s));
    EXPECT_EQ(back.s_first, c.first);
    EXPECT_EQ(back.s_charset, c.charset);
    EXPECT_EQ(back.s_AntiAlias, c.antiAlias);
  }
}

TEST(FontRecord, DamagedRecordsFailWithoutRaising) {
  CFont f;
  Sample(f);
  const std::vector<uint8_t> good = Saved(f).Bytes();
  const auto load = [](const std::vector<uint8_t> &bytes) {
    CStream s;
    if (!bytes.empty()) s.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    s.Seek(0);
    CFont font;
    const bool ok = font.LoadFromStream(s);
    if (!ok) {
      EXPECT_TRUE(font == CFont()) << "a failed load leaves an empty font";
    }
    return ok;
  };
  ASSERT_TRUE(load(good));
  // Cut anywhere: in the header, in the glyph table, in the sheet.
  for (size_t cut : {size_t{0}, size_t{3}, size_t{10}, size_t{40}, size_t{3000}, good.size() - 1}) {
    SCOPED_TRACE(cut);
    EXPECT_FALSE(load(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<ptrdiff_t>(cut))));
  }
  const size_t sheetSize = 4 + 4 + 11 + 5 * 4 + 256 * 6 * 4;  // where the sheet width is
  const auto patched = [&](size_t at, int32_t value) {
    std::vector<uint8_t> b = good;
    for (int k = 0; k < 4; ++k) b[at + static_cast<size_t>(k)] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * k));
    return b;
  };
  EXPECT_FALSE(load(patched(0, 810))) << "another version";
  EXPECT_FALSE(load(patched(sheetSize, 5))) << "width that does not match the picture";
  EXPECT_FALSE(load(patched(sheetSize, -4))) << "negative width";
  EXPECT_FALSE(load(patched(sheetSize + 4, 1 << 30))) << "huge height";
}

TEST(FontSection, RoundTripKeepsSlotsAndNames) {
  RFontList list;
  auto f = std::make_unique<CFont>();
  Sample(*f);
  list.Append(std::move(f), "fnt_title");
  list.items.emplace_back();
  list.names.emplace_back();
  list.Append(std::make_unique<CFont>(), "fnt_small");
  CStream s;
  Font_SaveSection(s, list);
  s.Seek(0);
  ASSERT_TRUE(Font_Load(s));
  ASSERT_EQ(g_Fonts.Count(), 3);
  EXPECT_EQ(Font_Find("fnt_small"), 2);
  EXPECT_FALSE(Font_Exists(1));
  EXPECT_EQ(Font_Name(1), "<undefined>");
  EXPECT_TRUE(*g_Fonts.Get(0) == *list.Get(0));
  EXPECT_EQ(Font_AddEmpty(), 3);
  EXPECT_EQ(Font_Name(3), "__newfont3");
  g_Fonts.Clear();
}

TEST(FontAdvance, UnknownCodesTakeTheSpaceElseTheFirstCode) {
  CFont f;
  for (int c = 0; c < 256; ++c) f.s_shift[c] = 100 + c;
  f.s_first = 32, f.s_last = 127;
  EXPECT_EQ(f.Advance('A'), 165);
  EXPECT_EQ(f.Advance(200), 132) << "the space's advance";
  f.s_first = 65, f.s_last = 90;
  EXPECT_EQ(f.Advance('a'), 165) << "the advance of A: the space is outside";
  EXPECT_EQ(f.TextWidth("AB a"), 165 + 166 + 165 + 165);
  f.s_first = 300;  // a range beyond the codes reads nothing out of bounds
  EXPECT_EQ(f.Advance('A'), 0);
}

TEST(FontCodePage, CharacterSetsChooseCodePages) {
  const std::pair<int32_t, int32_t> cases[] = {{0, 1252},    {1, 1252},   {204, 1251}, {238, 1250}, {128, 932},
                                               {130, 1361},  {222, 874},  {186, 1257}, {77, 1252},  {255, 1252}};
  CFont f;
  for (const auto &[charset, page] : cases) {
    f.s_charset = charset;
    EXPECT_EQ(f.GetCodePage(), page) << charset;
  }
}

TEST(FontPacking, CellsStayInsideAndRowsBreakBeforeTheEdge) {
  std::vector<int32_t> x, y;
  // 3 cells of 4 x 5 in a sheet 14 wide: 0, 6, then 12 + 4 would reach 16 > 14: next row.
  ASSERT_TRUE(Font_PackCells({4, 4, 4}, {5, 3, 2}, 14, 16, 2, x, y));
  EXPECT_EQ(x, (std::vector<int32_t>{0, 6, 0}));
  EXPECT_EQ(y, (std::vector<int32_t>{0, 0, 7}));
  // Reaching the edge exactly is full too.
  ASSERT_TRUE(Font_PackCells({4, 4}, {1, 1}, 10, 8, 2, x, y));
  EXPECT_EQ(y[1], 3);
  EXPECT_FALSE(Font_PackCells({4, 4}, {5, 5}, 10, 9, 2, x, y)) << "second row does not fit";
  EXPECT_FALSE(Font_PackCells({20}, {1}, 16, 16, 2, x, y)) << "wider than the sheet";
  EXPECT_TRUE(Font_PackCells({}, {}, 1, 1, 2, x, y));
}

class FontSheet : public fontfixture::InstalledFonts {};

TEST_F(FontSheet, ArialTwelveBuildsAStableSheet) {
  CFont f;
  f.CreateFont("Arial", 12, false, false, 32, 127);
  EXPECT_EQ(f.s_name, "Arial");
  EXPECT_EQ(f.s_charset, 1);
  EXPECT_EQ(f.s_AntiAlias, 3);
  EXPECT_EQ(f.s_FontHeight, 18);  // "g" and its like reach below the descent
  EXPECT_EQ(f.s_shift['A'], 11);
  EXPECT_EQ(f.s_shift[' '], 4);
  EXPECT_EQ(f.s_w[' '], 4) << "the space takes its advance as its width";
  EXPECT_EQ(f.s_h[' '], 17) << "and the font height as its height";
  EXPECT_EQ(f.s_bw, 256);
  EXPECT_EQ(f.s_bh, 128);
  ASSERT_EQ(f.s_bytes.size(), static_cast<size_t>(f.s_bw * f.s_bh));

  // Every cell inside the sheet, and no two cells (with their 2 pixels of
  // separation) overlapping.
  for (int c = 32; c <= 127; ++c) {
    SCOPED_TRACE(c);
    EXPECT_GE(f.s_x[c], 0);
    EXPECT_GE(f.s_y[c], 0);
    EXPECT_LT(f.s_x[c] + f.s_w[c], f.s_bw);
    EXPECT_LE(f.s_y[c] + f.s_h[c], f.s_bh);
    for (int d = c + 1; d <= 127; ++d) {
      const bool apart = f.s_x[c] + f.s_w[c] + 2 <= f.s_x[d] || f.s_x[d] + f.s_w[d] + 2 <= f.s_x[c] ||
                         f.s_y[c] + f.s_h[c] + 2 <= f.s_y[d] || f.s_y[d] + f.s_h[d] + 2 <= f.s_y[c];
      EXPECT_TRUE(apart || f.s_w[c] * f.s_h[c] == 0 || f.s_w[d] * f.s_h[d] == 0) << "with " << d;
    }
  }
  // Grey levels became alpha 4v, full coverage 255, and the space is empty.
  std::set<uint8_t> values(f.s_bytes.begin(), f.s_bytes.end());
  for (uint8_t v : values) EXPECT_TRUE(v == 255 || v % 4 == 0) << int(v);
  EXPECT_TRUE(values.count(255));
  for (int y = 0; y < f.s_h[' ']; ++y)
    for (int x = 0; x < f.s_w[' ']; ++x)
      EXPECT_EQ(f.s_bytes[static_cast<size_t>((f.s_y[' '] + y) * f.s_bw + f.s_x[' '] + x)], 0);
  // The cross bar of "H" is fully covered, on the row 6 above the baseline.
  const int bar = f.s_y['H'] + f.s_h['H'] - 1 - 6;
  for (int x = 1; x + 1 < f.s_w['H']; ++x)
    EXPECT_EQ(f.s_bytes[static_cast<size_t>(bar * f.s_bw + f.s_x['H'] + x)], 255) << x;

  // The sheet is a record like any other.
  CFont back;
  CStream s = Saved(f);
  ASSERT_TRUE(back.LoadFromStream(s));
  EXPECT_TRUE(back == f);

  // The same again gives the same sheet.
  CFont again;
  again.CreateFont("Arial", 12, false, false, 32, 127);
  EXPECT_TRUE(again == f);
}

TEST_F(FontSheet, RangesAreHeldToTheCodes) {
  CFont f;
  f.CreateFont("Arial", 10, false, true, -20, 400);
  EXPECT_EQ(f.s_first, 0);
  EXPECT_EQ(f.s_last, 255);
  EXPECT_GT(f.s_w[255], 0);  // ÿ
  CFont letters;
  letters.CreateFont("Arial", 12, false, false, 65, 90);
  EXPECT_EQ(letters.Advance(' '), letters.Advance('A'));
}

TEST(FontSheetWithoutFonts, AMachineWithoutFontsGivesAnEmptyFont) {
  CFont f;
  f.CreateFont("Arial", 12, false, false, 32, 127);
  EXPECT_EQ(f.s_first, 32);
  EXPECT_EQ(f.s_FontHeight, 0);
  EXPECT_EQ(f.TextWidth("Hello"), 0);
}

TEST(SpriteFont, FramesBecomeCharacters) {
  using picture::Pic;
  CSprite s;
  s.LoadStripFromBitmap(Pic({"....#.....", "..#.......", "....#....."}), 2, false, false, 0, 0);
  ASSERT_EQ(s.i_bitmap.size(), 2u);
  CFont f;
  f.CreateFromSprite(3, s, 250, true, 1);
  EXPECT_TRUE(f.IsSpriteFont());
  EXPECT_EQ(f.s_first, 250);
  EXPECT_EQ(f.s_last, 251);
  EXPECT_EQ(f.s_AntiAlias, 0);
  EXPECT_EQ(f.s_FontHeight, 3);
  // Frame 0 shows columns 2 ... 4: advance right + sep - left = 4 + 1 - 2.
  EXPECT_EQ(f.s_shift[250], 3);
  EXPECT_EQ(f.s_offset[250], -2);
  // Frame 1 shows nothing: it counts as visible throughout.
  EXPECT_EQ(f.s_shift[251], 4 + 1);
  CFont fixed;
  fixed.CreateFromSprite(3, s, -7, false, 2);
  EXPECT_EQ(fixed.s_first, 0);
  EXPECT_EQ(fixed.s_shift[0], 5 + 2);
  EXPECT_EQ(fixed.s_offset[0], 0);
  // No texture of its own: the sprite's are used.
  fixed.InitTexture();
  EXPECT_EQ(fixed.s_tex, -1);
}

}  // namespace
