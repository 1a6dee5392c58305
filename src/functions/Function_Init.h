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
// it stands (tests reset the table first to check the whole registration).
void Function_RegisterFamilies();

// Families of the layers above this one (drawing, sound, ...) register
// through registrars the runner adds: they run after this layer's families,
// in the order added, at every registration. A registrar added twice runs
// once; one added after the first registration also runs at once.
void Function_AddFamily(void (*registrar)());

// The registered function table, one "name count (arguments)" line per
// function in id order (count -1 for any number of arguments; the argument
// names as the catalogue gives them).
void Function_WriteTable(std::FILE *out);
