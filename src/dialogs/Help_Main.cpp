#include "dialogs/Help_Main.h"

#include "base/Support_Stream.h"

RGameInformation g_GameInfo;

namespace {
constexpr int32_t kSectionVersion = 800;
}

void RGameInformation::LoadFromStream(CStream &stream) {
  backcolor = stream.ReadInteger();
  ingamewindow = stream.ReadBoolean();
  caption = stream.ReadString();
  left = stream.ReadInteger();
  top = stream.ReadInteger();
  width = stream.ReadInteger();
  height = stream.ReadInteger();
  border = stream.ReadBoolean();
  sizeable = stream.ReadBoolean();
  stayontop = stream.ReadBoolean();
  pausegame = stream.ReadBoolean();
  std::unique_ptr<CStream> rtf = stream.ReadStream();
  text.assign(reinterpret_cast<const char *>(rtf->Memory()), static_cast<size_t>(rtf->Size()));
}

void RGameInformation::SaveToStream(CStream &stream) const {
  stream.WriteInteger(backcolor);
  stream.WriteBoolean(ingamewindow);
  stream.WriteString(caption);
  stream.WriteInteger(left);
  stream.WriteInteger(top);
  stream.WriteInteger(width);
  stream.WriteInteger(height);
  stream.WriteBoolean(border);
  stream.WriteBoolean(sizeable);
  stream.WriteBoolean(stayontop);
  stream.WriteBoolean(pausegame);
  CStream rtf;
  if (!text.empty()) rtf.Write(text.data(), static_cast<int64_t>(text.size()));
  stream.WriteStream(rtf);
}

bool Help_Load(CStream &stream) {
  g_GameInfo = RGameInformation();
  if (stream.ReadInteger() != kSectionVersion) return false;
  std::unique_ptr<CStream> item = stream.ReadStreamC();
  g_GameInfo.LoadFromStream(*item);
  return true;
}

void Help_SaveSection(CStream &stream, const RGameInformation &info) {
  stream.WriteInteger(kSectionVersion);
  CStream item;
  info.SaveToStream(item);
  stream.WriteStreamC(item);
}
