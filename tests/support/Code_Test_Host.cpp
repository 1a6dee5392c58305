#include "support/Code_Test_Host.h"

#include <cstdio>

#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Script_Main.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "functions/Function_Misc.h"
#include "base/Option_Main.h"

namespace {

std::string ValueText(const RValue &v) {
  if (v.IsString()) return v.str.str();
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", v.val);
  return buf;
}

// note(v): records v, answers the number of notes so far.
void F_Note(CInstance *, CInstance *, int argc, RValue *args, RValue &result) {
  CCodeHost::Notes().push_back(argc > 0 ? ValueText(args[0]) : std::string());
  result.SetReal(static_cast<double>(CCodeHost::Notes().size()));
}

// twice(v): a built-in routine with a fixed count, 2 * v.
void F_Twice(CInstance *, CInstance *, int, RValue *args, RValue &result) { result.SetReal(2 * args[0].val); }

void RegisterTables() {
  BuiltinRegisterAll();
  ConstantRegisterBuiltins();
  ConstantResetToBuiltins();
  if (FunctionFind("execute_string") < 0) Function_Misc_Register();
  if (FunctionFind("note") < 0) {
    FunctionAdd("note", F_Note, -1);
    FunctionAdd("twice", F_Twice, 1);
  }
}

}  // namespace

std::vector<std::string> &CCodeHost::Notes() {
  static std::vector<std::string> notes;
  return notes;
}

CCodeHost::CCodeHost() {
  RegisterTables();
  g_Settings.SetDefaults();
  g_Settings.opt_displayerrors = false;
  g_Settings.opt_writeerrors = false;
  Code_ResetState();
  g_Scripts.Clear();
  Notes().clear();
  SetStepBudget(-1);
  world.Clear();
  object = world.AddObject();
  self = world.AddInstance(object);
  SetWorld(&world);
}

CCodeHost::~CCodeHost() {
  SetWorld(nullptr);
  SetStepBudget(-1);
  g_Scripts.Clear();
  CodeErrorClear();
}

void CCodeHost::AddScript(std::string_view name, std::string_view text) {
  auto script = std::make_unique<CScript>();
  script->s_text = std::string(text);
  g_Scripts.items.push_back(std::move(script));
  g_Scripts.names.emplace_back(name);
}

std::string CCodeHost::CompileScripts() {
  for (int i = 0; i < g_Scripts.Count(); ++i) {
    CScript *s = g_Scripts.Get(i);
    if (s != nullptr && !s->Compile()) {
      std::string text = CodeErrorText();
      CodeErrorClear();
      return text;
    }
  }
  return "";
}

int CCodeHost::ScriptIndex(std::string_view name) const { return ScriptFind(name); }

ROutcome RunCodeText(std::string_view text, bool isExpression, CInstance *self, CInstance *other) {
  ROutcome out;
  CCode code(text, isExpression);
  if (!code.Compile()) {
    out.error = CodeErrorText();
    CodeErrorClear();
    return out;
  }
  out.ok = EvaluateCode(self, other, code, out.result);
  if (!out.ok) out.error = CodeErrorText();
  CodeErrorClear();
  return out;
}

ROutcome CCodeHost::Run(std::string_view program, CInstance *runSelf, CInstance *runOther) {
  CInstance *s = runSelf ? runSelf : self;
  return RunCodeText(program, false, s, runOther ? runOther : s);
}

ROutcome CCodeHost::Eval(std::string_view expression) { return RunCodeText(expression, true, self, self); }

RValue CCodeHost::Var(std::string_view name, CInstance *inst, bool *found) {
  RValue v;
  const bool f = world.InstanceVars(inst ? inst : self).GetVar(VariableIndex(name), 0, v);
  if (found) *found = f;
  return v;
}

void CCodeHost::SetVar(std::string_view name, const RValue &value, CInstance *inst) {
  world.InstanceVars(inst ? inst : self).SetVar(VariableIndex(name), 0, value);
}

RValue CCodeHost::Global(std::string_view name, bool *found) {
  RValue v;
  const bool f = GlobalGet(VariableIndex(name), 0, v);
  if (found) *found = f;
  return v;
}
