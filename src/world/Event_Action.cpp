#include "world/Event_Action.h"

#include <algorithm>
#include <memory>
#include <new>
#include <utility>

#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Code_Operator.h"
#include "code/Code_World.h"
#include "code/Variable_BuiltIn.h"
#include "world/Event_Class.h"
#include "world/Event_Main.h"
#include "world/Object_Main.h"
#include "world/Run_Main.h"

namespace {

// Blocks and chains of questions and repeats recurse once per level. Game
// data decides how deep that goes, so beyond this many levels (across all
// running events) the event stops instead of exhausting the stack.
constexpr int kMaxActionNesting = 4096;
int s_nesting = 0;

class CNestingGuard {
public:
  CNestingGuard() { ++s_nesting; }
  ~CNestingGuard() { --s_nesting; }
  CNestingGuard(const CNestingGuard &) = delete;
  CNestingGuard &operator=(const CNestingGuard &) = delete;
  bool TooDeep() const { return s_nesting > kMaxActionNesting; }
};

// The arguments in use: at most the eight an action has.
int ArgumentCount(const CAction &a) { return std::clamp(a.act_argumentcount, 0, CAction::kMaxArguments); }

// The value of argument i: its constant, or its expression run for (self,
// other). An argument that was never compiled counts as real 0.
RValue Argument(const CAction &a, int i, CInstance *self, CInstance *other) {
  const auto k = static_cast<size_t>(i);
  if (a.act_argtype[k] == CAction::kArgExpression && a.act_argcode[k]) {
    RValue v;
    ExecuteCode(self, other, *a.act_argcode[k], v);
    return v;
  }
  return a.act_argvalue[k];
}

// The interpreter owns the calls of extension functions; an action reaches
// one through a small compiled call with the evaluated arguments as its
// constants.
void CallExtension(const CAction &a, CInstance *self, CInstance *other, const RValue *args, int argc,
                   RValue &result) {
  CCode call(a.act_funcname, true);
  RToken &root = call.i_token;
  root.kind = NODE_CALL;
  root.ind = a.act_functionid;
  root.position = 1;
  root.itemnumb = argc;
  if (argc > 0) root.items = std::make_unique<RToken[]>(static_cast<size_t>(argc));
  for (int i = 0; i < argc; ++i) {
    RToken &arg = root.items[static_cast<size_t>(i)];
    arg.kind = NODE_CONSTANT;
    arg.position = 1;
    arg.value = args[i];
  }
  call.i_kind = CCode::kExpression;
  call.i_compiled = true;
  ExecuteCode(self, other, call, result);
}

bool CallFunction(const CAction &a, CInstance *self, CInstance *other) {
  g_EventContext.relative = a.act_userelative && a.act_relative;
  RValue args[kMaxCallArguments];
  const int argc = ArgumentCount(a);
  for (int i = 0; i < argc; ++i) args[i] = Argument(a, i, self, other);
  RValue result;
  const int32_t id = a.act_functionid;
  if (id >= kFunctionExtensionBase) {
    CallExtension(a, self, other, args, argc, result);
  } else if (id >= kFunctionScriptBase) {
    if (!CallScript(id - kFunctionScriptBase, self, other, result, true, args, argc)) {
      const std::string text = CodeErrorText();
      CodeErrorClear();
      ReportActionError(text, false);
    }
  } else if (TRoutine routine = FunctionRoutine(id)) {
    routine(self, other, argc, args, result);
  }
  return RealIsTrue(result.val) != a.act_isnot;
}

// Gives the code of an action its arguments as argument0.. and its relative
// flag, and puts the previous ones back afterwards (also when an arithmetic
// trap abandons the code).
class CActionArguments {
public:
  CActionArguments(const CAction &a, CInstance *self, CInstance *other)
      : m_count(ArgumentCount(a)), m_relative(g_EventContext.relative) {
    g_EventContext.relative = a.act_userelative && a.act_relative;
    // Most code actions take no arguments: they then save nothing.
    if (m_count == 0) return;
    for (int i = 0; i < m_count; ++i) ::new (static_cast<void *>(Saved(i))) RValue(g_ScriptCall.argument[i]);
    try {
      for (int i = 0; i < m_count; ++i) g_ScriptCall.argument[i] = Argument(a, i, self, other);
    } catch (...) {
      // An arithmetic trap in an argument abandons the action: the caller's
      // arguments and flag come back as they would after the code.
      Restore();
      throw;
    }
    ScriptArgumentsChanged();
  }
  ~CActionArguments() { Restore(); }
  CActionArguments(const CActionArguments &) = delete;
  CActionArguments &operator=(const CActionArguments &) = delete;

private:
  void Restore() {
    if (m_count > 0) {
      for (int i = 0; i < m_count; ++i) {
        g_ScriptCall.argument[i] = std::move(*Saved(i));
        Saved(i)->~RValue();
      }
      ScriptArgumentsChanged();
    }
    g_EventContext.relative = m_relative;
  }
  RValue *Saved(int i) { return std::launder(reinterpret_cast<RValue *>(m_saved + i * sizeof(RValue))); }

  int m_count;
  bool m_relative;
  alignas(RValue) unsigned char m_saved[CAction::kMaxArguments * sizeof(RValue)];
};

bool RunCodeAction(const CAction &a, CInstance *self, CInstance *other) {
  if (!a.act_codecode) return false;  // never compiled: nothing to run
  RValue result;
  {
    CActionArguments arguments(a, self, other);
    ExecuteCode(self, other, *a.act_codecode, result);
  }
  return RealIsTrue(result.val) != a.act_isnot;
}

// Runs the action for whom it applies to: self, other, or every unmarked
// instance of an object and its descendants (each with the event's other).
// all is the answer as a question: true only when every run answered true,
// and true when there was nobody. Answers false when a game-state code
// became pending, which stops the event.
bool ApplyAction(const CAction &a, CInstance *self, CInstance *other, bool &all) {
  all = true;
  if (!a.act_useapplyto || a.act_who == -1) {
    all = ExecuteAction(a, self, other);
    return !GameStatePending();
  }
  if (a.act_who == -2) {
    all = ExecuteAction(a, other, self);
    return !GameStatePending();
  }
  CWorld *world = World();
  if (a.act_who < 0 || a.act_who >= ObjectCount() || world == nullptr) return true;
  const int count = world->ObjectInstanceCount(a.act_who);
  for (int i = 0; i < count; ++i) {
    CInstance *inst = world->ObjectInstanceAt(a.act_who, i);
    if (inst == nullptr || world->IsMarked(inst)) continue;
    const bool answer = ExecuteAction(a, inst, other);
    if (GameStatePending()) return false;
    if (a.act_isquestion && !answer) {
      all = false;
      break;
    }
  }
  return true;
}

}  // namespace

bool ExecuteAction(const CAction &action, CInstance *self, CInstance *other) {
  switch (action.act_exetype) {
    case CAction::kExeFunction: return CallFunction(action, self, other);
    case CAction::kExeCode: return RunCodeAction(action, self, other);
    default: return false;
  }
}

int32_t SkipAction(const CEvent &ev, int32_t p) {
  const CAction *a = ev.Action(p);
  if (a == nullptr) return kActionStop;
  CNestingGuard guard;
  if (guard.TooDeep()) return kActionStop;
  if (a->act_kind == CAction::kBeginBlock) {
    int32_t q = p + 1;
    while (q < ev.Count() && ev.Action(q)->act_kind != CAction::kEndBlock) q = SkipAction(ev, q);
    return q >= ev.Count() ? kActionStop : q + 1;
  }
  if (a->act_isquestion || a->act_kind == CAction::kRepeat) return SkipAction(ev, p + 1);
  return p + 1;
}

int32_t RunAction(const CEvent &ev, int32_t p, CInstance *self, CInstance *other) {
  const CAction *a = ev.Action(p);
  if (a == nullptr || GameStatePending()) return kActionStop;
  CNestingGuard guard;
  if (guard.TooDeep()) return kActionStop;

  if (a->act_kind == CAction::kBeginBlock) {
    int32_t q = p + 1;
    while (q < ev.Count() && ev.Action(q)->act_kind != CAction::kEndBlock) {
      q = RunAction(ev, q, self, other);
      if (q == kActionStop || GameStatePending()) return kActionStop;
    }
    return q + 1;
  }

  if (a->act_kind == CAction::kRepeat) {
    g_EventContext.action = p;
    const RValue count = a->act_argumentcount > 0 ? Argument(*a, 0, self, other) : RValue();
    if (GameStatePending()) return kActionStop;
    const int64_t times = RoundToInt64(count.val);
    for (int64_t k = 0; k < times; ++k) {
      if (RunAction(ev, p + 1, self, other) == kActionStop || GameStatePending()) return kActionStop;
    }
    return SkipAction(ev, p + 1);
  }

  g_EventContext.action = p;
  if (a->act_isquestion) {
    bool answer = true;
    if (!ApplyAction(*a, self, other, answer)) return kActionStop;
    int32_t next = answer ? RunAction(ev, p + 1, self, other) : SkipAction(ev, p + 1);
    if (next < ev.Count() && ev.Action(next)->act_kind == CAction::kElse)
      next = answer ? SkipAction(ev, next + 1) : RunAction(ev, next + 1, self, other);
    return GameStatePending() ? kActionStop : next;
  }

  if (a->act_kind == CAction::kExit) return kActionStop;
  bool ignored = true;
  if (!ApplyAction(*a, self, other, ignored)) return kActionStop;
  return GameStatePending() ? kActionStop : p + 1;
}

namespace {

// A code action run for self with nothing around it: no question, block,
// repeat or exit, no arguments, compiled. Most events are made of these.
bool PlainCode(const CAction &a) {
  return a.act_exetype == CAction::kExeCode && !a.act_isquestion && a.act_kind != CAction::kBeginBlock &&
         a.act_kind != CAction::kRepeat && a.act_kind != CAction::kExit && (!a.act_useapplyto || a.act_who == -1) &&
         a.act_argumentcount <= 0 && a.act_codecode;
}

}  // namespace

void RunActions(const CEvent &ev, CInstance *self, CInstance *other) {
  int32_t p = 0;
  while (p < ev.Count() && p != kActionStop) {
    const CAction *a = ev.e_actions[static_cast<size_t>(p)].get();
    if (a == nullptr || !PlainCode(*a)) {
      p = RunAction(ev, p, self, other);
      continue;
    }
    // What RunAction does for such an action, without its general steps.
    if (GameStatePending()) return;
    CNestingGuard guard;
    if (guard.TooDeep()) return;
    g_EventContext.action = p;
    {
      RValue result;
      CActionArguments arguments(*a, self, other);
      ExecuteCode(self, other, *a->act_codecode, result);
    }
    if (GameStatePending()) return;
    ++p;
  }
}
