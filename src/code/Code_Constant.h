// The constant table and the resolution of plain identifiers into values:
// resource names first, then trigger constant names, then the constants
// (the game's, the extension packages' and the built-in ones), newest first.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "code/Variable_Class.h"

// Appends a constant; a later one hides an earlier one of the same name.
void ConstantAdd(std::string_view name, const RValue &value);
// The value an identifier stands for at compile time, in this order: the
// index of the object, sprite, sound, background, path, font, time line,
// script or room with that exact name; the index of the trigger whose
// constant name it is; the constant table, newest first.
bool ConstantFind(std::string_view name, RValue &value);
// Only the table (no resource names), newest first.
bool ConstantFindInTable(std::string_view name, RValue &value);

int32_t ConstantCount();
const std::string &ConstantName(int32_t index);
const RValue &ConstantValue(int32_t index);

// Resource kinds in resolution order. Each resource list registers its
// finder (exact name among existing resources -> index, or -1) when built;
// scripts are looked up in the script list unless a finder is installed.
enum class TConstantSource : int {
  Object, Sprite, Sound, Background, Path, Font, TimeLine, Script, Room, Trigger, Count
};
using TNameFinder = int32_t (*)(std::string_view name);
void ConstantSetFinder(TConstantSource source, TNameFinder finder);

// The built-in constants, registered once at start-up before anything else
// (self first). Number of built-in entries: kBuiltinConstantCount.
constexpr int32_t kBuiltinConstantCount = 331;
void ConstantRegisterBuiltins();
// Drops every constant added after the built-ins (a new game in tests).
void ConstantResetToBuiltins();

// Trims a game constant's name (leading and trailing spaces and control
// characters) and checks it: a letter or "_" first, then letters, digits or
// "_" (ASCII).
std::string ConstantTrimName(std::string_view name);
bool ConstantNameValid(std::string_view name);

class CInstance;

// Defines the game's constants in file order (names and value texts side by
// side): each name is trimmed and checked, its value text compiled as an
// expression and evaluated with self and other being `temp` (the temporary
// instance preparation creates; constants defined before and resource names
// may be used), then added. Answers false at the first failure with the
// message box text in `message`: "Constant name NAME  is not valid." or
// "Value for constant NAME  is not valid.". An arithmetic trap while
// evaluating rises to the caller like any trap during preparation.
bool ConstantsDefine(const std::vector<std::string> &names, const std::vector<std::string> &values, CInstance *temp,
                     std::string &message);
