// The game's sounds and the engine that plays them: the sound list and its
// section of the game file, the engine samples (one channel of the audio
// output each, so volume, pan, effects and 3D placement are per sound), the
// one media player of multimedia sounds, fades, the master volume and the
// music tempo.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Resource_Items.h"
#include "platform/Platform_Main.h"
#include "sound/Sound_Class.h"

using RSoundList = RResourceList<CSound>;
extern RSoundList g_Sounds;

inline constexpr char kMsgNoSoundDevice[] = "No sound device detected. Sounds might not play.";
inline constexpr char kMsgFileNameTooLong[] = "Music file name too long for player.";
inline constexpr char kMsgSoundDoesNotExist[] = "Sound does not exist.";
inline constexpr char kMsgReplaceNonExisting[] = "Trying to replace non-existing sound.";
inline constexpr char kMsgDeleteNonExisting[] = "Trying to delete non-existing sound.";

// The sounds section: version 800, then the named item streams.
bool Sound_Load(CStream &stream);
void Sound_SaveSection(CStream &stream, const RSoundList &list);

CSound *Sound_Get(int64_t index);
// "<undefined>" for an index that is not a sound.
const std::string &Sound_Name(int64_t index);
int32_t Sound_Find(std::string_view name);

// Start-up: the engine starts when the game has a sound, then every sound
// that preloads is restored.
void Sound_Prepare();
// Shutdown: every sample unloaded, the media player stopped, the output
// closed. The sounds stay in the list.
void Sound_Shutdown();
// Shutdown, and the list emptied (a fresh game, or a test).
void Sound_ResetState();
// Once a step: the mix goes on for the step's time, fades move.
void Sound_Step(int64_t stepMicros);

// Starts the engine when not done yet; false once it could not start
// (the message has been shown then, once for the run).
bool Sound_InitEngine();
bool Sound_Disabled();

// ---- what CSound asks of the engine ----
void Sound_RestoreSound(CSound &sound);
void Sound_FreeSample(int32_t sample);

// ---- the operations of the script functions, on a sound index ----
void Sound_Play(int32_t index, bool loop);
void Sound_Stop(int32_t index);
void Sound_StopAll();
bool Sound_IsPlaying(int32_t index);
// Volume 0 ... 1 reached after ms milliseconds (0: at once).
void Sound_SetVolume(int32_t index, double value, double ms);
void Sound_SetPan(int32_t index, double value);
void Sound_SetEffects(int32_t index, int32_t effects);
// Sets every parameter of the first effect of that kind in the sound's
// chain; nothing when it has none.
void Sound_SetEffectParams(int32_t index, int32_t kind, const double *params, int count);
void Sound_Set3D(int32_t index, int what, const double *values);
void Sound_SetGlobalVolume(double value);
void Sound_SetTempo(double factor);
// A new sound from a file: its index, or -1 (nothing added).
int32_t Sound_Add(const std::string &path, int32_t kind, bool preload);
bool Sound_Replace(int32_t index, const std::string &path, int32_t kind, bool preload);
void Sound_Delete(int32_t index);

// ---- what the engine holds, for tests and the summary ----
// The volume of the sound's channel in hundredths of a decibel (0 when it
// has no sample).
int32_t Sound_PathVolume(int32_t index);
int32_t Sound_PathPan(int32_t index);
// The sound's effect chain as the output got it.
std::vector<RAudioEffect> Sound_Chain(int32_t index);
int32_t Sound_MasterVolume();
double Sound_Tempo();

// Registers the sound family (sound_..., cd_..., MCI_command).
void Sound_RegisterFunctions();
