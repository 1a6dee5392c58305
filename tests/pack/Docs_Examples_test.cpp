// The examples of the script language guide (docs/language.md) run as games
// and print what the guide says they print, so the guide cannot drift from
// the runner.
//
// A block marked ```qs is an example; the ```text block that follows the
// line "Output:" holds the lines it prints. Each example is the create code
// of one instance of obj_example in a room of its own; the game also has
// obj_ball and obj_wall (without events), and every block marked ```qs
// whose first line is "// script NAME" is the script NAME of every example.
// An example that makes an error has "Standard error:" and a ```text block
// after its output: the lines the runner prints there.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include <nlohmann/json.hpp>

#include "support/Game_Run.h"

namespace {

struct RDocExample {
  int line = 0;  // where the block starts in the guide
  std::string code;
  std::vector<std::string> output;
  std::vector<std::string> errors;  // what it prints on standard error
};

struct RGuide {
  std::vector<RDocExample> examples;
  nlohmann::json scripts = nlohmann::json::array();
};

RGuide ReadGuide(const std::string &path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  RGuide guide;
  // The lines of the fenced block that opens at lines[i], and where it ends.
  auto block = [&lines](size_t &i) {
    std::vector<std::string> body;
    for (++i; i < lines.size() && lines[i] != "```"; ++i) body.push_back(lines[i]);
    return body;
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] != "```qs") continue;
    const int start = static_cast<int>(i) + 1;
    const std::vector<std::string> body = block(i);
    std::string code;
    for (const std::string &l : body) code += l + "\n";
    static const std::string kScript = "// script ";
    if (!body.empty() && body[0].rfind(kScript, 0) == 0) {
      guide.scripts.push_back({{"name", body[0].substr(kScript.size())}, {"code", code}});
      continue;
    }
    // The output block: "Output:" and a ```text block after it.
    size_t j = i + 1;
    while (j < lines.size() && lines[j].empty()) ++j;
    EXPECT_TRUE(j < lines.size() && lines[j] == "Output:") << "the example at line " << start << " has no Output:";
    for (++j; j < lines.size() && lines[j].empty(); ++j) {}
    EXPECT_TRUE(j < lines.size() && lines[j] == "```text") << "the example at line " << start << " has no output block";
    if (j >= lines.size() || lines[j] != "```text") continue;
    RDocExample ex{start, code, block(j), {}};
    // An example that makes an error: "Standard error:" and a block.
    size_t k = j + 1;
    while (k < lines.size() && lines[k].empty()) ++k;
    if (k < lines.size() && lines[k] == "Standard error:") {
      for (++k; k < lines.size() && lines[k].empty(); ++k) {}
      if (k < lines.size() && lines[k] == "```text") {
        ex.errors = block(k);
        j = k;
      }
    }
    guide.examples.push_back(std::move(ex));
    i = j;
  }
  return guide;
}

TEST(LanguageGuide, EveryExamplePrintsItsOutput) {
  const RGuide guide = ReadGuide(std::string(QUILLON_SOURCE_DIR) + "/docs/language.md");
  ASSERT_GE(guide.examples.size(), 10u) << "the guide's examples were not found";
  for (const RDocExample &ex : guide.examples) {
    nlohmann::json game = {
        {"game_id", 7},
        {"scripts", guide.scripts},
        {"objects",
         {{{"name", "obj_example"}, {"events", {{{"type", "create"}, {"actions", {{{"code", ex.code}}}}}}}},
          {{"name", "obj_ball"}},
          {{"name", "obj_wall"}}}},
        {"rooms", {{{"name", "room_example"}, {"instances", {{{"x", 0}, {"y", 0}, {"object", "obj_example"}}}}}}}};
    CGameProject project(game.dump(2));
    const RGameRun run = project.Run("--steps 1");
    ASSERT_TRUE(run.packed) << "example at docs/language.md:" << ex.line << "\n" << run.packMessages;
    EXPECT_EQ(run.Lines(), ex.output) << "example at docs/language.md:" << ex.line << "\n" << ex.code << run.err;
    std::vector<std::string> errors;
    std::istringstream err(run.err);
    for (std::string l; std::getline(err, l);) errors.push_back(l);
    EXPECT_EQ(errors, ex.errors) << "example at docs/language.md:" << ex.line;
  }
}

}  // namespace
