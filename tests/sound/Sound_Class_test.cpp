#include <gtest/gtest.h>

#include "base/Support_Stream.h"
#include "sound/Sound_Class.h"

namespace {

TEST(SoundRecord, RoundTripsEveryField) {
  for (bool withData : {true, false}) {
    CSound s;
    s.s_kind = 2;
    s.s_extension = ".ogg";
    s.s_origname = "wind.ogg";
    if (withData) s.s_sound = std::make_unique<std::vector<uint8_t>>(std::vector<uint8_t>{1, 2, 3, 0, 255});
    s.s_effects = 64 | 2;
    s.s_volume = 0.25;
    s.s_pan = -0.75;
    s.s_preload = false;
    CStream out;
    s.SaveToStream(out);
    out.Seek(0);
    CSound back;
    ASSERT_TRUE(back.LoadFromStream(out));
    EXPECT_EQ(out.Position(), out.Size());
    EXPECT_EQ(back.s_kind, 2);
    EXPECT_EQ(back.s_extension, ".ogg");
    EXPECT_EQ(back.s_origname, "wind.ogg");
    ASSERT_EQ(back.s_sound != nullptr, withData);
    if (withData) {
      EXPECT_EQ(*back.s_sound, *s.s_sound);
    }
    EXPECT_EQ(back.s_effects, 66);
    EXPECT_EQ(back.s_volume, 0.25);
    EXPECT_EQ(back.s_pan, -0.75);
    EXPECT_FALSE(back.s_preload);
    EXPECT_EQ(back.s_soundid, -1);
  }
}

TEST(SoundRecord, RefusesAnotherVersionAndRaisesOnATruncatedBlock) {
  CStream wrong;
  wrong.WriteInteger(810);
  wrong.Seek(0);
  CSound s;
  EXPECT_FALSE(s.LoadFromStream(wrong));

  CSound full;
  full.s_kind = 0;
  full.s_sound = std::make_unique<std::vector<uint8_t>>(std::vector<uint8_t>(100, 7));
  CStream out;
  full.SaveToStream(out);
  CStream cut(std::vector<uint8_t>(out.Bytes().begin(), out.Bytes().begin() + 30));
  EXPECT_THROW(s.LoadFromStream(cut), EStreamError);
}

TEST(SoundRecord, ClearGivesTheEmptySound) {
  CSound s;
  s.s_kind = 1;
  s.s_volume = 0.1;
  s.s_sound = std::make_unique<std::vector<uint8_t>>(3);
  s.s_fname = "x";
  s.Clear();
  EXPECT_EQ(s.s_kind, -1);
  EXPECT_EQ(s.s_sound, nullptr);
  EXPECT_EQ(s.s_volume, 1);
  EXPECT_EQ(s.s_pan, 0);
  EXPECT_TRUE(s.s_preload);
  EXPECT_TRUE(s.s_fname.empty());
}

}  // namespace
