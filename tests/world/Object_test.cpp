#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "code/Script_Main.h"
#include "runner/Game_Fixture.h"
#include "base/Support_Stream.h"
#include "world/Object_Main.h"

namespace {

std::vector<std::string> g_messages;
void Collect(std::string_view text) { g_messages.emplace_back(text); }

template <class T>
std::vector<uint8_t> Bytes(const T &record) {
  CStream s;
  record.SaveToStream(s);
  return s.Bytes();
}

// An action with every field away from its default.
std::unique_ptr<CAction> FullAction() {
  auto a = std::make_unique<CAction>();
  a->act_libid = 1;
  a->act_id = 603;
  a->act_kind = CAction::kNormal;
  a->act_userelative = true;
  a->act_isquestion = true;
  a->act_useapplyto = true;
  a->act_exetype = CAction::kExeCode;
  a->act_funcname = "action_if";
  a->act_codestring = "x += 1;";
  a->act_argumentcount = 3;
  a->act_argtype = {0, 1, 2, 15, 0, 0, 0, 4};
  a->act_who = -2;
  a->act_relative = true;
  a->act_argstring = {"a", "\"b\"", "c\xC3\xA9", "", "", "", "", "last"};
  a->act_isnot = true;
  return a;
}

class ObjectTest : public ::testing::Test {
protected:
  void SetUp() override {
    g_Objects.Clear();
    g_Scripts.Clear();
    g_messages.clear();
    Action_SetMessageHandler(Collect);
  }
  void TearDown() override {
    Action_SetMessageHandler(nullptr);
    g_Objects.Clear();
    g_Scripts.Clear();
  }

  // Adds an object with the given parent; answers it.
  CObject &Add(int32_t parent) {
    CObject &o = *ObjectGet(ObjectAdd());
    o.o_parent = parent;
    return o;
  }
};

TEST_F(ObjectTest, RecordRoundTripKeepsEveryField) {
  CObject o;
  o.o_spriteindex = 3;
  o.o_solid = true;
  o.o_visible = false;
  o.o_depth = -40;
  o.o_persistent = true;
  o.o_parent = 2;
  o.o_mask = 5;
  o.CreateEvent(0, 0)->e_actions.push_back(FullAction());
  o.CreateEvent(4, 17)->AddCodeAction("instance_destroy();");
  o.CreateEvent(9, 65)->AddCodeAction("a");
  o.CreateEvent(9, 65)->AddCodeAction("b");
  o.CreateEvent(7, 10);  // kept although it has no actions

  CStream s(Bytes(o));
  CObject back;
  ASSERT_TRUE(back.LoadFromStream(s));
  EXPECT_EQ(s.Position(), s.Size());
  EXPECT_EQ(Bytes(back), Bytes(o));
  EXPECT_EQ(back.o_depth, -40);
  EXPECT_FALSE(back.o_visible);
  EXPECT_EQ(back.o_mask, 5);
  const CAction &a = *back.GetEventDirect(0, 0)->Action(0);
  EXPECT_EQ(a.act_id, 603);
  EXPECT_EQ(a.act_argstring[2], "c\xC3\xA9");
  EXPECT_EQ(a.act_argstring[7], "last");
  EXPECT_EQ(a.act_argtype[3], 15);
  EXPECT_TRUE(a.act_isnot);
  EXPECT_EQ(a.act_who, -2);
  ASSERT_EQ(back.GetEventDirect(9, 65)->Count(), 2);
  EXPECT_EQ(back.GetEventDirect(9, 65)->Action(1)->act_argstring[0], "b");
  EXPECT_EQ(back.GetEventDirect(7, 10), nullptr);  // no actions: absent
  EXPECT_NE(back.o_events[7].find(10), back.o_events[7].end());
  EXPECT_TRUE(g_messages.empty());
}

TEST_F(ObjectTest, CodeActionAndDefaults) {
  CObject o;
  o.Create();
  EXPECT_EQ(o.o_spriteindex, -1);
  EXPECT_TRUE(o.o_visible);
  EXPECT_EQ(o.o_parent, -1);
  EXPECT_EQ(o.o_mask, -1);
  const CAction &a = o.CreateEvent(0, 0)->AddCodeAction("show_debug_message(1);");
  EXPECT_EQ(a.act_kind, CAction::kCode);
  EXPECT_EQ(a.act_exetype, CAction::kExeCode);
  EXPECT_EQ(a.act_argumentcount, 0);
  EXPECT_EQ(a.act_argstring[0], "show_debug_message(1);");
  EXPECT_EQ(a.act_functionid, -1);
  EXPECT_EQ(o.CreateEvent(0, 0)->Action(1), nullptr);
  EXPECT_EQ(o.CreateEvent(0, 0)->Action(-1), nullptr);
  for (auto [t, n] : std::vector<std::pair<int, int>>{{-1, 0}, {12, 0}, {3, -1}}) {
    EXPECT_EQ(o.CreateEvent(t, n), nullptr) << t << "," << n;
    EXPECT_EQ(o.GetEventDirect(t, n), nullptr) << t << "," << n;
  }
  EXPECT_FALSE(o.HasEventDirect(12));
}

TEST_F(ObjectTest, FunctionNamesResolveWhenRead) {
  auto script = std::make_unique<CScript>();
  g_Scripts.items.emplace_back();
  g_Scripts.names.emplace_back();
  g_Scripts.items.push_back(std::move(script));
  g_Scripts.names.push_back("scr_move");

  CEvent ev;
  for (const char *name : {"scr_move", "no_such_function"}) {
    CAction &a = *ev.e_actions.emplace_back(std::make_unique<CAction>());
    a.act_exetype = CAction::kExeFunction;
    a.act_funcname = name;
  }
  CAction &code = ev.AddCodeAction("x = 1;");  // code actions are not looked up
  code.act_funcname = "not_looked_up";
  CStream s(Bytes(ev));
  CEvent back;
  ASSERT_TRUE(back.LoadFromStream(s));
  EXPECT_EQ(back.Action(0)->act_functionid, 100001);
  EXPECT_EQ(back.Action(1)->act_functionid, -1);
  EXPECT_EQ(back.Action(1)->act_funcname, "no_such_function");  // kept for writing again
  EXPECT_EQ(back.Action(2)->act_functionid, -1);
  EXPECT_EQ(g_messages, std::vector<std::string>{"Failed to locate action function no_such_function"});

  // The registry's lookup replaces the default one.
  Action_SetFunctionFinder([](std::string_view name) { return name == "no_such_function" ? 42 : -1; });
  CStream again(Bytes(ev));
  ASSERT_TRUE(back.LoadFromStream(again));
  Action_SetFunctionFinder(nullptr);
  EXPECT_EQ(back.Action(0)->act_functionid, -1);
  EXPECT_EQ(back.Action(1)->act_functionid, 42);
}

TEST_F(ObjectTest, WrongObjectVersionFails) {
  CObject o;
  o.o_depth = 9;
  for (int32_t version : {429, 431, 800, 0}) {
    CStream s(Bytes(o));
    s.WriteInteger(version);  // over the version word
    s.Seek(0);
    CObject back;
    EXPECT_FALSE(back.LoadFromStream(s)) << version;
  }
}

// An event or action of another version ends what can be read of the
// object: the events before it stay, the bytes after it are not taken for
// records, and the next object's item is read normally.
TEST_F(ObjectTest, WrongEventAndActionVersionsStayInsideTheirObject) {
  auto build = [](int32_t eventVersion, int32_t actionVersion) {
    CStream s;
    s.WriteInteger(430);
    for (int32_t v : {1, 0, 1, 0, 0, -1, -1}) s.WriteInteger(v);
    s.WriteInteger(11);
    s.WriteInteger(0);  // create event
    CEvent good;
    good.AddCodeAction("a = 1;");
    good.SaveToStream(s);
    s.WriteInteger(-1);
    s.WriteInteger(-1);
    s.WriteInteger(-1);
    s.WriteInteger(2);  // step event 2, with a broken record
    s.WriteInteger(eventVersion);
    s.WriteInteger(2);
    CAction first;
    first.CreateCode("b = 1;");
    first.SaveToStream(s);
    CAction second;
    second.CreateCode("c = 1;");
    CStream rest;
    second.SaveToStream(rest);
    s.WriteInteger(actionVersion);
    s.Write(rest.Memory() + 4, rest.Size() - 4);
    for (int i = 0; i < 8; ++i) s.WriteInteger(-1);
    s.Seek(0);
    return s;
  };
  {
    CStream s = build(399, 440);
    CObject o;
    ASSERT_TRUE(o.LoadFromStream(s));
    EXPECT_EQ(o.o_spriteindex, 1);
    ASSERT_NE(o.GetEventDirect(0, 0), nullptr);
    EXPECT_EQ(o.GetEventDirect(3, 2), nullptr);  // left empty
  }
  {
    CStream s = build(400, 441);
    CObject o;
    ASSERT_TRUE(o.LoadFromStream(s));
    const CEvent *ev = o.GetEventDirect(3, 2);
    ASSERT_NE(ev, nullptr);
    ASSERT_EQ(ev->Count(), 2);
    EXPECT_EQ(ev->Action(0)->act_argstring[0], "b = 1;");
    EXPECT_EQ(ev->Action(1)->act_kind, CAction::kNormal);  // the empty action
    EXPECT_EQ(ev->Action(1)->act_exetype, CAction::kExeNothing);
    EXPECT_EQ(ev->Action(1)->act_argstring[0], "");
  }

  // In a section, the object after the damaged one is whole.
  CStream section;
  section.WriteInteger(800);
  section.WriteInteger(2);
  for (int i = 0; i < 2; ++i) {
    CStream item;
    item.WriteBoolean(true);
    item.WriteString(i == 0 ? "broken" : "whole");
    if (i == 0) {
      CStream broken = build(400, 441);
      item.Write(broken.Memory(), broken.Size());
    } else {
      CObject whole;
      whole.o_depth = 77;
      whole.CreateEvent(8, 0)->AddCodeAction("draw_self();");
      whole.SaveToStream(item);
    }
    section.WriteStreamC(item);
  }
  section.Seek(0);
  ASSERT_TRUE(Object_Load(section));
  ASSERT_EQ(ObjectCount(), 2);
  EXPECT_EQ(ObjectGet(1)->o_depth, 77);
  ASSERT_NE(ObjectGet(1)->GetEventDirect(8, 0), nullptr);
  EXPECT_EQ(ObjectFind("whole"), 1);
}

// Counts in an action record beyond the eight slots are read past, not
// written past; negative ones count as none.
TEST_F(ObjectTest, ActionCountsOutsideTheSlotsStayInStep) {
  CStream s;
  s.WriteInteger(440);
  for (int32_t v : {1, 2, 0}) s.WriteInteger(v);
  for (int i = 0; i < 3; ++i) s.WriteBoolean(false);
  s.WriteInteger(CAction::kExeCode);
  s.WriteString("");
  s.WriteString("code");
  s.WriteInteger(99);  // argument count
  s.WriteInteger(12);  // twelve kinds
  for (int i = 0; i < 12; ++i) s.WriteInteger(100 + i);
  s.WriteInteger(-2);
  s.WriteBoolean(true);
  s.WriteInteger(-5);  // no texts
  s.WriteBoolean(true);
  s.WriteInteger(12345);  // what follows the record
  s.Seek(0);
  CAction a;
  ASSERT_TRUE(a.LoadFromStream(s));
  EXPECT_EQ(a.act_argumentcount, 8);
  EXPECT_EQ(a.act_argtype[7], 107);
  EXPECT_EQ(a.act_who, -2);
  EXPECT_TRUE(a.act_relative);
  EXPECT_TRUE(a.act_isnot);
  EXPECT_EQ(s.ReadInteger(), 12345);
}

TEST_F(ObjectTest, EventsAreFoundThroughTheParentChain) {
  CObject &base = Add(-1);                       // 0
  base.CreateEvent(0, 0)->AddCodeAction("base");
  base.CreateEvent(2, 3)->AddCodeAction("alarm");
  CObject &mid = Add(0);                         // 1
  mid.CreateEvent(0, 0);                         // an event without actions
  CObject &leaf = Add(1);                        // 2
  leaf.CreateEvent(8, 0)->AddCodeAction("draw");

  int32_t owner = -9;
  const CEvent *ev = leaf.GetEventRecursive(0, 0, &owner, 2);
  ASSERT_NE(ev, nullptr);
  EXPECT_EQ(ev->Action(0)->act_argstring[0], "base");
  EXPECT_EQ(owner, 0);
  EXPECT_EQ(leaf.GetEventRecursive(8, 0, &owner, 2), leaf.GetEventDirect(8, 0));
  EXPECT_EQ(owner, 2);
  EXPECT_EQ(leaf.GetEventRecursive(2, 4), nullptr);
  EXPECT_TRUE(leaf.HasEventRecursive(2));
  EXPECT_FALSE(leaf.HasEventDirect(2));
  EXPECT_FALSE(mid.HasEventDirect(0));
  EXPECT_FALSE(base.HasEventRecursive(8));

  // A parent that does not exist ends the chain.
  CObject &orphan = Add(50);  // 3
  EXPECT_EQ(orphan.GetEventRecursive(0, 0), nullptr);
  EXPECT_FALSE(orphan.IsDecendentOf(50));
}

TEST_F(ObjectTest, CollisionEventsMatchTheOtherObjectsAncestors) {
  Add(-1);                       // 0: P's parent
  Add(0);                        // 1: P
  Add(1);                        // 2: child of P
  CObject &a = Add(-1);          // 3
  a.CreateEvent(4, 0)->AddCodeAction("with grandparent");
  a.CreateEvent(4, 1)->AddCodeAction("with P");
  CObject &b = Add(3);           // 4: inherits a's collisions
  b.CreateEvent(4, 0)->AddCodeAction("b with grandparent");

  // The nearest ancestor of the other object wins, and for each ancestor the
  // colliding object's own chain is searched first.
  EXPECT_EQ(a.GetEventRecursive(4, 2)->Action(0)->act_argstring[0], "with P");
  EXPECT_EQ(b.GetEventRecursive(4, 2)->Action(0)->act_argstring[0], "with P");
  EXPECT_EQ(b.GetEventRecursive(4, 1)->Action(0)->act_argstring[0], "with P");
  EXPECT_EQ(b.GetEventRecursive(4, 0)->Action(0)->act_argstring[0], "b with grandparent");
  // An event for the child itself is preferred.
  a.CreateEvent(4, 2)->AddCodeAction("with child");
  EXPECT_EQ(b.GetEventRecursive(4, 2)->Action(0)->act_argstring[0], "with child");
  // Not for other event types, nor for a number that names no object.
  a.CreateEvent(9, 1)->AddCodeAction("key");
  EXPECT_EQ(a.GetEventRecursive(9, 2), nullptr);
  EXPECT_EQ(a.GetEventRecursive(4, 99), nullptr);
}

TEST_F(ObjectTest, CyclesInTheParentChainEndTheWalk) {
  CObject &a = Add(1);  // 0 -> 1 -> 0
  CObject &b = Add(0);
  CObject &self = Add(2);  // 2 -> 2
  Add(-1);                 // 3: the other object of a collision
  ObjectGet(3)->o_parent = 3;

  EXPECT_EQ(a.GetEventRecursive(0, 0), nullptr);
  EXPECT_EQ(self.GetEventRecursive(3, 0), nullptr);
  EXPECT_EQ(a.GetEventRecursive(4, 3), nullptr);
  EXPECT_FALSE(b.HasEventRecursive(0));
  EXPECT_FALSE(a.IsDecendentOf(7));
  EXPECT_TRUE(a.IsDecendentOf(1));
  EXPECT_TRUE(b.IsDecendentOf(0));
  b.CreateEvent(0, 0)->AddCodeAction("found");
  EXPECT_EQ(a.GetEventRecursive(0, 0), b.GetEventDirect(0, 0));
  EXPECT_TRUE(a.HasEventRecursive(0));
}

TEST_F(ObjectTest, IsDecendentOfFollowsExistingAncestorsOnly) {
  Add(-1);              // 0
  Add(0);               // 1
  CObject &c = Add(1);  // 2
  struct Case { int32_t ancestor; bool expected; };
  for (const Case &k : std::vector<Case>{{1, true}, {0, true}, {2, false}, {-1, false}, {5, false}})
    EXPECT_EQ(c.IsDecendentOf(k.ancestor), k.expected) << k.ancestor;
  ObjectDelete(1);
  EXPECT_FALSE(c.IsDecendentOf(0));  // the chain is broken at the deleted parent
}

TEST_F(ObjectTest, ListAddDeleteNameFind) {
  EXPECT_EQ(ObjectAdd(), 0);
  EXPECT_EQ(ObjectAdd(), 1);
  EXPECT_EQ(ObjectName(1), "__newobject1");
  EXPECT_EQ(ObjectFind("__newobject1"), 1);
  ObjectDelete(0);
  ObjectDelete(7);  // nothing there: nothing happens
  EXPECT_FALSE(ObjectExists(0));
  EXPECT_EQ(ObjectGet(0), nullptr);
  EXPECT_EQ(ObjectName(0), "<undefined>");
  EXPECT_EQ(ObjectName(-1), "<undefined>");
  EXPECT_EQ(ObjectFind("__newobject0"), -1);
  EXPECT_EQ(ObjectCount(), 2);
}

}  // namespace

namespace {

// Through the whole loader: an object record of another version fails the
// game with the resource-data message; the same record as 430 loads.
TEST(ObjectLoad, RecordVersionsDecideTheGamesLoad) {
  for (int32_t version : {430, 431}) {
    RGameFileOptions o = fixture::SmallFile();
    o.sectionHook = [version](int index, CStream &out) {
      if (index != 10) return false;
      CStream rec;
      CObject obj;
      obj.o_depth = 3;
      obj.CreateEvent(0, 0)->AddCodeAction("x = 1;");
      obj.SaveToStream(rec);
      rec.Seek(0);
      rec.WriteInteger(version);
      out.WriteInteger(800);
      out.WriteInteger(1);
      CStream item;
      item.WriteBoolean(true);
      item.WriteString("obj");
      item.Write(rec.Memory(), rec.Size());
      out.WriteStreamC(item);
      return true;
    };
    const RLoadResult r =
        Runner_LoadGameBytes(GameWriter_Build(fixture::MinimalGame(), o).bytes, fixture::SearchFrom(0));
    if (version == 430) {
      ASSERT_TRUE(r.Loaded());
      EXPECT_EQ(ObjectGet(0)->o_depth, 3);
      EXPECT_NE(ObjectGet(0)->GetEventDirect(0, 0), nullptr);
    } else {
      EXPECT_EQ(r.messages, std::vector<std::string>{kMsgResourceData});
    }
  }
  g_Objects.Clear();
}

}  // namespace
