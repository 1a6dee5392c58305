// The game's backgrounds: the list and its names, its section of the game
// file, and the operations that add, replace, copy and remove backgrounds.
#pragma once

#include <cstdint>
#include <string>

#include "data/Background_Class.h"
#include "base/Resource_Items.h"

using RBackgroundList = RResourceList<CBackground>;
extern RBackgroundList g_Backgrounds;

// The backgrounds section: version 800, then the named item streams.
bool Background_Load(CStream &stream);
void Background_SaveSection(CStream &stream, const RBackgroundList &list);

bool Background_Exists(int64_t index);
CBackground *Background_Get(int64_t index);
// "<undefined>" for an index that is not a background.
const std::string &Background_Name(int64_t index);

void Background_InitTextures();

// Makes game code find backgrounds by name.
void Background_InstallLookups();

// A new empty background named "__newbackground" + its index.
int32_t Background_AddEmpty();
// From a picture file; -1 (nothing added) on failure.
int32_t Background_Add(const std::string &path, bool removeback, bool smooth);
// From a background file; -1 (nothing added) on failure.
int32_t Background_AddBackground(const std::string &path);
int32_t Background_Duplicate(int64_t index);
bool Background_Assign(int64_t index, int64_t source);
