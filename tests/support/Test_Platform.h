// Tests that watch what reaches the machine (errors shown, debug lines, the
// clock, the window) install the built-in headless platform with one or more
// services of their own. Each setter replaces one service and keeps the
// others; null puts the headless one back.
#pragma once

#include <string>
#include <vector>

#include "platform/Platform_Main.h"
#include "platform/headless/Headless_Platform.h"

namespace testplatform {

inline CHeadlessPlatform &Headless() {
  static CHeadlessPlatform platform;
  return platform;
}

inline RPlatform &Current() {
  static RPlatform platform = Headless().Services();
  return platform;
}

inline void Install() { Platform_Install(&Current()); }

inline void SetDialogs(IDialogs *d) {
  Current().dialogs = d ? d : &Headless().dialogs;
  Install();
}
inline void SetWindow(IWindowService *w) {
  Current().window = w ? w : &Headless().window;
  Install();
}
inline void SetClock(IClock *c) {
  Current().clock = c ? c : &Headless().clock;
  Install();
}
inline void SetFonts(ISystemFonts *f) {
  Current().fonts = f ? f : &Headless().fonts;
  Install();
}
inline void SetRender(IRenderDevice *r) {
  Current().render = r ? r : &Headless().render;
  Install();
}
inline void SetAudio(IAudioOutput *a) {
  Current().audio = a ? a : &Headless().audio;
  Install();
}
inline void SetProcesses(IProcesses *p) {
  Current().processes = p ? p : &Headless().processes;
  Install();
}

// Dialogs whose error window a test scripts: Show answers for it; messages
// and debug lines behave as without a display.
class CErrorWindowDialogs : public CHeadlessDialogs {
public:
  bool ShowError(std::string_view text, bool fatal) override { return Show(text, fatal); }
  virtual bool Show(std::string_view text, bool fatal) = 0;
};

// A render device that keeps what it is given: every draw with the states,
// texture and transforms it was made with, clears, presents and the
// textures alive. ReadPixels answers from a picture the test paints.
class CRecordingRender : public IRenderDevice {
public:
  struct RDraw {
    TDevicePrimitive kind;
    std::vector<RDeviceVertex> vertices;
    uint32_t texture;
    RDeviceStates states;
    float world[16], view[16], projection[16];
    RPixelRect viewport;
  };
  struct RClear {
    bool target;
    uint32_t colour;
    bool depth;
  };
  struct RPresent {
    int32_t regionWidth, regionHeight;
    RPixelRect dest;
    uint32_t band;
    bool sync;
  };
  struct RTextureMade {
    int32_t wt, ht, w, h;
    bool target;
    bool alive;
  };

  bool draws = true;
  bool openOk = true;
  bool presentOk = true;
  bool createOk = true;
  int32_t maxTexture = 2048;
  bool open = false;
  std::vector<RDraw> drawn;
  std::vector<RClear> clears;
  std::vector<RPresent> presents;
  std::vector<RDeviceStates> statesSent;
  std::vector<RTextureMade> textures;  // handle i + 1
  RDeviceStates states;
  uint32_t texture = 0;
  float world[16] = {}, view[16] = {}, projection[16] = {};
  RPixelRect viewport;
  // The picture ReadPixels reads: width x height pixels, rows top down.
  int32_t pictureWidth = 0, pictureHeight = 0;
  std::vector<uint32_t> picture;
  RPixelRect lastRead;

  bool Draws() override { return draws; }
  bool Open(int32_t, int32_t, std::string &error) override {
    if (!openOk) error = "no device here";
    open = openOk;
    return openOk;
  }
  void Close() override { open = false; }
  int32_t MaxTextureSize() override { return maxTexture; }
  uint32_t CreateTexture(int32_t wt, int32_t ht, int32_t w, int32_t h, const uint32_t *) override {
    if (!createOk) return 0;
    textures.push_back({wt, ht, w, h, false, true});
    return static_cast<uint32_t>(textures.size());
  }
  uint32_t CreateTarget(int32_t wt, int32_t ht) override {
    if (!createOk) return 0;
    textures.push_back({wt, ht, 0, 0, true, true});
    return static_cast<uint32_t>(textures.size());
  }
  void ReleaseTexture(uint32_t t) override {
    if (t >= 1 && t <= textures.size()) textures[t - 1].alive = false;
  }
  void SetTarget(uint32_t) override {}
  void SetViewport(const RPixelRect &v) override { viewport = v; }
  void SetTransforms(const float *w, const float *v, const float *p) override {
    for (int i = 0; i < 16; ++i) world[i] = w[i], view[i] = v[i], projection[i] = p[i];
  }
  void SetStates(const RDeviceStates &s) override {
    states = s;
    statesSent.push_back(s);
  }
  void SetTexture(uint32_t t) override { texture = t; }
  void Draw(TDevicePrimitive kind, const RDeviceVertex *v, int32_t count) override {
    RDraw d{kind, std::vector<RDeviceVertex>(v, v + count), texture, states, {}, {}, {}, viewport};
    for (int i = 0; i < 16; ++i) d.world[i] = world[i], d.view[i] = view[i], d.projection[i] = projection[i];
    drawn.push_back(std::move(d));
  }
  void Clear(bool target, uint32_t colour, bool depth) override { clears.push_back({target, colour, depth}); }
  bool ReadPixels(const RPixelRect &rect, uint32_t *pixels) override {
    lastRead = rect;
    if (rect.x < 0 || rect.y < 0 || rect.x + rect.w > pictureWidth || rect.y + rect.h > pictureHeight) return false;
    for (int32_t y = 0; y < rect.h; ++y)
      for (int32_t x = 0; x < rect.w; ++x)
        pixels[y * rect.w + x] = picture[static_cast<size_t>((rect.y + y) * pictureWidth + rect.x + x)];
    return true;
  }
  bool Present(int32_t rw, int32_t rh, const RPixelRect &dest, uint32_t band, bool sync) override {
    presents.push_back({rw, rh, dest, band, sync});
    return presentOk;
  }
  void SetBatching(bool) override {}
};

}  // namespace testplatform
