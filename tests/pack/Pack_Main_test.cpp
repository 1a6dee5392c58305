// The packer as a program: its command line, the executable and data-file
// forms it writes, what the runner makes of them, and reproducible output.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "Pack_Main.h"
#include "pack/Pack_TempDir.h"
#include "base/Game_Format.h"
#include "runner/Runner_Load.h"
#include "base/Support_File.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct RRun {
  int exitCode = -1;
  std::string out, err;
};

// Runs a shell command line in dir, capturing both output streams.
RRun RunIn(const PackTempDir &dir, const std::string &command) {
  const std::string out = dir / "run.out", err = dir / "run.err";
  const std::string cmd = "cd '" + dir.Path() + "' && " + command + " >'" + out + "' 2>'" + err + "'";
  const int status = std::system(cmd.c_str());
  RRun r;
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = Slurp(out);
  r.err = Slurp(err);
  fs::remove(out);
  fs::remove(err);
  return r;
}

const std::string kPack = std::string("'") + QUILLON_PACK_PATH + "'";
const std::string kRunner = std::string("'") + QUILLON_RUNNER_PATH + "'";
const std::string kHello = std::string("'") + QUILLON_SOURCE_DIR + "/examples/hello'";

// What --info must show for the bundled example.
void ExpectHelloSummary(const std::string &out) {
  for (const char *line : {"Game id: 4711\n", "  scripts: 2\n", "    0 scr_greet\n", "    1 scr_add\n",
                           "  rooms: 2\n", "    0 room_hello\n", "  sprites: 2\n", "    0 spr_smile\n", "    1 spr_walker\n",
                           "  included files: 1\n", "    0 hello.txt\n",
                           "  game information: About Hello\n"})
    EXPECT_NE(out.find(line), std::string::npos) << "missing \"" << line << "\" in:\n" << out;
}

TEST(PackMain, ExecutableCarriesTheRunnerAndRunsItsGame) {
  PackTempDir dir;
  const RRun pack = RunIn(dir, kPack + " " + kHello + " -o hello --seed 1");
  ASSERT_EQ(pack.exitCode, 0) << pack.err;
  EXPECT_EQ(pack.err, "");

  struct stat st {};
  ASSERT_EQ(::stat((dir / "hello").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0755u);

  // The runner's program image comes first, then zeros up to the marker,
  // which lies past that image and never before the search start. What the
  // runner's file holds behind its image (the section header table at least)
  // is not copied, and the copy's ELF header names no section table.
  const std::string runner = Slurp(QUILLON_RUNNER_PATH);
  const std::string exe = Slurp(dir / "hello");
  const int64_t imageEnd = ExecutableImageEndOfFile(QUILLON_RUNNER_PATH);
  ASSERT_GT(imageEnd, 0x40);
  ASSERT_EQ(runner[4], 2);  // a 64-bit program: the header offsets below are its
  ASSERT_LT(imageEnd, static_cast<int64_t>(runner.size()));
  const size_t image = static_cast<size_t>(imageEnd);
  ASSERT_GT(exe.size(), image);
  EXPECT_EQ(exe.compare(0, 0x28, runner, 0, 0x28), 0);
  EXPECT_EQ(exe.substr(0x28, 8), std::string(8, '\0'));  // e_shoff
  EXPECT_EQ(exe.compare(0x30, 0x0C, runner, 0x30, 0x0C), 0);
  EXPECT_EQ(exe.substr(0x3C, 4), std::string(4, '\0'));  // e_shnum, e_shstrndx
  EXPECT_EQ(exe.compare(0x40, image - 0x40, runner, 0x40, image - 0x40), 0);
  EXPECT_EQ(ExecutableImageEndOfFile(dir / "hello"), imageEnd);
  const int64_t from = std::max<int64_t>(GameFormat::kMarkerSearchStart, imageEnd);
  const int64_t marker = Runner_FindMarker(reinterpret_cast<const uint8_t *>(exe.data()),
                                           static_cast<int64_t>(exe.size()), 0);
  EXPECT_GE(marker, from);
  // Only zeros between the image and the marker (the marker's own first
  // bytes are random and may be zero too).
  EXPECT_GE(exe.find_first_not_of('\0', image), static_cast<size_t>(marker));

  // Run with no game argument: the executable reads the game in itself.
  const RRun info = RunIn(dir, "./hello --headless --info");
  EXPECT_EQ(info.exitCode, 0) << info.err;
  ExpectHelloSummary(info.out);
}

TEST(PackMain, DataFileLoadsWhenNamedToTheRunner) {
  PackTempDir dir;
  const RRun pack = RunIn(dir, kPack + " " + kHello + " -o hello.dat --data");
  ASSERT_EQ(pack.exitCode, 0) << pack.err;
  const std::string data = Slurp(dir / "hello.dat");
  // Zeros up to the search start, and the marker exactly there (its first
  // bytes are random and may be zero too).
  ASSERT_GT(data.size(), static_cast<size_t>(GameFormat::kMarkerSearchStart));
  EXPECT_GE(data.find_first_not_of('\0'), static_cast<size_t>(GameFormat::kMarkerSearchStart));
  EXPECT_EQ(Runner_FindMarker(reinterpret_cast<const uint8_t *>(data.data()), static_cast<int64_t>(data.size()), 0),
            GameFormat::kMarkerSearchStart);

  const RRun info = RunIn(dir, kRunner + " --headless --info hello.dat");
  EXPECT_EQ(info.exitCode, 0) << info.err;
  ExpectHelloSummary(info.out);
}

TEST(PackMain, SeedMakesTheOutputReproducible) {
  PackTempDir dir;
  for (const char *args : {" -o a --seed 42", " -o b --seed 42", " -o c --seed 43", " -o d --data", " -o e --data"})
    ASSERT_EQ(RunIn(dir, kPack + " " + kHello + args).exitCode, 0) << args;
  const std::string a = Slurp(dir / "a");
  EXPECT_EQ(a, Slurp(dir / "b"));
  EXPECT_NE(a, Slurp(dir / "c"));
  // Without a seed the random parts differ from run to run.
  EXPECT_NE(Slurp(dir / "d"), Slurp(dir / "e"));
  // Every one of them is a game the runner loads.
  for (const char *name : {"a", "d"}) {
    const RLoadResult r = Runner_LoadGameFile(dir / name);
    EXPECT_TRUE(r.Loaded()) << name;
  }
}

TEST(PackMain, RunnerThatAlreadyCarriesAGameIsCopiedWithoutIt) {
  PackTempDir dir;
  ASSERT_EQ(RunIn(dir, kPack + " " + kHello + " -o hello").exitCode, 0);
  const std::string minimal = std::string("'") + QUILLON_SOURCE_DIR + "/tests/games/minimal'";
  const RRun pack = RunIn(dir, kPack + " " + minimal + " -o again --runner ./hello");
  ASSERT_EQ(pack.exitCode, 0) << pack.err;
  const RRun info = RunIn(dir, "./again --headless --info");
  EXPECT_EQ(info.exitCode, 0) << info.err;
  EXPECT_NE(info.out.find("Game id: 1\n"), std::string::npos) << info.out;
}

TEST(PackMain, BrokenProjectWritesNothing) {
  PackTempDir dir;
  dir.Write("proj/game.json", "{\"game_id\": 1, \"rooms\": [{\"name\": \"r\", \"speed\": \"fast\"}]}");
  dir.Write("kept", "old content");
  const RRun r = RunIn(dir, kPack + " proj -o kept");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "quillon-pack: proj/game.json: rooms[0].speed: expected an integer, found a string\n");
  EXPECT_EQ(Slurp(dir / "kept"), "old content");
  // No temporary file is left beside the target either.
  size_t entries = 0;
  for (const auto &e : fs::directory_iterator(dir.Path())) entries += e.path().filename() != "proj";
  EXPECT_EQ(entries, 1u);

  const RRun missing = RunIn(dir, kPack + " nowhere -o x");
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "quillon-pack: nowhere: not a project folder (no such directory)\n");
  dir.Write("empty/readme", "");
  EXPECT_EQ(RunIn(dir, kPack + " empty -o x").err, "quillon-pack: empty/game.json: file not found\n");
  EXPECT_FALSE(fs::exists(dir / "x"));
}

TEST(PackMain, RunnerThatIsNoProgramIsRefused) {
  PackTempDir dir;
  dir.Write("fake", "#!/bin/sh\necho no\n");
  // A runner cut off inside its program image cannot run, whatever game
  // follows it.
  const std::string runner = Slurp(QUILLON_RUNNER_PATH);
  const int64_t imageEnd = ExecutableImageEndOfFile(QUILLON_RUNNER_PATH);
  ASSERT_GT(imageEnd, 100000);
  dir.Write("cut", runner.substr(0, 100000));
  struct Case {
    const char *runner;
    std::string message;
  };
  const Case cases[] = {
      {"fake", "fake: not a runner program (no ELF executable)"},
      {"cut", "cut: the runner program is cut short (its image ends at byte " + std::to_string(imageEnd) +
                  ", the file at byte 100000)"},
  };
  for (const Case &c : cases) {
    const RRun r = RunIn(dir, kPack + " " + kHello + " -o out --runner " + c.runner);
    EXPECT_EQ(r.exitCode, 1) << c.runner;
    EXPECT_EQ(r.err, "quillon-pack: " + c.message + "\n");
    EXPECT_FALSE(fs::exists(dir / "out")) << c.runner;
  }
}

TEST(PackMain, CommandLineMistakes) {
  struct Case {
    std::vector<std::string> args;
    const char *message;
  };
  const Case cases[] = {
      {{}, "no project folder given"},
      {{"proj"}, "no output given (-o PATH)"},
      {{"proj", "-o"}, "-o needs a value"},
      {{"proj", "-o", "x", "--fast"}, "unknown option --fast"},
      {{"proj", "other", "-o", "x"}, "more than one project folder given (proj, other)"},
      {{"proj", "-o", "x", "--seed", "abc"}, "--seed expects a whole number from 0 to 4294967295, not \"abc\""},
      {{"proj", "-o", "x", "--seed=4294967296"}, "--seed expects a whole number from 0 to 4294967295, not \"4294967296\""},
      {{"proj", "-o", "x", "--data", "--runner", "r"}, "--runner has no use with --data"},
  };
  for (const Case &c : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(RunPacker(c.args, out, err), 2);
    EXPECT_EQ(err.str(), std::string("quillon-pack: ") + c.message + "\nTry 'quillon-pack --help'.\n");
    EXPECT_EQ(out.str(), "");
  }
  const PackOptions o = ParsePackArguments({"--output=o", "--seed=7", "p", "--runner=r"});
  EXPECT_EQ(o.output, "o");
  EXPECT_EQ(o.project, "p");
  EXPECT_EQ(o.runner, "r");
  EXPECT_EQ(o.seed, 7u);
}

TEST(PackMain, HelpNamesEveryOption) {
  PackTempDir dir;
  const RRun r = RunIn(dir, kPack + " --help");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, kPackUsage);
  for (const char *opt : {"--output", "--data", "--runner", "--seed", "--help"})
    EXPECT_NE(r.out.find(opt), std::string::npos) << opt;
}

}  // namespace
