#include "graphics/Sprite_Grab.h"

#include <cmath>
#include <memory>

#include "base/BM32_Bitmap.h"
#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "data/Background_Main.h"
#include "data/Sprite_Main.h"
#include "graphics/Graphics_D3D.h"

namespace {

#define ROUTINE(name) void name(CInstance *, CInstance *, int, RValue *args, RValue &result)

using fnarg::Clamped;
using fnarg::Int;
using fnarg::Num;

// The rectangle of a surface as a picture, or none. No surface can be
// made yet, so every id names none and nothing is found, as for an
// invalid id.
std::unique_ptr<TBitmap32> GrabSurface(int32_t, int32_t, int32_t, int32_t, int32_t) { return nullptr; }

std::unique_ptr<TBitmap32> GrabScreen(const RValue *rect) {
  return GR_D3D_Grab_Region(Clamped(rect[0]), Clamped(rect[1]), Clamped(rect[2]), Clamped(rect[3]));
}

// The removeback mode of a new sprite: the number cut toward zero.
int32_t Mode(const RValue &v) {
  const double d = std::trunc(Num(v));
  return d > -2147483648.0 && d < 2147483648.0 ? static_cast<int32_t>(d) : 0;
}
// Sprites take their flags as true only above one half.
bool Above(const RValue &v) { return Num(v) > 0.5; }

int32_t NewSprite(const TBitmap32 *picture, const RValue *args) {
  const int32_t index = Sprite_AddEmpty();
  Sprite_Get(index)->CreateFromBitmap(picture, Mode(args[0]), Above(args[1]), Int(args[2]), Int(args[3]));
  return index;
}

// The sprite a frame is added to, reporting it when there is none.
CSprite *Target(const RValue &sprite) {
  CSprite *s = Sprite_Get(Int(sprite));
  if (!s) ReportActionError("Trying to add to non-existing sprite.", false);
  return s;
}

// A grab that found nothing adds no frame.
void AddFrame(CSprite &sprite, const TBitmap32 *picture, const RValue *flags) {
  if (picture) sprite.AddFromBitmap(*picture, Above(flags[0]), Above(flags[1]));
}

int32_t NewBackground(const TBitmap32 *picture, const RValue *flags) {
  const int32_t index = Background_AddEmpty();
  Background_Get(index)->CreateFromBitmap(picture, fnarg::Bool(flags[0]), fnarg::Bool(flags[1]));
  return index;
}

// x, y, w, h, removeback, smooth, xorig, yorig
ROUTINE(F_SpriteCreateFromScreen) { result.SetReal(NewSprite(GrabScreen(args).get(), args + 4)); }
// ind, x, y, w, h, removeback, smooth
ROUTINE(F_SpriteAddFromScreen) {
  if (CSprite *s = Target(args[0])) AddFrame(*s, GrabScreen(args + 1).get(), args + 5);
}
// x, y, w, h, removeback, smooth
ROUTINE(F_BackgroundCreateFromScreen) { result.SetReal(NewBackground(GrabScreen(args).get(), args + 4)); }

std::unique_ptr<TBitmap32> Surface(const RValue *args) {
  return GrabSurface(Int(args[0]), Clamped(args[1]), Clamped(args[2]), Clamped(args[3]), Clamped(args[4]));
}
// id, x, y, w, h, removeback, smooth, xorig, yorig
ROUTINE(F_SpriteCreateFromSurface) { result.SetReal(NewSprite(Surface(args).get(), args + 5)); }
// ind, id, x, y, w, h, removeback, smooth
ROUTINE(F_SpriteAddFromSurface) {
  if (CSprite *s = Target(args[0])) AddFrame(*s, Surface(args + 1).get(), args + 6);
}
// id, x, y, w, h, removeback, smooth
ROUTINE(F_BackgroundCreateFromSurface) { result.SetReal(NewBackground(Surface(args).get(), args + 5)); }

}  // namespace

void Sprite_Grab_Init() {
  FunctionAdd("sprite_create_from_screen", F_SpriteCreateFromScreen, 8);
  FunctionAdd("sprite_add_from_screen", F_SpriteAddFromScreen, 7);
  FunctionAdd("sprite_create_from_surface", F_SpriteCreateFromSurface, 9);
  FunctionAdd("sprite_add_from_surface", F_SpriteAddFromSurface, 8);
  FunctionAdd("background_create_from_screen", F_BackgroundCreateFromScreen, 6);
  FunctionAdd("background_create_from_surface", F_BackgroundCreateFromSurface, 7);
}
