// The platform of a run without a display, a sound card or a network: what
// tests, benchmarks and --headless runs use. Its services are real: the clock
// and sleep are the system's, processes start, libraries load; only what
// would be seen or heard goes to the standard streams or nowhere.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform_Main.h"
#include "platform/dynlib/Dynlib_Libraries.h"
#include "platform/net/Net_Enet.h"

// No window: always active, handle 0, events only the keys InjectKey
// queues. The caption, the
// geometry and the cursor are only remembered, on a screen of 1024 x 768 at
// 32 bits and 60 Hz whose mode never changes; the clipboard is a text kept
// inside the process, so a game can still copy and paste within itself.
class CHeadlessWindow : public IWindowService {
public:
  void PumpEvents() override;
  bool Active() override { return true; }
  int64_t Handle() override { return 0; }
  void SetCaption(std::string_view caption) override { m_caption.assign(caption); }
  std::string Caption() override { return m_caption; }
  bool ClipboardHasText() override { return m_hasClip; }
  void ClipboardSetText(std::string_view text) override;
  std::string ClipboardGetText() override { return m_hasClip ? m_clip : std::string(); }
  bool Open(int32_t width, int32_t height, std::string &error) override;
  void Close() override {}
  void SetEventSink(IWindowEvents *sink) override { m_sink = sink; }
  void SetVisible(bool visible) override { m_visible = visible; }
  bool Visible() override { return m_visible; }
  void SetStyle(bool, bool, bool, bool) override {}
  void SetFullscreen(bool) override {}
  RPixelRect ClientRect() override { return m_client; }
  void SetClientRect(const RPixelRect &rect) override { m_client = rect; }
  void SetMinimumClientSize(int32_t, int32_t) override {}
  double PixelScale() override { return 1.0; }
  RDisplayMode DisplayMode() override { return RDisplayMode(); }
  bool SetDisplayMode(const RDisplayMode &, bool) override { return false; }
  void RestoreDisplayMode() override {}
  void SetCursorShape(int32_t) override {}
  void MouseScreenPosition(int32_t &x, int32_t &y) override { x = m_mouseX, y = m_mouseY; }
  void SetMouseScreenPosition(int32_t x, int32_t y) override { m_mouseX = x, m_mouseY = y; }
  // The keys injected and delivered; Num Lock turns with every injected
  // press of key 144.
  bool KeyDirect(int32_t vk) override { return vk >= 0 && vk < 256 && m_keys[vk]; }
  bool NumLock() override { return m_numLock; }
  void InjectKey(int32_t vk, bool down) override;

private:
  IWindowEvents *m_sink = nullptr;
  std::vector<std::pair<int32_t, bool>> m_injected;
  bool m_keys[256] = {};
  bool m_numLock = false;
  std::string m_caption;
  RPixelRect m_client;
  bool m_visible = false;
  int32_t m_mouseX = 0, m_mouseY = 0;
  std::string m_clip;
  bool m_hasClip = false;
};

// No joystick is plugged in.
class CHeadlessJoysticks : public IJoysticks {
public:
  bool Position(int32_t, RJoystickPosition &) override { return false; }
  bool Caps(int32_t, RJoystickCaps &) override { return false; }
};

// A device without pixels: textures are handles that hold nothing, so every
// id and size the game reads is as with a picture.
class CHeadlessRender : public IRenderDevice {
public:
  bool Draws() override { return false; }
  bool Open(int32_t, int32_t, std::string &) override { return true; }
  void Close() override {}
  int32_t MaxTextureSize() override { return 8192; }
  uint32_t CreateTexture(int32_t wt, int32_t ht, int32_t w, int32_t h, const uint32_t *pixels) override;
  uint32_t CreateTarget(int32_t wt, int32_t ht) override;
  void ReleaseTexture(uint32_t texture) override;
  void SetTarget(uint32_t) override {}
  void SetViewport(const RPixelRect &) override {}
  void SetTransforms(const float *, const float *, const float *) override {}
  void SetStates(const RDeviceStates &) override {}
  void SetTexture(uint32_t) override {}
  void Draw(TDevicePrimitive, const RDeviceVertex *, int32_t) override {}
  void Clear(bool, uint32_t, bool) override {}
  bool ReadPixels(const RPixelRect &, uint32_t *) override { return false; }
  bool Present(int32_t, int32_t, const RPixelRect &, uint32_t, bool) override { return true; }
  void SetBatching(bool) override {}

private:
  uint32_t m_next = 1;
};

// Sound that nobody hears, at the usual mixing rate: it opens, but decodes
// nothing, so no sound ever plays.
class CHeadlessAudio : public IAudioOutput {
public:
  bool Audible() override { return false; }
  int32_t SampleRate() override { return 44100; }
  bool Open(std::string &) override { return true; }
  void Close() override {}
  uint32_t LoadSound(const uint8_t *, size_t, std::string_view) override { return 0; }
  void ReleaseSound(uint32_t) override {}
  uint32_t CreateChannel(bool) override { return 0; }
  void ReleaseChannel(uint32_t) override {}
  void Play(uint32_t, uint32_t, bool) override {}
  void Stop(uint32_t) override {}
  bool Playing(uint32_t) override { return false; }
  void SetVolume(uint32_t, int32_t) override {}
  void SetPan(uint32_t, int32_t) override {}
  void SetEffects(uint32_t, const std::vector<RAudioEffect> &) override {}
  void Set3D(uint32_t, const RAudio3D &) override {}
  void SetMasterVolume(int32_t) override {}
  void SetTempo(double) override {}
  int64_t Advance(int64_t stepMicros) override { return stepMicros; }
};

// No installed fonts are looked at: a font built from one has no characters.
class CHeadlessFonts : public ISystemFonts {
public:
  std::string FindFont(std::string_view, bool, bool) override { return std::string(); }
  bool RenderGlyphs(std::string_view, int32_t, bool, bool, int32_t, int32_t, RFontMetrics &,
                    std::vector<RGlyph> &) override {
    return false;
  }
};

// The system's steady clock; sleeping sleeps.
class CSystemClock : public IClock {
public:
  int64_t NowMicros() override;
  void SleepMillis(int32_t ms) override;
};

// Messages and errors on standard error, split into the lines a window would
// show, each ended by a line feed; the error window answers Ignore for a non-fatal error and Abort for a fatal
// one. Debug messages are lines on standard output.
class CHeadlessDialogs : public IDialogs {
public:
  void ShowMessage(std::string_view text) override;
  bool ShowError(std::string_view text, bool fatal) override;
  void DebugMessage(std::string_view text) override;
};


// The network on loopback only: copies on this machine find and reach each
// other, nothing else is reached.
class CHeadlessNetwork : public CEnetNetwork {
public:
  CHeadlessNetwork() : CEnetNetwork(true) {}
};

// Programs start as on any run. The priority is remembered, and given to the
// process only when asked for at construction: a test or a benchmark never
// changes the priority of the process it runs in.
class CHeadlessProcesses : public IProcesses {
public:
  explicit CHeadlessProcesses(bool applyPriority = false) : m_apply(applyPriority) {}
  bool Run(const std::string &program, const std::vector<std::string> &args, bool wait,
           const std::function<void()> &idle) override;
  bool Open(const std::string &target, const std::vector<std::string> &args) override;
  bool SetPriority(int level) override;
  int Priority() const { return m_priority; }

private:
  bool m_apply;
  int m_priority = 0;
};

// All of them in one object.
class CHeadlessPlatform {
public:
  // applyPriority: the process priority follows the game's requests (a
  // player's run); otherwise it is only remembered.
  explicit CHeadlessPlatform(bool applyPriority = false);
  const RPlatform &Services() const { return m_platform; }

  CHeadlessWindow window;
  CHeadlessRender render;
  CHeadlessAudio audio;
  CHeadlessFonts fonts;
  CSystemClock clock;
  CHeadlessDialogs dialogs;
  CSystemLibraries libraries;
  CHeadlessNetwork network;
  CHeadlessProcesses processes;
  CHeadlessJoysticks joysticks;

private:
  RPlatform m_platform;
};
