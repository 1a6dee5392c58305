// CBackground: one picture and its texture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/BM32_Bitmap.h"

class CStream;

class CBackground {
public:
  TBitmap32 i_bitmap;
  int32_t i_tex = -1;

  CBackground() = default;
  CBackground(const CBackground &) = delete;
  CBackground &operator=(const CBackground &) = delete;
  ~CBackground();

  void Clear();
  // A copy of the other's picture with a texture of its own.
  void Assign(const CBackground &other);

  // The record in the game file: version 710, then the picture. Fails for
  // another version or a picture that does not read.
  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;

  // A picture file made ready as loading does (background removal, edge
  // smoothing, bleeding). False, background unchanged, when the file is
  // missing or cannot be decoded.
  bool LoadFromFile(const std::string &path, bool removeback, bool smooth);
  void LoadFromPicture(TBitmap32 picture, bool removeback, bool smooth);
  // A background file: 1234321, then a compressed block with version 710,
  // seven values that are not used and the picture.
  bool LoadFromBackgroundFile(const std::string &path);
  bool LoadFromBackgroundBytes(const std::vector<uint8_t> &bytes);
  std::vector<uint8_t> SaveToBackgroundBytes() const;

  // A grabbed picture, made ready as the sprite's are (removeback as mode 1
  // or 0, TBitmap32::PrepareGrabbed); no picture leaves the background
  // without one.
  void CreateFromBitmap(const TBitmap32 *picture, bool removeback, bool smooth);
  // A w by h picture of one opaque colour (red in the low byte).
  void CreateColor(int32_t w, int32_t h, int32_t color);
  // A w by h picture (at least 1 by 1) going from col1 to col2, drawn by
  // kind: 0 left to right, 1 top to bottom, 2 rectangles and 3 ellipses
  // from the edge inwards, 4 from both sides to the middle column, 5 from
  // top and bottom to the middle row, 6 and 7 diagonal bands, 8 to 11
  // circles about the top-left, top-right, bottom-left and bottom-right
  // corner; other kinds leave col1 alone. Opaque.
  void CreateGradient(int32_t w, int32_t h, int32_t col1, int32_t col2, int32_t kind);
  // Alpha := the mean of red, green and blue of the other's picture, over
  // the area both cover.
  void SetAlphaFromBackground(const CBackground &other);

  void InitTexture();
  void FreeTexture();

  int32_t GetWidth() const { return i_bitmap.Width(); }
  int32_t GetHeight() const { return i_bitmap.Height(); }
};
