#include "base/Support_File.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

class TempDirTest : public ::testing::Test {
protected:
  void SetUp() override {
    work = fs::temp_directory_path() / ("quillon_file_test_" + std::to_string(::getpid()));
    fs::remove_all(work);
    fs::create_directories(work / "exe");
    if (const char *t = std::getenv("TMPDIR")) savedTmp = t, hadTmp = true;
  }
  void TearDown() override {
    TempDir_Remove();
    TempDir_Set("");
    if (hadTmp) ::setenv("TMPDIR", savedTmp.c_str(), 1);
    else ::unsetenv("TMPDIR");
    fs::remove_all(work);
  }
  fs::path work;
  std::string savedTmp;
  bool hadTmp = false;
};

}  // namespace

TEST_F(TempDirTest, BaseComesFromTempdirTxtThenTmpdir) {
  ::setenv("TMPDIR", (work / "fromenv").c_str(), 1);
  std::ofstream(work / "exe" / "tempdir.txt") << (work / "fromfile" / "x").string() << "\nsecond\n";
  ASSERT_TRUE(TempDir_Create((work / "exe").string()));
  EXPECT_EQ(TempDirBase(), (work / "fromfile" / "x").string());
  const fs::path made = TempDirPath();
  EXPECT_TRUE(fs::is_directory(made));
  EXPECT_EQ(made.parent_path(), work / "fromfile" / "x");
  const std::string leaf = made.filename().string();
  ASSERT_EQ(leaf.rfind("qn_ttt_", 0), 0u) << leaf;
  const int n = std::stoi(leaf.substr(7));
  EXPECT_GE(n, 0);
  EXPECT_LE(n, 99999);
  TempDir_Remove();

  fs::remove(work / "exe" / "tempdir.txt");
  ASSERT_TRUE(TempDir_Create((work / "exe").string()));
  EXPECT_EQ(TempDirBase(), (work / "fromenv").string());
}

TEST_F(TempDirTest, UncreatableBaseFallsBackToTmp) {
  // A base below a plain file can never be made.
  std::ofstream(work / "plain") << "x";
  std::ofstream(work / "exe" / "tempdir.txt") << (work / "plain" / "sub").string();
  ASSERT_TRUE(TempDir_Create((work / "exe").string()));
  EXPECT_EQ(TempDirBase(), "/tmp");
  EXPECT_TRUE(fs::is_directory(TempDirPath()));
}

TEST_F(TempDirTest, SecondDirectoryNeverReusesTheFirst) {
  ::setenv("TMPDIR", work.c_str(), 1);
  ASSERT_TRUE(TempDir_Create((work / "exe").string()));
  const std::string first = TempDirPath();
  ASSERT_TRUE(TempDir_Create((work / "exe").string()));
  EXPECT_NE(TempDirPath(), first);
  EXPECT_TRUE(fs::is_directory(first));
  TempDir_Set(first);
}

TEST_F(TempDirTest, RemovalTakesEverythingInsideButNothingOutside) {
  ::setenv("TMPDIR", work.c_str(), 1);
  ASSERT_TRUE(TempDir_Create((work / "exe").string()));
  const fs::path t = TempDirPath();
  fs::create_directories(t / "pkg" / "deep");
  std::ofstream(t / "D3DX8.dll") << "x";
  std::ofstream(t / "pkg" / "deep" / "f.txt") << "y";
  // Links lead outside: the links go, what they point at stays.
  fs::create_directories(work / "outside");
  std::ofstream(work / "outside" / "keep.txt") << "z";
  fs::create_directory_symlink(work / "outside", t / "pkg" / "linkdir");
  fs::create_symlink(work / "outside" / "keep.txt", t / "linkfile");
  TempDir_Remove();
  EXPECT_FALSE(fs::exists(t));
  EXPECT_TRUE(fs::exists(work / "outside" / "keep.txt"));
  TempDir_Remove();  // a second removal finds nothing and does nothing
}

TEST_F(TempDirTest, UniqueFileNameLiesInTheTemporaryDirectory) {
  EXPECT_EQ(TempDir_UniqueFileName(".wav"), "");
  TempDir_Set(work.string());
  const fs::path name = TempDir_UniqueFileName(".wav");
  EXPECT_EQ(name.parent_path(), work);
  EXPECT_EQ(name.extension(), ".wav");
  EXPECT_EQ(name.filename().string()[0], 'a');
  EXPECT_FALSE(fs::exists(name));
}

TEST(ExecutableImage, EndOfTheRunnerLiesWithinItsFile) {
  const int64_t end = ExecutableImageEndOfFile(QUILLON_RUNNER_PATH);
  EXPECT_GT(end, 0);
  EXPECT_LE(end, static_cast<int64_t>(fs::file_size(QUILLON_RUNNER_PATH)));
  // Bytes appended after the program do not move its end.
  const fs::path copy = fs::temp_directory_path() / ("quillon_image_" + std::to_string(::getpid()));
  fs::copy_file(QUILLON_RUNNER_PATH, copy, fs::copy_options::overwrite_existing);
  std::ofstream(copy, std::ios::app | std::ios::binary) << std::string(5000, '\x55');
  EXPECT_EQ(ExecutableImageEndOfFile(copy.string()), end);
  fs::remove(copy);
}

TEST(ExecutableImage, NotAnElfFile) {
  const std::vector<uint8_t> text = {'#', '!', '/', 'b', 'i', 'n', '/', 's', 'h', '\n', 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(ExecutableImageEnd(text.data(), text.size()), 0);
  const std::vector<uint8_t> stub = {0x7f, 'E', 'L', 'F', 2, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(ExecutableImageEnd(stub.data(), stub.size()), 0);  // header cut short
  EXPECT_EQ(ExecutableImageEndOfFile("/nonexistent/quillon"), 0);
}

TEST(ExecutableImage, SectionTableAndSegmentsCount) {
  // A minimal 64-bit header: one program header whose segment ends at 0x3000,
  // a section header table at 0x4000 with 3 entries of 64 bytes.
  std::vector<uint8_t> b(0x40 + 0x38, 0);
  b[0] = 0x7f, b[1] = 'E', b[2] = 'L', b[3] = 'F', b[4] = 2, b[5] = 1;
  auto put = [&](size_t at, uint64_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
  };
  put(0x20, 0x40, 8);     // e_phoff
  put(0x28, 0x4000, 8);   // e_shoff
  put(0x34, 0x40, 2);     // e_ehsize
  put(0x36, 0x38, 2);     // e_phentsize
  put(0x38, 1, 2);        // e_phnum
  put(0x3A, 64, 2);       // e_shentsize
  put(0x3C, 3, 2);        // e_shnum
  put(0x40 + 0x08, 0x1000, 8);  // p_offset
  put(0x40 + 0x20, 0x2000, 8);  // p_filesz
  EXPECT_EQ(ExecutableImageEnd(b.data(), b.size()), 0x4000 + 3 * 64);
  put(0x40 + 0x20, 0x8000, 8);  // a segment past the section table
  EXPECT_EQ(ExecutableImageEnd(b.data(), b.size()), 0x9000);
}
