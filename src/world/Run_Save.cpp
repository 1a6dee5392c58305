#include "world/Run_Save.h"

#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "code/Variable_Main.h"
#include "base/Option_Main.h"
#include "base/Support_Path.h"
#include "base/Support_Stream.h"
#include "world/Room_Main.h"
#include "world/Run_Main.h"

namespace {

constexpr int32_t kSaveVersion = 540;
constexpr int32_t kGlobalBlockVersion = 700;

// Everything a saved game holds, read aside before any of it is used.
struct RSavedGame {
  int32_t room = -1;
  int32_t transitionKind = 0;
  int32_t score = 0;
  int32_t lives = -1;
  double health = 100;
  int32_t cursorSprite = -1;
  int32_t stepCount = 0;
  bool automaticDraw = true;
  bool hasGlobals = false;
  RGlobalStore globals;
  std::vector<std::unique_ptr<CRoom>> rooms;
  int32_t lastInstanceId = 0;
  int32_t lastTileId = 0;
};

// Reads the file's content after the game id. False for a damaged file; a
// file cut short raises EStreamError.
bool ReadSavedGame(CStream &s, RSavedGame &g) {
  g.room = s.ReadInteger();
  g.transitionKind = s.ReadInteger();
  g.score = s.ReadInteger();
  g.lives = s.ReadInteger();
  g.health = s.ReadReal();
  g.cursorSprite = s.ReadInteger();
  g.stepCount = s.ReadInteger();
  g.automaticDraw = s.ReadBoolean();

  // A global block of another version is passed over: the global variables
  // stay as they are and the rooms follow at once.
  const int64_t block = s.Position();
  if (s.ReadInteger() == kGlobalBlockVersion) {
    s.Seek(block);
    if (!Global_ReadFromStream(s, g.globals)) return false;
    g.hasGlobals = true;
  }

  // Every slot takes at least its present flag, so a longer array than the
  // bytes left is damage, not something to allocate.
  const int32_t slots = s.ReadInteger();
  if (slots < 0 || slots > (s.Size() - s.Position()) / 4) return false;
  g.rooms.resize(static_cast<size_t>(slots));
  for (auto &slot : g.rooms) {
    if (!s.ReadBoolean()) continue;
    slot = std::make_unique<CRoom>();
    if (!slot->LoadGameFromStream(s)) return false;
  }
  g.lastInstanceId = s.ReadInteger();
  g.lastTileId = s.ReadInteger();
  // The game goes on in the saved current room; without it there is no game to go on with.
  return g.room >= 0 && g.room < slots && g.rooms[static_cast<size_t>(g.room)] != nullptr;
}

// The saved game becomes the running one. Nothing here can fail, so the
// game is never left half replaced.
void InstallSavedGame(RSavedGame &g) {
  g_Run.transitionKind = g.transitionKind;
  g_Game.score = g.score;
  g_Game.lives = g.lives;
  g_Game.health = g.health;
  g_Game.cursorSprite = g.cursorSprite;
  g_Run.stepCount = g.stepCount;
  g_Run.automaticDraw = g.automaticDraw;
  if (g.hasGlobals) Global_Replace(std::move(g.globals));
  RunRoom_FreeAll();
  g_RunRooms = std::move(g.rooms);
  Room_SetCurrent(g.room);
  g_LastInstanceId = g.lastInstanceId;
  g_LastTileId = g.lastTileId;
}

std::string NameArg(const RValue &v) { return std::string(fnarg::Text(v)); }

void F_GameSave(CInstance *, CInstance *, int, RValue *args, RValue &) { SaveGame(NameArg(args[0])); }

void F_GameLoad(CInstance *, CInstance *, int, RValue *args, RValue &) { Run_RequestLoad(NameArg(args[0])); }

}  // namespace

void SaveGame_ToStream(CStream &s) {
  s.WriteInteger(kSaveVersion);
  s.WriteInteger(g_GameId);
  s.WriteInteger(g_RoomIndex);
  s.WriteInteger(g_Run.transitionKind);
  s.WriteInteger(g_Game.score);
  s.WriteInteger(g_Game.lives);
  s.WriteReal(g_Game.health);
  s.WriteInteger(g_Game.cursorSprite);
  // The counter only animates the cursor; its low 32 bits are all that matter.
  s.WriteInteger(static_cast<int32_t>(g_Run.stepCount));
  s.WriteBoolean(g_Run.automaticDraw);
  Global_SaveToStream(s);
  s.WriteInteger(static_cast<int32_t>(g_RunRooms.size()));
  for (const auto &room : g_RunRooms) {
    s.WriteBoolean(room != nullptr);
    if (room) room->SaveGameToStream(s);
  }
  s.WriteInteger(g_LastInstanceId);
  s.WriteInteger(g_LastTileId);
}

TSaveLoad LoadGame_FromStream(CStream &s) {
  RSavedGame g;
  try {
    if (s.ReadInteger() != kSaveVersion) return TSaveLoad::OtherVersion;
    if (s.ReadInteger() != g_GameId) return TSaveLoad::OtherGame;
    if (!ReadSavedGame(s, g)) return TSaveLoad::Damaged;
  } catch (const EStreamError &) {
    return TSaveLoad::Damaged;
  }
  InstallSavedGame(g);
  return TSaveLoad::Loaded;
}

bool SaveGame(const std::string &fname) {
  if (SecureMode() && PathHasDirectory(fname)) {
    ReportActionError("In secure mode you cannot save game to file " + fname, false);
    return false;
  }
  CStream s;
  SaveGame_ToStream(s);
  try {
    s.SaveToFile(TranslatePath(fname));
  } catch (const EStreamError &) {
    ReportActionError("Failed to save game to file " + fname, false);
    return false;
  }
  return true;
}

bool LoadGame(const std::string &fname) {
  const std::string path = TranslatePath(fname);
  std::error_code ec;
  if (fname.empty() || !std::filesystem::exists(path, ec)) return false;
  CStream s;
  try {
    s.LoadFromFile(path);
  } catch (const EStreamError &) {
    ReportActionError("Failed to load game from file " + fname, false);
    return false;
  }
  switch (LoadGame_FromStream(s)) {
    case TSaveLoad::Loaded:
      return true;
    case TSaveLoad::OtherVersion:
      ReportActionError("Cannot load game saved with other version.", false);
      return false;
    case TSaveLoad::OtherGame:
      ReportActionError("This is a save file for a different game!", false);
      return false;
    case TSaveLoad::Damaged:
      break;
  }
  ReportActionError("Failed to load game from file " + fname, false);
  return false;
}

void Run_RequestLoad(const std::string &fname) {
  g_PendingFile = fname;
  g_PendingCode = kPendingLoad;
}

std::string SaveGame_KeyFile() { return "_save" + std::to_string(g_GameId) + ".sav"; }

void Function_Save_Init() {
  FunctionAdd("game_save", F_GameSave, 1);
  FunctionAdd("game_load", F_GameLoad, 1);
}
