// The quad routines every picture is drawn with: sprite frames, backgrounds,
// tiles, font characters and surfaces. Each draws the texture of a texture
// id (nothing for an invalid one) as one quad, or a grid of them, with
// texture addressing clamped; the image is the top-left w x h of the
// texture (Graphics_Texture). Colours are 24-bit (red low), alphas 0 ... 1.
#pragma once

#include <cstdint>

// The image untransformed, opaque white, with its origin at (x, y).
void GR_Quad_Simple(int32_t tex, double x, double y, double xorig, double yorig);
// Scaled and turned by angle degrees counter-clockwise about (x, y), where
// the origin lands.
void GR_Quad_Transformed(int32_t tex, double x, double y, double xorig, double yorig, double xscale, double yscale,
                         double angle, uint32_t colour, double alpha);
// The part (left, top, width, height) of the image with its top-left at
// (x, y), scaled and turned about that corner, with a colour per corner
// (top-left, top-right, bottom-right, bottom-left).
void GR_Quad_Part(int32_t tex, double left, double top, double width, double height, double x, double y,
                  double xscale, double yscale, double angle, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4,
                  double alpha);
// The whole image on four free corners, white with the alpha.
void GR_Quad_Free(int32_t tex, double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                  double y4, double alpha);
// The image repeated over the region (left, top, width, height) from
// (x, y), in the directions asked for.
void GR_Quad_Tiled(int32_t tex, double x, double y, double xorig, double yorig, double left, double top,
                   double width, double height, bool htiled, bool vtiled, double xscale, double yscale,
                   uint32_t colour, double alpha);
