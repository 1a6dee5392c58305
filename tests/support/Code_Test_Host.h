// Runs script-language text the way the runner does, in a small test world:
// the tables filled, a fresh global store, scripts added by name, and the
// outcome of a run (success, result value, recorded error text) in one
// record so that tests read like small programs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "code/Variable_Class.h"
#include "support/Test_World.h"

struct ROutcome {
  bool ok = false;
  RValue result;
  std::string error;  // the recorded code error ("" on success)

  double Real() const { return result.val; }
  std::string Text() const { return result.str.str(); }
};

// Compiles text (a program, or an expression) and evaluates it for self and
// other in whatever world is installed; the code error, if any, is taken
// and cleared.
ROutcome RunCodeText(std::string_view text, bool isExpression, CInstance *self, CInstance *other);

class CCodeHost {
public:
  CCodeHost();
  ~CCodeHost();

  CTestWorld world;
  int object = 0;                // object 0, the self instance's object
  CInstance *self = nullptr;     // an instance of object 0

  // Adds scripts (all of them first, then compile, so they can call each
  // other); CompileScripts answers the first compile error or "".
  void AddScript(std::string_view name, std::string_view text);
  std::string CompileScripts();
  int ScriptIndex(std::string_view name) const;

  // Compiles and runs a program or an expression with EvaluateCode for
  // self (other = self unless given). A compile failure answers ok false
  // with the compiler's text.
  ROutcome Run(std::string_view program, CInstance *runSelf = nullptr, CInstance *runOther = nullptr);
  ROutcome Eval(std::string_view expression);

  // A variable of an instance (self by default); real 0 with found false
  // when missing.
  RValue Var(std::string_view name, CInstance *inst = nullptr, bool *found = nullptr);
  void SetVar(std::string_view name, const RValue &value, CInstance *inst = nullptr);
  RValue Global(std::string_view name, bool *found = nullptr);

  // What the test routines saw: note(value) appends the value as text.
  static std::vector<std::string> &Notes();
};
