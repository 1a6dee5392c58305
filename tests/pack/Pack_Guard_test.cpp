// What the packer refuses to read or to replace, and what it leaves behind
// when stopped: files outside the project, manifests it cannot take in,
// targets that are no regular file, and an interrupted write.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <iterator>
#include <filesystem>
#include <sstream>
#include <thread>

#include "Pack_Json.h"
#include "Pack_Main.h"
#include "Pack_Project.h"
#include "pack/Pack_TempDir.h"

extern char **environ;

namespace fs = std::filesystem;

namespace {

const char kRoom[] = R"("rooms": [{"name": "r"}])";

std::string ReadIn(const std::string &projectDir, const std::string &manifest) {
  try {
    RGameModel game;
    ReadProjectText(manifest, "game.json", ProjectFiles(projectDir), game);
    return "";
  } catch (const PackError &e) {
    return e.what();
  }
}

std::string ReadDir(const std::string &projectDir) {
  try {
    RGameModel game;
    ReadProject(projectDir, game);
    return "";
  } catch (const PackError &e) {
    return e.what();
  }
}

// Every file the project names stays inside the project folder, links
// followed; the message names the field and the reason.
TEST(PackGuard, FilesOutsideTheProjectAreRefused) {
  PackTempDir dir;
  dir.Write("secret.txt", "not the project's");
  dir.Write("elsewhere/also.txt", "not the project's either");
  dir.Write("proj/data/x.txt", "carried");
  const std::string proj = dir / "proj";
  fs::create_symlink(dir / "secret.txt", proj + "/out.txt");
  fs::create_symlink("../elsewhere", proj + "/outdir");
  fs::create_symlink("/proc/self/environ", proj + "/env");
  fs::create_symlink("loop2", proj + "/loop1");
  fs::create_symlink("loop1", proj + "/loop2");
  fs::create_symlink("data/x.txt", proj + "/in.txt");  // inside: fine

  struct {
    std::string file;
    std::string message;  // "" when the file is packed
  } cases[] = {
      {"../secret.txt", "the path leads outside the project folder: ../secret.txt"},
      {"data/../../secret.txt", "the path leads outside the project folder: data/../../secret.txt"},
      {dir / "secret.txt", "an absolute path is not allowed; name a file inside the project folder: " + (dir / "secret.txt")},
      {"/proc/self/environ", "an absolute path is not allowed; name a file inside the project folder: /proc/self/environ"},
      {"out.txt", "a symbolic link leads outside the project folder: out.txt"},
      {"outdir/also.txt", "a symbolic link leads outside the project folder: outdir/also.txt"},
      {"env", "a symbolic link leads outside the project folder: env"},
      {"loop1", "a loop of symbolic links: loop1"},
      {"in.txt", ""},
      {"data/./x.txt", ""},
  };
  for (const auto &c : cases) {
    // Included files are what a game exports; scripts are read as text.
    const std::string included = std::string(R"({"game_id": 1, )") + kRoom +
                                 R"(, "included_files": [{"file": ")" + c.file + R"("}]})";
    EXPECT_EQ(ReadIn(proj, included), c.message.empty() ? "" : "game.json: included_files[0].file: " + c.message)
        << c.file;
    const std::string script = std::string(R"({"game_id": 1, )") + kRoom +
                               R"(, "scripts": [{"name": "s", "file": ")" + c.file + R"("}]})";
    EXPECT_EQ(ReadIn(proj, script), c.message.empty() ? "" : "game.json: scripts[0].file: " + c.message) << c.file;
  }
}

TEST(PackGuard, ManifestsThatCannotBeReadGetALocatedMessage) {
  PackTempDir dir;
  fs::create_directories(dir / "asdir/game.json");
  EXPECT_EQ(ReadDir(dir / "asdir"), dir / "asdir/game.json" + ": not a file (a directory)");
  fs::create_directories(dir / "looped");
  fs::create_symlink("game.json", dir / "looped/game.json");
  EXPECT_EQ(ReadDir(dir / "looped"), dir / "looped/game.json" + ": a loop of symbolic links");
  fs::create_directories(dir / "none");
  EXPECT_EQ(ReadDir(dir / "none"), dir / "none/game.json" + ": file not found");
}

TEST(PackGuard, ManifestNumbersAndNestingBeyondLimits) {
  PackTempDir dir;
  const std::string head = std::string(R"({"game_id": 1, )") + kRoom + ", ";
  struct {
    std::string manifest;
    std::string message;
  } cases[] = {
      {head + "\"x\": 1e400}", "game.json: line 1, column 47: the number 1e400 is out of range (the largest is about 1.8e308)"},
      {"{\n  \"game_id\": -2E+999,\n" + std::string(kRoom) + "}",
       "game.json: line 2, column 14: the number -2E+999 is out of range (the largest is about 1.8e308)"},
      // tiny numbers become 0 and are no error of this kind
      {head + "\"x\": 1e-400}", "game.json: x: unknown field"},
      {std::string(2000, '[') + std::string(2000, ']'),
       "game.json: line 1, column 257: arrays and objects nested deeper than 256 levels"},
      {std::string(120000, '['), "game.json: line 1, column 257: arrays and objects nested deeper than 256 levels"},
      {"{\"a\":\n" + std::string(300, '{'), "game.json: line 2, column 256: arrays and objects nested deeper than 256 levels"},
      // brackets in texts and comments do not nest
      {"// " + std::string(300, '[') + "\n/* " + std::string(300, '{') + " */" + head + "\"y\": \"" +
           std::string(300, '[') + "\\\"" + std::string(300, '[') + "\"}",
       "game.json: y: unknown field"},
      {std::string(256, '[') + std::string(256, ']'), "game.json: (top level): expected an object, found an array"},
  };
  for (const auto &c : cases) EXPECT_EQ(ReadIn(dir.Path(), c.manifest), c.message) << c.manifest.substr(0, 60);
}

// The rename that puts the output in place would replace a device, a pipe,
// a directory or a link instead of writing to it.
TEST(PackGuard, OnlyANewOrRegularFileIsWritten) {
  PackTempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  fs::create_directories(dir / "folder");
  dir.Write("kept", "old");
  fs::create_symlink("kept", dir / "link");
  const std::string hello = std::string(QUILLON_SOURCE_DIR) + "/examples/hello";
  struct {
    const char *name;
    const char *kind;
  } cases[] = {
      {"fifo", "a named pipe (FIFO)"},
      {"folder", "a directory"},
      {"link", "a symbolic link"},
  };
  for (const auto &c : cases) {
    std::ostringstream out, err;
    const std::string target = dir / c.name;
    EXPECT_EQ(RunPacker({hello, "--data", "-o", target}, out, err), 1) << c.name;
    EXPECT_EQ(err.str(), "quillon-pack: cannot write " + target + ": it is " + c.kind +
                             ", not a regular file; give the name of a new or a regular file\n");
  }
  struct stat st {};
  ASSERT_EQ(::lstat((dir / "fifo").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  ASSERT_EQ(::lstat((dir / "link").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_TRUE(fs::is_directory(dir / "folder"));
  // Nothing was left beside them.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 4);

  // A regular file and a new name are written.
  std::ostringstream out, err;
  EXPECT_EQ(RunPacker({hello, "--data", "-o", dir / "kept"}, out, err), 0) << err.str();
  EXPECT_GT(fs::file_size(dir / "kept"), 3u);
  EXPECT_EQ(RunPacker({hello, "--data", "-o", dir / "new"}, out, err), 0) << err.str();
  EXPECT_TRUE(fs::is_regular_file(dir / "new"));
}

// Names in dir that start with "out".
std::vector<std::string> Outputs(const PackTempDir &dir) {
  std::vector<std::string> names;
  for (const auto &e : fs::directory_iterator(dir.Path()))
    if (e.path().filename().string().rfind("out", 0) == 0) names.push_back(e.path().filename().string());
  return names;
}

// Stopped while it writes, the packer removes its temporary file and ends
// by the signal it got.
TEST(PackGuard, InterruptedWriteLeavesNoTemporaryFile) {
  const std::string hello = std::string(QUILLON_SOURCE_DIR) + "/examples/hello";
  for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
    PackTempDir dir;
    const std::string target = dir / "out";
    std::vector<std::string> args = {QUILLON_PACK_PATH, hello, "--data", "-o", target};
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = {"QUILLON_PACK_TEST_STALL_MS=20000"};
    for (char **e = environ; *e != nullptr; ++e) env.emplace_back(*e);
    std::vector<char *> envp;
    for (std::string &e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, QUILLON_PACK_PATH, nullptr, nullptr, argv.data(), envp.data()), 0);

    // Wait for the temporary file to appear.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (Outputs(dir).empty() && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const std::vector<std::string> during = Outputs(dir);
    ASSERT_EQ(during.size(), 1u) << sig;
    EXPECT_EQ(during[0].rfind("out.", 0), 0u) << during[0];

    ASSERT_EQ(::kill(pid, sig), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig << " status " << status;
    EXPECT_TRUE(Outputs(dir).empty()) << sig << ": " << (Outputs(dir).empty() ? "" : Outputs(dir)[0]);
  }
}

}  // namespace
