// A small packed game in which a ball runs into a solid wall: the wall's
// mask comes from the game file, the collision phase runs inside the real
// step, and the ball stays where it was once it would enter the wall.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/Game_Run.h"
#include "data/Picture_Text.h"

namespace {

TEST(CollisionGame, ABallStopsAtTheSetPixelsOfASolidWall) {
  CGameProject project(R"({"game_id": 1,
    "sprites": [
      {"name": "spr_ball", "image": "img/ball.bmp"},
      {"name": "spr_wall", "image": "img/wall.bmp", "bbox": "full"}],
    "objects": [
      {"name": "ball", "sprite": "spr_ball", "events": [
        {"type": "create", "actions": [{"code": "hspeed = 4;"}]},
        {"type": "collision", "number": "wall", "actions": [{"code": "show_debug_message(\"hit \" + string(x));"}]},
        {"type": "step", "number": 2, "actions": [{"code": "show_debug_message(string(x));"}]}]},
      {"name": "wall", "sprite": "spr_wall", "solid": true}],
    "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0}, {"x": 20, "y": 0, "object": 1}]}]})");
  // The wall's box is its whole image, but only its right half is set.
  project.Dir().Write("project/img/ball.bmp", picture::Pic(std::vector<std::string>(10, "##########")).SaveToBMP());
  project.Dir().Write("project/img/wall.bmp", picture::Pic(std::vector<std::string>(10, ".....#####")).SaveToBMP());
  const RGameRun run = project.Run("--steps 5");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  // At 12 the boxes overlap but no set pixels do; at 16 they would, so the
  // ball goes back to 12, tries its step again and goes back once more.
  EXPECT_EQ(run.Lines(), (std::vector<std::string>{"4", "8", "12", "hit 12", "12", "hit 12", "12"}));
}

}  // namespace
