// The game information: the text (rich text) that F1 and show_info() show,
// with the settings of the window that shows it.
#pragma once

#include <cstdint>
#include <string>

class CStream;

struct RGameInformation {
  int32_t backcolor = 0xE1FFFF;      // light yellow text area
  bool ingamewindow = false;         // shown inside the game window
  std::string caption = "Game Information";
  int32_t left = -1;                 // negative: centred on the screen
  int32_t top = -1;
  int32_t width = 600;               // limited to the screen
  int32_t height = 400;
  bool border = true;
  bool sizeable = true;              // only with a border
  bool stayontop = false;
  bool pausegame = true;             // shown modally
  std::string text;                  // rich text (RTF) bytes

  // The record's fields in order (it has no version of its own).
  void LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;
};

extern RGameInformation g_GameInfo;

// The section: integer 800, then one compressed sub-stream with the record.
bool Help_Load(CStream &stream);
void Help_SaveSection(CStream &stream, const RGameInformation &info);
