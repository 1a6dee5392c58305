#include "data/Background_Class.h"

#include "data/Texture_Hook.h"
#include "base/Support_Stream.h"

namespace {
constexpr int32_t kRecordVersion = 710;
constexpr int32_t kOwnFileMarker = 1234321;
}  // namespace

CBackground::~CBackground() { FreeTexture(); }

void CBackground::Clear() {
  FreeTexture();
  i_bitmap = TBitmap32();
}

void CBackground::Assign(const CBackground &other) {
  if (&other == this) return;
  i_bitmap = other.i_bitmap;
  InitTexture();
}

bool CBackground::LoadFromStream(CStream &stream) {
  Clear();
  if (stream.ReadInteger() != kRecordVersion) return false;
  return i_bitmap.LoadFromStream(stream);
}

void CBackground::SaveToStream(CStream &stream) const {
  stream.WriteInteger(kRecordVersion);
  i_bitmap.SaveToStream(stream);
}

void CBackground::LoadFromPicture(TBitmap32 picture, bool removeback, bool smooth) {
  picture.PrepareLoaded(removeback, smooth);
  i_bitmap = std::move(picture);
  InitTexture();
}

bool CBackground::LoadFromFile(const std::string &path, bool removeback, bool smooth) {
  std::vector<uint8_t> bytes;
  TBitmap32 picture;
  if (!BM32_ReadFileBytes(path, bytes) || !picture.LoadFromFileBytes(bytes.data(), bytes.size())) return false;
  LoadFromPicture(std::move(picture), removeback, smooth);
  return true;
}

bool CBackground::LoadFromBackgroundFile(const std::string &path) {
  std::vector<uint8_t> bytes;
  return BM32_ReadFileBytes(path, bytes) && LoadFromBackgroundBytes(bytes);
}

bool CBackground::LoadFromBackgroundBytes(const std::vector<uint8_t> &bytes) {
  try {
    CStream file(bytes);
    if (file.ReadInteger() != kOwnFileMarker) return false;
    std::unique_ptr<CStream> s = file.ReadStreamC();
    if (s->ReadInteger() != kRecordVersion) return false;
    s->ReadBoolean();
    for (int k = 0; k < 6; ++k) s->ReadInteger();
    TBitmap32 picture;
    if (!picture.LoadFromStream(*s)) return false;
    picture.BleedColors();
    i_bitmap = std::move(picture);
    InitTexture();
    return true;
  } catch (const EStreamError &) {
    return false;
  }
}

std::vector<uint8_t> CBackground::SaveToBackgroundBytes() const {
  CStream body;
  body.WriteInteger(kRecordVersion);
  body.WriteBoolean(false);
  for (int k = 0; k < 6; ++k) body.WriteInteger(0);
  i_bitmap.SaveToStream(body);
  CStream file;
  file.WriteInteger(kOwnFileMarker);
  file.WriteStreamC(body);
  return file.Bytes();
}

void CBackground::CreateColor(int32_t w, int32_t h, int32_t color) {
  // The game's colours hold red in the low byte; pixels hold blue there.
  const uint32_t c = static_cast<uint32_t>(color);
  const TColor32 px = 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
  i_bitmap = TBitmap32(w, h, px);
  InitTexture();
}

void CBackground::SetAlphaFromBackground(const CBackground &other) {
  i_bitmap.SetAlphaFrom(other.i_bitmap);
  InitTexture();
}

void CBackground::InitTexture() {
  FreeTexture();
  i_tex = Texture_CreateFromBitmap(i_bitmap);
}

void CBackground::FreeTexture() {
  Texture_Release(i_tex);
  i_tex = -1;
}
