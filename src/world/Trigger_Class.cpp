#include "world/Trigger_Class.h"

#include "code/Code_Error.h"
#include "code/Code_Main.h"
#include "base/Support_Stream.h"

CTrigger::CTrigger() = default;
CTrigger::~CTrigger() = default;

void CTrigger::Clear() {
  i_name.clear();
  i_condition.clear();
  i_code.reset();
  i_constname.clear();
  i_moment = kBegin;
}

bool CTrigger::Prepare() {
  auto code = std::make_unique<CCode>(i_condition, false);
  if (!code->Compile()) {
    const std::string text = kMsgCompileCondition + i_name + "\r" + CodeErrorText();
    CodeErrorClear();
    ReportError(text, true);
    return false;
  }
  i_code = std::move(code);
  return true;
}

bool CTrigger::LoadFromStream(CStream &stream) {
  Clear();
  if (stream.ReadInteger() != kVersion) return false;
  i_name = stream.ReadString();
  i_condition = stream.ReadString();
  i_moment = stream.ReadInteger();
  i_constname = stream.ReadString();
  return true;
}

void CTrigger::SaveToStream(CStream &stream) const {
  stream.WriteInteger(kVersion);
  stream.WriteString(i_name);
  stream.WriteString(i_condition);
  stream.WriteInteger(i_moment);
  stream.WriteString(i_constname);
}
