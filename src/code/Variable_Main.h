// The global variable store with its declared-global flags, and the
// process-wide table of user variable names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "code/Variable_Class.h"

class CStream;

// Variable indices: 0 .. 499 are built-in variables, kUserVariableBase and
// above are user names (base + position in the name table).
constexpr int32_t kUserVariableBase = 100000;
constexpr int32_t kMaxBuiltinVariables = 500;

// --- the name table --------------------------------------------------------
// The built-in table first, else find-or-append among the user names
// (exact, case-sensitive); the table only grows, until VariableNamesClear.
int32_t VariableIndex(std::string_view name);
// The user index of a name without adding it; -1 when it is not there.
int32_t VariableFindUser(std::string_view name);
// The built-in name below kUserVariableBase, else the user name;
// "<unknown built-in variable>" / "<unknown variable>" outside the tables.
const std::string &VariableName(int32_t index);
int32_t VariableUserCount();
// Forgets every user name, for a harness or tool that drops all compiled code
// and starts a new game's code from nothing: code compiled before holds
// indices that then name nothing or another variable. Not part of any run
// state reset: a restarted game keeps its compiled code and so its names.
void VariableNamesClear();

// --- the global store ------------------------------------------------------
CVariableList &GlobalVariables();
bool GlobalGet(int32_t var_ind, int32_t arr_ind, RValue &value);
void GlobalSet(int32_t var_ind, int32_t arr_ind, const RValue &value);
// For a user index: marks it declared (growing the flags) and creates the
// variable as real 0 when new. Built-in indices are ignored.
void GlobalDeclare(int32_t var_ind);
// Asked on nearly every read of a plain name, so the flags are an offset
// away.
namespace global_flags {
extern const uint8_t *g_declared;  // the store's flags (moved as they grow)
extern size_t g_count;
}  // namespace global_flags
inline bool IsGlobalDeclared(int32_t var_ind) {
  if (var_ind < kUserVariableBase) return false;
  const size_t pos = static_cast<size_t>(var_ind - kUserVariableBase);
  return pos < global_flags::g_count && global_flags::g_declared[pos] != 0;
}
// A new empty global list and 10000 false flags (game start).
void GlobalReset();
int32_t GlobalDeclaredFlagCount();

// Record: integer 700, the global list record, the flag count, one boolean
// per flag. Loading does nothing when the first integer is not 700 (answers
// false); otherwise it replaces the list and the flags.
void Global_SaveToStream(CStream &stream);
bool Global_LoadFromStream(CStream &stream);

// The global store held aside: a saved game reads its whole file before it
// replaces anything, so the store it read waits here until then.
struct RGlobalStore {
  CVariableList vars;
  std::vector<uint8_t> declared;
};
// Reads the record into out without touching the store; false (nothing more
// read) when the first integer is not 700. A damaged record raises
// EStreamError.
bool Global_ReadFromStream(CStream &stream, RGlobalStore &out);
// Makes the held store the global store.
void Global_Replace(RGlobalStore &&store);
