// A room for the place, move, collision and planning functions: sprites
// with real collision masks (solid squares and a hollow L), a solid wall
// object, a plain block object with a child, and a small mover that the
// code runs for. Header-only.
#pragma once

#include <string>
#include <vector>

#include "functions/Function_Motion.h"
#include "support/Room_Test_Fixture.h"
#include "world/Motion_Potential.h"
#include "world/Path_Main.h"

class MotionFixture : public RoomFixture {
protected:
  static constexpr int32_t kSquare16 = 0, kSquare8 = 1, kL = 2;

  void SetUp() override {
    RoomFixture::SetUp();
    // Earlier tests may have left the table with only some families.
    if (FunctionFind("place_free") < 0) Function_Motion_Init();
    if (FunctionFind("mp_linear_step") < 0) Motion_Potential_Init();
    g_PotentialSettings = RPotentialSettings();
    g_Paths.Clear();
    TestMaskSprite(kSquare16, Square(16), 0, 0);
    TestMaskSprite(kSquare8, Square(8), 0, 0);
    // Set only along the left column and the bottom row: its box holds
    // far more than its mask.
    TestMaskSprite(kL, {"#...", "#...", "#...", "####"}, 0, 0);
    wall = AddObject(-1, kSquare16);
    ObjectGet(wall)->o_solid = true;
    block = AddObject(-1, kSquare16);
    blockChild = AddObject(block, kSquare16);
    shape = AddObject(-1, kL);
    ObjectGet(shape)->o_solid = true;
    mover = AddObject(-1, kSquare8);
    self = Add(mover, 0, 0);
  }
  void TearDown() override {
    g_Paths.Clear();
    g_PotentialSettings = RPotentialSettings();
    RoomFixture::TearDown();
  }

  static std::vector<std::string> Square(int n) {
    return std::vector<std::string>(static_cast<size_t>(n), std::string(static_cast<size_t>(n), '#'));
  }

  // Runs code for self with other as given and answers its return value.
  double With(const std::string &code, CInstance *other) {
    const RRunResult r = RunCodeText(code, false, self, other);
    EXPECT_TRUE(r.ok) << code << ": " << r.error;
    return r.result.val;
  }

  // code with every "#A", "#B", ... replaced by the numbers given in order.
  static std::string Fill(std::string code, std::initializer_list<double> values) {
    char key = 'A';
    for (double v : values) {
      const std::string tag = std::string("#") + key++;
      std::string text = std::to_string(v);
      text.erase(text.find_last_not_of('0') + 1);
      if (text.back() == '.') text.pop_back();
      for (size_t p; (p = code.find(tag)) != std::string::npos;) code.replace(p, tag.size(), text);
    }
    return code;
  }

  int wall = 0, block = 0, blockChild = 0, shape = 0, mover = 0;
  CInstance *self = nullptr;  // an 8 x 8 square at (0, 0)
};
