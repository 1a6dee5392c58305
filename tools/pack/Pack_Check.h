// Checking a project's code before it is packed: every piece of code is
// compiled with the runner's own compiler, against the runner's own table of
// built-in functions and with the project's resources, scripts and constants
// known by name as they are when the game runs. Each fault becomes one line
// "FILE:LINE:COLUMN: MESSAGE", the message being the compiler's own text,
// with a "did you mean" when a known name is close to an unknown one.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "Pack_Files.h"
#include "runner/Game_Writer.h"

// Registers the built-in functions as the runner does (its families and
// those of the layers above); safe to call any number of times.
void PackEnsureFunctionTable();

// True when a built-in function has this exact name.
bool PackIsBuiltinFunction(const std::string &name);

// The candidate closest to name by edit distance, when it is close enough to
// be a likely misspelling (one edit for names of three or four characters,
// up to three for long ones); empty otherwise and for shorter names.
std::string PackClosestName(const std::string &name, const std::vector<std::string> &candidates);

// Line and column (both 1-based) of a 1-based position in text. A line ends
// at a line feed, a carriage return or the pair of both; a column counts the
// bytes of its line.
struct RTextPlace {
  int line = 1;
  int column = 1;
};
RTextPlace PackTextPlace(const std::string &text, int position);

struct RCheckReport {
  std::vector<std::string> errors;    // "FILE:LINE:COLUMN: MESSAGE" each
  std::vector<std::string> warnings;  // the same, for what only may be wrong
};

// Compiles every piece of code of the game read from a project (code as
// noted by the project's files while reading). Leaves the runner's resource
// lists filled with the game's resources and its constant table as it was.
RCheckReport PackCheckCode(const RGameModel &game, const std::vector<RCodePiece> &code);
