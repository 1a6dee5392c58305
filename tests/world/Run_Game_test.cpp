// Small games packed and run headless: what they print shows the order in
// which the world raises events, counts alarms down, steps time lines,
// tests triggers and starts and ends rooms and the game.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../support/Game_Run.h"

namespace {

// An event whose one code action prints text (a string expression).
std::string Say(const std::string &type, int number, const std::string &expr) {
  return R"({"type": ")" + type + R"(", "number": )" + std::to_string(number) +
         R"(, "actions": [{"code": "show_debug_message()" + expr + R"();"}]})";
}

// An event with one code action.
std::string Code(const std::string &type, int number, const std::string &code) {
  return R"({"type": ")" + type + R"(", "number": )" + std::to_string(number) + R"(, "actions": [{"code": ")" +
         code + R"("}]})";
}

using GameCase = RGameCase;

std::vector<GameCase> Cases() {
  std::vector<GameCase> cases;

  // Everything a step raises for one instance, in order; the instance sits
  // outside the room so that the outside and boundary events fire.
  cases.push_back({"StepOrder",
                   R"({"game_id": 1,
      "objects": [{"name": "obj", "events": [)" +
                       Code("create", 0, R"(show_debug_message(\"create\"); alarm[0] = 1; timeline_index = tl; timeline_running = true;)") + "," +
                       Say("other", 2, R"(\"game start\")") + "," + Say("other", 4, R"(\"room start\")") + "," +
                       Say("step", 1, R"(\"begin step\")") + "," + Say("alarm", 0, R"(\"alarm 0\")") + "," +
                       Say("step", 0, R"(\"step\")") + "," + Say("other", 0, R"(\"outside\")") + "," +
                       Say("other", 1, R"(\"boundary\")") + "," + Say("step", 2, R"(\"end step\")") + "," +
                       Say("draw", 0, R"(\"draw\")") + "," + Say("other", 7, R"(\"animation end\")") + "," +
                       Say("other", 5, R"(\"room end\")") + "," + Say("other", 3, R"(\"game end\")") + R"(]}],
      "time_lines": [{"name": "tl", "moments": [{"step": 0, "actions": [{"code": "show_debug_message(\"moment 0\");"}]}]}],
      "rooms": [{"name": "r", "instances": [{"x": -50, "y": -50, "object": 0}]}]})",
                   "--steps 1",
                   {"create", "game start", "room start", "begin step", "moment 0", "alarm 0", "step", "outside",
                    "boundary", "end step", "draw", "animation end", "room end", "game end"}});

  // Alarm 3 set to 1 in a step fires in the next step; alarm 1 set to 0
  // never fires and is -1 afterwards; an alarm event found only in the
  // parent still counts the child's alarm down.
  cases.push_back({"AlarmCountdown",
                   R"({"game_id": 1,
      "objects": [
        {"name": "parent", "events": [)" +
                       Say("alarm", 2, R"(\"parent alarm 2 for \" + object_get_name(object_index))") + R"(]},
        {"name": "obj", "parent": "parent", "events": [)" +
                       Code("create", 0, R"(alarm[1] = 0; alarm[2] = 2;)") + "," +
                       Code("step", 0, R"(show_debug_message(\"step \" + string(alarm[1])); if (alarm[3] < 0 && alarm[2] < 0) alarm[3] = 1;)") + "," +
                       Say("alarm", 1, R"(\"alarm 1\")") + "," + Say("alarm", 3, R"(\"alarm 3\")") + R"(]}],
      "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 1}]}]})",
                   "--steps 4",
                   {"step -1", "parent alarm 2 for obj", "step -1", "step -1", "alarm 3", "step -1"}});

  // instance_create runs the new instance's create event at once; an
  // instance destroyed in a step gets no later events and is not reached
  // by with.
  cases.push_back({"CreateAndDestroy",
                   R"({"game_id": 1,
      "objects": [
        {"name": "maker", "events": [)" +
                       Code("create", 0, R"(show_debug_message(\"before\"); instance_create(0, 0, victim); show_debug_message(\"after\");)") + "," +
                       Code("step", 0, R"(with (victim) instance_destroy(); with (victim) show_debug_message(\"still here\"); show_debug_message(\"victims: \" + string(instance_number(victim)));)") + R"(]},
        {"name": "victim", "events": [)" +
                       Say("create", 0, R"(\"victim created\")") + "," + Say("destroy", 0, R"(\"victim destroyed\")") + "," +
                       Say("step", 0, R"(\"victim step\")") + R"(]}],
      "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0}]}]})",
                   "--steps 2",
                   {"before", "victim created", "after", "victim destroyed", "victims: 0", "victims: 0"}});

  // room_goto in a begin step: nothing else of that step runs, the room
  // ends and the next one starts.
  cases.push_back({"RoomGotoInBeginStep",
                   R"({"game_id": 1,
      "objects": [
        {"name": "a", "events": [)" +
                       Code("step", 1, R"(show_debug_message(\"begin \" + room_get_name(room)); if (room == r1) room_goto(r2);)") + "," +
                       Say("step", 0, R"(\"step \" + room_get_name(room))") + "," + Say("step", 2, R"(\"end \" + room_get_name(room))") + "," +
                       Say("other", 5, R"(\"room end \" + room_get_name(room))") + "," +
                       Say("other", 4, R"(\"room start \" + room_get_name(room))") + R"(]}],
      "rooms": [
        {"name": "r1", "instances": [{"x": 0, "y": 0, "object": 0}]},
        {"name": "r2", "instances": [{"x": 0, "y": 0, "object": 0}]}]})",
                   "--steps 2",
                   {"room start r1", "begin r1", "room end r1", "room start r2", "begin r2", "step r2", "end r2",
                    "room end r2"}});

  // game_restart runs the room end and game end events, then starts the
  // game anew; game_end ends it the same way.
  cases.push_back({"RestartAndEnd",
                   R"({"game_id": 1,
      "objects": [{"name": "a", "events": [)" +
                       Say("other", 2, R"(\"game start\")") + "," + Say("other", 3, R"(\"game end\")") + "," +
                       Say("other", 5, R"(\"room end\")") + "," +
                       Code("step", 0, R"(global.n = 1; show_debug_message(\"step\"); game_restart();)") + "," +
                       Code("create", 0, R"(if (variable_global_exists(\"n\")) show_debug_message(\"globals kept\");)") + R"(]}],
      "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0}]}]})",
                   "--steps 2",
                   {"game start", "step", "room end", "game end", "game start", "step", "room end", "game end",
                    "game start", "room end", "game end"}});

  // A persistent room keeps its instances and their state; coming back runs
  // its room start event but no create event or creation code.
  cases.push_back({"PersistentRoom",
                   R"({"game_id": 1,
      "objects": [
        {"name": "a", "events": [)" +
                       Say("create", 0, R"(\"a created\")") + "," +
                       Say("other", 4, R"(\"a in \" + room_get_name(room) + \" x=\" + string(x))") + "," +
                       Code("step", 0, R"(x += 1; room_goto(r2);)") + R"(]},
        {"name": "b", "events": [)" + Code("step", 0, R"(room_goto(r1);)") + R"(]}],
      "rooms": [
        {"name": "r1", "persistent": true, "code": "show_debug_message(\"r1 code\");", "instances": [{"x": 10, "y": 0, "object": 0, "code": "show_debug_message(\"a code\");"}]},
        {"name": "r2", "instances": [{"x": 0, "y": 0, "object": 1}]}]})",
                   "--steps 4",
                   {"a code", "a created", "r1 code", "a in r1 x=10", "a in r1 x=11", "a in r1 x=12"}});

  // A persistent instance moves to the next room with its state.
  cases.push_back({"PersistentInstance",
                   R"({"game_id": 1,
      "objects": [
        {"name": "p", "persistent": true, "events": [)" +
                       Say("create", 0, R"(\"p created\")") + "," +
                       Say("other", 4, R"(\"p in \" + room_get_name(room) + \" hits=\" + string(hits))") + "," +
                       Code("step", 0, R"(hits += 1; if (room == r1) room_goto(r2) else room_goto(r1);)") + R"(]}],
      "rooms": [
        {"name": "r1", "instances": [{"x": 0, "y": 0, "object": 0, "code": "hits = 0;"}]},
        {"name": "r2"}]})",
                   "--steps 2",
                   {"p created", "p in r1 hits=0", "p in r2 hits=1", "p in r1 hits=2"}});

  // Time lines step their moments with their speed: 2.5 steps a step runs
  // moments 0, 1 and 2 in the first step and 3 in the second; a looping time
  // line starts again after its last moment.
  cases.push_back({"TimeLineSpeedAndLoop",
                   R"({"game_id": 1,
      "objects": [{"name": "a", "events": [)" +
                       Code("create", 0, R"(timeline_index = fast; timeline_speed = 2.5; timeline_running = true; with (instance_create(0, 0, b)) { timeline_index = looping; timeline_loop = true; timeline_running = true; })") + "," +
                       Say("step", 2, R"(\"end of step\")") + R"(]},
        {"name": "b", "events": []}],
      "time_lines": [
        {"name": "fast", "moments": [
          {"step": 0, "actions": [{"code": "show_debug_message(\"fast 0\");"}]},
          {"step": 1, "actions": [{"code": "show_debug_message(\"fast 1\");"}]},
          {"step": 2, "actions": [{"code": "show_debug_message(\"fast 2\");"}]},
          {"step": 3, "actions": [{"code": "show_debug_message(\"fast 3\");"}]}]},
        {"name": "looping", "moments": [
          {"step": 0, "actions": [{"code": "show_debug_message(\"loop 0\");"}]},
          {"step": 2, "actions": [{"code": "show_debug_message(\"loop 2\");"}]}]}],
      "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0}]}]})",
                   "--steps 4",
                   {"fast 0", "fast 1", "fast 2", "loop 0", "end of step", "fast 3", "end of step", "loop 2",
                    "end of step", "loop 0", "end of step"}});

  // A trigger raises its event for the instances for which its condition
  // holds, at its moment of the step; a string result never fires.
  cases.push_back({"Triggers",
                   R"({"game_id": 1,
      "triggers": [
        {"name": "big x", "condition": "return x > 1;", "moment": "end", "constant": "trig_big"},
        {"name": "text", "condition": "return \"yes\";", "moment": "begin", "constant": "trig_text"}],
      "objects": [{"name": "a", "events": [)" +
                       Code("step", 0, R"(x += 1; show_debug_message(\"step x=\" + string(x));)") + "," +
                       Say("trigger", 0, R"(\"big x at \" + string(x))") + "," + Say("trigger", 1, R"(\"text fired\")") + R"(]}],
      "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0}]}]})",
                   "--steps 3",
                   {"step x=1", "step x=2", "big x at 2", "step x=3", "big x at 3"}});

  // Events missing in an object come from its parent; event_inherited runs
  // the parent's event from the child's.
  cases.push_back({"ParentEvents",
                   R"({"game_id": 1,
      "objects": [
        {"name": "base", "events": [)" +
                       Say("create", 0, R"(\"base create for \" + object_get_name(object_index))") + "," +
                       Say("step", 0, R"(\"base step\")") + R"(]},
        {"name": "child", "parent": "base", "events": [)" +
                       Code("step", 0, R"(show_debug_message(\"child step\"); event_inherited();)") + R"(]}],
      "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 1}]}]})",
                   "--steps 1",
                   {"base create for child", "child step", "base step"}});

  // An instance follows its path in the motion phase and gets the end of
  // path event when it arrives.
  cases.push_back({"PathFollowing",
                   R"({"game_id": 1,
      "paths": [{"name": "pth", "closed": false, "points": [[0, 0], [10, 0]]}],
      "objects": [{"name": "a", "events": [)" +
                       Code("create", 0, R"(path_start(pth, 5, 0, true);)") + "," +
                       Say("step", 2, R"(\"at \" + string(x))") + "," +
                       Say("other", 8, R"(\"end of path at \" + string(x))") + R"(]}],
      "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0}]}]})",
                   "--steps 3",
                   {"at 5", "end of path at 10", "at 10", "at 10"}});

  return cases;
}

class RunGame : public ::testing::TestWithParam<GameCase> {};

TEST_P(RunGame, PrintsTheExpectedEvents) { ExpectGamePrints(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Games, RunGame, ::testing::ValuesIn(Cases()), GameCaseName);

// With createfirst the create event runs before the creation code, so the
// code's value wins; without it the create event's value wins.
TEST(RunGameSettings, CreateFirstDecidesWhichValueWins) {
  for (const bool createFirst : {false, true}) {
    CGameProject project(std::string(R"({"game_id": 1, "settings": {"createfirst": )") +
                         (createFirst ? "true" : "false") + R"(},
      "objects": [{"name": "a", "events": [)" +
                         Code("create", 0, R"(v = \"create event\";)") + "," +
                         Say("other", 4, "v") + R"(]}],
      "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0, "code": "v = \"creation code\";"}]}]})");
    const RGameRun run = project.Run("--steps 1");
    ASSERT_TRUE(run.packed) << run.packMessages;
    EXPECT_EQ(run.Lines(), std::vector<std::string>{createFirst ? "creation code" : "create event"}) << run.err;
  }
}

// An included file is exported into the working directory when the game
// starts and removed again when it ends.
TEST(RunGameFiles, IncludedFileIsExportedAndRemoved) {
  CGameProject project(R"({"game_id": 1,
      "included_files": [{"file": "data/note.txt", "name": "note.txt"}],
      "objects": [{"name": "a", "events": [)" +
                       Code("create", 0, R"(var f; f = file_text_open_read(\"note.txt\"); show_debug_message(file_text_read_string(f)); file_text_close(f);)") + R"(]}],
      "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0}]}]})");
  project.Write("data/note.txt", "carried along");
  const RGameRun run = project.Run("--steps 1");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.Lines(), std::vector<std::string>{"carried along"}) << run.err;
  EXPECT_FALSE(std::filesystem::exists(project.WorkDir() + "/note.txt"));
}

// A preparation step that fails shows its own report and the step's box
// text, and the process ends with a failure code before any room starts.
TEST(RunGamePreparation, FailingStepsStopTheStart) {
  struct Case {
    std::string parts;  // manifest fields besides the one object and room
    std::vector<std::string> messages;
  };
  const std::vector<Case> cases = {
      {R"("scripts": [{"name": "broken", "code": "x = ;"}],)",
       {"COMPILATION ERROR in Script: broken", "Failed to compile the scripts."}},
      {R"("constants": [{"name": "BAD", "value": "1 +"}],)",
       {"Value for constant BAD  is not valid.", "Failed to define the constants."}},
      {R"("triggers": [{"name": "odd", "condition": "return (;", "constant": "trig_odd"}],)",
       {"COMPILATION ERROR in condition of trigger odd", "Failed to prepare triggers."}},
      {R"("time_lines": [{"name": "tl", "moments": [{"step": 3, "actions": [{"code": "if"}]}]}],)",
       {"COMPILATION ERROR in code action", "Failed to compile the actions in the time lines."}},
  };
  for (const Case &c : cases) {
    CGameProject project(R"({"game_id": 1, )" + c.parts + R"(
      "objects": [{"name": "a", "events": [)" + Say("create", 0, R"(\"never\")") + R"(]}],
      "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0}]}]})");
    project.PackUnchecked();
    const RGameRun run = project.Run("--steps 1");
    ASSERT_TRUE(run.packed) << run.packMessages;
    EXPECT_EQ(run.exitCode, 1) << c.parts;
    EXPECT_EQ(run.out, "") << c.parts;
    size_t at = 0;
    for (const std::string &m : c.messages) {
      at = run.err.find(m, at);
      EXPECT_NE(at, std::string::npos) << m << " missing or out of order in:\n" << run.err;
    }
  }
}

// A fatal error ends the game: the room end and game end events still run.
TEST(RunGameErrors, FatalErrorEndsTheGameWithItsEndEvents) {
  CGameProject project(R"({"game_id": 1,
      "objects": [{"name": "a", "events": [)" +
                       Code("step", 0, R"(show_debug_message(\"step\"); room_goto(99); show_debug_message(\"rest of the code\");)") + "," +
                       Say("step", 2, R"(\"end step\")") + "," + Say("other", 3, R"(\"game end\")") + R"(]}],
      "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0}]}]})");
  const RGameRun run = project.Run("--steps 5");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.Lines(), (std::vector<std::string>{"step", "rest of the code", "game end"}));
  EXPECT_NE(run.err.find("Unexisting room number: 99"), std::string::npos) << run.err;
}

// The bundled example plays its rooms to their end, and a second run prints
// exactly what the first printed (it seeds its random numbers).
TEST(RunGameExample, HelloRunsToItsEndTheSameEveryTime) {
  CGameProject first("{}"), second("{}");
  const std::string hello = std::string(QUILLON_SOURCE_DIR) + "/examples/hello";
  const RGameRun a = first.RunFolder(hello), b = second.RunFolder(hello);
  ASSERT_TRUE(a.packed) << a.packMessages;
  EXPECT_EQ(a.exitCode, 0) << a.err;
  EXPECT_EQ(a.err, "");
  const std::vector<std::string> lines = a.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "every ball has popped"), lines.end()) << a.out;
  EXPECT_EQ(lines.back(), "goodbye");
  EXPECT_EQ(a.out, b.out);
}

}  // namespace
