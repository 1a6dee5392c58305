#include "runner/Runner_LoadForm.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/Option_Main.h"
#include "base/Support_Trace.h"
#include "platform/Platform_LoadForm.h"
#include "platform/Platform_Main.h"

namespace {

constexpr TColor32 kOpaque = 0xFF000000u;
// The runner's own look: a dark blue plate with a lighter frame, a white bar
// with a black outline, filled in blue.
constexpr TColor32 kPlateTop = 0xFF34405Cu, kPlateBottom = 0xFF141A28u, kPlateFrame = 0xFF6A7896u;
constexpr TColor32 kBarEmpty = 0xFFFFFFFFu, kBarOutline = 0xFF000000u, kBarFull = 0xFF2F6FD0u;
constexpr TColor32 kTitle = 0xFFE8ECF4u, kLabel = 0xFF000000u;
constexpr char kTitleText[] = "Quillon";

TColor32 Mix(TColor32 a, TColor32 b, int t, int range) {
  auto ch = [&](int shift) {
    const int x = int((a >> shift) & 0xFF), y = int((b >> shift) & 0xFF);
    return uint32_t((x * (range - t) + y * t) / std::max(1, range)) << shift;
  };
  return kOpaque | ch(16) | ch(8) | ch(0);
}

// The runner's own loading picture.
TBitmap32 DefaultImage(int32_t w, int32_t h) {
  TBitmap32 b(w, h);
  for (int y = 0; y < h; ++y) {
    const TColor32 c = Mix(kPlateTop, kPlateBottom, y, h - 1);
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, c);
  }
  for (int x = 0; x < w; ++x) b.SetPixel(x, 0, kPlateFrame), b.SetPixel(x, h - 1, kPlateFrame);
  for (int y = 0; y < h; ++y) b.SetPixel(0, y, kPlateFrame), b.SetPixel(w - 1, y, kPlateFrame);
  return b;
}

void FillRect(TBitmap32 &b, int32_t x0, int32_t y0, int32_t w, int32_t h, TColor32 c) {
  const int32_t x1 = std::min(b.Width(), x0 + w), y1 = std::min(b.Height(), y0 + h);
  for (int32_t y = std::max(0, y0); y < y1; ++y)
    for (int32_t x = std::max(0, x0); x < x1; ++x) b.SetPixel(x, y, c);
}

// A one-pixel outline just inside the rectangle.
void FrameRect(TBitmap32 &b, int32_t x0, int32_t y0, int32_t w, int32_t h, TColor32 c) {
  if (w <= 0 || h <= 0) return;
  FillRect(b, x0, y0, w, 1, c);
  FillRect(b, x0, y0 + h - 1, w, 1, c);
  FillRect(b, x0, y0, 1, h, c);
  FillRect(b, x0 + w - 1, y0, 1, h, c);
}

// The image stretched (nearest pixel) over the rectangle, opaque.
void StretchImage(TBitmap32 &b, const TBitmap32 &img, int32_t x0, int32_t y0, int32_t w, int32_t h) {
  if (img.Empty() || w <= 0 || h <= 0) return;
  const int32_t x1 = std::min(b.Width(), x0 + w), y1 = std::min(b.Height(), y0 + h);
  for (int32_t y = std::max(0, y0); y < y1; ++y) {
    const int sy = int(int64_t(y - y0) * img.Height() / h);
    for (int32_t x = std::max(0, x0); x < x1; ++x)
      b.SetPixel(x, y, img.Pixel(int(int64_t(x - x0) * img.Width() / w), sy) | kOpaque);
  }
}

// The image at its own size from (x0, y0), cut to a w x h box.
void ClipImage(TBitmap32 &b, const TBitmap32 &img, int32_t x0, int32_t y0, int32_t w, int32_t h) {
  const int32_t x1 = std::min({b.Width(), x0 + w, x0 + img.Width()});
  const int32_t y1 = std::min({b.Height(), y0 + h, y0 + img.Height()});
  for (int32_t y = std::max(0, y0); y < y1; ++y)
    for (int32_t x = std::max(0, x0); x < x1; ++x) b.SetPixel(x, y, img.Pixel(x - x0, y - y0) | kOpaque);
}

// One line of text in an installed font, its top at y; nothing when no font
// can be found. Characters outside the font's first page are left out.
void DrawText(TBitmap32 &b, int32_t x, int32_t top, std::string_view text, int32_t size, bool bold, TColor32 colour) {
  RFontMetrics metrics;
  std::vector<RGlyph> glyphs;
  constexpr int32_t kFirst = 32, kLast = 255;
  if (!PlatformFonts().RenderGlyphs("Arial", size, bold, false, kFirst, kLast, metrics, glyphs)) return;
  const int32_t baseline = top + metrics.ascent;
  int32_t pen = x;
  for (unsigned char ch : text) {
    if (ch < kFirst) continue;
    const RGlyph &g = glyphs[size_t(ch - kFirst)];
    if (g.outline) {
      for (int32_t j = 0; j < g.blackH; ++j)
        for (int32_t i = 0; i < g.blackW; ++i) {
          const int32_t px = pen + g.originX + i, py = baseline - g.originY + j;
          if (px < 0 || py < 0 || px >= b.Width() || py >= b.Height()) continue;
          const int cover = std::min<int>(64, g.grey[size_t(j) * size_t(g.blackW) + size_t(i)]);
          if (cover == 0) continue;
          const TColor32 under = b.Pixel(px, py);
          b.SetPixel(px, py, (under & kOpaque) | (Mix(under, colour, cover, 64) & 0xFFFFFFu));
        }
    }
    pen += g.advance;
  }
}

}  // namespace

TLoadForm::TLoadForm(bool show, bool draw) : m_show(show), m_draw(show || draw) {}

TLoadForm::~TLoadForm() { End(); }

int32_t TLoadForm::FullWidthFor(int32_t width, int percent) {
  if (width <= 0) return 0;
  const double full = std::nearbyint(double(width) * double(std::clamp(percent, 0, 100)) / 100.0);
  return std::clamp(static_cast<int32_t>(full), 0, width);
}

void TLoadForm::Begin(const TGameSettings &s, bool debugMode) {
  // A game's loading image gives the form its size; without one the form
  // shows the runner's own picture.
  if (s.opt_loadimage && !s.opt_loadimage->Empty()) m_image = *s.opt_loadimage;
  else {
    m_image = DefaultImage(kDefaultWidth, kDefaultHeight);
    if (m_draw) DrawText(m_image, kBarInset, 14, kTitleText, 16, true, kTitle);
  }
  m_transparent = s.opt_loadtransparent;
  m_alpha = std::clamp<int32_t>(s.opt_loadalpha, 0, 255);

  RLoadFormLayout &l = m_layout;
  l.width = m_image.Width();
  l.height = m_image.Height();
  l.barShown = s.opt_showprogress;
  l.labelShown = debugMode && s.opt_showprogress;
  l.stretchFront = s.opt_scaleprogress;
  if (l.barShown) {
    if (s.opt_backimage && !s.opt_backimage->Empty()) m_back = *s.opt_backimage;
    if (s.opt_frontimage && !s.opt_frontimage->Empty()) m_front = *s.opt_frontimage;
  }
  l.barLeft = kBarInset;
  l.barTop = l.labelTop = l.height - kBarRise;
  l.barWidth = std::max<int32_t>(0, l.width - 2 * kBarInset);
  l.barHeight = !m_back.Empty() ? m_back.Height() : !m_front.Empty() ? m_front.Height() : kDefaultBarHeight;
  l.labelLeft = kLabelLeft;
  m_open = true;
  m_shown = false;
  Progress(0, "Loading");
}

void TLoadForm::Progress(int percent, std::string_view caption) {
  Trace(caption);
  m_caption = std::string(caption);
  if (!m_open) return;
  m_fullWidth = FullWidthFor(m_layout.barWidth, percent);
  if (!m_draw) return;
  Compose();
  if (m_show)
    m_shown = PlatformLoadForm().Show(m_picture.Width(), m_picture.Height(), m_picture.Bits(), m_transparent, m_alpha);
  // The window repaints, and the player can move the mouse, while loading
  // goes on.
  PlatformWindow().PumpEvents();
}

void TLoadForm::End() {
  if (!m_open) return;
  if (m_show) PlatformLoadForm().Hide();
  m_open = m_shown = false;
  m_image = m_back = m_front = TBitmap32();
}

void TLoadForm::Compose() {
  const RLoadFormLayout &l = m_layout;
  m_picture = m_image;
  for (int32_t y = 0; y < m_picture.Height(); ++y)
    for (int32_t x = 0; x < m_picture.Width(); ++x) m_picture.SetPixel(x, y, m_picture.Pixel(x, y) | kOpaque);
  if (l.barShown) {
    if (!m_back.Empty()) {
      StretchImage(m_picture, m_back, l.barLeft, l.barTop, l.barWidth, l.barHeight);
    } else {
      FillRect(m_picture, l.barLeft, l.barTop, l.barWidth, l.barHeight, kBarEmpty);
      FrameRect(m_picture, l.barLeft, l.barTop, l.barWidth, l.barHeight, kBarOutline);
    }
    if (m_fullWidth > 0) {
      if (m_front.Empty()) FillRect(m_picture, l.barLeft, l.barTop, m_fullWidth, l.barHeight, kBarFull);
      else if (l.stretchFront) StretchImage(m_picture, m_front, l.barLeft, l.barTop, m_fullWidth, l.barHeight);
      else ClipImage(m_picture, m_front, l.barLeft, l.barTop, m_fullWidth, l.barHeight);
    }
  }
  if (l.labelShown) DrawText(m_picture, l.labelLeft, l.labelTop, m_caption, 8, false, kLabel);
  // See-through where the picture has the colour of its bottom-left corner.
  if (m_transparent && !m_image.Empty()) {
    const TColor32 key = m_image.Pixel(0, m_image.Height() - 1) & 0xFFFFFFu;
    for (int32_t y = 0; y < m_picture.Height(); ++y)
      for (int32_t x = 0; x < m_picture.Width(); ++x)
        if ((m_picture.Pixel(x, y) & 0xFFFFFFu) == key) m_picture.SetPixel(x, y, key);
  }
}
