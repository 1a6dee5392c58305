// Precise instance-against-instance tests: 1,000 instances of a 32 by 32
// disc scattered over a 640 by 480 room, turned and scaled at random or all
// plain, tested pair by pair.
//
//   Collision_bench [google benchmark options]
//
// "box pairs" tests only the pairs whose boxes overlap (every one of them
// reaches the mask stage); "all pairs" tests every pair, as a naive search
// would, and shows how much the box stage saves. The counter "checks"
// reports Collision_Instance calls per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "base/BM32_Bitmap.h"
#include "world/Instance_Class.h"
#include "data/Sprite_Mask.h"

namespace {

constexpr int kCount = 1000;
constexpr int kSize = 32;

const TMask &Disc() {
  static const TMask mask = [] {
    TBitmap32 bm(kSize, kSize);
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        const double dx = x - 15.5, dy = y - 15.5;
        bm.SetPixel(x, y, dx * dx + dy * dy < 16 * 16 ? 0xFF000000u : 0u);
      }
    return TMask(bm, 0, kMaskPrecise, RRect{}, kBoxAutomatic);
  }();
  return mask;
}

void InstallDisc() {
  Instance_SetSpriteGeometry([](int32_t sprite, RSpriteGeometry &out) {
    if (sprite != 0) return false;
    const RRect &b = Disc().BoundingBox();
    out.count = 1;
    out.width = out.height = kSize;
    out.xorigin = out.yorigin = kSize / 2;
    out.left = b.left;
    out.top = b.top;
    out.right = b.right;
    out.bottom = b.bottom;
    return true;
  });
  Instance_SetSpriteMask([](int32_t sprite, int64_t) -> const TMask * { return sprite == 0 ? &Disc() : nullptr; });
}

std::vector<CInstance> Scatter(bool transformed) {
  InstallDisc();
  std::mt19937 rng(4242);
  std::uniform_real_distribution<double> pos(0, 1), scale(0.5, 2.0), angle(0, 360);
  std::vector<CInstance> all(kCount);
  for (CInstance &inst : all) {
    inst.SetSpriteIndex(0);
    if (transformed) {
      inst.SetImageScaleX(scale(rng));
      inst.SetImageScaleY(scale(rng));
      inst.SetImageAngle(angle(rng));
    }
    inst.SetPosition(pos(rng) * 640, pos(rng) * 480);
  }
  return all;
}

std::vector<std::pair<int, int>> BoxPairs(const std::vector<CInstance> &all) {
  std::vector<std::pair<int, int>> pairs;
  for (int i = 0; i < kCount; ++i)
    for (int j = i + 1; j < kCount; ++j)
      if (all[i].Collision_Instance(all[j], false)) pairs.emplace_back(i, j);
  return pairs;
}

void BM_CollisionBoxPairs(benchmark::State &state) {
  const std::vector<CInstance> all = Scatter(state.range(0) != 0);
  const std::vector<std::pair<int, int>> pairs = BoxPairs(all);
  int64_t hits = 0;
  for (auto _ : state) {
    hits = 0;
    for (const auto &[i, j] : pairs) hits += all[i].Collision_Instance(all[j], true);
    benchmark::DoNotOptimize(hits);
  }
  state.counters["pairs"] = static_cast<double>(pairs.size());
  state.counters["hits"] = static_cast<double>(hits);
  state.counters["checks"] =
      benchmark::Counter(static_cast<double>(pairs.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_CollisionBoxPairs)->ArgName("turned")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_CollisionAllPairs(benchmark::State &state) {
  const std::vector<CInstance> all = Scatter(state.range(0) != 0);
  int64_t hits = 0;
  for (auto _ : state) {
    hits = 0;
    for (int i = 0; i < kCount; ++i)
      for (int j = i + 1; j < kCount; ++j) hits += all[i].Collision_Instance(all[j], true);
    benchmark::DoNotOptimize(hits);
  }
  state.counters["hits"] = static_cast<double>(hits);
  state.counters["checks"] = benchmark::Counter(static_cast<double>(kCount) * (kCount - 1) / 2,
                                                benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_CollisionAllPairs)->ArgName("turned")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
