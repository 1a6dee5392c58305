#include "world/Object_Main.h"

RObjectList g_Objects;

namespace {
constexpr int32_t kSectionVersion = 800;
}

bool Object_Load(CStream &stream) {
  g_Objects.Clear();
  if (stream.ReadInteger() != kSectionVersion) return false;
  return LoadNamedItems(stream, g_Objects);
}

void Object_SaveSection(CStream &stream, const RObjectList &list) {
  stream.WriteInteger(kSectionVersion);
  SaveNamedItems(stream, list);
}

int ObjectCount() { return g_Objects.Count(); }
bool ObjectExists(int index) { return g_Objects.Exists(index); }
CObject *ObjectGet(int index) { return g_Objects.Get(index); }
const std::string &ObjectName(int index) { return g_Objects.Name(index); }
int ObjectFind(std::string_view name) { return g_Objects.Find(name); }

int ObjectAdd() {
  const int index = g_Objects.Count();
  auto obj = std::make_unique<CObject>();
  obj->Create();
  g_Objects.items.push_back(std::move(obj));
  g_Objects.names.push_back("__newobject" + std::to_string(index));
  return index;
}

void ObjectDelete(int index) {
  if (!g_Objects.Exists(index)) return;
  g_Objects.items[static_cast<size_t>(index)].reset();
  g_Objects.names[static_cast<size_t>(index)].clear();
}
