#include "code/Constant_Main.h"

#include <gtest/gtest.h>

#include "base/Support_Stream.h"

TEST(ConstantSection, KeepsNamesAndValueTextsInFileOrder) {
  RConstantList list;
  list.Add(" padded ", "1 + 2");
  list.Add("word", "\"hello\"");
  list.Add("padded", "");
  CStream s;
  Constant_SaveSection(s, list);
  s.Seek(0);
  ASSERT_TRUE(Constant_Load(s));
  EXPECT_EQ(s.Position(), s.Size());
  // Texts stay as stored: the names are checked and trimmed when defined.
  EXPECT_EQ(g_Constants.names, list.names);
  EXPECT_EQ(g_Constants.values, list.values);
}

TEST(ConstantSection, OtherVersionFailsAndEmptiesTheList) {
  g_Constants.Add("stale", "1");
  CStream s;
  s.WriteInteger(810);
  s.WriteInteger(0);
  s.Seek(0);
  EXPECT_FALSE(Constant_Load(s));
  EXPECT_EQ(g_Constants.Count(), 0);
}
