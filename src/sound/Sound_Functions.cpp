// The sound family: sound_..., the CD functions and MCI_command.
#include <string>

#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "sound/Sound_Main.h"

namespace {

#define ROUTINE(name) void name(CInstance *, CInstance *, int, RValue *args, RValue &result)

using fnarg::Bool;
using fnarg::Int;
using fnarg::Num;
using fnarg::Text;

ROUTINE(F_SoundPlay) { Sound_Play(Int(args[0]), false); }
ROUTINE(F_SoundLoop) { Sound_Play(Int(args[0]), true); }
ROUTINE(F_SoundStop) { Sound_Stop(Int(args[0])); }
ROUTINE(F_SoundStopAll) { Sound_StopAll(); }
ROUTINE(F_SoundIsPlaying) { result.SetReal(Sound_IsPlaying(Int(args[0])) ? 1 : 0); }
ROUTINE(F_SoundVolume) { Sound_SetVolume(Int(args[0]), Num(args[1]), 0); }
ROUTINE(F_SoundFade) { Sound_SetVolume(Int(args[0]), Num(args[1]), Num(args[2])); }
ROUTINE(F_SoundPan) { Sound_SetPan(Int(args[0]), Num(args[1])); }
ROUTINE(F_SoundBackgroundTempo) { Sound_SetTempo(Num(args[0])); }
ROUTINE(F_SoundGlobalVolume) { Sound_SetGlobalVolume(Num(args[0])); }
// Every sound is decoded from the bytes it carries, so no file it names
// is looked up anywhere.
ROUTINE(F_SoundSetSearchDirectory) {}
ROUTINE(F_SoundEffectSet) { Sound_SetEffects(Int(args[0]), Int(args[1])); }

// The parameters after the sound; the integer ones (wave, phase, pan delay,
// rate, wave shape) rounded.
template <int32_t Kind, int Count, int... Rounded>
ROUTINE(F_SoundEffect) {
  double p[7] = {};
  for (int i = 0; i < Count; ++i) p[i] = Num(args[i + 1]);
  constexpr int kRounded[] = {Rounded..., -1};
  for (int i : kRounded)
    if (i >= 0) p[i] = Int(args[i + 1]) == fnarg::kNoInt ? 0.0 : static_cast<double>(Int(args[i + 1]));
  Sound_SetEffectParams(Int(args[0]), Kind, p, Count);
}

template <int What, int Count>
ROUTINE(F_Sound3D) {
  double v[6] = {};
  for (int i = 0; i < Count; ++i) v[i] = Num(args[i + 1]);
  Sound_Set3D(Int(args[0]), What, v);
}

ROUTINE(F_SoundExists) { result.SetReal(Sound_Get(Int(args[0])) ? 1 : 0); }
ROUTINE(F_SoundName) { result.SetString(Sound_Name(Int(args[0]))); }
ROUTINE(F_SoundGetKind) {
  const CSound *s = Sound_Get(Int(args[0]));
  result.SetReal(s ? s->s_kind : -1);
}
ROUTINE(F_SoundGetPreload) {
  const CSound *s = Sound_Get(Int(args[0]));
  result.SetReal(s ? (s->s_preload ? 1 : 0) : -1);
}
ROUTINE(F_SoundDiscard) {
  if (CSound *s = Sound_Get(Int(args[0]))) s->Discard();
}
ROUTINE(F_SoundRestore) {
  if (CSound *s = Sound_Get(Int(args[0]))) s->Restore();
}
ROUTINE(F_SoundAdd) { result.SetReal(Sound_Add(std::string(Text(args[0])), Int(args[1]), Bool(args[2]))); }
ROUTINE(F_SoundReplace) {
  result.SetReal(Sound_Replace(Int(args[0]), std::string(Text(args[1])), Int(args[2]), Bool(args[3])) ? 1 : 0);
}
ROUTINE(F_SoundDelete) { Sound_Delete(Int(args[0])); }

// ---- CD audio ----
// The CD functions speak the command strings of the "cdaudio" device. No
// device here answers them: every answer is empty, so no disc is ever
// present and nothing plays; the commands are kept so the functions say
// what they would ask of one.

std::string Mci(const std::string &) { return std::string(); }
// At most 20 characters of answer.
std::string Ask(const std::string &command) { return Mci(command).substr(0, 20); }

// The number in the digit characters of an answer; 0 without digits.
double Number(const std::string &answer) {
  double n = 0;
  for (char c : answer)
    if (c >= '0' && c <= '9') n = n * 10 + (c - '0');
  return n;
}

bool Present() {
  Ask("open cdaudio");
  return Ask("status cdaudio media present") == "true";
}
double Tracks() { return Present() ? Number(Ask("status cdaudio number of tracks")) : 0; }
bool Mode(const char *mode) { return Ask("status cdaudio mode") == mode; }

ROUTINE(F_CdInit) {
  Ask("close cdaudio");
  Ask("open cdaudio");
}
ROUTINE(F_CdPresent) { result.SetReal(Present() ? 1 : 0); }
ROUTINE(F_CdNumber) { result.SetReal(Tracks()); }
ROUTINE(F_CdPlaying) { result.SetReal(Present() && Mode("playing") ? 1 : 0); }
ROUTINE(F_CdPaused) { result.SetReal(Present() && (Mode("paused") || Mode("stopped")) ? 1 : 0); }
ROUTINE(F_CdTrack) {
  Ask("open cdaudio");
  Ask("set cdaudio time format tmsf wait");
  result.SetReal(Present() ? Number(Ask("status cdaudio position").substr(0, 2)) : 0);
}
ROUTINE(F_CdLength) {
  Ask("open cdaudio");
  Ask("set cdaudio time format ms wait");
  result.SetReal(Present() ? Number(Ask("status cdaudio length wait")) : 0);
  Ask("set cdaudio time format tmsf wait");
}
ROUTINE(F_CdTrackLength) {
  Ask("open cdaudio");
  const int32_t n = Int(args[0]);
  if (n <= 0 || n > Tracks()) return;
  Ask("set cdaudio time format milliseconds wait");
  if (Present()) result.SetReal(Number(Ask("status cdaudio length track " + std::to_string(n))));
  Ask("set cdaudio time format tmsf wait");
}
ROUTINE(F_CdPosition) {
  Ask("open cdaudio");
  Ask("set cdaudio time format milliseconds wait");
  if (Present()) result.SetReal(Number(Ask("status cdaudio position")));
  Ask("set cdaudio time format tmsf wait");
}
ROUTINE(F_CdTrackPosition) {
  Ask("open cdaudio");
  Ask("set cdaudio time format tmsf wait");
  if (!Present()) return;
  // track:minutes:seconds:frames
  const std::string a = Ask("status cdaudio position");
  const size_t p1 = a.find(':'), p2 = p1 == std::string::npos ? p1 : a.find(':', p1 + 1),
               p3 = p2 == std::string::npos ? p2 : a.find(':', p2 + 1);
  if (p3 == std::string::npos) return;
  result.SetReal(Number(a.substr(p1 + 1, p2 - p1 - 1)) * 60000 + Number(a.substr(p2 + 1, p3 - p2 - 1)) * 1000);
}
ROUTINE(F_CdPlay) {
  if (!Present()) return;
  Ask("set cdaudio time format tmsf wait");
  int64_t first = Int(args[0]), last = Int(args[1]);
  if (last < first) return;
  if (first < 1) first = 1;
  if (last < Tracks()) Ask("play cdaudio from " + std::to_string(first) + " to " + std::to_string(last + 1));
  else Ask("play cdaudio from " + std::to_string(first));
}
ROUTINE(F_CdStop) {
  if (Present()) Ask("stop cdaudio");
}
ROUTINE(F_CdPause) {
  if (Present()) Ask("pause cdaudio");
}
ROUTINE(F_CdResume) {
  if (Present()) Ask("play cdaudio");
}
ROUTINE(F_CdSetPosition) {
  if (!Present()) return;
  Ask("set cdaudio time format milliseconds wait");
  const std::string ms = std::to_string(static_cast<int64_t>(Int(args[0])));
  Ask((Mode("playing") ? "play cdaudio from " : "seek cdaudio to ") + ms);
  Ask("set cdaudio time format tmsf");
}
ROUTINE(F_CdSetTrackPosition) {
  if (!Present()) return;
  Ask("set cdaudio time format tmsf wait");
  const double track = Number(Ask("status cdaudio position").substr(0, 2));
  if (track <= 0) return;
  const int64_t ms = Int(args[0]);
  const std::string pos = std::to_string(static_cast<int64_t>(track)) + ":" + std::to_string(ms / 60000) + ":" +
                          std::to_string((ms % 60000) / 1000);
  Ask((Mode("playing") ? "play cdaudio from " : "seek cdaudio to ") + pos);
  Ask("set cdaudio time format tmsf");
}
ROUTINE(F_CdOpenDoor) {
  Ask("open cdaudio");
  Ask("set cdaudio door open");
}
ROUTINE(F_CdCloseDoor) {
  Ask("open cdaudio");
  Ask("set cdaudio door closed");
}
ROUTINE(F_MciCommand) { result.SetString(Mci(std::string(Text(args[0]))).substr(0, 255)); }

}  // namespace

void Sound_RegisterFunctions() {
  FunctionAdd("sound_play", F_SoundPlay, 1);
  FunctionAdd("sound_loop", F_SoundLoop, 1);
  FunctionAdd("sound_stop", F_SoundStop, 1);
  FunctionAdd("sound_stop_all", F_SoundStopAll, 0);
  FunctionAdd("sound_isplaying", F_SoundIsPlaying, 1);
  FunctionAdd("sound_volume", F_SoundVolume, 2);
  FunctionAdd("sound_fade", F_SoundFade, 3);
  FunctionAdd("sound_pan", F_SoundPan, 2);
  FunctionAdd("sound_background_tempo", F_SoundBackgroundTempo, 1);
  FunctionAdd("sound_global_volume", F_SoundGlobalVolume, 1);
  FunctionAdd("sound_set_search_directory", F_SoundSetSearchDirectory, 1);
  FunctionAdd("sound_effect_set", F_SoundEffectSet, 2);
  FunctionAdd("sound_effect_chorus", F_SoundEffect<1, 7, 4, 6>, 8);
  FunctionAdd("sound_effect_echo", F_SoundEffect<2, 5, 4>, 6);
  FunctionAdd("sound_effect_flanger", F_SoundEffect<4, 7, 4, 6>, 8);
  FunctionAdd("sound_effect_gargle", F_SoundEffect<8, 2, 0, 1>, 3);
  FunctionAdd("sound_effect_reverb", F_SoundEffect<16, 4>, 5);
  FunctionAdd("sound_effect_compressor", F_SoundEffect<32, 6>, 7);
  FunctionAdd("sound_effect_equalizer", F_SoundEffect<64, 3>, 4);
  FunctionAdd("sound_3d_set_sound_position", F_Sound3D<0, 3>, 4);
  FunctionAdd("sound_3d_set_sound_velocity", F_Sound3D<1, 3>, 4);
  FunctionAdd("sound_3d_set_sound_distance", F_Sound3D<2, 2>, 3);
  FunctionAdd("sound_3d_set_sound_cone", F_Sound3D<3, 6>, 7);
  FunctionAdd("sound_exists", F_SoundExists, 1);
  FunctionAdd("sound_name", F_SoundName, 1);
  FunctionAdd("sound_get_name", F_SoundName, 1);
  FunctionAdd("sound_get_kind", F_SoundGetKind, 1);
  FunctionAdd("sound_get_preload", F_SoundGetPreload, 1);
  FunctionAdd("sound_discard", F_SoundDiscard, 1);
  FunctionAdd("sound_restore", F_SoundRestore, 1);
  FunctionAdd("sound_add", F_SoundAdd, 3);
  FunctionAdd("sound_replace", F_SoundReplace, 4);
  FunctionAdd("sound_delete", F_SoundDelete, 1);
  FunctionAdd("cd_init", F_CdInit, 0);
  FunctionAdd("cd_present", F_CdPresent, 0);
  FunctionAdd("cd_number", F_CdNumber, 0);
  FunctionAdd("cd_playing", F_CdPlaying, 0);
  FunctionAdd("cd_paused", F_CdPaused, 0);
  FunctionAdd("cd_track", F_CdTrack, 0);
  FunctionAdd("cd_length", F_CdLength, 0);
  FunctionAdd("cd_track_length", F_CdTrackLength, 1);
  FunctionAdd("cd_position", F_CdPosition, 0);
  FunctionAdd("cd_track_position", F_CdTrackPosition, 0);
  FunctionAdd("cd_play", F_CdPlay, 2);
  FunctionAdd("cd_stop", F_CdStop, 0);
  FunctionAdd("cd_pause", F_CdPause, 0);
  FunctionAdd("cd_resume", F_CdResume, 0);
  FunctionAdd("cd_set_position", F_CdSetPosition, 1);
  FunctionAdd("cd_set_track_position", F_CdSetTrackPosition, 1);
  FunctionAdd("cd_open_door", F_CdOpenDoor, 0);
  FunctionAdd("cd_close_door", F_CdCloseDoor, 0);
  FunctionAdd("MCI_command", F_MciCommand, 1);
}
