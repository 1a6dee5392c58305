// The mixer: CPU time to mix one second of sound with 32 or 128 sounds
// playing at once, with and without effects, through the loopback device
// (the same mixer a device uses, without waiting for the device).
//
//   build/Sound_Mix_bench
//
// Each iteration renders one second (44100 frames) of looped sounds; the
// CPU time per iteration is the share of one core the mix takes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform_Main.h"
#include "platform/al/Al_Audio.h"
#include "platform/headless/Headless_Platform.h"
#include "sound/Sound_Main.h"

namespace {

std::vector<uint8_t> SineWav(int ms, double hz) {
  const uint32_t rate = 44100, frames = rate * static_cast<uint32_t>(ms) / 1000;
  std::vector<uint8_t> b;
  auto put = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto tag = [&](const char *t) { b.insert(b.end(), t, t + 4); };
  tag("RIFF");
  put(36 + frames * 2, 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);
  put(1, 2);
  put(1, 2);
  put(rate, 4);
  put(rate * 2, 4);
  put(2, 2);
  put(16, 2);
  tag("data");
  put(frames * 2, 4);
  for (uint32_t i = 0; i < frames; ++i)
    put(static_cast<uint16_t>(static_cast<int16_t>(std::lround(8000 * std::sin(2 * M_PI * hz * i / rate)))), 2);
  return b;
}

void BM_Mix(benchmark::State &state) {
  const int sounds = static_cast<int>(state.range(0));
  const bool effects = state.range(1) != 0;
  static CHeadlessPlatform headless;
  CAlAudio audio(CAlAudio::TMode::Loopback);
  RPlatform platform = headless.Services();
  platform.audio = &audio;
  Platform_Install(&platform);
  Sound_ResetState();
  for (int i = 0; i < sounds; ++i) {
    auto s = std::make_unique<CSound>();
    s->s_kind = 0;
    s->s_extension = ".wav";
    s->s_sound = std::make_unique<std::vector<uint8_t>>(SineWav(700 + 13 * i, 220 + 7 * i));
    // A chorus and a reverb: one effect that adds and the costliest one.
    if (effects) s->s_effects = 1 | 16;
    s->s_pan = (i % 5 - 2) / 2.0;
    const int32_t index = g_Sounds.Append(std::move(s), "snd" + std::to_string(i));
    g_Sounds.Get(index)->Prepare();
    Sound_Play(index, true);
  }
  for (auto _ : state) audio.Render(44100);
  state.counters["cpu_share_of_one_core"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  Sound_ResetState();
  Platform_Install(nullptr);
}

}  // namespace

BENCHMARK(BM_Mix)->ArgsProduct({{32, 128}, {0, 1}})->ArgNames({"sounds", "effects"})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
