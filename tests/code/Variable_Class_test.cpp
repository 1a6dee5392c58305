#include "code/Variable_Class.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/Option_Main.h"
#include "base/Support_Stream.h"

namespace {

constexpr int32_t kA = 100000;
constexpr int32_t kB = 100001;

class VariableListTest : public ::testing::Test {
protected:
  void SetUp() override { m_saved = g_Settings.opt_uninitzero; g_Settings.opt_uninitzero = false; }
  void TearDown() override { g_Settings.opt_uninitzero = m_saved; }

  // Reads a cell; a missing cell gives the marker string "missing".
  static RValue Read(const CVariableList &list, int32_t var, int32_t arr) {
    RValue v = RValue::Str(RString("missing"));
    if (!list.GetVar(var, arr, v)) {
      EXPECT_EQ(v.str.view(), "missing");
    }
    return v;
  }

private:
  bool m_saved = false;
};

int32_t Cell(int32_t i, int32_t j) { return i * kArrayDim + j; }

TEST_F(VariableListTest, CellsShareTheSimpleValueAndTwoIndexForms) {
  CVariableList list;
  list.SetVar(kA, 0, RValue::Real(3));
  EXPECT_EQ(Read(list, kA, Cell(0, 0)).val, 3);  // a = 3; a[0,0]
  list.SetVar(kA, Cell(0, 0), RValue::Real(7));
  EXPECT_EQ(Read(list, kA, 0).val, 7);           // a[0,0] = 7; a

  list.SetVar(kA, Cell(0, 1), RValue::Real(11));  // a[0,1] is a[1]
  EXPECT_EQ(Read(list, kA, 1).val, 11);
  list.SetVar(kA, Cell(1, 0), RValue::Real(13));  // a[1,0] is cell 32000: row 1, column 0
  EXPECT_EQ(Read(list, kA, 32000).val, 13);
  const RVariable *v = list.Find(kA);
  ASSERT_NE(v, nullptr);
  ASSERT_EQ(v->value.size(), 2u);
  EXPECT_EQ(v->value[0].size(), 2u);
  EXPECT_EQ(v->value[1].size(), 1u);
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(VariableListTest, WritingACellCreatesTheCellsBeforeIt) {
  CVariableList list;
  list.SetVar(kA, 3, RValue::Str(RString("x")));
  for (int32_t i : {0, 1, 2}) {
    const RValue v = Read(list, kA, i);
    EXPECT_TRUE(v.IsReal()) << i;
    EXPECT_EQ(v.val, 0) << i;
  }
  EXPECT_EQ(Read(list, kA, 3).str.view(), "x");
  RValue out = RValue::Real(42);
  EXPECT_FALSE(list.GetVar(kA, 4, out));
  EXPECT_EQ(out.val, 42);  // untouched
  EXPECT_FALSE(list.GetVar(kA, Cell(1, 0), out));  // no row 1
  EXPECT_FALSE(list.GetVar(kB, 0, out));           // no variable
  // Rows grow jaggedly: a later short write does not shrink a row.
  list.SetVar(kA, Cell(2, 5), RValue::Real(1));
  list.SetVar(kA, 1, RValue::Real(2));
  const RVariable *v = list.Find(kA);
  ASSERT_EQ(v->value.size(), 3u);
  EXPECT_EQ(v->value[0].size(), 4u);
  EXPECT_EQ(v->value[1].size(), 0u);
  EXPECT_EQ(v->value[2].size(), 6u);
}

TEST_F(VariableListTest, UninitZeroReadsMissingCellsAsRealZero) {
  CVariableList list;
  list.SetVar(kA, 2, RValue::Real(5));
  g_Settings.opt_uninitzero = true;
  for (auto [var, arr] : {std::pair{kB, 0}, std::pair{kA, 3}, std::pair{kA, Cell(4, 0)}}) {
    RValue out = RValue::Str(RString("stale"));
    ASSERT_TRUE(list.GetVar(var, arr, out));
    EXPECT_TRUE(out.IsReal());  // the stale text is not a string result
    EXPECT_EQ(out.val, 0);
  }
  // An existing string cell is still read as it is.
  list.SetVar(kA, 1, RValue::Str(RString("s")));
  RValue out;
  ASSERT_TRUE(list.GetVar(kA, 1, out));
  EXPECT_EQ(out.str.view(), "s");
}

TEST_F(VariableListTest, InitKeepsExistingAndCreatesZero) {
  CVariableList list;
  list.SetVar(kA, 0, RValue::Real(9));
  list.Init(kA);
  list.Init(kB);
  EXPECT_EQ(Read(list, kA, 0).val, 9);
  const RValue b = Read(list, kB, 0);
  EXPECT_TRUE(b.IsReal());
  EXPECT_EQ(b.val, 0);
  EXPECT_EQ(list.Count(), 2);
}

TEST_F(VariableListTest, AssignIsADeepCopy) {
  CVariableList source;
  source.SetVar(kA, Cell(1, 2), RValue::Real(4));
  CVariableList copy;
  copy.SetVar(kB, 0, RValue::Real(1));
  copy.Assign(source);
  source.SetVar(kA, Cell(1, 2), RValue::Real(5));
  source.SetVar(kA, Cell(3, 0), RValue::Real(6));
  EXPECT_EQ(Read(copy, kA, Cell(1, 2)).val, 4);
  EXPECT_EQ(copy.Find(kA)->value.size(), 2u);
  EXPECT_EQ(copy.Find(kB), nullptr);
}

TEST_F(VariableListTest, SetVarFromACellOfTheSameList) {
  CVariableList list;
  list.SetVar(kA, 1, RValue::Str(RString("keep")));
  // Growing the list may move the source cell; the copy must survive.
  for (int32_t i = 0; i < 50; ++i) list.SetVar(kB + i, 0, *list.Cell(kA, 1));
  EXPECT_EQ(Read(list, kB + 49, 0).str.view(), "keep");
}

TEST_F(VariableListTest, RecordHasTheExactLayout) {
  CVariableList list;
  list.SetVar(kA, 0, RValue::Str(RString("hi")));
  list.SetVar(kA, 1, RValue::Real(2.5));
  CStream out;
  list.SaveToStream(out);

  CStream expected;
  expected.WriteInteger(440);
  expected.WriteInteger(1);        // one variable
  expected.WriteInteger(kA);
  expected.WriteInteger(1);        // simple value: kind string
  expected.WriteReal(0);
  expected.WriteString("hi");
  expected.WriteInteger(1);        // one row
  expected.WriteInteger(2);        // two cells (column 0 unused)
  expected.WriteInteger(0); expected.WriteReal(0); expected.WriteString("");
  expected.WriteInteger(0); expected.WriteReal(2.5); expected.WriteString("");
  EXPECT_EQ(out.Bytes(), expected.Bytes());
}

TEST_F(VariableListTest, SaveAndLoadKeepRowsAndTexts) {
  CVariableList list;
  list.SetVar(kA, Cell(0, 3), RValue::Real(1));
  list.SetVar(kA, Cell(2, 7), RValue::Str(RString("deep")));
  list.SetVar(kB, 0, RValue::Str(RString("b")));
  CStream stream;
  list.SaveToStream(stream);
  stream.Seek(0);

  CVariableList loaded;
  loaded.SetVar(kB + 5, 0, RValue::Real(1));  // cleared by the load
  ASSERT_TRUE(loaded.LoadFromStream(stream));
  EXPECT_EQ(stream.Position(), stream.Size());
  ASSERT_EQ(loaded.Count(), 2);
  const RVariable *a = loaded.Find(kA);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->value.size(), 3u);
  EXPECT_EQ(a->value[0].size(), 4u);
  EXPECT_EQ(a->value[1].size(), 0u);
  EXPECT_EQ(a->value[2].size(), 8u);
  EXPECT_EQ(Read(loaded, kA, Cell(2, 7)).str.view(), "deep");
  EXPECT_EQ(Read(loaded, kA, Cell(0, 3)).val, 1);
  EXPECT_EQ(Read(loaded, kB, 0).str.view(), "b");
  EXPECT_EQ(loaded.Find(kB + 5), nullptr);
}

TEST_F(VariableListTest, WrongVersionLeavesTheListEmpty) {
  CStream stream;
  stream.WriteInteger(441);
  stream.WriteInteger(1);
  stream.WriteInteger(kA);
  stream.Seek(0);
  CVariableList list;
  list.SetVar(kA, 0, RValue::Real(1));
  EXPECT_FALSE(list.LoadFromStream(stream));
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(stream.Position(), 4);  // nothing read past the version
}

TEST_F(VariableListTest, DamagedRecordsFailWithoutPartialContent) {
  CVariableList good;
  good.SetVar(kA, 5, RValue::Real(1));
  CStream full;
  good.SaveToStream(full);
  // Every truncation raises a stream error and leaves the list empty.
  for (int64_t cut = 4; cut < full.Size(); cut += 3) {
    CStream part(std::vector<uint8_t>(full.Bytes().begin(), full.Bytes().begin() + cut));
    CVariableList list;
    list.SetVar(kB, 0, RValue::Real(1));
    EXPECT_THROW(list.LoadFromStream(part), EStreamError) << cut;
    EXPECT_EQ(list.Count(), 0) << cut;
  }
  // A huge count is refused before anything is allocated for it.
  CStream huge;
  huge.WriteInteger(440);
  huge.WriteInteger(0x7FFFFFFF);
  huge.Seek(0);
  CVariableList list;
  EXPECT_THROW(list.LoadFromStream(huge), EStreamError);
  // An unknown kind reads as a real; a repeated index keeps one variable.
  CStream odd;
  odd.WriteInteger(440);
  odd.WriteInteger(2);
  for (double v : {1.0, 2.0}) {
    odd.WriteInteger(kA);
    odd.WriteInteger(7); odd.WriteReal(v); odd.WriteString("t");
    odd.WriteInteger(0);
  }
  odd.Seek(0);
  ASSERT_TRUE(list.LoadFromStream(odd));
  ASSERT_EQ(list.Count(), 1);
  EXPECT_TRUE(Read(list, kA, 0).IsReal());
  EXPECT_EQ(Read(list, kA, 0).val, 2);
}

}  // namespace
