// A session recorded and replayed: a game that draws random numbers and
// reads the keyboard, the mouse and a joystick is run with --record (its
// input fed by a script), then replayed from the recording. Output and
// every step's digest agree; a changed input makes the digests part from
// the step of the change on.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../support/Game_Run.h"

namespace {

const char kGame[] = R"({"game_id": 7,
  "objects": [{"name": "obj", "events": [
    {"type": "create", "actions": [{"code": "total = 0; n = 0; hits = ds_list_create(); show_debug_message(\"start \" + string(irandom(1000)));"}]},
    {"type": "keypress", "number": 32, "actions": [{"code": "total += irandom(100); ds_list_add(hits, n);"}]},
    {"type": "mouse", "number": 53, "actions": [{"code": "x = mouse_x; y = mouse_y; show_debug_message(\"click \" + string(x) + \",\" + string(y) + \" \" + string(random(1)));"}]},
    {"type": "step", "actions": [{"code": "n += 1; if (joystick_check_button(1, 1)) total += 1; if (keyboard_string != \"\") { show_debug_message(\"typed \" + keyboard_string); keyboard_string = \"\"; }"}]},
    {"type": "other", "number": 3, "actions": [{"code": "show_debug_message(\"total \" + string(total) + \" hits \" + string(ds_list_size(hits)));"}]}
  ]}],
  "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0}]}]})";

const char kFeed[] =
    "3 key down 32\n4 key up 32\n"
    "5 mouse move 40 30\n5 mouse down left\n6 mouse up left\n"
    "8 text \"hi\"\n"
    "9 joystick 1 button 1 down\n11 joystick 1 button 1 up\n"
    "12 key down 32\n12 key up 32\n"
    "14 mouse move 7 9\n14 mouse down left\n14 mouse up left\n";

std::string Slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> LinesOf(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The first step whose digest differs; 0 when none does.
int FirstDifference(const std::vector<std::string> &a, const std::vector<std::string> &b) {
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
    if (a[i] != b[i]) return std::stoi(a[i].substr(0, a[i].find(' ')));
  return 0;
}

TEST(Replay, RecordedSessionReplaysStepByStep) {
  CGameProject project(kGame);
  project.Dir().Write("work/feed.txt", kFeed);
  const RGameRun first = project.Run("--input feed.txt --record rec.txt --digest d1.txt --steps 20");
  ASSERT_TRUE(first.packed) << first.packMessages;
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.err, "");
  const std::string work = project.WorkDir() + "/";
  const std::string record = Slurp(work + "rec.txt");
  ASSERT_NE(record.find("\nseed "), std::string::npos) << record;
  // The session did what the feed asked.
  const std::vector<std::string> out = first.Lines();
  ASSERT_EQ(out.size(), 5u) << first.out;
  EXPECT_EQ(out[1].rfind("click 40,30 ", 0), 0u);
  EXPECT_EQ(out[2], "typed hi");
  EXPECT_EQ(out[3].rfind("click 7,9 ", 0), 0u);
  EXPECT_EQ(out[4].rfind("total ", 0), 0u);
  EXPECT_NE(out[4].find(" hits 2"), std::string::npos);

  const RGameRun replay = project.Run("--input rec.txt --digest d2.txt --steps 20");
  ASSERT_EQ(replay.exitCode, 0) << replay.err;
  EXPECT_EQ(replay.out, first.out);
  const std::vector<std::string> d1 = LinesOf(Slurp(work + "d1.txt")), d2 = LinesOf(Slurp(work + "d2.txt"));
  ASSERT_EQ(d1.size(), 20u);
  EXPECT_EQ(d1, d2);

  // The second press of space moved from step 12 to step 13: the same up
  // to step 11, different from step 12 on.
  std::string changed = record;
  const size_t at = changed.find("\n12 key down 32\n");
  ASSERT_NE(at, std::string::npos) << record;
  changed.replace(at, 16, "\n13 key down 32\n");
  const size_t up = changed.find("\n12 key up 32\n");
  ASSERT_NE(up, std::string::npos) << record;
  changed.replace(up, 14, "\n13 key up 32\n");
  project.Dir().Write("work/changed.txt", changed);
  const RGameRun other = project.Run("--input changed.txt --digest d3.txt --steps 20");
  ASSERT_EQ(other.exitCode, 0) << other.err;
  const std::vector<std::string> d3 = LinesOf(Slurp(work + "d3.txt"));
  ASSERT_EQ(d3.size(), d1.size());
  EXPECT_EQ(FirstDifference(d1, d3), 12);
  // The list remembers the step of each press, so the runs stay apart.
  for (size_t i = 11; i < d1.size(); ++i) EXPECT_NE(d1[i], d3[i]) << "step " << i + 1;
}

// A player's run with a window (offscreen): keys the game injects reach the
// window's event queue and are recorded where the game saw them; the
// headless replay prints the same.
TEST(Replay, WindowRunRecordsWhatTheWindowDelivered) {
  CGameProject project(R"({"game_id": 8,
    "objects": [{"name": "obj", "events": [
      {"type": "create", "actions": [{"code": "n = 0;"}]},
      {"type": "keypress", "number": 75, "actions": [{"code": "show_debug_message(\"K at \" + string(n) + \" \" + string(irandom(99)));"}]},
      {"type": "step", "actions": [{"code": "n += 1; if (n == 3 || n == 6) keyboard_key_press(ord(\"K\")); if (n == 4 || n == 7) keyboard_key_release(ord(\"K\")); if (n == 8) { keyboard_key_press(ord(\"K\")); io_handle(); show_debug_message(\"held \" + string(keyboard_check(ord(\"K\")))); }"}]}
    ]}],
    "rooms": [{"name": "r", "speed": 1000, "instances": [{"x": 0, "y": 0, "object": 0}]}]})");
  const RGameRun live = project.RunOffscreen("--record rec.txt --steps 10");
  ASSERT_TRUE(live.packed) << live.packMessages;
  ASSERT_EQ(live.exitCode, 0) << live.err;
  const std::vector<std::string> lines = live.Lines();
  ASSERT_EQ(lines.size(), 3u) << live.out;
  EXPECT_EQ(lines[0].rfind("K at 3 ", 0), 0u);
  EXPECT_EQ(lines[1].rfind("K at 6 ", 0), 0u);
  EXPECT_EQ(lines[2], "held 1");
  const std::string record = Slurp(project.WorkDir() + "/rec.txt");
  EXPECT_NE(record.find("\n4 key down 75\n"), std::string::npos) << record;
  EXPECT_NE(record.find("\n8.1 key down 75\n"), std::string::npos) << record;

  const RGameRun replay = project.Run("--input rec.txt --steps 10");
  ASSERT_EQ(replay.exitCode, 0) << replay.err;
  EXPECT_EQ(replay.out, live.out);
}

}  // namespace
