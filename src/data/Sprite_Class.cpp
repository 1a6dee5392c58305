#include "data/Sprite_Class.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "base/BM32_GIF.h"
#include "data/Texture_Hook.h"
#include "base/Support_Stream.h"

namespace {

constexpr int32_t kRecordVersion = 800;
constexpr int32_t kRecordVersionExtra = 810;  // carries one more integer
constexpr int32_t kOwnFileMarker = 1234321;
constexpr int32_t kOwnFileVersion = 800;
// The smallest stored frame: version, width and height.
constexpr int64_t kMinFrameBytes = 12;

bool HasGifExtension(const std::string &path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char &c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".gif";
}

int64_t BytesLeft(const CStream &s) { return s.Size() - s.Position(); }

// Frame count and frames, as records and sprite files hold them.
bool ReadFrames(CStream &s, std::vector<TBitmap32> &frames) {
  const int32_t n = s.ReadInteger();
  if (n < 0 || n * kMinFrameBytes > BytesLeft(s)) return false;
  frames.resize(static_cast<size_t>(n));
  for (TBitmap32 &bm : frames)
    if (!bm.LoadFromStream(s)) return false;
  return true;
}

}  // namespace

CSprite::~CSprite() { FreeTexture(); }

void CSprite::Clear() {
  FreeTexture();
  i_numb = 0;
  i_bitmap.clear();
  i_tex.clear();
  i_mask.clear();
  i_xorig = i_yorig = 0;
  i_bbox = RRect{0, 0, 0, 0};
}

void CSprite::Assign(const CSprite &other) {
  if (&other == this) return;
  Clear();
  i_numb = other.i_numb;
  i_bitmap = other.i_bitmap;
  i_xorig = other.i_xorig;
  i_yorig = other.i_yorig;
  i_bbox = other.i_bbox;
  i_mask = other.i_mask;
  i_sepmasks = other.i_sepmasks;
  InitTexture();
}

bool CSprite::LoadFromStream(CStream &stream) {
  Clear();
  const int32_t version = stream.ReadInteger();
  if (version != kRecordVersion && version != kRecordVersionExtra) return false;
  i_xorig = stream.ReadInteger();
  i_yorig = stream.ReadInteger();
  if (!ReadFrames(stream, i_bitmap)) return false;
  i_numb = static_cast<int32_t>(i_bitmap.size());
  i_tex.assign(i_bitmap.size(), -1);
  if (version == kRecordVersionExtra) stream.ReadInteger();
  i_sepmasks = stream.ReadBoolean();
  if (i_numb > 0) {
    i_mask.resize(i_sepmasks ? i_bitmap.size() : 1);
    for (TMask &m : i_mask)
      if (!m.LoadFromStream(stream)) return false;
  }
  ComputeBoundingBox();
  return true;
}

void CSprite::SaveToStream(CStream &stream) const {
  stream.WriteInteger(kRecordVersion);
  stream.WriteInteger(i_xorig);
  stream.WriteInteger(i_yorig);
  stream.WriteInteger(i_numb);
  for (const TBitmap32 &bm : i_bitmap) bm.SaveToStream(stream);
  stream.WriteBoolean(i_sepmasks);
  if (i_numb <= 0) return;
  // Always as many masks as the reader expects, even for a sprite whose
  // masks were never built.
  const size_t count = i_sepmasks ? static_cast<size_t>(i_numb) : 1;
  const TMask empty;
  for (size_t k = 0; k < count; ++k) (k < i_mask.size() ? i_mask[k] : empty).SaveToStream(stream);
}

void CSprite::LoadStripFromBitmap(const TBitmap32 &picture, int32_t imgnumb, bool removeback, bool smooth,
                                  int32_t xorig, int32_t yorig) {
  // Frames narrower than a pixel would be empty; a wild count from a script
  // must not make millions of them.
  const int32_t n = std::clamp(imgnumb, 1, std::max(picture.Width(), 1));
  const int32_t fw = picture.Width() / n;
  std::vector<TBitmap32> frames;
  frames.reserve(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) frames.push_back(picture.Region(i * fw, 0, fw, picture.Height()));
  LoadFromFrames(std::move(frames), removeback, smooth, xorig, yorig);
}

void CSprite::LoadFromFrames(std::vector<TBitmap32> frames, bool removeback, bool smooth, int32_t xorig,
                             int32_t yorig) {
  Clear();
  for (TBitmap32 &frame : frames) frame.PrepareLoaded(removeback, smooth);
  i_bitmap = std::move(frames);
  i_numb = static_cast<int32_t>(i_bitmap.size());
  i_xorig = xorig;
  i_yorig = yorig;
  InitTexture();
  ComputeMask(RMaskSettings());
}

bool CSprite::LoadFromFile(const std::string &path, int32_t imgnumb, bool removeback, bool smooth, int32_t xorig,
                           int32_t yorig) {
  std::vector<uint8_t> bytes;
  if (!BM32_ReadFileBytes(path, bytes)) return false;
  // A file named .gif that holds another format is read by what it holds.
  if (HasGifExtension(path) && IsGif(bytes.data(), bytes.size()))
    return LoadGifFromBytes(bytes, removeback, smooth, xorig, yorig);
  TBitmap32 picture;
  if (!picture.LoadFromFileBytes(bytes.data(), bytes.size())) return false;
  LoadStripFromBitmap(picture, imgnumb, removeback, smooth, xorig, yorig);
  return true;
}

bool CSprite::LoadGifFromFile(const std::string &path, bool removeback, bool smooth, int32_t xorig, int32_t yorig) {
  std::vector<uint8_t> bytes;
  return BM32_ReadFileBytes(path, bytes) && LoadGifFromBytes(bytes, removeback, smooth, xorig, yorig);
}

bool CSprite::LoadGifFromBytes(const std::vector<uint8_t> &bytes, bool removeback, bool smooth, int32_t xorig,
                               int32_t yorig) {
  std::vector<TBitmap32> frames;
  std::string why;
  if (!DecodeGifFrames(bytes.data(), bytes.size(), frames, why)) return false;
  LoadFromFrames(std::move(frames), removeback, smooth, xorig, yorig);
  return true;
}

bool CSprite::LoadFromSpriteFile(const std::string &path) {
  std::vector<uint8_t> bytes;
  return BM32_ReadFileBytes(path, bytes) && LoadFromSpriteBytes(bytes);
}

bool CSprite::LoadFromSpriteBytes(const std::vector<uint8_t> &bytes) {
  try {
    CStream file(bytes);
    if (file.ReadInteger() != kOwnFileMarker) return false;
    std::unique_ptr<CStream> s = file.ReadStreamC();
    if (s->ReadInteger() != kOwnFileVersion) return false;
    const int32_t xorig = s->ReadInteger();
    const int32_t yorig = s->ReadInteger();
    std::vector<TBitmap32> frames;
    if (!ReadFrames(*s, frames)) return false;
    RMaskSettings m;
    m.kind = s->ReadInteger();
    m.tolerance = s->ReadInteger();
    m.sepmasks = s->ReadBoolean();
    m.bbmode = s->ReadInteger();
    m.bbox.left = s->ReadInteger();
    m.bbox.right = s->ReadInteger();
    m.bbox.bottom = s->ReadInteger();
    m.bbox.top = s->ReadInteger();
    Clear();
    for (TBitmap32 &bm : frames) bm.BleedColors();
    i_bitmap = std::move(frames);
    i_numb = static_cast<int32_t>(i_bitmap.size());
    i_xorig = xorig;
    i_yorig = yorig;
    InitTexture();
    ComputeMask(m);
    return true;
  } catch (const EStreamError &) {
    return false;
  }
}

std::vector<uint8_t> CSprite::SaveToSpriteBytes(const RMaskSettings &settings) const {
  CStream body;
  body.WriteInteger(kOwnFileVersion);
  body.WriteInteger(i_xorig);
  body.WriteInteger(i_yorig);
  body.WriteInteger(i_numb);
  for (const TBitmap32 &bm : i_bitmap) bm.SaveToStream(body);
  body.WriteInteger(settings.kind);
  body.WriteInteger(settings.tolerance);
  body.WriteBoolean(settings.sepmasks);
  body.WriteInteger(settings.bbmode);
  body.WriteInteger(settings.bbox.left);
  body.WriteInteger(settings.bbox.right);
  body.WriteInteger(settings.bbox.bottom);
  body.WriteInteger(settings.bbox.top);
  CStream file;
  file.WriteInteger(kOwnFileMarker);
  file.WriteStreamC(body);
  return file.Bytes();
}

void CSprite::CreateFromBitmap(const TBitmap32 *picture, int32_t mode, bool smooth, int32_t xorig, int32_t yorig) {
  Clear();
  if (picture) {
    TBitmap32 frame = *picture;
    frame.PrepareGrabbed(mode, smooth);
    i_bitmap.push_back(std::move(frame));
  }
  i_numb = static_cast<int32_t>(i_bitmap.size());
  i_xorig = xorig;
  i_yorig = yorig;
  InitTexture();
  ComputeMask(RMaskSettings());
}

void CSprite::AddFromBitmap(const TBitmap32 &picture, bool removeback, bool smooth) {
  TBitmap32 frame = picture;
  frame.PrepareLoaded(removeback, smooth);
  i_bitmap.push_back(frame.Stretched(GetWidth(), GetHeight()));
  i_numb = static_cast<int32_t>(i_bitmap.size());
  InitTexture();
  RMaskSettings m;
  m.sepmasks = i_sepmasks;
  ComputeMask(m);
}

void CSprite::AddFromSprite(const CSprite &other) {
  const int32_t w = GetWidth(), h = GetHeight();
  std::vector<TBitmap32> added;
  added.reserve(other.i_bitmap.size());
  for (const TBitmap32 &bm : other.i_bitmap) added.push_back(bm.Stretched(w, h));
  for (TBitmap32 &bm : added) i_bitmap.push_back(std::move(bm));
  i_numb = static_cast<int32_t>(i_bitmap.size());
  InitTexture();
  RMaskSettings m;
  m.sepmasks = i_sepmasks;
  ComputeMask(m);
}

void CSprite::SetAlphaFromSprite(const CSprite &other) {
  if (other.i_numb <= 0) return;
  for (int32_t i = 0; i < i_numb; ++i) {
    TBitmap32 &dst = i_bitmap[static_cast<size_t>(i)];
    dst.SetAlphaFrom(other.i_bitmap[static_cast<size_t>(other.FrameIndex(i))]);
  }
  InitTexture();
}

void CSprite::ComputeMask(const RMaskSettings &m) { ComputeMask(m.sepmasks, m.bbmode, m.tolerance, m.kind, m.bbox); }

void CSprite::ComputeMask(bool sepmasks, int32_t bbmode, int32_t tolerance, int32_t kind, const RRect &bbox) {
  FreeMask();
  i_sepmasks = sepmasks;
  if (i_numb > 0) {
    if (sepmasks) {
      i_mask.reserve(i_bitmap.size());
      for (const TBitmap32 &bm : i_bitmap) i_mask.emplace_back(bm, tolerance, kind, bbox, bbmode);
    } else {
      i_mask.emplace_back(i_bitmap[0], tolerance, kind, bbox, bbmode);
      for (size_t k = 1; k < i_bitmap.size(); ++k) i_mask[0].Merge(i_bitmap[k], bbmode, tolerance, kind, bbox);
    }
  }
  ComputeBoundingBox();
}

void CSprite::FreeMask() { i_mask.clear(); }

void CSprite::ComputeBoundingBox() {
  if (i_numb <= 0 || i_mask.empty()) {
    i_bbox = RRect{0, 0, 0, 0};
    return;
  }
  if (!i_sepmasks) {
    i_bbox = i_mask[0].BoundingBox();
    return;
  }
  RRect box{GetWidth() - 1, GetHeight() - 1, 0, 0};
  for (const TMask &m : i_mask) {
    const RRect &b = m.BoundingBox();
    box.left = std::min(box.left, b.left);
    box.top = std::min(box.top, b.top);
    box.right = std::max(box.right, b.right);
    box.bottom = std::max(box.bottom, b.bottom);
  }
  i_bbox = box;
}

void CSprite::InitTexture() {
  FreeTexture();
  i_tex.assign(i_bitmap.size(), -1);
  for (size_t k = 0; k < i_bitmap.size(); ++k) i_tex[k] = Texture_CreateFromBitmap(i_bitmap[k]);
}

void CSprite::FreeTexture() {
  for (int32_t &t : i_tex) {
    Texture_Release(t);
    t = -1;
  }
}

int32_t CSprite::GetTexture(int64_t frame) const {
  const int32_t k = FrameIndex(frame);
  return k < 0 || static_cast<size_t>(k) >= i_tex.size() ? -1 : i_tex[static_cast<size_t>(k)];
}

int32_t CSprite::GetWidth() const { return i_bitmap.empty() ? 1 : i_bitmap[0].Width(); }
int32_t CSprite::GetHeight() const { return i_bitmap.empty() ? 1 : i_bitmap[0].Height(); }

int32_t CSprite::FrameIndex(int64_t frame) const {
  if (i_numb <= 0) return -1;
  int64_t r = frame % i_numb;
  if (r < 0) r += i_numb;
  return static_cast<int32_t>(r);
}

const TMask *CSprite::MaskFor(int64_t frame) const {
  if (i_mask.empty()) return nullptr;
  const size_t k = i_sepmasks ? static_cast<size_t>(std::max(FrameIndex(frame), 0)) : 0;
  return k < i_mask.size() ? &i_mask[k] : nullptr;
}
