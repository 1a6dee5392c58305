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
  int32_t position = 0;  // 1-based index of the first character in the code text
  uint32_t start = 0;    // the token's text within RTokenList1::text
  uint32_t length = 0;
};

struct RTokenList1 {
  // The scanned text (the code followed by three spaces); every token's
  // text is a slice of it.
  std::string text;
  std::vector<RToken1> items;  // always ends with the end token (or, after a failure, the bad token)
  int32_t n() const { return static_cast<int32_t>(items.size()); }
  // Identifier/keyword name, literal number text, string content without
  // quotes, operator characters; empty for the end token.
  std::string_view str(const RToken1 &t) const { return std::string_view(text).substr(t.start, t.length); }
  std::string_view str(int32_t i) const { return str(items[static_cast<size_t>(i)]); }
};

// Scans the whole text. On success the list ends with the end token (-2).
// On failure answers false and the list ends with a token of symbol -1 at
// the character that starts no token ("Unexpected symbol.").
bool Tokenize(std::string_view text, RTokenList1 &out);

// The value of a number literal's text (decimal with any dots, or `$` hex),
// computed digit by digit the way the language defines it: `1.2.3` is 1.23.
double NumberLiteralValue(std::string_view text);
