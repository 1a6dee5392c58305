// Frame pacing and the frames-per-second count of the main loop, on a clock
// the test drives: sleeping moves it, every reading moves it a little.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "functions/Function_Init.h"
#include "input/IO_Main.h"
#include "base/Option_Main.h"
#include "world/Room_Main.h"
#include "world/Run_Main.h"
#include "support/Test_Platform.h"
#include "code/Code_Error.h"
#include "code/Code_Operator.h"

namespace {

int64_t s_now = 0;
int s_sleeps = 0;
int64_t s_stepCost = 0;  // microseconds every drawn step takes

int64_t FakeNow() { return s_now += 500; }
void FakeSleep(int32_t ms) {
  ++s_sleeps;
  s_now += static_cast<int64_t>(ms) * 1000;
}
void CostlyDraw() { s_now += s_stepCost; }

struct CFakeClock : IClock {
  int64_t NowMicros() override { return FakeNow(); }
  void SleepMillis(int32_t ms) override { FakeSleep(ms); }
};

class MainLoop : public ::testing::Test {
protected:
  void SetUp() override {
    Function_InitAll();
    s_now = 0;
    s_sleeps = 0;
    s_stepCost = 0;
    auto room = std::make_unique<CRoom>();
    room->r_speed = 10;
    g_Rooms.items.push_back(std::move(room));
    g_Rooms.names.emplace_back("paced");
    g_RoomOrder = {0};
    testplatform::SetClock(&m_clock);
    RRunHooks hooks;
    hooks.drawRoom = CostlyDraw;
    Run_SetHooks(hooks);
  }
  void TearDown() override {
    Run_Reset();
    testplatform::SetClock(nullptr);
    Run_SetHooks({});
    Run_SetOptions({});
    g_Rooms.Clear();
    g_RoomOrder.clear();
  }
  static void Run(int64_t steps) {
    RRunOptions options;
    options.paced = true;
    options.maxSteps = steps;
    Run_SetOptions(options);
    RunGame();
  }
  CFakeClock m_clock;
};

// At 10 steps a second each frame is 100 ms; fps is the count of the last
// whole second of the loop's clock.
TEST_F(MainLoop, PacesFramesToTheRoomSpeedAndCountsFramesPerSecond) {
  Run(25);
  EXPECT_EQ(g_Run.stepsRun, 25);
  EXPECT_EQ(g_Run.fps, 10);
  EXPECT_EQ(s_sleeps, 25);
  // 25 frame periods, give or take the clock's own small steps.
  EXPECT_GE(s_now, 2500000);
  EXPECT_LT(s_now, 2500000 + 100000);
}

// A step longer than the frame period is followed at once by the next one:
// nothing is waited for, and no step is skipped or repeated to catch up.
TEST_F(MainLoop, SlowStepsAreNotWaitedForOrMadeUp) {
  s_stepCost = 125000;
  Run(20);
  EXPECT_EQ(g_Run.stepsRun, 20);
  EXPECT_EQ(s_sleeps, 0);
  // 20 steps of 125 ms and the first drawing at room start: 2.625 seconds
  // at 8 frames a second.
  EXPECT_GE(s_now, 2625000);
  EXPECT_LT(s_now, 2700000);
  EXPECT_EQ(g_Run.fps, 8);
}

// A room speed below 1 is raised to 1 by the loop.
TEST_F(MainLoop, RoomSpeedBelowOneCountsAsOne) {
  g_Rooms.Get(0)->r_speed = 0;
  Run(2);
  EXPECT_EQ(Room_Current(), nullptr);  // the game has ended
  EXPECT_GE(s_now, 2000000);
  EXPECT_LT(s_now, 2100000);
}

// Escape held at the start of a step ends the game when the setting allows
// it (here it goes down while the first room is drawn at its start).
TEST_F(MainLoop, EscapeEndsTheGameWhenAllowed) {
  for (const bool allowed : {true, false}) {
    g_Settings.opt_keyesc = allowed;
    RRunHooks hooks;
    hooks.drawRoom = [] { IO_KeyDown(27); };  // pressed while the room is drawn
    Run_SetHooks(hooks);
    Run_Reset();
    Run(5);
    EXPECT_EQ(g_Run.stepsRun, allowed ? 1 : 5) << allowed;
  }
  g_Settings.opt_keyesc = true;
  IO_Clear();
}

}  // namespace

namespace {

// A step that cannot get its memory is a fatal error of the running code:
// reported once, with our message, and the game ends after that step.
TEST_F(MainLoop, AStepOutOfMemoryIsAFatalErrorThatEndsTheGame) {
  struct CErrors : testplatform::CErrorWindowDialogs {
    std::vector<std::string> shown;
    bool Show(std::string_view text, bool fatal) override {
      shown.push_back(std::string(fatal ? "fatal: " : "") + std::string(text));
      return !fatal;
    }
  } errors;
  testplatform::SetDialogs(&errors);
  const bool display = g_Settings.opt_displayerrors;
  g_Settings.opt_displayerrors = true;
  RRunHooks hooks;
  // The room start draws too; the steps fail.
  hooks.drawRoom = [] {
    if (g_Run.stepsRun > 0) throw std::bad_alloc();
  };
  Run_SetHooks(hooks);
  Run(10);
  g_Settings.opt_displayerrors = display;
  testplatform::SetDialogs(nullptr);
  ErrorReset();
  EXPECT_EQ(g_Run.stepsRun, 1);
  EXPECT_EQ(errors.shown, std::vector<std::string>{std::string("fatal: ") + kOutOfMemoryMessage});
}

// Every step started counts towards the limit, also one a trap cuts short.
TEST_F(MainLoop, TheStepLimitCountsStepsCutShortByATrap) {
  RRunHooks hooks;
  hooks.drawRoom = [] {
    if (g_Run.stepsRun > 0) ThrowMathTrap(kTrapOverflow);
  };
  Run_SetHooks(hooks);
  Run(7);
  EXPECT_EQ(g_Run.stepsRun, 7);
  EXPECT_FALSE(g_Run.running);
}

}  // namespace
