#include "code/Script_Class.h"

#include "code/Code_Main.h"
#include "base/Support_Stream.h"

namespace {
constexpr int32_t kScriptVersion = 800;
}

CScript::CScript() = default;
CScript::~CScript() = default;
CScript::CScript(CScript &&) noexcept = default;
CScript &CScript::operator=(CScript &&) noexcept = default;

void CScript::Clear() {
  s_code.reset();
  s_text.clear();
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

bool CScript::Compile() {
  s_code = std::make_unique<CCode>(s_text, false);
  return s_code->Compile();
}
