// Saved games: the file's layout, round trips of the whole running game
// (rooms, instances, tiles, globals, game values, id counters), files that
// are refused without touching the running game, the secure-mode and file
// errors, game_save / game_load and the F5 / F6 keys.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "../pack/Pack_TempDir.h"
#include "input/IO_Main.h"
#include "runner/Runner_Load.h"
#include "base/Support_Path.h"
#include "base/Support_Stream.h"
#include "support/Room_Test_Fixture.h"
#include "world/Object_Lists.h"
#include "world/Run_Main.h"
#include "world/Run_Save.h"

namespace {

namespace fs = std::filesystem;

constexpr int32_t kGameId = 4242;

class SaveGameTest : public RoomFixture {
protected:
  void SetUp() override {
    RoomFixture::SetUp();
    if (FunctionFind("game_save") < 0) Function_Save_Init();
    g_GameId = kGameId;
    g_Run = RRunState();
    g_Game = RGameState();
    g_PendingCode = kPendingNone;
    m_savedDir = fs::current_path();
    fs::current_path(m_dir.Path());
  }
  void TearDown() override {
    fs::current_path(m_savedDir);
    SetSecureMode(false);
    IO_Clear();
    g_GameId = 0;
    g_PendingCode = kPendingNone;
    g_PendingFile.clear();
    g_Run = RRunState();
    g_Game = RGameState();
    RoomFixture::TearDown();
  }

  // The running game as a saved game would hold it.
  static std::vector<uint8_t> Snapshot() {
    CStream s;
    SaveGame_ToStream(s);
    return s.Bytes();
  }

  static void SetVar(CVariableList &vars, const char *name, int32_t cell, const RValue &v) {
    vars.SetVar(VariableIndex(name), cell, v);
  }

  // A game in room 0 (slot 0) with a persistent room 1 kept from an
  // earlier visit and room 2 never entered. Room 0 holds an instance with
  // every field away from its default, a marked one, a deactivated one and
  // a tile; the values are deliberately inconsistent (speeds that do not
  // match the direction, a box that does not match the sprite) so that any
  // setter running on loading would show.
  void BuildWorld() {
    TestSprites()[0] = SpriteGeometry(16, 16, 8, 8, 3);
    base = AddObject();
    child = AddObject(base, 0, 5);
    for (int i = 1; i <= 2; ++i) {
      g_Rooms.items.push_back(std::make_unique<CRoom>());
      g_Rooms.names.push_back("room" + std::to_string(i));
    }
    g_Rooms.Get(1)->r_persistent = true;

    room->r_caption = "Level one";
    room->r_width = 800;
    room->r_speed = 45;
    room->r_color = 0x123456;
    room->r_showcolor = false;
    room->r_clearViewBackground = false;
    room->r_code = "x = 1;";
    room->r_enableviews = true;
    CBack &b = room->r_background[3];
    b.visible = b.foreground = true;
    b.index = 4;
    b.x = 10.5;
    b.y = -3.25;
    b.htiled = false;
    b.xscale = 1.5;
    b.yscale = -2;
    b.hspeed = 2.5;
    b.vspeed = 0.75;
    b.blend = 0x00FF00;
    b.alpha = 0.5;
    CView &v = room->r_view[2];
    v = CView{true, 1, 2, 300, 200, 5, 6, 600, 400, 12.5, 7, 8, 9, 10, child};

    CInstance *a = Add(child, 10, 20);
    a->i_imageindex = 1.75;
    a->i_imagespeed = 0.25;
    a->i_imagescalex = 2;
    a->i_imagescaley = -1.5;
    a->i_imageangle = 33;
    a->i_imagealpha = 0.4;
    a->i_imageblend = 0xABCDEF;
    a->i_maskindex = 0;
    a->i_depth = -7.5;
    a->i_x = 11.5;
    a->i_xstart = 3;
    a->i_ystart = 4;
    a->i_xprevious = 9;
    a->i_yprevious = 19;
    a->i_direction = 45;
    a->i_speed = 3;
    a->i_friction = 0.1;
    a->i_gravitydir = 180;
    a->i_gravity = 0.2;
    a->i_hspeed = 1;
    a->i_vspeed = -7;
    a->i_bbox = RRect{-5, -6, 70, 80};
    a->i_visible = false;
    a->i_solid = true;
    a->i_persistent = true;
    for (int k = 0; k < kAlarmCount; ++k) a->SetAlarm(k, k * 3 - 1);
    a->i_pathindex = 2;
    a->i_pathposition = 0.375;
    a->i_pathpositionprevious = 0.25;
    a->i_pathspeed = -4;
    a->i_pathscale = 1.5;
    a->i_pathorientation = 90;
    a->i_pathend = 3;
    a->i_pathxstart = 100;
    a->i_pathystart = 200;
    a->i_timelineindex = 1;
    a->i_timelineposition = 17.5;
    a->i_timelinespeed = 0.5;
    a->i_timelinerunning = true;
    a->i_timelineloop = true;
    a->i_initcode = "hp = 3;";
    SetVar(a->i_vars, "hp", 0, RValue::Real(12));
    SetVar(a->i_vars, "name", 0, RValue::Str(RString("Ann")));
    SetVar(a->i_vars, "grid", 2, RValue::Real(4));
    SetVar(a->i_vars, "grid", 32000 + 3, RValue::Str(RString("cell")));
    aId = a->i_id;

    CInstance *marked = Add(base, 1, 2);
    marked->i_marked = true;
    markedId = marked->i_id;
    CInstance *asleep = Add(child, 3, 4);
    asleep->i_deactivated = true;
    asleepId = asleep->i_id;
    room->UpdateActive();

    RTile t{4.5, 6, 3, 1, 2, 16, 8, -10.5, 0, 2, 0.5, 0x0000FF, 0.25, false};
    room->AddTile(t);

    CRoom *kept = RunRoom_Make(1);
    keptId = kept->AddInstance(base, 50, 60)->i_id;
    SetVar(kept->InstanceAt(0)->i_vars, "hp", 0, RValue::Real(99));
    g_RunRooms.resize(3);
    Room_SetCurrent(0);

    GlobalSet(VariableIndex("gscore"), 0, RValue::Real(12));
    GlobalDeclare(VariableIndex("gdecl"));
    g_Game = RGameState{1234, 3, 55.5, 2};
    g_Run.stepCount = 77;
    g_Run.automaticDraw = false;
    g_Run.transitionKind = 5;
    g_LastInstanceId = 100900;
    g_LastTileId = 10000123;
  }

  // A different running game: another room, other values, no globals.
  static void ChangeEverything() {
    RunRoom_FreeAll();
    RunRoom_Make(2)->AddInstance(0, 1, 1);
    Room_SetCurrent(2);
    GlobalReset();
    GlobalSet(VariableIndex("other"), 0, RValue::Real(1));
    g_Game = RGameState{5, 1, 1, -1};
    g_Run.stepCount = 3;
    g_Run.automaticDraw = true;
    g_Run.transitionKind = 0;
    g_LastInstanceId = 200000;
    g_LastTileId = 20000000;
  }

  static void WriteFile(const std::string &name, const std::vector<uint8_t> &bytes) {
    CStream s(bytes);
    s.SaveToFile(name);
  }

  // The message a load or save reported last (the context lines stripped).
  static std::string Reported() {
    const std::string &last = ErrorLast();
    const size_t blank = last.rfind("\r\n\r\n");
    return blank == std::string::npos ? last : last.substr(blank + 4);
  }

  int base = -1, child = -1;
  int32_t aId = 0, markedId = 0, asleepId = 0, keptId = 0;
  PackTempDir m_dir;

private:
  fs::path m_savedDir;
};

// ---- layout ------------------------------------------------------------------

// Reads a written file back field by field in the order the format lays
// them out.
TEST_F(SaveGameTest, TheFileLaysOutEveryFieldInOrder) {
  BuildWorld();
  CStream s(Snapshot());
  EXPECT_EQ(s.ReadInteger(), 540);
  EXPECT_EQ(s.ReadInteger(), kGameId);
  EXPECT_EQ(s.ReadInteger(), 0);     // room
  EXPECT_EQ(s.ReadInteger(), 5);     // transition
  EXPECT_EQ(s.ReadInteger(), 1234);  // score
  EXPECT_EQ(s.ReadInteger(), 3);     // lives
  EXPECT_EQ(s.ReadReal(), 55.5);     // health
  EXPECT_EQ(s.ReadInteger(), 2);     // cursor
  EXPECT_EQ(s.ReadInteger(), 77);    // step counter
  EXPECT_FALSE(s.ReadBoolean());     // automatic draw
  CStream globals;
  Global_SaveToStream(globals);
  std::vector<uint8_t> block(static_cast<size_t>(globals.Size()));
  s.Read(block.data(), globals.Size());
  EXPECT_EQ(block, globals.Bytes());

  ASSERT_EQ(s.ReadInteger(), 3);
  ASSERT_TRUE(s.ReadBoolean());
  EXPECT_EQ(s.ReadInteger(), 540);
  EXPECT_EQ(s.ReadString(), "Level one");
  EXPECT_EQ(s.ReadInteger(), 800);
  EXPECT_EQ(s.ReadInteger(), 480);
  EXPECT_EQ(s.ReadInteger(), 45);
  EXPECT_FALSE(s.ReadBoolean());
  EXPECT_EQ(s.ReadInteger(), 0x123456);
  EXPECT_EQ(s.ReadInteger(), 2);  // no colour shown, views not cleared
  EXPECT_EQ(s.ReadString(), "x = 1;");
  ASSERT_EQ(s.ReadInteger(), 8);
  for (int i = 0; i < 8; ++i) {
    const bool mine = i == 3;
    EXPECT_EQ(s.ReadBoolean(), mine);
    EXPECT_EQ(s.ReadBoolean(), mine);
    EXPECT_EQ(s.ReadInteger(), mine ? 4 : -1);
    EXPECT_EQ(s.ReadReal(), mine ? 10.5 : 0);
    EXPECT_EQ(s.ReadReal(), mine ? -3.25 : 0);
    EXPECT_EQ(s.ReadBoolean(), !mine);
    EXPECT_TRUE(s.ReadBoolean());
    EXPECT_EQ(s.ReadReal(), mine ? 1.5 : 1);  // xscale
    EXPECT_EQ(s.ReadReal(), mine ? -2 : 1);   // yscale
    EXPECT_EQ(s.ReadReal(), mine ? 2.5 : 0);  // hspeed
    EXPECT_EQ(s.ReadReal(), mine ? 0.75 : 0);  // vspeed
    EXPECT_EQ(s.ReadInteger(), mine ? 0x00FF00 : 0xFFFFFF);
    EXPECT_EQ(s.ReadReal(), mine ? 0.5 : 1);
  }
  EXPECT_TRUE(s.ReadBoolean());
  ASSERT_EQ(s.ReadInteger(), 8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(s.ReadBoolean(), i == 2);
    const std::vector<int32_t> port =
        i == 2 ? std::vector<int32_t>{1, 2, 300, 200, 5, 6, 600, 400} : std::vector<int32_t>{0, 0, 640, 480, 0, 0, 640, 480};
    for (int32_t n : port) EXPECT_EQ(s.ReadInteger(), n) << "view " << i;
    EXPECT_EQ(s.ReadReal(), i == 2 ? 12.5 : 0);
    const std::vector<int32_t> follow =
        i == 2 ? std::vector<int32_t>{7, 8, 9, 10, child} : std::vector<int32_t>{32, 32, -1, -1, -1};
    for (int32_t n : follow) EXPECT_EQ(s.ReadInteger(), n) << "view " << i;
  }

  ASSERT_EQ(s.ReadInteger(), 2);  // active: the full instance and the marked one
  EXPECT_EQ(s.ReadInteger(), aId);
  EXPECT_EQ(s.ReadInteger(), 0);  // sprite
  for (double d : {1.75, 0.25, 2.0, -1.5, 33.0, 0.4}) EXPECT_EQ(s.ReadReal(), d);
  EXPECT_EQ(s.ReadInteger(), 0xABCDEF);
  EXPECT_EQ(s.ReadInteger(), 0);  // mask
  for (double d : {-7.5, 11.5, 20.0, 3.0, 4.0, 9.0, 19.0, 45.0, 3.0, 0.1, 180.0, 0.2, 1.0, -7.0})
    EXPECT_EQ(s.ReadReal(), d);
  for (int32_t n : {-5, 70, -6, 80}) EXPECT_EQ(s.ReadInteger(), n);  // Left, Right, Top, Bottom
  EXPECT_FALSE(s.ReadBoolean());
  EXPECT_TRUE(s.ReadBoolean());
  EXPECT_TRUE(s.ReadBoolean());
  EXPECT_EQ(s.ReadInteger(), child);
  for (int k = 0; k < kAlarmCount; ++k) EXPECT_EQ(s.ReadInteger(), k * 3 - 1);
  EXPECT_FALSE(s.ReadBoolean());
  EXPECT_FALSE(s.ReadBoolean());
  EXPECT_EQ(s.ReadInteger(), 2);
  for (double d : {0.375, 0.25, -4.0, 1.5, 90.0}) EXPECT_EQ(s.ReadReal(), d);
  EXPECT_EQ(s.ReadInteger(), 3);
  EXPECT_EQ(s.ReadReal(), 100);
  EXPECT_EQ(s.ReadReal(), 200);
  EXPECT_EQ(s.ReadInteger(), 1);
  EXPECT_EQ(s.ReadReal(), 17.5);
  EXPECT_EQ(s.ReadReal(), 0.5);
  EXPECT_TRUE(s.ReadBoolean());
  EXPECT_TRUE(s.ReadBoolean());
  EXPECT_EQ(s.ReadString(), "hp = 3;");
  CVariableList vars;
  ASSERT_TRUE(vars.LoadFromStream(s));
  RValue cell;
  ASSERT_TRUE(vars.GetVar(VariableIndex("grid"), 32003, cell));
  EXPECT_EQ(std::string(cell.str.view()), "cell");

  // The marked instance keeps its mark in the file.
  CInstance marked;
  ASSERT_TRUE(marked.LoadFromStream(s));
  EXPECT_EQ(marked.i_id, markedId);
  EXPECT_TRUE(marked.i_marked);
  ASSERT_EQ(s.ReadInteger(), 1);
  CInstance asleep;
  ASSERT_TRUE(asleep.LoadFromStream(s));
  EXPECT_EQ(asleep.i_id, asleepId);
  EXPECT_TRUE(asleep.i_deactivated);

  ASSERT_EQ(s.ReadInteger(), 1);
  EXPECT_EQ(s.ReadReal(), 4.5);
  EXPECT_EQ(s.ReadReal(), 6);
  for (int32_t n : {3, 1, 2, 16, 8}) EXPECT_EQ(s.ReadInteger(), n);
  EXPECT_EQ(s.ReadReal(), -10.5);
  EXPECT_EQ(s.ReadInteger(), 10000001);  // the id the room gave it
  EXPECT_EQ(s.ReadReal(), 2);
  EXPECT_EQ(s.ReadReal(), 0.5);
  EXPECT_EQ(s.ReadInteger(), 0x0000FF);
  EXPECT_EQ(s.ReadReal(), 0.25);
  EXPECT_FALSE(s.ReadBoolean());

  // Slot 1 holds the persistent room, slot 2 nothing.
  ASSERT_TRUE(s.ReadBoolean());
  CRoom kept;
  ASSERT_TRUE(kept.LoadGameFromStream(s));
  EXPECT_TRUE(kept.r_persistent);
  EXPECT_FALSE(s.ReadBoolean());
  EXPECT_EQ(s.ReadInteger(), 100900);
  EXPECT_EQ(s.ReadInteger(), 10000123);
  EXPECT_EQ(s.Position(), s.Size());
}

// ---- round trips ---------------------------------------------------------------

TEST_F(SaveGameTest, LoadingRestoresTheWholeGameExactly) {
  BuildWorld();
  const std::vector<uint8_t> saved = Snapshot();
  ChangeEverything();

  CStream file(saved);
  ASSERT_EQ(LoadGame_FromStream(file), TSaveLoad::Loaded);
  // Saving again gives the same bytes: every field came back as stored, and
  // no setter adjusted one on the way in.
  EXPECT_EQ(Snapshot(), saved);

  ASSERT_EQ(g_RoomIndex, 0);
  ASSERT_EQ(Room_Current(), RunRoom_Get(0));
  ASSERT_EQ(g_RunRooms.size(), 3u);
  EXPECT_EQ(RunRoom_Get(2), nullptr);
  CRoom *now = Room_Current();
  EXPECT_EQ(now->r_caption, "Level one");

  // The instances are live again: objects looked up, per-object lists
  // rebuilt (marked instances stay listed until removal), the deactivated
  // one set aside.
  CInstance *a = now->InstanceAt(0);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->i_id, aId);
  EXPECT_EQ(a->i_object, ObjectGet(child));
  EXPECT_EQ(now->Obj_Number(child), 1);
  ASSERT_EQ(now->Obj_Number_Recursive(base), 2);
  EXPECT_EQ(now->Obj_Instance_Recursive(base, 1)->i_id, markedId);
  ASSERT_EQ(now->r_instance_deact.size(), 1u);
  EXPECT_EQ(now->r_instance_deact[0]->i_id, asleepId);
  RValue v;
  ASSERT_TRUE(a->i_vars.GetVar(VariableIndex("name"), 0, v));
  EXPECT_EQ(std::string(v.str.view()), "Ann");
  EXPECT_EQ(a->GetAlarm(11), 32);
  EXPECT_EQ(a->i_pathindex, 2);
  EXPECT_EQ(a->i_timelineposition, 17.5);
  EXPECT_EQ(Real("return hp;", a), 12);

  CRoom *kept = RunRoom_Get(1);
  ASSERT_NE(kept, nullptr);
  ASSERT_EQ(kept->InstanceCount(), 1);
  EXPECT_EQ(kept->InstanceAt(0)->i_id, keptId);
  EXPECT_EQ(Real("return hp;", kept->InstanceAt(0)), 99);

  ASSERT_TRUE(GlobalGet(VariableIndex("gscore"), 0, v));
  EXPECT_EQ(v.val, 12);
  EXPECT_TRUE(IsGlobalDeclared(VariableIndex("gdecl")));
  EXPECT_FALSE(GlobalGet(VariableIndex("other"), 0, v));
  EXPECT_EQ(g_Game.score, 1234);
  EXPECT_EQ(g_Game.lives, 3);
  EXPECT_EQ(g_Game.health, 55.5);
  EXPECT_EQ(g_Game.cursorSprite, 2);
  EXPECT_EQ(g_Run.stepCount, 77);
  EXPECT_FALSE(g_Run.automaticDraw);
  EXPECT_EQ(g_Run.transitionKind, 5);
  // New instances and tiles continue the saved counters.
  EXPECT_EQ(now->AddInstance(base, 0, 0)->i_id, 100901);
  EXPECT_EQ(now->r_tile[static_cast<size_t>(now->AddTile(RTile{}))].id, 10000124);
}

// A global block of another version is passed over: the globals stay as
// they are and everything after the block is still restored.
TEST_F(SaveGameTest, AGlobalBlockOfAnotherVersionLeavesTheGlobalsAlone) {
  BuildWorld();
  std::vector<uint8_t> saved = Snapshot();
  CStream globals;
  Global_SaveToStream(globals);
  constexpr size_t kHeader = 44;
  std::vector<uint8_t> file(saved.begin(), saved.begin() + kHeader);
  for (uint8_t byte : {0x01, 0x00, 0x00, 0x00}) file.push_back(byte);  // version 1, nothing more of the block
  file.insert(file.end(), saved.begin() + static_cast<std::ptrdiff_t>(kHeader + static_cast<size_t>(globals.Size())),
              saved.end());
  ChangeEverything();

  CStream s(file);
  ASSERT_EQ(LoadGame_FromStream(s), TSaveLoad::Loaded);
  RValue v;
  EXPECT_TRUE(GlobalGet(VariableIndex("other"), 0, v));
  EXPECT_FALSE(GlobalGet(VariableIndex("gscore"), 0, v));
  EXPECT_EQ(g_RoomIndex, 0);
  EXPECT_EQ(g_Game.score, 1234);
}

// ---- files that are refused ------------------------------------------------------

// A file cut short at any byte is refused and the running game stays
// exactly as it was. (Inside the long run of declared-global flags only
// some of the cuts are tried: they all fail the same way.)
TEST_F(SaveGameTest, AFileCutShortAnywhereIsRefusedAndChangesNothing) {
  BuildWorld();
  const std::vector<uint8_t> saved = Snapshot();
  CStream globals;
  Global_SaveToStream(globals);
  const size_t flagsEnd = 44 + static_cast<size_t>(globals.Size());
  const size_t flagsStart = flagsEnd - 4 * static_cast<size_t>(GlobalDeclaredFlagCount());
  ChangeEverything();
  const std::vector<uint8_t> running = Snapshot();
  for (size_t n = 0; n < saved.size(); n += (n > flagsStart + 8 && n + 8 < flagsEnd) ? 997 : 1) {
    CStream s(std::vector<uint8_t>(saved.begin(), saved.begin() + static_cast<std::ptrdiff_t>(n)));
    ASSERT_EQ(LoadGame_FromStream(s), TSaveLoad::Damaged) << n << " bytes";
    ASSERT_EQ(Snapshot(), running) << n << " bytes";
  }
}

TEST_F(SaveGameTest, WrongOrDamagedFilesAreRefusedWithTheirMessage) {
  BuildWorld();
  const std::vector<uint8_t> saved = Snapshot();
  CStream globals;
  Global_SaveToStream(globals);
  const size_t slots = 44 + static_cast<size_t>(globals.Size());
  const size_t room0 = slots + 8;  // the array length and slot 0's present flag
  const std::string damaged = "Failed to load game from file game.sav";
  struct Case {
    const char *name;
    size_t offset;
    int32_t value;
    const char *message;
  } cases[] = {
      {"another format", 0, 541, "Cannot load game saved with other version."},
      {"another game", 4, kGameId + 1, "This is a save file for a different game!"},
      {"current room slot empty", 8, 2, nullptr},
      {"current room beyond the array", 8, 3, nullptr},
      {"negative current room", 8, -1, nullptr},
      {"negative room array", slots, -1, nullptr},
      {"room array longer than the file", slots, 0x7FFFFFFF, nullptr},
      {"room record of another version", room0, 541, nullptr},
      {"fewer background layers", room0 + 4 + 4 + 9 + 4 * 3 + 4 + 4 + 4 + 4 + 6, 7, nullptr},
  };
  ChangeEverything();
  const std::vector<uint8_t> running = Snapshot();
  for (const Case &c : cases) {
    std::vector<uint8_t> bytes = saved;
    for (int k = 0; k < 4; ++k) bytes[c.offset + static_cast<size_t>(k)] = static_cast<uint8_t>(static_cast<uint32_t>(c.value) >> (8 * k));
    WriteFile("game.sav", bytes);
    ErrorReset();
    EXPECT_FALSE(LoadGame("game.sav")) << c.name;
    EXPECT_EQ(Reported(), c.message ? c.message : damaged) << c.name;
    EXPECT_EQ(Snapshot(), running) << c.name;
  }
}

TEST_F(SaveGameTest, AMissingFileDoesNothingQuietlyAndAnUnreadableOneIsReported) {
  BuildWorld();
  const std::vector<uint8_t> running = Snapshot();
  EXPECT_FALSE(LoadGame("nothing.sav"));
  EXPECT_FALSE(ErrorOccurred());
  fs::create_directory("folder.sav");
  EXPECT_FALSE(LoadGame("folder.sav"));
  EXPECT_EQ(Reported(), "Failed to load game from file folder.sav");
  EXPECT_EQ(Snapshot(), running);
}

// ---- writing -------------------------------------------------------------------

TEST_F(SaveGameTest, SecureModeRefusesNamesWithAFolder) {
  BuildWorld();
  fs::create_directory("sub");
  SetSecureMode(true);
  struct Case {
    const char *name;
    const char *written;  // the file that appears, or null when refused
  } cases[] = {{"sub/a.sav", nullptr}, {"sub\\b.sav", nullptr}, {"c.sav", "c.sav"}};
  for (const Case &c : cases) {
    ErrorReset();
    EXPECT_EQ(SaveGame(c.name), c.written != nullptr) << c.name;
    if (c.written) {
      EXPECT_FALSE(ErrorOccurred()) << c.name;
      EXPECT_TRUE(fs::is_regular_file(c.written)) << c.name;
    } else {
      EXPECT_EQ(Reported(), std::string("In secure mode you cannot save game to file ") + c.name);
    }
  }
  EXPECT_TRUE(fs::is_empty("sub"));
  // Outside secure mode the folder is fine, and "\" separates folders too.
  SetSecureMode(false);
  EXPECT_TRUE(SaveGame("sub\\b.sav"));
  EXPECT_TRUE(fs::is_regular_file("sub/b.sav"));
}

TEST_F(SaveGameTest, AFailedWriteIsReportedAndLeavesNoFileBehind) {
  BuildWorld();
  EXPECT_FALSE(SaveGame("missing/x.sav"));
  EXPECT_EQ(Reported(), "Failed to save game to file missing/x.sav");
  EXPECT_TRUE(fs::is_empty(m_dir.Path()));
}

// ---- from the game -----------------------------------------------------------------

// game_save writes at once; game_load only asks, and the load happens when
// the loop handles the request, with the input cleared first.
TEST_F(SaveGameTest, GameLoadWaitsForTheEndOfTheStep) {
  BuildWorld();
  CInstance *self = room->InstanceAt(0);
  ASSERT_TRUE(Run("game_save('slot.sav');", self).ok);
  ASSERT_TRUE(fs::is_regular_file("slot.sav"));
  const std::vector<uint8_t> saved = Snapshot();

  g_Game.score = 1;
  ASSERT_TRUE(Run("game_load('slot.sav');", self).ok);
  EXPECT_EQ(g_PendingCode, kPendingLoad);
  EXPECT_EQ(g_PendingFile, "slot.sav");
  EXPECT_EQ(g_Game.score, 1);
  IO_KeyDown(65);
  HandlePendingCode();
  EXPECT_EQ(g_PendingCode, kPendingNone);
  EXPECT_FALSE(g_Input.keyDown[65]);
  EXPECT_EQ(g_Game.score, 1234);
  EXPECT_EQ(Snapshot(), saved);
}

// F5 saves to "_save" + game id + ".sav" and F6 loads it at once, both only
// when the setting allows them.
TEST_F(SaveGameTest, F5SavesAndF6LoadsTheGamesOwnFile) {
  BuildWorld();
  Object_BuildEventLists();
  g_Settings.opt_keyf5 = false;
  IO_KeyDown(116);
  RunStep();
  EXPECT_FALSE(fs::exists("_save4242.sav"));

  g_Settings.opt_keyf5 = true;
  IO_KeyDown(116);
  RunStep();
  ASSERT_TRUE(fs::is_regular_file("_save4242.sav"));

  g_Game.score = 1;
  IO_KeyDown(117);
  RunStep();
  // The loaded game is the one F5 wrote, and this step went on with it.
  EXPECT_EQ(g_Game.score, 1234);
  // F5 saved the counter of the second step; loading put it back and this
  // step counted on from there.
  EXPECT_EQ(g_Run.stepCount, 79);
  EXPECT_EQ(g_Input.keyboardKey, 0);
}

}  // namespace
