// Packs a small game project written by a test and runs it headless in its
// own runner process, collecting what the game printed. The project folder
// and the working directory of the run are one scratch folder, removed
// afterwards.
#pragma once

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "../pack/Pack_TempDir.h"
#include "Pack_Main.h"

struct RGameRun {
  bool packed = false;
  std::string packMessages;   // what the packer said when it failed
  int exitCode = -1;
  std::string out;            // standard output of the runner
  std::string err;            // standard error of the runner
  // Standard output split into lines.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

class CGameProject {
public:
  // The project's manifest; further files with Write.
  explicit CGameProject(const std::string &manifest) { m_dir.Write("project/game.json", manifest); }

  void Write(const std::string &rel, const std::string &content) const { m_dir.Write("project/" + rel, content); }
  // Packs the game even when its code does not compile, for tests of what
  // the runner makes of such code.
  void PackUnchecked() { m_packArgs.push_back("--no-check"); }
  // The working directory of the run (included files land here).
  std::string WorkDir() const { return m_dir / "work"; }
  const PackTempDir &Dir() const { return m_dir; }

  // Packs the project to a bare data file and runs it with --headless and
  // the extra arguments, in WorkDir().
  RGameRun Run(const std::string &extraArgs = "") const { return RunFolder(m_dir / "project", extraArgs); }

  // The same for a project folder elsewhere (the project file above is not used).
  RGameRun RunFolder(const std::string &project, const std::string &extraArgs = "") const {
    return Launch(project, "", "--headless " + extraArgs);
  }

  // Packs the project and runs it as a player would, with a window, but on
  // SDL's offscreen driver (and no sound card): every frame is drawn as in a
  // window, so what the game saves of the screen is the real picture.
  RGameRun RunOffscreen(const std::string &extraArgs = "") const {
    return Launch(m_dir / "project", "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ", extraArgs);
  }

private:
  RGameRun Launch(const std::string &project, const std::string &environment, const std::string &runArgs) const {
    RGameRun run;
    std::ostringstream out, err;
    const std::string data = m_dir / "game.dat";
    std::vector<std::string> packArgs = {project, "-o", data, "--data", "--seed", "1"};
    packArgs.insert(packArgs.end(), m_packArgs.begin(), m_packArgs.end());
    run.packed = RunPacker(packArgs, out, err) == 0;
    run.packMessages = err.str();
    if (!run.packed) return run;
    std::filesystem::create_directories(WorkDir());
    const std::string outFile = m_dir / "stdout.txt", errFile = m_dir / "stderr.txt";
    const std::string cmd = "cd '" + WorkDir() + "' && " + environment + "TMPDIR='" + m_dir.Path() + "' timeout 60 '" +
                            QUILLON_RUNNER_PATH + "' " + runArgs + " '" + data + "' >'" + outFile + "' 2>'" + errFile + "'";
    const int status = std::system(cmd.c_str());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = Slurp(outFile);
    run.err = Slurp(errFile);
    return run;
  }

  static std::string Slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  PackTempDir m_dir;
  std::vector<std::string> m_packArgs;
};

// A game, how to run it and the lines it must print: one row of the tables
// of packed games.
struct RGameCase {
  const char *name;
  std::string manifest;
  const char *args;
  std::vector<std::string> expected;
};

// Packs and runs the case's game; it must end cleanly, print nothing on
// standard error and print exactly the expected lines.
inline void ExpectGamePrints(const RGameCase &c) {
  CGameProject project(c.manifest);
  const RGameRun run = project.Run(c.args);
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.Lines(), c.expected);
}

// The test name of a case row.
inline std::string GameCaseName(const ::testing::TestParamInfo<RGameCase> &p) { return p.param.name; }
