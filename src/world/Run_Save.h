// Saved games: the running game written to a file and read back. A file
// holds the game-wide values (room, transition, score, lives, health,
// cursor, step counter, automatic drawing), the global variables, every
// run-time room with its instances and tiles, and the id counters; the
// resources are not in it. Writing never destroys an existing file on
// failure, and reading replaces the running game only when the whole file
// is good.
#pragma once

#include <string>

class CStream;

// The saved game of the running game.
void SaveGame_ToStream(CStream &stream);

enum class TSaveLoad {
  Loaded,        // the running game is the saved one now
  OtherVersion,  // written by a different format
  OtherGame,     // written by a different game
  Damaged,       // cut short or inconsistent
};
// Reads a saved game. Unless the answer is Loaded the running game is left
// exactly as it was. No event runs either way.
TSaveLoad LoadGame_FromStream(CStream &stream);

// Writes the file at once (game_save, F5). In secure mode a name with a
// folder in it is refused. Problems are reported (not fatal); answers
// whether the file was written.
bool SaveGame(const std::string &fname);
// Loads the file at once (F6, and the end of the step that asked for it).
// A missing file does nothing and says nothing; the other problems are
// reported (not fatal) and leave the game as it was. Answers whether the
// game was loaded.
bool LoadGame(const std::string &fname);
// game_load: the load happens at the end of the step, through the pending
// game-state code.
void Run_RequestLoad(const std::string &fname);
// The file of F5 and F6: "_save" + game id + ".sav".
std::string SaveGame_KeyFile();

// game_save and game_load.
void Function_Save_Init();
