#include "data/DataNew_Export.h"

#include "functions/File_Test_Fixture.h"
#include "data/DataNew_Main.h"
#include "base/Support_File.h"

using filetest::FileTest;
namespace fs = std::filesystem;

namespace {

std::unique_ptr<CDataFile> Included(const std::string &name, const std::string &content, int32_t action) {
  auto file = std::make_unique<CDataFile>();
  file->s_filename = name;
  file->s_exists = file->s_store = true;
  file->s_exportaction = action;
  file->s_data.SetSize(static_cast<int64_t>(content.size()));
  std::copy(content.begin(), content.end(), file->s_data.Memory());
  return file;
}

}  // namespace

TEST_F(FileTest, IncludedFilesExportedAtStartAndRemovedAtTheEnd) {
  fs::create_directory("tmp");
  TempDir_Set((fs::current_path() / "tmp").string());
  g_DataFiles.push_back(Included("temp.dat", "T", CDataFile::kExportTemp));
  g_DataFiles.push_back(Included("here.dat", "H", CDataFile::kExportAsGiven));
  g_DataFiles.push_back(Included("dir.dat", "D", CDataFile::kExportDir));
  g_DataFiles.back()->s_exportdir = "made\\for\\it";
  g_DataFiles.push_back(Included("memory.dat", "M", CDataFile::kNoExport));
  g_DataFiles.push_back(Included("mine.dat", "NEW", CDataFile::kExportAsGiven));
  g_DataFiles.push_back(Included("kept.dat", "K", CDataFile::kExportAsGiven));
  g_DataFiles.back()->s_removeend = false;
  WriteFile("mine.dat", "OLD");

  DataFile_ExportAll();
  EXPECT_EQ(ReadFile("tmp/temp.dat"), "T");
  EXPECT_EQ(ReadFile("here.dat"), "H");
  EXPECT_EQ(ReadFile("made/for/it/dir.dat"), "D");
  EXPECT_EQ(ReadFile("mine.dat"), "OLD");  // not overwritten without leave
  EXPECT_FALSE(fs::exists("memory.dat"));
  EXPECT_TRUE(g_DataFiles[3]->s_exists);   // kept in memory
  EXPECT_FALSE(g_DataFiles[1]->s_exists);  // freed after its export

  DataFile_RemoveAll();
  EXPECT_FALSE(fs::exists("tmp/temp.dat"));
  EXPECT_FALSE(fs::exists("here.dat"));
  EXPECT_FALSE(fs::exists("made/for/it/dir.dat"));
  EXPECT_FALSE(fs::exists("mine.dat"));  // removed although it was never written
  EXPECT_TRUE(fs::exists("kept.dat"));
  EXPECT_EQ(Reports(), std::vector<std::string>{});
  g_DataFiles.clear();
  TempDir_Set("");
}

TEST_F(FileTest, InSecureModeIncludedFilesWithADirectoryStayInMemory) {
  SetSecureMode(true);
  fs::create_directory("sub");
  g_DataFiles.push_back(Included("sub\\x.dat", "X", CDataFile::kExportAsGiven));
  g_DataFiles.push_back(Included("y.dat", "Y", CDataFile::kExportDir));
  g_DataFiles.back()->s_exportdir = "elsewhere";
  DataFile_ExportAll();
  EXPECT_FALSE(fs::exists("sub/x.dat"));
  EXPECT_FALSE(fs::exists("elsewhere"));
  EXPECT_TRUE(g_DataFiles[0]->s_exists);
  EXPECT_TRUE(g_DataFiles[1]->s_exists);
  EXPECT_EQ(Reports(), (std::vector<std::string>{
                           "In secure mode you cannot export a data file to sub\\x.dat",
                           "In secure mode you cannot export a data file to an indicated directory."}));
  // Neither is removed at the end, even when such a file is there.
  WriteFile("sub/x.dat", "someone else's");
  DataFile_RemoveAll();
  EXPECT_TRUE(fs::exists("sub/x.dat"));
  g_DataFiles.clear();
}
