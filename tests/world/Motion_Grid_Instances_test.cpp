// Instances marked into planning grids: by their boxes or by their masks,
// and the object references mp_grid_add_instances accepts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Room_Test_Fixture.h"
#include "world/Motion_Grid.h"

namespace {

class GridInstances : public RoomFixture {
protected:
  void SetUp() override {
    RoomFixture::SetUp();
    GridResetAll();
    if (FunctionFind("mp_grid_add_instances") < 0) Motion_Grid_Init();
  }
  void TearDown() override {
    GridResetAll();
    RoomFixture::TearDown();
  }

  // Forbidden cells row by row: '#' forbidden, '.' free.
  static std::vector<std::string> Picture(const CGrid &g) {
    std::vector<std::string> rows;
    for (int v = 0; v < g.i_vcells; ++v) {
      std::string row;
      for (int h = 0; h < g.i_hcells; ++h) row += g.Cell(h, v) == CGrid::kForbidden ? '#' : '.';
      rows.push_back(row);
    }
    return rows;
  }
};

TEST_F(GridInstances, TheBoxForbidsEveryCellItTouchesTheMaskOnlyThoseItMeets) {
  // A 30 x 30 sprite whose mask is its top row and left column.
  std::vector<std::string> corner(30, "#" + std::string(29, '.'));
  corner[0] = std::string(30, '#');
  TestMaskSprite(0, corner, 0, 0);
  const int obj = AddObject(-1, 0);
  const CInstance *inst = Add(obj, 5, 5);  // box 5..34: cells 0..3 both ways
  struct Case {
    const char *what;
    bool prec;
    std::vector<std::string> cells;
  } cases[] = {
      {"box", false, {"####..", "####..", "####..", "####..", "......", "......"}},
      {"mask", true, {"####..", "#.....", "#.....", "#.....", "......", "......"}},
  };
  for (const Case &c : cases) {
    CGrid g;
    g.Create(0, 0, 6, 6, 10, 10);
    g.AddInstance(*inst, c.prec);
    EXPECT_EQ(Picture(g), c.cells) << c.what;
  }

  // Cells already forbidden stay so; a grid that starts inside the box
  // takes only its own cells.
  CGrid g;
  g.Create(20, 20, 3, 3, 10, 10);
  g.AddCell(2, 2);
  g.AddInstance(*inst, true);
  EXPECT_EQ(Picture(g), (std::vector<std::string>{"...", "...", "..#"}));
  g.AddInstance(*inst, false);
  EXPECT_EQ(Picture(g), (std::vector<std::string>{"##.", "##.", "..#"}));
}

TEST_F(GridInstances, ObjectReferencesChooseTheInstances) {
  TestMaskSprite(0, std::vector<std::string>(5, "#####"), 0, 0);
  const int base = AddObject(-1, 0);
  const int child = AddObject(base, 0);
  const int other = AddObject(-1, 0);
  // One instance per cell of a row: base, child, other, base (marked).
  CInstance *b = Add(base, 2, 2);
  Add(child, 12, 2);
  CInstance *o = Add(other, 22, 2);
  Add(base, 32, 2)->i_marked = true;
  struct Case {
    const char *what;
    std::string ref;
    std::string cells;
  } cases[] = {
      {"an object and its descendants", std::to_string(base), "##.."},
      {"an object without descendants", std::to_string(other), "..#."},
      {"every instance", "all", "###."},
      {"an id", std::to_string(o->i_id), "..#."},
      {"self", "self", "#..."},
      {"other", "other", "#..."},
      {"noone", "noone", "...."},
      {"an object that does not exist", "57", "...."},
  };
  for (const Case &c : cases) {
    const RRunResult r =
        Run("var g; g = mp_grid_create(0, 0, 4, 1, 10, 10); mp_grid_add_instances(g, " + c.ref + ", 1); return g;", b);
    ASSERT_TRUE(r.ok) << c.what << ": " << r.error;
    const CGrid *g = GridGet(static_cast<int64_t>(r.result.val));
    ASSERT_NE(g, nullptr) << c.what;
    EXPECT_EQ(Picture(*g)[0], c.cells) << c.what;
    GridResetAll();
  }
  // A grid id that names no grid does nothing and reports nothing.
  const RRunResult r = Run("mp_grid_add_instances(7, all, 0);", b);
  EXPECT_TRUE(r.ok) << r.error;
}

}  // namespace
