// Sessions between runner processes on loopback: every copy runs the game of
// tests/games/session headless, in one role, at the same time as the
// others, and prints what it saw.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <filesystem>
#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "../pack/Pack_TempDir.h"
#include "Pack_Main.h"
#include "multiplayer/Net_Ports.h"

namespace {

struct RCopy {
  RCopy(std::string environment, bool ofOtherGame = false) : env(std::move(environment)), otherGame(ofOtherGame) {}
  std::string env;  // VAR=value pairs for this copy
  bool otherGame = false;
  std::string game;   // another packed game than the session game
  std::string args;   // further runner arguments
  int delayMs = 0;    // started this much after the others
  std::string out, err;
  int exitCode = -1;
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

std::string Slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class DPlaySession : public ::testing::Test {
protected:
  void SetUp() override {
    port = FreeServicePort();
    ASSERT_NE(port, 0);
    const std::string source = std::string(QUILLON_SOURCE_DIR) + "/tests/games/session";
    std::ostringstream out, err;
    ASSERT_EQ(RunPacker({source, "-o", dir / "a.dat", "--data"}, out, err), 0) << err.str();
    // The same game under another identifier.
    std::filesystem::copy(source, dir / "other");
    std::string manifest = Slurp(dir / "other/game.json");
    manifest = std::regex_replace(manifest, std::regex("\"game_id\": 7101"), "\"game_id\": 7102");
    dir.Write("other/game.json", manifest);
    ASSERT_EQ(RunPacker({dir / "other", "-o", dir / "b.dat", "--data"}, out, err), 0) << err.str();
  }

  // Starts every copy at once and waits for all of them (each at most 20 s).
  void RunAll(std::vector<RCopy> &copies) {
    std::vector<std::thread> threads;
    for (size_t i = 0; i < copies.size(); ++i) {
      threads.emplace_back([this, &copies, i] {
        RCopy &c = copies[i];
        const std::string work = dir / ("work" + std::to_string(i));
        std::filesystem::create_directories(work);
        const std::string game = !c.game.empty() ? c.game : dir / (c.otherGame ? "b.dat" : "a.dat");
        if (c.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(c.delayMs));
        const std::string cmd = "cd '" + work + "' && " + c.env + " QUILLON_NET_PORT=" + std::to_string(port) +
                                " TMPDIR='" + work + "' timeout 20 '" + QUILLON_RUNNER_PATH + "' --headless " + c.args +
                                " '" + game + "' >'" + work + "/out' 2>'" + work + "/err'";
        const int status = std::system(cmd.c_str());
        c.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        c.out = Slurp(work + "/out");
        c.err = Slurp(work + "/err");
      });
    }
    for (std::thread &t : threads) t.join();
  }
  std::string Address() const { return "QN_ADDR=127.0.0.1:" + std::to_string(port); }

  PackTempDir dir;
  uint16_t port = 0;
};

TEST_F(DPlaySession, TwoPlayersFindJoinAndTalk_AnotherGameSeesNothing) {
  // Host and guest look on the local network (loopback in a headless run);
  // the copy of the other game asks the host's address directly.
  std::vector<RCopy> copies = {{"QN_ROLE=host QN_ADDR= QN_MIGRATE=0"}, {"QN_ROLE=guest QN_ADDR="},
                               {"QN_ROLE=stranger " + Address(), true}};
  RunAll(copies);
  for (const RCopy &c : copies) {
    EXPECT_EQ(c.exitCode, 0) << c.err;
    EXPECT_EQ(c.err, "");
  }
  EXPECT_EQ(copies[0].Lines(), (std::vector<std::string>{"host: created, status 1", "host: sees alice and bob",
                                                          "host: answer 42 thanks from bob", "host: players left 1"}));
  EXPECT_EQ(copies[1].Lines(),
            (std::vector<std::string>{"guest: found arena", "guest: joined, status 2", "guest: sees bob and alice",
                                      "guest: 100 messages in order: 1, from alice", "guest: shared shared text",
                                      "guest: answered 1", "guest: told bye"}));
  EXPECT_EQ(copies[2].Lines(), (std::vector<std::string>{"stranger: found 0, join 0"}));
}

TEST_F(DPlaySession, HostLeaves) {
  struct RCase {
    const char *migrate;
    std::vector<std::string> stayer;
  };
  const RCase cases[] = {
      // The host moves: the two guests still reach each other.
      {"1",
       {"stayer: found arena", "stayer: sees 3 players", "stayer: players after the host left 2", "stayer: sent 1",
        "stayer: got 1 from the other guest", "stayer: status 2"}},
      // The session ends with its host: each guest is alone and reaches nobody.
      {"0",
       {"stayer: found arena", "stayer: sees 3 players", "stayer: players after the host left 1", "stayer: sent 0",
        "stayer: status 2"}},
  };
  for (const RCase &c : cases) {
    SCOPED_TRACE(std::string("migrate ") + c.migrate);
    const std::string mode = std::string(" QN_MIGRATE=") + c.migrate + " ";
    std::vector<RCopy> copies = {{"QN_ROLE=leaver" + mode + Address()},
                                 {"QN_ROLE=stayer QN_NAME=bob" + mode + Address()},
                                 {"QN_ROLE=stayer QN_NAME=carol" + mode + Address()}};
    RunAll(copies);
    for (const RCopy &copy : copies) {
      EXPECT_EQ(copy.exitCode, 0) << copy.err;
      EXPECT_EQ(copy.err, "");
    }
    EXPECT_EQ(copies[0].Lines(), (std::vector<std::string>{"leaver: sees 3 players", "leaver: left"}));
    EXPECT_EQ(copies[1].Lines(), c.stayer);
    EXPECT_EQ(copies[2].Lines(), c.stayer);
  }
}

// The bundled two-player example: the second copy finds the first on this
// machine and joins it; each sees the other's player.
TEST_F(DPlaySession, TheDuelExampleFindsItsSecondCopy) {
  std::ostringstream out, err;
  ASSERT_EQ(RunPacker({std::string(QUILLON_SOURCE_DIR) + "/examples/duel", "-o", dir / "duel.dat", "--data"}, out, err),
            0)
      << err.str();
  std::vector<RCopy> copies = {{""}, {""}};
  copies[0].game = copies[1].game = dir / "duel.dat";
  copies[0].args = "--paced --steps 60";
  copies[1].args = "--paced --steps 30";
  copies[1].delayMs = 600;
  RunAll(copies);
  for (const RCopy &c : copies) {
    EXPECT_EQ(c.exitCode, 0) << c.err;
    EXPECT_EQ(c.err, "");
  }
  // Who leaves first is a matter of timing; what comes before is not.
  std::vector<std::string> host = copies[0].Lines(), guest = copies[1].Lines();
  host.resize(2);
  guest.resize(2);
  EXPECT_EQ(host, (std::vector<std::string>{"hosting a duel as player 1: start a second copy to join", "sees player 2"}));
  EXPECT_EQ(guest, (std::vector<std::string>{"joined duel as player 2", "sees player 1"}));
}

}  // namespace
