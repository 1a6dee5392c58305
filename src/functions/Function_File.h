// The file family of built-in functions: binary and text files, the current
// file, files and directories, the directory search, file names, included
// files, programs, the command line and environment, disks; with the INI
// (Function_Ini) and registry (Function_Registry) functions, all registered
// by Function_File_Init.
#pragma once

#include <string>
#include <vector>

// Registers the whole family (79 functions) in the function table.
void Function_File_Init();

// Closes every open file and the directory search and empties both file
// tables; closes the INI file without writing it. Process start and tests.
void File_Reset();

// The command line that parameter_count and parameter_string show: the
// executable's path first, then the arguments.
void File_SetCommandLine(std::vector<std::string> args);
