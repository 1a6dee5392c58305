// Constants of the game-file format that the packer and the runner share.
// docs/game-format.md documents them; they are written nowhere else.
#pragma once

#include <cstdint>

namespace GameFormat {

// The two fixed texts around the seed's decimal digits in the key text of
// the data-file scrambling.
inline constexpr char16_t kWadKeyPrefix[] = u"QnLd";
inline constexpr char16_t kWadKeySuffix[] = u"rUnQ";

// The marker search never starts before this offset.
inline constexpr int64_t kMarkerSearchStart = 3800004;

// (A AND 0xFF00FF00) OR (B AND 0x00FF00FF) of the two marker words.
inline constexpr uint32_t kMarkerValue = 0xF7140067u;

inline constexpr int32_t kHeaderVersion = 810;

// The graphics helper library the game data carries: the packer writes this
// name and placeholder content, and the runner accepts it as it is.
inline constexpr char kGraphicsHelperName[] = "D3DX8.dll";
inline constexpr char kGraphicsHelperPlaceholder[] = "QUILLON-GRAPHICS-HELPER-PLACEHOLDER\n";

}  // namespace GameFormat
