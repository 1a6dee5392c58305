#include "runner/Game_Writer.h"

#include <algorithm>
#include <cstring>

#include "data/Background_Main.h"
#include "data/Sprite_Main.h"

#include "world/Action_Lib.h"
#include "world/Object_Main.h"
#include "world/Path_Main.h"
#include "world/Room_Main.h"
#include "world/TimeLine_Main.h"
#include "world/Trigger_Main.h"

namespace {

constexpr int32_t kScriptSectionVersion = 800;

void PutWord(std::vector<uint8_t> &bytes, int64_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(at + i)] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

void GameWriter_WriteSection(int index, const RGameModel &game, CStream &out) {
  switch (index) {
    case 0: Extension_SaveSection(out, game.extensions); break;
    case 1: Trigger_SaveSection(out, game.triggers); break;
    case 2: Constant_SaveSection(out, game.constants); break;
    case 3: Sound_SaveSection(out, game.sounds); break;
    case 4: Sprite_SaveSection(out, game.sprites); break;
    case 5: Background_SaveSection(out, game.backgrounds); break;
    case 6: Path_SaveSection(out, game.paths); break;
    case 7:
      out.WriteInteger(kScriptSectionVersion);
      SaveNamedItems(out, game.scripts);
      break;
    case 8: Font_SaveSection(out, game.fonts); break;
    case 9: TimeLine_SaveSection(out, game.timelines); break;
    case 10: Object_SaveSection(out, game.objects); break;
    case 11: Room_SaveSection(out, game.rooms, game.lastInstanceId, game.lastTileId); break;
    case 12: DataFile_SaveSection(out, game.includedFiles); break;
    case 13: Help_SaveSection(out, game.gameInfo); break;
    case 14: LibInit_SaveSection(out, game.libraryInitCode); break;
    case 15: RoomOrder_SaveSection(out, game.roomOrder); break;
    default: break;
  }
}

void GameWriter_WriteResourceData(const RGameModel &game, CStream &out,
                                  const std::function<bool(int, CStream &)> &hook) {
  const int32_t filler = std::max<int32_t>(game.fillerCount, 0);
  out.WriteInteger(filler);
  for (int32_t i = 0; i < filler; ++i) out.WriteInteger(i * 7919);
  out.WriteInteger(game.resourceUnused);
  out.WriteInteger(game.gameId);
  out.Write(game.guid.data(), static_cast<int64_t>(game.guid.size()));
  for (int i = 0; i < kSectionCount; ++i)
    if (!hook || !hook(i, out)) GameWriter_WriteSection(i, game, out);
}

std::vector<uint8_t> GameWriter_PlainBody(const RGameModel &game, const RGameFileOptions &options) {
  CStream body;
  body.WriteInteger(game.headerUnused1);
  body.WriteBoolean(game.debug);
  body.WriteInteger(game.headerUnused2);
  game.settings.WriteToStream(body, game.settingsVersion);
  body.WriteString(game.helperName);
  CStream helper(game.helperContent);
  body.WriteStreamC(helper);
  CStream resources;
  GameWriter_WriteResourceData(game, resources, options.sectionHook);
  body.WriteStreamE(resources);
  return body.Bytes();
}

RGameFileImage GameWriter_WrapBody(const std::vector<uint8_t> &body, const RGameFileOptions &options) {
  const int64_t offset = std::max<int64_t>(static_cast<int64_t>(options.prefix.size()), options.minDataOffset);
  const int64_t bodySize = static_cast<int64_t>(body.size());
  CStream file;
  file.SetSize(offset + 20 + bodySize);
  uint8_t *mem = file.Memory();
  if (!options.prefix.empty()) std::memcpy(mem, options.prefix.data(), options.prefix.size());
  if (!body.empty()) std::memcpy(mem + offset + 20, body.data(), body.size());

  // The marker: the test reads the high bytes of A's half-words and the low
  // bytes of B's; the remaining halves form the mask of the version word.
  const uint32_t mask = options.markerMask;
  const uint32_t a = (GameFormat::kMarkerValue & 0xFF00FF00u) | (mask & 0x00FF00FFu);
  const uint32_t b = (GameFormat::kMarkerValue & 0x00FF00FFu) | (mask & 0xFF00FF00u);
  std::vector<uint8_t> head(20);
  PutWord(head, 0, a);
  PutWord(head, 4, b);
  PutWord(head, 8, options.seed);
  PutWord(head, 12, 0);
  PutWord(head, 16, static_cast<uint32_t>(options.headerVersion) ^ mask);
  std::memcpy(mem + offset, head.data(), head.size());

  file.EncryptWad(offset + 8);

  RGameFileImage image;
  image.bytes = file.Bytes();
  image.dataOffset = offset;
  return image;
}

RGameFileImage GameWriter_Build(const RGameModel &game, const RGameFileOptions &options) {
  return GameWriter_WrapBody(GameWriter_PlainBody(game, options), options);
}

void GameWriter_WriteFile(const std::string &path, const RGameModel &game, const RGameFileOptions &options) {
  RGameFileImage image = GameWriter_Build(game, options);
  CStream(std::move(image.bytes)).SaveToFile(path);
}
