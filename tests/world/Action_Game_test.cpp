// Games whose objects carry library actions, packed and run headless: the
// questions with else and blocks, applies-to and the relative option as
// action records set them, lives and health running out, rooms, time lines,
// scripts and messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/Game_Run.h"

namespace {

// An action calling a library function with expression arguments; extra
// holds further fields of the record (",\"relative\": true", ...).
std::string Act(const std::string &function, const std::string &args, const std::string &extra = "") {
  return R"({"kind": "normal", "execute": "function", "function": ")" + function + R"(", "arguments": [)" + args +
         "]" + extra + "}";
}
std::string Ask(const std::string &function, const std::string &args, const std::string &extra = "") {
  return Act(function, args, R"(, "question": true)" + extra);
}
std::string Print(const std::string &expr) { return R"({"code": "show_debug_message()" + expr + R"();"})"; }
std::string Kind(const std::string &kind) { return R"({"kind": ")" + kind + R"("})"; }

std::string Event(const std::string &type, int number, const std::vector<std::string> &actions) {
  std::string list;
  for (const std::string &a : actions) list += (list.empty() ? "" : ",") + a;
  return R"({"type": ")" + type + R"(", "number": )" + std::to_string(number) + R"(, "actions": [)" + list + "]}";
}

using GameCase = RGameCase;

std::vector<GameCase> Cases() {
  std::vector<GameCase> cases;

  // A question runs the next block when true and the action after else
  // when false; NOT inverts it; exit stops the event.
  cases.push_back(
      {"QuestionsElseAndBlocks",
       R"({"game_id": 1,
      "objects": [{"name": "a", "events": [)" +
           Event("step", 0,
                 {Ask("action_if_variable", R"("x", "0", "0")"), Kind("begin"), Print(R"(\"zero \" + string(id))"),
                  Print(R"(\"still zero\")"), Kind("end"), Kind("else"), Print(R"(\"not zero \" + string(x))"),
                  Ask("action_if_variable", R"("x", "0", "0")", R"(, "not": true)"), Print(R"(\"NOT of zero\")"),
                  Ask("action_if_variable", R"("x", "5", "2")"), Kind("exit"), Print(R"(\"end \" + string(x))")}) +
           R"(]}],
      "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0}, {"x": 7, "y": 0, "object": 0}, {"x": 3, "y": 0, "object": 0}]}]})",
       "--steps 1",
       {"zero 100001", "still zero", "end 0", "not zero 7", "NOT of zero", "not zero 3", "NOT of zero", "end 3"}});

  // A question for an object holds only when it holds for every instance
  // of it; an action for an object runs for each; an object without
  // instances answers yes.
  cases.push_back(
      {"AppliesToObjects",
       R"({"game_id": 1,
      "objects": [
        {"name": "ctl", "events": [)" +
           Event("create", 0,
                 {Ask("action_if_variable", R"("x", "10", "1")", R"(, "applies_to": "b")"), Print(R"(\"all b left of 10\")"),
                  Ask("action_if_variable", R"("x", "5", "1")", R"(, "applies_to": "b")"), Print(R"(\"all b left of 5\")"),
                  Ask("action_if_variable", R"("x", "5", "1")", R"(, "applies_to": "nobody")"), Print(R"(\"nobody says yes\")"),
                  Act("action_move_to", R"("1", "0")", R"(, "applies_to": "b", "relative_option": true, "relative": true)"),
                  R"({"code": "with (b) show_debug_message(\"b at \" + string(x));"})"}) +
           R"(]},
        {"name": "b", "events": []},
        {"name": "nobody", "events": []}],
      "rooms": [{"name": "r", "instances": [{"x": 2, "y": 0, "object": 1}, {"x": 6, "y": 0, "object": 1}, {"x": 0, "y": 0, "object": 0}]}]})",
       "--steps 1",
       {"all b left of 10", "nobody says yes", "b at 3", "b at 7"}});

  // The relative option counts only where the action offers it.
  cases.push_back(
      {"RelativeOnlyWhereOffered",
       R"({"game_id": 1,
      "objects": [{"name": "a", "events": [)" +
           Event("create", 0,
                 {Act("action_move_to", R"("5", "5")", R"(, "relative": true)"), Print(R"(\"x \" + string(x))"),
                  Act("action_move_to", R"("5", "5")", R"(, "relative_option": true, "relative": true)"),
                  Print(R"(\"x \" + string(x))"),
                  Act("action_move_to", R"("5", "5")", R"(, "relative_option": true)"), Print(R"(\"x \" + string(x))")}) +
           R"(]}],
      "rooms": [{"name": "r", "instances": [{"x": 100, "y": 0, "object": 0}]}]})",
       "--steps 1",
       {"x 5", "x 10", "x 5"}});

  // Lives going from above 0 to 0 raise "no more lives" for every
  // instance, once; health likewise "no more health".
  cases.push_back(
      {"LivesAndHealthRunOut",
       R"({"game_id": 1,
      "objects": [{"name": "a", "events": [)" +
           Event("create", 0, {Act("action_set_life", R"("2")"), Act("action_set_health", R"("30")")}) + "," +
           Event("step", 0,
                 {Act("action_set_life", R"("-1")", R"(, "relative_option": true, "relative": true)"),
                  Act("action_set_health", R"("-20")", R"(, "relative_option": true, "relative": true)"),
                  Print(R"(\"lives \" + string(lives) + \" health \" + string(health))")}) +
           "," + Event("other", 6, {Print(R"(\"no more lives for \" + string(id))")}) + "," +
           Event("other", 9, {Print(R"(\"no more health for \" + string(id))")}) + R"(]}],
      "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0}]}]})",
       "--steps 3",
       {"lives 1 health 10", "no more lives for 100001", "no more health for 100001", "lives 0 health -10",
        "lives -1 health -30"}});

  // Score rises through its action and its question compares it.
  cases.push_back(
      {"ScoreQuestion",
       R"({"game_id": 1,
      "objects": [{"name": "a", "events": [)" +
           Event("step", 0,
                 {Act("action_set_score", R"("10")", R"(, "relative_option": true, "relative": true)"),
                  Ask("action_if_score", R"("20", "1")"), Print(R"(\"below 20: \" + string(score))"), Kind("else"),
                  Print(R"(\"at least 20: \" + string(score))")}) +
           R"(]}],
      "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0}]}]})",
       "--steps 3",
       {"below 20: 10", "at least 20: 20", "at least 20: 30"}});

  // The room actions move through the room order; the questions about it
  // answer for the current room; actions after a room change do not run.
  cases.push_back(
      {"Rooms",
       R"({"game_id": 1,
      "objects": [{"name": "a", "events": [)" +
           Event("other", 4, {Print(R"(\"start \" + room_get_name(room))")}) + "," +
           Event("step", 0,
                 {Ask("action_if_next_room", ""), Kind("begin"), Act("action_next_room", R"("0")"),
                  Print(R"(\"never\")"), Kind("end"), Kind("else"), Act("action_another_room", R"("r1", "0")")}) +
           R"(]}],
      "rooms": [
        {"name": "r1", "instances": [{"x": 0, "y": 0, "object": 0}]},
        {"name": "r2", "instances": [{"x": 0, "y": 0, "object": 0}]}]})",
       "--steps 2",
       {"start r1", "start r2", "start r1"}});

  // A time line set by its action plays its moments; stopping it puts it
  // back to 0 and it plays no more.
  cases.push_back(
      {"TimeLineActions",
       R"({"game_id": 1,
      "objects": [{"name": "a", "events": [)" +
           Event("create", 0, {Act("action_set_timeline", R"("tl", "1")")}) + R"(]}],
      "time_lines": [{"name": "tl", "moments": [
        {"step": 0, "actions": [)" +
           Print(R"(\"moment 0\")") + R"(]},
        {"step": 1, "actions": [)" +
           Print(R"(\"moment 1\")") + R"(]},
        {"step": 2, "actions": [)" +
           Print(R"(\"moment 2\")") + "," + Act("action_timeline_stop", "") + R"(]}]}],
      "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0}]}]})",
       "--steps 4",
       {"moment 1", "moment 2"}});

  // Creating with motion: the create event already sees speed and
  // direction. Killing runs the destroy event.
  cases.push_back(
      {"CreateWithMotionAndKill",
       R"({"game_id": 1,
      "objects": [
        {"name": "maker", "events": [)" +
           Event("create", 0, {Act("action_create_object_motion", R"("shot", "10", "20", "4", "90")")}) + R"(]},
        {"name": "shot", "events": [)" +
           Event("create", 0, {Print(R"(\"shot \" + string(x) + \",\" + string(y) + \" speed \" + string(speed) + \" dir \" + string(direction))")}) +
           "," + Event("step", 0, {Act("action_kill_object", "")}) + "," +
           Event("destroy", 0, {Print(R"(\"shot destroyed\")")}) + R"(]}],
      "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0}]}]})",
       "--steps 2",
       {"shot 10,20 speed 4 dir 90", "shot destroyed"}});

  // A script action passes its five arguments; the inherited action runs
  // the parent's event.
  cases.push_back(
      {"ScriptAndInherited",
       R"({"game_id": 1,
      "scripts": [{"name": "say", "code": "show_debug_message(string(argument0) + argument1 + string(argument4));"}],
      "objects": [
        {"name": "base", "events": [)" +
           Event("create", 0, {Print(R"(\"base create\")")}) + R"(]},
        {"name": "child", "parent": "base", "events": [)" +
           Event("create", 0,
                 {Act("action_execute_script", R"("say", "7", "\" items \"", "0", "0", "2.5")"),
                  Act("action_inherited", "")}) +
           R"(]}],
      "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 1}]}]})",
       "--steps 1",
       {"7 items 2.50", "base create"}});

  return cases;
}

class ActionGame : public ::testing::TestWithParam<GameCase> {};

TEST_P(ActionGame, PrintsTheExpectedLines) { ExpectGamePrints(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Games, ActionGame, ::testing::ValuesIn(Cases()), GameCaseName);

// Without a dialog a message is printed on standard error; a question is
// printed too and answered with its default, Yes.
TEST(ActionGameDialogs, MessagesAndQuestionsGoToStandardError) {
  CGameProject project(R"({"game_id": 1,
      "objects": [{"name": "a", "events": [)" +
                       Event("create", 0,
                             {Act("action_message", R"("\"Hello there\"")"), Ask("action_if_question", R"("\"Go on?\"")"),
                              Print(R"(\"answered yes\")"), Kind("else"), Print(R"(\"answered no\")")}) +
                       R"(]}],
      "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0}]}]})");
  const RGameRun run = project.Run("--steps 1");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.Lines(), std::vector<std::string>{"answered yes"}) << run.err;
  EXPECT_EQ(run.err, "Hello there\nGo on?\n");
}

}  // namespace
