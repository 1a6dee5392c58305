// What an author sees of the game's errors: reports on standard error and in
// game_errors.log read line by line, the same report made over and over in
// one step does not flood the terminal, and the exit status tells a game
// that a fatal error ended.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "../support/Game_Run.h"
#include "code/Code_Error.h"

namespace {

std::string Game(const std::string &event, const std::string &code, const std::string &settings = "") {
  return R"({"game_id": 3, "settings": {)" + settings + R"(}, "objects": [{"name": "o", "events": [)" +
         R"({"type": ")" + event + R"(", "actions": [{"code": ")" + code + R"("}]}]}],
    "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0}]}]})";
}

std::vector<std::string> SplitLines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A report's parts are joined by carriage returns for the error window; a
// terminal gets them as lines of their own, the text itself unchanged.
TEST(RunnerErrors, AReportReadsLineByLineOnStandardErrorAndInTheLog) {
  CGameProject project(Game("create", "x = 1 + nosuchvariable;", R"("writeerrors": true)"));
  const RGameRun run = project.Run("--steps 1");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.err.find('\r'), std::string::npos);
  const std::vector<std::string> expected = {
      "ERROR in",
      "action number 1",
      "of Create Event",
      "for object o:",
      "",
      "Error in code at line 1:",
      "   x = 1 + nosuchvariable;",
      "          ^",
      "at position 9: Unknown variable nosuchvariable",
  };
  EXPECT_EQ(SplitLines(run.err), expected) << run.err;

  std::ifstream log(project.WorkDir() + "/game_errors.log", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  std::string joined;
  for (const std::string &line : expected) joined += line + "\r\n";
  EXPECT_EQ(text, joined + "\r\n\r\n");
}

// A loop that keeps making the same report shows it a few times, then one
// line of ours with the number left out; the next step starts afresh, and
// the game still sees every error through error_occurred.
TEST(RunnerErrors, TheSameReportRepeatedInAStepIsSummedUp) {
  CGameProject project(Game(
      "step", "error_occurred = false; repeat (1000000) file_text_read_string(5); show_debug_message(string(error_occurred));"));
  const RGameRun run = project.Run("--steps 2");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.Lines(), (std::vector<std::string>{"1", "1"}));
  const std::vector<std::string> lines = SplitLines(run.err);
  EXPECT_LT(lines.size(), 400u);
  int summaries = 0;
  int reports = 0;
  for (const std::string &line : lines) {
    if (line == "quillon: the error above was reported " + std::to_string(1000000 - kShownRepeats) +
                    " more times in this step")
      ++summaries;
    if (line == "ERROR in") ++reports;
  }
  EXPECT_EQ(summaries, 2) << run.err.substr(run.err.size() > 2000 ? run.err.size() - 2000 : 0);
  EXPECT_EQ(reports, 2 * kShownRepeats);
}

TEST(RunnerErrors, TheExitStatusTellsAGameThatAFatalErrorEnded) {
  struct RCase {
    const char *name, *code, *settings;
    int exitCode;
  } cases[] = {
      {"normal end", "game_end();", "", 0},
      {"a non-fatal error", "x = nosuchvariable; game_end();", "", 0},
      {"a fatal error", "room_goto_next();", "", 4},
      {"errors made fatal", "x = nosuchvariable;", R"("aborterrors": true)", 4},
  };
  for (const RCase &c : cases) {
    CGameProject project(Game("create", c.code, c.settings));
    const RGameRun run = project.Run("--steps 5");
    ASSERT_TRUE(run.packed) << c.name << run.packMessages;
    EXPECT_EQ(run.exitCode, c.exitCode) << c.name << ": " << run.err;
  }
}

}  // namespace
