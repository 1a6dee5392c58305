// Loading a game of about 20 MB: the time of each stage of the load (file
// read, marker search, descrambling and check, header, scrambled resource
// data, sections) next to the time zlib needs just to inflate the same items.
// Everything but the inflating should cost less than the inflating itself.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "runner/Game_Writer.h"
#include "sound/Sound_Main.h"
#include "runner/Runner_Load.h"

namespace {

constexpr int kItems = 300;
constexpr int kItemBytes = 96 * 1024;

// Mildly compressible bytes, like pictures with some noise: short runs and a
// small alphabet.
std::vector<uint8_t> ItemBytes(uint32_t seed) {
  std::vector<uint8_t> b(kItemBytes);
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < b.size();) {
    x = x * 1664525u + 1013904223u;
    const size_t run = 1 + ((x >> 28) & 3);
    const uint8_t v = static_cast<uint8_t>((x >> 8) & 0x3F);
    for (size_t k = 0; k < run && i < b.size(); ++k) b[i++] = v;
  }
  return b;
}

struct RBenchGame {
  std::string path;
  std::vector<CStream> compressedItems;  // the sound items as the file holds them
  int64_t fileSize = 0;
};

const RBenchGame &Game() {
  static const RBenchGame game = [] {
    RBenchGame g;
    RGameModel m;
    m.rooms.items.push_back(std::make_unique<CRoom>());
    m.rooms.names.push_back("room");
    m.roomOrder = {0};
    for (int i = 0; i < kItems; ++i) {
      auto r = std::make_unique<CSound>();
      r->s_kind = 0;
      r->s_extension = ".wav";
      r->s_sound = std::make_unique<std::vector<uint8_t>>(ItemBytes(static_cast<uint32_t>(i)));
      m.sounds.names.push_back("spr" + std::to_string(i));
      m.sounds.items.push_back(std::move(r));
    }
    for (int i = 0; i < kItems; ++i) {
      CStream item, framed;
      item.WriteBoolean(true);
      item.WriteString(m.sounds.names[static_cast<size_t>(i)]);
      m.sounds.items[static_cast<size_t>(i)]->SaveToStream(item);
      framed.WriteStreamC(item);
      framed.Seek(0);
      g.compressedItems.push_back(std::move(framed));
    }
    g.path = (std::filesystem::temp_directory_path() / ("quillon_load_bench_" + std::to_string(::getpid()))).string();
    GameWriter_WriteFile(g.path, m);
    g.fileSize = static_cast<int64_t>(std::filesystem::file_size(g.path));
    return g;
  }();
  return game;
}

void BM_LoadStages(benchmark::State &state) {
  const RBenchGame &g = Game();
  RLoadTimings total;
  int64_t runs = 0;
  for (auto _ : state) {
    RLoadTimings t;
    RLoadOptions o;
    o.timings = &t;
    const RLoadResult r = Runner_LoadGameFile(g.path, o);
    if (!r.Loaded()) state.SkipWithError("the game did not load");
    total.fileRead += t.fileRead;
    total.markerSearch += t.markerSearch;
    total.descramble += t.descramble;
    total.header += t.header;
    total.decodeE += t.decodeE;
    total.sections += t.sections;
    ++runs;
  }
  const double n = static_cast<double>(runs ? runs : 1) / 1000.0;  // milliseconds per load
  state.counters["file_MB"] = static_cast<double>(g.fileSize) / 1e6;
  state.counters["read_ms"] = total.fileRead / n;
  state.counters["search_ms"] = total.markerSearch / n;
  state.counters["descramble_ms"] = total.descramble / n;
  state.counters["header_ms"] = total.header / n;
  state.counters["decodeE_ms"] = total.decodeE / n;
  state.counters["sections_ms"] = total.sections / n;
}
BENCHMARK(BM_LoadStages)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same items inflated and nothing else: the floor of the sections stage.
void BM_InflateItemsOnly(benchmark::State &state) {
  const RBenchGame &g = Game();
  int64_t bytes = 0;
  for (auto _ : state) {
    for (const CStream &c : g.compressedItems) {
      CStream copy = c;
      std::unique_ptr<CStream> item = copy.ReadStreamC();
      bytes += item->Size();
      benchmark::DoNotOptimize(item->Memory());
    }
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_InflateItemsOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_MarkerSearch(benchmark::State &state) {
  std::vector<uint8_t> zeros(20 * 1000 * 1000, 0);
  for (auto _ : state) benchmark::DoNotOptimize(Runner_FindMarker(zeros.data(), static_cast<int64_t>(zeros.size()), 0));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(zeros.size()));
}
BENCHMARK(BM_MarkerSearch)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove(Game().path);
  return 0;
}
