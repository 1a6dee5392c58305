// A game that fails outside its steps, traps in every step, or is asked to
// end by a signal still ends cleanly: the right message, the step limit
// honoured, the game end events run, and its files and temporary directory
// removed.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../support/Game_Run.h"

namespace {

// The runner's temporary directories left in the project's scratch folder.
int LeftoverTempDirs(const CGameProject &project) {
  int n = 0;
  for (const auto &e : std::filesystem::directory_iterator(project.Dir().Path()))
    if (e.path().filename().string().rfind("qn_ttt_", 0) == 0) ++n;
  return n;
}

std::string Game(const std::string &event, const std::string &code, const std::string &extra = "") {
  return R"({"game_id": 3, )" + extra + R"("objects": [{"name": "o", "events": [)" +
         R"({"type": "other", "number": 3, "actions": [{"code": "show_debug_message(\"game end\");"}]},)" +
         R"({"type": ")" + event + R"(", "actions": [{"code": ")" + code + R"("}]}]}],
    "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0}]}]})";
}

TEST(RunnerFaults, ATrapOutsideAStepEndsTheRunWithItsMessage) {
  struct RCase {
    const char *event, *code;
  } cases[] = {
      {"create", "x = 1; repeat (1100) x = x * 2;"},
      {"create", "x = power(10, 30) | 1;"},
  };
  for (const RCase &c : cases) {
    CGameProject project(Game(c.event, c.code));
    const RGameRun run = project.Run("--steps 3");
    ASSERT_TRUE(run.packed) << run.packMessages;
    EXPECT_EQ(run.exitCode, 1) << c.code;
    EXPECT_NE(run.err.find("Unexpected error occured when running the game.\n"), std::string::npos) << run.err;
    EXPECT_EQ(LeftoverTempDirs(project), 0) << c.code;
  }
}

TEST(RunnerFaults, TheStepLimitCountsStepsThatTrap) {
  CGameProject project(Game("step", "show_debug_message(\\\"step\\\"); x = 1; repeat (1100) x = x * 2;"));
  const RGameRun run = project.Run("--steps 4");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.Lines(), (std::vector<std::string>{"step", "step", "step", "step", "game end"}));
}

// Ctrl-C, SIGTERM and SIGHUP end the game as Escape would, even while a
// script is stuck in a loop: the end events run, an included file meant to
// go at the end goes, and so does the temporary directory.
TEST(RunnerFaults, ASignalEndsAStuckGameAndCleansUp) {
  for (const char *signal : {"TERM", "INT", "HUP"}) {
    CGameProject project(Game("step", "while (true) {}", R"("included_files": [{"file": "note.txt"}], )"));
    project.Write("note.txt", "exported");
    // Pack through a run that ends at once, then start the runner by hand.
    const RGameRun packed = project.Run("--steps 0");
    ASSERT_TRUE(packed.packed) << packed.packMessages;
    ASSERT_FALSE(std::filesystem::exists(project.WorkDir() + "/note.txt"));
    const std::string out = project.Dir() / "signal_out.txt";
    const std::string cmd = "cd '" + project.WorkDir() + "' && TMPDIR='" + project.Dir().Path() + "' '" +
                            QUILLON_RUNNER_PATH + "' --headless '" + (project.Dir() / "game.dat") + "' >'" + out +
                            "' 2>&1 & pid=$!; for i in $(seq 200); do test -f '" + project.WorkDir() +
                            "/note.txt' && break; sleep 0.05; done; sleep 0.2; kill -" + signal +
                            " $pid; for i in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done;"
                            " kill -KILL $pid 2>/dev/null && echo killed >>'" + out + "'; wait $pid; exit $?";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    const int code = WEXITSTATUS(status);
    EXPECT_TRUE(code == 128 + 15 || code == 128 + 2 || code == 128 + 1) << signal << " exit " << code;
    std::ifstream in(out);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "game end\n") << signal;
    EXPECT_FALSE(std::filesystem::exists(project.WorkDir() + "/note.txt")) << signal;
    EXPECT_EQ(LeftoverTempDirs(project), 0) << signal;
  }
}

}  // namespace

namespace {

// Code that a careless author writes: each game prints what it must, and the
// runner neither hangs nor fails where a game would go on.
TEST(RunnerFaults, CarelessCodeGetsAnAnswer) {
  const std::string huge(400, '9');
  struct RCase {
    std::string name, scripts, code;
    std::vector<std::string> lines;
    std::string err;  // a part of standard error
    bool compiles = true;  // else packed without the packer's check, for the runner to meet
  } cases[] = {
      // A literal beyond the reals does not compile, as a folded overflow.
      {"huge literal", "", "x = " + huge + "; show_debug_message(\\\"ran\\\");", {},
       "Floating point overflow.", false},
      // A move told to go further than any room stops after a million
      // pixels, far outside every room, instead of taking minutes.
      {"far contact move", "", "move_contact_all(0, power(10, 300)); show_debug_message(string(x));",
       {"1000000"}, ""},
      // A script without text is the empty program: it answers 0.
      {"empty script", R"("scripts": [{"name": "scr_empty", "code": ""}],)",
       "show_debug_message(string(scr_empty()));", {"0"}, ""},
  };
  for (const RCase &c : cases) {
    CGameProject project(Game("create", c.code, c.scripts));
    if (!c.compiles) project.PackUnchecked();
    const RGameRun run = project.Run("--steps 1");
    ASSERT_TRUE(run.packed) << c.name << run.packMessages;
    std::vector<std::string> lines = run.Lines();
    if (!lines.empty() && lines.back() == "game end") lines.pop_back();
    EXPECT_EQ(lines, c.lines) << c.name;
    if (c.err.empty()) EXPECT_EQ(run.err, "") << c.name;
    else EXPECT_NE(run.err.find(c.err), std::string::npos) << c.name << ": " << run.err;
  }
}

}  // namespace

namespace {

// Only a regular file is a game: a FIFO or a device gets the loader's message
// at once instead of a runner that waits forever.
TEST(RunnerFaults, AFifoOrADeviceIsNotAGame) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("quillon_fifo_game_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  ASSERT_EQ(::mkfifo((dir / "game.fifo").c_str(), 0600), 0);
  for (const std::string &game : {(dir / "game.fifo").string(), std::string("/dev/zero")}) {
    const std::string cmd = "cd '" + dir.string() + "' && timeout 20 '" + QUILLON_RUNNER_PATH + "' --headless '" + game +
                            "' >out.txt 2>err.txt";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << game;
    std::ifstream err(dir / "err.txt");
    const std::string text((std::istreambuf_iterator<char>(err)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "Error: Cannot read the game file.\n") << game;
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
