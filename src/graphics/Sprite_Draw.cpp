#include "graphics/Sprite_Draw.h"

#include <cmath>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "data/Background_Main.h"
#include "data/Sprite_Main.h"
#include "graphics/Graphics_Quad.h"
#include "world/Instance_Class.h"
#include "world/Room_Class.h"
#include "world/Room_Main.h"

namespace {

using fnarg::Int;
using fnarg::Num;

constexpr uint32_t kWhite = 0xFFFFFF;

uint32_t Colour(const RValue &v) { return static_cast<uint32_t>(Int(v)) & 0xFFFFFFu; }

// The sprite a drawing built-in names, reporting it when there is none.
const CSprite *DrawnSprite(const RValue &v) {
  const CSprite *s = Sprite_Get(Int(v));
  if (s == nullptr) ReportActionError("Trying to draw non-existing sprite.", false);
  return s;
}
const CBackground *DrawnBackground(const RValue &v) {
  const CBackground *b = Background_Get(Int(v));
  if (b == nullptr) ReportActionError("Trying to draw non-existing background.", false);
  return b;
}

int32_t Texture(const CSprite &s, CInstance *self, const RValue &subimg) {
  return s.GetTexture(Sprite_ScriptFrame(self, Num(subimg)));
}

// The room the tiled forms cover.
void RoomSize(double &w, double &h) {
  const CRoom *room = Room_Current();
  w = room != nullptr ? room->r_width : 0;
  h = room != nullptr ? room->r_height : 0;
}

#define ROUTINE(name) \
  void name([[maybe_unused]] CInstance *self, CInstance *, int, [[maybe_unused]] RValue *a, [[maybe_unused]] RValue &result)

// --- sprites -------------------------------------------------------------------

ROUTINE(F_DrawSelf) {
  if (self == nullptr) return;
  if (Sprite_Get(self->i_spriteindex) == nullptr) {
    ReportActionError("Trying to draw non-existing sprite.", false);
    return;
  }
  const CSprite &s = *Sprite_Get(self->i_spriteindex);
  GR_Quad_Transformed(s.GetTexture(static_cast<int64_t>(std::floor(self->i_imageindex))), self->i_x, self->i_y,
                      s.i_xorig, s.i_yorig, self->i_imagescalex, self->i_imagescaley, self->i_imageangle,
                      self->i_imageblend, self->i_imagealpha);
}

ROUTINE(F_DrawSprite) {
  if (const CSprite *s = DrawnSprite(a[0])) GR_Quad_Simple(Texture(*s, self, a[1]), Num(a[2]), Num(a[3]), s->i_xorig, s->i_yorig);
}
ROUTINE(F_DrawSpriteExt) {
  if (const CSprite *s = DrawnSprite(a[0]))
    GR_Quad_Transformed(Texture(*s, self, a[1]), Num(a[2]), Num(a[3]), s->i_xorig, s->i_yorig, Num(a[4]), Num(a[5]),
                        Num(a[6]), Colour(a[7]), Num(a[8]));
}

void Stretched(int32_t tex, int32_t iw, int32_t ih, double x, double y, double w, double h, uint32_t colour,
               double alpha) {
  if (!(w > 0 && h > 0) || iw <= 0 || ih <= 0) return;
  GR_Quad_Transformed(tex, x, y, 0, 0, w / iw, h / ih, 0, colour, alpha);
}
// The image size of a sprite's frames (nothing without frames).
void FrameSize(const CSprite &s, int32_t &w, int32_t &h) {
  w = s.i_bitmap.empty() ? 0 : s.i_bitmap[0].Width();
  h = s.i_bitmap.empty() ? 0 : s.i_bitmap[0].Height();
}
ROUTINE(F_DrawSpriteStretched) {
  if (const CSprite *s = DrawnSprite(a[0])) {
    int32_t w = 0, h = 0;
    FrameSize(*s, w, h);
    Stretched(Texture(*s, self, a[1]), w, h, Num(a[2]), Num(a[3]), Num(a[4]), Num(a[5]), kWhite, 1);
  }
}
ROUTINE(F_DrawSpriteStretchedExt) {
  if (const CSprite *s = DrawnSprite(a[0])) {
    int32_t w = 0, h = 0;
    FrameSize(*s, w, h);
    Stretched(Texture(*s, self, a[1]), w, h, Num(a[2]), Num(a[3]), Num(a[4]), Num(a[5]), Colour(a[6]), Num(a[7]));
  }
}
ROUTINE(F_DrawSpritePart) {
  if (const CSprite *s = DrawnSprite(a[0]))
    GR_Quad_Part(Texture(*s, self, a[1]), Num(a[2]), Num(a[3]), Num(a[4]), Num(a[5]), Num(a[6]), Num(a[7]), 1, 1, 0,
                 kWhite, kWhite, kWhite, kWhite, 1);
}
ROUTINE(F_DrawSpritePartExt) {
  if (const CSprite *s = DrawnSprite(a[0])) {
    const uint32_t c = Colour(a[10]);
    GR_Quad_Part(Texture(*s, self, a[1]), Num(a[2]), Num(a[3]), Num(a[4]), Num(a[5]), Num(a[6]), Num(a[7]), Num(a[8]),
                 Num(a[9]), 0, c, c, c, c, Num(a[11]));
  }
}
ROUTINE(F_DrawSpriteGeneral) {
  if (const CSprite *s = DrawnSprite(a[0]))
    GR_Quad_Part(Texture(*s, self, a[1]), Num(a[2]), Num(a[3]), Num(a[4]), Num(a[5]), Num(a[6]), Num(a[7]), Num(a[8]),
                 Num(a[9]), Num(a[10]), Colour(a[11]), Colour(a[12]), Colour(a[13]), Colour(a[14]), Num(a[15]));
}
ROUTINE(F_DrawSpritePos) {
  if (const CSprite *s = DrawnSprite(a[0]))
    GR_Quad_Free(Texture(*s, self, a[1]), Num(a[2]), Num(a[3]), Num(a[4]), Num(a[5]), Num(a[6]), Num(a[7]), Num(a[8]),
                 Num(a[9]), Num(a[10]));
}
ROUTINE(F_DrawSpriteTiled) {
  if (const CSprite *s = DrawnSprite(a[0])) {
    double w = 0, h = 0;
    RoomSize(w, h);
    GR_Quad_Tiled(Texture(*s, self, a[1]), Num(a[2]), Num(a[3]), s->i_xorig, s->i_yorig, 0, 0, w, h, true, true, 1, 1,
                  kWhite, 1);
  }
}
ROUTINE(F_DrawSpriteTiledExt) {
  if (const CSprite *s = DrawnSprite(a[0])) {
    double w = 0, h = 0;
    RoomSize(w, h);
    GR_Quad_Tiled(Texture(*s, self, a[1]), Num(a[2]), Num(a[3]), s->i_xorig, s->i_yorig, 0, 0, w, h, true, true,
                  Num(a[4]), Num(a[5]), Colour(a[6]), Num(a[7]));
  }
}

// --- backgrounds ---------------------------------------------------------------

ROUTINE(F_DrawBackground) {
  if (const CBackground *b = DrawnBackground(a[0])) GR_Quad_Simple(b->i_tex, Num(a[1]), Num(a[2]), 0, 0);
}
ROUTINE(F_DrawBackgroundExt) {
  if (const CBackground *b = DrawnBackground(a[0]))
    GR_Quad_Transformed(b->i_tex, Num(a[1]), Num(a[2]), 0, 0, Num(a[3]), Num(a[4]), Num(a[5]), Colour(a[6]), Num(a[7]));
}
ROUTINE(F_DrawBackgroundStretched) {
  if (const CBackground *b = DrawnBackground(a[0]))
    Stretched(b->i_tex, b->GetWidth(), b->GetHeight(), Num(a[1]), Num(a[2]), Num(a[3]), Num(a[4]), kWhite, 1);
}
ROUTINE(F_DrawBackgroundStretchedExt) {
  if (const CBackground *b = DrawnBackground(a[0]))
    Stretched(b->i_tex, b->GetWidth(), b->GetHeight(), Num(a[1]), Num(a[2]), Num(a[3]), Num(a[4]), Colour(a[5]),
              Num(a[6]));
}
ROUTINE(F_DrawBackgroundPart) {
  if (const CBackground *b = DrawnBackground(a[0]))
    GR_Quad_Part(b->i_tex, Num(a[1]), Num(a[2]), Num(a[3]), Num(a[4]), Num(a[5]), Num(a[6]), 1, 1, 0, kWhite, kWhite,
                 kWhite, kWhite, 1);
}
ROUTINE(F_DrawBackgroundPartExt) {
  if (const CBackground *b = DrawnBackground(a[0])) {
    const uint32_t c = Colour(a[9]);
    GR_Quad_Part(b->i_tex, Num(a[1]), Num(a[2]), Num(a[3]), Num(a[4]), Num(a[5]), Num(a[6]), Num(a[7]), Num(a[8]), 0, c,
                 c, c, c, Num(a[10]));
  }
}
ROUTINE(F_DrawBackgroundGeneral) {
  if (const CBackground *b = DrawnBackground(a[0]))
    GR_Quad_Part(b->i_tex, Num(a[1]), Num(a[2]), Num(a[3]), Num(a[4]), Num(a[5]), Num(a[6]), Num(a[7]), Num(a[8]),
                 Num(a[9]), Colour(a[10]), Colour(a[11]), Colour(a[12]), Colour(a[13]), Num(a[14]));
}
ROUTINE(F_DrawBackgroundTiled) {
  if (const CBackground *b = DrawnBackground(a[0])) {
    double w = 0, h = 0;
    RoomSize(w, h);
    GR_Quad_Tiled(b->i_tex, Num(a[1]), Num(a[2]), 0, 0, 0, 0, w, h, true, true, 1, 1, kWhite, 1);
  }
}
ROUTINE(F_DrawBackgroundTiledExt) {
  if (const CBackground *b = DrawnBackground(a[0])) {
    double w = 0, h = 0;
    RoomSize(w, h);
    GR_Quad_Tiled(b->i_tex, Num(a[1]), Num(a[2]), 0, 0, 0, 0, w, h, true, true, Num(a[3]), Num(a[4]), Colour(a[5]),
                  Num(a[6]));
  }
}

// --- textures ------------------------------------------------------------------

ROUTINE(F_SpriteGetTexture) {
  result.SetReal(-1);
  const CSprite *s = Sprite_Get(Int(a[0]));
  if (s == nullptr) {
    ReportActionError("Trying to get texture from non-existing sprite.", false);
    return;
  }
  result.SetReal(Texture(*s, self, a[1]));
}
ROUTINE(F_BackgroundGetTexture) {
  result.SetReal(-1);
  const CBackground *b = Background_Get(Int(a[0]));
  if (b == nullptr) {
    ReportActionError("Trying to get texture from non-existing background.", false);
    return;
  }
  result.SetReal(b->i_tex);
}

}  // namespace

int64_t Sprite_ScriptFrame(const CInstance *self, double subimg) {
  const double n = subimg == -1 && self != nullptr ? self->i_imageindex : subimg;
  if (!(std::fabs(n) < 9e15)) return 0;
  return static_cast<int64_t>(std::floor(n));
}

bool Sprite_DrawPlain(int32_t sprite, int64_t frame, double x, double y) {
  const CSprite *s = Sprite_Get(sprite);
  if (s == nullptr) return false;
  GR_Quad_Simple(s->GetTexture(frame), x, y, s->i_xorig, s->i_yorig);
  return true;
}

void Sprite_DrawInstance(const CInstance &inst) {
  const CSprite *s = Sprite_Get(inst.i_spriteindex);
  if (s == nullptr) return;
  const double image = std::fabs(inst.i_imageindex) < 9e15 ? std::floor(inst.i_imageindex) : 0;
  const int32_t tex = s->GetTexture(static_cast<int64_t>(image));
  if (inst.i_imagescalex == 1 && inst.i_imagescaley == 1 && inst.i_imageangle == 0 &&
      (inst.i_imageblend & 0xFFFFFFu) == kWhite && inst.i_imagealpha == 1)
    GR_Quad_Simple(tex, inst.i_x, inst.i_y, s->i_xorig, s->i_yorig);
  else
    GR_Quad_Transformed(tex, inst.i_x, inst.i_y, s->i_xorig, s->i_yorig, inst.i_imagescalex, inst.i_imagescaley,
                        inst.i_imageangle, inst.i_imageblend, inst.i_imagealpha);
}

void Background_DrawLayer(const CBack &layer, double left, double top, double width, double height) {
  const CBackground *b = Background_Get(layer.index);
  if (b == nullptr) return;
  GR_Quad_Tiled(b->i_tex, layer.x, layer.y, 0, 0, left, top, width, height, layer.htiled, layer.vtiled, layer.xscale,
                layer.yscale, static_cast<uint32_t>(layer.blend) & 0xFFFFFFu, layer.alpha);
}

void Tile_Draw(const RTile &tile, double left, double top, double right, double bottom) {
  const CBackground *b = Background_Get(tile.index);
  if (b == nullptr) return;
  const double x2 = tile.x + tile.w * tile.xscale, y2 = tile.y + tile.h * tile.yscale;
  if (std::min(tile.x, x2) >= right || std::max(tile.x, x2) <= left || std::min(tile.y, y2) >= bottom ||
      std::max(tile.y, y2) <= top)
    return;
  const uint32_t c = static_cast<uint32_t>(tile.blend) & 0xFFFFFFu;
  GR_Quad_Part(b->i_tex, tile.xo, tile.yo, tile.w, tile.h, tile.x, tile.y, tile.xscale, tile.yscale, 0, c, c, c, c,
               tile.alpha);
}

void Sprite_Draw_Init() {
  FunctionAdd("draw_self", F_DrawSelf, 0);
  FunctionAdd("draw_sprite", F_DrawSprite, 4);
  FunctionAdd("draw_sprite_ext", F_DrawSpriteExt, 9);
  FunctionAdd("draw_sprite_stretched", F_DrawSpriteStretched, 6);
  FunctionAdd("draw_sprite_stretched_ext", F_DrawSpriteStretchedExt, 8);
  FunctionAdd("draw_sprite_part", F_DrawSpritePart, 8);
  FunctionAdd("draw_sprite_part_ext", F_DrawSpritePartExt, 12);
  FunctionAdd("draw_sprite_general", F_DrawSpriteGeneral, 16);
  FunctionAdd("draw_sprite_pos", F_DrawSpritePos, 11);
  FunctionAdd("draw_sprite_tiled", F_DrawSpriteTiled, 4);
  FunctionAdd("draw_sprite_tiled_ext", F_DrawSpriteTiledExt, 8);
  FunctionAdd("draw_background", F_DrawBackground, 3);
  FunctionAdd("draw_background_ext", F_DrawBackgroundExt, 8);
  FunctionAdd("draw_background_stretched", F_DrawBackgroundStretched, 5);
  FunctionAdd("draw_background_stretched_ext", F_DrawBackgroundStretchedExt, 7);
  FunctionAdd("draw_background_part", F_DrawBackgroundPart, 7);
  FunctionAdd("draw_background_part_ext", F_DrawBackgroundPartExt, 11);
  FunctionAdd("draw_background_general", F_DrawBackgroundGeneral, 15);
  FunctionAdd("draw_background_tiled", F_DrawBackgroundTiled, 3);
  FunctionAdd("draw_background_tiled_ext", F_DrawBackgroundTiledExt, 7);
  FunctionAdd("sprite_get_texture", F_SpriteGetTexture, 2);
  FunctionAdd("background_get_texture", F_BackgroundGetTexture, 1);
}
