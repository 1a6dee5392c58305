#include "world/Trigger_Class.h"

#include "runner/Support_Stream.h"

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
