#include <gtest/gtest.h>

#include <vector>

#include "base/Support_Stream.h"
#include "world/Trigger_Main.h"

namespace {

std::unique_ptr<CTrigger> Make(std::string name, std::string constname, int32_t moment) {
  auto t = std::make_unique<CTrigger>();
  t->i_name = std::move(name);
  t->i_condition = "return x > 10;";
  t->i_constname = std::move(constname);
  t->i_moment = moment;
  return t;
}

RTriggerList Sample() {
  RTriggerList list;
  list.items.push_back(Make("Far right", "trig_right", CTrigger::kEnd));
  list.items.emplace_back();
  list.items.push_back(Make("Dup", "trig_dup", CTrigger::kMiddle));
  list.items.push_back(Make("Dup again", "trig_dup", CTrigger::kBegin));
  list.names.resize(list.items.size());
  return list;
}

TEST(Trigger, SectionRoundTripAndLookups) {
  CStream s;
  Trigger_SaveSection(s, Sample());
  s.Seek(0);
  ASSERT_TRUE(Trigger_Load(s));
  EXPECT_EQ(s.Position(), s.Size());
  ASSERT_EQ(TriggerCount(), 4);
  const CTrigger &t = *TriggerGet(0);
  EXPECT_EQ(t.i_name, "Far right");
  EXPECT_EQ(t.i_condition, "return x > 10;");
  EXPECT_EQ(t.i_constname, "trig_right");
  EXPECT_EQ(t.i_moment, CTrigger::kEnd);
  EXPECT_FALSE(TriggerExists(1));
  EXPECT_EQ(TriggerName(1), "<Deleted>");
  EXPECT_EQ(TriggerName(9), "<Deleted>");
  EXPECT_EQ(TriggerName(2), "Dup");
  EXPECT_EQ(TriggerFindConstant("trig_dup"), 2);  // the first one
  EXPECT_EQ(TriggerFindConstant("trig_right"), 0);
  EXPECT_EQ(TriggerFindConstant("Far right"), -1);
  EXPECT_EQ(TriggerFindConstant(""), -1);
  g_Triggers.Clear();
}

TEST(Trigger, WrongVersionsFail) {
  CTrigger t;
  EXPECT_EQ(t.i_moment, CTrigger::kBegin);
  CStream rec;
  Make("a", "b", 0)->SaveToStream(rec);
  rec.Seek(0);
  rec.WriteInteger(799);
  rec.Seek(0);
  EXPECT_FALSE(t.LoadFromStream(rec));

  // A failing record fails the section.
  CStream s;
  s.WriteInteger(800);
  s.WriteInteger(1);
  CStream item;
  item.WriteBoolean(true);
  item.WriteInteger(810);
  s.WriteStreamC(item);
  s.Seek(0);
  EXPECT_FALSE(Trigger_Load(s));
  CStream wrongSection;
  wrongSection.WriteInteger(700);
  wrongSection.WriteInteger(0);
  wrongSection.Seek(0);
  EXPECT_FALSE(Trigger_Load(wrongSection));
  g_Triggers.Clear();
}

}  // namespace
