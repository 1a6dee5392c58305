// PNG pictures (sprites, backgrounds and loading-bar images), decoded with
// libpng (every colour type and bit depth, palettes with transparency,
// colour-key transparency and interlaced pictures), and written as 8-bit
// RGBA.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TBitmap32;

// True when the bytes start with the PNG signature.
bool IsPng(const uint8_t *data, size_t size);

// Decodes a whole PNG file into out. On failure answers false, leaves out
// empty and says why (for the packer's message): a file cut short before
// IEND, a damaged critical chunk or picture data, an index past the palette.
// Pictures above 16384 pixels a side or 2^26 pixels are refused, as are
// headers asking for more pixels than the picture data could inflate to,
// before anything of their size is allocated.
bool DecodePng(const uint8_t *data, size_t size, TBitmap32 &out, std::string &why);

// The PNG file of a picture: 8-bit RGBA (colour type 6), no interlace, one
// IDAT chunk of zlib-compressed rows, each with filter byte 0.
std::vector<uint8_t> EncodePng(const TBitmap32 &bitmap);
