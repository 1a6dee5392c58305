// The seed corpus of the loader's fuzz target: small games, valid and broken,
// each with the outcome it must keep giving. With QUILLON_WRITE_CORPUS=1 the
// seeds are written anew into the source tree before they are checked.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "data/Background_Class.h"
#include "data/Sprite_Class.h"
#include "runner/Game_Fixture.h"

using namespace fixture;
namespace fs = std::filesystem;

namespace {

struct RSeed {
  const char *file;
  std::function<RGameFileImage()> build;
  TLoadStatus status;
  std::vector<std::string> messages;
};

// A seed for the fuzz target's wrapping mode: 'S', then a plain body.
RGameFileImage Plain(const RGameModel &game, const RGameFileOptions &options = SmallFile()) {
  RGameFileImage img;
  img.bytes.push_back('S');
  const std::vector<uint8_t> body = GameWriter_PlainBody(game, options);
  img.bytes.insert(img.bytes.end(), body.begin(), body.end());
  return img;
}

// How the fuzz target reads a seed.
RLoadResult LoadSeed(const std::vector<uint8_t> &bytes) {
  if (!bytes.empty() && bytes[0] == 'S') {
    RGameFileOptions wrap;
    wrap.minDataOffset = 0;
    return Runner_LoadGameBytes(
        GameWriter_WrapBody(std::vector<uint8_t>(bytes.begin() + 1, bytes.end()), wrap).bytes, SearchFrom(0));
  }
  return Runner_LoadGameBytes(bytes, SearchFrom(0));
}

RGameModel RichGame() {
  RGameModel g = MinimalGame();
  g.debug = true;
  g.settingsVersion = 810;
  g.settings.opt_showprogress = false;
  g.constants.Add("lives_start", "3");
  auto sprite = std::make_unique<CSprite>();
  sprite->LoadStripFromBitmap(TBitmap32(4, 2, 0xFF102030u), 2, false, false, 1, 1);
  Add(g.sprites, "spr", std::move(sprite));
  AddEmpty(g.sprites);
  auto back = std::make_unique<CBackground>();
  back->CreateColor(3, 1, 0x0000FF);
  Add(g.backgrounds, "back", std::move(back));
  auto script = std::make_unique<CScript>();
  script->s_text = "return 1;";
  Add(g.scripts, "scr", std::move(script));
  CRoom &room = *g.rooms.Get(0);
  room.r_instances.push_back(RInstanceRecord{16, 16, 0, 100001, "x = 1;", 1, 1, 0xFFFFFF, 1, 90});
  room.r_tile.push_back(RTile{});
  auto pkg = std::make_unique<CExtensionPackage>();
  pkg->s_name = "pkg";
  pkg->s_folder = "pkg";
  auto file = std::make_unique<CExtensionFile>();
  file->s_kind = CExtensionFile::kScriptSource;
  file->s_filename = "a.gml";
  file->s_data = {'#', 'd', 'e', 'f', 'i', 'n', 'e', ' ', 'a', '\r', '1', '\r'};
  auto fn = std::make_unique<CExtensionFunction>();
  fn->s_name = "a";
  file->s_functions.push_back(std::move(fn));
  pkg->s_includes.push_back(std::move(file));
  g.extensions.push_back(std::move(pkg));
  auto df = std::make_unique<CDataFile>();
  df->s_filename = "f.txt";
  g.includedFiles.push_back(std::move(df));
  g.libraryInitCode = {"a = 1;"};
  return g;
}

RGameFileImage WithHook(int section, std::function<void(CStream &)> write) {
  RGameFileOptions o = SmallFile();
  o.sectionHook = [section, write](int index, CStream &out) {
    if (index != section) return false;
    write(out);
    return true;
  };
  return GameWriter_Build(MinimalGame(), o);
}

const std::vector<RSeed> &Seeds() {
  static const std::vector<RSeed> seeds = {
      {"valid_minimal", [] { return GameWriter_Build(MinimalGame(), SmallFile()); }, TLoadStatus::Loaded, {}},
      {"valid_rich", [] { return GameWriter_Build(RichGame(), SmallFile()); }, TLoadStatus::Loaded, {}},
      {"wrong_version",
       [] {
         RGameFileOptions o = SmallFile();
         o.headerVersion = 800;
         return GameWriter_Build(MinimalGame(), o);
       },
       TLoadStatus::Failed, {kMsgWrongVersion}},
      {"check_failed",
       [] {
         RGameFileImage img = GameWriter_Build(RichGame(), SmallFile());
         img.bytes[img.bytes.size() / 2] ^= 0x21;
         return img;
       },
       TLoadStatus::CheckFailed, {}},
      {"sections_cut_short", [] { return WithHook(15, [](CStream &s) { s.WriteInteger(700), s.WriteInteger(2); }); },
       TLoadStatus::Failed, {kMsgCorrupted}},
      {"extension_failed",
       [] { return WithHook(0, [](CStream &s) { s.WriteInteger(700), s.WriteInteger(1), s.WriteInteger(0); }); },
       TLoadStatus::Failed, {kMsgExtensionPackages, kMsgResourceData}},
      {"empty_room_order",
       [] {
         RGameModel g = MinimalGame();
         g.roomOrder.clear();
         return GameWriter_Build(g, SmallFile());
       },
       TLoadStatus::Failed, {kMsgResourceData}},
      {"no_marker",
       [] {
         RGameFileImage img;
         for (int i = 0; i < 300; ++i) img.bytes.push_back(static_cast<uint8_t>(i * 37));
         return img;
       },
       TLoadStatus::Failed, {kMsgNotValid}},
      {"sprite_frame_broken",
       [] {
         return WithHook(4, [](CStream &s) {
           // One sprite whose only frame claims more pixels than its block holds.
           s.WriteInteger(800), s.WriteInteger(1);
           CStream item, pixels;
           item.WriteBoolean(true), item.WriteString("spr"), item.WriteInteger(800);
           item.WriteInteger(0), item.WriteInteger(0), item.WriteInteger(1);
           item.WriteInteger(800), item.WriteInteger(100), item.WriteInteger(100);
           pixels.WriteInteger(0);
           item.WriteStreamC(pixels);
           s.WriteStreamC(item);
         });
       },
       TLoadStatus::Failed, {kMsgResourceData}},
      {"plain_minimal", [] { return Plain(MinimalGame()); }, TLoadStatus::Loaded, {}},
      {"plain_rich", [] { return Plain(RichGame()); }, TLoadStatus::Loaded, {}},
      {"plain_settings_799",
       [] {
         RGameModel g = MinimalGame();
         g.settingsVersion = 799;
         return Plain(g);
       },
       TLoadStatus::Failed, {kMsgResourceData}},
  };
  return seeds;
}

}  // namespace

TEST(LoaderCorpus, SeedsKeepTheirOutcomes) {
  const fs::path dir = fs::path(QUILLON_SOURCE_DIR) / "tests" / "fuzz" / "corpus" / "fuzz_loader";
  const char *write = std::getenv("QUILLON_WRITE_CORPUS");
  if (write && std::string(write) == "1") {
    fs::create_directories(dir);
    for (const RSeed &s : Seeds()) {
      const RGameFileImage img = s.build();
      std::ofstream(dir / s.file, std::ios::binary)
          .write(reinterpret_cast<const char *>(img.bytes.data()), static_cast<std::streamsize>(img.bytes.size()));
    }
  }
  for (const RSeed &s : Seeds()) {
    SCOPED_TRACE(s.file);
    const fs::path p = dir / s.file;
    ASSERT_TRUE(fs::exists(p)) << "run with QUILLON_WRITE_CORPUS=1 to make the seed";
    EXPECT_LT(fs::file_size(p), 100u * 1024u);
    std::ifstream in(p, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const RLoadResult r = LoadSeed(bytes);
    EXPECT_EQ(r.status, s.status);
    EXPECT_EQ(r.messages, s.messages);
  }
}
