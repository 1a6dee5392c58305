// The interpreter: runs compiled code trees for a self and an other
// instance, reads and writes variables through the instance selectors, runs
// `with` over groups of instances and calls scripts with their arguments.
#pragma once

#include <cstdint>
#include <string>

#include "code/Variable_Class.h"

class CCode;
class CInstance;

// Completion codes of statements.
enum : int {
  kCodeNormal = 0,
  kCodeError = -1,     // an error has been recorded
  kCodeExit = -2,      // exit or return
  kCodeBreak = -3,
  kCodeContinue = -4,
};

// Arithmetic traps: an EMathTrap (Code_Operator.h) raised while code runs is
// not caught by ExecuteCode, EvaluateCode or CallScript; it abandons all
// running code up to whoever runs the game (the main loop drops the rest of
// the step, preparation fails). The argument slots, argument count, script
// name, locals and nesting depth are restored on the way out.

// Runs the code. On failure the recorded error text is reported as a
// non-fatal action error and the error flag is cleared. Used by actions,
// execute_string and execute_file.
bool ExecuteCode(CInstance *self, CInstance *other, CCode &code, RValue &result);

// Runs the code. On failure the result becomes the string "ERROR" and the
// recorded text and flag stay for the caller to report with its own prefix.
// Used by script calls, constants, triggers, creation code.
bool EvaluateCode(CInstance *self, CInstance *other, CCode &code, RValue &result);

// Calls script `index` with `count` arguments (at most 16). With `check`
// (calls from code and actions) and the argument-count setting on, the
// script's declared argument use is compared with the count. On failure the
// error text carries the "In script NAME:" prefix and the error flag is set.
bool CallScript(int index, CInstance *self, CInstance *other, RValue &result, bool check,
                const RValue *args, int count);

// Calls compiled code the way a script is called, under the given name (the
// running script's name while it runs), without an argument-count check:
// extension functions written in the script language. On failure the result
// is the string "ERROR" and the recorded text stays for the caller to prefix.
bool CallCodeAsScript(CCode &code, const std::string &name, CInstance *self, CInstance *other, RValue &result,
                      const RValue *args, int count);

// ---- script-call state ----------------------------------------------------
// The argument array, argument count and running script name live in
// g_ScriptCall (Variable_BuiltIn.h), where the argument variables read them.

// Gives the running code a fresh set of 16 argument slots (the first
// `count` from `args`, the rest real 0) for the lifetime of the object and
// puts the previous slots back afterwards; the argument count and script
// name stay as they are. execute_string passes its extra arguments so.
class CArgumentFrame {
public:
  CArgumentFrame(const RValue *args, int count);
  ~CArgumentFrame();
  CArgumentFrame(const CArgumentFrame &) = delete;
  CArgumentFrame &operator=(const CArgumentFrame &) = delete;

private:
  RValue m_slots[16];
  uint32_t m_savedDirty = 0;
};

// Code that writes the argument slots (g_ScriptCall.argument) through the
// built-in setters while code runs says so here.
void ScriptArgumentsChanged();

// ---- limits --------------------------------------------------------------
// Script calls (and code run through execute_string) nest at most this deep;
// a deeper call fails with kRecursionMessage like any script error. The
// interpreter also stops early when the thread's stack runs low.
constexpr int kMaxCallDepth = 4000;
inline constexpr const char *kRecursionMessage = "Script recursion too deep.";

// For the fuzz target and tests: after `steps` more statements or calls the
// running code fails with kStepBudgetMessage. A negative budget (the
// default) means no limit.
void SetStepBudget(int64_t steps);
inline constexpr const char *kStepBudgetMessage = "Step budget exhausted.";

// Stops the code running now at its next statement or call, as a silent
// failure: the game is ending, so no report is shown. Safe to call from a
// signal handler. The request stays until the code notices it or it is
// cleared (the loop clears it once the game end has begun).
void Code_RequestStop();
void Code_ClearStopRequest();
// Whether a stop is requested and not yet noticed (waits that run the event
// loop give up on it).
bool Code_StopRequested();

// Extension functions (ids 500000 and above) are run by the extension
// machinery through this hook; without one, such a call fails.
using TExtensionCall = bool (*)(int index, CInstance *self, CInstance *other, int argc,
                                RValue *args, RValue &result);
void SetExtensionCallHandler(TExtensionCall handler);
