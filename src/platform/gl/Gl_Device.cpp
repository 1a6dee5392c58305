#include "platform/gl/Gl_Device.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>

#include "platform/gl/Gl_Shaders.h"
#include "platform/sdl/Sdl_Window.h"

static_assert(sizeof(RDeviceVertex) == 24, "the vertex layout below assumes packed vertices");

namespace {

// A run of joined draws is sent once it holds this many vertices.
constexpr size_t kMaxPending = 1 << 16;

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Row-vector product a x b of two row-by-row 4 x 4 matrices.
void Multiply(const float *a, const float *b, float *out) {
  float r[16];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r[i * 4 + j] = a[i * 4 + 0] * b[0 * 4 + j] + a[i * 4 + 1] * b[1 * 4 + j] + a[i * 4 + 2] * b[2 * 4 + j] +
                     a[i * 4 + 3] * b[3 * 4 + j];
  std::memcpy(out, r, sizeof r);
}

GLenum BlendFactor(int32_t factor) {
  switch (factor) {
    case 1: return GL_ZERO;
    case 2: return GL_ONE;
    case 3: return GL_SRC_COLOR;
    case 4: return GL_ONE_MINUS_SRC_COLOR;
    case 5: return GL_SRC_ALPHA;
    case 6: return GL_ONE_MINUS_SRC_ALPHA;
    case 7: return GL_DST_ALPHA;
    case 8: return GL_ONE_MINUS_DST_ALPHA;
    case 9: return GL_DST_COLOR;
    case 10: return GL_ONE_MINUS_DST_COLOR;
    case 11: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;  // a factor the device does not know draws as one
  }
}

// A device colour (alpha, red, green, blue from the high byte) as 0 ... 1.
void Channels(uint32_t colour, float out[4]) {
  out[0] = float((colour >> 16) & 0xFF) / 255.0f;
  out[1] = float((colour >> 8) & 0xFF) / 255.0f;
  out[2] = float(colour & 0xFF) / 255.0f;
  out[3] = float(colour >> 24) / 255.0f;
}

// Forgets errors of earlier calls, so that the next check sees its own.
void ClearErrors() {
  for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
  }
}

GLuint Compile(GLenum kind, const char *prologue, const char *body, std::string &error) {
  const GLuint shader = glCreateShader(kind);
  const char *parts[2] = {prologue, body};
  glShaderSource(shader, 2, parts, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[1024] = {};
    glGetShaderInfoLog(shader, sizeof log - 1, nullptr, log);
    error = std::string("A shader could not be compiled: ") + log;
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

// Program index: flat shading, texture stage, alpha test and fog.
int ProgramIndex(bool flat, int textureMode, bool alphaTest, bool fog) {
  return ((flat ? 1 : 0) * 3 + textureMode) * 4 + (alphaTest ? 2 : 0) + (fog ? 1 : 0);
}

GLuint Link(int index, std::string &error) {
  const bool flat = index >= 12;
  const int textureMode = (index / 4) % 3;
  const std::string prologue = std::string("#version 330 core\n#define FLAT ") + (flat ? "flat" : "") +
                               "\n#define TEXTURE_MODE " + std::to_string(textureMode) + "\n#define ALPHA_TEST " +
                               ((index & 2) ? "1" : "0") + "\n#define FOG " + ((index & 1) ? "1" : "0") + "\n";
  const GLuint vs = Compile(GL_VERTEX_SHADER, prologue.c_str(), glshaders::kVertex, error);
  if (!vs) return 0;
  const GLuint fs = Compile(GL_FRAGMENT_SHADER, prologue.c_str(), glshaders::kFragment, error);
  if (!fs) {
    glDeleteShader(vs);
    return 0;
  }
  const GLuint program = glCreateProgram();
  glAttachShader(program, vs);
  glAttachShader(program, fs);
  glLinkProgram(program);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint ok = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (!ok) {
    char log[1024] = {};
    glGetProgramInfoLog(program, sizeof log - 1, nullptr, log);
    error = std::string("The shaders could not be linked: ") + log;
    glDeleteProgram(program);
    return 0;
  }
  glUseProgram(program);
  glUniform1i(glGetUniformLocation(program, "uTexture"), 0);
  return program;
}

}  // namespace

CGlDevice::CGlDevice(CSdlWindow &window) : m_window(window) {
  std::memcpy(m_transform, kIdentity, sizeof m_transform);
  std::memcpy(m_worldView, kIdentity, sizeof m_worldView);
}

CGlDevice::~CGlDevice() { Close(); }

bool CGlDevice::Open(int32_t width, int32_t height, std::string &error) {
  if (m_context) Close();
  SDL_Window *window = m_window.Native();
  if (!window) {
    error = "The drawing device needs the game window, which is not open.";
    return false;
  }
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (!context) {
    error = std::string("No OpenGL 3.3 context could be made for the window: ") + SDL_GetError();
    return false;
  }
  if (SDL_GL_MakeCurrent(window, context) != 0 || epoxy_gl_version() < 33) {
    error = "The graphics driver does not offer OpenGL 3.3, which the runner draws with.";
    SDL_GL_DeleteContext(context);
    return false;
  }
  m_context = context;

  GLint maxTexture = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
  m_maxTexture = maxTexture > 0 ? maxTexture : 2048;

  // The programs of untextured and textured 2D drawing are made now, so
  // that a driver that cannot compile them fails the opening; the rest
  // when first used.
  if (!Program(ProgramIndex(false, 0, false, false), error) || !Program(ProgramIndex(false, 1, false, false), error)) {
    Close();
    return false;
  }

  // The back buffer covers the screen, so that the shown region can grow up
  // to the screen's size without a new device. It has no alpha channel, as
  // the screen has none: blending reads its alpha as 1.
  const RDisplayMode screen = m_window.DisplayMode();
  m_backW = std::clamp(std::max(width, screen.width), 1, m_maxTexture);
  m_backH = std::clamp(std::max(height, screen.height), 1, m_maxTexture);
  glGenRenderbuffers(1, &m_backColour);
  glBindRenderbuffer(GL_RENDERBUFFER, m_backColour);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB8, m_backW, m_backH);
  glGenRenderbuffers(1, &m_backDepth);
  glBindRenderbuffer(GL_RENDERBUFFER, m_backDepth);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, m_backW, m_backH);
  glGenFramebuffers(1, &m_backFramebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, m_backFramebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_backColour);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_backDepth);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    error = "The graphics driver cannot draw into a back buffer of the screen's size.";
    Close();
    return false;
  }

  glGenVertexArrays(1, &m_vertexArray);
  glBindVertexArray(m_vertexArray);
  glGenBuffers(1, &m_vertexBuffer);
  glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
  m_bufferBytes = 0;
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(RDeviceVertex),
                        reinterpret_cast<const void *>(offsetof(RDeviceVertex, x)));
  glEnableVertexAttribArray(1);
  // The colour's bytes in memory are blue, green, red, alpha.
  glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(RDeviceVertex),
                        reinterpret_cast<const void *>(offsetof(RDeviceVertex, colour)));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(RDeviceVertex),
                        reinterpret_cast<const void *>(offsetof(RDeviceVertex, u)));
  glGenBuffers(1, &m_indexBuffer);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);  // kept by the vertex array
  m_indexBufferBytes = 0;
  glGenSamplers(1, &m_sampler);
  glBindSampler(0, m_sampler);

  glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
  glEnable(GL_BLEND);
  glEnable(GL_SCISSOR_TEST);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);

  m_target = 0;
  m_texture = 0;
  m_viewport = RPixelRect{0, 0, std::min(width, m_backW), std::min(height, m_backH)};
  m_pending.clear();
  m_pendingIndices.clear();
  m_pending.reserve(1024);
  m_pendingClass = TClass::None;
  m_swapInterval = -1;
  m_dirty = true;
  BindTarget();
  // All of the back buffer, not only the first viewport.
  ApplyState();
  glDisable(GL_SCISSOR_TEST);
  glClearColor(0, 0, 0, 1);
  glClearDepth(1.0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
  return true;
}

void CGlDevice::Close() {
  if (!m_context) return;
  m_pending.clear();
  m_pendingIndices.clear();
  m_pendingClass = TClass::None;
  SDL_GL_MakeCurrent(m_window.Native(), m_context);
  for (RTextureSlot &slot : m_slots)
    if (slot.used) DeleteSlot(slot);
  m_slots.clear();
  m_freeSlots.clear();
  for (GLuint &p : m_programs) {
    if (p) glDeleteProgram(p);
    p = 0;
  }
  if (m_sampler) glDeleteSamplers(1, &m_sampler);
  if (m_vertexBuffer) glDeleteBuffers(1, &m_vertexBuffer);
  if (m_indexBuffer) glDeleteBuffers(1, &m_indexBuffer);
  m_indexBuffer = 0;
  if (m_vertexArray) glDeleteVertexArrays(1, &m_vertexArray);
  if (m_backFramebuffer) glDeleteFramebuffers(1, &m_backFramebuffer);
  if (m_backColour) glDeleteRenderbuffers(1, &m_backColour);
  if (m_backDepth) glDeleteRenderbuffers(1, &m_backDepth);
  m_sampler = m_vertexBuffer = m_vertexArray = m_backFramebuffer = m_backColour = m_backDepth = 0;
  m_backW = m_backH = 0;
  m_target = m_texture = 0;
  SDL_GL_MakeCurrent(m_window.Native(), nullptr);
  SDL_GL_DeleteContext(static_cast<SDL_GLContext>(m_context));
  m_context = nullptr;
}

CGlDevice::RTextureSlot *CGlDevice::Slot(uint32_t handle) {
  if (handle == 0 || handle > m_slots.size()) return nullptr;
  RTextureSlot &slot = m_slots[handle - 1];
  return slot.used ? &slot : nullptr;
}

uint32_t CGlDevice::NewSlot() {
  if (!m_freeSlots.empty()) {
    const uint32_t handle = m_freeSlots.back();
    m_freeSlots.pop_back();
    return handle;
  }
  m_slots.emplace_back();
  return uint32_t(m_slots.size());
}

void CGlDevice::DeleteSlot(RTextureSlot &slot) {
  if (slot.framebuffer) glDeleteFramebuffers(1, &slot.framebuffer);
  if (slot.depth) glDeleteRenderbuffers(1, &slot.depth);
  if (slot.texture) glDeleteTextures(1, &slot.texture);
  slot = RTextureSlot();
}

uint32_t CGlDevice::CreateTexture(int32_t wt, int32_t ht, int32_t w, int32_t h, const uint32_t *pixels) {
  if (!m_context || wt <= 0 || ht <= 0 || wt > m_maxTexture || ht > m_maxTexture || w < 0 || h < 0 || w > wt ||
      h > ht)
    return 0;
  Flush();
  ClearErrors();
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  // Transparent black first, then the picture into the top-left corner.
  const std::vector<uint32_t> black(size_t(wt) * size_t(ht), 0u);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, wt, ht, 0, GL_BGRA, GL_UNSIGNED_BYTE, black.data());
  if (pixels && w > 0 && h > 0) {
    glPixelStorei(GL_UNPACK_ROW_LENGTH, w);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  }
  if (glGetError() != GL_NO_ERROR) {
    glDeleteTextures(1, &name);
    m_dirty = true;
    return 0;
  }
  const uint32_t handle = NewSlot();
  RTextureSlot &slot = m_slots[handle - 1];
  slot.texture = name;
  slot.wt = wt;
  slot.ht = ht;
  slot.used = true;
  m_dirty = true;  // the texture unit's binding changed
  return handle;
}

uint32_t CGlDevice::CreateTarget(int32_t wt, int32_t ht) {
  if (!m_context || wt <= 0 || ht <= 0 || wt > m_maxTexture || ht > m_maxTexture) return 0;
  Flush();
  ClearErrors();
  RTextureSlot slot;
  slot.wt = wt;
  slot.ht = ht;
  glGenTextures(1, &slot.texture);
  glBindTexture(GL_TEXTURE_2D, slot.texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, wt, ht, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
  glGenRenderbuffers(1, &slot.depth);
  glBindRenderbuffer(GL_RENDERBUFFER, slot.depth);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, wt, ht);
  glGenFramebuffers(1, &slot.framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, slot.framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, slot.texture, 0);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, slot.depth);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  m_dirty = true;
  BindTarget();
  if (!complete || glGetError() != GL_NO_ERROR) {
    DeleteSlot(slot);
    return 0;
  }
  slot.used = true;
  const uint32_t handle = NewSlot();
  m_slots[handle - 1] = slot;
  return handle;
}

void CGlDevice::ReleaseTexture(uint32_t texture) {
  RTextureSlot *slot = Slot(texture);
  if (!slot) return;
  Flush();
  if (m_texture == texture) m_texture = 0;
  if (m_target == texture) {
    m_target = 0;
    BindTarget();
  }
  DeleteSlot(*slot);
  m_freeSlots.push_back(texture);
  m_dirty = true;
}

void CGlDevice::BindTarget() {
  if (!m_context) return;
  const RTextureSlot *slot = Slot(m_target);
  glBindFramebuffer(GL_FRAMEBUFFER, slot ? slot->framebuffer : m_backFramebuffer);
}

void CGlDevice::SetTarget(uint32_t target) {
  if (Slot(target) == nullptr || Slot(target)->framebuffer == 0) target = 0;
  if (target == m_target) return;
  Flush();
  m_target = target;
  m_dirty = true;
  BindTarget();
}

void CGlDevice::SetViewport(const RPixelRect &viewport) {
  if (viewport.x == m_viewport.x && viewport.y == m_viewport.y && viewport.w == m_viewport.w &&
      viewport.h == m_viewport.h)
    return;
  Flush();
  m_viewport = viewport;
  m_dirty = true;
}

void CGlDevice::SetTransforms(const float *world, const float *view, const float *projection) {
  float worldView[16], transform[16];
  Multiply(world ? world : kIdentity, view ? view : kIdentity, worldView);
  Multiply(worldView, projection ? projection : kIdentity, transform);
  if (std::memcmp(worldView, m_worldView, sizeof worldView) == 0 &&
      std::memcmp(transform, m_transform, sizeof transform) == 0)
    return;
  Flush();
  std::memcpy(m_worldView, worldView, sizeof worldView);
  std::memcpy(m_transform, transform, sizeof transform);
  m_dirty = true;
}

void CGlDevice::SetStates(const RDeviceStates &states) {
  if (states == m_states) return;
  Flush();
  m_states = states;
  m_dirty = true;
}

void CGlDevice::SetTexture(uint32_t texture) {
  if (Slot(texture) == nullptr) texture = 0;
  if (texture == m_texture) return;
  Flush();
  m_texture = texture;
  m_dirty = true;
}

void CGlDevice::SetBatching(bool on) {
  Flush();
  m_batching = on;
}

uint32_t CGlDevice::Program(int index, std::string &error) {
  if (index < 0 || index >= kPrograms) return 0;
  if (m_programs[index]) return m_programs[index];
  const GLuint p = Link(index, error);
  if (!p) return 0;
  m_programs[index] = p;
  RUniforms &u = m_uniforms[index];
  u.transform = glGetUniformLocation(p, "uTransform");
  u.worldView = glGetUniformLocation(p, "uWorldView");
  u.halfPixel = glGetUniformLocation(p, "uHalfPixel");
  u.fogColour = glGetUniformLocation(p, "uFogColour");
  u.fogStart = glGetUniformLocation(p, "uFogStart");
  u.fogEnd = glGetUniformLocation(p, "uFogEnd");
  return p;
}

void CGlDevice::ApplyState() {
  if (!m_dirty) return;
  m_dirty = false;
  const RDeviceStates &s = m_states;
  const RTextureSlot *texture = Slot(m_texture);
  const int which = ProgramIndex(!s.smooth, texture ? (s.modulate ? 1 : 2) : 0, s.depth, s.fog);
  std::string error;
  // A program the driver could not make leaves the previous one in use.
  if (const uint32_t program = Program(which, error)) glUseProgram(program);
  const RUniforms &u = m_uniforms[which];
  glUniformMatrix4fv(u.transform, 1, GL_FALSE, m_transform);
  glUniformMatrix4fv(u.worldView, 1, GL_FALSE, m_worldView);
  const float vw = float(std::max(1, m_viewport.w)), vh = float(std::max(1, m_viewport.h));
  glUniform2f(u.halfPixel, 1.0f / vw, 1.0f / vh);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture ? texture->texture : 0);
  float fog[4];
  Channels(s.fogColour, fog);
  glUniform3f(u.fogColour, fog[0], fog[1], fog[2]);
  glUniform1f(u.fogStart, s.fogStart);
  glUniform1f(u.fogEnd, s.fogEnd);
  // Lighting is kept as a switch only: the 3D drawing that sets lights does
  // not reach the device yet, and without lights the vertex colour stands.

  const GLint filter = s.linear ? GL_LINEAR : GL_NEAREST;
  glSamplerParameteri(m_sampler, GL_TEXTURE_MIN_FILTER, filter);
  glSamplerParameteri(m_sampler, GL_TEXTURE_MAG_FILTER, filter);
  const GLint wrap = s.repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE;
  glSamplerParameteri(m_sampler, GL_TEXTURE_WRAP_S, wrap);
  glSamplerParameteri(m_sampler, GL_TEXTURE_WRAP_T, wrap);

  glBlendFunc(BlendFactor(s.srcBlend), BlendFactor(s.destBlend));
  if (s.depth) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
  } else {
    glDisable(GL_DEPTH_TEST);
  }
  // The framebuffers keep their top row first, which turns the winding GL
  // sees around: a triangle counter-clockwise on screen is clockwise to GL.
  if (s.culling) {
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
  } else {
    glDisable(GL_CULL_FACE);
  }
  glViewport(m_viewport.x, m_viewport.y, std::max(0, m_viewport.w), std::max(0, m_viewport.h));
  glScissor(m_viewport.x, m_viewport.y, std::max(0, m_viewport.w), std::max(0, m_viewport.h));
}

void CGlDevice::Draw(TDevicePrimitive kind, const RDeviceVertex *v, int32_t count) {
  if (!m_context || !v || count <= 0) return;
  TClass cls = TClass::None;
  switch (kind) {
    case TDevicePrimitive::PointList: cls = TClass::Points; break;
    case TDevicePrimitive::LineList:
    case TDevicePrimitive::LineStrip: cls = TClass::Lines; break;
    case TDevicePrimitive::TriangleList:
    case TDevicePrimitive::TriangleStrip:
    case TDevicePrimitive::TriangleFan: cls = TClass::Triangles; break;
  }
  if (cls == TClass::None) return;
  if (cls != m_pendingClass || m_pending.size() + size_t(count) * 3 > kMaxPending) Flush();
  m_pendingClass = cls;
  const size_t n = size_t(count);
  const uint32_t base = uint32_t(m_pending.size());
  std::vector<uint32_t> &ix = m_pendingIndices;
  switch (kind) {
    case TDevicePrimitive::PointList: m_pending.insert(m_pending.end(), v, v + n); break;
    case TDevicePrimitive::LineList: m_pending.insert(m_pending.end(), v, v + (n / 2) * 2); break;
    case TDevicePrimitive::LineStrip:
      for (size_t i = 0; i + 1 < n; ++i) {
        m_pending.push_back(v[i]);
        m_pending.push_back(v[i + 1]);
      }
      break;
    case TDevicePrimitive::TriangleList:
      m_pending.insert(m_pending.end(), v, v + (n / 3) * 3);
      for (uint32_t i = 0; i < uint32_t((n / 3) * 3); ++i) ix.push_back(base + i);
      break;
    case TDevicePrimitive::TriangleStrip:
      // Every second triangle of a strip is wound the other way round; the
      // first vertex stays first, as flat shading takes its colour.
      if (n < 3) break;
      m_pending.insert(m_pending.end(), v, v + n);
      for (uint32_t i = 0; i + 2 < uint32_t(n); ++i) {
        ix.push_back(base + i);
        ix.push_back(base + ((i & 1) ? i + 2 : i + 1));
        ix.push_back(base + ((i & 1) ? i + 1 : i + 2));
      }
      break;
    case TDevicePrimitive::TriangleFan:
      // Flat shading colours a fan's triangle by its first rim vertex, not
      // by the hub; rotating the corners keeps the winding.
      if (n < 3) break;
      m_pending.insert(m_pending.end(), v, v + n);
      for (uint32_t i = 1; i + 1 < uint32_t(n); ++i) {
        ix.push_back(base + i);
        ix.push_back(base + i + 1);
        ix.push_back(base);
      }
      break;
  }
  if (!m_batching) Flush();
}

void CGlDevice::Flush() {
  if (m_pending.empty() || !m_context) {
    m_pending.clear();
    m_pendingIndices.clear();
    m_pendingClass = TClass::None;
    return;
  }
  ApplyState();
  glBindVertexArray(m_vertexArray);
  glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
  // The stores only grow. A fresh store for every run of draws would cost
  // a software rasterizer a new allocation (and the kernel fresh pages) each
  // time; rewriting the store needs no wait there, as the vertices have
  // been through the vertex stage when a draw call returns, and Mesa's
  // hardware drivers stage such rewrites themselves.
  const size_t bytes = m_pending.size() * sizeof(RDeviceVertex);
  if (bytes > m_bufferBytes) {
    m_bufferBytes = std::max(bytes, std::max<size_t>(m_bufferBytes * 2, 64 * 1024));
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(m_bufferBytes), nullptr, GL_STREAM_DRAW);
  }
  glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(bytes), m_pending.data());
  if (m_pendingClass == TClass::Triangles) {
    if (!m_pendingIndices.empty()) {
      const size_t indexBytes = m_pendingIndices.size() * sizeof(uint32_t);
      if (indexBytes > m_indexBufferBytes) {
        m_indexBufferBytes = std::max(indexBytes, std::max<size_t>(m_indexBufferBytes * 2, 64 * 1024));
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(m_indexBufferBytes), nullptr, GL_STREAM_DRAW);
      }
      glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, GLsizeiptr(indexBytes), m_pendingIndices.data());
      glDrawElements(GL_TRIANGLES, GLsizei(m_pendingIndices.size()), GL_UNSIGNED_INT, nullptr);
      ++m_hardwareDraws;
    }
  } else {
    glDrawArrays(m_pendingClass == TClass::Points ? GL_POINTS : GL_LINES, 0, GLsizei(m_pending.size()));
    ++m_hardwareDraws;
  }
  m_pending.clear();
  m_pendingIndices.clear();
  m_pendingClass = TClass::None;
}

void CGlDevice::Clear(bool target, uint32_t colour, bool depth) {
  if (!m_context || (!target && !depth)) return;
  Flush();
  ApplyState();
  GLbitfield mask = 0;
  if (target) {
    float c[4];
    Channels(colour, c);
    glClearColor(c[0], c[1], c[2], c[3]);
    mask |= GL_COLOR_BUFFER_BIT;
  }
  if (depth) {
    glDepthMask(GL_TRUE);
    glClearDepth(1.0);
    mask |= GL_DEPTH_BUFFER_BIT;
  }
  glClear(mask);
}

bool CGlDevice::ReadPixels(const RPixelRect &rect, uint32_t *pixels) {
  if (!m_context || !pixels || rect.w <= 0 || rect.h <= 0 || rect.x < 0 || rect.y < 0) return false;
  const RTextureSlot *slot = Slot(m_target);
  const int32_t w = slot ? slot->wt : m_backW, h = slot ? slot->ht : m_backH;
  if (rect.w > w - rect.x || rect.h > h - rect.y) return false;
  Flush();
  BindTarget();
  ClearErrors();
  glReadPixels(rect.x, rect.y, rect.w, rect.h, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
  return glGetError() == GL_NO_ERROR;
}

bool CGlDevice::Compose(int32_t regionWidth, int32_t regionHeight, const RPixelRect &dest, uint32_t bandColour) {
  SDL_Window *window = m_window.Native();
  if (!m_context || !window) return false;
  Flush();
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(window, &dw, &dh);
  const double scale = m_window.PixelScale();
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  glDisable(GL_SCISSOR_TEST);
  glViewport(0, 0, dw, dh);
  glClearColor(float(bandColour & 0xFF) / 255.0f, float((bandColour >> 8) & 0xFF) / 255.0f,
               float((bandColour >> 16) & 0xFF) / 255.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  const int32_t rw = std::clamp(regionWidth, 0, m_backW), rh = std::clamp(regionHeight, 0, m_backH);
  if (rw > 0 && rh > 0 && dest.w > 0 && dest.h > 0) {
    // Client pixels to drawable pixels, and the drawable's rows bottom up.
    const int x0 = int(dest.x * scale + 0.5), x1 = int((dest.x + dest.w) * scale + 0.5);
    const int top = dh - int(dest.y * scale + 0.5), bottom = dh - int((dest.y + dest.h) * scale + 0.5);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_backFramebuffer);
    const bool same = x1 - x0 == rw && top - bottom == rh;
    glBlitFramebuffer(0, 0, rw, rh, x0, top, x1, bottom, GL_COLOR_BUFFER_BIT, same ? GL_NEAREST : GL_LINEAR);
  }
  glEnable(GL_SCISSOR_TEST);
  m_dirty = true;  // the viewport
  BindTarget();
  return true;
}

bool CGlDevice::ReadDrawable(std::vector<uint32_t> &pixels, int32_t &width, int32_t &height) {
  SDL_Window *window = m_window.Native();
  if (!m_context || !window) return false;
  Flush();
  SDL_GL_GetDrawableSize(window, &width, &height);
  if (width <= 0 || height <= 0) return false;
  pixels.assign(size_t(width) * size_t(height), 0);
  ClearErrors();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
  BindTarget();
  // The drawable's rows come bottom up.
  for (int32_t y = 0; y < height / 2; ++y)
    std::swap_ranges(pixels.begin() + ptrdiff_t(y) * width, pixels.begin() + ptrdiff_t(y + 1) * width,
                     pixels.begin() + ptrdiff_t(height - 1 - y) * width);
  return glGetError() == GL_NO_ERROR;
}

bool CGlDevice::Present(int32_t regionWidth, int32_t regionHeight, const RPixelRect &dest, uint32_t bandColour,
                        bool sync) {
  if (!Compose(regionWidth, regionHeight, dest, bandColour)) return false;
  const int interval = sync ? 1 : 0;
  if (interval != m_swapInterval) {
    // Some drivers refuse a swap interval; the frame is shown all the same.
    SDL_GL_SetSwapInterval(interval);
    m_swapInterval = interval;
  }
  SDL_GL_SwapWindow(m_window.Native());
  return true;
}
