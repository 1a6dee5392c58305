#include "code/Script_Main.h"

RResourceList<CScript> g_Scripts;

namespace {
constexpr int32_t kSectionVersion = 800;
}

bool Script_Load(CStream &stream) {
  g_Scripts.Clear();
  if (stream.ReadInteger() != kSectionVersion) return false;
  return LoadNamedItems(stream, g_Scripts);
}

void Script_Save(CStream &stream) {
  stream.WriteInteger(kSectionVersion);
  SaveNamedItems(stream, g_Scripts);
}

int ScriptFind(std::string_view name) { return g_Scripts.Find(name); }

const std::string &ScriptName(int index) { return g_Scripts.Name(index); }
