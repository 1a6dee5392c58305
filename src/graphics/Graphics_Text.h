// Text: the current font and alignment, turning a script text into lines of
// character codes of the font (line breaks, wrapping), measuring them, and
// drawing them character by character as part quads of the font's sheet
// (or frames of a sprite font).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "code/Variable_Class.h"

class CFont;

// --- text state -------------------------------------------------------------

// The current font (-1 or any index that is not a font: the default font),
// looked up at every call.
void Text_SetFont(int64_t font);
int64_t Text_GetFont();
// Horizontal: 0 left, 1 centre, 2 right; vertical: 0 top, 1 middle,
// 2 bottom. Other values are kept and act as left and top.
void Text_SetHAlign(int32_t align);
void Text_SetVAlign(int32_t align);
// The font a text call uses now: the current font, else the default font
// ("Arial", 12 points, codes 32 ... 127), made on first need.
const CFont &Text_CurrentFont();
// Back to a fresh start: default font, left and top; the default font is
// made again when next needed.
void Text_ResetState();

// --- layout -----------------------------------------------------------------

// A value as text draws it: a string as it is, a whole real as an integer,
// any other real with two decimals.
std::string Text_ValueText(const RValue &value);
// The lines of a text in the font's character codes: "#" breaks the line,
// "\#" is a "#"; CR LF, CR and LF break lines. With a width w >= 0 lines are
// wrapped at words (a word ends after a space or a hyphen); a word wider
// than w stands alone, never broken. An empty text has no lines.
std::vector<std::string> Text_Lines(const CFont &font, std::string_view text, int32_t w);
// Widest line (1 for none) and height of the lines a step apart (sep < 0:
// the line height); 1 for no lines.
int32_t Text_Width(const CFont &font, std::string_view text, int32_t w);
int32_t Text_Height(const CFont &font, std::string_view text, int32_t sep, int32_t w);

// --- drawing ----------------------------------------------------------------

// One character as it is drawn: the part (left, top, width, height) of a
// texture placed with its top-left at (x, y), scaled and turned about that
// corner, a colour per corner; or, when `part` is off, the whole texture
// (a frame of a sprite font) placed by its origin (xorig, yorig) in colour
// c1.
struct RTextQuad {
  int32_t tex = -1;
  int32_t sprite = -1, frame = 0;  // the frame of a sprite font, else -1
  bool part = true;
  double left = 0, top = 0, width = 0, height = 0;
  double xorig = 0, yorig = 0;
  double x = 0, y = 0, xscale = 1, yscale = 1, angle = 0;
  uint32_t c1 = 0, c2 = 0, c3 = 0, c4 = 0;
  double alpha = 1;
};

// How a text block is drawn. Corner colours apply when `gradient` is set
// (c1 top-left, c2 top-right, c3 bottom-right, c4 bottom-left, across each
// line); else every character has `colour`.
struct RTextStyle {
  int32_t sep = -1, w = -1;
  double xscale = 1, yscale = 1, angle = 0;
  bool transformed = false;
  bool gradient = false;
  uint32_t colour = 0, c1 = 0, c2 = 0, c3 = 0, c4 = 0;
  double alpha = 1;
  int32_t halign = 0, valign = 0;
};

// The quads of a text block at (x, y) in the font, in drawing order; codes
// outside the font's range advance the pen but give no quad.
std::vector<RTextQuad> Text_Layout(const CFont &font, double x, double y, std::string_view text,
                                   const RTextStyle &style);
// Draws them with the quad routines.
void Text_DrawQuads(const std::vector<RTextQuad> &quads);

// The text built-ins: draw_set_font, draw_set_halign, draw_set_valign,
// string_width/height(_ext) and the draw_text family.
void Text_RegisterFunctions();
