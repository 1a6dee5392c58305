#include "data/DataNew_Main.h"

RDataFileList g_DataFiles;

namespace {
constexpr int32_t kSectionVersion = 800;
}

bool DataFile_Load(CStream &stream) {
  g_DataFiles.clear();
  if (stream.ReadInteger() != kSectionVersion) return false;
  const int32_t count = stream.ReadInteger();
  for (int32_t i = 0; i < count; ++i) {
    std::unique_ptr<CStream> item = stream.ReadStreamC();
    auto file = std::make_unique<CDataFile>();
    if (!file->LoadFromStream(*item)) return false;
    g_DataFiles.push_back(std::move(file));
  }
  return true;
}

void DataFile_SaveSection(CStream &stream, const RDataFileList &list) {
  stream.WriteInteger(kSectionVersion);
  stream.WriteInteger(static_cast<int32_t>(list.size()));
  for (const auto &f : list) {
    CStream item;
    f->SaveToStream(item);
    stream.WriteStreamC(item);
  }
}

int DataFileFind(std::string_view name) {
  for (size_t i = 0; i < g_DataFiles.size(); ++i)
    if (g_DataFiles[i]->s_filename == name) return static_cast<int>(i);
  return -1;
}

CDataFile *DataFileGet(int index) {
  if (index < 0 || static_cast<size_t>(index) >= g_DataFiles.size()) return nullptr;
  return g_DataFiles[static_cast<size_t>(index)].get();
}
