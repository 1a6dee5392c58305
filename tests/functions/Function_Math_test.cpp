#include "functions/Function_Math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>
#include <thread>
#include <chrono>
#include <string>
#include <vector>

#include "code/Code_Operator.h"
#include "functions/Function_Call.h"
#include "base/Support_Random.h"
#include "support/Code_Test_Host.h"
#include "support/Test_Platform.h"

namespace {

constexpr double kPi = std::numbers::pi;

using MathFunctions = FunctionTest;

TEST_F(MathFunctions, EveryFunctionIsRegisteredWithItsArgumentCount) {
  std::ifstream in(std::string(QUILLON_SOURCE_DIR) + "/tests/functions/catalog/math_functions.tsv");
  ASSERT_TRUE(in.good());
  std::string line;
  int rows = 0;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::istringstream fields(line);
    std::string name;
    int count;
    fields >> name >> count;
    const int32_t id = FunctionFind(name);
    ASSERT_GE(id, 0) << name;
    EXPECT_EQ(FunctionArgCount(id), count) << name;
    EXPECT_NE(FunctionRoutine(id), nullptr) << name;
    ++rows;
  }
  EXPECT_EQ(rows, 123);
  // Nothing registered twice or beyond the list.
  EXPECT_EQ(FunctionCount(), rows);
}

// --- the generator ----------------------------------------------------------

TEST_F(MathFunctions, GeneratorSequenceAfterSettingTheSeed) {
  // seed 1 -> 134775814 -> 3698175007 -> ...
  Call("random_set_seed", {R(1)});
  EXPECT_EQ(Call("irandom", {R(9)}).val, 0);
  EXPECT_EQ(Call("random_get_seed").val, 134775814);
  EXPECT_EQ(Call("irandom", {R(9)}).val, 8);
  EXPECT_EQ(Call("random_get_seed").val, static_cast<int32_t>(3698175007u));

  Call("random_set_seed", {R(1)});
  EXPECT_EQ(Call("random", {R(1)}).val, 134775814.0 / 4294967296.0);
  EXPECT_EQ(Call("random", {R(10)}).val, 3698175007.0 / 4294967296.0 * 10);

  // The same seed replays the same draws.
  std::vector<double> first, second;
  Call("random_set_seed", {R(424242)});
  for (int i = 0; i < 20; ++i) first.push_back(Call("irandom_range", {R(-50), R(50)}).val);
  Call("random_set_seed", {R(424242)});
  for (int i = 0; i < 20; ++i) second.push_back(Call("irandom_range", {R(-50), R(50)}).val);
  EXPECT_EQ(first, second);
}

TEST_F(MathFunctions, IntegerDrawsAndRanges) {
  // Draws below 4 from seed 1 are 0, then 3.
  Call("random_set_seed", {R(1)});
  EXPECT_EQ(Call("irandom_range", {R(5.7), R(2.2)}).val, 2);
  EXPECT_EQ(Call("irandom_range", {R(5.7), R(2.2)}).val, 5);
  // irandom takes the floor: a draw below floor(2.9) + 1 = 3.
  Call("random_set_seed", {R(1)});
  Call("irandom", {R(2.9)});
  EXPECT_EQ(Call("irandom", {R(2.9)}).val, 2);  // (3698175007 * 3) >> 32
  // A negative limit draws from the mirrored range.
  Call("random_set_seed", {R(1)});
  const RValue a = Call("irandom", {R(-5)});
  const RValue b = Call("irandom", {R(-5)});
  EXPECT_EQ(a.val, 0);
  EXPECT_FALSE(std::signbit(a.val));
  EXPECT_EQ(b.val, -5);
  // random_range orders its bounds.
  Call("random_set_seed", {R(1)});
  EXPECT_DOUBLE_EQ(Call("random_range", {R(20), R(10)}).val, 10 + 134775814.0 / 4294967296.0 * 10);
  // Limits far beyond 32 bits still draw in range.
  for (int i = 0; i < 50; ++i) {
    const double v = Call("irandom", {R(1e15)}).val;
    EXPECT_GE(v, 0);
    EXPECT_LE(v, 1e15);
    EXPECT_EQ(v, std::floor(v));
  }
}

TEST_F(MathFunctions, SeedTakesTheLow32BitsOfTheRoundedArgument) {
  const struct { double in; double seed; } cases[] = {
      {-1, -1}, {4294967296.0 + 5, 5}, {2.5, 2}, {3.5, 4}, {2147483648.0, -2147483648.0}};
  for (const auto &c : cases) {
    Call("random_set_seed", {R(c.in)});
    EXPECT_EQ(Call("random_get_seed").val, c.seed) << c.in;
  }
  // randomize takes the clock, which has moved on between two calls.
  Call("randomize");
  const double first = Call("random_get_seed").val;
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  Call("randomize");
  EXPECT_NE(Call("random_get_seed").val, first);
}

TEST_F(MathFunctions, ChooseCopiesAnArgumentWithItsKind) {
  Call("random_set_seed", {R(1)});
  const RValue a = Call("choose", {S("a"), R(2), S("c")});  // draw below 3: 0
  const RValue c = Call("choose", {S("a"), R(2), S("c")});  // then 2
  EXPECT_TRUE(a.IsString());
  EXPECT_EQ(a.str.str(), "a");
  EXPECT_EQ(c.str.str(), "c");
  // No argument: 0, and the generator is not touched.
  const int32_t seed = RandomGetSeed();
  const RValue none = Call("choose");
  EXPECT_TRUE(none.IsReal());
  EXPECT_EQ(none.val, 0);
  EXPECT_EQ(RandomGetSeed(), seed);
}

// --- numbers ------------------------------------------------------------------

TEST_F(MathFunctions, RoundingSignAndFraction) {
  const struct { const char *fn; double x, want; } cases[] = {
      {"round", 2.5, 2},    {"round", -2.5, -2},  {"round", 3.5, 4},     {"round", 0.49999, 0},
      {"round", 1e15 + 0.5, 1e15}, {"floor", -1.5, -2}, {"floor", 1.999, 1}, {"ceil", -1.5, -1},
      {"ceil", 1.001, 2},   {"floor", 3e10 + 0.5, 3e10}, {"sign", 1e-14, 0}, {"sign", -1e-14, 0},
      {"sign", -1e-13, -1}, {"sign", 1e-13, 1},   {"sign", -7, -1},      {"sign", 0, 0},
      {"frac", 2.75, 0.75}, {"frac", -2.75, -0.75}, {"frac", 4, 0},      {"abs", -3.5, 3.5},
      {"sqr", -3, 9},       {"sqrt", 16, 4},      {"exp", 0, 1},         {"ln", std::exp(2.0), 2},
      {"log2", 8, 3},       {"log10", 1000, 3},   {"sin", kPi / 2, 1},   {"cos", 0, 1},
      {"tan", kPi / 4, 1},  {"arcsin", 1, kPi / 2}, {"arccos", 1, 0},    {"arctan", 1, kPi / 4},
      {"degtorad", 180, kPi}, {"radtodeg", kPi, 180}, {"exp", -1000, 0},
  };
  for (const auto &c : cases) {
    const RValue r = Call(c.fn, {R(c.x)});
    EXPECT_TRUE(r.IsReal());
    EXPECT_DOUBLE_EQ(r.val, c.want) << c.fn << "(" << c.x << ")";
    EXPECT_EQ(Reported(), "") << c.fn;
  }
  const struct { const char *fn; double a, b, want; } twos[] = {
      {"arctan2", 1, 0, kPi / 2}, {"arctan2", 0, -1, kPi}, {"arctan2", 0, 0, 0},
      {"power", 2, 10, 1024},     {"power", -2, 3, -8},    {"power", 0, 0, 1},
      {"power", 4, 0.5, 2},       {"logn", 2, 8, 3},       {"logn", 10, 100, 2},
  };
  for (const auto &c : twos) {
    EXPECT_DOUBLE_EQ(Call(c.fn, {R(c.a), R(c.b)}).val, c.want) << c.fn << "(" << c.a << ", " << c.b << ")";
    EXPECT_EQ(Reported(), "") << c.fn;
  }
}

TEST_F(MathFunctions, FailuresReportTheirMessageAndGiveZero) {
  const struct { const char *fn; std::vector<double> args; const char *message; } cases[] = {
      {"sqrt", {-1}, "Cannot apply sqrt to negative number."},
      {"exp", {1000}, "Error in function exp()."},
      {"ln", {0}, "Error in function ln()."},
      {"ln", {-1}, "Error in function ln()."},
      {"log2", {0}, "Error in function log2()."},
      {"log10", {-5}, "Error in function log10()."},
      {"arcsin", {2}, "Error in function arcsin()."},
      {"arccos", {-1.5}, "Error in function arccos()."},
      {"power", {-8, 1.0 / 3}, "Error in function power()."},
      {"power", {0, -1}, "Error in function power()."},
      {"power", {10, 400}, "Error in function power()."},
      {"logn", {1, 5}, "Error in function logn()."},
      {"logn", {-2, 8}, "Error in function logn()."},
      {"logn", {2, 0}, "Error in function logn()."},
  };
  for (const auto &c : cases) {
    const int32_t id = FunctionFind(c.fn);
    RValue argv[kMaxCallArguments];
    for (size_t i = 0; i < c.args.size(); ++i) argv[i] = R(c.args[i]);
    RValue result;
    ErrorReset();
    FunctionRoutine(id)(nullptr, nullptr, static_cast<int>(c.args.size()), argv, result);
    EXPECT_EQ(Reported(), c.message) << c.fn;
    EXPECT_TRUE(result.IsReal());
    EXPECT_EQ(result.val, 0) << c.fn;
    // A non-fatal report: the game goes on.
    EXPECT_FALSE(ErrorAborting());
    EXPECT_EQ(ErrorLast().rfind("ERROR in", 0), 0u) << ErrorLast();
  }
}

TEST_F(MathFunctions, UnguardedArithmeticTraps) {
  // Conversions and results beyond range abandon the running code like the
  // operators do, instead of giving a made-up number.
  EXPECT_THROW(Call("round", {R(1e19)}), EMathTrap);
  EXPECT_THROW(Call("sqr", {R(1e200)}), EMathTrap);
  EXPECT_THROW(Call("dot_product", {R(0), R(0), R(1), R(1)}), EMathTrap);
  EXPECT_THROW(Call("random_set_seed", {R(1e30)}), EMathTrap);
}

TEST_F(MathFunctions, MinMaxMeanMedian) {
  const struct { const char *fn; std::vector<double> args; double want; } cases[] = {
      {"min", {3, 1, 2}, 1},   {"max", {3, 1, 2}, 3},  {"min", {}, 0},         {"max", {-4}, -4},
      {"min3", {3, 1, 2}, 1},  {"max3", {3, 7, 2}, 7}, {"mean", {1, 2, 3, 4}, 2.5}, {"mean", {}, 0},
      {"median", {4, 1, 3, 2}, 2}, {"median", {1, 2, 3}, 2}, {"median", {3, 3, 1}, 3}, {"median", {2, 1}, 1},
      {"median", {5}, 5},      {"median", {}, 0},      {"median", {7, 7, 7, 7}, 7},
  };
  for (const auto &c : cases) {
    const int32_t id = FunctionFind(c.fn);
    RValue argv[kMaxCallArguments];
    for (size_t i = 0; i < c.args.size(); ++i) argv[i] = R(c.args[i]);
    RValue result;
    FunctionRoutine(id)(nullptr, nullptr, static_cast<int>(c.args.size()), argv, result);
    EXPECT_TRUE(result.IsReal());
    EXPECT_EQ(result.val, c.want) << c.fn;
  }
  // Strings compare as texts, ordinally.
  EXPECT_EQ(Call("min", {S("b"), S("a"), S("c")}).str.str(), "a");
  EXPECT_EQ(Call("max", {S("b"), S("a"), S("c")}).str.str(), "c");
  EXPECT_EQ(Call("min", {S("a"), S("B")}).str.str(), "B");
  // Mixed kinds: a string has no number (0), a real no text.
  const RValue mixed = Call("min", {R(2), S("x")});
  EXPECT_TRUE(mixed.IsString());
  EXPECT_EQ(mixed.str.str(), "x");
  const RValue mixed2 = Call("min", {S("b"), R(3)});
  EXPECT_TRUE(mixed2.IsReal());
  EXPECT_EQ(mixed2.val, 3);
  EXPECT_EQ(Call("mean", {S("a"), R(4)}).val, 2);
  EXPECT_EQ(Call("is_real", {R(1)}).val, 1);
  EXPECT_EQ(Call("is_real", {S("1")}).val, 0);
  EXPECT_EQ(Call("is_string", {S("")}).val, 1);
  EXPECT_EQ(Call("is_string", {R(0)}).val, 0);
}

// --- number texts ----------------------------------------------------------------

TEST_F(MathFunctions, StringOfReals) {
  const struct { double x; const char *text; } cases[] = {
      {3, "3"},
      {-0.0, "0"},
      {1e15, "1000000000000000"},
      {2.0, "2"},
      {-17, "-17"},
      {1.0 / 3, "0.33"},
      {-0.5, "-0.50"},
      {1.5, "1.50"},
      {0.005, "0.01"},
      {0.125, "0.13"},  // an exact half rounds up, not to even
      {-0.125, "-0.13"},
      {0.004, "0.00"},
      {-0.001, "0.00"},
      {1e-5, "0.00"},
      {2.675, "2.67"},  // 2.67499999999999982 in eighteen digits
      {0.995, "0.99"},
      {0.1 + 0.2, "0.30"},
      {99.999, "100.00"},
      {-1234.5678, "-1234.57"},
      {123456789.123, "123456789.10"},
      {9999999999.25, "9999999999.00"},  // ten significant digits at most
      {12345678901.5, "1.23456789E10"},
      {-12345678901.5, "-1.23456789E10"},
      {9999999999.996, "1E10"},
      {1e15 + 0.5, "1E15"},
      {-9223372036854775808.0, "-9223372036854775808"},
      {9223372036854775808.0, "ERROR"},
      {1e20, "ERROR"},
      {NAN, "ERROR"},
  };
  for (const auto &c : cases) {
    const RValue r = Call("string", {R(c.x)});
    EXPECT_TRUE(r.IsString());
    EXPECT_EQ(r.str.str(), c.text) << c.x;
    EXPECT_EQ(RealToString(c.x), c.text);
  }
  const RValue s = Call("string", {S("as is")});
  EXPECT_TRUE(s.IsString());
  EXPECT_EQ(s.str.str(), "as is");
}

TEST_F(MathFunctions, StringFormat) {
  const struct { double x, total, dec; const char *text; } cases[] = {
      {3.14159, 8, 3, "   3.142"},
      {3, 0, 2, "3.00"},
      {2.5, 0, 0, "3"},
      {-2.5, 0, 0, "-3"},
      {0.5, 0, 0, "1"},
      {0.001, 0, 2, "0.00"},
      {-0.001, 6, 2, "  0.00"},
      {12345.678, 0, -2, "12346"},
      {1.5, -3, 1, "1.5"},
      {1e-7, 0, 10, "0.0000001000"},
      {1.0 / 3, 0, 20, "0.33333333333333331500"},  // eighteen significant digits
      {123456789012345678.0, 0, 1, "123456789012345680.0"},
      {1e20, 0, 2, "1E20"},
      {1e20, 0, 0, "1E20"},
      {1e20, 0, 3, "1E020"},
      {1.5e21, 0, 4, "1.5E0021"},
      {123456789012345678901234.0, 0, 6, "1.23456789012345686E23"},  // the nearest double
      {-1e19, 12, 5, "       -1E19"},
      {NAN, 7, 2, "  ERROR"},
  };
  for (const auto &c : cases) {
    const RValue r = Call("string_format", {R(c.x), R(c.total), R(c.dec)});
    EXPECT_TRUE(r.IsString());
    EXPECT_EQ(r.str.str(), c.text) << c.x << " " << c.total << " " << c.dec;
  }
  // A string stays itself, not even padded.
  EXPECT_EQ(Call("string_format", {S("abc"), R(10), R(2)}).str.str(), "abc");
  // Decimals beyond any double's digits are capped, not allocated.
  EXPECT_EQ(Call("string_format", {R(1), R(0), R(1e9)}).str.size(), 2u + kMaxFormatDecimals);
  // A width no text can have is refused rather than allocated.
  const RValue huge = Call("string_format", {R(1), R(1e12), R(0)});
  EXPECT_EQ(Reported(), opmsg::kStringTooLong);
  EXPECT_TRUE(huge.IsReal());
}

TEST_F(MathFunctions, RealOfTexts) {
  const struct { const char *text; double want; } good[] = {
      {"12.5", 12.5}, {"", 0},      {"   ", 0},     {"  -3e2 ", -300}, {"+.5", 0.5},
      {"5.", 5},      {"\t7\r\n", 7}, {"1E3", 1000}, {"-0", 0},         {"1e-400", 0},
      {"00012", 12},  {"2.5e+1", 25},
  };
  for (const auto &c : good) {
    const RValue r = Call("real", {S(c.text)});
    EXPECT_EQ(Reported(), "") << c.text;
    EXPECT_TRUE(r.IsReal());
    EXPECT_EQ(r.val, c.want) << c.text;
  }
  const char *bad[] = {"abc", "1e", "1,5", "0x10", ".", "e5", "--1", "1 2", "inf", "nan", "1e400", "12a", "+"};
  for (const char *text : bad) {
    const RValue r = Call("real", {S(text)});
    EXPECT_EQ(Reported(), "Error in function real().") << text;
    EXPECT_TRUE(r.IsReal());
    EXPECT_EQ(r.val, 0) << text;
  }
  EXPECT_EQ(Call("real", {R(7.25)}).val, 7.25);
  // string() and real() agree on every integer text and on round trips of
  // the two-decimal form.
  for (double x : {0.0, 1.0, -42.0, 123456.75, -0.25, 1e15, 987654321.5}) {
    double back;
    ASSERT_TRUE(StringToReal(RealToString(x), back));
    EXPECT_EQ(back, x);
  }
}

// --- geometry -----------------------------------------------------------------------

TEST_F(MathFunctions, DirectionsAndDistances) {
  const struct { double x1, y1, x2, y2, dir; } dirs[] = {
      {0, 0, 0, 10, 270}, {0, 0, 10, -10, 45}, {0, 0, -10, 0, 180}, {0, 0, 0, -5, 90},
      {0, 0, 0, 0, 0},    {0, 0, 10, 0, 0},    {0, 0, 10, 10, 315}, {5, 5, 4, 4, 135},
  };
  for (const auto &c : dirs)
    EXPECT_DOUBLE_EQ(Call("point_direction", {R(c.x1), R(c.y1), R(c.x2), R(c.y2)}).val, c.dir)
        << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2;
  EXPECT_EQ(Call("point_distance", {R(1), R(1), R(4), R(5)}).val, 5);
  EXPECT_EQ(Call("point_distance_3d", {R(1), R(2), R(3), R(3), R(5), R(9)}).val, 7);
  EXPECT_EQ(Call("dot_product", {R(1), R(0), R(0), R(1)}).val, 0);
  EXPECT_EQ(Call("dot_product", {R(2), R(0), R(5), R(0)}).val, 1);
  EXPECT_NEAR(Call("dot_product", {R(1), R(1), R(-1), R(-1)}).val, -1, 1e-12);
  EXPECT_EQ(Call("dot_product_3d", {R(1), R(2), R(2), R(2), R(4), R(4)}).val, 1);
  EXPECT_EQ(Call("dot_product_3d", {R(1), R(0), R(0), R(0), R(0), R(3)}).val, 0);
}

TEST_F(MathFunctions, LengthdirSnapsToWholeNumbers) {
  const RValue x = Call("lengthdir_x", {R(10), R(90)});
  EXPECT_EQ(x.val, 0);
  EXPECT_FALSE(std::signbit(x.val));
  const RValue y0 = Call("lengthdir_y", {R(10), R(0)});
  EXPECT_EQ(y0.val, 0);
  EXPECT_FALSE(std::signbit(y0.val));
  EXPECT_EQ(Call("lengthdir_y", {R(10), R(90)}).val, -10);
  EXPECT_EQ(Call("lengthdir_x", {R(10), R(180)}).val, -10);
  EXPECT_EQ(Call("lengthdir_x", {R(100000), R(0.00001)}).val, 100000);
  EXPECT_DOUBLE_EQ(Call("lengthdir_x", {R(10), R(45)}).val, 10 * std::cos(kPi / 4));
  EXPECT_DOUBLE_EQ(Call("lengthdir_y", {R(2), R(30)}).val, -2 * std::sin(kPi / 6));
}

// --- process helpers -------------------------------------------------------------------

std::vector<std::string> g_debugLines;

TEST_F(MathFunctions, ProcessHelpersWithoutADisplay) {
  CHeadlessWindow window;
  CHeadlessProcesses process;
  testplatform::SetWindow(&window);
  testplatform::SetProcesses(&process);
  EXPECT_EQ(Call("window_handle").val, 0);
  EXPECT_EQ(Call("clipboard_has_text").val, 0);
  EXPECT_EQ(Call("clipboard_get_text").str.str(), "");
  Call("clipboard_set_text", {S("héllo 😀")});
  EXPECT_EQ(Call("clipboard_has_text").val, 1);
  EXPECT_EQ(Call("clipboard_get_text").str.str(), "héllo 😀");

  const struct { double in; int level; } priorities[] = {{2.4, 2}, {-3, -3}, {7, 0}, {-1, -1}, {3, 3}, {-4, 0}};
  for (const auto &p : priorities) {
    Call("set_program_priority", {R(p.in)});
    EXPECT_EQ(process.Priority(), p.level) << p.in;
  }
  Call("set_application_title", {S("My Game")});
  Call("set_application_title", {R(5)});  // not a string: no change
  EXPECT_EQ(window.Caption(), "My Game");
  testplatform::SetWindow(nullptr);
  testplatform::SetProcesses(nullptr);
}

TEST_F(MathFunctions, DebugMessagesFormatRealsLikeString) {
  g_debugLines.clear();
  struct CDebugLines : CHeadlessDialogs {
    void DebugMessage(std::string_view text) override { g_debugLines.emplace_back(text); }
  } dialogs;
  testplatform::SetDialogs(&dialogs);
  Call("show_debug_message", {S("hello")});
  Call("show_debug_message", {R(1.0 / 3)});
  Call("show_debug_message", {R(5)});
  testplatform::SetDialogs(nullptr);
  EXPECT_EQ(g_debugLines, (std::vector<std::string>{"hello", "0.33", "5"}));

  // Without a debug window the text is one line on standard output.
  testing::internal::CaptureStdout();
  Call("show_debug_message", {S("to stdout")});
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "to stdout\n");
}

}  // namespace

namespace {

// The functions as a game reaches them: called from compiled code.
TEST_F(MathFunctions, CalledFromGameCode) {
  CCodeHost host;
  const ROutcome run = host.Run(
      "random_set_seed(1); a = irandom(9); a += irandom(9) * 10;"
      "b = string_format(3.14159, 8, 3) + '|' + string(1/3) + '|' + string(2.0);"
      "c = real('abc') + 1;"
      "d = string_copy(string_upper('héllo'), 2, 3);");
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_EQ(host.Var("a").val, 80);
  EXPECT_EQ(host.Var("b").str.str(), "   3.142|0.33|2");
  // The failing call reported its own error and the program went on.
  EXPECT_EQ(host.Var("c").val, 1);
  EXPECT_EQ(Reported(), "Error in function real().");
  EXPECT_EQ(host.Var("d").str.str(), "ÉLL");
}

}  // namespace
