#include <gtest/gtest.h>
#include <pthread.h>

#include <cmath>
#include <memory>
#include <string>
#include <string_view>

#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Code_Operator.h"
#include "code/Code_Phase3.h"
#include "code/Script_Main.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"

namespace {

void NoRoutine(CInstance *, CInstance *, int, RValue *, RValue &) {}

std::string Number(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

const char *OperatorText(int32_t symbol) {
  switch (symbol) {
    case SYM_ASSIGN: return "=";
    case SYM_ADD_ASSIGN: return "+=";
    case SYM_SUB_ASSIGN: return "-=";
    case SYM_MUL_ASSIGN: return "*=";
    case SYM_DIV_ASSIGN: return "/=";
    case SYM_OR_ASSIGN: return "|=";
    case SYM_AND_ASSIGN: return "&=";
    case SYM_XOR_ASSIGN: return "^=";
    case SYM_AND: return "&&";
    case SYM_OR: return "||";
    case SYM_XOR: return "^^";
    case SYM_NOT: return "!";
    case SYM_LESS: return "<";
    case SYM_LESS_EQUAL: return "<=";
    case SYM_EQUAL: return "==";
    case SYM_NOT_EQUAL: return "!=";
    case SYM_GREATER_EQUAL: return ">=";
    case SYM_GREATER: return ">";
    case SYM_PLUS: return "+";
    case SYM_MINUS: return "-";
    case SYM_TIMES: return "*";
    case SYM_DIVIDE: return "/";
    case SYM_DIV: return "div";
    case SYM_MOD: return "mod";
    case SYM_BIT_OR: return "|";
    case SYM_BIT_AND: return "&";
    case SYM_BIT_XOR: return "^";
    case SYM_BIT_NOT: return "~";
    case SYM_SHIFT_LEFT: return "<<";
    case SYM_SHIFT_RIGHT: return ">>";
    default: return "?";
  }
}

std::string FunctionText(int32_t id) {
  if (id >= kFunctionScriptBase && id < kFunctionExtensionBase) return ScriptName(id - kFunctionScriptBase);
  const RFunction *f = FunctionEntry(id);
  return f ? f->f_name : "?" + std::to_string(id);
}

// A compact printed form of a tree: leaves as text, inner nodes as
// (head child ...). A kind-8 variable prints as name@selector; a kind-7 one
// as (var name instance index...).
std::string Tree(const RToken &n) {
  const auto withChildren = [&](std::string head, int from = 0) {
    std::string s = "(" + head;
    for (int i = from; i < n.itemnumb; ++i) s += " " + Tree(n.Child(i));
    return s + ")";
  };
  switch (n.kind) {
    case NODE_EMPTY_PROGRAM: return "emptyprogram";
    case NODE_EMPTY: return "empty";
    case NODE_CONSTANT:
      return n.value.IsString() ? "\"" + n.value.str.str() + "\"" : Number(n.value.val);
    case NODE_CALL: return withChildren(FunctionText(n.ind));
    case NODE_VARIABLE: return withChildren("var " + VariableName(n.ind));
    case NODE_VARIABLE_SIMPLE: return VariableName(n.ind) + "@" + std::to_string(n.ind2);
    case NODE_IF: return withChildren("if");
    case NODE_WHILE: return withChildren("while");
    case NODE_DO: return withChildren("do");
    case NODE_FOR: return withChildren("for");
    case NODE_REPEAT: return withChildren("repeat");
    case NODE_EXIT: return "exit";
    case NODE_BREAK: return "break";
    case NODE_CONTINUE: return "continue";
    case NODE_WITH: return withChildren("with");
    case NODE_RETURN: return withChildren("return");
    case NODE_SWITCH: return withChildren("switch");
    case NODE_CASE: return withChildren("case");
    case NODE_DEFAULT: return "default";
    case NODE_VAR:
    case NODE_GLOBALVAR: {
      std::string s = n.kind == NODE_VAR ? "(var" : "(globalvar";
      for (const RToken &name : n) s += " " + VariableName(name.ind);
      return s + ")";
    }
    case NODE_ASSIGN: return withChildren(std::string("set") + OperatorText(n.ind));
    case NODE_BLOCK: return withChildren("block");
    case NODE_UNARY:
      return withChildren(n.ind == SYM_MINUS ? "neg" : n.ind == SYM_PLUS ? "pos" : OperatorText(n.ind));
    case NODE_BINARY: return withChildren(OperatorText(n.ind));
    default: return "<kind " + std::to_string(n.kind) + ">";
  }
}

class CodeCompile : public ::testing::Test {
protected:
  void SetUp() override {
    BuiltinRegisterAll();
    ConstantRegisterBuiltins();
    ConstantResetToBuiltins();
    FunctionTableReset();
    FunctionAdd("show_message", NoRoutine, 1);
    FunctionAdd("f", NoRoutine, -1);
    FunctionAdd("g0", NoRoutine, 0);
    FunctionAdd("h2", NoRoutine, 2);
    g_Scripts.Clear();
    g_Scripts.items.push_back(std::make_unique<CScript>());
    g_Scripts.names.emplace_back("scr_a");
    CodeErrorClear();
  }
  void TearDown() override {
    g_Scripts.Clear();
    FunctionTableReset();
    CodeErrorClear();
  }

  // The printed tree of a successful compilation, or "ERROR: " + the
  // recorded text.
  static std::string Compiled(std::string_view text, bool isexp = false) {
    CCode code(text, isexp);
    if (!code.Compile()) {
      EXPECT_FALSE(code.Compiled());
      return "ERROR: " + CodeErrorText();
    }
    return Tree(code.Token());
  }

  // The recorded text of a failed compilation ("" when it compiled).
  static std::string ErrorOf(std::string_view text, bool isexp = false) {
    CCode code(text, isexp);
    if (code.Compile()) return "";
    return CodeErrorText();
  }
};

struct TreeCase {
  const char *text;
  const char *tree;
};

TEST_F(CodeCompile, ProgramTrees) {
  const TreeCase cases[] = {
      {"", "emptyprogram"},
      {"  // nothing\n", "emptyprogram"},
      {"x = 1 + 2 * 3", "(block (set= x@-6 7))"},
      {"a.b.c = 1", "(block (set= (var c (var b a@-6)) 1))"},
      {"other.x = 5; global.y = 1; self.a = 2", "(block (set= x@-2 5) (set= y@-5 1) (set= a@-1 2))"},
      {"(1+1).a = 3; (100001).a = 4", "(block (set= a@2 3) (set= a@100001 4))"},
      {"(2.5).a = 1; (3.5).a = 1; (-2.5).a = 1", "(block (set= a@2 1) (set= a@4 1) (set= a@-2 1))"},
      {"a[1,2] = b[3]", "(block (set= (var a -6 1 2) (var b -6 3)))"},
      {"a[] = 1; a[f(1),] = 2", "(block (set= a@-6 1) (set= (var a -6 (f 1)) 2))"},
      {"a[2].b.c = 1", "(block (set= (var c (var b (var a -6 2))) 1))"},
      // Local marking applies to uses after the declaration only.
      {"var i; i = 0;", "(block (var i) (set= i@-7 0))"},
      {"i = 0; var i; i += 1", "(block (set= i@-6 0) (var i) (set+= i@-7 1))"},
      {"var i, j k; j[1] = k", "(block (var i j k) (set= (var j -7 1) k@-7))"},
      {"var i; other.i = 1", "(block (var i) (set= i@-2 1))"},
      {"globalvar g, h; g = h", "(block (globalvar g h) (set= g@-6 h@-6))"},
      // Keywords and their alternative spellings.
      {"if a and not b then x := 1 else begin y = 2 end",
       "(block (if (&& a@-6 (! b@-6)) (set= x@-6 1) (block (set= y@-6 2))))"},
      {"if (a) b = 1", "(block (if a@-6 (set= b@-6 1)))"},
      {"while a > 0 do a -= 1", "(block (while (> a@-6 0) (set-= a@-6 1)))"},
      {"while (a) { a *= 2 }", "(block (while a@-6 (block (set*= a@-6 2))))"},
      {"do a /= 2 until a < 1", "(block (do (set/= a@-6 2) (< a@-6 1)))"},
      {"for (i = 0; i < 3; i += 1) s |= i", "(block (for (set= i@-6 0) (< i@-6 3) (set+= i@-6 1) (set|= s@-6 i@-6)))"},
      {"for (i = 0 i < 3 i += 1) s &= i", "(block (for (set= i@-6 0) (< i@-6 3) (set+= i@-6 1) (set&= s@-6 i@-6)))"},
      {"repeat 3 s ^= 1", "(block (repeat 3 (set^= s@-6 1)))"},
      {"with (other) a = 1; with all do a = 2",
       "(block (with -2 (set= a@-6 1)) (with -3 (set= a@-6 2)))"},
      {"exit; break; continue; return a + 1",
       "(block exit break continue (return (+ a@-6 1)))"},
      {"switch (a) { case 1: b = 2; break; case \"x\": default: c = 3 }",
       "(block (switch a@-6 (case 1) (set= b@-6 2) break (case \"x\") default (set= c@-6 3)))"},
      {"switch a begin end", "(block (switch a@-6))"},
      {"case 1: default:", "(block (case 1) default)"},
      {"show_message(\"hi\"); f(); f(1,); scr_a(1, 2)",
       "(block (show_message \"hi\") (f) (f 1) (scr_a 1 2))"},
      {"a = scr_a + c_red", "(block (set= a@-6 255))"},
      // Empty statements.
      {";", "(block empty)"},
      {";;; a = 1;;", "(block empty (set= a@-6 1))"},
      {"if (a) ;", "(block (if a@-6 empty))"},
      {"for (; i < 3; i += 1) a = 1", "(block (for empty (< i@-6 3) (set+= i@-6 1) (set= a@-6 1)))"},
      // A program that starts with a brace is that one block.
      {"{ a = 1 }", "(block (set= a@-6 1))"},
      {"begin a = 1; end", "(block (set= a@-6 1))"},
      {"{}", "(block)"},
      {"a = 1; { b = 2 }", "(block (set= a@-6 1) (block (set= b@-6 2)))"},
  };
  for (const auto &c : cases) EXPECT_EQ(Compiled(c.text), c.tree) << "program: " << c.text;
}

TEST_F(CodeCompile, ExpressionTrees) {
  const TreeCase cases[] = {
      {"a & 1 == 0", "(== (& a@-6 1) 0)"},
      {"a < b < c", "(< (< a@-6 b@-6) c@-6)"},
      {"-a.b", "(neg (var b a@-6))"},
      {"!a == b", "(== (! a@-6) b@-6)"},
      {"- -a", "(neg (neg a@-6))"},
      {"+a * ~b", "(* (pos a@-6) (~ b@-6))"},
      {"a = b", "(= a@-6 b@-6)"},
      {"a := b", "(= a@-6 b@-6)"},
      {"a || b && c ^^ d", "(^^ (&& (|| a@-6 b@-6) c@-6) d@-6)"},
      {"a or b xor c", "(^^ (|| a@-6 b@-6) c@-6)"},
      {"a << 1 + b", "(<< a@-6 (+ 1 b@-6))"},
      {"a | b << 2", "(| a@-6 (<< b@-6 2))"},
      {"a + b * c - d / e", "(- (+ a@-6 (* b@-6 c@-6)) (/ d@-6 e@-6))"},
      {"a div b mod c", "(mod (div a@-6 b@-6) c@-6)"},
      {"a <> b != c", "(!= (!= a@-6 b@-6) c@-6)"},
      {"(a + 1).x", "(var x (+ a@-6 1))"},
      {"a + (2 * 3)", "(+ a@-6 6)"},
      {"1 + 2 + a", "(+ 3 a@-6)"},
      {"a + 1 + 2", "(+ (+ a@-6 1) 2)"},
      {"h2(a, 1 + 1)", "(h2 a@-6 2)"},
      {"g0() + f(1, 2, 3)", "(+ (g0) (f 1 2 3))"},
      {"argument[1] + argument0", "(+ (var argument -6 1) argument0@-6)"},
  };
  for (const auto &c : cases) EXPECT_EQ(Compiled(c.text, true), c.tree) << "expression: " << c.text;
}

TEST_F(CodeCompile, ConstantExpressionsBecomeKindThree) {
  const struct {
    const char *text;
    RValue value;
  } cases[] = {
      {"", RValue::Real(0)},
      {"1 2", RValue::Real(1)},
      {"1 + 2 * 3", RValue::Real(7)},
      {"c_red", RValue::Real(255)},
      {"\"ab\" + \"cd\"", RValue::Str("abcd")},
      {"3 * \"ab\"", RValue::Str("ababab")},
      {"-2 * \"ab\"", RValue::Str("")},
      {"2.5 * \"x\"", RValue::Str("xx")},
      {"7 div 2", RValue::Real(3)},
      {"-7 div 2", RValue::Real(-3)},
      {"7.5 mod 2", RValue::Real(1.5)},
      {"-7 mod 3", RValue::Real(-1)},
      {"5 | 2", RValue::Real(7)},
      {"6 & 3", RValue::Real(2)},
      {"6 ^ 3", RValue::Real(5)},
      {"~5", RValue::Real(-6)},
      {"1 << 3", RValue::Real(8)},
      {"1 << 64", RValue::Real(0)},
      {"-1 >> 1", RValue::Real(9223372036854775808.0)},
      {"0.1 + 0.2 == 0.3", RValue::Real(1)},
      {"1 <= 1 + 1e-14", RValue::Real(1)},
      {"\"B\" < \"a\"", RValue::Real(1)},
      {"\"a\" == \"A\"", RValue::Real(0)},
      {"!0.4", RValue::Real(1)},
      {"not 0.5", RValue::Real(0)},
      {"1 and 0.5 or 0", RValue::Real(1)},
      {"1 ^^ 1", RValue::Real(0)},
      {"-(3)", RValue::Real(-3)},
  };
  for (const auto &c : cases) {
    CCode code(c.text, true);
    ASSERT_TRUE(code.Compile()) << c.text << ": " << CodeErrorText();
    EXPECT_EQ(code.Kind(), CCode::kConstantExpression) << c.text;
    EXPECT_EQ(code.Value().kind, c.value.kind) << c.text;
    if (c.value.IsString()) {
      EXPECT_EQ(code.Value().str.view(), c.value.str.view()) << c.text;
    } else {
      EXPECT_EQ(code.Value().val, c.value.val) << c.text;
    }
    EXPECT_EQ(code.Token().kind, NODE_CONSTANT) << c.text;
  }
}

TEST_F(CodeCompile, ProgramsStayProgramsAndExpressionsWithVariablesStayKindTwo) {
  CCode program("1 + 2", false);
  EXPECT_FALSE(program.Compile());  // a program needs statements
  CCode folded("a = 1 + 2", false);
  ASSERT_TRUE(folded.Compile());
  EXPECT_EQ(folded.Kind(), CCode::kProgram);
  CCode exp("a + 1", true);
  ASSERT_TRUE(exp.Compile());
  EXPECT_EQ(exp.Kind(), CCode::kExpression);
  EXPECT_TRUE(exp.Compiled());
  EXPECT_EQ(exp.GetText(), "a + 1");
  // A constant instance folds into the selector, but the variable is no constant.
  CCode selected("(1+2).a", true);
  ASSERT_TRUE(selected.Compile());
  EXPECT_EQ(selected.Kind(), CCode::kExpression);
  EXPECT_EQ(Tree(selected.Token()), "a@3");
}

// The text the recorder builds for a program error at 1-based column n of
// line `line` whose text is `lineText`.
std::string ProgramError(int line, std::string_view lineText, int n, std::string_view message) {
  return "Error in code at line " + std::to_string(line) + ":\r   " + std::string(lineText) + "\r" +
         std::string(static_cast<size_t>(n) + 1, ' ') + "^\rat position " + std::to_string(n) + ": " +
         std::string(message);
}

TEST_F(CodeCompile, LocatedErrorTextsOfTheReporter) {
  // The caret stands one column left of the offending `;`.
  EXPECT_EQ(ErrorOf("a = ;"),
            "Error in code at line 1:\r   a = ;\r      ^\rat position 5: Unexpected symbol in expression.");
  // After CR LF the line feed counts as the first character of line 2.
  EXPECT_EQ(ErrorOf("a = 1\r\n)"),
            "Error in code at line 2:\r   \n)\r   ^\rat position 2: Unexpected symbol in expression.");
  EXPECT_EQ(ErrorOf("a = 1\nb = )\nc = 2"), ProgramError(2, "b = )", 5, "Unexpected symbol in expression."));
  EXPECT_EQ(ErrorOf("1 +", true), "Error in expression:1 +\r position 3: Unexpected symbol in expression.");
  EXPECT_EQ(ErrorOf("(1", true), "Error in expression:(1\r position 2: Symbol ) expected.");
  EXPECT_EQ(ErrorOf("a.(b)", true), "Error in expression:a.(b)\r position 3: Variable name expected.");
}

struct ErrorCase {
  const char *text;
  int position;  // on the first line
  const char *message;
};

TEST_F(CodeCompile, ProgramErrors) {
  const ErrorCase cases[] = {
      {"a = 1 #", 7, "Unexpected symbol."},
      {"a = foo(1)", 5, "Unknown function or script: foo"},
      {"a = Show_message(1)", 5, "Unknown function or script: Show_message"},
      {"a = f(1 2)", 9, "Symbol , or ) expected."},
      {"a = f(1", 7, "Symbol ) expected."},
      {"a = f(", 6, "Symbol ) expected."},
      {"a = f(,)", 7, "Unexpected symbol in expression."},
      {"show_message(\"a\", \"b\")", 22, "Wrong number of arguments to function or script."},
      {"g0(1)", 5, "Wrong number of arguments to function or script."},
      {"a = h2(1)", 9, "Wrong number of arguments to function or script."},
      {"f(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17)", 44, "Wrong number of arguments to function or script."},
      {"scr_a(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17)", 48, "Wrong number of arguments to function or script."},
      {"a = b[1 2]", 9, "Symbol , or ] expected."},
      {"a = b[1", 7, "Symbol ] expected."},
      {"a[1,2,3] = 1", 8, "Only 1- and 2-dimensional arrays are supported."},
      {"a = )", 5, "Unexpected symbol in expression."},
      {"a = ", 4, "Unexpected symbol in expression."},
      {"a 1", 3, "Assignment operator expected."},
      {"a == 1", 3, "Assignment operator expected."},
      {"c_red = 5", 1, "Variable name expected."},
      {"f(1) + 2", 6, "Variable name expected."},
      {"a = b.(c)", 7, "Variable name expected."},
      {"a = b.", 6, "Variable name expected."},
      {"var b = 1", 7, "Unexpected symbol in expression."},
      {"var b, x", 8, "Cannot redeclare a builtin variable."},
      {"globalvar speed", 11, "Cannot redeclare a builtin variable."},
      {"case 1 a = 2", 8, "Symbol : expected."},
      {"default a = 1", 9, "Symbol : expected."},
      {"switch a b = 1", 10, "Symbol { expected."},
      {"switch a { b = 1", 16, "Symbol } expected."},
      {"{ a = 1", 7, "Symbol } expected."},
      {"a = 1; { b = 1", 14, "Symbol } expected."},
      {"do a = 1", 8, "Keyword until expected."},
      {"for i = 0", 5, "Symbol ( expected."},
      {"for (i = 0; i < 3; i += 1 a = 1", 27, "Symbol ) expected."},
      {"if a", 4, "Unexpected end of code reached."},
      {"while a do", 10, "Unexpected end of code reached."},
      {"return", 6, "Unexpected symbol in expression."},
      {"{ a = 1 } b = 2", 11, "Program ends before end of the code."},
      {"{ a = 1 };", 10, "Program ends before end of the code."},
      {"\"a\".b = 1", 1, "Left hand side must be a real value."},
      {"a = (\"x\" + \"y\").b", 6, "Left hand side must be a real value."},
      {"y = 10 / (5 - 5)", 11, "Division by 0."},
      {"y = 1/0", 7, "Division by 0."},
      {"y = 7 div 0", 11, "Division by 0."},
      {"y = 5 mod 0", 11, "Modulo by 0."},
      {"y = \"a\" - 1", 11, "Wrong type of arguments to -."},
      {"y = \"ab\" * 3", 12, "Wrong type of arguments to *."},
      {"y = -\"a\"", 6, "Wrong type of arguments to unary operator."},
      {"y = 1 == \"a\"", 10, "Cannot compare arguments."},
      {"y = 1 + \"a\"", 9, "Wrong type of arguments to +."},
      {"y = a + (1/0)", 12, "Division by 0."},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(ErrorOf(c.text), ProgramError(1, c.text, c.position, c.message)) << "program: " << c.text;
  }
}

TEST_F(CodeCompile, ExpressionErrorsUseTheExpressionForm) {
  const ErrorCase cases[] = {
      {"1 +", 3, "Unexpected symbol in expression."},
      {"a # b", 3, "Unexpected symbol."},
      {"nofunc(2)", 1, "Unknown function or script: nofunc"},
      {"g0(1)", 5, "Wrong number of arguments to function or script."},
      {"a[1,2,3]", 8, "Only 1- and 2-dimensional arrays are supported."},
      {"10 / (5 - 5)", 7, "Division by 0."},
      {"\"a\".b", 1, "Left hand side must be a real value."},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(ErrorOf(c.text, true), "Error in expression:" + std::string(c.text) + "\r position " +
                                         std::to_string(c.position) + ": " + c.message)
        << "expression: " << c.text;
  }
}

TEST_F(CodeCompile, RecompilingCompiledCodeFails) {
  CCode code("a = 1", false);
  ASSERT_TRUE(code.Compile());
  EXPECT_FALSE(code.Compile());
  EXPECT_EQ(CodeErrorText(), ProgramError(1, "a = 1", 1, "Internal Error: Recompiling compiled code."));
  // The first compilation's tree is still there to run.
  EXPECT_TRUE(code.Compiled());
  EXPECT_EQ(Tree(code.Token()), "(block (set= a@-6 1))");
  // After Destroy it compiles again.
  code.Destroy();
  EXPECT_FALSE(code.Compiled());
  EXPECT_TRUE(code.Compile());
}

TEST_F(CodeCompile, FailedCompilationLeavesCodeUncompiledAndFirstErrorWins) {
  CCode code("a = 1/0; b = )", false);
  EXPECT_FALSE(code.Compile());
  EXPECT_FALSE(code.Compiled());
  EXPECT_EQ(code.Token().kind, NODE_EMPTY);
  // Parsing stops at the `)`, which comes before folding sees the division.
  EXPECT_NE(CodeErrorText().find("Unexpected symbol in expression."), std::string::npos);
  // A new compilation clears the previous error.
  CCode ok("a = 1", false);
  EXPECT_TRUE(ok.Compile());
  EXPECT_FALSE(CodeErrorFlag());
}

TEST_F(CodeCompile, ArgumentUseIsCounted) {
  const struct {
    const char *text;
    int args;
    bool array;
  } cases[] = {
      {"a = 1", 0, false},
      {"return argument0 + argument2", 3, false},
      {"return argument[1]", 0, true},
      {"other.argument15 = argument", 16, true},
      {"argument9 = 1; argument1 = 2", 10, false},
      {"argument16 = 1; argument01 = 2; Argument3 = 1", 0, false},
      {"// argument3\na = \"argument4\"", 0, false},
  };
  for (const auto &c : cases) {
    CCode code(c.text, false);
    ASSERT_TRUE(code.Compile()) << c.text << ": " << CodeErrorText();
    EXPECT_EQ(code.Args(), c.args) << c.text;
    EXPECT_EQ(code.ArgsArray(), c.array) << c.text;
  }
}

TEST_F(CodeCompile, NamesResolveToIndices) {
  CCode code("speed = my_var; my_var = scr_a(c_red)", false);
  ASSERT_TRUE(code.Compile());
  const RToken &first = code.Token().Child(0);
  EXPECT_EQ(first.Child(0).ind, BuiltinFind("speed"));
  EXPECT_EQ(first.Child(1).ind, VariableFindUser("my_var"));
  EXPECT_GE(first.Child(1).ind, kUserVariableBase);
  const RToken &call = code.Token().Child(1).Child(1);
  EXPECT_EQ(call.kind, NODE_CALL);
  EXPECT_EQ(call.ind, kFunctionScriptBase + 0);
  EXPECT_EQ(call.Child(0).value.val, 255);
}

TEST_F(CodeCompile, NodePositionsPointIntoTheText) {
  CCode code("a = b + c[2]", false);
  ASSERT_TRUE(code.Compile());
  const RToken &assign = code.Token().Child(0);
  EXPECT_EQ(assign.position, 3);                 // the assignment operator
  EXPECT_EQ(assign.Child(0).position, 1);        // a
  const RToken &sum = assign.Child(1);
  EXPECT_EQ(sum.position, 5);                    // where the sum starts
  EXPECT_EQ(sum.Child(0).position, 5);           // b
  EXPECT_EQ(sum.Child(1).position, 9);           // c
  EXPECT_EQ(sum.Child(1).aux, 1);                // one index expression
  EXPECT_EQ(sum.Child(1).Child(1).position, 11); // 2
}

// Hostile nesting fails with a message instead of exhausting the stack, and
// nesting of an ordinary depth still compiles.
TEST_F(CodeCompile, NestingIsBounded) {
  const auto repeat = [](std::string_view s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
  };
  const struct {
    std::string text;
    const char *message;  // null: compiles
  } cases[] = {
      {"a = " + repeat("(", 50000) + "1" + repeat(")", 50000), kMsgExpressionTooDeep},
      {"a = " + repeat("-", 50000) + "b", kMsgExpressionTooDeep},
      {"a = " + repeat("f(", 50000), kMsgExpressionTooDeep},
      // a flat chain is no nesting; a chain of parenthesised right operands is
      {"a = b" + repeat(" + b", 50000), nullptr},
      {"a = b" + repeat(" + (b", 50000) + repeat(")", 50000), kMsgExpressionTooDeep},
      {"a = b" + repeat(".c", 50000), kMsgExpressionTooDeep},
      {"a = b" + repeat("[c", 50000), kMsgExpressionTooDeep},
      {repeat("{", 50000) + repeat("}", 50000), kMsgStatementsTooDeep},
      {repeat("if a ", 50000) + "b = 1", kMsgStatementsTooDeep},
      {repeat("if a b = 1 else ", 50000) + "b = 1", kMsgStatementsTooDeep},
      {"a = " + repeat("(", 300) + "b" + repeat(")", 300), nullptr},
      {"a = b" + repeat(" + b", 900), nullptr},
      {repeat("{", 300) + repeat("}", 300), nullptr},
      {repeat("if a b = 1 else ", 300) + "b = 1", nullptr},
  };
  for (const auto &c : cases) {
    const std::string err = ErrorOf(c.text);
    if (c.message == nullptr) {
      EXPECT_EQ(err, "") << c.text.substr(0, 40);
    } else {
      EXPECT_NE(err.find(c.message), std::string::npos) << c.text.substr(0, 40) << " -> " << err.substr(0, 200);
    }
  }
}

// Checks the shape every compiled tree must have for the interpreter to walk
// it without further checks; answers "" or what is wrong.
std::string TreeFault(const RToken &n, bool isProgramRoot = false) {
  if ((n.itemnumb == 0) != (n.items == nullptr)) return "children and count disagree";
  int lo = 0, hi = 0;
  switch (n.kind) {
    case NODE_EMPTY_PROGRAM:
      if (!isProgramRoot) return "empty program inside a tree";
      break;
    case NODE_EMPTY: case NODE_CONSTANT: case NODE_VARIABLE_SIMPLE: case NODE_EXIT: case NODE_BREAK:
    case NODE_CONTINUE: case NODE_DEFAULT: break;
    case NODE_CALL: hi = kMaxCallArguments; break;
    case NODE_VARIABLE:
      lo = 1, hi = 3;
      if (n.aux != n.itemnumb - 1) return "index count not recorded";
      break;
    case NODE_IF: lo = 2, hi = 3; break;
    case NODE_WHILE: case NODE_DO: case NODE_REPEAT: case NODE_WITH: lo = hi = 2; break;
    case NODE_FOR: lo = hi = 4; break;
    case NODE_RETURN: case NODE_CASE: case NODE_UNARY: lo = hi = 1; break;
    case NODE_SWITCH: lo = 1, hi = 1 << 30; break;
    case NODE_VAR: case NODE_GLOBALVAR:
      for (const RToken &name : n)
        if (name.kind != NODE_CONSTANT || name.ind < kUserVariableBase) return "bad declared name";
      return "";
    case NODE_ASSIGN:
      lo = hi = 2;
      if (n.Child(0).kind != NODE_VARIABLE && n.Child(0).kind != NODE_VARIABLE_SIMPLE) return "bad target";
      break;
    case NODE_BLOCK: hi = 1 << 30; break;
    case NODE_BINARY:
      lo = hi = 2;
      if (n.Child(0).kind == NODE_CONSTANT && n.Child(1).kind == NODE_CONSTANT) return "unfolded constants";
      break;
    default: return "unknown kind " + std::to_string(n.kind);
  }
  if (n.itemnumb < lo || n.itemnumb > hi) return "kind " + std::to_string(n.kind) + " with " + std::to_string(n.itemnumb) + " children";
  if (n.kind == NODE_UNARY && n.Child(0).kind == NODE_CONSTANT) return "unfolded constant";
  for (const RToken &c : n) {
    std::string f = TreeFault(c);
    if (!f.empty()) return f;
  }
  return "";
}

// Random token soup: every text either compiles to a well-formed tree with no
// error recorded, or fails with exactly one recorded error; nothing crashes.
TEST_F(CodeCompile, RandomTextCompilesToWellFormedTreesOrFailsCleanly) {
  static const char *const kWords[] = {
      "a", "b", "x", "other", "global", "all", "c_red", "argument0", "argument", "scr_a", "1", "0", "2.5",
      "$ff", "\"s\"", "'q'", "f(", "g0(", "h2(", "show_message(", "scr_a(", "if", "then", "else", "while",
      "do", "until", "for", "repeat", "with", "switch", "case", "default", "var", "globalvar", "return",
      "exit", "break", "continue", "begin", "end", "{", "}", "(", ")", "[", "]", ",", ".", ";", ":", "=",
      ":=", "+=", "-=", "*=", "/=", "|=", "&=", "^=", "+", "-", "*", "/", "div", "mod", "&", "|", "^", "~",
      "!", "not", "<<", ">>", "&&", "||", "^^", "and", "or", "xor", "==", "!=", "<>", "<", "<=", ">", ">=",
      "/*", "*/", "//", "\n", "\r\n", "#", "\"",
  };
  constexpr int kWordCount = sizeof kWords / sizeof kWords[0];
  uint64_t seed = 12345;
  const auto next = [&seed](int n) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>((seed >> 33) % static_cast<uint64_t>(n));
  };
  int compiled = 0;
  for (int round = 0; round < 4000; ++round) {
    std::string text;
    const int len = 1 + next(40);
    for (int i = 0; i < len; ++i) {
      text += kWords[next(kWordCount)];
      text += next(3) == 0 ? "" : " ";
    }
    const bool isexp = next(3) == 0;
    CCode code(text, isexp);
    bool ok = false;
    try {
      ok = code.Compile();
    } catch (const EMathTrap &) {
      EXPECT_FALSE(code.Compiled()) << text;
      continue;
    }
    EXPECT_EQ(ok, code.Compiled()) << text;
    EXPECT_EQ(ok, !CodeErrorFlag()) << text;
    if (ok) {
      ++compiled;
      EXPECT_EQ(TreeFault(code.Token(), !isexp), "") << text;
      if (code.Kind() == CCode::kConstantExpression) {
        EXPECT_EQ(code.Token().kind, NODE_CONSTANT);
      }
    } else {
      EXPECT_FALSE(CodeErrorText().empty()) << text;
    }
  }
  // The soup must exercise the successful paths too, not only errors.
  EXPECT_GT(compiled, 100);
}

// Sanitizers make every frame several times larger; the budget is for the
// builds games run with.
#if defined(__SANITIZE_ADDRESS__)
#define CODE_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CODE_TEST_SANITIZED 1
#endif
#endif
#if !defined(CODE_TEST_SANITIZED)
// execute_string may compile deep inside script recursion, so compiling text
// nested right up to the limit must stay within a modest stack.
TEST_F(CodeCompile, NestingUpToTheLimitFitsInOneMegabyteOfStack) {
  const int depth = kMaxCodeNesting - 10;
  std::string texts[3];
  texts[0] = "a = " + std::string(depth, '(') + "b" + std::string(depth, ')');
  texts[1] = "a = " + std::string(depth, '-') + "b";
  texts[2] = std::string(depth, '{') + std::string(depth, '}');
  for (std::string &text : texts) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 1024 * 1024);
    pthread_t thread;
    struct Job {
      std::string *text;
      bool ok;
    } job{&text, false};
    ASSERT_EQ(pthread_create(
                  &thread, &attr,
                  [](void *p) -> void * {
                    auto *j = static_cast<Job *>(p);
                    CCode code(*j->text, false);
                    j->ok = code.Compile();
                    return nullptr;
                  },
                  &job),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    EXPECT_TRUE(job.ok) << text.substr(0, 20) << ": " << CodeErrorText().substr(0, 200);
  }
}
#endif

TEST_F(CodeCompile, LargeFlatProgramsCompile) {
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "a = a + 1;\n";
  CCode code(text, false);
  ASSERT_TRUE(code.Compile());
  EXPECT_EQ(code.Token().itemnumb, 100000);
}

// The declared-locals list grows with the declarations instead of being a
// fixed table.
TEST_F(CodeCompile, ManyVarDeclarationsAreAllLocal) {
  std::string text = "var";
  for (int i = 0; i < 20000; ++i) text += " loc" + std::to_string(i) + ",";
  text += "; loc0 = 1; loc19999 = 2; notloc = 3";
  CCode code(text, false);
  ASSERT_TRUE(code.Compile()) << CodeErrorText();
  const RToken &root = code.Token();
  ASSERT_EQ(root.itemnumb, 4);
  EXPECT_EQ(root.Child(0).itemnumb, 20000);
  EXPECT_EQ(root.Child(1).Child(0).ind2, SEL_LOCAL);
  EXPECT_EQ(root.Child(2).Child(0).ind2, SEL_LOCAL);
  EXPECT_EQ(root.Child(3).Child(0).ind2, SEL_UNSPECIFIED);
}

TEST_F(CodeCompile, FoldingBeyondTheDoubleRangeTrapsLikeRunTime) {
  std::string big = "a = 1" + std::string(300, '0') + " * 1" + std::string(300, '0');
  CCode overflow(big, false);
  EXPECT_THROW(overflow.Compile(), EMathTrap);
  EXPECT_FALSE(overflow.Compiled());
  CCode selector("a = (1" + std::string(30, '0') + ").b", false);
  EXPECT_THROW(selector.Compile(), EMathTrap);
}

}  // namespace
