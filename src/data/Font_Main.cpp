#include "data/Font_Main.h"

#include "base/Support_Stream.h"
#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "data/Sprite_Main.h"

RFontList g_Fonts;

namespace {

constexpr int32_t kSectionVersion = 800;

int Slot(int64_t index) { return index >= 0 && index < g_Fonts.Count() ? static_cast<int>(index) : -1; }

}  // namespace

bool Font_Load(CStream &stream) {
  g_Fonts.Clear();
  if (stream.ReadInteger() != kSectionVersion) return false;
  return LoadNamedItems(stream, g_Fonts);
}

void Font_SaveSection(CStream &stream, const RFontList &list) {
  stream.WriteInteger(kSectionVersion);
  SaveNamedItems(stream, list);
}

bool Font_Exists(int64_t index) { return g_Fonts.Exists(Slot(index)); }
CFont *Font_Get(int64_t index) { return g_Fonts.Get(Slot(index)); }
const std::string &Font_Name(int64_t index) { return g_Fonts.Name(Slot(index)); }
int32_t Font_Find(std::string_view name) { return g_Fonts.Find(name); }

void Font_InitTextures() {
  for (auto &f : g_Fonts.items)
    if (f) f->InitTexture();
}

int32_t Font_AddEmpty() {
  const int32_t index = g_Fonts.Count();
  return g_Fonts.Append(std::make_unique<CFont>(), "__newfont" + std::to_string(index));
}

namespace {

using fnarg::Bool;
using fnarg::Int;

void Error(const char *message) { ReportActionError(message, false); }

void F_FontExists(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(Font_Exists(Int(args[0])) ? 1 : 0);
}

void F_FontGetName(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetString(RString(Font_Name(Int(args[0]))));
}

void F_FontGetFontName(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const CFont *f = Font_Get(Int(args[0]));
  result.SetString(RString(f ? f->s_name : std::string()));
}

// A field of an existing font; -1 for any other index.
template <int32_t (*Field)(const CFont &)>
void F_FontQuery(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const CFont *f = Font_Get(Int(args[0]));
  result.SetReal(f ? Field(*f) : -1);
}
int32_t Size(const CFont &f) { return f.s_size; }
int32_t Bold(const CFont &f) { return f.s_bold ? 1 : 0; }
int32_t Italic(const CFont &f) { return f.s_italic ? 1 : 0; }
int32_t First(const CFont &f) { return f.s_first; }
int32_t Last(const CFont &f) { return f.s_last; }

void F_FontAdd(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const int32_t index = Font_AddEmpty();
  g_Fonts.Get(index)->CreateFont(std::string(fnarg::Text(args[0])), fnarg::Clamped(args[1]), Bool(args[2]),
                                 Bool(args[3]), fnarg::Clamped(args[4]), fnarg::Clamped(args[5]));
  result.SetReal(index);
}

void F_FontAddSprite(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const int32_t sprite = Int(args[0]);
  const CSprite *s = Sprite_Get(sprite);
  if (s == nullptr) {
    Error("Trying to create font from non-existing sprite.");
    return;
  }
  const int32_t index = Font_AddEmpty();
  g_Fonts.Get(index)->CreateFromSprite(sprite, *s, fnarg::Clamped(args[1]), Bool(args[2]), fnarg::Clamped(args[3]));
  result.SetReal(index);
}

void F_FontReplace(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  CFont *f = Font_Get(Int(args[0]));
  if (f == nullptr) {
    Error("Trying to replace non-existing font.");
    return;
  }
  f->CreateFont(std::string(fnarg::Text(args[1])), fnarg::Clamped(args[2]), Bool(args[3]), Bool(args[4]),
                fnarg::Clamped(args[5]), fnarg::Clamped(args[6]));
  result.SetReal(1);
}

void F_FontReplaceSprite(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  CFont *f = Font_Get(Int(args[0]));
  if (f == nullptr) {
    Error("Trying to replace non-existing font.");
    return;
  }
  const int32_t sprite = Int(args[1]);
  const CSprite *s = Sprite_Get(sprite);
  if (s == nullptr) {
    Error("Trying to replace font from non-existing sprite.");
    return;
  }
  f->CreateFromSprite(sprite, *s, fnarg::Clamped(args[2]), Bool(args[3]), fnarg::Clamped(args[4]));
  result.SetReal(1);
}

void F_FontDelete(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const int32_t index = Int(args[0]);
  if (!Font_Exists(index)) {
    Error("Trying to delete non-existing font.");
    return;
  }
  g_Fonts.Delete(index);
}

}  // namespace

void Font_RegisterFunctions() {
  FunctionAdd("font_exists", F_FontExists, 1);
  FunctionAdd("font_name", F_FontGetName, 1);
  FunctionAdd("font_get_name", F_FontGetName, 1);
  FunctionAdd("font_get_fontname", F_FontGetFontName, 1);
  FunctionAdd("font_get_size", F_FontQuery<Size>, 1);
  FunctionAdd("font_get_bold", F_FontQuery<Bold>, 1);
  FunctionAdd("font_get_italic", F_FontQuery<Italic>, 1);
  FunctionAdd("font_get_first", F_FontQuery<First>, 1);
  FunctionAdd("font_get_last", F_FontQuery<Last>, 1);
  FunctionAdd("font_add", F_FontAdd, 6);
  FunctionAdd("font_add_sprite", F_FontAddSprite, 4);
  FunctionAdd("font_replace", F_FontReplace, 7);
  FunctionAdd("font_replace_sprite", F_FontReplaceSprite, 5);
  FunctionAdd("font_delete", F_FontDelete, 1);
}
