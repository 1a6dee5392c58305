// Sound on OpenAL Soft: every play is a source of its own, fed from the
// decoded sound in short buffers (so pan, looping and MIDI rendering are
// ours), every channel's effects are effect slots of the effects extension.
// Two ways of mixing: for a device the player hears, paced by the device's
// clock; or through the loopback device, rendered on demand, exactly as
// much as each step lasts, so that the same game gives the same sound and
// the same answers run after run. A loopback mix is discarded, written to a
// WAV file, or handed to whoever asked for it (tests).
#pragma once

#include <string>
#include <vector>

#include "platform/Platform_Main.h"

class CAlAudio : public IAudioOutput {
public:
  enum class TMode { Device, Loopback };
  explicit CAlAudio(TMode mode);
  ~CAlAudio() override;
  CAlAudio(const CAlAudio &) = delete;
  CAlAudio &operator=(const CAlAudio &) = delete;

  // A loopback mix also goes to this WAV file (16-bit stereo), written
  // under a temporary name and put in place when the mixer closes, so the
  // file is there whole or not at all. Set before Open.
  void SetOutputFile(const std::string &path);
  // Every frame the loopback mix renders is appended here too (stereo
  // interleaved floats); null to stop.
  void SetCapture(std::vector<float> *frames);
  // Renders frames of the loopback mix at once (tests).
  void Render(int64_t frames);
  // How many effect slots one source can feed.
  int32_t MaxEffects() const;
  // Whether the output file could not be written (its reason in error).
  bool OutputFailed(std::string &error) const;

  bool Audible() override;
  int32_t SampleRate() override;
  bool Open(std::string &error) override;
  void Close() override;
  uint32_t LoadSound(const uint8_t *data, size_t size, std::string_view extension) override;
  void ReleaseSound(uint32_t sound) override;
  uint32_t CreateChannel(bool positional) override;
  void ReleaseChannel(uint32_t channel) override;
  void Play(uint32_t channel, uint32_t sound, bool loop) override;
  void Stop(uint32_t channel) override;
  bool Playing(uint32_t channel) override;
  void SetVolume(uint32_t channel, int32_t hundredthsDb) override;
  void SetPan(uint32_t channel, int32_t pan) override;
  void SetEffects(uint32_t channel, const std::vector<RAudioEffect> &chain) override;
  void Set3D(uint32_t channel, const RAudio3D &placement) override;
  void SetMasterVolume(int32_t hundredthsDb) override;
  void SetTempo(double factor) override;
  int64_t Advance(int64_t stepMicros) override;

private:
  struct RImpl;
  RImpl *m;
};
