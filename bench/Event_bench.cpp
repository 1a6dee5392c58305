// The cost of the event engine around the code it runs: raising an event
// with one code action, with control-flow actions, through a parent chain,
// and rebuilding the event lists of a game with many objects (done at game
// start and by every object_event_add, object_event_clear and
// object_set_parent).
#include <benchmark/benchmark.h>

#include "../tests/support/Instance_World.h"
#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "base/Option_Main.h"
#include "world/Event_Main.h"
#include "world/Object_Lists.h"
#include "world/Object_Main.h"

namespace {

void Setup() {
  static bool done = false;
  if (done) return;
  done = true;
  BuiltinRegisterAll();
  ConstantRegisterBuiltins();
  Object_Main_Init();
  Event_InstallProviders();
  g_Settings.SetDefaults();
  g_Settings.opt_displayerrors = false;
  g_Settings.opt_writeerrors = false;
}

// Objects 0 .. depth-1, each the parent of the next; the event (3, 0) of the
// first holds the actions; answers the last object.
int Chain(int depth, void (*fill)(CEvent &)) {
  g_Objects.Clear();
  for (int i = 0; i < depth; ++i) {
    const int o = ObjectAdd();
    ObjectGet(o)->o_parent = o - 1;
  }
  fill(*ObjectGet(0)->CreateEvent(3, 0));
  if (!Object_CompileAll()) std::abort();
  return depth - 1;
}

void RunEvent(benchmark::State &state, int object) {
  CInstanceWorld world;
  SetWorld(&world);
  CInstance &inst = world.Add(object);
  inst.i_vars.SetVar(VariableIndex("n"), 0, RValue::Real(0));
  for (auto _ : state) PerformEvent(&inst, &inst, object, 3, 0);
  if (ErrorOccurred()) state.SkipWithError(ErrorLast().c_str());
  SetWorld(nullptr);
  g_Objects.Clear();
}

void BM_PerformEventOneCodeAction(benchmark::State &state) {
  Setup();
  RunEvent(state, Chain(1, [](CEvent &ev) { ev.AddCodeAction("n += 1"); }));
}
BENCHMARK(BM_PerformEventOneCodeAction);

void BM_PerformEventThroughFiveParents(benchmark::State &state) {
  Setup();
  RunEvent(state, Chain(6, [](CEvent &ev) { ev.AddCodeAction("n += 1"); }));
}
BENCHMARK(BM_PerformEventThroughFiveParents);

// A question, a block of two code actions, an else and a repeat.
void BM_PerformEventControlFlow(benchmark::State &state) {
  Setup();
  RunEvent(state, Chain(1, [](CEvent &ev) {
             ev.AddCodeAction("return 1").act_isquestion = true;
             ev.e_actions.push_back(std::make_unique<CAction>(CAction::kBeginBlock));
             ev.AddCodeAction("n += 1");
             ev.AddCodeAction("n += 1");
             ev.e_actions.push_back(std::make_unique<CAction>(CAction::kEndBlock));
             ev.e_actions.push_back(std::make_unique<CAction>(CAction::kElse));
             ev.AddCodeAction("n -= 1");
             CAction &repeat = *ev.e_actions.emplace_back(std::make_unique<CAction>(CAction::kRepeat));
             repeat.act_argumentcount = 1;
             repeat.act_argstring[0].assign(1, '3');
             ev.AddCodeAction("n += 1");
           }));
}
BENCHMARK(BM_PerformEventControlFlow);

// N objects in parent chains of four; every fourth object has a step, an
// alarm and two keyboard events, every tenth a collision event.
void BM_BuildEventLists(benchmark::State &state) {
  Setup();
  g_Objects.Clear();
  const int n = static_cast<int>(state.range(0));
  for (int i = 0; i < n; ++i) {
    const int o = ObjectAdd();
    CObject &obj = *ObjectGet(o);
    if (o % 4 != 0) obj.o_parent = o - 1;
    if (o % 4 == 0) {
      obj.CreateEvent(3, 0)->AddCodeAction("n += 1");
      obj.CreateEvent(2, 1)->AddCodeAction("n += 1");
      obj.CreateEvent(5, 37)->AddCodeAction("n += 1");
      obj.CreateEvent(5, 39)->AddCodeAction("n += 1");
    }
    if (o % 10 == 0) obj.CreateEvent(4, (o * 7) % n)->AddCodeAction("n += 1");
  }
  for (auto _ : state) Object_BuildEventLists();
  benchmark::DoNotOptimize(CollisionPairs().size());
  g_Objects.Clear();
  Object_BuildEventLists();
}
BENCHMARK(BM_BuildEventLists)->Arg(100)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
