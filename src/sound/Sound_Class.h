// CSound: one sound resource, the bytes of its file and how it plays, and
// its record in the game file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CStream;

class CSound {
public:
  // 0 normal sound, 1 background music, 2 3D sound, 3 multimedia (played
  // by the one media player); -1 when empty.
  int32_t s_kind = -1;
  std::string s_extension;  // of the original file, with the dot
  std::string s_origname;   // the original file's name, without folder
  std::unique_ptr<std::vector<uint8_t>> s_sound;  // the file's bytes, or none
  bool s_preload = true;
  int32_t s_effects = 0;  // effect bit set, as sound_effect_set takes it
  double s_volume = 1;    // 0 ... 1
  double s_pan = 0;       // -1 ... 1
  int32_t s_soundid = -1;  // engine sample, -1 when not loaded
  std::string s_fname;     // the temporary file a multimedia sound plays from

  CSound() = default;
  CSound(const CSound &) = delete;
  CSound &operator=(const CSound &) = delete;
  ~CSound();

  // Empty: kind -1, no data, effects 0, volume 1, pan 0, preload, unloaded.
  void Clear();
  // The record in the game file: version 800, kind, extension, original
  // name, the data as a compressed block after a flag, effects, volume,
  // pan, preload. Fails for another version; a damaged block raises as the
  // stream does.
  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;
  // Reads the whole file (a game path), takes its extension and name, then
  // Prepare. False, sound unchanged, when the file cannot be read.
  bool LoadFromFile(const std::string &path, int32_t kind, bool preload);
  // Restores when the sound preloads.
  void Prepare();
  // Loads the sound into the engine (a multimedia sound into its temporary
  // file first).
  void Restore();
  // Unloads the engine's copy; the data stays.
  void Discard();
  // The engine sample, restored first when not loaded; -1 when there is none.
  int32_t GetSoundId();
};
