// The external function table: native library functions a game defines at
// run time (external_define) or that its extension packages bind, and the
// calls into them. Libraries are loaded through the platform's dynamic
// library service and cached by name; every call is built for the
// platform's C convention, whatever calling type the game asked for.
//
// Library names: a game names its libraries as it would on Windows
// ("mylib.dll"). LibraryCandidates gives the file names tried for a name and
// ResolveLibrary the file that is loaded; docs/extensions.md states the rule.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct RValue;

struct RExternalFunction {
  static constexpr int kMaxArgs = 16;
  static constexpr int32_t kString = 1;
  static constexpr int32_t kReal = 0;

  std::string dll_name;         // the library name given to the definition
  void *dll_handle = nullptr;   // null after external_free
  std::string function_name;    // the exported name
  void *function_addr = nullptr;
  int32_t calltype = 0;         // 0 dll_cdecl, 1 dll_stdcall (both the C convention here)
  int32_t argnumb = 0;          // 0 .. 16
  std::array<int32_t, kMaxArgs + 1> argtype{};  // 1 string, 0 real
  int32_t resulttype = kReal;   // 1 string, 0 real
};

// The messages the table gives its callers.
inline constexpr char kExternalUnknownId[] = "Unable to find DLL function with id=";
inline constexpr char kExternalWrongCount[] = "Calling DLL function with wrong number of arguments.";
inline constexpr char kExternalUnloaded[] = "Calling DLL function - unable to load DLL";

// Where library files are looked for besides the working directory: the
// folder of the game file and the folder of the runner program (the
// temporary directory is read when needed). The runner sets them at start.
void External_SetFolders(const std::string &gameFolder, const std::string &programFolder);

// The file names tried for a library name, in order: the name itself, and
// for a name ending in ".dll" (any case) the same name ending in ".so" and
// with "lib" in front of that.
std::vector<std::string> External_LibraryCandidates(const std::string &dll);
// The path the loader is given for a library name: for a name with a
// directory, that path (translated as every game path is) when one of the
// candidates exists there; for a bare name, the first candidate found,
// without regard to case, in the working directory, the game's folder, the
// temporary directory and the program's folder, in that order; failing
// that, the name itself when it names a shared library (".so") for the
// system's own search. Empty when nothing fits.
std::string External_ResolveLibrary(const std::string &dll);

// Defines a function: argtypes holds count types (1 string, anything else
// real). Answers the new id, or -1 (more than 16 arguments, more than 4 with
// a string, the library or the function not found; the last two are
// written to the trace log).
int32_t ExternalDefine(const std::string &dll, const std::string &name, int32_t calltype, bool stringResult,
                       const int32_t *argtypes, int32_t count);
// Calls function id with count arguments. The result starts as real 0. A
// call that cannot be made answers false and sets error to one of the three
// messages above (the unknown id with its number); nothing is called then.
bool ExternalCall(int32_t id, int32_t count, const RValue *args, RValue &result, std::string &error);
// Unloads the library: every function of that name (without regard to case)
// can no longer be called.
void ExternalFree(const std::string &dll);
// Unloads every library and empties the table (the end of the process, and
// a fresh start for tests).
void External_Reset();

// The table's entry for an id, or null.
const RExternalFunction *External_Get(int32_t id);
int32_t External_Count();
