// Shared by the sound tests: sound files made in memory (a sine WAV, a
// short MIDI tune), a fixture that mixes through the loopback device and
// measures what came out, and one that collects the errors reported.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "base/Option_Main.h"
#include "platform/al/Al_Audio.h"
#include "sound/Sound_Main.h"
#include "support/Test_Platform.h"

namespace soundtest {

inline void Put16(std::vector<uint8_t> &b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(std::vector<uint8_t> &b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// A mono 16-bit WAV file of a sine of the given frequency and amplitude
// (of full scale) lasting ms milliseconds at 44100 Hz.
inline std::vector<uint8_t> SineWav(int ms, double hz = 440, double amplitude = 0.5) {
  const uint32_t rate = 44100, frames = rate * static_cast<uint32_t>(ms) / 1000;
  std::vector<uint8_t> b;
  auto tag = [&](const char *t) { b.insert(b.end(), t, t + 4); };
  tag("RIFF");
  Put32(b, 36 + frames * 2);
  tag("WAVE");
  tag("fmt ");
  Put32(b, 16);
  Put16(b, 1);
  Put16(b, 1);
  Put32(b, rate);
  Put32(b, rate * 2);
  Put16(b, 2);
  Put16(b, 16);
  tag("data");
  Put32(b, frames * 2);
  for (uint32_t i = 0; i < frames; ++i)
    Put16(b, static_cast<uint16_t>(static_cast<int16_t>(std::lround(32767 * amplitude * std::sin(2 * M_PI * hz * i / rate)))));
  return b;
}

// A standard MIDI file: one track, piano, middle C held for a quarter
// note at 120 beats a minute (half a second).
inline std::vector<uint8_t> ShortMidi() {
  return {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,  // format 0, one track, 96 ticks a beat
          'M', 'T', 'r', 'k', 0, 0, 0, 15,                    // the track's 15 bytes:
          0x00, 0xC0, 0x00,                                   // piano
          0x00, 0x90, 0x3C, 0x64,                             // middle C on
          0x60, 0x80, 0x3C, 0x40,                             // off after 96 ticks
          0x00, 0xFF, 0x2F, 0x00};                            // end of track
}

// Root mean square of one channel (0 left, 1 right) of stereo frames
// from frame `from` on.
inline double Rms(const std::vector<float> &mix, int channel, size_t from = 0) {
  double sum = 0;
  size_t n = 0;
  for (size_t i = from * 2 + static_cast<size_t>(channel); i < mix.size(); i += 2, ++n) sum += double(mix[i]) * mix[i];
  return n ? std::sqrt(sum / static_cast<double>(n)) : 0;
}

inline double Db(double ratio) { return 20 * std::log10(ratio); }

inline double MaxDifference(const std::vector<float> &a, const std::vector<float> &b) {
  double d = a.size() == b.size() ? 0 : 1e9;
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) d = std::max(d, double(std::fabs(a[i] - b[i])));
  return d;
}

// Collects the errors reported, without their event context.
class CCollectingWindow : public testplatform::CErrorWindowDialogs {
public:
  std::vector<std::string> errors, messages;
  bool Show(std::string_view text, bool) override {
    const size_t at = text.rfind("\r\n\r\n");
    errors.emplace_back(at == std::string_view::npos ? text : text.substr(at + 4));
    return true;
  }
  void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
};

// The engine on a loopback mix of its own: every test starts with no
// sounds and an engine that is not started.
class SoundMix : public ::testing::Test {
protected:
  static constexpr int kRate = 44100;

  void SetUp() override {
    m_saved[0] = g_Settings.opt_displayerrors;
    m_saved[1] = g_Settings.opt_writeerrors;
    m_saved[2] = g_Settings.opt_aborterrors;
    g_Settings.opt_displayerrors = true;
    g_Settings.opt_writeerrors = false;
    g_Settings.opt_aborterrors = false;
    testplatform::SetDialogs(&window);
    ErrorReset();
    Fresh();
  }
  void TearDown() override {
    Sound_ResetState();
    testplatform::SetAudio(nullptr);
    testplatform::SetDialogs(nullptr);
    ErrorReset();
    g_Settings.opt_displayerrors = m_saved[0];
    g_Settings.opt_writeerrors = m_saved[1];
    g_Settings.opt_aborterrors = m_saved[2];
  }

  // A new mixer and no sounds.
  void Fresh() {
    Sound_ResetState();
    audio = std::make_unique<CAlAudio>(CAlAudio::TMode::Loopback);
    audio->SetCapture(&mix);
    testplatform::SetAudio(audio.get());
  }

  // A sound made from bytes, as loading a game gives it, prepared.
  int32_t Add(const std::vector<uint8_t> &bytes, int32_t kind = 0, const std::string &ext = ".wav") {
    auto s = std::make_unique<CSound>();
    s->s_kind = kind;
    s->s_extension = ext;
    s->s_sound = std::make_unique<std::vector<uint8_t>>(bytes);
    const int32_t index = g_Sounds.Append(std::move(s), "snd" + std::to_string(g_Sounds.Count()));
    g_Sounds.Get(index)->Prepare();
    return index;
  }

  // Renders ms milliseconds of the mix and answers them (stereo frames).
  std::vector<float> Render(int ms) {
    mix.clear();
    audio->Render(static_cast<int64_t>(kRate) * ms / 1000);
    return mix;
  }

  // What a fresh engine mixes in ms milliseconds after setup has made and
  // played its sounds.
  std::vector<float> Fresh(const std::function<void()> &setup, int ms) {
    Fresh();
    setup();
    return Render(ms);
  }

  // The errors reported since the last call.
  std::vector<std::string> TakeErrors() {
    ErrorEndRepeats();
    std::vector<std::string> out;
    out.swap(window.errors);
    return out;
  }

  std::unique_ptr<CAlAudio> audio;
  std::vector<float> mix;
  CCollectingWindow window;

private:
  bool m_saved[3] = {};
};

}  // namespace soundtest
