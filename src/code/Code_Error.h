// Error reporting for game code: the recorder that turns a message and a
// text position into a located message, the action-error formatter that adds
// the event context, and the one reporter that shows, logs, remembers and,
// for fatal errors, ends the game.
#pragma once

#include <string>
#include <string_view>

// --- the code-error recorder (one per process; the first error wins) ------
// Records "Error in code at line ..." (program) or "Error in expression:..."
// for the 1-based position in text, unless an error is already recorded.
void ReportCodeError(std::string_view text, bool isProgram, int position, std::string_view message);
bool CodeErrorFlag();
const std::string &CodeErrorText();
// The recorded error apart from its located text: the 1-based position it
// was reported at (clamped to the text as the located text counts it; 0 when
// nothing is recorded) and the bare message. Tools that show errors as
// FILE:LINE:COLUMN read these.
int CodeErrorPosition();
const std::string &CodeErrorMessage();
// Prefixes the recorded text (script calls add "In script NAME:" + CR).
void CodeErrorPrefix(std::string_view prefix);
// Every code run starts by clearing the recorder, which nearly always holds
// nothing: one test of a flag settles that without a call.
namespace code_error {
extern bool g_held;  // the recorder holds the flag or some text
void ClearHeld();
}  // namespace code_error
inline void CodeErrorClear() {
  if (code_error::g_held) code_error::ClearHeld();
}

// --- the event context that action errors name ----------------------------
struct RErrorContext {
  bool inTimeLine = false;
  int actionIndex = 0;          // 0-based; printed + 1
  std::string objectName;       // the running object's name
  std::string eventName;        // the event's name as error texts show it
  std::string timeLineName;     // when inTimeLine
  int timeLineStep = 0;         // when inTimeLine
};
// The event engine installs the function that describes the running event.
using TErrorContextProvider = RErrorContext (*)();
void SetErrorContextProvider(TErrorContextProvider provider);

// --- reporting ------------------------------------------------------------
void ReportActionError(std::string_view message, bool fatal);
void ReportError(std::string_view text, bool fatal);

// error_last and error_occurred.
const std::string &ErrorLast();
void SetErrorLast(std::string_view text);
bool ErrorOccurred();
void SetErrorOccurred(bool on);
// Set once a fatal report has ended the game; later reports are dropped.
bool ErrorAborting();
// The game is ending without a report (a stop request): later reports are
// dropped as after a fatal one.
void ErrorStartAborting();
// Whether a fatal report ended (or is ending) the game: what the process's
// exit status tells.
bool ErrorEndedFatally();
// Back to the state of a new process (tests, game restart of the process).
void ErrorReset();

// The same report made over and over in one step (a loop reading a file that
// was never opened, say) is shown kShownRepeats times; the rest of that
// step's copies only count and are summed up in one line on standard error
// when the step ends. The main loop calls this at the start of every step
// and once after the game.
constexpr int kShownRepeats = 20;
void ErrorEndRepeats();

// --- what a report sets in motion elsewhere --------------------------------
// The main loop installs the end of the game after a fatal report (the
// pending game state -400 and the request to terminate); input installs the
// clearing of typed text, key and mouse-button states after the window.
using TErrorHook = void (*)();
void SetErrorFatalHook(TErrorHook hook);
void SetErrorClearInputHook(TErrorHook hook);

// The log file written when opt_writeerrors is on: "game_errors.log" in the
// current directory unless a test points it elsewhere. Setting it starts a
// new run of the log (the next write truncates).
void SetErrorLogPath(std::string_view path);

// Replaces the recorded text (setting the flag when it was clear): a failed
// script call whose argument count does not match reports only that.
void CodeErrorSet(std::string_view text);
