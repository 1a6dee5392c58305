#include "code/Constant_Main.h"

#include "base/Support_Stream.h"

RConstantList g_Constants;

namespace {
constexpr int32_t kSectionVersion = 800;
}

bool Constant_Load(CStream &stream) {
  g_Constants.Clear();
  if (stream.ReadInteger() != kSectionVersion) return false;
  const int32_t count = stream.ReadInteger();
  for (int32_t i = 0; i < count; ++i) {
    std::string name = stream.ReadString();
    std::string value = stream.ReadString();
    g_Constants.Add(std::move(name), std::move(value));
  }
  return true;
}

void Constant_SaveSection(CStream &stream, const RConstantList &list) {
  stream.WriteInteger(kSectionVersion);
  stream.WriteInteger(list.Count());
  for (int i = 0; i < list.Count(); ++i) {
    stream.WriteString(list.names[static_cast<size_t>(i)]);
    stream.WriteString(list.values[static_cast<size_t>(i)]);
  }
}
