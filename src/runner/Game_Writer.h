// The writer's side of the game file: a whole game held in memory (RGameModel)
// becomes the bytes of a game file, exactly as the loader reads them. The
// packer builds its output with it, and tests build small games with it.
//
// File layout: [program image][zero padding][marker A][marker B][seed]
// [check][masked version][body]. The body (debug flag, settings, graphics
// helper file, scrambled resource data) is scrambled as a whole and runs to
// the end of the file.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "code/Constant_Main.h"
#include "code/Extension_Main.h"
#include "code/Script_Class.h"
#include "dialogs/Help_Main.h"
#include "data/Background_Class.h"
#include "data/Font_Main.h"
#include "data/Sprite_Class.h"
#include "data/DataNew_Main.h"
#include "base/Game_Format.h"
#include "base/Option_Main.h"
#include "sound/Sound_Main.h"
#include "world/Object_Class.h"
#include "world/Path_Class.h"
#include "world/Room_Class.h"
#include "world/TimeLine_Class.h"
#include "world/Trigger_Class.h"

struct RGameModel {
  // --- header ---------------------------------------------------------------
  bool debug = false;
  int32_t headerUnused1 = 0;  // the two header integers the runner ignores
  int32_t headerUnused2 = 0;
  TGameSettings settings;
  int32_t settingsVersion = 820;
  std::string helperName = GameFormat::kGraphicsHelperName;
  std::vector<uint8_t> helperContent{std::begin(GameFormat::kGraphicsHelperPlaceholder),
                                     std::end(GameFormat::kGraphicsHelperPlaceholder) - 1};

  // --- resource data --------------------------------------------------------
  int32_t fillerCount = 0;      // filler integers before the game id (any values)
  int32_t resourceUnused = 0;
  int32_t gameId = 0;
  std::array<uint8_t, 16> guid{};

  // --- the sixteen sections, in file order ---------------------------------
  RExtensionList extensions;
  RResourceList<CTrigger> triggers;  // names unused
  RConstantList constants;
  RSoundList sounds;
  RResourceList<CSprite> sprites;
  RResourceList<CBackground> backgrounds;
  RResourceList<CPath> paths;
  RResourceList<CScript> scripts;
  RFontList fonts;
  RResourceList<CTimeLine> timelines;
  RResourceList<CObject> objects;
  RResourceList<CRoom> rooms;
  int32_t lastInstanceId = 100000;
  int32_t lastTileId = 10000000;
  RDataFileList includedFiles;
  RGameInformation gameInfo;
  std::vector<std::string> libraryInitCode;
  std::vector<int32_t> roomOrder;
};

// The number of sections in the resource data.
inline constexpr int kSectionCount = 16;

struct RGameFileOptions {
  // The program the data is appended to (empty for a bare game-data file).
  std::vector<uint8_t> prefix;
  // The data starts at max(prefix size, minDataOffset); the gap is zeros.
  // The runner searches a game file from kMarkerSearchStart on.
  int64_t minDataOffset = GameFormat::kMarkerSearchStart;
  // The marker halves the test does not look at; they mask the version word.
  uint32_t markerMask = 0x5A3C96E1u;
  uint32_t seed = 0x13572468u;
  int32_t headerVersion = GameFormat::kHeaderVersion;
  // Writes section `index` (0..15) itself when it answers true: lets tests
  // build broken sections. Unset: every section comes from the model.
  std::function<bool(int index, CStream &out)> sectionHook;
};

struct RGameFileImage {
  std::vector<uint8_t> bytes;
  int64_t dataOffset = 0;  // where the marker starts
};

// One section of the model, version included.
void GameWriter_WriteSection(int index, const RGameModel &game, CStream &out);
// The plain resource data: filler, ids, identifier and all sections.
void GameWriter_WriteResourceData(const RGameModel &game, CStream &out,
                                  const std::function<bool(int, CStream &)> &hook = {});
// The body before scrambling: header fields, settings, helper file and the
// scrambled resource data.
std::vector<uint8_t> GameWriter_PlainBody(const RGameModel &game, const RGameFileOptions &options = {});
// A file around a plain body: prefix, padding, marker, seed, check, masked
// version, and the body scrambled.
RGameFileImage GameWriter_WrapBody(const std::vector<uint8_t> &body, const RGameFileOptions &options = {});
// The whole file.
RGameFileImage GameWriter_Build(const RGameModel &game, const RGameFileOptions &options = {});
// Builds and writes the file completely or not at all; raises EStreamError.
void GameWriter_WriteFile(const std::string &path, const RGameModel &game, const RGameFileOptions &options = {});
