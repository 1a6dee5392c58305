// The event lists and the object and event functions, run from real code.
#include <gtest/gtest.h>

#include <random>

#include "world/Event_Fixture.h"

namespace {

using ObjectFunctions = EventFixture;

TEST_F(ObjectFunctions, EventListsFollowParentsAndCoverTheirRanges) {
  const int base = AddObject("base");
  const int mid = AddObject("mid", base);
  const int leaf = AddObject("leaf", mid);
  const int lone = AddObject("lone");
  const int ball = AddObject("ball");
  ObjectAdd();
  ObjectDelete(5);  // an empty slot has no events
  Code(Event(base, 3, 0), "a = 1");
  Code(Event(mid, 2, 12), "a = 1");
  Code(Event(lone, 5, 128), "a = 1");
  Code(Event(lone, 5, 129), "a = 1");  // beyond the covered numbers
  Event(lone, 3, 0);                   // without actions
  Code(Event(lone, 11, 0), "a = 1");
  Code(Event(lone, 11, 1), "a = 1");  // no such trigger
  Code(Event(ball, 4, mid), "a = 1");
  Code(Event(lone, 4, lone), "a = 1");
  g_Triggers.items.push_back(std::make_unique<CTrigger>());
  g_Triggers.names.emplace_back();
  Object_BuildEventLists();

  using L = std::vector<int32_t>;
  EXPECT_EQ(EventList(3, 0), (L{base, mid, leaf}));
  EXPECT_EQ(EventList(2, 12), (L{mid, leaf}));
  EXPECT_EQ(EventList(2, 11), L{});
  EXPECT_EQ(EventList(5, 128), L{lone});
  EXPECT_EQ(EventList(5, 129), L{});
  EXPECT_EQ(EventList(11, 0), L{lone});
  EXPECT_EQ(EventList(11, 1), L{});
  EXPECT_EQ(EventList(4, mid), L{});  // collisions go through the pair list
  EXPECT_EQ(EventList(12, 0), L{});
  EXPECT_EQ(EventListLast(11), 0);

  // ball meets mid and, through mid, leaf; lone meets itself.
  std::vector<std::pair<int, int>> pairs;
  for (const TColPair &p : CollisionPairs()) pairs.emplace_back(p.obj1, p.obj2);
  EXPECT_EQ(pairs, (std::vector<std::pair<int, int>>{{mid, ball}, {leaf, ball}, {lone, lone}}));
}

// The tables agree with looking every event up through the parent chains,
// for random games with deleted objects, empty events and parent cycles.
TEST_F(ObjectFunctions, EventListsAgreeWithTheEventLookup) {
  std::mt19937 random(7);
  for (int game = 0; game < 40; ++game) {
    Reset();
    const int count = 2 + static_cast<int>(random() % 30);
    for (int o = 0; o < count; ++o) AddObject("o" + std::to_string(o));
    for (int o = 0; o < count; ++o) {
      ObjectGet(o)->o_parent = static_cast<int>(random() % (count + 3)) - 2;  // -2 .. count: some missing
      for (int e = static_cast<int>(random() % 4); e > 0; --e) {
        const int etype = static_cast<int>(random() % 2) ? kEventCollision : static_cast<int>(random() % 12);
        CEvent &ev = Event(o, etype, static_cast<int>(random() % (count + 2)));
        if (random() % 5) Code(ev, "a = 1");
      }
    }
    for (int o = 0; o < count; ++o)
      if (random() % 8 == 0) ObjectDelete(o);
    Object_BuildEventLists();

    for (int32_t t = 0; t < kEventTypeCount; ++t) {
      for (int32_t n = 0; n <= EventListLast(t); ++n) {
        std::vector<int32_t> expected;
        for (int o = 0; o < count; ++o)
          if (ObjectExists(o) && ObjectGet(o)->GetEventRecursive(t, n, nullptr, o)) expected.push_back(o);
        ASSERT_EQ(EventList(t, n), expected) << "game " << game << " event " << t << "," << n;
      }
    }
    std::vector<std::pair<int, int>> expected, pairs;
    for (int a = 0; a < count; ++a)
      for (int b = a; b < count; ++b)
        if (ObjectExists(a) && ObjectExists(b) &&
            (ObjectGet(a)->GetEventRecursive(kEventCollision, b, nullptr, a) ||
             ObjectGet(b)->GetEventRecursive(kEventCollision, a, nullptr, b)))
          expected.emplace_back(a, b);
    for (const TColPair &p : CollisionPairs()) pairs.emplace_back(p.obj1, p.obj2);
    ASSERT_EQ(pairs, expected) << "game " << game;
  }
}

TEST_F(ObjectFunctions, SettingTheParentRefusesMissingParentsAndCycles) {
  const int a = AddObject("a");
  const int b = AddObject("b", a);
  const int c = AddObject("c", b);
  const int caller = AddObject("caller");
  Code(Event(a, 3, 0), "x = 1");
  ASSERT_TRUE(Object_CompileAll());
  Object_BuildEventLists();
  CInstance &self = Add(caller);

  const struct {
    const char *code;
    const char *message;  // "" for an accepted change
    int parentOfA;
  } cases[] = {
      {"object_set_parent(0, 0)", "Creating a cycle in the parent relation.", -1},
      {"object_set_parent(0, 2)", "Creating a cycle in the parent relation.", -1},
      {"object_set_parent(0, 9)", "Setting a non-existing parent.", -1},
      {"object_set_parent(0, 3)", "", 3},
      {"object_set_parent(0, -5)", "", -1},
  };
  for (const auto &tc : cases) {
    ErrorReset();
    RunInEvent(self, tc.code);
    EXPECT_EQ(ObjectGet(a)->o_parent, tc.parentOfA) << tc.code;
    if (*tc.message) {
      EXPECT_EQ(ErrorLast(), std::string("ERROR in\r\naction number 1\r\nof Other Event: User Defined 15\r\nfor object caller:\r\n\r\n") +
                                 tc.message)
          << tc.code;
    } else {
      EXPECT_FALSE(ErrorOccurred()) << tc.code;
    }
  }
  // Accepted changes rebuild the lists: c no longer inherits a's step.
  host.Run("object_set_parent(1, -1)", &self);
  EXPECT_EQ(EventList(3, 0), (std::vector<int32_t>{a}));
  EXPECT_EQ(ObjectGet(c)->o_parent, b);
}

TEST_F(ObjectFunctions, PropertiesOfObjects) {
  AddObject("first");
  const int second = AddObject("second", 0);
  CInstance &self = Add(second);
  const struct {
    const char *expr;
    double value;
  } reals[] = {
      {"object_exists(1)", 1},        {"object_exists(2)", 0},           {"object_exists(-1)", 0},
      {"object_get_sprite(0)", -1},   {"object_get_visible(0)", 1},      {"object_get_parent(1)", 0},
      {"object_get_depth(7)", -1},    {"object_get_solid(7)", -1},       {"object_is_ancestor(1, 0)", 1},
      {"object_is_ancestor(0, 1)", 0}, {"object_is_ancestor(1, 1)", 0},  {"object_is_ancestor(5, 0)", -1},
  };
  for (const auto &tc : reals) {
    const ROutcome r = host.Run(std::string("return ") + tc.expr, &self);
    ASSERT_TRUE(r.ok) << tc.expr << r.error;
    EXPECT_EQ(r.Real(), tc.value) << tc.expr;
  }
  EXPECT_EQ(host.Run("return object_get_name(1)", &self).Text(), "second");
  EXPECT_EQ(host.Run("return object_name(3)", &self).Text(), "<undefined>");

  ASSERT_TRUE(host.Run("object_set_sprite(0, 4.5); object_set_solid(0, 0.5); object_set_visible(0, 0.49);"
                       "object_set_depth(0, -2.5); object_set_persistent(0, 1); object_set_mask(0, 3);"
                       "object_set_depth(9, 1)",
                       &self)
                  .ok);
  const CObject &o = *ObjectGet(0);
  EXPECT_EQ(o.o_spriteindex, 4);
  EXPECT_TRUE(o.o_solid);
  EXPECT_FALSE(o.o_visible);
  EXPECT_EQ(o.o_depth, -2);
  EXPECT_TRUE(o.o_persistent);
  EXPECT_EQ(o.o_mask, 3);

  EXPECT_EQ(host.Run("return object_add()", &self).Real(), 2);
  EXPECT_EQ(ObjectName(2), "__newobject2");
  host.Run("object_delete(2)", &self);
  EXPECT_FALSE(ObjectExists(2));
  EXPECT_FALSE(ErrorOccurred());
  host.Run("object_delete(2)", &self);
  EXPECT_NE(ErrorLast().find("\r\n\r\nTrying to delete non-existing object."), std::string::npos);
}

TEST_F(ObjectFunctions, EventsAddedAndClearedAtRunTime) {
  const int obj = AddObject("grower");
  const int heir = AddObject("heir", obj);
  CInstance &inst = Add(heir);
  ASSERT_TRUE(host.Run("object_event_add(0, ev_step, ev_step_normal, 'note(\"added\")');"
                       "object_event_add(0, ev_step, ev_step_normal, 'note(\"twice\")')",
                       &inst)
                  .ok);
  EXPECT_EQ(EventList(3, 0), (std::vector<int32_t>{obj, heir}));
  PerformInstanceEvent(&inst, &inst, 3, 0);
  EXPECT_EQ(Notes(), "added twice");

  host.Run("object_event_clear(0, ev_step, ev_step_normal)", &inst);
  EXPECT_EQ(EventList(3, 0), std::vector<int32_t>{});
  PerformInstanceEvent(&inst, &inst, 3, 0);
  EXPECT_EQ(Notes(), "");

  // Broken code ends the game as any code action's would.
  host.Run("object_event_add(0, ev_create, 0, 'a = ;')", &inst);
  EXPECT_TRUE(ErrorAborting());
  EXPECT_NE(ErrorLast().find("COMPILATION ERROR in code action\r"), std::string::npos);
}

TEST_F(ObjectFunctions, EventFunctionsRaiseEvents) {
  const int parent = AddObject("parent");
  const int child = AddObject("child", parent);
  const int other = AddObject("other");
  Code(Event(parent, 7, 12), "note('parent user 2'); note(event_object)");
  Code(Event(child, 7, 12), "note('child user 2'); event_inherited(); note(event_object)");
  Code(Event(child, 0, 0), "event_user(2); event_perform(ev_alarm, 4); event_perform_object(2, ev_draw, 0)");
  Code(Event(child, 2, 4), "note('alarm 4')");
  Code(Event(other, 8, 0), "note('draw of other for'); note(me)");
  Code(Event(parent, 3, 0), "event_inherited(); note('no parent: nothing')");
  ASSERT_TRUE(Object_CompileAll());
  CInstance &inst = Add(child);
  PerformEvent(&inst, &inst, child, 0, 0);
  EXPECT_EQ(Notes(), "child user 2 parent user 2 0 1 alarm 4 draw of other for 100001");
  PerformEvent(&inst, &inst, child, 3, 0);
  EXPECT_EQ(Notes(), "no parent: nothing");
}

// A script may delete the object or clear the event that is running; the
// event ends without touching freed actions.
TEST_F(ObjectFunctions, DeletingTheRunningObjectOrEvent) {
  const int doomed = AddObject("doomed");
  CEvent &ev = Event(doomed, 0, 0);
  Code(ev, "object_event_clear(0, ev_create, 0); note('still running')");
  Code(ev, "note('cleared: not run')");
  const int gone = AddObject("gone");
  Code(Event(gone, 0, 0), "object_delete(1); note('deleted')");
  Code(Event(gone, 0, 0), "note('next action of a deleted object')");
  ASSERT_TRUE(Object_CompileAll());
  CInstance &a = Add(doomed);
  CInstance &b = Add(gone);
  PerformEvent(&a, &a, doomed, 0, 0);
  EXPECT_EQ(Notes(), "still running");
  PerformEvent(&b, &b, gone, 0, 0);
  EXPECT_EQ(Notes(), "deleted next action of a deleted object");
  EXPECT_FALSE(ObjectExists(gone));
}

}  // namespace
