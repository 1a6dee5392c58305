// Reading game projects: what a manifest turns into, and the message a broken
// manifest gets (file, field, fault).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "Pack_Json.h"
#include "Pack_Project.h"
#include "Pack_Text.h"
#include "base/BM32_Bitmap.h"
#include "pack/Pack_TempDir.h"

namespace {

class PackProjectTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir.Write("scripts/a.qs", "return 1;");
    dir.Write("rooms/start.qs", "show_debug_message(\"start\");");
    dir.Write("data/x.txt", "carried");
    TBitmap32 pic(3, 2, 0xFF112233u);
    pic.SetPixel(2, 1, 0x80ABCDEFu);
    dir.Write("images/ok.bmp", pic.SaveToBMP());
    dir.Write("images/bad.bmp", "this is no picture");
  }

  // Reads manifest text; answers the error message, or "" on success.
  std::string Read(const std::string &text, RGameModel &game) {
    try {
      ReadProjectText(text, "game.json", ProjectFiles(dir.Path()), game);
      return "";
    } catch (const PackError &e) {
      return e.what();
    }
  }
  std::string Read(const std::string &text) {
    RGameModel game;
    return Read(text, game);
  }

  PackTempDir dir;
};

struct ErrorCase {
  const char *manifest;
  const char *message;
};

// Every broken manifest names the file, the field and what is wrong.
TEST_F(PackProjectTest, BrokenManifestsNameFileFieldAndFault) {
  const ErrorCase cases[] = {
      {R"({"rooms": [{"name": "r"}]})", "game.json: game_id: missing field"},
      {R"({"game_id": "7", "rooms": [{"name": "r"}]})", "game.json: game_id: expected an integer, found a string"},
      {R"({"game_id": 1.5, "rooms": [{"name": "r"}]})", "game.json: game_id: expected an integer, found a number"},
      {R"({"game_id": 3000000000, "rooms": [{"name": "r"}]})",
       "game.json: game_id: expected an integer from -2147483648 to 2147483647"},
      {R"([1, 2])", "game.json: (top level): expected an object, found an array"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "setings": {}})", "game.json: setings: unknown field"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "fonts": [{"name": "fnt"}]})",
       "game.json: fonts: the packer cannot pack fonts yet; leave the field out"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "game_id": 2})", "game.json: game_id: the field is given twice"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}, {"name": "s", "instances": [[], {"x": 1, "x": 2}]}]})",
       "game.json: rooms[1].instances[1].x: the field is given twice"},
      {R"({"game_id": 1, "scripts": [null, 5, {"name": "a", "code": "", "name": "b"}], "rooms": []})",
       "game.json: scripts[2].name: the field is given twice"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "settings": {"fulscreen": true}})",
       "game.json: settings.fulscreen: unknown field"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "settings": {"vsync": 1}})",
       "game.json: settings.vsync: expected true or false, found an integer"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "settings": {"loadalpha": 300}})",
       "game.json: settings.loadalpha: expected an integer from 0 to 255"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "settings": {"windowcolor": "#12345"}})",
       "game.json: settings.windowcolor: expected a colour as \"#RRGGBB\", found \"#12345\""},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "settings": {"loadimage": "images/none.bmp"}})",
       "game.json: settings.loadimage: file not found: images/none.bmp"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "settings": {"backimage": "images/bad.bmp"}})",
       "game.json: settings.backimage: not a readable picture (BMP, PNG, GIF or JPEG): images/bad.bmp"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "settings_version": 700})",
       "game.json: settings_version: expected 800, 810 or 820"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "settings_version": 810, "settings": {"createfirst": true}})",
       "game.json: settings.createfirst: stored only with settings_version 820, not 810"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "identifier": "0123"})",
       "game.json: identifier: expected 32 hexadecimal digits"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "constants": [{"name": "A"}]})",
       "game.json: constants[0].value: missing field"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "constants": [{"name": " A ", "value": "1"}, {"name": "2B", "value": "1"}]})",
       "game.json: constants[1].name: \"2B\" is not a valid constant name (a letter or _ first, then letters, digits or _)"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "scripts": [{"name": "a", "file": "scripts/a.qs"}, {"name": "b", "file": "scripts/x.qs"}]})",
       "game.json: scripts[1].file: file not found: scripts/x.qs"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "scripts": [{"name": "a", "code": ""}, null, {"name": "a", "code": ""}]})",
       "game.json: scripts[2].name: the name \"a\" is already used by scripts[0]"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "scripts": [{"name": "1a", "code": ""}]})",
       "game.json: scripts[0].name: \"1a\" is not a valid name (a letter or _ first, then letters, digits or _)"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "scripts": [{"name": "a", "code": "", "file": "scripts/a.qs"}]})",
       "game.json: scripts[0].code: give either \"code\" or \"file\", not both"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "scripts": [{"name": "a"}]})",
       "game.json: scripts[0].file: missing field"},
      {R"({"game_id": 1, "rooms": {}})", "game.json: rooms: expected an array, found an object"},
      {R"({"game_id": 1, "rooms": []})", "game.json: rooms: a game needs at least one room"},
      {R"({"game_id": 1, "rooms": [null]})", "game.json: rooms: a game needs at least one room"},
      {R"({"game_id": 1, "rooms": [{"name": "r", "width": "wide"}]})",
       "game.json: rooms[0].width: expected an integer, found a string"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}, {"name": "s", "height": 0}]})",
       "game.json: rooms[1].height: expected an integer from 1 to 2147483647"},
      {R"({"game_id": 1, "rooms": [{"name": "r", "code_file": "rooms/none.qs"}]})",
       "game.json: rooms[0].code_file: file not found: rooms/none.qs"},
      {R"({"game_id": 1, "rooms": [{"name": "r", "instances": [{"y": 0, "object": 0}]}]})",
       "game.json: rooms[0].instances[0].x: missing field"},
      {R"({"game_id": 1, "objects": [{"name": "o"}], "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0, "alpha": 2}]}]})",
       "game.json: rooms[0].instances[0].alpha: expected a number from 0 to 1"},
      {R"({"game_id": 1, "objects": [{"name": "o"}], "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0, "id": 100005}]},
                                   {"name": "s", "instances": [{"x": 0, "y": 0, "object": 0, "id": 100005}]}]})",
       "game.json: rooms[1].instances[0].id: the instance id 100005 is already used by rooms[0].instances[0].id"},
      {R"({"game_id": 1, "objects": [{"name": "o"}], "rooms": [{"name": "r", "instances": [{"x": 0, "y": 0, "object": 0, "id": 5}]}]})",
       "game.json: rooms[0].instances[0].id: expected an integer from 100001 to 2147483647"},
      {R"({"game_id": 1, "rooms": [{"name": "r", "tiles": [{"x": 0, "y": 0}]}]})",
       "game.json: rooms[0].tiles[0].background: missing field"},
      {R"({"game_id": 1, "rooms": [{"name": "r", "tiles": [{"x": 0, "y": 0, "background": 0}]}]})",
       "game.json: rooms[0].tiles[0].background: no background has the index 0"},
      {R"({"game_id": 1, "objects": [{"name": "obj_hero"}], "rooms": [{"name": "r", "views": [{"object": "obj_her"}]}]})",
       "game.json: rooms[0].views[0].object: no object is named \"obj_her\" (did you mean obj_hero?)"},
      {R"({"game_id": 1, "objects": [{"name": "a", "sprite": 0}], "rooms": [{"name": "r"}]})",
       "game.json: objects[0].sprite: no sprite has the index 0"},
      {R"({"game_id": 1, "rooms": [{"name": "r", "backgrounds": [{}, {}, {}, {}, {}, {}, {}, {}, {}]}]})",
       "game.json: rooms[0].backgrounds: at most 8 entries, found 9"},
      {R"({"game_id": 1, "rooms": [{"name": "r", "views": [null, {"wvew": 3}]}]})",
       "game.json: rooms[0].views[1].wvew: unknown field"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "room_order": ["nope"]})",
       "game.json: room_order[0]: no room is named \"nope\""},
      {R"({"game_id": 1, "rooms": [{"name": "r"}, null], "room_order": [0, 1]})",
       "game.json: room_order[1]: no room has the index 1"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "room_order": []})",
       "game.json: room_order: the room order needs at least one room"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "included_files": [{"file": "data/x.txt", "export": "somewhere"}]})",
       "game.json: included_files[0].export: expected \"none\", \"temp\", \"working\" or \"folder\", found \"somewhere\""},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "included_files": [{"file": "data/none.txt"}]})",
       "game.json: included_files[0].file: file not found: data/none.txt"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "included_files": [{"file": "data"}]})",
       "game.json: included_files[0].file: not a file: data"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "game_information": {"file": "info.rtf"}})",
       "game.json: game_information.file: file not found: info.rtf"},
      {R"({"game_id": 1, "rooms": [{"name": "r"}], "library_init_code": [7]})",
       "game.json: library_init_code[0]: expected an object, found an integer"},
  };
  for (const ErrorCase &c : cases) EXPECT_EQ(Read(c.manifest), c.message) << c.manifest;
}

TEST_F(PackProjectTest, SyntaxErrorsGiveLineAndColumn) {
  const std::string msg = Read("{\n  \"game_id\": 1,\n  \"rooms\" [\n}");
  EXPECT_EQ(msg.rfind("game.json: invalid JSON at line 3, column 11: ", 0), 0u) << msg;
  // Comments are allowed, so a commented manifest is no syntax error.
  EXPECT_EQ(Read("// a game\n{\"game_id\": 1, /* the only room */ \"rooms\": [{\"name\": \"r\"}]}"), "");
}

TEST_F(PackProjectTest, MinimalManifestGetsTheRunnersDefaults) {
  RGameModel game;
  ASSERT_EQ(Read(R"({"game_id": 42, "rooms": [{"name": "r"}]})", game), "");
  EXPECT_EQ(game.gameId, 42);
  EXPECT_FALSE(game.debug);
  EXPECT_EQ(game.settingsVersion, 820);
  EXPECT_EQ(game.guid, DefaultIdentifier(42));
  const TGameSettings defaults;
  EXPECT_EQ(game.settings.opt_scale, defaults.opt_scale);
  EXPECT_EQ(game.settings.opt_windowcolor, defaults.opt_windowcolor);
  EXPECT_EQ(game.settings.opt_argumenterrors, defaults.opt_argumenterrors);
  EXPECT_EQ(game.settings.opt_showprogress, defaults.opt_showprogress);
  EXPECT_EQ(game.settings.opt_loadalpha, defaults.opt_loadalpha);
  ASSERT_EQ(game.rooms.Count(), 1);
  const CRoom &room = *game.rooms.Get(0);
  EXPECT_EQ(room.r_width, 640);
  EXPECT_EQ(room.r_height, 480);
  EXPECT_EQ(room.r_speed, 30);
  EXPECT_EQ(room.r_color, 12632256);
  EXPECT_EQ(game.roomOrder, std::vector<int32_t>{0});
  EXPECT_EQ(game.lastInstanceId, 100000);
  EXPECT_EQ(game.lastTileId, 10000000);
  EXPECT_EQ(game.scripts.Count(), 0);
  EXPECT_EQ(game.constants.Count(), 0);
  EXPECT_TRUE(game.includedFiles.empty());
  EXPECT_EQ(game.gameInfo.caption, "Game Information");
}

TEST_F(PackProjectTest, FieldsReachTheModel) {
  RGameModel game;
  ASSERT_EQ(Read(R"({
    "game_id": -5, "debug": true, "identifier": "00112233445566778899aabbccddeeFF",
    "settings_version": 810,
    "settings": {"fullscreen": true, "scale": -1, "windowcolor": "#FF8000", "uninitzero": true,
                 "argumenterrors": false, "showprogress": false, "loadimage": "images/ok.bmp", "loadalpha": 7},
    "constants": [{"name": "B", "value": "A * 2"}, {"name": "A", "value": "\"x\""}],
    "scripts": [null, {"name": "a", "file": "scripts/a.qs"}, {"name": "b", "code": "return 2;"}],
    "objects": [{"name": "o0"}, {"name": "o1"}, {"name": "o2"}],
    "backgrounds": [{"name": "b0", "image": "images/ok.bmp"}, {"name": "b1", "image": "images/ok.bmp"},
                    {"name": "b2", "image": "images/ok.bmp"}, {"name": "b3", "image": "images/ok.bmp"}],
    "rooms": [{"name": "first", "code_file": "rooms/start.qs", "color": 255, "persistent": true,
               "clear_view_background": false, "show_color": false, "enable_views": true,
               "backgrounds": [null, {"visible": true, "background": 3, "x": 4, "hspeed": -2, "stretch": true}],
               "views": [{"visible": true, "wview": 320, "object": 2}],
               "instances": [{"x": 1, "y": 2, "object": 0, "code": "c", "blend": "#0000FF", "alpha": 0.5, "angle": 90},
                             {"x": 3, "y": 4, "object": 1, "id": 100001}],
               "tiles": [{"x": 5, "y": 6, "background": 0, "left": 16, "width": 8, "depth": -10}]},
              null,
              {"name": "second", "instances": [{"x": 0, "y": 0, "object": 0}], "tiles": [{"x": 0, "y": 0, "background": 1, "id": 10000009}]}],
    "room_order": ["second", 0, "second"],
    "included_files": [{"file": "data/x.txt", "export": "folder", "export_dir": "out", "overwrite": true,
                        "free_data": false, "remove_at_end": false},
                       {"file": "data/missing.bin", "store": false, "name": "m.bin", "export": 1}],
    "game_information": {"text": "a {b}\nc", "left": 10, "pause_game": false, "background_color": "#000001"},
    "library_init_code": ["x = 1;", {"code_file": "scripts/a.qs"}]
  })", game), "");

  EXPECT_EQ(game.gameId, -5);
  EXPECT_TRUE(game.debug);
  EXPECT_EQ(game.guid[0], 0x00);
  EXPECT_EQ(game.guid[1], 0x11);
  EXPECT_EQ(game.guid[15], 0xFF);
  EXPECT_EQ(game.settingsVersion, 810);
  EXPECT_TRUE(game.settings.opt_fullscreen);
  EXPECT_EQ(game.settings.opt_scale, -1);
  EXPECT_EQ(game.settings.opt_windowcolor, 0x0080FF);  // red in the low byte
  EXPECT_TRUE(game.settings.opt_uninitzero);
  EXPECT_FALSE(game.settings.opt_argumenterrors);
  EXPECT_FALSE(game.settings.opt_showprogress);
  ASSERT_NE(game.settings.opt_loadimage, nullptr);
  EXPECT_EQ(game.settings.opt_loadimage->Width(), 3);
  EXPECT_EQ(game.settings.opt_loadimage->Pixel(2, 1), 0x80ABCDEFu);
  EXPECT_EQ(game.settings.opt_loadalpha, 7);

  ASSERT_EQ(game.constants.Count(), 2);  // kept in order, values as text
  EXPECT_EQ(game.constants.names[0], "B");
  EXPECT_EQ(game.constants.values[0], "A * 2");
  EXPECT_EQ(game.constants.values[1], "\"x\"");

  ASSERT_EQ(game.scripts.Count(), 3);
  EXPECT_FALSE(game.scripts.Exists(0));
  EXPECT_EQ(game.scripts.names[0], "");
  EXPECT_EQ(game.scripts.Name(1), "a");
  EXPECT_EQ(game.scripts.Get(1)->s_text, "return 1;");
  EXPECT_EQ(game.scripts.Get(2)->s_text, "return 2;");

  ASSERT_EQ(game.rooms.Count(), 3);
  EXPECT_FALSE(game.rooms.Exists(1));
  const CRoom &r = *game.rooms.Get(0);
  EXPECT_EQ(r.r_code, "show_debug_message(\"start\");");
  EXPECT_EQ(r.r_color, 255);
  EXPECT_TRUE(r.r_persistent);
  EXPECT_FALSE(r.r_clearViewBackground);
  EXPECT_FALSE(r.r_showcolor);
  EXPECT_TRUE(r.r_enableviews);
  EXPECT_FALSE(r.r_background[0].visible);
  EXPECT_TRUE(r.r_background[1].visible);
  EXPECT_EQ(r.r_background[1].index, 3);
  EXPECT_EQ(r.r_background[1].x, 4);
  EXPECT_EQ(r.r_background[1].hspeed, -2);
  EXPECT_TRUE(r.r_background[1].stretch);
  EXPECT_TRUE(r.r_background[1].htiled);
  EXPECT_TRUE(r.r_view[0].visible);
  EXPECT_EQ(r.r_view[0].wview, 320);
  EXPECT_EQ(r.r_view[0].hview, 480);
  EXPECT_EQ(r.r_view[0].index, 2);
  ASSERT_EQ(r.r_instances.size(), 2u);
  EXPECT_EQ(r.r_instances[0].code, "c");
  EXPECT_EQ(r.r_instances[0].blend, 0xFF0000);
  EXPECT_EQ(r.r_instances[0].alpha, 0.5);
  EXPECT_EQ(r.r_instances[0].angle, 90);
  // The automatic id steps around the one the manifest gives.
  EXPECT_EQ(r.r_instances[1].id, 100001);
  EXPECT_EQ(r.r_instances[0].id, 100002);
  EXPECT_EQ(game.rooms.Get(2)->r_instances[0].id, 100003);
  ASSERT_EQ(r.r_tile.size(), 1u);
  EXPECT_EQ(r.r_tile[0].xo, 16);
  EXPECT_EQ(r.r_tile[0].w, 8);
  EXPECT_EQ(r.r_tile[0].h, 16);
  EXPECT_EQ(r.r_tile[0].depth, -10);
  EXPECT_EQ(r.r_tile[0].id, 10000001);
  EXPECT_EQ(game.lastInstanceId, 100003);
  EXPECT_EQ(game.lastTileId, 10000009);
  EXPECT_EQ(game.roomOrder, (std::vector<int32_t>{2, 0, 2}));

  ASSERT_EQ(game.includedFiles.size(), 2u);
  const CDataFile &f = *game.includedFiles[0];
  EXPECT_EQ(f.s_filename, "x.txt");
  EXPECT_EQ(f.s_origname, "data/x.txt");
  EXPECT_TRUE(f.s_exists);
  EXPECT_TRUE(f.s_store);
  EXPECT_EQ(f.s_size, 7);
  EXPECT_EQ(std::string(f.s_data.Bytes().begin(), f.s_data.Bytes().end()), "carried");
  EXPECT_EQ(f.s_exportaction, CDataFile::kExportDir);
  EXPECT_EQ(f.s_exportdir, "out");
  EXPECT_TRUE(f.s_overwrite);
  EXPECT_FALSE(f.s_freedata);
  EXPECT_FALSE(f.s_removeend);
  const CDataFile &m = *game.includedFiles[1];  // not stored: the file need not exist
  EXPECT_FALSE(m.s_exists);
  EXPECT_FALSE(m.s_store);
  EXPECT_EQ(m.s_filename, "m.bin");
  EXPECT_EQ(m.s_exportaction, CDataFile::kExportTemp);

  EXPECT_EQ(game.gameInfo.text, PlainTextToRtf("a {b}\nc"));
  EXPECT_EQ(game.gameInfo.left, 10);
  EXPECT_FALSE(game.gameInfo.pausegame);
  EXPECT_EQ(game.gameInfo.backcolor, 0x010000);
  EXPECT_EQ(game.libraryInitCode, (std::vector<std::string>{"x = 1;", "return 1;"}));
}

TEST_F(PackProjectTest, RichTextInformationIsCarriedAsItIs) {
  const std::string rtf = "{\\rtf1\\ansi Hello\\par}";
  dir.Write("info.rtf", rtf);
  dir.Write("info.txt", "{not rtf}");
  RGameModel game;
  ASSERT_EQ(Read(R"({"game_id": 1, "rooms": [{"name": "r"}], "game_information": {"file": "info.rtf"}})", game), "");
  EXPECT_EQ(game.gameInfo.text, rtf);
  ASSERT_EQ(Read(R"({"game_id": 1, "rooms": [{"name": "r"}], "game_information": {"file": "info.txt"}})", game), "");
  EXPECT_EQ(game.gameInfo.text, PlainTextToRtf("{not rtf}"));
}

TEST(PackText, PlainTextBecomesRtf) {
  struct Case {
    const char *plain;
    const char *body;  // between the document header and the closing brace
  };
  const Case cases[] = {
      {"", ""},
      {"a\\b{c}", "a\\\\b\\{c\\}"},
      {"one\ntwo\r\nthree\rfour", "one\\par\ntwo\\par\nthree\\par\nfour"},
      {"\xC3\xA9t\xC3\xA9", "\\u233?t\\u233?"},                    // é: one UTF-16 unit
      {"\xE2\x82\xAC", "\\u8364?"},                                  // €
      {"\xF0\x9F\x98\x80", "\\u-10179?\\u-8704?"},                  // U+1F600 as a surrogate pair
      {"\xFF!", "\\u-3?!"},                                          // a stray byte becomes U+FFFD
      {"\xEF\xBB\xBFx", "x"},                                        // the byte order mark is dropped
  };
  const std::string head = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 ";
  for (const Case &c : cases) EXPECT_EQ(PlainTextToRtf(c.plain), head + c.body + "}") << c.plain;
  EXPECT_TRUE(IsRichText(" \n{\\rtf1 x}"));
  EXPECT_FALSE(IsRichText("{\\rt"));
}

TEST(PackText, DefaultIdentifierIsStablePerGameId) {
  EXPECT_EQ(DefaultIdentifier(7), DefaultIdentifier(7));
  EXPECT_NE(DefaultIdentifier(7), DefaultIdentifier(8));
  EXPECT_NE(DefaultIdentifier(0), (std::array<uint8_t, 16>{}));
}

}  // namespace

namespace {

// Damaged manifests (bytes dropped, inserted or repeated at random, from a
// fixed seed) either read or fail with a message; nothing else escapes.
TEST(PackProjectRobustness, DamagedManifestsFailWithAMessage) {
  const std::string dir = std::string(QUILLON_SOURCE_DIR) + "/tests/games/full";
  std::ifstream in(dir + "/game.json", std::ios::binary);
  const std::string original((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(original.empty());
  const std::string alphabet = "{}[]\":,0123456789-.eE truefalsn\\/*";
  std::mt19937 rng(1234);
  int failed = 0;
  for (int round = 0; round < 600; ++round) {
    std::string text = original;
    const int edits = 1 + static_cast<int>(rng() % 3);
    for (int e = 0; e < edits && !text.empty(); ++e) {
      const size_t at = rng() % text.size();
      switch (rng() % 3) {
        case 0: text.erase(at, 1 + rng() % 8); break;
        case 1: text.insert(at, 1, alphabet[rng() % alphabet.size()]); break;
        default: text.insert(at, text.substr(at, 1 + rng() % 40)); break;
      }
    }
    RGameModel game;
    try {
      ReadProjectText(text, "game.json", ProjectFiles(dir), game);
    } catch (const PackError &e) {
      ++failed;
      EXPECT_EQ(std::string(e.what()).rfind("game.json: ", 0), 0u) << e.what();
    } catch (const std::exception &e) {
      ADD_FAILURE() << "unexpected " << e.what() << " for:\n" << text;
    }
  }
  // Most damage is caught; the few edits that keep the manifest valid pass.
  EXPECT_GT(failed, 300);
}

}  // namespace
