// The function catalogue as one source: its argument lists must say what
// its counts say, a faulty line is named, and docs/functions.md is exactly
// what the catalogue makes.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "FunctionDoc.h"
#include "code/Code_Function.h"
#include "functions/Function_Catalog.h"
#include "functions/Function_Init.h"
#include "runner/Runner_Wire.h"

namespace {

TEST(FunctionCatalog, ReadsArgumentLists) {
  struct RCase {
    const char *arguments;
    int32_t required, optional;
    bool unbounded;
  };
  const RCase cases[] = {
      {"", 0, 0, false},
      {"sprite, subimg, x, y", 4, 0, false},
      {"[aa]", 0, 1, false},
      {"val1, val2, ...", 2, 0, true},
      {"[val1, ...]", 0, 1, true},
      {"str, [arg0, ..., arg14]", 1, 15, false},
      {"dll, name, calltype, restype, argnumb, [argtype1, ..., argtype16]", 5, 16, false},
      {"x1, ..., x4, y", 5, 0, false},
  };
  for (const RCase &c : cases) {
    RArgumentShape shape;
    std::string error;
    ASSERT_TRUE(FunctionArgumentShape(c.arguments, shape, error)) << c.arguments << ": " << error;
    EXPECT_EQ(shape.required, c.required) << c.arguments;
    EXPECT_EQ(shape.optional, c.optional) << c.arguments;
    EXPECT_EQ(shape.unbounded, c.unbounded) << c.arguments;
  }
}

TEST(FunctionCatalog, RefusesWhatIsNoArgumentList) {
  for (const char *bad : {"a,b", "a b", "x, ", "[a", "a]", "[a], b", "[a], [b]", "[[a]]", "..., a", "a, ..., b",
                          "x1, ..., x2", "x3, ..., x1", "x1, ..., ...", "1x", "x1, ..., y4", "path, path", "[a, a]",
                          "x1, ..., x2000000000"}) {
    RArgumentShape shape;
    std::string error;
    EXPECT_FALSE(FunctionArgumentShape(bad, shape, error)) << "\"" << bad << "\" was read";
    EXPECT_FALSE(error.empty()) << bad;
  }
}

TEST(FunctionCatalog, NamesEveryFaultyLine) {
  const std::string text =
      "# a comment line\n"
      "@family\tdemo\tDemo\tFunctions for the test.\n"
      "good\t2\tdemo\ta, b\tdoes a thing\n"
      "short\t3\tdemo\ta, b\ttakes two names for three\n"
      "long\t1\tdemo\ta, b\ttakes two names for one\n"
      "anyfixed\t-1\tdemo\ta\tany number, one name\n"
      "fixedany\t2\tdemo\ta, ...\ttwo, without end\n"
      "range\t1..3\tdemo\ta, [b]\tup to three, two names\n"
      "good\t0\tdemo\t\tcatalogued twice\n"
      "orphan\t0\tnowhere\t\tits family has no heading\n"
      "silent\t0\tdemo\t\t\n"
      "badcount\tx\tdemo\t\ta count that is none\n"
      "badnames\t1\tdemo\t[a\tan unclosed bracket\n"
      "columns\t1\tdemo\ta\n";
  const std::vector<std::string> problems = FunctionCatalogProblemsIn(text);
  const char *expected[] = {
      ":14: a function line has five columns",
      ":4: short: arguments \"a, b\" are 2, but the count is 3",
      ":5: long: arguments \"a, b\" are 2, but the count is 1",
      ":6: anyfixed: arguments \"a\" name a fixed number, but the count is -1",
      ":7: fixedany: arguments \"a, ...\" go on without end, but the count is 2",
      ":8: range: arguments \"a, [b]\" are 1 to 2, but the count is 1..3",
      ":9: good: catalogued twice",
      ":10: orphan: family nowhere has no @family heading",
      ":11: silent: says nothing about what it does",
      ":12: badcount: count \"x\" is not a count",
      ":13: badnames: \"[\" without \"]\"",
  };
  std::string all;
  for (const std::string &p : problems) all += p + "\n";
  for (const char *e : expected) EXPECT_NE(all.find(e), std::string::npos) << "missing: " << e << "\nin:\n" << all;
  EXPECT_EQ(problems.size(), std::size(expected)) << all;
}

TEST(FunctionCatalog, HasNoFaults) {
  EXPECT_EQ(FunctionCatalogProblems(), std::vector<std::string>());
  // Every family heading has functions under it.
  for (const RCatalogFamily &fam : FunctionCatalogFamilies()) {
    bool used = false;
    for (const RCatalogFunction &fn : FunctionCatalog()) used = used || fn.c_family == fam.fam_name;
    EXPECT_TRUE(used) << fam.fam_name << " has a heading but no function";
  }
}

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

TEST(FunctionReference, MarksFamiliesThatAreNotFullyRegistered) {
  // One function of the drawing family missing makes the whole family
  // unavailable; every other family shows as available.
  const std::string doc = FunctionDoc_Markdown([](std::string_view name) { return name != "draw_circle"; });
  const std::vector<std::string> lines = Lines(doc);
  const RCatalogFamily *drawing = FunctionCatalogFamily("drawing");
  ASSERT_NE(drawing, nullptr);
  int notAvailable = 0;
  std::string heading;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind("## ", 0) == 0) heading = lines[i].substr(3);
    if (lines[i] == "*Not available yet.*") {
      ++notAvailable;
      EXPECT_EQ(heading, drawing->fam_title);
    }
  }
  EXPECT_EQ(notAvailable, 1);
  EXPECT_NE(doc.find("\n- `draw_sprite(sprite, subimg, x, y)`: "), std::string::npos);
  EXPECT_NE(doc.find("\n- `random_get_seed()`: "), std::string::npos);
}

TEST(FunctionReference, IsWhatTheCatalogueMakes) {
  FunctionTableReset();
  Runner_AddFamilies();
  Function_RegisterFamilies();
  const std::string made = FunctionDoc_Markdown(FunctionDoc_Registered);
  std::ifstream in(std::string(QUILLON_SOURCE_DIR) + "/docs/functions.md", std::ios::binary);
  std::stringstream file;
  file << in.rdbuf();
  if (file.str() == made) return;
  const std::vector<std::string> want = Lines(made), have = Lines(file.str());
  size_t i = 0;
  while (i < want.size() && i < have.size() && want[i] == have[i]) ++i;
  ADD_FAILURE() << "docs/functions.md is not what the function catalogue makes; write it again with: "
                << kFunctionDocCommand << "\nfirst difference at line " << i + 1 << ":\n  file: "
                << (i < have.size() ? have[i] : "(end)") << "\n  made: " << (i < want.size() ? want[i] : "(end)");
}

}  // namespace
