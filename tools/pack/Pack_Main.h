// The packer's command line and its one job: read a project folder, build
// the game data and write a game executable or a bare game-data file.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

struct PackOptions {
  std::string project;               // the project folder
  std::string output;                // -o
  std::string runner;                // --runner; empty: quillon beside the packer
  bool dataOnly = false;             // --data
  bool checkOnly = false;            // --check: check the code, write nothing
  bool noCheck = false;              // --no-check: write the game whatever its code holds
  std::optional<uint32_t> seed;      // --seed
  bool help = false;                 // --help
};

// Parses the arguments after the program name; raises PackError with a
// message that ends in a hint to --help.
PackOptions ParsePackArguments(const std::vector<std::string> &args);

extern const char kPackUsage[];

// Runs the packer; answers the process exit code. Messages go to err, the
// usage (for --help) and the summary of a successful pack to out.
int RunPacker(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);

// The runner program the packer copies by default: "quillon" in the
// packer's own directory.
std::string DefaultRunnerPath();
