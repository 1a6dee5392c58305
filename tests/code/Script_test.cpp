// Script calls (arguments, results, argument checks, error prefixes,
// recursion, traps) and the functions that run text or scripts by index:
// execute_string, execute_file, script_*, variable_*.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Operator.h"
#include "code/Script_Main.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "base/Option_Main.h"
#include "support/Code_Test_Host.h"

namespace {

bool EndsWith(const std::string &text, const std::string &tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}
bool StartsWith(const std::string &text, const std::string &head) { return text.rfind(head, 0) == 0; }

class ScriptCalls : public ::testing::Test {
protected:
  void Scripts(std::initializer_list<std::pair<const char *, const char *>> scripts) {
    for (const auto &[name, text] : scripts) host.AddScript(name, text);
    ASSERT_EQ(host.CompileScripts(), "");
  }
  // The call state outside every script call.
  void ExpectCallStateAtRest() {
    EXPECT_EQ(g_ScriptCall.argumentCount, 0);
    EXPECT_EQ(g_ScriptCall.scriptName, "");
    for (const RValue &v : g_ScriptCall.argument) {
      EXPECT_TRUE(v.IsReal());
      EXPECT_EQ(v.val, 0);
    }
  }
  CCodeHost host;
};

TEST_F(ScriptCalls, ArgumentsAndResults) {
  Scripts({{"add", "return argument0 + argument1"},
           {"noreturn", "n = argument0 * 2"},
           {"lastcall", "twice(argument0)"},
           {"nothing", ""},
           {"count", "return argument_count * 100 + argument[argument_count - 1]"},
           {"strings", "return argument0 + argument1"}});
  const struct {
    const char *program;
    double expected;
  } cases[] = {
      {"return add(2, 3)", 5},
      {"return noreturn(4)", 8},
      {"return lastcall(5)", 10},
      {"return nothing()", 0},
      {"return count(7, 8, 9)", 309},
      {"return count(1,)", 101},
      {"return add(add(1, 2), add(3, 4))", 10},
  };
  for (const auto &c : cases) {
    const ROutcome out = host.Run(c.program);
    EXPECT_TRUE(out.ok) << c.program << out.error;
    EXPECT_EQ(out.Real(), c.expected) << c.program;
  }
  EXPECT_EQ(host.Run("return strings('a', 'b')").Text(), "ab");
  ExpectCallStateAtRest();
}

TEST_F(ScriptCalls, CallerArgumentsComeBackAfterACall) {
  Scripts({{"outer", "a = argument0; inner(7, 8, 9); return argument0 * 10 + argument_count"},
           {"inner", "argument0 = 99; argument[1] = 98; return argument_count"},
           {"name", "return inner_name(argument0)"},
           {"inner_name", "return argument0"}});
  EXPECT_EQ(host.Run("return outer(3)").Real(), 31);
  ExpectCallStateAtRest();
}

TEST_F(ScriptCalls, UnsuppliedSlotsReadZeroWhateverTheCallerHeld) {
  g_Settings.opt_argumenterrors = false;
  // Each way of writing a slot, in the caller (hidden from the callee, kept
  // for the caller) and in the callee (gone again for the caller).
  Scripts({{"peek", "return argument1 * 1000 + argument3 * 100 + argument4 * 10 + argument5"},
           {"by_name", "argument3 = 7; return peek(0, 2) * 10 + argument3"},
           {"by_array", "argument[4] = 8; return peek(0, 2) * 10 + argument[4]"},
           {"by_function", "variable_local_set('argument5', 9); return peek(0, 2) * 10 + argument5"},
           {"w_name", "argument3 = 5"},
           {"w_array", "argument[4] = 6"},
           {"w_function", "variable_local_set('argument5', 7)"},
           {"after", "w_name(); w_array(); w_function(); return argument3 + argument4 + argument5"},
           {"third", "return argument2"}});
  const struct {
    const char *program;
    double expected;
  } cases[] = {
      {"return by_name()", 20007},
      {"return by_array()", 20008},
      {"return by_function()", 20009},
      {"return after()", 0},
      {"return execute_string('argument3 = 4; return peek(0, 1) * 10 + argument3')", 10004},
  };
  for (const auto &c : cases) {
    const ROutcome out = host.Run(c.program);
    EXPECT_TRUE(out.ok) << c.program << out.error;
    EXPECT_EQ(out.Real(), c.expected) << c.program;
  }
  ExpectCallStateAtRest();
  // a slot set outside any run (by whatever means) is hidden from a call
  // and there again afterwards
  g_ScriptCall.argument[2] = RValue::Real(5);
  EXPECT_EQ(host.Run("return third() * 10 + argument2").Real(), 5);
  EXPECT_EQ(g_ScriptCall.argument[2].val, 5);
  g_ScriptCall.argument[2] = RValue();
}

TEST_F(ScriptCalls, ArgumentCountCheck) {
  Scripts({{"two", "return argument0 + argument1"}, {"atleast", "return argument1 + argument[0]"}});
  const ROutcome few = host.Run("return two(1)");
  EXPECT_EQ(few.error,
            "Illegal argument count calling script \"two\".\rScript requires 2 arguments, 1 have been supplied.");
  EXPECT_EQ(host.Run("return two(1, 2, 3)").error,
            "Illegal argument count calling script \"two\".\rScript requires 2 arguments, 3 have been supplied.");
  // argumentN counts, argument[...] makes it a minimum
  EXPECT_EQ(host.Run("return atleast(5)").error,
            "Illegal argument count calling script \"atleast\".\rScript requires at least 2 arguments, 1 have "
            "been supplied.");
  EXPECT_EQ(host.Run("return atleast(1, 2, 3)").Real(), 3);

  g_Settings.opt_argumenterrors = false;
  EXPECT_EQ(host.Run("return two(1)").Real(), 1);
  EXPECT_EQ(host.Run("return two(1, 2, 3)").Real(), 3);
  ExpectCallStateAtRest();
}

TEST_F(ScriptCalls, ArgumentArrayBeyondTheSuppliedCount) {
  Scripts({{"third", "return argument[2]"}});
  const ROutcome out = host.Run("return third(1)");
  EXPECT_FALSE(out.ok);
  EXPECT_TRUE(EndsWith(out.error, "Unknown variable argument or array index out of bounds")) << out.error;
  EXPECT_EQ(ErrorLast(),
            "Illegal array index in script \"third\".\rtrying to access argument[2], but only 1 arguments have "
            "been supplied.");
  g_Settings.opt_argumenterrors = false;
  EXPECT_EQ(host.Run("return third(1, 2, 5)").Real(), 5);
}

TEST_F(ScriptCalls, ErrorsClimbWithOneLinePerScript) {
  Scripts({{"outer", "a = 1;\rreturn inner()"}, {"inner", "return nothing_here"}});
  const ROutcome out = host.Run("x = outer()");
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.error,
            "In script outer:\rIn script inner:\rError in code at line 1:\r   return nothing_here\r         ^\r"
            "at position 8: Unknown variable nothing_here");
  ExpectCallStateAtRest();
}

TEST_F(ScriptCalls, RecursionWorksAndEndsWithAScriptErrorWhenTooDeep) {
  Scripts({{"fib", "if (argument0 < 2) return argument0; return fib(argument0 - 1) + fib(argument0 - 2)"},
           {"down", "return down(argument0 + 1)"},
           {"depth", "if (argument0 <= 0) return 0; return 1 + depth(argument0 - 1)"}});
  EXPECT_EQ(host.Run("return fib(15)").Real(), 610);
  EXPECT_EQ(host.Run("return depth(1000)").Real(), 1000);

  const ROutcome out = host.Run("return down(0)");
  EXPECT_FALSE(out.ok);
  EXPECT_TRUE(StartsWith(out.error, "In script down:\rIn script down:\r"));
  EXPECT_TRUE(EndsWith(out.error, kRecursionMessage)) << out.error.substr(out.error.size() - 200);
  ExpectCallStateAtRest();
  // and the next call runs normally
  EXPECT_EQ(host.Run("return fib(10)").Real(), 55);
}

TEST_F(ScriptCalls, TrapInsideAScriptLeavesTheCallStateAsItWas) {
  Scripts({{"blowup", "var v; v = argument0; repeat (1100) v *= 2; return v"},
           {"middle", "return blowup(argument0, argument1)"}});
  g_Settings.opt_argumenterrors = false;
  EXPECT_THROW(host.Run("return middle(1, 2)"), EMathTrap);
  ExpectCallStateAtRest();
  EXPECT_EQ(host.Run("return middle(0, 0)").Real(), 0);
}

TEST_F(ScriptCalls, ScriptReplacesABuiltinOfTheSameName) {
  Scripts({{"twice", "return argument0 * 3"}});
  EXPECT_EQ(host.Run("return twice(2)").Real(), 6);
}

TEST_F(ScriptCalls, ScriptExecute) {
  Scripts({{"mul", "return argument0 * argument1"}, {"fails", "return nope"}, {"one", "return argument0"}});
  EXPECT_EQ(host.Run("return script_execute(0, 2, 3)").Real(), 6);
  EXPECT_EQ(host.Run("s = 0; return script_execute(s, 4, 5)").Real(), 20);

  // failures are reported by the function; the calling code goes on
  ROutcome out = host.Run("r = script_execute(99); after = 1");
  EXPECT_TRUE(out.ok);
  EXPECT_TRUE(EndsWith(ErrorLast(), "\r\n\r\nTrying to execute non-existing script.")) << ErrorLast();
  EXPECT_EQ(host.Var("after").val, 1);

  out = host.Run("r = script_execute(1); after = 2");
  EXPECT_TRUE(out.ok);
  EXPECT_TRUE(EndsWith(ErrorLast(), "\r\n\r\nIn script fails:\rError in code at line 1:\r   return nope\r         ^\r"
                                    "at position 8: Unknown variable nope"))
      << ErrorLast();
  EXPECT_EQ(host.Var("r").str.view(), "ERROR");
  EXPECT_EQ(host.Var("after").val, 2);

  // with checking: one(1, 2) through script_execute is a count error
  host.Run("script_execute(2, 1, 2)");
  EXPECT_TRUE(EndsWith(ErrorLast(), "Script requires 1 arguments, 2 have been supplied.")) << ErrorLast();
  ExpectCallStateAtRest();
}

TEST_F(ScriptCalls, ScriptInformation) {
  Scripts({{"first", "return 1"}, {"second", "a = 2"}});
  host.AddScript("", "");
  g_Scripts.items.back().reset();  // an empty slot
  EXPECT_EQ(host.Run("return script_exists(0) + script_exists(1) * 10 + script_exists(2) * 100 + "
                     "script_exists(-1) * 1000 + script_exists(0.4) * 10000")
                .Real(),
            10011);
  EXPECT_EQ(host.Run("return script_get_name(1)").Text(), "second");
  EXPECT_EQ(host.Run("return script_name(0)").Text(), "first");
  EXPECT_EQ(host.Run("return script_get_name(2)").Text(), "<undefined>");
  EXPECT_EQ(host.Run("return script_get_name(-1)").Text(), "<undefined>");
  EXPECT_EQ(host.Run("return script_get_text(1)").Text(), "a = 2");
  EXPECT_EQ(host.Run("return script_get_text(7)").Text(), "");
}

class ExecuteString : public ::testing::Test {
protected:
  CCodeHost host;
};

TEST_F(ExecuteString, ResultsAndArguments) {
  const struct {
    const char *program;
    double expected;
  } cases[] = {
      {"return execute_string('return argument0 + 1', 5)", 6},
      {"return execute_string('a = 3')", 3},
      {"return execute_string('')", 0},
      {"return execute_string()", 0},
      {"return execute_string('return argument_count')", 0},
      {"return execute_string('return execute_string(\"return argument0 * 2\", argument0 + 1)', 4)", 10},
  };
  for (const auto &c : cases) {
    const ROutcome out = host.Run(c.program);
    EXPECT_TRUE(out.ok) << c.program << out.error;
    EXPECT_EQ(out.Real(), c.expected) << c.program;
  }
  // the string runs for the caller's self
  EXPECT_TRUE(host.Run("execute_string('mine = 8')").ok);
  EXPECT_EQ(host.Var("mine").val, 8);
}

TEST_F(ExecuteString, KeepsTheCallersArguments) {
  host.AddScript("caller",
                 "execute_string('argument0 = 50; return argument1', 1, 2); return argument0 * 10 + argument_count");
  ASSERT_EQ(host.CompileScripts(), "");
  EXPECT_EQ(host.Run("return caller(7)").Real(), 71);
  EXPECT_EQ(host.Run("return execute_string('return argument_count + argument0', 3)").Real(), 3);
}

TEST_F(ExecuteString, ErrorsAreReportedByTheFunction) {
  ROutcome out = host.Run("execute_string('a = ;'); after = 1");
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(ErrorLast(),
            "COMPILATION ERROR in string to be executed\rError in code at line 1:\r   a = ;\r      ^\r"
            "at position 5: Unexpected symbol in expression.");
  EXPECT_EQ(host.Var("after").val, 1);

  out = host.Run("execute_string('b = 1; c = missing'); after = 2");
  EXPECT_TRUE(out.ok);
  EXPECT_TRUE(StartsWith(ErrorLast(), "ERROR in\r\naction number 1\r\n")) << ErrorLast();
  EXPECT_TRUE(EndsWith(ErrorLast(), "at position 12: Unknown variable missing")) << ErrorLast();
  EXPECT_EQ(host.Var("b").val, 1);
  EXPECT_EQ(host.Var("after").val, 2);
  EXPECT_FALSE(CodeErrorFlag());
}

TEST_F(ExecuteString, ExecuteFile) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quillon_execute_file_test";
  std::filesystem::create_directories(dir);
  const std::filesystem::path file = dir / "code.txt";
  {
    std::ofstream out(file, std::ios::binary);
    out << "a = argument0\r\nb = 2\nreturn a + b";
  }
  const ROutcome out = host.Run("return execute_file('" + file.string() + "', 40)");
  EXPECT_TRUE(out.ok) << out.error;
  EXPECT_EQ(out.Real(), 42);

  {
    std::ofstream bad(file, std::ios::binary);
    bad << "a = 1\r\nb = ;\r\n";
  }
  host.Run("execute_file('" + file.string() + "')");
  EXPECT_EQ(ErrorLast(),
            "COMPILATION ERROR in file to be executed\rError in code at line 2:\r   b = ;\r      ^\r"
            "at position 5: Unexpected symbol in expression.");

  host.Run("execute_file('" + (dir / "absent.txt").string() + "')");
  EXPECT_TRUE(EndsWith(ErrorLast(), "\r\n\r\nTrying to execute non-existing file.")) << ErrorLast();
  std::filesystem::remove_all(dir);
}

TEST_F(ExecuteString, VariablesByName) {
  const struct {
    const char *program;
    double expected;
  } cases[] = {
      {"variable_global_set('g', 5); return variable_global_get('g') + global.g", 10},
      {"return variable_global_exists('never_set') * 10 + variable_global_get('never_set')", 0},
      {"global.h = 1; return variable_global_exists('h')", 1},
      {"variable_global_array_set('arr', 2, 7); return global.arr[2]", 7},
      {"variable_global_array2_set('arr2', 1, 2, 8); return global.arr2[1, 2] + variable_global_array2_get('arr2', 1, 2)",
       16},
      {"variable_local_set('v', 3); return v", 3},
      {"w = 4; return variable_local_get('w') + variable_local_exists('w') + variable_local_exists('nope') * 10", 5},
      {"variable_local_array_set('la', 3, 9); return la[3] + variable_local_array_get('la', 3)", 18},
      {"variable_local_array2_set('lb', 2, 1, 6); return variable_local_array2_get('lb', 2, 1)", 6},
      // a negative index reads as a missing cell and writes nothing
      {"variable_global_array_set('neg', -1, 5); return variable_global_array_get('neg', -1) + "
       "variable_global_exists('neg')",
       0},
      {"return variable_local_get('argument_count')", 0},
  };
  for (const auto &c : cases) {
    const ROutcome out = host.Run(c.program);
    EXPECT_TRUE(out.ok) << c.program << out.error;
    EXPECT_EQ(out.Real(), c.expected) << c.program;
  }
  host.Run("variable_global_array_set('big', 32000, 1)");
  EXPECT_TRUE(EndsWith(ErrorLast(), "\r\n\r\nArray index >= 32000")) << ErrorLast();
  bool found = true;
  host.Global("big", &found);
  EXPECT_FALSE(found);

  g_Settings.opt_uninitzero = true;
  EXPECT_EQ(host.Run("return variable_global_exists('anything') + variable_local_exists('anything')").Real(), 2);
}

}  // namespace
