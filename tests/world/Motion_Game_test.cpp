// Small packed games in which instances move into contact, bounce off
// walls and plan their way, run through the whole main loop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/Game_Run.h"
#include "data/Picture_Text.h"

namespace {

// The sprites the games use: an 8 x 8 ball and a 16 x 16 wall square, each
// masked by its whole image.
const char kSprites[] = R"(
      "sprites": [{"name": "spr_ball", "image": "img/ball.bmp", "kind": "rectangle", "bbox": "full"},
                  {"name": "spr_wall", "image": "img/wall.bmp", "kind": "rectangle", "bbox": "full"}],)";

std::vector<std::string> RunGame(const std::string &manifest, int steps) {
  CGameProject project(manifest);
  const auto bmp = [](int n) {
    const std::vector<uint8_t> bytes =
        picture::Pic(std::vector<std::string>(static_cast<size_t>(n), std::string(static_cast<size_t>(n), '#')))
            .SaveToBMP();
    return std::string(bytes.begin(), bytes.end());
  };
  project.Write("img/ball.bmp", bmp(8));
  project.Write("img/wall.bmp", bmp(16));
  const RGameRun run = project.Run("--steps " + std::to_string(steps));
  EXPECT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  return run.Lines();
}

TEST(MotionGame, ABallBouncesOffAWallBeforeMeetingIt) {
  // Every step the ball asks whether its next place is free; in the fourth
  // step it is not, the bounce reverses hspeed and the motion phase moves
  // the ball back.
  const std::string manifest = std::string(R"({"game_id": 1,)") + kSprites + R"(
      "objects": [
        {"name": "wall", "sprite": "spr_wall", "solid": true},
        {"name": "ball", "sprite": "spr_ball", "events": [
          {"type": "create", "actions": [{"code": "hspeed = 4;"}]},
          {"type": "step", "actions": [{"code": "move_bounce_solid(false);"}]},
          {"type": "step", "number": 2, "actions": [{"code": "show_debug_message(string(x));"}]}]}],
      "rooms": [{"name": "r", "width": 200, "height": 100,
                 "instances": [{"x": 100, "y": 0, "object": 0}, {"x": 80, "y": 0, "object": 1}]}]})";
  EXPECT_EQ(RunGame(manifest, 6), (std::vector<std::string>{"84", "88", "92", "88", "84", "80"}));
}

TEST(MotionGame, AnInstanceMovesIntoContactAndPlansAroundTheWall) {
  const std::string kPlanner =
      R"(move_contact_solid(0, 0); show_debug_message(string(x));)"
      R"( show_debug_message(string(instance_place(x + 1, y, wall)));)"
      R"( show_debug_message(string(distance_to_object(wall)));)"
      R"( p = path_add(); show_debug_message(string(mp_potential_path(p, 150, 0, 4, 4, false)));)"
      R"( show_debug_message(string(x) + \" \" + string(y)); path_start(p, 4, 0, true);)";
  const std::string kArrived =
      R"(show_debug_message(\"arrived at \" + string(x) + \" \" + string(y));)"
      R"( show_debug_message(string(place_free(x, y)));)";
  const std::string manifest = std::string(R"({"game_id": 1,)") + kSprites + R"(
      "objects": [
        {"name": "wall", "sprite": "spr_wall", "solid": true},
        {"name": "ball", "sprite": "spr_ball", "events": [
          {"type": "create", "actions": [{"code": ")" + kPlanner + R"("}]},
          {"type": "other", "number": 8, "actions": [{"code": ")" + kArrived + R"("}]}]}],
      "rooms": [{"name": "r", "width": 200, "height": 100,
                 "instances": [{"x": 100, "y": 0, "object": 0}, {"x": 0, "y": 0, "object": 1}]}]})";
  EXPECT_EQ(RunGame(manifest, 200), (std::vector<std::string>{"92", "100001", "1", "1", "92 0", "arrived at 150 0", "1"}));
}

}  // namespace
