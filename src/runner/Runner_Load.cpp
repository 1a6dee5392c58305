#include "runner/Runner_Load.h"


#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "code/Constant_Main.h"
#include "code/Extension_Main.h"
#include "code/Script_Main.h"
#include "dialogs/Help_Main.h"
#include "data/Background_Main.h"
#include "data/Sprite_Main.h"
#include "data/DataNew_Main.h"
#include "base/Option_Main.h"
#include "sound/Sound_Main.h"
#include "data/Font_Main.h"
#include "base/Support_File.h"
#include "base/Support_Stream.h"
#include "base/Support_Trace.h"
#include "world/Action_Lib.h"
#include "world/Object_Main.h"
#include "world/Path_Main.h"
#include "world/Room_Main.h"
#include "world/TimeLine_Main.h"
#include "world/Trigger_Main.h"


const std::array<RSectionInfo, 16> kSectionInfo = {{
    {0, "Loading extension packages", "extension packages"},
    {5, "Loading triggers", "triggers"},
    {6, "Loading constants", "constants"},
    {7, "Loading sounds", "sounds"},
    {10, "Loading sprites", "sprites"},
    {23, "Loading backgrounds", "backgrounds"},
    {30, "Loading paths", "paths"},
    {32, "Loading scripts", "scripts"},
    {34, "Loading fonts", "fonts"},
    {36, "Loading time lines", "time lines"},
    {38, "Loading objects", "objects"},
    {40, "Loading rooms", "rooms"},
    {43, "Loading included files", "included files"},
    {45, "Loading help", "game information"},
    {47, "Loading library init code", "library init code"},
    {49, "Loading room order", "room order"},
}};

void CTraceLoadProgress::Progress(int percent, std::string_view caption) {
  (void)percent;
  Trace(caption);
}

namespace {

using Clock = std::chrono::steady_clock;

class CStopwatch {
public:
  explicit CStopwatch(RLoadTimings *t) : m_on(t != nullptr), m_last(m_on ? Clock::now() : Clock::time_point()) {}
  // Adds the time since the last lap to field.
  void Lap(double &field) {
    if (!m_on) return;
    const Clock::time_point now = Clock::now();
    field += std::chrono::duration<double>(now - m_last).count();
    m_last = now;
  }

private:
  bool m_on;
  Clock::time_point m_last;
};

RLoadResult Fail(std::initializer_list<const char *> messages) {
  RLoadResult r;
  r.status = TLoadStatus::Failed;
  for (const char *m : messages) r.messages.emplace_back(m);
  return r;
}

// Each section loader answers whether the section was read; the extension
// packages' loader also shows its own message before failing.
enum class TSectionOutcome { Ok, Failed, ExtensionFailed };

TSectionOutcome LoadSection(int index, CStream &s) {
  bool ok = false;
  switch (index) {
    case 0:
      switch (Extension_Load(s)) {
        case TExtensionLoad::Ok: return TSectionOutcome::Ok;
        case TExtensionLoad::WrongVersion: return TSectionOutcome::Failed;
        case TExtensionLoad::PackageFailed: return TSectionOutcome::ExtensionFailed;
      }
      return TSectionOutcome::Failed;
    case 1: ok = Trigger_Load(s); break;
    case 2: ok = Constant_Load(s); break;
    case 3: ok = Sound_Load(s); break;
    case 4: ok = Sprite_Load(s); break;
    case 5: ok = Background_Load(s); break;
    case 6: ok = Path_Load(s); break;
    case 7: ok = Script_Load(s); break;
    case 8: ok = Font_Load(s); break;
    case 9: ok = TimeLine_Load(s); break;
    case 10: ok = Object_Load(s); break;
    case 11: ok = Room_Load(s); break;
    case 12: ok = DataFile_Load(s); break;
    case 13: ok = Help_Load(s); break;
    case 14: ok = LibInit_Load(s); break;
    case 15: ok = RoomOrder_Load(s); break;
    default: break;
  }
  return ok ? TSectionOutcome::Ok : TSectionOutcome::Failed;
}

// A helper file name from the game data names a file directly inside the
// temporary directory, or it is not written.
bool IsPlainFileName(const std::string &name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_of("/\\") == std::string::npos && name.find('\0') == std::string::npos;
}

RLoadResult LoadFromStream(CStream &file, const RLoadOptions &options, CStopwatch &watch) {
  CTraceLoadProgress traceProgress;
  ILoadProgress &progress = options.progress ? *options.progress : traceProgress;
  RLoadTimings dummy;
  RLoadTimings &t = options.timings ? *options.timings : dummy;

  const int64_t p = Runner_FindMarker(file.Memory(), file.Size(), options.searchStart);
  watch.Lap(t.markerSearch);
  if (p < 0) return Fail({kMsgNotValid});

  // The version word is masked with the marker halves the search ignores.
  uint8_t *mem = file.Memory();
  uint32_t a, b, v;
  std::memcpy(&a, mem + p, 4);
  std::memcpy(&b, mem + p + 4, 4);
  const uint32_t mask = (a & 0x00FF00FFu) | (b & 0xFF00FF00u);
  if (file.Size() < p + 20) return Fail({kMsgCorrupted});
  std::memcpy(&v, mem + p + 16, 4);
  v ^= mask;
  std::memcpy(mem + p + 16, &v, 4);

  if (!file.DecryptWad(p + 8)) {
    RLoadResult r;
    r.status = TLoadStatus::CheckFailed;
    return r;
  }
  watch.Lap(t.descramble);

  file.Seek(p + 16);
  if (file.ReadInteger() != GameFormat::kHeaderVersion) return Fail({kMsgWrongVersion});
  file.ReadInteger();
  g_DebugMode = file.ReadBoolean();
  file.ReadInteger();
  if (!g_Settings.ReadFromStream(file)) return Fail({kMsgResourceData});
  progress.Progress(1, "Reading data");
  progress.Begin(g_Settings, g_DebugMode);
  progress.Progress(0, "Loading");

  // The graphics helper library travels with the game and is placed in the
  // temporary directory under its stored name. This runner draws with its
  // own code, so any content is accepted, the packer's placeholder included.
  const std::string helperName = file.ReadString();
  std::unique_ptr<CStream> helper = file.ReadStreamC();
  g_GraphicsHelperPath.clear();
  if (!TempDirPath().empty()) {
    if (!IsPlainFileName(helperName)) return Fail({kMsgHelperFailed});
    const std::string path = (std::filesystem::path(TempDirPath()) / helperName).string();
    try {
      helper->SaveToFile(path, false);  // a scratch file of this run
    } catch (const EStreamError &) {
      return Fail({kMsgHelperFailed});
    }
    g_GraphicsHelperPath = path;
  }
  helper.reset();
  watch.Lap(t.header);

  std::unique_ptr<CStream> s = file.ReadStreamE();
  watch.Lap(t.decodeE);
  const int32_t filler = s->ReadInteger();
  if (filler > 0) {
    if (static_cast<int64_t>(filler) * 4 > s->Size() - s->Position()) throw EStreamError("Read past the end");
    s->Seek(s->Position() + static_cast<int64_t>(filler) * 4);
  }
  s->ReadInteger();
  g_GameId = s->ReadInteger();
  s->Read(g_GameGuid.data(), static_cast<int64_t>(g_GameGuid.size()));

  for (int i = 0; i < static_cast<int>(kSectionInfo.size()); ++i) {
    progress.Progress(kSectionInfo[static_cast<size_t>(i)].progress, kSectionInfo[static_cast<size_t>(i)].caption);
    switch (LoadSection(i, *s)) {
      case TSectionOutcome::Ok: break;
      case TSectionOutcome::Failed: return Fail({kMsgResourceData});
      case TSectionOutcome::ExtensionFailed: return Fail({kMsgExtensionPackages, kMsgResourceData});
    }
  }
  watch.Lap(t.sections);
  RLoadResult ok;
  ok.status = TLoadStatus::Loaded;
  return ok;
}

}  // namespace

int64_t Runner_FindMarker(const uint8_t *data, int64_t size, int64_t start) {
  // The marker test looks at bytes 1 and 3 of A and bytes 0 and 2 of B:
  // 0x00, 0xF7, 0x67, 0x14. The rare 0xF7 is scanned for, the rest checked.
  if (start < 0) start = 0;
  const int64_t last = size - 8;  // the last position with both words inside
  int64_t p = start;
  while (p <= last) {
    const void *hit = std::memchr(data + p + 3, 0xF7, static_cast<size_t>(last - p + 1));
    if (!hit) return -1;
    p = static_cast<const uint8_t *>(hit) - data - 3;
    if (data[p + 1] == 0x00 && data[p + 4] == 0x67 && data[p + 6] == 0x14) return p;
    ++p;
  }
  return -1;
}

RLoadResult Runner_LoadGameBytes(std::vector<uint8_t> bytes, const RLoadOptions &options) {
  CStopwatch watch(options.timings);
  CStream::InitFastCRC();
  // Anything that goes wrong below the messages of the format itself (a read
  // past the end, corrupt compressed data, no memory for a record) is a
  // corrupted file.
  try {
    CStream file(std::move(bytes));
    return LoadFromStream(file, options, watch);
  } catch (const std::exception &) {
    return Fail({kMsgCorrupted});
  }
}

RLoadResult Runner_LoadGameFile(const std::string &path, const RLoadOptions &options) {
  g_ApplicationTitle = std::filesystem::path(path).stem().string();
  CStopwatch watch(options.timings);
  std::vector<uint8_t> bytes;
  if (!ReadRegularFile(path, bytes)) return Fail({kMsgCannotRead});
  if (options.timings) watch.Lap(options.timings->fileRead);
  return Runner_LoadGameBytes(std::move(bytes), options);
}
