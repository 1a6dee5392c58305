// The render device on OpenGL 3.3 core: one context on the SDL window, an
// offscreen back buffer that the frame is drawn into and from which Present
// shows a region, render targets, and one small shader pair that reproduces
// the fixed-function rules drawing is written against.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform_Main.h"

class CSdlWindow;

// The device lives on its window: close it before the window closes.
class CGlDevice : public IRenderDevice {
public:
  explicit CGlDevice(CSdlWindow &window);
  ~CGlDevice() override;
  CGlDevice(const CGlDevice &) = delete;
  CGlDevice &operator=(const CGlDevice &) = delete;

  bool Draws() override { return true; }
  bool Open(int32_t width, int32_t height, std::string &error) override;
  void Close() override;
  int32_t MaxTextureSize() override { return m_maxTexture; }
  uint32_t CreateTexture(int32_t wt, int32_t ht, int32_t w, int32_t h, const uint32_t *pixels) override;
  uint32_t CreateTarget(int32_t wt, int32_t ht) override;
  void ReleaseTexture(uint32_t texture) override;
  void SetTarget(uint32_t target) override;
  void SetViewport(const RPixelRect &viewport) override;
  void SetTransforms(const float *world, const float *view, const float *projection) override;
  void SetStates(const RDeviceStates &states) override;
  void SetTexture(uint32_t texture) override;
  void Draw(TDevicePrimitive kind, const RDeviceVertex *vertices, int32_t count) override;
  void Clear(bool target, uint32_t colour, bool depth) override;
  bool ReadPixels(const RPixelRect &rect, uint32_t *pixels) override;
  bool Present(int32_t regionWidth, int32_t regionHeight, const RPixelRect &dest, uint32_t bandColour,
               bool sync) override;
  void SetBatching(bool on) override;

  bool IsOpen() const { return m_context != nullptr; }
  // The back buffer's size in pixels (at least what Open asked for).
  int32_t BackWidth() const { return m_backW; }
  int32_t BackHeight() const { return m_backH; }
  // Present without the swap: the window's drawable gets the region and
  // the bands. Present is this and the swap.
  bool Compose(int32_t regionWidth, int32_t regionHeight, const RPixelRect &dest, uint32_t bandColour);
  // The window's drawable as Compose left it (blue, green, red, alpha; top
  // row first), with its size; false when there is none.
  bool ReadDrawable(std::vector<uint32_t> &pixels, int32_t &width, int32_t &height);
  // How many calls to the hardware the draws so far have become.
  int64_t HardwareDraws() const { return m_hardwareDraws; }

private:
  struct RTextureSlot {
    uint32_t texture = 0;  // GL names
    uint32_t framebuffer = 0;
    uint32_t depth = 0;
    int32_t wt = 0, ht = 0;
    bool used = false;
  };
  // Where each program keeps its settings (-1 for one the compiler dropped).
  struct RUniforms {
    int32_t transform = -1, worldView = -1, halfPixel = -1, fogColour = -1, fogStart = -1, fogEnd = -1;
  };
  // One program for each combination of flat shading, texture stage (3),
  // alpha test and fog, made when first needed.
  static constexpr int kPrograms = 2 * 3 * 2 * 2;
  // What one run of joined draws becomes.
  enum class TClass { None, Points, Lines, Triangles };

  RTextureSlot *Slot(uint32_t handle);
  uint32_t NewSlot();
  void Flush();
  void ApplyState();
  void BindTarget();
  void DeleteSlot(RTextureSlot &slot);

  CSdlWindow &m_window;
  void *m_context = nullptr;
  int32_t m_maxTexture = 8192;
  int32_t m_backW = 0, m_backH = 0;
  uint32_t m_backFramebuffer = 0, m_backColour = 0, m_backDepth = 0;
  uint32_t m_programs[kPrograms] = {};
  RUniforms m_uniforms[kPrograms];
  // The program for the switches; 0 when it cannot be made.
  uint32_t Program(int index, std::string &error);
  uint32_t m_vertexArray = 0, m_vertexBuffer = 0, m_sampler = 0;
  size_t m_bufferBytes = 0;
  int m_swapInterval = -1;

  std::vector<RTextureSlot> m_slots;
  std::vector<uint32_t> m_freeSlots;

  // The state drawing runs with, as set; applied to GL at each flush.
  uint32_t m_target = 0, m_texture = 0;
  RPixelRect m_viewport;
  RDeviceStates m_states;
  float m_transform[16];  // world x view x projection
  float m_worldView[16];  // world x view (fog depth)
  bool m_dirty = true;
  bool m_batching = true;

  std::vector<RDeviceVertex> m_pending;
  // Triangles are drawn by index, so that the corners a fan or a strip
  // shares go through the vertex stage once.
  std::vector<uint32_t> m_pendingIndices;
  uint32_t m_indexBuffer = 0;
  size_t m_indexBufferBytes = 0;
  TClass m_pendingClass = TClass::None;
  int64_t m_hardwareDraws = 0;
};
