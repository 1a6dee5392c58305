#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "functions/Data_Structures_Support.h"

namespace {

constexpr const char *kBadText = "Data structure text is damaged and cannot be read.";

TEST_F(DsTest, KnownTexts) {
  const double s = Num("ds_stack_create");
  EXPECT_EQ(Text("ds_stack_write", {R(s)}), "6500000000000000");
  Call("ds_stack_push", {R(s), R(1)});
  Call("ds_stack_push", {R(s), S("ab")});
  // 101, count 2; real 1 (kind 0, the double, an empty string); "ab"
  // (kind 1, real 0, 2 bytes).
  EXPECT_EQ(Text("ds_stack_write", {R(s)}),
            "6500000002000000"
            "00000000000000000000F03F00000000"
            "010000000000000000000000020000006162");

  const double q = Num("ds_queue_create");
  EXPECT_EQ(Text("ds_queue_write", {R(q)}), "C9000000000000000000000000000000");
  Call("ds_queue_enqueue", {R(q), S("a")});
  Call("ds_queue_enqueue", {R(q), R(2)});
  Call("ds_queue_enqueue", {R(q), R(-0.5)});
  Call("ds_queue_dequeue", {R(q)});
  // Every one of the 16 slots, the taken one and the unused ones included.
  HexText queue;
  queue.Int(201).Int(3).Int(1).Int(16).Value(S("a")).Value(R(2)).Value(R(-0.5));
  for (int i = 3; i < 16; ++i) queue.Value(R(0));
  EXPECT_EQ(Text("ds_queue_write", {R(q)}), queue.Text());

  const double l = Num("ds_list_create");
  EXPECT_EQ(Text("ds_list_write", {R(l)}), "2D01000000000000");
  Call("ds_list_add", {R(l), S("\xC3\xA9\xE2\x82\xAC")});  // two characters, five bytes
  EXPECT_EQ(Text("ds_list_write", {R(l)}), "2D0100000100000001000000000000000000000005000000C3A9E282AC");

  const double m = Num("ds_map_create");
  Call("ds_map_add", {R(m), R(5), S("five")});
  Call("ds_map_add", {R(m), S("x"), R(24)});
  Call("ds_map_add", {R(m), R(1), R(10)});
  EXPECT_EQ(Text("ds_map_write", {R(m)}), HexText()
                                              .Int(401)
                                              .Int(3)
                                              .Value(R(1))
                                              .Value(R(5))
                                              .Value(S("x"))
                                              .Value(R(10))
                                              .Value(S("five"))
                                              .Value(R(24))
                                              .Text());

  const double p = Num("ds_priority_create");
  Call("ds_priority_add", {R(p), S("v"), R(3)});
  Call("ds_priority_add", {R(p), R(8), S("pr")});
  EXPECT_EQ(Text("ds_priority_write", {R(p)}),
            HexText().Int(501).Int(2).Value(R(3)).Value(S("pr")).Value(S("v")).Value(R(8)).Text());

  // A real that once held a text is stored as the real alone.
  RValue stale = S("stale text");
  stale.SetReal(5);
  Call("ds_list_clear", {R(l)});
  Call("ds_list_add", {R(l), stale});
  EXPECT_EQ(Text("ds_list_write", {R(l)}), HexText().Int(301).Int(1).Int(0).Real(5).Str("").Text());

  const double g = Num("ds_grid_create", {R(2), R(3)});
  Call("ds_grid_set", {R(g), R(1), R(0), S("x")});
  Call("ds_grid_set", {R(g), R(0), R(2), R(4)});
  // Column by column: (0,0) (0,1) (0,2) (1,0) (1,1) (1,2).
  EXPECT_EQ(Text("ds_grid_write", {R(g)}), HexText()
                                               .Int(601)
                                               .Int(2)
                                               .Int(3)
                                               .Value(R(0))
                                               .Value(R(0))
                                               .Value(R(4))
                                               .Value(S("x"))
                                               .Value(R(0))
                                               .Value(R(0))
                                               .Text());
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(DsTest, TextsReadBackIntoNewContainers) {
  const std::vector<RValue> values = {R(1.25), S("text"), R(-7), S(""), S("\xF0\x9F\x98\x80 wide"), R(1e300)};
  for (const char *kind : {"stack", "list"}) {
    const std::string ds = std::string("ds_") + kind;
    const double a = Num(ds + "_create");
    for (const RValue &v : values) Call(kind == std::string("stack") ? "ds_stack_push" : "ds_list_add", {R(a), v});
    const std::string text = Text(ds + "_write", {R(a)});
    const double b = Num(ds + "_create");
    Call(ds + "_read", {R(b), S(text)});
    EXPECT_EQ(Text(ds + "_write", {R(b)}), text) << kind;
    EXPECT_EQ(Num(ds + "_size", {R(b)}), 6) << kind;
  }
  EXPECT_EQ(Text("ds_list_find_value", {R(1), R(4)}), "\xF0\x9F\x98\x80 wide");
  EXPECT_EQ(Num("ds_stack_top", {R(1)}), 1e300);

  const double m = Num("ds_map_create"), m2 = Num("ds_map_create");
  for (int i = 0; i < 20; ++i) Call("ds_map_add", {R(m), i % 3 ? R(i) : S(std::to_string(i)), R(i * i)});
  Call("ds_map_read", {R(m2), S(Text("ds_map_write", {R(m)}))});
  EXPECT_EQ(Num("ds_map_size", {R(m2)}), 20);
  EXPECT_EQ(Num("ds_map_find_value", {R(m2), S("9")}), 81);
  EXPECT_EQ(Num("ds_map_find_value", {R(m2), R(10)}), 100);
  EXPECT_EQ(Text("ds_map_find_next", {R(m2), R(19)}), "0");

  const double p = Num("ds_priority_create"), p2 = Num("ds_priority_create");
  for (int i = 0; i < 5; ++i) Call("ds_priority_add", {R(p), S(std::string(1, static_cast<char>('a' + i))), R((i * 3) % 5)});
  Call("ds_priority_read", {R(p2), S(Text("ds_priority_write", {R(p)}))});
  EXPECT_EQ(Text("ds_priority_find_min", {R(p2)}), "a");
  EXPECT_EQ(Text("ds_priority_find_max", {R(p2)}), "d");
  EXPECT_EQ(Num("ds_priority_size", {R(p2)}), 5);

  const double g = Num("ds_grid_create", {R(3), R(2)}), g2 = Num("ds_grid_create", {R(1), R(1)});
  Call("ds_grid_set", {R(g), R(2), R(1), S("corner")});
  Call("ds_grid_set", {R(g), R(1), R(0), R(5)});
  Call("ds_grid_read", {R(g2), S(Text("ds_grid_write", {R(g)}))});
  EXPECT_EQ(Num("ds_grid_width", {R(g2)}), 3);
  EXPECT_EQ(Num("ds_grid_height", {R(g2)}), 2);
  EXPECT_EQ(Text("ds_grid_get", {R(g2), R(2), R(1)}), "corner");
  EXPECT_EQ(Num("ds_grid_get", {R(g2), R(1), R(0)}), 5);
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(DsTest, QueueTextAfterDequeuesReadsBackTheSameQueue) {
  const double q = Num("ds_queue_create");
  for (int i = 0; i < 30; ++i) Call("ds_queue_enqueue", {R(q), R(i)});
  for (int i = 0; i < 12; ++i) Call("ds_queue_dequeue", {R(q)});
  const std::string text = Text("ds_queue_write", {R(q)});
  const double other = Num("ds_queue_create");
  Call("ds_queue_enqueue", {R(other), S("old content")});
  Call("ds_queue_read", {R(other), S(text)});
  EXPECT_EQ(Num("ds_queue_head", {R(other)}), 12);
  EXPECT_EQ(Num("ds_queue_tail", {R(other)}), 29);
  EXPECT_EQ(Num("ds_queue_size", {R(other)}), 18);
  EXPECT_EQ(Text("ds_queue_write", {R(other)}), text);
  // It goes on as the original would.
  for (int i = 0; i < 10; ++i) {
    Call("ds_queue_enqueue", {R(q), R(100 + i)});
    Call("ds_queue_enqueue", {R(other), R(100 + i)});
    EXPECT_EQ(Num("ds_queue_dequeue", {R(other)}), Num("ds_queue_dequeue", {R(q)}));
  }
  EXPECT_EQ(Text("ds_queue_write", {R(other)}), Text("ds_queue_write", {R(q)}));
}

TEST_F(DsTest, TextsOfAnotherKindAreIgnored) {
  const double s = Num("ds_stack_create"), l = Num("ds_list_create");
  Call("ds_stack_push", {R(s), R(1)});
  Call("ds_list_add", {R(l), R(2)});
  const std::string stackText = Text("ds_stack_write", {R(s)});
  const std::string listText = Text("ds_list_write", {R(l)});
  Call("ds_list_read", {R(l), S(stackText)});
  Call("ds_stack_read", {R(s), S(listText)});
  EXPECT_EQ(Text("ds_list_write", {R(l)}), listText);
  EXPECT_EQ(Text("ds_stack_write", {R(s)}), stackText);
  const double g = Num("ds_grid_create", {R(1), R(1)});
  Call("ds_grid_read", {R(g), S(listText)});
  EXPECT_EQ(Num("ds_grid_width", {R(g)}), 1);
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(DsTest, TextDetailsThatStillRead) {
  const double l = Num("ds_list_create");
  struct Case {
    std::string text;
    std::vector<double> expected;
  };
  const std::string one = HexText().Int(301).Int(1).Value(R(10)).Text();
  std::string lower = one;
  for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const Case cases[] = {
      {lower, {10}},                       // lower-case digits
      {one + "7", {10}},                   // a trailing odd character is ignored
      {one + "\xC3\xA9", {10}},            // also a non-ASCII one (one UTF-16 unit)
      {one + "DEADBEEF", {10}},            // bytes after the record are ignored
      {HexText().Int(301).Int(-4).Text(), {}},  // a negative count holds nothing
      {HexText().Int(301).Int(0).Text(), {}},
  };
  for (const Case &c : cases) {
    Call("ds_list_add", {R(l), R(99)});
    Call("ds_list_read", {R(l), S(c.text)});
    const CDS_List &list = *DsList(static_cast<int64_t>(l));
    std::vector<double> got;
    for (const RValue &v : list.i_val) got.push_back(v.val);
    EXPECT_EQ(got, c.expected) << c.text;
  }
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(DsTest, DamagedTextsLeaveTheContainerAndReportOnce) {
  const std::string good = HexText().Int(301).Int(2).Value(R(1)).Value(S("ab")).Text();
  struct Case {
    const char *kind;
    std::string text;
    const char *why;
  };
  const std::vector<Case> cases = {
      {"list", "", "empty"},
      {"list", "2D01", "shorter than the kind"},
      {"list", good.substr(0, good.size() - 2), "cut inside the last string"},
      {"list", good.substr(0, 16 + 24), "cut inside a value"},
      {"list", "2D0100000100000000000000000000000000F03G00000000", "not hexadecimal"},
      {"list", good.substr(0, 10) + "\xC3\xA9" + good.substr(11), "a non-ASCII character in a pair"},
      {"list", good + "\xF0\x9F\x98\x80", "a character of two UTF-16 units after the record"},
      {"list", HexText().Int(301).Int(0x7FFFFFFF).Value(R(1)).Text(), "a count far beyond the text"},
      {"list", HexText().Int(301).Int(1).Int(2).Real(0).Str("").Text(), "a kind that does not exist"},
      {"list", HexText().Int(301).Int(1).Int(1).Real(0).Int(0x40000000).Text(), "a string longer than the text"},
      {"stack", HexText().Int(101).Int(3).Value(R(1)).Text(), "fewer values than counted"},
      {"queue", HexText().Int(201).Int(1).Int(2).Int(2).Value(R(1)).Value(R(2)).Text(), "taken beyond written"},
      {"queue", HexText().Int(201).Int(3).Int(0).Int(2).Value(R(1)).Value(R(2)).Text(), "written beyond the storage"},
      {"queue", HexText().Int(201).Int(1).Int(-1).Int(2).Value(R(1)).Value(R(2)).Text(), "taken before the start"},
      {"queue", HexText().Int(201).Int(0).Int(0).Int(0x10000000).Text(), "storage far beyond the text"},
      {"map", HexText().Int(401).Int(2).Value(R(1)).Value(R(2)).Value(R(3)).Text(), "a value missing"},
      {"priority", HexText().Int(501).Int(1).Value(R(1)).Text(), "the value missing"},
      {"grid", HexText().Int(601).Int(0x10000).Int(0x10000).Value(R(1)).Text(), "cells far beyond the text"},
      {"grid", HexText().Int(601).Int(2).Int(1).Value(R(1)).Text(), "a cell missing"},
  };
  for (const Case &c : cases) {
    const std::string ds = std::string("ds_") + c.kind;
    const double id = c.kind == std::string("grid") ? Num("ds_grid_create", {R(1), R(2)}) : Num(ds + "_create");
    if (c.kind == std::string("list")) Call("ds_list_add", {R(id), S("keep")});
    if (c.kind == std::string("stack")) Call("ds_stack_push", {R(id), S("keep")});
    if (c.kind == std::string("queue")) Call("ds_queue_enqueue", {R(id), S("keep")});
    if (c.kind == std::string("map")) Call("ds_map_add", {R(id), S("keep"), R(1)});
    if (c.kind == std::string("priority")) Call("ds_priority_add", {R(id), S("keep"), R(1)});
    const std::string before = Text(ds + "_write", {R(id)});
    Call(ds + "_read", {R(id), S(c.text)});
    EXPECT_EQ(TakeErrors(), std::vector<std::string>{kBadText}) << c.why;
    EXPECT_EQ(Text(ds + "_write", {R(id)}), before) << c.why;
  }
  // A real where the text belongs reads as no text.
  const double l = Num("ds_list_create");
  Call("ds_list_read", {R(l), R(301)});
  EXPECT_EQ(TakeErrors(), std::vector<std::string>{kBadText});
  EXPECT_EQ(m_window.fatals, 0);
}

}  // namespace
