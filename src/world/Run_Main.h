// The main loop: one step per frame at the current room's speed, frame
// pacing on a microsecond clock, frames per second, and the room change,
// restart, load or end that a step requested. Also the flow of the game
// world: starting and ending the game and its rooms.
#pragma once

#include <cstdint>
#include <string>

// g_PendingCode: -1 nothing; 0 or more a room to go to; the others below.
inline constexpr int32_t kPendingNone = -1;
inline constexpr int32_t kPendingEnd = -100;
inline constexpr int32_t kPendingRestart = -200;
inline constexpr int32_t kPendingLoad = -300;
inline constexpr int32_t kPendingAbort = -400;  // stop after a fatal error

// While a code is pending no further event starts.
extern int32_t g_PendingCode;
inline bool GameStatePending() { return g_PendingCode != kPendingNone; }

// The file a requested load reads (game_load).
extern std::string g_PendingFile;

struct RRunState {
  bool running = false;       // the game is running
  bool paused = false;        // the loop was left without ending the game
  bool gameStarted = false;   // GameStart has run and GameEnd has not
  int32_t fps = 0;            // frames completed in the previous second
  int32_t frameCounter = 0;   // frames in the current second
  int64_t stepCount = 0;      // steps since the game started (cursor animation)
  int64_t stepsRun = 0;       // steps run by this process (the step limit)
  bool automaticDraw = true;  // the room is drawn every step
  int32_t transitionKind = 0;
  int32_t transitionSteps = 80;
};
extern RRunState g_Run;

// The player's score, lives and health and the cursor sprite.
struct RGameState {
  int32_t score = 0;
  int32_t lives = -1;
  double health = 100;
  int32_t cursorSprite = -1;
};
extern RGameState g_Game;

struct RJoystickState {
  int32_t x = 32768, y = 32768;  // axes 0..65535
  uint32_t buttons = 0;          // bit b-1 for button b
};

// What the loop needs of the subsystems above the world (drawing, particles,
// dialogs, the mouse through the views, joysticks, function keys). The
// runner installs them all; a hook left null does nothing.
struct RRunHooks {
  bool (*holdStep)() = nullptr;          // a dialog or splash holds the game
  void (*presentFrame)() = nullptr;      // end the scene and present it
  void (*drawRoom)() = nullptr;          // draw the current room
  void (*particles)() = nullptr;         // particle systems advance
  void (*mousePosition)(double &x, double &y) = nullptr;  // in room coordinates
  bool (*joystick)(int32_t id, RJoystickState &state) = nullptr;  // false: no such joystick
  void (*functionKey)(int32_t key) = nullptr;  // F1, F4, F9
  void (*roomStart)(bool gameStart) = nullptr;  // fit the window to the room entered
  void (*stepDone)(int64_t step) = nullptr;     // a step and what it asked for are done (--digest)
  void (*network)() = nullptr;  // sessions answer their peers between steps, never waiting
  void (*sound)(int64_t stepMicros) = nullptr;  // the sound goes on for one step's time
};
void Run_SetHooks(const RRunHooks &hooks);
const RRunHooks &Run_Hooks();

// The platform clock's microseconds (frame pacing, fps).
int64_t Run_NowMicros();

struct RRunOptions {
  bool paced = true;       // wait for the frame period between steps
  int64_t maxSteps = -1;   // end the game after this many steps (-1: never)
};
void Run_SetOptions(const RRunOptions &options);

// Starts the game when it is not running, then loops until the game ends
// or is paused; an ended game gets GameEnd. A failure outside a step (an
// arithmetic trap in the game start or end events, say) leaves it.
void RunGame();
// Asks the game to end as the Escape key would; code running now (a loop that
// never ends, say) stops at its next statement. Safe to call from a signal
// handler.
void Run_RequestStop();

// What a step that runs out of memory reports, as a fatal error.
inline constexpr const char *kOutOfMemoryMessage = "Out of memory: the game needed more memory than the system could give.";
void PauseGame();
void StopGame();
void SingleStep();
// One step of the world, in its fixed order.
void RunStep();
// Carries out the pending game-state code.
void HandlePendingCode();

// Waits ms milliseconds the way the frame wait does, pumping messages.
void Run_Sleep(int32_t ms);

// Installs what the language asks of the world: the instances, the running
// event, what a fatal error and the error window do. GameStart does it too.
void World_InstallHooks();

// Room and game flow.
void GameStart();
void GameEnd();
void RoomStart(int32_t index, bool gameStart);
void RoomEnd(bool gameEnd);

// Requests a room change; a missing room is a fatal error. Answers whether
// the request was accepted.
bool Run_RequestRoom(int32_t index);

// Forgets every run-time room, the carried instances and the loop state
// (tests, and the end of a run).
void Run_Reset();

// The room-flow and game functions (room_goto, game_end, sleep, ...) and the
// game variables (room, score, lives, health, fps, transition_*).
void Function_Game_Init();

// The world's run state back to a fresh start: run-time rooms and their
// instances, the current room, carried instances, the pending request, the
// loop's counters, score, lives and health, and every motion-planning grid.
void World_ResetState();
