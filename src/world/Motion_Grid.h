// Motion planning on a grid (CGrid): a rectangle of the room cut into
// cells, each free or forbidden, and a breadth-first search for the shortest
// chain of free cells between two points, written into a path. Grids live in
// a list addressed by id; a new grid takes the first empty slot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CInstance;
class CPath;

class CGrid {
public:
  static constexpr int32_t kFree = 0, kForbidden = -1;

  int32_t i_left = 0, i_top = 0;    // room position of the grid
  int32_t i_cellw = 1, i_cellh = 1;  // cell size
  int32_t i_hcells = 0, i_vcells = 0;
  // Cell (i, j) (column, row) at j + i * i_vcells: 0 free, -1 forbidden;
  // positive values only while a search runs.
  std::vector<int32_t> i_cells;

  // Negative cell counts make an empty grid; false (and an empty grid) when
  // the grid would have more than kMaxGridCells cells.
  bool Create(int32_t left, int32_t top, int32_t hcells, int32_t vcells, int32_t cellw, int32_t cellh);
  void ClearAll();
  // Cells outside the grid are ignored.
  void ClearCell(int32_t h, int32_t v);
  void AddCell(int32_t h, int32_t v);
  // The cells that the pixel rectangle (corners in any order) touches.
  void ClearRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom);
  void AddRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom);
  // Forbids the cells the instance's box touches; with prec only those of
  // them (not forbidden yet) whose pixels the instance's mask meets.
  void AddInstance(const CInstance &inst, bool prec);
  // Fills path (straight, open) with the way from the start to the goal:
  // the start, the centres of the cells between, the goal. False, with the
  // path untouched, when either point lies outside the grid or on a
  // forbidden cell, or no way exists. With allowdiag a step may go
  // diagonally, but never past the corner of a forbidden cell.
  bool FindPath(CPath &path, double xstart, double ystart, double xgoal, double ygoal, bool allowdiag);

  int32_t Cell(int32_t h, int32_t v) const { return i_cells[static_cast<size_t>(v + h * i_vcells)]; }

private:
  int32_t &At(int32_t h, int32_t v) { return i_cells[static_cast<size_t>(v + h * i_vcells)]; }
  bool Inside(int32_t h, int32_t v) const { return h >= 0 && h < i_hcells && v >= 0 && v < i_vcells; }
  // The cell holding a room point; false outside the grid.
  bool CellOf(double x, double y, int32_t &h, int32_t &v) const;
  void SetRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t value);
  // The columns h0..h1 and rows v0..v1 of the cells the pixel rectangle
  // (corners in any order) touches, clipped to the grid; false when none.
  bool CellsOf(int32_t left, int32_t top, int32_t right, int32_t bottom, int64_t &h0, int64_t &h1, int64_t &v0,
               int64_t &v1) const;
};

// The most cells a grid may have (4 bytes each).
inline constexpr int64_t kMaxGridCells = int64_t{1} << 26;

// The grid with that id, or null.
CGrid *GridGet(int64_t id);
// Takes the first empty slot or appends one; answers the id.
int32_t GridAdd();
void GridDestroy(int64_t id);
// Destroys every grid (game restart, tests).
void GridResetAll();

// Registers the mp_grid_* functions.
void Motion_Grid_Init();
