#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Room_Test_Fixture.h"

namespace {

class InstanceFunctions : public RoomFixture {
protected:
  void SetUp() override {
    RoomFixture::SetUp();
    base = AddObject();
    child = AddObject(base);
    lone = AddObject();
    self = Add(lone);  // the instance the code runs for
  }

  static std::string Code(const std::string &text, int a, int b = 0) {
    std::string out = text;
    for (auto [key, value] : {std::pair<const char *, int>{"A", a}, {"B", b}}) {
      for (size_t p; (p = out.find(key)) != std::string::npos;) out.replace(p, 1, std::to_string(value));
    }
    return out;
  }

  int base = 0, child = 0, lone = 0;
  CInstance *self = nullptr;
};

TEST_F(InstanceFunctions, CreateAddsAnInstanceWithTheNextId) {
  g_LastInstanceId = 100200;
  EXPECT_EQ(Real(Code("return instance_create(16, 24, A);", child)), 100201);
  ASSERT_EQ(room->InstanceCount(), 2);
  const CInstance *made = room->InstanceAt(1);
  EXPECT_EQ(made->i_objectindex, child);
  EXPECT_EQ(made->i_x, 16);
  EXPECT_EQ(made->i_ystart, 24);
  EXPECT_EQ(room->Obj_Number_Recursive(base), 1);
}

TEST_F(InstanceFunctions, CreatingAnUnknownObjectIsReported) {
  EXPECT_EQ(Real("return instance_create(0, 0, 17);"), -4);
  EXPECT_EQ(room->InstanceCount(), 1);
  EXPECT_TRUE(ErrorLast().ends_with("Creating instance for non-existing object: 17")) << ErrorLast();
}

// An id argument is rounded to the whole number it stands for, up to the
// largest id there is; a value no 32-bit number has names no instance, and
// never self (-1) either.
TEST_F(InstanceFunctions, AnIdArgumentReachesTheLargestIdAndNoFurther) {
  g_LastInstanceId = 2147483646;
  ASSERT_EQ(Add(lone)->i_id, 2147483647);
  struct Case {
    const char *code;
    double expect;
  } cases[] = {
      {"return instance_exists(2147483647);", 1},
      {"return instance_exists(2147483646.6);", 1},
      {"return instance_exists(2147483647.5);", 0},
      {"return instance_exists(10000000000);", 0},
      {"return instance_exists(-10000000000);", 0},
      {"return instance_number(-10000000000) + instance_number(4294967295);", 0},
  };
  for (const Case &c : cases) EXPECT_EQ(Real(c.code, self), c.expect) << c.code;
  EXPECT_EQ(Real("return instance_create(0, 0, 2147483647);"), -4);
  EXPECT_TRUE(ErrorLast().ends_with("Creating instance for non-existing object: 2147483647")) << ErrorLast();
}

TEST_F(InstanceFunctions, CountingAndFindingSkipMarkedInstances) {
  std::vector<CInstance *> c;
  for (int i = 0; i < 3; ++i) c.push_back(Add(child));
  CInstance *b = Add(base);
  c[0]->i_marked = true;  // destroyed earlier this step

  struct Case {
    std::string code;
    double expect;
  } cases[] = {
      {Code("return instance_number(A);", base), 3},
      {Code("return instance_number(A);", child), 2},
      {"return instance_number(all);", 4},
      {Code("return instance_find(A, 0);", child), static_cast<double>(c[1]->i_id)},
      {Code("return instance_find(A, 1);", child), static_cast<double>(c[2]->i_id)},
      {Code("return instance_find(A, 2);", child), -4},
      {Code("return instance_find(A, 2);", base), static_cast<double>(b->i_id)},
      {"return instance_find(all, 0);", static_cast<double>(self->i_id)},
      {"return instance_find(all, 1);", static_cast<double>(c[1]->i_id)},
      {Code("return instance_find(A, 0);", c[1]->i_id), static_cast<double>(c[1]->i_id)},
      {Code("return instance_find(A, 1);", c[1]->i_id), -4},
      {Code("return instance_find(A, 0);", c[0]->i_id), -4},
      {"return instance_find(self, 0);", -4},
      {Code("return instance_exists(A);", c[0]->i_id), 0},
      {Code("return instance_exists(A);", c[2]->i_id), 1},
      {Code("return instance_number(A);", c[2]->i_id), 1},
      {Code("return instance_exists(A);", base), 1},
      {"return instance_exists(self) + instance_number(other);", 2},
      {"return instance_exists(noone) + instance_number(12345);", 0},
  };
  for (const Case &k : cases) EXPECT_EQ(Real(k.code, self), k.expect) << k.code;

  self->i_marked = true;
  EXPECT_EQ(Real("return instance_exists(self);", self), 0);
}

TEST_F(InstanceFunctions, NearestAndFurthestMeasureFromThePoint) {
  self->SetPosition(1000, 1000);
  CInstance *near1 = Add(child, 10, 0);
  Add(base, 0, 10);  // as near as near1: the earlier one wins
  CInstance *far = Add(child, 50, 50);
  CInstance *marked = Add(child, 1, 1);
  marked->i_marked = true;
  const int remote = AddObject();
  CInstance *away = Add(remote, 100000, 0);

  struct Case {
    std::string code;
    double expect;
  } cases[] = {
      {Code("return instance_nearest(0, 0, A);", base), static_cast<double>(near1->i_id)},
      {Code("return instance_nearest(0, 0, A);", lone), static_cast<double>(self->i_id)},
      {"return instance_nearest(0, 0, all);", static_cast<double>(near1->i_id)},
      // 100000 pixels away is out of reach, even for the only candidate.
      {Code("return instance_nearest(0, 0, A);", remote), -4},
      {Code("return instance_nearest(1, 0, A);", remote), static_cast<double>(away->i_id)},
      {Code("return instance_nearest(0, 0, A);", near1->i_id), -4},
      {Code("return instance_furthest(0, 0, A);", base), static_cast<double>(far->i_id)},
      {Code("return instance_furthest(0, 0, A);", remote), static_cast<double>(away->i_id)},
      {"return instance_furthest(0, 0, all);", static_cast<double>(away->i_id)},
      {"return instance_furthest(0, 0, 99);", -4},
  };
  for (const Case &k : cases) EXPECT_EQ(Real(k.code, self), k.expect) << k.code;
}

TEST_F(InstanceFunctions, DestroyMarksSelf) {
  CInstance *victim = Add(base);
  EXPECT_TRUE(Run("instance_destroy();", victim).ok);
  EXPECT_TRUE(victim->i_marked);
  EXPECT_FALSE(self->i_marked);
  EXPECT_EQ(room->InstanceCount(), 2);  // still listed until the step removes it
  EXPECT_EQ(Real(Code("return instance_number(A);", base), self), 0);
}

TEST_F(InstanceFunctions, ChangeKeepsTheIdAndTheCounterStillAdvances) {
  TestSprites()[3] = SpriteGeometry(4, 4, 0, 0);
  ObjectGet(child)->o_spriteindex = 3;
  ObjectGet(child)->o_depth = -9;
  self->SetPosition(5, 6);
  self->i_vars.SetVar(VariableIndex("hp"), 0, RValue::Real(12));
  const int32_t id = self->i_id;
  const int32_t counter = g_LastInstanceId;

  ASSERT_TRUE(Run(Code("instance_change(A, 1);", child), self).ok);
  EXPECT_EQ(g_LastInstanceId, counter + 1);
  EXPECT_TRUE(self->i_marked);
  ASSERT_EQ(room->InstanceCount(), 2);
  CInstance *changed = room->InstanceAt(1);
  EXPECT_EQ(changed->i_id, id);
  EXPECT_EQ(changed->i_objectindex, child);
  EXPECT_EQ(changed->i_spriteindex, 3);
  EXPECT_EQ(changed->i_depth, -9);
  EXPECT_EQ(changed->i_x, 5);
  EXPECT_EQ(changed->i_bbox.left, 5);
  RValue hp;
  ASSERT_TRUE(changed->i_vars.GetVar(VariableIndex("hp"), 0, hp));
  EXPECT_EQ(hp.val, 12);
  // Found under its new object and by its id at once, not its marked
  // original.
  CInstance *other = Add(base);
  EXPECT_EQ(Real(Code("return instance_find(A, 0);", base), other), id);
  EXPECT_EQ(Real(Code("with (A) return hp;", id), other), 12);

  EXPECT_TRUE(Run(Code("instance_change(A, 0);", 55), other).ok);
  EXPECT_TRUE(ErrorLast().ends_with("Asking to change into non-existing object: 55")) << ErrorLast();
  EXPECT_FALSE(other->i_marked);
}

TEST_F(InstanceFunctions, CopyTakesEverythingButTheId) {
  self->SetPosition(7, 8);
  self->SetHspeed(2);
  self->SetAlarm(3, 40);
  self->i_vars.SetVar(VariableIndex("hp"), 0, RValue::Real(5));
  const double id = Real("return instance_copy(0);", self);
  ASSERT_EQ(room->InstanceCount(), 2);
  const CInstance *copy = room->InstanceAt(1);
  EXPECT_EQ(copy->i_id, id);
  EXPECT_NE(copy->i_id, self->i_id);
  EXPECT_EQ(copy->i_y, 8);
  EXPECT_EQ(copy->i_hspeed, 2);
  EXPECT_EQ(copy->GetAlarm(3), 40);
  RValue hp;
  ASSERT_TRUE(copy->i_vars.GetVar(VariableIndex("hp"), 0, hp));
  EXPECT_EQ(hp.val, 5);
  EXPECT_EQ(room->Obj_Number(lone), 2);
}

TEST_F(InstanceFunctions, InstanceSpriteNeedsAnExistingSprite) {
  TestSprites()[4] = SpriteGeometry(8, 8, 0, 0);
  EXPECT_TRUE(Run("instance_sprite(4);", self).ok);
  EXPECT_EQ(self->i_spriteindex, 4);
  EXPECT_TRUE(Run("instance_sprite(6);", self).ok);
  EXPECT_EQ(self->i_spriteindex, 4);
  EXPECT_TRUE(ErrorLast().ends_with("Setting instance to non-existing sprite: 6")) << ErrorLast();
}

TEST_F(InstanceFunctions, DeactivatedInstancesAreFoundByNothingButActivation) {
  CInstance *a = Add(child);
  CInstance *b = Add(base);
  ASSERT_TRUE(Run(Code("instance_deactivate_object(A);", base), self).ok);
  EXPECT_EQ(Ids(), (std::vector<int32_t>{self->i_id}));
  EXPECT_TRUE(a->i_deactivated);
  EXPECT_EQ(Real(Code("return instance_number(A) + instance_exists(B);", base, a->i_id), self), 0);
  EXPECT_EQ(Real("n = 0; with (all) n += 1; return n;", self), 1);

  // Activation by the parent brings both back, at the end, in their order.
  ASSERT_TRUE(Run(Code("instance_activate_object(A);", base), self).ok);
  EXPECT_EQ(Ids(), (std::vector<int32_t>{self->i_id, a->i_id, b->i_id}));
  EXPECT_TRUE(room->r_instance_deact.empty());

  // By id, and by a child object only.
  ASSERT_TRUE(Run("instance_deactivate_all(1);", self).ok);
  EXPECT_EQ(Ids(), (std::vector<int32_t>{self->i_id}));
  ASSERT_TRUE(Run(Code("instance_activate_object(A);", b->i_id), self).ok);
  EXPECT_EQ(Ids(), (std::vector<int32_t>{self->i_id, b->i_id}));
  ASSERT_TRUE(Run(Code("instance_activate_object(A);", child), self).ok);
  EXPECT_EQ(Ids(), (std::vector<int32_t>{self->i_id, b->i_id, a->i_id}));

  // Self may deactivate itself and keeps running.
  EXPECT_EQ(Real("instance_deactivate_object(self); return 5;", self), 5);
  EXPECT_TRUE(self->i_deactivated);
  EXPECT_EQ(Ids(), (std::vector<int32_t>{b->i_id, a->i_id}));
  ASSERT_TRUE(Run("instance_activate_all();", self).ok);
  EXPECT_EQ(Ids(), (std::vector<int32_t>{b->i_id, a->i_id, self->i_id}));
}

TEST_F(InstanceFunctions, RegionsTestTheBoxOrThePosition) {
  TestSprites()[0] = SpriteGeometry(10, 10, 0, 0);
  CInstance *boxIn = Add(base, 95, 95);     // box 95..104 meets [0, 100]
  boxIn->SetSpriteIndex(0);
  CInstance *boxOut = Add(base, 101, 0);
  boxOut->SetSpriteIndex(0);
  CInstance *pointIn = Add(base, 100, 100);  // no sprite: edges count
  CInstance *pointOut = Add(base, 100.5, 0);
  self->SetPosition(50, 50);                 // inside, but notme

  ASSERT_TRUE(Run("instance_deactivate_region(0, 0, 100, 100, 1, 1);", self).ok);
  EXPECT_TRUE(boxIn->i_deactivated);
  EXPECT_TRUE(pointIn->i_deactivated);
  EXPECT_FALSE(boxOut->i_deactivated);
  EXPECT_FALSE(pointOut->i_deactivated);
  EXPECT_FALSE(self->i_deactivated);

  // Outside: the rest, now self too.
  ASSERT_TRUE(Run("instance_deactivate_region(0, 0, 100, 100, 0, 0);", self).ok);
  EXPECT_EQ(Ids(), (std::vector<int32_t>{self->i_id}));
  EXPECT_TRUE(boxOut->i_deactivated);

  ASSERT_TRUE(Run("instance_activate_region(0, 0, 100, 100, 0);", self).ok);
  EXPECT_EQ(Ids(), (std::vector<int32_t>{self->i_id, boxOut->i_id, pointOut->i_id}));
  ASSERT_TRUE(Run("instance_activate_region(0, 0, 100, 100, 1);", self).ok);
  EXPECT_TRUE(room->r_instance_deact.empty());
}

TEST_F(InstanceFunctions, WithWalksTheObjectAndItsDescendants) {
  CInstance *a = Add(child);
  Add(lone);
  CInstance *b = Add(base);
  a->i_marked = true;
  EXPECT_TRUE(Run(Code("with (A) hit = 1;", base), self).ok);
  RValue v;
  EXPECT_FALSE(a->i_vars.GetVar(VariableIndex("hit"), 0, v));  // marked: skipped
  EXPECT_TRUE(b->i_vars.GetVar(VariableIndex("hit"), 0, v));
  EXPECT_FALSE(self->i_vars.GetVar(VariableIndex("hit"), 0, v));
  EXPECT_EQ(Real(Code("n = 0; with (all) other.n += 1; with (A) other.n += 10; return n;", base), self), 13);
  // Reading through an id and an object.
  b->SetPosition(33, 0);
  EXPECT_EQ(Real(Code("return (B).x + (A).x;", base, b->i_id), self), 66);
}

}  // namespace
