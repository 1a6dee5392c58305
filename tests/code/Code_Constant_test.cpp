#include "code/Code_Constant.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "code/Code_Error.h"
#include "code/Script_Main.h"
#include "code/Variable_BuiltIn.h"
#include "base/Option_Main.h"

namespace {

class ConstantTest : public ::testing::Test {
protected:
  void SetUp() override {
    ConstantRegisterBuiltins();
    ConstantResetToBuiltins();
  }
  void TearDown() override {
    for (int k = 0; k < static_cast<int>(TConstantSource::Count); ++k)
      ConstantSetFinder(static_cast<TConstantSource>(k), nullptr);
    ConstantResetToBuiltins();
  }
  static double Find(std::string_view name) {
    RValue v = RValue::Str(RString("none"));
    if (!ConstantFind(name, v)) return -12345;
    EXPECT_TRUE(v.IsReal()) << name;
    return v.val;
  }
};

TEST_F(ConstantTest, BuiltinsFollowTheCatalogue) {
  std::ifstream in(std::string(QUILLON_SOURCE_DIR) + "/tests/code/catalog/constants.tsv");
  ASSERT_TRUE(in.good());
  std::string line;
  int32_t index = 0;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string name, value;
    fields >> name >> value;
    ASSERT_LT(index, ConstantCount());
    EXPECT_EQ(ConstantName(index), name) << index;
    const RValue &v = ConstantValue(index);
    EXPECT_TRUE(v.IsReal()) << name;
    EXPECT_EQ(v.val, std::stod(value)) << name;
    ++index;
  }
  EXPECT_EQ(index, kBuiltinConstantCount);
  EXPECT_EQ(ConstantCount(), kBuiltinConstantCount);
  // A second registration adds nothing.
  ConstantRegisterBuiltins();
  EXPECT_EQ(ConstantCount(), kBuiltinConstantCount);
}

TEST_F(ConstantTest, LaterConstantsHideEarlierOnes) {
  EXPECT_EQ(Find("c_red"), 255);
  ConstantAdd("c_red", RValue::Real(5));
  EXPECT_EQ(Find("c_red"), 5);
  ConstantAdd("c_red", RValue::Real(6));
  EXPECT_EQ(Find("c_red"), 6);
  ConstantAdd("ctest_text", RValue::Str(RString("hello")));
  RValue v;
  ASSERT_TRUE(ConstantFind("ctest_text", v));
  EXPECT_EQ(v.str.view(), "hello");
  EXPECT_EQ(Find("C_RED"), -12345);  // exact case
  ConstantResetToBuiltins();
  EXPECT_EQ(Find("c_red"), 255);
  EXPECT_EQ(Find("ctest_text"), -12345);
}

// Each kind of name is asked in a fixed order; the first that knows the
// name answers with its resource index.
TEST_F(ConstantTest, ResourceNamesComeFirstInTheirOrder) {
  static const TNameFinder finders[] = {
      [](std::string_view n) -> int32_t { return n == "shared" ? 0 : -1; },
      [](std::string_view n) -> int32_t { return n == "shared" ? 1 : -1; },
      [](std::string_view n) -> int32_t { return n == "shared" ? 2 : -1; },
      [](std::string_view n) -> int32_t { return n == "shared" ? 3 : -1; },
      [](std::string_view n) -> int32_t { return n == "shared" ? 4 : -1; },
      [](std::string_view n) -> int32_t { return n == "shared" ? 5 : -1; },
      [](std::string_view n) -> int32_t { return n == "shared" ? 6 : -1; },
      [](std::string_view n) -> int32_t { return n == "shared" ? 7 : -1; },
      [](std::string_view n) -> int32_t { return n == "shared" ? 8 : -1; },
      [](std::string_view n) -> int32_t { return n == "shared" ? 9 : -1; },
  };
  static_assert(std::size(finders) == static_cast<size_t>(TConstantSource::Count));
  ConstantAdd("shared", RValue::Real(100));
  for (int k = 0; k < static_cast<int>(TConstantSource::Count); ++k)
    ConstantSetFinder(static_cast<TConstantSource>(k), finders[k]);
  for (int k = 0; k < static_cast<int>(TConstantSource::Count); ++k) {
    EXPECT_EQ(Find("shared"), k) << k;
    ConstantSetFinder(static_cast<TConstantSource>(k), nullptr);
  }
  EXPECT_EQ(Find("shared"), 100);  // then the table
}

TEST_F(ConstantTest, SpriteNameWinsOverBuiltinAndGameConstant) {
  ConstantAdd("c_red", RValue::Real(5));
  ConstantSetFinder(TConstantSource::Sprite, [](std::string_view n) -> int32_t { return n == "c_red" ? 3 : -1; });
  EXPECT_EQ(Find("c_red"), 3);
  EXPECT_EQ(Find("c_blue"), 16711680);
}

TEST_F(ConstantTest, ScriptNamesResolveWithoutAFinder) {
  const size_t count = g_Scripts.items.size();
  g_Scripts.items.push_back(nullptr);
  g_Scripts.names.emplace_back();
  g_Scripts.items.push_back(std::make_unique<CScript>());
  g_Scripts.names.emplace_back("ctest_script");
  EXPECT_EQ(Find("ctest_script"), static_cast<double>(count + 1));
  // A room of the same name comes after the script.
  ConstantSetFinder(TConstantSource::Room, [](std::string_view) -> int32_t { return 0; });
  EXPECT_EQ(Find("ctest_script"), static_cast<double>(count + 1));
  g_Scripts.items.resize(count);
  g_Scripts.names.resize(count);
  EXPECT_EQ(Find("ctest_script"), 0);  // now the room
}

// The game's constants, defined in file order at preparation.
TEST_F(ConstantTest, GameConstantsAreEvaluatedInOrder) {
  BuiltinRegisterAll();
  std::string message = "stale";
  ASSERT_TRUE(ConstantsDefine({"base", "  doubled ", "c_red", "text"},
                              {"3", "base * 2", "5", "\"ab\" + \"cd\""}, nullptr, message))
      << message;
  EXPECT_EQ(message, "");
  EXPECT_EQ(Find("base"), 3);
  EXPECT_EQ(Find("doubled"), 6);  // trimmed name, earlier constant used
  EXPECT_EQ(Find("c_red"), 5);    // hides the built-in
  RValue v;
  ASSERT_TRUE(ConstantFind("text", v));
  EXPECT_EQ(v.str.view(), "abcd");
  EXPECT_FALSE(CodeErrorFlag());
}

TEST_F(ConstantTest, InvalidGameConstantsStopWithTheirMessage) {
  BuiltinRegisterAll();
  struct Case {
    std::vector<std::string> names, values;
    const char *message;
    int32_t added;  // constants defined before the failure
  };
  const std::vector<Case> cases = {
      {{"ok", "1abc"}, {"1", "2"}, "Constant name 1abc  is not valid.", 1},
      {{" "}, {"2"}, "Constant name   is not valid.", 0},
      {{"later_use", "later"}, {"later * 2", "4"}, "Value for constant later_use  is not valid.", 0},
      {{"broken"}, {"1 +"}, "Value for constant broken  is not valid.", 0},
      {{"wrongtype"}, {"\"a\" - 1"}, "Value for constant wrongtype  is not valid.", 0},
  };
  const bool savedZero = g_Settings.opt_uninitzero;
  g_Settings.opt_uninitzero = false;
  for (const Case &c : cases) {
    ConstantResetToBuiltins();
    std::string message;
    EXPECT_FALSE(ConstantsDefine(c.names, c.values, nullptr, message));
    EXPECT_EQ(message, c.message);
    EXPECT_EQ(ConstantCount(), kBuiltinConstantCount + c.added) << c.message;
    EXPECT_FALSE(CodeErrorFlag());
  }
  g_Settings.opt_uninitzero = savedZero;
}

TEST(ConstantNames, TrimAndValidate) {
  struct Case {
    const char *raw;
    const char *trimmed;
    bool valid;
  };
  const Case cases[] = {
      {"  speed_max \t", "speed_max", true},
      {"\r\nA1", "A1", true},
      {"_x", "_x", true},
      {"1abc", "1abc", false},
      {"a b", "a b", false},
      {"caf\xC3\xA9", "caf\xC3\xA9", false},  // ASCII only
      {"a-b", "a-b", false},
      {"   ", "", false},
  };
  for (const Case &c : cases) {
    const std::string t = ConstantTrimName(c.raw);
    EXPECT_EQ(t, c.trimmed) << c.raw;
    EXPECT_EQ(ConstantNameValid(t), c.valid) << c.raw;
  }
}

}  // namespace
