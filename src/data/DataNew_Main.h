// The included files of the game: the list in file order and its section.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "data/DataNew_Class.h"

using RDataFileList = std::vector<std::unique_ptr<CDataFile>>;

extern RDataFileList g_DataFiles;

// The section: integer 800, count, then one compressed sub-stream per record.
bool DataFile_Load(CStream &stream);
void DataFile_SaveSection(CStream &stream, const RDataFileList &list);

// Index of the first record whose file name is exactly name, or -1.
int DataFileFind(std::string_view name);
// The record at index, or null outside 0..count-1.
CDataFile *DataFileGet(int index);
