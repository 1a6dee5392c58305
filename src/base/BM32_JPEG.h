// JPEG pictures (sprites, backgrounds and other loaded pictures), decoded
// with libjpeg: baseline and progressive, grey, colour and CMYK.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TBitmap32;

// True when the bytes start with FF D8 FF (start of image, then a marker).
bool IsJpeg(const uint8_t *data, size_t size);

// Decodes a whole JPEG file into out, opaque. On failure answers false,
// leaves out empty and gives the reason: a file cut short or with damaged
// data is refused (only stray bytes between markers are forgiven), as are
// pictures above 16384 pixels a side or 2^26 pixels, and files that would
// make the decoder use more than 256 MB or read more than 1000 scans.
bool DecodeJpeg(const uint8_t *data, size_t size, TBitmap32 &out, std::string &why);
