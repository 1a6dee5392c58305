// What a call hands over and takes back: the 16 argument values a built-in
// routine receives (its arguments, then real 0 whatever earlier calls
// passed), the same after calls that failed or were abandoned by an
// arithmetic trap, and the locals of scripts, fresh on every call.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Code_Operator.h"
#include "code/Variable_BuiltIn.h"
#include "base/Option_Main.h"
#include "support/Code_Test_Host.h"

namespace {

std::vector<std::string> &Seen() {
  static std::vector<std::string> seen;
  return seen;
}

std::string SlotText(const RValue &v) {
  if (v.IsString()) return "'" + v.str.str() + "'";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v.val);
  return buf;
}

// slots(...): records the argument count and all 16 values it receives,
// answers the count.
void F_Slots(CInstance *, CInstance *, int argc, RValue *args, RValue &result) {
  std::string text = std::to_string(argc) + ":";
  for (int i = 0; i < kMaxCallArguments; ++i) text += " " + SlotText(args[i]);
  Seen().push_back(text);
  result.SetReal(argc);
}

// The record of a call with these leading values and real 0 after them.
std::string Expect(int argc, std::vector<std::string> leading) {
  std::string text = std::to_string(argc) + ":";
  for (int i = 0; i < kMaxCallArguments; ++i)
    text += " " + (i < static_cast<int>(leading.size()) ? leading[static_cast<size_t>(i)] : std::string("0"));
  return text;
}

class CallSlots : public ::testing::Test {
protected:
  void SetUp() override {
    if (FunctionFind("slots") < 0) FunctionAdd("slots", F_Slots, -1);
    Seen().clear();
  }
  void Scripts(std::initializer_list<std::pair<const char *, const char *>> scripts) {
    for (const auto &[name, text] : scripts) host.AddScript(name, text);
    ASSERT_EQ(host.CompileScripts(), "");
  }
  CCodeHost host;
};

TEST_F(CallSlots, ARoutineSeesItsArgumentsAndZerosWhateverCameBefore) {
  Scripts({{"pass", "return slots(argument0, argument1)"}, {"text", "return 'in' + argument0"}});
  const struct {
    const char *program;
    std::vector<std::string> seen;  // the calls of slots, innermost first
  } cases[] = {
      // a wide call with texts, then narrower ones at the same depth
      {"slots(1, 'a', 3, 'b', 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16); slots(2); slots()",
       {Expect(16, {"1", "'a'", "3", "'b'", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15", "16"}),
        Expect(1, {"2"}), Expect(0, {})}},
      // calls nested in the arguments of calls
      {"slots(slots('x', 'y', 'z'), slots(slots(4, 5, 6, 7)), 8)",
       {Expect(3, {"'x'", "'y'", "'z'"}), Expect(4, {"4", "5", "6", "7"}), Expect(1, {"4"}),
        Expect(3, {"3", "1", "8"})}},
      // a script between them, itself calling a routine with its arguments
      {"slots(9, 9, 9, 9); slots(pass(text('1'), 2), 'end')",
       {Expect(4, {"9", "9", "9", "9"}), Expect(2, {"'in1'", "2"}), Expect(2, {"2", "'end'"})}},
  };
  for (const auto &c : cases) {
    Seen().clear();
    const ROutcome out = host.Run(c.program);
    EXPECT_TRUE(out.ok) << c.program << "\n" << out.error;
    EXPECT_EQ(Seen(), c.seen) << c.program;
  }
}

TEST_F(CallSlots, AFailedOrAbandonedCallLeavesNothingBehind) {
  g_Settings.opt_argumenterrors = false;
  Scripts({{"blowup", "var b; b = 2; repeat (1000) b *= 2; return b * b"}});
  const struct {
    const char *program;
    bool traps;
  } cases[] = {
      // an error in the third argument: the first two were already in place
      {"slots(5, 'left', missing_variable)", false},
      {"slots(5, 'left', slots(6, 'deeper', missing_variable))", false},
      // a trap in the arguments, directly or in a script they call
      {"var b; b = 2; repeat (1000) b *= 2; slots(5, 'left', b * b)", true},
      {"slots(5, 'left', slots(6, 'deeper', blowup()))", true},
  };
  for (const auto &c : cases) {
    Seen().clear();
    if (c.traps) {
      EXPECT_THROW(host.Run(c.program), EMathTrap) << c.program;
    } else {
      EXPECT_FALSE(host.Run(c.program).ok) << c.program;
    }
    EXPECT_TRUE(Seen().empty()) << c.program;
    // the next calls, at the depths the failed ones used, see only zeros
    const ROutcome after = host.Run("slots(slots())");
    EXPECT_TRUE(after.ok) << after.error;
    EXPECT_EQ(Seen(), (std::vector<std::string>{Expect(0, {}), Expect(1, {"0"})})) << c.program;
    EXPECT_EQ(g_ScriptCall.argumentCount, 0);
    for (const RValue &v : g_ScriptCall.argument) EXPECT_TRUE(v.IsReal() && v.val == 0) << c.program;
  }
}

TEST_F(CallSlots, ScriptLocalsAreFreshOnEveryCall) {
  g_Settings.opt_argumenterrors = false;
  Scripts({// reads its locals before writing them, then fills a scalar and an array
           {"fresh", "var a, arr; if (argument0) { a = 'kept'; arr[3] = 'cell'; return 0; } return a + arr[3]"},
           // every level keeps its own local across the call below it
           {"sum", "var mine; mine = argument0; if (argument0 <= 0) return 0; return sum(argument0 - 1) + mine"},
           {"trap_with_local", "var v; v = 'left behind'; v = 2; repeat (1100) v *= 2; return v"},
           {"peek_local", "var v; return v"}});
  g_Settings.opt_uninitzero = true;
  // after a call that filled them, the same script (and the next one at
  // the same depth) finds its locals unset again
  EXPECT_EQ(host.Run("return fresh(1)").Real(), 0);
  const ROutcome again = host.Run("return fresh(0)");
  EXPECT_TRUE(again.ok) << again.error;
  EXPECT_EQ(again.result.kind, RValue::kReal);
  EXPECT_EQ(again.Real(), 0);
  EXPECT_EQ(host.Run("x = fresh(1); return fresh(0)").Real(), 0);
  EXPECT_EQ(host.Run("return sum(50)").Real(), 1275);
  EXPECT_THROW(host.Run("return trap_with_local()"), EMathTrap);
  EXPECT_EQ(host.Run("return peek_local()").Real(), 0);
  g_Settings.opt_uninitzero = false;
  const ROutcome unset = host.Run("return peek_local()");
  EXPECT_FALSE(unset.ok);
  EXPECT_NE(unset.error.find("Unknown variable v"), std::string::npos) << unset.error;
}

TEST_F(CallSlots, ReturnOfAnOperationOnTwoCalls) {
  Scripts({{"num", "return argument0"}, {"str", "return 'ab'"}, {"big", "var b; b = 2; repeat (1000) b *= 2; return b"},
           {"fails", "return nothing_here"}});
  const struct {
    const char *program;
    const char *text;    // the string result, or
    double real;         // the real result, or
    const char *error;   // the end of the error text
  } cases[] = {
      {"return num(7) - num(2)", nullptr, 5, nullptr},
      {"return num(3) < num(4)", nullptr, 1, nullptr},
      {"return num(7) div num(2)", nullptr, 3, nullptr},
      {"return str() + str()", "abab", 0, nullptr},
      {"return str() == str()", nullptr, 1, nullptr},
      // located at the right operand, as for any operation
      {"return str() - num(1)", nullptr, 0, "at position 16: Wrong type of arguments to -."},
      {"return num(1) + str()", nullptr, 0, "at position 17: Wrong type of arguments to +."},
      {"return num(1) + fails()", nullptr, 0, "Unknown variable nothing_here"},
      {"return fails() + num(1)", nullptr, 0, "Unknown variable nothing_here"},
  };
  for (const auto &c : cases) {
    const ROutcome out = host.Run(c.program);
    if (c.error != nullptr) {
      EXPECT_FALSE(out.ok) << c.program;
      const std::string tail = c.error;
      EXPECT_TRUE(out.error.size() >= tail.size() && out.error.compare(out.error.size() - tail.size(), tail.size(), tail) == 0)
          << c.program << "\n" << out.error;
    } else if (c.text != nullptr) {
      EXPECT_EQ(out.Text(), c.text) << c.program << out.error;
    } else {
      EXPECT_TRUE(out.ok) << c.program << out.error;
      EXPECT_EQ(out.Real(), c.real) << c.program;
    }
  }
  EXPECT_THROW(host.Run("return big() * big()"), EMathTrap);
}

// A routine's answer starts as a fresh real 0: a routine that answers a
// real (by its kind and number) must not pass on the text of whatever the
// code's result held before, which would ride along in the variable it is
// stored in.
TEST_F(CallSlots, ARoutinesRealAnswerCarriesNoOldText) {
  for (const char *program : {"t = 'abc'; n = twice(2)", "var m; t = 'abc'; m = twice(2); n = m"}) {
    const ROutcome out = host.Run(program);
    ASSERT_TRUE(out.ok) << program << out.error;
    const RValue n = host.Var("n");
    EXPECT_EQ(n.kind, RValue::kReal) << program;
    EXPECT_EQ(n.val, 4) << program;
    EXPECT_EQ(n.str.view(), "") << program;
  }
}

// pair(a, b): a reader with a direct form; both forms answer a + b (reals)
// and record which of them ran.
template <class A>
void PairOf(const char *form, const A &args, RValue &result) {
  Seen().push_back(std::string(form) + " " + SlotText(args[0]) + " " + SlotText(args[1]));
  result.SetReal(args[0].val + args[1].val);
}
void F_Pair(CInstance *, CInstance *, int, RValue *args, RValue &result) { PairOf("slots", args, result); }
void D_Pair(CInstance *, CInstance *, const RValue *const *args, RValue &result) {
  PairOf("direct", RArgsInPlace{args}, result);
}

// A call hands a reader's direct form the values where they stand whenever
// every argument is one at hand, and takes the slots otherwise; both ways
// answer alike, errors included.
TEST_F(CallSlots, AReaderTakesItsArgumentsWhereTheyStandWhenItCan) {
  if (FunctionFind("pair") < 0) FunctionAdd("pair", F_Pair, 2, D_Pair);
  host.SetVar("mine", RValue::Real(3));
  const struct {
    const char *program;
    double result;
    const char *seen;   // what pair saw, or null after an error
  } cases[] = {
      {"var m; m = 1; return pair(m, 2)", 3, "direct 1 2"},
      {"return pair(mine, 0.5)", 3.5, "direct 3 0.5"},
      {"globalvar g; g = 4; return pair(g, global.g)", 8, "direct 4 4"},
      {"var m; m = 1; return pair(m + 1, 2)", 4, "slots 2 2"},
      {"var m; m = 'a'; return pair(m, 1)", 1, "direct 'a' 1"},
      {"var m; m = 2; m = pair(m, m); return m", 4, "direct 2 2"},
      {"var m; m = 2; m += pair(m, 1); return m", 5, "direct 2 1"},
      {"var m; return pair(m, 1)", 0, nullptr},
      {"return pair(missing, 1)", 0, nullptr},
  };
  for (const auto &c : cases) {
    Seen().clear();
    const ROutcome out = host.Run(c.program);
    if (c.seen == nullptr) {
      EXPECT_FALSE(out.ok) << c.program;
      EXPECT_NE(out.error.find("Unknown variable"), std::string::npos) << c.program << "\n" << out.error;
      EXPECT_TRUE(Seen().empty()) << c.program;
      continue;
    }
    EXPECT_TRUE(out.ok) << c.program << "\n" << out.error;
    EXPECT_EQ(out.Real(), c.result) << c.program;
    EXPECT_EQ(Seen(), std::vector<std::string>{c.seen}) << c.program;
  }
}

// echo(v): answers its argument.
void F_Echo(CInstance *, CInstance *, int, RValue *args, RValue &result) { result = args[0]; }

// The message of an error text, without the place it names.
std::string Message(const std::string &error) {
  const size_t at = error.rfind(": ");
  return at == std::string::npos ? error : error.substr(at + 2);
}

// `x = f(..)` and `x += f(..)` (and -=, *=) on a local take their own way;
// they must end as the same statements on an instance variable do, which
// the general assignment runs: the value, the code's result, the message,
// and the steps used.
TEST_F(CallSlots, ALocalTakesARoutinesAnswerAsAnyVariableDoes) {
  if (FunctionFind("echo") < 0) FunctionAdd("echo", F_Echo, 1);
  const char *ops[] = {"=", "+=", "-=", "*="};
  const char *befores[] = {"@ = 3; ", "@ = 'ab'; ", ""};  // the last leaves @ unset
  const char *answers[] = {"2", "'cd'", "-0.5"};
  // @ stands for the variable: a local here, a fresh instance variable there
  const auto named = [](std::string text, const std::string &name) {
    for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + name.size()))
      text.replace(at, 1, name);
    return text;
  };
  int index = 0;
  for (const char *op : ops) {
    for (const char *before : befores) {
      for (const char *answer : answers) {
        for (const char *tail : {"", "; return @"}) {
          const std::string statements = std::string(before) + "@ " + op + " echo(" + answer + ")" + tail;
          const std::string name = "g" + std::to_string(index++);
          const ROutcome mine = host.Run("var acc; " + named(statements, "acc"));
          const ROutcome theirs = host.Run("var q; " + named(statements, name));
          EXPECT_EQ(mine.ok, theirs.ok) << statements << "\n" << mine.error << "\n" << theirs.error;
          std::string message = Message(theirs.error);  // with the local's name in it
          if (const size_t at = message.find(name); at != std::string::npos) message.replace(at, name.size(), "acc");
          EXPECT_EQ(Message(mine.error), message) << statements;
          EXPECT_EQ(mine.result.kind, theirs.result.kind) << statements;
          EXPECT_EQ(mine.Real(), theirs.Real()) << statements;
          EXPECT_EQ(mine.Text(), theirs.Text()) << statements;
        }
      }
    }
  }
  // The call counts its step: the fewest steps that let each run finish
  // are the same both ways.
  const auto fewest = [this](const std::string &program) {
    for (int64_t budget = 0; budget < 100; ++budget) {
      SetStepBudget(budget);
      if (host.Run(program).ok) return budget;
    }
    return int64_t{-1};
  };
  const int64_t general = fewest("var q; steps = 1; steps += echo(2); steps = echo(steps)");
  EXPECT_GT(general, 0);
  EXPECT_EQ(fewest("var acc; acc = 1; acc += echo(2); acc = echo(acc)"), general);
  SetStepBudget(-1);
}

TEST_F(CallSlots, AStepBudgetEndsARecursiveScriptAtWhicheverStepItRunsOut) {
  Scripts({{"fib", "if (argument0 < 2) return argument0; return fib(argument0 - 1) + fib(argument0 - 2)"}});
  // Every budget either suffices or ends the run with the budget message,
  // in the main code (the smallest budgets) or in the script, with the call
  // state put back; from the first budget that suffices on, all do.
  int first = -1;
  int inScript = 0;
  for (int budget = 0; budget <= 200; ++budget) {
    SetStepBudget(budget);
    const ROutcome out = host.Run("return fib(6)");
    if (out.ok) {
      EXPECT_EQ(out.Real(), 8) << budget;
      if (first < 0) first = budget;
      continue;
    }
    EXPECT_LT(first, 0) << "budget " << budget << " failed after " << first << " sufficed";
    EXPECT_NE(out.error.find(kStepBudgetMessage), std::string::npos) << budget << ": " << out.error;
    if (out.error.rfind("In script fib:\r", 0) == 0) {
      ++inScript;
    } else {
      EXPECT_EQ(inScript, 0) << budget << ": " << out.error;
      EXPECT_EQ(out.error.rfind("Error in code at line 1:", 0), 0u) << budget << ": " << out.error;
    }
    EXPECT_EQ(g_ScriptCall.argumentCount, 0);
    EXPECT_EQ(g_ScriptCall.scriptName, "");
  }
  SetStepBudget(-1);
  EXPECT_GT(first, 25) << "fib(6) makes 25 calls";
  EXPECT_GT(inScript, 25);
}

}  // namespace
