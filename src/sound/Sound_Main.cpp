#include "sound/Sound_Main.h"

#include <algorithm>
#include <cmath>

#include "base/Support_File.h"
#include "base/Support_Path.h"
#include "base/Support_Stream.h"
#include "code/Code_Error.h"

RSoundList g_Sounds;

namespace {

// An engine sample: a loaded sound and the channel it plays through, or a
// multimedia file for the media player.
struct RSoundSample {
  bool inuse = false;
  int32_t kind = 0;
  uint32_t sound = 0;    // the decoded sound (a multimedia one once opened)
  uint32_t channel = 0;  // its own channel; none for multimedia
  std::string fname;     // multimedia only
  // What its channel was given.
  double volume = 0;  // hundredths of a decibel
  double fadeTo = 0;
  int64_t fadeLeft = 0;  // microseconds
  int32_t pan = 0;
  std::vector<RAudioEffect> chain;
  RAudio3D placement;
};

struct REngine {
  bool initialised = false;
  bool disabled = false;
  std::vector<RSoundSample> samples;
  int32_t master = 0;
  double tempo = 1;
  // The media player: one file at a time.
  uint32_t mediaChannel = 0;
  int32_t mediaSample = -1;
};
REngine s_engine;

// Where each kind of effect stands in a chain, in order; the equaliser
// comes twice.
constexpr int32_t kChainOrder[] = {1, 2, 4, 8, 64, 16, 32, 64, 128, 256};

// The parameters an effect starts with: the defaults of each effect, so
// that a chain set without parameters sounds as games expect.
RAudioEffect DefaultEffect(int32_t kind) {
  RAudioEffect e;
  e.kind = kind;
  auto set = [&](std::initializer_list<double> values) { std::copy(values.begin(), values.end(), e.params); };
  switch (kind) {
    case 1: set({50, 10, 25, 1.1, 1, 16, 3}); break;
    case 2: set({50, 50, 500, 500, 0}); break;
    case 4: set({50, 100, -50, 0.25, 1, 2, 2}); break;
    case 8: set({20, 0}); break;
    case 16: set({0, 0, 1000, 0.001}); break;
    case 32: set({0, 10, 200, -20, 3, 4}); break;
    case 64: set({8000, 12, 0}); break;
    case 128: set({-18, 15, 2400, 2400, 8000}); break;
    default: break;
  }
  return e;
}

RSoundSample *Sample(int32_t id) {
  if (id < 0 || static_cast<size_t>(id) >= s_engine.samples.size()) return nullptr;
  RSoundSample &s = s_engine.samples[static_cast<size_t>(id)];
  return s.inuse ? &s : nullptr;
}

int32_t AllocSample(int32_t kind) {
  auto &v = s_engine.samples;
  auto it = std::find_if(v.begin(), v.end(), [](const RSoundSample &s) { return !s.inuse; });
  if (it == v.end()) it = v.insert(v.end(), RSoundSample());
  *it = RSoundSample();
  it->inuse = true;
  it->kind = kind;
  return static_cast<int32_t>(it - v.begin());
}

// The sample of a sound, loaded when it was not; null when the engine is
// off or the sound has none.
RSoundSample *SampleOf(int32_t index, bool report = true) {
  CSound *sound = Sound_Get(index);
  if (sound == nullptr) {
    if (report) ReportActionError(kMsgSoundDoesNotExist, false);
    return nullptr;
  }
  if (s_engine.disabled) return nullptr;
  return Sample(sound->GetSoundId());
}

// A sample that has a channel of its own (not multimedia).
RSoundSample *ChannelOf(int32_t index) {
  RSoundSample *s = SampleOf(index);
  return s != nullptr && s->channel != 0 ? s : nullptr;
}

IAudioOutput &Out() { return PlatformAudio(); }

int32_t ToInt(double v, double lo, double hi) {
  if (std::isnan(v)) return static_cast<int32_t>(lo);
  return static_cast<int32_t>(std::clamp(std::round(v), lo, hi));
}

void ApplyVolume(RSoundSample &s) { Out().SetVolume(s.channel, static_cast<int32_t>(std::lround(s.volume))); }

bool MediaHolds(const RSoundSample &s) {
  const RSoundSample *held = Sample(s_engine.mediaSample);
  return held != nullptr && held == &s;
}

void StopMedia() {
  if (s_engine.mediaChannel) Out().Stop(s_engine.mediaChannel);
  s_engine.mediaSample = -1;
}

void PlayMedia(int32_t id, bool loop) {
  RSoundSample &s = s_engine.samples[static_cast<size_t>(id)];
  if (s.fname.size() >= 127) {
    PlatformDialogs().ShowMessage(kMsgFileNameTooLong);
    return;
  }
  if (!PathIsRegularFile(s.fname)) return;
  StopMedia();
  if (s.sound == 0) {
    std::vector<uint8_t> bytes;
    if (ReadRegularFile(s.fname, bytes)) {
      const size_t dot = s.fname.find_last_of('.');
      s.sound = Out().LoadSound(bytes.data(), bytes.size(), dot == std::string::npos ? "" : s.fname.substr(dot));
    }
  }
  if (s_engine.mediaChannel == 0) s_engine.mediaChannel = Out().CreateChannel(false);
  s_engine.mediaSample = id;
  if (s.sound != 0) Out().Play(s_engine.mediaChannel, s.sound, loop);
}

}  // namespace

// ---- the list ----

bool Sound_Load(CStream &stream) {
  Sound_ResetState();
  if (stream.ReadInteger() != 800) return false;
  return LoadNamedItems(stream, g_Sounds);
}

void Sound_SaveSection(CStream &stream, const RSoundList &list) {
  stream.WriteInteger(800);
  SaveNamedItems(stream, list);
}

CSound *Sound_Get(int64_t index) {
  if (index < 0 || index > INT32_MAX) return nullptr;
  return g_Sounds.Get(static_cast<int>(index));
}

const std::string &Sound_Name(int64_t index) {
  return g_Sounds.Name(index < 0 || index > INT32_MAX ? -1 : static_cast<int>(index));
}

int32_t Sound_Find(std::string_view name) { return g_Sounds.Find(name); }

// ---- the engine ----

bool Sound_InitEngine() {
  if (s_engine.initialised) return !s_engine.disabled;
  s_engine.initialised = true;
  std::string error;
  if (!Out().Open(error)) {
    PlatformDialogs().ShowMessage(kMsgNoSoundDevice);
    s_engine.disabled = true;
    return false;
  }
  return true;
}

bool Sound_Disabled() { return s_engine.disabled; }

void Sound_Prepare() {
  bool any = false;
  for (int i = 0; i < g_Sounds.Count(); ++i) any = any || g_Sounds.Exists(i);
  if (!any) return;
  if (Sound_InitEngine()) Sound_SetGlobalVolume(1);
  for (int i = 0; i < g_Sounds.Count(); ++i)
    if (CSound *s = g_Sounds.Get(i)) s->Prepare();
}

void Sound_Shutdown() {
  for (int i = 0; i < g_Sounds.Count(); ++i)
    if (CSound *s = g_Sounds.Get(i)) s->s_soundid = -1;
  if (s_engine.initialised && !s_engine.disabled) {
    StopMedia();
    for (size_t i = 0; i < s_engine.samples.size(); ++i)
      if (s_engine.samples[i].inuse) Sound_FreeSample(static_cast<int32_t>(i));
    if (s_engine.mediaChannel) Out().ReleaseChannel(s_engine.mediaChannel);
    Out().Close();
  }
  s_engine = REngine();
}

void Sound_ResetState() {
  Sound_Shutdown();
  g_Sounds.Clear();
}

void Sound_Step(int64_t stepMicros) {
  if (!s_engine.initialised || s_engine.disabled) return;
  const int64_t passed = Out().Advance(stepMicros);
  for (RSoundSample &s : s_engine.samples) {
    if (!s.inuse || s.fadeLeft <= 0) continue;
    if (passed >= s.fadeLeft) {
      s.volume = s.fadeTo;
      s.fadeLeft = 0;
    } else {
      s.volume += (s.fadeTo - s.volume) * static_cast<double>(passed) / static_cast<double>(s.fadeLeft);
      s.fadeLeft -= passed;
    }
    ApplyVolume(s);
  }
}

void Sound_RestoreSound(CSound &sound) {
  if (sound.s_soundid >= 0) return;
  Sound_InitEngine();
  const bool on = !s_engine.disabled;
  int32_t id = -1;
  if (sound.s_kind >= 0 && sound.s_kind <= 2 && sound.s_sound) {
    if (on) {
      id = AllocSample(sound.s_kind);
      RSoundSample &s = s_engine.samples[static_cast<size_t>(id)];
      s.channel = Out().CreateChannel(sound.s_kind == 2);
      if (s.channel != 0) s.sound = Out().LoadSound(sound.s_sound->data(), sound.s_sound->size(), sound.s_extension);
      if (s.sound == 0) {
        // What the mixer cannot decode goes to the media player.
        if (s.channel) Out().ReleaseChannel(s.channel);
        s = RSoundSample();
        id = -1;
        sound.s_kind = 3;
      }
    } else {
      sound.s_kind = 3;
    }
  }
  if (sound.s_kind == 3) {
    if (sound.s_sound) {
      const std::string name = TempDir_UniqueFileName(sound.s_extension);
      if (!name.empty()) {
        try {
          CStream(*sound.s_sound).SaveToFile(name);
          sound.s_sound.reset();
          sound.s_fname = name;
        } catch (const std::exception &) {
          // No room for the file: the sound keeps its data and stays silent.
        }
      }
    }
    if (on && !sound.s_fname.empty()) {
      id = AllocSample(3);
      s_engine.samples[static_cast<size_t>(id)].fname = sound.s_fname;
    }
  }
  sound.s_soundid = id;
  RSoundSample *s = Sample(id);
  if (s == nullptr || s->channel == 0) return;
  // The stored settings, as the script functions apply them.
  if (sound.s_effects != 0) {
    s->chain.clear();
    for (int32_t kind : kChainOrder)
      if (sound.s_effects & kind) s->chain.push_back(DefaultEffect(kind));
    Out().SetEffects(s->channel, s->chain);
  }
  s->volume = s->fadeTo = std::round(std::clamp(sound.s_volume, 0.0, 1.0) * 9600) - 9600;
  ApplyVolume(*s);
  s->pan = ToInt(sound.s_pan * 10000, -10000, 10000);
  Out().SetPan(s->channel, s->pan);
}

void Sound_FreeSample(int32_t id) {
  RSoundSample *s = Sample(id);
  if (s == nullptr) return;
  if (MediaHolds(*s)) StopMedia();
  if (s->channel) Out().ReleaseChannel(s->channel);
  if (s->sound) Out().ReleaseSound(s->sound);
  *s = RSoundSample();
}

// ---- operations ----

void Sound_Play(int32_t index, bool loop) {
  RSoundSample *s = SampleOf(index);
  if (s == nullptr) return;
  const int32_t id = static_cast<int32_t>(s - s_engine.samples.data());
  if (s->kind == 3) {
    PlayMedia(id, loop);
    return;
  }
  // One background music at a time: the new one replaces what plays.
  if (s->kind == 1)
    for (RSoundSample &other : s_engine.samples)
      if (other.inuse && other.kind == 1 && other.channel) Out().Stop(other.channel);
  Out().Play(s->channel, s->sound, loop);
}

void Sound_Stop(int32_t index) {
  CSound *sound = Sound_Get(index);
  if (sound == nullptr) {
    ReportActionError(kMsgSoundDoesNotExist, false);
    return;
  }
  RSoundSample *s = Sample(sound->s_soundid);
  if (s == nullptr || s_engine.disabled) return;
  if (s->kind == 3) {
    if (MediaHolds(*s)) StopMedia();
  } else {
    Out().Stop(s->channel);
  }
}

void Sound_StopAll() {
  if (s_engine.disabled) return;
  for (RSoundSample &s : s_engine.samples)
    if (s.inuse && s.channel) Out().Stop(s.channel);
  StopMedia();
}

bool Sound_IsPlaying(int32_t index) {
  CSound *sound = Sound_Get(index);
  RSoundSample *s = sound ? Sample(sound->s_soundid) : nullptr;
  if (s == nullptr || s_engine.disabled) return false;
  if (s->kind == 3) return MediaHolds(*s) && Out().Playing(s_engine.mediaChannel);
  return Out().Playing(s->channel);
}

void Sound_SetVolume(int32_t index, double value, double ms) {
  RSoundSample *s = ChannelOf(index);
  if (s == nullptr) return;
  s->fadeTo = ToInt(value * 9600, 0, 9600) - 9600;
  const double micros = std::isnan(ms) ? 0 : std::clamp(ms, 0.0, 1e12) * 1000;
  if (micros < 1) {
    s->volume = s->fadeTo;
    s->fadeLeft = 0;
    ApplyVolume(*s);
  } else {
    s->fadeLeft = static_cast<int64_t>(micros);
  }
}

void Sound_SetPan(int32_t index, double value) {
  RSoundSample *s = ChannelOf(index);
  if (s == nullptr) return;
  s->pan = ToInt(value * 10000, -10000, 10000);
  Out().SetPan(s->channel, s->pan);
}

void Sound_SetEffects(int32_t index, int32_t effects) {
  RSoundSample *s = ChannelOf(index);
  if (s == nullptr) return;
  s->chain.clear();
  for (int32_t kind : kChainOrder)
    if (effects & kind) s->chain.push_back(DefaultEffect(kind));
  Out().SetEffects(s->channel, s->chain);
}

void Sound_SetEffectParams(int32_t index, int32_t kind, const double *params, int count) {
  RSoundSample *s = ChannelOf(index);
  if (s == nullptr) return;
  for (RAudioEffect &e : s->chain) {
    if (e.kind != kind) continue;
    for (int i = 0; i < count && i < 7; ++i) e.params[i] = params[i];
    Out().SetEffects(s->channel, s->chain);
    return;
  }
}

void Sound_Set3D(int32_t index, int what, const double *v) {
  RSoundSample *s = ChannelOf(index);
  if (s == nullptr || s->kind != 2) return;
  RAudio3D &p = s->placement;
  switch (what) {
    case 0: std::copy(v, v + 3, p.position); break;
    case 1: std::copy(v, v + 3, p.velocity); break;
    case 2: p.minDistance = v[0], p.maxDistance = v[1]; break;
    default:
      std::copy(v, v + 3, p.coneDirection);
      p.insideAngle = v[3], p.outsideAngle = v[4];
      p.outsideVolume = ToInt(v[5], -10000, 0);
      break;
  }
  Out().Set3D(s->channel, p);
}

void Sound_SetGlobalVolume(double value) {
  if (!Sound_InitEngine()) return;
  s_engine.master = ToInt(value * 11000 - 10000, -10000, 1000);
  // The start-up level, 1000, is where sounds play as they were recorded.
  Out().SetMasterVolume(s_engine.master <= -10000 ? -10000 : s_engine.master - 1000);
}

void Sound_SetTempo(double factor) {
  s_engine.tempo = factor > 0.01 ? std::min(factor, 100.0) : 0.01;
  if (s_engine.initialised && !s_engine.disabled) Out().SetTempo(s_engine.tempo);
}

int32_t Sound_Add(const std::string &path, int32_t kind, bool preload) {
  auto sound = std::make_unique<CSound>();
  if (!sound->LoadFromFile(path, kind, preload)) return -1;
  const int index = g_Sounds.Count();
  return g_Sounds.Append(std::move(sound), "__newsound" + std::to_string(index));
}

bool Sound_Replace(int32_t index, const std::string &path, int32_t kind, bool preload) {
  CSound *sound = Sound_Get(index);
  if (sound == nullptr) {
    ReportActionError(kMsgReplaceNonExisting, false);
    return false;
  }
  if (!PathIsRegularFile(TranslatePath(path))) return false;
  sound->Discard();
  return sound->LoadFromFile(path, kind, preload);
}

void Sound_Delete(int32_t index) {
  CSound *sound = Sound_Get(index);
  if (sound == nullptr) {
    ReportActionError(kMsgDeleteNonExisting, false);
    return;
  }
  sound->Discard();
  g_Sounds.Delete(index);
}

int32_t Sound_PathVolume(int32_t index) {
  const CSound *sound = Sound_Get(index);
  const RSoundSample *s = sound ? Sample(sound->s_soundid) : nullptr;
  return s ? static_cast<int32_t>(std::lround(s->volume)) : 0;
}

int32_t Sound_PathPan(int32_t index) {
  const CSound *sound = Sound_Get(index);
  const RSoundSample *s = sound ? Sample(sound->s_soundid) : nullptr;
  return s ? s->pan : 0;
}

std::vector<RAudioEffect> Sound_Chain(int32_t index) {
  const CSound *sound = Sound_Get(index);
  const RSoundSample *s = sound ? Sample(sound->s_soundid) : nullptr;
  return s ? s->chain : std::vector<RAudioEffect>();
}

int32_t Sound_MasterVolume() { return s_engine.master; }
double Sound_Tempo() { return s_engine.tempo; }
