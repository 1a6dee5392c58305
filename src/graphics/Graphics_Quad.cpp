#include "graphics/Graphics_Quad.h"

#include <cmath>
#include <numbers>

#include "graphics/Graphics_D3D.h"
#include "graphics/Graphics_Texture.h"

namespace {

// A texture's image size and the texture's, for one draw; false for an
// invalid id, which draws nothing.
struct RImage {
  double w = 0, h = 0, wt = 1, ht = 1;
  bool Read(int32_t tex) {
    int32_t iw, ih, iwt, iht;
    if (!GR_Texture_Get_Size(tex, iw, ih, iwt, iht)) return false;
    w = iw, h = ih, wt = iwt, ht = iht;
    return true;
  }
};

// Corners top-left, top-right, bottom-right, bottom-left with texture
// coordinates (u0, v0) ... (u1, v1); one fan of two triangles with the
// texture addressing clamped.
void DrawQuad(int32_t tex, const double (&x)[4], const double (&y)[4], double u0, double v0, double u1, double v1,
              const uint32_t (&colour)[4]) {
  const float z = static_cast<float>(GR_D3D_Get_Depth());
  const double u[4] = {u0, u1, u1, u0}, v[4] = {v0, v0, v1, v1};
  RDeviceVertex vertices[4];
  for (int i = 0; i < 4; ++i)
    vertices[i] = RDeviceVertex{static_cast<float>(x[i]), static_cast<float>(y[i]), z, colour[i],
                                static_cast<float>(u[i]), static_cast<float>(v[i])};
  GR_D3D_Draw(TDevicePrimitive::TriangleFan, vertices, 4, tex, true);
}

// The box of offsets (left, top) ... (right, bottom) from (X, Y), turned
// by angle degrees counter-clockwise on screen about (X, Y). Turns of
// less than a thousandth of a radian are drawn straight, so that an angle
// left over from arithmetic does not blur an upright picture.
void Corners(double X, double Y, double left, double top, double right, double bottom, double angle,
             double (&x)[4], double (&y)[4]) {
  const double dx[4] = {left, right, right, left}, dy[4] = {top, top, bottom, bottom};
  const double theta = angle * std::numbers::pi / 180.0;
  if (std::fabs(theta) < 0.001) {
    for (int i = 0; i < 4; ++i) x[i] = X + dx[i], y[i] = Y + dy[i];
    return;
  }
  const double c = std::cos(theta), s = std::sin(theta);
  for (int i = 0; i < 4; ++i) {
    x[i] = X + dx[i] * c + dy[i] * s;
    y[i] = Y - dx[i] * s + dy[i] * c;
  }
}

void SameColour(uint32_t (&colour)[4], uint32_t c) { colour[0] = colour[1] = colour[2] = colour[3] = c; }

// The first tile position of one direction: from round(pos), moved back by
// whole tiles to the last start at or before the region's near edge.
double TileStart(double pos, double tile, double nearEdge, bool tiled) {
  double c = std::nearbyint(pos);
  if (!tiled) return c;
  c = std::fmod(c, tile);
  if (c >= 1) c -= tile;
  if (c + tile < nearEdge) {
    // Whole tiles at once; the loop settles the last step exactly.
    const double skip = std::floor((nearEdge - tile - c) / tile);
    if (skip > 1) c += (skip - 1) * tile;
    while (c + tile < nearEdge) c += tile;
  }
  return c;
}

}  // namespace

void GR_Quad_Simple(int32_t tex, double x, double y, double xorig, double yorig) {
  RImage im;
  if (!im.Read(tex)) return;
  const double left = x - xorig - 0.5, top = y - yorig - 0.5;
  const double xs[4] = {left, left + im.w, left + im.w, left}, ys[4] = {top, top, top + im.h, top + im.h};
  uint32_t colour[4];
  SameColour(colour, 0xFFFFFFFFu);
  DrawQuad(tex, xs, ys, 0, 0, im.w / im.wt, im.h / im.ht, colour);
}

void GR_Quad_Transformed(int32_t tex, double x, double y, double xorig, double yorig, double xscale, double yscale,
                         double angle, uint32_t colour, double alpha) {
  RImage im;
  if (!im.Read(tex)) return;
  double xs[4], ys[4];
  Corners(x, y, -xscale * xorig - 0.5, -yscale * yorig - 0.5, (im.w - xorig) * xscale - 0.5,
          (im.h - yorig) * yscale - 0.5, angle, xs, ys);
  uint32_t colours[4];
  SameColour(colours, GR_Device_Colour(colour, alpha));
  DrawQuad(tex, xs, ys, 0, 0, im.w / im.wt, im.h / im.ht, colours);
}

void GR_Quad_Part(int32_t tex, double left, double top, double width, double height, double x, double y,
                  double xscale, double yscale, double angle, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4,
                  double alpha) {
  RImage im;
  if (!im.Read(tex)) return;
  double xs[4], ys[4];
  Corners(x, y, -0.5, -0.5, xscale * width - 0.5, yscale * height - 0.5, angle, xs, ys);
  const uint32_t colours[4] = {GR_Device_Colour(c1, alpha), GR_Device_Colour(c2, alpha), GR_Device_Colour(c3, alpha),
                               GR_Device_Colour(c4, alpha)};
  DrawQuad(tex, xs, ys, left / im.wt, top / im.ht, (left + width) / im.wt, (top + height) / im.ht, colours);
}

void GR_Quad_Free(int32_t tex, double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                  double y4, double alpha) {
  RImage im;
  if (!im.Read(tex)) return;
  const double xs[4] = {x1 - 0.5, x2 - 0.5, x3 - 0.5, x4 - 0.5}, ys[4] = {y1 - 0.5, y2 - 0.5, y3 - 0.5, y4 - 0.5};
  uint32_t colours[4];
  SameColour(colours, GR_Device_Colour(0xFFFFFFu, alpha));
  DrawQuad(tex, xs, ys, 0, 0, im.w / im.wt, im.h / im.ht, colours);
}

void GR_Quad_Tiled(int32_t tex, double x, double y, double xorig, double yorig, double left, double top,
                   double width, double height, bool htiled, bool vtiled, double xscale, double yscale,
                   uint32_t colour, double alpha) {
  RImage im;
  if (!im.Read(tex)) return;
  const double tw = std::nearbyint(im.w * xscale), th = std::nearbyint(im.h * yscale);
  if (!(tw >= 1 && th >= 1)) return;
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(tw) || !std::isfinite(th)) return;
  uint32_t colours[4];
  SameColour(colours, GR_Device_Colour(colour, alpha));
  const double u1 = im.w / im.wt, v1 = im.h / im.ht;
  const double l = -xscale * xorig - 0.5, r = (im.w - xorig) * xscale - 0.5;
  const double t = -yscale * yorig - 0.5, b = (im.h - yorig) * yscale - 0.5;
  for (double cx = TileStart(x, tw, left, htiled); cx < left + width; cx += tw) {
    for (double cy = TileStart(y, th, top, vtiled); cy < top + height; cy += th) {
      const double xs[4] = {cx + l, cx + r, cx + r, cx + l}, ys[4] = {cy + t, cy + t, cy + b, cy + b};
      DrawQuad(tex, xs, ys, 0, 0, u1, v1, colours);
      // Past 2^53 a tile no longer moves the position.
      if (!vtiled || cy + th == cy) break;
    }
    if (!htiled || cx + tw == cx) break;
  }
}
