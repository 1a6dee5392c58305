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
  // The runner's section header table (and any symbols or debug data) lie
  // behind its loaded bytes, so the image ends before the file does.
  EXPECT_LT(end, static_cast<int64_t>(fs::file_size(QUILLON_RUNNER_PATH)));
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

namespace {

constexpr uint32_t kLoad = 1, kNote = 4;  // PT_LOAD, PT_NOTE

struct RSegment {
  uint32_t type;
  uint64_t offset, filesz;
};

// The headers of a little ELF file: its program header table at phoff, a
// section header table of shnum 64-byte entries at shoff, and nothing else
// but zeros up to the end of the program header table.
std::vector<uint8_t> SyntheticElf(bool is64, uint64_t phoff, const std::vector<RSegment> &segments, uint64_t shoff,
                                  uint16_t shnum) {
  const size_t ehsize = is64 ? 0x40 : 0x34, phentsize = is64 ? 0x38 : 0x20;
  std::vector<uint8_t> b(phoff + segments.size() * phentsize, 0);
  b[0] = 0x7f, b[1] = 'E', b[2] = 'L', b[3] = 'F', b[4] = is64 ? 2 : 1, b[5] = 1, b[6] = 1;
  auto put = [&](size_t at, uint64_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
  };
  const int word = is64 ? 8 : 4;
  put(is64 ? 0x20 : 0x1C, phoff, word);                  // e_phoff
  put(is64 ? 0x28 : 0x20, shoff, word);                  // e_shoff
  put(is64 ? 0x34 : 0x28, ehsize, 2);                    // e_ehsize
  put(is64 ? 0x36 : 0x2A, phentsize, 2);                 // e_phentsize
  put(is64 ? 0x38 : 0x2C, segments.size(), 2);           // e_phnum
  put(is64 ? 0x3A : 0x2E, 64, 2);                        // e_shentsize
  put(is64 ? 0x3C : 0x30, shnum, 2);                     // e_shnum
  for (size_t i = 0; i < segments.size(); ++i) {
    const size_t ph = phoff + i * phentsize;
    put(ph, segments[i].type, 4);                        // p_type
    put(ph + (is64 ? 0x08 : 0x04), segments[i].offset, word);  // p_offset
    put(ph + (is64 ? 0x20 : 0x10), segments[i].filesz, word);  // p_filesz
  }
  return b;
}

}  // namespace

TEST(ExecutableImage, EndsWithTheLastLoadedByte) {
  struct Case {
    const char *what;
    uint64_t phoff;
    std::vector<RSegment> segments;
    uint64_t shoff;
    uint16_t shnum;
    int64_t end64, end32;
  };
  const Case cases[] = {
      {"section table far past the last segment", 0x100, {{kLoad, 0, 0x1000}, {kLoad, 0x1000, 0x2000}}, 0x1C0000, 40,
       0x3000, 0x3000},
      {"the furthest segment, not the last listed", 0x100, {{kLoad, 0x4000, 0x800}, {kLoad, 0, 0x1000}}, 0x9000, 3,
       0x4800, 0x4800},
      {"a segment that is not loaded", 0x100, {{kLoad, 0, 0x1000}, {kNote, 0x8000, 0x100}}, 0x1000, 2, 0x1000, 0x1000},
      {"program headers past the segments", 0x200, {{kLoad, 0, 0x10}}, 0x5000, 2, 0x200 + 0x38, 0x200 + 0x20},
      {"no segments: the ELF header", 0x100, {}, 0x5000, 2, 0x40, 0x34},
      // A wild offset ends the image past everything rather than wrapping
      // round to a small end (32-bit offsets cannot wrap).
      {"a wild segment offset", 0x100, {{kLoad, 0, 0x1000}, {kLoad, 0xFFFFFFFFFFFFF000, 0x2000}}, 0x2000, 2,
       INT64_MAX, 0x100001000},
  };
  for (const bool is64 : {true, false}) {
    for (const Case &c : cases) {
      const std::vector<uint8_t> b = SyntheticElf(is64, c.phoff, c.segments, c.shoff, c.shnum);
      EXPECT_EQ(ExecutableImageEnd(b.data(), b.size()), is64 ? c.end64 : c.end32)
          << c.what << (is64 ? " (64-bit)" : " (32-bit)");
    }
  }
}

TEST(ExecutableImage, FileWithDebugDataBehindItsImage) {
  // A program of 0x3000 loaded bytes, then 0x40000 bytes of sections no
  // segment loads, then the section header table: as a linker lays out a
  // runner built with debug data.
  std::vector<uint8_t> b = SyntheticElf(true, 0x40, {{kLoad, 0, 0x1000}, {kLoad, 0x1000, 0x2000}}, 0x43000, 30);
  b.resize(0x3000, 0x90);
  b.resize(0x43000, 0x33);
  b.resize(0x43000 + 30 * 64, 0);
  const fs::path file = fs::temp_directory_path() / ("quillon_elf_" + std::to_string(::getpid()));
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char *>(b.data()), static_cast<std::streamsize>(b.size()));
  EXPECT_EQ(ExecutableImageEndOfFile(file.string()), 0x3000);
  // Cut short inside its program header table, the file tells nothing.
  fs::resize_file(file, 0x40 + 0x38 + 8);
  EXPECT_EQ(ExecutableImageEndOfFile(file.string()), 0);
  fs::remove(file);
}
