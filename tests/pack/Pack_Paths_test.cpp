// Paths in the project manifest: what they turn into, what a broken entry is
// told, and that a packed game loads them as written.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "Pack_Json.h"
#include "Pack_Main.h"
#include "Pack_Project.h"
#include "pack/Pack_TempDir.h"
#include "runner/Runner_Load.h"
#include "world/Path_Main.h"

namespace {

std::string Read(const std::string &paths, RGameModel &game) {
  const std::string text = R"({"game_id": 1, "rooms": [{"name": "r"}], "paths": )" + paths + "}";
  try {
    ReadProjectText(text, "game.json", ProjectFiles("."), game);
    return "";
  } catch (const PackError &e) {
    return e.what();
  }
}

TEST(PackPaths, EntriesBecomePaths) {
  RGameModel game;
  ASSERT_EQ(Read(R"([
      {"name": "pth_round", "kind": "smooth", "closed": true, "precision": 2,
       "points": [[0, 0], [64, 0, 50], [64, 64.5, 200]]},
      null,
      {"name": "pth_line", "kind": "linear", "closed": false, "points": [[1, 2, 100], [4, 6]]},
      {"name": "pth_empty", "kind": 1}
    ])",
                 game),
            "");
  ASSERT_EQ(game.paths.Count(), 4);
  EXPECT_EQ(game.paths.names, (std::vector<std::string>{"pth_round", "", "pth_line", "pth_empty"}));
  EXPECT_FALSE(game.paths.Exists(1));

  const CPath &round = *game.paths.Get(0);
  EXPECT_EQ(round.i_kind, CPath::kSmooth);
  EXPECT_TRUE(round.i_closed);
  EXPECT_EQ(round.i_precision, 2);
  ASSERT_EQ(round.Count(), 3);
  EXPECT_EQ(round.i_points[0].speed, 100);  // two numbers: full speed
  EXPECT_EQ(round.i_points[1].speed, 50);
  EXPECT_EQ(round.i_points[2].y, 64.5);
  EXPECT_GT(round.IntCount(), 4);  // smoothed

  const CPath &line = *game.paths.Get(2);
  EXPECT_EQ(line.i_kind, CPath::kStraight);
  EXPECT_FALSE(line.i_closed);
  EXPECT_EQ(line.i_precision, 4);
  EXPECT_EQ(line.i_length, 5);

  const CPath &empty = *game.paths.Get(3);
  EXPECT_EQ(empty.i_kind, CPath::kSmooth);
  EXPECT_TRUE(empty.i_closed);  // the defaults of a new path
  EXPECT_EQ(empty.Count(), 0);
}

TEST(PackPaths, BrokenEntriesNameTheField) {
  const std::pair<const char *, const char *> cases[] = {
      {R"([{"kind": "linear"}])", "game.json: paths[0].name: missing field"},
      {R"([{"name": "a"}, {"name": "a"}])", "game.json: paths[1].name: the name \"a\" is already used by paths[0]"},
      {R"([{"name": "a", "kind": "curvy"}])", "game.json: paths[0].kind: expected \"linear\" or \"smooth\", found \"curvy\""},
      {R"([{"name": "a", "kind": 2}])", "game.json: paths[0].kind: expected an integer from 0 to 1"},
      {R"([{"name": "a", "precision": 9}])", "game.json: paths[0].precision: expected an integer from 0 to 8"},
      {R"([{"name": "a", "closed": "yes"}])", "game.json: paths[0].closed: expected true or false, found a string"},
      {R"([{"name": "a", "points": [[0, 0], [1]]}])", "game.json: paths[0].points[1]: expected [x, y] or [x, y, speed]"},
      {R"([{"name": "a", "points": [[0, 0, 1, 2]]}])", "game.json: paths[0].points[0]: expected [x, y] or [x, y, speed]"},
      {R"([{"name": "a", "points": [{"x": 0}]}])", "game.json: paths[0].points[0]: expected [x, y] or [x, y, speed]"},
      {R"([{"name": "a", "points": [[0, "y"]]}])", "game.json: paths[0].points[0][1]: expected a number, found a string"},
      {R"([{"name": "a", "speed": 3}])", "game.json: paths[0].speed: unknown field"},
      {R"({"name": "a"})", "game.json: paths: expected an array, found an object"},
  };
  for (const auto &[paths, message] : cases) {
    RGameModel game;
    EXPECT_EQ(Read(paths, game), message) << paths;
  }
}

TEST(PackPaths, PackedGameLoadsItsPaths) {
  PackTempDir dir;
  dir.Write("game.json", R"({"game_id": 3, "rooms": [{"name": "r"}], "paths": [
      {"name": "pth_a", "kind": "smooth", "closed": false, "precision": 3, "points": [[0, 0], [100, 0, 30], [100, 80]]},
      null,
      {"name": "pth_b", "points": [[5, 5], [9, 8]]}]})");
  const std::string out = dir / "game.dat";
  std::ostringstream sout, serr;
  ASSERT_EQ(RunPacker({dir.Path(), "-o", out, "--data", "--seed", "1"}, sout, serr), 0) << serr.str();
  const RLoadResult loaded = Runner_LoadGameFile(out);
  ASSERT_TRUE(loaded.Loaded()) << (loaded.messages.empty() ? "" : loaded.messages[0]);

  ASSERT_EQ(PathCount(), 3);
  EXPECT_EQ(PathName(0), "pth_a");
  EXPECT_FALSE(PathExists(1));
  EXPECT_EQ(PathFind("pth_b"), 2);
  const CPath &a = *PathGet(0);
  EXPECT_EQ(a.i_kind, CPath::kSmooth);
  EXPECT_FALSE(a.i_closed);
  EXPECT_EQ(a.i_precision, 3);
  EXPECT_EQ(a.i_points[1].speed, 30);
  EXPECT_DOUBLE_EQ(PathGet(2)->i_length, 10);  // closed by default: 5 there, 5 back
  g_Paths.Clear();
}

}  // namespace
