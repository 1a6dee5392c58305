// The event engine through compiled actions: the parent chain, the control
// flow of blocks, questions, else, repeat and exit, whom an action applies
// to, the arguments a code action sees, and the pending game-state code.
#include <gtest/gtest.h>

#include "code/Code_Exec.h"
#include "code/Code_Main.h"
#include "code/Variable_BuiltIn.h"
#include "world/Event_Action.h"
#include "world/Event_Fixture.h"

namespace {

using EventEngine = EventFixture;

TEST_F(EventEngine, EventsAreFoundThroughTheParentChain) {
  const int grand = AddObject("grand");
  const int parent = AddObject("parent", grand);
  const int child = AddObject("child", parent);
  Code(Event(grand, 3, 0), "note('grand step'); note(event_object)");
  Code(Event(parent, 0, 0), "note('parent create')");
  Event(child, 0, 0);  // present but without actions: counts as absent
  Code(Event(child, 2, 1), "note('child alarm')");
  Code(Event(parent, 2, 1), "note('parent alarm')");
  ASSERT_TRUE(Object_CompileAll());
  CInstance &c = Add(child);
  const REventContext before = g_EventContext;

  const struct {
    int etype, enumb;
    const char *ran;
  } cases[] = {
      {0, 0, "parent create"},
      {3, 0, "grand step 0"},  // event_object names the object the event was found in
      {2, 1, "child alarm"},   // the own event is preferred
      {2, 2, ""},
      {8, 0, ""},
  };
  for (const auto &tc : cases) {
    PerformEvent(&c, &c, child, tc.etype, tc.enumb);
    EXPECT_EQ(Notes(), tc.ran) << tc.etype << "," << tc.enumb;
  }
  // The context is back to what it was after each event.
  EXPECT_EQ(g_EventContext.object, before.object);
  EXPECT_EQ(g_EventContext.type, before.type);
  EXPECT_EQ(g_EventContext.number, before.number);
}

TEST_F(EventEngine, CollisionEventsMatchAncestorsOfTheOtherObject) {
  const int wall = AddObject("wall");
  const int brick = AddObject("brick", wall);
  const int glass = AddObject("glass", brick);
  const int ball = AddObject("ball");
  Code(Event(ball, 4, wall), "note('wall')");
  Code(Event(ball, 4, brick), "note('brick')");
  ASSERT_TRUE(Object_CompileAll());
  CInstance &b = Add(ball);
  CInstance &g = Add(glass);

  PerformEvent(&b, &g, ball, 4, glass);  // nearest ancestor of glass first
  EXPECT_EQ(Notes(), "brick");
  PerformEvent(&b, &g, ball, 4, wall);
  EXPECT_EQ(Notes(), "wall");
  PerformEvent(&b, &g, ball, 4, ball);
  EXPECT_EQ(Notes(), "");
}

// The actions of one event, spelled briefly: "?1"/"?0" a question answering
// true/false ("!?1" inverted), "{" "}" a block, "else", "exit", "repeat N"
// (N a constant or an expression), anything else a code action.
void Build(CEvent &ev, const std::vector<std::string> &actions) {
  for (const std::string &s : actions) {
    if (s == "{") EventFixture::Control(ev, CAction::kBeginBlock);
    else if (s == "}") EventFixture::Control(ev, CAction::kEndBlock);
    else if (s == "else") EventFixture::Control(ev, CAction::kElse);
    else if (s == "exit") EventFixture::Control(ev, CAction::kExit);
    else if (s.rfind("repeat ", 0) == 0) {
      CAction &a = EventFixture::Control(ev, CAction::kRepeat);
      a.act_argumentcount = 1;
      a.act_argstring[0] = s.substr(7);
    } else if (s.rfind("!?", 0) == 0) EventFixture::Question(ev, "return " + s.substr(2), true);
    else if (s[0] == '?') EventFixture::Question(ev, "return " + s.substr(1));
    else EventFixture::Code(ev, "note(" + s + ")");
  }
}

TEST_F(EventEngine, ControlFlowOfActions) {
  const struct {
    std::vector<std::string> actions;
    const char *ran;
  } cases[] = {
      {{"?1", "1", "else", "2", "3"}, "1 3"},
      {{"?0", "1", "else", "2", "3"}, "2 3"},
      {{"!?0", "1", "else", "2"}, "1"},
      {{"1", "else", "2"}, "1 2"},  // an else not after a question does nothing
      {{"?0", "{", "1", "2", "}", "3"}, "3"},
      {{"?1", "{", "1", "2", "}", "else", "{", "3", "}", "4"}, "1 2 4"},
      {{"?0", "{", "1", "{", "2", "}", "}", "else", "{", "3", "}", "4"}, "3 4"},
      {{"?0", "?1", "1", "2"}, "2"},  // a skipped question takes its action along
      {{"?1", "?0", "1", "else", "2", "3"}, "2 3"},
      {{"1", "exit", "2"}, "1"},
      {{"?1", "{", "1", "exit", "2", "}", "3"}, "1"},
      {{"repeat 2.5", "1", "2"}, "1 1 2"},
      {{"repeat 3.5", "1"}, "1 1 1 1"},
      {{"repeat 0", "1", "2"}, "2"},
      {{"repeat -2", "{", "1", "}", "2"}, "2"},
      {{"repeat 1+1", "{", "1", "?0", "2", "}", "3"}, "1 1 3"},
      {{"repeat 2", "repeat 2", "1"}, "1 1 1 1"},
      {{"repeat 3", "{", "1", "exit", "}", "2"}, "1"},
  };
  int n = 0;
  for (const auto &tc : cases) {
    g_Objects.Clear();
    const int obj = AddObject("o" + std::to_string(n++));
    Build(Event(obj, 0, 0), tc.actions);
    ASSERT_TRUE(Object_CompileAll());
    CInstance &inst = Add(obj);
    PerformEvent(&inst, &inst, obj, 0, 0);
    std::string spelled;
    for (const std::string &s : tc.actions) spelled += s + " ";
    EXPECT_EQ(Notes(), tc.ran) << spelled;
  }
}

// Hostile data nests blocks far deeper than any game; the event stops
// instead of running out of stack.
TEST_F(EventEngine, DeepNestingStopsTheEvent) {
  const int obj = AddObject("deep");
  CEvent &ev = Event(obj, 0, 0);
  for (int i = 0; i < 200000; ++i) Control(ev, CAction::kBeginBlock);
  Code(ev, "note(1)");
  ASSERT_TRUE(Object_CompileAll());
  CInstance &inst = Add(obj);
  PerformEvent(&inst, &inst, obj, 0, 0);
  EXPECT_EQ(Notes(), "");
  EXPECT_EQ(SkipAction(ev, 0), kActionStop);
}

TEST_F(EventEngine, AppliesToSelfOtherOrEveryInstanceOfAnObject) {
  const int actor = AddObject("actor");
  const int target = AddObject("target");
  const int sub = AddObject("sub", target);
  const int nobody = AddObject("nobody");
  CEvent &ev = Event(actor, 7, 10);
  Code(ev, "note(me); note(other.me)").act_useapplyto = true;  // who -1: self
  CAction &toOther = Code(ev, "note(me); note(other.me)");
  toOther.act_useapplyto = true;
  toOther.act_who = -2;
  CAction &toObject = Code(ev, "note(me); note(other.me)");
  toObject.act_useapplyto = true;
  toObject.act_who = target;
  ASSERT_TRUE(Object_CompileAll());
  CInstance &self = Add(actor);    // 100001
  CInstance &other = Add(actor);   // 100002
  Add(target);                     // 100003
  Add(sub);                        // 100004
  Add(target).i_marked = true;     // 100005: skipped
  PerformEvent(&self, &other, actor, 7, 10);
  EXPECT_EQ(Notes(), "100001 100002 100002 100001 100003 100002 100004 100002");

  // A question over an object's instances is true only when every instance
  // answers true, and true when there is none.
  const struct {
    int who;
    const char *answer;
    const char *ran;
  } questions[] = {
      {nobody, "return 0", "yes"},
      {target, "return me < 100010", "yes"},
      {target, "note(me); return me != 100003", "100003 no"},  // the first false ends the walk
      {sub, "return me == 100004", "yes"},
  };
  for (const auto &q : questions) {
    CEvent &qe = Event(actor, 7, 11);
    qe.Clear();
    CAction &a = Question(qe, q.answer);
    a.act_useapplyto = true;
    a.act_who = q.who;
    Code(qe, "note('yes')");
    Control(qe, CAction::kElse);
    Code(qe, "note('no')");
    ASSERT_TRUE(qe.Compile());
    PerformEvent(&self, &other, actor, 7, 11);
    EXPECT_EQ(Notes(), q.ran) << q.answer;
  }
}

TEST_F(EventEngine, FunctionActionsGetTheirArgumentsAndRelativeFlag) {
  const int obj = AddObject("caller");
  CEvent &ev = Event(obj, 0, 0);
  CAction &call = Call(ev, "note", {"k * 2"});
  call.act_userelative = true;
  call.act_relative = true;
  Call(ev, "note", {"argument_relative"});  // no relative option: false
  Call(ev, "note", {"plain text"}, 1);
  host.AddScript("twice_note", "note(argument0 + argument0); return 1");
  ASSERT_EQ(host.CompileScripts(), "");
  CAction &script = Call(ev, "twice_note", {"'ab'"});
  script.act_isquestion = true;
  Code(ev, "note('script said yes')");
  ASSERT_TRUE(Object_CompileAll());
  CInstance &inst = Add(obj);
  inst.i_vars.SetVar(VariableIndex("k"), 0, RValue::Real(21));
  PerformEvent(&inst, &inst, obj, 0, 0);
  EXPECT_EQ(Notes(), "42 0 plain text abab script said yes");
}

bool NoteExtension(int index, CInstance *, CInstance *, int argc, RValue *args, RValue &result) {
  CCodeHost::Notes().push_back("ext " + std::to_string(index) + " " + std::to_string(argc) + " " + args[1].str.str());
  result.SetReal(1);
  return true;
}

TEST_F(EventEngine, ExtensionFunctionActionsGoThroughTheInterpreter) {
  const int obj = AddObject("ext");
  CEvent &ev = Event(obj, 0, 0);
  CAction &call = Call(ev, "ext_fn", {"1 + 1", "'two'"});
  call.act_functionid = kFunctionExtensionBase + 3;
  call.act_isquestion = true;
  Code(ev, "note('answered yes')");
  ASSERT_TRUE(Object_CompileAll());
  CInstance &inst = Add(obj);
  SetExtensionCallHandler(NoteExtension);
  PerformEvent(&inst, &inst, obj, 0, 0);
  SetExtensionCallHandler(nullptr);
  EXPECT_EQ(Notes(), "ext 3 2 two answered yes");

  // Without the extension machinery the call fails as an action error.
  PerformEvent(&inst, &inst, obj, 0, 0);
  EXPECT_EQ(Notes(), "");
  EXPECT_NE(ErrorLast().find("for object ext:"), std::string::npos) << ErrorLast();
}

TEST_F(EventEngine, CodeActionsSeeTheirArgumentsAndGiveBackTheCallers) {
  const int obj = AddObject("coder");
  CEvent &ev = Event(obj, 0, 0);
  // An action of a library that runs its code with arguments.
  CAction &a = Control(ev, CAction::kNormal);
  a.act_exetype = CAction::kExeCode;
  a.act_argumentcount = 2;
  a.act_argtype[0] = 0;
  a.act_argstring[0] = "20 + 1";
  a.act_argtype[1] = 1;
  a.act_argstring[1] = "text";
  a.act_userelative = true;
  a.act_relative = true;
  a.act_codestring = "note(argument0); note(argument1); note(argument2); note(argument_relative);"
                     "argument0 = 'changed';";
  Code(ev, "note(argument_relative)");
  ASSERT_TRUE(Object_CompileAll());
  CInstance &inst = Add(obj);

  g_ScriptCall.argument[0] = RValue::Str("outer 0");
  g_ScriptCall.argument[2] = RValue::Str("outer 2");
  ScriptArgumentsChanged();
  g_EventContext.relative = false;
  PerformEvent(&inst, &inst, obj, 0, 0);
  EXPECT_EQ(Notes(), "21 text outer 2 1 0");
  EXPECT_EQ(g_ScriptCall.argument[0].str.str(), "outer 0");
  EXPECT_EQ(g_ScriptCall.argument[1].val, 0);
  EXPECT_FALSE(g_EventContext.relative);
}

TEST_F(EventEngine, APendingCodeStopsTheFollowingActionsOnly) {
  const int obj = AddObject("goer");
  CEvent &ev = Event(obj, 0, 0);
  Code(ev, "note(1); pend(3); note(2)");
  Code(ev, "note(3)");
  const int next = AddObject("next");
  Code(Event(next, 0, 0), "note('next')");
  ASSERT_TRUE(Object_CompileAll());
  Add(obj);
  Add(next);
  PerformEventAll(0, 0);
  EXPECT_EQ(Notes(), "1 2");
  EXPECT_EQ(g_PendingCode, 3);

  // While a code is pending no event starts.
  CInstance *n = world.InstanceAt(1);
  PerformEvent(n, n, next, 0, 0);
  EXPECT_EQ(Notes(), "");

  // Over an object's instances the walk stops at the request too.
  g_PendingCode = kPendingNone;
  CEvent &walk = Event(next, 7, 10);
  CAction &a = Code(walk, "note(me); pend(-100)");
  a.act_useapplyto = true;
  a.act_who = obj;
  Code(walk, "note('after')");
  ASSERT_TRUE(walk.Compile());
  Add(obj);
  PerformEvent(n, n, next, 7, 10);
  EXPECT_EQ(Notes(), "100001");
}

TEST_F(EventEngine, EventAllSkipsMarkedAndLaterInstances) {
  const int obj = AddObject("spawner");
  Code(Event(obj, 3, 0), "note(me)");
  ASSERT_TRUE(Object_CompileAll());
  Add(obj);
  Add(obj).i_marked = true;
  Add(obj);
  PerformEventAll(3, 0);
  EXPECT_EQ(Notes(), "100001 100003");
}

// Events that raise themselves without end are refused at a fixed depth
// with an error instead of exhausting the stack.
TEST_F(EventEngine, EndlessEventRecursionIsRefused) {
  for (const bool throughCode : {false, true}) {
    Reset();
    ErrorReset();
    const int obj = AddObject("loop");
    CEvent &ev = Event(obj, 7, 10);
    if (throughCode) {
      Code(ev, "note(1); event_user(0)");
    } else {
      Call(ev, "note", {"1"});
      Call(ev, "event_user", {"0"});
    }
    ASSERT_TRUE(Object_CompileAll());
    CInstance &inst = Add(obj);
    PerformEvent(&inst, &inst, obj, 7, 10);
    EXPECT_EQ(CCodeHost::Notes().size(), static_cast<size_t>(kMaxEventDepth)) << throughCode;
    CCodeHost::Notes().clear();
    EXPECT_NE(ErrorLast().find(kMsgEventRecursion), std::string::npos) << throughCode;
    EXPECT_EQ(Event_Depth(), 0);
  }
}

TEST_F(EventEngine, EventVariablesAndErrorsNameTheRunningAction) {
  const int obj = AddObject("clock");
  CEvent &ev = Event(obj, 2, 3);
  Code(ev, "note(event_object); note(event_type); note(event_number); note(event_action)");
  Code(ev, "undefined_thing += 1");
  ASSERT_TRUE(Object_CompileAll());
  CInstance &inst = Add(obj);
  PerformEvent(&inst, &inst, obj, 2, 3);
  EXPECT_EQ(Notes(), "0 2 3 0");
  EXPECT_EQ(ErrorLast().rfind("ERROR in\r\naction number 2\r\nof Alarm Event for alarm 3\r\nfor object clock:\r\n\r\n", 0),
            0u)
      << ErrorLast();
}

TEST_F(EventEngine, ActionCompilation) {
  const int obj = AddObject("compiled");
  CEvent &ev = Event(obj, 0, 0);
  CAction &var = Control(ev, CAction::kVariable);
  var.act_exetype = CAction::kExeCode;
  var.act_argstring[0] = "hits";
  var.act_argstring[1] = "2 * 3";
  CAction &rel = Control(ev, CAction::kVariable);
  rel.act_exetype = CAction::kExeCode;
  rel.act_relative = true;
  rel.act_argstring[0] = "hits";
  rel.act_argstring[1] = "1";
  CAction &args = Call(ev, "note", {"2 + 3", "k + 1", "'quoted'", "unquoted", "\"dq\" + 'x'", "k"});
  args.act_argtype = {0, 0, 2, 2, 2, 15, 0, 0};
  ASSERT_TRUE(Object_CompileAll());

  EXPECT_EQ(var.act_kind, CAction::kNormal);
  EXPECT_EQ(var.act_argumentcount, 0);
  EXPECT_TRUE(var.act_argstring[0].empty());
  const struct {
    int32_t kind;
    const char *constant;  // the constant as text, or null for an expression
  } expect[] = {{-1, "5"}, {0, nullptr}, {-1, "quoted"}, {-1, "unquoted"}, {-1, "dqx"}, {-1, "k"}};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(args.act_argtype[static_cast<size_t>(i)], expect[i].kind);
    EXPECT_TRUE(args.act_argstring[static_cast<size_t>(i)].empty());
    EXPECT_EQ(args.act_argcode[static_cast<size_t>(i)] != nullptr, expect[i].constant == nullptr);
    if (expect[i].constant) {
      const RValue &v = args.act_argvalue[static_cast<size_t>(i)];
      EXPECT_EQ(v.IsString() ? v.str.str() : std::to_string(static_cast<int>(v.val)), expect[i].constant);
    }
  }

  ASSERT_TRUE(Object_CompileAll());  // a second compilation keeps what the first made
  CInstance &inst = Add(obj);
  inst.i_vars.SetVar(VariableIndex("k"), 0, RValue::Real(9));
  PerformEvent(&inst, &inst, obj, 0, 0);
  EXPECT_EQ(Var(inst, "hits").val, 7);
  EXPECT_EQ(Notes(), "5");
}

std::string CompilerMessage(std::string_view text, bool isexp) {
  CCode code(text, isexp);
  EXPECT_FALSE(code.Compile());
  std::string message = CodeErrorText();
  CodeErrorClear();
  return message;
}

TEST_F(EventEngine, CompileErrorsAreFatalAndStopTheCompilation) {
  const struct {
    bool code;
    const char *text;
    const char *expected_prefix;
  } cases[] = {
      {true, "a = ;", "COMPILATION ERROR in code action\r"},
      {false, "1 +", "COMPILATION ERROR in argument 1\r"},
  };
  for (const auto &tc : cases) {
    ErrorReset();
    Reset();
    const int first = AddObject("first");
    const int broken = AddObject("broken");
    const int later = AddObject("later");
    Code(Event(first, 0, 0), "x = 1");
    CEvent &ev = Event(broken, 3, 2);
    Code(ev, "note(1)");
    if (tc.code) Code(ev, tc.text);
    else Call(ev, "note", {"1", tc.text});
    CAction &unreached = Code(Event(later, 0, 0), "y = 1");

    EXPECT_FALSE(Object_CompileAll());
    EXPECT_TRUE(ErrorAborting());
    EXPECT_EQ(ErrorLast(), tc.expected_prefix + CompilerMessage(tc.text, !tc.code));
    EXPECT_FALSE(unreached.act_argstring[0].empty()) << "compilation goes no further";
  }
}

TEST_F(EventEngine, TimeLineCompileErrorsStopAtTheFirstBrokenMoment) {
  const int t = TimeLineAdd();
  g_TimeLines.names[static_cast<size_t>(t)] = "intro";
  TimeLineGet(t)->AddMoment(0).AddCodeAction("ok = 1");
  TimeLineGet(t)->AddMoment(40).AddCodeAction("a = ;");
  EXPECT_FALSE(TimeLine_CompileAll());
  EXPECT_TRUE(ErrorAborting());
  EXPECT_EQ(ErrorLast(), "COMPILATION ERROR in code action\r" + CompilerMessage("a = ;", false));
}

}  // namespace
