// Loading a game: the whole file goes into one stream, the game data is found
// by its marker, descrambled and checked, the header and settings are read,
// the graphics helper file is written into the temporary directory and the
// sixteen sections fill the global resource lists.
//
// The loader never ends the process: it answers a result that says what the
// caller has to show (or that the game is to end silently).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Game_Format.h"

struct TGameSettings;

inline constexpr char kMsgCannotRead[] = "Error: Cannot read the game file.";
inline constexpr char kMsgNotValid[] = "Error: Not a valid game file.";
inline constexpr char kMsgWrongVersion[] = "Error: Wrong version number.";
inline constexpr char kMsgResourceData[] = "Error: Error in resource data.";
inline constexpr char kMsgHelperFailed[] = "Error: Failed to initialize D3DX.";
inline constexpr char kMsgExtensionPackages[] = "Error in loading extension packages.";
inline constexpr char kMsgCorrupted[] = "Failed to load the game data. File seems corrupted.";

// The loading bar. The load form draws it; without one, the captions go to
// the trace log.
class ILoadProgress {
public:
  virtual ~ILoadProgress() = default;
  // The header has been read: the bar takes its look from the settings.
  virtual void Begin(const TGameSettings &settings, bool debugMode) { (void)settings, (void)debugMode; }
  virtual void Progress(int percent, std::string_view caption) = 0;
  // Preparation is done ("Ready"): the bar goes away.
  virtual void End() {}
};

class CTraceLoadProgress : public ILoadProgress {
public:
  void Progress(int percent, std::string_view caption) override;
};

enum class TLoadStatus {
  Loaded,
  Failed,       // messages holds the text(s) to show, in order
  CheckFailed,  // the game data's check failed: end at once, showing nothing
};

struct RLoadResult {
  TLoadStatus status = TLoadStatus::Failed;
  std::vector<std::string> messages;
  bool Loaded() const { return status == TLoadStatus::Loaded; }
};

// Seconds spent in each stage of a load (filled when asked for).
struct RLoadTimings {
  double fileRead = 0;
  double markerSearch = 0;
  double descramble = 0;  // unmasking, descrambling and checking the body
  double header = 0;      // header, settings and graphics helper file
  double decodeE = 0;     // the scrambled resource data
  double sections = 0;
};

struct RLoadOptions {
  // The marker is searched from here on. A game file given to the runner
  // is searched from kMarkerSearchStart; the runner's own executable from
  // past its program image, and never before kMarkerSearchStart.
  int64_t searchStart = GameFormat::kMarkerSearchStart;
  ILoadProgress *progress = nullptr;  // null: captions go to the trace log
  RLoadTimings *timings = nullptr;
};

struct RSectionInfo {
  int progress;
  const char *caption;
  const char *name;  // for summaries
};
extern const std::array<RSectionInfo, 16> kSectionInfo;


// Offset of the first marker at or after start, or -1.
int64_t Runner_FindMarker(const uint8_t *data, int64_t size, int64_t start);

// Loads the game in the file at path; the file name (without extension)
// becomes the application title.
RLoadResult Runner_LoadGameFile(const std::string &path, const RLoadOptions &options = {});
// Loads the game from a whole file's bytes.
RLoadResult Runner_LoadGameBytes(std::vector<uint8_t> bytes, const RLoadOptions &options = {});
