// Grid motion planning: marking cells, and the ways the search finds on
// small grids, with and without diagonal steps.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "support/Code_Test_Host.h"
#include "code/Code_Function.h"
#include "world/Motion_Grid.h"
#include "world/Path_Class.h"
#include "world/Path_Main.h"

namespace {

using RCells = std::vector<std::pair<int, int>>;
using RPoints = std::vector<std::pair<double, double>>;

CGrid MakeGrid(int hcells, int vcells, const RCells &forbidden, int left = 0, int top = 0, int cellw = 10,
               int cellh = 10) {
  CGrid g;
  g.Create(left, top, hcells, vcells, cellw, cellh);
  for (const auto &[h, v] : forbidden) g.AddCell(h, v);
  return g;
}

RPoints Points(const CPath &p) {
  RPoints out;
  for (const RWayPoint &w : p.i_points) out.emplace_back(w.x, w.y);
  return out;
}

// Which cells are forbidden, row by row: '#' forbidden, '.' free.
std::string Picture(const CGrid &g) {
  std::string out;
  for (int v = 0; v < g.i_vcells; ++v) {
    for (int h = 0; h < g.i_hcells; ++h) out += g.Cell(h, v) == CGrid::kForbidden ? '#' : g.Cell(h, v) == 0 ? '.' : '?';
    out += '\n';
  }
  return out;
}

struct RSearchCase {
  const char *what;
  int hcells, vcells;
  RCells forbidden;
  double xs, ys, xg, yg;
  bool diag;
  RPoints want;  // empty: no way
};

TEST(GridSearch, FindsTheSpecifiedWays) {
  const RSearchCase cases[] = {
      {"straight steps go down first", 3, 3, {}, 5, 5, 25, 25, false,
       {{5, 5}, {5, 15}, {5, 25}, {15, 25}, {25, 25}}},
      {"diagonal steps cut across", 3, 3, {}, 5, 5, 25, 25, true, {{5, 5}, {15, 15}, {25, 25}}},
      {"around a wall", 3, 3, {{1, 0}, {1, 1}}, 5, 5, 25, 5, false,
       {{5, 5}, {5, 15}, {5, 25}, {15, 25}, {25, 25}, {25, 15}, {25, 5}}},
      {"no diagonal past a wall's end", 3, 3, {{1, 0}, {1, 1}}, 5, 5, 25, 5, true,
       {{5, 5}, {5, 15}, {5, 25}, {15, 25}, {25, 25}, {25, 15}, {25, 5}}},
      {"exact end points, cell centres between", 3, 1, {}, 1, 2, 28, 9, false, {{1, 2}, {15, 5}, {28, 9}}},
      {"a cell to itself", 3, 3, {}, 3, 4, 7, 8, true, {{3, 4}, {7, 8}}},
      {"never between two forbidden cells", 2, 2, {{1, 0}, {0, 1}}, 5, 5, 15, 15, true, {}},
      {"walled in", 3, 3, {{1, 0}, {1, 1}, {1, 2}}, 5, 5, 25, 5, true, {}},
      {"goal forbidden", 3, 3, {{2, 2}}, 5, 5, 25, 25, false, {}},
      {"start forbidden", 3, 3, {{0, 0}}, 5, 5, 25, 25, false, {}},
      {"goal right of the grid", 3, 3, {}, 5, 5, 30, 5, false, {}},
      {"start above the grid", 3, 3, {}, 5, -0.5, 25, 5, false, {}},
  };
  for (const RSearchCase &c : cases) {
    SCOPED_TRACE(c.what);
    CGrid g = MakeGrid(c.hcells, c.vcells, c.forbidden);
    const std::string before = Picture(g);
    CPath path;
    path.SetPoints({{-1, -1, 100}});
    path.SetClosed(true);
    path.SetKind(CPath::kSmooth);
    const bool found = g.FindPath(path, c.xs, c.ys, c.xg, c.yg, c.diag);
    EXPECT_EQ(found, !c.want.empty());
    if (found) {
      EXPECT_EQ(Points(path), c.want);
      EXPECT_EQ(path.i_kind, CPath::kStraight);
      EXPECT_FALSE(path.i_closed);
      for (const RWayPoint &w : path.i_points) EXPECT_EQ(w.speed, 100);
    } else {
      EXPECT_EQ(Points(path), (RPoints{{-1, -1}}));  // untouched
    }
    // The search leaves no marks behind.
    EXPECT_EQ(Picture(g), before);
  }
}

// Cell (h, v) of a grid of 10-pixel cells at its centre.
std::pair<double, double> C(int h, int v) { return {h * 10 + 5, v * 10 + 5}; }

TEST(GridSearch, TheOrderOfStepsChoosesAmongEqualWays) {
  struct RCase {
    const char *what;
    int hcells, vcells;
    RCells forbidden;
    std::pair<int, int> from, to;
    bool diag;
    RPoints want;
  };
  const RCase cases[] = {
      {"down-right", 2, 2, {}, {0, 0}, {1, 1}, true, {C(0, 0), C(1, 1)}},
      {"down-left", 2, 2, {}, {1, 0}, {0, 1}, true, {C(1, 0), C(0, 1)}},
      {"up-left", 2, 2, {}, {1, 1}, {0, 0}, true, {C(1, 1), C(0, 0)}},
      {"up-right", 2, 2, {}, {0, 1}, {1, 0}, true, {C(0, 1), C(1, 0)}},
      {"sideways before up and down on the way back", 2, 2, {}, {0, 1}, {1, 0}, false,
       {C(0, 1), C(0, 0), C(1, 0)}},
      {"left before right on the way back", 3, 3, {{1, 1}}, {1, 0}, {1, 2}, false,
       {C(1, 0), C(0, 0), C(0, 1), C(0, 2), C(1, 2)}},
      {"up before down on the way back", 3, 4, {{1, 2}}, {0, 2}, {2, 2}, false,
       {C(0, 2), C(0, 1), C(1, 1), C(2, 1), C(2, 2)}},
      {"left spreads before right", 3, 5, {{0, 3}, {1, 1}}, {1, 0}, {1, 4}, true,
       {C(1, 0), C(2, 0), C(2, 1), C(2, 2), C(2, 3), C(2, 4), C(1, 4)}},
      {"up spreads before down", 5, 4, {{1, 1}, {3, 0}, {3, 3}, {4, 3}}, {0, 1}, {4, 0}, true,
       {C(0, 1), C(0, 0), C(1, 0), C(2, 0), C(2, 1), C(3, 1), C(4, 1), C(4, 0)}},
  };
  for (const RCase &c : cases) {
    SCOPED_TRACE(c.what);
    CGrid g = MakeGrid(c.hcells, c.vcells, c.forbidden);
    CPath path;
    const auto [xs, ys] = C(c.from.first, c.from.second);
    const auto [xg, yg] = C(c.to.first, c.to.second);
    ASSERT_TRUE(g.FindPath(path, xs, ys, xg, yg, c.diag));
    EXPECT_EQ(Points(path), c.want);
  }
}

TEST(GridSearch, PlacedAndOddSizedCells) {
  // Cells of 5 by 3 from (100, 50); centres at half a cell rounded down.
  CGrid g = MakeGrid(4, 3, {{1, 1}, {3, 2}}, 100, 50, 5, 3);
  CPath path;
  ASSERT_TRUE(g.FindPath(path, 102, 51, 117, 55, true));
  EXPECT_EQ(Points(path), (RPoints{{102, 51}, {107, 51}, {112, 51}, {117, 55}}));
  EXPECT_DOUBLE_EQ(path.i_length, 10 + std::sqrt(41.0));
  // The grid's far edge is outside it.
  EXPECT_FALSE(g.FindPath(path, 102, 51, 120, 51, true));
  EXPECT_TRUE(g.FindPath(path, 102, 51, 119.9, 51, true));
}

TEST(GridSearch, LongWayRoundAMaze) {
  // A serpentine: every other row walled but for one gap at alternating ends.
  CGrid g = MakeGrid(9, 9, {});
  for (int v = 1; v < 9; v += 2)
    for (int h = 0; h < 9; ++h)
      if (h != ((v / 2) % 2 == 0 ? 8 : 0)) g.AddCell(h, v);
  CPath path;
  ASSERT_TRUE(g.FindPath(path, 5, 5, 5, 85, true));
  // Four rows of 9 cells, 4 gaps and the goal's cell below the last gap.
  EXPECT_EQ(path.Count(), 41);
  for (size_t i = 1; i < path.i_points.size(); ++i) {
    const double dx = path.i_points[i].x - path.i_points[i - 1].x, dy = path.i_points[i].y - path.i_points[i - 1].y;
    EXPECT_EQ(dx * dx + dy * dy, 100) << "step " << i;  // one cell at a time, never through a wall
  }
}

TEST(GridCells, CellsAndRectanglesMarkWhatTheyCover) {
  CGrid g = MakeGrid(4, 3, {});
  g.AddCell(3, 0);
  g.AddCell(4, 0);   // outside: ignored
  g.AddCell(-1, 2);
  EXPECT_EQ(Picture(g), "...#\n....\n....\n");
  // Corners in any order; pixel 10 is the first of the second cell.
  g.AddRectangle(29, 25, 10, 10);
  EXPECT_EQ(Picture(g), "...#\n.##.\n.##.\n");
  g.ClearRectangle(-50, -50, 10, 10);
  EXPECT_EQ(Picture(g), "...#\n..#.\n.##.\n");
  // Partly outside: clipped; wholly outside: nothing.
  g.AddRectangle(35, 25, 90, 90);
  g.AddRectangle(-30, 0, -1, 40);
  g.AddRectangle(0, 30, 40, 45);
  EXPECT_EQ(Picture(g), "...#\n..#.\n.###\n");
  g.ClearCell(3, 0);
  g.ClearCell(9, 9);
  EXPECT_EQ(Picture(g), "....\n..#.\n.###\n");
  g.ClearAll();
  EXPECT_EQ(Picture(g), "....\n....\n....\n");
}

TEST(GridCells, DegenerateGrids) {
  CGrid g;
  g.Create(0, 0, -3, 5, 10, 10);
  EXPECT_EQ(g.i_hcells, 0);
  CPath path;
  EXPECT_FALSE(g.FindPath(path, 0, 0, 0, 0, false));
  g.AddRectangle(0, 0, 100, 100);
  // Cells of no size hold no point.
  CGrid flat = MakeGrid(3, 3, {}, 0, 0, 0, 10);
  EXPECT_FALSE(flat.FindPath(path, 0, 0, 0, 0, false));
  flat.AddRectangle(0, 0, 100, 100);
  EXPECT_EQ(Picture(flat), "...\n...\n...\n");
  // Too many cells: refused, the grid stays empty.
  EXPECT_FALSE(g.Create(0, 0, 1 << 14, 1 << 14, 1, 1));
  EXPECT_TRUE(g.i_cells.empty());
}

// --- the functions -----------------------------------------------------------------

TEST(GridFunctions, ScriptsPlanThroughGrids) {
  if (FunctionFind("path_add") < 0) Path_Main_Init();
  if (FunctionFind("mp_grid_create") < 0) Motion_Grid_Init();
  g_Paths.Clear();
  GridResetAll();
  CCodeHost host;
  const ROutcome out = host.Run(
      "var g, h, p;"
      "g = mp_grid_create(0, 0, 4, 4, 16, 16);"
      "h = mp_grid_create(0, 0, 1, 1, 16, 16);"
      "p = path_add();"
      "mp_grid_add_rectangle(g, 16, 0, 31, 47);"
      "note(mp_grid_path(g, p, 8, 8, 56, 8, false));"
      "note(path_get_number(p)); note(path_get_point_y(p, 3));"
      "mp_grid_clear_cell(g, 1, 1);"
      "note(mp_grid_path(g, p, 8, 8, 56, 8, true)); note(path_get_number(p));"
      "mp_grid_add_cell(g, 0, 0);"
      "note(mp_grid_path(g, p, 8, 8, 56, 8, true));"
      "mp_grid_clear_all(g);"
      "note(mp_grid_path(g, p, 8, 8, 56, 8, false)); note(path_get_number(p));"
      "mp_grid_clear_rectangle(g, 0, 0, 100, 100);"
      "mp_grid_destroy(g);"
      "note(mp_grid_path(g, p, 8, 8, 56, 8, false));"
      "note(mp_grid_create(0, 0, 2, 2, 8, 8));"
      "note(mp_grid_create(0, 0, 100000, 100000, 8, 8));");
  ASSERT_TRUE(out.ok) << out.error;
  // Around the wall of column 1 (rows 0..2) through row 3; then through the
  // gap at (1, 1); a forbidden start finds nothing; a destroyed grid neither.
  EXPECT_EQ(CCodeHost::Notes(), (std::vector<std::string>{"1", "10", "56", "1", "5", "0", "1", "4", "0", "0", "-1"}));
  GridResetAll();
  g_Paths.Clear();
}

}  // namespace
