// Long chains of binary operators: `a + a + a ...` is flat text, however
// long, and compiles, folds, runs and is freed without a stack that grows
// with its length; real nesting (parentheses, prefix operators, blocks)
// still has its limit.
#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>
#include <string>
#include <vector>

#include "code/Code_Error.h"
#include "code/Code_Main.h"
#include "code/Code_Phase3.h"
#include "support/Code_Test_Host.h"

namespace {

// first, then (sep + term) count - 1 times.
std::string Chain(const std::string &first, const std::string &sep, const std::string &term, int count) {
  std::string text = first;
  text.reserve(first.size() + static_cast<size_t>(count) * (sep.size() + term.size()));
  for (int i = 1; i < count; ++i) text += sep + term;
  return text;
}

bool EndsWith(const std::string &text, const std::string &tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Runs job on a thread with a small stack: a walk that recursed once per
// link of a long chain would overflow it.
void OnSmallStack(const std::function<void()> &job) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 1024 * 1024);
  pthread_t thread;
  auto *arg = const_cast<std::function<void()> *>(&job);
  ASSERT_EQ(pthread_create(
                &thread, &attr,
                [](void *p) -> void * {
                  (*static_cast<std::function<void()> *>(p))();
                  return nullptr;
                },
                arg),
            0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

class CodeChain : public ::testing::TestWithParam<int> {};

// Constant chains fold at compile time; chains over variables run; the
// tree of either is freed when the code goes.
TEST_P(CodeChain, ChainsOfPlusCompileFoldAndRun) {
  const int n = GetParam();
  OnSmallStack([n] {
    CCodeHost host;
    {
      CCode texts(Chain("\"a\"", " + ", "\"a\"", n), true);
      ASSERT_TRUE(texts.Compile()) << CodeErrorText().substr(0, 200);
      EXPECT_EQ(texts.Kind(), CCode::kConstantExpression);
      EXPECT_EQ(texts.Value().str.str(), std::string(static_cast<size_t>(n), 'a'));

      CCode reals(Chain("1", " + ", "1.5", n), true);
      ASSERT_TRUE(reals.Compile()) << CodeErrorText().substr(0, 200);
      EXPECT_EQ(reals.Kind(), CCode::kConstantExpression);
      EXPECT_DOUBLE_EQ(reals.Value().val, 1 + 1.5 * (n - 1));
    }

    ROutcome out = host.Run("s = \"ab\"; return " + Chain("s", " + ", "s", n));
    ASSERT_TRUE(out.ok) << out.error.substr(0, 200);
    ASSERT_TRUE(out.result.IsString());
    EXPECT_EQ(out.Text().size(), 2u * static_cast<size_t>(n));
    EXPECT_EQ(out.Text().substr(0, 4), "abab");

    out = host.Run("x = 0.5; return " + Chain("x", " + ", "x", n));
    ASSERT_TRUE(out.ok) << out.error.substr(0, 200);
    EXPECT_DOUBLE_EQ(out.Real(), 0.5 * n);

    // A call is no pure operand, so this chain of reals takes the general
    // evaluation rather than the all-real program.
    out = host.Run("x = 1; return " + Chain("x", " + ", "twice(x)", n));
    ASSERT_TRUE(out.ok) << out.error.substr(0, 200);
    EXPECT_DOUBLE_EQ(out.Real(), 1 + 2.0 * (n - 1));
  });
}

INSTANTIATE_TEST_SUITE_P(Lengths, CodeChain, ::testing::Values(999, 10000, 100000));

// Mixed operators: + and - make the chain, * and div its right operands,
// and the comparisons and && a chain on top of that.
TEST(CodeChainMixed, MixedOperatorsKeepPrecedenceAndValue) {
  OnSmallStack([] {
    CCodeHost host;
    const int groups = 20000;
    // Each group adds 3 * 2 and takes away 4 div 3 (= 1): 5 per group.
    const std::string sum = Chain("x", "", " + x * 3 * 2 - 4 div x3", groups);
    ROutcome out = host.Run("x = 1; x3 = 3; return " + sum);
    ASSERT_TRUE(out.ok) << out.error.substr(0, 200);
    EXPECT_DOUBLE_EQ(out.Real(), 1 + 5.0 * (groups - 1));

    const std::string folded = Chain("1", "", " + 3 * 2 - 4 div 3", groups);
    CCode constant(folded, true);
    ASSERT_TRUE(constant.Compile());
    EXPECT_DOUBLE_EQ(constant.Value().val, 1 + 5.0 * (groups - 1));

    // (1 < 2) is 1, 1 == 1 is 1, ...: the comparison chain stays 1; && with
    // a true operand keeps it.
    out = host.Run("y = 2; return " + Chain("1 < y", " == ", "1 && y > 1", groups));
    ASSERT_TRUE(out.ok) << out.error.substr(0, 200);
    EXPECT_DOUBLE_EQ(out.Real(), 1);
  });
}

// The operands run left to right, each exactly once.
TEST(CodeChainMixed, OperandsRunInTextOrder) {
  OnSmallStack([] {
    CCodeHost host;
    CCodeHost::Notes().clear();
    const int n = 5000;
    std::string text = "return note(0)";
    for (int i = 1; i < n; ++i) text += (i % 3 == 0 ? " - note(" : " + note(") + std::to_string(i) + ")";
    const ROutcome out = host.Run(text);
    ASSERT_TRUE(out.ok) << out.error.substr(0, 200);
    const std::vector<std::string> &notes = CCodeHost::Notes();
    ASSERT_EQ(notes.size(), static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) ASSERT_EQ(notes[static_cast<size_t>(i)], std::to_string(i)) << i;
    // note answers how many notes there are: 1 + 2 - 3 + 4 + 5 - 6 ...
    double expected = 1;
    for (int i = 1; i < n; ++i) expected += (i % 3 == 0 ? -1 : 1) * (i + 1.0);
    EXPECT_DOUBLE_EQ(out.Real(), expected);
  });
}

// An operator error in the middle of a long chain is reported where it was
// before: at the right operand, whether folded or run.
TEST(CodeChainMixed, ErrorsInLongChainsKeepTheirPlace) {
  CCodeHost host;
  const std::string head = Chain("1", " + ", "1", 3000);
  const std::string text = "a = " + head + " + \"x\" + 1";
  CCode folded(text, false);
  EXPECT_FALSE(folded.Compile());
  const std::string position = "position " + std::to_string(text.find('"') + 1) + ":";
  EXPECT_NE(CodeErrorText().find(position), std::string::npos) << CodeErrorText().substr(0, 200);
  EXPECT_TRUE(EndsWith(CodeErrorText(), "Wrong type of arguments to +.")) << CodeErrorText().substr(0, 200);
  CodeErrorClear();

  const std::string run = "s = \"x\"; a = " + Chain("s", " + ", "s", 3000) + " - s";
  const ROutcome out = host.Run(run);
  EXPECT_FALSE(out.ok);
  EXPECT_NE(out.error.find("position " + std::to_string(run.rfind('s') + 1) + ":"), std::string::npos)
      << out.error.substr(0, 200);
  EXPECT_TRUE(EndsWith(out.error, "Wrong type of arguments to -.")) << out.error.substr(0, 200);
}

// Real nesting keeps its limit and messages.
TEST(CodeChainMixed, DeepNestingIsStillRefused) {
  struct {
    std::string text;
    const char *message;
  } cases[] = {
      {"a = " + std::string(1000, '(') + "b" + std::string(1000, ')'), kMsgExpressionTooDeep},
      {"a = " + std::string(1001, '-') + "b", kMsgExpressionTooDeep},
      {std::string(1001, '{') + std::string(1001, '}'), kMsgStatementsTooDeep},
      // a right-nested chain is real nesting
      {"a = " + Chain("b", "", " + (b", 1001) + std::string(1000, ')'), kMsgExpressionTooDeep},
  };
  for (const auto &c : cases) {
    CCode code(c.text, false);
    EXPECT_FALSE(code.Compile()) << c.text.substr(0, 20);
    EXPECT_TRUE(EndsWith(CodeErrorText(), c.message)) << c.text.substr(0, 20) << ": " << CodeErrorText().substr(0, 200);
    CodeErrorClear();
  }
}

}  // namespace
