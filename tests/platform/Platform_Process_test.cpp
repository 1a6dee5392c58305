#include "platform/Platform_Process.h"

#include <gtest/gtest.h>

TEST(CommandLine, SplitAsGameAuthorsWriteIt) {
  using Args = std::vector<std::string>;
  const std::vector<std::pair<std::string, Args>> cases = {
      {"", Args{}},
      {"   ", Args{}},
      {"-a  b\tc", Args{"-a", "b", "c"}},
      {"\"two words\" x", Args{"two words", "x"}},
      {"pre\"fix mid\"post", Args{"prefix midpost"}},
      {"\"\"", Args{""}},
      {"C:\\games\\save.dat", Args{"C:\\games\\save.dat"}},  // plain backslashes stay
      {"say \\\"hi\\\"", Args{"say", "\"hi\""}},
      {"a\\\\\"b c\"", Args{"a\\b c"}},                       // two backslashes before a quote: one, then the quote
      {"\"unclosed rest", Args{"unclosed rest"}},
  };
  for (const auto &[line, expected] : cases) EXPECT_EQ(SplitCommandLine(line), expected) << line;
}

TEST(CommandLine, ProgramsThatCannotStart) {
  EXPECT_FALSE(ProcessRun("", {}, true));
  EXPECT_FALSE(ProcessRun("/nonexistent/program", {}, true));
  EXPECT_TRUE(ProcessRun("true", {}, true));
  EXPECT_FALSE(ProcessOpen("/nonexistent/document.txt", {}));
}
