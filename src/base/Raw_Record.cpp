#include "base/Raw_Record.h"

#include <cstring>


namespace {
constexpr int32_t kSectionVersion = 800;
}

bool CRawRecord::LoadFromStream(CStream &stream) {
  const int64_t rest = stream.Size() - stream.Position();
  bytes.resize(static_cast<size_t>(rest > 0 ? rest : 0));
  if (!bytes.empty()) stream.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
  return true;
}

void CRawRecord::SaveToStream(CStream &stream) const {
  if (!bytes.empty()) stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

int32_t CRawRecord::Version() const {
  if (bytes.size() < 4) return 0;
  uint32_t v = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
               (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
  int32_t out;
  std::memcpy(&out, &v, sizeof out);
  return out;
}

bool RawSection_Load(CStream &stream, RRawList &list) {
  list.Clear();
  if (stream.ReadInteger() != kSectionVersion) return false;
  return LoadNamedItems(stream, list);
}

void RawSection_Save(CStream &stream, const RRawList &list) {
  stream.WriteInteger(kSectionVersion);
  SaveNamedItems(stream, list);
}
