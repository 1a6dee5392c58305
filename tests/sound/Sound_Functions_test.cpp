// The sound family as games call it: through the function table, with the
// texts it reports.
#include <filesystem>
#include <fstream>

#include "base/Support_File.h"
#include "functions/Function_Action.h"
#include "functions/Function_Init.h"
#include "runner/Runner_Wire.h"
#include "sound/Sound_Test_Support.h"

namespace soundtest {
namespace {

class SoundFunctions : public SoundMix {
protected:
  void SetUp() override {
    SoundMix::SetUp();
    FunctionTableReset();
    Sound_RegisterFunctions();
    Function_Action_Init();
  }
  void TearDown() override {
    // The whole table again, as the runner and the packer's check have it.
    FunctionTableReset();
    Runner_AddFamilies();
    Function_RegisterFamilies();
    SoundMix::TearDown();
  }

  RValue Call(std::string_view name, std::initializer_list<RValue> args = {}) {
    const int32_t id = FunctionFind(name);
    EXPECT_GE(id, 0) << name;
    if (id < 0) return {};
    RValue block[kMaxCallArguments];
    int argc = 0;
    for (const RValue &a : args) block[argc++] = a;
    RValue result;
    FunctionRoutine(id)(nullptr, nullptr, argc, block, result);
    return result;
  }
};

RValue R(double v) { return RValue::Real(v); }
RValue S(std::string_view s) { return RValue::Str(RString(s)); }

struct RTextCase {
  const char *function;
  std::vector<RValue> args;
  const char *error;  // "" for none
  RValue result;
};

TEST_F(SoundFunctions, InvalidSoundsAndTheirTexts) {
  const int32_t real = Add(SineWav(50));  // index 0; 1 and -1 name nothing
  constexpr const char *kNone = "Sound does not exist.";
  const std::vector<RTextCase> cases = {
      {"sound_play", {R(1)}, kNone, R(0)},
      {"sound_loop", {R(-1)}, kNone, R(0)},
      {"sound_stop", {R(1)}, kNone, R(0)},
      {"sound_volume", {R(1), R(1)}, kNone, R(0)},
      {"sound_fade", {R(1), R(1), R(100)}, kNone, R(0)},
      {"sound_pan", {R(1), R(0)}, kNone, R(0)},
      {"sound_effect_set", {R(1), R(1)}, kNone, R(0)},
      {"sound_effect_echo", {R(1), R(50), R(50), R(100), R(100), R(0)}, kNone, R(0)},
      {"sound_3d_set_sound_position", {R(1), R(0), R(0), R(0)}, kNone, R(0)},
      {"sound_isplaying", {R(1)}, "", R(0)},
      {"sound_exists", {R(1)}, "", R(0)},
      {"sound_exists", {R(real)}, "", R(1)},
      {"sound_name", {R(1)}, "", S("<undefined>")},
      {"sound_get_name", {R(real)}, "", S("snd0")},
      {"sound_get_kind", {R(-1)}, "", R(-1)},
      {"sound_get_preload", {R(7)}, "", R(-1)},
      {"sound_discard", {R(1)}, "", R(0)},
      {"sound_restore", {R(1)}, "", R(0)},
      {"sound_replace", {R(1), S("x.wav"), R(0), R(1)}, "Trying to replace non-existing sound.", R(0)},
      {"sound_delete", {R(1)}, "Trying to delete non-existing sound.", R(0)},
      {"action_sound", {R(1), R(0)}, "Trying to play non-existing sound.", R(0)},
      {"action_end_sound", {R(1)}, "Trying to stop non-existing sound.", R(0)},
      {"cd_present", {}, "", R(0)},
      {"cd_number", {}, "", R(0)},
      {"cd_track_length", {R(1)}, "", R(0)},
      {"cd_play", {R(0), R(99)}, "", R(0)},
      {"MCI_command", {S("status cdaudio mode")}, "", S("")},
  };
  for (const RTextCase &c : cases) {
    SCOPED_TRACE(c.function);
    RValue block[kMaxCallArguments];
    std::copy(c.args.begin(), c.args.end(), block);
    RValue result;
    const int32_t id = FunctionFind(c.function);
    ASSERT_GE(id, 0);
    FunctionRoutine(id)(nullptr, nullptr, static_cast<int>(c.args.size()), block, result);
    const std::vector<std::string> errors = TakeErrors();
    if (*c.error) EXPECT_EQ(errors, std::vector<std::string>{c.error});
    else EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(result.kind, c.result.kind);
    EXPECT_EQ(result.val, c.result.val);
    EXPECT_EQ(result.str.str(), c.result.str.str());
  }
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(SoundFunctions, AddReplaceDiscardRestoreDelete) {
  const std::string dir = testing::TempDir();
  const std::string wav = dir + "/quillon_sound_add.wav", notes = dir + "/quillon_sound_add.mid";
  for (const auto &[path, bytes] : {std::pair{wav, SineWav(200)}, std::pair{notes, ShortMidi()}}) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  Add(SineWav(50));
  EXPECT_EQ(Call("sound_add", {S(dir + "/missing.wav"), R(0), R(1)}).val, -1);
  EXPECT_EQ(g_Sounds.Count(), 1);
  const int32_t s = static_cast<int32_t>(Call("sound_add", {S(wav), R(0), R(0)}).val);
  ASSERT_EQ(s, 1);
  EXPECT_EQ(Call("sound_name", {R(s)}).str.str(), "__newsound1");
  EXPECT_EQ(Call("sound_get_preload", {R(s)}).val, 0);
  EXPECT_EQ(Sound_Get(s)->s_soundid, -1);  // loads on first play
  EXPECT_EQ(Sound_Get(s)->s_origname, "quillon_sound_add.wav");
  EXPECT_EQ(Sound_Get(s)->s_extension, ".wav");
  Call("sound_play", {R(s)});
  EXPECT_EQ(Call("sound_isplaying", {R(s)}).val, 1);

  Call("sound_discard", {R(s)});
  EXPECT_EQ(Sound_Get(s)->s_soundid, -1);
  EXPECT_EQ(Call("sound_isplaying", {R(s)}).val, 0);
  ASSERT_NE(Sound_Get(s)->s_sound, nullptr);  // the data stays
  Call("sound_restore", {R(s)});
  EXPECT_GE(Sound_Get(s)->s_soundid, 0);

  EXPECT_EQ(Call("sound_replace", {R(s), S(dir + "/missing.wav"), R(1), R(1)}).val, 0);
  EXPECT_EQ(Sound_Get(s)->s_kind, 0);
  EXPECT_EQ(Call("sound_replace", {R(s), S(notes), R(1), R(1)}).val, 1);
  EXPECT_EQ(Call("sound_get_kind", {R(s)}).val, 1);
  EXPECT_EQ(Sound_Get(s)->s_extension, ".mid");

  Call("sound_delete", {R(s)});
  EXPECT_EQ(Call("sound_exists", {R(s)}).val, 0);
  EXPECT_EQ(g_Sounds.Count(), 2);  // the slot stays, empty
  EXPECT_TRUE(TakeErrors().empty());
  RemovePlainFile(wav);
  RemovePlainFile(notes);
}

TEST_F(SoundFunctions, TheNumbersOfTheScale) {
  const int32_t s = Add(SineWav(50));
  Call("sound_volume", {R(s), R(0.5)});
  EXPECT_EQ(Sound_PathVolume(s), -4800);
  Call("sound_volume", {R(s), R(0)});
  EXPECT_EQ(Sound_PathVolume(s), -9600);
  Call("sound_pan", {R(s), R(-0.25)});
  EXPECT_EQ(Sound_PathPan(s), -2500);
  Call("sound_global_volume", {R(2)});
  EXPECT_EQ(Sound_MasterVolume(), 1000);
  Call("sound_global_volume", {R(0)});
  EXPECT_EQ(Sound_MasterVolume(), -10000);
  Call("sound_background_tempo", {R(0)});
  EXPECT_EQ(Sound_Tempo(), 0.01);
}

// An output with no device behind it.
class CNoDevice : public CHeadlessAudio {
public:
  bool Open(std::string &error) override {
    ++opens;
    error = "none";
    return false;
  }
  int opens = 0;
};

TEST_F(SoundFunctions, NoDeviceSaysSoOnceThenSilence) {
  CNoDevice none;
  testplatform::SetAudio(&none);
  TempDir_Set(testing::TempDir());
  const int32_t a = Add(SineWav(50)), b = Add(SineWav(50), 1);
  Sound_Prepare();
  Call("sound_play", {R(a)});
  Call("sound_loop", {R(b)});
  Call("sound_volume", {R(a), R(0.5)});
  EXPECT_EQ(Call("sound_isplaying", {R(a)}).val, 0);
  EXPECT_EQ(window.messages, std::vector<std::string>{"No sound device detected. Sounds might not play."});
  EXPECT_EQ(none.opens, 1);
  EXPECT_TRUE(TakeErrors().empty());
  // Restoring still moves the data to a file of the media player.
  EXPECT_EQ(Sound_Get(a)->s_kind, 3);
  EXPECT_FALSE(Sound_Get(a)->s_fname.empty());
  for (int32_t s : {a, b}) RemovePlainFile(Sound_Get(s)->s_fname);
  Sound_ResetState();
  TempDir_Set("");
}

TEST_F(SoundFunctions, LongMediaFileNamesAreRefusedEachTime) {
  const std::string dir = testing::TempDir() + "/" + std::string(130, 'd');
  std::filesystem::create_directories(dir);
  TempDir_Set(dir);
  const int32_t s = Add(SineWav(50), 3);
  Call("sound_play", {R(s)});
  Call("sound_loop", {R(s)});
  EXPECT_EQ(window.messages, std::vector<std::string>(2, "Music file name too long for player."));
  EXPECT_EQ(Call("sound_isplaying", {R(s)}).val, 0);
  Sound_ResetState();
  TempDir_Set("");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace soundtest
