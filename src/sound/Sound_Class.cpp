#include "sound/Sound_Class.h"

#include "base/Support_File.h"
#include "base/Support_Path.h"
#include "base/Support_Stream.h"
#include "sound/Sound_Main.h"

namespace {
constexpr int32_t kVersion = 800;
}

// The engine's copy goes with Sound_Delete or the engine's shutdown, never
// with the object: the list may outlive the engine at exit.
CSound::~CSound() = default;

void CSound::Clear() {
  Discard();
  s_kind = -1;
  s_extension.clear();
  s_origname.clear();
  s_sound.reset();
  s_preload = true;
  s_effects = 0;
  s_volume = 1;
  s_pan = 0;
  s_soundid = -1;
  s_fname.clear();
}

bool CSound::LoadFromStream(CStream &stream) {
  Clear();
  if (stream.ReadInteger() != kVersion) return false;
  s_kind = stream.ReadInteger();
  s_extension = stream.ReadString();
  s_origname = stream.ReadString();
  if (stream.ReadBoolean()) {
    std::unique_ptr<CStream> data = stream.ReadStreamC();
    s_sound = std::make_unique<std::vector<uint8_t>>(data->Bytes());
  }
  s_effects = stream.ReadInteger();
  s_volume = stream.ReadReal();
  s_pan = stream.ReadReal();
  s_preload = stream.ReadBoolean();
  return true;
}

void CSound::SaveToStream(CStream &stream) const {
  stream.WriteInteger(kVersion);
  stream.WriteInteger(s_kind);
  stream.WriteString(s_extension);
  stream.WriteString(s_origname);
  stream.WriteBoolean(s_sound != nullptr);
  if (s_sound) {
    CStream data(*s_sound);
    stream.WriteStreamC(data);
  }
  stream.WriteInteger(s_effects);
  stream.WriteReal(s_volume);
  stream.WriteReal(s_pan);
  stream.WriteBoolean(s_preload);
}

bool CSound::LoadFromFile(const std::string &path, int32_t kind, bool preload) {
  std::vector<uint8_t> bytes;
  if (!ReadRegularFile(TranslatePath(path), bytes)) return false;
  Clear();
  std::string name = path;
  const size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  const size_t dot = name.find_last_of('.');
  s_extension = dot == std::string::npos ? std::string() : name.substr(dot);
  s_origname = name;
  s_kind = kind;
  s_preload = preload;
  s_sound = std::make_unique<std::vector<uint8_t>>(std::move(bytes));
  Prepare();
  return true;
}

void CSound::Prepare() {
  if (s_preload) Restore();
}

void CSound::Restore() { Sound_RestoreSound(*this); }

void CSound::Discard() {
  if (s_soundid < 0) return;
  Sound_FreeSample(s_soundid);
  s_soundid = -1;
}

int32_t CSound::GetSoundId() {
  if (s_soundid < 0) Restore();
  return s_soundid;
}
