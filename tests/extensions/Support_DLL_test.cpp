// The external function table on its own: which file a library name loads,
// where it is looked for, and what goes to the trace log when a library or a
// function cannot be had.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../pack/Pack_TempDir.h"
#include "base/Support_Trace.h"
#include "code/Support_DLL.h"
#include "code/Variable_Class.h"

namespace {

namespace fs = std::filesystem;

TEST(SupportDll, TheFileNamesTriedForALibraryName) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"mylib.dll", {"mylib.dll", "mylib.so", "libmylib.so"}},
      {"Dir\\MyLib.DLL", {"Dir/MyLib.DLL", "Dir/MyLib.so", "Dir/libMyLib.so"}},
      {"libm.so.6", {"libm.so.6"}},
      {".dll", {".dll"}},
  };
  for (const auto &[name, expected] : cases) EXPECT_EQ(External_LibraryCandidates(name), expected) << name;
}

class SupportDllFolders : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char *d : {"work", "game", "prog"}) fs::create_directories(m_dir / d);
    m_cwd = fs::current_path();
    fs::current_path(m_dir / "work");
    External_SetFolders(m_dir / "game", m_dir / "prog");
  }
  void TearDown() override {
    fs::current_path(m_cwd);
    External_SetFolders("", "");
    External_Reset();
  }
  std::string Put(const std::string &rel) const {
    m_dir.Write(rel, "x");
    return fs::path(m_dir / rel).lexically_normal().string();
  }
  PackTempDir m_dir;
  fs::path m_cwd;
};

// The same file, however the two paths are written.
::testing::AssertionResult SameFile(const std::string &a, const std::string &b) {
  std::error_code ec;
  if (!a.empty() && fs::equivalent(a, b, ec)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "\"" << a << "\" is not \"" << b << "\"";
}

// The working directory first, then the game's folder, then the program's;
// names match without regard to case.
TEST_F(SupportDllFolders, TheFoldersInOrderWithoutRegardToCase) {
  const std::string prog = Put("prog/libmylib.so");
  EXPECT_TRUE(SameFile(External_ResolveLibrary("MYLIB.dll"), prog));
  const std::string game = Put("game/Mylib.so");
  EXPECT_TRUE(SameFile(External_ResolveLibrary("MYLIB.dll"), game));
  const std::string work = Put("work/mylib.DLL");
  EXPECT_TRUE(SameFile(External_ResolveLibrary("mylib.dll"), work));
  const std::string sub = Put("work/sub/libother.so");
  EXPECT_TRUE(SameFile(External_ResolveLibrary("SUB\\Other.dll"), sub));
  EXPECT_EQ(External_ResolveLibrary("nosuch.dll"), "");
  EXPECT_EQ(External_ResolveLibrary("sub\\nosuch.dll"), "");
  // Not in any folder: a shared library's own name is left to the system.
  EXPECT_EQ(External_ResolveLibrary("libnosuch.so.1"), "libnosuch.so.1");
}

TEST_F(SupportDllFolders, FailuresAreTraced) {
  const std::string log = m_dir / "Trace.log";
  TraceSetEnabled(true, log);
  const std::string lib = QUILLON_TEST_NATIVE_LIB;
  const int32_t reals[2] = {0, 0};
  EXPECT_EQ(ExternalDefine("nosuch.dll", "f", 0, false, reals, 0), -1);
  EXPECT_EQ(ExternalDefine(lib, "no_function", 0, false, reals, 0), -1);
  Put("work/garbage.dll");
  EXPECT_EQ(ExternalDefine("garbage.dll", "f", 0, false, reals, 0), -1);
  const int32_t id = ExternalDefine(lib, "reals2", 1, false, reals, 2);
  TraceSetEnabled(false, "");
  EXPECT_EQ(id, 0);
  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  const std::string traced = text.str();
  EXPECT_NE(traced.find("LoadLibrary on DLL nosuch.dll failed - error - "), std::string::npos) << traced;
  EXPECT_NE(traced.find("GetProcAddress for no_function on DLL " + lib + " failed - error - "), std::string::npos)
      << traced;
  EXPECT_NE(traced.find("LoadLibrary on DLL garbage.dll failed - error - "), std::string::npos) << traced;
  EXPECT_NE(traced.find("garbage.dll: not a shared library"), std::string::npos) << traced;
  // The library stayed loaded after the failed lookup: one table entry.
  EXPECT_EQ(External_Count(), 1);
  RValue args[2] = {RValue::Real(1), RValue::Real(2)};
  RValue result;
  std::string error;
  ASSERT_TRUE(ExternalCall(id, 2, args, result, error)) << error;
  EXPECT_EQ(result.val, 2005.0);
}

// Definitions the table refuses before loading anything.
TEST(SupportDll, RefusedDefinitions) {
  const int32_t types[17] = {0, 0, 0, 0, 1};
  EXPECT_EQ(ExternalDefine(QUILLON_TEST_NATIVE_LIB, "reals5", 0, false, types, 5), -1);
  EXPECT_EQ(ExternalDefine(QUILLON_TEST_NATIVE_LIB, "reals16", 0, false, types + 5, 17), -1);
  EXPECT_EQ(ExternalDefine(QUILLON_TEST_NATIVE_LIB, "reals0", 0, false, types, -1), -1);
  EXPECT_EQ(External_Count(), 0);
}

}  // namespace
