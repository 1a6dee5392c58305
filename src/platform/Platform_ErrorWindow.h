// The error window: shows one reported error (its text as the reporter
// formatted it, CR between lines) and answers the player's choice. The memo
// of earlier errors, Clear and Copy belong to the window.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class IErrorWindow {
public:
  virtual ~IErrorWindow() = default;
  // Shows the text modally; the Ignore button only when not fatal. Answers
  // true for Ignore; false for Abort or a closed window.
  virtual bool Show(std::string_view text, bool fatal) = 0;
};

// The window without a display: the text on standard error exactly as
// formatted, followed by a line feed; Ignore for a non-fatal error, Abort
// for a fatal one.
class CHeadlessErrorWindow : public IErrorWindow {
public:
  bool Show(std::string_view text, bool fatal) override;
};

// The window the reporter uses (the headless one until another is set).
IErrorWindow &ErrorWindow();
// Installs a window; null goes back to the headless one. The caller keeps
// ownership and keeps it alive while installed.
void SetErrorWindow(IErrorWindow *window);

// The lines one report adds to the window's memo of this run's errors: an
// empty line, a rule of 43 underscores, then the text split at each carriage
// return with line feeds removed. Every window keeps its memo this way.
void ErrorMemoAppend(std::vector<std::string> &memo, std::string_view text);
