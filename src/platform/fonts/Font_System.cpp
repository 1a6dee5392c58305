#include "platform/fonts/Font_System.h"

#include "base/Support_CodePage.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>

#include <cctype>
#include <cmath>

namespace {

// Families of the desktop games are made on, and free families with the
// same widths (or, where there is none, the closest DejaVu face). The names
// are compared without regard to case, as the desktop does.
struct RAlias {
  const char *name;
  const char *family;
};
constexpr RAlias kAliases[] = {
    {"arial", "Liberation Sans"},
    {"helvetica", "Liberation Sans"},
    {"ms sans serif", "Liberation Sans"},
    {"microsoft sans serif", "Liberation Sans"},
    {"times new roman", "Liberation Serif"},
    {"times", "Liberation Serif"},
    {"ms serif", "Liberation Serif"},
    {"courier new", "Liberation Mono"},
    {"courier", "Liberation Mono"},
    {"lucida console", "Liberation Mono"},
    {"consolas", "Liberation Mono"},
    {"verdana", "DejaVu Sans"},
    {"tahoma", "DejaVu Sans"},
    {"segoe ui", "DejaVu Sans"},
    {"trebuchet ms", "DejaVu Sans"},
    {"georgia", "DejaVu Serif"},
};

// What fontconfig is asked for when the family itself is not installed.
constexpr const char *kLastResort = "DejaVu Sans";

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char &c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

int32_t RoundScaled(int64_t units, int32_t px, int32_t unitsPerEm) {
  if (unitsPerEm <= 0) return 0;
  return static_cast<int32_t>(std::lround(static_cast<double>(units) * px / unitsPerEm));
}

}  // namespace

struct CSystemFonts::RState {
  FT_Library library = nullptr;
  FcConfig *config = nullptr;
  std::map<std::string, FT_Face> faces;  // by file and face index
  std::map<std::string, std::pair<std::string, int>> matches;  // by family and style

  ~RState() {
    for (auto &f : faces)
      if (f.second) FT_Done_Face(f.second);
    if (library) FT_Done_FreeType(library);
    if (config) FcConfigDestroy(config);
  }

  // The file and face index fontconfig picks for the family and style.
  bool Match(std::string_view family, bool bold, bool italic, std::string &file, int &index) {
    const std::string key = Lower(family) + (bold ? "|b" : "|") + (italic ? "i" : "");
    if (auto it = matches.find(key); it != matches.end()) {
      file = it->second.first;
      index = it->second.second;
      return !file.empty();
    }
    file.clear();
    index = 0;
    if (config) {
      FcPattern *pattern = FcPatternCreate();
      const std::string wanted = SubstituteFamily(family);
      FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(wanted.c_str()));
      FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(kLastResort));
      FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
      FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
      FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
      FcConfigSubstitute(config, pattern, FcMatchPattern);
      FcDefaultSubstitute(pattern);
      FcResult result = FcResultNoMatch;
      if (FcPattern *found = FcFontMatch(config, pattern, &result)) {
        FcChar8 *path = nullptr;
        if (FcPatternGetString(found, FC_FILE, 0, &path) == FcResultMatch && path)
          file = reinterpret_cast<const char *>(path);
        int faceIndex = 0;
        if (FcPatternGetInteger(found, FC_INDEX, 0, &faceIndex) == FcResultMatch) index = faceIndex;
        FcPatternDestroy(found);
      }
      FcPatternDestroy(pattern);
    }
    matches[key] = {file, index};
    return !file.empty();
  }

  FT_Face Face(const std::string &file, int index) {
    const std::string key = file + "#" + std::to_string(index);
    if (auto it = faces.find(key); it != faces.end()) return it->second;
    FT_Face face = nullptr;
    if (library && FT_New_Face(library, file.c_str(), index, &face) != 0) face = nullptr;
    faces[key] = face;
    return face;
  }
};

CSystemFonts::CSystemFonts() : m_state(std::make_unique<RState>()) {
  if (FT_Init_FreeType(&m_state->library) != 0) m_state->library = nullptr;
  m_state->config = FcInitLoadConfigAndFonts();
}

CSystemFonts::~CSystemFonts() = default;

std::string CSystemFonts::SubstituteFamily(std::string_view family) {
  const std::string lower = Lower(family);
  for (const RAlias &a : kAliases)
    if (lower == a.name) return a.family;
  return std::string(family);
}

int32_t CSystemFonts::PixelSize(int32_t points) {
  return static_cast<int32_t>(std::lround(static_cast<double>(points) * 96.0 / 72.0));
}

std::string CSystemFonts::FindFont(std::string_view family, bool bold, bool italic) {
  std::string file;
  int index = 0;
  m_state->Match(family, bold, italic, file, index);
  return file;
}

bool CSystemFonts::RenderGlyphs(std::string_view family, int32_t size, bool bold, bool italic, int32_t first,
                                int32_t last, RFontMetrics &metrics, std::vector<RGlyph> &glyphs) {
  metrics = RFontMetrics();
  glyphs.clear();
  std::string file;
  int index = 0;
  if (!m_state->Match(family, bold, italic, file, index)) return false;
  FT_Face face = m_state->Face(file, index);
  if (face == nullptr || !FT_IS_SCALABLE(face)) return false;
  // A size of 0 or less still gives a readable font rather than nothing.
  const int32_t px = std::clamp(PixelSize(size), 1, 2000);
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(px)) != 0) return false;
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);

  // The line measures the desktop uses come from the font's OS/2 table;
  // fonts without one give the scaled ascender and descender.
  const int32_t upem = face->units_per_EM;
  if (const auto *os2 = static_cast<const TT_OS2 *>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
      os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    metrics.ascent = RoundScaled(os2->usWinAscent, px, upem);
    metrics.descent = RoundScaled(os2->usWinDescent, px, upem);
    metrics.averageWidth = RoundScaled(os2->xAvgCharWidth, px, upem);
  } else {
    metrics.ascent = static_cast<int32_t>((face->size->metrics.ascender + 63) >> 6);
    metrics.descent = static_cast<int32_t>((-face->size->metrics.descender + 63) >> 6);
  }
  metrics.height = metrics.ascent + metrics.descent;
  metrics.maxWidth = RoundScaled(face->max_advance_width, px, upem);

  // Styles the installed face lacks are made from the outlines, as the
  // desktop does for a family without a bold or an italic face.
  const bool makeBold = bold && !(face->style_flags & FT_STYLE_FLAG_BOLD);
  const bool makeItalic = italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);

  if (last < first) return true;
  glyphs.resize(static_cast<size_t>(last - first + 1));
  for (int32_t code = first; code <= last; ++code) {
    RGlyph &g = glyphs[static_cast<size_t>(code - first)];
    const uint32_t ch = CodePage_1252ToUnicode(static_cast<uint8_t>(code));
    const FT_UInt gi = FT_Get_Char_Index(face, ch);
    if (FT_Load_Glyph(face, gi, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) continue;
    FT_GlyphSlot slot = face->glyph;
    if (makeBold) FT_GlyphSlot_Embolden(slot);
    if (makeItalic) FT_GlyphSlot_Oblique(slot);
    g.advance = static_cast<int32_t>((slot->advance.x + 32) >> 6);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) continue;
    const FT_Bitmap &bm = slot->bitmap;
    if (bm.width == 0 || bm.rows == 0 || bm.pixel_mode != FT_PIXEL_MODE_GRAY) continue;
    g.outline = true;
    g.blackW = static_cast<int32_t>(bm.width);
    g.blackH = static_cast<int32_t>(bm.rows);
    g.originX = slot->bitmap_left;
    g.originY = slot->bitmap_top;
    g.grey.resize(static_cast<size_t>(g.blackW) * static_cast<size_t>(g.blackH));
    // Coverage 0 ... 255 becomes the 65 grey levels glyph outlines give.
    const int levels = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
    for (int32_t y = 0; y < g.blackH; ++y) {
      const unsigned char *row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
      for (int32_t x = 0; x < g.blackW; ++x)
        g.grey[static_cast<size_t>(y) * static_cast<size_t>(g.blackW) + static_cast<size_t>(x)] =
            static_cast<uint8_t>((row[x] * 64 + levels / 2) / levels);
    }
  }
  return true;
}
