// The machine the runner stands on, as one object: the window and its
// events, the render device, audio output, system fonts, the clock, dialogs,
// dynamic libraries, the network and other processes. Everything above this
// folder reaches the machine only through these services (files and paths go
// through the base layer); nothing above it includes a system library's
// header.
//
// The runner builds one platform object at start (headless for --headless,
// the real backends otherwise) and installs it; until then, and in tests that
// install nothing, the headless services answer. Every service is always
// present: callers never test for a missing one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The game window and its event queue, the caption and the clipboard.
class IWindowService {
public:
  virtual ~IWindowService() = default;
  // Handles every waiting window event without waiting for new ones.
  virtual void PumpEvents() = 0;
  // Whether the window has the keyboard focus (a run without a window is
  // always active).
  virtual bool Active() = 0;
  // The window's native handle as games see it; 0 without a window.
  virtual int64_t Handle() = 0;
  virtual void SetCaption(std::string_view caption) = 0;
  virtual std::string Caption() = 0;
  virtual bool ClipboardHasText() = 0;
  virtual void ClipboardSetText(std::string_view text) = 0;
  virtual std::string ClipboardGetText() = 0;
};

// The device pictures are drawn with. A texture is a handle of the device's
// own; the texture table of the graphics layer maps game texture ids to them.
class IRenderDevice {
public:
  virtual ~IRenderDevice() = default;
  // Whether drawing reaches pixels (false for a run without a picture).
  virtual bool Draws() = 0;
  // A texture of wt x ht texels with the w x h image (32-bit pixels, blue,
  // green, red, alpha, rows top down) in its top-left corner and transparent
  // black elsewhere. Answers 0 when the device cannot make it.
  virtual uint32_t CreateTexture(int32_t wt, int32_t ht, int32_t w, int32_t h, const uint32_t *pixels) = 0;
  virtual void ReleaseTexture(uint32_t texture) = 0;
  // Shows the finished frame.
  virtual void Present() = 0;
};

// Where mixed sound goes.
class IAudioOutput {
public:
  virtual ~IAudioOutput() = default;
  // Whether what is played is heard (false for a run without sound).
  virtual bool Audible() = 0;
  // The mixing rate in frames per second.
  virtual int32_t SampleRate() = 0;
};

// Fonts installed on the machine.
class ISystemFonts {
public:
  virtual ~ISystemFonts() = default;
  // The file of the installed font that best matches the family name and
  // style; "" when there is none.
  virtual std::string FindFont(std::string_view family, bool bold, bool italic) = 0;
};

// The microsecond clock of frame pacing and the sleep of waits.
class IClock {
public:
  virtual ~IClock() = default;
  // Microseconds since some fixed moment; never goes backwards.
  virtual int64_t NowMicros() = 0;
  virtual void SleepMillis(int32_t ms) = 0;
};

// Messages shown to the player.
class IDialogs {
public:
  virtual ~IDialogs() = default;
  // A message box with an OK button (start-up failures, messages of the
  // runner); returns when the player has closed it.
  virtual void ShowMessage(std::string_view text) = 0;
  // The error window: shows one reported error (its text as the reporter
  // formatted it, CR between lines); the Ignore button only when not fatal.
  // Answers true for Ignore, false for Abort or a closed window.
  virtual bool ShowError(std::string_view text, bool fatal) = 0;
  // A line for the debug window's message list.
  virtual void DebugMessage(std::string_view text) = 0;
};

// Native libraries loaded at run time.
class IDynamicLibraries {
public:
  virtual ~IDynamicLibraries() = default;
  // A handle for the library file, or null with error set.
  virtual void *Open(const std::string &path, std::string &error) = 0;
  // The address of an exported name, or null.
  virtual void *Symbol(void *library, const std::string &name) = 0;
  virtual void Close(void *library) = 0;
};

// Sessions between copies of a game.
class INetwork {
public:
  virtual ~INetwork() = default;
  // Whether sessions can be opened at all on this machine.
  virtual bool Available() = 0;
};

// Other programs, and this process's own priority.
class IProcesses {
public:
  virtual ~IProcesses() = default;
  // Starts program with the arguments, in the current directory, without a
  // shell. When wait is set, polls until the program has ended, calling idle
  // between polls. False when the program cannot be started.
  virtual bool Run(const std::string &program, const std::vector<std::string> &args, bool wait,
                   const std::function<void()> &idle) = 0;
  // Opens a document, a folder, an address or a program as the desktop
  // would; does not wait. False when nothing could be started.
  virtual bool Open(const std::string &target, const std::vector<std::string> &args) = 0;
  // The process priority: 1, 2, 3 raise it, -1, -2, -3 lower it, 0 normal.
  // Answers whether the change was made.
  virtual bool SetPriority(int level) = 0;
};

// The services in one object; the owner keeps them alive while installed.
struct RPlatform {
  IWindowService *window = nullptr;
  IRenderDevice *render = nullptr;
  IAudioOutput *audio = nullptr;
  ISystemFonts *fonts = nullptr;
  IClock *clock = nullptr;
  IDialogs *dialogs = nullptr;
  IDynamicLibraries *libraries = nullptr;
  INetwork *network = nullptr;
  IProcesses *processes = nullptr;
  const char *name = "";  // "headless", "sdl", ... (for the trace log)

  // Whether every service is there.
  bool Complete() const;
};

// The platform in use.
const RPlatform &Platform();
// Installs a platform; every service must be present. Null goes back to the
// built-in headless platform.
void Platform_Install(const RPlatform *platform);

// Shorthands for the services of the platform in use.
inline IWindowService &PlatformWindow() { return *Platform().window; }
inline IRenderDevice &PlatformRender() { return *Platform().render; }
inline IAudioOutput &PlatformAudio() { return *Platform().audio; }
inline ISystemFonts &PlatformFonts() { return *Platform().fonts; }
inline IClock &PlatformClock() { return *Platform().clock; }
inline IDialogs &PlatformDialogs() { return *Platform().dialogs; }
inline IDynamicLibraries &PlatformLibraries() { return *Platform().libraries; }
inline INetwork &PlatformNetwork() { return *Platform().network; }
inline IProcesses &PlatformProcesses() { return *Platform().processes; }

// The lines one report adds to an error window's memo of this run's errors:
// an empty line, a rule of 43 underscores, then the text split at each
// carriage return with line feeds removed. Every error window keeps its memo
// this way.
void ErrorMemoAppend(std::vector<std::string> &memo, std::string_view text);
