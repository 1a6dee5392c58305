#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "code/Code_Main.h"
#include "code/Code_Phase1.h"

namespace {

// "symbol:text@position" for every token but the final end token.
std::string Tokens(std::string_view text) {
  RTokenList1 list;
  if (!Tokenize(text, list)) return "FAILED";
  EXPECT_EQ(list.items.back().symbol, SYM_END);
  std::string out;
  for (int i = 0; i + 1 < list.n(); ++i) {
    const RToken1 &t = list.items[i];
    if (!out.empty()) out += ' ';
    out += std::to_string(t.symbol) + ":" + std::string(list.str(t)) + "@" + std::to_string(t.position);
  }
  return out;
}

struct TokenCase {
  const char *text;
  const char *tokens;
};

TEST(CodeLexer, TokensOfTable) {
  const TokenCase cases[] = {
      // Both spellings of a symbol give one number.
      {"a=b", "0:a@1 101:=@2 0:b@3"},
      {"a:=b", "0:a@1 101::=@2 0:b@4"},
      {"a==b", "0:a@1 206:==@2 0:b@4"},
      {"x<>y x!=y", "0:x@1 207:<>@2 0:y@4 0:x@6 207:!=@7 0:y@9"},
      {"a ^^ b xor c", "0:a@1 216:^^@3 0:b@6 216:xor@8 0:c@12"},
      {"{ begin } end", "11:{@1 11:begin@3 12:}@9 12:end@11"},
      {"and or not div mod && || !", "201:and@1 202:or@5 203:not@8 214:div@12 215:mod@16 201:&&@20 202:||@23 203:!@26"},
      {"+= -= *= /= |= &= ^= <= >= << >>",
       "102:+=@1 103:-=@4 104:*=@7 105:/=@10 114:|=@13 115:&=@16 116:^=@19 205:<=@22 208:>=@25 221:<<@28 222:>>@31"},
      {"()[];,.:&|^~*/+-< > =", "106:(@1 107:)@2 110:[@3 111:]@4 108:;@5 109:,@6 112:.@7 113::@8 218:&@9 217:|@10 "
                             "219:^@11 220:~@12 212:*@13 213:/@14 210:+@15 211:-@16 204:<@17 209:>@19 101:=@21"},
      // Longest match covers two characters only.
      {"<<=", "221:<<@1 101:=@3"},
      {"a--b", "0:a@1 211:-@2 211:-@3 0:b@4"},
      // Keywords are exact and case-sensitive; identifiers are ASCII letters, digits, '_'.
      {"While while IF if Begin", "0:While@1 16:while@7 0:IF@13 13:if@16 0:Begin@19"},
      {"if then else while do for until repeat exit break continue with return switch case default var globalvar",
       "13:if@1 14:then@4 15:else@9 16:while@14 17:do@20 18:for@23 19:until@27 20:repeat@33 21:exit@40 "
       "22:break@45 23:continue@51 24:with@60 25:return@65 26:switch@72 27:case@79 28:default@84 29:var@92 "
       "30:globalvar@96"},
      {"_x1 x_2 a1b", "0:_x1@1 0:x_2@5 0:a1b@9"},
      // Numbers: a dot starts one only before a digit; a run of digits and dots is one literal.
      {"a.5", "0:a@1 1:.5@2"},
      {"a.b", "0:a@1 112:.@2 0:b@3"},
      {"1.2.3 12. .5", "1:1.2.3@1 1:12.@7 1:.5@11"},
      {"$ff $ $1.5", "1:$ff@1 1:$@5 1:$1@7 1:.5@9"},
      {"12ab", "1:12@1 0:ab@3"},
      // Strings: no escapes, the other quote and line breaks allowed inside.
      {"'it\"s'", "2:it\"s@1"},
      {"\"a'b\" 'x'", "2:a'b@1 2:x@7"},
      {"'a\r\nb'", "2:a\r\nb@1"},
      {"''", "2:@1"},
      // An unterminated string runs to the end of the text, the three
      // padding spaces included.
      {"x = \"abc", "0:x@1 101:=@3 2:abc   @5"},
      // Comments.
      {"/*/ x", "0:x@5"},
      {"a /* b */ c", "0:a@1 0:c@11"},
      {"a /* b", "0:a@1"},
      {"a // b\nc", "0:a@1 0:c@8"},
      {"a//x\r\nb", "0:a@1 0:b@7"},
      {"a // b", "0:a@1"},
      {"a/**/b", "0:a@1 0:b@6"},
      // Every character up to code 32 separates tokens.
      {"\t\x01\x1f" "a\x7f", "FAILED"},
      {"\t\x01\x1f" "a", "0:a@4"},
      {"", ""},
      {"   \r\n", ""},
  };
  for (const auto &c : cases) EXPECT_EQ(Tokens(c.text), c.tokens) << "text: " << c.text;
}

TEST(CodeLexer, EndTokenFollowsTheText) {
  RTokenList1 list;
  ASSERT_TRUE(Tokenize("ab", list));
  ASSERT_EQ(list.n(), 2);
  EXPECT_EQ(list.items[1].symbol, SYM_END);
  EXPECT_TRUE(list.str(1).empty());
  EXPECT_GT(list.items[1].position, 2);
}

TEST(CodeLexer, CharacterThatStartsNoTokenFailsAtItsPosition) {
  const struct {
    const char *text;
    int position;
  } cases[] = {
      {"#", 1}, {"a # b", 3}, {"x = 5 % 2", 7}, {"a?b", 2}, {"`", 1}, {"a\\b", 2}, {"@x", 1},
      {"a = \xc3\xa9", 5},  // a non-ASCII letter outside a string
      // Positions count bytes of the UTF-8 text.
      {"'\xc3\xa9' + \xc3\xa9", 8},
      {"/* # */ // #\n  #", 16},
  };
  for (const auto &c : cases) {
    RTokenList1 list;
    EXPECT_FALSE(Tokenize(c.text, list)) << c.text;
    ASSERT_FALSE(list.items.empty());
    EXPECT_EQ(list.items.back().symbol, SYM_BAD) << c.text;
    EXPECT_EQ(list.items.back().position, c.position) << c.text;
  }
}

TEST(CodeLexer, NumberValues) {
  const struct {
    const char *text;
    double value;
  } cases[] = {
      {"0", 0},        {"42", 42},      {"1.5", 1.5},  {".5", 0.5},    {"3.", 3},     {"12.", 12},
      {"1.2.3", 1.23}, {"1..5", 1.5},   {"$ff", 255},  {"$FF", 255},   {"$", 0},      {"$1A2b", 6699},
      {"$10", 16},     {"007", 7},
  };
  for (const auto &c : cases) EXPECT_DOUBLE_EQ(NumberLiteralValue(c.text), c.value) << c.text;
}

TEST(CodeLexer, FractionDigitsAddWeightedValues) {
  // The value is built digit by digit, not correctly rounded from the text:
  // ".3" is 0.1 * 3, one unit in the last place above the double nearest 0.3.
  EXPECT_EQ(NumberLiteralValue(".3"), 0.1 * 3);
  EXPECT_NE(NumberLiteralValue(".3"), 0.3);
  EXPECT_EQ(NumberLiteralValue("0.1"), 0.1);
  // Very long literals stay finite or grow to infinity without failing.
  EXPECT_EQ(NumberLiteralValue("1." + std::string(400, '0') + "1"), 1.0);
}

}  // namespace
