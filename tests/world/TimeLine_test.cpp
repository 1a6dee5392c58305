#include <gtest/gtest.h>

#include <vector>

#include "base/Support_Stream.h"
#include "world/TimeLine_Main.h"

namespace {

std::vector<uint8_t> Bytes(const CTimeLine &t) {
  CStream s;
  t.SaveToStream(s);
  return s.Bytes();
}

CTimeLine Steps(std::vector<int32_t> steps) {
  CTimeLine t;
  for (int32_t st : steps) t.AddMoment(st).AddCodeAction("m" + std::to_string(st));
  return t;
}

TEST(TimeLine, RecordRoundTrip) {
  CTimeLine t = Steps({0, 10, 250});
  t.AddMoment(10).AddCodeAction("second");
  CStream s(Bytes(t));
  CTimeLine back;
  ASSERT_TRUE(back.LoadFromStream(s));
  EXPECT_EQ(s.Position(), s.Size());
  EXPECT_EQ(back.s_step, (std::vector<int32_t>{0, 10, 250}));
  ASSERT_EQ(back.s_event[1]->Count(), 2);
  EXPECT_EQ(back.s_event[1]->Action(1)->act_argstring[0], "second");
  EXPECT_EQ(Bytes(back), Bytes(t));

  CTimeLine empty;
  CStream e(Bytes(empty));
  ASSERT_TRUE(back.LoadFromStream(e));
  EXPECT_EQ(back.Count(), 0);
}

TEST(TimeLine, WrongVersionFails) {
  CStream s(Bytes(Steps({1})));
  s.WriteInteger(499);
  s.Seek(0);
  CTimeLine t;
  EXPECT_FALSE(t.LoadFromStream(s));
}

// Moments stored out of order or twice are put in order, since the player's
// searches rely on it; a broken moment ends the time line where it is.
TEST(TimeLine, DamagedRecordsGiveAnOrderedTimeLine) {
  CStream s;
  s.WriteInteger(500);
  s.WriteInteger(4);
  for (int32_t step : {20, 5, 20}) {
    s.WriteInteger(step);
    CEvent ev;
    ev.AddCodeAction("at " + std::to_string(step));
    ev.SaveToStream(s);
  }
  s.WriteInteger(30);
  s.WriteInteger(401);  // an event of another version
  s.WriteInteger(77);
  s.Seek(0);
  CTimeLine t;
  ASSERT_TRUE(t.LoadFromStream(s));
  EXPECT_EQ(t.s_step, (std::vector<int32_t>{5, 20, 30}));
  EXPECT_EQ(t.s_event[1]->Count(), 2);
  EXPECT_EQ(t.s_event[2]->Count(), 0);
}

TEST(TimeLine, SearchesByStepAndPosition) {
  const CTimeLine t = Steps({0, 10, 20});
  struct Case { double pos; int32_t larger, smaller; };
  for (const Case &c : std::vector<Case>{{-1, 0, -1}, {0, 0, 0},   {0.5, 1, 0},  {10, 1, 1},
                                         {19.99, 2, 1}, {20, 2, 2}, {20.5, 3, 2}, {1e9, 3, 2}}) {
    EXPECT_EQ(t.FindLarger(c.pos), c.larger) << c.pos;
    EXPECT_EQ(t.FindSmaller(c.pos), c.smaller) << c.pos;
  }
  EXPECT_EQ(t.Find(10), 1);
  EXPECT_EQ(t.Find(11), -1);
  const CTimeLine none;
  EXPECT_EQ(none.FindLarger(0), -1);
  EXPECT_EQ(none.FindSmaller(0), -1);
  EXPECT_EQ(none.Find(0), -1);
}

TEST(TimeLine, AddingAndDeletingMomentsKeepsTheOrder) {
  CTimeLine t = Steps({10, 0, 30, 20});
  EXPECT_EQ(t.s_step, (std::vector<int32_t>{0, 10, 20, 30}));
  CEvent &again = t.AddMoment(20);  // an existing step is not added twice
  EXPECT_EQ(again.Count(), 1);
  EXPECT_EQ(t.Count(), 4);
  t.DeleteMoment(10);
  t.DeleteMoment(15);  // none: nothing happens
  EXPECT_EQ(t.s_step, (std::vector<int32_t>{0, 20, 30}));
  EXPECT_EQ(t.s_event[1]->Action(0)->act_argstring[0], "m20");
  EXPECT_EQ(t.s_event[2]->Action(0)->act_argstring[0], "m30");
  t.Clear();
  EXPECT_EQ(t.Count(), 0);
}

TEST(TimeLine, ListAddDeleteName) {
  g_TimeLines.Clear();
  EXPECT_EQ(TimeLineAdd(), 0);
  EXPECT_EQ(TimeLineName(0), "__newtimeline0");
  EXPECT_EQ(TimeLineFind("__newtimeline0"), 0);
  TimeLineDelete(0);
  EXPECT_FALSE(TimeLineExists(0));
  EXPECT_EQ(TimeLineName(0), "<undefined>");
  EXPECT_EQ(TimeLineCount(), 1);

  // The section: named items, empty slots kept.
  RTimeLineList list;
  list.items.push_back(std::make_unique<CTimeLine>(Steps({3})));
  list.names.push_back("tl_intro");
  list.items.emplace_back();
  list.names.emplace_back();
  CStream s;
  TimeLine_SaveSection(s, list);
  s.Seek(0);
  ASSERT_TRUE(TimeLine_Load(s));
  ASSERT_EQ(TimeLineCount(), 2);
  EXPECT_EQ(TimeLineFind("tl_intro"), 0);
  EXPECT_FALSE(TimeLineExists(1));
  EXPECT_EQ(TimeLineGet(0)->s_step, std::vector<int32_t>{3});
  g_TimeLines.Clear();
}

}  // namespace
