// Installed fonts through fontconfig and FreeType. Games name fonts by the
// family names of the desktop they were made on; the common ones map to
// free families with the same character widths (Arial to Liberation Sans,
// Times New Roman to Liberation Serif, Courier New to Liberation Mono), so
// text keeps its layout. Needs no display: windowed and headless runs both
// use it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform_Main.h"

class CSystemFonts : public ISystemFonts {
public:
  CSystemFonts();
  ~CSystemFonts() override;
  CSystemFonts(const CSystemFonts &) = delete;
  CSystemFonts &operator=(const CSystemFonts &) = delete;

  std::string FindFont(std::string_view family, bool bold, bool italic) override;
  bool RenderGlyphs(std::string_view family, int32_t size, bool bold, bool italic, int32_t first, int32_t last,
                    RFontMetrics &metrics, std::vector<RGlyph> &glyphs) override;

  // The family asked of fontconfig for a family name a game gives (the free
  // family for a well-known one, else the name itself).
  static std::string SubstituteFamily(std::string_view family);
  // The pixel size of a point size on a 96 dots-per-inch screen.
  static int32_t PixelSize(int32_t points);

private:
  struct RState;
  std::unique_ptr<RState> m_state;
};
