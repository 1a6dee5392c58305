// Games packed and run headless with an input script: what they print shows
// the per-step key and button states, the key map, the typed string, the
// variables, the order of the keyboard, key press, key release and mouse
// events, the joysticks and the close button.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../support/Game_Run.h"

namespace {

// An event with one code action.
std::string Code(const std::string &type, int number, const std::string &code) {
  return R"({"type": ")" + type + R"(", "number": )" + std::to_string(number) + R"(, "actions": [{"code": ")" +
         code + R"("}]})";
}
std::string Say(const std::string &type, int number, const std::string &text) {
  return Code(type, number, R"(show_debug_message(\")" + text + R"(\");)");
}

// A game of one object with these events, one instance of it in one room.
std::string Game(const std::string &events, const std::string &settings = "{}", const std::string &room = "") {
  return R"({"game_id": 1, "settings": )" + settings + R"(,
    "objects": [{"name": "obj", "events": [)" +
         events + R"(]}],
    "rooms": [{"name": "r")" + room + R"(, "instances": [{"x": 0, "y": 0, "object": 0}]}]})";
}

struct RInputCase {
  const char *name;
  std::string manifest;
  std::string script;
  int steps;
  std::vector<std::string> expected;
};

std::vector<RInputCase> Cases() {
  std::vector<RInputCase> c;

  // Held for three steps: pressed only in the first; down all along.
  c.push_back({"HeldKeyPressedOnce",
               Game(Code("step", 0,
                         R"(show_debug_message(string(keyboard_check(vk_left)) + \" \" + string(keyboard_check_pressed(vk_left)));)")),
               "1 key down 37\n", 3, {"1 1", "1 0", "1 0"}});

  // Down and up between two steps: both edges in the next step, and the
  // keyboard event of the key although it is no longer down.
  c.push_back({"PressAndReleaseBetweenSteps",
               Game(Say("keyboard", 65, "keyboard A") + "," +
                    Code("step", 0,
                         R"(show_debug_message(string(keyboard_check(ord(\"A\"))) + string(keyboard_check_pressed(ord(\"A\"))) + string(keyboard_check_released(ord(\"A\"))));)")),
               "2 key down 65\n2 key up 65\n", 3, {"000", "keyboard A", "011", "000"}});

  // With the map A -> B, A counts as B everywhere the game looks.
  c.push_back({"KeyMap",
               Game(Code("create", 0, "keyboard_set_map(ord(\\\"A\\\"), ord(\\\"B\\\"));") + "," +
                    Say("keypress", 66, "press B") + "," + Say("keypress", 65, "press A") + "," +
                    Code("step", 0,
                         R"(show_debug_message(string(keyboard_check(ord(\"B\"))) + string(keyboard_check(ord(\"A\"))) + \" \" + string(keyboard_lastkey) + \" \" + string(keyboard_get_map(65)) + \" \" + string(keyboard_get_map(300)) + \" \" + string(keyboard_check_direct(65)) + string(keyboard_check_direct(66)));)")),
               "1 key down 65\n", 1, {"press B", "10 66 66 300 10"}});

  // keyboard_check(0) is "no key", 1 "any key"; codes beyond 255 are never down.
  c.push_back({"NoKeyAnyKey",
               Game(Code("step", 0,
                         R"(show_debug_message(string(keyboard_check(0)) + string(keyboard_check(1)) + string(keyboard_check(300)) + string(keyboard_check(-1)));)")),
               "2 key down 200\n", 2, {"1000", "0100"}});

  // 1100 characters typed leave the last 1025 (cut to 1024 before each one
  // is added); backspace removes the last one; control characters are not
  // added but are the last character.
  {
    std::string typed;
    for (int i = 0; i < 110; ++i) typed += "0123456789";
    c.push_back({"TypedString",
                 Game(Code("step", 0,
                           R"(show_debug_message(string(string_length(keyboard_string)) + \" \" + string_copy(keyboard_string, 1, 3) + \" \" + string_copy(keyboard_string, string_length(keyboard_string) - 2, 3) + \" [\" + keyboard_lastchar + \"]\");)")),
                 "1 text \"" + typed + "\"\n2 text \"ab\\bc\"\n3 text \"\\r\"\n", 3,
                 {"1025 567 789 [9]", "1024 890 9ac [c]", "1024 890 9ac [\r]"}});
  }
  // keyboard_string is a variable a game may set; it keeps typing after it.
  c.push_back({"StringAssigned",
               Game(Code("create", 0, R"(keyboard_string = \"héllo\";)") + "," +
                    Code("step", 0, R"(show_debug_message(keyboard_string + \" \" + string(string_length(keyboard_string)));)")),
               "1 text \"\\u00e9!\"\n", 1, {"héllo\u00e9! 7"}});

  // Assigning 0 to mouse_button does nothing; 0 to keyboard_key clears it;
  // values outside the ranges are ignored.
  c.push_back({"VariableAssignments",
               Game(Code("step", 0,
                         R"(mouse_button = 0; a = mouse_button; mouse_button = 3; b = mouse_button; mouse_lastbutton = 7; keyboard_key = 300; c = keyboard_key; keyboard_key = 0; keyboard_lastkey = 256; show_debug_message(string(a) + string(b) + string(mouse_lastbutton) + \" \" + string(c) + \" \" + string(keyboard_key) + \" \" + string(keyboard_lastkey));)")),
               "1 mouse down left\n1 key down 68\n", 1, {"131 68 0 68"}});

  // The order of the phases: keyboard, key press, key release, then the
  // mouse (buttons, pressed, released, wheel); the step after them.
  c.push_back({"EventOrder",
               Game(Say("step", 0, "step") + "," + Say("mouse", 60, "wheel up") + "," +
                    Say("mouse", 56, "global left released") + "," + Say("mouse", 53, "global left pressed") + "," +
                    Say("mouse", 50, "global left") + "," + Say("keyrelease", 37, "release left") + "," +
                    Say("keypress", 37, "press left") + "," + Say("keyboard", 1, "keyboard any") + "," +
                    Say("keyboard", 37, "keyboard left") + "," + Say("keyboard", 0, "keyboard none")),
               "1 key down 37\n1 mouse down left\n1 wheel up\n2 key up 37\n2 mouse up left\n", 3,
               {"keyboard left", "keyboard any", "press left", "global left", "global left pressed", "wheel up", "step",
                "keyboard none", "release left", "global left released", "step", "keyboard none", "step"}});

  // A key above 128 has no event of its own number but counts as any key.
  c.push_back({"HighKeyAnyKey",
               Game(Say("keyboard", 1, "any key") + "," + Say("keyboard", 0, "no key") + "," +
                    Say("keypress", 1, "press any")),
               "1 key down 200\n", 2, {"any key", "press any", "any key"}});

  // The mouse position through the view that shows it, the wheel flags of
  // one step, and the buttons.
  c.push_back({"MouseThroughViews",
               Game(Code("step", 0,
                         R"(show_debug_message(string(mouse_x) + \",\" + string(mouse_y) + \" \" + string(mouse_wheel_up()) + string(mouse_wheel_down()) + \" \" + string(mouse_check_button(mb_right)) + string(mouse_check_button(mb_any)) + string(mouse_check_button(mb_none)) + string(mouse_check_button_pressed(mb_right)) + \" \" + string(mouse_lastbutton));)"),
                    "{}",
                    R"(, "width": 2000, "height": 2000, "enable_views": true, "views": [{"visible": true, "xview": 100, "yview": 50, "wview": 320, "hview": 240, "wport": 320, "hport": 240}])"),
               "1 mouse move 10 20\n1 wheel down\n2 mouse down right\n2 mouse move 300 200\n3 mouse up right\n", 3,
               {"110,70 01 0010 0", "400,250 00 1101 2", "400,250 00 0010 2"}});

  // Keys the game injects arrive when the window's events are next handled:
  // at once with io_handle, else before the next step.
  c.push_back({"InjectedKeys",
               Game(Code("step", 0,
                         R"(if (n == 0) { keyboard_key_press(ord(\"K\")); show_debug_message(\"now \" + string(keyboard_check(ord(\"K\")))); io_handle(); show_debug_message(\"handled \" + string(keyboard_check(ord(\"K\")))); keyboard_key_release(ord(\"K\")); } else show_debug_message(\"next \" + string(keyboard_check(ord(\"K\"))) + string(keyboard_check_released(ord(\"K\")))); n += 1;)") + "," +
                    Code("create", 0, R"(n = 0; a = keyboard_get_numlock(); keyboard_set_numlock(!a); show_debug_message(string(a) + string(keyboard_get_numlock()));)")),
               "", 2, {"01", "now 0", "handled 1", "next 01"}});

  // keyboard_clear, mouse_clear and io_clear forget what is held.
  c.push_back({"ClearFunctions",
               Game(Code("step", 0,
                         R"(keyboard_clear(vk_up); mouse_clear(mb_left); a = string(keyboard_check(vk_up)) + string(keyboard_check(vk_down)) + string(mouse_check_button(mb_left)) + string(mouse_check_button(mb_right)); io_clear(); show_debug_message(a + \" \" + string(keyboard_check(vk_down)) + string(mouse_check_button(mb_right)) + \"[\" + keyboard_string + \"]\" + string(keyboard_lastkey));)")),
               "1 key down 38\n1 key down 40\n1 mouse down left\n1 mouse down right\n1 text \"x\"\n", 1,
               {"0101 00[]0"}});

  // A wait takes the key that arrives while it waits; with nothing left to
  // come it gives up.
  c.push_back({"Waits",
               Game(Code("step", 0,
                         R"(keyboard_wait(); show_debug_message(\"key \" + string(keyboard_lastkey)); mouse_wait(); show_debug_message(\"button \" + string(mouse_lastbutton));)")),
               "1.3 key down 70\n1.4 mouse down middle\n", 2, {"key 70", "button 3", "key 0", "button 0"}});

  // The close button is the Escape key by default (here Escape does not end
  // the game, so the game can look): held, current and last key, not pressed.
  c.push_back({"CloseAsEscape",
               Game(Code("step", 0,
                         R"(show_debug_message(string(keyboard_check(vk_escape)) + string(keyboard_check_pressed(vk_escape)) + \" \" + string(keyboard_key) + \" \" + string(keyboard_lastkey));)") +
                        "," + Say("other", 30, "close button"),
                    R"({"keyesc": false})"),
               "2 close\n", 2, {"00 0 0", "10 27 27"}});
  // ... and with Escape ending the game, the close button ends it.
  c.push_back({"CloseEndsGame",
               Game(Say("step", 0, "step") + "," + Say("other", 3, "game end")), "3 close\n", 10,
               {"step", "step", "game end"}});
  // Without the setting, the close-button event runs and the game goes on.
  c.push_back({"CloseButtonEvent",
               Game(Say("step", 0, "step") + "," + Say("other", 30, "close button"), R"({"closeasesc": false})"),
               "2 close\n", 3, {"step", "close button", "step", "step"}});

  // A window that is not active loses what is held at the start of each
  // step, what arrives meanwhile too.
  c.push_back({"InactiveWindow",
               Game(Code("step", 0, R"(show_debug_message(string(keyboard_check(vk_up)) + string(mouse_check_button(mb_left)));)")),
               "1 key down 38\n1 mouse down left\n2 focus lost\n3 key down 38\n4 focus gained\n5 key down 38\n", 5,
               {"11", "00", "00", "00", "10"}});

  // Joysticks named in a script exist; the thresholds of the directions and
  // of the joystick events (x below 20000 left, above 44000 right, y the
  // same for up and down); a joystick that is gone answers nothing.
  c.push_back({"JoystickValues",
               Game(Say("mouse", 16, "joy left") + "," + Say("mouse", 17, "joy right") + "," +
                    Say("mouse", 18, "joy up") + "," + Say("mouse", 19, "joy down") + "," +
                    Say("mouse", 22, "joy button 2") + "," + Say("mouse", 31, "joy2 left") + "," +
                    Code("step", 0,
                         R"(show_debug_message(string(joystick_exists(1)) + string(joystick_exists(2)) + \" \" + joystick_name(1) + \" \" + string(joystick_direction(1)) + \" \" + string(joystick_direction(2)) + \" \" + string(joystick_pov(1)) + \" \" + string(joystick_check_button(1, 2)) + string(joystick_check_button(1, 33)) + \" \" + string(joystick_axes(1)) + \" \" + string(joystick_has_pov(2)) + \" \" + string(round(joystick_zpos(1) * 100)));)")),
               "1 joystick 1 axis x -1\n1 joystick 1 button 2 down\n1 joystick 1 pov 9000\n1 joystick 1 axis z 0.5\n"
               // Positions 44001 and 19999.
               "2 joystick 1 axis x 0.3428244449530784\n2 joystick 1 axis y -0.38966964217593647\n"
               "2 joystick 1 button 2 up\n2 joystick 1 pov 65535\n"
               // Positions 20000 and 44001.
               "3 joystick 1 axis x -0.38963912413214308\n3 joystick 1 axis y 0.3428244449530784\n"
               // Positions 19999 and 44000.
               "4 joystick 1 axis x -0.38966964217593647\n4 joystick 1 axis y 0.34279392690928501\n"
               "5 joystick 1 gone\n",
               5,
               {"joy left", "joy button 2", "10 in.txt 100 101 90 10 6 0 50",
                "joy right", "joy up", "10 in.txt 105 101 -1 00 6 0 50",
                "joy down", "10 in.txt 98 101 -1 00 6 0 50",
                "joy left", "10 in.txt 100 101 -1 00 6 0 50",
                "00  101 101 -1 00 0 0 0"}});
  return c;
}

// Test names say which case failed; the case itself is too long to print.
void PrintTo(const RInputCase &c, std::ostream *os) { *os << c.name; }

class InputGame : public ::testing::TestWithParam<RInputCase> {};

TEST_P(InputGame, PrintsWhatTheInputMakes) {
  const RInputCase &c = GetParam();
  CGameProject project(c.manifest);
  project.Dir().Write("work/in.txt", c.script);
  const RGameRun run = project.Run("--input in.txt --steps " + std::to_string(c.steps));
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.Lines(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, InputGame, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<RInputCase> &p) { return std::string(p.param.name); });

// A script that cannot be read stops the run before the game starts, with
// the line that is wrong.
TEST(InputScript, BadScriptStopsTheRun) {
  CGameProject project(Game(Say("create", 0, "created")));
  project.Dir().Write("work/in.txt", "# fine\n3 key down 37\n4 key sideways 37\n");
  RGameRun run = project.Run("--input in.txt --steps 5");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("in.txt:3: expected: key down|up VK"), std::string::npos) << run.err;
  run = project.Run("--input missing.txt --steps 5");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("cannot read the input script missing.txt"), std::string::npos) << run.err;
}

// The mouse on an instance: its button, pressed, enter and leave events
// come where the instance's mask holds the mouse's point in the room.
TEST(InputMouse, EventsOfTheInstanceUnderTheMouse) {
  CGameProject project(R"({"game_id": 1,
    "sprites": [{"name": "spr", "image": "images/smile.png", "xorigin": 8, "yorigin": 8}],
    "objects": [{"name": "obj", "sprite": "spr", "events": [)" +
                       Say("mouse", 0, "left on me") + "," + Say("mouse", 4, "pressed on me") + "," +
                       Say("mouse", 7, "released on me") + "," + Say("mouse", 10, "enter") + "," +
                       Say("mouse", 11, "leave") + "," + Say("mouse", 3, "no button on me") + R"(]}],
    "rooms": [{"name": "r", "instances": [{"x": 100, "y": 100, "object": 0}]}]})");
  std::ifstream image(std::string(QUILLON_SOURCE_DIR) + "/examples/hello/images/smile.png", std::ios::binary);
  std::ostringstream bytes;
  bytes << image.rdbuf();
  ASSERT_FALSE(bytes.str().empty());
  project.Write("images/smile.png", bytes.str());
  project.Dir().Write("work/in.txt",
                      "2 mouse move 100 100\n2 mouse down left\n3 mouse move 300 300\n4 mouse up left\n"
                      "5 mouse move 101 99\n");
  const RGameRun run = project.Run("--input in.txt --steps 5");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.Lines(), (std::vector<std::string>{"left on me", "pressed on me", "enter", "leave",
                                                   "no button on me", "enter"}));
}

}  // namespace
