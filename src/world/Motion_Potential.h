// Potential-field stepping: the settings that steer it, shared by every
// instance. The steps themselves test candidate places for collisions.
#pragma once

struct RPotentialSettings {
  double maxrot = 30;   // largest turn per step, degrees
  double rotstep = 10;  // turn between two tried directions, degrees
  double ahead = 3;     // how many steps ahead a direction must be free
  bool onspot = true;   // turn on the spot when no direction is free
};
extern RPotentialSettings g_PotentialSettings;

// Registers mp_potential_settings.
void Motion_Potential_Init();
