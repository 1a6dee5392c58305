#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "code/Code_Operator.h"
#include "functions/Data_Structures_Support.h"
#include "base/Support_Random.h"

namespace {

// --- registration ---------------------------------------------------------------

TEST_F(DsTest, EveryFunctionIsRegisteredWithItsArgumentCount) {
  std::ifstream in(std::string(QUILLON_SOURCE_DIR) + "/tests/functions/catalog/ds_functions.tsv");
  ASSERT_TRUE(in) << "catalogue rows missing";
  std::map<std::string, int> expected;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string name;
    int argc = 0;
    fields >> name >> argc;
    expected[name] = argc;
  }
  ASSERT_EQ(expected.size(), 110u);
  for (const auto &[name, argc] : expected) {
    const int32_t id = FunctionFind(name);
    ASSERT_GE(id, 0) << name << " is not registered";
    EXPECT_EQ(FunctionArgCount(id), argc) << name;
    EXPECT_NE(FunctionRoutine(id), nullptr) << name;
  }
  // Nothing registered beyond the catalogue.
  for (int32_t id = 0; id < FunctionCount(); ++id)
    EXPECT_EQ(expected.count(FunctionEntry(id)->f_name), 1u) << FunctionEntry(id)->f_name;
}

// --- element order ----------------------------------------------------------------

TEST_F(DsTest, ElementOrder) {
  struct Case {
    double precision;
    RValue a, b;
    int expected;
  };
  const Case cases[] = {
      {1e-8, R(1), R(2), -1},
      {1e-8, R(2), R(1), 1},
      {1e-8, R(0.1 + 0.2), R(0.3), 0},
      {1e-8, R(1), R(1 + 1e-8), 0},       // at the precision: equal
      {1e-8, R(1), R(1 + 3e-8), -1},      // beyond it
      {0.5, R(1), R(1.4), 0},
      {0.5, R(1), R(1.6), -1},
      {1e-8, R(INFINITY), R(INFINITY), 0},
      {1e-8, R(-INFINITY), R(INFINITY), -1},
      {0, R(INFINITY), R(1e308), 1},
      {1e-8, R(1e9), S(""), -1},          // every real is below every string
      {1e-8, S(""), R(-1e9), 1},
      {1e-8, S("B"), S("a"), -1},         // ordinal, upper case first
      {1e-8, S("a"), S("A"), 1},
      {1e-8, S("ab"), S("abc"), -1},      // a prefix is below
      {1e-8, S("x"), S("x"), 0},
      {1e-8, S("\xEF\xBD\xA1"), S("\xF0\x9F\x98\x80"), 1},  // UTF-16 units: U+FF61 above a surrogate pair
      // Without a precision, reals meet within a millionth of a millionth of
      // their magnitude, and within 1e-12 near zero.
      {0, R(1e6), R(1e6 + 1e-7), 0},
      {0, R(1e6), R(1e6 + 1e-5), -1},
      {0, R(0), R(5e-13), 0},
      {0, R(0), R(2e-12), -1},
  };
  for (const Case &c : cases) {
    DsSetPrecision(c.precision);
    EXPECT_EQ(DsCompare(c.a, c.b), c.expected)
        << "precision " << c.precision << ": " << c.a.val << "/" << c.a.str.str() << " vs " << c.b.val << "/"
        << c.b.str.str();
  }
}

TEST_F(DsTest, TextOrderAgreesWithTheOperatorsOrder) {
  // The quick text comparison must order every pair as the full UTF-16
  // comparison does: ASCII, shared prefixes, two- and three-byte characters
  // on both sides of U+E000, and characters beyond U+FFFF.
  const std::vector<std::string> texts = {
      "", "a", "ab", "abc", "b", "B", "a\x7F", "\xC3\xA9", "a\xC3\xA9", "\xE2\x82\xAC", "\xED\x9F\xBF",
      "\xEE\x80\x80", "\xEF\xBD\xA1", "\xEF\xBF\xBD", "\xF0\x9F\x98\x80", "\xF0\x90\x80\x80", "x\xF0\x9F\x98\x80",
      "x\xEF\xBD\xA1", "x\xEE\x80\x80y", "x\xEE\x80\x80"};
  for (const std::string &a : texts)
    for (const std::string &b : texts) {
      const int full = CompareText(a, b);
      EXPECT_EQ(DsCompareText(a, b), full < 0 ? -1 : (full > 0 ? 1 : 0)) << a << " vs " << b;
    }
}

TEST_F(DsTest, SetPrecisionTakesTheAbsoluteValue) {
  Call("ds_set_precision", {R(-0.5)});
  EXPECT_EQ(DsPrecision(), 0.5);
  const double l = Num("ds_list_create");
  Call("ds_list_add", {R(l), R(10)});
  EXPECT_EQ(Num("ds_list_find_index", {R(l), R(10.4)}), 0);
  Call("ds_set_precision", {R(0)});
  EXPECT_EQ(Num("ds_list_find_index", {R(l), R(10.4)}), -1);
}

// --- ids ----------------------------------------------------------------------------

TEST_F(DsTest, IdsAreSlotsReusedAfterDestroy) {
  EXPECT_EQ(Num("ds_stack_create"), 0);
  EXPECT_EQ(Num("ds_stack_create"), 1);
  EXPECT_EQ(Num("ds_stack_create"), 2);
  Call("ds_stack_destroy", {R(1)});
  EXPECT_EQ(Num("ds_stack_create"), 1);
  EXPECT_EQ(Num("ds_stack_create"), 3);
  // Each kind counts its own ids.
  EXPECT_EQ(Num("ds_list_create"), 0);
  EXPECT_EQ(Num("ds_grid_create", {R(2), R(2)}), 0);
  // Ids are rounded, halves to even: 1.5 names stack 2.
  Call("ds_stack_push", {R(1.5), R(7)});
  EXPECT_EQ(Num("ds_stack_size", {R(2)}), 1);
  EXPECT_TRUE(TakeErrors().empty());
}

// The readers also have a direct form that takes the arguments where they
// stand; both forms must answer alike and report alike, and an id must name
// the container it names now, after its container was destroyed and the
// id handed out again.
TEST_F(DsTest, ReadersAnswerAlikeBothWaysAndFollowTheirIds) {
  // a reader's direct form with the values where they stand
  const auto direct = [](std::string_view name, const RValue &a, const RValue &b) {
    const RValue *in[kMaxDirectArguments] = {&a, &b};
    RValue result;
    FunctionEntry(FunctionFind(name))->f_direct(nullptr, nullptr, in, result);
    return result;
  };
  const double map = Num("ds_map_create"), list = Num("ds_list_create"), grid = Num("ds_grid_create", {R(3), R(2)});
  for (double k = 0; k < 5; ++k) Call("ds_map_add", {R(map), R(k), S("v" + std::to_string(int(k)))});
  Call("ds_list_add", {R(list), R(10), S("x"), R(30)});
  Call("ds_grid_set", {R(grid), R(2), R(1), S("corner")});
  Call("ds_stack_create");
  Call("ds_queue_create");
  Call("ds_priority_create");
  // The arguments stand in these arrays; a case points at them.
  const RValue ids[] = {R(map), R(-1), R(7), R(0.5), R(-0.0), R(NAN), S("0")};  // then ids of nothing
  const RValue keys[] = {R(0), R(3), R(4.5), R(2 + 1e-9), R(-1), R(5), S("3")};
  const RValue places[] = {R(0), R(1), R(2), R(3), R(-1), R(1.5)};
  struct Case {
    const char *name;
    int argc;
    const RValue *args[3];
  };
  std::vector<Case> cases;
  for (const RValue &id : ids) {
    for (const RValue &key : keys) {
      cases.push_back({"ds_map_find_value", 2, {&id, &key}});
      cases.push_back({"ds_map_exists", 2, {&id, &key}});
    }
    for (const RValue &at : places) cases.push_back({"ds_list_find_value", 2, {&id, &at}});
    for (const RValue &x : places)
      for (const RValue &y : places) cases.push_back({"ds_grid_get", 3, {&id, &x, &y}});
    for (const char *size : {"ds_stack_size", "ds_queue_size", "ds_list_size", "ds_map_size", "ds_priority_size"})
      cases.push_back({size, 1, {&id}});
  }
  TakeErrors();
  for (const Case &c : cases) {
    RValue slots[kMaxCallArguments];
    for (int i = 0; i < c.argc; ++i) slots[i] = *c.args[i];
    RValue byRoutine;
    FunctionRoutine(FunctionFind(c.name))(nullptr, nullptr, c.argc, slots, byRoutine);
    const std::vector<std::string> routineErrors = TakeErrors();
    const RFunction *f = FunctionEntry(FunctionFind(c.name));
    ASSERT_TRUE(f != nullptr && f->f_direct != nullptr) << c.name;
    RValue byDirect;
    f->f_direct(nullptr, nullptr, c.args, byDirect);
    EXPECT_EQ(TakeErrors(), routineErrors) << c.name;
    EXPECT_EQ(byDirect.kind, byRoutine.kind) << c.name;
    EXPECT_EQ(byDirect.str.view(), byRoutine.str.view()) << c.name;
    if (byRoutine.IsReal()) {
      EXPECT_EQ(byDirect.val, byRoutine.val) << c.name;
    }
  }
  // A destroyed map's id reports the error, even right after a lookup
  // through it; the next map made takes the id and is the one it names.
  EXPECT_EQ(direct("ds_map_find_value", R(map), R(1)).str.view(), "v1");
  Call("ds_map_destroy", {R(map)});
  EXPECT_EQ(direct("ds_map_find_value", R(map), R(1)).val, 0);
  EXPECT_EQ(TakeErrors(), std::vector<std::string>{kDsNoSuchIndex});
  EXPECT_EQ(Num("ds_map_create"), map);
  Call("ds_map_add", {R(map), R(1), S("again")});
  EXPECT_EQ(direct("ds_map_find_value", R(map), R(1)).str.view(), "again");
  DsResetAll();
  EXPECT_EQ(Call("ds_map_find_value", {R(map), R(1)}).val, 0);
  EXPECT_EQ(TakeErrors(), std::vector<std::string>{kDsNoSuchIndex});
}

TEST_F(DsTest, InvalidIdsReportTheErrorAndDoNothing) {
  // One container of each kind as id 0, one destroyed container as id 1.
  for (const char *kind : {"stack", "queue", "list", "map", "priority"}) {
    Call(std::string("ds_") + kind + "_create");
    Call(std::string("ds_") + kind + "_create");
    Call(std::string("ds_") + kind + "_destroy", {R(1)});
  }
  Call("ds_grid_create", {R(1), R(1)});
  Call("ds_grid_create", {R(1), R(1)});
  Call("ds_grid_destroy", {R(1)});
  ASSERT_TRUE(TakeErrors().empty());

  // Every function taking an id, with a value or id for its other
  // arguments; the copy functions are tried with the bad id on either side.
  struct Case {
    std::string name;
    int argc;
    int badArg;  // which argument holds the bad id
  };
  std::vector<Case> cases;
  std::ifstream in(std::string(QUILLON_SOURCE_DIR) + "/tests/functions/catalog/ds_functions.tsv");
  std::string name;
  int argc = 0;
  while (in >> name >> argc) {
    if (name == "ds_set_precision" || name == "ds_grid_create" || name.ends_with("_create")) continue;
    cases.push_back({name, argc, 0});
    if (name.ends_with("_copy") || name.ends_with("_grid_region")) cases.push_back({name, argc, 1});
  }
  ASSERT_GT(cases.size(), 90u);
  for (const double bad : {1.0, -1.0, 2.0, 1e300}) {
    for (const Case &c : cases) {
      RValue block[kMaxCallArguments];
      for (int i = 0; i < c.argc; ++i) block[i] = R(0);
      block[c.badArg] = R(bad);
      RValue result;
      FunctionRoutine(FunctionFind(c.name))(nullptr, nullptr, c.argc, block, result);
      const std::vector<std::string> errors = TakeErrors();
      ASSERT_EQ(errors.size(), 1u) << c.name << " with id " << bad << " in argument " << c.badArg;
      EXPECT_EQ(errors[0], "Data structure with index does not exist.") << c.name;
      EXPECT_EQ(result.kind, RValue::kReal) << c.name;
      EXPECT_EQ(result.val, 0) << c.name;
    }
  }
  EXPECT_EQ(m_window.fatals, 0);
  // The valid containers were not touched by the failing calls.
  EXPECT_EQ(Num("ds_stack_size", {R(0)}), 0);
  EXPECT_EQ(Num("ds_grid_width", {R(0)}), 1);
}

// --- stacks and queues --------------------------------------------------------------

TEST_F(DsTest, StackIsLastInFirstOut) {
  const double s = Num("ds_stack_create");
  EXPECT_EQ(Num("ds_stack_empty", {R(s)}), 1);
  Call("ds_stack_push", {R(s), R(1)});
  Call("ds_stack_push", {R(s), S("two")});
  Call("ds_stack_push", {R(s), R(3)});
  EXPECT_EQ(Num("ds_stack_size", {R(s)}), 3);
  EXPECT_EQ(Num("ds_stack_empty", {R(s)}), 0);
  EXPECT_EQ(Num("ds_stack_top", {R(s)}), 3);
  EXPECT_EQ(Num("ds_stack_pop", {R(s)}), 3);
  EXPECT_EQ(Text("ds_stack_pop", {R(s)}), "two");
  EXPECT_EQ(Num("ds_stack_pop", {R(s)}), 1);
  // Nothing left: real 0 and no error.
  EXPECT_EQ(Num("ds_stack_pop", {R(s)}), 0);
  EXPECT_EQ(Num("ds_stack_top", {R(s)}), 0);
  Call("ds_stack_push", {R(s), R(9)});
  Call("ds_stack_clear", {R(s)});
  EXPECT_EQ(Num("ds_stack_size", {R(s)}), 0);
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(DsTest, QueueIsFirstInFirstOut) {
  const double q = Num("ds_queue_create");
  for (int i = 1; i <= 3; ++i) Call("ds_queue_enqueue", {R(q), R(i)});
  EXPECT_EQ(Num("ds_queue_head", {R(q)}), 1);
  EXPECT_EQ(Num("ds_queue_tail", {R(q)}), 3);
  EXPECT_EQ(Num("ds_queue_dequeue", {R(q)}), 1);
  EXPECT_EQ(Num("ds_queue_size", {R(q)}), 2);
  EXPECT_EQ(Num("ds_queue_dequeue", {R(q)}), 2);
  EXPECT_EQ(Num("ds_queue_dequeue", {R(q)}), 3);
  EXPECT_EQ(Num("ds_queue_empty", {R(q)}), 1);
  EXPECT_EQ(Num("ds_queue_dequeue", {R(q)}), 0);
  EXPECT_EQ(Num("ds_queue_head", {R(q)}), 0);
  EXPECT_EQ(Num("ds_queue_tail", {R(q)}), 0);
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(DsTest, QueueStorageGrowsBySixteenAndMovesLiveElementsForward) {
  CDS_Queue q;
  for (int i = 0; i < 40; ++i) q.Enqueue(R(i));
  EXPECT_EQ(q.i_val.size(), 48u);
  RValue v;
  // Up to 20 taken the live elements stay where they are (20 is not above
  // 40 div 2)...
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(q.Dequeue(v));
  EXPECT_EQ(q.i_last, 20);
  EXPECT_EQ(q.i_first, 40);
  // ...the 21st moves the 19 live ones to the front.
  ASSERT_TRUE(q.Dequeue(v));
  EXPECT_EQ(v.val, 20);
  EXPECT_EQ(q.i_last, 0);
  EXPECT_EQ(q.i_first, 19);
  EXPECT_EQ(q.i_val.size(), 48u);
  EXPECT_EQ(q.i_val[0].val, 21);
  EXPECT_EQ(q.i_val[18].val, 39);
  EXPECT_EQ(q.i_val[19].val, 19);  // slots behind the live ones keep what they held
  EXPECT_EQ(q.i_val[39].val, 39);
  ASSERT_TRUE(q.Head(v));
  EXPECT_EQ(v.val, 21);
  ASSERT_TRUE(q.Tail(v));
  EXPECT_EQ(v.val, 39);
  // A short queue is never moved, however often it turns over.
  CDS_Queue small;
  for (int i = 0; i < 100; ++i) {
    small.Enqueue(R(i));
    ASSERT_TRUE(small.Dequeue(v));
    ASSERT_EQ(v.val, i);
  }
  EXPECT_EQ(small.Size(), 0);
  EXPECT_LE(small.i_val.size(), 32u);
}

// --- lists --------------------------------------------------------------------------

std::vector<std::string> Contents(const CDS_List &l) {
  std::vector<std::string> out;
  for (const RValue &v : l.i_val) {
    if (v.IsString()) {
      out.push_back('"' + v.str.str() + '"');
    } else {
      std::ostringstream s;
      s << v.val;
      out.push_back(s.str());
    }
  }
  return out;
}
using Strings = std::vector<std::string>;

TEST_F(DsTest, ListPositions) {
  const double l = Num("ds_list_create");
  const CDS_List &list = *DsList(0);
  Call("ds_list_add", {R(l), R(1)});
  Call("ds_list_add", {R(l), R(2)});
  Call("ds_list_insert", {R(l), R(0), S("a")});   // before the first
  Call("ds_list_insert", {R(l), R(3), S("z")});   // at the size: appended
  Call("ds_list_insert", {R(l), R(-1), S("no")});
  Call("ds_list_insert", {R(l), R(5), S("no")});
  EXPECT_EQ(Contents(list), (Strings{"\"a\"", "1", "2", "\"z\""}));
  Call("ds_list_replace", {R(l), R(3), R(9)});
  Call("ds_list_replace", {R(l), R(4), R(8)});    // no such position
  Call("ds_list_replace", {R(l), R(-1), R(8)});
  EXPECT_EQ(Contents(list), (Strings{"\"a\"", "1", "2", "9"}));
  Call("ds_list_delete", {R(l), R(0)});
  Call("ds_list_delete", {R(l), R(3)});
  Call("ds_list_delete", {R(l), R(-1)});
  EXPECT_EQ(Contents(list), (Strings{"1", "2", "9"}));
  EXPECT_EQ(Num("ds_list_find_value", {R(l), R(2)}), 9);
  EXPECT_EQ(Num("ds_list_find_value", {R(l), R(2.5)}), 9);  // 2.5 rounds to 2
  EXPECT_EQ(Num("ds_list_find_value", {R(l), R(3)}), 0);
  EXPECT_EQ(Num("ds_list_find_value", {R(l), R(-1)}), 0);
  EXPECT_EQ(Num("ds_list_size", {R(l)}), 3);
  Call("ds_list_clear", {R(l)});
  EXPECT_EQ(Num("ds_list_empty", {R(l)}), 1);
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(DsTest, ListFindIndexUsesTheElementOrder) {
  const double l = Num("ds_list_create");
  for (const RValue &v : {R(0.3), S("0.3"), R(7), R(7), S("b")}) Call("ds_list_add", {R(l), v});
  EXPECT_EQ(Num("ds_list_find_index", {R(l), R(0.1 + 0.2)}), 0);
  EXPECT_EQ(Num("ds_list_find_index", {R(l), S("0.3")}), 1);
  EXPECT_EQ(Num("ds_list_find_index", {R(l), R(7)}), 2);  // the first of two
  EXPECT_EQ(Num("ds_list_find_index", {R(l), S("B")}), -1);
  EXPECT_EQ(Num("ds_list_find_index", {R(l), R(0.31)}), -1);
}

TEST_F(DsTest, ListSortMixedValues) {
  struct Case {
    std::vector<RValue> in;
    bool ascending;
    Strings out;
  };
  const Case cases[] = {
      {{S("b"), R(3), S("B"), R(-1), S("a"), R(2)}, true, {"-1", "2", "3", "\"B\"", "\"a\"", "\"b\""}},
      {{S("b"), R(3), S("B"), R(-1), S("a"), R(2)}, false, {"\"b\"", "\"a\"", "\"B\"", "3", "2", "-1"}},
      {{}, true, {}},
      {{R(1)}, false, {"1"}},
  };
  for (const Case &c : cases) {
    CDS_List l;
    l.i_val = c.in;
    l.Sort(c.ascending);
    EXPECT_EQ(Contents(l), c.out);
  }
}

TEST_F(DsTest, ListSortKeepsEqualElementsAscendingAndSwapsThemDescending) {
  // Equal reals told apart by a stale text they carry.
  auto tagged = [](double v, const char *tag) {
    RValue r = S(tag);
    r.SetReal(v);
    return r;
  };
  CDS_List l;
  l.i_val = {tagged(2, "first"), tagged(1, "x"), tagged(2, "second"), tagged(2.000000001, "third")};
  l.Sort(true);
  EXPECT_EQ(l.i_val[0].str.str(), "x");
  EXPECT_EQ(l.i_val[1].str.str(), "first");
  EXPECT_EQ(l.i_val[2].str.str(), "second");
  EXPECT_EQ(l.i_val[3].str.str(), "third");
  l.i_val = {tagged(2, "first"), tagged(1, "x"), tagged(2, "second"), tagged(3, "y")};
  l.Sort(false);
  EXPECT_EQ(l.i_val[0].str.str(), "y");
  EXPECT_EQ(l.i_val[1].str.str(), "second");
  EXPECT_EQ(l.i_val[2].str.str(), "first");
  EXPECT_EQ(l.i_val[3].str.str(), "x");
}

// The sort as the rules state it, for comparison.
void ReferenceSort(std::vector<RValue> &v, bool ascending) {
  for (size_t i = 1; i < v.size(); ++i)
    for (size_t j = i; j > 0; --j) {
      const int c = DsCompare(v[j - 1], v[j]);
      if (ascending ? c <= 0 : c > 0) break;
      std::swap(v[j - 1], v[j]);
    }
}

TEST_F(DsTest, ListSortMatchesTheInsertionSortWhenPrecisionChainsValues) {
  // Values a few precisions apart chain into runs that are equal only
  // pairwise, so the order is no proper ordering; the result must still be
  // the insertion sort's, element for element.
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (int round = 0; round < 200; ++round) {
    std::vector<RValue> values;
    const int n = 2 + static_cast<int>(next() % 12);
    for (int i = 0; i < n; ++i) {
      RValue v = R(static_cast<double>(next() % 7) * 0.6e-8 + (next() % 3 == 0 ? 1.0 : 0.0));
      v.str = RString(std::to_string(i));  // identity, invisible to the order
      if (next() % 9 == 0) v = S(std::string(1, static_cast<char>('a' + next() % 3)));
      values.push_back(v);
    }
    for (const bool ascending : {true, false}) {
      std::vector<RValue> expected = values;
      ReferenceSort(expected, ascending);
      CDS_List l;
      l.i_val = values;
      l.Sort(ascending);
      ASSERT_EQ(l.i_val.size(), expected.size());
      for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(l.i_val[i].kind, expected[i].kind) << "round " << round << " position " << i;
        ASSERT_EQ(l.i_val[i].val, expected[i].val) << "round " << round << " position " << i;
        ASSERT_EQ(l.i_val[i].str.str(), expected[i].str.str()) << "round " << round << " position " << i;
      }
    }
  }
}

// A random source that answers scripted draws and records what was asked.
std::vector<uint32_t> g_script;
std::vector<uint32_t> g_asked;
uint32_t ScriptedDraw(uint32_t n) {
  g_asked.push_back(n);
  const size_t k = g_asked.size() - 1;
  return k < g_script.size() ? g_script[k] : 0;
}

TEST_F(DsTest, ListShuffleExchangesPairsOfDrawnPositions) {
  const double l = Num("ds_list_create");
  for (const char *s : {"a", "b", "c"}) Call("ds_list_add", {R(l), S(s)});
  // 24 exchanges: the first swaps 0 and 2, the second 1 and 0, the rest
  // exchange a position with itself.
  g_script = {0, 2, 1, 0};
  g_asked.clear();
  DsSetRandomSource(ScriptedDraw);
  Call("ds_list_shuffle", {R(l)});
  EXPECT_EQ(g_asked, std::vector<uint32_t>(48, 3));
  EXPECT_EQ(Contents(*DsList(0)), (Strings{"\"b\"", "\"c\"", "\"a\""}));  // a b c, c b a, b c a
}

TEST_F(DsTest, ShufflesDrawFromTheRunnersGenerator) {
  // After seed 1 the generator's first draws below 10 are 0 and 8.
  RandomSetSeed(1);
  EXPECT_EQ(DsRandomBelow(10), 0u);
  EXPECT_EQ(DsRandomBelow(10), 8u);
  // The same seed, the same shuffle.
  auto shuffled = [] {
    CDS_List l;
    for (int i = 0; i < 20; ++i) l.Add(R(i));
    l.Shuffle();
    std::vector<double> out;
    for (const RValue &v : l.i_val) out.push_back(v.val);
    return out;
  };
  RandomSetSeed(424242);
  const std::vector<double> first = shuffled();
  RandomSetSeed(424242);
  EXPECT_EQ(shuffled(), first);
  // A list of 2 takes 16 exchanges of two draws each from the generator.
  CDS_List two;
  two.Add(R(0));
  two.Add(R(1));
  RandomSetSeed(7);
  two.Shuffle();
  const int32_t after = RandomGetSeed();
  RandomSetSeed(7);
  for (int i = 0; i < 32; ++i) RandomBelow(2);
  EXPECT_EQ(RandomGetSeed(), after);
}

TEST_F(DsTest, ShuffleKeepsTheElements) {
  RandomSetSeed(99);
  CDS_List l;
  for (int i = 0; i < 50; ++i) l.Add(R(i));
  l.Shuffle();
  std::vector<double> seen, original;
  for (int i = 0; i < 50; ++i) original.push_back(i);
  for (const RValue &v : l.i_val) seen.push_back(v.val);
  EXPECT_NE(seen, original);
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, original);
}

// --- maps ---------------------------------------------------------------------------

std::string Show(const RValue *v) {
  if (!v) return "none";
  std::ostringstream s;
  s.precision(17);
  if (v->IsString()) s << '"' << v->str.str() << '"';
  else s << v->val;
  return s.str();
}


TEST_F(DsTest, MapKeepsKeysInOrderAndEqualKeysTwice) {
  const double m = Num("ds_map_create");
  Call("ds_map_add", {R(m), R(5), S("five")});
  Call("ds_map_add", {R(m), S("x"), S("ex")});
  Call("ds_map_add", {R(m), R(1), S("one")});
  EXPECT_EQ(Num("ds_map_find_first", {R(m)}), 1);
  EXPECT_EQ(Num("ds_map_find_next", {R(m), R(1)}), 5);
  EXPECT_EQ(Text("ds_map_find_next", {R(m), R(5)}), "x");
  EXPECT_EQ(Num("ds_map_find_next", {R(m), S("x")}), 0);
  EXPECT_EQ(Text("ds_map_find_last", {R(m)}), "x");

  const double d = Num("ds_map_create");
  Call("ds_map_add", {R(d), S("a"), R(1)});
  Call("ds_map_add", {R(d), S("a"), R(2)});
  EXPECT_EQ(Num("ds_map_size", {R(d)}), 2);
  EXPECT_EQ(Num("ds_map_find_value", {R(d), S("a")}), 1);
  Call("ds_map_replace", {R(d), S("a"), R(3)});  // the first one
  EXPECT_EQ(Num("ds_map_find_value", {R(d), S("a")}), 3);
  Call("ds_map_delete", {R(d), S("a")});
  EXPECT_EQ(Num("ds_map_size", {R(d)}), 1);
  EXPECT_EQ(Num("ds_map_find_value", {R(d), S("a")}), 2);
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(DsTest, MapLookups) {
  const double m = Num("ds_map_create");
  for (const RValue &k : {R(10), R(20), R(30), S("m")}) Call("ds_map_add", {R(m), k, R(k.val + 1)});
  struct Case {
    const char *function;
    RValue key;
    RValue expected;
  };
  const Case cases[] = {
      {"ds_map_exists", R(20), R(1)},
      {"ds_map_exists", R(20 + 1e-9), R(1)},     // within the precision
      {"ds_map_exists", R(25), R(0)},
      {"ds_map_exists", S("20"), R(0)},
      {"ds_map_find_value", R(30), R(31)},
      {"ds_map_find_value", R(31), R(0)},
      {"ds_map_find_previous", R(20), R(10)},    // the key before the first not below
      {"ds_map_find_previous", R(25), R(20)},
      {"ds_map_find_previous", R(10), R(0)},     // none before the first
      {"ds_map_find_previous", R(5), R(0)},
      {"ds_map_find_previous", S("z"), S("m")},  // every key below: the last
      {"ds_map_find_previous", S("m"), R(30)},
      {"ds_map_find_next", R(20), R(30)},
      {"ds_map_find_next", R(-5), R(10)},
      {"ds_map_find_next", R(35), S("m")},
      {"ds_map_find_next", S("m"), R(0)},
  };
  for (const Case &c : cases) {
    const RValue r = Call(c.function, {R(m), c.key});
    EXPECT_EQ(Show(&r), Show(&c.expected)) << c.function << " " << Show(&c.key);
  }
  const double empty = Num("ds_map_create");
  for (const char *f : {"ds_map_find_first", "ds_map_find_last"}) EXPECT_EQ(Num(f, {R(empty)}), 0) << f;
  EXPECT_EQ(Num("ds_map_find_previous", {R(empty), R(1)}), 0);
  EXPECT_EQ(Num("ds_map_find_next", {R(empty), R(1)}), 0);
  Call("ds_map_delete", {R(m), R(99)});  // unknown key: nothing
  Call("ds_map_replace", {R(m), R(99), R(1)});
  EXPECT_EQ(Num("ds_map_size", {R(m)}), 4);
  EXPECT_TRUE(TakeErrors().empty());
}

// The map as the rules state it: walks from the front, inserts after every
// entry whose key is not above the new one.
struct ReferenceMap {
  std::vector<RValue> keys, vals;
  void Add(const RValue &k, const RValue &v) {
    size_t pos = 0;
    for (size_t i = 0; i < keys.size(); ++i)
      if (DsCompare(keys[i], k) <= 0) pos = i + 1;
    keys.insert(keys.begin() + static_cast<std::ptrdiff_t>(pos), k);
    vals.insert(vals.begin() + static_cast<std::ptrdiff_t>(pos), v);
  }
  int FirstEqual(const RValue &k) const {
    for (size_t i = 0; i < keys.size(); ++i)
      if (DsCompare(keys[i], k) == 0) return static_cast<int>(i);
    return -1;
  }
  const RValue *Previous(const RValue &k) const {
    size_t i = 0;
    while (i < keys.size() && DsCompare(keys[i], k) < 0) ++i;
    return i == 0 ? nullptr : &keys[i - 1];
  }
  const RValue *Next(const RValue &k) const {
    for (const RValue &key : keys)
      if (DsCompare(key, k) > 0) return &key;
    return nullptr;
  }
};

TEST_F(DsTest, MapAgreesWithTheRulesAsWritten) {
  // Keys from a small pool: integers and strings (the map stays in exact
  // order and searches by halving) and, in the second pass, reals a few
  // precisions apart that the precision chains together (the map falls
  // back to walking). Both must answer exactly as the rules read.
  uint32_t seed = 777;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  struct Pass {
    bool chained;
    double precision;
  };
  // Quarter steps with a precision of 0.5 put keys exactly at the precision
  // apart, where "equal" ends.
  for (const Pass pass : {Pass{false, 1e-8}, Pass{true, 1e-8}, Pass{false, 0}, Pass{false, 2.5}, Pass{false, 0.5}}) {
    const bool chained = pass.chained;
    DsSetPrecision(pass.precision);
    auto key = [&]() -> RValue {
      const uint32_t r = next() % 20;
      if (r < 6) return S(std::string(1, static_cast<char>('a' + next() % 4)));
      if (r == 6) return R(next() % 2 ? INFINITY : -INFINITY);
      if (r == 7 && chained) return R(NAN);
      if (chained) return R(static_cast<double>(next() % 8) * 0.7e-8);
      if (pass.precision == 0.5) return R(static_cast<double>(next() % 24) * 0.25);
      return R(static_cast<double>(next() % 12));
    };
    CDS_Map map;
    ReferenceMap ref;
    for (int step = 0; step < 3000; ++step) {
      const RValue k = key();
      const RValue v = R(step);
      switch (next() % 6) {
        case 0:
        case 1:
          map.Add(k, v);
          ref.Add(k, v);
          break;
        case 2: {
          const int i = ref.FirstEqual(k);
          ASSERT_EQ(map.Delete(k), i >= 0);
          if (i >= 0) {
            ref.keys.erase(ref.keys.begin() + i);
            ref.vals.erase(ref.vals.begin() + i);
          }
          break;
        }
        case 3: {
          const int i = ref.FirstEqual(k);
          ASSERT_EQ(map.Replace(k, v), i >= 0);
          if (i >= 0) ref.vals[static_cast<size_t>(i)] = v;
          break;
        }
        default:
          break;
      }
      const int i = ref.FirstEqual(k);
      ASSERT_EQ(Show(map.FindValue(k)), Show(i < 0 ? nullptr : &ref.vals[static_cast<size_t>(i)])) << "step " << step;
      ASSERT_EQ(Show(map.FindPrevious(k)), Show(ref.Previous(k))) << "step " << step << " key " << Show(&k);
      ASSERT_EQ(Show(map.FindNext(k)), Show(ref.Next(k))) << "step " << step << " key " << Show(&k);
      ASSERT_EQ(map.Size(), static_cast<int32_t>(ref.keys.size()));
      if (next() % 97 == 0) {
        map.Clear();
        ref = {};
      }
    }
    for (size_t i = 0; i < ref.keys.size(); ++i) {
      ASSERT_EQ(Show(&map.i_key[i]), Show(&ref.keys[i]));
      ASSERT_EQ(Show(&map.i_val[i]), Show(&ref.vals[i]));
    }
    // Whole numbers a precision below 1 apart stay in exact order.
    if (!chained && pass.precision < 1) {
      EXPECT_TRUE(map.InExactOrder()) << "precision " << pass.precision;
    }
  }
}

TEST_F(DsTest, MapEqualityEndsExactlyAtThePrecision) {
  // Keys exactly the precision apart are equal; a quarter more is not.
  DsSetPrecision(0.5);
  CDS_Map m;
  m.Add(R(0), S("zero"));
  m.Add(R(0.75), S("three quarters"));
  ASSERT_TRUE(m.InExactOrder());
  struct Case {
    double key;
    const char *value, *previous, *next;
  };
  const Case cases[] = {
      {0.5, "zero", "none", "none"},
      {-0.5, "zero", "none", "0.75"},
      {-0.75, "none", "none", "0"},
      {1.25, "three quarters", "0", "none"},
      {1.5, "none", "0.75", "none"},
      {0.25, "zero", "none", "none"},
  };
  for (const Case &c : cases) {
    const RValue *v = m.FindValue(R(c.key));
    EXPECT_EQ(v ? v->str.str() : "none", c.value) << c.key;
    EXPECT_EQ(Show(m.FindPrevious(R(c.key))), c.previous) << c.key;
    EXPECT_EQ(Show(m.FindNext(R(c.key))), c.next) << c.key;
  }
}

TEST_F(DsTest, MapEntriesWithinThePrecisionGoAfterEachOther) {
  // 1 + 0.5e-8 is not above 1, so 1 goes after it: the entries are no
  // longer in numeric order, and lookups still find the first equal one.
  CDS_Map m;
  m.Add(R(1 + 0.5e-8), S("first"));
  m.Add(R(1), S("second"));
  EXPECT_EQ(m.i_key[0].val, 1 + 0.5e-8);
  EXPECT_EQ(m.i_key[1].val, 1);
  EXPECT_FALSE(m.InExactOrder());
  EXPECT_EQ(m.FindValue(R(1))->str.str(), "first");
  m.Add(R(0.9), S("low"));
  EXPECT_EQ(m.i_key[0].val, 0.9);
  m.Clear();
  EXPECT_TRUE(m.InExactOrder());
}

// A map's keys and values stand in rows that make room at either end; the
// row must hold the same values in the same order as a plain list after
// inserts and erases anywhere (the front, the back, the middle, into a full
// row), copies, clears and takes. Texts among the values show that none is
// lost or kept twice (the sanitizer build counts every text).
TEST(ValueRow, HoldsWhatAListHoldsWhicheverSideMoves) {
  CValueRow row;
  std::vector<RValue> model;
  uint32_t seed = 7;
  const auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  const auto same = [&](const CValueRow &r, const char *what, int step) {
    ASSERT_EQ(r.size(), model.size()) << what << " " << step;
    for (size_t i = 0; i < model.size(); ++i) {
      ASSERT_EQ(r[i].kind, model[i].kind) << what << " " << step << " at " << i;
      ASSERT_EQ(r[i].val, model[i].val) << what << " " << step << " at " << i;
      ASSERT_EQ(r[i].str.view(), model[i].str.view()) << what << " " << step << " at " << i;
    }
  };
  for (int step = 0; step < 3000; ++step) {
    const RValue v = step % 3 == 0 ? S("t" + std::to_string(step)) : R(step);
    const uint32_t what = next(100);
    if (what < 30) {
      row.Insert(0, v);
      model.insert(model.begin(), v);
    } else if (what < 55) {
      row.Insert(row.size(), v);
      model.push_back(v);
    } else if (what < 70) {
      const size_t at = next(static_cast<uint32_t>(model.size() + 1));
      row.Insert(at, v);
      model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), v);
    } else if (what < 97 && !model.empty()) {
      const size_t at = what < 80 ? 0 : what < 90 ? model.size() - 1 : next(static_cast<uint32_t>(model.size()));
      row.Erase(at);
      model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
    } else if (what == 97 && !model.empty()) {
      row.Insert(0, row[model.size() - 1]);  // a value of the row itself
      model.insert(model.begin(), RValue(model.back()));
    } else if (what == 98) {
      const CValueRow copy = row;
      same(copy, "copy", step);
      row = copy;
    } else {
      row.clear();
      model.clear();
    }
    same(row, "row", step);
  }
  std::vector<RValue> values = {S("a"), R(1), S("b")};
  row.Take(std::move(values));
  model = {S("a"), R(1), S("b")};
  same(row, "take", 0);
  EXPECT_EQ(row.front().str.view(), "a");
  EXPECT_EQ(row.back().str.view(), "b");
}

TEST_F(DsTest, MapLookupsStayRightAfterEveryChange) {
  // Lookups remember where a key was found; every change below moves,
  // removes or redefines entries behind that memory. After each step every
  // probe is looked up twice (the second time from memory) and compared
  // with the rules as written.
  enum Op { kAdd, kDelete, kReplace, kPrecision, kCopy, kRead, kClear };
  struct Step {
    Op op;
    RValue key;
    double number;  // the precision, or the value added
  };
  const double huge = 1e300;
  struct Scenario {
    const char *name;
    std::vector<Step> steps;
  };
  const Scenario scenarios[] = {
      {"inserts before found keys",
       {{kAdd, R(5), 1}, {kAdd, R(6), 2}, {kAdd, R(4), 3}, {kAdd, R(-huge), 4}, {kAdd, R(5), 5}, {kAdd, R(4.5), 6}}},
      {"deletes before and of found keys",
       {{kAdd, R(1), 1}, {kAdd, R(2), 2}, {kAdd, R(2), 3}, {kAdd, R(3), 4}, {kDelete, R(1), 0}, {kDelete, R(2), 0},
        {kDelete, R(2), 0}, {kAdd, R(2), 5}, {kDelete, R(3), 0}}},
      {"keys within the precision of each other",
       {{kAdd, R(1), 1}, {kAdd, R(1 + 0.4e-8), 2}, {kAdd, R(1 - 0.4e-8), 3}, {kAdd, R(1 + 2e-8), 4},
        {kDelete, R(1 - 0.4e-8), 0}, {kReplace, R(1 + 0.9e-8), 5}}},
      {"precision widened and narrowed after the keys went in",
       {{kAdd, R(1), 1}, {kAdd, R(1.3), 2}, {kAdd, R(2), 3}, {kAdd, R(2.6), 4}, {kPrecision, R(0), 0.5},
        {kReplace, R(1.3), 5}, {kPrecision, R(0), 1e-8}, {kPrecision, R(0), 0}, {kAdd, R(2 + 1e-13), 6},
        {kPrecision, R(0), 3}}},
      {"zero, negative zero, infinities and huge keys",
       {{kAdd, R(-0.0), 1}, {kAdd, R(INFINITY), 2}, {kAdd, R(-INFINITY), 3}, {kAdd, R(huge), 4}, {kAdd, R(0), 5},
        {kDelete, R(0), 0}, {kAdd, R(-huge), 6}, {kDelete, R(INFINITY), 0}}},
      {"texts and reals mixed",
       {{kAdd, S("b"), 1}, {kAdd, R(2), 2}, {kAdd, S("a"), 3}, {kAdd, S(""), 4}, {kAdd, S("b"), 5},
        {kDelete, S("a"), 0}, {kAdd, R(1), 6}, {kDelete, S("b"), 0}, {kReplace, S("b"), 7}}},
      // The place of a whole-number key is guessed from its distance to
      // the first key; equal keys, gaps, fractions and a precision of a
      // whole step or more must all send the guess back to the search.
      {"whole-number keys without gaps",
       {{kAdd, R(-2), 1}, {kAdd, R(-1), 2}, {kAdd, R(0), 3}, {kAdd, R(1), 4}, {kAdd, R(2), 5}, {kPrecision, R(0), 1},
        {kPrecision, R(0), 2.5}, {kPrecision, R(0), 1e-8}, {kAdd, R(0), 6}, {kDelete, R(-2), 0}, {kDelete, R(0), 0},
        {kDelete, R(0), 0}, {kAdd, R(0.5), 7}, {kPrecision, R(0), 0}, {kDelete, R(0.5), 0}, {kAdd, R(0), 8},
        {kAdd, S("3"), 9}}},
      {"copied over and read over",
       {{kAdd, R(3), 1}, {kAdd, S("x"), 2}, {kCopy, R(0), 0}, {kAdd, R(2), 3}, {kRead, R(0), 0}, {kDelete, R(3), 0},
        {kCopy, R(0), 0}, {kClear, R(0), 0}, {kAdd, R(3), 4}}},
  };
  std::vector<RValue> probes = {R(-huge), R(-INFINITY), R(INFINITY), R(-0.0), R(huge), S("zz")};
  for (const Scenario &sc : scenarios)
    for (const Step &st : sc.steps)
      if (st.op != kPrecision && st.op != kClear && st.op != kCopy && st.op != kRead) {
        probes.push_back(st.key);
        if (st.key.IsReal())
          for (double d : {-0.6, -0.3e-8, 0.3e-8, 0.6})
            if (std::isfinite(st.key.val)) probes.push_back(R(st.key.val + d));
      }
  for (const Scenario &sc : scenarios) {
    DsSetPrecision(kDsDefaultPrecision);
    CDS_Map map;
    ReferenceMap ref;
    // Another map with other entries: copying and reading into `map` must
    // replace what `map` remembered about its own keys.
    CDS_Map other;
    for (int i = 0; i < 4; ++i) other.Add(R(i * 2 + 1), R(100 + i));
    size_t step = 0;
    for (const Step &st : sc.steps) {
      ++step;
      switch (st.op) {
        case kAdd:
          map.Add(st.key, R(st.number));
          ref.Add(st.key, R(st.number));
          break;
        case kDelete: {
          const int i = ref.FirstEqual(st.key);
          ASSERT_EQ(map.Delete(st.key), i >= 0) << sc.name << " step " << step;
          if (i >= 0) {
            ref.keys.erase(ref.keys.begin() + i);
            ref.vals.erase(ref.vals.begin() + i);
          }
          break;
        }
        case kReplace: {
          const int i = ref.FirstEqual(st.key);
          ASSERT_EQ(map.Replace(st.key, R(st.number)), i >= 0) << sc.name << " step " << step;
          if (i >= 0) ref.vals[static_cast<size_t>(i)] = R(st.number);
          break;
        }
        case kPrecision:
          DsSetPrecision(st.number);
          break;
        case kCopy:
        case kRead: {
          // `other` first learns where its own keys are, then takes the
          // entries of `map` and goes on in its place.
          for (const RValue &k : other.i_key) other.FindValue(k);
          if (st.op == kCopy) {
            other.Assign(map);
          } else {
            ASSERT_EQ(other.ReadFromString(map.WriteToString()), EDsRead::kOk);
          }
          std::swap(map, other);
          other.Clear();
          for (int i = 0; i < 4; ++i) other.Add(R(i * 2 + 1), R(100 + i));
          break;
        }
        case kClear:
          map.Clear();
          ref = {};
          break;
      }
      for (int round = 0; round < 2; ++round)
        for (const RValue &k : probes) {
          const int i = ref.FirstEqual(k);
          ASSERT_EQ(Show(map.FindValue(k)), Show(i < 0 ? nullptr : &ref.vals[static_cast<size_t>(i)]))
              << sc.name << " step " << step << " key " << Show(&k);
          ASSERT_EQ(map.Exists(k), i >= 0) << sc.name << " step " << step << " key " << Show(&k);
          ASSERT_EQ(Show(map.FindPrevious(k)), Show(ref.Previous(k))) << sc.name << " step " << step << " key " << Show(&k);
          ASSERT_EQ(Show(map.FindNext(k)), Show(ref.Next(k))) << sc.name << " step " << step << " key " << Show(&k);
        }
      ASSERT_EQ(map.Size(), static_cast<int32_t>(ref.keys.size())) << sc.name << " step " << step;
    }
  }
}

// --- priority queues ----------------------------------------------------------------

TEST_F(DsTest, PriorityExtremesTakeTheEarliestOnTies) {
  const double p = Num("ds_priority_create");
  Call("ds_priority_add", {R(p), S("a"), R(5)});
  Call("ds_priority_add", {R(p), S("b"), R(1)});
  Call("ds_priority_add", {R(p), S("c"), R(5)});
  Call("ds_priority_add", {R(p), S("d"), R(1 + 1e-9)});  // equal to b's within the precision
  Call("ds_priority_add", {R(p), S("e"), S("high")});    // a string is above every real
  EXPECT_EQ(Text("ds_priority_find_min", {R(p)}), "b");
  EXPECT_EQ(Text("ds_priority_find_max", {R(p)}), "e");
  EXPECT_EQ(Text("ds_priority_delete_max", {R(p)}), "e");
  EXPECT_EQ(Text("ds_priority_find_max", {R(p)}), "a");
  // Deleting moves the last entry into the freed place: after b goes, d
  // stands where b stood.
  EXPECT_EQ(Text("ds_priority_delete_min", {R(p)}), "b");
  const CDS_Priority &q = *DsPriority(0);
  ASSERT_EQ(q.Size(), 3);
  EXPECT_EQ(q.i_val[1].str.str(), "d");
  EXPECT_EQ(Text("ds_priority_delete_min", {R(p)}), "d");
  // Now a (index 0) and c both have 5; the earliest in storage wins.
  EXPECT_EQ(Text("ds_priority_find_max", {R(p)}), "a");
  EXPECT_EQ(Text("ds_priority_delete_min", {R(p)}), "a");
  EXPECT_EQ(Text("ds_priority_delete_min", {R(p)}), "c");
  EXPECT_EQ(Num("ds_priority_delete_min", {R(p)}), 0);
  EXPECT_EQ(Num("ds_priority_find_max", {R(p)}), 0);
  EXPECT_EQ(Num("ds_priority_empty", {R(p)}), 1);
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(DsTest, PriorityByValue) {
  const double p = Num("ds_priority_create");
  Call("ds_priority_add", {R(p), R(7), R(3)});
  Call("ds_priority_add", {R(p), S("x"), R(4)});
  Call("ds_priority_add", {R(p), R(7), R(9)});
  EXPECT_EQ(Num("ds_priority_find_priority", {R(p), R(7)}), 3);  // the first entry
  EXPECT_EQ(Num("ds_priority_find_priority", {R(p), S("y")}), 0);
  Call("ds_priority_change_priority", {R(p), R(7), R(10)});
  EXPECT_EQ(Num("ds_priority_find_priority", {R(p), R(7)}), 10);
  EXPECT_EQ(Num("ds_priority_find_max", {R(p)}), 7);
  Call("ds_priority_change_priority", {R(p), S("nothing"), R(0)});
  Call("ds_priority_delete_value", {R(p), R(7)});  // the first 7; the other 7 moves in
  EXPECT_EQ(Num("ds_priority_size", {R(p)}), 2);
  EXPECT_EQ(Num("ds_priority_find_priority", {R(p), R(7)}), 9);
  Call("ds_priority_delete_value", {R(p), S("none")});
  EXPECT_EQ(Num("ds_priority_size", {R(p)}), 2);
  Call("ds_priority_clear", {R(p)});
  EXPECT_EQ(Num("ds_priority_size", {R(p)}), 0);
  EXPECT_TRUE(TakeErrors().empty());
}

// --- copies -------------------------------------------------------------------------

TEST_F(DsTest, CopiesAreDeepAndReplaceTheContent) {
  const double a = Num("ds_map_create"), b = Num("ds_map_create");
  Call("ds_map_add", {R(a), S("k"), S("v")});
  Call("ds_map_add", {R(b), S("old"), R(1)});
  Call("ds_map_copy", {R(b), R(a)});
  Call("ds_map_replace", {R(a), S("k"), S("changed")});
  EXPECT_EQ(Text("ds_map_find_value", {R(b), S("k")}), "v");
  EXPECT_EQ(Num("ds_map_exists", {R(b), S("old")}), 0);
  Call("ds_map_copy", {R(a), R(a)});  // onto itself: unchanged
  EXPECT_EQ(Text("ds_map_find_value", {R(a), S("k")}), "changed");

  const double q1 = Num("ds_queue_create"), q2 = Num("ds_queue_create");
  for (int i = 0; i < 5; ++i) Call("ds_queue_enqueue", {R(q1), R(i)});
  Call("ds_queue_dequeue", {R(q1)});
  Call("ds_queue_copy", {R(q2), R(q1)});
  EXPECT_EQ(Text("ds_queue_write", {R(q2)}), Text("ds_queue_write", {R(q1)}));

  const double s1 = Num("ds_stack_create"), s2 = Num("ds_stack_create");
  Call("ds_stack_push", {R(s1), R(4)});
  Call("ds_stack_copy", {R(s2), R(s1)});
  Call("ds_stack_pop", {R(s1)});
  EXPECT_EQ(Num("ds_stack_top", {R(s2)}), 4);

  const double l1 = Num("ds_list_create"), l2 = Num("ds_list_create");
  Call("ds_list_add", {R(l1), S("x")});
  Call("ds_list_copy", {R(l2), R(l1)});
  Call("ds_list_clear", {R(l1)});
  EXPECT_EQ(Text("ds_list_find_value", {R(l2), R(0)}), "x");

  const double p1 = Num("ds_priority_create"), p2 = Num("ds_priority_create");
  Call("ds_priority_add", {R(p1), S("x"), R(2)});
  Call("ds_priority_copy", {R(p2), R(p1)});
  Call("ds_priority_clear", {R(p1)});
  EXPECT_EQ(Num("ds_priority_find_priority", {R(p2), S("x")}), 2);

  const double g1 = Num("ds_grid_create", {R(2), R(3)}), g2 = Num("ds_grid_create", {R(1), R(1)});
  Call("ds_grid_set", {R(g1), R(1), R(2), S("c")});
  Call("ds_grid_copy", {R(g2), R(g1)});
  Call("ds_grid_clear", {R(g1), R(0)});
  EXPECT_EQ(Num("ds_grid_width", {R(g2)}), 2);
  EXPECT_EQ(Num("ds_grid_height", {R(g2)}), 3);
  EXPECT_EQ(Text("ds_grid_get", {R(g2), R(1), R(2)}), "c");
  EXPECT_TRUE(TakeErrors().empty());
}

}  // namespace
