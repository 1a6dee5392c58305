// The built-in variables: one process-wide table of names with a getter and
// an optional setter each. The index of an entry is its variable index, so
// the registration order is fixed (instance variables first, then the game,
// room and view variables).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "code/Variable_Class.h"

class CInstance;

// Reads the variable for the selected instance (ignored by game variables);
// arr_ind is the combined array index (0 without index). Answers whether the
// variable exists (always, except argument[] out of the supplied count).
using TBuiltinGetter = bool (*)(CInstance *inst, int32_t arr_ind, RValue &value);
// Writes it; answers false when the value was refused. Setters take the
// value's real field or its text field whatever the kind.
using TBuiltinSetter = bool (*)(CInstance *inst, int32_t arr_ind, const RValue &value);
// Reads a variable that is always a real and takes no index, without
// building a value, for the compiled real operations of conditions and
// sums; answers false where the getter would (no instance).
using TBuiltinReader = bool (*)(const CInstance *inst, double &value);

struct RBuiltinVariable {
  std::string name;             // at most 64 characters
  TBuiltinGetter getter = nullptr;
  TBuiltinSetter setter = nullptr;
  bool writable = false;
  bool isArray = false;          // takes an index (argument, alarm, view_*[], ...)
  TBuiltinReader reader = nullptr;  // the getter's value without a value built; null when only the getter reads
};

// Appends an entry and answers its index; beyond 500 entries shows
// "INTERNAL ERROR: Adding too many variables" and answers -1.
int32_t BuiltinAdd(std::string_view name, TBuiltinGetter getter, TBuiltinSetter setter, bool writable);
int32_t BuiltinFind(std::string_view name);  // exact; -1 when not there
const std::string &BuiltinName(int32_t index);  // "<unknown built-in variable>" outside
int32_t BuiltinCount();
// The interpreter asks for entries on every read of a built-in variable,
// so the lookup is a bounds check and an offset.
namespace builtin_table {
extern const RBuiltinVariable *g_entries;  // the table's entries (moved as it grows)
extern int32_t g_count;
}  // namespace builtin_table
inline const RBuiltinVariable *BuiltinEntry(int32_t index) {  // null outside
  return static_cast<uint32_t>(index) < static_cast<uint32_t>(builtin_table::g_count) ? builtin_table::g_entries + index
                                                                                   : nullptr;
}

// Fills the table once with every built-in variable in its final order.
// The language's own variables (argument..., error_..., event_..., the date
// and time, os_..., quillon_version, working_directory) get their access
// here. The others, until their owner installs its access with
// BuiltinSetAccess, keep their value in the table itself: one value per
// variable, or one per element for arrays (8 views and backgrounds, 12
// alarms), an index outside the range meaning element 0. Safe to call again.
void BuiltinRegisterAll();
// Installs the owner's getter and setter for a registered name (the entry
// stays writable only when it was), and its reader when the variable is a
// plain real the getter only copies (without one, only the getter reads it).
// Answers false for an unknown name.
bool BuiltinSetAccess(std::string_view name, TBuiltinGetter getter, TBuiltinSetter setter,
                      TBuiltinReader reader = nullptr);
// Puts a value into the table's own storage of a variable, setter or not
// (the runner fills game_id, program_directory, temp_directory, debug_mode,
// secure_mode this way). Answers false for an unknown name.
bool BuiltinStore(std::string_view name, const RValue &value, int32_t arr_ind = 0);

// Fixed indices of the variables the interpreter treats specially (the
// table's order is fixed, so these never move).
namespace builtin {
constexpr int32_t kArgument0 = 52;       // argument1 .. argument15 follow
constexpr int32_t kArgument = 68;
constexpr int32_t kArgumentCount = 69;
constexpr int32_t kCount = 164;          // entries after BuiltinRegisterAll
int32_t Argument();       // argument[]
int32_t Argument0();      // argument0; argument1..15 follow it
int32_t ArgumentCount();  // argument_count
}  // namespace builtin

// --- the script call state read by the argument variables -----------------
// The argument array of the innermost running script call, its count and the
// running script's name. The interpreter saves and restores it around each
// script call and execute_string; the argument variables read and write it.
constexpr int kMaxArguments = 16;
struct RScriptCallState {
  RValue argument[kMaxArguments];
  int32_t argumentCount = 0;
  std::string scriptName;   // empty outside a script call
};
extern RScriptCallState g_ScriptCall;

// The event context the event_* and argument_relative variables read; the
// event engine installs it. Without it they read 0.
struct RBuiltinEventInfo {
  int32_t eventType = 0;
  int32_t eventNumber = 0;
  int32_t eventObject = 0;
  int32_t eventAction = 0;
  bool relative = false;
};
using TBuiltinEventProvider = RBuiltinEventInfo (*)();
void BuiltinSetEventProvider(TBuiltinEventProvider provider);
