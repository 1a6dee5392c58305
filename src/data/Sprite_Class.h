// CSprite: an animated picture: its frames, the origin that is placed at the
// drawing position, the collision masks and their bounding box, and one
// texture per frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/BM32_Bitmap.h"
#include "data/Sprite_Mask.h"

class CStream;

// The mask settings a sprite is built with (collision kind, tolerance,
// separate masks, box mode and the manual box).
struct RMaskSettings {
  bool sepmasks = false;
  int32_t bbmode = kBoxAutomatic;
  int32_t tolerance = 0;
  int32_t kind = kMaskPrecise;
  RRect bbox{0, 0, 0, 0};
};

class CSprite {
public:
  int32_t i_numb = 0;
  std::vector<TBitmap32> i_bitmap;
  int32_t i_xorig = 0, i_yorig = 0;
  RRect i_bbox{0, 0, 0, 0};
  std::vector<TMask> i_mask;
  bool i_sepmasks = false;
  std::vector<int32_t> i_tex;

  CSprite() = default;
  CSprite(const CSprite &) = delete;
  CSprite &operator=(const CSprite &) = delete;
  ~CSprite();

  // Frees frames, textures and masks; origin and box back to 0.
  void Clear();
  // A deep copy of another sprite's frames and masks, with textures of its own.
  void Assign(const CSprite &other);

  // The record in the game file (version 800 or 810). Fails for another
  // version, a frame that does not read, a mask record that cannot be held,
  // or counts the rest of the record cannot hold; a read past the end of the
  // stream raises EStreamError.
  bool LoadFromStream(CStream &stream);
  // Writes version 800.
  void SaveToStream(CStream &stream) const;

  // A picture file made into frames, each made ready as loading does
  // (background removal, edge smoothing, bleeding), with the origin given
  // and default masks. A file named .gif (in any case) that holds a GIF
  // gives one frame per image of it (LoadGifFromFile) and imgnumb is not
  // used; any other picture is cut into imgnumb frames side by side (values
  // below 1 mean 1, values above the width one frame per column). False,
  // and the sprite unchanged, when the file is missing or cannot be decoded.
  bool LoadFromFile(const std::string &path, int32_t imgnumb, bool removeback, bool smooth, int32_t xorig,
                    int32_t yorig);
  // Every image of a GIF as a frame, composed as DecodeGifFrames does, then
  // made ready as LoadFromFile does. False, sprite unchanged, when the file
  // is missing or no readable GIF.
  bool LoadGifFromFile(const std::string &path, bool removeback, bool smooth, int32_t xorig, int32_t yorig);
  bool LoadGifFromBytes(const std::vector<uint8_t> &bytes, bool removeback, bool smooth, int32_t xorig,
                        int32_t yorig);
  // The frames from one picture, as LoadFromFile does after reading it.
  void LoadStripFromBitmap(const TBitmap32 &picture, int32_t imgnumb, bool removeback, bool smooth,
                           int32_t xorig, int32_t yorig);
  // These frames, made ready as loading does, with the origin and default masks.
  void LoadFromFrames(std::vector<TBitmap32> frames, bool removeback, bool smooth, int32_t xorig, int32_t yorig);
  // A sprite file: 1234321, then a compressed block with version 800, the
  // origin, the frames and the mask settings. False, sprite unchanged, for
  // another marker or version or anything unreadable.
  bool LoadFromSpriteFile(const std::string &path);
  bool LoadFromSpriteBytes(const std::vector<uint8_t> &bytes);
  // Writes the sprite file of this sprite with the given mask settings.
  std::vector<uint8_t> SaveToSpriteBytes(const RMaskSettings &settings) const;

  // A sprite of one frame from a grabbed picture, made ready by mode
  // (TBitmap32::PrepareGrabbed), with the origin and default masks. No
  // picture (a grab that found nothing) gives a sprite without frames.
  void CreateFromBitmap(const TBitmap32 *picture, int32_t mode, bool smooth, int32_t xorig, int32_t yorig);
  // Appends a grabbed picture as a frame: made ready as loading does, then
  // stretched to the sprite's size (1 by 1 for a sprite without frames);
  // textures and masks (default settings, this sprite's separate-mask
  // choice) rebuilt.
  void AddFromBitmap(const TBitmap32 &picture, bool removeback, bool smooth);
  // Appends copies of the other sprite's frames stretched to this sprite's
  // size (1 by 1 for a sprite without frames), then textures and masks
  // (default settings, this sprite's separate-mask choice).
  void AddFromSprite(const CSprite &other);
  // Alpha of frame i := the mean of red, green and blue of the other
  // sprite's frame i (wrapping), over the area both cover.
  void SetAlphaFromSprite(const CSprite &other);

  // Rebuilds the masks from the frames and then the box.
  void ComputeMask(const RMaskSettings &settings);
  void ComputeMask(bool sepmasks, int32_t bbmode, int32_t tolerance, int32_t kind, const RRect &bbox);
  void FreeMask();
  // The box of all masks (see the header comment of TMask for the modes).
  void ComputeBoundingBox();

  void InitTexture();
  void FreeTexture();
  // The texture of frame n (wrapping); -1 without frames.
  int32_t GetTexture(int64_t frame) const;

  // The first frame's size; 1 by 1 without frames.
  int32_t GetWidth() const;
  int32_t GetHeight() const;
  // Frame n taken into [0, count) (-1 is the last frame); -1 without frames.
  int32_t FrameIndex(int64_t frame) const;
  // The mask used for image n (wrapping with separate masks, else the one);
  // null when the sprite has none.
  const TMask *MaskFor(int64_t frame) const;
};
