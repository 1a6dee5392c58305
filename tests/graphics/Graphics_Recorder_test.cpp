#include "graphics/Graphics_Recorder.h"

#include <vector>

#include "Graphics_Fixture.h"

namespace {

std::vector<RRecorderVertex> Numbered(int n, uint32_t colour = 0xFF000000u) {
  std::vector<RRecorderVertex> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)].x = static_cast<float>(i), v[static_cast<size_t>(i)].colour = colour;
  return v;
}

// The x of every vertex the device was given, draw by draw.
std::vector<std::vector<float>> Xs(const testplatform::CRecordingRender &d) {
  std::vector<std::vector<float>> out;
  for (const auto &draw : d.drawn) {
    out.emplace_back();
    for (const RDeviceVertex &v : draw.vertices) out.back().push_back(v.x);
  }
  return out;
}

}  // namespace

TEST_F(GraphicsTest, RecorderTakesPrimitivesApart) {
  const struct {
    int kind, n;
    std::vector<float> triangles, lines, points;
  } cases[] = {
      {1, 3, {}, {}, {0, 1, 2}},
      {2, 4, {}, {0, 1, 2, 3}, {}},
      {3, 3, {}, {0, 1, 1, 2}, {}},
      {3, 1, {}, {}, {}},
      {4, 3, {0, 1, 2}, {}, {}},
      {5, 4, {0, 1, 2, 3, 2, 1}, {}, {}},
      {6, 5, {0, 1, 2, 0, 2, 3, 0, 3, 4}, {}, {}},
      {0, 4, {}, {}, {}},
      {7, 4, {}, {}, {}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " n " << c.n);
    CGraphicsRecorder r;
    const auto v = Numbered(c.n);
    r.AddPrims(c.kind, c.n, v.data());
    Forget();
    r.Draw(-1, 0, 0, 0);
    std::vector<std::vector<float>> want;
    for (const auto *part : {&c.triangles, &c.lines, &c.points})
      if (!part->empty()) want.push_back(*part);
    EXPECT_EQ(Xs(device), want);
  }
}

TEST_F(GraphicsTest, RecorderDrawsInChunksMovedOnTopOfTheWorld) {
  CGraphicsRecorder r;
  r.SetPrimitiveLimit(2);  // six vertices a chunk
  const auto v = Numbered(15);
  r.AddPrims(4, 15, v.data());
  const float scale[16] = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1};
  GR_D3D_Set_World(scale);
  r.Draw(-1, 10, 20, 30);
  ASSERT_EQ(device.drawn.size(), 3u);
  EXPECT_EQ(device.drawn[0].vertices.size(), 6u);
  EXPECT_EQ(device.drawn[2].vertices.size(), 3u);
  EXPECT_EQ(device.drawn[2].vertices[0].x, 12.0f);
  // Moved first, then the world: the translation is scaled too.
  EXPECT_EQ(device.drawn[0].world[12], 20.0f);
  EXPECT_EQ(device.drawn[0].world[13], 40.0f);
  EXPECT_EQ(device.drawn[0].world[14], 60.0f);
  EXPECT_EQ(device.drawn[0].world[0], 2.0f);
  // And the world is given back afterwards.
  float after[16];
  GR_D3D_Get_World(after);
  EXPECT_EQ(std::vector<float>(after, after + 16), std::vector<float>(scale, scale + 16));
  GR_D3D_Set_World(nullptr);
}

TEST_F(GraphicsTest, RecorderRecoloursOnlyVerticesOfItsColour) {
  CGraphicsRecorder r;
  r.SetColour(0xFF00FF01u);
  EXPECT_EQ(r.GetColour(), 0xFF00FF00u);
  auto own = Numbered(3, 0xFF123457u);      // given its own colour: bit 0 set
  auto taken = Numbered(3, 0xFF00FF00u);    // took the recorder's colour
  r.AddPrims(4, 3, own.data());
  r.AddPrims(4, 3, taken.data());
  r.Draw(-1, 0, 0, 0);
  r.ChangeColour(0xFFABCDEFu);
  EXPECT_EQ(r.GetColour(), 0xFFABCDEEu);
  Forget();
  r.Draw(-1, 0, 0, 0);  // drawn from rebuilt chunks
  ASSERT_EQ(device.drawn.size(), 1u);
  EXPECT_EQ(device.drawn[0].vertices[0].colour, 0xFF123457u);
  EXPECT_EQ(device.drawn[0].vertices[3].colour, 0xFFABCDEEu);

  // A new recorder's colour is white with bit 0 cleared: vertices made
  // white without a colour of their own follow a recolouring.
  CGraphicsRecorder fresh;
  auto white = Numbered(3, 0xFFFFFFFEu);
  fresh.AddPrims(4, 3, white.data());
  fresh.ChangeColour(0xFF000000u);
  Forget();
  fresh.Draw(-1, 0, 0, 0);
  EXPECT_EQ(device.drawn[0].vertices[0].colour, 0xFF000000u);
}
