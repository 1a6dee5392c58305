// A drawing device opened on a recording render device: what drawing sends
// to the machine can be read back draw by draw.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/Test_Platform.h"
#include "graphics/Graphics_D3D.h"
#include "graphics/Graphics_Texture.h"

class CMessageDialogs : public CHeadlessDialogs {
public:
  std::vector<std::string> messages;
  void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
};

class GraphicsTest : public ::testing::Test {
protected:
  testplatform::CRecordingRender device;
  CMessageDialogs dialogs;

  void SetUp() override {
    testplatform::SetRender(&device);
    testplatform::SetDialogs(&dialogs);
    GR_D3D_Reset_State();
    GR_Texture_Init();
    ASSERT_TRUE(GR_D3D_Init(640, 480, false));
    Forget();
  }
  void TearDown() override {
    GR_Texture_Init();
    GR_D3D_Reset_State();
    testplatform::SetRender(nullptr);
    testplatform::SetDialogs(nullptr);
  }
  // Drops what was recorded so far.
  void Forget() {
    device.drawn.clear();
    device.clears.clear();
    device.presents.clear();
    device.statesSent.clear();
  }
  const testplatform::CRecordingRender::RDraw &OnlyDraw() {
    EXPECT_EQ(device.drawn.size(), 1u);
    static testplatform::CRecordingRender::RDraw none{};
    return device.drawn.empty() ? none : device.drawn.back();
  }
};
