#include "code/Variable_Main.h"

#include <gtest/gtest.h>

#include <string>

#include "code/Variable_BuiltIn.h"
#include "base/Option_Main.h"
#include "base/Support_Stream.h"

namespace {

TEST(VariableNames, BuiltinsFirstThenFindOrAppend) {
  BuiltinRegisterAll();
  EXPECT_EQ(VariableIndex("x"), 0);
  EXPECT_EQ(VariableIndex("argument"), builtin::kArgument);

  // Names new to this process, even when the test is repeated.
  static int s_run = 0;
  const std::string p = "names_test_" + std::to_string(++s_run) + "_";
  const int32_t before = VariableUserCount();
  const int32_t first = VariableIndex(p + "first");
  const int32_t second = VariableIndex(p + "second");
  EXPECT_EQ(first, kUserVariableBase + before);
  EXPECT_EQ(second, first + 1);
  EXPECT_EQ(VariableIndex(p + "first"), first);  // found, not appended
  EXPECT_NE(VariableIndex(p + "First"), first);  // case-sensitive
  EXPECT_EQ(VariableUserCount(), before + 3);

  EXPECT_EQ(VariableFindUser(p + "second"), second);
  EXPECT_EQ(VariableFindUser(p + "never_added"), -1);
  EXPECT_EQ(VariableUserCount(), before + 3);
}

TEST(VariableNames, NamesAndPlaceholders) {
  BuiltinRegisterAll();
  const int32_t i = VariableIndex("names_test_named");
  EXPECT_EQ(VariableName(i), "names_test_named");
  EXPECT_EQ(VariableName(0), "x");
  EXPECT_EQ(VariableName(builtin::kArgumentCount), "argument_count");
  EXPECT_EQ(VariableName(499), "<unknown built-in variable>");
  EXPECT_EQ(VariableName(-3), "<unknown built-in variable>");
  EXPECT_EQ(VariableName(kUserVariableBase + VariableUserCount()), "<unknown variable>");
  EXPECT_EQ(VariableName(2000000000), "<unknown variable>");
}

// A cleared table knows no user name: the next name takes the first user
// index and a name from before is looked up anew, not found by a stale key.
TEST(VariableNames, ClearForgetsEveryUserName) {
  BuiltinRegisterAll();
  const int32_t old = VariableIndex("names_test_before_clear");
  VariableIndex("names_test_other");
  VariableNamesClear();
  EXPECT_EQ(VariableUserCount(), 0);
  EXPECT_EQ(VariableFindUser("names_test_before_clear"), -1);
  EXPECT_EQ(VariableName(old), "<unknown variable>");
  EXPECT_EQ(VariableIndex("x"), 0) << "built-in names stay";
  EXPECT_EQ(VariableIndex("names_test_after_clear"), kUserVariableBase);
  EXPECT_EQ(VariableIndex("names_test_before_clear"), kUserVariableBase + 1);
  EXPECT_EQ(VariableName(kUserVariableBase), "names_test_after_clear");
}

class GlobalStoreTest : public ::testing::Test {
protected:
  void SetUp() override {
    m_uninitZero = g_Settings.opt_uninitzero;
    g_Settings.opt_uninitzero = false;
    GlobalReset();
  }
  void TearDown() override {
    GlobalReset();
    g_Settings.opt_uninitzero = m_uninitZero;
  }

private:
  bool m_uninitZero = false;
};

TEST_F(GlobalStoreTest, DeclaringMakesARealZeroAndSetsTheFlag) {
  const int32_t v = kUserVariableBase + 5;
  RValue out;
  EXPECT_FALSE(IsGlobalDeclared(v));
  EXPECT_FALSE(GlobalGet(v, 0, out));
  GlobalDeclare(v);
  EXPECT_TRUE(IsGlobalDeclared(v));
  out = RValue::Str(RString("s"));
  ASSERT_TRUE(GlobalGet(v, 0, out));
  EXPECT_TRUE(out.IsReal());
  EXPECT_EQ(out.val, 0);
  // Declaring again keeps the value.
  GlobalSet(v, 0, RValue::Real(4));
  GlobalDeclare(v);
  ASSERT_TRUE(GlobalGet(v, 0, out));
  EXPECT_EQ(out.val, 4);
  // Built-in indices are never declared.
  GlobalDeclare(3);
  EXPECT_FALSE(IsGlobalDeclared(3));
  EXPECT_EQ(GlobalVariables().Find(3), nullptr);
}

TEST_F(GlobalStoreTest, FlagsGrowPastTheDeclaredPosition) {
  EXPECT_EQ(GlobalDeclaredFlagCount(), 10000);
  EXPECT_FALSE(IsGlobalDeclared(kUserVariableBase + 10000));
  GlobalDeclare(kUserVariableBase + 10000);
  EXPECT_EQ(GlobalDeclaredFlagCount(), 11000);
  GlobalDeclare(kUserVariableBase + 25000);
  EXPECT_EQ(GlobalDeclaredFlagCount(), 26000);
  EXPECT_TRUE(IsGlobalDeclared(kUserVariableBase + 25000));
  EXPECT_FALSE(IsGlobalDeclared(kUserVariableBase + 24999));
  EXPECT_FALSE(IsGlobalDeclared(kUserVariableBase + 30000));
  GlobalReset();
  EXPECT_EQ(GlobalDeclaredFlagCount(), 10000);
  EXPECT_FALSE(IsGlobalDeclared(kUserVariableBase + 10000));
  EXPECT_EQ(GlobalVariables().Count(), 0);
}

TEST_F(GlobalStoreTest, RecordRoundTripAndWrongVersion) {
  GlobalSet(kUserVariableBase + 1, 32001, RValue::Str(RString("g")));
  GlobalDeclare(kUserVariableBase + 12000);
  CStream stream;
  Global_SaveToStream(stream);
  stream.Seek(0);
  EXPECT_EQ(stream.ReadInteger(), 700);
  stream.Seek(0);

  GlobalReset();
  GlobalSet(kUserVariableBase + 2, 0, RValue::Real(1));
  ASSERT_TRUE(Global_LoadFromStream(stream));
  EXPECT_EQ(stream.Position(), stream.Size());
  RValue out;
  ASSERT_TRUE(GlobalGet(kUserVariableBase + 1, 32001, out));
  EXPECT_EQ(out.str.view(), "g");
  EXPECT_FALSE(GlobalGet(kUserVariableBase + 2, 0, out));
  EXPECT_TRUE(IsGlobalDeclared(kUserVariableBase + 12000));
  EXPECT_EQ(GlobalDeclaredFlagCount(), 13000);

  // Another version changes nothing.
  CStream other;
  other.WriteInteger(701);
  CVariableList().SaveToStream(other);
  other.WriteInteger(0);
  other.Seek(0);
  EXPECT_FALSE(Global_LoadFromStream(other));
  EXPECT_TRUE(GlobalGet(kUserVariableBase + 1, 32001, out));
  EXPECT_TRUE(IsGlobalDeclared(kUserVariableBase + 12000));

  // A record cut short raises and leaves the store as it was.
  CStream cut(std::vector<uint8_t>(stream.Bytes().begin(), stream.Bytes().end() - 8));
  EXPECT_THROW(Global_LoadFromStream(cut), EStreamError);
  EXPECT_TRUE(GlobalGet(kUserVariableBase + 1, 32001, out));
  EXPECT_EQ(GlobalDeclaredFlagCount(), 13000);
}

}  // namespace
