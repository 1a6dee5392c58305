// What the engine plays, measured on the loopback mix.
#include <algorithm>
#include <fstream>
#include <limits>
#include <iterator>

#include "base/Support_File.h"
#include "sound/Sound_Test_Support.h"

namespace soundtest {
namespace {

// Frames of the first 50 ms, skipped where a level is measured.
constexpr size_t kSettle = 2205;

std::vector<uint8_t> Mp3Fixture() {
  std::ifstream in(std::string(QUILLON_SOURCE_DIR) + "/tests/sound/fixtures/sine440.mp3", std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(SoundMix, HalfVolumeIsFortyEightDecibelsDown) {
  const auto level = [&](double volume) {
    const auto out = Fresh(
        [&] {
          const int32_t s = Add(SineWav(300));
          Sound_SetVolume(s, volume, 0);
          EXPECT_EQ(Sound_PathVolume(s), static_cast<int32_t>(std::lround(volume * 9600)) - 9600);
          Sound_Play(s, false);
        },
        200);
    return Rms(out, 0, kSettle);
  };
  const double full = level(1), half = level(0.5);
  ASSERT_GT(full, 0.3);  // a sine of amplitude 0.5 has an RMS of 0.354
  EXPECT_NEAR(Db(half / full), -48.0, 0.5);
  // 0 is -9600: the bottom of the scale, all but silent.
  EXPECT_NEAR(Db(level(0) / full), -96.0, 0.5);
}

TEST_F(SoundMix, PanTakesDecibelsOffTheFarSide) {
  const auto play = [&](double pan) {
    return Fresh(
        [&] {
          const int32_t s = Add(SineWav(300));
          Sound_SetPan(s, pan);
          Sound_Play(s, false);
        },
        200);
  };
  const auto centre = play(0), left = play(-1), half = play(0.5);
  EXPECT_GT(Rms(left, 0, kSettle), 0.3);
  EXPECT_NEAR(Rms(left, 0, kSettle), Rms(centre, 0, kSettle), 1e-6);
  EXPECT_EQ(Rms(left, 1), 0.0);
  // 0.5: the left side loses 5000 hundredths of a decibel, the right none.
  EXPECT_NEAR(Db(Rms(half, 0, kSettle) / Rms(centre, 0, kSettle)), -50.0, 0.5);
  EXPECT_NEAR(Rms(half, 1, kSettle), Rms(centre, 1, kSettle), 1e-6);
}

TEST_F(SoundMix, LoopedSoundOutlastsItsLengthAPlainOneStops) {
  const int32_t plain = Add(SineWav(100)), looped = Add(SineWav(100));
  Sound_Play(plain, false);
  Sound_Play(looped, true);
  EXPECT_TRUE(Sound_IsPlaying(plain));
  // Step by step, as a game runs: 30 steps a second.
  for (int i = 0; i < 9; ++i) Sound_Step(1000000 / 30);
  EXPECT_FALSE(Sound_IsPlaying(plain));
  EXPECT_TRUE(Sound_IsPlaying(looped));
  EXPECT_GT(Rms(Render(100), 0), 0.3);
  Sound_Stop(looped);
  EXPECT_FALSE(Sound_IsPlaying(looped));
  EXPECT_EQ(Rms(Render(50), 0), 0.0);
}

TEST_F(SoundMix, NormalSoundsMixABackgroundReplacesTheOther) {
  const auto one = Fresh([&] { Sound_Play(Add(SineWav(300)), false); }, 200);
  const auto two = Fresh(
      [&] {
        const int32_t a = Add(SineWav(300)), b = Add(SineWav(300));
        Sound_Play(a, false);
        Sound_Play(b, false);
        EXPECT_TRUE(Sound_IsPlaying(a) && Sound_IsPlaying(b));
      },
      200);
  // The same sine twice, in phase: twice the amplitude.
  EXPECT_NEAR(Db(Rms(two, 0, kSettle) / Rms(one, 0, kSettle)), 6.02, 0.1);

  Fresh();
  const int32_t first = Add(SineWav(500), 1), second = Add(SineWav(500), 1);
  Sound_Play(first, true);
  Render(50);
  Sound_Play(second, false);
  EXPECT_FALSE(Sound_IsPlaying(first));
  EXPECT_TRUE(Sound_IsPlaying(second));
  EXPECT_NEAR(Rms(Render(200), 0, kSettle), Rms(one, 0, kSettle), 0.01);
}

struct REffectCase {
  const char *name;
  int32_t bit;
  std::vector<double> params;  // for Sound_SetEffectParams; none for the defaults
};

class SoundEffects : public SoundMix, public ::testing::WithParamInterface<REffectCase> {};

TEST_P(SoundEffects, ChangesTheSignalAndNoneRestoresIt) {
  const REffectCase &c = GetParam();
  const auto play = [&](int32_t effects, bool thenNone) {
    return Fresh(
        [&] {
          const int32_t s = Add(SineWav(400));
          Sound_SetEffects(s, effects);
          if (!c.params.empty()) Sound_SetEffectParams(s, c.bit, c.params.data(), static_cast<int>(c.params.size()));
          if (thenNone) Sound_SetEffects(s, 0);
          Sound_Play(s, false);
        },
        300);
  };
  const auto dry = play(0, false);
  ASSERT_GT(audio->MaxEffects(), 0) << "no effects extension";
  const auto wet = play(c.bit, false), restored = play(c.bit, true);
  EXPECT_GT(MaxDifference(dry, wet), 0.02);
  EXPECT_LT(MaxDifference(dry, restored), 1e-6);
}

INSTANTIATE_TEST_SUITE_P(
    EachEffect, SoundEffects,
    ::testing::Values(REffectCase{"chorus", 1, {}}, REffectCase{"echo", 2, {50, 50, 100, 100, 0}},
                      REffectCase{"flanger", 4, {}}, REffectCase{"gargle", 8, {}}, REffectCase{"reverb", 16, {}},
                      REffectCase{"compressor", 32, {}}, REffectCase{"equalizer", 64, {440, 12, -15}},
                      REffectCase{"distortion", 128, {}}),
    [](const ::testing::TestParamInfo<REffectCase> &p) { return std::string(p.param.name); });

// Whatever numbers a game gives the effects, the mix goes on: no crash of
// the library, no value that is not a number in the output.
TEST_F(SoundMix, WildEffectParametersAreHeldToWhatTheMixerTakes) {
  const double inf = std::numeric_limits<double>::infinity();
  for (const double v : {-1e9, -96.0, 0.0, 0.001, 1e9, inf, std::nan("")}) {
    SCOPED_TRACE(v);
    const auto out = Fresh(
        [&] {
          const int32_t s = Add(SineWav(200));
          Sound_SetEffects(s, 511);
          const double params[7] = {v, v, v, v, v, v, v};
          for (int32_t kind : {1, 2, 4, 8, 16, 32, 64}) Sound_SetEffectParams(s, kind, params, 7);
          Sound_Play(s, true);
        },
        300);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float f) { return std::isfinite(f); }));
  }
}

// Sounds with the same effects feed one effect slot: the mix is the same
// as with a slot each, the sum of each sound played alone.
TEST_F(SoundMix, SoundsWithTheSameEffectsMixAsTheSumOfEach) {
  const auto play = [&](bool a, bool b) {
    return Fresh(
        [&] {
          const int32_t sa = Add(SineWav(300, 440)), sb = Add(SineWav(300, 660));
          for (int32_t s : {sa, sb}) Sound_SetEffects(s, 1 | 16);
          if (a) Sound_Play(sa, false);
          if (b) Sound_Play(sb, false);
        },
        400);
  };
  const auto both = play(true, true), first = play(true, false), second = play(false, true);
  std::vector<float> sum(first.size());
  for (size_t i = 0; i < sum.size(); ++i) sum[i] = first[i] + second[i];
  EXPECT_GT(Rms(both, 0), 0.3);
  EXPECT_LT(MaxDifference(both, sum), 1e-4);
}

TEST_F(SoundMix, EqualizerBitMakesTwoBandsAndTheParametersChangeTheFirst) {
  const int32_t s = Add(SineWav(100));
  Sound_SetEffects(s, 64 | 1);
  const double params[] = {440, 6, -10};
  Sound_SetEffectParams(s, 64, params, 3);
  const std::vector<RAudioEffect> chain = Sound_Chain(s);
  ASSERT_EQ(chain.size(), 3u);
  EXPECT_EQ(chain[0].kind, 1);
  EXPECT_EQ(chain[1].kind, 64);
  EXPECT_EQ(chain[2].kind, 64);
  EXPECT_EQ(chain[1].params[0], 440);
  EXPECT_EQ(chain[2].params[0], 8000);
  // No reverb in the chain: its parameters go nowhere.
  Sound_SetEffectParams(s, 16, params, 3);
  EXPECT_EQ(Sound_Chain(s).size(), 3u);
}

TEST_F(SoundMix, MidiAndMp3Sound) {
  const auto midi = Fresh([&] { Sound_Play(Add(ShortMidi(), 1, ".mid"), false); }, 300);
  EXPECT_GT(Rms(midi, 0), 0.005);
  const std::vector<uint8_t> mp3 = Mp3Fixture();
  ASSERT_FALSE(mp3.empty());
  const auto decoded = Fresh([&] { Sound_Play(Add(mp3, 0, ".mp3"), false); }, 300);
  EXPECT_GT(Rms(decoded, 0, kSettle), 0.2);
}

TEST_F(SoundMix, MidiEndsAndLoops) {
  const int32_t plain = Add(ShortMidi(), 1, ".mid");
  Sound_Play(plain, false);
  for (int i = 0; i < 3; ++i) Sound_Step(100000);
  EXPECT_TRUE(Sound_IsPlaying(plain));
  // Half a second of notes, then at most a second for them to die away.
  for (int i = 0; i < 17; ++i) Sound_Step(100000);
  EXPECT_FALSE(Sound_IsPlaying(plain));
  Sound_Play(plain, true);
  for (int i = 0; i < 20; ++i) Sound_Step(100000);
  EXPECT_TRUE(Sound_IsPlaying(plain));
}

TEST_F(SoundMix, GlobalVolumeClampsAndScalesEverything) {
  const auto level = [&](double global) {
    return Rms(Fresh(
                   [&] {
                     Sound_SetGlobalVolume(global);
                     Sound_Play(Add(SineWav(300)), false);
                   },
                   200),
               0, kSettle);
  };
  const double one = level(1);
  EXPECT_EQ(Sound_MasterVolume(), 1000);
  EXPECT_NEAR(level(2), one, 1e-6);
  EXPECT_EQ(Sound_MasterVolume(), 1000);
  EXPECT_NEAR(Db(level(0.5) / one), -55.0, 0.5);
  EXPECT_EQ(Sound_MasterVolume(), -4500);
  EXPECT_EQ(level(0), 0.0);
  EXPECT_EQ(Sound_MasterVolume(), -10000);
  level(-3);
  EXPECT_EQ(Sound_MasterVolume(), -10000);
}

TEST_F(SoundMix, FadesMoveWithTheSteps) {
  const int32_t s = Add(SineWav(100));
  Sound_SetVolume(s, 0.5, 1000);
  EXPECT_EQ(Sound_PathVolume(s), 0);
  for (int i = 0; i < 5; ++i) Sound_Step(100000);
  EXPECT_EQ(Sound_PathVolume(s), -2400);
  for (int i = 0; i < 6; ++i) Sound_Step(100000);
  EXPECT_EQ(Sound_PathVolume(s), -4800);
}

TEST_F(SoundMix, TempoIsClamped) {
  for (const auto &[factor, expected] : std::vector<std::pair<double, double>>{
           {0, 0.01}, {-5, 0.01}, {0.5, 0.5}, {250, 100}, {std::nan(""), 0.01}}) {
    Sound_SetTempo(factor);
    EXPECT_EQ(Sound_Tempo(), expected) << factor;
  }
}

TEST_F(SoundMix, ThreeDSoundsComeFromWhereTheyArePut) {
  const auto play = [&](double x) {
    return Fresh(
        [&] {
          const int32_t s = Add(SineWav(300), 2);
          const double position[] = {x, 0, 1};
          Sound_Set3D(s, 0, position);
          Sound_Play(s, false);
        },
        200);
  };
  const auto right = play(5), left = play(-5);
  EXPECT_GT(Rms(right, 1, kSettle), 2 * Rms(right, 0, kSettle));
  EXPECT_GT(Rms(left, 0, kSettle), 2 * Rms(left, 1, kSettle));
}

TEST_F(SoundMix, UndecodableSoundFallsBackToTheMediaPlayer) {
  TempDir_Set(testing::TempDir());
  const std::vector<uint8_t> junk = {'n', 'o', 't', ' ', 'a', ' ', 's', 'o', 'u', 'n', 'd'};
  const int32_t s = Add(junk, 0, ".xyz");
  const CSound *sound = Sound_Get(s);
  EXPECT_EQ(sound->s_kind, 3);
  EXPECT_EQ(sound->s_sound, nullptr);
  ASSERT_FALSE(sound->s_fname.empty());
  EXPECT_TRUE(PathIsRegularFile(sound->s_fname));
  Sound_Play(s, false);  // the media player cannot play it either: silence, no error
  EXPECT_FALSE(Sound_IsPlaying(s));
  EXPECT_TRUE(TakeErrors().empty());
  RemovePlainFile(sound->s_fname);
  TempDir_Set("");
}

// Broken sound files neither crash the mixer nor play noise: what cannot
// be decoded goes to the media player, which cannot play it either.
TEST_F(SoundMix, BrokenFilesPlayNothing) {
  TempDir_Set(testing::TempDir());
  std::vector<uint8_t> hugeData = SineWav(20);
  hugeData[40] = hugeData[41] = hugeData[42] = hugeData[43] = 0xFF;  // data chunk claims 4 GiB
  std::vector<uint8_t> cutWav = SineWav(20);
  cutWav.resize(30);
  std::vector<uint8_t> cutMidi = ShortMidi();
  cutMidi.resize(18);
  std::vector<uint8_t> badTrack = ShortMidi();
  badTrack[21] = 0xFF;  // the track claims more bytes than the file has
  // A well-formed file that lasts no time: looping it must not hang.
  const std::vector<uint8_t> noTime = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
                                       'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0};
  const std::vector<std::pair<std::vector<uint8_t>, std::string>> cases = {
      {hugeData, ".wav"}, {cutWav, ".wav"}, {cutMidi, ".mid"}, {badTrack, ".mid"}, {noTime, ".mid"},
      {{'O', 'g', 'g', 'S', 0, 0, 0}, ".ogg"}, {{'f', 'L', 'a', 'C'}, ".flac"}, {{0xFF, 0xFB, 0x90}, ".mp3"}};
  for (const auto &[bytes, ext] : cases) {
    SCOPED_TRACE(ext);
    const auto out = Fresh(
        [&] {
          const int32_t s = Add(bytes, 0, ext);
          Sound_Play(s, true);
          if (!Sound_Get(s)->s_fname.empty()) RemovePlainFile(Sound_Get(s)->s_fname);
        },
        100);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float f) { return std::isfinite(f) && std::fabs(f) <= 1; }));
  }
  EXPECT_TRUE(TakeErrors().empty());
  TempDir_Set("");
}

TEST_F(SoundMix, MultimediaSoundsShareOnePlayer) {
  TempDir_Set(testing::TempDir());
  const int32_t a = Add(SineWav(300), 3), b = Add(SineWav(300), 3);
  Sound_Play(a, false);
  EXPECT_TRUE(Sound_IsPlaying(a));
  Sound_Play(b, false);
  EXPECT_FALSE(Sound_IsPlaying(a));
  EXPECT_TRUE(Sound_IsPlaying(b));
  Sound_Stop(a);  // not a's file in the player: b plays on
  EXPECT_TRUE(Sound_IsPlaying(b));
  for (int32_t s : {a, b}) RemovePlainFile(Sound_Get(s)->s_fname);
  TempDir_Set("");
}

}  // namespace
}  // namespace soundtest
