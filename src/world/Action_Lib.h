// The initialisation code of the action libraries the game uses: one text
// per library, run each time the game starts.
#pragma once

#include <string>
#include <vector>

class CStream;

extern std::vector<std::string> g_LibInitCode;

// The section: integer 500, count, then one string per library.
bool LibInit_Load(CStream &stream);
void LibInit_SaveSection(CStream &stream, const std::vector<std::string> &code);
