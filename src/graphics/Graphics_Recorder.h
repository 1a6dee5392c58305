// CGraphicsRecorder: geometry kept for drawing again and again (3D models).
// Primitives of every kind are taken apart into three arrays of points,
// line pairs and triangles; drawing hands them to the device in chunks no
// larger than the device takes in one call, moved by a translation on top
// of the world transform.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Platform_Main.h"

// A recorded vertex: position, normal, colour, one texture pair. Bit 0 of
// the colour marks a vertex given its own colour (1); a vertex that took
// the recorder's colour has it cleared, which is how a recolouring finds
// the vertices it may change.
struct RRecorderVertex {
  float x = 0, y = 0, z = 0;
  float nx = 0, ny = 0, nz = 0;
  uint32_t colour = 0;
  float u = 0, v = 0;
};

class CGraphicsRecorder {
public:
  // Primitives per device call when nothing smaller is set: the most a
  // device of the games' era took at once.
  static constexpr int32_t kDefaultPrimitiveLimit = 65535;

  CGraphicsRecorder() = default;
  void Create();
  void Destroy();

  // Appends count vertices of a primitive kind (1 ... 6, as the device
  // numbers them); other kinds are ignored.
  void AddPrims(int32_t kind, int32_t count, const RRecorderVertex *vertices);
  // The colour vertices without their own take; stored with bit 0 cleared.
  void SetColour(uint32_t colour);
  uint32_t GetColour() const { return m_GlobalColour; }
  // Gives every vertex that has the stored colour the new one (bit 0
  // cleared) and stores it; nothing when the stored colour has bit 0 set.
  void ChangeColour(uint32_t colour);
  // Draws everything with the texture (none for an invalid id), moved by
  // (x, y, z) before the world transform.
  void Draw(int32_t texture, double x, double y, double z);

  // The primitives per device call (at least 1; huge limits are held so
  // that a chunk's size stays an int).
  void SetPrimitiveLimit(int32_t limit) { m_primLimit = limit < 1 ? 1 : limit > (1 << 28) ? 1 << 28 : limit; }
  int32_t TriangleVertices() const { return static_cast<int32_t>(m_Triangles.size()); }
  int32_t LineVertices() const { return static_cast<int32_t>(m_Lines.size()); }
  int32_t PointVertices() const { return static_cast<int32_t>(m_Points.size()); }

private:
  // The device takes vertices straight from memory, so the buffers built on
  // the first draw are the device's vertex form of each array, cut into
  // chunks; building them cannot fail, and the vertex buffer messages of a
  // device with buffers of its own have no cause here.
  struct RChunkList {
    bool built = false;
    std::vector<std::vector<RDeviceVertex>> chunks;
  };
  void Build(RChunkList &list, const std::vector<RRecorderVertex> &vertices, int32_t perChunk);
  void ReleaseBuffers();

  std::vector<RRecorderVertex> m_Triangles, m_Lines, m_Points;
  uint32_t m_GlobalColour = 0xFFFFFFFEu;
  RChunkList m_TriangleBuffer, m_LineBuffer, m_PointBuffer;
  int32_t m_primLimit = kDefaultPrimitiveLimit;
};
