// The interpreter, run through compiled programs in a small test world:
// control flow and completion codes, result values, switch, with, variable
// selectors and arrays, and the run-time messages.
#include <gtest/gtest.h>

#include <string>

#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Code_Operator.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "base/Option_Main.h"
#include "support/Code_Test_Host.h"

namespace {

struct RRealCase {
  const char *program;
  double expected;
};

struct RErrorCase {
  const char *program;
  const char *message;  // the located text ends with ": " + message
};

bool EndsWith(const std::string &text, const std::string &tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void ExpectReal(CCodeHost &host, const RRealCase &c) {
  const ROutcome out = host.Run(c.program);
  EXPECT_TRUE(out.ok) << c.program << "\n" << out.error;
  EXPECT_EQ(out.result.kind, RValue::kReal) << c.program;
  EXPECT_DOUBLE_EQ(out.Real(), c.expected) << c.program;
}

void ExpectError(CCodeHost &host, const RErrorCase &c) {
  const ROutcome out = host.Run(c.program);
  EXPECT_FALSE(out.ok) << c.program;
  EXPECT_TRUE(EndsWith(out.error, std::string(": ") + c.message)) << c.program << "\ngot: " << out.error;
  EXPECT_EQ(out.error.rfind("Error in code at line ", 0), 0u) << out.error;
}

TEST(CodeExecFlow, LoopsAndCompletionCodes) {
  CCodeHost host;
  const RRealCase cases[] = {
      // repeat rounds its count halves to even and skips non-positive counts
      {"n = 0; repeat (2.5) n += 1; return n", 2},
      {"n = 0; repeat (3.5) n += 1; return n", 4},
      {"n = 0; repeat (-1) n += 1; return n", 0},
      {"n = 0; repeat (10) { n += 1; if (n == 3) break } return n", 3},
      {"n = 0; k = 0; repeat (5) { n += 1; if (n > 2) continue; k += 1 } return k", 2},
      {"i = 0; while (i < 5) i += 1; return i", 5},
      {"i = 0; while (true) { i += 1; if (i >= 4) break } return i", 4},
      {"i = 0; s = 0; while (i < 5) { i += 1; if (i mod 2 == 0) continue; s += i } return s", 9},
      {"i = 0; do i += 1 until (i >= 3); return i", 3},
      {"i = 0; do { i += 1; break } until (false); return i", 1},
      // continue in a do loop goes on to the condition
      {"i = 0; do { i += 1; if (i < 3) continue; i += 10 } until (i >= 3); return i", 13},
      {"s = 0; for (i = 0; i < 5; i += 1) s += i; return s", 10},
      {"s = 0; for (i = 0; i < 10; i += 1) { if (i == 4) break; s += i } return s", 6},
      // continue in a for loop still runs the step
      {"s = 0; for (i = 0; i < 5; i += 1) { if (i == 2) continue; s += i } return s", 8},
      {"for (i = 0; i < 5; i += 1) { if (i == 3) return i * 10 } return -1", 30},
      {"n = 0; repeat (3) { repeat (5) { n += 1; break } } return n", 3},
      {"if (0.4) return 1 else return 2", 2},
      {"if (0.5) return 1 else return 2", 1},
      {"var i; i = 0; while (i < 3) i += 1; return i", 3},
      {"n = 0; repeat (4) { switch (n) { case 1: n += 10; continue; } n += 1 } return n", 13},
  };
  for (const RRealCase &c : cases) ExpectReal(host, c);
}

TEST(CodeExecFlow, ExitAndStrayBreakEndTheCodeWithoutError) {
  CCodeHost host;
  ROutcome out = host.Run("a = 1; exit; a = 2");
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(host.Var("a").val, 1);
  EXPECT_EQ(out.Real(), 1);  // the last assignment is the result

  out = host.Run("b = 1; break; b = 2");
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(host.Var("b").val, 1);

  out = host.Run("continue; c = 2");
  EXPECT_TRUE(out.ok);
  bool found = true;
  host.Var("c", nullptr, &found);
  EXPECT_FALSE(found);
}

TEST(CodeExecFlow, ResultIsTheLastCallOrAssignmentStatement) {
  CCodeHost host;
  struct {
    const char *program;
    double expected;
  } cases[] = {
      {"n = 5", 5},
      {"n = 1; n += 2", 3},
      {"n = 1; twice(21)", 42},
      {"n = 1; if (n) { m = 7 }", 7},
      {"n = 0; repeat (3) n += 2", 6},
      // the initial and step statements of a for do not touch the result
      {"for (i = 0; i < 3; i += 1) {}", 0},
      {"a = 4; return a * 2; a = 100", 8},
      {"", 0},
  };
  for (const auto &c : cases) {
    const ROutcome out = host.Run(c.program);
    EXPECT_TRUE(out.ok) << c.program << out.error;
    EXPECT_EQ(out.Real(), c.expected) << c.program;
  }
  const ROutcome s = host.Run("s = 'abc'");
  EXPECT_TRUE(s.result.IsString());
  EXPECT_EQ(s.Text(), "abc");
}

TEST(CodeExecFlow, RunTimeMessages) {
  CCodeHost host;
  const RErrorCase cases[] = {
      {"repeat ('a') {}", "Repeat count must be a number"},
      {"while ('a') {}", "Boolean expression expected"},
      {"do {} until ('a')", "Boolean expression expected"},
      {"if ('a') {}", "Expression expected"},
      {"for (i = 0; 'a'; i += 1) {}", "Expression expected"},
      {"if (1) ;", "Statement expected."},
      {"for (; i < 3; i += 1) {}", "Statement expected."},
      {"case 1: a = 1", "Case statement only allowed inside switch statement."},
      {"default: a = 1", "Default statement only allowed inside switch statement."},
      {"with ('a') {}", "Object id expected"},
      {"with (local) {}", "Cannot use local in with statement."},
      {"with (global) {}", "Cannot use global in with statement."},
      {"a[32000] = 1", "Array index >= 32000"},
      {"a[0, 32000] = 1", "Array index >= 32000"},
      {"a[-1] = 1", "Negative array index"},
      {"a['x'] = 1", "Wrong type of array index"},
      {"return b", "Unknown variable b"},
      {"a = 1; return a[3]", "Unknown variable a or array index out of bounds"},
      {"s = 'q'; s.w = 1", "Wrong type of variable index"},
      {"noone.w = 1", "Cannot assign to the variable"},
      {"id = 5", "Cannot assign to the variable"},
      {"z = 0; return 1 / z", "Division by 0."},
      {"s = 'a'; return -s", "Wrong type of arguments to unary operator."},
      {"s = 'a'; return s - 1", "Wrong type of arguments to -."},
      {"s = 'a'; return s == 1", "Cannot compare arguments."},
  };
  for (const RErrorCase &c : cases) ExpectError(host, c);
}

TEST(CodeExecFlow, ErrorIsLocatedAtTheNodeConcerned) {
  CCodeHost host;
  const ROutcome out = host.Run("repeat ('x') {}");
  EXPECT_EQ(out.error, "Error in code at line 1:\r   repeat ('x') {}\r          ^\rat position 9: Repeat count must be a number");
  const ROutcome two = host.Run("a = 1;\rb = a + q");
  EXPECT_EQ(two.error, "Error in code at line 2:\r   b = a + q\r          ^\rat position 9: Unknown variable q");
}

TEST(CodeExecFlow, ErrorStopsTheCodeAtOnce) {
  CCodeHost host;
  const ROutcome out = host.Run("a = 1; b = nothing; a = 2");
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(host.Var("a").val, 1);
  // the first error of an execution is the one kept
  const ROutcome second = host.Run("b = first + second");
  EXPECT_TRUE(EndsWith(second.error, "Unknown variable first"));
}

TEST(CodeExecSwitch, MatchingFallThroughAndDefault) {
  CCodeHost host;
  const RRealCase cases[] = {
      {"a = 0; b = 0; c = 0; switch (2) { case 1: a = 1; case 2: a = 2; case 3: b = 3; break; case 4: c = 4 } "
       "return a * 100 + b * 10 + c",
       230},
      // the scan stops at default, so a later case is never matched
      {"a = 0; b = 0; switch (5) { default: a = 1; case 5: b = 1 } return a * 10 + b", 11},
      {"a = 0; switch (9) { case 1: a = 1 } return a", 0},
      {"a = 0; switch (9) { case 1: a = 1; break; default: a = 2 } return a", 2},
      {"switch ('B') { case 'b': return 1; case 'B': return 2 } return 0", 2},
      {"switch ('1') { case 1: return 1; default: return 2 } return 0", 2},
      {"switch (1) { case 1: case 2: return 12 } return 0", 12},
      {"k = 3; switch (4) { case k + 1: return 1 } return 0", 1},
      // labels match exactly, not within the comparison epsilon
      {"v = 1; v += 0.00000000000001; switch (v) { case 1: return 1 } return (v == 1) * 2", 2},
      {"switch (2) { case 1: return 1 } return 5", 5},
  };
  for (const RRealCase &c : cases) ExpectReal(host, c);
  ExpectError(host, {"switch (1) { case zz: a = 1 }", "Unknown variable zz"});
}

// A world with object 0 (the self instance), object 1 "ball", object 2 a
// child of ball and object 3 without instances; balls b1 (1), b2 (2), b3 (1).
class CodeExecWorld : public ::testing::Test {
protected:
  void SetUp() override {
    ball = host.world.AddObject();
    redBall = host.world.AddObject(ball);
    empty = host.world.AddObject();
    b1 = host.world.AddInstance(ball);
    b2 = host.world.AddInstance(redBall);
    b3 = host.world.AddInstance(ball);
  }
  int Id(CInstance *inst) { return host.world.InstanceId(inst); }
  double V(const char *name, CInstance *inst) { return host.Var(name, inst).val; }
  bool Has(const char *name, CInstance *inst) {
    bool found = false;
    host.Var(name, inst, &found);
    return found;
  }
  std::string Run(const std::string &program) {
    const ROutcome out = host.Run(program);
    return out.ok ? "" : out.error;
  }

  CCodeHost host;
  int ball = 0, redBall = 0, empty = 0;
  CInstance *b1 = nullptr, *b2 = nullptr, *b3 = nullptr;
};

TEST_F(CodeExecWorld, WithVisitsAnObjectAndItsDescendants) {
  EXPECT_EQ(Run("with (1) v = 5"), "");
  EXPECT_EQ(V("v", b1), 5);
  EXPECT_EQ(V("v", b2), 5);
  EXPECT_EQ(V("v", b3), 5);
  EXPECT_FALSE(Has("v", host.self));
  EXPECT_EQ(Run("with (2) w = 1"), "");
  EXPECT_TRUE(Has("w", b2));
  EXPECT_FALSE(Has("w", b1));
}

TEST_F(CodeExecWorld, WithSelectors) {
  EXPECT_EQ(Run("n = 0; with (all) other.n += 1"), "");
  EXPECT_EQ(V("n", host.self), 4);
  EXPECT_EQ(Run("with (noone) q = 1"), "");
  EXPECT_EQ(Run("with (self) s1 = 3"), "");
  EXPECT_EQ(V("s1", host.self), 3);
  EXPECT_EQ(Run("with (" + std::to_string(Id(b3)) + ") byid = 1"), "");
  EXPECT_TRUE(Has("byid", b3));
  EXPECT_FALSE(Has("byid", b1));
  EXPECT_EQ(Run("with (999999) nobody = 1"), "");
  EXPECT_EQ(Run("with (3) nobody = 1"), "");
  // with (other) runs for the other instance
  const ROutcome out = host.Run("with (other) mark = 1", host.self, b1);
  EXPECT_TRUE(out.ok);
  EXPECT_TRUE(Has("mark", b1));
}

TEST_F(CodeExecWorld, OtherInsideWithIsTheInstanceThatRanIt) {
  EXPECT_EQ(Run("v = 9; with (1) w = other.v"), "");
  EXPECT_EQ(V("w", b1), 9);
  EXPECT_EQ(V("w", b3), 9);
  // nested: inside with (1), other is the runner, so with (other) comes back to it
  EXPECT_EQ(Run("with (1) { with (other) back = 1 }"), "");
  EXPECT_TRUE(Has("back", host.self));
  EXPECT_FALSE(Has("back", b1));
}

TEST_F(CodeExecWorld, WithBodyCodes) {
  EXPECT_EQ(Run("n = 0; with (1) { other.n += 1; break }"), "");
  EXPECT_EQ(V("n", host.self), 1);
  EXPECT_EQ(Run("n = 0; with (1) { other.n += 1; continue; other.n += 100 }"), "");
  EXPECT_EQ(V("n", host.self), 3);
  EXPECT_EQ(Run("with (1) exit; after = 1"), "");
  EXPECT_FALSE(Has("after", host.self));
  const ROutcome r = host.Run("with (1) return 7; return 0");
  EXPECT_EQ(r.Real(), 7);
}

TEST_F(CodeExecWorld, MarkedInstancesAreSkipped) {
  CTestWorld::Get(b1).marked = true;
  EXPECT_EQ(Run("with (1) v = 1"), "");
  EXPECT_FALSE(Has("v", b1));
  EXPECT_TRUE(Has("v", b2));
  EXPECT_EQ(Run("(1).u = 2"), "");
  EXPECT_FALSE(Has("u", b1));
  EXPECT_TRUE(Has("u", b3));
  EXPECT_EQ(host.Run("return (1).u").Real(), 2);
  // a marked instance by id: writes do nothing, reads fail
  const std::string id = std::to_string(Id(b1));
  EXPECT_EQ(Run("(" + id + ").z = 1"), "");
  EXPECT_FALSE(Has("z", b1));
  EXPECT_TRUE(EndsWith(Run("return (" + id + ").v"), "Unknown variable v"));
}

// spawn(object): adds an instance while code runs, as instance_create would.
CTestWorld *g_spawnWorld = nullptr;
void F_Spawn(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  CInstance *inst = g_spawnWorld->AddInstance(static_cast<int>(args[0].val));
  result.SetReal(g_spawnWorld->InstanceId(inst));
}

TEST_F(CodeExecWorld, InstancesCreatedByTheBodyAreNotVisited) {
  if (FunctionFind("spawn") < 0) FunctionAdd("spawn", F_Spawn, 1);
  g_spawnWorld = &host.world;
  EXPECT_EQ(Run("n = 0; with (1) { spawn(1); other.n += 1 }"), "");
  EXPECT_EQ(V("n", host.self), 3);
  EXPECT_EQ(Run("n = 0; with (all) { spawn(1); other.n += 1 }"), "");
  EXPECT_EQ(V("n", host.self), 7);
  g_spawnWorld = nullptr;
}

TEST(CodeExecWorldEmpty, AllAndObjectsInAnEmptyRoom) {
  CCodeHost host;
  RTestInstance outside;  // runs the code without being in the room
  host.world.Clear();
  host.world.AddObject();
  CInstance *self = CTestWorld::Of(outside);
  EXPECT_TRUE(host.Run("with (all) p = 1; with (0) q = 1; all.z = 1; n = 1", self).ok);
  EXPECT_TRUE(outside.vars.Exists(VariableIndex("n")));
  EXPECT_FALSE(outside.vars.Exists(VariableIndex("p")));
  const ROutcome read = host.Run("return all.z", self);
  EXPECT_TRUE(EndsWith(read.error, "Unknown variable z"));
}

TEST_F(CodeExecWorld, SelectorsForReadingAndWriting) {
  const std::string id2 = std::to_string(Id(b2));
  EXPECT_EQ(Run("(" + id2 + ").v = 7"), "");
  EXPECT_EQ(V("v", b2), 7);
  EXPECT_EQ(host.Run("return (" + id2 + ").v + 1").Real(), 8);
  // write to an object writes every instance; read takes the first one
  EXPECT_EQ(Run("(1).k = 4"), "");
  EXPECT_EQ(V("k", b1) + V("k", b2) + V("k", b3), 12);
  // an object without instances: the write succeeds and does nothing, a read fails
  EXPECT_EQ(Run("(3).k = 1"), "");
  EXPECT_TRUE(EndsWith(Run("return (3).k"), "Unknown variable k"));
  // other
  const ROutcome out = host.Run("other.o = 3; return other.o", host.self, b3);
  EXPECT_EQ(out.Real(), 3);
  EXPECT_EQ(V("o", b3), 3);
  // computed instance expressions
  EXPECT_EQ(host.Run("i = " + id2 + "; return (i - 1 + 1).v").Real(), 7);
}

TEST(CodeExecVariables, GlobalsAndLocals) {
  CCodeHost host;
  EXPECT_EQ(host.Run("global.g = 4; return global.g").Real(), 4);
  bool found = true;
  host.Var("g", nullptr, &found);
  EXPECT_FALSE(found);
  EXPECT_EQ(host.Global("g").val, 4);

  // globalvar declares for every later run
  EXPECT_EQ(host.Run("globalvar gv; return gv").Real(), 0);
  EXPECT_TRUE(host.Run("gv = 3").ok);
  EXPECT_EQ(host.Global("gv").val, 3);
  host.Var("gv", nullptr, &found);
  EXPECT_FALSE(found);

  // var: local to one execution
  EXPECT_EQ(host.Run("var t; t = 5; return t").Real(), 5);
  host.Var("t", nullptr, &found);
  EXPECT_FALSE(found);
  EXPECT_TRUE(EndsWith(host.Run("return t").error, "Unknown variable t"));
  EXPECT_TRUE(EndsWith(host.Run("var t; return t").error, "Unknown variable t"));
  // only uses after the declaration are local
  EXPECT_EQ(host.Run("t = 1; var t; t = 2; return self.t * 10 + t").Real(), 12);
  EXPECT_EQ(host.Var("t").val, 1);
  // locals hold arrays too
  EXPECT_EQ(host.Run("var a; a[2] = 5; a[1, 3] = 6; return a[2] + a[1, 3] + a[1]").Real(), 11);
}

TEST(CodeExecVariables, ArrayCells) {
  CCodeHost host;
  const RRealCase cases[] = {
      {"a = 3; return a[0]", 3},
      {"a[0, 0] = 7; return a", 7},
      {"a[0.4] = 2; return a", 2},
      {"a[1] = 4; return a[0, 1]", 4},
      {"a[1, 0] = 9; return a[1, 0]", 9},
      {"b[5] = 1; return b + b[3] + b[5]", 1},
      {"c[2, 3] = 8; return c[2, 3] + c[2, 1] + c", 8},
  };
  for (const RRealCase &c : cases) ExpectReal(host, c);
  ExpectError(host, {"d[5] = 1; return d[6]", "Unknown variable d or array index out of bounds"});
  ExpectError(host, {"e[1, 0] = 1; return e[1, 1]", "Unknown variable e or array index out of bounds"});
}

TEST(CodeExecVariables, UninitZeroReadsMissingVariablesAsZero) {
  CCodeHost host;
  g_Settings.opt_uninitzero = true;
  const RRealCase cases[] = {
      {"return zz", 0},
      {"zz += 5; return zz", 5},
      {"return noone.q + a[7] + global.nothing", 0},
      {"var l; return l", 0},
  };
  for (const RRealCase &c : cases) ExpectReal(host, c);
  EXPECT_TRUE(host.Run("s = 'x'; s = nothing").result.IsReal());
}

TEST(CodeExecVariables, CompoundAssignment) {
  CCodeHost host;
  const RRealCase cases[] = {
      {"n = 10; n -= 3; return n", 7},
      {"n = 3; n *= 4; return n", 12},
      {"n = 3; n /= 4; return n", 0.75},
      {"n = 5; n |= 2; return n", 7},
      {"n = 6; n &= 3; return n", 2},
      {"n = 6; n ^= 3; return n", 5},
      {"a[3] = 1; a[3] += 4; return a[3]", 5},
  };
  for (const RRealCase &c : cases) ExpectReal(host, c);
  const ROutcome s = host.Run("s = 'ab'; s += 'cd'");
  EXPECT_EQ(s.Text(), "abcd");

  // a failing operator leaves the variable as it was
  const ROutcome bad = host.Run("n = 1; n += 'a'");
  EXPECT_TRUE(EndsWith(bad.error, "Wrong type of arguments to +."));
  EXPECT_EQ(host.Var("n").val, 1);
  ExpectError(host, {"missing += 1", "Unknown variable missing"});
  ExpectError(host, {"y = 1; y /= 0", "Division by 0."});
}

TEST(CodeExecVariables, TargetIsResolvedBeforeTheValue) {
  CCodeHost host;
  // the index is taken before the right side changes i
  EXPECT_EQ(host.Run("i = 1; a[i] = execute_string('i = 2'); return a[1] * 10 + i").Real(), 22);
  EXPECT_TRUE(EndsWith(host.Run("return a[2]").error, "Unknown variable a or array index out of bounds"));
  // both operands are always evaluated, left first
  CCodeHost::Notes().clear();
  EXPECT_TRUE(host.Run("r = note(1) && note(2); r = 0 && note(3)").ok);
  EXPECT_EQ(CCodeHost::Notes(), (std::vector<std::string>{"1", "2", "3"}));
}

TEST(CodeExecUnits, ExpressionsAndConstantExpressions) {
  CCodeHost host;
  EXPECT_EQ(host.Eval("1 + 2").Real(), 3);
  host.SetVar("a", RValue::Real(2));
  EXPECT_EQ(host.Eval("a * 10 + 1").Real(), 21);
  EXPECT_EQ(host.Eval("").Real(), 0);
  const ROutcome bad = host.Eval("a + b");
  EXPECT_EQ(bad.error.rfind("Error in expression:a + b\r position ", 0), 0u) << bad.error;
  EXPECT_TRUE(EndsWith(bad.error, "Unknown variable b"));
  EXPECT_EQ(bad.Text(), "ERROR");
}

TEST(CodeExecUnits, UncompiledCodeAndMissingInstances) {
  CCodeHost host;
  CCode code("a = 1", false);
  RValue result;
  EXPECT_FALSE(EvaluateCode(host.self, host.self, code, result));
  EXPECT_TRUE(EndsWith(CodeErrorText(), "Internal Error: Executing non-compiled code."));
  EXPECT_EQ(result.str.view(), "ERROR");
  CodeErrorClear();

  ASSERT_TRUE(code.Compile());
  EXPECT_FALSE(EvaluateCode(nullptr, host.self, code, result));
  EXPECT_TRUE(EndsWith(CodeErrorText(), "Internal Error: Executing code for nil instance."));
  CodeErrorClear();
}

TEST(CodeExecUnits, ConstantExpressionNeedsNoInstance) {
  CCodeHost host;
  CCode code("1 + 2 * 3", true);
  ASSERT_TRUE(code.Compile());
  RValue result;
  EXPECT_TRUE(EvaluateCode(nullptr, nullptr, code, result));
  EXPECT_EQ(result.val, 7);
}

// ext_sum(a, b) is extension function 3: the handler adds its arguments;
// ext_fail is extension function 4, whose handler records an error.
int32_t FindExtension(std::string_view name) { return name == "ext_sum" ? 3 : name == "ext_fail" ? 4 : -1; }
int32_t ExtensionArgCount(int32_t id) { return id == 3 ? 2 : 0; }
bool CallExtension(int index, CInstance *, CInstance *, int argc, RValue *args, RValue &result) {
  if (index != 3) {
    ReportCodeError("", true, 0, "extension failed");
    return false;
  }
  result.SetReal(argc * 1000 + args[0].val + args[1].val + args[2].val);
  return true;
}

TEST(CodeExecUnits, ExtensionFunctionsGoThroughTheHandler) {
  CCodeHost host;
  FunctionSetExtensionHooks(FindExtension, ExtensionArgCount);
  SetExtensionCallHandler(CallExtension);
  EXPECT_EQ(host.Run("return ext_sum(3, 4)").Real(), 2007);
  const ROutcome failed = host.Run("a = ext_fail(); b = 1");
  EXPECT_FALSE(failed.ok);
  EXPECT_TRUE(EndsWith(failed.error, "extension failed"));
  SetExtensionCallHandler(nullptr);
  EXPECT_TRUE(EndsWith(host.Run("return ext_sum(3, 4)").error, "Unknown extension function."));
  FunctionSetExtensionHooks(nullptr, nullptr);
}

TEST(CodeExecUnits, ExecuteCodeReportsAnActionErrorAndClearsTheFlag) {
  CCodeHost host;
  CCode code("a = 1;\rb = c", false);
  ASSERT_TRUE(code.Compile());
  RValue result;
  EXPECT_FALSE(ExecuteCode(host.self, host.self, code, result));
  EXPECT_FALSE(CodeErrorFlag());
  EXPECT_TRUE(ErrorOccurred());
  EXPECT_EQ(ErrorLast().rfind("ERROR in\r\naction number 1\r\n", 0), 0u) << ErrorLast();
  EXPECT_TRUE(EndsWith(ErrorLast(), "Error in code at line 2:\r   b = c\r      ^\rat position 5: Unknown variable c"))
      << ErrorLast();
  // the next run starts clean
  CCode ok("d = 2", false);
  ASSERT_TRUE(ok.Compile());
  EXPECT_TRUE(ExecuteCode(host.self, host.self, ok, result));
  EXPECT_EQ(result.val, 2);
}

TEST(CodeExecLimits, StepBudgetEndsEndlessLoops) {
  CCodeHost host;
  const char *programs[] = {"while (true) {}", "do {} until (false)", "for (i = 0; true; i += 0) {}",
                            "repeat (1000000000) { a = 1 }", "while (1) { with (all) {} }"};
  for (const char *p : programs) {
    SetStepBudget(10000);
    const ROutcome out = host.Run(p);
    EXPECT_FALSE(out.ok) << p;
    EXPECT_TRUE(EndsWith(out.error, kStepBudgetMessage)) << p << out.error;
  }
  SetStepBudget(-1);
  EXPECT_TRUE(host.Run("n = 0; repeat (20000) n += 1").ok);
}

// Counting loops over locals (`var i; for (i = 0; i < n; i += 1)`) run their
// condition and step in place; these cases change the locals under the loop's
// feet, so they would see a condition or step that was not rechecked.
TEST(CodeExecFlow, CountingLoopsOverLocals) {
  CCodeHost host;
  const RRealCase cases[] = {
      {"var i, s; s = 0; for (i = 0; i < 5; i += 1) s += i; return s", 10},
      {"var i, s; s = 0; for (i = 10; i > 0; i -= 3) s += i; return s", 22},
      {"var i, n; n = 0; for (i = 0; i <= 1; i += 0.1) n += 1; return n", 11},
      {"var i, n; n = 0; for (i = 3; i >= 1; i -= 1) n += 1; return n", 3},
      {"var i, n; n = 0; for (i = 0; i != 5; i += 1) n += 1; return n", 5},
      {"var i, n; n = 0; for (i = 0; i == 0; i += 1) n += 1; return n", 1},
      // the limit is a local the body changes
      {"var i, n, s; n = 5; s = 0; for (i = 0; i < n; i += 1) { n -= 1; s += 1 } return s", 3},
      // the step moves another local than the condition reads
      {"var i, k; k = 0; for (i = 0; k < 3; i += 2) k += 1; return i", 6},
      // the body moves the counter; break, continue and return
      {"var i, n; n = 0; for (i = 0; i < 10; i += 1) { i += 2; n += 1 } return n", 4},
      {"var i, s; s = 0; for (i = 0; i < 10; i += 1) { if (i == 4) break; s += i } return s", 6},
      {"var i, s; s = 0; for (i = 0; i < 5; i += 1) { if (i == 2) continue; s += i } return s", 8},
      {"var i; for (i = 0; i < 5; i += 1) if (i == 3) return i * 10; return -1", 30},
      // a string counter goes the general way: 'a' < 3 cannot be compared,
      // but a counter that becomes a real again goes on
      {"var i, n; n = 0; for (i = 0; i < 3; i += 1) { n += 1; if (i == 1) { i = 'x'; i = 1 } } return n", 3},
      {"var i, j, s; s = 0; for (i = 0; i < 30; i += 1) for (j = 0; j < i; j += 1) s += 1; return s", 435},
  };
  for (const RRealCase &c : cases) ExpectReal(host, c);
  const RErrorCase errors[] = {
      {"var i; for (i = 0; i < 3; i += 1) i = 'a'", "Wrong type of arguments to +."},
      {"var i; for (i = 0; i < 3; i += 1) { i = 1; i = 'a' }", "Wrong type of arguments to +."},
      {"var i, k; for (i = 0; i < 3; k += 1) {}", "Unknown variable k"},
      {"var i, k; for (k = 0; i < 3; k += 1) {}", "Unknown variable i"},
      {"var i, n; n = 'a'; for (i = 0; i < n; i += 1) {}", "Cannot compare arguments."},
  };
  for (const RErrorCase &c : errors) ExpectError(host, c);
  // a step beyond the double range traps as the general step does
  const std::string huge = "1" + std::string(308, '0');
  EXPECT_THROW(host.Run("var i; for (i = 1; i > 0; i += " + huge + ") {}"), EMathTrap);
  EXPECT_THROW(host.Run("var i; for (i = -1; i < 0; i -= " + huge + ") {}"), EMathTrap);
}

// A counting loop over locals decides its condition by the difference of
// counter and limit; each comparison must hold for exactly the differences
// the general comparison holds for, at its margin of 1e-13 above all.
TEST(CodeExecFlow, CountingLoopComparisonsAgreeWithTheGeneralOnes) {
  CCodeHost host;
  const char *comparisons[] = {"<", "<=", "==", "!=", ">=", ">"};
  // counter start and limit, as the source writes them
  const char *pairs[][2] = {
      {"0", "0"},
      {"0", "0.0000000000001"},
      {"0", "-0.0000000000001"},
      {"0", "0.000000000000099"},
      {"0", "-0.000000000000099"},
      {"0", "0.000000000000101"},
      {"0", "-0.000000000000101"},
      {"1", "1.0000000000001"},
      {"1.0000000000001", "1"},
      {"5", "3"},
      {"3", "5"},
  };
  for (const char *cmp : comparisons) {
    for (const auto &pair : pairs) {
      const std::string start = pair[0], limit = pair[1], c = cmp;
      const std::string body = "; c += 1) { c += 1; break } return c";
      // a constant limit, a local limit, and instance variables (the general way)
      const std::string constant = "var i, c; c = 0; for (i = " + start + "; i " + c + " " + limit + body;
      const std::string local =
          "var i, n, c; c = 0; n = " + limit + "; for (i = " + start + "; i " + c + " n" + body;
      const std::string general = "var c; c = 0; j = " + limit + "; for (k = " + start + "; k " + c + " j" + body;
      const double expected = host.Run(general).Real();
      EXPECT_EQ(host.Run(constant).Real(), expected) << constant;
      EXPECT_EQ(host.Run(local).Real(), expected) << local;
    }
  }
}

// A counting loop over locals uses up exactly the steps of the same loop
// over instance variables, which the general way runs.
TEST(CodeExecLimits, CountingLoopsCountTheirSteps) {
  CCodeHost host;
  const char *loops[][2] = {
      {"var i; for (i = 0; i < 20; i += 1) {}", "var q; for (i = 0; i < 20; i += 1) {}"},
      {"var i; for (i = 0; i < 20; i += 1) { a = i }", "var q; for (i = 0; i < 20; i += 1) { a = i }"},
      {"var i; for (i = 0; i < 20; i += 1) a = i", "var q; for (i = 0; i < 20; i += 1) a = i"},
      {"var i, j; for (i = 0; i < 5; i += 1) for (j = 0; j < 4; j += 1) a = j",
       "var q; for (i = 0; i < 5; i += 1) for (j = 0; j < 4; j += 1) a = j"},
  };
  const auto fewest = [&host](const char *program) {
    for (int64_t budget = 0; budget < 1000; ++budget) {
      SetStepBudget(budget);
      if (host.Run(program).ok) return budget;
    }
    return int64_t{-1};
  };
  for (const auto &pair : loops) {
    const int64_t general = fewest(pair[1]);
    ASSERT_GT(general, 0) << pair[1];
    EXPECT_EQ(fewest(pair[0]), general) << pair[0];
  }
  SetStepBudget(-1);
}

TEST(CodeExecLimits, ArithmeticTrapAbandonsTheCode) {
  CCodeHost host;
  // a result beyond the double range
  EXPECT_THROW(host.Run("n = 1; repeat (1100) n *= 2; after = 1"), EMathTrap);
  bool found = true;
  host.Var("after", nullptr, &found);
  EXPECT_FALSE(found);
  // integer conversions of values beyond the 64-bit range
  EXPECT_THROW(host.Run("i = 1; repeat (70) i *= 2; a[i] = 1"), EMathTrap);
  EXPECT_THROW(host.Run("i = 1; repeat (70) i *= 2; repeat (i) {}"), EMathTrap);
  EXPECT_THROW(host.Run("i = 1; repeat (70) i *= 2; with (i) {}"), EMathTrap);
  // the interpreter is usable again afterwards
  EXPECT_EQ(host.Run("return 1 + 1").Real(), 2);
}

}  // namespace
