// A packed game that saves, wanders off and loads its saved game back: the
// room, the instance's variables and alarms, the globals and the game
// values come back, and the room it loaded from is gone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/Game_Run.h"

namespace {

// An event with one code action.
std::string Code(const std::string &type, int number, const std::string &code) {
  return R"({"type": ")" + type + R"(", "number": )" + std::to_string(number) + R"(, "actions": [{"code": ")" +
         code + R"("}]})";
}

// Step 1 saves and goes to r1, whose loader asks for the load while the
// room starts; step 2 stops after its begin step and loads; step 3 runs
// in the saved game.
TEST(RunSaveGame, SaveChangeAndLoadBringTheSavedGameBack) {
  CGameProject project(R"({"game_id": 1,
      "objects": [
        {"name": "ctl", "events": [)" +
                       Code("create", 0, R"(n = 0; x = 10; global.g = 5; score = 7; lives = 2; health = 40;)") + "," +
                       Code("step", 0,
                            R"(n += 1; if (n == 1) { alarm[0] = 5; game_save(\"s.sav\"); x = 99; global.g = 6; score = 8; lives = 9; health = 1; room_goto(r1); })"
                            R"( else show_debug_message(\"n=\" + string(n) + \" x=\" + string(x) + \" g=\" + string(global.g) + \" score=\" + string(score))"
                            R"( + \" lives=\" + string(lives) + \" health=\" + string(health) + \" alarm=\" + string(alarm[0]) + \" room=\" + room_get_name(room))"
                            R"( + \" loaders=\" + string(instance_number(loader)));)") +
                       R"(]},
        {"name": "loader", "events": [)" +
                       Code("create", 0, R"(show_debug_message(\"in r1\"); game_load(\"s.sav\");)") + "," +
                       Code("step", 1, R"(show_debug_message(\"loader begin step\");)") + "," +
                       Code("step", 0, R"(show_debug_message(\"loader step\");)") + R"(]}],
      "rooms": [{"name": "r0", "instances": [{"x": 0, "y": 0, "object": 0}]},
                {"name": "r1", "instances": [{"x": 0, "y": 0, "object": 1}]}]})");
  const RGameRun run = project.Run("--steps 4");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.Lines(), (std::vector<std::string>{
                             "in r1",
                             "n=2 x=10 g=5 score=7 lives=2 health=40 alarm=5 room=r0 loaders=0",
                             "n=3 x=10 g=5 score=7 lives=2 health=40 alarm=5 room=r0 loaders=0",
                         }));
}

}  // namespace
