#include "data/Background_Main.h"

#include "code/Code_Constant.h"
#include "base/Support_Stream.h"

RBackgroundList g_Backgrounds;

namespace {

constexpr int32_t kSectionVersion = 800;

int Slot(int64_t index) { return index >= 0 && index < g_Backgrounds.Count() ? static_cast<int>(index) : -1; }

template <class Fill>
int32_t AddWith(Fill fill) {
  const int32_t index = Background_AddEmpty();
  if (fill(*g_Backgrounds.Get(index))) return index;
  g_Backgrounds.DropLast();
  return -1;
}

}  // namespace

bool Background_Load(CStream &stream) {
  g_Backgrounds.Clear();
  if (stream.ReadInteger() != kSectionVersion) return false;
  return LoadNamedItems(stream, g_Backgrounds);
}

void Background_SaveSection(CStream &stream, const RBackgroundList &list) {
  stream.WriteInteger(kSectionVersion);
  SaveNamedItems(stream, list);
}

bool Background_Exists(int64_t index) { return g_Backgrounds.Exists(Slot(index)); }
CBackground *Background_Get(int64_t index) { return g_Backgrounds.Get(Slot(index)); }
const std::string &Background_Name(int64_t index) { return g_Backgrounds.Name(Slot(index)); }

void Background_InstallLookups() {
  ConstantSetFinder(TConstantSource::Background,
                    [](std::string_view name) -> int32_t { return g_Backgrounds.Find(name); });
}

void Background_InitTextures() {
  for (auto &b : g_Backgrounds.items)
    if (b) b->InitTexture();
}

int32_t Background_AddEmpty() {
  const int32_t index = g_Backgrounds.Count();
  return g_Backgrounds.Append(std::make_unique<CBackground>(), "__newbackground" + std::to_string(index));
}

int32_t Background_Add(const std::string &path, bool removeback, bool smooth) {
  return AddWith([&](CBackground &b) { return b.LoadFromFile(path, removeback, smooth); });
}

int32_t Background_AddBackground(const std::string &path) {
  return AddWith([&](CBackground &b) { return b.LoadFromBackgroundFile(path); });
}

int32_t Background_Duplicate(int64_t index) {
  const CBackground *source = Background_Get(index);
  if (!source) return -1;
  const int32_t added = Background_AddEmpty();
  g_Backgrounds.Get(added)->Assign(*source);
  return added;
}

bool Background_Assign(int64_t index, int64_t source) {
  const CBackground *src = Background_Get(source);
  const int slot = Slot(index);
  if (!src || slot < 0) return false;
  auto &entry = g_Backgrounds.items[static_cast<size_t>(slot)];
  if (!entry) entry = std::make_unique<CBackground>();
  entry->Assign(*src);
  return true;
}
