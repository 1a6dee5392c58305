#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "code/Code_Operator.h"
#include "functions/Data_Structures_Support.h"

namespace {

// The grid row by row, cells separated by spaces, strings in quotes, rows
// separated by "|".
std::string Rows(const CDS_Grid &g) {
  std::ostringstream s;
  for (int32_t y = 0; y < g.i_h; ++y) {
    if (y > 0) s << '|';
    for (int32_t x = 0; x < g.i_w; ++x) {
      if (x > 0) s << ' ';
      const RValue &v = g.Cell(x, y);
      if (v.IsString()) s << '"' << v.str.str() << '"';
      else s << v.val;
    }
  }
  return s.str();
}

class DsGridTest : public DsTest {
protected:
  // A new grid w x h whose cells are given row by row.
  double Grid(int w, int h, std::vector<RValue> cells = {}) {
    const double g = Num("ds_grid_create", {R(w), R(h)});
    for (size_t i = 0; i < cells.size(); ++i)
      Call("ds_grid_set", {R(g), R(static_cast<double>(i % static_cast<size_t>(w))),
                           R(static_cast<double>(i / static_cast<size_t>(w))), cells[i]});
    return g;
  }
  const CDS_Grid &G(double id) { return *DsGrid(static_cast<int64_t>(id)); }
};

TEST_F(DsGridTest, CreateFillsWithZerosAndStoresColumnByColumn) {
  const double g = Num("ds_grid_create", {R(3), R(2)});
  EXPECT_EQ(Num("ds_grid_width", {R(g)}), 3);
  EXPECT_EQ(Num("ds_grid_height", {R(g)}), 2);
  EXPECT_EQ(Rows(G(g)), "0 0 0|0 0 0");
  Call("ds_grid_set", {R(g), R(1), R(0), R(5)});
  EXPECT_EQ(G(g).i_val[2].val, 5);  // column 1 starts after the 2 cells of column 0
  Call("ds_grid_clear", {R(g), S("s")});
  EXPECT_EQ(Rows(G(g)), "\"s\" \"s\" \"s\"|\"s\" \"s\" \"s\"");
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(DsGridTest, CellOperations) {
  struct Case {
    const char *function;
    RValue cell, value;
    RValue expected;
  };
  const Case cases[] = {
      {"ds_grid_set", S("old"), R(2), R(2)},
      {"ds_grid_set", R(1), S("new"), S("new")},
      {"ds_grid_add", R(2), R(3), R(5)},
      {"ds_grid_add", S("ab"), S("cd"), S("abcd")},  // the cell's text first
      {"ds_grid_add", R(2), S("x"), S("x")},         // a mix takes the value
      {"ds_grid_add", S("x"), R(2), R(2)},
      {"ds_grid_multiply", R(2), R(3), R(6)},
      {"ds_grid_multiply", S("x"), R(3), S("x")},    // anything but two reals: unchanged
      {"ds_grid_multiply", R(2), S("x"), R(2)},
      {"ds_grid_multiply", S("x"), S("y"), S("x")},
  };
  for (const Case &c : cases) {
    const double g = Grid(1, 1, {c.cell});
    Call(c.function, {R(g), R(0), R(0), c.value});
    const RValue got = Call("ds_grid_get", {R(g), R(0), R(0)});
    EXPECT_EQ(got.kind, c.expected.kind) << c.function;
    if (c.expected.IsString()) EXPECT_EQ(got.str.str(), c.expected.str.str()) << c.function;
    else EXPECT_EQ(got.val, c.expected.val) << c.function;
  }
}

TEST_F(DsGridTest, CellsOutsideTheGrid) {
  const double g = Grid(2, 2);
  for (const auto &[x, y] : std::vector<std::pair<double, double>>{{-1, 0}, {0, -1}, {2, 0}, {0, 2}, {1e300, 0}}) {
    Call("ds_grid_set", {R(g), R(x), R(y), R(1)});
    Call("ds_grid_add", {R(g), R(x), R(y), R(1)});
    EXPECT_EQ(Num("ds_grid_get", {R(g), R(x), R(y)}), 0);
  }
  EXPECT_EQ(Rows(G(g)), "0 0|0 0");
  Call("ds_grid_set", {R(g), R(1.5), R(0.5), R(7)});  // rounded to (2, 0): outside
  Call("ds_grid_set", {R(g), R(0.5), R(1.5), R(7)});  // rounded to (0, 2): outside
  Call("ds_grid_set", {R(g), R(0.6), R(1.4), R(8)});  // (1, 1)
  EXPECT_EQ(Rows(G(g)), "0 0|0 8");
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(DsGridTest, RegionsAreOrderedAndClipped) {
  struct Case {
    double x1, y1, x2, y2;
    const char *rows;
  };
  const Case cases[] = {
      {1, 0, 2, 1, "0 1 1 0|0 1 1 0|0 0 0 0"},
      {2, 1, 1, 0, "0 1 1 0|0 1 1 0|0 0 0 0"},      // corners in any order
      {3, 2, 9, 9, "0 0 0 0|0 0 0 0|0 0 0 1"},
      {-5, -5, 0, 0, "1 0 0 0|0 0 0 0|0 0 0 0"},
      {-5, 1, 100, 1, "0 0 0 0|1 1 1 1|0 0 0 0"},
      {4, 0, 9, 2, "0 0 0 0|0 0 0 0|0 0 0 0"},       // wholly outside: nothing
      {-3, -3, -1, 2, "0 0 0 0|0 0 0 0|0 0 0 0"},
  };
  for (const Case &c : cases) {
    const double g = Grid(4, 3);
    Call("ds_grid_add_region", {R(g), R(c.x1), R(c.y1), R(c.x2), R(c.y2), R(1)});
    EXPECT_EQ(Rows(G(g)), c.rows) << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
  }
  const double g = Grid(2, 2, {R(2), S("s"), R(3), R(4)});
  Call("ds_grid_multiply_region", {R(g), R(0), R(0), R(1), R(1), R(10)});
  EXPECT_EQ(Rows(G(g)), "20 \"s\"|30 40");
  Call("ds_grid_set_region", {R(g), R(0), R(1), R(1), R(1), S("t")});
  EXPECT_EQ(Rows(G(g)), "20 \"s\"|\"t\" \"t\"");
  Call("ds_grid_add_region", {R(g), R(0), R(0), R(1), R(1), S("!")});
  EXPECT_EQ(Rows(G(g)), "\"!\" \"s!\"|\"t!\" \"t!\"");
}

TEST_F(DsGridTest, Disks) {
  struct Case {
    double xm, ym, r;
    const char *rows;
  };
  const Case cases[] = {
      {2, 2, 1, "0 0 0 0 0|0 0 1 0 0|0 1 1 1 0|0 0 1 0 0|0 0 0 0 0"},
      {2, 2, 1.5, "0 0 0 0 0|0 1 1 1 0|0 1 1 1 0|0 1 1 1 0|0 0 0 0 0"},
      {2, 2, 0, "0 0 0 0 0|0 0 0 0 0|0 0 1 0 0|0 0 0 0 0|0 0 0 0 0"},
      // The centre is not rounded: a disk between four cells.
      {1.5, 1.5, 1, "0 0 0 0 0|0 1 1 0 0|0 1 1 0 0|0 0 0 0 0|0 0 0 0 0"},
      {0.5, 0.5, 0.5, "0 0 0 0 0|0 0 0 0 0|0 0 0 0 0|0 0 0 0 0|0 0 0 0 0"},
      // Clipped at the corner.
      {0, 0, 2, "1 1 1 0 0|1 1 0 0 0|1 0 0 0 0|0 0 0 0 0|0 0 0 0 0"},
      {-10, -10, 3, "0 0 0 0 0|0 0 0 0 0|0 0 0 0 0|0 0 0 0 0|0 0 0 0 0"},
      {2, 2, -3, "0 0 0 0 0|0 0 0 0 0|0 0 0 0 0|0 0 0 0 0|0 0 0 0 0"},
      {2, 2, 100, "1 1 1 1 1|1 1 1 1 1|1 1 1 1 1|1 1 1 1 1|1 1 1 1 1"},
  };
  for (const Case &c : cases) {
    const double g = Grid(5, 5);
    Call("ds_grid_add_disk", {R(g), R(c.xm), R(c.ym), R(c.r), R(1)});
    EXPECT_EQ(Rows(G(g)), c.rows) << c.xm << "," << c.ym << " r " << c.r;
  }
  const double g = Grid(3, 1, {R(2), R(3), R(4)});
  Call("ds_grid_multiply_disk", {R(g), R(0), R(0), R(1), R(-1)});
  Call("ds_grid_set_disk", {R(g), R(2), R(0), R(0), S("c")});
  EXPECT_EQ(Rows(G(g)), "-2 -3 \"c\"");
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(DsGridTest, GridRegionWithinOneGridReadsBeforeItWrites) {
  struct Case {
    double x1, y1, x2, y2, xpos, ypos;
    const char *rows;
  };
  // A 4 x 4 grid holding 10x + y.
  const Case cases[] = {
      {0, 0, 2, 0, 1, 0, "0 0 10 20|1 11 21 31|2 12 22 32|3 13 23 33"},
      {1, 0, 3, 0, 0, 0, "10 20 30 30|1 11 21 31|2 12 22 32|3 13 23 33"},
      {0, 0, 0, 2, 0, 1, "0 10 20 30|0 11 21 31|1 12 22 32|2 13 23 33"},
      {0, 1, 0, 3, 0, 0, "1 10 20 30|2 11 21 31|3 12 22 32|3 13 23 33"},
      {0, 0, 1, 1, 1, 1, "0 10 20 30|1 0 10 31|2 1 11 32|3 13 23 33"},
      {2, 2, 3, 3, 1, 1, "0 10 20 30|1 22 32 31|2 23 33 32|3 13 23 33"},
      {0, 0, 3, 3, 2, 2, "0 10 20 30|1 11 21 31|2 12 0 10|3 13 1 11"},  // cut to fit
  };
  for (const Case &c : cases) {
    const double g = Grid(4, 4);
    for (int x = 0; x < 4; ++x)
      for (int y = 0; y < 4; ++y) Call("ds_grid_set", {R(g), R(x), R(y), R(10 * x + y)});
    Call("ds_grid_set_grid_region", {R(g), R(g), R(c.x1), R(c.y1), R(c.x2), R(c.y2), R(c.xpos), R(c.ypos)});
    EXPECT_EQ(Rows(G(g)), c.rows) << c.x1 << "," << c.y1 << "-" << c.x2 << "," << c.y2 << " to " << c.xpos << ","
                                  << c.ypos;
  }
  // The row 1, 2, 3, 4 copied one to the right onto itself.
  const double row = Grid(4, 1, {R(1), R(2), R(3), R(4)});
  Call("ds_grid_set_grid_region", {R(row), R(row), R(0), R(0), R(2), R(0), R(1), R(0)});
  EXPECT_EQ(Rows(G(row)), "1 1 2 3");
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(DsGridTest, GridRegionBetweenGrids) {
  struct Case {
    const char *function;
    double x1, y1, x2, y2, xpos, ypos;
    const char *rows;
  };
  // Source 4 x 1: 1 2 3 4; destination 4 x 2: 10 10 10 10 | "d" "d" "d" "d".
  const Case cases[] = {
      {"ds_grid_set_grid_region", 0, 0, 3, 0, 0, 0, "1 2 3 4|\"d\" \"d\" \"d\" \"d\""},
      {"ds_grid_set_grid_region", 3, 0, 0, 0, 0, 1, "10 10 10 10|1 2 3 4"},   // corners in any order
      {"ds_grid_set_grid_region", 0, 0, 3, 0, -2, 0, "3 4 10 10|\"d\" \"d\" \"d\" \"d\""},  // start cut off
      {"ds_grid_set_grid_region", 0, 0, 3, 0, 2, 0, "10 10 1 2|\"d\" \"d\" \"d\" \"d\""},   // end cut off
      {"ds_grid_set_grid_region", 0, 0, 3, 0, 1, -1, "10 10 10 10|\"d\" \"d\" \"d\" \"d\""},  // row -1 only: gone
      {"ds_grid_set_grid_region", -4, -4, 9, 9, 0, 0, "1 2 3 4|\"d\" \"d\" \"d\" \"d\""},  // clipped to the source
      {"ds_grid_set_grid_region", 0, 0, 3, 0, 4, 0, "10 10 10 10|\"d\" \"d\" \"d\" \"d\""},
      {"ds_grid_add_grid_region", 1, 0, 2, 0, 0, 0, "12 13 10 10|\"d\" \"d\" \"d\" \"d\""},
      {"ds_grid_add_grid_region", 1, 0, 2, 0, 2, 1, "10 10 10 10|\"d\" \"d\" 2 3"},  // a mix takes the value
      {"ds_grid_multiply_grid_region", 0, 0, 3, 0, 0, 0, "10 20 30 40|\"d\" \"d\" \"d\" \"d\""},
      {"ds_grid_multiply_grid_region", 0, 0, 3, 0, 0, 1, "10 10 10 10|\"d\" \"d\" \"d\" \"d\""},
  };
  for (const Case &c : cases) {
    const double src = Grid(4, 1, {R(1), R(2), R(3), R(4)});
    const double dst = Grid(4, 2, {R(10), R(10), R(10), R(10), S("d"), S("d"), S("d"), S("d")});
    Call(c.function, {R(dst), R(src), R(c.x1), R(c.y1), R(c.x2), R(c.y2), R(c.xpos), R(c.ypos)});
    EXPECT_EQ(Rows(G(dst)), c.rows) << c.function << " " << c.x1 << "," << c.y1 << "-" << c.x2 << "," << c.y2
                                    << " to " << c.xpos << "," << c.ypos;
    EXPECT_EQ(Rows(G(src)), "1 2 3 4");
  }
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(DsGridTest, Aggregates) {
  // 3 x 2: 1 "s" 4 | -2 8 "t"
  const double g = Grid(3, 2, {R(1), S("s"), R(4), R(-2), R(8), S("t")});
  struct Case {
    const char *function;
    double x1, y1, x2, y2;
    double expected;
  };
  const Case cases[] = {
      {"ds_grid_get_sum", 0, 0, 2, 1, 11},
      {"ds_grid_get_max", 0, 0, 2, 1, 8},
      {"ds_grid_get_min", 0, 0, 2, 1, -2},
      {"ds_grid_get_mean", 0, 0, 2, 1, 11.0 / 4},  // strings are not counted
      {"ds_grid_get_sum", 2, 1, 0, 0, 11},
      {"ds_grid_get_sum", 0, 0, 0, 0, 1},
      {"ds_grid_get_mean", 1, 0, 1, 0, 0},         // only a string: no real cell
      {"ds_grid_get_max", 1, 0, 1, 0, -100000000},
      {"ds_grid_get_min", 1, 0, 1, 0, 100000000},
      {"ds_grid_get_sum", 5, 5, 9, 9, 0},          // wholly outside
      {"ds_grid_get_max", 5, 5, 9, 9, -100000000},
  };
  for (const Case &c : cases)
    EXPECT_DOUBLE_EQ(Num(c.function, {R(g), R(c.x1), R(c.y1), R(c.x2), R(c.y2)}), c.expected)
        << c.function << " " << c.x1 << "," << c.y1 << "-" << c.x2 << "," << c.y2;

  // The bounds are where the search starts: beyond them they stay.
  const double far = Grid(2, 1, {R(-200000000), R(-300000000)});
  EXPECT_EQ(Num("ds_grid_get_max", {R(far), R(0), R(0), R(1), R(0)}), -100000000);
  EXPECT_EQ(Num("ds_grid_get_min", {R(far), R(0), R(0), R(1), R(0)}), -300000000);

  struct DiskCase {
    const char *function;
    double xm, ym, r;
    double expected;
  };
  const DiskCase disks[] = {
      {"ds_grid_get_disk_sum", 0, 0, 1, -1},       // (0,0) 1 and (0,1) -2; (1,0) is a string
      {"ds_grid_get_disk_mean", 0, 0, 1, -0.5},
      {"ds_grid_get_disk_max", 1, 1, 1, 8},
      {"ds_grid_get_disk_min", 1, 1, 1, -2},
      {"ds_grid_get_disk_sum", 2, 1, 0, 0},        // the string "t" alone
      {"ds_grid_get_disk_max", 2, 1, 0, -100000000},
      {"ds_grid_get_disk_mean", 2, 1, 0, 0},
      {"ds_grid_get_disk_sum", 1, 0.5, 5, 11},
  };
  for (const DiskCase &c : disks)
    EXPECT_DOUBLE_EQ(Num(c.function, {R(g), R(c.xm), R(c.ym), R(c.r)}), c.expected)
        << c.function << " " << c.xm << "," << c.ym << " r " << c.r;
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(DsGridTest, FindingValues) {
  // 3 x 3 with 5 at (2,0) and (1,2) and "5" at (0,1).
  const double g = Grid(3, 3, {R(0), R(0), R(5), S("5"), R(0), R(0), R(0), R(5), R(0)});
  struct Case {
    double x1, y1, x2, y2;
    RValue value;
    double exists, x, y;
  };
  const Case cases[] = {
      {0, 0, 2, 2, R(5), 1, 1, 2},              // x outer: (1,2) comes before (2,0)
      {2, 2, 0, 0, R(5 + 1e-9), 1, 1, 2},       // within the precision, corners in any order
      {2, 0, 2, 2, R(5), 1, 2, 0},
      {0, 0, 2, 1, S("5"), 1, 0, 1},
      {0, 0, 2, 2, R(6), 0, 0, 0},
      {0, 0, 1, 1, R(5), 0, 0, 0},
      {-9, -9, -1, -1, R(0), 0, 0, 0},
  };
  for (const Case &c : cases) {
    const std::initializer_list<RValue> args = {R(g), R(c.x1), R(c.y1), R(c.x2), R(c.y2), c.value};
    EXPECT_EQ(Num("ds_grid_value_exists", args), c.exists) << c.x1 << "," << c.y1 << "-" << c.x2 << "," << c.y2;
    EXPECT_EQ(Num("ds_grid_value_x", args), c.x) << c.x1 << "," << c.y1 << "-" << c.x2 << "," << c.y2;
    EXPECT_EQ(Num("ds_grid_value_y", args), c.y) << c.x1 << "," << c.y1 << "-" << c.x2 << "," << c.y2;
  }
  struct DiskCase {
    double xm, ym, r;
    RValue value;
    double exists, x, y;
  };
  const DiskCase disks[] = {
      {1, 1, 1, R(5), 1, 1, 2},
      {2, 0, 0, R(5), 1, 2, 0},
      {0, 0, 1, S("5"), 1, 0, 1},
      {0, 0, 1, R(5), 0, 0, 0},
      {1, 1, 0.9, R(5), 0, 0, 0},
  };
  for (const DiskCase &c : disks) {
    const std::initializer_list<RValue> args = {R(g), R(c.xm), R(c.ym), R(c.r), c.value};
    EXPECT_EQ(Num("ds_grid_value_disk_exists", args), c.exists) << c.xm << "," << c.ym << " r " << c.r;
    EXPECT_EQ(Num("ds_grid_value_disk_x", args), c.x) << c.xm << "," << c.ym << " r " << c.r;
    EXPECT_EQ(Num("ds_grid_value_disk_y", args), c.y) << c.xm << "," << c.ym << " r " << c.r;
  }
}

TEST_F(DsGridTest, ResizeKeepsTheCellsThatRemain) {
  const double g = Grid(3, 2, {R(1), R(2), R(3), R(4), R(5), R(6)});
  Call("ds_grid_resize", {R(g), R(4), R(3)});
  EXPECT_EQ(Rows(G(g)), "1 2 3 0|4 5 6 0|0 0 0 0");
  Call("ds_grid_resize", {R(g), R(2), R(1)});
  EXPECT_EQ(Rows(G(g)), "1 2");
  Call("ds_grid_resize", {R(g), R(1), R(3)});
  EXPECT_EQ(Rows(G(g)), "1|0|0");
  // Negative sizes count as 0.
  Call("ds_grid_resize", {R(g), R(-2), R(3)});
  EXPECT_EQ(Num("ds_grid_width", {R(g)}), 0);
  EXPECT_EQ(Num("ds_grid_height", {R(g)}), 3);
  EXPECT_EQ(Num("ds_grid_get", {R(g), R(0), R(0)}), 0);
  EXPECT_EQ(Num("ds_grid_get_max", {R(g), R(0), R(0), R(5), R(5)}), -100000000);
  const double n = Num("ds_grid_create", {R(-1), R(-1)});
  EXPECT_EQ(Num("ds_grid_width", {R(n)}), 0);
  EXPECT_EQ(Num("ds_grid_height", {R(n)}), 0);
  Call("ds_grid_set_disk", {R(n), R(0), R(0), R(5), R(1)});
  Call("ds_grid_shuffle", {R(n)});
  EXPECT_EQ(Text("ds_grid_write", {R(n)}), HexText().Int(601).Int(0).Int(0).Text());
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(DsGridTest, SizesBeyondTheLimitAreRefused) {
  const double before = Num("ds_grid_create", {R(2), R(2)});
  EXPECT_EQ(Num("ds_grid_create", {R(100000), R(100000)}), -1);
  EXPECT_EQ(TakeErrors(), std::vector<std::string>{"Grid size is too large."});
  EXPECT_EQ(Num("ds_grid_create", {R(1e300), R(0)}), -1);  // too wide even with no cells
  EXPECT_EQ(TakeErrors(), std::vector<std::string>{"Grid size is too large."});
  Call("ds_grid_resize", {R(before), R(1 << 20), R(1 << 20)});
  EXPECT_EQ(TakeErrors(), std::vector<std::string>{"Grid size is too large."});
  EXPECT_EQ(Num("ds_grid_width", {R(before)}), 2);
  // Wide but empty is allowed, and resizing it does not walk its columns.
  const double wide = Num("ds_grid_create", {R(2147483647), R(0)});
  Call("ds_grid_resize", {R(wide), R(3), R(2)});
  EXPECT_EQ(Num("ds_grid_width", {R(wide)}), 3);
  Call("ds_grid_resize", {R(wide), R(2147483647), R(0)});
  Call("ds_grid_resize", {R(wide), R(1), R(1)});
  EXPECT_EQ(Num("ds_grid_get", {R(wide), R(0), R(0)}), 0);
  EXPECT_TRUE(TakeErrors().empty());
  // The refused grids took no id.
  EXPECT_EQ(Num("ds_grid_create", {R(1), R(1)}), before + 2);
}

TEST_F(DsGridTest, ShuffleExchangesCellsAtDrawnCoordinates) {
  static std::vector<uint32_t> script, asked;
  script = {0, 1, 0, 2};  // the first exchange: (0,0) with (1,2)
  asked.clear();
  DsSetRandomSource([](uint32_t n) {
    asked.push_back(n);
    return asked.size() <= script.size() ? script[asked.size() - 1] : 0u;
  });
  const double g = Grid(2, 3, {R(1), R(2), R(3), R(4), R(5), R(6)});
  Call("ds_grid_shuffle", {R(g)});
  // 8 x 6 exchanges, each drawing below w, w, h, h.
  ASSERT_EQ(asked.size(), 8u * 6u * 4u);
  for (size_t i = 0; i < asked.size(); ++i) ASSERT_EQ(asked[i], i % 4 < 2 ? 2u : 3u) << i;
  EXPECT_EQ(Rows(G(g)), "6 2|3 4|5 1");
}

TEST_F(DsGridTest, ArithmeticPastTheDoubleRangeTrapsAsScriptsDo) {
  const double g = Grid(1, 1, {R(1e308)});
  EXPECT_THROW(Call("ds_grid_add", {R(g), R(0), R(0), R(1e308)}), EMathTrap);
  EXPECT_THROW(Call("ds_grid_multiply", {R(g), R(0), R(0), R(10)}), EMathTrap);
  EXPECT_EQ(Num("ds_grid_get", {R(g), R(0), R(0)}), 1e308);
}

}  // namespace
