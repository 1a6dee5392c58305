// Packing the fixture projects of tests/games/ and loading the result with
// the runner's own loader: what the runner sees must be what the manifest
// says.
#include <gtest/gtest.h>

#include <sstream>

#include "Pack_Main.h"
#include "Pack_Project.h"
#include "code/Constant_Main.h"
#include "code/Extension_Main.h"
#include "code/Script_Main.h"
#include "dialogs/Help_Main.h"
#include "data/Background_Main.h"
#include "data/Sprite_Main.h"
#include "pack/Pack_TempDir.h"
#include "data/DataNew_Main.h"
#include "sound/Sound_Main.h"
#include "data/Font_Main.h"
#include "runner/Runner_Load.h"
#include "base/Support_Stream.h"
#include "world/Action_Lib.h"
#include "world/Object_Main.h"
#include "world/Path_Main.h"
#include "world/Room_Main.h"
#include "world/TimeLine_Main.h"
#include "world/Trigger_Main.h"

namespace {

std::string Fixture(const std::string &name) { return std::string(QUILLON_SOURCE_DIR) + "/tests/games/" + name; }

// The bytes a record writes: two records are equal when these are.
template <class T>
std::vector<uint8_t> RecordBytes(const T &record) {
  CStream s;
  record.SaveToStream(s);
  return s.Bytes();
}

std::vector<uint8_t> SettingsBytes(const TGameSettings &settings, int32_t version) {
  CStream s;
  settings.WriteToStream(s, version);
  return s.Bytes();
}

// Packs the fixture as a bare game-data file through the packer's command
// line and loads it; answers the model the manifest describes.
RGameModel PackAndLoad(const std::string &fixture, const PackTempDir &tmp) {
  const std::string out = tmp / (fixture + ".dat");
  std::ostringstream sout, serr;
  const int rc = RunPacker({Fixture(fixture), "-o", out, "--data", "--seed", "5"}, sout, serr);
  EXPECT_EQ(rc, 0) << serr.str();
  EXPECT_EQ(serr.str(), "");
  const RLoadResult loaded = Runner_LoadGameFile(out);
  EXPECT_TRUE(loaded.Loaded()) << (loaded.messages.empty() ? "" : loaded.messages[0]);
  RGameModel game;
  ReadProject(Fixture(fixture), game);
  return game;
}

template <class T>
void ExpectSameRecords(const RResourceList<T> &loaded, const RResourceList<T> &packed, const char *what) {
  ASSERT_EQ(loaded.Count(), packed.Count()) << what;
  EXPECT_EQ(loaded.names, packed.names) << what;
  for (int i = 0; i < packed.Count(); ++i) {
    ASSERT_EQ(loaded.Exists(i), packed.Exists(i)) << what << " " << i;
    if (packed.Exists(i)) {
      EXPECT_EQ(RecordBytes(*loaded.Get(i)), RecordBytes(*packed.Get(i))) << what << " " << i;
    }
  }
}

void ExpectLoadedEquals(const RGameModel &game) {
  EXPECT_EQ(g_GameId, game.gameId);
  EXPECT_EQ(g_DebugMode, game.debug);
  EXPECT_EQ(g_GameGuid, game.guid);

  EXPECT_EQ(g_Settings.version, game.settingsVersion);
  EXPECT_EQ(SettingsBytes(g_Settings, game.settingsVersion), SettingsBytes(game.settings, game.settingsVersion));

  EXPECT_EQ(g_Constants.names, game.constants.names);
  EXPECT_EQ(g_Constants.values, game.constants.values);

  ASSERT_EQ(g_Scripts.Count(), game.scripts.Count());
  EXPECT_EQ(g_Scripts.names, game.scripts.names);
  for (int i = 0; i < game.scripts.Count(); ++i) {
    ASSERT_EQ(g_Scripts.Exists(i), game.scripts.Exists(i)) << "script " << i;
    if (game.scripts.Exists(i)) {
      EXPECT_EQ(g_Scripts.Get(i)->s_text, game.scripts.Get(i)->s_text);
    }
  }

  ASSERT_EQ(g_Rooms.Count(), game.rooms.Count());
  EXPECT_EQ(g_Rooms.names, game.rooms.names);
  for (int i = 0; i < game.rooms.Count(); ++i) {
    ASSERT_EQ(g_Rooms.Exists(i), game.rooms.Exists(i)) << "room " << i;
    if (game.rooms.Exists(i)) {
      EXPECT_EQ(RecordBytes(*g_Rooms.Get(i)), RecordBytes(*game.rooms.Get(i))) << "room " << i;
    }
  }
  EXPECT_EQ(g_LastInstanceId, game.lastInstanceId);
  EXPECT_EQ(g_LastTileId, game.lastTileId);
  EXPECT_EQ(g_RoomOrder, game.roomOrder);

  ASSERT_EQ(g_DataFiles.size(), game.includedFiles.size());
  for (size_t i = 0; i < game.includedFiles.size(); ++i)
    EXPECT_EQ(RecordBytes(*g_DataFiles[i]), RecordBytes(*game.includedFiles[i])) << "included file " << i;

  EXPECT_EQ(RecordBytes(g_GameInfo), RecordBytes(game.gameInfo));
  EXPECT_EQ(g_LibInitCode, game.libraryInitCode);

  ExpectSameRecords(g_Objects, game.objects, "object");
  ExpectSameRecords(g_TimeLines, game.timelines, "time line");
  ExpectSameRecords(g_Triggers, game.triggers, "trigger");
  ExpectSameRecords(g_Paths, game.paths, "path");
  ExpectSameRecords(g_Sprites, game.sprites, "sprite");
  ExpectSameRecords(g_Backgrounds, game.backgrounds, "background");

  // Kinds the manifest has no place for yet are written as empty sections.
  EXPECT_EQ(g_Extensions.size(), 0u);
  EXPECT_EQ(g_Sounds.Count(), 0);
  EXPECT_EQ(g_Fonts.Count(), 0);
}

TEST(PackLoad, FixtureProjectsLoadAsTheirManifestsSay) {
  PackTempDir tmp;
  for (const char *fixture : {"minimal", "settings810", "full", "world"}) {
    SCOPED_TRACE(fixture);
    const RGameModel game = PackAndLoad(fixture, tmp);
    ExpectLoadedEquals(game);
  }
}

// The values of the full fixture as the runner sees them, checked against
// the manifest's literal values rather than against the packer's own model.
TEST(PackLoad, FullFixtureValuesArriveInTheRunner) {
  PackTempDir tmp;
  PackAndLoad("full", tmp);
  EXPECT_EQ(g_GameId, 987654);
  EXPECT_TRUE(g_DebugMode);
  EXPECT_EQ(g_GameGuid[0], 0x0f);
  EXPECT_EQ(g_GameGuid[15], 0xf0);

  EXPECT_TRUE(g_Settings.opt_fullscreen);
  EXPECT_FALSE(g_Settings.opt_showcursor);
  EXPECT_EQ(g_Settings.opt_scale, 200);
  EXPECT_EQ(g_Settings.opt_windowcolor, 0x302010);
  EXPECT_EQ(g_Settings.opt_resolution, 3);
  EXPECT_EQ(g_Settings.opt_frequency, 4);
  EXPECT_FALSE(g_Settings.opt_keyf5);
  EXPECT_EQ(g_Settings.opt_priority, 2);
  EXPECT_EQ(g_Settings.opt_loadalpha, 128);
  EXPECT_TRUE(g_Settings.opt_uninitzero);
  EXPECT_FALSE(g_Settings.opt_argumenterrors);
  EXPECT_EQ(g_Settings.opt_reserved, 77);
  EXPECT_TRUE(g_Settings.opt_createfirst);
  ASSERT_NE(g_Settings.opt_backimage, nullptr);
  ASSERT_NE(g_Settings.opt_frontimage, nullptr);
  ASSERT_NE(g_Settings.opt_loadimage, nullptr);
  EXPECT_EQ(g_Settings.opt_backimage->Width(), 4);
  EXPECT_EQ(g_Settings.opt_backimage->Pixel(0, 0) & 0xFFFFFFu, 0xFF0000u);  // red, stored blue-green-red
  EXPECT_EQ(g_Settings.opt_loadimage->Width(), 5);
  EXPECT_EQ(g_Settings.opt_loadimage->Height(), 3);
  EXPECT_EQ(g_Settings.opt_loadimage->Pixel(2, 1), 0xFF505007u);  // decoded from PNG

  ASSERT_EQ(g_Constants.Count(), 3);
  EXPECT_EQ(g_Constants.values[2], "\"Full \xC3\xA9 game\"");

  ASSERT_EQ(g_Scripts.Count(), 3);
  EXPECT_FALSE(g_Scripts.Exists(1));
  EXPECT_EQ(g_Scripts.Name(0), "scr_first");
  EXPECT_EQ(g_Scripts.Get(0)->s_text, "show_debug_message(\"first\");\nreturn 1;\n");

  ASSERT_EQ(g_Rooms.Count(), 3);
  EXPECT_FALSE(g_Rooms.Exists(1));
  const CRoom &title = *g_Rooms.Get(0);
  EXPECT_EQ(title.r_caption, "Title");
  EXPECT_EQ(title.r_speed, 60);
  EXPECT_EQ(title.r_color, 0x800000);
  EXPECT_FALSE(title.r_clearViewBackground);
  EXPECT_EQ(title.r_code, "show_debug_message(TITLE);\n");
  EXPECT_TRUE(title.r_background[0].foreground);
  EXPECT_EQ(title.r_background[0].vspeed, -1);
  EXPECT_EQ(title.r_view[1].hborder, 64);
  EXPECT_EQ(title.r_view[1].index, 3);
  ASSERT_EQ(title.r_instances.size(), 2u);
  EXPECT_EQ(title.r_instances[1].id, 100050);
  EXPECT_EQ(title.r_instances[1].xscale, 2.5);
  EXPECT_EQ(title.r_instances[1].blend, 0x0000FF);
  EXPECT_NEAR(title.r_instances[1].alpha, 0.2, 1.0 / 255);
  EXPECT_EQ(title.r_instances[1].angle, 33.5);
  ASSERT_EQ(title.r_tile.size(), 1u);
  EXPECT_EQ(title.r_tile[0].yo, 32);
  EXPECT_EQ(title.r_tile[0].yscale, 3);
  EXPECT_EQ(g_Rooms.Get(2)->r_instances[0].code, "direction = 90;\n");
  EXPECT_EQ(g_LastInstanceId, 100050);
  EXPECT_EQ(g_LastTileId, 10000100);
  EXPECT_EQ(g_RoomOrder, (std::vector<int32_t>{2, 0}));

  ASSERT_EQ(g_DataFiles.size(), 3u);
  EXPECT_EQ(g_DataFiles[1]->s_filename, "sub/blob.bin");
  EXPECT_EQ(g_DataFiles[1]->s_origname, "C:/old/blob.bin");
  EXPECT_EQ(g_DataFiles[1]->s_data.Bytes(), (std::vector<uint8_t>{0, 1, 2, 0xff, 0xfe}));
  EXPECT_FALSE(g_DataFiles[2]->s_exists);

  EXPECT_EQ(g_GameInfo.text, "{\\rtf1\\ansi Full game\\par Press F1.}");
  EXPECT_EQ(g_GameInfo.caption, "About");
  EXPECT_TRUE(g_GameInfo.ingamewindow);
  EXPECT_EQ(g_GameInfo.backcolor, 0xDDEEFF);
  EXPECT_EQ(g_LibInitCode, (std::vector<std::string>{"global.lib_a = 1;", "global.lib_b = 2;\n"}));
}

}  // namespace
