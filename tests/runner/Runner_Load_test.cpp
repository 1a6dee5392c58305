#include "runner/Runner_Load.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "code/Constant_Main.h"
#include "code/Extension_Main.h"
#include "code/Script_Main.h"
#include "dialogs/Help_Main.h"
#include "data/DataNew_Main.h"
#include "runner/Game_Fixture.h"
#include "base/Option_Main.h"
#include "data/Background_Main.h"
#include "data/Sprite_Main.h"
#include "sound/Sound_Main.h"
#include "data/Font_Main.h"
#include "base/Support_File.h"
#include "world/Action_Lib.h"
#include "world/Object_Main.h"
#include "world/Path_Main.h"
#include "world/Room_Main.h"
#include "world/TimeLine_Main.h"
#include "world/Trigger_Main.h"

using namespace fixture;
namespace fs = std::filesystem;

namespace {

uint32_t Word(const std::vector<uint8_t> &b, int64_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

void PutWord(std::vector<uint8_t> &b, int64_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }

RLoadResult LoadImage(const RGameFileImage &img, int64_t searchStart = 0) {
  return Runner_LoadGameBytes(img.bytes, SearchFrom(searchStart));
}

// A game with something in every section.
RGameModel FullGame() {
  RGameModel g = MinimalGame();
  g.debug = true;
  g.gameId = 777;
  for (int i = 0; i < 16; ++i) g.guid[static_cast<size_t>(i)] = static_cast<uint8_t>(0xA0 + i);
  g.fillerCount = 5;
  g.settings.opt_scale = -1;
  g.settings.opt_keyesc = false;

  auto pkg = std::make_unique<CExtensionPackage>();
  pkg->s_name = "Tools";
  pkg->s_folder = "tools";
  pkg->s_key = 1234;
  auto file = std::make_unique<CExtensionFile>();
  file->s_filename = "tools.gml";
  file->s_kind = CExtensionFile::kScriptSource;
  file->s_data = {'#', 'd', 'e', 'f', 'i', 'n', 'e', ' ', 'f', '\r', 'r', 'e', 't', 'u', 'r', 'n', ' ', '1', '\r'};
  auto fn = std::make_unique<CExtensionFunction>();
  fn->s_name = "tool_f";
  fn->s_extname = "f";
  fn->s_id = 3;
  file->s_functions.push_back(std::move(fn));
  pkg->s_includes.push_back(std::move(file));
  g.extensions.push_back(std::move(pkg));

  auto trigger = std::make_unique<CTrigger>();
  trigger->i_name = "trig";
  Add(g.triggers, "", std::move(trigger));
  AddEmpty(g.triggers);
  g.constants.Add("speed", "4 * 2");
  AddEmpty(g.sounds);
  auto sound = std::make_unique<CSound>();
  sound->s_kind = 1;
  sound->s_extension = ".wav";
  sound->s_origname = "jump.wav";
  sound->s_sound = std::make_unique<std::vector<uint8_t>>(std::vector<uint8_t>{9, 9});
  sound->s_volume = 0.5;
  sound->s_preload = false;
  Add(g.sounds, "snd_jump", std::move(sound));
  auto sprite = std::make_unique<CSprite>();
  sprite->i_xorig = 7;
  Add(g.sprites, "spr_player", std::move(sprite));
  Add(g.backgrounds, "bg", std::make_unique<CBackground>());
  auto path = std::make_unique<CPath>();
  path->AddPoint(10, 20, 100);
  path->AddPoint(40, 20, 50);
  Add(g.paths, "path0", std::move(path));
  auto script = std::make_unique<CScript>();
  script->s_text = "return argument0 + 1;";
  Add(g.scripts, "scr_add", std::move(script));
  auto font = std::make_unique<CFont>();
  font->s_name = "Arial";
  font->s_h[65] = 14;
  font->s_shift[65] = 9;
  Add(g.fonts, "font0", std::move(font));
  auto timeline = std::make_unique<CTimeLine>();
  timeline->AddMoment(5).AddCodeAction("x = 1;");
  Add(g.timelines, "tl0", std::move(timeline));
  auto object = std::make_unique<CObject>();
  object->o_depth = 7;
  Add(g.objects, "obj_player", std::move(object));
  g.lastInstanceId = 100123;
  g.lastTileId = 10000456;
  auto df = std::make_unique<CDataFile>();
  df->s_filename = "level.txt";
  df->s_exists = df->s_store = true;
  df->s_data.Write("abc", 3);
  df->s_size = 3;
  g.includedFiles.push_back(std::move(df));
  g.gameInfo.caption = "About";
  g.gameInfo.text = "{\\rtf1 hello}";
  g.libraryInitCode = {"global.a = 1;", ""};
  auto second = std::make_unique<CRoom>();
  second->r_caption = "Second";
  Add(g.rooms, "room1", std::move(second));
  g.roomOrder = {1, 0};
  return g;
}

}  // namespace

TEST(RunnerLoad, FullGameLoadsIntoTheGlobalLists) {
  const RGameModel g = FullGame();
  CRecordedProgress progress;
  RLoadResult r = Runner_LoadGameBytes(GameWriter_Build(g, SmallFile()).bytes, SearchFrom(0, &progress));
  ASSERT_TRUE(r.Loaded()) << (r.messages.empty() ? "" : r.messages[0]);

  EXPECT_TRUE(g_DebugMode);
  EXPECT_EQ(g_GameId, 777);
  EXPECT_EQ(g_GameGuid, g.guid);
  EXPECT_EQ(g_Settings.opt_scale, -1);
  EXPECT_FALSE(g_Settings.opt_keyesc);

  ASSERT_EQ(g_Extensions.size(), 1u);
  const CExtensionFunction &fn = *g_Extensions[0]->s_includes[0]->s_functions[0];
  EXPECT_EQ(fn.s_script, "return 1");

  ASSERT_EQ(g_Triggers.Count(), 2);
  EXPECT_EQ(g_Triggers.Get(0)->i_name, "trig");
  EXPECT_FALSE(g_Triggers.Exists(1));
  EXPECT_EQ(g_Constants.names, std::vector<std::string>{"speed"});
  EXPECT_EQ(g_Constants.values, std::vector<std::string>{"4 * 2"});

  // Slots keep their indices, whether empty or not.
  ASSERT_EQ(g_Sounds.Count(), 2);
  EXPECT_FALSE(g_Sounds.Exists(0));
  EXPECT_EQ(g_Sounds.names[1], "snd_jump");
  ASSERT_NE(g_Sounds.Get(1)->s_sound, nullptr);
  EXPECT_EQ(*g_Sounds.Get(1)->s_sound, *g.sounds.Get(1)->s_sound);
  EXPECT_EQ(g_Sounds.Get(1)->s_origname, "jump.wav");
  EXPECT_EQ(g_Sprites.Find("spr_player"), 0);
  EXPECT_EQ(g_Sprites.Get(0)->i_xorig, 7);
  EXPECT_EQ(g_Backgrounds.Count(), 1);
  ASSERT_TRUE(g_Paths.Exists(0));
  EXPECT_EQ(g_Paths.Name(0), "path0");
  EXPECT_EQ(g_Paths.Get(0)->Count(), 2);
  EXPECT_EQ(g_Paths.Get(0)->i_length, 60);  // closed: there and back
  EXPECT_EQ(g_Scripts.Get(0)->s_text, "return argument0 + 1;");
  EXPECT_EQ(g_Fonts.names[0], "font0");
  ASSERT_TRUE(g_Fonts.Exists(0));
  EXPECT_EQ(g_Fonts.Get(0)->s_FontHeight, 14);
  ASSERT_TRUE(g_TimeLines.Exists(0));
  EXPECT_EQ(g_TimeLines.Get(0)->s_step, std::vector<int32_t>{5});
  EXPECT_EQ(g_Objects.Name(0), "obj_player");
  EXPECT_EQ(g_Objects.Get(0)->o_depth, 7);

  ASSERT_EQ(g_Rooms.Count(), 2);
  EXPECT_EQ(g_Rooms.Get(1)->r_caption, "Second");
  EXPECT_EQ(g_LastInstanceId, 100123);
  EXPECT_EQ(g_LastTileId, 10000456);
  ASSERT_EQ(g_DataFiles.size(), 1u);
  EXPECT_EQ(g_DataFiles[0]->s_filename, "level.txt");
  EXPECT_EQ(g_DataFiles[0]->s_data.Bytes(), (std::vector<uint8_t>{'a', 'b', 'c'}));
  EXPECT_EQ(g_GameInfo.caption, "About");
  EXPECT_EQ(g_GameInfo.text, "{\\rtf1 hello}");
  EXPECT_EQ(g_LibInitCode, g.libraryInitCode);
  EXPECT_EQ(g_RoomOrder, (std::vector<int32_t>{1, 0}));

  // The bar: "Reading data", the form's "Loading", then one step per section.
  EXPECT_TRUE(progress.begun);
  ASSERT_EQ(progress.steps.size(), 18u);
  EXPECT_EQ(progress.steps[0], (std::pair<int, std::string>{1, "Reading data"}));
  EXPECT_EQ(progress.steps[1], (std::pair<int, std::string>{0, "Loading"}));
  EXPECT_EQ(progress.steps[2], (std::pair<int, std::string>{0, "Loading extension packages"}));
  EXPECT_EQ(progress.steps[13], (std::pair<int, std::string>{40, "Loading rooms"}));
  EXPECT_EQ(progress.steps[17], (std::pair<int, std::string>{49, "Loading room order"}));
}

TEST(RunnerLoad, LoadingAgainReplacesEveryList) {
  ASSERT_TRUE(LoadImage(GameWriter_Build(FullGame(), SmallFile())).Loaded());
  ASSERT_TRUE(LoadImage(GameWriter_Build(MinimalGame(), SmallFile())).Loaded());
  EXPECT_TRUE(g_Extensions.empty());
  EXPECT_EQ(g_Triggers.Count(), 0);
  EXPECT_EQ(g_Objects.Count(), 0);
  EXPECT_EQ(g_TimeLines.Count(), 0);
  EXPECT_EQ(g_Constants.Count(), 0);
  EXPECT_EQ(g_Sounds.Count(), 0);
  EXPECT_EQ(g_Scripts.Count(), 0);
  EXPECT_EQ(g_Rooms.Count(), 1);
  EXPECT_TRUE(g_DataFiles.empty());
  EXPECT_TRUE(g_LibInitCode.empty());
  EXPECT_EQ(g_RoomOrder, std::vector<int32_t>{0});
  EXPECT_FALSE(g_DebugMode);
}

// --- failures ---------------------------------------------------------------

namespace {

struct RFailureCase {
  const char *name;
  std::function<void(RGameModel &, RGameFileOptions &)> build;
  std::function<void(RGameFileImage &)> patch;  // after building, may be empty
  TLoadStatus status;
  std::vector<std::string> messages;
};

std::function<bool(int, CStream &)> ReplaceSection(int which, std::function<void(CStream &)> write) {
  return [which, write](int index, CStream &out) {
    if (index != which) return false;
    write(out);
    return true;
  };
}

}  // namespace

TEST(RunnerLoad, EveryFailureGivesItsMessages) {
  const std::vector<std::string> resource = {kMsgResourceData};
  const std::vector<RFailureCase> cases = {
      {"no marker anywhere", nullptr,
       [](RGameFileImage &img) { img.bytes.assign(img.bytes.size(), 0); }, TLoadStatus::Failed, {kMsgNotValid}},
      {"header version 811", [](RGameModel &, RGameFileOptions &o) { o.headerVersion = 811; }, nullptr,
       TLoadStatus::Failed, {kMsgWrongVersion}},
      {"version word stored unmasked", nullptr,
       [](RGameFileImage &img) { PutWord(img.bytes, img.dataOffset + 16, GameFormat::kHeaderVersion); },
       TLoadStatus::Failed, {kMsgWrongVersion}},
      {"masked version word changed (not covered by the check)", nullptr,
       [](RGameFileImage &img) { img.bytes[static_cast<size_t>(img.dataOffset + 17)] ^= 0x40; },
       TLoadStatus::Failed, {kMsgWrongVersion}},
      {"settings version 799", [](RGameModel &g, RGameFileOptions &) { g.settingsVersion = 799; }, nullptr,
       TLoadStatus::Failed, resource},
      {"sprite section version 801",
       [](RGameModel &, RGameFileOptions &o) {
         o.sectionHook = ReplaceSection(4, [](CStream &s) { s.WriteInteger(801), s.WriteInteger(0); });
       },
       nullptr, TLoadStatus::Failed, resource},
      {"room order section version 800",
       [](RGameModel &, RGameFileOptions &o) {
         o.sectionHook = ReplaceSection(15, [](CStream &s) { s.WriteInteger(800), s.WriteInteger(1), s.WriteInteger(0); });
       },
       nullptr, TLoadStatus::Failed, resource},
      {"room record version 999",
       [](RGameModel &g, RGameFileOptions &) { g.rooms.Get(0)->r_version = 999; }, nullptr, TLoadStatus::Failed,
       resource},
      {"script record version 700",
       [](RGameModel &, RGameFileOptions &o) {
         o.sectionHook = ReplaceSection(7, [](CStream &s) {
           s.WriteInteger(800);
           s.WriteInteger(1);
           CStream item;
           item.WriteBoolean(true);
           item.WriteString("scr");
           item.WriteInteger(700);
           item.WriteString("x");
           s.WriteStreamC(item);
         });
       },
       nullptr, TLoadStatus::Failed, resource},
      {"included file record version 801",
       [](RGameModel &, RGameFileOptions &o) {
         o.sectionHook = ReplaceSection(12, [](CStream &s) {
           s.WriteInteger(800);
           s.WriteInteger(1);
           CStream item;
           item.WriteInteger(801);
           s.WriteStreamC(item);
         });
       },
       nullptr, TLoadStatus::Failed, resource},
      {"room order with count 0", [](RGameModel &g, RGameFileOptions &) { g.roomOrder.clear(); }, nullptr,
       TLoadStatus::Failed, resource},
      {"extension package record version 699",
       [](RGameModel &, RGameFileOptions &o) {
         o.sectionHook = ReplaceSection(0, [](CStream &s) {
           s.WriteInteger(700);
           s.WriteInteger(1);
           s.WriteInteger(699);
         });
       },
       nullptr, TLoadStatus::Failed, {kMsgExtensionPackages, kMsgResourceData}},
      {"extension function record version 800",
       [](RGameModel &g, RGameFileOptions &o) {
         (void)g;
         o.sectionHook = ReplaceSection(0, [](CStream &s) {
           s.WriteInteger(700);
           s.WriteInteger(1);
           s.WriteInteger(700);
           s.WriteString("pkg");
           s.WriteString("folder");
           s.WriteInteger(1);
           s.WriteInteger(700);
           s.WriteString("a.dll");
           s.WriteInteger(1);
           s.WriteString("");
           s.WriteString("");
           s.WriteInteger(1);
           s.WriteInteger(800);
         });
       },
       nullptr, TLoadStatus::Failed, {kMsgExtensionPackages, kMsgResourceData}},
      {"extension section version 800",
       [](RGameModel &, RGameFileOptions &o) {
         o.sectionHook = ReplaceSection(0, [](CStream &s) { s.WriteInteger(800), s.WriteInteger(0); });
       },
       nullptr, TLoadStatus::Failed, resource},
      {"sections ending early",
       [](RGameModel &, RGameFileOptions &o) {
         o.sectionHook = ReplaceSection(15, [](CStream &s) { s.WriteInteger(700), s.WriteInteger(3), s.WriteInteger(0); });
       },
       nullptr, TLoadStatus::Failed, {kMsgCorrupted}},
      {"corrupt compressed item",
       [](RGameModel &, RGameFileOptions &o) {
         o.sectionHook = ReplaceSection(3, [](CStream &s) {
           s.WriteInteger(800);
           s.WriteInteger(1);
           s.WriteInteger(4);
           s.WriteInteger(0x12345678);
         });
       },
       nullptr, TLoadStatus::Failed, {kMsgCorrupted}},
      {"a changed body byte", nullptr,
       [](RGameFileImage &img) { img.bytes[static_cast<size_t>(img.dataOffset + 40)] ^= 1; },
       TLoadStatus::CheckFailed, {}},
      {"a changed first body byte", nullptr,
       [](RGameFileImage &img) { img.bytes[static_cast<size_t>(img.dataOffset + 20)] ^= 0x04; },
       TLoadStatus::CheckFailed, {}},
      {"a changed check word", nullptr,
       [](RGameFileImage &img) { img.bytes[static_cast<size_t>(img.dataOffset + 12)] ^= 0x01; },
       TLoadStatus::CheckFailed, {}},
      {"a changed last byte", nullptr, [](RGameFileImage &img) { img.bytes.back() ^= 0x80; },
       TLoadStatus::CheckFailed, {}},
      {"the file cut short", nullptr, [](RGameFileImage &img) { img.bytes.erase(img.bytes.end() - 9, img.bytes.end()); },
       TLoadStatus::CheckFailed, {}},
      {"marker with no header behind it", nullptr,
       [](RGameFileImage &img) { img.bytes.resize(static_cast<size_t>(img.dataOffset + 10)); }, TLoadStatus::Failed,
       {kMsgCorrupted}},
  };
  for (const RFailureCase &c : cases) {
    SCOPED_TRACE(c.name);
    RGameModel g = MinimalGame();
    RGameFileOptions o = SmallFile();
    if (c.build) c.build(g, o);
    RGameFileImage img = GameWriter_Build(g, o);
    if (c.patch) c.patch(img);
    const RLoadResult r = LoadImage(img);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.messages, c.messages);
  }
}

TEST(RunnerLoad, UnreadableFileCannotBeRead) {
  const RLoadResult missing = Runner_LoadGameFile("/nonexistent/dir/game.exe");
  EXPECT_EQ(missing.messages, std::vector<std::string>{kMsgCannotRead});
  const RLoadResult dir = Runner_LoadGameFile(fs::temp_directory_path().string());
  EXPECT_EQ(dir.messages, std::vector<std::string>{kMsgCannotRead});
}

TEST(RunnerLoad, SearchStartsAtItsOffset) {
  // A marker exactly at the start offset is found; one a byte before it is
  // never seen, even though it is valid.
  RGameFileOptions o;  // data at 3800004, as in a real game file
  RGameFileImage at = GameWriter_Build(MinimalGame(), o);
  ASSERT_EQ(at.dataOffset, GameFormat::kMarkerSearchStart);
  EXPECT_TRUE(Runner_LoadGameBytes(at.bytes, SearchFrom(GameFormat::kMarkerSearchStart)).Loaded());

  o.minDataOffset = GameFormat::kMarkerSearchStart - 1;
  RGameFileImage before = GameWriter_Build(MinimalGame(), o);
  EXPECT_EQ(Runner_LoadGameBytes(before.bytes, SearchFrom(GameFormat::kMarkerSearchStart)).messages,
            std::vector<std::string>{kMsgNotValid});
  EXPECT_TRUE(Runner_LoadGameBytes(before.bytes, SearchFrom(0)).Loaded());
}

TEST(RunnerLoad, FindMarkerTakesTheFirstMatchAndNeedsBothWords) {
  std::vector<uint8_t> b(64, 0);
  const uint8_t marker[8] = {0x11, 0x00, 0x22, 0xF7, 0x67, 0x33, 0x14, 0x44};
  std::memcpy(b.data() + 40, marker, 8);
  std::memcpy(b.data() + 20, marker, 8);
  EXPECT_EQ(Runner_FindMarker(b.data(), 64, 0), 20);
  EXPECT_EQ(Runner_FindMarker(b.data(), 64, 21), 40);
  EXPECT_EQ(Runner_FindMarker(b.data(), 64, 41), -1);
  // The last possible place is 8 bytes before the end.
  EXPECT_EQ(Runner_FindMarker(b.data(), 48, 21), 40);
  EXPECT_EQ(Runner_FindMarker(b.data(), 47, 21), -1);
  // Each tested byte matters.
  for (int k : {1, 3, 4, 6}) {
    std::vector<uint8_t> c = b;
    c[static_cast<size_t>(20 + k)] ^= 0x01;
    EXPECT_EQ(Runner_FindMarker(c.data(), 64, 0), 40) << "byte " << k;
  }
  // The bytes the test does not look at may hold anything.
  std::vector<uint8_t> d = b;
  d[20] = d[22] = d[25] = d[27] = 0xF7;
  EXPECT_EQ(Runner_FindMarker(d.data(), 64, 0), 20);
}

TEST(RunnerLoad, ZeroMaskLeavesTheVersionWordAsStored) {
  RGameFileOptions o = SmallFile();
  o.markerMask = 0;
  RGameFileImage img = GameWriter_Build(MinimalGame(), o);
  EXPECT_EQ(static_cast<int32_t>(Word(img.bytes, img.dataOffset + 16)), GameFormat::kHeaderVersion);
  EXPECT_TRUE(LoadImage(img).Loaded());
}

// --- settings -----------------------------------------------------------------

TEST(RunnerLoad, SettingsBlockVersionsAndFlags) {
  {
    SCOPED_TRACE("version 810 has no fields 35 and 36");
    RGameModel g = MinimalGame();
    g.settingsVersion = 810;
    g.settings.opt_createfirst = true;
    g.settings.opt_reserved = 5;
    ASSERT_TRUE(LoadImage(GameWriter_Build(g, SmallFile())).Loaded());
    EXPECT_FALSE(g_Settings.opt_createfirst);
    EXPECT_EQ(g_Settings.opt_reserved, 0);
    EXPECT_EQ(g_Settings.version, 810);
  }
  {
    SCOPED_TRACE("version 820 has them");
    RGameModel g = MinimalGame();
    g.settings.opt_createfirst = true;
    ASSERT_TRUE(LoadImage(GameWriter_Build(g, SmallFile())).Loaded());
    EXPECT_TRUE(g_Settings.opt_createfirst);
  }
  {
    SCOPED_TRACE("flags 0 turn argument errors off");
    RGameModel g = MinimalGame();
    g.settings.opt_argumenterrors = false;
    g.settings.opt_uninitzero = false;
    ASSERT_TRUE(LoadImage(GameWriter_Build(g, SmallFile())).Loaded());
    EXPECT_FALSE(g_Settings.opt_argumenterrors);
    EXPECT_FALSE(g_Settings.opt_uninitzero);
  }
}

TEST(SettingsBlock, ProgressImagesOnlyWithTheBar) {
  // With the bar off, the load image follows field 24 directly; a reader
  // that expected the two bar images would read the load image as the back
  // image and the fields after it out of place.
  TGameSettings s;
  s.opt_showprogress = false;
  s.opt_backimage = std::make_unique<TBitmap32>(2, 2, 0xFF0000FFu);
  s.opt_loadimage = std::make_unique<TBitmap32>(3, 1, 0xFF00FF00u);
  s.opt_loadalpha = 128;
  s.opt_aborterrors = true;
  CStream out;
  s.WriteToStream(out, 820);
  out.Seek(0);
  TGameSettings r;
  ASSERT_TRUE(r.ReadFromStream(out));
  EXPECT_EQ(out.Position(), out.Size());
  EXPECT_FALSE(r.opt_showprogress);
  EXPECT_EQ(r.opt_backimage, nullptr);
  EXPECT_EQ(r.opt_frontimage, nullptr);
  ASSERT_NE(r.opt_loadimage, nullptr);
  EXPECT_EQ(*r.opt_loadimage, *s.opt_loadimage);
  EXPECT_EQ(r.opt_loadalpha, 128);
  EXPECT_TRUE(r.opt_aborterrors);

  s.opt_showprogress = true;
  CStream with;
  s.WriteToStream(with, 820);
  with.Seek(0);
  ASSERT_TRUE(r.ReadFromStream(with));
  ASSERT_NE(r.opt_backimage, nullptr);
  EXPECT_EQ(*r.opt_backimage, *s.opt_backimage);
  EXPECT_EQ(r.opt_frontimage, nullptr);
  EXPECT_EQ(r.opt_loadalpha, 128);
}

TEST(SettingsBlock, BelowVersion800ReadsOnlyTheVersion) {
  CStream out;
  out.WriteInteger(799);
  out.WriteInteger(12345);
  out.Seek(0);
  TGameSettings r;
  r.opt_scale = 7;
  EXPECT_FALSE(r.ReadFromStream(out));
  EXPECT_EQ(out.Position(), 4);
  EXPECT_EQ(r.opt_scale, 100);  // defaults were set before reading
}

// --- sections -------------------------------------------------------------------

TEST(RunnerLoad, SectionOfEmptyItemsGivesEmptySlots) {
  RGameModel g = MinimalGame();
  for (int i = 0; i < 3; ++i) AddEmpty(g.sprites);
  AddEmpty(g.scripts);
  ASSERT_TRUE(LoadImage(GameWriter_Build(g, SmallFile())).Loaded());
  ASSERT_EQ(g_Sprites.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(g_Sprites.Exists(i));
    EXPECT_EQ(g_Sprites.names[static_cast<size_t>(i)], "");
    EXPECT_EQ(g_Sprites.Name(i), "<undefined>");
  }
  ASSERT_EQ(g_Scripts.Count(), 1);
  EXPECT_EQ(g_Scripts.Get(0), nullptr);
}

TEST(RunnerLoad, ItemStreamBoundsKeepShortReadersInStep) {
  // A script item carrying bytes its reader does not look at does not
  // disturb the next item.
  RGameModel g = MinimalGame();
  RGameFileOptions o = SmallFile();
  o.sectionHook = ReplaceSection(7, [](CStream &s) {
    s.WriteInteger(800);
    s.WriteInteger(2);
    for (const char *text : {"a", "b"}) {
      CStream item;
      item.WriteBoolean(true);
      item.WriteString(std::string("scr_") + text);
      item.WriteInteger(800);
      item.WriteString(text);
      item.WriteInteger(0x7777);  // more than the record holds
      s.WriteStreamC(item);
    }
  });
  ASSERT_TRUE(LoadImage(GameWriter_Build(g, o)).Loaded());
  ASSERT_EQ(g_Scripts.Count(), 2);
  EXPECT_EQ(g_Scripts.Get(1)->s_text, "b");
  EXPECT_EQ(g_Scripts.names[1], "scr_b");
}

// --- graphics helper file ------------------------------------------------------------

class RunnerLoadTempDir : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("quillon_load_test_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    TempDir_Set(dir.string());
  }
  void TearDown() override {
    TempDir_Set("");
    fs::remove_all(dir);
  }
  fs::path dir;
};

TEST_F(RunnerLoadTempDir, HelperFileIsWrittenUnderItsName) {
  RGameModel g = MinimalGame();
  ASSERT_TRUE(LoadImage(GameWriter_Build(g, SmallFile())).Loaded());
  const fs::path helper = dir / GameFormat::kGraphicsHelperName;
  EXPECT_EQ(g_GraphicsHelperPath, helper.string());
  std::ifstream in(helper, std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, GameFormat::kGraphicsHelperPlaceholder);

  // Other content is accepted too: there is nothing to load from it here.
  g.helperName = "gfx.bin";
  g.helperContent = {1, 2, 3};
  ASSERT_TRUE(LoadImage(GameWriter_Build(g, SmallFile())).Loaded());
  EXPECT_EQ(fs::file_size(dir / "gfx.bin"), 3u);
}

TEST_F(RunnerLoadTempDir, HelperNameLeavingTheDirectoryFails) {
  for (const char *name : {"../escape.dll", "sub/x.dll", "", ".."}) {
    SCOPED_TRACE(name);
    RGameModel g = MinimalGame();
    g.helperName = name;
    EXPECT_EQ(LoadImage(GameWriter_Build(g, SmallFile())).messages, std::vector<std::string>{kMsgHelperFailed});
  }
  EXPECT_FALSE(fs::exists(dir.parent_path() / "escape.dll"));
}

TEST_F(RunnerLoadTempDir, ExtensionFilesGoIntoTheirFolder) {
  RGameModel g = MinimalGame();
  auto pkg = std::make_unique<CExtensionPackage>();
  pkg->s_folder = "pkgdir";
  for (auto [name, kind] : {std::pair{"lib.dll", 1}, std::pair{"src.gml", 2}, std::pair{"none", 3},
                            std::pair{"data.txt", 4}, std::pair{"../up.txt", 4}}) {
    auto f = std::make_unique<CExtensionFile>();
    f->s_filename = name;
    f->s_kind = kind;
    if (kind != 3) f->s_data = {'x', static_cast<uint8_t>('0' + kind)};
    pkg->s_includes.push_back(std::move(f));
  }
  g.extensions.push_back(std::move(pkg));
  ASSERT_TRUE(LoadImage(GameWriter_Build(g, SmallFile())).Loaded());
  EXPECT_TRUE(fs::exists(dir / "pkgdir" / "lib.dll"));
  EXPECT_TRUE(fs::exists(dir / "pkgdir" / "data.txt"));
  EXPECT_FALSE(fs::exists(dir / "pkgdir" / "src.gml"));
  EXPECT_FALSE(fs::exists(dir / "pkgdir" / "none"));
  EXPECT_FALSE(fs::exists(dir / "up.txt"));
}

// --- the runner program ---------------------------------------------------------------

namespace {

struct RRun {
  int exitCode = -1;
  std::string out, err;
};

std::string Slurp(const fs::path &p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

RRun RunRunner(const std::string &args, const fs::path &work) {
  const fs::path out = work / "stdout.txt", err = work / "stderr.txt";
  const std::string cmd = std::string("cd '") + work.string() + "' && '" QUILLON_RUNNER_PATH "' " + args + " >'" +
                          out.string() + "' 2>'" + err.string() + "'";
  RRun r;
  const int status = std::system(cmd.c_str());
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = Slurp(out);
  r.err = Slurp(err);
  return r;
}

class RunnerProgram : public ::testing::Test {
protected:
  void SetUp() override {
    work = fs::temp_directory_path() / ("quillon_runner_test_" + std::to_string(::getpid()));
    fs::create_directories(work);
  }
  void TearDown() override { fs::remove_all(work); }
  fs::path WriteGame(const RGameFileImage &img, const char *name = "game.bin") {
    const fs::path p = work / name;
    CStream(img.bytes).SaveToFile(p.string());
    return p;
  }
  fs::path work;
};

}  // namespace

TEST_F(RunnerProgram, ChangedBodyByteEndsSilently) {
  RGameFileImage img = GameWriter_Build(MinimalGame());
  img.bytes[static_cast<size_t>(img.dataOffset + 30)] ^= 0x10;
  const fs::path game = WriteGame(img);
  const RRun r = RunRunner("--headless '" + game.string() + "'", work);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
}

TEST_F(RunnerProgram, LoadFailurePrintsItsMessagesOnStandardError) {
  RGameModel g = MinimalGame();
  RGameFileOptions o;
  o.sectionHook = ReplaceSection(0, [](CStream &s) { s.WriteInteger(700), s.WriteInteger(1), s.WriteInteger(1); });
  const fs::path game = WriteGame(GameWriter_Build(g, o));
  const RRun r = RunRunner("--headless '" + game.string() + "'", work);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, std::string(kMsgExtensionPackages) + "\n" + kMsgResourceData + "\n");

  const RRun missing = RunRunner("--headless '" + (work / "none.exe").string() + "'", work);
  EXPECT_NE(missing.exitCode, 0);
  EXPECT_EQ(missing.err, std::string(kMsgCannotRead) + "\n");
}

TEST_F(RunnerProgram, DataBeforeTheSearchStartIsNotAGame) {
  // A game file given on the command line is searched from 3800004 on, so a
  // small file made for an in-memory search is no game to the runner.
  const fs::path game = WriteGame(GameWriter_Build(MinimalGame(), SmallFile()));
  const RRun r = RunRunner("--headless '" + game.string() + "'", work);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_EQ(r.err, std::string(kMsgNotValid) + "\n");
}

TEST_F(RunnerProgram, InfoSummarisesTheGame) {
  const fs::path game = WriteGame(GameWriter_Build(FullGame()));
  const RRun r = RunRunner("--headless --info '" + game.string() + "'", work);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Game id: 777\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Debug mode: true\n"), std::string::npos);
  EXPECT_NE(r.out.find("  opt_scale = -1\n"), std::string::npos);
  EXPECT_NE(r.out.find("  sounds: 2\n    0 (empty)\n    1 snd_jump\n"), std::string::npos);
  EXPECT_NE(r.out.find("  room order: 2\n    1\n    0\n"), std::string::npos);
  EXPECT_EQ(r.err, "");
  // The temporary directory is gone after the run.
  for (auto &e : fs::directory_iterator(work)) EXPECT_EQ(e.path().filename().string().rfind("qn_ttt_", 0), std::string::npos);
}

TEST_F(RunnerProgram, TempDirIsMadeFromTempdirTxtAndRemoved) {
  // The runner looks for tempdir.txt beside its executable; a copy of the
  // runner in the work directory lets the test place one.
  const fs::path exe = work / "quillon";
  fs::copy_file(QUILLON_RUNNER_PATH, exe);
  const fs::path base = work / "base" / "deeper";
  std::ofstream(work / "tempdir.txt") << base.string() << "\r\nignored second line\n";
  const fs::path game = WriteGame(GameWriter_Build(MinimalGame()));
  const std::string cmd = "'" + exe.string() + "' --headless --steps 1 --TWTrace '" + game.string() + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  // The base was made with its parents, and only the temporary directory was removed.
  EXPECT_TRUE(fs::is_directory(base));
  EXPECT_TRUE(fs::is_empty(base));
  const std::string trace = Slurp(work / "Trace.log");
  EXPECT_NE(trace.find("Loading room order\n"), std::string::npos) << trace;
  EXPECT_NE(trace.find(base.string() + "/qn_ttt_"), std::string::npos) << trace;
}

TEST_F(RunnerProgram, PackedExecutableRunsItsOwnGame) {
  // The runner with a game appended: started without arguments, it finds the
  // data past its own program image.
  std::ifstream in(QUILLON_RUNNER_PATH, std::ios::binary);
  RGameFileOptions o;
  o.prefix.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  RGameModel g = MinimalGame();
  g.gameId = 9911;
  const fs::path exe = WriteGame(GameWriter_Build(g, o), "packed_game");
  fs::permissions(exe, fs::perms::owner_exec, fs::perm_options::add);
  const std::string cmd = "'" + exe.string() + "' --headless --info >'" + (work / "out.txt").string() + "' 2>&1";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_NE(Slurp(work / "out.txt").find("Game id: 9911\n"), std::string::npos) << Slurp(work / "out.txt");

  // The runner alone carries no game.
  const fs::path bare = work / "bare_runner";
  fs::copy_file(QUILLON_RUNNER_PATH, bare);
  const std::string bareCmd = "'" + bare.string() + "' --headless 2>'" + (work / "err.txt").string() + "'";
  EXPECT_NE(std::system(bareCmd.c_str()), 0);
  EXPECT_EQ(Slurp(work / "err.txt"), std::string(kMsgNotValid) + "\n");
}

TEST_F(RunnerProgram, CommandLine) {
  const fs::path game = WriteGame(GameWriter_Build(MinimalGame()));
  const std::string g = "'" + game.string() + "'";
  struct RCase {
    std::string args;
    int exitCode;
    const char *inOut;  // expected within standard output
    const char *inErr;  // expected within standard error
  };
  const std::vector<RCase> cases = {
      {"--help", 0, "Usage: quillon [options] [GAME]", ""},
      {"--headless --steps 10 --paced " + g, 0, "", ""},
      {g + " --info --headless", 0, "Game id: 4242", ""},
      {"--steps " + g, 2, "", "--steps needs a number of steps"},
      {"--steps -3 " + g, 2, "", "--steps needs a number of steps"},
      {"--steps", 2, "", "--steps needs a number of steps"},
      {"--screenshot", 2, "", "--screenshot needs a file name"},
      {"--screenshot '' " + g, 2, "", "--screenshot needs a file name"},
      {"--fullscreen " + g, 2, "", "unknown option \"--fullscreen\""},
      {g + " " + g, 2, "", "only one game can be given"},
  };
  for (const RCase &c : cases) {
    SCOPED_TRACE(c.args);
    const RRun r = RunRunner(c.args, work);
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_NE(r.out.find(c.inOut), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(c.inErr), std::string::npos) << r.err;
    if (c.exitCode == 2) {
      EXPECT_NE(r.err.find("Usage:"), std::string::npos);
    }
  }
}
