#include "data/DataNew_Class.h"

namespace {
constexpr int32_t kRecordVersion = 800;
}

void CDataFile::Clear() { *this = CDataFile(); }

void CDataFile::Assign(const CDataFile &other) {
  s_filename = other.s_filename;
  s_origname = other.s_origname;
  s_exists = other.s_exists;
  s_size = other.s_size;
  s_store = other.s_store;
  s_data.Clear();
  if (other.s_exists && other.s_store) s_data = other.s_data;
  s_data.Seek(0);
  s_exportaction = other.s_exportaction;
  s_exportdir = other.s_exportdir;
  s_overwrite = other.s_overwrite;
  s_freedata = other.s_freedata;
  s_removeend = other.s_removeend;
}

bool CDataFile::LoadFromStream(CStream &stream) {
  Clear();
  if (stream.ReadInteger() != kRecordVersion) return false;
  s_filename = stream.ReadString();
  s_origname = stream.ReadString();
  s_exists = stream.ReadBoolean();
  s_size = stream.ReadInteger();
  s_store = stream.ReadBoolean();
  if (s_exists && s_store) s_data = std::move(*stream.ReadStream());
  s_exportaction = stream.ReadInteger();
  s_exportdir = stream.ReadString();
  s_overwrite = stream.ReadBoolean();
  s_freedata = stream.ReadBoolean();
  s_removeend = stream.ReadBoolean();
  return true;
}

void CDataFile::SaveToStream(CStream &stream) const {
  stream.WriteInteger(kRecordVersion);
  stream.WriteString(s_filename);
  stream.WriteString(s_origname);
  stream.WriteBoolean(s_exists);
  stream.WriteInteger(s_size);
  stream.WriteBoolean(s_store);
  if (s_exists && s_store) {
    CStream copy = s_data;  // WriteStream wants a stream it may reposition
    stream.WriteStream(copy);
  }
  stream.WriteInteger(s_exportaction);
  stream.WriteString(s_exportdir);
  stream.WriteBoolean(s_overwrite);
  stream.WriteBoolean(s_freedata);
  stream.WriteBoolean(s_removeend);
}
