#include "graphics/Graphics_Recorder.h"

#include <algorithm>

#include "graphics/Graphics_D3D.h"
#include "graphics/Graphics_D3DX8.h"

void CGraphicsRecorder::Create() { Destroy(); }

void CGraphicsRecorder::Destroy() {
  m_Triangles.clear();
  m_Lines.clear();
  m_Points.clear();
  m_Triangles.shrink_to_fit();
  m_Lines.shrink_to_fit();
  m_Points.shrink_to_fit();
  m_GlobalColour = 0xFFFFFFFEu;
  ReleaseBuffers();
}

void CGraphicsRecorder::AddPrims(int32_t kind, int32_t n, const RRecorderVertex *p) {
  if (p == nullptr || n <= 0) return;
  const size_t count = static_cast<size_t>(n);
  switch (kind) {
    case 1: m_Points.insert(m_Points.end(), p, p + count); break;
    case 2: m_Lines.insert(m_Lines.end(), p, p + count); break;
    case 3:
      for (size_t i = 0; i + 1 < count; ++i) {
        m_Lines.push_back(p[i]);
        m_Lines.push_back(p[i + 1]);
      }
      break;
    case 4: m_Triangles.insert(m_Triangles.end(), p, p + count); break;
    case 5:
      // Every other triangle of a strip is wound the other way round; it is
      // turned back so that culling treats all of them alike.
      for (size_t i = 0; i + 2 < count; ++i) {
        const size_t a = i % 2 == 0 ? i : i + 2, c = i % 2 == 0 ? i + 2 : i;
        m_Triangles.push_back(p[a]);
        m_Triangles.push_back(p[i + 1]);
        m_Triangles.push_back(p[c]);
      }
      break;
    case 6:
      for (size_t i = 1; i + 1 < count; ++i) {
        m_Triangles.push_back(p[0]);
        m_Triangles.push_back(p[i]);
        m_Triangles.push_back(p[i + 1]);
      }
      break;
    default: return;
  }
  // Geometry added after a draw is drawn too: the chunks are made again.
  ReleaseBuffers();
}

void CGraphicsRecorder::SetColour(uint32_t colour) { m_GlobalColour = colour & ~1u; }

void CGraphicsRecorder::ChangeColour(uint32_t colour) {
  if ((m_GlobalColour & 1u) != 0) return;
  const uint32_t now = colour & ~1u;
  for (std::vector<RRecorderVertex> *array : {&m_Triangles, &m_Lines, &m_Points})
    for (RRecorderVertex &v : *array)
      if (v.colour == m_GlobalColour) v.colour = now;
  ReleaseBuffers();
  m_GlobalColour = now;
}

void CGraphicsRecorder::ReleaseBuffers() {
  m_TriangleBuffer = RChunkList();
  m_LineBuffer = RChunkList();
  m_PointBuffer = RChunkList();
}

void CGraphicsRecorder::Build(RChunkList &list, const std::vector<RRecorderVertex> &vertices, int32_t perChunk) {
  list.chunks.clear();
  list.built = true;
  const size_t step = static_cast<size_t>(perChunk);
  for (size_t start = 0; start < vertices.size(); start += step) {
    const size_t end = std::min(vertices.size(), start + step);
    std::vector<RDeviceVertex> chunk;
    chunk.reserve(end - start);
    for (size_t i = start; i < end; ++i) {
      const RRecorderVertex &v = vertices[i];
      chunk.push_back(RDeviceVertex{v.x, v.y, v.z, v.colour, v.u, v.v});
    }
    list.chunks.push_back(std::move(chunk));
  }
}

void CGraphicsRecorder::Draw(int32_t texture, double x, double y, double z) {
  float saved[16];
  GR_D3D_Get_World(saved);
  RMatrix world, move, moved;
  std::copy(saved, saved + 16, &world.m[0][0]);
  D3DXMatrixTranslation(move, x, y, z);
  D3DXMatrixMultiply(moved, move, world);
  GR_D3D_Set_World(moved.Data());
  // Every array is cut into chunks of three times the primitive limit, the
  // size a triangle chunk needs; lines and points use the same cut.
  const int32_t perChunk = 3 * m_primLimit;
  const struct {
    std::vector<RRecorderVertex> &vertices;
    RChunkList &list;
    TDevicePrimitive kind;
  } arrays[] = {
      {m_Triangles, m_TriangleBuffer, TDevicePrimitive::TriangleList},
      {m_Lines, m_LineBuffer, TDevicePrimitive::LineList},
      {m_Points, m_PointBuffer, TDevicePrimitive::PointList},
  };
  for (const auto &a : arrays) {
    if (a.vertices.empty()) continue;
    if (!a.list.built) {
      if (a.kind == TDevicePrimitive::TriangleList) a.vertices.shrink_to_fit();
      Build(a.list, a.vertices, perChunk);
    }
    for (const std::vector<RDeviceVertex> &chunk : a.list.chunks)
      GR_D3D_Draw(a.kind, chunk.data(), static_cast<int32_t>(chunk.size()), texture);
  }
  GR_D3D_Set_World(saved);
}
