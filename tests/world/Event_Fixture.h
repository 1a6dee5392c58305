// Objects with events built in a few lines, compiled for real and run in a
// world of real instances; note(v) in their code records what ran.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Main.h"
#include "code/Code_Function.h"
#include "code/Code_World.h"
#include "code/Variable_Main.h"
#include "support/Code_Test_Host.h"
#include "support/Instance_World.h"
#include "world/Event_Main.h"
#include "world/Object_Lists.h"
#include "world/Object_Main.h"
#include "world/Run_Main.h"
#include "world/TimeLine_Main.h"
#include "world/Trigger_Main.h"

class EventFixture : public ::testing::Test {
public:
  CCodeHost host;  // the tables, the note() function and fresh error state
  CInstanceWorld world;

  EventFixture() {
    if (FunctionFind("event_perform") < 0) {
      Object_Main_Init();
      TimeLine_Main_Init();
    }
    if (FunctionFind("pend") < 0) FunctionAdd("pend", F_Pend, 1);
    Event_InstallProviders();
    Reset();
    SetWorld(&world);
  }
  ~EventFixture() override {
    SetWorld(nullptr);
    Reset();
  }

  static void Reset() {
    g_Objects.Clear();
    g_TimeLines.Clear();
    g_Triggers.Clear();
    g_PendingCode = kPendingNone;
    g_EventContext = REventContext{};
    Object_BuildEventLists();
  }

  // pend(code): requests a game-state change, as room_goto and game_end do.
  static void F_Pend(CInstance *, CInstance *, int, RValue *args, RValue &) {
    g_PendingCode = static_cast<int32_t>(args[0].val);
  }

  // A new object (named as given) with an optional parent.
  static int AddObject(std::string_view name, int parent = -1) {
    const int index = ObjectAdd();
    g_Objects.names[static_cast<size_t>(index)] = std::string(name);
    ObjectGet(index)->o_parent = parent;
    return index;
  }
  static CEvent &Event(int object, int etype, int enumb) { return *ObjectGet(object)->CreateEvent(etype, enumb); }

  static CAction &Code(CEvent &ev, std::string_view text) { return ev.AddCodeAction(text); }
  static CAction &Control(CEvent &ev, int32_t kind) {
    return *ev.e_actions.emplace_back(std::make_unique<CAction>(kind));
  }
  // A code action asked as a question: its code returns the answer.
  static CAction &Question(CEvent &ev, std::string_view text, bool isnot = false) {
    CAction &a = Code(ev, text);
    a.act_isquestion = true;
    a.act_isnot = isnot;
    return a;
  }
  // A function action calling the named function with the argument texts,
  // each of the given kind.
  static CAction &Call(CEvent &ev, std::string_view function, std::vector<std::string> args, int32_t kind = 0) {
    CAction &a = *ev.e_actions.emplace_back(std::make_unique<CAction>(CAction::kNormal));
    a.act_exetype = CAction::kExeFunction;
    a.act_funcname = std::string(function);
    a.act_functionid = FunctionFind(function);
    a.act_argumentcount = static_cast<int32_t>(args.size());
    for (size_t i = 0; i < args.size(); ++i) {
      a.act_argtype[i] = kind;
      a.act_argstring[i] = args[i];
    }
    return a;
  }

  // An instance of the object with its id also in its variable `me`, for
  // code to name instances by.
  CInstance &Add(int object) {
    CInstance &inst = world.Add(object);
    inst.i_vars.SetVar(VariableIndex("me"), 0, RValue::Real(inst.i_id));
    return inst;
  }

  // Runs code as the last user event (other 25) of inst's object, so that
  // errors name that event.
  static void RunInEvent(CInstance &inst, std::string_view code) {
    CEvent &ev = Event(inst.i_objectindex, 7, 25);
    ev.Clear();
    Code(ev, code);
    ASSERT_TRUE(ev.Compile());
    PerformEvent(&inst, &inst, inst.i_objectindex, 7, 25);
  }

  static std::string Notes() {
    std::string out;
    for (const std::string &n : CCodeHost::Notes()) out += (out.empty() ? "" : " ") + n;
    CCodeHost::Notes().clear();
    return out;
  }
  static RValue Var(CInstance &inst, std::string_view name) {
    RValue v;
    inst.i_vars.GetVar(VariableIndex(name), 0, v);
    return v;
  }
};
