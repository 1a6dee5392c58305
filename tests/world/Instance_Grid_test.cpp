// The collision index against the plain walk over every instance: random
// rooms of instances with masks of several kinds, scaled, turned, moved,
// created, destroyed, deactivated, re-sorted and reloaded between
// questions; every kind of question is asked with the index and then with
// the walk, and both must give the same answer (and leave the asker in the
// same place). The collision phase is run both ways from the same state and
// must run the same events in the same order.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "base/Support_Stream.h"
#include "functions/Function_Math.h"
#include "functions/Function_Motion.h"
#include "support/Room_Test_Fixture.h"
#include "world/Event_Class.h"
#include "world/Instance_Grid.h"
#include "world/Object_Class.h"
#include "world/Object_Lists.h"
#include "world/Run_Handle_Collision.h"
#include "world/Run_Main.h"

namespace {

TMask MaskOf(const std::vector<std::string> &rows) {
  return TMask(picture::Pic(rows), 0, kMaskPrecise, RRect{}, kBoxAutomatic);
}

std::vector<std::string> Disc(int n) {
  std::vector<std::string> rows;
  const double c = (n - 1) / 2.0;
  for (int y = 0; y < n; ++y) {
    std::string row;
    for (int x = 0; x < n; ++x) row += (x - c) * (x - c) + (y - c) * (y - c) <= c * c ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

class CollisionIndex : public RoomFixture {
protected:
  enum : int32_t { kSquare = 0, kDisc = 1, kL = 2, kTwoMasks = 3, kBar = 4, kNoMask = 5 };

  void SetUp() override {
    RoomFixture::SetUp();
    g_PendingCode = kPendingNone;
    if (FunctionFind("place_free") < 0) Function_Motion_Init();
    if (FunctionFind("room_goto") < 0) Function_Game_Init();
    if (FunctionFind("string") < 0) Function_Math_Init();
    TestMaskSprite(kSquare, std::vector<std::string>(8, std::string(8, '#')), 0, 0);
    TestMaskSprite(kDisc, Disc(15), 7, 7);
    TestMaskSprite(kL, {"#...", "#...", "#...", "####"}, 0, 0);
    // Separate masks: the left half, then a diagonal; the box holds both.
    std::vector<std::string> half(12, "######......"), diagonal;
    for (int y = 0; y < 12; ++y) {
      std::string row(12, '.');
      row[static_cast<size_t>(y)] = '#';
      diagonal.push_back(row);
    }
    TestMasks()[kTwoMasks] = {MaskOf(half), MaskOf(diagonal)};
    TestSprites()[kTwoMasks] = SpriteGeometry(12, 12, 6, 6, 2);
    TestMaskSprite(kBar, std::vector<std::string>(6, std::string(120, '#')), 60, 3);
    TestSprites()[kNoMask] = SpriteGeometry(10, 10, 0, 0);  // a box, no mask

    parent = AddObject();
    square = AddObject(parent, kSquare);
    ObjectGet(square)->o_solid = true;
    disc = AddObject(parent, kDisc);
    shape = AddObject(-1, kL);
    twoMasks = AddObject(disc, kTwoMasks);  // a grandchild of parent
    bar = AddObject(-1, kBar);
    ObjectGet(bar)->o_solid = true;
    noMask = AddObject(-1, kNoMask);
    bare = AddObject();
    objects = {square, square, square, disc, disc, shape, twoMasks, twoMasks, bar, noMask, bare};
    InstanceGrid_SetEnabled(true);
  }

  void TearDown() override {
    InstanceGrid_SetEnabled(true);
    g_PendingCode = kPendingNone;
    RoomFixture::TearDown();
  }

  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  double Between(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); }
  bool Chance(double p) { return Between(0, 1) < p; }

  // Scales, a turn, an image and a mask of another sprite now and then.
  void Vary(CInstance &inst) {
    const double scales[] = {0.5, 1.5, 2, -1, -2.5, 3};
    if (Chance(0.3)) inst.SetImageScaleX(scales[Pick(6)]);
    if (Chance(0.3)) inst.SetImageScaleY(scales[Pick(6)]);
    if (Chance(0.3)) inst.SetImageAngle(Chance(0.5) ? 90 * Pick(4) : Between(0, 360));
    if (Chance(0.3)) inst.i_imageindex = Pick(4);
    if (Chance(0.1)) inst.SetMaskIndex(Pick(7) - 1);
    if (Chance(0.05)) inst.SetSpriteIndex(Pick(7) - 1);
  }

  CInstance *Create() {
    CInstance *inst = Add(objects[static_cast<size_t>(Pick(static_cast<int>(objects.size())))], Between(-60, 700),
                          Between(-60, 540));
    inst->i_depth = Pick(3);
    Vary(*inst);
    return inst;
  }

  CInstance *Any() { return room->InstanceAt(Pick(room->InstanceCount())); }

  // One round of changes, of every kind the index must follow.
  void Stir() {
    for (int32_t i = 0; i < room->InstanceCount(); ++i) {
      CInstance &inst = *room->InstanceAt(i);
      if (Chance(0.3)) inst.SetPosition(inst.i_x + Between(-6, 6), inst.i_y + Between(-6, 6));
      else if (Chance(0.03)) inst.SetPosition(Between(-100, 740), Between(-100, 580));
      if (Chance(0.05)) Vary(inst);
    }
    for (int n = Pick(8); n > 0; --n) Create();
    for (int n = Pick(4); n > 0; --n) Any()->i_marked = true;
    if (Chance(0.4)) room->RemoveMarked();
    if (Chance(0.4)) {
      for (int n = Pick(6); n > 0; --n) Any()->i_deactivated = true;
      for (auto &inst : room->r_instance_deact)
        if (Chance(0.5)) inst->i_deactivated = false;
      room->UpdateActive();
    }
    if (Chance(0.3)) {
      for (int n = Pick(20); n > 0; --n) Any()->i_depth = Pick(4);
      room->SortInstances();
    }
    if (Chance(0.1)) {
      CStream s;
      room->SaveGameToStream(s);
      s.Seek(0);
      ASSERT_TRUE(room->LoadGameFromStream(s));
    }
  }

  static std::string N(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", v);
    return text;
  }

  // A random question in the script language, asked for self.
  std::string Question(const CInstance &self) {
    const int32_t some = room->InstanceAt(Pick(room->InstanceCount()))->i_id;
    const std::string refs[] = {"all", "all", std::to_string(parent), std::to_string(square), std::to_string(disc),
                                std::to_string(twoMasks), std::to_string(bar), std::to_string(some), "self", "other"};
    const std::string obj = refs[Pick(10)];
    const std::string prec = Chance(0.7) ? "1" : "0", notme = Chance(0.5) ? "1" : "0";
    const std::string x = N(self.i_x + Between(-30, 30)), y = N(self.i_y + Between(-30, 30));
    const std::string x2 = N(Between(-80, 720)), y2 = N(Between(-80, 560));
    const std::string px = N(Between(-40, 680)), py = N(Between(-40, 520));
    switch (Pick(16)) {
      case 0: return "return place_meeting(" + x + ", " + y + ", " + obj + ");";
      case 1: return "return instance_place(" + x + ", " + y + ", " + obj + ");";
      case 2: return "return place_free(" + x + ", " + y + ");";
      case 3: return "return place_empty(" + x + ", " + y + ");";
      case 4: return "return collision_point(" + px + ", " + py + ", " + obj + ", " + prec + ", " + notme + ");";
      case 5:
        return "return collision_rectangle(" + px + ", " + py + ", " + N(Between(-40, 680)) + ", " +
               N(Between(-40, 520)) + ", " + obj + ", " + prec + ", " + notme + ");";
      case 6:
        return "return collision_circle(" + px + ", " + py + ", " + N(Chance(0.2) ? 0.2 : Between(1, 60)) + ", " +
               obj + ", " + prec + ", " + notme + ");";
      case 7:
        return "return collision_ellipse(" + px + ", " + py + ", " + N(Between(-40, 680)) + ", " + py + ", " + obj +
               ", " + prec + ", " + notme + ");";
      case 8:
        return "return collision_line(" + px + ", " + py + ", " + x2 + ", " + y2 + ", " + obj + ", " + prec + ", " +
               notme + ");";
      case 9: return "return instance_position(" + px + ", " + py + ", " + obj + ");";
      case 10: return "return position_meeting(" + px + ", " + py + ", " + obj + ");";
      case 11: return "return position_empty(" + px + ", " + py + ");";
      case 12: return "move_contact_solid(" + N(Between(0, 360)) + ", 40); return x * 100000 + y;";
      case 13: return "move_outside_all(" + N(Between(0, 360)) + ", 40); return x * 100000 + y;";
      case 14:
        return "speed = 4; direction = " + N(Between(0, 360)) + "; move_bounce_all(" + (Chance(0.5) ? "1" : "0") +
               "); return direction;";
      default:
        return "hspeed = 3; vspeed = -2; move_bounce_solid(0); return hspeed * 100 + vspeed;";
    }
  }

  // Runs code for self with the index on and off, from the same state each
  // time, and expects the same answer and the same self afterwards.
  void AskBothWays(CInstance *self, CInstance *other, const std::string &code) {
    CInstance saved;
    saved.Assign(*self);
    InstanceGrid_SetEnabled(true);
    const RRunResult indexed = RunCodeText(code, false, self, other);
    const double x = self->i_x, y = self->i_y;
    const RRect box = self->i_bbox;
    self->Assign(saved);
    InstanceGrid_SetEnabled(false);
    const RRunResult walked = RunCodeText(code, false, self, other);
    InstanceGrid_SetEnabled(true);
    ASSERT_TRUE(indexed.ok && walked.ok) << code << ": " << indexed.error << walked.error;
    EXPECT_EQ(indexed.result.val, walked.result.val) << code << " for " << self->i_id;
    EXPECT_EQ(x, self->i_x) << code;
    EXPECT_EQ(y, self->i_y) << code;
    EXPECT_TRUE(box.left == self->i_bbox.left && box.top == self->i_bbox.top && box.right == self->i_bbox.right &&
                box.bottom == self->i_bbox.bottom)
        << code;
    self->Assign(saved);
  }

  std::mt19937 rng{20240611};
  int parent = 0, square = 0, disc = 0, shape = 0, twoMasks = 0, bar = 0, noMask = 0, bare = 0;
  std::vector<int> objects;
};

TEST_F(CollisionIndex, EveryQuestionAnswersAsTheWalkDoes) {
  for (int i = 0; i < 300; ++i) Create();
  int asked = 0, found = 0;
  for (int round = 0; round < 30; ++round) {
    Stir();
    for (int q = 0; q < 60; ++q) {
      CInstance *self = Any(), *other = Any();
      const std::string code = Question(*self);
      AskBothWays(self, other, code);
      if (HasFailure()) return;
      ++asked;
      const RRunResult r = RunCodeText(code, false, self, other);
      if (r.result.val != -4 && r.result.val != 0) ++found;
    }
  }
  // The scenes are crowded enough that questions have answers to agree on.
  EXPECT_GT(found, asked / 5);
}

TEST_F(CollisionIndex, AnswersFollowChangesBetweenQuestions) {
  // A script moves an instance far away, then back, between questions of
  // other instances; each question sees it where it is at that moment.
  for (int i = 0; i < 100; ++i) Add(square, 16 * (i % 20) + 200, 16 * (i / 20) + 200);
  CInstance *asker = Add(square, 0, 0);
  CInstance *target = Add(disc, 600, 400);
  const std::string at = "return instance_position(600, 400, all);";
  EXPECT_EQ(Real(at, asker), target->i_id);
  ASSERT_TRUE(Run("x = 20; y = 20;", target).ok);
  EXPECT_EQ(Real(at, asker), -4);
  EXPECT_EQ(Real("return instance_position(20, 20, all);", asker), target->i_id);
  ASSERT_TRUE(Run("image_xscale = 10;", target).ok);  // now reaches (80, 20)
  EXPECT_EQ(Real("return collision_point(80, 20, all, 0, 0);", asker), target->i_id);
  ASSERT_TRUE(Run("instance_deactivate_object(self);", target).ok);
  EXPECT_EQ(Real("return collision_point(80, 20, all, 0, 0);", asker), -4);
  ASSERT_TRUE(Run("instance_activate_all();", asker).ok);
  EXPECT_EQ(Real("return collision_point(80, 20, all, 0, 0);", asker), target->i_id);
  // Sorted by depth, the room order changes and so does the first answer.
  CInstance *over = Add(disc, 20, 20);
  EXPECT_EQ(Real("return instance_position(20, 20, all);", asker), target->i_id);
  over->i_depth = 10;
  room->SortInstances();
  EXPECT_EQ(Real("return instance_position(20, 20, all);", asker), over->i_id);
}

// The collision phase from one state, with the index or the walk: the log of
// events and where every instance ends.
class CollisionPhaseIndex : public CollisionIndex {
protected:
  struct ROutcome {
    std::string log;
    std::vector<double> places;
  };

  ROutcome RunPhase(bool indexed) {
    InstanceGrid_SetEnabled(indexed);
    EXPECT_TRUE(Run("global.log = \"\";", room->InstanceAt(0)).ok);
    Run_HandleCollisions();
    InstanceGrid_SetEnabled(true);
    ROutcome out;
    const RRunResult r = RunCodeText("return global.log;", false, room->InstanceAt(0), room->InstanceAt(0));
    out.log = r.result.str;
    for (const auto &inst : room->r_instance) {
      out.places.push_back(inst->i_x);
      out.places.push_back(inst->i_y);
      out.places.push_back(inst->i_marked ? 1 : 0);
    }
    return out;
  }
};

TEST_F(CollisionPhaseIndex, EventsRunAsWithTheWalk) {
  const std::string log = R"(global.log += string(id) + ">" + string(other.id) + " ";)";
  const auto on = [](int obj, int with, const std::string &code) {
    CEvent *ev = ObjectGet(obj)->CreateEvent(kEventCollision, with);
    ev->AddCodeAction(code);
    ASSERT_TRUE(ev->Compile());
  };
  on(square, square, log);
  on(disc, parent, log + " x += 25;");  // jumps on, so later meetings change
  on(twoMasks, bar, log + " if (id mod 7 == 0) instance_destroy();");
  on(shape, twoMasks, log + " solid = true;");
  Object_BuildEventLists();
  for (int i = 0; i < 400; ++i) Create();
  for (int round = 0; round < 12; ++round) {
    Stir();
    for (const auto &inst : room->r_instance) {
      inst->i_xprevious = inst->i_x - Between(-4, 4);
      inst->i_yprevious = inst->i_y - Between(-4, 4);
      inst->SetHspeed(inst->i_x - inst->i_xprevious);
      inst->SetVspeed(inst->i_y - inst->i_yprevious);
    }
    std::vector<CInstance> saved(static_cast<size_t>(room->InstanceCount()));
    for (int32_t i = 0; i < room->InstanceCount(); ++i) saved[static_cast<size_t>(i)].Assign(*room->InstanceAt(i));
    const ROutcome indexed = RunPhase(true);
    for (int32_t i = 0; i < room->InstanceCount(); ++i) room->InstanceAt(i)->Assign(saved[static_cast<size_t>(i)]);
    const ROutcome walked = RunPhase(false);
    ASSERT_FALSE(walked.log.empty());
    EXPECT_EQ(indexed.log, walked.log) << "round " << round;
    EXPECT_EQ(indexed.places, walked.places) << "round " << round;
    room->RemoveMarked();
  }
}

}  // namespace
