// The runner's start sequence: command line, tracing, temporary directory,
// loading, and (until the world runs) the summary of the loaded game.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr char kUnexpectedErrorMessage[] = "Unexpected error occured when running the game.";

struct RRunnerArgs {
  bool headless = false;
  bool paced = false;
  bool info = false;
  bool listFunctions = false;
  bool selfCheck = false;
  bool help = false;
  int64_t steps = -1;  // -1: run until the game ends
  std::string game;    // empty: the runner's own executable
  std::string screenshot;  // where to save the last drawn frame at the end; empty: nowhere
  std::string input;   // the input script to play; empty: none
  std::string record;  // where to write the player's input; empty: nowhere
  std::string digest;  // where to write the state of every step; empty: nowhere
  std::string audioOut;    // where the mixed sound goes as a WAV file; empty: nowhere
  bool startupReport = false;  // report start-up times and end after the first presented frame
};

// Answers false with a message for an unknown option or a bad value.
bool Runner_ParseArgs(int argc, const char *const *argv, RRunnerArgs &args, std::string &error);
const char *Runner_HelpText();

// The loaded game described for --info: game id, debug flag, every setting,
// and each section with its item count and names.
std::string Runner_Summary();

// The machine's services for the whole run, built on first call: the
// headless ones, or the real window and picture of a player's run.
struct RPlatform;
// audioOut: the mix goes to this WAV file, rendered step by step, instead
// of to a sound device.
const RPlatform &Runner_Platform(bool headless, const std::string &audioOut = std::string());

// The whole run; answers the process exit code.
int Runner_Main(int argc, const char *const *argv);
