// The packer's check of a project's code: the mistakes a game author makes,
// each with the message that points at the file (or the manifest field),
// the line and the column, and what the packer then does.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "Pack_Check.h"
#include "Pack_Main.h"
#include "pack/Pack_TempDir.h"
#include "support/Game_Run.h"

namespace {

// A small game: two objects, two scripts and a room. A case replaces the
// create code of obj_ball, the room's instance or the action's function.
struct RMistake {
  const char *name = "";
  std::string create = "x = 1;";
  std::string instance = R"({"x": 0, "y": 0, "object": "obj_ball"})";
  std::string walkScript = "x += 1;\n";
  // What the packer says on standard error, {P} standing for the project
  // folder: a manifest field's fault is one message, code faults come one a
  // line with a summary after them.
  std::string expected;
  bool packs = false;  // only a warning: the game is still written
};

std::string Manifest(const RMistake &m) {
  nlohmann::json create = m.create;
  return R"({"game_id": 1,
  "scripts": [{"name": "scr_add", "code": "return argument0 + argument1;"},
              {"name": "scr_walk", "file": "scripts/scr_walk.qs"}],
  "objects": [{"name": "obj_ball", "events": [{"type": "create", "actions": [{"code": )" +
         create.dump() + R"(}]}]},
              {"name": "obj_wall"}],
  "rooms": [{"name": "room0", "instances": [)" +
         m.instance + R"(]}]})";
}

// Test names, not bytes, in the listing of the cases.
void PrintTo(const RMistake &m, std::ostream *os) { *os << m.name; }

class PackMistakes : public ::testing::TestWithParam<RMistake> {};

TEST_P(PackMistakes, PointsAtTheFault) {
  const RMistake &m = GetParam();
  PackTempDir dir;
  dir.Write("p/game.json", Manifest(m));
  dir.Write("p/scripts/scr_walk.qs", m.walkScript);
  std::ostringstream out, err;
  const std::string output = dir / "game.dat";
  const int status = RunPacker({dir / "p", "-o", output, "--data"}, out, err);
  const std::string prefix = dir / "p";
  std::string expected = m.expected;
  for (size_t at = expected.find("{P}"); at != std::string::npos; at = expected.find("{P}", at + prefix.size()))
    expected.replace(at, 3, prefix);
  EXPECT_EQ(err.str(), expected);
  EXPECT_EQ(status, m.packs ? 0 : 1);
  EXPECT_EQ(std::filesystem::exists(output), m.packs);
}

std::vector<RMistake> Mistakes() {
  std::vector<RMistake> v;
  auto add = [&v](const char *name) -> RMistake & {
    v.emplace_back();
    v.back().name = name;
    return v.back();
  };
  {
    RMistake &m = add("MisspeltFunction");
    m.create = "x = 1;\nshow_debug_mesage(x);";
    m.expected =
        "{P}/game.json: objects[0].events[0].actions[0].code:2:1: Unknown function or script: show_debug_mesage "
        "(did you mean show_debug_message?)\n"
        "quillon-pack: {P}: 1 error in the game's code; nothing written\n";
  }
  {
    RMistake &m = add("MisspeltScript");
    m.create = "scr_wlak();";
    m.expected =
        "{P}/game.json: objects[0].events[0].actions[0].code:1:1: Unknown function or script: scr_wlak "
        "(did you mean scr_walk?)\n"
        "quillon-pack: {P}: 1 error in the game's code; nothing written\n";
  }
  {
    RMistake &m = add("MissingParenthesisInAScriptFile");
    m.walkScript = "x = 1;\nif (x > 0 {\n  y = 2;\n}\n";
    m.expected = "{P}/scripts/scr_walk.qs:2:11: Symbol ) expected.\n"
                 "quillon-pack: {P}: 1 error in the game's code; nothing written\n";
  }
  {
    RMistake &m = add("MissingBrace");
    m.create = "if (x) {\n  y = 1;\n";
    m.expected = "{P}/game.json: objects[0].events[0].actions[0].code:2:9: Symbol } expected.\n"
                 "quillon-pack: {P}: 1 error in the game's code; nothing written\n";
  }
  {
    RMistake &m = add("BuiltinGivenTooManyArguments");
    m.create = "show_debug_message(\"a\", \"b\");";
    m.expected = "{P}/game.json: objects[0].events[0].actions[0].code:1:28: Wrong number of arguments to function or "
                 "script.\n"
                 "quillon-pack: {P}: 1 error in the game's code; nothing written\n";
  }
  {
    RMistake &m = add("ScriptGivenTooFewArguments");
    m.create = "x = 0;\nx = scr_add(1);";
    m.expected = "{P}/game.json: objects[0].events[0].actions[0].code:2:5: Illegal argument count calling script "
                 "\"scr_add\". Script requires 2 arguments, 1 have been supplied.\n"
                 "quillon-pack: {P}: 1 error in the game's code; nothing written\n";
  }
  {
    // The compiler takes an unknown name in code for a variable; that it is
    // set nowhere and is close to an object's name is worth a warning.
    RMistake &m = add("UnknownObjectNameInCode");
    m.create = "instance_create(0, 0, obj_bal);";
    m.expected = "{P}/game.json: objects[0].events[0].actions[0].code:1:23: warning: the variable obj_bal is read but "
                 "set nowhere in the game (did you mean obj_ball?)\n";
    m.packs = true;
  }
  {
    RMistake &m = add("UnknownObjectNameInTheManifest");
    m.instance = R"({"x": 0, "y": 0, "object": "obj_bal"})";
    m.expected = "quillon-pack: {P}/game.json: rooms[0].instances[0].object: no object is named \"obj_bal\" (did you "
                 "mean obj_ball?)\n";
  }
  {
    RMistake &m = add("InstanceOfAMissingObjectNumber");
    m.instance = R"({"x": 0, "y": 0, "object": 2})";
    m.expected = "quillon-pack: {P}/game.json: rooms[0].instances[0].object: no object has the index 2\n";
  }
  {
    // Every fault is reported, not only the first.
    RMistake &m = add("EveryFaultIsReported");
    m.create = "x = (1;";
    m.walkScript = "y = 1;\nz = 1 +;\n";
    m.expected = "{P}/scripts/scr_walk.qs:2:8: Unexpected symbol in expression.\n"
                 "{P}/game.json: objects[0].events[0].actions[0].code:1:7: Symbol ) expected.\n"
                 "quillon-pack: {P}: 2 errors in the game's code; nothing written\n";
  }
  return v;
}

// A misspelt variable compiles (the compiler cannot know that nothing sets
// it): the packer warns, and the running game reports it with the object,
// the event, the line and the position.
TEST(PackMistakesAtRunTime, MisspeltVariableIsReportedWhereItIsRead) {
  RMistake m;
  m.create = "lives_left = 3;\nshow_debug_message(string(lives_lfet));";
  CGameProject project(Manifest(m));
  project.Write("scripts/scr_walk.qs", m.walkScript);
  const RGameRun run = project.Run("--steps 1");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_NE(run.packMessages.find("game.json: objects[0].events[0].actions[0].code:2:27: warning: the variable "
                                  "lives_lfet is read but set nowhere in the game (did you mean lives_left?)\n"),
            std::string::npos)
      << run.packMessages;
  for (const char *line : {"of Create Event\n", "for object obj_ball:\n", "Error in code at line 2:\n",
                           "at position 27: Unknown variable lives_lfet\n"})
    EXPECT_NE(run.err.find(line), std::string::npos) << line << " missing in:\n" << run.err;
}

// --check reads and compiles only: a clean project passes with exit status
// 0, a broken one fails with 1, and neither writes anything.
TEST(PackCheckOnly, ChecksWithoutWriting) {
  std::ostringstream out, err;
  const std::string hello = std::string(QUILLON_SOURCE_DIR) + "/examples/hello";
  EXPECT_EQ(RunPacker({"--check", hello}, out, err), 0) << err.str();
  EXPECT_EQ(out.str(), "quillon-pack: " + hello + ": no errors\n");
  EXPECT_EQ(err.str(), "");

  PackTempDir dir;
  RMistake m;
  m.create = "x = ;";
  dir.Write("p/game.json", Manifest(m));
  dir.Write("p/scripts/scr_walk.qs", m.walkScript);
  std::ostringstream out2, err2;
  EXPECT_EQ(RunPacker({"--check", dir / "p"}, out2, err2), 1);
  EXPECT_EQ(err2.str(), dir / "p/game.json: objects[0].events[0].actions[0].code:1:5: Unexpected symbol in expression.\n" +
                            "quillon-pack: " + (dir / "p") + ": 1 error in the game's code\n");
  EXPECT_EQ(out2.str(), "");
  // Only the project is in the folder: nothing was written beside it.
  size_t entries = 0;
  for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 1u);

  std::ostringstream out3, err3;
  EXPECT_EQ(RunPacker({"--check", dir / "p", "-o", dir / "game.dat"}, out3, err3), 2);
  EXPECT_FALSE(std::filesystem::exists(dir / "game.dat"));
}

// --no-check writes a game whose code does not compile, for the runner to
// report when it starts.
TEST(PackCheckOnly, NoCheckWritesTheGameAnyway) {
  RMistake m;
  m.create = "x = ;";
  CGameProject project(Manifest(m));
  project.Write("scripts/scr_walk.qs", m.walkScript);
  project.PackUnchecked();
  const RGameRun run = project.Run("--steps 1");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_NE(run.err.find("COMPILATION ERROR in code action"), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Author, PackMistakes, ::testing::ValuesIn(Mistakes()),
                         [](const ::testing::TestParamInfo<RMistake> &p) { return std::string(p.param.name); });

}  // namespace
