// Input scripts read and written: every kind of line comes back as it was
// written, the problems a line can have are named with its line number, and
// SDL's keys become the virtual-key numbers games know.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/IO_Script.h"
#include "platform/sdl/Sdl_Keys.h"

namespace {

TEST(InputScriptText, EveryLineComesBackAsWritten) {
  const std::vector<std::string> lines = {
      "10 key down 37",         "10 key up 255",          "10 text \"a \\\"q\\\" \\\\ \\u00E9\\u000D\"",
      "11 mouse move -5 240",   "11 mouse down left",     "11 mouse up middle",
      "12 wheel up",            "12 wheel down",          "13 joystick 1 axis x 0.5",
      "13 joystick 2 axis v -1", "13 joystick 1 button 32 down", "13 joystick 2 button 1 up",
      "13 joystick 1 pov 9000", "13 joystick 1 pov 65535", "14 joystick 2 gone",
      "20 close",               "20.3 key down 70",       "21 focus lost",
      "22 focus gained"};
  std::string text = "# a comment\n\nseed 4294967295\n";
  for (const std::string &l : lines) text += l + "   # trailing comment\n";
  RInputScript script;
  std::string error;
  ASSERT_TRUE(IO_ScriptParse(text, script, error)) << error;
  EXPECT_TRUE(script.hasSeed);
  EXPECT_EQ(script.seed, 4294967295u);
  ASSERT_EQ(script.events.size(), lines.size());
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(IO_ScriptLine(script.events[i]), lines[i]);
  EXPECT_EQ(script.events[2].text, u"a \"q\" \\ \u00e9\r");
  EXPECT_EQ(script.events[16].pump, 3);
}

TEST(InputScriptText, UnicodeTextIsTypedAsUtf16Units) {
  RInputScript script;
  std::string error;
  ASSERT_TRUE(IO_ScriptParse("1 text \"\xC3\xA9\xF0\x9F\x98\x80\"", script, error)) << error;
  ASSERT_EQ(script.events.size(), 1u);
  EXPECT_EQ(script.events[0].text, u"\u00e9\U0001F600");
  // Written back with escapes only, so a record is plain ASCII.
  EXPECT_EQ(IO_ScriptLine(script.events[0]), "1 text \"\\u00E9\\uD83D\\uDE00\"");
}

struct RBadLine {
  const char *text;
  const char *error;
};

TEST(InputScriptText, ProblemsNameTheLine) {
  const RBadLine cases[] = {
      {"seed", "1: expected: seed NUMBER"},
      {"seed 12 13", "1: expected: seed NUMBER"},
      {"seed -2147483649", "1: expected: seed NUMBER"},
      {"key down 37", "1: a line starts with a step number (or is seed NUMBER)"},
      {"-1 key down 37", "1: a line starts with a step number (or is seed NUMBER)"},
      {"3.0 key down 37", "1: a line starts with a step number (or is seed NUMBER)"},
      {"3", "1: an event is missing after the step"},
      {"3 jump", "1: unknown event \"jump\""},
      {"3 key down", "1: expected: key down|up VK"},
      {"3 key press 37", "1: expected: key down|up VK"},
      {"3 key down 256", "1: a key is a number from 0 to 255"},
      {"3 key down x", "1: a key is a number from 0 to 255"},
      {"3 text a", "1: expected: text \"CHARACTERS\""},
      {"3 text \"abc", "1: the text has no closing quote"},
      {"3 text \"\\q\"", "1: unknown escape \\q"},
      {"3 text \"\\u12\"", "1: \\u needs four hexadecimal digits"},
      {"3 text \"\xC3\"", "1: the text is not valid UTF-8"},
      {"3 mouse move 1", "1: expected: mouse move X Y"},
      {"3 mouse down both", "1: a mouse button is left, right or middle"},
      {"3 mouse click left", "1: expected: mouse move X Y, mouse down BUTTON or mouse up BUTTON"},
      {"3 wheel left", "1: expected: wheel up|down"},
      {"3 close now", "1: expected: close"},
      {"3 focus away", "1: expected: focus lost|gained"},
      {"3 joystick 3 pov 0", "1: a joystick is 1 or 2"},
      {"3 joystick 1 axis w 0", "1: an axis is x, y, z, r, u or v"},
      {"3 joystick 1 axis x 1.5", "1: an axis position is a number from -1 to 1"},
      {"3 joystick 1 axis x nan", "1: an axis position is a number from -1 to 1"},
      {"3 joystick 1 button 33 down", "1: a joystick button is a number from 1 to 32"},
      {"3 joystick 1 button 3 pressed", "1: expected: joystick ID button N down|up"},
      {"3 joystick 1 pov 36000", "1: a point of view is 0 to 35999 hundredths of degrees, or 65535 for centred"},
      {"3 joystick 1 twist 5",
       "1: expected: joystick ID axis A P, joystick ID button N down|up, joystick ID pov P or joystick ID gone"},
  };
  for (const RBadLine &c : cases) {
    RInputScript script;
    std::string error;
    EXPECT_FALSE(IO_ScriptParse(c.text, script, error)) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
  // The number is the line's, and steps may not go back.
  RInputScript script;
  std::string error;
  EXPECT_FALSE(IO_ScriptParse("# start\n5 key down 1\n5.2 key up 1\n5.1 key down 2\n", script, error));
  EXPECT_EQ(error, "4: the steps must not go back");
  EXPECT_FALSE(IO_ScriptParse("5 close\n4 close\n", script, error));
  EXPECT_EQ(error, "2: the steps must not go back");
}

// SDL's numbers (its scancodes and keycodes are part of its stable
// interface): letters and digits by the layout's meaning, the rest by place.
TEST(SdlKeyTranslation, LettersByMeaningOthersByPlace) {
  struct RKey {
    int scancode, keycode;
    bool numLock;
    int vk;
  };
  const RKey keys[] = {
      {4, 'a', false, 65},         // A on a QWERTY keyboard
      {20, 'a', false, 65},        // the Q place of an AZERTY keyboard types A
      {30, '&', false, 49},        // the 1 place of an AZERTY keyboard is still 1
      {39, '0', false, 48},        // 0
      {41, 27, false, 27},         // Escape
      {40, 13, false, 13},         // Return
      {44, ' ', false, 32},        // space
      {80, 0x40000050, false, 37},  // left
      {82, 0x40000052, false, 38},  // up
      {58, 0x4000003A, false, 112},  // F1
      {69, 0x40000045, false, 123},  // F12
      {225, 0x400000E1, false, 16},  // left shift
      {228, 0x400000E4, false, 17},  // right control
      {96, 0x40000060, true, 104},   // keypad 8 with Num Lock
      {96, 0x40000060, false, 38},   // keypad 8 without: up
      {83, 0x40000053, false, 144},  // Num Lock
      {51, ';', false, 186},         // the ; place
      {0, 0, false, 0},              // no key
  };
  for (const RKey &k : keys)
    EXPECT_EQ(SdlKeys_ToVirtualKey(k.scancode, k.keycode, k.numLock), k.vk) << k.scancode;
}

}  // namespace
