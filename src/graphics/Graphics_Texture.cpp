#include "graphics/Graphics_Texture.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/BM32_Bitmap.h"
#include "base/Support_Trace.h"
#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "graphics/Graphics_D3D.h"
#include "platform/Platform_Main.h"

namespace {

struct RTexture {
  uint32_t tex = 0;
  int32_t w = 0, h = 0;    // the image
  int32_t wt = 0, ht = 0;  // the texture as allocated
  bool used = false;
};

std::vector<RTexture> g_textures;

bool Valid(int32_t id) {
  return id >= 0 && static_cast<size_t>(id) < g_textures.size() && g_textures[static_cast<size_t>(id)].used;
}

void TraceText(const std::string &line) {
  if (TraceEnabled()) Trace(line);
}

// The first unused slot, appending one when all are in use.
int32_t FreeSlot(const char *prefix) {
  TraceText(std::string(prefix) + "Find an empty index");
  size_t slot = 0;
  while (slot < g_textures.size() && g_textures[slot].used) ++slot;
  if (slot == g_textures.size()) g_textures.emplace_back();
  TraceText(std::string(prefix) + "Found an empty index id=" + std::to_string(slot));
  return static_cast<int32_t>(slot);
}

// The allocated size of one side. The device would take any size, but
// games see the texture's size through the image's share of it
// (texture_get_width), and they were made on devices that round each side
// up to a power of two: the table keeps that rule. No side exceeds the
// device's largest texture; an image larger than that is cut.
int32_t TextureSide(int32_t image) {
  const int32_t most = std::max(1, PlatformRender().MaxTextureSize());
  int32_t side = 1;
  while (side < image && side < most) side *= 2;
  return std::min(side, most);
}

int32_t Fill(const char *prefix, int32_t w, int32_t h, const uint32_t *pixels) {
  if (w < 0 || h < 0 || !TBitmap32::SizeAllowed(w, h) || (pixels == nullptr && w > 0 && h > 0)) return -1;
  const int32_t id = FreeSlot(prefix);
  TraceText(std::string(prefix) + "Check Texture Requirements w=" + std::to_string(w) + " h=" + std::to_string(h));
  const int32_t wt = TextureSide(w), ht = TextureSide(h);
  TraceText(std::string(prefix) + "D3DXCreateTextureFromFileInMemoryEx w=" + std::to_string(wt) +
            " h=" + std::to_string(ht));
  uint32_t tex = 0;
  if (w <= wt && h <= ht) {
    tex = PlatformRender().CreateTexture(wt, ht, w, h, pixels);
  } else {
    // The part of an oversized image that fits, placed unscaled.
    const int32_t cw = std::min(w, wt), ch = std::min(h, ht);
    std::vector<uint32_t> cut(static_cast<size_t>(cw) * static_cast<size_t>(ch));
    for (int32_t row = 0; row < ch; ++row)
      std::copy_n(pixels + static_cast<size_t>(row) * static_cast<size_t>(w), cw,
                  cut.begin() + static_cast<std::ptrdiff_t>(row) * cw);
    tex = PlatformRender().CreateTexture(wt, ht, cw, ch, cut.data());
  }
  if (tex == 0) {
    TraceText(std::string(prefix) + "D3DXError = the device could not make the texture");
    return -1;
  }
  g_textures[static_cast<size_t>(id)] = RTexture{tex, w, h, wt, ht, true};
  TraceText(std::string(prefix) + "Finished");
  return id;
}

}  // namespace

void GR_Texture_Init() {
  for (const RTexture &t : g_textures)
    if (t.used) PlatformRender().ReleaseTexture(t.tex);
  g_textures.clear();
}

int32_t GR_Texture_Create_And_Fill(int32_t w, int32_t h, const uint32_t *pixels) {
  return Fill("GR_Texture_Create_And_Fill :: ", w, h, pixels);
}

int32_t GR_Texture_Create_From_Bitmap(const TBitmap32 *bitmap) {
  if (bitmap == nullptr) return -1;
  return GR_Texture_Create_And_Fill(bitmap->Width(), bitmap->Height(), bitmap->Bits());
}

int32_t GR_Texture_Create_From_Alpha(int32_t w, int32_t h, const uint8_t *alpha) {
  if (w < 0 || h < 0 || !TBitmap32::SizeAllowed(w, h) || (alpha == nullptr && w > 0 && h > 0)) return -1;
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint32_t{alpha[i]} << 24 | 0xFFFFFFu;
  return GR_Texture_Create_And_Fill(w, h, pixels.data());
}

int32_t GR_Texture_Create_Empty(int32_t w, int32_t h, bool target) {
  if (w < 0 || h < 0) return -1;
  const char *prefix = "GR_Texture_Create_Empty :: ";
  const int32_t id = FreeSlot(prefix);
  TraceText(std::string(prefix) + (target ? "Render Target" : "Texture"));
  TraceText(std::string(prefix) + "Check Texture Requirements w=" + std::to_string(w) + " h=" + std::to_string(h));
  const int32_t wt = TextureSide(w), ht = TextureSide(h);
  TraceText(std::string(prefix) + "D3DXCreateTexture w=" + std::to_string(wt) + " h=" + std::to_string(ht));
  const uint32_t tex =
      target ? PlatformRender().CreateTarget(wt, ht) : PlatformRender().CreateTexture(wt, ht, 0, 0, nullptr);
  if (tex == 0) return -1;
  g_textures[static_cast<size_t>(id)] = RTexture{tex, w, h, wt, ht, true};
  TraceText(std::string(prefix) + "Finished");
  return id;
}

void GR_Texture_Free(int32_t id) {
  TraceText("GR_Texture_Free :: " + std::to_string(id));
  if (!Valid(id)) return;
  RTexture &t = g_textures[static_cast<size_t>(id)];
  PlatformRender().ReleaseTexture(t.tex);
  t = RTexture();
  TraceText("GR_Texture_Free :: Finished");
}

bool GR_Texture_Exists(int32_t id) { return Valid(id); }

double GR_Texture_Get_Width(int32_t id) {
  if (!Valid(id)) return 1.0;
  const RTexture &t = g_textures[static_cast<size_t>(id)];
  return static_cast<double>(t.w) / t.wt;
}

double GR_Texture_Get_Height(int32_t id) {
  if (!Valid(id)) return 1.0;
  const RTexture &t = g_textures[static_cast<size_t>(id)];
  return static_cast<double>(t.h) / t.ht;
}

bool GR_Texture_Get_Size(int32_t id, int32_t &w, int32_t &h, int32_t &wt, int32_t &ht) {
  if (!Valid(id)) {
    w = h = wt = ht = 0;
    return false;
  }
  const RTexture &t = g_textures[static_cast<size_t>(id)];
  w = t.w;
  h = t.h;
  wt = t.wt;
  ht = t.ht;
  return true;
}

uint32_t GR_Texture_Handle(int32_t id) { return Valid(id) ? g_textures[static_cast<size_t>(id)].tex : 0; }

int32_t GR_Texture_Count() { return static_cast<int32_t>(g_textures.size()); }

// ---------------------------------------------------------------------------
// Script functions of the texture table and the device switches
// ---------------------------------------------------------------------------
namespace {

#define ROUTINE(name) void name(CInstance *, CInstance *, int, RValue *args, RValue &result)

using fnarg::Bool;
using fnarg::Int;

ROUTINE(F_TextureExists) { result.SetReal(GR_Texture_Exists(Int(args[0])) ? 1 : 0); }
ROUTINE(F_TextureGetWidth) { result.SetReal(GR_Texture_Get_Width(Int(args[0]))); }
ROUTINE(F_TextureGetHeight) { result.SetReal(GR_Texture_Get_Height(Int(args[0]))); }
ROUTINE(F_TextureSetInterpolation) { GR_D3D_Set_Interpolation(Bool(args[0])); }
ROUTINE(F_TextureSetBlending) { GR_D3D_Set_Texture_Blending(Bool(args[0])); }
ROUTINE(F_TextureSetRepeat) { GR_D3D_Set_Texture_Repeat(Bool(args[0])); }
// The device keeps every texture resident and does not rank them: loading
// ahead and priorities have nothing to do.
ROUTINE(F_TexturePreload) {}
ROUTINE(F_TextureSetPriority) {}
ROUTINE(F_DrawSetBlendMode) { GR_D3D_Set_Blend_Mode(Int(args[0])); }
ROUTINE(F_DrawSetBlendModeExt) { GR_D3D_Set_Blend_Mode_Ext(Int(args[0]), Int(args[1])); }

#undef ROUTINE

}  // namespace

void GR_Texture_Register_Functions() {
  FunctionAdd("texture_exists", F_TextureExists, 1);
  FunctionAdd("texture_get_width", F_TextureGetWidth, 1);
  FunctionAdd("texture_get_height", F_TextureGetHeight, 1);
  FunctionAdd("texture_set_interpolation", F_TextureSetInterpolation, 1);
  FunctionAdd("texture_set_blending", F_TextureSetBlending, 1);
  FunctionAdd("texture_set_repeat", F_TextureSetRepeat, 1);
  FunctionAdd("texture_preload", F_TexturePreload, 1);
  FunctionAdd("texture_set_priority", F_TextureSetPriority, 2);
  FunctionAdd("draw_set_blend_mode", F_DrawSetBlendMode, 1);
  FunctionAdd("draw_set_blend_mode_ext", F_DrawSetBlendModeExt, 2);
}
