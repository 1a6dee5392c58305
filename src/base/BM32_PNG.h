// PNG pictures (sprites, backgrounds and loading-bar images), decoded
// with zlib alone: every colour type and bit depth, palettes with
// transparency, colour-key transparency and interlaced pictures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TBitmap32;

// True when the bytes start with the PNG signature.
bool IsPng(const uint8_t *data, size_t size);

// Decodes a whole PNG file into out. On failure answers false, leaves out
// empty and says why (for the packer's message). Sizes and offsets are
// checked against the data; pictures above 16384 pixels a side are refused.
bool DecodePng(const uint8_t *data, size_t size, TBitmap32 &out, std::string &why);

// A whole PNG file of the picture: 8-bit RGBA, no interlace, one IDAT chunk
// with every row unfiltered, the zlib data at the default level.
std::vector<uint8_t> EncodePng(const TBitmap32 &picture);
