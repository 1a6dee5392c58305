// The game settings: one process-wide record read once from the game file's
// settings block and read wherever a setting acts (window, display, function
// keys, loading bar, error reporting, variable access, room start).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <memory>

#include "base/BM32_Bitmap.h"

class CStream;

struct TGameSettings {
  bool opt_fullscreen = false;
  bool opt_interpolate = false;
  bool opt_noborder = false;
  bool opt_showcursor = true;
  int32_t opt_scale = 100;
  bool opt_sizeable = false;
  bool opt_stayontop = false;
  int32_t opt_windowcolor = 0xFFFFFF;
  bool opt_changeresolution = false;
  int32_t opt_colordepth = 0;
  int32_t opt_resolution = 0;
  int32_t opt_frequency = 0;
  bool opt_nobuttons = false;
  bool opt_vsync = false;
  bool opt_noscreensaver = true;
  bool opt_keyf4 = true;
  bool opt_keyf1 = true;
  bool opt_keyesc = true;
  bool opt_keyf5 = true;
  bool opt_keyf9 = true;
  bool opt_closeasesc = true;
  int32_t opt_priority = 0;
  bool opt_freeze = false;
  bool opt_showprogress = true;
  std::unique_ptr<TBitmap32> opt_backimage;
  std::unique_ptr<TBitmap32> opt_frontimage;
  std::unique_ptr<TBitmap32> opt_loadimage;
  bool opt_loadtransparent = false;
  int32_t opt_loadalpha = 255;
  bool opt_scaleprogress = true;
  bool opt_displayerrors = true;
  bool opt_writeerrors = false;
  bool opt_aborterrors = false;
  // Field 34, the flags integer: bit 0 and bit 1.
  bool opt_uninitzero = false;
  bool opt_argumenterrors = true;
  // Fields 35 and 36, stored from settings version 820 on.
  int32_t opt_reserved = 0;
  bool opt_createfirst = false;

  // The version the block was read with (0 before reading).
  int32_t version = 0;

  void SetDefaults();
  // Reads the settings block (version, then the compressed fields). Answers
  // false when the version is below 800; stream errors rise to the caller.
  bool ReadFromStream(CStream &stream);
  // Writes the block with the given settings version (800 or more).
  void WriteToStream(CStream &stream, int32_t settingsVersion) const;
};

// The settings of the running game.
extern TGameSettings g_Settings;

// What the game file's header and resource data set besides the settings
// and the resource lists: the game's identity, read wherever a game names
// its own files or keys.
extern bool g_DebugMode;
extern int32_t g_GameId;
extern std::array<uint8_t, 16> g_GameGuid;
extern std::string g_ApplicationTitle;
extern std::string g_GraphicsHelperPath;  // "" when it was not written
