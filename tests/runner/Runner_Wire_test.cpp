// The real runner wires every hook the layers below it call: a game run
// through the runner program sees background sizes, textures and the rest,
// and --self-check lists every declared hook as installed or as waiting for
// a subsystem still to come, never as missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "../support/Game_Run.h"
#include "code/Code_Error.h"
#include "functions/Function_Init.h"
#include "input/IO_Main.h"
#include "world/Motion_Grid.h"
#include "world/Room_Main.h"
#include "world/Run_Main.h"
#include "support/Code_Test_Host.h"
#include "data/Picture_Text.h"
#include "runner/Runner_Wire.h"

namespace {

// An 8x4 background stretched over a 64x32 room, and code that asks about it.
const std::string kProbeCode =
    "show_debug_message(string(background_xscale[0]) + \\\" \\\" + string(background_yscale[0]));"
    "t = tile_add(bg, 0, 0, 8, 4, 10, 20, 100);"
    "show_debug_message(string(t >= 0) + \\\" \\\" + string(tile_exists(t)) + \\\" \\\" + string(tile_get_x(t)));"
    "u = room_tile_add(r, bg, 0, 0, 8, 4, 1, 2, 3);"
    "show_debug_message(string(u >= 0) + \\\" \\\" + string(u != t));";
const std::string kBackgroundGame = R"({"game_id": 7,
  "backgrounds": [{"name": "bg", "image": "img/bg.bmp"}],
  "objects": [{"name": "probe", "events": [{"type": "create", "actions": [{"code": ")" + kProbeCode + R"("}]}]}],
  "rooms": [{"name": "r", "width": 64, "height": 32,
    "backgrounds": [{"visible": true, "background": "bg", "stretch": true}],
    "instances": [{"x": 0, "y": 0, "object": 0}]}]})";

RGameRun RunBackgroundGame(const std::string &args) {
  CGameProject project(kBackgroundGame);
  project.Dir().Write("project/img/bg.bmp", picture::Pic(std::vector<std::string>(4, "########")).SaveToBMP());
  return project.Run(args);
}

TEST(RunnerWiring, RoomsAndTilesSeeTheGamesBackgrounds) {
  const RGameRun run = RunBackgroundGame("--steps 1");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  // A stretched layer scales to the room; tiles of an existing background
  // are added (and get ids of their own).
  EXPECT_EQ(run.Lines(), (std::vector<std::string>{"8 8", "1 1 10", "1 1"}));
}

TEST(RunnerWiring, SelfCheckFindsEveryHookInstalledOrListed) {
  const RGameRun run = RunBackgroundGame("--self-check");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  std::vector<std::string> installed, pending, wrong;
  for (const std::string &line : run.Lines()) {
    if (line.rfind("installed: ", 0) == 0) installed.push_back(line.substr(11));
    else if (line.rfind("pending: ", 0) == 0) pending.push_back(line.substr(9));
    else wrong.push_back(line);
  }
  EXPECT_EQ(wrong, std::vector<std::string>{});
  for (const char *hook : {"platform: headless", "world: background sizes of stretched layers and tiles",
                           "world: sprite geometry of instances", "world: collision masks of instances",
                           "data: the texture table", "world: presenting the frame", "code: the world of instances",
                           "code: error context (the running object, event and action)",
                           "code: extension function calls",
                           "world: sessions answered between steps"})
    EXPECT_NE(std::find(installed.begin(), installed.end(), hook), installed.end()) << hook;
  // What waits for a later subsystem is exactly the runner's list.
  for (std::string_view hook : Runner_PendingHooks())
    EXPECT_NE(std::find(pending.begin(), pending.end(), hook), pending.end()) << hook;
}

TEST(RunnerWiring, TheReportNamesWhatIsMissingOrStale) {
  RWiringReport report;
  EXPECT_TRUE(report.Complete());
  report.missing = {"world: drawing the room"};
  EXPECT_FALSE(report.Complete());
  report.missing.clear();
  report.pendingInstalled = {"code: extension function calls"};
  EXPECT_FALSE(report.Complete());
  EXPECT_EQ(Runner_WiringText(report), "stale: code: extension function calls\n");
}

}  // namespace

namespace {

// What one game left behind in every subsystem is gone after the one reset
// the runner lists, so a restart or the next test starts fresh.
TEST(RunnerReset, EverySubsystemStartsFresh) {
  CCodeHost host;
  Function_InitAll();
  const ROutcome made = host.Run(
      "global.kept = 5; list = ds_list_create(); global.list = list;"
      "grid = mp_grid_create(0, 0, 4, 4, 8, 8); global.grid = grid;"
      "file = file_text_open_write(\"reset_probe.txt\"); global.file = file;"
      "ds_list_add(list, 1); ds_list_add(12345, 1);");
  ASSERT_TRUE(made.ok) << made.error;
  ASSERT_TRUE(ErrorOccurred()) << "a reported error";
  ASSERT_NE(GridGet(static_cast<int64_t>(host.Global("grid").val)), nullptr);
  bool found = false;
  ASSERT_EQ(host.Global("kept", &found).val, 5);
  const RValue list = host.Global("list"), grid = host.Global("grid");
  IO_KeyDown(65);
  g_Rooms.Clear();
  RoomAdd();
  RunRoom_Make(0);
  Room_SetCurrent(0);
  g_Game = RGameState{40, 2, 12.5, 3};

  Runner_ResetState();

  EXPECT_FALSE(ErrorOccurred());
  host.Global("kept", &found);
  EXPECT_FALSE(found) << "global variables";
  host.SetVar("list", list);
  host.SetVar("grid", grid);
  host.Eval("ds_list_size(list)");
  EXPECT_TRUE(ErrorOccurred()) << "data structures: the list is gone";
  EXPECT_EQ(GridGet(static_cast<int64_t>(grid.val)), nullptr) << "motion grids";
  EXPECT_FALSE(g_Input.keyDown[65]) << "keys held";
  EXPECT_EQ(Room_Current(), nullptr) << "the current room";
  EXPECT_EQ(g_RoomIndex, -1) << "the current room's index";
  EXPECT_EQ(g_Game.score, 0);
  EXPECT_EQ(g_Game.lives, -1);
  EXPECT_EQ(g_Game.health, 100);
  EXPECT_EQ(g_Game.cursorSprite, -1);
  g_Rooms.Clear();
  std::remove("reset_probe.txt");
}

}  // namespace
