#include "graphics/Graphics_Text.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "base/Support_CodePage.h"
#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "data/Font_Main.h"
#include "data/Sprite_Main.h"
#include "functions/Function_Action_Support.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Quad.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

int64_t s_font = -1;
int32_t s_halign = 0, s_valign = 0;
std::unique_ptr<CFont> s_default;

// "#" breaks the line and "\#" is a plain "#"; then CR LF and a lone LF
// become CR.
std::string Breaks(std::string_view text) {
  std::string hashes;
  hashes.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '#') {
      hashes += '#';
      ++i;
    } else {
      hashes += text[i] == '#' ? '\r' : text[i];
    }
  }
  std::string out;
  out.reserve(hashes.size());
  for (size_t i = 0; i < hashes.size(); ++i) {
    if (hashes[i] == '\n') {
      if (i == 0 || hashes[i - 1] != '\r') out += '\r';
    } else {
      out += hashes[i];
    }
  }
  return out;
}

// Lines as a list of lines takes them: split at CR, a CR at the very end
// opening no further line.
std::vector<std::string> SplitCR(const std::string &text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t cr = text.find('\r', start);
    if (cr == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, cr - start));
    start = cr + 1;
  }
  return lines;
}

void Wrap(const CFont &font, const std::string &line, int32_t w, std::vector<std::string> &out) {
  if (line.empty()) {
    out.push_back(line);
    return;
  }
  std::vector<std::string> words;
  std::string word;
  for (char c : line) {
    word += c;
    if (c == ' ' || c == '-') {
      words.push_back(std::move(word));
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  size_t k = 0;
  while (k < words.size()) {
    std::string current = words[k];
    int64_t width = font.TextWidth(words[k]);
    ++k;
    while (k < words.size() && width < w) {
      const int64_t next = font.TextWidth(words[k]);
      if (width + next > w) break;
      current += words[k];
      width += next;
      ++k;
    }
    out.push_back(std::move(current));
  }
}

uint32_t Merge(uint32_t a, uint32_t b, double amount) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const double ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
    const double v = std::nearbyint((1 - amount) * ca + amount * cb);
    out |= static_cast<uint32_t>(std::clamp(v, 0.0, 255.0)) << shift;
  }
  return out;
}

// What a sprite font draws for a code: the frame's texture and the sprite's
// size and origin. False when the sprite or the frame is gone.
bool SpriteFrame(const CFont &font, int32_t code, RTextQuad &q) {
  const CSprite *s = Sprite_Get(font.s_spr);
  const int32_t frame = code - font.s_first;
  if (s == nullptr || frame < 0 || static_cast<size_t>(frame) >= s->i_tex.size()) return false;
  q.sprite = font.s_spr;
  q.frame = frame;
  q.tex = s->i_tex[static_cast<size_t>(frame)];
  q.width = s->GetWidth();
  q.height = s->GetHeight();
  q.xorig = s->i_xorig;
  q.yorig = s->i_yorig;
  return true;
}

// The corner colours of a character at pen distance p with advance d on a
// line of width lineW.
void Colours(const RTextStyle &style, double p, double d, double lineW, RTextQuad &q) {
  if (!style.gradient) {
    q.c1 = q.c2 = q.c3 = q.c4 = style.colour;
    return;
  }
  const double a0 = lineW != 0 ? p / lineW : 0, a1 = lineW != 0 ? (p + d) / lineW : 0;
  q.c1 = Merge(style.c1, style.c2, a0);
  q.c2 = Merge(style.c1, style.c2, a1);
  q.c4 = Merge(style.c4, style.c3, a0);
  q.c3 = Merge(style.c4, style.c3, a1);
}

}  // namespace

void Text_SetFont(int64_t font) { s_font = font; }
int64_t Text_GetFont() { return s_font; }
void Text_SetHAlign(int32_t align) { s_halign = align; }
void Text_SetVAlign(int32_t align) { s_valign = align; }

const CFont &Text_CurrentFont() {
  if (const CFont *f = Font_Get(s_font)) return *f;
  if (!s_default) {
    s_default = std::make_unique<CFont>();
    s_default->CreateFont("Arial", 12, false, false, 32, 127);
  }
  return *s_default;
}

void Text_ResetState() {
  s_font = -1;
  s_halign = s_valign = 0;
  s_default.reset();
}

std::string Text_ValueText(const RValue &value) { return action::ValueText(value); }

std::vector<std::string> Text_Lines(const CFont &font, std::string_view text, int32_t w) {
  const int32_t codePage = font.IsSpriteFont() ? 1252 : font.GetCodePage();
  std::vector<std::string> lines;
  for (const std::string &line : SplitCR(Breaks(text))) {
    std::string codes = CodePage_FromUtf8(line, codePage);
    if (w < 0) lines.push_back(std::move(codes));
    else Wrap(font, codes, w, lines);
  }
  return lines;
}

int32_t Text_Width(const CFont &font, std::string_view text, int32_t w) {
  int32_t widest = 1;
  for (const std::string &line : Text_Lines(font, text, w)) widest = std::max(widest, font.TextWidth(line));
  return widest;
}

int32_t Text_Height(const CFont &font, std::string_view text, int32_t sep, int32_t w) {
  const size_t lines = Text_Lines(font, text, w).size();
  if (lines == 0) return 1;
  const int64_t step = sep < 0 ? font.TextHeight() : sep;
  const int64_t h = font.TextHeight() + step * static_cast<int64_t>(lines - 1);
  return static_cast<int32_t>(std::clamp<int64_t>(h, INT32_MIN, INT32_MAX));
}

std::vector<RTextQuad> Text_Layout(const CFont &font, double x, double y, std::string_view text,
                                   const RTextStyle &style) {
  std::vector<RTextQuad> quads;
  const std::vector<std::string> lines = Text_Lines(font, text, style.w);
  const double step = style.sep < 0 ? font.TextHeight() : style.sep;
  const double n = static_cast<double>(lines.size());
  const bool sprite = font.IsSpriteFont();

  // The line step as a vector, and the direction the pen moves along a line.
  const double a = style.transformed ? style.angle * kPi / 180.0 : 0.0;
  const double cs = style.transformed ? std::cos(a) : 1.0, sn = style.transformed ? std::sin(a) : 0.0;
  const double xs = style.transformed ? style.xscale : 1.0, ys = style.transformed ? style.yscale : 1.0;
  double sx = x, sy = y;
  double vx = 0, vy = step;
  if (style.transformed) {
    vx = sn * ys * step, vy = cs * ys * step;
    if (style.valign == 1) sx -= std::nearbyint(n * vx / 2), sy -= std::nearbyint(n * vy / 2);
    else if (style.valign == 2) sx -= std::nearbyint(n * vx), sy -= std::nearbyint(n * vy);
  } else {
    const int64_t block = static_cast<int64_t>(n * step);
    if (style.valign == 1) sy -= static_cast<double>(block / 2);
    else if (style.valign == 2) sy -= static_cast<double>(block);
  }

  for (const std::string &line : lines) {
    const int32_t lineW = font.TextWidth(line);
    double offset = 0;
    if (style.transformed) {
      if (style.halign == 1) offset = -std::nearbyint(xs * lineW / 2);
      else if (style.halign == 2) offset = -std::nearbyint(xs * lineW);
    } else {
      if (style.halign == 1) offset = -(lineW / 2);
      else if (style.halign == 2) offset = -lineW;
    }
    const double lx = sx + offset * cs, ly = sy - offset * sn;
    int64_t p = 0;  // the pen from the line start, in font pixels
    for (char ch : line) {
      const int32_t code = static_cast<uint8_t>(ch);
      const int32_t advance = font.Advance(code);
      if (code >= font.s_first && code <= font.s_last) {
        RTextQuad q;
        const double along = static_cast<double>(p) + font.s_offset[static_cast<size_t>(code)];
        q.x = lx + xs * along * cs;
        q.y = ly - xs * along * sn;
        q.xscale = xs, q.yscale = ys, q.angle = style.transformed ? style.angle : 0.0;
        q.alpha = style.alpha;
        Colours(style, static_cast<double>(p), advance, lineW, q);
        bool keep = true;
        if (sprite) {
          keep = SpriteFrame(font, code, q);
          // A gradient paints the whole frame from its corner; otherwise
          // the frame stands on the sprite's origin.
          q.part = style.gradient;
          if (q.part) q.left = q.top = 0;
        } else {
          const size_t c = static_cast<size_t>(code);
          q.tex = font.s_tex;
          q.left = font.s_x[c], q.top = font.s_y[c], q.width = font.s_w[c], q.height = font.s_h[c];
        }
        if (keep) quads.push_back(q);
      }
      p += advance;
    }
    sx += vx, sy += vy;
  }
  return quads;
}

void Text_DrawQuads(const std::vector<RTextQuad> &quads) {
  for (const RTextQuad &q : quads) {
    if (q.part)
      GR_Quad_Part(q.tex, q.left, q.top, q.width, q.height, q.x, q.y, q.xscale, q.yscale, q.angle, q.c1, q.c2, q.c3,
                   q.c4, q.alpha);
    else
      GR_Quad_Transformed(q.tex, q.x, q.y, q.xorig, q.yorig, q.xscale, q.yscale, q.angle, q.c1, q.alpha);
  }
}

namespace {

using fnarg::Clamped;
using fnarg::Num;

uint32_t Colour(const RValue &v) { return static_cast<uint32_t>(Clamped(v)) & 0xFFFFFFu; }

RTextStyle PlainStyle() {
  RTextStyle style;
  style.colour = GR_Draw_Get_Colour();
  style.alpha = GR_Draw_Get_Alpha();
  style.halign = s_halign;
  style.valign = s_valign;
  return style;
}

void Draw(double x, double y, const RValue &text, const RTextStyle &style) {
  Text_DrawQuads(Text_Layout(Text_CurrentFont(), x, y, Text_ValueText(text), style));
}

void Transform(RTextStyle &style, const RValue *args) {
  style.transformed = true;
  style.xscale = Num(args[0]);
  style.yscale = Num(args[1]);
  style.angle = Num(args[2]);
}

void Gradient(RTextStyle &style, const RValue *args) {
  style.gradient = true;
  style.c1 = Colour(args[0]), style.c2 = Colour(args[1]), style.c3 = Colour(args[2]), style.c4 = Colour(args[3]);
  style.alpha = Num(args[4]);
}

void Ext(RTextStyle &style, const RValue *args) {
  style.sep = Clamped(args[0]);
  style.w = Clamped(args[1]);
}

void F_SetFont(CInstance *, CInstance *, int, RValue *args, RValue &) { Text_SetFont(fnarg::Wide(args[0])); }
void F_SetHAlign(CInstance *, CInstance *, int, RValue *args, RValue &) { Text_SetHAlign(Clamped(args[0])); }
void F_SetVAlign(CInstance *, CInstance *, int, RValue *args, RValue &) { Text_SetVAlign(Clamped(args[0])); }

void F_StringWidth(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(Text_Width(Text_CurrentFont(), Text_ValueText(args[0]), -1));
}
void F_StringHeight(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(Text_Height(Text_CurrentFont(), Text_ValueText(args[0]), -1, -1));
}
void F_StringWidthExt(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(Text_Width(Text_CurrentFont(), Text_ValueText(args[0]), Clamped(args[2])));
}
void F_StringHeightExt(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(Text_Height(Text_CurrentFont(), Text_ValueText(args[0]), Clamped(args[1]), Clamped(args[2])));
}

void F_DrawText(CInstance *, CInstance *, int, RValue *args, RValue &) {
  Draw(Num(args[0]), Num(args[1]), args[2], PlainStyle());
}
void F_DrawTextExt(CInstance *, CInstance *, int, RValue *args, RValue &) {
  RTextStyle style = PlainStyle();
  Ext(style, args + 3);
  Draw(Num(args[0]), Num(args[1]), args[2], style);
}
void F_DrawTextTransformed(CInstance *, CInstance *, int, RValue *args, RValue &) {
  RTextStyle style = PlainStyle();
  Transform(style, args + 3);
  Draw(Num(args[0]), Num(args[1]), args[2], style);
}
void F_DrawTextExtTransformed(CInstance *, CInstance *, int, RValue *args, RValue &) {
  RTextStyle style = PlainStyle();
  Ext(style, args + 3);
  Transform(style, args + 5);
  Draw(Num(args[0]), Num(args[1]), args[2], style);
}
void F_DrawTextColor(CInstance *, CInstance *, int, RValue *args, RValue &) {
  RTextStyle style = PlainStyle();
  Gradient(style, args + 3);
  Draw(Num(args[0]), Num(args[1]), args[2], style);
}
void F_DrawTextTransformedColor(CInstance *, CInstance *, int, RValue *args, RValue &) {
  RTextStyle style = PlainStyle();
  Transform(style, args + 3);
  Gradient(style, args + 6);
  Draw(Num(args[0]), Num(args[1]), args[2], style);
}
void F_DrawTextExtColor(CInstance *, CInstance *, int, RValue *args, RValue &) {
  RTextStyle style = PlainStyle();
  Ext(style, args + 3);
  Gradient(style, args + 5);
  Draw(Num(args[0]), Num(args[1]), args[2], style);
}
void F_DrawTextExtTransformedColor(CInstance *, CInstance *, int, RValue *args, RValue &) {
  RTextStyle style = PlainStyle();
  Ext(style, args + 3);
  Transform(style, args + 5);
  Gradient(style, args + 8);
  Draw(Num(args[0]), Num(args[1]), args[2], style);
}

}  // namespace

void Text_RegisterFunctions() {
  FunctionAdd("draw_set_font", F_SetFont, 1);
  FunctionAdd("draw_set_halign", F_SetHAlign, 1);
  FunctionAdd("draw_set_valign", F_SetVAlign, 1);
  FunctionAdd("string_width", F_StringWidth, 1);
  FunctionAdd("string_height", F_StringHeight, 1);
  FunctionAdd("string_width_ext", F_StringWidthExt, 3);
  FunctionAdd("string_height_ext", F_StringHeightExt, 3);
  FunctionAdd("draw_text", F_DrawText, 3);
  FunctionAdd("draw_text_ext", F_DrawTextExt, 5);
  FunctionAdd("draw_text_transformed", F_DrawTextTransformed, 6);
  FunctionAdd("draw_text_ext_transformed", F_DrawTextExtTransformed, 8);
  FunctionAdd("draw_text_color", F_DrawTextColor, 8);
  FunctionAdd("draw_text_transformed_color", F_DrawTextTransformedColor, 11);
  FunctionAdd("draw_text_ext_color", F_DrawTextExtColor, 10);
  FunctionAdd("draw_text_ext_transformed_color", F_DrawTextExtTransformedColor, 13);
}
