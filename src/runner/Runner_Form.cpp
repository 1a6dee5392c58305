#include "runner/Runner_Form.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "code/Code_Error.h"
#include "code/Constant_Main.h"
#include "code/Extension_Main.h"
#include "code/Script_Main.h"
#include "code/Support_DLL.h"
#include "code/Variable_BuiltIn.h"
#include "dialogs/Help_Main.h"
#include "functions/Function_Action_Support.h"
#include "functions/Function_File.h"
#include "functions/Function_Init.h"
#include "graphics/Graphics_Draw.h"
#include "data/Background_Main.h"
#include "data/Sprite_Main.h"
#include "data/DataNew_Main.h"
#include "base/Option_Main.h"
#include "sound/Sound_Main.h"
#include "platform/al/Al_Audio.h"
#include "data/Font_Main.h"
#include "runner/Runner_Input.h"
#include "runner/Runner_Load.h"
#include "runner/Runner_LoadForm.h"
#include "runner/Runner_Prepare.h"
#include "runner/Runner_Wire.h"
#include "platform/Platform_Main.h"
#include "platform/fonts/Font_System.h"
#include "platform/headless/Headless_Platform.h"
#include "platform/Platform_LoadForm.h"
#include "platform/sdl/Sdl_LoadForm.h"
#include "platform/sdl/Sdl_Platform.h"
#include "platform/Platform_Process.h"
#include "base/Support_File.h"
#include "base/Support_Path.h"
#include "base/Support_Trace.h"
#include "world/Action_Lib.h"
#include "world/Object_Main.h"
#include "world/Path_Main.h"
#include "world/Room_Main.h"
#include "world/Run_Main.h"
#include "world/TimeLine_Main.h"
#include "world/Trigger_Main.h"

namespace {

constexpr char kRunnerName[] = "Quillon";
constexpr char kRunnerVersion[] = "8.1.140.6892";
// The exit status of a game that a fatal error of its code ended (a start-up
// failure or an unexpected error exits with 1, a bad command line with 2).
constexpr int kExitFatalError = 4;

// The temporary directory goes at every way out of the start sequence.
struct CTempDirGuard {
  ~CTempDirGuard() { TempDir_Remove(); }
};

template <class T>
void ListSection(std::ostringstream &o, const char *name, const RResourceList<T> &list) {
  o << "  " << name << ": " << list.Count() << "\n";
  for (int i = 0; i < list.Count(); ++i) {
    o << "    " << i << " ";
    if (!list.Exists(i)) o << "(empty)";
    else if (list.names[static_cast<size_t>(i)].empty()) o << "(exists)";
    else o << list.names[static_cast<size_t>(i)];
    o << "\n";
  }
}

const char *Bool(bool b) { return b ? "true" : "false"; }

// Launch, as near as the program can see it: before main runs.
const std::chrono::steady_clock::time_point kLaunch = std::chrono::steady_clock::now();

// One line of --startup-report: the milliseconds since launch.
void ReportStartup(const char *what) {
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - kLaunch).count();
  std::fprintf(stderr, "quillon: %s after %.1f ms\n", what, ms);
}

// --startup-report: the frame is presented as always; the first one is
// reported and ends the game.
void (*s_presentFrame)() = nullptr;
void PresentAndReport() {
  if (s_presentFrame) s_presentFrame();
  static bool reported = false;
  if (reported) return;
  reported = true;
  ReportStartup("first frame presented");
  Run_RequestStop();
}

// A failure outside any step (an arithmetic trap in a game start or end
// event, say): the failure, then the runner's own message; the game's files
// are removed as at any end, and the run fails.
int Unexpected(IDialogs &dialogs, const std::string &what) {
  Trace("Unexpected error: " + what);
  dialogs.ShowMessage(what);
  dialogs.ShowMessage(kUnexpectedErrorMessage);
  Runner_CleanUp();
  return 1;
}

std::string Image(const std::unique_ptr<TBitmap32> &img) {
  if (!img) return "none";
  return std::to_string(img->Width()) + "x" + std::to_string(img->Height());
}

}  // namespace

const char *Runner_HelpText() {
  return "Usage: quillon [options] [GAME]\n"
         "\n"
         "Runs the game appended to this executable, or the game in the file GAME\n"
         "(a packed game executable or a bare game-data file).\n"
         "\n"
         "Options:\n"
         "  --headless   run without a window, sound device or dialogs; messages that\n"
         "               would open a box are printed on standard error\n"
         "  --steps N    end the game after N steps, as the Escape key would\n"
         "  --paced      keep real-time frame pacing (headless runs go as fast as\n"
         "               they can otherwise)\n"
         "  --screenshot FILE\n"
         "               when the game ends, save the last frame drawn into FILE\n"
         "               (PNG when the name ends in .png, else BMP); a run without a\n"
         "               picture (--headless) saves a black frame of the same size\n"
         "  --input FILE feed the input events of the script FILE to the game at the\n"
         "               start of their steps, as if the window had delivered them\n"
         "               (also with --headless); see docs/cli.md for the format\n"
         "  --record FILE\n"
         "               write what the player did, with the random seed, as an\n"
         "               input script into FILE, so that --headless --input FILE\n"
         "               replays the session\n"
         "  --digest FILE\n"
         "               write after every step the step number and a hash of the\n"
         "               game's state into FILE, to compare two runs step by step\n"
         "  --audio-out FILE\n"
         "               mix the sound step by step, as a headless run does, and write\n"
         "               it into FILE as a 16-bit stereo WAV file at 44100 Hz (written\n"
         "               when the game ends); nothing is played on a sound device\n"
         "  --startup-report\n"
         "               print on standard error how many milliseconds after launch\n"
         "               the load form was shown, the game loaded and prepared, and\n"
         "               the first frame presented; the game then ends as Escape\n"
         "               would\n"
         "  --info       load the game, print a summary of it on standard output and\n"
         "               exit\n"
         "  --list-functions\n"
         "               print the built-in function table (name, argument count,\n"
         "               -1 for any number, and argument names, one function a\n"
         "               line) and exit\n"
         "  --self-check load and prepare the game as for a run, then print every\n"
         "               service and hook the game's code can reach, installed or\n"
         "               pending, and exit (3 when one is missing)\n"
         "  --TWTrace    append trace lines to Trace.log beside the executable (also\n"
         "               switched on by the environment variable TWLOG_TRACE=1)\n"
         "  --help       print this text and exit\n"
         "\n"
         "Exit status: 0 after a normal end; 1 when the game could not be loaded\n"
         "(the message is on standard error; a game file whose check fails ends\n"
         "silently); 2 for a bad command line.\n";
}

bool Runner_ParseArgs(int argc, const char *const *argv, RRunnerArgs &args, std::string &error) {
  args = RRunnerArgs();
  bool gameSeen = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--headless") args.headless = true;
    else if (a == "--paced") args.paced = true;
    else if (a == "--info") args.info = true;
    else if (a == "--list-functions") args.listFunctions = true;
    else if (a == "--self-check") args.selfCheck = true;
    else if (a == "--startup-report") args.startupReport = true;
    else if (a == "--help" || a == "-h") args.help = true;
    else if (a == "--TWTrace") continue;  // read by the trace set-up
    else if (a == "--steps") {
      if (i + 1 >= argc) {
        error = "--steps needs a number of steps";
        return false;
      }
      const std::string n = argv[++i];
      if (n.empty() || n.size() > 15 || !std::all_of(n.begin(), n.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        error = "--steps needs a number of steps, not \"" + n + "\"";
        return false;
      }
      args.steps = std::stoll(n);
    } else if (a == "--screenshot") {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') {
        error = "--screenshot needs a file name";
        return false;
      }
      args.screenshot = argv[++i];
    } else if (a == "--input" || a == "--record" || a == "--digest") {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') {
        error = a + " needs a file name";
        return false;
      }
      (a == "--input" ? args.input : a == "--record" ? args.record : args.digest) = argv[++i];
    } else if (a == "--audio-out") {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') {
        error = "--audio-out needs a file name";
        return false;
      }
      args.audioOut = argv[++i];
    } else if (a.size() > 1 && a[0] == '-') {
      error = "unknown option \"" + a + "\"";
      return false;
    } else {
      if (gameSeen) {
        error = "only one game can be given";
        return false;
      }
      args.game = a;
      gameSeen = true;
    }
  }
  return true;
}

std::string Runner_Summary() {
  std::ostringstream o;
  const TGameSettings &s = g_Settings;
  o << "Game id: " << g_GameId << "\n";
  o << "Debug mode: " << Bool(g_DebugMode) << "\n";
  o << "Settings (version " << s.version << "):\n";
  auto b = [&](const char *n, bool v) { o << "  " << n << " = " << Bool(v) << "\n"; };
  auto i = [&](const char *n, int32_t v) { o << "  " << n << " = " << v << "\n"; };
  auto img = [&](const char *n, const std::unique_ptr<TBitmap32> &v) { o << "  " << n << " = " << Image(v) << "\n"; };
  b("opt_fullscreen", s.opt_fullscreen);
  b("opt_interpolate", s.opt_interpolate);
  b("opt_noborder", s.opt_noborder);
  b("opt_showcursor", s.opt_showcursor);
  i("opt_scale", s.opt_scale);
  b("opt_sizeable", s.opt_sizeable);
  b("opt_stayontop", s.opt_stayontop);
  i("opt_windowcolor", s.opt_windowcolor);
  b("opt_changeresolution", s.opt_changeresolution);
  i("opt_colordepth", s.opt_colordepth);
  i("opt_resolution", s.opt_resolution);
  i("opt_frequency", s.opt_frequency);
  b("opt_nobuttons", s.opt_nobuttons);
  b("opt_vsync", s.opt_vsync);
  b("opt_noscreensaver", s.opt_noscreensaver);
  b("opt_keyf4", s.opt_keyf4);
  b("opt_keyf1", s.opt_keyf1);
  b("opt_keyesc", s.opt_keyesc);
  b("opt_keyf5", s.opt_keyf5);
  b("opt_keyf9", s.opt_keyf9);
  b("opt_closeasesc", s.opt_closeasesc);
  i("opt_priority", s.opt_priority);
  b("opt_freeze", s.opt_freeze);
  b("opt_showprogress", s.opt_showprogress);
  img("opt_backimage", s.opt_backimage);
  img("opt_frontimage", s.opt_frontimage);
  img("opt_loadimage", s.opt_loadimage);
  b("opt_loadtransparent", s.opt_loadtransparent);
  i("opt_loadalpha", s.opt_loadalpha);
  b("opt_scaleprogress", s.opt_scaleprogress);
  b("opt_displayerrors", s.opt_displayerrors);
  b("opt_writeerrors", s.opt_writeerrors);
  b("opt_aborterrors", s.opt_aborterrors);
  b("opt_uninitzero", s.opt_uninitzero);
  b("opt_argumenterrors", s.opt_argumenterrors);
  b("opt_createfirst", s.opt_createfirst);

  o << "Sections:\n";
  o << "  extension packages: " << g_Extensions.size() << "\n";
  for (size_t k = 0; k < g_Extensions.size(); ++k) o << "    " << k << " " << g_Extensions[k]->s_name << "\n";
  o << "  triggers: " << g_Triggers.Count() << "\n";
  for (int k = 0; k < g_Triggers.Count(); ++k)
    o << "    " << k << " "
      << (!g_Triggers.Exists(k)                  ? std::string("(empty)")
          : g_Triggers.Get(k)->i_name.empty() ? std::string("(exists)")
                                                : g_Triggers.Get(k)->i_name)
      << "\n";
  o << "  constants: " << g_Constants.Count() << "\n";
  for (int k = 0; k < g_Constants.Count(); ++k) o << "    " << k << " " << g_Constants.names[static_cast<size_t>(k)] << "\n";
  ListSection(o, "sounds", g_Sounds);
  ListSection(o, "sprites", g_Sprites);
  ListSection(o, "backgrounds", g_Backgrounds);
  ListSection(o, "paths", g_Paths);
  ListSection(o, "scripts", g_Scripts);
  ListSection(o, "fonts", g_Fonts);
  ListSection(o, "time lines", g_TimeLines);
  ListSection(o, "objects", g_Objects);
  ListSection(o, "rooms", g_Rooms);
  o << "  included files: " << g_DataFiles.size() << "\n";
  for (size_t k = 0; k < g_DataFiles.size(); ++k) o << "    " << k << " " << g_DataFiles[k]->s_filename << "\n";
  o << "  game information: " << g_GameInfo.caption << "\n";
  o << "  library init code: " << g_LibInitCode.size() << "\n";
  o << "  room order: " << g_RoomOrder.size() << "\n";
  for (int32_t r : g_RoomOrder) o << "    " << r << "\n";
  return o.str();
}

namespace {

// Whether SDL is told to make no sound (as CI and the tests do).
bool NoAudioDriver() {
  const char *driver = std::getenv("SDL_AUDIODRIVER");
  return driver != nullptr && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "disk") == 0);
}

// The sound of the run: a device for a player, else the loopback mix
// driven by the steps (discarded, or written to audioOut).
CAlAudio &Loopback() {
  static CAlAudio loopback(CAlAudio::TMode::Loopback);
  return loopback;
}

IAudioOutput *RunAudio(bool headless, const std::string &audioOut) {
  if (!headless && audioOut.empty() && !NoAudioDriver()) {
    static CAlAudio device(CAlAudio::TMode::Device);
    return &device;
  }
  Loopback().SetOutputFile(audioOut);
  return &Loopback();
}

bool Runner_AudioOutFailed(std::string &error) { return Loopback().OutputFailed(error); }

}  // namespace

const RPlatform &Runner_Platform(bool headless, const std::string &audioOut) {
  // Installed fonts need no display: every run renders them.
  static CSystemFonts systemFonts;
  if (headless) {
    static CHeadlessPlatform platform(false);
    static RPlatform services = platform.Services();
    services.fonts = &systemFonts;
    services.audio = RunAudio(true, audioOut);
    return services;
  }
  static CSdlPlatform platform(true);
  platform.SetFonts(&systemFonts);
  // Made after the platform, so that it goes before SDL does.
  static CSdlLoadForm loadForm;
  Platform_InstallLoadForm(&loadForm);
  static RPlatform services = platform.Services();
  services.audio = RunAudio(false, audioOut);
  return services;
}

int Runner_Main(int argc, const char *const *argv) {
  RRunnerArgs args;
  std::string error;
  if (!Runner_ParseArgs(argc, argv, args, error)) {
    std::fprintf(stderr, "quillon: %s\n%s", error.c_str(), Runner_HelpText());
    return 2;
  }
  if (args.help) {
    std::fputs(Runner_HelpText(), stdout);
    return 0;
  }
  if (args.listFunctions) {
    Runner_AddFamilies();
    Function_InitAll();
    Function_WriteTable(stdout);
    return 0;
  }

  // The machine, once for the whole run: a player's run gets the window and
  // the picture (offscreen when there is no display) with the process
  // priority following the game; a headless run gets none of them.
  Runner_Wire(Runner_Platform(args.headless, args.audioOut));
  IDialogs &dialogs = PlatformDialogs();

  const std::string self = SelfExecutablePath();
  const std::string exeDir = SelfExecutableDir();
  TraceInit(argc, argv, exeDir);
  const std::string stars(86, '*');
  Trace(stars);
  Trace(std::string(15, ' ') + kRunnerName + " " + kRunnerVersion);
  Trace(stars);

  CTempDirGuard tempGuard;
  if (!TempDir_Create(exeDir)) dialogs.ShowMessage(kTempDirFailedMessage);
  else Trace("Temporary directory: " + TempDirPath());
  SecureMode_Read();
  File_SetCommandLine(std::vector<std::string>(argv, argv + argc));
  Function_InitAll();
  // An action calling one of these would silently do nothing.
  for (const std::string &name : Action_CheckBuiltinNames().missing)
    Trace("Action library calls an unregistered function: " + name);

  RLoadOptions options;
  std::string path = args.game;
  if (path.empty()) {
    // The runner's own executable: its data lies past its program image.
    path = self;
    options.searchStart = std::max<int64_t>(GameFormat::kMarkerSearchStart, ExecutableImageEndOfFile(self));
  }
  // A player sees the load form until the game is ready; a headless run, or
  // one that only looks at the game, traces the captions.
  TLoadForm progress(!args.headless && !args.info && !args.selfCheck);
  options.progress = &progress;
  // The native libraries a game names are looked for beside the game too.
  std::error_code gameDirError;
  External_SetFolders(std::filesystem::absolute(path, gameDirError).parent_path().string(), exeDir);
  const RLoadResult result = Runner_LoadGameFile(path, options);
  if (result.status == TLoadStatus::CheckFailed) return 1;
  if (!result.Loaded()) {
    progress.End();
    for (const std::string &m : result.messages) dialogs.ShowMessage(m);
    return 1;
  }

  if (args.startupReport) ReportStartup(progress.Shown() ? "game loaded (load form shown)" : "game loaded");
  if (args.info) {
    const std::string summary = Runner_Summary();
    std::fwrite(summary.data(), 1, summary.size(), stdout);
    return 0;
  }

  // The values the game reads about its own run.
  BuiltinStore("game_id", RValue::Real(g_GameId));
  BuiltinStore("debug_mode", RValue::Real(g_DebugMode ? 1 : 0));
  BuiltinStore("secure_mode", RValue::Real(SecureMode() ? 1 : 0));
  BuiltinStore("temp_directory", RValue::Str(RString(TempDirPath())));
  BuiltinStore("program_directory", RValue::Str(RString(exeDir.empty() || exeDir.back() == '/' ? exeDir : exeDir + "/")));

  // The graphics start near the end of preparation, while the load form
  // still shows.
  const RPrepareResult prepared = Runner_Prepare(&progress, !args.selfCheck);
  if (!prepared.ok) {
    progress.End();
    for (const std::string &m : prepared.messages) dialogs.ShowMessage(m);
    return 1;
  }

  if (args.selfCheck) {
    const RWiringReport report = Runner_CheckWiring();
    const std::string text = Runner_WiringText(report);
    std::fwrite(text.data(), 1, text.size(), stdout);
    Runner_CleanUp();
    return report.Complete() ? 0 : 3;
  }

  if (args.startupReport) {
    ReportStartup("game prepared, graphics started");
    RRunHooks hooks = Run_Hooks();
    s_presentFrame = hooks.presentFrame;
    hooks.presentFrame = PresentAndReport;
    Run_SetHooks(hooks);
  }

  if (!Runner_InputStart(args, error)) {
    std::fprintf(stderr, "quillon: %s\n", error.c_str());
    Runner_CleanUp();
    return 2;
  }

  RRunOptions run;
  run.paced = !args.headless || args.paced;
  run.maxSteps = args.steps;
  Run_SetOptions(run);
  // Ctrl-C, SIGTERM and SIGHUP end the game as Escape would, so its end
  // events run and its files are removed as at any end.
  OnStopSignals(Run_RequestStop);
  try {
    RunGame();
  } catch (const std::bad_alloc &) {
    return Unexpected(dialogs, kOutOfMemoryMessage);
  } catch (const std::exception &e) {
    return Unexpected(dialogs, e.what());
  }
  ErrorEndRepeats();
  if (!Runner_InputFinish(args, error)) std::fprintf(stderr, "quillon: %s\n", error.c_str());
  // The back buffer still holds the last frame the loop drew (and whatever
  // the end events drew over it, which is rare).
  if (!args.screenshot.empty() && !GR_Draw_Save_Screen(args.screenshot))
    std::fprintf(stderr, "quillon: could not save the screenshot %s\n", args.screenshot.c_str());
  Runner_CleanUp();
  // The sound file is put in place when the mixer closes, at the clean-up.
  std::string soundError;
  if (!args.audioOut.empty() && Runner_AudioOutFailed(soundError))
    std::fprintf(stderr, "quillon: could not write the sound to %s (%s)\n", args.audioOut.c_str(), soundError.c_str());
  if (const int signal = LastStopSignal()) return 128 + signal;
  // A script or a test run can tell a game that ended on a fatal error.
  if (ErrorEndedFatally()) return kExitFatalError;
  return 0;
}
