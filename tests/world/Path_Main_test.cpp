// The path list, instances following paths step by step, and the path
// functions as game code calls them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "support/Code_Test_Host.h"
#include "world/Instance_Class.h"
#include "world/Motion_Grid.h"
#include "world/Path_Main.h"

namespace {

class PathResourceTest : public ::testing::Test {
protected:
  void SetUp() override { g_Paths.Clear(); }
  void TearDown() override { g_Paths.Clear(); }

  // A new path in the list with the given points (speed 100 unless given).
  static int AddPath(std::vector<RWayPoint> points, bool closed = false) {
    const int index = PathAdd();
    CPath *p = PathGet(index);
    p->SetClosed(closed);
    p->SetPoints(std::move(points));
    return index;
  }
};

TEST_F(PathResourceTest, ListAddsDuplicatesAssignsAndDeletes) {
  const int a = AddPath({{0, 0, 100}, {10, 0, 100}});
  EXPECT_EQ(PathName(a), "__newpath0");
  const int b = PathDuplicate(a);
  EXPECT_EQ(b, 1);
  EXPECT_EQ(PathName(b), "__newpath1");
  EXPECT_EQ(PathGet(b)->i_length, 10);
  EXPECT_EQ(PathDuplicate(7), -1);
  EXPECT_EQ(PathCount(), 2);

  PathDelete(a);
  EXPECT_FALSE(PathExists(a));
  EXPECT_EQ(PathName(a), "<undefined>");
  EXPECT_EQ(PathFind("__newpath1"), b);
  // Assigning into an empty slot makes the path there; the name stays empty.
  ASSERT_TRUE(PathAssign(a, b));
  ASSERT_TRUE(PathExists(a));
  EXPECT_EQ(PathGet(a)->Count(), 2);
  EXPECT_FALSE(PathAssign(a, 5));   // no such source
  EXPECT_FALSE(PathAssign(2, b));   // no such slot
  EXPECT_FALSE(PathAssign(-1, b));
  // The new path after a deleted one keeps counting from the end.
  EXPECT_EQ(PathAdd(), 2);
}

// --- following ---------------------------------------------------------------------

TEST_F(PathResourceTest, AssignStartsOrRefusesToFollow) {
  const int line = AddPath({{100, 50, 100}, {200, 50, 100}});
  const int dot = AddPath({{5, 5, 100}});

  CInstance inst;
  inst.i_x = 7;
  inst.i_y = 8;
  Path_Assign(inst, line, 4, 1, 0, false, 3);
  EXPECT_EQ(inst.i_pathindex, line);
  EXPECT_EQ(inst.i_x, 100);  // put on the start
  EXPECT_EQ(inst.i_y, 50);
  EXPECT_EQ(inst.i_pathxstart, 100);
  EXPECT_EQ(inst.i_pathposition, 0);
  EXPECT_EQ(inst.i_pathend, 3);

  // Backwards from the end; relative keeps the place, and the path's end
  // (turned and scaled) lies there.
  CInstance back;
  back.i_x = 7;
  back.i_y = 8;
  Path_Assign(back, line, -4, 2, 45, true, 1);
  EXPECT_EQ(back.i_pathposition, 1);
  EXPECT_EQ(back.i_pathpositionprevious, 1);
  EXPECT_EQ(back.i_x, 7);
  EXPECT_NEAR(back.i_pathxstart, 7 - 100 * std::sqrt(2.0), 1e-9);
  EXPECT_NEAR(back.i_pathystart, 8 + 100 * std::sqrt(2.0), 1e-9);
  EXPECT_EQ(back.i_pathscale, 2);
  EXPECT_EQ(back.i_pathorientation, 45);
  // An absolute path run backwards starts at its end and stays on itself.
  CInstance absolute;
  Path_Assign(absolute, line, -4, 1, 0, false, 0);
  EXPECT_EQ(absolute.i_x, 200);
  EXPECT_EQ(absolute.i_pathxstart, 100);
  Path_Adapt(absolute);
  EXPECT_NEAR(absolute.i_x, 196, 1e-9);
  EXPECT_EQ(absolute.i_direction, 180);

  struct RRefusal {
    const char *what;
    int index;
    double scale;
  };
  for (const RRefusal &r : {RRefusal{"stop", -1, 1}, RRefusal{"missing", 9, 1}, RRefusal{"no length", dot, 1},
                            RRefusal{"negative scale", line, -1}}) {
    SCOPED_TRACE(r.what);
    CInstance i;
    i.i_pathindex = line;
    i.i_x = 3;
    Path_Assign(i, r.index, 4, r.scale, 0, false, 0);
    EXPECT_EQ(i.i_pathindex, -1);
    EXPECT_EQ(i.i_x, 3);
    EXPECT_FALSE(Path_Adapt(i));
  }
}

TEST_F(PathResourceTest, AdaptMovesAlongThePathAndPointsTheDirectionThatWay) {
  // Up, then right.
  const int p = AddPath({{0, 100, 100}, {0, 0, 100}, {100, 0, 100}});
  CInstance inst;
  inst.i_hspeed = 3;  // left over from earlier motion
  inst.i_speed = 3;
  Path_Assign(inst, p, 10, 1, 0, false, 0);
  EXPECT_FALSE(Path_Adapt(inst));
  EXPECT_DOUBLE_EQ(inst.i_x, 0);
  EXPECT_DOUBLE_EQ(inst.i_y, 90);
  EXPECT_EQ(inst.i_direction, 90);
  EXPECT_EQ(inst.i_speed, 0);  // the move is made, not left as a speed
  EXPECT_EQ(inst.i_hspeed, 0);
  EXPECT_EQ(inst.i_vspeed, 0);

  for (int i = 0; i < 9; ++i) Path_Adapt(inst);
  EXPECT_NEAR(inst.i_y, 0, 1e-9);
  Path_Adapt(inst);
  EXPECT_NEAR(inst.i_x, 10, 1e-9);
  EXPECT_EQ(inst.i_direction, 0);

  // The points' speeds scale the step: at 50 percent it is half as long.
  const int slow = AddPath({{0, 0, 50}, {100, 0, 50}});
  CInstance snail;
  Path_Assign(snail, slow, 10, 1, 0, false, 0);
  Path_Adapt(snail);
  EXPECT_NEAR(snail.i_x, 5, 1e-9);

  // Turned a quarter and doubled: the first leg runs left, twice as long.
  CInstance turned;
  turned.i_x = 500;
  turned.i_y = 500;
  Path_Assign(turned, p, 10, 2, 90, true, 0);
  Path_Adapt(turned);
  EXPECT_NEAR(turned.i_x, 490, 1e-9);
  EXPECT_NEAR(turned.i_y, 500, 1e-9);
  EXPECT_EQ(turned.i_direction, 180);
}

struct REndCase {
  int endact;
  double position;  // after the step that passes the end
  double x;
  double speed;     // path speed after it
};

TEST_F(PathResourceTest, EndActionsAtTheEndOfAnOpenPath) {
  // A path of length 100 run at 30: the fourth step passes the end at 1.2.
  const REndCase cases[] = {
      {0, 1, 100, 30},     // stop at the end
      {1, 0.2, 20, 30},    // restart from the start
      {2, 0.2, 120, 30},   // continue from where the end is
      {3, 0.8, 80, -30},   // come back
      {7, 1, 100, 30},     // unknown actions stop
  };
  for (const REndCase &c : cases) {
    SCOPED_TRACE(c.endact);
    g_Paths.Clear();
    const int p = AddPath({{0, 0, 100}, {100, 0, 100}});
    CInstance inst;
    Path_Assign(inst, p, 30, 1, 0, false, c.endact);
    EXPECT_FALSE(Path_Adapt(inst));
    EXPECT_FALSE(Path_Adapt(inst));
    EXPECT_FALSE(Path_Adapt(inst));
    EXPECT_TRUE(Path_Adapt(inst));
    EXPECT_NEAR(inst.i_pathposition, c.position, 1e-9);
    EXPECT_NEAR(inst.i_x, c.x, 1e-9);
    EXPECT_EQ(inst.i_pathindex, c.endact == 0 || c.endact == 7 ? -1 : p);
    EXPECT_EQ(inst.i_pathspeed, c.speed);
  }
}

TEST_F(PathResourceTest, ContinueAndRestartRunBackwardsToo) {
  const int p = AddPath({{0, 0, 100}, {100, 0, 100}});
  CInstance cont;
  Path_Assign(cont, p, -30, 1, 0, true, 2);  // from the end, relative at 0
  EXPECT_EQ(cont.i_pathxstart, -100);
  Path_Adapt(cont);
  EXPECT_NEAR(cont.i_x, -30, 1e-9);
  for (int i = 0; i < 3; ++i) Path_Adapt(cont);
  // -0.2 passed the start: the start moves back by the path's extent.
  EXPECT_NEAR(cont.i_pathposition, 0.8, 1e-9);
  EXPECT_EQ(cont.i_pathxstart, -200);
  EXPECT_NEAR(cont.i_x, -120, 1e-9);

  CInstance again;
  Path_Assign(again, p, -30, 1, 0, false, 1);
  for (int i = 0; i < 4; ++i) Path_Adapt(again);
  EXPECT_NEAR(again.i_pathposition, 0.8, 1e-9);
  EXPECT_NEAR(again.i_x, 80, 1e-9);
}

TEST_F(PathResourceTest, ReverseBouncesBetweenTheEndsForever) {
  const int p = AddPath({{0, 0, 100}, {100, 0, 100}});
  CInstance inst;
  Path_Assign(inst, p, 30, 1, 0, false, 3);
  std::vector<int> ends;
  double lo = 1e9, hi = -1e9;
  for (int step = 1; step <= 40; ++step) {
    if (Path_Adapt(inst)) ends.push_back(step);
    lo = std::min(lo, inst.i_x);
    hi = std::max(hi, inst.i_x);
  }
  // 0.3 0.6 0.9 |0.8 0.5 0.2 |0.1 0.4 0.7 1.0 |... each pass takes 3 or 4 steps.
  ASSERT_GE(ends.size(), 10u);
  EXPECT_EQ(ends[0], 4);
  EXPECT_EQ(ends[1], 7);
  EXPECT_EQ(inst.i_pathindex, p);
  EXPECT_GE(lo, -1e-9);
  EXPECT_LE(hi, 100 + 1e-9);
}

TEST_F(PathResourceTest, ClosedPathWithContinueKeepsGoingRound) {
  const int p = AddPath({{0, 0, 100}, {40, 0, 100}, {40, 40, 100}, {0, 40, 100}}, true);
  CInstance inst;
  Path_Assign(inst, p, 32, 1, 0, false, 2);
  int ends = 0;
  for (int i = 0; i < 25; ++i) ends += Path_Adapt(inst) ? 1 : 0;
  // 25 steps of 32 on a round of 160: five rounds, back at the start.
  EXPECT_EQ(ends, 5);
  EXPECT_NEAR(inst.i_x, 0, 1e-9);
  EXPECT_NEAR(inst.i_y, 0, 1e-9);
}

TEST_F(PathResourceTest, NothingHappensWithoutSpeedOrPath) {
  const int p = AddPath({{0, 0, 100}, {100, 0, 100}});
  CInstance inst;
  Path_Assign(inst, p, 0, 1, 0, false, 0);
  EXPECT_FALSE(Path_Adapt(inst));
  EXPECT_EQ(inst.i_pathposition, 0);
  Path_Assign(inst, p, 10, 1, 0, false, 0);
  PathDelete(p);
  EXPECT_FALSE(Path_Adapt(inst));
  EXPECT_EQ(inst.i_x, 0);
}

// --- the functions -------------------------------------------------------------------

class PathFunctionTest : public PathResourceTest {
protected:
  void SetUp() override {
    PathResourceTest::SetUp();
    if (FunctionFind("path_add") < 0) Path_Main_Init();
    if (FunctionFind("mp_grid_create") < 0) Motion_Grid_Init();
    GridResetAll();
  }
  void TearDown() override {
    GridResetAll();
    PathResourceTest::TearDown();
  }
  // The message of the last report, without its event context.
  static std::string Reported() {
    if (!ErrorOccurred()) return "";
    const std::string &text = ErrorLast();
    const size_t p = text.rfind("\r\n\r\n");
    return p == std::string::npos ? text : text.substr(p + 4);
  }
};

TEST_F(PathFunctionTest, ScriptsBuildAndReadPaths) {
  CCodeHost host;
  const ROutcome out = host.Run(
      "var p, q;"
      "p = path_add();"
      "path_add_point(p, 0, 0, 100); path_add_point(p, 30, 0, 50); path_add_point(p, 30, 40, 100);"
      "path_set_closed(p, false);"
      "note(path_get_name(p)); note(path_exists(p)); note(path_get_number(p)); note(path_get_length(p));"
      "note(path_get_point_x(p, 1)); note(path_get_point_speed(p, 1)); note(path_get_point_speed(p, 3));"
      "note(path_get_x(p, 0.5)); note(path_get_y(p, 0.5)); note(path_get_speed(p, 0.5));"
      "path_insert_point(p, 0, -10, 0, 100); path_delete_point(p, 3); path_change_point(p, 1, 0, 10, 100);"
      "note(path_get_point_y(p, 1)); note(path_get_number(p));"
      "path_set_kind(p, 1); path_set_precision(p, 20); note(path_get_kind(p)); note(path_get_precision(p));"
      "q = path_duplicate(p); path_append(q, p); note(path_get_number(q));"
      "path_shift(q, 5, 5); note(path_get_point_x(q, 0));"
      "path_scale(q, 2, 2); path_rotate(q, 180); path_reverse(q); path_mirror(q); path_flip(q);"
      "path_clear_points(q); note(path_get_length(q));"
      "path_assign(p, q); note(path_get_number(p)); note(path_get_closed(p));"
      "path_delete(q); note(path_exists(q)); note(path_get_length(q)); note(path_name(q));");
  ASSERT_TRUE(out.ok) << out.error;
  EXPECT_EQ(CCodeHost::Notes(),
            (std::vector<std::string>{"__newpath0", "1", "3", "70", "30", "50", "1", "30", "5", "56.25",
                                      "10", "3", "1", "8", "6", "-5", "0", "0", "0", "0", "-1", "<undefined>"}));
  EXPECT_EQ(Reported(), "");
}

struct RMessageCase {
  const char *code;
  const char *message;
  const char *result;
};

TEST_F(PathFunctionTest, ListFunctionsReportMissingPaths) {
  const RMessageCase cases[] = {
      {"path_duplicate(4)", "Trying to duplicate non-existing path.", "-1"},
      {"path_assign(0, 4)", "Error assigning a path.", "0"},
      {"path_assign(3, 0)", "Error assigning a path.", "0"},
      {"path_append(4, 0)", "Appending to non-existing path.", "0"},
      {"path_append(0, 4)", "Appending a non-existing path.", "0"},
      {"path_delete(4)", "Trying to delete non-existing path.", "0"},
      {"mp_grid_path(mp_grid_create(0, 0, 2, 2, 8, 8), 4, 1, 1, 9, 9, false)",
       "Trying to assign to a non-existing path.", "0"},
      // Quiet ones: the getters answer -1, the editors do nothing.
      {"path_get_length(4) + path_get_x(4, 0) + path_get_point_y(4, 0)", "", "-3"},
      {"path_add_point(4, 1, 1, 100) + path_set_kind(4, 1) + path_rotate(4, 10)", "", "0"},
      {"mp_grid_path(9, 0, 1, 1, 9, 9, false)", "", "0"},
  };
  for (const RMessageCase &c : cases) {
    SCOPED_TRACE(c.code);
    g_Paths.Clear();
    GridResetAll();
    AddPath({{0, 0, 100}, {10, 0, 100}});
    CCodeHost host;
    const ROutcome out = host.Run(std::string("note(") + c.code + ");");
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_EQ(Reported(), c.message);
    ASSERT_EQ(CCodeHost::Notes().size(), 1u);
    EXPECT_EQ(CCodeHost::Notes()[0], c.result);
  }
}

TEST_F(PathFunctionTest, PathStartAndEndActOnSelf) {
  const int p = AddPath({{10, 20, 100}, {110, 20, 100}});
  CInstance inst;
  auto call = [&](const char *name, std::vector<double> argv) {
    RValue args[kMaxCallArguments];
    for (size_t i = 0; i < argv.size(); ++i) args[i].SetReal(argv[i]);
    RValue result;
    FunctionRoutine(FunctionFind(name))(&inst, &inst, static_cast<int>(argv.size()), args, result);
  };
  // Absolute (the fourth argument true) puts the instance on the path.
  call("path_start", {static_cast<double>(p), 5, 2.5, 1});
  EXPECT_EQ(inst.i_pathindex, p);
  EXPECT_EQ(inst.i_pathend, 2);  // rounded, halves to even
  EXPECT_EQ(inst.i_x, 10);
  EXPECT_EQ(inst.i_pathscale, 1);
  EXPECT_EQ(inst.i_pathorientation, 0);
  call("path_end", {});
  EXPECT_EQ(inst.i_pathindex, -1);

  inst.i_x = 0;
  call("path_start", {static_cast<double>(p), 5, 0, 0});
  EXPECT_EQ(inst.i_x, 0);
  EXPECT_EQ(inst.i_pathxstart, 0);
  // Without an instance there is nothing to start.
  RValue args[kMaxCallArguments];
  RValue result;
  FunctionRoutine(FunctionFind("path_start"))(nullptr, nullptr, 4, args, result);
}

}  // namespace
