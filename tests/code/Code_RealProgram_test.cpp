// Numbered locals and the all-real evaluation of pure expressions: the quick
// way must give the results of the general one, and give way to it (with its
// messages and traps) wherever something is not a real at hand.
#include <gtest/gtest.h>

#include <string>

#include "code/Code_Main.h"
#include "code/Code_Operator.h"
#include "code/Variable_Main.h"
#include "base/Option_Main.h"
#include "support/Code_Test_Host.h"

namespace {

bool EndsWith(const std::string &text, const std::string &tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

struct RRealCase {
  const char *program;
  double expected;
};

TEST(CodeRealProgram, ResultsOfPureExpressions) {
  CCodeHost host;
  const RRealCase cases[] = {
      // locals, constants on either side, nested operators
      {"var a, b; a = 7; b = 3; return (a * b) mod 4 + 10 - a / 2 + (1 - b)", 5.5},
      {"var a; a = -7; return a div 2 * 10 + a mod 3", -31},
      {"var a; a = 5.5; return a mod 2 + 7.5 div 2", 4.5},
      {"var a; a = 6; return (a > 5) + (a >= 6) * 2 + (a < 6) * 4 + (a <= 5) * 8 + (a == 6) * 16 + (a != 6) * 32", 19},
      {"var a; a = 1; return (a + 0.00000000000001 == 1) * 2 + (a = 1)", 3},
      {"var a; a = 3; return -a + !a * 4 + ~a + (a | 4) + (a & 1) + (a ^ 1) + (a << 2) + (a >> 1)", 16},
      {"var a; a = 1; return (a && 0) + (a || 0) * 2 + (a ^^ 1) * 4", 2},
      // instance and global variables beside locals
      {"h = 4; global.g = 5; var l; l = 2; return h * l + global.g - self.h", 9},
      // array cells of instance, global and local variables
      {"a[3] = 2; a[1, 2] = 5; i = 1; return a[i + 2] * a[i, i * 2] + a[0.4 + i * 3]", 12},
      {"global.t[2] = 4; j = 2; return global.t[j] * 3", 12},
      {"var v, k; v[1] = 8; v[2, 1] = 9; k = 2; return v[k - 1] + v[k, k - 1] + v", 17},
      // a selector computed at run time
      {"q = 6; s = -1; return (s).q * 2 + (s + 0).q", 18},
      {"var w; w = 3; l = -7; return (l).w * 10 + (-7).w + local.w", 36},
  };
  for (const RRealCase &c : cases) {
    const ROutcome out = host.Run(c.program);
    EXPECT_TRUE(out.ok) << c.program << "\n" << out.error;
    EXPECT_EQ(out.result.kind, RValue::kReal) << c.program;
    EXPECT_DOUBLE_EQ(out.Real(), c.expected) << c.program;
  }
}

// Every operation of the quick way with every kind of operand (a local, a
// constant, a result on the stack, an argument) against the same expression
// over instance variables, which only the general way reads.
TEST(CodeRealProgram, EveryOperandKindGivesTheGeneralResult) {
  const char *operators[] = {"+", "-", "*", "<", "<=", ">", ">=", "==", "!=", "&&", "||", "mod", "div"};
  const char *values[] = {"7", "3", "2.5", "0", "0.000000001", "1000000000", "3000000000"};
  // How an operand is written: quick (over locals and arguments) and general
  // (over instance variables); %s is the value.
  struct RForm {
    const char *quick;
    const char *general;
  };
  const RForm left[] = {{"a", "x"}, {"%s", "%s"}, {"(a + 0)", "(x + 0)"}, {"argument0", "x"}};
  const RForm right[] = {{"b", "y"}, {"%s", "%s"}, {"(b * 1)", "(y * 1)"}, {"argument1", "y"}};
  const auto fill = [](std::string text, const char *value) {
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, value);
    return text;
  };
  for (const char *op : operators) {
    for (const RForm &l : left) {
      for (const RForm &r : right) {
        if (&l == &left[1] && &r == &right[1]) continue;  // folded when compiled
        for (const char *u : values) {
          for (const char *v : values) {
            CCodeHost host;
            const std::string quick = fill(l.quick, u) + " " + op + " " + fill(r.quick, v);
            const std::string general = fill(l.general, u) + " " + op + " " + fill(r.general, v);
            host.AddScript("quick", "var a, b; a = argument0; b = argument1; return " + quick);
            host.AddScript("general", "x = argument0; y = argument1; return " + general);
            ASSERT_EQ(host.CompileScripts(), "") << quick;
            const std::string call = std::string("(") + u + ", " + v + ")";
            const ROutcome want = host.Run("return general" + call);
            const ROutcome got = host.Run("return quick" + call);
            ASSERT_EQ(got.ok, want.ok) << quick << " with " << call << "\n" << got.error << want.error;
            EXPECT_EQ(got.result.kind, want.result.kind) << quick << " with " << call;
            EXPECT_EQ(got.Real(), want.Real()) << quick << " with " << call;
            const auto message = [](const std::string &e) { return e.substr(e.rfind(": ") + 1); };
            EXPECT_EQ(message(got.error), message(want.error)) << quick << " with " << call;
          }
        }
      }
    }
  }
}

TEST(CodeRealProgram, LocalsNamedOnlyThroughAComputedSelector) {
  CCodeHost host;
  // No node names u as a local: it lives apart from the numbered ones and
  // is still the same variable for reading and writing.
  EXPECT_EQ(host.Run("l = -7; (l).u = 4; (l).u += 1; return (l).u").Real(), 5);
  bool found = true;
  host.Var("u", nullptr, &found);
  EXPECT_FALSE(found);
  // A numbered local written through a computed selector is the same place.
  EXPECT_EQ(host.Run("var n; l = -7; (l).n = 2; n += 1; (l).n *= 10; return n").Real(), 30);
  // Locals belong to one execution.
  EXPECT_TRUE(EndsWith(host.Run("var n; return n").error, "Unknown variable n"));
}

TEST(CodeRealProgram, TextsAndStaleValues) {
  CCodeHost host;
  // A local that changes kind: real, then text, then real again.
  ROutcome out = host.Run("var a; a = 1 + 2; a = 'x' + 'y'; return a");
  EXPECT_EQ(out.Text(), "xy");
  out = host.Run("var a; a = 'text'; a = 2 * 3; return a");
  EXPECT_TRUE(out.result.IsReal());
  EXPECT_EQ(out.Real(), 6);
  out = host.Run("var s; s = 'a'; s += 'b'; s += 'c'; return s");
  EXPECT_EQ(out.Text(), "abc");
  // Texts inside a pure expression take the general way.
  out = host.Run("var s, n; s = 'ab'; n = 2; return (s == 'ab') * n + (s < 'b') + (n * 'c' == 'cc')");
  EXPECT_EQ(out.Real(), 4);
  out = host.Run("var s; s = 'ab'; return s + s");
  EXPECT_EQ(out.Text(), "abab");
}

TEST(CodeRealProgram, FailuresKeepTheirMessagesAndPositions) {
  CCodeHost host;
  struct RCase {
    const char *program;
    const char *message;
  } cases[] = {
      {"var a, b; a = 1; b = 'x'; return a * 2 + b", "Wrong type of arguments to +."},
      {"var a, b; a = 1; b = 'x'; return (a < b) + 1", "Cannot compare arguments."},
      {"var a; a = 0; return 1 + 4 / a", "Division by 0."},
      {"var a; a = 0; return 3 mod a", "Modulo by 0."},
      {"var a; return a + 1", "Unknown variable a"},
      {"var a, i; a[1] = 2; i = -1; return a[i] + 1", "Negative array index"},
      {"var a, i; a[1] = 2; i = 32000; return a[i] + 1", "Array index >= 32000"},
      {"var a, i; a[1] = 2; i = 'k'; return a[i] + 1", "Wrong type of array index"},
      {"var a, i; a[1] = 2; i = 2; return a[i] + 1", "Unknown variable a or array index out of bounds"},
      {"b[1] = 2; i = 3; return b[1, i] * 2", "Unknown variable b or array index out of bounds"},
      {"s = 'x'; return (s).v + 1", "Wrong type of variable index"},
      {"var n; n = 'x'; return -n", "Wrong type of arguments to unary operator."},
      {"var n; n += 1", "Unknown variable n"},
      {"var n; n = 1; n += 'a'", "Wrong type of arguments to +."},
  };
  for (const RCase &c : cases) {
    const ROutcome out = host.Run(c.program);
    EXPECT_FALSE(out.ok) << c.program;
    EXPECT_TRUE(EndsWith(out.error, std::string(": ") + c.message)) << c.program << "\ngot: " << out.error;
  }
  // The error is located at the operand the general evaluation names.
  const ROutcome out = host.Run("var a, b;\ra = 1; b = 'x';\rreturn a * 2 + b");
  EXPECT_EQ(out.error.rfind("Error in code at line 3:", 0), 0u) << out.error;
  EXPECT_TRUE(EndsWith(out.error, "at position 16: Wrong type of arguments to +.")) << out.error;
}

TEST(CodeRealProgram, UninitialisedLocalsReadAsZeroWhenAsked) {
  CCodeHost host;
  g_Settings.opt_uninitzero = true;
  EXPECT_EQ(host.Run("var a, b; return a + b[3] * 2 + 1").Real(), 1);
  EXPECT_EQ(host.Run("var n; n += 4; return n").Real(), 4);
  g_Settings.opt_uninitzero = false;
}

TEST(CodeRealProgram, TrapsAreThoseOfTheGeneralWay) {
  CCodeHost host;
  try {
    host.Run("var big; big = 1; repeat (50) big *= 1000000; return big * big");
    ADD_FAILURE() << "no trap";
  } catch (const EMathTrap &e) {
    EXPECT_STREQ(e.what(), kTrapOverflow);
  }
  try {
    host.Run("var big, a; a[1] = 1; big = 1; repeat (50) big *= 1000000; return a[big * 1000]");
    ADD_FAILURE() << "no trap";
  } catch (const EMathTrap &e) {
    EXPECT_STREQ(e.what(), kTrapInvalid);
  }
  EXPECT_EQ(host.Run("var big; big = 2; return big * big").Real(), 4);
}

TEST(CodeRealProgram, ArgumentsInScripts) {
  CCodeHost host;
  host.AddScript("mix", "return argument0 * argument1 - argument2 mod 4");
  host.AddScript("count", "var n; n = 0; while (n < argument0) n += 1; return n");
  ASSERT_EQ(host.CompileScripts(), "");
  EXPECT_EQ(host.Run("return mix(3, 4, 7)").Real(), 9);
  EXPECT_EQ(host.Run("return count(5) + count(2.5)").Real(), 8);
  const ROutcome out = host.Run("return mix('a', 3, 7)");
  EXPECT_FALSE(out.ok);
  EXPECT_TRUE(EndsWith(out.error, "Wrong type of arguments to *.")) << out.error;
}

TEST(CodeRealProgram, ArithmeticOnCallResults) {
  CCodeHost host;
  host.AddScript("fib", "if (argument0 < 2) return argument0; return fib(argument0 - 1) + fib(argument0 - 2)");
  host.AddScript("big", "var b; b = 1; repeat (50) b *= 1000000; return b");
  host.AddScript("word", "return 'ab'");
  ASSERT_EQ(host.CompileScripts(), "");
  EXPECT_EQ(host.Run("return fib(12)").Real(), 144);
  EXPECT_EQ(host.Run("return fib(6) - fib(3) * fib(4)").Real(), 2);
  const struct {
    const char *program;
    const char *message;
  } cases[] = {
      {"return word() + 1", "Wrong type of arguments to +."},
      {"return fib(2) - word()", "Wrong type of arguments to -."},
      {"return word() * fib(2)", "Wrong type of arguments to *."},
  };
  for (const auto &c : cases) {
    const ROutcome out = host.Run(c.program);
    EXPECT_FALSE(out.ok) << c.program;
    EXPECT_TRUE(EndsWith(out.error, c.message)) << c.program << "\ngot: " << out.error;
  }
  EXPECT_EQ(host.Run("return word() + word()").Text(), "abab");
  try {
    host.Run("return big() * big()");
    ADD_FAILURE() << "no trap";
  } catch (const EMathTrap &e) {
    EXPECT_STREQ(e.what(), kTrapOverflow);
  }
}

TEST(CodeRealProgram, SwitchOnRealConstantLabels) {
  CCodeHost host;
  const RRealCase cases[] = {
      // of two equal labels the first wins, wherever the sorted order puts them
      {"switch (3) { case 9: return 1; case 3: return 2; case 1: return 3; case 3: return 4 } return 0", 2},
      // -0 and 0 are the same label
      {"var z; z = -1; z *= 0; switch (z) { case 0: return 1; case 5: return 2 } return 0", 1},
      // a default before the matching case ends the search there
      {"switch (7) { case 1: return 1; default: return 2; case 7: return 3 } return 0", 2},
      {"switch (1) { case 1: return 1; default: return 2; case 7: return 3 } return 0", 1},
      // no match and no default: nothing runs
      {"var a; a = 0; switch (4) { case 1: a = 1; case 2: a = 2 } return a + 10", 10},
      // labels in no order, every value of a loop
      {"var i, s; s = 0; for (i = 0; i < 10; i += 1) switch (i mod 5) { case 4: s += 1000; break; "
       "case 0: s += 1; break; case 2: s += 100; case 1: s += 10; break; default: s += 5 } return s",
       2 * (1 + 10 + 110 + 5 + 1000)},
      // a text value meets real labels: only the default matches
      {"switch ('3') { case 3: return 1; default: return 2 } return 0", 2},
      // fractional values match exactly
      {"var h; h = 0.5; switch (h) { case 0: return 1; case 0.5: return 2; case 1: return 3 } return 0", 2},
  };
  for (const RRealCase &c : cases) {
    const ROutcome out = host.Run(c.program);
    EXPECT_TRUE(out.ok) << c.program << "\n" << out.error;
    EXPECT_DOUBLE_EQ(out.Real(), c.expected) << c.program;
  }
  CCode code("switch (x) { case 2: a = 1; case 1: a = 2; case 2: a = 3; default: a = 4; case 7: a = 5 }", false);
  ASSERT_TRUE(code.Compile());
  // 1 and the first 2, then the default's entry; 7 comes after the default.
  ASSERT_EQ(code.i_switches.size(), 3u);
  EXPECT_EQ(code.i_switches[0].value, 1);
  EXPECT_EQ(code.i_switches[1].value, 2);
}

TEST(CodeRealProgram, CompilerNumbersLocalsAndBuildsPrograms) {
  CCodeHost host;  // the name tables
  CCode code("var a, b; a = 1; b = a * 2 + x; c = local.d; return b", false);
  ASSERT_TRUE(code.Compile());
  // a, b and d (named through the constant local selector) get places;
  // c and x are instance variables.
  EXPECT_EQ(code.i_locals.size(), 3u);
  EXPECT_FALSE(code.i_reals.empty());
  // A pure subtree with a text constant can never be all real: no program.
  CCode text("var s; s = 'a'; return s + 'b'", false);
  ASSERT_TRUE(text.Compile());
  EXPECT_TRUE(text.i_reals.empty());
}

}  // namespace
