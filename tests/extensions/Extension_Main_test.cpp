// The start and end functions of extension packages and the calls of their
// functions, held against the messages a game gets when they cannot run:
// a missing initialisation or finalisation function, secure mode, a start
// function that fails.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/Option_Main.h"
#include "base/Support_Path.h"
#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Extension_Main.h"
#include "support/Code_Test_Host.h"
#include "support/Test_Platform.h"
#include "world/Run_Main.h"

namespace {

class CCaught : public testplatform::CErrorWindowDialogs {
public:
  bool Show(std::string_view text, bool fatal) override {
    shown.push_back({std::string(text), fatal});
    return !fatal;
  }
  std::vector<std::pair<std::string, bool>> shown;
};

class ExtensionMain : public ::testing::Test {
protected:
  void SetUp() override {
    testplatform::SetDialogs(&caught);
    ErrorReset();
    m_pending = g_PendingCode;
    SetExtensionCallHandler(Extension_Call);
    FunctionSetExtensionHooks(Extension_FindFunction, Extension_FunctionArgCount);
    // Every report reaches the window, whatever other tests left behind.
    m_display = g_Settings.opt_displayerrors;
    m_abort = g_Settings.opt_aborterrors;
    m_write = g_Settings.opt_writeerrors;
    g_Settings.opt_displayerrors = true;
    g_Settings.opt_aborterrors = false;
    g_Settings.opt_writeerrors = false;
  }
  void TearDown() override {
    SetSecureMode(false);
    g_Extensions.clear();
    Extension_ResetRuntime();
    ErrorReset();
    CodeErrorClear();
    g_PendingCode = m_pending;
    g_Settings.opt_displayerrors = m_display;
    g_Settings.opt_aborterrors = m_abort;
    g_Settings.opt_writeerrors = m_write;
    testplatform::SetDialogs(nullptr);
  }

  // One package with one script-language file: the functions by name with
  // their sections' code, and the file's start and end function names.
  void AddPackage(const std::string &name, const std::vector<std::pair<std::string, std::string>> &functions,
                  const std::string &init, const std::string &final) {
    auto pkg = std::make_unique<CExtensionPackage>();
    pkg->s_name = name;
    auto file = std::make_unique<CExtensionFile>();
    file->s_kind = CExtensionFile::kScriptSource;
    file->s_init = init;
    file->s_final = final;
    for (const auto &[fname, body] : functions) {
      auto fn = std::make_unique<CExtensionFunction>();
      fn->s_name = fn->s_extname = fname;
      fn->s_id = m_nextId++;
      fn->s_argcount = -1;
      fn->s_script = body;
      file->s_functions.push_back(std::move(fn));
    }
    pkg->s_includes.push_back(std::move(file));
    g_Extensions.push_back(std::move(pkg));
  }

  bool Prepare() {
    std::string message;
    const bool ok = Extension_Prepare(host.self, message);
    EXPECT_EQ(message, "");
    return ok;
  }

  CCodeHost host;
  CCaught caught;
  int32_t m_nextId = 0;
  int32_t m_pending = 0;
  bool m_display = true, m_abort = false, m_write = false;
};

TEST_F(ExtensionMain, StartAndEndFunctionsRunInPackageOrder) {
  AddPackage("one", {{"one_init", "global.trail += \"one init,\";"}, {"one_final", "global.trail += \"one final,\";"}},
             "one_init", "one_final");
  AddPackage("two", {{"two_init", "global.trail += \"two init,\";"}, {"two_final", "global.trail += \"two final,\";"}},
             "two_init", "two_final");
  host.Run("global.trail = \"\";");
  ASSERT_TRUE(Prepare());
  EXPECT_TRUE(Extension_Initialize(host.self));
  EXPECT_TRUE(Extension_Finalize(host.self));
  EXPECT_EQ(host.Global("trail").str.str(), "one init,two init,one final,two final,");
  EXPECT_TRUE(caught.shown.empty());
}

// Each failure is fatal and stops the rest: the package after it does not run.
TEST_F(ExtensionMain, AFailedStartOrEndIsFatal) {
  struct RCase {
    const char *name;
    std::string init, final;
    bool secure;
    bool atEnd;
    std::string message;
  };
  const std::vector<RCase> cases = {
      {"no such init", "nope", "", false, false, "Could not locate initialization function nope"},
      {"no such final", "", "nope", false, true, "Could not locate finalization function nope"},
      {"secure mode at the start", "f", "", true, false, "In secure mode you cannot use extension packages."},
      {"secure mode at the end", "", "f", true, true, "In secure mode you cannot use extension packages."},
      {"a failing init", "bad", "", false, false, "In extension function bad:"},
  };
  for (const RCase &c : cases) {
    g_Extensions.clear();
    caught.shown.clear();
    ErrorReset();
    AddPackage("p", {{"f", "global.ran = 1;"}, {"bad", "return no_such_variable;"}}, c.init, c.final);
    AddPackage("q", {{"g", "global.ran = 2;"}}, "g", "g");
    host.Run("global.ran = 0;");
    ASSERT_TRUE(Prepare()) << c.name;
    SetSecureMode(c.secure);
    EXPECT_FALSE(c.atEnd ? Extension_Finalize(host.self) : Extension_Initialize(host.self)) << c.name;
    SetSecureMode(false);
    ASSERT_EQ(caught.shown.size(), 1u) << c.name;
    EXPECT_NE(caught.shown[0].first.find(c.message), std::string::npos) << c.name << ": " << caught.shown[0].first;
    EXPECT_TRUE(caught.shown[0].second) << c.name;
    EXPECT_EQ(host.Global("ran").val, 0.0) << c.name;
  }
}

TEST_F(ExtensionMain, CallsBySecureModeAndUnknownIds) {
  AddPackage("p", {{"ext_twice", "return argument0 * 2;"}, {"ext_deep", "return ext_deep(argument0 + 1);"}}, "", "");
  ASSERT_TRUE(Prepare());
  EXPECT_EQ(host.Eval("ext_twice(21)").Real(), 42.0);
  // Endless recursion ends as a script's does, with the function named.
  const ROutcome deep = host.Eval("ext_deep(0)");
  EXPECT_FALSE(deep.ok);
  EXPECT_NE(deep.error.find("In extension function ext_deep:"), std::string::npos) << deep.error.substr(0, 200);
  EXPECT_NE(deep.error.find(kRecursionMessage), std::string::npos);
  SetSecureMode(true);
  const ROutcome refused = host.Eval("ext_twice(21)");
  SetSecureMode(false);
  EXPECT_FALSE(refused.ok);
  EXPECT_NE(refused.error.find("In secure mode you cannot use extension packages."), std::string::npos) << refused.error;
  RValue result;
  EXPECT_FALSE(Extension_Call(77, host.self, host.self, 0, nullptr, result));
  CodeErrorClear();
}

// A constant of a package that cannot be defined stops preparation with the
// constant's message.
TEST_F(ExtensionMain, ABadConstantStopsPreparation) {
  AddPackage("p", {}, "", "");
  auto c = std::make_unique<CExtensionConstant>();
  c->s_name = "9lives";
  c->s_value = "1";
  g_Extensions[0]->s_includes[0]->s_constants.push_back(std::move(c));
  std::string message;
  EXPECT_FALSE(Extension_Prepare(host.self, message));
  EXPECT_NE(message.find("9lives"), std::string::npos) << message;
}

}  // namespace
