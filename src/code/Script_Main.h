// The game's scripts: the global list with its names, and the scripts
// section of the game data.
#pragma once

#include <string>
#include <string_view>

#include "code/Script_Class.h"
#include "base/Resource_Items.h"

extern RResourceList<CScript> g_Scripts;

// The section: integer 800, then the named item streams.
bool Script_Load(CStream &stream);
void Script_Save(CStream &stream);

int ScriptFind(std::string_view name);   // first existing script, or -1
const std::string &ScriptName(int index); // "<undefined>" when empty or invalid
