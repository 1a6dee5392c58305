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
  sf_count_t to = offset;
  if (whence == SEEK_CUR) to = f.pos + offset;
  else if (whence == SEEK_END) to = f.size + offset;
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
  if (font.empty() || file.empty()) return nullptr;
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
