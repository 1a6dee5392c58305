#include "code/Variable_BuiltIn.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "code/Code_Error.h"
#include "code/Variable_Main.h"
#include "support/Test_Platform.h"
#include "base/Option_Main.h"

namespace {

struct CatalogRow {
  std::string name;
  bool writable;
  bool isArray;
  int32_t index;
};

std::vector<CatalogRow> LoadCatalog() {
  std::ifstream in(std::string(QUILLON_SOURCE_DIR) + "/tests/code/catalog/variables.tsv");
  std::vector<CatalogRow> rows;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    CatalogRow r;
    std::string access, shape;
    fields >> r.name >> access >> shape >> r.index;
    r.writable = access == "rw";
    r.isArray = shape == "array";
    rows.push_back(r);
  }
  return rows;
}

// Captures reported errors instead of printing them.
class RecordingWindow : public testplatform::CErrorWindowDialogs {
public:
  std::vector<std::string> shown;
  bool Show(std::string_view text, bool) override {
    shown.emplace_back(text);
    return true;
  }
};

class BuiltinTest : public ::testing::Test {
protected:
  void SetUp() override {
    BuiltinRegisterAll();
    m_settings = {g_Settings.opt_argumenterrors, g_Settings.opt_displayerrors, g_Settings.opt_writeerrors,
                  g_Settings.opt_aborterrors};
    g_Settings.opt_displayerrors = true;
    g_Settings.opt_writeerrors = false;
    g_Settings.opt_aborterrors = false;
    testplatform::SetDialogs(&m_window);
    ErrorReset();
    m_call = g_ScriptCall;
  }
  void TearDown() override {
    g_ScriptCall = m_call;
    testplatform::SetDialogs(nullptr);
    ErrorReset();
    g_Settings.opt_argumenterrors = m_settings[0];
    g_Settings.opt_displayerrors = m_settings[1];
    g_Settings.opt_writeerrors = m_settings[2];
    g_Settings.opt_aborterrors = m_settings[3];
  }

  static RValue Get(const char *name, int32_t arr = 0, bool *found = nullptr) {
    const RBuiltinVariable *e = BuiltinEntry(BuiltinFind(name));
    EXPECT_NE(e, nullptr) << name;
    RValue v = RValue::Str(RString("unread"));
    const bool ok = e->getter(nullptr, arr, v);
    if (found) *found = ok;
    return v;
  }
  static bool Set(const char *name, const RValue &value, int32_t arr = 0) {
    const RBuiltinVariable *e = BuiltinEntry(BuiltinFind(name));
    EXPECT_NE(e, nullptr) << name;
    EXPECT_NE(e->setter, nullptr) << name;
    return e->setter(nullptr, arr, value);
  }

  RecordingWindow m_window;
  std::array<bool, 4> m_settings = {};
  RScriptCallState m_call;
};

TEST_F(BuiltinTest, TableFollowsTheCatalogue) {
  const std::vector<CatalogRow> rows = LoadCatalog();
  ASSERT_EQ(rows.size(), static_cast<size_t>(builtin::kCount));
  ASSERT_GE(BuiltinCount(), builtin::kCount);
  for (const CatalogRow &r : rows) {
    const RBuiltinVariable *e = BuiltinEntry(r.index);
    ASSERT_NE(e, nullptr) << r.name;
    EXPECT_EQ(e->name, r.name) << r.index;
    EXPECT_EQ(BuiltinFind(r.name), r.index) << r.name;
    EXPECT_EQ(e->writable, r.writable) << r.name;
    EXPECT_EQ(e->setter != nullptr, r.writable) << r.name;
    EXPECT_EQ(e->isArray, r.isArray) << r.name;
    EXPECT_NE(e->getter, nullptr) << r.name;
  }
  EXPECT_EQ(BuiltinName(builtin::kArgument0 + 15), "argument15");
  EXPECT_EQ(BuiltinFind("X"), -1);
  EXPECT_EQ(BuiltinName(BuiltinCount()), "<unknown built-in variable>");
}

TEST_F(BuiltinTest, StoredVariablesKeepTheirValuesPerElement) {
  ASSERT_TRUE(Set("score", RValue::Real(3)));
  EXPECT_EQ(Get("score").val, 3);
  EXPECT_EQ(Get("score", 7).val, 3);  // a scalar ignores the index

  ASSERT_TRUE(Set("alarm", RValue::Real(5), 12));  // alarm[12] is alarm[0]
  EXPECT_EQ(Get("alarm", 0).val, 5);
  ASSERT_TRUE(Set("alarm", RValue::Real(9), 11));
  EXPECT_EQ(Get("alarm", 11).val, 9);
  EXPECT_EQ(Get("alarm", 0).val, 5);

  ASSERT_TRUE(Set("view_xview", RValue::Real(40), 0));
  ASSERT_TRUE(Set("view_xview", RValue::Real(70), 7));
  EXPECT_EQ(Get("view_xview", -1).val, 40);  // view_xview[-1] reads view 0
  EXPECT_EQ(Get("view_xview", 8).val, 40);
  EXPECT_EQ(Get("view_xview", 7).val, 70);

  // The runner fills read-only values directly.
  ASSERT_TRUE(BuiltinStore("game_id", RValue::Real(1234)));
  EXPECT_EQ(Get("game_id").val, 1234);
  EXPECT_FALSE(BuiltinStore("no_such_variable", RValue::Real(1)));
}

TEST_F(BuiltinTest, FixedAndLanguageValues) {
  EXPECT_EQ(Get("quillon_version").val, 810);
  EXPECT_EQ(Get("os_type").val, 0);
  EXPECT_EQ(Get("os_browser").val, -1);
  EXPECT_EQ(Get("async_load").val, -1);
  const RValue wd = Get("working_directory");
  ASSERT_TRUE(wd.IsString());
  EXPECT_FALSE(wd.str.empty());
  const double month = Get("current_month").val;
  EXPECT_TRUE(month >= 1 && month <= 12);
  const double weekday = Get("current_weekday").val;
  EXPECT_TRUE(weekday >= 1 && weekday <= 7);
  EXPECT_GT(Get("current_time").val, 0);
}

TEST_F(BuiltinTest, OwnersInstallAccessButNotWriteAccess) {
  static double s_x = 0;
  auto get = [](CInstance *, int32_t, RValue &v) { v.SetReal(s_x); return true; };
  auto set = [](CInstance *, int32_t, const RValue &v) { s_x = v.val; return true; };
  const RBuiltinVariable saved = *BuiltinEntry(BuiltinFind("fps"));
  ASSERT_TRUE(BuiltinSetAccess("fps", get, set));
  EXPECT_EQ(BuiltinEntry(BuiltinFind("fps"))->setter, nullptr);  // fps stays read-only
  s_x = 30;
  EXPECT_EQ(Get("fps").val, 30);
  ASSERT_TRUE(BuiltinSetAccess("fps", saved.getter, saved.setter));
  EXPECT_FALSE(BuiltinSetAccess("no_such_variable", get, set));
}

TEST_F(BuiltinTest, ArgumentsReadTheCallState) {
  g_Settings.opt_argumenterrors = false;
  g_ScriptCall.argumentCount = 2;
  g_ScriptCall.argument[0] = RValue::Real(10);
  g_ScriptCall.argument[1] = RValue::Str(RString("b"));
  g_ScriptCall.argument[15] = RValue::Real(15);
  EXPECT_EQ(Get("argument0").val, 10);
  EXPECT_EQ(Get("argument1").str.view(), "b");
  EXPECT_EQ(Get("argument15").val, 15);
  EXPECT_EQ(Get("argument", 1).str.view(), "b");
  EXPECT_EQ(Get("argument", 15).val, 15);
  EXPECT_EQ(Get("argument", 20).val, 10);  // outside 0..15 is slot 0
  EXPECT_EQ(Get("argument_count").val, 2);
  ASSERT_TRUE(Set("argument", RValue::Real(7), 3));
  EXPECT_EQ(g_ScriptCall.argument[3].val, 7);
  ASSERT_TRUE(Set("argument2", RValue::Real(8)));
  EXPECT_EQ(g_ScriptCall.argument[2].val, 8);
  EXPECT_TRUE(m_window.shown.empty());
}

TEST_F(BuiltinTest, ArgumentBeyondTheCountReportsWhenChecked) {
  g_Settings.opt_argumenterrors = true;
  g_ScriptCall.argumentCount = 0;
  g_ScriptCall.scriptName = "scr_move";
  bool found = true;
  Get("argument", 20, &found);
  EXPECT_FALSE(found);
  const std::string expected =
      "Illegal array index in script \"scr_move\".\rtrying to access argument[0], but only 0 arguments have been "
      "supplied.";
  ASSERT_EQ(m_window.shown.size(), 1u);
  EXPECT_EQ(m_window.shown[0], expected);
  EXPECT_EQ(ErrorLast(), expected);
  EXPECT_FALSE(ErrorAborting());

  g_ScriptCall.argumentCount = 2;
  g_ScriptCall.argument[1] = RValue::Real(4);
  EXPECT_EQ(Get("argument", 1, &found).val, 4);
  EXPECT_TRUE(found);
  Get("argument", 2, &found);
  EXPECT_FALSE(found);
  EXPECT_EQ(m_window.shown.back(),
            "Illegal array index in script \"scr_move\".\rtrying to access argument[2], but only 2 arguments have "
            "been supplied.");
}

TEST_F(BuiltinTest, ErrorVariables) {
  EXPECT_EQ(Get("error_occurred").val, 0);
  ReportError("first", false);
  EXPECT_EQ(Get("error_occurred").val, 1);
  EXPECT_EQ(Get("error_last").str.view(), "first");
  ASSERT_TRUE(Set("error_occurred", RValue::Real(0)));
  EXPECT_EQ(Get("error_occurred").val, 0);
  ASSERT_TRUE(Set("error_occurred", RValue::Real(0.5)));
  EXPECT_EQ(Get("error_occurred").val, 1);
  ASSERT_TRUE(Set("error_last", RValue::Str(RString("mine"))));
  EXPECT_EQ(ErrorLast(), "mine");
  ASSERT_TRUE(Set("error_last", RValue::Real(3)));  // a real's text is empty
  EXPECT_EQ(ErrorLast(), "");
}

TEST_F(BuiltinTest, EventVariablesReadTheProvider) {
  EXPECT_EQ(Get("event_type").val, 0);
  BuiltinSetEventProvider([] {
    RBuiltinEventInfo info;
    info.eventType = 100000;
    info.eventNumber = 30;
    info.eventObject = 2;
    info.eventAction = 4;
    info.relative = true;
    return info;
  });
  EXPECT_EQ(Get("event_type").val, 100000);
  EXPECT_EQ(Get("event_number").val, 30);
  EXPECT_EQ(Get("event_object").val, 2);
  EXPECT_EQ(Get("event_action").val, 4);
  EXPECT_EQ(Get("argument_relative").val, 1);
  BuiltinSetEventProvider(nullptr);
}

// Filling the table would change it for every later test, so the filling
// runs in a child process.
TEST_F(BuiltinTest, TableStopsAtFiveHundredEntries) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        for (int32_t i = BuiltinCount(); i < kMaxBuiltinVariables; ++i)
          if (BuiltinAdd("builtin_test_fill_" + std::to_string(i), nullptr, nullptr, false) != i) std::exit(2);
        const bool refused = BuiltinAdd("builtin_test_one_too_many", nullptr, nullptr, false) == -1;
        const bool full = BuiltinCount() == kMaxBuiltinVariables && BuiltinFind("builtin_test_one_too_many") == -1;
        std::exit(refused && full ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "INTERNAL ERROR: Adding too many variables");
}

}  // namespace
