// Assignments to variables whose owner the selector fixes (self, other,
// global, a plain name) are written directly by the interpreter. Each case
// here runs once compiled for the direct writes and once compiled for the
// general way, in a real room with real instances, and both runs must agree
// on everything they leave behind: success, result value and kind, the
// located error text, and the variables and built-ins of both instances and
// the globals.
#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "code/Code_Main.h"
#include "code/Code_Phase4.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "support/Room_Test_Fixture.h"

namespace {

std::string Show(const RValue &v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", v.val);
  return v.IsString() ? "'" + v.str.str() + "'" : std::string(buf);
}

std::string Show(const CVariableList &list) {
  std::string out;
  for (const RVariable &var : list.v_vars) {
    out += VariableName(var.ind) + "=" + Show(var.simplevalue);
    for (size_t r = 0; r < var.value.size(); ++r)
      for (size_t c = 0; c < var.value[r].size(); ++c)
        out += " [" + std::to_string(r) + "," + std::to_string(c) + "]" + Show(var.value[r][c]);
    out += "; ";
  }
  return out;
}

// Built-ins whose setters keep other fields in step, so that a write that
// went wrong shows in its neighbours too.
std::string ShowBuiltins(CInstance *inst) {
  const char *names[] = {"x",     "y",           "xprevious",   "hspeed", "vspeed",       "speed",
                         "direction", "image_index", "image_speed", "depth",  "visible",      "image_blend",
                         "score", "sprite_index"};
  std::string out;
  for (const char *name : names) {
    RValue v;
    const RBuiltinVariable *e = BuiltinEntry(BuiltinFind(name));
    if (e != nullptr && e->getter != nullptr && e->getter(inst, 0, v)) out += std::string(name) + "=" + Show(v) + " ";
  }
  for (int32_t i = 0; i < 3; ++i) {
    RValue v;
    const RBuiltinVariable *e = BuiltinEntry(BuiltinFind("alarm"));
    if (e->getter(inst, i, v)) out += "alarm" + std::to_string(i) + "=" + Show(v) + " ";
  }
  return out;
}

struct RWay {
  bool ok = false;
  std::string result;
  std::string error;
  std::string state;
};

class CodeAssignTest : public RoomFixture {
protected:
  void TearDown() override {
    SetDirectWrites(true);
    g_Settings.opt_uninitzero = false;
    RoomFixture::TearDown();
  }

  // One run of the program from a fresh state: new globals, a self and an
  // other instance of their own.
  RWay Run(const std::string &program, bool direct) {
    Code_ResetState();
    RunRoom_FreeAll();
    g_LastInstanceId = 100000;
    room = RunRoom_Make(0);
    Room_SetCurrent(0);
    Room_InstallWorld();
    SetDirectWrites(direct);
    CInstance *self = Add(m_object, 10, 20);
    CInstance *other = Add(m_object, 30, 40);
    const RRunResult r = RunCodeText(program, false, self, other);
    SetDirectWrites(true);
    RWay way;
    way.ok = r.ok;
    way.result = Show(r.result);
    way.error = r.error;
    way.state = "self: " + Show(self->i_vars) + ShowBuiltins(self) + "\nother: " + Show(other->i_vars) +
                ShowBuiltins(other) + "\nglobal: " + Show(GlobalVariables());
    return way;
  }

  void ExpectSameWays(const std::vector<std::string> &programs) {
    for (const std::string &p : programs) {
      const RWay general = Run(p, false);
      const RWay direct = Run(p, true);
      EXPECT_EQ(direct.ok, general.ok) << p << "\n" << direct.error << general.error;
      EXPECT_EQ(direct.result, general.result) << p;
      EXPECT_EQ(direct.error, general.error) << p;
      EXPECT_EQ(direct.state, general.state) << p;
    }
  }

  void SetUp() override {
    RoomFixture::SetUp();
    m_object = AddObject();
  }

  int m_object = 0;
};

TEST_F(CodeAssignTest, UserVariablesAgreeWithTheGeneralWay) {
  ExpectSameWays({
      // every operator, reals and texts, values at hand and computed
      "v = 3; v += 2; v -= 0.5; v *= 4; v /= 2; return v",
      "v = 6; v |= 1; v &= 3; v ^= 5; return v",
      "s = 'a'; s += 'b'; s = s + 'c'; t = s; t += t; return t",
      "v = 2; v += v; v *= v + 1; return v",
      "var k; k = 4; v = k * 2 + 1; v += k; return v",
      // the owners: self, other, global, a plain name declared global
      "self.v = 2; other.v = 3; global.v = 4; v += 1; other.v *= 5; return self.v * 100 + other.v * 10 + global.v",
      "globalvar gv; gv = 5; gv += 1; gv[2] = 3; gv[2] -= 1; return global.gv + global.gv[2]",
      // declared global only when the statement has run
      "v = 1; globalvar v; v = 2; v += 1; return self.v * 10 + global.v",
      // arrays of one and two dimensions, growing and overwritten
      "a[3] = 1; a[1, 2] = 5; a[3] += 2; a[0] = 9; a[1, 2] *= 3; return a[3] + a[1, 2] + a",
      "other.a[2] = 7; other.a[2] *= 2; global.g[1, 1] = 'x'; global.g[1, 1] += 'y'; return other.a[2]",
      "var i; for (i = 0; i < 50; i += 1) a[i] = i; for (i = 49; i >= 0; i -= 7) a[i] += a[i - 1 + (i == 0)]",
      "a[1] = 'x'; a[500] = a[1]; a[600, 3] = a[500] + a[1]; return a[600, 3]",
      "a[1.5] = 1; a[2.5] = 2; a[0.4, 1.6] = 3; return a[2] + a[0, 2]",
      // a text replaced by a real and back
      "v = 'text'; v = 2; v += 1; v = 'x'; return v",
      // failures: the value, the operator, the index, the variable
      "v = 1 + 'a'", "v = 'a'; v += 1", "v = 1; v -= 'a'", "v = 1; v /= 0", "v = 'a'; v *= 'b'",
      "w += 1", "a[2] += 1", "a[1] = 1; a[1, 0] -= 1", "a[-1] = 1", "a[32000] = 1", "a['x'] = 1",
      "a[1, -1] = 2", "a[1, 32000] = 2", "other.a[-0.6] = 1", "global.g[0, 'y'] += 1",
      "v = 1; v |= 'a'", "v = 'a'; v &= 1",
  });
}

TEST_F(CodeAssignTest, UserVariablesWithUnknownsAsZero) {
  g_Settings.opt_uninitzero = true;
  ExpectSameWays({
      "w += 2; return w",
      "a[5] += 1; other.b[1, 1] -= 3; return a[5] + other.b[1, 1]",
      "global.g *= 3; global.h += 'x'; return global.h",
  });
}

TEST_F(CodeAssignTest, BuiltinVariablesAgreeWithTheGeneralWay) {
  ExpectSameWays({
      "x = 5; y = 7; x += 1; y -= 2; return x * 100 + y",
      "speed = 3; direction = 90; direction += 45; speed *= 2; return vspeed",
      "hspeed = 2; vspeed = 2; hspeed -= 4; return speed + direction",
      "image_index = 2.5; image_index += 1; image_speed = 0.25; depth -= 3; return image_index",
      "alarm[2] = 5; alarm[2] += 1.4; alarm[12] = 3; alarm[1] = 2.5; return alarm[2] * 10 + alarm[0]",
      "x[3] = 10; y[1, 2] += 5; return x + y",
      "visible = 0.5; other.visible = 0.6; image_blend = 255.5; return visible",
      "other.x = 4; other.x += 1; other.speed = 2; return other.x",
      "score = 10; score += 5; return score",
      // a text goes to the setter as its real field
      "x = 'abc'; y = 'd' + 'e'; return x + y",
      // not marked: the argument variables keep the general way
      "argument0 = 3; argument0 += 1; argument[1] = 2; argument[1] *= 4; return argument0 + argument1",
      // failures: read-only variables after their value, operators, indices
      "id = 5", "id += 1", "object_index = 'a' + 1", "instance_count = 2", "bbox_left -= 1",
      "x = 1; x += 'a'", "x = 1 + 'a'", "x /= 0", "x[-1] = 3", "alarm[32000] = 1", "alarm['a'] += 1",
      "other.id *= 2",
  });
}

// The differential cases above compare something only when the compiler
// really marks these assignments, and marks nothing when told not to.
TEST_F(CodeAssignTest, TheCompilerMarksAssignmentsOfAFixedOwner) {
  const std::string program =
      "var l; l = 1; v = 1; self.a[l] = 2; other.b[1, 2] += 3; global.g = 4; x = 5; alarm[1] -= 6; "
      "(l).q = 7; local.w = 8; argument0 = 9; (0).v = 10; l += 1";
  const int32_t expected[] = {0, 0, RToken::kAssignToUser, RToken::kAssignToUser, RToken::kAssignToUser,
                              RToken::kAssignToUser, RToken::kAssignToBuiltin, RToken::kAssignToBuiltin,
                              0, 0, 0, 0, 0};
  const int32_t owner[] = {0, 0, SEL_UNSPECIFIED, SEL_SELF, SEL_OTHER, SEL_GLOBAL, SEL_UNSPECIFIED,
                           SEL_UNSPECIFIED, 0, 0, 0, 0, 0};
  for (const bool direct : {true, false}) {
    SetDirectWrites(direct);
    CCode code(program, false);
    ASSERT_TRUE(code.Compile());
    const RToken &root = code.Token();
    ASSERT_EQ(root.itemnumb, static_cast<int32_t>(std::size(expected)));
    for (int32_t i = 0; i < root.itemnumb; ++i) {
      const RToken &statement = root.Child(i);
      if (statement.kind != NODE_ASSIGN) continue;
      const int32_t want = direct || expected[i] == 0 ? expected[i] : 0;
      EXPECT_EQ(statement.aux, want) << "statement " << i << (direct ? " direct" : " general");
      if (want != 0) {
        EXPECT_EQ(statement.ind2, owner[i]) << "statement " << i;
      }
    }
  }
  SetDirectWrites(true);
}

// A `with` runs the body's writes for each instance; self and other change
// under the compiled assignments, which must follow them.
TEST_F(CodeAssignTest, WritesInsideWithFollowSelfAndOther) {
  ExpectSameWays({
      "n = 0; with (all) { x += 1; v = x * 2; other.n += 1 } return n",
      "with (other) { a[1] = 3; other.a[1] = 4; speed = 2 } return a[1]",
  });
}

}  // namespace
