#include "code/Code_Error.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/Test_Platform.h"
#include "base/Option_Main.h"

namespace {

class ScriptedWindow : public testplatform::CErrorWindowDialogs {
public:
  struct Shown {
    std::string text;
    bool fatal;
  };
  std::vector<Shown> shown;
  bool answerIgnore = true;
  bool Show(std::string_view text, bool fatal) override {
    shown.push_back({std::string(text), fatal});
    return answerIgnore;
  }
};

int g_fatalCalls = 0;
int g_clearCalls = 0;

class ErrorTest : public ::testing::Test {
protected:
  void SetUp() override {
    m_saved = {g_Settings.opt_displayerrors, g_Settings.opt_writeerrors, g_Settings.opt_aborterrors};
    g_Settings.opt_displayerrors = true;
    g_Settings.opt_writeerrors = false;
    g_Settings.opt_aborterrors = false;
    testplatform::SetDialogs(&m_window);
    g_fatalCalls = 0;
    g_clearCalls = 0;
    SetErrorFatalHook([] { ++g_fatalCalls; });
    SetErrorClearInputHook([] { ++g_clearCalls; });
    ErrorReset();
    m_dir = std::filesystem::temp_directory_path() /
            ("quillon_error_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(m_dir);
    m_log = (m_dir / "game_errors.log").string();
    SetErrorLogPath(m_log);
  }
  void TearDown() override {
    SetErrorLogPath("");
    testplatform::SetDialogs(nullptr);
    SetErrorFatalHook(nullptr);
    SetErrorClearInputHook(nullptr);
    ErrorReset();
    g_Settings.opt_displayerrors = m_saved[0];
    g_Settings.opt_writeerrors = m_saved[1];
    g_Settings.opt_aborterrors = m_saved[2];
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
  }
  std::string ReadLog() const {
    std::ifstream in(m_log, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  ScriptedWindow m_window;
  std::array<bool, 3> m_saved = {};
  std::filesystem::path m_dir;
  std::string m_log;
};

TEST_F(ErrorTest, LocatedTexts) {
  struct Case {
    std::string text;
    bool program;
    int position;
    std::string expected;
  };
  const std::string msg = "Unexpected symbol in expression.";
  const std::vector<Case> cases = {
      {"a = ;", true, 5, "Error in code at line 1:\r   a = ;\r      ^\rat position 5: " + msg},
      // CR LF: the line feed is the first character of line 2.
      {"x = 1;\r\ny = ;", true, 9, "Error in code at line 2:\r   \ny = ;\r   ^\rat position 2: " + msg},
      {"x = 1;\r\ny = ;", true, 13, "Error in code at line 2:\r   \ny = ;\r       ^\rat position 6: " + msg},
      // A lone CR is a line break; the shown line ends at the next one.
      {"a\rb = ;\rc", true, 7, "Error in code at line 2:\r   b = ;\r      ^\rat position 5: " + msg},
      // Bare line feeds count lines and delimit the shown line as well.
      {"a\nb = ;\nc", true, 7, "Error in code at line 2:\r   b = ;\r      ^\rat position 5: " + msg},
      // Positions are clamped into the text.
      {"abc", true, 0, "Error in code at line 1:\r   abc\r  ^\rat position 1: " + msg},
      {"abc", true, 99, "Error in code at line 1:\r   abc\r    ^\rat position 3: " + msg},
      {"", true, 1, "Error in code at line 1:\r   \r ^\rat position 0: " + msg},
      {"1 + * 2", false, 5, "Error in expression:1 + * 2\r position 5: " + msg},
      {"a\r\nb", false, 4, "Error in expression:a\r\nb\r position 2: " + msg},
  };
  for (const Case &c : cases) {
    CodeErrorClear();
    ReportCodeError(c.text, c.program, c.position, msg);
    EXPECT_TRUE(CodeErrorFlag());
    EXPECT_EQ(CodeErrorText(), c.expected) << c.text << " @" << c.position;
  }
  EXPECT_TRUE(m_window.shown.empty());  // recording shows nothing
}

TEST_F(ErrorTest, FirstCodeErrorWinsUntilCleared) {
  ReportCodeError("a", true, 1, "first");
  ReportCodeError("b", true, 1, "second");
  EXPECT_NE(CodeErrorText().find("first"), std::string::npos);
  EXPECT_EQ(CodeErrorText().find("second"), std::string::npos);
  CodeErrorPrefix("In script s:\r");
  EXPECT_EQ(CodeErrorText().rfind("In script s:\rError in code at line 1:", 0), 0u);
  CodeErrorClear();
  EXPECT_FALSE(CodeErrorFlag());
  EXPECT_EQ(CodeErrorText(), "");
  ReportCodeError("b", true, 1, "second");
  EXPECT_NE(CodeErrorText().find("second"), std::string::npos);
  CodeErrorSet("replaced");
  EXPECT_EQ(CodeErrorText(), "replaced");
}

TEST_F(ErrorTest, ActionErrorsNameTheirContext) {
  SetErrorContextProvider([] {
    RErrorContext c;
    c.actionIndex = 2;
    c.objectName = "obj_player";
    c.eventName = "Step Event";
    return c;
  });
  ReportActionError("Unknown variable q", false);
  SetErrorContextProvider([] {
    RErrorContext c;
    c.inTimeLine = true;
    c.actionIndex = 0;
    c.timeLineName = "tl_intro";
    c.timeLineStep = 40;
    return c;
  });
  m_window.answerIgnore = true;
  ReportActionError("boom", true);
  SetErrorContextProvider(nullptr);
  ASSERT_EQ(m_window.shown.size(), 2u);
  EXPECT_EQ(m_window.shown[0].text,
            "ERROR in\r\naction number 3\r\nof Step Event\r\nfor object obj_player:\r\n\r\nUnknown variable q");
  EXPECT_FALSE(m_window.shown[0].fatal);
  EXPECT_EQ(m_window.shown[1].text,
            "FATAL ERROR in\r\naction number 1\r\nat time step 40\r\nof time line tl_intro:\r\n\r\nboom");
  EXPECT_TRUE(m_window.shown[1].fatal);
}

TEST_F(ErrorTest, IgnoreContinuesAndClosingEndsTheGame) {
  ReportError("one", false);
  EXPECT_FALSE(ErrorAborting());
  EXPECT_EQ(g_fatalCalls, 0);
  EXPECT_EQ(g_clearCalls, 1);
  m_window.answerIgnore = false;  // Abort or the close box
  ReportError("two", false);
  EXPECT_TRUE(ErrorAborting());
  EXPECT_EQ(g_fatalCalls, 1);
  EXPECT_EQ(ErrorLast(), "two");
  // Once aborting, reports are dropped.
  ReportError("three", false);
  EXPECT_EQ(m_window.shown.size(), 2u);
  EXPECT_EQ(ErrorLast(), "two");
  EXPECT_EQ(g_fatalCalls, 1);
}

TEST_F(ErrorTest, AbortErrorsMakesTheFirstErrorFatal) {
  g_Settings.opt_aborterrors = true;
  ReportError("minor", false);
  ASSERT_EQ(m_window.shown.size(), 1u);
  EXPECT_TRUE(m_window.shown[0].fatal);  // shown without Ignore
  EXPECT_TRUE(ErrorAborting());
  EXPECT_EQ(g_fatalCalls, 1);
}

TEST_F(ErrorTest, FatalWithoutDisplayStillEndsTheGame) {
  g_Settings.opt_displayerrors = false;
  ReportError("fatal", true);
  EXPECT_TRUE(m_window.shown.empty());
  EXPECT_TRUE(ErrorAborting());
  EXPECT_EQ(g_fatalCalls, 1);
}

TEST_F(ErrorTest, LogIsTruncatedOnceThenAppended) {
  g_Settings.opt_displayerrors = false;
  g_Settings.opt_writeerrors = true;
  {
    std::ofstream old(m_log, std::ios::binary);
    old << "from an earlier run";
  }
  // A bare carriage return between a report's parts becomes a whole line
  // end; one already followed by a line feed stays as it is.
  ReportError("first\rline\r\nend", false);
  ReportError("second", false);
  EXPECT_EQ(ReadLog(), "first\r\nline\r\nend\r\n\r\n\r\nsecond\r\n\r\n\r\n");
  EXPECT_TRUE(m_window.shown.empty());
}

TEST_F(ErrorTest, LogFailuresAreIgnoredAndEndTheFirstWrite) {
  g_Settings.opt_displayerrors = false;
  g_Settings.opt_writeerrors = true;
  // The log path is a directory at first: the write fails silently.
  std::filesystem::create_directory(m_log);
  ReportError("lost", false);
  EXPECT_EQ(ErrorLast(), "lost");
  std::filesystem::remove(m_log);
  {
    std::ofstream old(m_log, std::ios::binary);
    old << "kept\r\n";
  }
  // The first-write state ended with the failed attempt: this one appends.
  ReportError("next", false);
  EXPECT_EQ(ReadLog(), "kept\r\nnext\r\n\r\n\r\n");
}

TEST_F(ErrorTest, ErrorOccurredAndLast) {
  SetErrorOccurred(false);
  EXPECT_FALSE(ErrorOccurred());
  ReportError("some error", false);
  EXPECT_TRUE(ErrorOccurred());
  EXPECT_EQ(ErrorLast(), "some error");
  SetErrorOccurred(false);
  SetErrorLast("");
  ReportError("another", false);
  EXPECT_TRUE(ErrorOccurred());
  EXPECT_EQ(ErrorLast(), "another");
}

TEST(HeadlessDialogs, PrintTheTextAndAnswerByFatality) {
  CHeadlessDialogs dialogs;
  testing::internal::CaptureStderr();
  // The lines the window would show, each ended by a line feed alone.
  EXPECT_TRUE(dialogs.ShowError("ERROR in\r\nline\rat position 3", false));
  EXPECT_FALSE(dialogs.ShowError("FATAL", true));
  dialogs.ShowMessage("hello\r\nthere");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR in\nline\nat position 3\nFATAL\nhello\nthere\n");
  testing::internal::CaptureStdout();
  dialogs.DebugMessage("debug");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "debug\n");
}

TEST(ErrorMemo, ReportsBecomeLinesUnderARule) {
  std::vector<std::string> memo;
  ErrorMemoAppend(memo, "ERROR in\r\naction number 1\r\n\r\nmsg");
  ErrorMemoAppend(memo, "Error in code at line 2:\r   \ny = ;\r   ^");
  const std::string rule(43, '_');
  const std::vector<std::string> expected = {
      "", rule, "ERROR in", "action number 1", "", "msg",
      "", rule, "Error in code at line 2:", "   y = ;", "   ^",
  };
  EXPECT_EQ(memo, expected);
}

}  // namespace

namespace {

// The same report made again and again in one step is shown kShownRepeats
// times; another report in between starts the count again, and the end of
// the step sums up what was left out in one line on standard error.
TEST_F(ErrorTest, RepeatsInOneStepAreShownAFewTimesThenCounted) {
  ErrorEndRepeats();
  testing::internal::CaptureStderr();
  for (int i = 0; i < kShownRepeats + 5; ++i) ReportError("again", false);
  ReportError("other", false);
  for (int i = 0; i < kShownRepeats + 1; ++i) ReportError("again", false);
  ErrorEndRepeats();
  ReportError("again", false);
  const std::string err = testing::internal::GetCapturedStderr();
  const auto count = [&](const std::string &text) {
    return std::count_if(m_window.shown.begin(), m_window.shown.end(),
                         [&](const ScriptedWindow::Shown &s) { return s.text == text; });
  };
  EXPECT_EQ(count("again"), 2 * kShownRepeats + 1);
  EXPECT_EQ(count("other"), 1);
  EXPECT_EQ(err,
            "quillon: the error above was reported 5 more times in this step\n"
            "quillon: the error above was reported 1 more times in this step\n");
  EXPECT_TRUE(ErrorOccurred());
}

}  // namespace
