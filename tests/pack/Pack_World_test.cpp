// Objects, time lines and triggers in a project: what the runner loads from
// the packed game, and the message a broken entry gets.
#include <gtest/gtest.h>

#include <sstream>

#include "Pack_Json.h"
#include "Pack_Main.h"
#include "Pack_Project.h"
#include "pack/Pack_TempDir.h"
#include "runner/Runner_Load.h"
#include "world/Object_Main.h"
#include "world/TimeLine_Main.h"
#include "world/Trigger_Main.h"

namespace {

std::string Fixture(const std::string &name) { return std::string(QUILLON_SOURCE_DIR) + "/tests/games/" + name; }

TEST(PackWorld, WorldFixtureArrivesInTheRunner) {
  PackTempDir tmp;
  const std::string out = tmp / "world.dat";
  std::ostringstream sout, serr;
  ASSERT_EQ(RunPacker({Fixture("world"), "-o", out, "--data", "--seed", "9"}, sout, serr), 0) << serr.str();
  testing::internal::CaptureStderr();
  const RLoadResult loaded = Runner_LoadGameFile(out);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // every action function was found
  ASSERT_TRUE(loaded.Loaded()) << (loaded.messages.empty() ? "" : loaded.messages[0]);

  ASSERT_EQ(TriggerCount(), 3);
  EXPECT_EQ(TriggerGet(0)->i_name, "Far right");
  EXPECT_EQ(TriggerGet(0)->i_condition, "return x > 600");
  EXPECT_EQ(TriggerGet(0)->i_moment, CTrigger::kEnd);
  EXPECT_FALSE(TriggerExists(1));
  EXPECT_EQ(TriggerGet(2)->i_moment, CTrigger::kBegin);
  EXPECT_EQ(TriggerFindConstant("trig_always"), 2);

  ASSERT_EQ(ObjectCount(), 4);
  EXPECT_FALSE(ObjectExists(2));
  EXPECT_EQ(ObjectFind("obj_wall"), 3);
  const CObject &player = *ObjectGet(1);
  EXPECT_EQ(player.o_parent, 0);
  EXPECT_EQ(player.o_spriteindex, 2);
  EXPECT_EQ(player.o_mask, 4);
  EXPECT_TRUE(player.o_solid);
  EXPECT_FALSE(player.o_visible);
  EXPECT_TRUE(player.o_persistent);
  EXPECT_EQ(player.o_depth, -5);
  EXPECT_EQ(ObjectGet(0)->o_depth, 10);
  EXPECT_TRUE(ObjectGet(3)->o_visible);

  // Inherited from obj_base, including its collision event named by object.
  int32_t owner = -1;
  const CEvent *create = player.GetEventRecursive(0, 0, &owner, 1);
  ASSERT_NE(create, nullptr);
  EXPECT_EQ(owner, 0);
  EXPECT_EQ(create->Action(0)->act_argstring[0], "hp = 3;");
  ASSERT_NE(player.GetEventRecursive(4, 3), nullptr);

  const CAction &step = *player.GetEventDirect(3, 0)->Action(0);
  EXPECT_EQ(step.act_kind, CAction::kCode);
  EXPECT_EQ(step.act_argstring[0], "x += 2;\n");
  EXPECT_TRUE(step.act_useapplyto);
  EXPECT_EQ(step.act_who, -1);

  const CEvent &space = *player.GetEventDirect(9, 32);
  ASSERT_EQ(space.Count(), 3);
  const CAction &call = *space.Action(0);
  EXPECT_EQ(call.act_exetype, CAction::kExeFunction);
  EXPECT_EQ(call.act_funcname, "scr_jump");
  EXPECT_EQ(call.act_functionid, 100000);
  EXPECT_EQ(call.act_libid, 1);
  EXPECT_EQ(call.act_id, 201);
  EXPECT_TRUE(call.act_userelative);
  EXPECT_TRUE(call.act_relative);
  EXPECT_EQ(call.act_argumentcount, 2);
  EXPECT_EQ(call.act_argstring[0], "8");
  EXPECT_EQ(call.act_argstring[1], "\"text\"");
  EXPECT_EQ(call.act_argtype[0], 0);
  EXPECT_EQ(call.act_argtype[1], 1);
  EXPECT_EQ(call.act_who, 3);
  EXPECT_TRUE(call.act_useapplyto);
  EXPECT_EQ(space.Action(1)->act_kind, CAction::kElse);
  EXPECT_EQ(space.Action(2)->act_kind, CAction::kExit);
  EXPECT_TRUE(player.GetEventDirect(11, 2)->Action(0)->act_isnot);
  EXPECT_NE(player.o_events[7].find(10), player.o_events[7].end());  // an event without actions is kept

  ASSERT_EQ(TimeLineCount(), 2);
  const CTimeLine &intro = *TimeLineGet(TimeLineFind("tl_intro"));
  EXPECT_EQ(intro.s_step, (std::vector<int32_t>{0, 30}));  // in step order
  EXPECT_EQ(intro.s_event[0]->Count(), 2);
  EXPECT_EQ(intro.s_event[1]->Action(0)->act_argstring[0], "instance_create(0, 0, obj_player);");
  EXPECT_EQ(TimeLineGet(1)->Count(), 0);
}

class PackWorldErrors : public ::testing::Test {
protected:
  std::string Read(const std::string &fields) {
    const std::string text = R"({"game_id": 1, "rooms": [{"name": "r"}], )" + fields + "}";
    try {
      RGameModel game;
      ReadProjectText(text, "game.json", ProjectFiles(dir.Path()), game);
      return "";
    } catch (const PackError &e) {
      return e.what();
    }
  }
  PackTempDir dir;
};

TEST_F(PackWorldErrors, BrokenEntriesNameFileFieldAndFault) {
  struct Case { const char *fields; const char *message; };
  const Case cases[] = {
      {R"("objects": [{"name": "a"}, {"name": "a"}])", "game.json: objects[1].name: the name \"a\" is already used by objects[0]"},
      {R"("objects": [{"depth": 1}])", "game.json: objects[0].name: missing field"},
      {R"("objects": [{"name": "a", "parent": "b"}])", "game.json: objects[0].parent: no object is named \"b\""},
      {R"("objects": [{"name": "a", "parent": 1}, null])", "game.json: objects[0].parent: no object has the index 1"},
      {R"("objects": [{"name": "a", "parent": "b"}, {"name": "b", "parent": 0}])",
       "game.json: objects[0].parent: the parent chain of \"a\" comes back to it"},
      {R"("objects": [{"name": "a", "parent": 0}])", "game.json: objects[0].parent: the parent chain of \"a\" comes back to it"},
      {R"("objects": [{"name": "a", "sprite": -2}])", "game.json: objects[0].sprite: expected an integer from -1 to 2147483647"},
      {R"("objects": [{"name": "a", "solid": 1}])", "game.json: objects[0].solid: expected true or false, found an integer"},
      {R"("objects": [{"name": "a", "colour": 1}])", "game.json: objects[0].colour: unknown field"},
      {R"("objects": [{"name": "a", "events": [{"type": "jump"}]}])",
       "game.json: objects[0].events[0].type: expected one of \"create\", \"destroy\", \"alarm\", \"step\", \"collision\", "
       "\"keyboard\", \"mouse\", \"other\", \"draw\", \"keypress\", \"keyrelease\", \"trigger\" (or 0..11), found \"jump\""},
      {R"("objects": [{"name": "a", "events": [{"type": 12}]}])", "game.json: objects[0].events[0].type: expected an integer from 0 to 11"},
      {R"("objects": [{"name": "a", "events": [{"type": "alarm", "number": -1}]}])",
       "game.json: objects[0].events[0].number: expected an integer from 0 to 2147483647"},
      {R"("objects": [{"name": "a", "events": [{"type": "step", "number": "end"}]}])",
       "game.json: objects[0].events[0].number: expected an integer event number (names are for collision and trigger events)"},
      {R"("objects": [{"name": "a", "events": [{"type": "collision"}]}])", "game.json: objects[0].events[0].number: missing field"},
      {R"("objects": [{"name": "a", "events": [{"type": "collision", "number": 4}]}])",
       "game.json: objects[0].events[0].number: no object has the index 4"},
      {R"("objects": [{"name": "a", "events": [{"type": "trigger", "number": "t"}]}])",
       "game.json: objects[0].events[0].number: no trigger has the constant \"t\""},
      {R"("objects": [{"name": "a", "events": [{"type": "trigger", "number": 0}]}])",
       "game.json: objects[0].events[0].number: no trigger has the index 0"},
      {R"("objects": [{"name": "a", "events": [{"type": "draw"}, {"type": 8, "number": 0}]}])",
       "game.json: objects[0].events[1]: the same event as objects[0].events[0]"},
      {R"("objects": [{"name": "a", "events": [{"type": "draw", "actions": [{"code": "x", "code_file": "y.qs"}]}]}])",
       "game.json: objects[0].events[0].actions[0].code_file: give either \"code\" or \"code_file\", not both"},
      {R"("objects": [{"name": "a", "events": [{"type": "draw", "actions": [{"code_file": "none.qs"}]}]}])",
       "game.json: objects[0].events[0].actions[0].code_file: file not found: none.qs"},
      {R"("objects": [{"name": "a", "events": [{"type": "draw", "actions": [{"code": "x", "function": "f"}]}]}])",
       "game.json: objects[0].events[0].actions[0].function: a code action takes its text from \"code\" or \"code_file\" alone"},
      {R"("objects": [{"name": "a", "events": [{"type": "draw", "actions": [{"execute": "function"}]}]}])",
       "game.json: objects[0].events[0].actions[0]: an action that calls a function needs \"function\""},
      {R"("objects": [{"name": "a", "events": [{"type": "draw", "actions": [{"kind": "loop"}]}]}])",
       "game.json: objects[0].events[0].actions[0].kind: expected one of \"normal\", \"begin\", \"end\", \"else\", \"exit\", "
       "\"repeat\", \"variable\", \"code\" (or 0..7), found \"loop\""},
      {R"("objects": [{"name": "a", "events": [{"type": "draw", "actions": [{"arguments": ["1","2","3","4","5","6","7","8","9"]}]}]}])",
       "game.json: objects[0].events[0].actions[0].arguments: at most 8 arguments, found 9"},
      {R"("objects": [{"name": "a", "events": [{"type": "draw", "actions": [{"arguments": [{"kind": 1}]}]}]}])",
       "game.json: objects[0].events[0].actions[0].arguments[0].text: missing field"},
      {R"("objects": [{"name": "a", "events": [{"type": "draw", "actions": [{"code": "", "applies_to": "nobody"}]}]}])",
       "game.json: objects[0].events[0].actions[0].applies_to: no object is named \"nobody\""},
      {R"("objects": [{"name": "a", "events": [{"type": "draw", "actions": [{"code": "", "applies_to": -3}]}]}])",
       "game.json: objects[0].events[0].actions[0].applies_to: expected an integer from -2 to 2147483647"},
      {R"("time_lines": [{"name": "t", "moments": [{"step": 1}, {"step": 1}]}])",
       "game.json: time_lines[0].moments[1].step: a moment at step 1 is already given"},
      {R"("time_lines": [{"name": "t", "moments": [{"step": -1}]}])",
       "game.json: time_lines[0].moments[0].step: expected an integer from 0 to 2147483647"},
      {R"("time_lines": [{"name": "t", "moments": [{"actions": []}]}])", "game.json: time_lines[0].moments[0].step: missing field"},
      {R"("time_lines": [{"name": "t", "moments": [{"step": 0, "actions": [{"code": "", "applies_to": "obj"}]}]}])",
       "game.json: time_lines[0].moments[0].actions[0].applies_to: no object is named \"obj\""},
      {R"("time_lines": [{"name": "t"}, {"name": "t"}])", "game.json: time_lines[1].name: the name \"t\" is already used by time_lines[0]"},
      {R"("triggers": [{"name": "t"}])", "game.json: triggers[0].condition: missing field"},
      {R"("triggers": [{"name": "t", "condition": "1", "moment": "later"}])",
       "game.json: triggers[0].moment: expected one of \"middle\", \"begin\", \"end\" (or 0..2), found \"later\""},
      {R"("triggers": [{"name": "t", "condition": "1", "constant": "2x"}])",
       "game.json: triggers[0].constant: \"2x\" is not a valid constant name (a letter or _ first, then letters, digits or _)"},
      {R"("triggers": [{"name": "t", "condition": "1", "constant": "c"}, {"name": "u", "condition": "1", "constant": "c"}])",
       "game.json: triggers[1].constant: the constant \"c\" is already used by triggers[0].constant"},
  };
  for (const Case &c : cases) EXPECT_EQ(Read(c.fields), c.message) << c.fields;
  // The same names, used correctly, are accepted.
  EXPECT_EQ(Read(R"("triggers": [{"name": "t", "condition": "1", "constant": "c"}],
                    "objects": [{"name": "a", "parent": "b", "events": [{"type": "trigger", "number": "c"},
                                 {"type": "collision", "number": "a"}]}, {"name": "b"}],
                    "time_lines": [{"name": "t", "moments": [{"step": 0, "actions": [{"code": "", "applies_to": "a"}]}]}])"),
            "");
}

}  // namespace
