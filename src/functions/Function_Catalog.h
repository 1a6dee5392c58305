// The catalogue of every built-in function scripts can call, whether its
// family is built yet or not: its argument count, its family, the names of
// its arguments and what it does, in one line each. The runner carries it
// (src/functions/Function_Catalog.tsv, built in as text), lists it with
// --list-functions, the registration is checked against it and
// docs/functions.md is made from it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A family of functions: its name as catalogue lines give it, a title and a
// sentence for the reference.
struct RCatalogFamily {
  std::string_view fam_name;
  std::string_view fam_title;
  std::string_view fam_about;
};

struct RCatalogFunction {
  std::string_view c_name;
  std::string_view c_count;      // as written: "4", "-1" or a range "1..16"
  std::string_view c_family;
  std::string_view c_arguments;  // "sprite, subimg, x, y"; "" for none
  std::string_view c_meaning;
  int32_t c_line = 0;            // in Function_Catalog.tsv, for messages
  // What the function table registers: the fixed count, or -1 for any
  // number (a range is checked by the routine itself).
  int32_t RegisteredCount() const;
};

// What an argument list allows: names before any bracket are required,
// bracketed ones optional; "a1, ..., a8" stands for eight names and a list
// ending in "..." for any number more.
struct RArgumentShape {
  int32_t required = 0;
  int32_t optional = 0;
  bool unbounded = false;
};

// Every function in catalogue order, every family in the order its heading
// stands. Read once from the built-in text; broken lines are kept as far as
// they read (FunctionCatalogProblems names them).
const std::vector<RCatalogFunction> &FunctionCatalog();
const std::vector<RCatalogFamily> &FunctionCatalogFamilies();
// Null when the catalogue does not name the function.
const RCatalogFunction *FunctionCatalogFind(std::string_view name);
const RCatalogFamily *FunctionCatalogFamily(std::string_view name);

// Reads an argument list; false (with the reason) when it is not one.
bool FunctionArgumentShape(std::string_view arguments, RArgumentShape &shape, std::string &error);
// Every fault of the catalogue, one message each: a line that does not
// read, a name given twice, a family without a heading, an empty meaning,
// or argument names that disagree with the argument count.
std::vector<std::string> FunctionCatalogProblems();
// The same checks on any catalogue text (the built-in one by default).
std::vector<std::string> FunctionCatalogProblemsIn(std::string_view text);
