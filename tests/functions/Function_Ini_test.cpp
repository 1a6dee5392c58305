#include "functions/Function_Ini.h"

#include <cmath>

#include "functions/File_Test_Fixture.h"

using filetest::FileTest;
using filetest::R;
using filetest::S;
namespace fs = std::filesystem;
using Msgs = std::vector<std::string>;

TEST_F(FileTest, IniValuesRoundTripThroughTheFile) {
  Call("ini_open", {S("game.ini")});
  EXPECT_EQ(Num("ini_section_exists", {S("player")}), 0);
  Call("ini_write_string", {S("Player"), S("Name"), S("Zoë")});
  Call("ini_write_real", {S("Player"), S("Score"), R(1250)});
  Call("ini_write_real", {S("Player"), S("Speed"), R(1.5)});
  // Written at once, not only at close.
  EXPECT_EQ(ReadFile("game.ini"), "[Player]\r\nName=Zoë\r\nScore=1250\r\nSpeed=1.5\r\n");
  Call("ini_close");

  Call("ini_open", {S("GAME.INI")});  // found whatever the case
  EXPECT_EQ(Str("ini_read_string", {S("player"), S("NAME"), S("?")}), "Zoë");
  EXPECT_EQ(Num("ini_read_real", {S("PLAYER"), S("score"), R(0)}), 1250);
  EXPECT_EQ(Num("ini_read_real", {S("Player"), S("Speed"), R(0)}), 1.5);
  EXPECT_EQ(Str("ini_read_string", {S("Player"), S("Missing"), S("dflt")}), "dflt");
  EXPECT_EQ(Str("ini_read_string", {S("Nobody"), S("Name"), S("dflt")}), "dflt");
  EXPECT_EQ(Num("ini_read_real", {S("Player"), S("Missing"), R(-2.75)}), -2.75);
  EXPECT_EQ(Num("ini_key_exists", {S("player"), S("speed")}), 1);
  EXPECT_EQ(Num("ini_key_exists", {S("player"), S("speeds")}), 0);
  EXPECT_EQ(Num("ini_section_exists", {S("PLAYER")}), 1);

  Call("ini_write_string", {S("player"), S("name"), S("Max")});  // replaces, keeps the key's place and name
  Call("ini_key_delete", {S("Player"), S("Score")});
  Call("ini_write_string", {S("Other"), S("k"), S("v")});
  EXPECT_EQ(ReadFile("game.ini"), "[Player]\r\nName=Max\r\nSpeed=1.5\r\n[Other]\r\nk=v\r\n");
  Call("ini_section_delete", {S("player")});
  EXPECT_EQ(ReadFile("game.ini"), "[Other]\r\nk=v\r\n");
  EXPECT_EQ(Reports(), Msgs{});
}

TEST_F(FileTest, IniKeepsNotesAndBrokenLinesAndReadsTheFirstOfTwinKeys) {
  WriteFile("odd.ini",
            "; made by hand\n"
            "stray=before any section\n"
            "[Video]\n"
            "  Width = 640  \n"
            "this line is broken\n"
            "=no key\n"
            "width=800\n"
            "[broken\n"
            "\n"
            "[video]\n"
            "Height=480\n");
  Call("ini_open", {S("odd.ini")});
  EXPECT_EQ(Num("ini_read_real", {S("video"), S("width"), R(0)}), 640);
  EXPECT_EQ(Num("ini_read_real", {S("video"), S("height"), R(0)}), 480);  // the section named twice is one
  EXPECT_EQ(Num("ini_section_exists", {S("")}), 0);
  EXPECT_EQ(Str("ini_read_string", {S(""), S("stray"), S("none")}), "none");
  Call("ini_write_string", {S("Video"), S("Depth"), S("32")});
  EXPECT_EQ(ReadFile("odd.ini"),
            "; made by hand\r\n"
            "stray=before any section\r\n"
            "[Video]\r\n"
            "  Width = 640  \r\n"
            "this line is broken\r\n"
            "=no key\r\n"
            "width=800\r\n"
            "[broken\r\n"
            "\r\n"
            "Height=480\r\n"
            "Depth=32\r\n");
}

TEST_F(FileTest, IniValuesCannotBreakIntoOtherLines) {
  Call("ini_open", {S("safe.ini")});
  Call("ini_write_string", {S("A"), S("k"), S("x\r\n[B]\nevil=1")});
  Call("ini_close");
  Call("ini_open", {S("safe.ini")});
  EXPECT_EQ(Num("ini_section_exists", {S("B")}), 0);
  EXPECT_EQ(Str("ini_read_string", {S("A"), S("k"), S("")}), "x  [B] evil=1");
}

TEST_F(FileTest, IniOpenAndCloseOfFilesAndDirectories) {
  // A missing file is created by ini_close, even without a write.
  Call("ini_open", {S("new.ini")});
  EXPECT_FALSE(fs::exists("new.ini"));
  EXPECT_EQ(IniOpenPath(), (fs::current_path() / "new.ini").string());
  Call("ini_close");
  EXPECT_TRUE(fs::exists("new.ini"));

  // Opening another closes the first; a missing directory opens nothing.
  Call("ini_open", {S("first.ini")});
  Call("ini_open", {S("nodir\\second.ini")});
  EXPECT_TRUE(fs::exists("first.ini"));
  EXPECT_EQ(Reports(), Msgs{"Error directory does not exist when opening ini file - " +
                               (fs::current_path() / "nodir/second.ini").string()});
  EXPECT_EQ(IniOpenPath(), "");

  struct Case {
    const char *function;
    std::vector<RValue> args;
    const char *message;
    bool text;
  };
  const std::vector<Case> cases = {
      {"ini_read_string", {S("a"), S("b"), S("c")}, "Trying to read from undefined INI file", true},
      {"ini_read_real", {S("a"), S("b"), R(5)}, "Trying to read from undefined INI file", false},
      {"ini_key_exists", {S("a"), S("b")}, "Trying to read from undefined INI file", false},
      {"ini_section_exists", {S("a")}, "Trying to read from undefined INI file", false},
      {"ini_write_string", {S("a"), S("b"), S("c")}, "Trying to write to undefined INI file", false},
      {"ini_write_real", {S("a"), S("b"), R(1)}, "Trying to write to undefined INI file", false},
      {"ini_key_delete", {S("a"), S("b")}, "Trying to change undefined INI file", false},
      {"ini_section_delete", {S("a")}, "Trying to change undefined INI file", false},
  };
  for (const Case &c : cases) {
    const RValue r = Call(c.function, c.args);
    EXPECT_EQ(Reports(), Msgs{c.message}) << c.function;
    EXPECT_EQ(r.IsString(), c.text) << c.function;
    EXPECT_TRUE(r.IsString() ? r.str.empty() : r.val == 0) << c.function;
  }
  Call("ini_close");  // nothing open: nothing happens
  EXPECT_EQ(Reports(), Msgs{});
}

TEST_F(FileTest, IniReadRealAcceptsACommaAndTheDefaultGoesThroughTheSameReader) {
  WriteFile("n.ini", "[n]\ncomma=1,5\nexp=1,5e2\n");
  Call("ini_open", {S("n.ini")});
  EXPECT_EQ(Num("ini_read_real", {S("n"), S("comma"), R(0)}), 1.5);
  EXPECT_EQ(Num("ini_read_real", {S("n"), S("exp"), R(0)}), 150);
  EXPECT_EQ(Num("ini_read_real", {S("n"), S("none"), R(1e20)}), 1e20);
  EXPECT_DOUBLE_EQ(Num("ini_read_real", {S("n"), S("none"), R(-0.000123)}), -0.000123);
}

TEST(IniNumbers, TheReaderStopsWhereTheNumberEnds) {
  const std::vector<std::pair<std::string, double>> cases = {
      {"1,5e2", 150},   {" 12", 0},      {"-3.25", -3.25}, {"2e-3", 0.002}, {"1.5.7", 1.5},
      {"1e2e3", 100},   {"+4", 0},       {"7 8", 7},       {"--5", 5},      {"5e--2", 500},
      {"1E15", 1e15},   {"", 0},         {"abc", 0},       {".5", 0.5},     {"1e2.5", 100},
      {"3-", -3},       {"1e999999999", HUGE_VAL},
  };
  for (const auto &[text, expected] : cases) EXPECT_DOUBLE_EQ(IniReadNumber(text), expected) << text;
}

TEST(IniNumbers, RealsAreWrittenInTheirShortestGeneralFormAndReadBack) {
  const std::vector<std::pair<double, std::string>> cases = {
      {1.5, "1.5"},         {1250, "1250"},       {-0.25, "-0.25"},     {0.1, "0.1"},
      {1e15, "1E15"},       {1e14, "100000000000000"}, {0.0001, "0.0001"}, {0.00001, "1E-5"},
      {-1.5e-20, "-1.5E-20"}, {1.0 / 3, "0.333333333333333"}, {0, "0"},
  };
  for (const auto &[x, text] : cases) {
    EXPECT_EQ(IniFormatReal(x), text) << x;
    EXPECT_NEAR(IniReadNumber(text), x, std::abs(x) * 1e-14) << text;
  }
}
