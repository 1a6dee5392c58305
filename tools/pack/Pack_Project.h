// Reading a game project folder (game.json and the files it names) into the
// in-memory game that the game writer turns into a game file.
// docs/project-format.md describes the manifest.
#pragma once

#include <string>
#include <vector>

#include "Pack_Files.h"
#include "Pack_Json.h"
#include "runner/Game_Writer.h"

// The manifest of a project folder.
std::string ManifestPath(const std::string &dir);

// Fills game from the project in dir. Raises PackError naming the file, the
// field and the fault; game is then partly filled and must not be used.
// When code is given it receives every piece of code the project holds.
void ReadProject(const std::string &dir, RGameModel &game, std::vector<RCodePiece> *code = nullptr);

// The same for manifest text already in memory; manifestName is the name
// used in messages, files resolves the paths the manifest names.
void ReadProjectText(const std::string &text, const std::string &manifestName, const ProjectFiles &files,
                     RGameModel &game);
