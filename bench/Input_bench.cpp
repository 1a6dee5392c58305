// Input latency: a key event injected into the window's queue (as the
// keyboard or keyboard_key_press would put it there) until the step that
// sees it as pressed. Between two steps the loop pumps the window's events
// once; the next step starts by taking what arrived (and, while recording,
// the recorder hands its buffered events over there). The counter
// steps_to_see is the number of step starts the key needed: 1 means the
// very next step sees it.
#include <benchmark/benchmark.h>

#include <algorithm>

#include "graphics/Graphics_Window.h"
#include "input/IO_Main.h"
#include "input/IO_Script.h"
#include "platform/Platform_Main.h"

namespace {

void Latency(benchmark::State &state, bool recording) {
  IO_Reset();
  IO_ScriptReset();
  PlatformWindow().SetEventSink(&Window_Events());
  if (recording) IO_RecordStart(&Window_Events());
  int64_t step = 0;
  int64_t worst = 0;
  for (auto _ : state) {
    PlatformWindow().InjectKey(65, true);
    int64_t steps = 0;
    do {
      PlatformWindow().PumpEvents();  // the loop's pump after a step
      IO_ScriptStepStart(++step);     // the next step begins
      ++steps;
    } while (!g_Input.keyPressed[65] && steps < 10);
    worst = std::max(worst, steps);
    // The step ends and the key goes up again before the next round.
    IO_ClearStepEdges();
    PlatformWindow().InjectKey(65, false);
    PlatformWindow().PumpEvents();
    IO_ScriptStepStart(++step);
    IO_ClearStepEdges();
  }
  state.counters["steps_to_see"] = static_cast<double>(worst);
  if (worst > 1) state.SkipWithError("an injected key needed more than one step");
  IO_ScriptReset();
  PlatformWindow().SetEventSink(nullptr);
}

void BM_InjectedKeyToStep(benchmark::State &state) { Latency(state, false); }
BENCHMARK(BM_InjectedKeyToStep);

void BM_InjectedKeyToStepWhileRecording(benchmark::State &state) { Latency(state, true); }
// The recording grows with every event: a fixed number of rounds keeps it small.
BENCHMARK(BM_InjectedKeyToStepWhileRecording)->Iterations(200000);

}  // namespace

BENCHMARK_MAIN();
