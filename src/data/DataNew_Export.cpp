#include "data/DataNew_Export.h"


#include <filesystem>

#include "code/Code_Error.h"
#include "data/DataNew_Main.h"
#include "base/Support_File.h"
#include "base/Support_Path.h"

namespace {

// Where the file goes for its export action; "" for an unknown action or
// one without a target (the temporary directory missing).
std::string TargetPath(const CDataFile &file) {
  switch (file.s_exportaction) {
    case CDataFile::kExportTemp:
      if (TempDirPath().empty()) return {};
      return TempDirPath() + "/" + TranslatePath(file.s_filename);
    case CDataFile::kExportAsGiven:
      return TranslatePath(file.s_filename);
    case CDataFile::kExportDir:
      return TranslatePath(file.s_exportdir + "\\" + file.s_filename);
    default:
      return {};
  }
}

void Release(CDataFile &file) {
  file.s_exists = false;
  file.s_data.Clear();
}

bool FileExists(const std::string &path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

}  // namespace

bool DataFileExportIt(CDataFile &file, const std::string &path) {
  if (!file.s_exists || path.empty()) return false;
  const std::string target = TranslatePath(path);
  if (FileExists(target) && !file.s_overwrite) return false;
  try {
    file.s_data.SaveToFile(target);
  } catch (const EStreamError &) {
    return false;
  }
  return true;
}

void DataFileDiscard(CDataFile &file) {
  if (file.s_exists) Release(file);
}

bool DataFilePrepare(CDataFile &file) {
  if (!file.s_exists) return false;
  if (file.s_exportaction == CDataFile::kNoExport) return true;
  if (SecureMode() && PathHasDirectory(file.s_filename)) {
    ReportActionError("In secure mode you cannot export a data file to " + file.s_filename, false);
    return false;
  }
  bool written = false;
  switch (file.s_exportaction) {
    case CDataFile::kExportTemp:
    case CDataFile::kExportAsGiven:
      written = DataFileExportIt(file, TargetPath(file));
      break;
    case CDataFile::kExportDir: {
      if (SecureMode()) {
        ReportActionError("In secure mode you cannot export a data file to an indicated directory.", false);
        return false;
      }
      std::error_code ec;
      std::filesystem::create_directories(TranslatePath(file.s_exportdir), ec);
      written = DataFileExportIt(file, TargetPath(file));
      break;
    }
    default:
      break;
  }
  if (file.s_freedata) Release(file);
  return written;
}

bool DataFileRemove(const CDataFile &file) {
  if (!file.s_removeend) return true;
  if (SecureMode() && PathHasDirectory(file.s_filename)) return false;
  if (file.s_exportaction == CDataFile::kNoExport) return true;
  if (file.s_exportaction == CDataFile::kExportDir && SecureMode()) return false;
  const std::string target = TargetPath(file);
  if (target.empty()) return false;
  // Only plain files are removed: a directory of that name is never touched.
  return RemovePlainFile(target);
}

void DataFile_ExportAll() {
  for (auto &file : g_DataFiles)
    if (file) DataFilePrepare(*file);
}

void DataFile_RemoveAll() {
  for (auto &file : g_DataFiles)
    if (file) DataFileRemove(*file);
}
