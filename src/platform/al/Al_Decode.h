// Sound files as sample frames: WAV, Ogg, FLAC, MP3 and the other formats
// libsndfile reads, decoded whole; MIDI files rendered note by note by
// FluidSynth with a General MIDI sound font while they play.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Decoded sound: interleaved float frames of one or two channels.
struct RPcm {
  int32_t rate = 44100;
  int32_t channels = 1;
  std::vector<float> samples;
  size_t Frames() const { return channels > 0 ? samples.size() / static_cast<size_t>(channels) : 0; }
};

// Whether the bytes are a standard MIDI file (by their header, or by the
// extension when the header is missing).
bool Decode_IsMidi(const uint8_t *data, size_t size, std::string_view extension);

// Decodes a whole file held in memory; more than two channels are mixed down
// to two. False when the bytes are no format the decoder knows.
bool Decode_File(const uint8_t *data, size_t size, RPcm &pcm);

// The General MIDI sound font: a larger one when installed, else the small
// one the runner depends on; "" when there is none.
std::string Decode_SoundFont();

// One play of a MIDI file: a synthesiser and a player of its own, timed by
// the frames rendered, so the same file always gives the same frames.
class CMidiStream {
public:
  ~CMidiStream();
  // Null when the file or the sound font cannot be read.
  static std::unique_ptr<CMidiStream> Open(const std::vector<uint8_t> &file, int32_t rate, bool loop, double tempo);
  // Renders up to frames stereo frames; answers how many were rendered
  // (fewer only once the file has ended).
  size_t Render(float *stereo, size_t frames);
  void SetTempo(double factor);

private:
  CMidiStream() = default;
  struct RImpl;
  RImpl *m = nullptr;
};
