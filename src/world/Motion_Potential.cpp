#include "world/Motion_Potential.h"

#include "code/Code_Function.h"
#include "functions/Function_Args.h"

RPotentialSettings g_PotentialSettings;

namespace {

// Turns and look-ahead below 1 (or no number at all) would leave the search
// without a direction to try or a distance to look.
double AtLeastOne(const RValue &v) {
  const double d = fnarg::ArgReal(v);
  return d >= 1 ? d : 1;
}

void F_PotentialSettings(CInstance *, CInstance *, int, RValue *args, RValue &) {
  RPotentialSettings &s = g_PotentialSettings;
  s.maxrot = AtLeastOne(args[0]);
  s.rotstep = AtLeastOne(args[1]);
  s.ahead = AtLeastOne(args[2]);
  s.onspot = fnarg::ArgBool(args[3]);
}

}  // namespace

void Motion_Potential_Init() { FunctionAdd("mp_potential_settings", F_PotentialSettings, 4); }
