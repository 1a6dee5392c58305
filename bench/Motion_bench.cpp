// Grid motion planning: one search across a 200 by 200 grid of 16-pixel
// cells, corner to corner, with and without diagonal steps.
//
//   Motion_bench [google benchmark options]
//
// Obstacles: every fourth column is a wall with one gap, the gaps
// alternating between the top and the bottom, so the way winds through the
// whole grid; the middle column of each corridor holds scattered blocked
// cells, which never close the corridor.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "world/Motion_Grid.h"
#include "world/Path_Class.h"

namespace {

constexpr int kCells = 200;
constexpr int kCell = 16;

CGrid MakeMaze() {
  CGrid g;
  g.Create(0, 0, kCells, kCells, kCell, kCell);
  uint32_t seed = 12345;
  for (int h = 0; h < kCells; ++h) {
    if (h % 4 == 2) {
      const int gap = (h / 4) % 2 == 0 ? kCells - 1 : 0;
      for (int v = 0; v < kCells; ++v)
        if (v != gap) g.AddCell(h, v);
      continue;
    }
    if (h % 4 != 0) continue;
    for (int v = 1; v < kCells - 1; ++v) {
      seed = seed * 1664525u + 1013904223u;
      if ((seed >> 24) < 40) g.AddCell(h, v);  // about 16 percent of the middle column
    }
  }
  return g;
}

void BM_GridPath(benchmark::State &state) {
  CGrid g = MakeMaze();
  CPath path;
  const bool diag = state.range(0) != 0;
  const double far = kCells * kCell - kCell / 2;
  int64_t points = 0;
  for (auto _ : state) {
    const bool found = g.FindPath(path, kCell / 2, kCell / 2, far, far, diag);
    if (!found) state.SkipWithError("no way through the maze");
    points = path.Count();
    benchmark::DoNotOptimize(path.i_length);
  }
  state.counters["points"] = static_cast<double>(points);
}
BENCHMARK(BM_GridPath)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// An open grid: the search spreads over every cell before it meets the goal.
void BM_GridPathOpen(benchmark::State &state) {
  CGrid g;
  g.Create(0, 0, kCells, kCells, kCell, kCell);
  CPath path;
  const double far = kCells * kCell - kCell / 2;
  for (auto _ : state) {
    benchmark::DoNotOptimize(g.FindPath(path, kCell / 2, kCell / 2, far, far, state.range(0) != 0));
  }
}
BENCHMARK(BM_GridPathOpen)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
