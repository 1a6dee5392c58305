// The load form: while a player's game loads and is prepared, a borderless
// window of its own, centred on the screen, shows the game's loading image
// (or the runner's own), the progress bar and, in debug mode, the caption of
// the step being done. Preparation hides it at "Ready". A headless run has
// no load form: its captions only go to the trace log.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/BM32_Bitmap.h"
#include "runner/Runner_Load.h"

// Where the parts of the form stand, in the form's pixels.
struct RLoadFormLayout {
  int32_t width = 332, height = 92;  // the form: its image's size
  bool barShown = true;
  bool labelShown = false;
  bool stretchFront = true;  // the bar's front image is stretched to the filled part
  int32_t barLeft = 24, barTop = 60, barWidth = 284, barHeight = 16;
  int32_t labelLeft = 32, labelTop = 60;
};

class TLoadForm : public ILoadProgress {
public:
  // The form's size when the game brings no loading image.
  static constexpr int32_t kDefaultWidth = 332, kDefaultHeight = 92;
  // The empty bar's offset from the left (and right) edge, and how far its
  // top and the label's stand above the bottom.
  static constexpr int32_t kBarInset = 24, kBarRise = 32, kLabelLeft = 32;
  // The bar's height when the game brings no bar images.
  static constexpr int32_t kDefaultBarHeight = 16;

  // With show, the form is shown in its window. With draw, it keeps its
  // picture up to date (always when shown). A form neither shown nor drawn
  // only traces the captions, and costs a run without a window nothing.
  explicit TLoadForm(bool show, bool draw = false);
  ~TLoadForm() override;
  TLoadForm(const TLoadForm &) = delete;
  TLoadForm &operator=(const TLoadForm &) = delete;

  void Begin(const TGameSettings &settings, bool debugMode) override;
  void Progress(int percent, std::string_view caption) override;
  void End() override;

  // Whether the form has been set up and not yet hidden.
  bool Open() const { return m_open; }
  // Whether the window shows it (false where no window can be made).
  bool Shown() const { return m_shown; }
  const RLoadFormLayout &Layout() const { return m_layout; }
  // The width of the filled part of the bar for the last progress.
  int32_t FullWidth() const { return m_fullWidth; }
  const std::string &Caption() const { return m_caption; }
  // The form as it stands now (blue, green, red, alpha; alpha 0 where the
  // form is see-through).
  const TBitmap32 &Picture() const { return m_picture; }

  // The filled width of a bar of width pixels at percent: rounded to the
  // nearest pixel, halves to even, and never outside the bar.
  static int32_t FullWidthFor(int32_t width, int percent);

private:
  void Compose();

  bool m_show, m_draw;
  bool m_open = false, m_shown = false;
  bool m_transparent = false;
  int32_t m_alpha = 255;
  RLoadFormLayout m_layout;
  TBitmap32 m_image, m_back, m_front;  // empty images: the runner's own look
  TBitmap32 m_picture;
  int32_t m_fullWidth = 0;
  std::string m_caption;
};
