// Motion planning without a grid: straight-line stepping and potential-field
// stepping towards a goal, one step at a time or as a whole path planned
// ahead (the instance is put back where it was afterwards). The settings
// that steer potential-field stepping are shared by every instance.
#pragma once

#include <cstdint>

class CInstance;
class CPath;

struct RPotentialSettings {
  double maxrot = 30;   // largest turn per step, degrees
  double rotstep = 10;  // turn between two tried directions, degrees
  double ahead = 3;     // how many steps ahead a direction must be free
  bool onspot = true;   // turn on the spot when no direction is free
};
extern RPotentialSettings g_PotentialSettings;

// What stands in the way: the instances of ref (an object reference, as
// place_meeting takes it), or, for every instance (-3), the solid ones
// unless checkall asks for all of them.
struct RObstacles {
  CInstance *other = nullptr;  // what -2 stands for
  int32_t ref = -3;
  bool checkall = false;
};

// A plan stops with failure after this many steps, however it fares.
inline constexpr int32_t kPlanMaxSteps = 1000000;

// One straight step of at most stepsize towards the goal, taken only when
// its end is free. True when the goal was within reach (moved or not).
bool Motion_LinearStep(CInstance &self, const RObstacles &ob, double gx, double gy, double stepsize);
// One step that turns around obstacles. True when the goal was within reach.
bool Motion_PotentialStep(CInstance &self, const RObstacles &ob, double gx, double gy, double stepsize);
// Plans the way to the goal into path (straight, open), leaving the instance
// where it was, its motion unchanged. True when the goal was reached.
bool Motion_LinearPath(CInstance &self, const RObstacles &ob, CPath &path, double gx, double gy, double stepsize);
// The same with potential steps; a plan whose length passes factor times the
// straight distance fails, and so does one that stays in one place.
bool Motion_PotentialPath(CInstance &self, const RObstacles &ob, CPath &path, double gx, double gy, double stepsize,
                          double factor);

// Registers the mp_linear_* and mp_potential_* functions.
void Motion_Potential_Init();
