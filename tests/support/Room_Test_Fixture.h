// A game world with a real current room for tests of instances, rooms and
// the functions and variables on them: objects with parents and sprites,
// a run-time room installed as the current room and as the interpreter's
// world, the built-in variables of instances and rooms installed for the
// test (and put back afterwards), and code compiled and run the way actions
// run it.
#pragma once

#include "support/Code_Test_Host.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Code_World.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "functions/Function_Interaction.h"
#include "data/Picture_Text.h"
#include "base/Option_Main.h"
#include "world/Instance_Class.h"
#include "world/Instance_Variables.h"
#include "world/Object_Main.h"
#include "world/Room_Functions.h"
#include "world/Room_Main.h"
#include "world/Room_Variables.h"
#include "world/Room_World.h"
#include "data/Sprite_Mask.h"

// Sprites and backgrounds the tests define, by index.
inline std::map<int32_t, RSpriteGeometry> &TestSprites() {
  static std::map<int32_t, RSpriteGeometry> sprites;
  return sprites;
}
inline std::map<int32_t, std::pair<int32_t, int32_t>> &TestBackgrounds() {
  static std::map<int32_t, std::pair<int32_t, int32_t>> backgrounds;
  return backgrounds;
}

// Collision masks of the test sprites, one per image (image n uses mask
// n modulo their number); a sprite without an entry has no mask.
inline std::map<int32_t, std::vector<TMask>> &TestMasks() {
  static std::map<int32_t, std::vector<TMask>> masks;
  return masks;
}

// A sprite of w x h pixels with its origin, its box the whole image.
inline RSpriteGeometry SpriteGeometry(int32_t w, int32_t h, int32_t xo, int32_t yo, int32_t count = 1) {
  RSpriteGeometry g;
  g.count = count;
  g.width = w;
  g.height = h;
  g.xorigin = xo;
  g.yorigin = yo;
  g.left = 0;
  g.top = 0;
  g.right = w - 1;
  g.bottom = h - 1;
  return g;
}

// A one-image sprite with a precise mask drawn as text ('#' set, '.' clear)
// and its origin; its box is the box around the set pixels.
inline void TestMaskSprite(int32_t index, const std::vector<std::string> &rows, int32_t xo, int32_t yo) {
  TMask mask(picture::Pic(rows), 0, kMaskPrecise, RRect{}, kBoxAutomatic);
  RSpriteGeometry g = SpriteGeometry(mask.Width(), mask.Height(), xo, yo);
  g.left = mask.BoundingBox().left;
  g.top = mask.BoundingBox().top;
  g.right = mask.BoundingBox().right;
  g.bottom = mask.BoundingBox().bottom;
  TestSprites()[index] = g;
  TestMasks()[index] = {std::move(mask)};
}

using RRunResult = ROutcome;  // compile or run error text in error; "" on success

class RoomFixture : public ::testing::Test {
protected:
  void SetUp() override {
    BuiltinRegisterAll();
    for (int32_t i = 0; i < BuiltinCount(); ++i) {
      const RBuiltinVariable *e = BuiltinEntry(i);
      m_savedAccess.push_back({e->getter, e->setter});
    }
    Instance_InstallVariables();
    Room_InstallVariables();
    ConstantRegisterBuiltins();
    ConstantResetToBuiltins();
    if (FunctionFind("instance_create") < 0) Function_Interaction_Init();
    if (FunctionFind("room_add") < 0) Room_Functions_Register();

    g_Settings.SetDefaults();
    g_Settings.opt_displayerrors = false;
    g_Settings.opt_writeerrors = false;
    Code_ResetState();

    TestSprites().clear();
    TestMasks().clear();
    TestBackgrounds().clear();
    Instance_SetSpriteGeometry([](int32_t sprite, RSpriteGeometry &out) {
      const auto it = TestSprites().find(sprite);
      if (it == TestSprites().end()) return false;
      out = it->second;
      return true;
    });
    Instance_SetSpriteMask([](int32_t sprite, int64_t image) -> const TMask * {
      const auto it = TestMasks().find(sprite);
      if (it == TestMasks().end() || it->second.empty()) return nullptr;
      const int64_t n = static_cast<int64_t>(it->second.size());
      return &it->second[static_cast<size_t>((image % n + n) % n)];
    });
    Room_SetBackgroundSizeFn([](int32_t index, int32_t &w, int32_t &h) {
      const auto it = TestBackgrounds().find(index);
      if (it == TestBackgrounds().end()) return false;
      w = it->second.first;
      h = it->second.second;
      return true;
    });

    g_Objects.Clear();
    g_Rooms.Clear();
    g_RoomOrder.clear();
    RunRoom_FreeAll();
    g_LastInstanceId = 100000;
    g_LastTileId = 10000000;
    // Room 0 is the current room.
    g_Rooms.items.push_back(std::make_unique<CRoom>());
    g_Rooms.names.push_back("room0");
    g_RoomOrder.push_back(0);
    room = RunRoom_Make(0);
    Room_SetCurrent(0);
    Room_InstallWorld();
  }

  void TearDown() override {
    SetWorld(nullptr);
    RunRoom_FreeAll();
    Room_SetCurrent(-1);
    g_Rooms.Clear();
    g_RoomOrder.clear();
    g_Objects.Clear();
    Instance_SetSpriteGeometry(nullptr);
    Instance_SetSpriteMask(nullptr);
    Room_SetBackgroundSizeFn(nullptr);
    for (int32_t i = 0; i < static_cast<int32_t>(m_savedAccess.size()); ++i)
      BuiltinSetAccess(BuiltinName(i), m_savedAccess[static_cast<size_t>(i)].first,
                       m_savedAccess[static_cast<size_t>(i)].second);
    CodeErrorClear();
    ErrorReset();
  }

  // An object with the given parent (and sprite, depth); answers its index.
  int AddObject(int parent = -1, int sprite = -1, int depth = 0) {
    const int index = ObjectAdd();
    CObject *obj = ObjectGet(index);
    obj->o_parent = parent;
    obj->o_spriteindex = sprite;
    obj->o_depth = depth;
    return index;
  }

  CInstance *Add(int object, double x = 0, double y = 0) { return room->AddInstance(object, x, y); }

  // Compiles and runs a program with self = other = self (the first
  // instance of the room when not given).
  RRunResult Run(std::string_view program, CInstance *self = nullptr) {
    if (self == nullptr) self = room->InstanceAt(0);
    return RunCodeText(program, false, self, self);
  }
  // Runs the program and answers its `return` value as a real, failing the
  // test when the code fails.
  double Real(std::string_view program, CInstance *self = nullptr) {
    const RRunResult r = Run(program, self);
    EXPECT_TRUE(r.ok) << program << ": " << r.error;
    return r.result.val;
  }

  // The ids of the room's instances in room order.
  std::vector<int32_t> Ids() const {
    std::vector<int32_t> ids;
    for (const auto &inst : room->r_instance) ids.push_back(inst->i_id);
    return ids;
  }

  CRoom *room = nullptr;

private:
  std::vector<std::pair<TBuiltinGetter, TBuiltinSetter>> m_savedAccess;
};
