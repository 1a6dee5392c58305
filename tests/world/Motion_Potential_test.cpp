// The potential-field settings as game code sets them.
#include <gtest/gtest.h>

#include <limits>

#include "code/Code_Function.h"
#include "world/Motion_Potential.h"

namespace {

TEST(PotentialSettings, NumbersAreRaisedToAtLeastOne) {
  if (FunctionFind("mp_potential_settings") < 0) Motion_Potential_Init();
  const TRoutine set = FunctionRoutine(FunctionFind("mp_potential_settings"));
  struct RCase {
    double maxrot, rotstep, ahead, onspot;
    RPotentialSettings want;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const RCase cases[] = {
      {45, 5, 2.5, 0, {45, 5, 2.5, false}},
      {0.5, -10, 0, 0.5, {1, 1, 1, true}},
      {nan, nan, 1e9, 0.49, {1, 1, 1e9, false}},
  };
  for (const RCase &c : cases) {
    RValue args[kMaxCallArguments];
    args[0].SetReal(c.maxrot);
    args[1].SetReal(c.rotstep);
    args[2].SetReal(c.ahead);
    args[3].SetReal(c.onspot);
    RValue result;
    set(nullptr, nullptr, 4, args, result);
    EXPECT_EQ(g_PotentialSettings.maxrot, c.want.maxrot) << c.maxrot;
    EXPECT_EQ(g_PotentialSettings.rotstep, c.want.rotstep) << c.rotstep;
    EXPECT_EQ(g_PotentialSettings.ahead, c.want.ahead) << c.ahead;
    EXPECT_EQ(g_PotentialSettings.onspot, c.want.onspot) << c.onspot;
  }
  g_PotentialSettings = RPotentialSettings();
}

}  // namespace
