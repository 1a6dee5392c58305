// CDataFile: a file the game carries and exports at start (into the
// temporary directory, the working directory or a folder of its own), and
// removes again when the game ends.
#pragma once

#include <cstdint>
#include <string>

#include "base/Support_Stream.h"

class CDataFile {
public:
  enum : int32_t { kNoExport = 0, kExportTemp = 1, kExportAsGiven = 2, kExportDir = 3 };

  std::string s_filename;  // a bare name, or a path for export action 2
  std::string s_origname;  // where the file came from (informational)
  bool s_exists = false;   // the data is present
  int32_t s_size = 0;
  bool s_store = false;    // the data is stored in the game
  CStream s_data;
  int32_t s_exportaction = kExportAsGiven;
  std::string s_exportdir;
  bool s_overwrite = false;
  bool s_freedata = true;
  bool s_removeend = true;

  void Clear();
  // Copies every field; the data only when the other record has it stored.
  void Assign(const CDataFile &other);
  // Record: integer 800, then the fields; the data is present when both
  // s_exists and s_store are set. False on another version.
  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;
};
