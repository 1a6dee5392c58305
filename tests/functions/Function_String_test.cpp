#include "functions/Function_String.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "code/Code_Operator.h"
#include "functions/Function_Call.h"

namespace {

using StringFunctions = FunctionTest;

// U+1F600 takes two UTF-16 positions; "é" is two UTF-8 bytes; "\xE9" alone
// is a stray byte (what ansi_char(233) makes).
const std::string kEmoji = "\xF0\x9F\x98\x80";
const std::string kReplacement = "\xEF\xBF\xBD";

TEST_F(StringFunctions, CharactersAndBytes) {
  EXPECT_EQ(Call("chr", {R(65)}).str.str(), "A");
  EXPECT_EQ(Call("chr", {R(0x80)}).str.str(), "€");
  EXPECT_EQ(Call("chr", {R(233)}).str.str(), "é");
  EXPECT_EQ(Call("chr", {R(0x81)}).str.str(), "\xC2\x81");
  EXPECT_EQ(Call("chr", {R(321)}).str.str(), "A");  // the low byte
  EXPECT_EQ(Call("chr", {R(0)}).str.size(), 1u);
  const RValue ansi = Call("ansi_char", {R(233)});
  EXPECT_EQ(ansi.str.str(), "\xE9");
  EXPECT_EQ(Call("ansi_char", {R(256 + 65)}).str.str(), "A");
  EXPECT_EQ(Call("ord", {S("é")}).val, 0xC3);
  EXPECT_EQ(Call("ord", {S("A")}).val, 65);
  EXPECT_EQ(Call("ord", {S("")}).val, 0);
  EXPECT_EQ(Call("ord", {R(5)}).val, 0);

  const struct { std::string s; double chars, bytes; } lengths[] = {
      {"héllo", 5, 6}, {kEmoji + "a", 2, 5}, {"", 0, 0}, {"\xE9", 1, 1}, {"\xF0\x9F", 2, 2}, {"plain", 5, 5}};
  for (const auto &c : lengths) {
    EXPECT_EQ(Call("string_length", {S(c.s)}).val, c.chars) << c.s;
    EXPECT_EQ(Call("string_byte_length", {S(c.s)}).val, c.bytes) << c.s;
  }
  EXPECT_EQ(Call("string_length", {R(12345)}).val, 0);

  const struct { double n, byte; } at[] = {{1, 'h'}, {2, 0xC3}, {3, 0xA9}, {6, 'o'}, {0, 0}, {7, 0}, {-3, 0}};
  for (const auto &c : at) EXPECT_EQ(Call("string_byte_at", {S("héllo"), R(c.n)}).val, c.byte) << c.n;
}

TEST_F(StringFunctions, PositionsCountUtf16Units) {
  const struct { std::string sub, s; double pos; } cases[] = {
      {"", "abc", 0},       {"c", "abc", 3},           {"x", "abc", 0},    {"lo", "héllo", 4},
      {"b", kEmoji + "b", 3}, {"é", "aé", 2},          {"\xA9", "é", 0},   {"abc", "ab", 0},
      {"ll", "hello hello", 3},
  };
  for (const auto &c : cases) EXPECT_EQ(Call("string_pos", {S(c.sub), S(c.s)}).val, c.pos) << c.sub << " in " << c.s;
}

TEST_F(StringFunctions, CopyCharAtDelete) {
  const struct { std::string s; double index, count; std::string want; } copies[] = {
      {"hello", 0, 2, "he"},   {"hello", 2, 3, "ell"},  {"hello", 4, 10, "lo"}, {"hello", 6, 1, ""},
      {"hello", 2, 0, ""},     {"hello", 2, -1, ""},    {"hello", 2.5, 2, "el"}, {"hello", 1, 1e300, "hello"},
      {"hello", -1e300, 2, "he"}, {"héllo", 2, 2, "él"}, {kEmoji + "b", 1, 2, kEmoji},
      {kEmoji + "b", 2, 2, kReplacement + "b"},  // half a pair cannot stand alone
      {"a\xE9" "b", 2, 1, "\xE9"},                // a stray byte survives
  };
  for (const auto &c : copies)
    EXPECT_EQ(Call("string_copy", {S(c.s), R(c.index), R(c.count)}).str.str(), c.want)
        << c.s << " " << c.index << " " << c.count;

  const struct { std::string s; double index; std::string want; } chars[] = {
      {"hello", 1, "h"}, {"hello", 5, "o"}, {"hello", 6, ""}, {"hello", 0, ""},
      {"héllo", 2, "é"}, {kEmoji, 1, kReplacement}, {"", 1, ""},
  };
  for (const auto &c : chars) {
    const RValue r = Call("string_char_at", {S(c.s), R(c.index)});
    EXPECT_TRUE(r.IsString());
    EXPECT_EQ(r.str.str(), c.want) << c.s << " " << c.index;
  }
  const RValue notText = Call("string_char_at", {R(65), R(1)});
  EXPECT_TRUE(notText.IsString());
  EXPECT_EQ(notText.str.str(), "");

  const struct { std::string s; double index, count; std::string want; } deletes[] = {
      {"hello", 2, 2, "hlo"},    {"hello", 0, 2, "hello"}, {"hello", 6, 1, "hello"}, {"hello", 4, 10, "hel"},
      {"hello", 1, 0, "hello"},  {"héllo", 2, 1, "hllo"},  {kEmoji + "b", 1, 2, "b"}, {"hello", 1, 5, ""},
  };
  for (const auto &c : deletes)
    EXPECT_EQ(Call("string_delete", {S(c.s), R(c.index), R(c.count)}).str.str(), c.want)
        << c.s << " " << c.index << " " << c.count;
}

TEST_F(StringFunctions, InsertWorksOnBytes) {
  const struct { std::string sub, s; double index; std::string want; } cases[] = {
      {"XY", "hello", 3, "heXYllo"},  {"XY", "hello", 0, "XYhello"}, {"XY", "hello", 1, "XYhello"},
      {"XY", "hello", 6, "helloXY"},  {"XY", "hello", 99, "helloXY"}, {"", "hello", 2, "hello"},
      {"X", "", 5, "X"},              {"X", "héllo", 4, "héXllo"},
      {"X", "héllo", 3, "h\xC3X\xA9llo"},  // byte 3 is inside "é"
  };
  for (const auto &c : cases)
    EXPECT_EQ(Call("string_insert", {S(c.sub), S(c.s), R(c.index)}).str.str(), c.want) << c.sub << " " << c.index;
}

TEST_F(StringFunctions, CaseRepeatAndFilters) {
  const struct { const char *fn; std::string in, want; } cases[] = {
      {"string_lower", "Hello World 123", "hello world 123"},
      {"string_upper", "Hello World 123", "HELLO WORLD 123"},
      {"string_lower", "ÉCOLE Ünd ΑΒΓ", "école ünd αβγ"},
      {"string_upper", "héllo ß ж", "HÉLLO ß Ж"},
      {"string_lower", "A\xE9" "B", "a\xE9" "b"},
      {"string_upper", kEmoji + "x", kEmoji + "X"},
      {"string_letters", "a1-B2 ç3_z", "aBz"},
      {"string_digits", "a1-B2 ç3_z", "123"},
      {"string_lettersdigits", "a1-B2 ç3_z", "a1B23z"},
  };
  for (const auto &c : cases) EXPECT_EQ(Call(c.fn, {S(c.in)}).str.str(), c.want) << c.fn << " " << c.in;

  const struct { std::string s; double n; std::string want; } repeats[] = {
      {"ab", 3, "ababab"}, {"ab", 0, ""}, {"ab", -1, ""}, {"ab", 2.5, "abab"}, {"ab", 3.5, "abababab"}, {"", 5, ""},
  };
  for (const auto &c : repeats) {
    const RValue r = Call("string_repeat", {S(c.s), R(c.n)});
    EXPECT_TRUE(r.IsString());
    EXPECT_EQ(r.str.str(), c.want) << c.s << " x " << c.n;
  }
  Call("string_repeat", {S("ab"), R(1e12)});
  EXPECT_EQ(Reported(), opmsg::kStringTooLong);
}

TEST_F(StringFunctions, ReplaceAndCount) {
  const struct { std::string s, old, with, first, all; } cases[] = {
      {"banana", "an", "AN", "bANana", "bANANa"},
      {"aaa", "aa", "b", "ba", "ba"},
      {"abc", "", "x", "abc", "abc"},
      {"abc", "d", "x", "abc", "abc"},
      {"ABC", "b", "x", "ABC", "ABC"},
      {"héé", "é", "e", "heé", "hee"},
      {"aaaa", "a", "aa", "aaaaa", "aaaaaaaa"},
      {"é", "\xA9", "!", "é", "é"},  // no match inside a character
      {"x.y.z", ".", "", "xy.z", "xyz"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(Call("string_replace", {S(c.s), S(c.old), S(c.with)}).str.str(), c.first) << c.s << " " << c.old;
    EXPECT_EQ(Call("string_replace_all", {S(c.s), S(c.old), S(c.with)}).str.str(), c.all) << c.s << " " << c.old;
  }
  const struct { std::string sub, s; double n; } counts[] = {
      {"aa", "aaaa", 2}, {"", "abc", 0}, {"a", "banana", 3}, {"aa", "aaa", 1}, {"é", "éaé", 2}, {"x", "", 0},
  };
  for (const auto &c : counts) EXPECT_EQ(Call("string_count", {S(c.sub), S(c.s)}).val, c.n) << c.sub << " in " << c.s;
}

TEST(TextForms, Utf16RoundTripKeepsEveryByte) {
  // Any byte sequence, valid UTF-8 or not, comes back unchanged from its
  // UTF-16 form, and the form has as many units as the text's positions.
  std::mt19937 gen(12345);
  const std::string pieces[] = {"a", "é", "€", kEmoji, "\xE9", "\x80", "\xC3", "\xF0\x9F", "\xED\xA0\x80", "\xC0\xAF", "z"};
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const int n = static_cast<int>(gen() % 12);
    for (int i = 0; i < n; ++i) {
      if (gen() % 3 == 0)
        text += static_cast<char>(gen() & 0xFF);
      else
        text += pieces[gen() % std::size(pieces)];
    }
    const std::u16string wide = Utf8ToUtf16(text);
    ASSERT_EQ(Utf16ToUtf8(wide), text);
    ASSERT_EQ(wide.size(), Utf16Length(text));
  }
  EXPECT_EQ(Utf8ToUtf16(kEmoji), std::u16string(u"\U0001F600"));
  EXPECT_EQ(Utf8CharCount("a" + kEmoji + "é"), 3u);
  EXPECT_EQ(Utf16Length("a" + kEmoji + "é"), 4u);
}

}  // namespace
