// Phase two of compiling: every identifier becomes a function reference, a
// constant (literals, resource names and named constants) or a variable
// index, so that the tree never carries a name.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "code/Code_Phase1.h"
#include "code/Variable_Class.h"

class CCode;

struct RToken2 {
  int32_t symbol = 0;    // the lexer's symbol, or 5 constant, 6 function, 7 variable
  int32_t ind = 0;       // function id (6) or variable index (7)
  RValue val;            // the constant (5)
  int32_t position = 0;  // copied from the lexer token
};

struct RTokenList2 {
  std::vector<RToken2> items;  // ends with the end token
  int32_t n() const { return static_cast<int32_t>(items.size()); }
};

// Resolves the lexer's tokens in order, stopping at the first error
// ("Unknown function or script: NAME", recorded for `code`). Updates the
// code's i_Args and i_ArgArray for every argumentN / argument it resolves.
bool ResolveTokens(CCode &code, const RTokenList1 &in, RTokenList2 &out);

// For `argument0` .. `argument15` answers N, otherwise -1.
int32_t ArgumentSlotOfName(std::string_view name);
