// The SDL window, offscreen: what it remembers before it is open, and what
// it gives back once it is.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/sdl/Sdl_Platform.h"
#include "platform/sdl/Sdl_Window.h"

namespace {

class SdlWindowTest : public ::testing::Test {
protected:
  void SetUp() override { setenv("SDL_VIDEODRIVER", "offscreen", 0); }
};

TEST_F(SdlWindowTest, OpensHiddenWithItsClientSizeAndCaption) {
  CSdlWindow window;
  window.SetCaption("Before");
  EXPECT_EQ(window.Handle(), 0);
  std::string error;
  if (!window.Open(120, 90, error)) GTEST_SKIP() << "no window can be made here: " << error;
  EXPECT_NE(window.Handle(), 0);
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(window.Caption(), "Before");
  window.SetCaption("After");
  EXPECT_EQ(window.Caption(), "After");
  const RPixelRect r = window.ClientRect();
  EXPECT_EQ(r.w, 120);
  EXPECT_EQ(r.h, 90);
  EXPECT_DOUBLE_EQ(window.PixelScale(), 1.0);
  window.SetVisible(true);
  EXPECT_TRUE(window.Visible());
  window.PumpEvents();
  EXPECT_TRUE(window.Active());

  // Full screen covers the screen; leaving it gives the size back.
  window.SetClientRect(RPixelRect{r.x, r.y, 200, 150});
  EXPECT_EQ(window.ClientRect().w, 200);
  window.SetFullscreen(true);
  window.SetFullscreen(false);
  EXPECT_EQ(window.ClientRect().w, 200);
  EXPECT_EQ(window.ClientRect().h, 150);

  window.Close();
  EXPECT_EQ(window.Handle(), 0);
  EXPECT_EQ(window.ClientRect().w, 200);  // the last geometry stays
}

TEST_F(SdlWindowTest, ClipboardCarriesText) {
  CSdlWindow window;
  window.ClipboardSetText("hello \xC3\xA9");
  EXPECT_TRUE(window.ClipboardHasText());
  EXPECT_EQ(window.ClipboardGetText(), "hello \xC3\xA9");
}

TEST_F(SdlWindowTest, DisplayModeCanOnlyBeTheOneTheScreenHas) {
  CSdlWindow window;
  const RDisplayMode now = window.DisplayMode();
  EXPECT_GT(now.width, 0);
  EXPECT_GT(now.height, 0);
  EXPECT_EQ(now.depth, 32);
  EXPECT_TRUE(window.SetDisplayMode(now, true));
  RDisplayMode other = now;
  other.width += 16;
  EXPECT_FALSE(window.SetDisplayMode(other, true));
}

TEST_F(SdlWindowTest, PlatformHasEveryServiceAndSaysWhetherItIsOffscreen) {
  CSdlPlatform platform(false);
  EXPECT_TRUE(platform.Services().Complete());
  EXPECT_STREQ(platform.Services().name, "sdl");
  EXPECT_TRUE(platform.Services().render->Draws());
  // The variable set above (or by CI) asks for offscreen drawing.
  if (std::string(std::getenv("SDL_VIDEODRIVER")) == "offscreen") {
    EXPECT_TRUE(platform.Offscreen());
  }
  CHeadlessFonts fonts;
  platform.SetFonts(&fonts);
  EXPECT_EQ(platform.Services().fonts, &fonts);
  platform.SetFonts(nullptr);
  EXPECT_EQ(platform.Services().fonts, &platform.noFonts);
}

}  // namespace
