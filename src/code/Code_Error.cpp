#include "code/Code_Error.h"

#include <cstdio>
#include <string>

#include "platform/Platform_Main.h"
#include "base/Option_Main.h"
#include "base/Support_Trace.h"
#include "base/Support_Wiring.h"

namespace {

constexpr char kCR = '\r';
constexpr const char *kCRLF = "\r\n";
constexpr const char *kDefaultLogPath = "game_errors.log";

struct ErrorState {
  bool codeFlag = false;
  std::string codeText;
  int codePosition = 0;
  std::string codeMessage;
  std::string last;
  bool occurred = false;
  bool aborting = false;
  bool endedFatally = false;
  std::string repeatText;   // the last report shown, and how often in a row
  int repeatCount = 0;
  int64_t repeatsDropped = 0;  // copies not shown in this step
  bool logStarted = true;  // the next log write truncates
  std::string logPath = kDefaultLogPath;
  TErrorContextProvider contextProvider = nullptr;
  TErrorHook fatalHook = nullptr;
  TErrorHook clearInputHook = nullptr;
};

ErrorState &State() {
  static ErrorState state;
  return state;
}

// A report's parts are joined by carriage returns, as the error window
// splits them into lines; in the log a bare carriage return becomes a whole
// line end, so that the file reads line by line like the window.
void WriteLog(ErrorState &s, std::string_view text) {
  const bool truncate = s.logStarted;
  s.logStarted = false;
  FILE *f = std::fopen(s.logPath.c_str(), truncate ? "wb" : "ab");
  if (!f) return;
  std::string record;
  record.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size(); ++i) {
    record += text[i];
    if (text[i] == kCR && (i + 1 == text.size() || text[i + 1] != '\n')) record += '\n';
  }
  record += kCRLF;
  record += kCRLF;
  record += kCRLF;
  // A failed write or close only loses this entry; the game goes on.
  std::fwrite(record.data(), 1, record.size(), f);
  std::fclose(f);
}

}  // namespace

void ReportCodeError(std::string_view text, bool isProgram, int position, std::string_view message) {
  ErrorState &s = State();
  if (s.codeFlag) return;
  s.codeFlag = true;
  code_error::g_held = true;
  s.codeText.clear();

  const int len = static_cast<int>(text.size());
  int pos = position;
  if (pos > len) pos = len;
  if (pos < 1) pos = 1;
  s.codePosition = pos;
  s.codeMessage.assign(message);

  // Line and column up to and including the character at pos (1-based). A
  // carriage return, or a line feed not directly after one, starts a line;
  // the line feed of a CR LF pair is a character of the new line.
  int line = 1;
  int column = 0;
  const int upto = len == 0 ? 0 : pos;
  for (int i = 0; i < upto; ++i) {
    const char c = text[static_cast<size_t>(i)];
    const bool lineBreak = c == kCR || (c == '\n' && (i == 0 || text[static_cast<size_t>(i) - 1] != kCR));
    if (lineBreak) {
      ++line;
      column = 0;
    } else {
      ++column;
    }
  }

  std::string out;
  if (isProgram) {
    // The shown line runs from after the last line break before the
    // position up to the next one. Carriage returns delimit it; a lone line
    // feed (text written with bare LF line ends) delimits it as well, so the
    // line shown is never several lines long.
    auto isBreak = [&](size_t i) {
      const char c = text[i];
      return c == kCR || (c == '\n' && (i == 0 || text[i - 1] != kCR));
    };
    size_t start = 0;
    for (size_t i = static_cast<size_t>(upto > 0 ? upto - 1 : 0); i > 0; --i) {
      if (isBreak(i - 1)) { start = i; break; }
    }
    size_t end = start;
    while (end < text.size() && !isBreak(end)) ++end;
    out = "Error in code at line " + std::to_string(line) + ":" + kCR + "   ";
    out.append(text.substr(start, end - start));
    out += kCR;
    out.append(static_cast<size_t>(column) + 1, ' ');
    out += '^';
    out += kCR;
    out += "at position " + std::to_string(column) + ": ";
    out.append(message);
  } else {
    out = "Error in expression:";
    out.append(text);
    out += kCR;
    out += " position " + std::to_string(column) + ": ";
    out.append(message);
  }
  s.codeText = std::move(out);
}

bool CodeErrorFlag() { return State().codeFlag; }
const std::string &CodeErrorText() { return State().codeText; }
int CodeErrorPosition() { return State().codePosition; }
const std::string &CodeErrorMessage() { return State().codeMessage; }

void CodeErrorPrefix(std::string_view prefix) {
  ErrorState &s = State();
  s.codeText.insert(0, prefix);
  code_error::g_held = true;
}

void CodeErrorSet(std::string_view text) {
  ErrorState &s = State();
  s.codeFlag = true;
  s.codeText.assign(text);
  code_error::g_held = true;
}

bool code_error::g_held = false;

void code_error::ClearHeld() {
  ErrorState &s = State();
  s.codeFlag = false;
  s.codeText.clear();
  s.codePosition = 0;
  s.codeMessage.clear();
  g_held = false;
}

void SetErrorContextProvider(TErrorContextProvider provider) { State().contextProvider = provider; }

namespace {
const CWiringHook kContextHook("code: error context (the running object, event and action)",
                               [] { return State().contextProvider != nullptr; });
const CWiringHook kFatalHook("code: fatal error ends the game", [] { return State().fatalHook != nullptr; });
const CWiringHook kClearInputHook("code: error window clears the input", [] { return State().clearInputHook != nullptr; });
}  // namespace

void ReportActionError(std::string_view message, bool fatal) {
  const ErrorState &s = State();
  const RErrorContext ctx = s.contextProvider ? s.contextProvider() : RErrorContext{};
  std::string text = fatal ? "FATAL ERROR in" : "ERROR in";
  text += kCRLF;
  text += "action number " + std::to_string(ctx.actionIndex + 1) + kCRLF;
  if (ctx.inTimeLine) {
    text += "at time step " + std::to_string(ctx.timeLineStep) + kCRLF;
    text += "of time line " + ctx.timeLineName + ":" + kCRLF;
  } else {
    text += "of " + ctx.eventName + kCRLF;
    text += "for object " + ctx.objectName + ":" + kCRLF;
  }
  text += kCRLF;
  text.append(message);
  ReportError(text, fatal);
}

void ReportError(std::string_view text, bool fatal) {
  ErrorState &s = State();
  if (s.aborting) return;
  if (text == s.repeatText) {
    if (++s.repeatCount > kShownRepeats && !fatal && !g_Settings.opt_aborterrors) {
      // Still an error of the game: error_last and error_occurred follow it.
      ++s.repeatsDropped;
      s.occurred = true;
      return;
    }
  } else {
    ErrorEndRepeats();
    s.repeatText.assign(text);
    s.repeatCount = 1;
  }
  Trace(text);
  if (g_Settings.opt_aborterrors) fatal = true;
  if (g_Settings.opt_displayerrors) {
    if (!PlatformDialogs().ShowError(text, fatal)) fatal = true;
  }
  // Keys held while the window was open must not stay pressed.
  if (s.clearInputHook) s.clearInputHook();
  if (g_Settings.opt_writeerrors) WriteLog(s, text);
  s.last.assign(text);
  s.occurred = true;
  if (fatal) {
    s.aborting = true;
    s.endedFatally = true;
    if (s.fatalHook) s.fatalHook();
  }
}

void ErrorEndRepeats() {
  ErrorState &s = State();
  if (s.repeatsDropped > 0) {
    std::fprintf(stderr, "quillon: the error above was reported %lld more times in this step\n",
                 static_cast<long long>(s.repeatsDropped));
    std::fflush(stderr);
  }
  s.repeatText.clear();
  s.repeatCount = 0;
  s.repeatsDropped = 0;
}

bool ErrorEndedFatally() { return State().endedFatally; }

const std::string &ErrorLast() { return State().last; }
void SetErrorLast(std::string_view text) { State().last.assign(text); }
bool ErrorOccurred() { return State().occurred; }
void SetErrorOccurred(bool on) { State().occurred = on; }
bool ErrorAborting() { return State().aborting; }
void ErrorStartAborting() { State().aborting = true; }

void ErrorReset() {
  ErrorState &s = State();
  s.codeFlag = false;
  s.codeText.clear();
  code_error::g_held = false;
  s.last.clear();
  s.occurred = false;
  s.aborting = false;
  s.endedFatally = false;
  s.repeatText.clear();
  s.repeatCount = 0;
  s.repeatsDropped = 0;
  s.logStarted = true;
}

void SetErrorFatalHook(TErrorHook hook) { State().fatalHook = hook; }
void SetErrorClearInputHook(TErrorHook hook) { State().clearInputHook = hook; }

void SetErrorLogPath(std::string_view path) {
  ErrorState &s = State();
  s.logPath.assign(path.empty() ? std::string_view(kDefaultLogPath) : path);
  s.logStarted = true;
}
