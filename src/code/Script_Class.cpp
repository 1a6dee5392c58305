#include "code/Script_Class.h"

#include "runner/Support_Stream.h"

namespace {
constexpr int32_t kScriptVersion = 800;
}

bool CScript::LoadFromStream(CStream &stream) {
  Clear();
  if (stream.ReadInteger() != kScriptVersion) return false;
  s_text = stream.ReadString();
  return true;
}

void CScript::SaveToStream(CStream &stream) const {
  stream.WriteInteger(kScriptVersion);
  stream.WriteString(s_text);
}
