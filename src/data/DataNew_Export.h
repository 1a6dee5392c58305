// What happens to the included files on disk: exported at start, exported
// or discarded again by the game, removed at the end.
#pragma once

#include <string>

#include "data/DataNew_Class.h"

// Exports the file by its own settings (to the temporary directory, to its
// name relative to the working directory, or into its export directory).
// In secure mode a name with a directory in it, and any export directory,
// are refused with a non-fatal report and the data is kept. After an export
// attempt the data is released when the record says so. Answers whether the
// file was written.
bool DataFilePrepare(CDataFile &file);
// Writes the data to path (a game path) when the data is present and no
// file of that name exists or overwriting is allowed. Answers whether it
// was written; a failed write is silent.
bool DataFileExportIt(CDataFile &file, const std::string &path);
// Releases the data; the file can no longer be exported.
void DataFileDiscard(CDataFile &file);
// Deletes the exported file at the end of the game when the record asks for
// it (never a name with a directory in it in secure mode). Answers whether
// a file was deleted, or true when nothing was to be done.
bool DataFileRemove(const CDataFile &file);

// Prepare on every record of the game's list, in order; Remove likewise.
void DataFile_ExportAll();
void DataFile_RemoveAll();
