// A working directory and a configuration directory of the test's own, the
// file family registered on a fresh function table, and every error report
// caught, so that file tests read like the game calls they stand for.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "functions/Function_File.h"
#include "support/Test_Platform.h"
#include "base/Option_Main.h"
#include "base/Support_Path.h"

namespace filetest {

// Keeps every reported text (the message is the text's last line).
class CCaughtErrors : public testplatform::CErrorWindowDialogs {
public:
  bool Show(std::string_view text, bool) override {
    const std::string t(text);
    const size_t cut = t.find_last_of("\r\n");
    messages.push_back(cut == std::string::npos ? t : t.substr(cut + 1));
    return true;
  }
  std::vector<std::string> messages;
};

inline RValue S(const std::string &s) { return RValue::Str(RString(s)); }
inline RValue R(double v) { return RValue::Real(v); }

class FileTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    FunctionTableReset();
    Function_File_Init();
  }

  void SetUp() override {
    char tmpl[] = "/tmp/quillon_filetest_XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    root = tmpl;
    std::filesystem::create_directories(root / "work");
    std::filesystem::create_directories(root / "config");
    savedCwd = std::filesystem::current_path();
    std::filesystem::current_path(root / "work");
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    hadXdg = xdg != nullptr;
    if (xdg) savedXdg = xdg;
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    // Every report reaches the window, whatever other tests left behind.
    savedDisplay = g_Settings.opt_displayerrors;
    savedAbort = g_Settings.opt_aborterrors;
    savedWrite = g_Settings.opt_writeerrors;
    g_Settings.opt_displayerrors = true;
    g_Settings.opt_aborterrors = false;
    g_Settings.opt_writeerrors = false;
    testplatform::SetDialogs(&caught);
    ErrorReset();
    SetSecureMode(false);
    File_Reset();
  }

  void TearDown() override {
    File_Reset();
    SetSecureMode(false);
    testplatform::SetDialogs(nullptr);
    ErrorReset();
    g_Settings.opt_displayerrors = savedDisplay;
    g_Settings.opt_aborterrors = savedAbort;
    g_Settings.opt_writeerrors = savedWrite;
    std::filesystem::current_path(savedCwd);
    if (hadXdg)
      ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    else
      ::unsetenv("XDG_CONFIG_HOME");
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }

  // Calls a registered function by name with the given arguments.
  RValue Call(const std::string &name, std::initializer_list<RValue> list = {}) {
    return Call(name, std::vector<RValue>(list));
  }
  RValue Call(const std::string &name, const std::vector<RValue> &list) {
    const int32_t id = FunctionFind(name);
    EXPECT_GE(id, 0) << name;
    RValue args[kMaxCallArguments];
    int argc = 0;
    for (const RValue &v : list) args[argc++] = v;
    RValue result;
    if (id >= 0) FunctionRoutine(id)(nullptr, nullptr, argc, args, result);
    return result;
  }
  double Num(const std::string &name, std::initializer_list<RValue> list = {}) {
    const RValue v = Call(name, list);
    EXPECT_TRUE(v.IsReal()) << name;
    return v.val;
  }
  std::string Str(const std::string &name, std::initializer_list<RValue> list = {}) {
    const RValue v = Call(name, list);
    EXPECT_TRUE(v.IsString()) << name;
    return v.str.str();
  }

  // The messages reported since the last look, then forgets them.
  std::vector<std::string> Reports() {
    std::vector<std::string> out;
    out.swap(caught.messages);
    return out;
  }

  static std::string ReadFile(const std::filesystem::path &p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  static void WriteFile(const std::filesystem::path &p, const std::string &text) {
    std::ofstream(p, std::ios::binary) << text;
  }

  std::filesystem::path root;  // root/work is the working directory
  std::filesystem::path savedCwd;
  std::string savedXdg;
  bool savedDisplay = true, savedAbort = false, savedWrite = false;
  bool hadXdg = false;
  CCaughtErrors caught;
};

}  // namespace filetest
