// The start-up registration of everything scripts can name: the built-in
// variables, the built-in constants and every family of built-in functions.
#pragma once

#include <cstdio>

// Runs once per process, before any code is compiled. Calling it again does
// nothing, so tests and the runner can both ask for it.
void Function_InitAll();

// The built-in families' run state back to a fresh start: data structures,
// open files, the INI file and the registry root.
void Functions_ResetState();

// Registers every family of built-in functions into the function table as
// it stands (tests reset the table first to check the whole registration),
// then the families announced from the layers above.
void Function_RegisterFamilies();

// A family of built-ins of a layer above this one (text, drawing, sound)
// announces itself with a namespace-scope CFunctionFamily in the unit that
// registers it; Function_RegisterFamilies registers every announced family
// after its own, in the order of announcement.
class CFunctionFamily {
public:
  explicit CFunctionFamily(void (*registerFamily)());
};

// The registered function table, one "name count" line per function in id
// order (count -1 for any number of arguments).
void Function_WriteTable(std::FILE *out);
