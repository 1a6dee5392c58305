#include "data/Sprite_Main.h"

#include "code/Code_Constant.h"
#include "base/Support_Stream.h"

RSpriteList g_Sprites;

namespace {

constexpr int32_t kSectionVersion = 800;

int Slot(int64_t index) { return index >= 0 && index < g_Sprites.Count() ? static_cast<int>(index) : -1; }

// Adds an empty entry, lets fill load it, and takes the entry back when that
// fails, so a failed addition leaves the list as it was.
template <class Fill>
int32_t AddWith(Fill fill) {
  const int32_t index = Sprite_AddEmpty();
  if (fill(*g_Sprites.Get(index))) return index;
  g_Sprites.DropLast();
  return -1;
}

}  // namespace

bool Sprite_Load(CStream &stream) {
  g_Sprites.Clear();
  if (stream.ReadInteger() != kSectionVersion) return false;
  return LoadNamedItems(stream, g_Sprites);
}

void Sprite_SaveSection(CStream &stream, const RSpriteList &list) {
  stream.WriteInteger(kSectionVersion);
  SaveNamedItems(stream, list);
}

bool Sprite_Exists(int64_t index) { return g_Sprites.Exists(Slot(index)); }
CSprite *Sprite_Get(int64_t index) { return g_Sprites.Get(Slot(index)); }
const std::string &Sprite_Name(int64_t index) { return g_Sprites.Name(Slot(index)); }

void Sprite_InitTextures() {
  for (auto &s : g_Sprites.items)
    if (s) s->InitTexture();
}

int32_t Sprite_AddEmpty() {
  const int32_t index = g_Sprites.Count();
  return g_Sprites.Append(std::make_unique<CSprite>(), "__newsprite" + std::to_string(index));
}

int32_t Sprite_Add(const std::string &path, int32_t imgnumb, bool removeback, bool smooth, int32_t xorig,
                   int32_t yorig) {
  return AddWith([&](CSprite &s) { return s.LoadFromFile(path, imgnumb, removeback, smooth, xorig, yorig); });
}

int32_t Sprite_AddSprite(const std::string &path) {
  return AddWith([&](CSprite &s) { return s.LoadFromSpriteFile(path); });
}

int32_t Sprite_Duplicate(int64_t index) {
  const CSprite *source = Sprite_Get(index);
  if (!source) return -1;
  const int32_t added = Sprite_AddEmpty();
  g_Sprites.Get(added)->Assign(*source);
  return added;
}

bool Sprite_Assign(int64_t index, int64_t source) {
  const CSprite *src = Sprite_Get(source);
  const int slot = Slot(index);
  if (!src || slot < 0) return false;
  auto &entry = g_Sprites.items[static_cast<size_t>(slot)];
  if (!entry) entry = std::make_unique<CSprite>();
  entry->Assign(*src);
  return true;
}

bool Sprite_Geometry(int32_t sprite, RSpriteGeometry &out) {
  const CSprite *s = Sprite_Get(sprite);
  if (!s) return false;
  out.count = s->i_numb;
  out.width = s->GetWidth();
  out.height = s->GetHeight();
  out.xorigin = s->i_xorig;
  out.yorigin = s->i_yorig;
  out.left = s->i_bbox.left;
  out.top = s->i_bbox.top;
  out.right = s->i_bbox.right;
  out.bottom = s->i_bbox.bottom;
  return true;
}

const TMask *Sprite_Mask(int32_t sprite, int64_t image) {
  const CSprite *s = Sprite_Get(sprite);
  return s ? s->MaskFor(image) : nullptr;
}

void Sprite_InstallLookups() {
  ConstantSetFinder(TConstantSource::Sprite, [](std::string_view name) -> int32_t { return g_Sprites.Find(name); });
}
