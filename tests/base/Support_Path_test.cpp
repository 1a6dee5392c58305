#include "base/Support_Path.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class PathTest : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/quillon_pathtest_XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    root = tmpl;
    saved = fs::current_path();
    fs::current_path(root);
    fs::create_directories("Data/Levels");
    std::ofstream("Data/Levels/One.LVL") << "1";
    std::ofstream("Data/readme.txt") << "r";
  }
  void TearDown() override {
    fs::current_path(saved);
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  fs::path root, saved;
};

}  // namespace

TEST_F(PathTest, BackslashesAndCaseAreResolvedLevelByLevel) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Data\\Levels\\One.LVL", "Data/Levels/One.LVL"},
      {"data\\levels\\one.lvl", "Data/Levels/One.LVL"},
      {"DATA/README.TXT", "Data/readme.txt"},
      {".\\data\\README.txt", "./Data/readme.txt"},
      {"data\\levels\\..\\README.TXT", "Data/Levels/../readme.txt"},
      // Names that match nothing are kept as the game wrote them, from there on.
      {"data\\New\\Save.dat", "Data/New/Save.dat"},
      {"data\\levels\\Two.lvl", "Data/Levels/Two.lvl"},
      {"", ""},
  };
  for (const auto &[game, expected] : cases) EXPECT_EQ(TranslatePath(game), expected) << game;
  // Absolute paths resolve from the root.
  EXPECT_EQ(TranslatePath(root.string() + "\\DATA\\levels\\ONE.lvl"), root.string() + "/Data/Levels/One.LVL");
}

TEST_F(PathTest, AnExactNameWinsOverOthersThatDifferOnlyInCase) {
  std::ofstream("Data/Readme.TXT") << "R";
  EXPECT_EQ(TranslatePath("Data\\Readme.TXT"), "Data/Readme.TXT");
  EXPECT_EQ(TranslatePath("Data\\readme.txt"), "Data/readme.txt");
  // Neither written as such: the first in name order, every time.
  EXPECT_EQ(TranslatePath("Data\\README.txt"), "Data/Readme.TXT");
}

TEST_F(PathTest, NamesWithADirectoryAndFullPaths) {
  for (const char *name : {"a\\b", "a/b", "C:\\x", "\\x"}) EXPECT_TRUE(PathHasDirectory(name)) << name;
  for (const char *name : {"save.dat", "C:x", ""}) EXPECT_FALSE(PathHasDirectory(name)) << name;
  EXPECT_EQ(FullPath("data\\levels\\..\\x.ini"), (fs::current_path() / "Data/x.ini").string());
  EXPECT_EQ(FullPath("/etc/../tmp/x.ini"), "/tmp/x.ini");
}
