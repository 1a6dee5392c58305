// GIF pictures (sprites, backgrounds and other loaded pictures), decoded
// with giflib: every image of the file, its own or the global colour table,
// its transparent colour and its disposal method, interlaced or not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/BM32_Bitmap.h"

// The colour that shows wherever no image of a GIF has drawn (dark green:
// red 0x40, green 0x80, blue 0), opaque.
inline constexpr TColor32 kGifCanvasFill = 0xFF408000u;

// True when the bytes start with "GIF87a" or "GIF89a".
bool IsGif(const uint8_t *data, size_t size);

// Decodes every image of a GIF into frames of the file's logical screen size
// (at least 1 by 1). One canvas, first filled with kGifCanvasFill, receives
// each image at its place, transparent pixels leaving the canvas as it was;
// the canvas then becomes a frame, and is filled again before the next image
// unless the image asked to be left in place (disposal method 1). Frames are
// opaque. A file cut short after a whole image keeps the images before the
// cut; one cut inside an image, one without images or colours, or whose
// frames would pass 2^26 pixels in all, answers false with the reason and
// leaves frames empty.
bool DecodeGifFrames(const uint8_t *data, size_t size, std::vector<TBitmap32> &frames, std::string &why);

// The first frame of a GIF, as DecodeGifFrames composes it: a GIF read as
// one still picture.
bool DecodeGif(const uint8_t *data, size_t size, TBitmap32 &out, std::string &why);
