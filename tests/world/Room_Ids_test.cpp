// Instance and tile ids count up from the last one and never wrap round into
// negative numbers, which would name selectors or nothing at all.
#include <gtest/gtest.h>

#include <cstdint>

#include "code/Code_Error.h"
#include "support/Room_Test_Fixture.h"
#include "world/Room_Main.h"

namespace {

using RoomIds = RoomFixture;

TEST_F(RoomIds, TheLastIdEndsTheGameInsteadOfWrapping) {
  struct RCase {
    const char *what;
    int32_t *last;
    int32_t (*next)();
    const char *message;
  } cases[] = {
      {"instances", &g_LastInstanceId, Room_NextInstanceId, kInstanceIdsUsedUp},
      {"tiles", &g_LastTileId, Room_NextTileId, kTileIdsUsedUp},
  };
  for (const RCase &c : cases) {
    ErrorReset();
    *c.last = INT32_MAX - 1;
    EXPECT_EQ(c.next(), INT32_MAX) << c.what;
    EXPECT_FALSE(ErrorOccurred()) << c.what;
    EXPECT_EQ(c.next(), INT32_MAX) << c.what;
    EXPECT_EQ(c.next(), INT32_MAX) << c.what;
    EXPECT_TRUE(ErrorAborting()) << c.what;
    EXPECT_NE(ErrorLast().find(c.message), std::string::npos) << c.what << ": " << ErrorLast();
  }
  // A created instance takes its id the same way.
  ErrorReset();
  g_LastInstanceId = INT32_MAX;
  EXPECT_EQ(Add(0)->i_id, INT32_MAX);
  EXPECT_TRUE(ErrorAborting());
  ErrorReset();
}

}  // namespace
