#include "functions/Function_Resource.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <exception>
#include <string>
#include <vector>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Code_Operator.h"
#include "code/Function_Args.h"
#include "data/Background_Main.h"
#include "data/Font_Main.h"
#include "data/Sprite_Main.h"
#include "base/BM32_PNG.h"
#include "base/Support_Path.h"
#include "base/Support_Stream.h"

namespace {

using fnarg::Bool;
using fnarg::Int;

std::string Path(const RValue &v) { return TranslatePath(fnarg::Text(v)); }
void Error(const char *message) { ReportActionError(message, false); }

bool EndsWithPng(std::string_view name) {
  if (name.size() < 4) return false;
  std::string ext(name.substr(name.size() - 4));
  for (char &c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".png";
}

// Writes a picture as a PNG file (alpha kept) or, for any other name, as a
// BMP file. The file is written whole or not at all; a failed write is not
// the game's concern and is not reported.
void SavePicture(std::string_view name, const TBitmap32 &picture, bool png) {
  if (picture.Empty()) return;
  const std::vector<uint8_t> bytes = png ? EncodePng(picture) : picture.SaveToBMP();
  if (bytes.empty()) return;
  try {
    CStream stream;
    stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SaveToFile(TranslatePath(name));
  } catch (const std::exception &) {
  }
}

// --- sprites: asking -------------------------------------------------------

void F_SpriteExists(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(Sprite_Exists(Int(args[0])) ? 1 : 0);
}

void F_SpriteGetName(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetString(RString(Sprite_Name(Int(args[0]))));
}

// The number a query answers for an existing sprite; -1 for any other index.
template <int32_t (*Field)(const CSprite &)>
void F_SpriteQuery(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const CSprite *s = Sprite_Get(Int(args[0]));
  result.SetReal(s ? Field(*s) : -1);
}
int32_t Number(const CSprite &s) { return s.i_numb; }
int32_t Width(const CSprite &s) { return s.GetWidth(); }
int32_t Height(const CSprite &s) { return s.GetHeight(); }
int32_t XOffset(const CSprite &s) { return s.i_xorig; }
int32_t YOffset(const CSprite &s) { return s.i_yorig; }
int32_t BoxLeft(const CSprite &s) { return s.i_bbox.left; }
int32_t BoxRight(const CSprite &s) { return s.i_bbox.right; }
int32_t BoxTop(const CSprite &s) { return s.i_bbox.top; }
int32_t BoxBottom(const CSprite &s) { return s.i_bbox.bottom; }

// --- sprites: changing -----------------------------------------------------

void F_SpriteSetOffset(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CSprite *s = Sprite_Get(Int(args[0]))) {
    s->i_xorig = Int(args[1]);
    s->i_yorig = Int(args[2]);
  }
}

void F_SpriteSetAlphaFromSprite(CInstance *, CInstance *, int, RValue *args, RValue &) {
  CSprite *dst = Sprite_Get(Int(args[0]));
  const CSprite *src = Sprite_Get(Int(args[1]));
  if (dst && src) dst->SetAlphaFromSprite(*src);
}

void F_SpriteCollisionMask(CInstance *, CInstance *, int, RValue *args, RValue &) {
  CSprite *s = Sprite_Get(Int(args[0]));
  if (!s) {
    Error("Trying to set collision mode for non-existing sprite.");
    return;
  }
  const RRect box{Int(args[3]), Int(args[4]), Int(args[5]), Int(args[6])};
  s->ComputeMask(Bool(args[1]), Int(args[2]), Int(args[8]), Int(args[7]), box);
}

void F_SpriteAdd(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(
      Sprite_Add(Path(args[0]), Int(args[1]), Bool(args[2]), Bool(args[3]), Int(args[4]), Int(args[5])));
}

void F_SpriteReplace(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  CSprite *s = Sprite_Get(Int(args[0]));
  if (!s) {
    Error("Trying to replace non-existing sprite.");
    return;
  }
  result.SetReal(
      s->LoadFromFile(Path(args[1]), Int(args[2]), Bool(args[3]), Bool(args[4]), Int(args[5]), Int(args[6])) ? 1 : 0);
}

void F_SpriteAddSprite(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(Sprite_AddSprite(Path(args[0])));
}

void F_SpriteReplaceSprite(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  CSprite *s = Sprite_Get(Int(args[0]));
  if (!s) {
    Error("Trying to replace non-existing sprite.");
    return;
  }
  result.SetReal(s->LoadFromSpriteFile(Path(args[1])) ? 1 : 0);
}

void F_SpriteDelete(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const int32_t index = Int(args[0]);
  if (!Sprite_Exists(index)) {
    Error("Trying to delete non-existing sprite.");
    return;
  }
  g_Sprites.Delete(index);
  result.SetReal(1);
}

void F_SpriteDuplicate(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const int32_t index = Int(args[0]);
  if (!Sprite_Exists(index)) {
    Error("Trying to duplicate non-existing sprite.");
    result.SetReal(-1);
    return;
  }
  result.SetReal(Sprite_Duplicate(index));
}

void F_SpriteAssign(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (!Sprite_Assign(Int(args[0]), Int(args[1]))) Error("Error assigning a sprite.");
}

void F_SpriteMerge(CInstance *, CInstance *, int, RValue *args, RValue &) {
  CSprite *dst = Sprite_Get(Int(args[0]));
  if (!dst) {
    Error("Trying to merge to non-existing sprite.");
    return;
  }
  const CSprite *src = Sprite_Get(Int(args[1]));
  if (!src) {
    Error("Trying to merge from non-existing sprite.");
    return;
  }
  dst->AddFromSprite(*src);
}

void F_SpriteSave(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const CSprite *s = Sprite_Get(Int(args[0]));
  if (!s) {
    Error("Trying to save non-existing sprite bitmap.");
    return;
  }
  const std::string_view name = fnarg::Text(args[2]);
  if (name.empty()) {
    Error("Trying to save sprite bitmap to empty image file name.");
    return;
  }
  // Only an existing frame is written: the number does not wrap here.
  const int32_t frame = Int(args[1]);
  if (frame < 0 || frame >= s->i_numb) return;
  SavePicture(name, s->i_bitmap[static_cast<size_t>(frame)], EndsWithPng(name));
}

// All frames side by side, frame i at x = i * width, always as PNG.
void F_SpriteSaveStrip(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const CSprite *s = Sprite_Get(Int(args[0]));
  if (!s) {
    Error("Trying to save non-existing sprite bitmap.");
    return;
  }
  const std::string_view name = fnarg::Text(args[1]);
  if (name.empty()) {
    Error("Trying to save sprite bitmap to empty image file name.");
    return;
  }
  const int64_t w = s->GetWidth(), h = s->GetHeight();
  if (s->i_numb <= 0 || !TBitmap32::SizeAllowed(w * s->i_numb, h)) return;
  TBitmap32 strip(static_cast<int>(w * s->i_numb), static_cast<int>(h));
  for (int32_t i = 0; i < s->i_numb; ++i) {
    const TBitmap32 &frame = s->i_bitmap[static_cast<size_t>(i)];
    for (int y = 0; y < std::min<int64_t>(frame.Height(), h); ++y)
      for (int x = 0; x < std::min<int64_t>(frame.Width(), w); ++x)
        strip.SetPixel(static_cast<int>(i * w + x), y, frame.Pixel(x, y));
  }
  SavePicture(name, strip, true);
}

// Sprites are never evicted from a cache here, so the cache size means nothing.
void F_SpriteSetCacheSize(CInstance *, CInstance *, int, RValue *, RValue &) {}

// --- backgrounds ------------------------------------------------------------

void F_BackgroundExists(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(Background_Exists(Int(args[0])) ? 1 : 0);
}

void F_BackgroundGetName(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetString(RString(Background_Name(Int(args[0]))));
}

void F_BackgroundGetWidth(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const CBackground *b = Background_Get(Int(args[0]));
  result.SetReal(b ? b->GetWidth() : -1);
}

void F_BackgroundGetHeight(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const CBackground *b = Background_Get(Int(args[0]));
  result.SetReal(b ? b->GetHeight() : -1);
}

void F_BackgroundSetAlphaFromBackground(CInstance *, CInstance *, int, RValue *args, RValue &) {
  CBackground *dst = Background_Get(Int(args[0]));
  const CBackground *src = Background_Get(Int(args[1]));
  if (dst && src) dst->SetAlphaFromBackground(*src);
}

void F_BackgroundCreateColor(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  int32_t w = Int(args[0]), h = Int(args[1]);
  // A size no picture may have gives a background without a picture rather
  // than an allocation that cannot succeed.
  if (!TBitmap32::SizeAllowed(w, h)) w = h = 0;
  const int32_t index = Background_AddEmpty();
  Background_Get(index)->CreateColor(w, h, Int(args[2]));
  result.SetReal(index);
}

void F_BackgroundCreateGradient(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const int32_t w = std::max(Int(args[0]), 1), h = std::max(Int(args[1]), 1);
  const int32_t index = Background_AddEmpty();
  // As with a plain colour, a size no picture may have gives no picture.
  if (TBitmap32::SizeAllowed(w, h))
    Background_Get(index)->CreateGradient(w, h, Int(args[2]), Int(args[3]), Int(args[4]));
  result.SetReal(index);
}

void F_BackgroundSave(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const CBackground *b = Background_Get(Int(args[0]));
  if (!b) {
    Error("Trying to save non-existing background bitmap.");
    return;
  }
  const std::string_view name = fnarg::Text(args[1]);
  if (name.empty()) {
    Error("Trying to save background bitmap to empty image file name.");
    return;
  }
  SavePicture(name, b->i_bitmap, EndsWithPng(name));
}

void F_BackgroundAdd(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(Background_Add(Path(args[0]), Bool(args[1]), Bool(args[2])));
}

void F_BackgroundReplace(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  CBackground *b = Background_Get(Int(args[0]));
  if (!b) {
    Error("Trying to replace non-existing background.");
    return;
  }
  result.SetReal(b->LoadFromFile(Path(args[1]), Bool(args[2]), Bool(args[3])) ? 1 : 0);
}

void F_BackgroundAddBackground(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(Background_AddBackground(Path(args[0])));
}

void F_BackgroundReplaceBackground(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  CBackground *b = Background_Get(Int(args[0]));
  if (!b) {
    Error("Trying to replace non-existing background.");
    return;
  }
  result.SetReal(b->LoadFromBackgroundFile(Path(args[1])) ? 1 : 0);
}

void F_BackgroundDelete(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const int32_t index = Int(args[0]);
  if (!Background_Exists(index)) {
    Error("Trying to delete non-existing background.");
    return;
  }
  g_Backgrounds.Delete(index);
  result.SetReal(1);
}

void F_BackgroundDuplicate(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const int32_t index = Int(args[0]);
  if (!Background_Exists(index)) {
    Error("Trying to duplicate non-existing background.");
    result.SetReal(-1);
    return;
  }
  result.SetReal(Background_Duplicate(index));
}

void F_BackgroundAssign(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (!Background_Assign(Int(args[0]), Int(args[1]))) Error("Error assigning a background.");
}

}  // namespace

void Function_Resource_Init() {
  Sprite_InstallLookups();
  Background_InstallLookups();

  FunctionAdd("sprite_exists", F_SpriteExists, 1);
  FunctionAdd("sprite_name", F_SpriteGetName, 1);
  FunctionAdd("sprite_get_name", F_SpriteGetName, 1);
  FunctionAdd("sprite_get_number", F_SpriteQuery<Number>, 1);
  FunctionAdd("sprite_get_width", F_SpriteQuery<Width>, 1);
  FunctionAdd("sprite_get_height", F_SpriteQuery<Height>, 1);
  FunctionAdd("sprite_get_xoffset", F_SpriteQuery<XOffset>, 1);
  FunctionAdd("sprite_get_yoffset", F_SpriteQuery<YOffset>, 1);
  FunctionAdd("sprite_get_bbox_left", F_SpriteQuery<BoxLeft>, 1);
  FunctionAdd("sprite_get_bbox_right", F_SpriteQuery<BoxRight>, 1);
  FunctionAdd("sprite_get_bbox_top", F_SpriteQuery<BoxTop>, 1);
  FunctionAdd("sprite_get_bbox_bottom", F_SpriteQuery<BoxBottom>, 1);
  FunctionAdd("sprite_set_offset", F_SpriteSetOffset, 3);
  FunctionAdd("sprite_set_alpha_from_sprite", F_SpriteSetAlphaFromSprite, 2);
  FunctionAdd("sprite_add", F_SpriteAdd, 6);
  FunctionAdd("sprite_replace", F_SpriteReplace, 7);
  FunctionAdd("sprite_add_sprite", F_SpriteAddSprite, 1);
  FunctionAdd("sprite_replace_sprite", F_SpriteReplaceSprite, 2);
  FunctionAdd("sprite_delete", F_SpriteDelete, 1);
  FunctionAdd("sprite_duplicate", F_SpriteDuplicate, 1);
  FunctionAdd("sprite_assign", F_SpriteAssign, 2);
  FunctionAdd("sprite_merge", F_SpriteMerge, 2);
  FunctionAdd("sprite_save", F_SpriteSave, 3);
  FunctionAdd("sprite_save_strip", F_SpriteSaveStrip, 2);
  FunctionAdd("sprite_collision_mask", F_SpriteCollisionMask, 9);
  FunctionAdd("sprite_set_cache_size", F_SpriteSetCacheSize, 2);
  FunctionAdd("sprite_set_cache_size_ext", F_SpriteSetCacheSize, 3);

  Font_RegisterFunctions();

  FunctionAdd("background_exists", F_BackgroundExists, 1);
  FunctionAdd("background_name", F_BackgroundGetName, 1);
  FunctionAdd("background_get_name", F_BackgroundGetName, 1);
  FunctionAdd("background_get_width", F_BackgroundGetWidth, 1);
  FunctionAdd("background_get_height", F_BackgroundGetHeight, 1);
  FunctionAdd("background_set_alpha_from_background", F_BackgroundSetAlphaFromBackground, 2);
  FunctionAdd("background_create_color", F_BackgroundCreateColor, 3);
  FunctionAdd("background_create_gradient", F_BackgroundCreateGradient, 5);
  FunctionAdd("background_add", F_BackgroundAdd, 3);
  FunctionAdd("background_replace", F_BackgroundReplace, 4);
  FunctionAdd("background_add_background", F_BackgroundAddBackground, 1);
  FunctionAdd("background_replace_background", F_BackgroundReplaceBackground, 2);
  FunctionAdd("background_delete", F_BackgroundDelete, 1);
  FunctionAdd("background_duplicate", F_BackgroundDuplicate, 1);
  FunctionAdd("background_assign", F_BackgroundAssign, 2);
  FunctionAdd("background_save", F_BackgroundSave, 2);
}
