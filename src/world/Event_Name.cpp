#include "world/Event_Name.h"

#include <array>

#include "world/Object_Main.h"
#include "world/Trigger_Main.h"

namespace {

constexpr const char *kUnknown = "<unknown>";

const char *FixedKeyName(int32_t key) {
  switch (key) {
    case 0: return "<no key>";
    case 1: return "<any key>";
    case 8: return "<Backspace>";
    case 9: return "<Tab>";
    case 13: return "<Enter>";
    case 16: return "<Shift>";
    case 17: return "<Ctrl>";
    case 18: return "<Alt>";
    case 27: return "<Escape>";
    case 32: return "<Space>";
    case 33: return "<Page Up>";
    case 34: return "<Page Down>";
    case 35: return "<End>";
    case 36: return "<Home>";
    case 37: return "<Left>";
    case 38: return "<Up>";
    case 39: return "<Right>";
    case 40: return "<Down>";
    case 45: return "<Insert>";
    case 46: return "<Delete>";
    case 106: return "Keypad *";
    case 107: return "Keypad +";
    case 109: return "Keypad -";
    case 110: return "Keypad .";
    case 111: return "Keypad /";
    default: return nullptr;
  }
}

constexpr std::array<const char *, 12> kMouseButtons = {
    "Left Button",    "Right Button",    "Middle Button",    "No Button",   "Left Pressed", "Right Pressed",
    "Middle Pressed", "Left Released",   "Right Released",   "Middle Released", "Mouse Enter", "Mouse Leave"};
constexpr std::array<const char *, 4> kJoystickDirections = {"Left", "Right", "Up", "Down"};
constexpr std::array<const char *, 9> kGlobalButtons = {
    "Glob Left Button",   "Glob Right Button",   "Glob Middle Button",
    "Glob Left Pressed",  "Glob Right Pressed",  "Glob Middle Pressed",
    "Glob Left Released", "Glob Right Released", "Glob Middle Released"};
constexpr std::array<const char *, 10> kOthers = {"Outside Room", "Intersect Boundary", "Game Start",
                                                  "Game End",     "Room Start",         "Room End",
                                                  "No More Lives", "Animation End",     "End Of Path",
                                                  "No More Health"};

// Joystick j's events start at base: four directions, a gap, eight buttons.
std::string JoystickName(int j, int32_t offset) {
  const std::string stick = "Joystick " + std::to_string(j) + " ";
  if (offset >= 0 && offset < 4) return stick + kJoystickDirections[static_cast<size_t>(offset)];
  if (offset >= 5 && offset < 13) return stick + "Button " + std::to_string(offset - 4);
  return kUnknown;
}

}  // namespace

std::string EventKeyName(int32_t key) {
  if (const char *fixed = FixedKeyName(key)) return fixed;
  if ((key >= 48 && key <= 57) || (key >= 65 && key <= 90)) return std::string(1, static_cast<char>(key)) + "-key";
  if (key >= 96 && key <= 105) return "Keypad " + std::to_string(key - 96);
  if (key >= 112 && key <= 123) return "F" + std::to_string(key - 111);
  return kUnknown;
}

std::string EventMouseName(int32_t n) {
  if (n >= 0 && n < 12) return kMouseButtons[static_cast<size_t>(n)];
  if (n >= 16 && n < 29) return JoystickName(1, n - 16);
  if (n >= 31 && n < 44) return JoystickName(2, n - 31);
  if (n >= 50 && n < 59) return kGlobalButtons[static_cast<size_t>(n - 50)];
  if (n == 60) return "Mouse Wheel Up";
  if (n == 61) return "Mouse Wheel Down";
  return kUnknown;
}

std::string EventOtherName(int32_t n) {
  if (n >= 0 && n < 10) return kOthers[static_cast<size_t>(n)];
  if (n >= 10 && n < 26) return "User Defined " + std::to_string(n - 10);
  if (n == 30) return "Close Button";
  if (n >= 40 && n < 48) return "Outside View " + std::to_string(n - 40);
  if (n >= 50 && n < 58) return "Boundary View " + std::to_string(n - 50);
  return kUnknown;
}

std::string EventName(int32_t etype, int32_t enumb) {
  switch (etype) {
    case 0: return "Create Event";
    case 1: return "Destroy Event";
    case 2: return "Alarm Event for alarm " + std::to_string(enumb);
    case 3: {
      const char *step = enumb == 0 ? "" : enumb == 1 ? "Begin" : enumb == 2 ? "End" : kUnknown;
      return std::string(step) + " Step Event";
    }
    case 4: return "Collision Event with object " + ObjectName(enumb);
    case 5: return "Keyboard Event for " + EventKeyName(enumb) + " Key";
    case 6: return "Mouse Event for " + EventMouseName(enumb);
    case 7: return "Other Event: " + EventOtherName(enumb);
    case 8: return "Draw Event";
    case 9: return "Key Press Event for " + EventKeyName(enumb) + " Key";
    case 10: return "Key Release Event for " + EventKeyName(enumb) + " Key";
    case 11: return "Trigger Event: " + TriggerName(enumb);
    default: return "<Unknown Event>";
  }
}
