// Phase one of compiling: the lexer. Turns the text of one code unit into
// tokens, mapping the two spellings of a symbol (`{`/`begin`, `&&`/`and`,
// `=`/`:=` ...) onto one symbol number, and fixes the syntax and the values
// of number and string literals.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct RToken1 {
  int32_t symbol = 0;    // SYM_... of Code_Main.h
  std::string str;       // identifier/keyword name, literal number text, string content, operator characters; empty at the end
  int32_t position = 0;  // 1-based index of the first character in the code text
};

struct RTokenList1 {
  std::vector<RToken1> items;  // always ends with the end token (or, after a failure, the bad token)
  int32_t n() const { return static_cast<int32_t>(items.size()); }
};

// Scans the whole text. On success the list ends with the end token (-2).
// On failure answers false and the list ends with a token of symbol -1 at
// the character that starts no token ("Unexpected symbol.").
bool Tokenize(std::string_view text, RTokenList1 &out);

// The value of a number literal's text (decimal with any dots, or `$` hex),
// computed digit by digit the way the language defines it: `1.2.3` is 1.23.
double NumberLiteralValue(std::string_view text);
