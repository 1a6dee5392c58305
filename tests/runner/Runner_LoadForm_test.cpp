// The load form: its layout from the settings, the bar's filled width, the
// picture it shows (the runner's own look pinned by a reference picture),
// what reaches the window, and that a player's run shows it while a
// headless run does not.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/Option_Main.h"
#include "platform/Platform_LoadForm.h"
#include "runner/Runner_LoadForm.h"
#include "support/Font_Fixture.h"
#include "support/Game_Run.h"
#include "support/Picture_Compare.h"
#include "support/Test_Platform.h"

namespace {

constexpr TColor32 kGrey = 0xFF808080u, kKey = 0xFFFF00FFu, kBack = 0xFF00A000u, kFront = 0xFFC00000u;

std::unique_ptr<TBitmap32> Plain(int w, int h, TColor32 c) { return std::make_unique<TBitmap32>(w, h, c); }

// A load form window that keeps what it was given, and a game window that
// counts how often its events were handled.
class CRecordingLoadForm : public ILoadFormWindow {
public:
  bool Show(int32_t width, int32_t height, const uint32_t *pixels, bool shaped, int32_t opacity) override {
    ++shows;
    w = width, h = height, lastShaped = shaped, lastOpacity = opacity;
    picture.assign(pixels, pixels + size_t(width) * size_t(height));
    visible = true;
    return true;
  }
  void Hide() override { visible = false; }

  int shows = 0;
  int32_t w = 0, h = 0, lastOpacity = -1;
  bool lastShaped = false, visible = false;
  std::vector<uint32_t> picture;
};

class CCountingWindow : public CHeadlessWindow {
public:
  void PumpEvents() override { ++pumps; }
  int pumps = 0;
};

class LoadForm : public fontfixture::InstalledFonts {
protected:
  void SetUp() override {
    InstalledFonts::SetUp();
    testplatform::SetWindow(&gameWindow);
    Platform_InstallLoadForm(&window);
  }
  void TearDown() override {
    Platform_InstallLoadForm(nullptr);
    testplatform::SetWindow(nullptr);
    InstalledFonts::TearDown();
  }
  CRecordingLoadForm window;
  CCountingWindow gameWindow;
  TGameSettings settings;
};

TEST(LoadFormBar, FilledWidthRoundsHalvesToEvenAndStaysInTheBar) {
  struct RCase {
    int32_t width;
    int percent, full;
  } cases[] = {
      {284, 0, 0},   {284, 1, 3},     {284, 50, 142},  {284, 100, 284}, {250, 1, 2},  // 2.5 goes down to 2
      {250, 3, 8},   // 7.5 goes up to 8
      {250, -5, 0},  {250, 150, 250}, {0, 50, 0},      {-10, 50, 0},
  };
  for (const RCase &c : cases)
    EXPECT_EQ(TLoadForm::FullWidthFor(c.width, c.percent), c.full) << c.width << " at " << c.percent << "%";
}

// Without a loading image the form is the runner's own, 332 x 92, with the
// bar 24 pixels in from each side and 32 above the bottom; the filled part
// follows every progress value, and each one reaches the window and lets
// it handle its events.
TEST_F(LoadForm, DefaultFormFollowsTheProgress) {
  TLoadForm form(true);
  form.Progress(1, "Reading data");  // before the header: nothing shown yet
  EXPECT_EQ(window.shows, 0);
  form.Begin(settings, false);
  const RLoadFormLayout &l = form.Layout();
  EXPECT_EQ(l.width, 332);
  EXPECT_EQ(l.height, 92);
  EXPECT_EQ(l.barLeft, 24);
  EXPECT_EQ(l.barTop, 60);
  EXPECT_EQ(l.barWidth, 284);
  EXPECT_TRUE(l.barShown);
  EXPECT_FALSE(l.labelShown);
  EXPECT_EQ(form.FullWidth(), 0);
  EXPECT_EQ(form.Caption(), "Loading");
  EXPECT_TRUE(form.Shown());
  EXPECT_EQ(window.w, 332);
  EXPECT_EQ(window.lastOpacity, 255);
  EXPECT_FALSE(window.lastShaped);

  form.Progress(23, "Loading backgrounds");
  EXPECT_EQ(form.FullWidth(), 65);  // 65.32
  const TBitmap32 &p = form.Picture();
  const uint32_t filled = p.Pixel(24 + 64, 60 + 8), empty = p.Pixel(24 + 66, 60 + 8);
  EXPECT_NE(filled, empty);
  EXPECT_EQ(window.picture[size_t(60 + 8) * 332 + 24 + 64], filled) << "the window shows the form's picture";
  EXPECT_EQ(gameWindow.pumps, 2) << "each progress on the form handles the waiting events";

  form.Progress(50, "Extracting included files");
  ExpectPicture("pictures/load_form.png", p.Width(), p.Height(), p.Bits());
  form.End();
  EXPECT_FALSE(window.visible);
  EXPECT_FALSE(form.Open());
}

// A game's loading image gives the form its size; without the progress bar
// the form shows the image alone, with nothing drawn over it.
TEST_F(LoadForm, GameImageSizesTheFormAndTheBarCanBeOff) {
  settings.opt_loadimage = Plain(200, 60, kGrey);
  settings.opt_showprogress = false;
  TLoadForm form(true);
  form.Begin(settings, true);
  form.Progress(80, "Preparing sounds");
  const RLoadFormLayout &l = form.Layout();
  EXPECT_EQ(l.width, 200);
  EXPECT_EQ(l.height, 60);
  EXPECT_EQ(l.barTop, 28);
  EXPECT_EQ(l.barWidth, 152);
  EXPECT_FALSE(l.barShown);
  EXPECT_FALSE(l.labelShown) << "the caption shows only with the bar";
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) ASSERT_EQ(form.Picture().Pixel(x, y), kGrey) << x << ", " << y;
}

// The bar's images: the back one stretched over the empty bar (which takes
// its height); the front one stretched over the filled part, or shown at its
// own size and cut there.
TEST_F(LoadForm, BarImagesStretchOrCut) {
  for (bool scale : {true, false}) {
    SCOPED_TRACE(scale ? "scaled" : "cut");
    TGameSettings s;
    s.opt_backimage = Plain(10, 12, kBack);
    auto front = Plain(40, 12, kFront);
    for (int y = 0; y < 12; ++y) front->SetPixel(39, y, 0xFF0000FFu);  // a blue last column
    s.opt_frontimage = std::move(front);
    s.opt_scaleprogress = scale;
    TLoadForm form(true);
    form.Begin(s, false);
    form.Progress(50, "Half");
    const TBitmap32 &p = form.Picture();
    EXPECT_EQ(form.Layout().barHeight, 12);
    EXPECT_EQ(form.FullWidth(), 142);
    EXPECT_EQ(p.Pixel(24 + 200, 65), kBack);
    EXPECT_EQ(p.Pixel(24 + 283, 71), kBack);
    EXPECT_EQ(p.Pixel(24, 60), kFront);
    // Stretched, the blue column ends the filled part; cut, it stands at the
    // image's own width and the rest of the filled part shows the back.
    EXPECT_EQ(p.Pixel(24 + 141, 65), scale ? 0xFF0000FFu : kBack);
    EXPECT_EQ(p.Pixel(24 + 39, 65), scale ? kFront : 0xFF0000FFu);
    EXPECT_EQ(p.Pixel(24 + 142, 65), kBack);
  }
}

// Transparent: every pixel of the bottom-left corner's colour is
// see-through, the bar too when it has that colour; the alpha setting
// reaches the window.
TEST_F(LoadForm, TransparentColourAndTranslucency) {
  auto image = Plain(100, 50, kGrey);
  for (int x = 0; x < 100; ++x) image->SetPixel(x, 49, kKey);
  image->SetPixel(50, 10, kKey);
  settings.opt_loadimage = std::move(image);
  settings.opt_loadtransparent = true;
  settings.opt_loadalpha = 128;
  TLoadForm form(true);
  form.Begin(settings, false);
  const TBitmap32 &p = form.Picture();
  EXPECT_EQ(p.Pixel(0, 49) >> 24, 0u);
  EXPECT_EQ(p.Pixel(50, 10) >> 24, 0u);
  EXPECT_EQ(p.Pixel(10, 10), kGrey);
  EXPECT_EQ(p.Pixel(30, 20) >> 24, 0xFFu) << "the empty bar is opaque";
  EXPECT_TRUE(window.lastShaped);
  EXPECT_EQ(window.lastOpacity, 128);
}

// In debug mode the caption of the step shows on the bar, in black.
TEST_F(LoadForm, DebugModeShowsTheCaption) {
  TLoadForm plain(false, true), debug(false, true);
  plain.Begin(settings, false);
  debug.Begin(settings, true);
  plain.Progress(62, "Compiling scripts");
  debug.Progress(62, "Compiling scripts");
  EXPECT_TRUE(debug.Layout().labelShown);
  int differ = 0;
  for (int y = 60; y < 76; ++y)
    for (int x = 32; x < 150; ++x) differ += plain.Picture().Pixel(x, y) != debug.Picture().Pixel(x, y);
  EXPECT_GT(differ, 20) << "the caption's text is drawn";
  EXPECT_EQ(window.shows, 0) << "a form that is not to be shown never reaches the window";
}

// A run without a window keeps no picture at all, but the bar's values
// still follow the progress.
TEST_F(LoadForm, FormWithoutWindowDrawsNothing) {
  TLoadForm form(false);
  form.Begin(settings, true);
  form.Progress(50, "Extracting included files");
  EXPECT_EQ(form.FullWidth(), 142);
  EXPECT_TRUE(form.Picture().Empty());
  EXPECT_EQ(window.shows, 0);
}

// The real runner: a player's run (offscreen) shows the load form before
// the game starts; a headless run has none.
TEST(LoadFormRun, PlayersRunShowsItHeadlessDoesNot) {
  CGameProject project(R"({"game_id": 1, "rooms": [{"name": "r", "width": 32, "height": 32}]})");
  const RGameRun shown = project.RunOffscreen("--startup-report");
  ASSERT_TRUE(shown.packed) << shown.packMessages;
  EXPECT_EQ(shown.exitCode, 0) << shown.err;
  EXPECT_NE(shown.err.find("quillon: game loaded (load form shown) after "), std::string::npos) << shown.err;
  EXPECT_NE(shown.err.find("quillon: first frame presented after "), std::string::npos) << shown.err;
  const RGameRun headless = project.Run("--startup-report");
  EXPECT_EQ(headless.exitCode, 0) << headless.err;
  EXPECT_NE(headless.err.find("quillon: game loaded after "), std::string::npos) << headless.err;
  EXPECT_EQ(headless.err.find("load form"), std::string::npos) << headless.err;
}

}  // namespace
