// The file family of built-in functions: binary and text files, the current
// file, files and directories, the directory search, file names, included
// files, programs, the command line and environment, disks; with the INI
// (Function_Ini) and registry (Function_Registry) functions, all registered
// by Function_File_Init.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "code/Code_Operator.h"
#include "code/Variable_Class.h"

// Registers the whole family (79 functions) in the function table.
void Function_File_Init();

// Closes every open file and the directory search and empties both file
// tables; closes the INI file without writing it. Process start and tests.
void File_Reset();

// The command line that parameter_count and parameter_string show: the
// executable's path first, then the arguments.
void File_SetCommandLine(std::vector<std::string> args);

namespace filefn {
// Arguments as the routines read them: a string where a real is expected
// counts as 0, a real where text is expected as "".
inline std::string_view Text(const RValue &v) { return v.IsString() ? v.str.view() : std::string_view(); }
inline double Num(const RValue &v) { return v.IsReal() ? v.val : 0.0; }
inline int64_t Int(const RValue &v) { return v.IsReal() ? RoundToInt64(v.val) : 0; }
inline void SetText(RValue &result, std::string_view s) { result.SetString(RString(s)); }
}  // namespace filefn
