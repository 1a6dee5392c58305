// CFont: a font of the game. Either a sheet of characters rendered ahead of
// time from an installed font (an alpha picture with a cell and an advance
// per character code), or a sprite whose frames are the characters.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CStream;
class CSprite;

class CFont {
public:
  std::string s_name;  // face name; empty for a sprite font
  int32_t s_size = 12;
  bool s_bold = false, s_italic = false;
  int32_t s_charset = 1;    // the desktop's default character set
  int32_t s_AntiAlias = 3;  // 0 ... 3
  int32_t s_first = 32, s_last = 128;
  int32_t s_spr = -1;  // the sprite of a sprite font
  std::array<int32_t, 256> s_x{}, s_y{}, s_w{}, s_h{};
  std::array<int32_t, 256> s_shift{};   // pen advance after the character
  std::array<int32_t, 256> s_offset{};  // cell's horizontal offset from the pen
  int32_t s_bw = 0, s_bh = 0;
  std::vector<uint8_t> s_bytes;  // s_bw x s_bh alpha values, rows from the top
  int32_t s_tex = -1;
  int32_t s_FontHeight = 0;  // the line height

  CFont() = default;
  CFont(const CFont &) = delete;
  CFont &operator=(const CFont &) = delete;
  ~CFont();

  // Back to an empty font with the default fields; frees the texture.
  void Clear();
  // A copy of every field but the texture; makes a texture of its own.
  void Assign(const CFont &other);

  // The record in the game file. Fails (answering false, never raising) for
  // a version other than 800, a record cut short or a sheet whose size does
  // not match its picture.
  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;

  // Builds the sheet from the installed font that best matches. first and
  // last are held to 0 ... 255. Without such a font (or on a machine that
  // offers none) the font has no characters, but is still a font.
  void CreateFont(const std::string &name, int32_t size, bool bold, bool italic, int32_t first, int32_t last);
  // The frames of a sprite as characters from code first on; proportional
  // takes each frame's box of visible pixels, separation is added to every
  // advance.
  void CreateFromSprite(int32_t sprite, const CSprite &source, int32_t first, bool proportional,
                        int32_t separation);

  // The texture of the sheet (a system font with a name only); the old one
  // is freed first.
  void InitTexture();
  void FreeTexture();

  bool IsSpriteFont() const { return s_spr >= 0; }
  // The largest cell height.
  void ComputeFontHeight();
  int32_t TextHeight() const { return s_FontHeight; }
  // The pen advance of a code: its own inside [first, last], else that of
  // the space when the space is inside, else that of first.
  int32_t Advance(int32_t code) const;
  // The sum of the advances of the codes.
  int32_t TextWidth(std::string_view codes) const;
  // The code page the text is converted to for this font.
  int32_t GetCodePage() const;

  bool operator==(const CFont &o) const;

private:
  bool ReadRecord(CStream &stream);
};

// Places cells of the given sizes (indexed by position) in a sheet of
// sheetW x sheetH, left to right in rows, with `gap` pixels between cells
// and between rows. False when they do not all fit; x and y get the places.
bool Font_PackCells(const std::vector<int32_t> &w, const std::vector<int32_t> &h, int32_t sheetW, int32_t sheetH,
                    int32_t gap, std::vector<int32_t> &x, std::vector<int32_t> &y);
