// The machine the runner stands on, as one object: the window and its
// events, the render device, audio output, system fonts, the clock, dialogs,
// dynamic libraries, the network and other processes. Everything above this
// folder reaches the machine only through these services (files and paths go
// through the base layer); nothing above it includes a system library's
// header.
//
// The runner builds one platform object at start (headless for --headless,
// the real backends otherwise) and installs it; until then, and in tests that
// install nothing, the headless services answer. Every service is always
// present: callers never test for a missing one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// A rectangle in pixels: origin and size.
struct RPixelRect {
  int32_t x = 0, y = 0, w = 0, h = 0;
};

// The screen the window stands on.
struct RDisplayMode {
  int32_t width = 1024, height = 768;
  int32_t depth = 32;      // bits per pixel
  int32_t frequency = 60;  // refresh rate in hertz
};

// What the window tells the game. The input events come with the input
// subsystem; the window itself reports being closed and needing a repaint.
class IWindowEvents {
public:
  virtual ~IWindowEvents() = default;
  // The player asked to close the window (its close button, Alt+F4).
  virtual void OnCloseRequest() = 0;
  // The window's client area was uncovered or resized and must be shown again.
  virtual void OnRepaint() = 0;
  // A key went down (again while held: auto-repeat) or up; vk is the key's
  // virtual-key number (the vk_ constants of the game's code), 0 ... 255.
  virtual void OnKey(int32_t /*vk*/, bool /*down*/) {}
  // A character was typed: one UTF-16 code unit (a character beyond the
  // basic plane arrives as its two surrogates).
  virtual void OnChar(uint16_t /*unit*/) {}
  // A mouse button went down or up: 1 left, 2 right, 3 middle.
  virtual void OnMouseButton(int32_t /*button*/, bool /*down*/) {}
  // The mouse moved to (x, y) in client pixels.
  virtual void OnMouseMove(int32_t /*x*/, int32_t /*y*/) {}
  // The wheel turned one notch away from the player (up) or towards them.
  virtual void OnWheel(bool /*up*/) {}
};

// The game window and its event queue, the caption and the clipboard.
class IWindowService {
public:
  virtual ~IWindowService() = default;
  // Handles every waiting window event without waiting for new ones.
  virtual void PumpEvents() = 0;
  // Whether the window has the keyboard focus (a run without a window is
  // always active).
  virtual bool Active() = 0;
  // The window's native handle as games see it; 0 without a window.
  virtual int64_t Handle() = 0;
  virtual void SetCaption(std::string_view caption) = 0;
  virtual std::string Caption() = 0;
  virtual bool ClipboardHasText() = 0;
  virtual void ClipboardSetText(std::string_view text) = 0;
  virtual std::string ClipboardGetText() = 0;

  // Creates the window, hidden, with a client area of width x height centred
  // on the screen. False, with the reason in error, when no window can be
  // made. A run without a window answers true and keeps the geometry only.
  virtual bool Open(int32_t width, int32_t height, std::string &error) = 0;
  virtual void Close() = 0;
  // Where window events go; null for nowhere.
  virtual void SetEventSink(IWindowEvents *sink) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool Visible() = 0;
  // The frame around the client area: a border at all, its icons (close,
  // minimise, maximise), whether the player may resize, whether the window
  // stays above the others.
  virtual void SetStyle(bool border, bool icons, bool sizeable, bool stayOnTop) = 0;
  // Full screen as a borderless window covering the screen; leaving it
  // gives the window back its style and client rectangle.
  virtual void SetFullscreen(bool fullscreen) = 0;
  // The client area in screen coordinates.
  virtual RPixelRect ClientRect() = 0;
  virtual void SetClientRect(const RPixelRect &rect) = 0;
  // The smallest client size the player may resize the window to.
  virtual void SetMinimumClientSize(int32_t width, int32_t height) = 0;
  // Device pixels per client pixel (above 1 on a high-density display).
  virtual double PixelScale() = 0;
  // The primary display's current mode. Setting one answers whether it was
  // set (with testOnly, whether it could be, without setting it).
  virtual RDisplayMode DisplayMode() = 0;
  virtual bool SetDisplayMode(const RDisplayMode &mode, bool testOnly) = 0;
  virtual void RestoreDisplayMode() = 0;
  // The cursor shape: 0 the system's default, -1 none, and the negative
  // shape numbers games use (-2 arrow, -3 cross, -4 beam, ...).
  virtual void SetCursorShape(int32_t shape) = 0;
  // The mouse cursor on the screen.
  virtual void MouseScreenPosition(int32_t &x, int32_t &y) = 0;
  virtual void SetMouseScreenPosition(int32_t x, int32_t y) = 0;
  // The keyboard itself, apart from the window's events. KeyDirect answers
  // whether the key with that virtual-key number is held now; a run without
  // a keyboard answers from the keys its window has delivered. InjectKey
  // queues a key event that the next PumpEvents delivers as if typed.
  virtual bool KeyDirect(int32_t vk) = 0;
  virtual bool NumLock() = 0;
  virtual void InjectKey(int32_t vk, bool down) = 0;
};

// One joystick as a query finds it: axes in 0 ... 65535 (32768 centred),
// the buttons as a bit set (bit b - 1 for button b), the point-of-view hat
// in hundredths of degrees clockwise from up, 65535 when centred.
struct RJoystickPosition {
  int32_t axis[6] = {32768, 32768, 32768, 32768, 32768, 32768};  // x y z r u v
  uint32_t buttons = 0;
  int32_t pov = 65535;
};

// What a joystick says of itself.
struct RJoystickCaps {
  std::string name;  // the product name
  int32_t axes = 0, buttons = 0;
  bool hasPov = false;
};

// The joysticks and game controllers plugged in now; id 1 is the first, 2
// the second. A device plugged in or out while the game runs is found at
// the next query.
class IJoysticks {
public:
  virtual ~IJoysticks() = default;
  // False when there is no such joystick (or it does not answer).
  virtual bool Position(int32_t id, RJoystickPosition &position) = 0;
  virtual bool Caps(int32_t id, RJoystickCaps &caps) = 0;
};

// One vertex as the device draws it: the position in the units of the
// transforms, the colour (alpha in the high byte, then red, green, blue) and
// one texture coordinate pair.
struct RDeviceVertex {
  float x = 0, y = 0, z = 0;
  uint32_t colour = 0xFF000000u;
  float u = 0, v = 0;
};

// What a run of vertices makes; the numbers are the primitive kinds games use.
enum class TDevicePrimitive : int32_t {
  PointList = 1,
  LineList = 2,
  LineStrip = 3,
  TriangleList = 4,
  TriangleStrip = 5,
  TriangleFan = 6,
};

// Every switch drawing runs with. Blend factors are the numbers games use:
// 1 zero, 2 one, 3 source colour, 4 inverse source colour, 5 source alpha,
// 6 inverse source alpha, 7 destination alpha, 8 inverse destination alpha,
// 9 destination colour, 10 inverse destination colour, 11 source alpha
// saturated.
struct RDeviceStates {
  int32_t srcBlend = 5, destBlend = 6;
  bool culling = false;   // drop triangles wound counter-clockwise on screen
  bool lighting = false;  // vertex lighting (3D drawing)
  bool smooth = true;     // colours interpolated across a triangle; else the first vertex's
  bool depth = false;     // depth test and write, and pixels of alpha 0 dropped
  bool fog = false;       // linear fog by depth
  uint32_t fogColour = 0;  // device colour
  float fogStart = 0, fogEnd = 0;
  bool linear = true;    // linear texture filtering; else nearest texel
  bool modulate = true;  // texture colour times vertex colour; else the texture as it is
  bool repeat = false;   // texture coordinates wrap; else they clamp to the edge

  bool operator==(const RDeviceStates &) const = default;
};

// The device pictures are drawn with. Positions come out of the transforms
// in pixels with pixel centres on whole coordinates (pixel (i, j) is the
// square from (i - 0.5, j - 0.5) to (i + 0.5, j + 0.5)), y growing
// downwards. A texture is a handle of the device's own; the texture table of
// the graphics layer maps game texture ids to them. Without an open device
// (and always for a run without a picture) drawing does nothing and reads
// give nothing.
class IRenderDevice {
public:
  virtual ~IRenderDevice() = default;
  // Whether drawing reaches pixels (false for a run without a picture).
  virtual bool Draws() = 0;
  // Opens the device on the window with a back buffer of at least
  // width x height pixels, cleared to black. False, with the reason in
  // error, when it cannot.
  virtual bool Open(int32_t width, int32_t height, std::string &error) = 0;
  virtual void Close() = 0;
  // The largest texture side the device takes.
  virtual int32_t MaxTextureSize() = 0;
  // A texture of wt x ht texels with the w x h image (32-bit pixels, blue,
  // green, red, alpha, rows top down) in its top-left corner and transparent
  // black elsewhere. Answers 0 when the device cannot make it.
  virtual uint32_t CreateTexture(int32_t wt, int32_t ht, int32_t w, int32_t h, const uint32_t *pixels) = 0;
  // A texture that can be drawn into, with a depth buffer of its own; its
  // contents are undefined until drawn. 0 when it cannot be made.
  virtual uint32_t CreateTarget(int32_t wt, int32_t ht) = 0;
  virtual void ReleaseTexture(uint32_t texture) = 0;
  // Where drawing goes: a target texture, or 0 for the back buffer.
  virtual void SetTarget(uint32_t target) = 0;
  virtual void SetViewport(const RPixelRect &viewport) = 0;
  // Row-vector matrices (a point p becomes p x M), 16 floats row by row; a
  // point goes through world, then view, then projection, which maps depth
  // to 0 (near) ... 1 (far) and x, y to -1 ... 1 across the viewport (y up).
  virtual void SetTransforms(const float *world, const float *view, const float *projection) = 0;
  virtual void SetStates(const RDeviceStates &states) = 0;
  // The texture of the next draws; 0 for none (the vertex colour alone).
  virtual void SetTexture(uint32_t texture) = 0;
  // Draws count vertices as the primitive kind says (a strip of n vertices
  // is n - 1 lines or n - 2 triangles, and so on); incomplete primitives
  // are dropped. Consecutive draws may be joined into one call to the
  // hardware; the pixels and their order are as if drawn one by one.
  virtual void Draw(TDevicePrimitive kind, const RDeviceVertex *vertices, int32_t count) = 0;
  // Clears the viewport of the current target: the colour (a device colour)
  // when target is set, and the depth to 1.0 when depth is set.
  virtual void Clear(bool target, uint32_t colour, bool depth) = 0;
  // Copies the rectangle of the current target into pixels (blue, green,
  // red, alpha; top row first). False when it cannot be read.
  virtual bool ReadPixels(const RPixelRect &rect, uint32_t *pixels) = 0;
  // Shows the region (0, 0, region width, region height) of the back buffer
  // in the rectangle dest of the window's client area (client pixels), the
  // rest of the client area filled with the band colour (a 24-bit colour,
  // red low). With sync it waits for the vertical blank first. False when
  // the window could not be shown to.
  virtual bool Present(int32_t regionWidth, int32_t regionHeight, const RPixelRect &dest, uint32_t bandColour,
                       bool sync) = 0;
  // Whether consecutive draws with the same texture and states are joined
  // (on by default; off only to show that joining keeps the pixels).
  virtual void SetBatching(bool on) = 0;
};

// One effect of a sound's chain: its kind, the effect's bit (1 chorus, 2
// echo, 4 flanger, 8 gargle, 16 reverb, 32 compressor, 64 equaliser, 128
// distortion, 256 environmental reverb), and its parameters in the order and
// units games give them (see docs/sound.md).
struct RAudioEffect {
  int32_t kind = 0;
  double params[7] = {};
};

// Where a positional channel's sound comes from and how it spreads.
struct RAudio3D {
  double position[3] = {0, 0, 0};
  double velocity[3] = {0, 0, 0};
  double minDistance = 1, maxDistance = 1000000000.0;
  double coneDirection[3] = {0, 0, 1};
  double insideAngle = 360, outsideAngle = 360;  // degrees
  int32_t outsideVolume = 0;                      // hundredths of a decibel
};

// Where sound is mixed and heard. A sound is a decoded file; a channel is
// what sounds play through: its volume, pan, effects and 3D placement apply
// to every play on it, and several plays on one channel mix. Ids are never
// 0; an unknown id is ignored. Before Open, and after it failed, nothing
// plays and every answer is "nothing".
class IAudioOutput {
public:
  virtual ~IAudioOutput() = default;
  // Whether what is played is heard (false for a run without sound).
  virtual bool Audible() = 0;
  // The mixing rate in frames per second.
  virtual int32_t SampleRate() = 0;
  // Starts the mixer. False, with the reason in error, when there is no
  // device to mix for.
  virtual bool Open(std::string &error) = 0;
  virtual void Close() = 0;
  // Decodes a sound file's bytes; the extension (with the dot) tells MIDI
  // files, the decoder recognises the others. 0 when they cannot be played.
  virtual uint32_t LoadSound(const uint8_t *data, size_t size, std::string_view extension) = 0;
  virtual void ReleaseSound(uint32_t sound) = 0;
  // A channel for plain or positional (3D) plays; 0 when none can be made.
  virtual uint32_t CreateChannel(bool positional) = 0;
  virtual void ReleaseChannel(uint32_t channel) = 0;
  // One more play of sound on channel, from its start, repeating when loop.
  virtual void Play(uint32_t channel, uint32_t sound, bool loop) = 0;
  // Ends every play on the channel.
  virtual void Stop(uint32_t channel) = 0;
  virtual bool Playing(uint32_t channel) = 0;
  // Volume in hundredths of a decibel (0 unchanged, -10000 silent).
  virtual void SetVolume(uint32_t channel, int32_t hundredthsDb) = 0;
  // -10000 (right silent) ... 10000 (left silent), hundredths of a decibel
  // taken off the other side.
  virtual void SetPan(uint32_t channel, int32_t pan) = 0;
  // The effect chain, in order; empty for none.
  virtual void SetEffects(uint32_t channel, const std::vector<RAudioEffect> &chain) = 0;
  virtual void Set3D(uint32_t channel, const RAudio3D &placement) = 0;
  // The volume of everything, in hundredths of a decibel above or below
  // the level at which a sound plays as it was recorded.
  virtual void SetMasterVolume(int32_t hundredthsDb) = 0;
  // The speed factor of music played from notes (MIDI).
  virtual void SetTempo(double factor) = 0;
  // Called once a step: lets the mix go on. A run driven by the step clock
  // renders exactly stepMicros of sound; a device goes by its own clock.
  // Answers the microseconds of sound that passed since the last call.
  virtual int64_t Advance(int64_t stepMicros) = 0;
};

// The shape of one character of an installed font, as a font sheet is
// built from it.
struct RGlyph {
  bool outline = false;              // the character has a picture
  int32_t blackW = 0, blackH = 0;    // size of the box around the inked pixels
  int32_t originX = 0, originY = 0;  // the box's top-left from the pen on the baseline (y up)
  int32_t advance = 0;               // pen advance
  std::vector<uint8_t> grey;         // blackW x blackH coverage values 0 ... 64, rows top down
};

// A font's measures at one size, in pixels.
struct RFontMetrics {
  int32_t ascent = 0, descent = 0, height = 0;
  int32_t averageWidth = 0, maxWidth = 0;
};

// Fonts installed on the machine.
class ISystemFonts {
public:
  virtual ~ISystemFonts() = default;
  // The file of the installed font that best matches the family name and
  // style; "" when there is none.
  virtual std::string FindFont(std::string_view family, bool bold, bool italic) = 0;
  // Renders the characters first ... last (codes of the Windows-1252 code
  // page) of the installed font that best matches, at size points on a 96
  // dots-per-inch screen; glyphs gets last - first + 1 entries. False when
  // no font can be found or read.
  virtual bool RenderGlyphs(std::string_view family, int32_t size, bool bold, bool italic, int32_t first,
                            int32_t last, RFontMetrics &metrics, std::vector<RGlyph> &glyphs) = 0;
};

// The microsecond clock of frame pacing and the sleep of waits.
class IClock {
public:
  virtual ~IClock() = default;
  // Microseconds since some fixed moment; never goes backwards.
  virtual int64_t NowMicros() = 0;
  virtual void SleepMillis(int32_t ms) = 0;
};

// Messages shown to the player.
class IDialogs {
public:
  virtual ~IDialogs() = default;
  // A message box with an OK button (start-up failures, messages of the
  // runner); returns when the player has closed it.
  virtual void ShowMessage(std::string_view text) = 0;
  // The error window: shows one reported error (its text as the reporter
  // formatted it, CR between lines); the Ignore button only when not fatal.
  // Answers true for Ignore, false for Abort or a closed window.
  virtual bool ShowError(std::string_view text, bool fatal) = 0;
  // A line for the debug window's message list.
  virtual void DebugMessage(std::string_view text) = 0;
};

// Native libraries loaded at run time.
class IDynamicLibraries {
public:
  virtual ~IDynamicLibraries() = default;
  // A handle for the library file, or null with error set.
  virtual void *Open(const std::string &path, std::string &error) = 0;
  // The address of an exported name, or null.
  virtual void *Symbol(void *library, const std::string &name) = 0;
  virtual void Close(void *library) = 0;

  // One argument of a native call: a double, or a pointer to zero-terminated
  // text that stays valid for the call.
  struct RArgument {
    bool isText = false;
    double real = 0.0;
    const char *text = "";
  };
  // Calls the function at the address with the arguments in the platform's
  // C calling convention; it answers a double or, with textResult, a pointer
  // to zero-terminated text, which is copied into text at once (a null
  // pointer gives empty text). False when the call cannot be built.
  virtual bool Call(void *function, const RArgument *args, int count, bool textResult, double &real,
                    std::string &text) = 0;
};

// An IPv4 address (host byte order: 127.0.0.1 is 0x7F000001) and a UDP port.
struct RNetAddress {
  uint32_t host = 0;
  uint16_t port = 0;
  bool operator==(const RNetAddress &) const = default;
};

// What one poll of an endpoint found.
struct RNetEvent {
  enum TKind { kNone, kConnect, kDisconnect, kReceive };
  TKind kind = kNone;
  uint32_t peer = 0;         // the endpoint's id of the peer (never 0)
  RNetAddress address;       // where the peer sends from
  bool reliable = false;     // a received packet came on the reliable channel
  std::vector<uint8_t> data; // a received packet
};

// Sessions between copies of a game: endpoints that hold connections to
// peers, with an unreliable and a reliable ordered channel, and plain
// datagrams for finding sessions. Handles are never 0; 0 answers a failure.
// Nothing here blocks longer than the wait a poll is given.
class INetwork {
public:
  virtual ~INetwork() = default;
  // Whether sessions can be opened at all on this machine.
  virtual bool Available() = 0;
  // An endpoint bound to the port (0: any free one) that accepts up to
  // maxPeers connections and packets of up to maxPacket bytes.
  virtual uint32_t EndpointOpen(uint16_t port, int32_t maxPeers, size_t maxPacket) = 0;
  // Where the endpoint listens (its port; the host is 0 for every address).
  virtual RNetAddress EndpointAddress(uint32_t endpoint) = 0;
  // Starts a connection; the poll reports kConnect (or kDisconnect) later.
  virtual uint32_t Connect(uint32_t endpoint, const RNetAddress &to) = 0;
  virtual bool Send(uint32_t endpoint, uint32_t peer, bool reliable, const uint8_t *data, size_t size) = 0;
  // Sends what is queued without waiting.
  virtual void Flush(uint32_t endpoint) = 0;
  // One event, waiting up to waitMs for it; false when there was none.
  virtual bool Poll(uint32_t endpoint, RNetEvent &event, int32_t waitMs) = 0;
  // Ends the connection after what is queued has gone.
  virtual void Disconnect(uint32_t endpoint, uint32_t peer) = 0;
  // Tells every peer goodbye (briefly) and releases the endpoint.
  virtual void EndpointClose(uint32_t endpoint) = 0;
  // A datagram socket bound to the port (0: any free one); broadcasts allowed.
  virtual uint32_t DatagramOpen(uint16_t port) = 0;
  virtual uint16_t DatagramPort(uint32_t socket) = 0;
  virtual bool DatagramSend(uint32_t socket, const RNetAddress &to, const uint8_t *data, size_t size) = 0;
  // To every copy on the local network listening on the port.
  virtual bool DatagramBroadcast(uint32_t socket, uint16_t port, const uint8_t *data, size_t size) = 0;
  // One waiting datagram (at most 2048 bytes), without waiting.
  virtual bool DatagramReceive(uint32_t socket, RNetAddress &from, std::vector<uint8_t> &data) = 0;
  virtual void DatagramClose(uint32_t socket) = 0;
  // A host name or dotted address; false when it does not resolve.
  virtual bool Resolve(const std::string &name, uint32_t &host) = 0;
  // This computer's address as dotted text, or "".
  virtual std::string LocalAddressText() = 0;
};

// Other programs, and this process's own priority.
class IProcesses {
public:
  virtual ~IProcesses() = default;
  // Starts program with the arguments, in the current directory, without a
  // shell. When wait is set, polls until the program has ended, calling idle
  // between polls. False when the program cannot be started.
  virtual bool Run(const std::string &program, const std::vector<std::string> &args, bool wait,
                   const std::function<void()> &idle) = 0;
  // Opens a document, a folder, an address or a program as the desktop
  // would; does not wait. False when nothing could be started.
  virtual bool Open(const std::string &target, const std::vector<std::string> &args) = 0;
  // The process priority: 1, 2, 3 raise it, -1, -2, -3 lower it, 0 normal.
  // Answers whether the change was made.
  virtual bool SetPriority(int level) = 0;
};

// The services in one object; the owner keeps them alive while installed.
struct RPlatform {
  IWindowService *window = nullptr;
  IRenderDevice *render = nullptr;
  IAudioOutput *audio = nullptr;
  ISystemFonts *fonts = nullptr;
  IClock *clock = nullptr;
  IDialogs *dialogs = nullptr;
  IDynamicLibraries *libraries = nullptr;
  INetwork *network = nullptr;
  IProcesses *processes = nullptr;
  IJoysticks *joysticks = nullptr;
  const char *name = "";  // "headless", "sdl", ... (for the trace log)

  // Whether every service is there.
  bool Complete() const;
};

// The platform in use.
const RPlatform &Platform();
// Installs a platform; every service must be present. Null goes back to the
// built-in headless platform.
void Platform_Install(const RPlatform *platform);

// Shorthands for the services of the platform in use.
inline IWindowService &PlatformWindow() { return *Platform().window; }
inline IRenderDevice &PlatformRender() { return *Platform().render; }
inline IAudioOutput &PlatformAudio() { return *Platform().audio; }
inline ISystemFonts &PlatformFonts() { return *Platform().fonts; }
inline IClock &PlatformClock() { return *Platform().clock; }
inline IDialogs &PlatformDialogs() { return *Platform().dialogs; }
inline IDynamicLibraries &PlatformLibraries() { return *Platform().libraries; }
inline INetwork &PlatformNetwork() { return *Platform().network; }
inline IProcesses &PlatformProcesses() { return *Platform().processes; }
inline IJoysticks &PlatformJoysticks() { return *Platform().joysticks; }

// A text as a window shows it: split into lines at each carriage return,
// line feeds removed. Reports join their parts with carriage returns, so
// standard error prints them line by line this way too.
std::vector<std::string> ShownLines(std::string_view text);

// The lines one report adds to an error window's memo of this run's errors:
// an empty line, a rule of 43 underscores, then the report's shown lines.
// Every error window keeps its memo this way.
void ErrorMemoAppend(std::vector<std::string> &memo, std::string_view text);
