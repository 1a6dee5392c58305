#include "code/Code_Phase1.h"

#include <algorithm>
#include <array>
#include <utility>

#include "code/Code_Main.h"

namespace {

bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(unsigned char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int32_t KeywordSymbol(std::string_view word) {
  static constexpr std::array<std::pair<std::string_view, int32_t>, 26> kKeywords{{
      {"begin", SYM_BEGIN},     {"end", SYM_END_BLOCK},   {"if", SYM_IF},
      {"then", SYM_THEN},       {"else", SYM_ELSE},       {"while", SYM_WHILE},
      {"do", SYM_DO},           {"for", SYM_FOR},         {"until", SYM_UNTIL},
      {"repeat", SYM_REPEAT},   {"exit", SYM_EXIT},       {"break", SYM_BREAK},
      {"continue", SYM_CONTINUE}, {"with", SYM_WITH},     {"return", SYM_RETURN},
      {"switch", SYM_SWITCH},   {"case", SYM_CASE},       {"default", SYM_DEFAULT},
      {"var", SYM_VAR},         {"globalvar", SYM_GLOBALVAR}, {"and", SYM_AND},
      {"or", SYM_OR},           {"not", SYM_NOT},         {"div", SYM_DIV},
      {"mod", SYM_MOD},         {"xor", SYM_XOR},
  }};
  // Every keyword is 2..9 lower-case letters, so most identifiers are
  // rejected by their first character or length without a comparison.
  if (word.size() < 2 || word.size() > 9 || word[0] < 'a' || word[0] > 'y') return SYM_IDENT;
  for (const auto &[name, symbol] : kKeywords)
    if (name == word) return symbol;
  return SYM_IDENT;
}

int32_t TwoCharSymbol(char a, char b) {
  switch (a) {
    case ':': return b == '=' ? SYM_ASSIGN : SYM_BAD;
    case '+': return b == '=' ? SYM_ADD_ASSIGN : SYM_BAD;
    case '-': return b == '=' ? SYM_SUB_ASSIGN : SYM_BAD;
    case '*': return b == '=' ? SYM_MUL_ASSIGN : SYM_BAD;
    case '/': return b == '=' ? SYM_DIV_ASSIGN : SYM_BAD;
    case '&': return b == '&' ? SYM_AND : b == '=' ? SYM_AND_ASSIGN : SYM_BAD;
    case '|': return b == '|' ? SYM_OR : b == '=' ? SYM_OR_ASSIGN : SYM_BAD;
    case '^': return b == '^' ? SYM_XOR : b == '=' ? SYM_XOR_ASSIGN : SYM_BAD;
    case '<': return b == '=' ? SYM_LESS_EQUAL : b == '>' ? SYM_NOT_EQUAL : b == '<' ? SYM_SHIFT_LEFT : SYM_BAD;
    case '>': return b == '=' ? SYM_GREATER_EQUAL : b == '>' ? SYM_SHIFT_RIGHT : SYM_BAD;
    case '=': return b == '=' ? SYM_EQUAL : SYM_BAD;
    case '!': return b == '=' ? SYM_NOT_EQUAL : SYM_BAD;
    default: return SYM_BAD;
  }
}

int32_t OneCharSymbol(char c) {
  switch (c) {
    case '!': return SYM_NOT;
    case '&': return SYM_BIT_AND;
    case '(': return SYM_LPAREN;
    case ')': return SYM_RPAREN;
    case '*': return SYM_TIMES;
    case '+': return SYM_PLUS;
    case ',': return SYM_COMMA;
    case '-': return SYM_MINUS;
    case '.': return SYM_DOT;
    case '/': return SYM_DIVIDE;
    case ':': return SYM_COLON;
    case ';': return SYM_SEMICOLON;
    case '<': return SYM_LESS;
    case '=': return SYM_ASSIGN;
    case '>': return SYM_GREATER;
    case '[': return SYM_LBRACKET;
    case ']': return SYM_RBRACKET;
    case '^': return SYM_BIT_XOR;
    case '{': return SYM_BEGIN;
    case '|': return SYM_BIT_OR;
    case '}': return SYM_END_BLOCK;
    case '~': return SYM_BIT_NOT;
    default: return SYM_BAD;
  }
}

}  // namespace

double NumberLiteralValue(std::string_view text) {
  double value = 0.0;
  double weight = 1.0;
  bool fraction = false;
  bool hex = false;
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '$') {
      hex = true;
    } else if (hex) {
      int d = -1;
      if (IsDigit(c)) d = c - '0';
      else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
      else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
      if (d >= 0) value = value * 16.0 + d;
    } else if (c == '.') {
      fraction = true;
    } else if (IsDigit(c)) {
      const int d = c - '0';
      if (!fraction) {
        value = value * 10.0 + d;
      } else {
        weight = weight / 10.0;
        value = value + weight * d;
      }
    }
  }
  return value;
}

bool Tokenize(std::string_view source, RTokenList1 &out) {
  out.items.clear();
  // Typical code has a token every three to five characters.
  out.items.reserve(source.size() / 3 + 4);
  // Three spaces after the text let every look-ahead stay inside it; an
  // unterminated string keeps them as part of its content.
  std::string &t = out.text;
  t.clear();
  t.reserve(source.size() + 3);
  t.append(source);
  t.append("   ");
  const size_t L = t.size();
  const auto at = [&](size_t k) -> unsigned char { return k < L ? static_cast<unsigned char>(t[k]) : 0; };
  const auto push = [&](int32_t symbol, size_t start, size_t end) {
    RToken1 &tok = out.items.emplace_back();
    tok.symbol = symbol;
    tok.position = static_cast<int32_t>(start + 1);
    tok.start = static_cast<uint32_t>(start);
    tok.length = static_cast<uint32_t>(end - start);
  };

  size_t i = 0;
  for (;;) {
    while (i < L && at(i) <= 32) ++i;
    if (i >= L) {
      push(SYM_END, std::min(i, L), std::min(i, L));
      out.items.back().position = static_cast<int32_t>(i + 1);
      return true;
    }
    const unsigned char c = at(i);
    const size_t start = i;

    if (c == '/' && at(i + 1) == '/') {
      while (i < L && at(i) != '\r' && at(i) != '\n') ++i;
      ++i;
      continue;
    }
    if (c == '/' && at(i + 1) == '*') {
      // The search starts on the opening '/', so "/*/" closes itself.
      while (i + 1 < L && !(at(i) == '*' && at(i + 1) == '/')) ++i;
      i += 2;
      continue;
    }
    if (IsLetter(c)) {
      while (i < L && (IsLetter(at(i)) || IsDigit(at(i)))) ++i;
      push(KeywordSymbol(std::string_view(t).substr(start, i - start)), start, i);
      continue;
    }
    if (c == '$') {
      ++i;
      while (i < L && IsHexDigit(at(i))) ++i;
      push(SYM_NUMBER, start, i);
      continue;
    }
    if (IsDigit(c) || (c == '.' && IsDigit(at(i + 1)))) {
      while (i < L && (IsDigit(at(i)) || at(i) == '.')) ++i;
      push(SYM_NUMBER, start, i);
      continue;
    }
    if (c == '"' || c == '\'') {
      const size_t close = t.find(static_cast<char>(c), i + 1);
      const size_t end = close == std::string::npos ? L : close;
      push(SYM_STRING, i + 1, end);
      out.items.back().position = static_cast<int32_t>(start + 1);
      i = close == std::string::npos ? L : close + 1;
      continue;
    }
    if (i + 1 < L) {
      const int32_t two = TwoCharSymbol(static_cast<char>(c), static_cast<char>(at(i + 1)));
      if (two != SYM_BAD) {
        i += 2;
        push(two, start, i);
        continue;
      }
    }
    const int32_t one = OneCharSymbol(static_cast<char>(c));
    push(one, start, start + 1);
    if (one == SYM_BAD) return false;
    ++i;
  }
}
