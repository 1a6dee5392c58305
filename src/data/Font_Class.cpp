#include "data/Font_Class.h"

#include <algorithm>
#include <numeric>

#include "base/Support_Stream.h"
#include "data/Sprite_Class.h"
#include "data/Texture_Hook.h"
#include "platform/Platform_Main.h"

namespace {

constexpr int32_t kRecordVersion = 800;
// The largest sheet side a record may claim; sheets are built at 2048 at most.
constexpr int32_t kMaxSheetSide = 8192;
constexpr int32_t kLargestSheet = 2048;
constexpr int32_t kCellGap = 2;

bool InCodes(int32_t code) { return code >= 0 && code <= 255; }

}  // namespace

CFont::~CFont() { FreeTexture(); }

void CFont::Clear() {
  FreeTexture();
  s_name.clear();
  s_size = 12;
  s_bold = s_italic = false;
  s_charset = 1;
  s_AntiAlias = 3;
  s_first = 32;
  s_last = 128;
  s_spr = -1;
  s_x.fill(0), s_y.fill(0), s_w.fill(0), s_h.fill(0), s_shift.fill(0), s_offset.fill(0);
  s_bw = s_bh = 0;
  s_bytes.clear();
  s_FontHeight = 0;
}

void CFont::Assign(const CFont &other) {
  if (&other == this) return;
  Clear();
  s_name = other.s_name;
  s_size = other.s_size;
  s_bold = other.s_bold;
  s_italic = other.s_italic;
  s_charset = other.s_charset;
  s_AntiAlias = other.s_AntiAlias;
  s_first = other.s_first;
  s_last = other.s_last;
  s_spr = other.s_spr;
  s_x = other.s_x, s_y = other.s_y, s_w = other.s_w, s_h = other.s_h;
  s_shift = other.s_shift, s_offset = other.s_offset;
  s_bw = other.s_bw, s_bh = other.s_bh;
  s_bytes = other.s_bytes;
  s_FontHeight = other.s_FontHeight;
  if (other.s_tex >= 0) InitTexture();
}

bool CFont::LoadFromStream(CStream &stream) {
  if (!ReadRecord(stream)) {
    Clear();
    return false;
  }
  ComputeFontHeight();
  return true;
}

bool CFont::ReadRecord(CStream &stream) {
  Clear();
  try {
    if (stream.ReadInteger() != kRecordVersion) return false;
    s_name = stream.ReadString();
    s_size = stream.ReadInteger();
    s_bold = stream.ReadBoolean();
    s_italic = stream.ReadBoolean();
    // The first code shares its integer with the character set and the
    // anti-aliasing level, each 0 when the font was stored without one.
    const uint32_t packed = static_cast<uint32_t>(stream.ReadInteger());
    s_first = static_cast<int32_t>(packed & 0xFFFF);
    const int32_t charset = static_cast<int32_t>((packed >> 16) & 0xFF);
    const int32_t antiAlias = static_cast<int32_t>(packed >> 24);
    s_charset = charset != 0 ? charset : 1;
    s_AntiAlias = antiAlias != 0 ? antiAlias - 1 : 3;
    s_last = stream.ReadInteger();
    for (int c = 0; c < 256; ++c) {
      s_x[c] = stream.ReadInteger();
      s_y[c] = stream.ReadInteger();
      s_w[c] = stream.ReadInteger();
      s_h[c] = stream.ReadInteger();
      s_shift[c] = stream.ReadInteger();
      s_offset[c] = stream.ReadInteger();
    }
    const int32_t bw = stream.ReadInteger(), bh = stream.ReadInteger();
    if (bw < 0 || bh < 0 || bw > kMaxSheetSide || bh > kMaxSheetSide) return false;
    const int64_t size = static_cast<int64_t>(bw) * bh;
    std::unique_ptr<CStream> sheet = stream.ReadStreamC(size);
    if (sheet->Size() != size) return false;
    s_bw = bw;
    s_bh = bh;
    s_bytes.assign(sheet->Memory(), sheet->Memory() + size);
  } catch (const EStreamError &) {
    return false;
  }
  return true;
}

void CFont::SaveToStream(CStream &stream) const {
  stream.WriteInteger(kRecordVersion);
  stream.WriteString(s_name);
  stream.WriteInteger(s_size);
  stream.WriteBoolean(s_bold);
  stream.WriteBoolean(s_italic);
  const uint32_t packed = (static_cast<uint32_t>(s_first) & 0xFFFF) | ((static_cast<uint32_t>(s_charset) & 0xFF) << 16) |
                          ((static_cast<uint32_t>(s_AntiAlias + 1) & 0xFF) << 24);
  stream.WriteInteger(static_cast<int32_t>(packed));
  stream.WriteInteger(s_last);
  for (int c = 0; c < 256; ++c) {
    stream.WriteInteger(s_x[c]);
    stream.WriteInteger(s_y[c]);
    stream.WriteInteger(s_w[c]);
    stream.WriteInteger(s_h[c]);
    stream.WriteInteger(s_shift[c]);
    stream.WriteInteger(s_offset[c]);
  }
  stream.WriteInteger(s_bw);
  stream.WriteInteger(s_bh);
  CStream sheet;
  if (!s_bytes.empty()) sheet.Write(s_bytes.data(), static_cast<int64_t>(s_bytes.size()));
  stream.WriteStreamC(sheet);
}

void CFont::ComputeFontHeight() { s_FontHeight = *std::max_element(s_h.begin(), s_h.end()); }

bool Font_PackCells(const std::vector<int32_t> &w, const std::vector<int32_t> &h, int32_t sheetW, int32_t sheetH,
                    int32_t gap, std::vector<int32_t> &x, std::vector<int32_t> &y) {
  x.assign(w.size(), 0);
  y.assign(w.size(), 0);
  int32_t px = 0, py = 0, rowHeight = 0;
  for (size_t i = 0; i < w.size(); ++i) {
    // A row is full when the cell would reach the sheet's right edge.
    if (px + w[i] >= sheetW) {
      if (px == 0) return false;  // wider than the sheet on its own
      py += rowHeight + gap;
      px = 0;
      rowHeight = 0;
      if (w[i] >= sheetW) return false;
    }
    if (py + h[i] > sheetH) return false;
    x[i] = px;
    y[i] = py;
    px += w[i] + gap;
    rowHeight = std::max(rowHeight, h[i]);
  }
  return true;
}

void CFont::CreateFont(const std::string &name, int32_t size, bool bold, bool italic, int32_t first, int32_t last) {
  Clear();
  s_name = name;
  s_size = size;
  s_bold = bold;
  s_italic = italic;
  s_first = std::max(first, 0);
  s_last = std::min(last, 255);
  s_charset = 1;
  s_AntiAlias = 3;

  RFontMetrics metrics;
  std::vector<RGlyph> glyphs;
  const int32_t lo = s_first, hi = std::min(s_last, 255);
  if (lo <= hi && !PlatformFonts().RenderGlyphs(name, size, bold, italic, lo, hi, metrics, glyphs)) glyphs.clear();
  const auto glyph = [&](int32_t c) -> const RGlyph * {
    const size_t i = static_cast<size_t>(c - lo);
    return c >= lo && c <= hi && i < glyphs.size() ? &glyphs[i] : nullptr;
  };

  int32_t spaceAdvance = 0;
  for (int32_t c = lo; c <= hi; ++c) {
    const RGlyph *g = glyph(c);
    if (g == nullptr) continue;
    if (c == 32) spaceAdvance = g->advance != 0 ? g->advance : std::min(metrics.averageWidth, metrics.maxWidth);
    if (!g->outline) continue;
    s_w[c] = g->blackW;
    s_h[c] = metrics.ascent + g->blackH - g->originY;
    s_shift[c] = g->advance - std::min(g->originX, 0);
    s_offset[c] = g->originX;
  }
  if (s_h[32] == 0) s_h[32] = metrics.height;
  if (s_w[32] == 0) s_w[32] = s_shift[32] = spaceAdvance;
  ComputeFontHeight();

  // Largest cells first; equal areas keep their code order.
  std::vector<int32_t> codes;
  for (int32_t c = lo; c <= hi; ++c) codes.push_back(c);
  std::stable_sort(codes.begin(), codes.end(),
                   [&](int32_t a, int32_t b) { return s_w[a] * s_h[a] > s_w[b] * s_h[b]; });
  std::vector<int32_t> cw, ch, cx, cy;
  for (int32_t c : codes) cw.push_back(s_w[c]), ch.push_back(s_h[c]);

  // The smallest sheet the cells fit, halving height and width in turn.
  int32_t sheetW = kLargestSheet, sheetH = kLargestSheet;
  bool fits = Font_PackCells(cw, ch, sheetW, sheetH, kCellGap, cx, cy);
  if (fits) {
    bool halveHeight = true;
    for (;;) {
      const int32_t tw = halveHeight ? sheetW : sheetW / 2, th = halveHeight ? sheetH / 2 : sheetH;
      std::vector<int32_t> tx, ty;
      if (tw < 1 || th < 1 || !Font_PackCells(cw, ch, tw, th, kCellGap, tx, ty)) break;
      sheetW = tw, sheetH = th, cx = std::move(tx), cy = std::move(ty);
      halveHeight = !halveHeight;
    }
  }
  s_bw = sheetW;
  s_bh = sheetH;
  s_bytes.assign(static_cast<size_t>(sheetW) * static_cast<size_t>(sheetH), 0);
  // Cells that do not fit even the largest sheet (a huge size) keep no
  // picture rather than spill over others.
  for (size_t i = 0; fits && i < codes.size(); ++i) {
    const int32_t c = codes[i];
    s_x[c] = cx[i];
    s_y[c] = cy[i];
    const RGlyph *g = glyph(c);
    if (c == 32 || g == nullptr || !g->outline) continue;
    const int32_t top = cy[i] + metrics.ascent - g->originY;
    for (int32_t row = 0; row < g->blackH; ++row) {
      const int32_t sy = top + row;
      if (sy < 0 || sy >= sheetH) continue;
      for (int32_t col = 0; col < g->blackW; ++col) {
        const int32_t sx = cx[i] + col;
        if (sx < 0 || sx >= sheetW) continue;
        const int32_t v = g->grey[static_cast<size_t>(row) * static_cast<size_t>(g->blackW) + static_cast<size_t>(col)];
        s_bytes[static_cast<size_t>(sy) * static_cast<size_t>(sheetW) + static_cast<size_t>(sx)] =
            static_cast<uint8_t>(v >= 64 ? 255 : 4 * v);
      }
    }
  }
  InitTexture();
}

void CFont::CreateFromSprite(int32_t sprite, const CSprite &source, int32_t first, bool proportional,
                             int32_t separation) {
  Clear();
  const int32_t frames = static_cast<int32_t>(source.i_bitmap.size());
  const int32_t width = source.GetWidth(), height = source.GetHeight();
  s_spr = sprite;
  s_first = std::clamp(first, 0, 255);
  s_last = std::min(s_first + frames - 1, 255);
  s_charset = 1;
  s_AntiAlias = 0;
  for (int32_t c = s_first; c <= s_last; ++c) {
    const TBitmap32 &frame = source.i_bitmap[static_cast<size_t>(c - s_first)];
    int32_t left = 0, top = 0, right = width;
    if (proportional) {
      // The box of visible pixels, right and bottom inclusive; a frame with
      // none counts as visible throughout, so a space keeps its width.
      int32_t l = frame.Width(), t = frame.Height(), r = -1;
      for (int32_t py = 0; py < frame.Height(); ++py)
        for (int32_t px = 0; px < frame.Width(); ++px)
          if ((frame.Pixel(px, py) >> 24) != 0) l = std::min(l, px), r = std::max(r, px), t = std::min(t, py);
      if (r < 0) l = 0, t = 0, r = std::max(frame.Width() - 1, 0);
      left = l, top = t, right = r;
    }
    s_x[c] = left;
    s_y[c] = top;
    s_w[c] = right - left;
    s_h[c] = height;
    s_shift[c] = right + separation - left;
    s_offset[c] = -left;
  }
  s_FontHeight = height;
}

void CFont::InitTexture() {
  FreeTexture();
  if (IsSpriteFont() || s_name.empty() || s_bw <= 0 || s_bh <= 0) return;
  if (s_bytes.size() != static_cast<size_t>(s_bw) * static_cast<size_t>(s_bh)) return;
  s_tex = Texture_CreateFromAlpha(s_bw, s_bh, s_bytes.data());
}

void CFont::FreeTexture() {
  Texture_Release(s_tex);
  s_tex = -1;
}

int32_t CFont::Advance(int32_t code) const {
  if (code >= s_first && code <= s_last && InCodes(code)) return s_shift[code];
  if (32 >= s_first && 32 <= s_last) return s_shift[32];
  return InCodes(s_first) ? s_shift[s_first] : 0;
}

int32_t CFont::TextWidth(std::string_view codes) const {
  int32_t w = 0;
  for (char ch : codes) w += Advance(static_cast<uint8_t>(ch));
  return w;
}

int32_t CFont::GetCodePage() const {
  switch (s_charset) {
    case 0: return 1252;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    // The desktop's own code page. Games come from Western desktops, and a
    // game must not draw differently with the locale of the machine it runs
    // on, so this is Windows-1252 everywhere.
    default: return 1252;
  }
}

bool CFont::operator==(const CFont &o) const {
  return s_name == o.s_name && s_size == o.s_size && s_bold == o.s_bold && s_italic == o.s_italic &&
         s_charset == o.s_charset && s_AntiAlias == o.s_AntiAlias && s_first == o.s_first && s_last == o.s_last &&
         s_spr == o.s_spr && s_x == o.s_x && s_y == o.s_y && s_w == o.s_w && s_h == o.s_h && s_shift == o.s_shift &&
         s_offset == o.s_offset && s_bw == o.s_bw && s_bh == o.s_bh && s_bytes == o.s_bytes &&
         s_FontHeight == o.s_FontHeight;
}
