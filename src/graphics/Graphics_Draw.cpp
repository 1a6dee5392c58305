#include "graphics/Graphics_Draw.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "base/BM32_Bitmap.h"
#include "base/BM32_PNG.h"
#include "base/Support_Path.h"
#include "base/Support_Stream.h"
#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "graphics/Graphics_D3D.h"
#include "world/Path_Class.h"
#include "world/Path_Main.h"

namespace {

// The largest primitive a script builds: vertices past it are dropped.
constexpr int32_t kMaxPrimitiveVertices = 1001;

struct RDrawState {
  uint32_t colour = 0xFF000000u;
  double alpha = 1.0;
  int32_t precision = 24;
  std::vector<double> cosTable, sinTable;
  int32_t primKind = 0;
  int32_t primTexture = -1;
  int32_t primCount = 0;
  RDeviceVertex prim[kMaxPrimitiveVertices];
  std::function<void(double &, double &)> pixelMapping;
};

RDrawState g;

void BuildTables() {
  const int32_t n = g.precision;
  g.cosTable.resize(static_cast<size_t>(n) + 1);
  g.sinTable.resize(static_cast<size_t>(n) + 1);
  for (int32_t i = 0; i <= n; ++i) {
    g.cosTable[static_cast<size_t>(i)] = std::cos(2 * std::numbers::pi * i / n);
    g.sinTable[static_cast<size_t>(i)] = std::sin(2 * std::numbers::pi * i / n);
  }
}

const bool g_tablesBuilt = (BuildTables(), true);

RDeviceVertex V(double x, double y, uint32_t colour) {
  return RDeviceVertex{static_cast<float>(x), static_cast<float>(y), static_cast<float>(GR_D3D_Get_Depth()), colour,
                       0, 0};
}

void Shape(TDevicePrimitive kind, const RDeviceVertex *v, int32_t count) { GR_D3D_Draw(kind, v, count, -1); }

// A script colour with the drawing alpha.
uint32_t WithAlpha(uint32_t colour) { return GR_Device_Colour(colour, g.alpha); }

// The right or bottom edge of a box: a whole number reaches a hundredth
// further, so that the edge pixel is covered.
double FarEdge(double v) { return std::floor(v) == v ? v + 0.01 : v; }

struct RBox {
  double left, top, right, bottom;
};

RBox Normalised(double x1, double y1, double x2, double y2) {
  return RBox{std::min(x1, x2), std::min(y1, y2), FarEdge(std::max(x1, x2)), FarEdge(std::max(y1, y2))};
}

int64_t Channel(int64_t colour, int shift) { return (colour >> shift) & 0xFF; }

}  // namespace

// ---------------------------------------------------------------------------
// Drawing state
// ---------------------------------------------------------------------------
uint32_t GR_Draw_Get_Device_Colour() { return g.colour; }

void GR_Draw_Set_Colour(uint32_t colour) { g.colour = WithAlpha(colour); }

uint32_t GR_Draw_Get_Colour() {
  const uint32_t c = g.colour;
  return (c >> 16 & 0xFFu) | (c & 0xFF00u) | (c & 0xFFu) << 16;
}

void GR_Draw_Set_Alpha(double alpha) {
  if (std::isnan(alpha)) alpha = 1;
  g.alpha = std::clamp(alpha, 0.0, 1.0);
  GR_Draw_Set_Colour(GR_Draw_Get_Colour());
}

double GR_Draw_Get_Alpha() { return g.alpha; }

void GR_Draw_Set_Circle_Precision(int32_t precision) {
  g.precision = std::clamp(precision, 4, 64) / 4 * 4;
  BuildTables();
}

int32_t GR_Draw_Get_Circle_Precision() { return g.precision; }

void GR_Draw_Reset_State() {
  g.colour = 0xFF000000u;
  g.alpha = 1;
  g.precision = 24;
  BuildTables();
  g.primKind = 0;
  g.primTexture = -1;
  g.primCount = 0;
}

void GR_Draw_Set_Pixel_Mapping(std::function<void(double &, double &)> mapping) {
  g.pixelMapping = std::move(mapping);
}

// ---------------------------------------------------------------------------
// Colours
// ---------------------------------------------------------------------------
double GR_Colour_Merge(int64_t c1, int64_t c2, double amount) {
  double sum = 0;
  for (int shift : {0, 8, 16})
    sum += std::nearbyint((1 - amount) * static_cast<double>(Channel(c1, shift)) +
                          amount * static_cast<double>(Channel(c2, shift))) *
           static_cast<double>(int64_t{1} << shift);
  return sum;
}

double GR_Colour_From_HSV(double hue, double saturation, double value) {
  double h = hue * 360 / 255;
  if (h == 360) h = 0;
  const double s = saturation / 255, v = value / 255;
  double r = v, gr = v, b = v;
  if (s != 0 && std::isfinite(h)) {
    const double sector = std::trunc(h / 60);
    const double f = h / 60 - sector;
    const double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    // A hue outside 0 ... 255 wraps round to the sector it would reach.
    const int i = static_cast<int>(std::fmod(std::fmod(sector, 6) + 6, 6));
    switch (i) {
      case 0: r = v, gr = t, b = p; break;
      case 1: r = q, gr = v, b = p; break;
      case 2: r = p, gr = v, b = t; break;
      case 3: r = p, gr = q, b = v; break;
      case 4: r = t, gr = p, b = v; break;
      default: r = v, gr = p, b = q; break;
    }
  }
  return std::trunc(r * 255) + 256 * std::trunc(gr * 255) + 65536 * std::trunc(b * 255);
}

void GR_Colour_To_HSV(int64_t colour, int32_t &hue, int32_t &saturation, int32_t &value) {
  const double r = static_cast<double>(Channel(colour, 0)) / 255, gr = static_cast<double>(Channel(colour, 8)) / 255,
               b = static_cast<double>(Channel(colour, 16)) / 255;
  const double mx = std::max({r, gr, b}), mn = std::min({r, gr, b}), delta = mx - mn;
  const double s = mx == 0 ? 0 : delta / mx;
  double h = 0;
  if (s != 0) {
    if (r == mx) h = 60 * (gr - b) / delta;
    else if (gr == mx) h = 60 * (b - r) / delta + 120;
    else h = 60 * (r - gr) / delta + 240;
    if (h < 0) h += 360;
  }
  hue = static_cast<int32_t>(std::trunc(h * 255 / 360));
  saturation = static_cast<int32_t>(std::trunc(s * 255));
  value = static_cast<int32_t>(std::trunc(mx * 255));
}

// ---------------------------------------------------------------------------
// Shapes
// ---------------------------------------------------------------------------
void GR_Draw_Point(double x, double y, uint32_t colour) {
  const RDeviceVertex v[1] = {V(x, y, colour)};
  Shape(TDevicePrimitive::PointList, v, 1);
}

void GR_Draw_Line(double x1, double y1, double x2, double y2, uint32_t c1, uint32_t c2) {
  const RDeviceVertex v[2] = {V(x1 + 0.01, y1 + 0.01, c1), V(x2 + 0.01, y2 + 0.01, c2)};
  Shape(TDevicePrimitive::LineList, v, 2);
}

void GR_Draw_Line_Width(double x1, double y1, double x2, double y2, double width, uint32_t c1, uint32_t c2) {
  const double dx = x2 - x1, dy = y2 - y1, len = std::sqrt(dx * dx + dy * dy);
  if (len == 0) return;
  const double ox = dy * (width / 2) / len, oy = dx * (width / 2) / len;
  const RDeviceVertex v[4] = {V(x1 - ox, y1 + oy, c1), V(x2 - ox, y2 + oy, c2), V(x2 + ox, y2 - oy, c2),
                              V(x1 + ox, y1 - oy, c1)};
  Shape(TDevicePrimitive::TriangleFan, v, 4);
}

void GR_Draw_Rectangle(double x1, double y1, double x2, double y2, uint32_t c1, uint32_t c2, uint32_t c3,
                       uint32_t c4, bool outline) {
  const RBox b = Normalised(x1, y1, x2, y2);
  const RDeviceVertex v[5] = {V(b.left, b.top, c1), V(b.right, b.top, c2), V(b.right, b.bottom, c3),
                              V(b.left, b.bottom, c4), V(b.left, b.top, c1)};
  if (outline) Shape(TDevicePrimitive::LineStrip, v, 5);
  else Shape(TDevicePrimitive::TriangleFan, v, 4);
}

void GR_Draw_Triangle(double x1, double y1, double x2, double y2, double x3, double y3, uint32_t c1, uint32_t c2,
                      uint32_t c3, bool outline) {
  const RDeviceVertex v[4] = {V(x1, y1, c1), V(x2, y2, c2), V(x3, y3, c3), V(x1, y1, c1)};
  if (outline) Shape(TDevicePrimitive::LineStrip, v, 4);
  else Shape(TDevicePrimitive::TriangleList, v, 3);
}

void GR_Draw_Ellipse_At(double cx, double cy, double rx, double ry, uint32_t c1, uint32_t c2, bool outline) {
  const int32_t n = g.precision;
  RDeviceVertex v[64 + 2];
  v[0] = V(cx, cy, c1);
  for (int32_t i = 0; i <= n; ++i)
    v[i + 1] = V(cx + rx * g.cosTable[static_cast<size_t>(i)], cy + ry * g.sinTable[static_cast<size_t>(i)], c2);
  if (!outline) {
    Shape(TDevicePrimitive::TriangleFan, v, n + 2);
    return;
  }
  // The centre is not part of the rim: the strip starts where it ends.
  v[0] = v[n + 1];
  Shape(TDevicePrimitive::LineStrip, v, n + 1);
}

void GR_Draw_RoundRect(double x1, double y1, double x2, double y2, uint32_t c1, uint32_t c2, bool outline) {
  const RBox b = Normalised(x1, y1, x2, y2);
  const double width = b.right - b.left, height = b.bottom - b.top;
  const double cw = std::min(10.0, width), ch = std::min(10.0, height);
  const double cx = (b.left + b.right) / 2, cy = (b.top + b.bottom) / 2;
  const double ix = width / 2 - cw / 2, iy = height / 2 - ch / 2;
  const int32_t n = g.precision, q = n / 4;
  RDeviceVertex v[64 + 6];
  int32_t k = 0;
  v[k++] = V(cx, cy, c1);
  const double centres[4][2] = {{cx + ix, cy + iy}, {cx - ix, cy + iy}, {cx - ix, cy - iy}, {cx + ix, cy - iy}};
  for (int32_t arc = 0; arc < 4; ++arc)
    for (int32_t i = arc * q; i <= (arc + 1) * q; ++i)
      v[k++] = V(centres[arc][0] + cw / 2 * g.cosTable[static_cast<size_t>(i)],
                 centres[arc][1] + ch / 2 * g.sinTable[static_cast<size_t>(i)], c2);
  v[k] = v[1];
  ++k;  // n + 6 vertices
  if (!outline) {
    Shape(TDevicePrimitive::TriangleFan, v, k);
    return;
  }
  v[0] = v[k - 1];
  Shape(TDevicePrimitive::LineStrip, v, k);
}

void GR_Draw_Arrow(double x1, double y1, double x2, double y2, double size) {
  const double dx = x2 - x1, dy = y2 - y1, len = std::sqrt(dx * dx + dy * dy);
  if (len == 0) return;
  GR_Draw_Line(x1, y1, x2, y2, g.colour, g.colour);
  const double h = std::min(len, size), hx = dx * h / len, hy = dy * h / len;
  GR_Draw_Triangle(x2 - hx - hy / 3, y2 - hy + hx / 3, x2, y2, x2 - hx + hy / 3, y2 - hy - hx / 3, g.colour, g.colour,
                   g.colour, false);
}

void GR_Draw_Button(double x1, double y1, double x2, double y2, bool up) {
  uint32_t light = WithAlpha(0xFFFFFF), dark = WithAlpha(0x808080);
  if (!up) std::swap(light, dark);
  GR_Draw_Triangle(x1, y1, x2, y1, x1, y2, light, light, light, false);
  GR_Draw_Triangle(x1, y2, x2, y1, x2, y2, dark, dark, dark, false);
  GR_Draw_Rectangle(x1 + 2, y1 + 2, x2 - 2, y2 - 2, g.colour, g.colour, g.colour, g.colour, false);
}

void GR_Draw_Healthbar(double x1, double y1, double x2, double y2, double amount, uint32_t back, uint32_t mincol,
                       uint32_t maxcol, int32_t direction, bool showBack, bool showBorder) {
  const uint32_t black = WithAlpha(0);
  const auto box = [](double a, double b, double c, double d, uint32_t colour, bool outline) {
    GR_Draw_Rectangle(a, b, c, d, colour, colour, colour, colour, outline);
  };
  if (showBack) {
    box(x1, y1, x2, y2, WithAlpha(back), false);
    if (showBorder) box(x1, y1, x2, y2, black, true);
  }
  if (std::isnan(amount)) amount = 0;
  amount = std::clamp(amount, 0.0, 100.0);
  const double p = amount / 100;
  double l = x1, t = y1, r = x2, b = y2;
  switch (direction) {
    case 1: l = x2 - (x2 - x1) * p; break;
    case 2: b = y1 + (y2 - y1) * p; break;
    case 3: t = y2 - (y2 - y1) * p; break;
    default: r = x1 + (x2 - x1) * p; break;
  }
  const double mid = GR_Colour_Merge(mincol, maxcol, 0.5);
  const double colour = amount > 50 ? GR_Colour_Merge(static_cast<int64_t>(mid), maxcol, (amount - 50) / 50)
                                    : GR_Colour_Merge(mincol, static_cast<int64_t>(mid), amount / 50);
  box(l, t, r, b, WithAlpha(static_cast<uint32_t>(colour)), false);
  if (showBorder) box(l, t, r, b, black, true);
}

// ---------------------------------------------------------------------------
// Script functions
// ---------------------------------------------------------------------------
namespace {

#define ROUTINE(name) void name(CInstance *, CInstance *, int, RValue *args, RValue &result)

using fnarg::Bool;
using fnarg::Int;
using fnarg::Num;
using fnarg::Text;
using fnarg::Wide;

// A script colour: the rounded value's low 24 bits are what is drawn.
uint32_t Col(const RValue &v) { return static_cast<uint32_t>(Wide(v)); }
uint32_t ColA(const RValue &v) { return WithAlpha(Col(v)); }

ROUTINE(F_DrawSetColor) { GR_Draw_Set_Colour(Col(args[0])); }
ROUTINE(F_DrawSetAlpha) { GR_Draw_Set_Alpha(Num(args[0])); }
ROUTINE(F_DrawGetColor) { result.SetReal(GR_Draw_Get_Colour()); }
ROUTINE(F_DrawGetAlpha) { result.SetReal(GR_Draw_Get_Alpha()); }
ROUTINE(F_MakeColorRgb) {
  result.SetReal(static_cast<double>(Wide(args[0])) + 256.0 * static_cast<double>(Wide(args[1])) +
                 65536.0 * static_cast<double>(Wide(args[2])));
}
ROUTINE(F_MakeColorHsv) { result.SetReal(GR_Colour_From_HSV(Num(args[0]), Num(args[1]), Num(args[2]))); }
ROUTINE(F_ColorGetRed) { result.SetReal(static_cast<double>(Wide(args[0]) % 256)); }
ROUTINE(F_ColorGetGreen) { result.SetReal(static_cast<double>(Wide(args[0]) / 256 % 256)); }
ROUTINE(F_ColorGetBlue) { result.SetReal(static_cast<double>(Wide(args[0]) / 65536 % 256)); }
ROUTINE(F_ColorGetHue) {
  int32_t h, s, v;
  GR_Colour_To_HSV(Wide(args[0]), h, s, v);
  result.SetReal(h);
}
ROUTINE(F_ColorGetSaturation) {
  int32_t h, s, v;
  GR_Colour_To_HSV(Wide(args[0]), h, s, v);
  result.SetReal(s);
}
ROUTINE(F_ColorGetValue) {
  int32_t h, s, v;
  GR_Colour_To_HSV(Wide(args[0]), h, s, v);
  result.SetReal(v);
}
ROUTINE(F_MergeColor) { result.SetReal(GR_Colour_Merge(Wide(args[0]), Wide(args[1]), Num(args[2]))); }
ROUTINE(F_DrawSetCirclePrecision) { GR_Draw_Set_Circle_Precision(fnarg::Clamped(args[0])); }

ROUTINE(F_DrawClear) { GR_D3D_Clear(Col(args[0]), 1, true); }
ROUTINE(F_DrawClearAlpha) { GR_D3D_Clear(Col(args[0]), Num(args[1]), true); }
ROUTINE(F_DrawGetpixel) {
  double x = Num(args[0]), y = Num(args[1]);
  if (g.pixelMapping) g.pixelMapping(x, y);
  RValue rx = RValue::Real(x), ry = RValue::Real(y);
  result.SetReal(GR_D3D_Get_Pixel(fnarg::Clamped(rx), fnarg::Clamped(ry)));
}

bool EndsWithPng(std::string_view name) {
  if (name.size() < 4) return false;
  std::string ext(name.substr(name.size() - 4));
  for (char &c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".png";
}

bool WriteScreen(std::string_view name, int32_t x, int32_t y, int32_t w, int32_t h) {
  std::unique_ptr<TBitmap32> picture = GR_D3D_Grab_Region(x, y, w, h);
  if (!picture) return false;
  std::vector<uint8_t> bytes;
  if (EndsWithPng(name)) {
    TColor32 *p = picture->Bits();
    for (size_t i = 0, n = static_cast<size_t>(picture->Width()) * static_cast<size_t>(picture->Height()); i < n; ++i)
      p[i] |= 0xFF000000u;
    bytes = EncodePng(*picture);
  } else {
    bytes = picture->SaveToBMP();
  }
  // A failed write leaves no half-written file; the game is not told.
  try {
    CStream stream;
    stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SaveToFile(TranslatePath(name));
  } catch (const std::exception &) {
    return false;
  }
  return true;
}

void SaveScreen(std::string_view name, int32_t x, int32_t y, int32_t w, int32_t h) {
  if (name.empty()) {
    ReportActionError("Trying to save screen to empty image file name.", false);
    return;
  }
  WriteScreen(name, x, y, w, h);
}

ROUTINE(F_ScreenSave) {
  int32_t w, h;
  GR_D3D_Get_Region_Size(w, h);
  SaveScreen(Text(args[0]), 0, 0, w, h);
}
ROUTINE(F_ScreenSavePart) {
  SaveScreen(Text(args[0]), fnarg::Clamped(args[1]), fnarg::Clamped(args[2]), fnarg::Clamped(args[3]),
             fnarg::Clamped(args[4]));
}

ROUTINE(F_DrawPoint) { GR_Draw_Point(Num(args[0]), Num(args[1]), g.colour); }
ROUTINE(F_DrawPointColor) { GR_Draw_Point(Num(args[0]) + 0.01, Num(args[1]) + 0.01, ColA(args[2])); }
ROUTINE(F_DrawLine) { GR_Draw_Line(Num(args[0]), Num(args[1]), Num(args[2]), Num(args[3]), g.colour, g.colour); }
ROUTINE(F_DrawLineColor) {
  GR_Draw_Line(Num(args[0]), Num(args[1]), Num(args[2]), Num(args[3]), ColA(args[4]), ColA(args[5]));
}
ROUTINE(F_DrawLineWidth) {
  GR_Draw_Line_Width(Num(args[0]), Num(args[1]), Num(args[2]), Num(args[3]), Num(args[4]), g.colour, g.colour);
}
ROUTINE(F_DrawLineWidthColor) {
  GR_Draw_Line_Width(Num(args[0]), Num(args[1]), Num(args[2]), Num(args[3]), Num(args[4]), ColA(args[5]),
                     ColA(args[6]));
}
ROUTINE(F_DrawRectangle) {
  const uint32_t c = g.colour;
  GR_Draw_Rectangle(Num(args[0]), Num(args[1]), Num(args[2]), Num(args[3]), c, c, c, c, Bool(args[4]));
}
ROUTINE(F_DrawRectangleColor) {
  GR_Draw_Rectangle(Num(args[0]), Num(args[1]), Num(args[2]), Num(args[3]), ColA(args[4]), ColA(args[5]),
                    ColA(args[6]), ColA(args[7]), Bool(args[8]));
}
ROUTINE(F_DrawRoundrect) {
  GR_Draw_RoundRect(Num(args[0]), Num(args[1]), Num(args[2]), Num(args[3]), g.colour, g.colour, Bool(args[4]));
}
ROUTINE(F_DrawRoundrectColor) {
  GR_Draw_RoundRect(Num(args[0]), Num(args[1]), Num(args[2]), Num(args[3]), ColA(args[4]), ColA(args[5]),
                    Bool(args[6]));
}
ROUTINE(F_DrawTriangle) {
  const uint32_t c = g.colour;
  GR_Draw_Triangle(Num(args[0]), Num(args[1]), Num(args[2]), Num(args[3]), Num(args[4]), Num(args[5]), c, c, c,
                   Bool(args[6]));
}
ROUTINE(F_DrawTriangleColor) {
  GR_Draw_Triangle(Num(args[0]), Num(args[1]), Num(args[2]), Num(args[3]), Num(args[4]), Num(args[5]), ColA(args[6]),
                   ColA(args[7]), ColA(args[8]), Bool(args[9]));
}
ROUTINE(F_DrawCircle) {
  const double r = Num(args[2]);
  GR_Draw_Ellipse_At(Num(args[0]), Num(args[1]), r, r, g.colour, g.colour, Bool(args[3]));
}
ROUTINE(F_DrawCircleColor) {
  const double r = Num(args[2]);
  GR_Draw_Ellipse_At(Num(args[0]), Num(args[1]), r, r, ColA(args[3]), ColA(args[4]), Bool(args[5]));
}
void Ellipse(RValue *args, uint32_t c1, uint32_t c2, bool outline) {
  const double x1 = Num(args[0]), y1 = Num(args[1]), x2 = Num(args[2]), y2 = Num(args[3]);
  GR_Draw_Ellipse_At((x1 + x2) / 2, (y1 + y2) / 2, std::fabs(x1 - x2) / 2, std::fabs(y1 - y2) / 2, c1, c2, outline);
}
ROUTINE(F_DrawEllipse) { Ellipse(args, g.colour, g.colour, Bool(args[4])); }
ROUTINE(F_DrawEllipseColor) { Ellipse(args, ColA(args[4]), ColA(args[5]), Bool(args[6])); }
ROUTINE(F_DrawArrow) { GR_Draw_Arrow(Num(args[0]), Num(args[1]), Num(args[2]), Num(args[3]), Num(args[4])); }
ROUTINE(F_DrawButton) { GR_Draw_Button(Num(args[0]), Num(args[1]), Num(args[2]), Num(args[3]), Bool(args[4])); }
ROUTINE(F_DrawHealthbar) {
  GR_Draw_Healthbar(Num(args[0]), Num(args[1]), Num(args[2]), Num(args[3]), Num(args[4]), Col(args[5]), Col(args[6]),
                    Col(args[7]), Int(args[8]), Bool(args[9]), Bool(args[10]));
}
ROUTINE(F_DrawPath) {
  const CPath *path = PathGet(Int(args[0]));
  if (path == nullptr) {
    ReportActionError("Trying to drawn non-existing path.", false);
    return;
  }
  std::vector<RDeviceVertex> v;
  for (const auto &strip : path->DrawStrips(Num(args[1]), Num(args[2]), Bool(args[3]))) {
    v.clear();
    for (const RPathPosition &p : strip) v.push_back(V(p.x, p.y, g.colour));
    Shape(TDevicePrimitive::LineStrip, v.data(), static_cast<int32_t>(v.size()));
  }
}

// --- primitives ---
void PrimBegin(int32_t kind, int32_t texture) {
  g.primKind = kind;
  g.primTexture = texture;
  g.primCount = 0;
}
void PrimVertex(double x, double y, uint32_t colour, double u, double v) {
  if (g.primCount >= kMaxPrimitiveVertices) return;
  RDeviceVertex vertex = V(x, y, colour);
  vertex.u = static_cast<float>(u);
  vertex.v = static_cast<float>(v);
  g.prim[g.primCount++] = vertex;
}
ROUTINE(F_DrawPrimitiveBegin) { PrimBegin(Int(args[0]), -1); }
ROUTINE(F_DrawPrimitiveBeginTexture) { PrimBegin(Int(args[0]), Int(args[1])); }
ROUTINE(F_DrawVertex) { PrimVertex(Num(args[0]), Num(args[1]), g.colour, 0, 0); }
ROUTINE(F_DrawVertexColor) {
  PrimVertex(Num(args[0]), Num(args[1]), GR_Device_Colour(Col(args[2]), Num(args[3])), 0, 0);
}
ROUTINE(F_DrawVertexTexture) { PrimVertex(Num(args[0]), Num(args[1]), g.colour, Num(args[2]), Num(args[3])); }
ROUTINE(F_DrawVertexTextureColor) {
  PrimVertex(Num(args[0]), Num(args[1]), GR_Device_Colour(Col(args[4]), Num(args[5])), Num(args[2]), Num(args[3]));
}
ROUTINE(F_DrawPrimitiveEnd) {
  const int32_t n = g.primCount;
  int32_t used = 0;
  switch (g.primKind) {
    case 1: used = n; break;
    case 2: used = n / 2 * 2; break;
    case 3: used = n >= 2 ? n : 0; break;
    case 4: used = n / 3 * 3; break;
    case 5:
    case 6: used = n >= 3 ? n : 0; break;
    default: return;
  }
  if (used == 0) return;
  GR_D3D_Draw(static_cast<TDevicePrimitive>(g.primKind), g.prim, used, g.primTexture);
}

#undef ROUTINE

}  // namespace

bool GR_Draw_Save_Screen(std::string_view name) {
  int32_t w, h;
  GR_D3D_Get_Region_Size(w, h);
  return !name.empty() && WriteScreen(name, 0, 0, w, h);
}

void GR_Draw_Register_Functions() {
  (void)g_tablesBuilt;
  const struct {
    const char *name;
    TRoutine routine;
    int32_t count;
  } table[] = {
      {"draw_set_color", F_DrawSetColor, 1},
      {"draw_set_alpha", F_DrawSetAlpha, 1},
      {"draw_get_color", F_DrawGetColor, 0},
      {"draw_get_alpha", F_DrawGetAlpha, 0},
      {"make_color_rgb", F_MakeColorRgb, 3},
      {"make_color", F_MakeColorRgb, 3},
      {"make_color_hsv", F_MakeColorHsv, 3},
      {"color_get_red", F_ColorGetRed, 1},
      {"color_get_green", F_ColorGetGreen, 1},
      {"color_get_blue", F_ColorGetBlue, 1},
      {"color_get_hue", F_ColorGetHue, 1},
      {"color_get_saturation", F_ColorGetSaturation, 1},
      {"color_get_value", F_ColorGetValue, 1},
      {"merge_color", F_MergeColor, 3},
      {"draw_set_circle_precision", F_DrawSetCirclePrecision, 1},
      {"draw_clear", F_DrawClear, 1},
      {"draw_clear_alpha", F_DrawClearAlpha, 2},
      {"draw_getpixel", F_DrawGetpixel, 2},
      {"screen_save", F_ScreenSave, 1},
      {"screen_save_part", F_ScreenSavePart, 5},
      {"draw_point", F_DrawPoint, 2},
      {"draw_point_color", F_DrawPointColor, 3},
      {"draw_line", F_DrawLine, 4},
      {"draw_line_color", F_DrawLineColor, 6},
      {"draw_line_width", F_DrawLineWidth, 5},
      {"draw_line_width_color", F_DrawLineWidthColor, 7},
      {"draw_rectangle", F_DrawRectangle, 5},
      {"draw_rectangle_color", F_DrawRectangleColor, 9},
      {"draw_roundrect", F_DrawRoundrect, 5},
      {"draw_roundrect_color", F_DrawRoundrectColor, 7},
      {"draw_triangle", F_DrawTriangle, 7},
      {"draw_triangle_color", F_DrawTriangleColor, 10},
      {"draw_circle", F_DrawCircle, 4},
      {"draw_circle_color", F_DrawCircleColor, 6},
      {"draw_ellipse", F_DrawEllipse, 5},
      {"draw_ellipse_color", F_DrawEllipseColor, 7},
      {"draw_arrow", F_DrawArrow, 5},
      {"draw_button", F_DrawButton, 5},
      {"draw_healthbar", F_DrawHealthbar, 11},
      {"draw_path", F_DrawPath, 4},
      {"draw_primitive_begin", F_DrawPrimitiveBegin, 1},
      {"draw_primitive_begin_texture", F_DrawPrimitiveBeginTexture, 2},
      {"draw_vertex", F_DrawVertex, 2},
      {"draw_vertex_color", F_DrawVertexColor, 4},
      {"draw_vertex_texture", F_DrawVertexTexture, 4},
      {"draw_vertex_texture_color", F_DrawVertexTextureColor, 6},
      {"draw_primitive_end", F_DrawPrimitiveEnd, 0},
  };
  for (const auto &f : table) FunctionAdd(f.name, f.routine, f.count);
}
