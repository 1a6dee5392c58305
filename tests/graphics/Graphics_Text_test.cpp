// Text: lines, wrapping, measures, the quads a text block is drawn with,
// and the text and font built-ins.
#include "graphics/Graphics_Text.h"

#include <gtest/gtest.h>

#include <cmath>

#include "base/Support_CodePage.h"
#include "data/Font_Main.h"
#include "data/Picture_Text.h"
#include "data/Sprite_Main.h"
#include "functions/Function_Call.h"
#include "support/Font_Fixture.h"

namespace {

using Lines = std::vector<std::string>;

// Every character 10 wide and 12 high, but "i" 4, the space 5 and the
// hyphen 6; "j" is drawn one pixel left of the pen.
void Handmade(CFont &f) {
  f.s_name = "Hand";
  f.s_first = 32;
  f.s_last = 127;
  for (int c = 32; c <= 127; ++c) {
    f.s_shift[c] = 10, f.s_w[c] = 9, f.s_h[c] = 12;
    f.s_x[c] = c, f.s_y[c] = 100 + c;
  }
  f.s_shift['i'] = 4, f.s_shift[' '] = 5, f.s_shift['-'] = 6;
  f.s_offset['j'] = -1;
  f.ComputeFontHeight();
  f.s_tex = 7;  // stands for a texture; never released (no texture table here)
}

struct HandFont {
  CFont font;
  HandFont() { Handmade(font); }
  ~HandFont() { font.s_tex = -1; }
};

TEST(TextLines, BreaksHashesAndLineEnds) {
  HandFont h;
  const struct {
    const char *text;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"ab", {"ab"}},
      {"a#b", {"a", "b"}},
      {"a\\#b", {"a#b"}},         // the backslash goes, the "#" stays on the line
      {"a\\b", {"a\\b"}},         // a backslash before anything else stays
      {"a#", {"a"}},              // a break at the very end opens no line
      {"#", {""}},
      {"a##b", {"a", "", "b"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\rc", {"a", "b", "c"}},
      {"a#\nb", {"a", "b"}},      // the line feed after a "#" break is dropped
      {"a\n\nb", {"a", "", "b"}},
  };
  for (const auto &c : cases) EXPECT_EQ(Text_Lines(h.font, c.text, -1), c.lines) << c.text;
}

TEST(TextLines, WrapsAtWordsNeverInsideThem) {
  HandFont h;
  const struct {
    const char *text;
    int32_t w;
    Lines lines;
  } cases[] = {
      {"a-b", 12, {"a-", "b"}},                   // the hyphen stays with its word
      {"aaaaaa bbbbbb", 50, {"aaaaaa ", "bbbbbb"}},  // words wider than w stand alone
      {"ab cd ef", 60, {"ab cd ", "ef"}},         // 25 + 25 fits 60, 20 more do not
      {"ab cd ef", 50, {"ab cd ", "ef"}},         // exactly w still fits
      {"ab cd ef", 49, {"ab ", "cd ef"}},
      {"ab cd ef", 24, {"ab ", "cd ", "ef"}},
      {"ab#cd", 1000, {"ab", "cd"}},
      {"#x", 5, {"", "x"}},                      // an empty line is kept
      {"abc", 0, {"abc"}},
  };
  for (const auto &c : cases) EXPECT_EQ(Text_Lines(h.font, c.text, c.w), c.lines) << c.text << " in " << c.w;
}

TEST(TextMeasure, WidthsAndHeights) {
  HandFont h;
  EXPECT_EQ(Text_Width(h.font, "", -1), 1);
  EXPECT_EQ(Text_Height(h.font, "", -1, -1), 1);
  EXPECT_EQ(Text_Width(h.font, "ab", -1), 20);
  EXPECT_EQ(Text_Width(h.font, "i#abc#ii", -1), 30);
  EXPECT_EQ(Text_Height(h.font, "a", -1, -1), 12);
  EXPECT_EQ(Text_Height(h.font, "a#b", -1, -1), 24);
  EXPECT_EQ(Text_Height(h.font, "a#b#c", 20, -1), 12 + 2 * 20);
  EXPECT_EQ(Text_Height(h.font, "ab cd ef", -1, 49), 24);
  EXPECT_EQ(Text_Width(h.font, "ab cd ef", 49), 45);
}

TEST(TextValue, RealsAreWholeOrTwoDecimals) {
  EXPECT_EQ(Text_ValueText(RValue::Real(3.14159)), "3.14");
  EXPECT_EQ(Text_ValueText(RValue::Real(2.0)), "2");
  EXPECT_EQ(Text_ValueText(RValue::Real(-7)), "-7");
  EXPECT_EQ(Text_ValueText(RValue::Real(0.005)), "0.01");
  EXPECT_EQ(Text_ValueText(RValue::Str(RString("2.0"))), "2.0");
}

TEST(TextCodePage, TextBecomesCodesOfTheFontsPage) {
  EXPECT_EQ(CodePage_FromUtf8("A\xE2\x82\xAC\xC3\xA9", 1252), "A\x80\xE9");
  EXPECT_EQ(CodePage_FromUtf8("\xD0\x96", 1252), "?") << "a letter the page lacks";
  EXPECT_EQ(CodePage_FromUtf8("\xD0\x96", 1251), "\xC6");
  EXPECT_EQ(CodePage_FromUtf8("a\xFF" "b", 1251), "a?b") << "a byte that is not UTF-8";
  EXPECT_EQ(CodePage_FromUtf8("\xE3\x81\x82", 932), "\x82\xA0") << "two bytes, two codes";
  EXPECT_EQ(CodePage_1252ToUnicode(0x80), 0x20ACu);
  EXPECT_EQ(CodePage_1252ToUnicode(0x81), 0u);
  EXPECT_EQ(CodePage_1252ToUnicode(0xE9), 0xE9u);
}

TEST(TextLayout, PlainTextStepsThePenAndTheLines) {
  HandFont h;
  RTextStyle style;
  style.colour = 0x123456;
  style.alpha = 0.5;
  const auto q = Text_Layout(h.font, 100, 50, "ij#\x01z", style);
  // The code 1 lies outside the font: no quad, but the pen moves by the space.
  ASSERT_EQ(q.size(), 3u);
  EXPECT_EQ(q[0].x, 100);
  EXPECT_EQ(q[0].y, 50);
  EXPECT_EQ(q[1].x, 104 - 1);  // after "i", one pixel left for "j"
  EXPECT_EQ(q[2].x, 105);
  EXPECT_EQ(q[2].y, 62);
  EXPECT_EQ(q[0].tex, 7);
  EXPECT_EQ(q[0].left, 'i');
  EXPECT_EQ(q[0].top, 100 + 'i');
  EXPECT_EQ(q[0].width, 9);
  EXPECT_EQ(q[0].height, 12);
  EXPECT_EQ(q[0].c1, 0x123456u);
  EXPECT_EQ(q[0].c3, 0x123456u);
  EXPECT_EQ(q[0].alpha, 0.5);
  EXPECT_EQ(q[0].angle, 0);
}

TEST(TextLayout, AlignmentMovesLinesAndBlock) {
  HandFont h;
  const auto firstX = [&](int32_t halign, int32_t valign, const char *text) {
    RTextStyle style;
    style.halign = halign;
    style.valign = valign;
    const auto q = Text_Layout(h.font, 100, 50, text, style);
    return std::make_pair(q.at(0).x, q.at(0).y);
  };
  EXPECT_EQ(firstX(0, 0, "abc"), std::make_pair(100.0, 50.0));
  EXPECT_EQ(firstX(1, 0, "abc"), std::make_pair(85.0, 50.0));  // 30 div 2
  EXPECT_EQ(firstX(1, 0, "iii"), std::make_pair(94.0, 50.0));  // 12 div 2
  EXPECT_EQ(firstX(2, 0, "abc"), std::make_pair(70.0, 50.0));
  EXPECT_EQ(firstX(5, 0, "abc"), firstX(0, 0, "abc")) << "an unknown alignment is left";
  EXPECT_EQ(firstX(0, 1, "a#b#c"), std::make_pair(100.0, 50.0 - 18));  // 36 div 2
  EXPECT_EQ(firstX(0, 2, "a#b#c"), std::make_pair(100.0, 50.0 - 36));
  EXPECT_EQ(firstX(0, 7, "a#b"), firstX(0, 0, "a#b"));
}

TEST(TextLayout, TransformedTextTurnsThePenAndTheLines) {
  HandFont h;
  RTextStyle style;
  style.transformed = true;
  style.xscale = 2;
  style.yscale = 3;
  style.angle = 90;
  const auto q = Text_Layout(h.font, 100, 50, "ab#c", style);
  ASSERT_EQ(q.size(), 3u);
  // Turned a quarter counter-clockwise: the pen goes up the screen, lines
  // step to the right.
  EXPECT_NEAR(q[0].x, 100, 1e-9);
  EXPECT_NEAR(q[1].x, 100, 1e-9);
  EXPECT_NEAR(q[1].y, 50 - 20, 1e-9);
  EXPECT_NEAR(q[2].x, 100 + 36, 1e-9);
  EXPECT_NEAR(q[2].y, 50, 1e-9);
  EXPECT_EQ(q[0].xscale, 2);
  EXPECT_EQ(q[0].yscale, 3);
  EXPECT_EQ(q[0].angle, 90);

  // Right-aligned at no angle: the line starts round(xscale * width) left.
  style.angle = 0;
  style.halign = 2;
  style.xscale = 1.5;
  const auto r = Text_Layout(h.font, 100, 50, "iii", style);
  EXPECT_NEAR(r[0].x, 100 - 18, 1e-9);
  EXPECT_NEAR(r[1].x, 100 - 18 + 6, 1e-9);
}

TEST(TextLayout, CornerColoursFollowThePenAlongEachLine) {
  HandFont h;
  RTextStyle style;
  style.gradient = true;
  style.c1 = 0x000000, style.c2 = 0x0000FF, style.c3 = 0x00FF00, style.c4 = 0xFF0000;
  style.alpha = 0.25;
  const auto q = Text_Layout(h.font, 0, 0, "ab", style);
  ASSERT_EQ(q.size(), 2u);
  EXPECT_EQ(q[0].c1, 0x000000u);
  EXPECT_EQ(q[0].c2, 0x000080u);  // half way along the line: round(127.5) is 128
  EXPECT_EQ(q[1].c2, 0x0000FFu);
  EXPECT_EQ(q[0].c4, 0xFF0000u);
  EXPECT_EQ(q[1].c3, 0x00FF00u);
  EXPECT_EQ(q[0].alpha, 0.25);
}

class TextFunctions : public FunctionTest {
protected:
  void SetUp() override {
    FunctionTest::SetUp();
    Font_RegisterFunctions();
    Text_RegisterFunctions();
    Text_ResetState();
    g_Fonts.Clear();
    g_Sprites.Clear();
  }
  void TearDown() override {
    Text_ResetState();
    g_Fonts.Clear();
    g_Sprites.Clear();
    FunctionTest::TearDown();
  }
};

TEST_F(TextFunctions, ResourceFunctionsReportInvalidIndices) {
  auto font = std::make_unique<CFont>();
  Handmade(*font);
  font->s_tex = -1;
  font->s_size = 9;
  font->s_italic = true;
  g_Fonts.Append(std::move(font), "fnt_hand");
  auto sprite = std::make_unique<CSprite>();
  sprite->LoadStripFromBitmap(picture::Pic({"#.", "##"}), 2, false, false, 0, 0);
  g_Sprites.Append(std::move(sprite), "spr_letters");

  const struct {
    const char *name;
    std::vector<RValue> args;
    const char *message;
    RValue result;
  } cases[] = {
      {"font_exists", {R(0)}, "", R(1)},
      {"font_exists", {R(1)}, "", R(0)},
      {"font_get_name", {R(0)}, "", S("fnt_hand")},
      {"font_name", {R(-1)}, "", S("<undefined>")},
      {"font_get_fontname", {R(0)}, "", S("Hand")},
      {"font_get_fontname", {R(4)}, "", S("")},
      {"font_get_size", {R(0)}, "", R(9)},
      {"font_get_italic", {R(0)}, "", R(1)},
      {"font_get_bold", {R(0)}, "", R(0)},
      {"font_get_first", {R(0)}, "", R(32)},
      {"font_get_last", {R(3)}, "", R(-1)},
      {"font_add_sprite", {R(5), R(32), R(1), R(0)}, "Trying to create font from non-existing sprite.", R(0)},
      {"font_replace", {R(9), S("Arial"), R(12), R(0), R(0), R(32), R(127)}, "Trying to replace non-existing font.",
       R(0)},
      {"font_replace_sprite", {R(9), R(0), R(32), R(1), R(0)}, "Trying to replace non-existing font.", R(0)},
      {"font_replace_sprite", {R(0), R(8), R(32), R(1), R(0)}, "Trying to replace font from non-existing sprite.",
       R(0)},
      {"font_delete", {R(3)}, "Trying to delete non-existing font.", R(0)},
      {"font_add_sprite", {R(0), R(65), R(1), R(1)}, "", R(1)},
      {"font_get_first", {R(1)}, "", R(65)},
      {"font_replace_sprite", {R(1), R(0), R(48), R(0), R(0)}, "", R(1)},
      {"font_get_last", {R(1)}, "", R(49)},
      {"font_delete", {R(1)}, "", R(0)},
      {"font_exists", {R(1)}, "", R(0)},
      {"font_delete", {R(1)}, "Trying to delete non-existing font.", R(0)},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const int32_t id = FunctionFind(c.name);
    ASSERT_GE(id, 0);
    RValue argv[kMaxCallArguments];
    for (size_t k = 0; k < c.args.size(); ++k) argv[k] = c.args[k];
    RValue result;
    ErrorReset();
    FunctionRoutine(id)(nullptr, nullptr, static_cast<int>(c.args.size()), argv, result);
    EXPECT_EQ(Reported(), c.message);
    EXPECT_EQ(result.kind, c.result.kind);
    if (c.result.IsString()) {
      EXPECT_EQ(result.str.view(), c.result.str.view());
    } else {
      EXPECT_EQ(result.val, c.result.val);
    }
  }
  EXPECT_EQ(g_Fonts.Count(), 2) << "a deleted font keeps its slot";
}

TEST_F(TextFunctions, TheCurrentFontIsLookedUpAtEveryCall) {
  auto font = std::make_unique<CFont>();
  Handmade(*font);
  font->s_tex = -1;
  g_Fonts.Append(std::move(font), "fnt_hand");
  Call("draw_set_font", {R(0)});
  EXPECT_EQ(Call("string_width", {S("abc")}).val, 30);
  EXPECT_EQ(Call("string_width", {R(3.14159)}).val, 40) << "drawn as 3.14";
  EXPECT_EQ(Call("string_height", {S("a#b")}).val, 24);
  EXPECT_EQ(Call("string_width_ext", {S("ab cd ef"), R(-1), R(49)}).val, 45);
  EXPECT_EQ(Call("string_height_ext", {S("ab cd ef"), R(30), R(24)}).val, 12 + 2 * 30);
  EXPECT_EQ(Call("string_width", {S("")}).val, 1);
  EXPECT_EQ(Call("string_height", {S("")}).val, 1);
  // Deleted, the font gives way to the default one (on a machine without
  // fonts: no characters), and the text functions go on.
  Call("font_delete", {R(0)});
  EXPECT_EQ(Call("string_width", {S("abc")}).val, 1);
  Call("draw_text", {R(0), R(0), S("abc")});
  Call("draw_text_ext_transformed_color",
       {R(0), R(0), S("a#b"), R(-1), R(10), R(2), R(2), R(45), R(255), R(0), R(0), R(255), R(1)});
  EXPECT_EQ(Reported(), "");
}

class DefaultFont : public fontfixture::InstalledFonts {};

TEST_F(DefaultFont, HelloIsTheSumOfItsAdvances) {
  const CFont &f = Text_CurrentFont();
  EXPECT_EQ(f.s_name, "Arial");
  EXPECT_EQ(f.s_first, 32);
  EXPECT_EQ(f.s_last, 127);
  const int32_t sum = f.s_shift['H'] + f.s_shift['e'] + 2 * f.s_shift['l'] + f.s_shift['o'];
  EXPECT_EQ(Text_Width(f, "Hello", -1), sum);
  EXPECT_EQ(sum, 38);
  CFont liberation;
  liberation.CreateFont("Liberation Sans", 12, false, false, 32, 127);
  EXPECT_EQ(Text_Width(liberation, "Hello", -1), sum);
  EXPECT_EQ(Text_Height(f, "a#b", -1, -1), 2 * f.s_FontHeight);
  Text_ResetState();
}

}  // namespace

#include "data/Texture_Hook.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Fixture.h"

namespace {

// What draw_text sends to the device: one quad per character from the
// font's sheet texture, in the drawing colour and alpha.
class TextDrawing : public GraphicsTest {
protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    Texture_SetHooks({[](const TBitmap32 &b) { return GR_Texture_Create_From_Bitmap(&b); }, GR_Texture_Free,
                      GR_Texture_Create_From_Alpha});
    GR_Draw_Reset_State();
    Text_ResetState();
    auto font = std::make_unique<CFont>();
    Handmade(*font);
    font->s_tex = -1;
    font->s_bw = 256, font->s_bh = 256;
    font->s_bytes.assign(256 * 256, 255);
    font->InitTexture();
    g_Fonts.Append(std::move(font), "fnt_hand");
    Text_SetFont(0);
    Forget();
  }
  void TearDown() override {
    g_Fonts.Clear();
    Text_ResetState();
    GR_Draw_Reset_State();
    Texture_SetHooks({});
    GraphicsTest::TearDown();
  }
};

TEST_F(TextDrawing, EachCharacterIsAQuadOfTheSheet) {
  const CFont &f = *g_Fonts.Get(0);
  ASSERT_GE(f.s_tex, 0);
  GR_Draw_Set_Colour(0x0000FF);
  GR_Draw_Set_Alpha(0.5);
  Text_SetHAlign(1);
  RTextStyle style;
  style.colour = GR_Draw_Get_Colour();
  style.alpha = GR_Draw_Get_Alpha();
  style.halign = 1;
  Text_DrawQuads(Text_Layout(f, 100, 40, "ai", style));
  ASSERT_EQ(device.drawn.size(), 2u);
  const auto &a = device.drawn[0];
  EXPECT_EQ(a.texture, GR_Texture_Handle(f.s_tex));
  ASSERT_EQ(a.vertices.size(), 4u);
  // Centred: the line of 14 starts 7 left of x; corners sit half a pixel up
  // and left, and the cell is 9 x 12.
  EXPECT_FLOAT_EQ(a.vertices[0].x, 93 - 0.5f);
  EXPECT_FLOAT_EQ(a.vertices[0].y, 40 - 0.5f);
  EXPECT_FLOAT_EQ(a.vertices[2].x, 93 + 9 - 0.5f);
  EXPECT_FLOAT_EQ(a.vertices[2].y, 40 + 12 - 0.5f);
  EXPECT_EQ(a.vertices[0].colour, 0x80FF0000u);  // alpha 0.5, red
  EXPECT_FLOAT_EQ(device.drawn[1].vertices[0].x, 93 + 10 - 0.5f);
}

}  // namespace
