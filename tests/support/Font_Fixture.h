// The installed fonts, for tests that build font sheets: one service for the
// whole test program, installed into the test platform while a test runs.
#pragma once

#include <gtest/gtest.h>

#include "platform/fonts/Font_System.h"
#include "support/Test_Platform.h"

namespace fontfixture {

inline CSystemFonts &SystemFonts() {
  static CSystemFonts fonts;
  return fonts;
}

class InstalledFonts : public ::testing::Test {
protected:
  void SetUp() override { testplatform::SetFonts(&SystemFonts()); }
  void TearDown() override {
    testplatform::SetFonts(nullptr);
    Platform_Install(nullptr);
  }
};

}  // namespace fontfixture
