#include "platform/al/Al_Decode.h"

#include <fluidsynth.h>
#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace {

// A file in memory as libsndfile's virtual file.
struct RMemFile {
  const uint8_t *data;
  sf_count_t size;
  sf_count_t pos = 0;
};

sf_count_t MemLength(void *user) { return static_cast<RMemFile *>(user)->size; }
sf_count_t MemSeek(sf_count_t offset, int whence, void *user) {
  RMemFile &f = *static_cast<RMemFile *>(user);
  // Offsets come from the file's own headers: a wild one must not overflow.
  const sf_count_t base = whence == SEEK_CUR ? f.pos : whence == SEEK_END ? f.size : 0;
  sf_count_t to = 0;
  if (__builtin_add_overflow(base, offset, &to)) to = offset < 0 ? 0 : f.size;
  f.pos = std::clamp<sf_count_t>(to, 0, f.size);
  return f.pos;
}
sf_count_t MemRead(void *ptr, sf_count_t count, void *user) {
  RMemFile &f = *static_cast<RMemFile *>(user);
  const sf_count_t n = std::clamp<sf_count_t>(count, 0, f.size - f.pos);
  if (n > 0) std::memcpy(ptr, f.data + f.pos, static_cast<size_t>(n));
  f.pos += n;
  return n;
}
sf_count_t MemWrite(const void *, sf_count_t, void *) { return 0; }
sf_count_t MemTell(void *user) { return static_cast<RMemFile *>(user)->pos; }

// Longer than this is refused rather than decoded into all of memory: an
// hour of stereo sound.
constexpr sf_count_t kMaxFrames = sf_count_t{48000} * 3600;

bool IsLower(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return std::tolower(x) == y; });
}

uint32_t Big(const uint8_t *p, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) v = v << 8 | p[i];
  return v;
}

// The length in ticks of a standard MIDI file (the longest track), read
// from its chunks and events; -1 when the file is malformed. A RIFF-wrapped
// file is looked at inside its "data" chunk.
int64_t MidiTicks(const uint8_t *data, size_t size) {
  if (size >= 20 && std::memcmp(data, "RIFF", 4) == 0) {
    for (size_t i = 12; i + 8 <= size;) {
      const size_t len = Big(data + i + 4, 1) | Big(data + i + 5, 1) << 8 | Big(data + i + 6, 1) << 16 |
                         static_cast<size_t>(Big(data + i + 7, 1)) << 24;
      if (std::memcmp(data + i, "data", 4) == 0) return MidiTicks(data + i + 8, std::min(len, size - i - 8));
      if (len > size - i - 8) return -1;
      i += 8 + len + (len & 1);
    }
    return -1;
  }
  if (size < 14 || std::memcmp(data, "MThd", 4) != 0 || Big(data + 4, 4) < 6) return -1;
  const uint32_t tracks = Big(data + 10, 2);
  size_t at = 8 + Big(data + 4, 4);
  if (tracks == 0 || at > size) return -1;
  int64_t longest = 0;
  for (uint32_t t = 0; t < tracks; ++t) {
    if (at + 8 > size || std::memcmp(data + at, "MTrk", 4) != 0) return -1;
    const uint32_t len = Big(data + at + 4, 4);
    if (len > size - at - 8) return -1;
    const uint8_t *p = data + at + 8, *end = p + len;
    int64_t ticks = 0;
    uint8_t status = 0;
    const auto vlq = [&](uint32_t &v) {
      v = 0;
      for (int k = 0; k < 4; ++k) {
        if (p >= end) return false;
        const uint8_t b = *p++;
        v = v << 7 | (b & 0x7F);
        if (!(b & 0x80)) return true;
      }
      return false;
    };
    while (p < end) {
      uint32_t delta = 0, n = 0;
      if (!vlq(delta)) return -1;
      ticks += delta;
      if (p >= end) return -1;
      if (*p & 0x80) status = *p++;
      if (status == 0xFF) {
        if (p >= end) return -1;
        ++p;  // meta type
        if (!vlq(n) || n > static_cast<uint32_t>(end - p)) return -1;
        p += n;
      } else if (status == 0xF0 || status == 0xF7) {
        if (!vlq(n) || n > static_cast<uint32_t>(end - p)) return -1;
        p += n;
      } else if (status >= 0x80) {
        const uint32_t bytes = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
        if (bytes > static_cast<uint32_t>(end - p)) return -1;
        p += bytes;
      } else {
        return -1;  // data without a status
      }
    }
    longest = std::max(longest, ticks);
    at += 8 + len;
  }
  return longest;
}

}  // namespace

bool Decode_IsMidi(const uint8_t *data, size_t size, std::string_view extension) {
  if (size >= 4 && std::memcmp(data, "MThd", 4) == 0) return true;
  // A RIFF-wrapped MIDI file.
  if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "RMID", 4) == 0) return true;
  return IsLower(extension, ".mid") || IsLower(extension, ".midi") || IsLower(extension, ".rmi");
}

bool Decode_File(const uint8_t *data, size_t size, RPcm &pcm) {
  if (data == nullptr || size == 0) return false;
  RMemFile file{data, static_cast<sf_count_t>(size)};
  SF_VIRTUAL_IO io{MemLength, MemSeek, MemRead, MemWrite, MemTell};
  SF_INFO info{};
  SNDFILE *sf = sf_open_virtual(&io, SFM_READ, &info, &file);
  if (sf == nullptr) return false;
  bool ok = info.channels > 0 && info.channels <= 64 && info.samplerate > 0 && info.samplerate <= 384000;
  if (ok) {
    const int in = info.channels;
    const int out = std::min(in, 2);
    pcm.rate = info.samplerate;
    pcm.channels = out;
    pcm.samples.clear();
    std::vector<float> block(static_cast<size_t>(4096 * in));
    sf_count_t total = 0;
    for (;;) {
      const sf_count_t got = sf_readf_float(sf, block.data(), 4096);
      if (got <= 0) break;
      total += got;
      if (total > kMaxFrames) {
        ok = false;
        break;
      }
      for (sf_count_t i = 0; i < got; ++i) {
        const float *frame = block.data() + i * in;
        if (in <= 2) {
          pcm.samples.insert(pcm.samples.end(), frame, frame + in);
        } else {
          // Even channels to the left, odd ones to the right.
          float l = 0, r = 0;
          for (int c = 0; c < in; ++c) (c % 2 == 0 ? l : r) += frame[c];
          pcm.samples.push_back(l / static_cast<float>((in + 1) / 2));
          pcm.samples.push_back(r / static_cast<float>(in / 2));
        }
      }
    }
  }
  sf_close(sf);
  return ok;
}

std::string Decode_SoundFont() {
  static const char *const kFonts[] = {"/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
                                       "/usr/share/sounds/sf2/default-GM.sf2"};
  std::error_code ec;
  for (const char *f : kFonts)
    if (std::filesystem::is_regular_file(f, ec)) return f;
  return std::string();
}

struct CMidiStream::RImpl {
  fluid_settings_t *settings = nullptr;
  fluid_synth_t *synth = nullptr;
  fluid_player_t *player = nullptr;
  std::vector<uint8_t> file;
  bool loop = false;
  bool ended = false;
  int64_t tail = 0;  // frames rendered since the last note of a file that does not repeat

  ~RImpl() {
    if (player) {
      fluid_player_stop(player);
      delete_fluid_player(player);
    }
    if (synth) delete_fluid_synth(synth);
    if (settings) delete_fluid_settings(settings);
  }
};

CMidiStream::~CMidiStream() { delete m; }

std::unique_ptr<CMidiStream> CMidiStream::Open(const std::vector<uint8_t> &file, int32_t rate, bool loop, double tempo) {
  static const bool quiet = [] {
    // The synthesiser's chatter (missing instruments, say) is not for the player.
    for (int level : {FLUID_WARN, FLUID_INFO, FLUID_DBG}) fluid_set_log_function(level, nullptr, nullptr);
    return true;
  }();
  (void)quiet;
  const std::string font = Decode_SoundFont();
  // The player is handed only files whose every chunk and event lies
  // inside them; one that lasts no time at all is not repeated, which would
  // never end.
  const int64_t ticks = MidiTicks(file.data(), file.size());
  if (font.empty() || ticks < 0) return nullptr;
  if (ticks == 0) loop = false;
  std::unique_ptr<CMidiStream> s(new CMidiStream());
  s->m = new RImpl();
  RImpl &m = *s->m;
  m.file = file;
  m.settings = new_fluid_settings();
  if (m.settings == nullptr) return nullptr;
  fluid_settings_setnum(m.settings, "synth.sample-rate", rate);
  fluid_settings_setint(m.settings, "synth.threadsafe-api", 0);
  fluid_settings_setint(m.settings, "synth.cpu-cores", 1);
  // Timed by the frames rendered, never by the wall clock.
  fluid_settings_setstr(m.settings, "player.timing-source", "sample");
  m.synth = new_fluid_synth(m.settings);
  if (m.synth == nullptr || fluid_synth_sfload(m.synth, font.c_str(), 1) == FLUID_FAILED) return nullptr;
  m.player = new_fluid_player(m.synth);
  if (m.player == nullptr) return nullptr;
  if (fluid_player_add_mem(m.player, m.file.data(), m.file.size()) != FLUID_OK) return nullptr;
  m.loop = loop;
  fluid_player_set_loop(m.player, loop ? -1 : 1);
  fluid_player_set_tempo(m.player, FLUID_PLAYER_TEMPO_INTERNAL, tempo);
  if (fluid_player_play(m.player) != FLUID_OK) return nullptr;
  return s;
}

size_t CMidiStream::Render(float *stereo, size_t frames) {
  if (m->ended) return 0;
  size_t done = 0;
  // The player does not say it has finished a file that does not repeat:
  // once it is past the last tick, the file ends when the notes have died
  // away (at most a second later).
  constexpr int64_t kMaxTail = 44100;
  while (done < frames) {
    const bool pastEnd = !m->loop && fluid_player_get_current_tick(m->player) > fluid_player_get_total_ticks(m->player);
    if (fluid_player_get_status(m->player) != FLUID_PLAYER_PLAYING ||
        (pastEnd && (fluid_synth_get_active_voice_count(m->synth) == 0 || m->tail > kMaxTail))) {
      m->ended = true;
      break;
    }
    // Short slices, so that the end is found within a few milliseconds.
    const int n = static_cast<int>(std::min<size_t>(frames - done, 256));
    float *out = stereo + done * 2;
    if (fluid_synth_write_float(m->synth, n, out, 0, 2, out, 1, 2) != FLUID_OK) {
      m->ended = true;
      break;
    }
    done += static_cast<size_t>(n);
    if (pastEnd) m->tail += n;
  }
  return done;
}

void CMidiStream::SetTempo(double factor) { fluid_player_set_tempo(m->player, FLUID_PLAYER_TEMPO_INTERNAL, factor); }
