// Event names as error messages show them.
#include <gtest/gtest.h>

#include "world/Event_Name.h"
#include "world/Object_Main.h"
#include "world/Trigger_Main.h"

namespace {

TEST(EventName, EveryKindOfName) {
  g_Objects.Clear();
  g_Triggers.Clear();
  ObjectAdd();
  g_Objects.names[0] = "wall";
  auto trigger = std::make_unique<CTrigger>();
  trigger->i_name = "low health";
  g_Triggers.items.push_back(std::move(trigger));
  g_Triggers.names.emplace_back();

  const struct {
    int etype, enumb;
    const char *name;
  } cases[] = {
      {0, 0, "Create Event"},
      {1, 0, "Destroy Event"},
      {2, 11, "Alarm Event for alarm 11"},
      {3, 0, " Step Event"},
      {3, 1, "Begin Step Event"},
      {3, 2, "End Step Event"},
      {3, 3, "<unknown> Step Event"},
      {4, 0, "Collision Event with object wall"},
      {4, 7, "Collision Event with object <undefined>"},
      {5, 0, "Keyboard Event for <no key> Key"},
      {5, 1, "Keyboard Event for <any key> Key"},
      {5, 8, "Keyboard Event for <Backspace> Key"},
      {5, 33, "Keyboard Event for <Page Up> Key"},
      {5, 46, "Keyboard Event for <Delete> Key"},
      {9, 48, "Key Press Event for 0-key Key"},
      {9, 90, "Key Press Event for Z-key Key"},
      {10, 96, "Key Release Event for Keypad 0 Key"},
      {10, 105, "Key Release Event for Keypad 9 Key"},
      {10, 106, "Key Release Event for Keypad * Key"},
      {10, 110, "Key Release Event for Keypad . Key"},
      {10, 108, "Key Release Event for <unknown> Key"},
      {5, 112, "Keyboard Event for F1 Key"},
      {5, 123, "Keyboard Event for F12 Key"},
      {5, 124, "Keyboard Event for <unknown> Key"},
      {5, 47, "Keyboard Event for <unknown> Key"},
      {6, 0, "Mouse Event for Left Button"},
      {6, 11, "Mouse Event for Mouse Leave"},
      {6, 12, "Mouse Event for <unknown>"},
      {6, 13, "Mouse Event for <unknown>"},
      {6, 16, "Mouse Event for Joystick 1 Left"},
      {6, 19, "Mouse Event for Joystick 1 Down"},
      {6, 20, "Mouse Event for <unknown>"},
      {6, 21, "Mouse Event for Joystick 1 Button 1"},
      {6, 28, "Mouse Event for Joystick 1 Button 8"},
      {6, 29, "Mouse Event for <unknown>"},
      {6, 33, "Mouse Event for Joystick 2 Up"},
      {6, 43, "Mouse Event for Joystick 2 Button 8"},
      {6, 50, "Mouse Event for Glob Left Button"},
      {6, 58, "Mouse Event for Glob Middle Released"},
      {6, 60, "Mouse Event for Mouse Wheel Up"},
      {6, 61, "Mouse Event for Mouse Wheel Down"},
      {7, 0, "Other Event: Outside Room"},
      {7, 9, "Other Event: No More Health"},
      {7, 10, "Other Event: User Defined 0"},
      {7, 25, "Other Event: User Defined 15"},
      {7, 26, "Other Event: <unknown>"},
      {7, 30, "Other Event: Close Button"},
      {7, 47, "Other Event: Outside View 7"},
      {7, 50, "Other Event: Boundary View 0"},
      {7, 58, "Other Event: <unknown>"},
      {8, 0, "Draw Event"},
      {11, 0, "Trigger Event: low health"},
      {11, 1, "Trigger Event: <Deleted>"},
      {12, 0, "<Unknown Event>"},
      {-1, 0, "<Unknown Event>"},
  };
  for (const auto &tc : cases) EXPECT_EQ(EventName(tc.etype, tc.enumb), tc.name) << tc.etype << "," << tc.enumb;
  g_Objects.Clear();
  g_Triggers.Clear();
}

}  // namespace
