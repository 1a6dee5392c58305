#include "world/Action_Lib.h"

#include "base/Support_Stream.h"

std::vector<std::string> g_LibInitCode;

namespace {
constexpr int32_t kSectionVersion = 500;
}

bool LibInit_Load(CStream &stream) {
  g_LibInitCode.clear();
  if (stream.ReadInteger() != kSectionVersion) return false;
  const int32_t count = stream.ReadInteger();
  for (int32_t i = 0; i < count; ++i) g_LibInitCode.push_back(stream.ReadString());
  return true;
}

void LibInit_SaveSection(CStream &stream, const std::vector<std::string> &code) {
  stream.WriteInteger(kSectionVersion);
  stream.WriteInteger(static_cast<int32_t>(code.size()));
  for (const std::string &c : code) stream.WriteString(c);
}
