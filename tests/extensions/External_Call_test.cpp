// Games that define and call functions of a native library with
// external_define and external_call: every argument count the calls can
// carry, real and text arguments in mixes, both kinds of result, and every
// message a wrong definition or call gets. The library is a real shared
// library built with the tests; the games run in the real runner.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Extension_Game.h"
#include "base/Support_Registry.h"

namespace {

// What realsN answers for the arguments 1, 2, ..., N.
long RealsAnswer(int n) {
  long sum = 1000L * n;
  for (int i = 1; i <= n; ++i) sum += static_cast<long>(i) * i;
  return sum;
}

std::string Args(int from, int n, const std::string &each) {
  std::string s;
  for (int i = 0; i < n; ++i) s += ", " + (each.empty() ? std::to_string(from + i) : each);
  return s;
}

// external_define can declare at most 11 arguments and external_call pass
// 15, since a call carries 16 values; both calling types give the C call.
TEST(ExternalCall, EveryArgumentCountWithTheGeneralForms) {
  std::string code;
  std::vector<std::string> expected;
  for (int n = 0; n <= 11; ++n) {
    const std::string conv = n % 2 ? "dll_stdcall" : "dll_cdecl";
    code += "fid = external_define(\"ext_native.dll\", \"reals" + std::to_string(n) + "\", " + conv + ", ty_real, " +
            std::to_string(n) + Args(0, n, "ty_real") + ");\n";
    code += "show_debug_message(string(external_call(fid" + Args(1, n, "") + ")));\n";
    expected.push_back(std::to_string(RealsAnswer(n)));
  }
  const RGameRun run = extgame::RunCode(code);
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.Lines(), expected);
}

TEST(ExternalCall, EveryArgumentCountWithTheShortForms) {
  std::string code;
  std::vector<std::string> expected;
  for (int n = 0; n <= 8; ++n) {
    const std::string types = n <= 4 ? Args(0, n, "ty_real") : "";
    code += "fid = external_define" + std::to_string(n) + "(\"ext_native.dll\", \"reals" + std::to_string(n) + "\"" +
            types + ", ty_real);\n";
    code += "show_debug_message(string(external_call" + std::to_string(n) + "(fid" + Args(1, n, "") + ")));\n";
    expected.push_back(std::to_string(RealsAnswer(n)));
  }
  const RGameRun run = extgame::RunCode(code);
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.Lines(), expected);
}

struct RTextCase {
  const char *name;
  std::string code;  // sets r
  std::string expected;
};

// Texts go as UTF-8 bytes and come back copied; reals and texts mix in any
// position; a value of the other kind passes as 0 or empty text.
TEST(ExternalCall, TextsRealsAndTheirMixes) {
  const std::vector<RTextCase> cases = {
      {"a text result", R"(e = external_define0(L, "hello", ty_string); r = external_call0(e);)", "hello"},
      {"UTF-8 both ways", R"(e = external_define1(L, "echo", ty_string, ty_string); r = external_call1(e, "héllo ✓");)",
       "héllo ✓"},
      {"UTF-8 counted in bytes",
       R"(e = external_define1(L, "length", ty_string, ty_real); r = string(external_call1(e, "héllo"));)", "6"},
      {"two texts", R"(e = external_define(L, "join2", dll_stdcall, ty_string, 2, ty_string, ty_string); r = external_call(e, "a", "b");)",
       "a+b"},
      {"real then text", R"(e = external_define2(L, "mix_rs", ty_real, ty_string, ty_string); r = external_call2(e, 2.5, "x");)",
       "2.5:x"},
      {"text, real, text to a real",
       R"(e = external_define(L, "mix_srs", dll_cdecl, ty_real, 3, ty_string, ty_real, ty_string); r = string(external_call(e, "ab", 7, "xyz"));)",
       "210"},
      {"alternating", R"(e = external_define4(L, "mix_rsrs", ty_real, ty_string, ty_real, ty_string, ty_string); r = external_call4(e, 1, "a", -2, "b");)",
       "1:a:-2:b"},
      {"texts first", R"(e = external_define4(L, "mix_ssrr", ty_string, ty_string, ty_real, ty_real, ty_string); r = external_call4(e, "ab", "cd", 5, 2);)",
       "abcd3"},
      {"a null text result", R"(e = external_define0(L, "nothing", ty_string); r = "[" + external_call0(e) + "]";)", "[]"},
      {"a real for a text", R"(e = external_define1(L, "echo", ty_string, ty_string); r = "[" + external_call1(e, 5) + "]";)", "[]"},
      {"a text for a real", R"(e = external_define1(L, "reals1", ty_real, ty_real); r = string(external_call1(e, "12"));)", "1000"},
      // The library reuses its buffer: the first answer must have been copied.
      {"text results are copies",
       R"(e = external_define1(L, "echo", ty_string, ty_string); a = external_call1(e, "first"); b = external_call1(e, "second"); r = a + "," + b;)",
       "first,second"},
      {"one load for any case of the name",
       R"(e = external_define0("EXT_Native.DLL", "hello", ty_string); f = external_define0(L, "reals0", ty_real); r = string(e) + string(f) + external_call0(e);)",
       "01hello"},
  };
  std::string code = "L = \"ext_native.dll\";\n";
  std::vector<std::string> expected;
  for (const RTextCase &c : cases) {
    code += "{ " + c.code + " show_debug_message(r); }\n";
    expected.push_back(c.expected);
  }
  // The last case counts ids from 0: run it in a game of its own.
  const RTextCase &last = cases.back();
  code.erase(code.rfind("{ " + last.code));
  expected.pop_back();
  RGameRun run = extgame::RunCode(code);
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.Lines(), expected);
  run = extgame::RunCode("L = \"ext_native.dll\";\n{ " + last.code + " show_debug_message(r); }\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.Lines(), std::vector<std::string>{last.expected});
}

struct RMessageCase {
  const char *name;
  std::string code;      // prints something after the failure
  std::string printed;   // the one line printed
  std::string message;   // the reported message
};

// Each wrong definition or call is reported as a non-fatal error and the
// game goes on: a refused definition answers -1, a refused call 0.
TEST(ExternalCall, EveryMessageOfAWrongDefinitionOrCall) {
  const std::vector<RMessageCase> cases = {
      {"no such library", R"(r = external_define0("nosuch.dll", "hello", ty_string);)", "-1",
       "Error defining an external function."},
      {"no such function", R"(r = external_define0(L, "nosuchfunction", ty_real);)", "-1",
       "Error defining an external function."},
      {"garbage bytes for a library", R"(r = external_define0("garbage.dll", "hello", ty_string);)", "-1",
       "Error defining an external function."},
      {"a broken library header", R"(r = external_define0("broken.dll", "hello", ty_string);)", "-1",
       "Error defining an external function."},
      {"fewer than five arguments", R"(r = external_define(L, "reals0", dll_cdecl, ty_real);)", "-1",
       "Wrong number of arguments to external_define()"},
      {"more types than arguments", R"(r = external_define(L, "reals1", dll_cdecl, ty_real, 1, ty_real, ty_real);)", "-1",
       "Wrong number of arguments to external_define()"},
      {"more than 16 arguments", R"(r = external_define(L, "reals1", dll_cdecl, ty_real, 17);)", "-1",
       "DLL functions can have at most 16 arguments"},
      {"texts beyond four arguments",
       R"(r = external_define(L, "reals5", dll_cdecl, ty_real, 5, ty_real, ty_string, ty_real, ty_real, ty_real);)", "-1",
       "DLL functions with more than 4 arguments cannot have string arguments"},
      {"too few call arguments", R"(e = external_define(L, "reals2", dll_stdcall, ty_real, 2, ty_real, ty_string); r = external_call(e, 1);)",
       "0", "Calling DLL function with wrong number of arguments."},
      {"too many call arguments", R"(e = external_define1(L, "reals1", ty_real, ty_real); r = external_call(e, 1, 2);)", "0",
       "Calling DLL function with wrong number of arguments."},
      {"an unknown id", R"(r = external_call(99, 1);)", "0", "Unable to find DLL function with id=99"},
      {"a call after external_free",
       R"(e = external_define0(L, "reals0", ty_real); external_free("EXT_NATIVE.dll"); r = external_call0(e);)", "0",
       "Calling DLL function - unable to load DLL"},
  };
  // One game makes every mistake in turn; each report names its own.
  std::string code = "L = \"ext_native.dll\";\n";
  std::vector<std::string> printed;
  for (const RMessageCase &c : cases) {
    code += "{ " + c.code + " show_debug_message(string(r)); }\n";
    printed.push_back(c.printed);
  }
  CGameProject project(extgame::Manifest());
  project.Write("main.qs", code);
  extgame::PutLibrary(project, "ext_native.so");
  project.Dir().Write("garbage.so", std::string(4096, '\x5a') + "not a library at all");
  project.Dir().Write("broken.so", std::string("\x7f" "ELF\x02\x01\x01", 7) + std::string(100, '\xff'));
  const RGameRun run = project.Run("--steps 1");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.Lines(), printed) << run.err;
  size_t at = 0;
  for (const RMessageCase &c : cases) {
    const size_t report = run.err.find("ERROR in", at);
    ASSERT_NE(report, std::string::npos) << c.name << ": no report\n" << run.err;
    at = run.err.find(c.message, report);
    ASSERT_NE(at, std::string::npos) << c.name << ": " << run.err.substr(report);
    const size_t next = run.err.find("ERROR in", report + 1);
    EXPECT_TRUE(next == std::string::npos || at < next) << c.name << ": " << run.err.substr(report);
  }
  EXPECT_EQ(run.err.find("ERROR in", at), std::string::npos) << run.err.substr(at);
}

// A library freed is loaded again by the next definition; functions defined
// before the free stay unusable.
TEST(ExternalCall, AFreedLibraryLoadsAgain) {
  const RGameRun run = extgame::RunCode(R"(
    a = external_define1("ext_native.dll", "reals1", ty_real, ty_real);
    external_free("ext_native.dll");
    b = external_define1("ext_native.dll", "reals1", ty_real, ty_real);
    show_debug_message(string(external_call1(b, 3)));
    show_debug_message(string(external_call1(a, 3)));)");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.Lines(), (std::vector<std::string>{"1003", "0"}));
  EXPECT_NE(run.err.find("Calling DLL function - unable to load DLL"), std::string::npos) << run.err;
}

// get_function_address identifies built-in functions only.
TEST(ExternalCall, FunctionAddressesOfBuiltInsOnly) {
  const RGameRun run = extgame::RunCode(R"(
    show_debug_message(string(get_function_address("external_call") >= 0));
    show_debug_message(string(get_function_address("external_call") == get_function_address("external_free")));
    show_debug_message(string(get_function_address("main")));
    show_debug_message(string(get_function_address("no_such_function")));)");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.Lines(), (std::vector<std::string>{"1", "0", "-1", "-1"}));
}

// With secure mode on, no game code reaches a native library: every
// function of the family refuses.
TEST(ExternalCall, SecureModeRefusesEveryFunction) {
  CGameProject project(extgame::Manifest());
  project.Write("main.qs", R"(
    show_debug_message(string(external_define0("ext_native.dll", "reals0", ty_real)));
    show_debug_message(string(external_define("ext_native.dll", "reals0", dll_cdecl, ty_real, 0)));
    show_debug_message(string(external_call0(0)));
    external_free("ext_native.dll");
    show_debug_message(string(get_function_address("external_call")));)");
  extgame::PutLibrary(project, "ext_native.so");
  const std::string config = project.Dir() / "config";
  std::filesystem::create_directories(config);
  const char *old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  RRegValue on;
  on.kind = RRegValue::kNumber;
  on.number = 1;
  ASSERT_TRUE(RegistryWrite(RegRoot::kCurrentUser, "Software\\Quillon\\Version 8.1\\Preferences", "Warning", on));
  const RGameRun run = project.Run("--steps 1");
  if (old) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else ::unsetenv("XDG_CONFIG_HOME");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.Lines(), (std::vector<std::string>{"-1", "-1", "0", "-1"}));
  size_t reports = 0;
  for (size_t at = run.err.find("In secure mode you cannot use DLLs"); at != std::string::npos;
       at = run.err.find("In secure mode you cannot use DLLs", at + 1))
    ++reports;
  EXPECT_EQ(reports, 5u) << run.err;
}

}  // namespace
