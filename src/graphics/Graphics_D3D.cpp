#include "graphics/Graphics_D3D.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "base/BM32_Bitmap.h"
#include "base/Support_Trace.h"
#include "graphics/Graphics_D3DX8.h"
#include "graphics/Graphics_Texture.h"

namespace {

constexpr const char *kDepthMessage =
    "This program requires 16-bit (High Color) or 32-bit (Full Color) mode. Please change this in your display "
    "properties and run again.";
constexpr const char *kDeviceMessage =
    "Failed to initialize Direct3D. Old graphics cards do not support this. Also make sure version 8.0 or later of "
    "DirectX is installed on your machine.";

// The far plane of the 2D projection and the distance of its eye: every 2D
// vertex (z 0) lies half way between them.
constexpr double kFar = 32000;
constexpr double kEyeDistance = 16000;

// The switches as games last set them. They outlive the device, so they are
// applied again whenever a device is opened or recovered.
struct RMirrors {
  int32_t srcBlend = 5, destBlend = 6;
  bool culling = false;
  bool lighting = false;
  bool smooth = true;
  bool hidden = true;
  bool mode3D = false;
  bool perspective = true;
  bool fog = false;
  uint32_t fogColour = 0;
  double fogStart = 0, fogEnd = 0;
  bool interpolation = true;
  bool blending = true;
  bool repeat = false;
};

struct RD3DState {
  bool exists = false;
  int32_t regionW = 640, regionH = 480;
  bool sync = false;
  double depth = 0;
  RMirrors mirrors;
  // What the device was last given; the states are sent again only when
  // they differ (or after the device was opened or recovered).
  RDeviceStates sent;
  bool sendStates = true;
  RPixelRect viewport{0, 0, 640, 480};
  RMatrix world, view, projection;
  bool presentationSet = false;
  RPixelRect presentation;
  uint32_t band = 0;
  void (*freeTargets)() = nullptr;
};

RD3DState g;

IRenderDevice &Device() { return PlatformRender(); }

RDeviceStates StatesFromMirrors() {
  const RMirrors &m = g.mirrors;
  RDeviceStates s;
  s.srcBlend = m.srcBlend;
  s.destBlend = m.destBlend;
  s.culling = m.culling;
  s.lighting = m.lighting;
  s.smooth = m.smooth;
  // Hidden-surface removal (the depth test with pixels of alpha 0 dropped)
  // only works in 3D mode; 2D drawing is ordered by depth instead.
  s.depth = m.hidden && m.mode3D;
  s.fog = m.fog;
  s.fogColour = GR_Device_Colour(m.fogColour, 1.0);
  s.fogStart = static_cast<float>(m.fogStart);
  s.fogEnd = static_cast<float>(m.fogEnd);
  s.linear = m.interpolation;
  s.modulate = m.blending;
  s.repeat = m.repeat;
  return s;
}

void SendStatesIfChanged() {
  const RDeviceStates s = StatesFromMirrors();
  if (!g.sendStates && s == g.sent) return;
  Device().SetStates(s);
  g.sent = s;
  g.sendStates = false;
}

void SendTransforms() { Device().SetTransforms(g.world.Data(), g.view.Data(), g.projection.Data()); }

void SendViewport() { Device().SetViewport(g.viewport); }

int32_t AtLeastOne(int32_t v) { return v < 1 ? 1 : v; }

void TraceLine(const char *line) {
  if (TraceEnabled()) Trace(line);
}

}  // namespace

uint32_t GR_Device_Colour(uint32_t colour, double alpha) {
  const double a = alpha * 255.0;
  uint32_t byte = 0;
  if (a >= 255.0) byte = 255;
  else if (a > 0) byte = static_cast<uint32_t>(std::nearbyint(a));  // ties to even
  const uint32_t r = colour & 0xFFu, gr = (colour >> 8) & 0xFFu, b = (colour >> 16) & 0xFFu;
  return byte << 24 | r << 16 | gr << 8 | b;
}

bool GR_D3D_Init(int32_t regionWidth, int32_t regionHeight, bool sync) {
  g.sync = sync;
  const RDisplayMode mode = PlatformWindow().DisplayMode();
  g.regionW = AtLeastOne(std::min(regionWidth, mode.width));
  g.regionH = AtLeastOne(std::min(regionHeight, mode.height));
  if (mode.depth != 16 && mode.depth != 32) {
    PlatformDialogs().ShowMessage(kDepthMessage);
    return false;
  }
  // The back buffer is as large as the screen, so the region can grow up to
  // it without a new device.
  TraceLine("D3D Create Device :: H/W processing + D24S8 + Copy");
  std::string error;
  if (!Device().Open(AtLeastOne(mode.width), AtLeastOne(mode.height), error)) {
    if (TraceEnabled()) Trace("D3D Create Device :: " + error);
    PlatformDialogs().ShowMessage(kDeviceMessage);
    return false;
  }
  g.exists = true;
  g.sendStates = true;
  TraceLine("D3D Create Device :: Success");
  TraceLine("D3D Create Device :: Clear");
  Device().SetTarget(0);
  g.viewport = RPixelRect{0, 0, g.regionW, g.regionH};
  SendViewport();
  Device().Clear(true, 0xFF000000u, false);
  GR_D3D_Set_Projection(0, 0, g.regionW, g.regionH, 0);
  TraceLine("D3D Create Device :: Texture Init");
  GR_Texture_Init();
  TraceLine("D3D Create Device :: Settings Init");
  GR_D3D_Apply_States();
  TraceLine("D3D Create Device :: Finished");
  return true;
}

bool GR_D3D_Exists() { return g.exists; }

bool GR_D3D_Start_Frame() { return g.exists; }

namespace {
bool Present() {
  const RPixelRect dest = g.presentationSet ? g.presentation : RPixelRect{0, 0, g.regionW, g.regionH};
  return Device().Present(g.regionW, g.regionH, dest, g.band, g.sync);
}
}  // namespace

bool GR_D3D_End_Frame() {
  if (!g.exists) return false;
  if (!Present()) GR_D3D_Reset();
  return true;
}

bool GR_D3D_Refresh() {
  if (!g.exists) return false;
  Present();
  return true;
}

bool GR_D3D_Reset() {
  if (!g.exists) return false;
  // Target textures do not survive a lost device; their owners let go of
  // them first.
  if (g.freeTargets != nullptr) g.freeTargets();
  Device().SetTarget(0);
  SendViewport();
  SendTransforms();
  Device().Clear(true, 0xFF000000u, true);
  GR_D3D_Apply_States();
  return true;
}

void GR_D3D_Finish() {
  if (!g.exists) return;
  GR_Texture_Init();
  Device().Close();
  g.exists = false;
}

void GR_D3D_Set_Presentation(const RPixelRect &dest, uint32_t bandColour) {
  g.presentation = dest;
  g.presentationSet = true;
  g.band = bandColour & 0xFFFFFFu;
}

void GR_D3D_Set_Region_Size(int32_t width, int32_t height) {
  const RDisplayMode mode = PlatformWindow().DisplayMode();
  // A region of no pixels would leave the projection without a scale.
  width = AtLeastOne(std::min(width, mode.width));
  height = AtLeastOne(std::min(height, mode.height));
  if (width == g.regionW && height == g.regionH) return;
  g.regionW = width;
  g.regionH = height;
  GR_D3D_Set_Viewport(0, 0, width, height);
  GR_D3D_Set_Projection(0, 0, width, height, 0);
}

void GR_D3D_Get_Region_Size(int32_t &width, int32_t &height) {
  width = g.regionW;
  height = g.regionH;
}

void GR_D3D_Set_Viewport(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!g.exists) return;
  g.viewport = RPixelRect{x, y, width, height};
  SendViewport();
}

void GR_D3D_Set_Projection(double x, double y, double width, double height, double angle) {
  if (!g.exists) return;
  const double a = -angle * std::numbers::pi / 180.0;
  const double cx = x + width / 2, cy = y + height / 2;
  const RVector3 at{cx, cy, 0};
  const RVector3 up{std::sin(a), std::cos(a), 0};
  if (g.mirrors.mode3D && g.mirrors.perspective) {
    // The eye stands as far from the plane z = 0 as the rectangle is wide,
    // so a frustum 1 wide at the near plane shows exactly the rectangle.
    D3DXMatrixLookAtLH(g.view, RVector3{cx, cy, -width}, at, up);
    D3DXMatrixPerspectiveLH(g.projection, 1, height / width, 1, kFar);
  } else {
    D3DXMatrixLookAtLH(g.view, RVector3{cx, cy, -kEyeDistance}, at, up);
    // A negative height turns y to grow downwards, as rooms count it.
    D3DXMatrixOrthoLH(g.projection, width, -height, 1, kFar);
  }
  SendTransforms();
}

void GR_D3D_Set_World(const float *world) {
  if (world == nullptr) D3DXMatrixIdentity(g.world);
  else std::copy(world, world + 16, &g.world.m[0][0]);
  if (g.exists) SendTransforms();
}

void GR_D3D_Get_World(float world[16]) { std::copy(g.world.Data(), g.world.Data() + 16, world); }

void GR_D3D_Set_Sync(bool sync) { g.sync = sync; }
bool GR_D3D_Get_Sync() { return g.sync; }
void GR_D3D_Set_Reset_Hook(void (*freeTargets)()) { g.freeTargets = freeTargets; }

std::unique_ptr<TBitmap32> GR_D3D_Grab_Region(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!g.exists) return nullptr;
  x = std::max(x, 0);
  y = std::max(y, 0);
  width = static_cast<int32_t>(std::min<int64_t>(width, int64_t{g.regionW} - x));
  height = static_cast<int32_t>(std::min<int64_t>(height, int64_t{g.regionH} - y));
  if (width <= 0 || height <= 0) return nullptr;
  // Without a picture the grab is as large as with one, so pictures made
  // from the screen have the same sizes; it is as black as a fresh screen.
  auto bitmap = std::make_unique<TBitmap32>(width, height, 0xFF000000u);
  if (!Device().Draws()) return bitmap;
  if (!Device().ReadPixels(RPixelRect{x, y, width, height}, bitmap->Bits())) return nullptr;
  return bitmap;
}

uint32_t GR_D3D_Get_Pixel(int32_t x, int32_t y) {
  const std::unique_ptr<TBitmap32> one = GR_D3D_Grab_Region(x, y, 1, 1);
  if (!one) return 0;
  const TColor32 c = one->Pixel(0, 0);
  return (c >> 16 & 0xFFu) | (c & 0xFF00u) | (c & 0xFFu) << 16;
}

double GR_D3D_Get_Depth() { return g.depth; }
void GR_D3D_Set_Depth(double depth) { g.depth = depth; }

// Blend, lighting, shading and fog are kept even without a device; the
// other switches only change while there is one.
void GR_D3D_Set_Blend_Mode(int32_t mode) {
  switch (mode) {
    case 1: GR_D3D_Set_Blend_Mode_Ext(5, 2); break;
    case 2: GR_D3D_Set_Blend_Mode_Ext(5, 4); break;
    case 3: GR_D3D_Set_Blend_Mode_Ext(1, 4); break;
    default: GR_D3D_Set_Blend_Mode_Ext(5, 6); break;
  }
}

void GR_D3D_Set_Blend_Mode_Ext(int32_t source, int32_t destination) {
  g.mirrors.srcBlend = source;
  g.mirrors.destBlend = destination;
}

void GR_D3D_Set_Culling(bool on) {
  if (g.exists) g.mirrors.culling = on;
}
void GR_D3D_Set_Lighting(bool on) { g.mirrors.lighting = on; }
void GR_D3D_Set_Shading(bool smooth) { g.mirrors.smooth = smooth; }
void GR_D3D_Set_Hidden(bool on) {
  if (g.exists) g.mirrors.hidden = on;
}
void GR_D3D_Set_3D_Mode(bool on) { g.mirrors.mode3D = on; }
bool GR_D3D_Get_3D_Mode() { return g.mirrors.mode3D; }
void GR_D3D_Set_Perspective(bool on) { g.mirrors.perspective = on; }

void GR_D3D_Set_Fog(bool on, uint32_t colour, double start, double end) {
  g.mirrors.fog = on;
  g.mirrors.fogColour = colour;
  g.mirrors.fogStart = start;
  g.mirrors.fogEnd = end;
}

void GR_D3D_Set_Interpolation(bool on) {
  if (g.exists) g.mirrors.interpolation = on;
}
bool GR_D3D_Get_Interpolation() { return g.mirrors.interpolation; }
void GR_D3D_Set_Texture_Blending(bool on) {
  if (g.exists) g.mirrors.blending = on;
}
void GR_D3D_Set_Texture_Repeat(bool on) {
  if (g.exists) g.mirrors.repeat = on;
}
bool GR_D3D_Get_Texture_Repeat() { return g.mirrors.repeat; }

void GR_D3D_Apply_States() {
  if (!g.exists) return;
  g.sendStates = true;
  SendStatesIfChanged();
}

void GR_D3D_Draw(TDevicePrimitive kind, const RDeviceVertex *vertices, int32_t count, int32_t texture, bool clamp) {
  if (!g.exists || vertices == nullptr || count <= 0) return;
  if (clamp) g.mirrors.repeat = false;
  SendStatesIfChanged();
  Device().SetTexture(GR_Texture_Handle(texture));
  Device().Draw(kind, vertices, count);
}

void GR_D3D_Clear(uint32_t colour, double alpha, bool depth) {
  if (!g.exists) return;
  Device().Clear(true, GR_Device_Colour(colour, alpha), depth);
}

void GR_D3D_Reset_State() {
  if (g.exists) Device().Close();
  void (*freeTargets)() = g.freeTargets;
  g = RD3DState();
  g.freeTargets = freeTargets;
}
