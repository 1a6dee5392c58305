// Compares a drawn picture with a reference PNG checked in under tests/.
//
//   ExpectPicture("platform/pictures/scene.png", w, h, pixels);
//
// pixels are w x h 32-bit pixels (blue, green, red, alpha in memory, i.e.
// 0xAARRGGBB; top row first), as the render device reads them. A relative
// reference path is taken from the tests/ folder of the source tree. Every
// channel of every pixel must match within tolerance. On a mismatch the test
// fails and writes "<name>.actual.png" (the picture) and "<name>.diff.png"
// (matching pixels dimmed, differing ones bright red) into the working
// directory, and the failure message says where they are.
//
// With QUILLON_UPDATE_REFERENCES=1 in the environment the reference is
// (re)written from the picture instead, and the comparison passes; look at
// the new picture before checking it in.
#pragma once

#include <cstdint>

void ExpectPicture(const char *referencePath, int width, int height, const uint32_t *pixels, int tolerance = 0);
