// Sound in a packed game run by the runner: the packer takes the sounds,
// the runner installs the step-driven mix, the script functions and the
// actions reach the engine.
#include <filesystem>
#include <fstream>

#include "sound/Sound_Test_Support.h"
#include "support/Game_Run.h"

namespace soundtest {
namespace {

std::string Bytes(const std::vector<uint8_t> &b) { return std::string(b.begin(), b.end()); }

std::string Manifest(const std::string &create, const std::string &step, int speed = 10) {
  return R"({"game_id": 7,
    "sounds": [{"name": "snd_beep", "file": "beep.wav", "volume": 0.5},
               {"name": "snd_tune", "file": "tune.mid", "kind": "background", "preload": false}],
    "objects": [{"name": "o", "events": [
      {"type": "create", "actions": [{"code": ")" + create + R"("}]},
      {"type": "step", "actions": [{"code": ")" + step + R"("}]}]}],
    "rooms": [{"name": "r", "speed": )" + std::to_string(speed) + R"(, "instances": [{"object": "o", "x": 0, "y": 0}]}]})";
}

void WriteSounds(const CGameProject &p) {
  p.Write("beep.wav", Bytes(SineWav(250)));
  p.Write("tune.mid", Bytes(ShortMidi()));
}

TEST(SoundGame, PlaysStepByStepTheSameEveryRun) {
  const CGameProject p(Manifest(
      "sound_play(snd_beep); show_debug_message(string(sound_get_kind(snd_tune)) + string(sound_get_preload(snd_tune)));",
      "show_debug_message(string(sound_isplaying(snd_beep)));"));
  WriteSounds(p);
  const RGameRun first = p.Run("--steps 5");
  ASSERT_TRUE(first.packed) << first.packMessages;
  EXPECT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.err, "");
  // 100 ms a step, each step asking before its own 100 ms are mixed: a
  // quarter of a second plays through the first three.
  EXPECT_EQ(first.Lines(), (std::vector<std::string>{"10", "1", "1", "1", "0", "0"}));
  EXPECT_EQ(p.Run("--steps 5").out, first.out);
}

TEST(SoundGame, ActionsReportMissingSounds) {
  const std::string code =
      "action_sound(99, 0); action_end_sound(99); sound_delete(99); show_debug_message(MCI_command('open cdaudio'));";
  const CGameProject p(Manifest(code, ""));
  WriteSounds(p);
  const RGameRun run = p.Run("--steps 1");
  ASSERT_TRUE(run.packed) << run.packMessages;
  for (const char *text : {"Trying to play non-existing sound.", "Trying to stop non-existing sound.",
                           "Trying to delete non-existing sound."})
    EXPECT_NE(run.err.find(text), std::string::npos) << text << "\n" << run.err;
  EXPECT_EQ(run.Lines(), std::vector<std::string>{""});
}

TEST(SoundGame, AudioOutWritesTheMix) {
  const CGameProject p(Manifest("sound_play(snd_beep);", ""));
  WriteSounds(p);
  const std::string wav = p.WorkDir() + "/mix.wav";
  for (const bool headless : {true, false}) {
    SCOPED_TRACE(headless ? "headless" : "a player's run");
    const RGameRun run = headless ? p.Run("--steps 4 --audio-out '" + wav + "'")
                                  : p.RunOffscreen("--steps 4 --audio-out '" + wav + "'");
    ASSERT_TRUE(run.packed) << run.packMessages;
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::ifstream in(wav, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(file.size(), 44u);
    // RIFF WAVE, 2 channels, 44100 Hz, 16 bits; 4 steps of 4410 frames
    // and the final one.
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
    EXPECT_EQ(file[22], 2);
    const std::string tail(file.end() - 8, file.end());
    size_t data = 0;
    for (size_t i = 12; i + 8 <= file.size();) {
      const uint32_t size = file[i + 4] | file[i + 5] << 8 | file[i + 6] << 16 | uint32_t(file[i + 7]) << 24;
      if (std::string(file.begin() + static_cast<ptrdiff_t>(i), file.begin() + static_cast<ptrdiff_t>(i) + 4) == "data") {
        data = size;
        // The beep at half volume is 48 dB down: small but not silent.
        int peak = 0;
        for (size_t k = i + 8; k + 1 < i + 8 + size && k + 1 < file.size(); k += 2)
          peak = std::max(peak, std::abs(static_cast<int>(static_cast<int16_t>(file[k] | file[k + 1] << 8))));
        EXPECT_GT(peak, 30);
        EXPECT_LT(peak, 300);
        break;
      }
      i += 8 + size;
    }
    EXPECT_GE(data, 4u * 4410 * 4);
    std::remove(wav.c_str());
  }
}

TEST(SoundGame, AudioOutThatCannotBeWrittenIsSaidAndLeavesNothing) {
  const CGameProject p(Manifest("sound_play(snd_beep);", ""));
  WriteSounds(p);
  const std::string wav = p.WorkDir() + "/no/such/folder/mix.wav";
  const RGameRun run = p.Run("--steps 2 --audio-out '" + wav + "'");
  ASSERT_TRUE(run.packed) << run.packMessages;
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.err.find("quillon: could not write the sound to " + wav), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(wav + ".part"));
}

}  // namespace
}  // namespace soundtest
