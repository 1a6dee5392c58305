#include "platform/al/Al_Audio.h"

#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <AL/efx.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

#include "platform/al/Al_Decode.h"

namespace {

constexpr int32_t kRate = 44100;
// Frames in one buffer of a source's queue (about 23 ms).
constexpr size_t kChunk = 1024;
// Buffers per source. A loopback mix keeps three of them queued before each
// slice it renders; a device mix keeps them all queued, about 190 ms ahead,
// which a step of a slow game does not outlast.
constexpr int kBuffers = 8;
constexpr int kLoopbackQueued = 3;
// The most effects one chain holds; a device that feeds fewer slots per
// source keeps the first of them.
constexpr int kWantedSends = 10;

float FromHundredthsDb(double mB) { return static_cast<float>(std::pow(10.0, mB / 2000.0)); }
float FromDb(double dB) { return static_cast<float>(std::pow(10.0, dB / 20.0)); }
// A game's number held to the range the library accepts; NaN is the low end.
float Clamp(double v, double lo, double hi) { return static_cast<float>(std::isnan(v) ? lo : std::clamp(v, lo, hi)); }

// The left and right gains of a pan: the far side loses |pan| hundredths of
// a decibel; at the end stop it is silent.
void PanGains(int32_t pan, float &left, float &right) {
  left = right = 1.0f;
  if (pan >= 10000) left = 0;
  else if (pan > 0) left = FromHundredthsDb(-pan);
  if (pan <= -10000) right = 0;
  else if (pan < 0) right = FromHundredthsDb(pan);
}

struct RSoundData {
  RPcm pcm;
  bool midi = false;
  std::vector<uint8_t> file;  // MIDI files are rendered as they play
};

struct RVoice {
  ALuint source = 0;
  ALuint buffers[kBuffers] = {};
  std::vector<ALuint> free;
  std::shared_ptr<const RSoundData> data;
  std::unique_ptr<CMidiStream> midi;
  size_t cursor = 0;  // next frame of the decoded sound
  bool loop = false;
  bool ended = false;  // every frame has been queued
  int32_t rate = kRate;
};

struct RChannel {
  bool positional = false;
  float gain = 1;
  int32_t pan = 0;
  RAudio3D placement;
  std::vector<RAudioEffect> chain;
  std::vector<ALuint> slots, sendFilters;
  ALuint dryFilter = 0;
  float dryGain = 1;
  std::vector<std::unique_ptr<RVoice>> voices;
};

// What an effect of the chain does to the signal beside the dry path.
struct REffectSetup {
  float send = 1;      // level of the signal sent into the effect
  float dry = 1;       // what it leaves of the dry signal
  bool insert = false;  // it replaces the signal rather than adding to it
};

// Sets the effect object from a chain entry; see docs/sound.md for why
// each parameter maps as it does.
REffectSetup Configure(ALuint effect, const RAudioEffect &e) {
  const double *p = e.params;
  REffectSetup s;
  switch (e.kind) {
    case 1:    // chorus: wetdry, depth, feedback, frequency, wave, delay, phase
    case 4: {  // flanger: the same fields
      const bool chorus = e.kind == 1;
      alEffecti(effect, AL_EFFECT_TYPE, chorus ? AL_EFFECT_CHORUS : AL_EFFECT_FLANGER);
      const int wave = std::lround(p[4]) == 0 ? 1 : 0;  // triangle 0, sine 1 -> sinusoid 0, triangle 1
      const int phase = static_cast<int>(std::clamp<long>(std::lround(p[6]), 0, 4)) * 90 - 180;
      alEffecti(effect, chorus ? AL_CHORUS_WAVEFORM : AL_FLANGER_WAVEFORM, wave);
      alEffecti(effect, chorus ? AL_CHORUS_PHASE : AL_FLANGER_PHASE, phase);
      alEffectf(effect, chorus ? AL_CHORUS_DEPTH : AL_FLANGER_DEPTH, Clamp(p[1] / 100, 0, 1));
      alEffectf(effect, chorus ? AL_CHORUS_FEEDBACK : AL_FLANGER_FEEDBACK, Clamp(p[2] / 100, -1, 1));
      alEffectf(effect, chorus ? AL_CHORUS_RATE : AL_FLANGER_RATE, Clamp(p[3], 0, 10));
      alEffectf(effect, chorus ? AL_CHORUS_DELAY : AL_FLANGER_DELAY,
                Clamp(p[5] / 1000, 0, chorus ? 0.016 : 0.004));
      s.send = Clamp(p[0] / 100, 0, 1);
      s.dry = 1 - s.send;
      break;
    }
    case 2: {  // echo: wetdry, feedback, leftdelay, rightdelay, pandelay
      alEffecti(effect, AL_EFFECT_TYPE, AL_EFFECT_ECHO);
      const double first = std::min(p[2], p[3]), second = std::max(p[2], p[3]);
      alEffectf(effect, AL_ECHO_DELAY, Clamp(first / 1000, 0, 0.207));
      alEffectf(effect, AL_ECHO_LRDELAY, Clamp((second - first) / 1000, 0, 0.404));
      alEffectf(effect, AL_ECHO_FEEDBACK, Clamp(p[1] / 100, 0, 0.99));
      alEffectf(effect, AL_ECHO_DAMPING, 0);
      // Swapping sides on each repeat is the widest spread; else the first
      // echo comes from the side with the shorter delay.
      alEffectf(effect, AL_ECHO_SPREAD, std::lround(p[4]) != 0 ? 1.0f : (p[2] <= p[3] ? -0.5f : 0.5f));
      s.send = Clamp(p[0] / 100, 0, 1);
      s.dry = 1 - s.send;
      break;
    }
    case 8:  // gargle: rate, wave (0 triangle, 1 square)
      alEffecti(effect, AL_EFFECT_TYPE, AL_EFFECT_RING_MODULATOR);
      alEffectf(effect, AL_RING_MODULATOR_FREQUENCY, Clamp(p[0], 0, 8000));
      alEffectf(effect, AL_RING_MODULATOR_HIGHPASS_CUTOFF, 0);
      alEffecti(effect, AL_RING_MODULATOR_WAVEFORM, std::lround(p[1]) == 1 ? 2 : 0);
      s.insert = true;
      break;
    case 16: {  // reverb: gain, mix, time, ratio
      // The library's reverb asserts (ending the process) when a decay is so
      // short that its filters' gains fall below 1e-5: both the decay and
      // the high-frequency decay are kept to 0.3 s and more.
      alEffecti(effect, AL_EFFECT_TYPE, AL_EFFECT_REVERB);
      alEffectf(effect, AL_REVERB_GAIN, Clamp(FromDb(p[1]), 0, 1));
      const double decay = std::isnan(p[2]) ? 1.0 : std::clamp(p[2] / 1000, 0.3, 20.0);
      alEffectf(effect, AL_REVERB_DECAY_TIME, static_cast<float>(decay));
      alEffectf(effect, AL_REVERB_DECAY_HFRATIO, Clamp(std::isnan(p[3]) ? 1.0 : p[3], 0.3 / decay, 2));
      s.send = Clamp(FromDb(p[0]), 0, 1);
      break;
    }
    case 32:  // compressor: gain, attack, release, threshold, ratio, delay
      alEffecti(effect, AL_EFFECT_TYPE, AL_EFFECT_COMPRESSOR);
      alEffecti(effect, AL_COMPRESSOR_ONOFF, 1);
      s.send = Clamp(FromDb(p[0]), 0, 1);
      s.insert = true;
      break;
    case 64: {  // equaliser: center, bandwidth (semitones), gain (dB)
      alEffecti(effect, AL_EFFECT_TYPE, AL_EFFECT_EQUALIZER);
      for (ALenum band : {AL_EQUALIZER_LOW_GAIN, AL_EQUALIZER_MID1_GAIN, AL_EQUALIZER_MID2_GAIN, AL_EQUALIZER_HIGH_GAIN})
        alEffectf(effect, band, 1);
      const bool low = p[0] <= 3000;
      alEffectf(effect, low ? AL_EQUALIZER_MID1_CENTER : AL_EQUALIZER_MID2_CENTER,
                low ? Clamp(p[0], 200, 3000) : Clamp(p[0], 1000, 8000));
      alEffectf(effect, low ? AL_EQUALIZER_MID1_WIDTH : AL_EQUALIZER_MID2_WIDTH, Clamp(p[1] / 12, 0.01, 1));
      alEffectf(effect, low ? AL_EQUALIZER_MID1_GAIN : AL_EQUALIZER_MID2_GAIN, Clamp(FromDb(p[2]), 0.126, 7.943));
      s.insert = true;
      break;
    }
    case 128:  // distortion: gain, edge, post-EQ centre, post-EQ bandwidth, pre-lowpass cutoff
      alEffecti(effect, AL_EFFECT_TYPE, AL_EFFECT_DISTORTION);
      alEffectf(effect, AL_DISTORTION_GAIN, Clamp(FromDb(p[0]), 0.01, 1));
      alEffectf(effect, AL_DISTORTION_EDGE, Clamp(p[1] / 100, 0, 1));
      alEffectf(effect, AL_DISTORTION_EQCENTER, Clamp(p[2], 80, 24000));
      alEffectf(effect, AL_DISTORTION_EQBANDWIDTH, Clamp(p[3], 80, 24000));
      alEffectf(effect, AL_DISTORTION_LOWPASS_CUTOFF, Clamp(p[4], 80, 24000));
      s.insert = true;
      break;
    default:  // environmental reverb: the extension's own room
      alEffecti(effect, AL_EFFECT_TYPE, AL_EFFECT_REVERB);
      break;
  }
  return s;
}

}  // namespace

// An effect slot and its effect. Sounds whose chains hold the same effect
// with the same parameters feed one slot: the effects that are linear in
// their input (all but the compressor and distortion) sound the same on
// the sum of several sounds as on each, and every slot costs mixing time
// whether or not anything plays into it.
struct RSharedSlot {
  RAudioEffect key;
  bool shareable = false;
  ALuint slot = 0, effect = 0;
  int refs = 0;
  REffectSetup setup;
};

bool SameEffect(const RAudioEffect &a, const RAudioEffect &b) {
  if (a.kind != b.kind) return false;
  for (int i = 0; i < 7; ++i)
    if (!(a.params[i] == b.params[i])) return false;
  return true;
}

struct CAlAudio::RImpl {
  TMode mode;
  ALCdevice *device = nullptr;
  ALCcontext *context = nullptr;
  bool open = false;
  int32_t maxSends = 0;
  std::map<uint32_t, std::shared_ptr<RSoundData>> sounds;
  std::map<uint32_t, RChannel> channels;
  uint32_t nextSound = 1, nextChannel = 1;
  double tempo = 1;
  std::vector<float> *capture = nullptr;
  std::string outPath, outError;
  SNDFILE *out = nullptr;
  double frameCarry = 0;
  std::chrono::steady_clock::time_point last;
  std::vector<float> scratch;
  std::vector<RSharedSlot> shared;

  explicit RImpl(TMode m) : mode(m) {}

  // A slot running the effect; counts one more user of it.
  const RSharedSlot &AcquireSlot(const RAudioEffect &e) {
    const bool shareable = e.kind != 32 && e.kind != 128;
    if (shareable)
      for (RSharedSlot &s : shared)
        if (s.shareable && SameEffect(s.key, e)) {
          ++s.refs;
          return s;
        }
    RSharedSlot s;
    s.key = e;
    s.shareable = shareable;
    s.refs = 1;
    alGenEffects(1, &s.effect);
    alGenAuxiliaryEffectSlots(1, &s.slot);
    s.setup = Configure(s.effect, e);
    alAuxiliaryEffectSloti(s.slot, AL_EFFECTSLOT_AUXILIARY_SEND_AUTO, AL_FALSE);
    alAuxiliaryEffectSloti(s.slot, AL_EFFECTSLOT_EFFECT, static_cast<ALint>(s.effect));
    alGetError();
    shared.push_back(s);
    return shared.back();
  }

  void ReleaseSlot(ALuint slot) {
    for (auto it = shared.begin(); it != shared.end(); ++it) {
      if (it->slot != slot) continue;
      if (--it->refs > 0) return;
      alDeleteAuxiliaryEffectSlots(1, &it->slot);
      alDeleteEffects(1, &it->effect);
      alGetError();
      shared.erase(it);
      return;
    }
  }

  // ---- feeding a source ----

  // The next frames of the voice as the source takes them: stereo with the
  // pan applied, or mono for a positional channel. Fewer than asked only at
  // the end of a sound that does not repeat.
  size_t Fill(RVoice &v, const RChannel &c, float *out, size_t frames) {
    float left, right;
    PanGains(c.pan, left, right);
    size_t done = 0;
    if (v.midi) {
      scratch.resize(frames * 2);
      done = v.midi->Render(scratch.data(), frames);
      for (size_t i = 0; i < done; ++i) {
        const float l = scratch[i * 2], r = scratch[i * 2 + 1];
        if (c.positional) out[i] = (l + r) * 0.5f;
        else out[i * 2] = l * left, out[i * 2 + 1] = r * right;
      }
      return done;
    }
    const RPcm &pcm = v.data->pcm;
    const size_t total = pcm.Frames();
    while (done < frames && total > 0) {
      if (v.cursor >= total) {
        if (!v.loop) break;
        v.cursor = 0;
      }
      const size_t n = std::min(frames - done, total - v.cursor);
      const float *in = pcm.samples.data() + v.cursor * static_cast<size_t>(pcm.channels);
      for (size_t i = 0; i < n; ++i) {
        float l, r;
        if (pcm.channels == 2) l = in[i * 2], r = in[i * 2 + 1];
        else l = r = in[i];
        if (c.positional) out[done + i] = pcm.channels == 2 ? (l + r) * 0.5f : l;
        else out[(done + i) * 2] = l * left, out[(done + i) * 2 + 1] = r * right;
      }
      v.cursor += n;
      done += n;
    }
    return done;
  }

  // Takes back the buffers played and queues new ones until want are
  // queued; starts the source again when it ran dry before its end.
  void TopUp(RVoice &v, const RChannel &c, int want) {
    ALint processed = 0;
    alGetSourcei(v.source, AL_BUFFERS_PROCESSED, &processed);
    for (; processed > 0; --processed) {
      ALuint b = 0;
      alSourceUnqueueBuffers(v.source, 1, &b);
      v.free.push_back(b);
    }
    ALint queued = 0;
    alGetSourcei(v.source, AL_BUFFERS_QUEUED, &queued);
    const size_t width = c.positional ? 1 : 2;
    std::vector<float> block(kChunk * width);
    while (!v.ended && queued < want && !v.free.empty()) {
      const size_t n = Fill(v, c, block.data(), kChunk);
      if (n < kChunk) v.ended = true;
      if (n == 0) break;
      const ALuint b = v.free.back();
      v.free.pop_back();
      alBufferData(b, width == 2 ? AL_FORMAT_STEREO_FLOAT32 : AL_FORMAT_MONO_FLOAT32, block.data(),
                   static_cast<ALsizei>(n * width * sizeof(float)), v.rate);
      alSourceQueueBuffers(v.source, 1, &b);
      ++queued;
    }
    ALint state = 0;
    alGetSourcei(v.source, AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING && queued > 0) alSourcePlay(v.source);
  }

  static bool Finished(const RVoice &v) {
    if (!v.ended) return false;
    ALint state = 0;
    alGetSourcei(v.source, AL_SOURCE_STATE, &state);
    return state != AL_PLAYING;
  }

  void FreeVoice(RVoice &v) {
    alSourceStop(v.source);
    alSourcei(v.source, AL_BUFFER, 0);
    for (int i = 0; i < kAuxSends(); ++i) alSource3i(v.source, AL_AUXILIARY_SEND_FILTER, AL_EFFECTSLOT_NULL, i, AL_FILTER_NULL);
    alDeleteSources(1, &v.source);
    alDeleteBuffers(kBuffers, v.buffers);
    alGetError();
  }
  int kAuxSends() const { return maxSends; }

  void Sweep() {
    for (auto &[id, c] : channels) {
      auto &vs = c.voices;
      for (auto it = vs.begin(); it != vs.end();) {
        if (Finished(**it)) {
          FreeVoice(**it);
          it = vs.erase(it);
        } else {
          ++it;
        }
      }
    }
  }

  void TopUpAll(int want) {
    for (auto &[id, c] : channels)
      for (auto &v : c.voices) TopUp(*v, c, want);
  }

  // ---- what a channel gives its sources ----

  void Apply(RChannel &c, RVoice &v) {
    const ALuint s = v.source;
    alSourcef(s, AL_GAIN, c.gain);
    alSourcei(s, AL_DIRECT_FILTER, c.dryGain < 1 ? static_cast<ALint>(c.dryFilter) : AL_FILTER_NULL);
    for (int i = 0; i < maxSends; ++i) {
      if (static_cast<size_t>(i) < c.slots.size())
        alSource3i(s, AL_AUXILIARY_SEND_FILTER, static_cast<ALint>(c.slots[i]), i, static_cast<ALint>(c.sendFilters[i]));
      else
        alSource3i(s, AL_AUXILIARY_SEND_FILTER, AL_EFFECTSLOT_NULL, i, AL_FILTER_NULL);
    }
    if (!c.positional) {
      alSourcei(s, AL_SOURCE_RELATIVE, AL_TRUE);
      alSource3f(s, AL_POSITION, 0, 0, 0);
      alSourcei(s, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
    } else {
      // Games place sounds with z into the screen; the listener looks down -z.
      const RAudio3D &p = c.placement;
      alSourcei(s, AL_SOURCE_RELATIVE, AL_FALSE);
      alSource3f(s, AL_POSITION, static_cast<float>(p.position[0]), static_cast<float>(p.position[1]),
                 static_cast<float>(-p.position[2]));
      alSource3f(s, AL_VELOCITY, static_cast<float>(p.velocity[0]), static_cast<float>(p.velocity[1]),
                 static_cast<float>(-p.velocity[2]));
      alSourcef(s, AL_REFERENCE_DISTANCE, Clamp(p.minDistance, 0, 1e9));
      alSourcef(s, AL_MAX_DISTANCE, Clamp(p.maxDistance, 0, 1e9));
      alSource3f(s, AL_DIRECTION, static_cast<float>(p.coneDirection[0]), static_cast<float>(p.coneDirection[1]),
                 static_cast<float>(-p.coneDirection[2]));
      alSourcef(s, AL_CONE_INNER_ANGLE, Clamp(p.insideAngle, 0, 360));
      alSourcef(s, AL_CONE_OUTER_ANGLE, Clamp(p.outsideAngle, 0, 360));
      alSourcef(s, AL_CONE_OUTER_GAIN, Clamp(FromHundredthsDb(p.outsideVolume), 0, 1));
    }
    alGetError();
  }

  void ApplyAll(RChannel &c) {
    for (auto &v : c.voices) Apply(c, *v);
  }

  void ReleaseEffects(RChannel &c) {
    for (ALuint slot : c.slots) ReleaseSlot(slot);
    if (!c.sendFilters.empty()) alDeleteFilters(static_cast<ALsizei>(c.sendFilters.size()), c.sendFilters.data());
    c.slots.clear();
    c.sendFilters.clear();
    alGetError();
  }

  void StopChannel(RChannel &c) {
    for (auto &v : c.voices) FreeVoice(*v);
    c.voices.clear();
  }

  // ---- the loopback mix ----

  void RenderFrames(int64_t frames) {
    std::vector<float> mix(kChunk * 2);
    while (frames > 0) {
      const size_t n = static_cast<size_t>(std::min<int64_t>(frames, kChunk));
      TopUpAll(kLoopbackQueued);
      alcRenderSamplesSOFT(device, mix.data(), static_cast<ALCsizei>(n));
      if (capture) capture->insert(capture->end(), mix.begin(), mix.begin() + static_cast<ptrdiff_t>(n * 2));
      if (out && sf_writef_float(out, mix.data(), static_cast<sf_count_t>(n)) != static_cast<sf_count_t>(n)) {
        outError = sf_strerror(out);
        sf_close(out);
        out = nullptr;
        std::remove((outPath + ".part").c_str());
      }
      frames -= static_cast<int64_t>(n);
      Sweep();
    }
  }
};

CAlAudio::CAlAudio(TMode mode) : m(new RImpl(mode)) {}

CAlAudio::~CAlAudio() {
  Close();
  delete m;
}

void CAlAudio::SetOutputFile(const std::string &path) { m->outPath = path; }
void CAlAudio::SetCapture(std::vector<float> *frames) { m->capture = frames; }
int32_t CAlAudio::MaxEffects() const { return m->maxSends; }

bool CAlAudio::OutputFailed(std::string &error) const {
  error = m->outError;
  return !m->outError.empty();
}

void CAlAudio::Render(int64_t frames) {
  if (m->open && m->mode == TMode::Loopback) m->RenderFrames(frames);
}

bool CAlAudio::Audible() { return m->open && m->mode == TMode::Device; }
int32_t CAlAudio::SampleRate() { return kRate; }

bool CAlAudio::Open(std::string &error) {
  if (m->open) return true;
  if (m->mode == TMode::Loopback) {
    if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback")) {
      error = "the OpenAL library cannot mix without a device";
      return false;
    }
    m->device = alcLoopbackOpenDeviceSOFT(nullptr);
    if (m->device == nullptr || !alcIsRenderFormatSupportedSOFT(m->device, kRate, ALC_STEREO_SOFT, ALC_FLOAT_SOFT)) {
      error = "the OpenAL loopback device cannot be opened";
      if (m->device) alcCloseDevice(m->device);
      m->device = nullptr;
      return false;
    }
  } else {
    m->device = alcOpenDevice(nullptr);
    if (m->device == nullptr) {
      error = "no sound device can be opened";
      return false;
    }
  }
  const ALCint attrs[] = {ALC_FORMAT_CHANNELS_SOFT,
                          ALC_STEREO_SOFT,
                          ALC_FORMAT_TYPE_SOFT,
                          ALC_FLOAT_SOFT,
                          ALC_FREQUENCY,
                          kRate,
                          ALC_HRTF_SOFT,
                          ALC_FALSE,
                          ALC_MAX_AUXILIARY_SENDS,
                          kWantedSends,
                          0};
  // A device takes only what it understands of the loopback format.
  const ALCint deviceAttrs[] = {ALC_FREQUENCY, kRate, ALC_HRTF_SOFT, ALC_FALSE, ALC_MAX_AUXILIARY_SENDS, kWantedSends, 0};
  m->context = alcCreateContext(m->device, m->mode == TMode::Loopback ? attrs : deviceAttrs);
  if (m->context == nullptr || !alcMakeContextCurrent(m->context)) {
    error = "the OpenAL mixer cannot be started";
    if (m->context) alcDestroyContext(m->context);
    alcCloseDevice(m->device);
    m->context = nullptr;
    m->device = nullptr;
    return false;
  }
  ALCint sends = 0;
  if (alcIsExtensionPresent(m->device, "ALC_EXT_EFX")) alcGetIntegerv(m->device, ALC_MAX_AUXILIARY_SENDS, 1, &sends);
  m->maxSends = std::clamp<ALCint>(sends, 0, kWantedSends);
  alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
  m->open = true;
  m->last = std::chrono::steady_clock::now();
  if (m->mode == TMode::Loopback && !m->outPath.empty()) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    m->out = sf_open((m->outPath + ".part").c_str(), SFM_WRITE, &info);
    if (m->out == nullptr) m->outError = std::string("cannot write ") + m->outPath + ": " + sf_strerror(nullptr);
    else sf_command(m->out, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  }
  alGetError();
  return true;
}

void CAlAudio::Close() {
  if (!m->open) return;
  for (auto &[id, c] : m->channels) {
    m->StopChannel(c);
    m->ReleaseEffects(c);
    if (c.dryFilter) alDeleteFilters(1, &c.dryFilter);
  }
  m->channels.clear();
  m->shared.clear();
  m->sounds.clear();
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(m->context);
  alcCloseDevice(m->device);
  m->context = nullptr;
  m->device = nullptr;
  m->open = false;
  if (m->out) {
    const bool ok = sf_close(m->out) == 0;
    m->out = nullptr;
    const std::string part = m->outPath + ".part";
    if (!ok || std::rename(part.c_str(), m->outPath.c_str()) != 0) {
      m->outError = "cannot write " + m->outPath;
      std::remove(part.c_str());
    }
  }
}

uint32_t CAlAudio::LoadSound(const uint8_t *data, size_t size, std::string_view extension) {
  if (!m->open || data == nullptr || size == 0) return 0;
  auto sound = std::make_shared<RSoundData>();
  if (Decode_IsMidi(data, size, extension)) {
    sound->midi = true;
    sound->file.assign(data, data + size);
    // Refuse a file the synthesiser cannot read now rather than at each play.
    if (!CMidiStream::Open(sound->file, kRate, false, 1.0)) return 0;
  } else if (!Decode_File(data, size, sound->pcm)) {
    return 0;
  }
  const uint32_t id = m->nextSound++;
  m->sounds[id] = std::move(sound);
  return id;
}

void CAlAudio::ReleaseSound(uint32_t sound) {
  // Plays of it go on with their own share of the data.
  m->sounds.erase(sound);
}

uint32_t CAlAudio::CreateChannel(bool positional) {
  if (!m->open) return 0;
  const uint32_t id = m->nextChannel++;
  RChannel &c = m->channels[id];
  c.positional = positional;
  if (m->maxSends > 0) {
    alGenFilters(1, &c.dryFilter);
    alFilteri(c.dryFilter, AL_FILTER_TYPE, AL_FILTER_LOWPASS);
    alFilterf(c.dryFilter, AL_LOWPASS_GAINHF, 1);
  }
  alGetError();
  return id;
}

void CAlAudio::ReleaseChannel(uint32_t channel) {
  auto it = m->channels.find(channel);
  if (it == m->channels.end()) return;
  m->StopChannel(it->second);
  m->ReleaseEffects(it->second);
  if (it->second.dryFilter) alDeleteFilters(1, &it->second.dryFilter);
  alGetError();
  m->channels.erase(it);
}

void CAlAudio::Play(uint32_t channel, uint32_t sound, bool loop) {
  auto c = m->channels.find(channel);
  auto s = m->sounds.find(sound);
  if (c == m->channels.end() || s == m->sounds.end()) return;
  auto v = std::make_unique<RVoice>();
  v->data = s->second;
  v->loop = loop;
  if (v->data->midi) {
    v->midi = CMidiStream::Open(v->data->file, kRate, loop, m->tempo);
    if (!v->midi) return;
  } else {
    v->rate = v->data->pcm.rate;
  }
  alGetError();
  alGenSources(1, &v->source);
  if (alGetError() != AL_NO_ERROR) return;
  alGenBuffers(kBuffers, v->buffers);
  if (alGetError() != AL_NO_ERROR) {
    alDeleteSources(1, &v->source);
    return;
  }
  v->free.assign(v->buffers, v->buffers + kBuffers);
  m->Apply(c->second, *v);
  m->TopUp(*v, c->second, m->mode == TMode::Loopback ? kLoopbackQueued : kBuffers);
  c->second.voices.push_back(std::move(v));
}

void CAlAudio::Stop(uint32_t channel) {
  auto c = m->channels.find(channel);
  if (c != m->channels.end()) m->StopChannel(c->second);
}

bool CAlAudio::Playing(uint32_t channel) {
  auto c = m->channels.find(channel);
  if (c == m->channels.end()) return false;
  return std::any_of(c->second.voices.begin(), c->second.voices.end(),
                     [](const std::unique_ptr<RVoice> &v) { return !RImpl::Finished(*v); });
}

void CAlAudio::SetVolume(uint32_t channel, int32_t hundredthsDb) {
  auto c = m->channels.find(channel);
  if (c == m->channels.end()) return;
  c->second.gain = hundredthsDb <= -10000 ? 0.0f : std::min(1.0f, FromHundredthsDb(hundredthsDb));
  m->ApplyAll(c->second);
}

void CAlAudio::SetPan(uint32_t channel, int32_t pan) {
  auto c = m->channels.find(channel);
  if (c != m->channels.end()) c->second.pan = std::clamp(pan, -10000, 10000);
}

void CAlAudio::SetEffects(uint32_t channel, const std::vector<RAudioEffect> &chain) {
  auto it = m->channels.find(channel);
  if (it == m->channels.end()) return;
  RChannel &c = it->second;
  // The sources let go of the old slots before they are released.
  std::vector<ALuint> oldSlots = c.slots, oldFilters = c.sendFilters;
  c.slots.clear();
  c.sendFilters.clear();
  c.chain = chain;
  bool insert = false;
  float mixDry = 1;
  const size_t count = std::min(chain.size(), static_cast<size_t>(m->maxSends));
  // Effects that replace the sound share it: side by side, each gets its
  // part, so that two of them are not twice as loud as one.
  int inserts = 0;
  for (size_t i = 0; i < count; ++i) inserts += chain[i].kind == 8 || chain[i].kind == 32 || chain[i].kind == 64 || chain[i].kind == 128;
  for (size_t i = 0; i < count; ++i) {
    const RSharedSlot &slot = m->AcquireSlot(chain[i]);
    ALuint filter = 0;
    alGenFilters(1, &filter);
    alFilteri(filter, AL_FILTER_TYPE, AL_FILTER_LOWPASS);
    alFilterf(filter, AL_LOWPASS_GAIN, slot.setup.insert ? slot.setup.send / static_cast<float>(inserts) : slot.setup.send);
    alFilterf(filter, AL_LOWPASS_GAINHF, 1);
    insert = insert || slot.setup.insert;
    mixDry *= slot.setup.dry;
    c.slots.push_back(slot.slot);
    c.sendFilters.push_back(filter);
  }
  c.dryGain = insert ? 0.0f : mixDry;
  if (c.dryFilter) alFilterf(c.dryFilter, AL_LOWPASS_GAIN, c.dryGain);
  alGetError();
  m->ApplyAll(c);
  for (ALuint slot : oldSlots) m->ReleaseSlot(slot);
  if (!oldFilters.empty()) alDeleteFilters(static_cast<ALsizei>(oldFilters.size()), oldFilters.data());
  alGetError();
}

void CAlAudio::Set3D(uint32_t channel, const RAudio3D &placement) {
  auto c = m->channels.find(channel);
  if (c == m->channels.end() || !c->second.positional) return;
  c->second.placement = placement;
  m->ApplyAll(c->second);
}

void CAlAudio::SetMasterVolume(int32_t hundredthsDb) {
  if (!m->open) return;
  alListenerf(AL_GAIN, hundredthsDb <= -10000 ? 0.0f : FromHundredthsDb(std::min(hundredthsDb, 2000)));
  alGetError();
}

void CAlAudio::SetTempo(double factor) {
  m->tempo = factor;
  for (auto &[id, c] : m->channels)
    for (auto &v : c.voices)
      if (v->midi) v->midi->SetTempo(factor);
}

int64_t CAlAudio::Advance(int64_t stepMicros) {
  if (!m->open) return stepMicros;
  if (m->mode == TMode::Loopback) {
    const double exact = static_cast<double>(std::max<int64_t>(stepMicros, 0)) * kRate / 1e6 + m->frameCarry;
    const int64_t frames = static_cast<int64_t>(exact);
    m->frameCarry = exact - static_cast<double>(frames);
    m->RenderFrames(frames);
    return stepMicros;
  }
  const auto now = std::chrono::steady_clock::now();
  const int64_t passed = std::chrono::duration_cast<std::chrono::microseconds>(now - m->last).count();
  m->last = now;
  m->TopUpAll(kBuffers);
  m->Sweep();
  return passed;
}
