// Games that carry extension packages: a native library and script-language
// functions bound by name, constants, the initialisation and finalisation
// functions in package and file order, the package files in the temporary
// directory while the game runs and gone after it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Extension_Game.h"

namespace {

namespace fs = std::filesystem;

std::string RealsFunctions() {
  std::string s;
  for (int n = 12; n <= 16; ++n) {
    std::string types;
    for (int i = 0; i < n; ++i) types += i ? ", \"real\"" : "\"real\"";
    s += R"({"name": "reals)" + std::to_string(n) + R"(", "arguments": [)" + types + "]},";
  }
  return s;
}

std::string Package(const std::string &scriptFile = "funcs.qs") {
  return R"("extension_packages": [
    {"name": "pkg", "folder": "pkgfiles", "files": [
      {"file": "lib/ext_native.so", "kind": "library", "init": "lib_init", "final": "lib_final",
       "functions": [)" + RealsFunctions() + R"(
         {"name": "lib_init"}, {"name": "lib_final"}, {"name": "lib_state"},
         {"name": "pkg_echo", "external_name": "echo", "arguments": ["string"], "result": "string"},
         {"name": "pkg_mix", "external_name": "mix_srs", "convention": "stdcall", "arguments": ["string", "real", "string"]}],
       "constants": [{"name": "PKG_TEN", "value": "10"}, {"name": "PKG_TWENTY", "value": "PKG_TEN * 2"}]},
      {"file": ")" + scriptFile + R"(", "kind": "script", "init": "scr_init", "final": "scr_final",
       "functions": [{"name": "scr_init"}, {"name": "scr_final"}, {"name": "scr_add", "arguments": ["real", "real"]},
                     {"name": "scr_any", "arguments": "any"}, {"name": "scr_nobody"}, {"name": "scr_fail"}]},
      {"file": "data.txt", "kind": "other"}]},
    {"name": "second", "files": [
      {"file": "second.qs", "kind": "script", "functions": [{"name": "scr_add", "arguments": ["real", "real"]}]}]}],)";
}

constexpr char kScripts[] =
    "// lines before the first section are no function\n"
    "#define scr_init\n"
    "show_debug_message(\"script init after \" + string(lib_state()));\n"
    "#define scr_final\n"
    "show_debug_message(\"script final, library final before: \" + string(file_exists(\"final.txt\")));\n"
    "#define   scr_add  \n"
    "return argument0 + argument1;\n"
    "#define scr_any\n"
    "return argument_count;\n"
    "#define scr_fail\n"
    "return no_such_variable;\n";

void WriteProject(CGameProject &project, const std::string &code) {
  project.Write("main.qs", code);
  project.Write("funcs.qs", kScripts);
  project.Write("second.qs", "#define scr_add\nreturn \"second package\";\n");
  project.Write("data.txt", "package data");
  fs::create_directories(project.Dir() / "project/lib");
  fs::copy_file(QUILLON_TEST_NATIVE_LIB, project.Dir() / "project/lib/ext_native.so");
}

std::vector<std::string> LeftoverTempDirs(const CGameProject &project) {
  std::vector<std::string> left;
  for (const auto &e : fs::directory_iterator(project.Dir().Path()))
    if (e.path().filename().string().rfind("qn_ttt_", 0) == 0) left.push_back(e.path().string());
  return left;
}

TEST(ExtensionPackageGame, FunctionsConstantsFilesAndTheirLife) {
  CGameProject project(extgame::Manifest(Package()));
  WriteProject(project, R"(
    show_debug_message("state " + string(lib_state()));
    show_debug_message(string(reals12(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12)));
    show_debug_message(string(reals16(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16)));
    show_debug_message(pkg_echo("héllo"));
    show_debug_message(string(pkg_mix("ab", 7, "xyz")));
    show_debug_message(string(scr_add(2, 3)));
    show_debug_message(string(scr_any(1, 2, 3)));
    show_debug_message(string(scr_nobody()));
    show_debug_message(string(PKG_TWENTY));
    d = temp_directory + "/pkgfiles/";
    f = file_text_open_read(d + "data.txt");
    show_debug_message(file_text_read_string(f));
    file_text_close(f);
    show_debug_message(string(file_exists(d + "ext_native.so")) + string(file_exists(d + "funcs.qs")));)");
  const RGameRun run = project.Run("--steps 1");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::vector<std::string> expected = {
      "script init after 1",  // the library file comes first, so its init ran first
      "state 1",
      "12650",   // 12000 + 1*1 + 2*2 + ... + 12*12
      "17496",   // 16000 + 1*1 + ... + 16*16
      "héllo",
      "210",
      "5",       // the first package's scr_add
      "3",
      "0",       // a function without a section answers 0
      "20",
      "package data",
      "10",      // library and other files are written, script sources are not
      "script final, library final before: 1",
  };
  EXPECT_EQ(run.Lines(), expected);
  std::ifstream final(project.WorkDir() + "/final.txt");
  std::stringstream text;
  text << final.rdbuf();
  EXPECT_EQ(text.str(), "final after 1 init\n");
  EXPECT_EQ(LeftoverTempDirs(project), std::vector<std::string>{});
}

// A restart ends the game and starts it again: finalisation, then
// initialisation once more.
TEST(ExtensionPackageGame, ARestartFinalisesAndInitialisesAgain) {
  CGameProject project(extgame::Manifest(Package()));
  WriteProject(project, "if (lib_state() == 1) game_restart(); else show_debug_message(\"state \" + string(lib_state()));");
  const RGameRun run = project.Run("--steps 3");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.Lines(), (std::vector<std::string>{"script init after 1", "script final, library final before: 1",
                                                   "script init after 2", "state 2",
                                                   "script final, library final before: 1"}));
}

// A script-language function that fails makes the calling code fail, with
// the function named in the report.
TEST(ExtensionPackageGame, AFailingScriptFunctionIsNamed) {
  CGameProject project(extgame::Manifest(Package()));
  WriteProject(project, "x = scr_fail(); show_debug_message(\"not reached\");");
  const RGameRun run = project.Run("--steps 1");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("In extension function scr_fail:"), std::string::npos) << run.err;
  EXPECT_EQ(run.Lines(), (std::vector<std::string>{"script init after 1", "script final, library final before: 1"}));
}

// A script-language source that does not compile stops the start.
TEST(ExtensionPackageGame, ACompileErrorStopsTheStart) {
  CGameProject project(extgame::Manifest(Package("broken.qs")));
  WriteProject(project, "show_debug_message(\"not reached\");");
  project.Write("broken.qs", "#define scr_init\nreturn (;\n");
  const RGameRun run = project.Run("--steps 1");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_NE(run.exitCode, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("COMPILATION ERROR in extension package pkg"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Failed to prepare extension packages."), std::string::npos) << run.err;
  EXPECT_EQ(LeftoverTempDirs(project), std::vector<std::string>{});
}

// The packer refuses what a game could not use, at the field.
TEST(ExtensionPackageGame, ThePackerRefusesBrokenPackages) {
  struct RCase {
    const char *name;
    std::string packages;
    std::string message;
  };
  const std::vector<RCase> cases = {
      {"folder with a path", R"([{"name": "p", "folder": "../x"}])", "is not a plain folder name"},
      {"unknown kind", R"([{"name": "p", "files": [{"file": "data.txt", "kind": "dll"}]}])", "expected \"library\""},
      {"init not in the file", R"([{"name": "p", "files": [{"file": "data.txt", "kind": "other", "init": "nope"}]}])",
       "no function of this file is named \"nope\""},
      {"texts beyond four", R"([{"name": "p", "files": [{"file": "data.txt", "functions": [{"name": "f",
          "arguments": ["real", "real", "real", "real", "string"]}]}]}])",
       "more than 4 arguments takes only reals"},
      {"two packages, one folder", R"([{"name": "p"}, {"name": "q", "folder": "p"}])", "another package uses the folder"},
  };
  for (const RCase &c : cases) {
    CGameProject project(extgame::Manifest("\"extension_packages\": " + c.packages + ","));
    project.Write("main.qs", "");
    project.Write("data.txt", "x");
    const RGameRun run = project.Run();
    EXPECT_FALSE(run.packed) << c.name;
    EXPECT_NE(run.packMessages.find(c.message), std::string::npos) << c.name << ": " << run.packMessages;
  }
}

}  // namespace
