#include "data/Background_Class.h"

#include <algorithm>
#include <cmath>

#include "data/Texture_Hook.h"
#include "base/Support_Stream.h"

namespace {
constexpr int32_t kRecordVersion = 710;
constexpr int32_t kOwnFileMarker = 1234321;

// A game colour (red in the low byte) as a pixel, alpha 0: gradients are
// drawn as a picture without alpha and made opaque at the end.
TColor32 PixelOf(int32_t colour) {
  const uint32_t c = static_cast<uint32_t>(colour);
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// The colour of step i of n between two pixels, channel by channel, rounded
// to nearest with halves to even. A gradient of no steps stays at its
// first colour.
TColor32 Step(TColor32 from, TColor32 to, int64_t i, int64_t n) {
  const double t = n == 0 ? 0.0 : static_cast<double>(i) / static_cast<double>(n);
  TColor32 c = 0;
  for (int k = 0; k < 3; ++k) {
    const double a = (from >> (8 * k)) & 0xFF, b = (to >> (8 * k)) & 0xFF;
    const double v = std::nearbyint((1 - t) * a + t * b);
    c |= static_cast<TColor32>(std::clamp(v, 0.0, 255.0)) << (8 * k);
  }
  return c;
}

// Shapes are drawn as a window's canvas draws them: a rectangle (l, t, r,
// b) covers the pixels from l to r - 1 and t to b - 1, an ellipse the
// pixels of that rectangle whose centres lie inside the ellipse it bounds,
// and a line every pixel from its start up to, not including, its end.
class CGradientCanvas {
public:
  explicit CGradientCanvas(TBitmap32 &bm) : m_bm(bm) {}

  void Column(int64_t x, TColor32 c) {
    if (x < 0 || x >= m_bm.Width()) return;
    for (int y = 0; y < m_bm.Height(); ++y) m_bm.SetPixel(static_cast<int>(x), y, c);
  }
  void Row(int64_t y, TColor32 c) {
    if (y < 0 || y >= m_bm.Height()) return;
    for (int x = 0; x < m_bm.Width(); ++x) m_bm.SetPixel(x, static_cast<int>(y), c);
  }
  void Line(int64_t x0, int64_t y0, int64_t x1, int64_t y1, TColor32 c) {
    const int64_t dx = x1 - x0, dy = y1 - y0;
    const int64_t steps = std::max(std::abs(dx), std::abs(dy));
    for (int64_t k = 0; k < steps; ++k) {
      // Rounded to nearest along the minor axis.
      const int64_t x = x0 + FloorDiv(2 * k * dx + steps, 2 * steps);
      const int64_t y = y0 + FloorDiv(2 * k * dy + steps, 2 * steps);
      if (x >= 0 && y >= 0 && x < m_bm.Width() && y < m_bm.Height())
        m_bm.SetPixel(static_cast<int>(x), static_cast<int>(y), c);
    }
  }
  // Whether the centre of pixel (x, y) lies inside the ellipse bounded by
  // (l, t, r, b); in doubled coordinates, so that it is exact.
  static bool InsideEllipse(int64_t x, int64_t y, int64_t l, int64_t t, int64_t r, int64_t b) {
    if (r <= l || b <= t || x < l || x >= r || y < t || y >= b) return false;
    const double px = static_cast<double>(2 * x + 1 - (l + r)), py = static_cast<double>(2 * y + 1 - (t + b));
    const double rx = static_cast<double>(r - l), ry = static_cast<double>(b - t);
    return (px * px) / (rx * rx) + (py * py) / (ry * ry) <= 1.0;
  }

private:
  static int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }
  TBitmap32 &m_bm;
};

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

void CBackground::CreateFromBitmap(const TBitmap32 *picture, bool removeback, bool smooth) {
  i_bitmap = TBitmap32();
  if (picture) {
    i_bitmap = *picture;
    i_bitmap.PrepareGrabbed(removeback ? 1 : 0, smooth);
  }
  InitTexture();
}

void CBackground::CreateGradient(int32_t w, int32_t h, int32_t col1, int32_t col2, int32_t kind) {
  w = std::max(w, 1);
  h = std::max(h, 1);
  const TColor32 from = PixelOf(col1), to = PixelOf(col2);
  TBitmap32 bm(w, h, from);
  CGradientCanvas canvas(bm);
  const auto step = [&](int64_t i, int64_t n) { return Step(from, to, i, n); };
  switch (kind) {
    case 0:
      for (int64_t i = 0; i < w; ++i) canvas.Column(i, step(i, w));
      break;
    case 1:
      for (int64_t i = 0; i < h; ++i) canvas.Row(i, step(i, h));
      break;
    case 2:
    case 3: {
      // Each shape is drawn over the bigger ones before it, so a pixel ends
      // with the colour of the last (innermost) shape that covers it; the
      // shapes shrink steadily, so that one is found by halving.
      const int64_t n = std::min(w, h) / 2;
      const auto covers = [&](int64_t i, int64_t x, int64_t y) {
        if (kind == 2) return x >= i && y >= i && x < w - i && y < h - i;
        return CGradientCanvas::InsideEllipse(x, y, i, i, w - i, h - i);
      };
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          if (!covers(0, x, y)) continue;
          int64_t lo = 0, hi = n;  // covers(lo) holds
          while (lo < hi) {
            const int64_t mid = (lo + hi + 1) / 2;
            if (covers(mid, x, y))
              lo = mid;
            else
              hi = mid - 1;
          }
          bm.SetPixel(x, y, step(lo, n));
        }
      break;
    }
    case 4: {
      const int64_t n = w / 2;
      for (int64_t i = 0; i <= n; ++i) {
        canvas.Column(i, step(i, n));
        canvas.Column(w - i, step(i, n));
      }
      break;
    }
    case 5: {
      const int64_t n = h / 2;
      for (int64_t i = 0; i <= n; ++i) {
        canvas.Row(i, step(i, n));
        canvas.Row(h - i, step(i, n));
      }
      break;
    }
    case 6:
      for (int64_t i = 0; i <= h; ++i) {
        canvas.Line(0, i, w, i + h, step(i, h));
        canvas.Line(0, -i, w, h - i, step(i, h));
      }
      break;
    case 7:
      for (int64_t i = 0; i <= h; ++i) {
        canvas.Line(0, i + h, w, i, step(i, h));
        canvas.Line(0, h - i, w, -i, step(i, h));
      }
      break;
    case 8:
    case 9:
    case 10:
    case 11: {
      // Circles from radius n down to 1 about the corner: a pixel ends with
      // the smallest circle that covers it.
      const int64_t n = std::min(w, h);
      const int64_t cx = kind == 9 || kind == 11 ? w : 0, cy = kind == 10 || kind == 11 ? h : 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const double dx = x + 0.5 - static_cast<double>(cx), dy = y + 0.5 - static_cast<double>(cy);
          int64_t r = std::max<int64_t>(1, static_cast<int64_t>(std::ceil(std::sqrt(dx * dx + dy * dy))) - 1);
          while (r <= n && !CGradientCanvas::InsideEllipse(x, y, cx - r, cy - r, cx + r, cy + r)) ++r;
          if (r <= n) bm.SetPixel(x, y, step(r, n));
        }
      break;
    }
    default:
      break;
  }
  bm.OpaqueWhenNoAlpha();
  i_bitmap = std::move(bm);
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
