// TEMPORARY: stand-ins for the device and quad routines until the drawing
// core lands; delete this file when it does. Each quad only hands its
// texture to the render device as one fan, so that the order of drawing can
// be watched on a recording device.
#include <string>

#include "graphics/Graphics_D3D.h"
#include "graphics/Graphics_Quad.h"
#include "graphics/Graphics_Texture.h"

namespace {
bool s_exists = false;
int32_t s_regionW = 640, s_regionH = 480;
double s_depth = 0;
void Quad(int32_t tex) {
  const uint32_t handle = GR_Texture_Handle(tex);
  if (handle == 0) return;
  PlatformRender().SetTexture(handle);
  RDeviceVertex v[4];
  PlatformRender().Draw(TDevicePrimitive::TriangleFan, v, 4);
}
}  // namespace

bool GR_D3D_Init(int32_t w, int32_t h, bool) {
  std::string error;
  s_exists = PlatformRender().Open(w, h, error);
  return s_exists;
}
bool GR_D3D_Exists() { return s_exists; }
bool GR_D3D_Start_Frame() { return s_exists; }
bool GR_D3D_End_Frame() {
  return s_exists && PlatformRender().Present(s_regionW, s_regionH, RPixelRect(), 0, false);
}
bool GR_D3D_Refresh() { return s_exists; }
bool GR_D3D_Reset() { return s_exists; }
void GR_D3D_Finish() {
  if (s_exists) PlatformRender().Close();
  s_exists = false;
}
void GR_D3D_Set_Presentation(const RPixelRect &, uint32_t) {}
void GR_D3D_Set_Region_Size(int32_t w, int32_t h) { s_regionW = w, s_regionH = h; }
void GR_D3D_Get_Region_Size(int32_t &w, int32_t &h) { w = s_regionW, h = s_regionH; }
void GR_D3D_Set_Viewport(int32_t x, int32_t y, int32_t w, int32_t h) { PlatformRender().SetViewport(RPixelRect{x, y, w, h}); }
void GR_D3D_Set_Projection(double, double, double, double, double) {}
double GR_D3D_Get_Depth() { return s_depth; }
void GR_D3D_Set_Depth(double d) { s_depth = d; }
void GR_D3D_Set_Interpolation(bool) {}
void GR_D3D_Clear(uint32_t colour, double, bool depth) { PlatformRender().Clear(true, colour, depth); }

// The id plus one stands in for the device's handle.
uint32_t GR_Texture_Handle(int32_t id) { return id >= 0 ? static_cast<uint32_t>(id) + 1 : 0; }

void GR_Quad_Simple(int32_t tex, double, double, double, double) { Quad(tex); }
void GR_Quad_Transformed(int32_t tex, double, double, double, double, double, double, double, uint32_t, double) {
  Quad(tex);
}
void GR_Quad_Part(int32_t tex, double, double, double, double, double, double, double, double, double, uint32_t,
                  uint32_t, uint32_t, uint32_t, double) {
  Quad(tex);
}
void GR_Quad_Free(int32_t tex, double, double, double, double, double, double, double, double, double) { Quad(tex); }
void GR_Quad_Tiled(int32_t tex, double, double, double, double, double, double, double, double, bool, bool, double,
                   double, uint32_t, double) {
  Quad(tex);
}
