// What copies of a game send each other: the message body that carries one
// message or one shared value, and the small versioned framing of the
// session protocol around it (docs/network.md draws both). Everything read
// from the network passes through the decoders here, which check every
// length before they use it and answer false for anything malformed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "code/Variable_Class.h"

// One received message or shared-value update.
struct TMess {
  uint32_t player = 0;     // id of the sending player
  bool ismessage = true;   // a message; false for a shared-value update
  int32_t messid = 0;      // the message id, or the shared value's index
  RValue val;              // the message value, or the shared value
};

// A string value travels as at most this many bytes.
inline constexpr size_t kBodyStringMax = 32000;
// The largest body a send can produce.
inline constexpr size_t kBodyMax = 1 + 4 + 1 + 4 + kBodyStringMax;

// The body of one message or shared-value update; a longer string is cut to
// its first 32000 bytes.
std::vector<uint8_t> DPlay_EncodeBody(bool ismessage, int32_t messid, const RValue &val);
// Decodes a whole body; false (and m untouched) when the bytes break the format.
bool DPlay_DecodeBody(const uint8_t *data, size_t size, TMess &m);

// --- session protocol ---

inline constexpr uint8_t kFrameVersion = 1;
// Every frame starts "QN", the version, the kind.
inline constexpr size_t kFrameHeader = 4;
// Names of sessions and players travel as at most this many bytes.
inline constexpr size_t kNameMax = 255;
// Players in one session, the host included.
inline constexpr int32_t kPlayersMax = 64;
// The largest packet an endpoint takes.
inline constexpr size_t kPacketMax = 65536;

using TGuid = std::array<uint8_t, 16>;

enum class TFrameKind : uint8_t {
  Find = 1,      // datagram: who hosts a session of this game?
  Here = 2,      // datagram: this host does
  Join = 10,     // to the host: let me in (or back in, after the host moved)
  Welcome = 11,  // from the host: your id and who is there
  Refuse = 12,   // from the host: no
  Roster = 13,   // from the host: who is there now
  Data = 20,     // a body from one player to one player or to all
};

struct RFind {
  TGuid game{};
  uint32_t nonce = 0;
};
struct RHere {
  TGuid game{};
  uint32_t nonce = 0;
  TGuid instance{};
  uint16_t port = 0;  // the host's endpoint
  uint16_t players = 0, maxPlayers = 0;
  uint8_t flags = 0;  // 1: the host moves when it leaves
  std::string name;
};
struct RJoin {
  TGuid game{};
  TGuid instance{};
  uint16_t port = 0;       // where the joining copy's endpoint listens
  uint32_t previousId = 0; // its id before the host moved; 0 for a new player
  std::string name;
};
struct RRosterEntry {
  uint32_t id = 0;
  uint32_t host = 0;  // address and port of the player's endpoint
  uint16_t port = 0;
  std::string name;
};
struct RRoster {
  uint32_t hostId = 0;
  uint8_t flags = 0;
  std::vector<RRosterEntry> players;
};
struct RWelcome {
  uint32_t yourId = 0;
  RRoster roster;
};
struct RDataFrame {
  uint32_t from = 0, to = 0;  // to 0: every player but the sender
  const uint8_t *body = nullptr;
  size_t size = 0;
};

std::vector<uint8_t> DPlay_Frame(const RFind &f);
std::vector<uint8_t> DPlay_Frame(const RHere &f);
std::vector<uint8_t> DPlay_Frame(const RJoin &f);
std::vector<uint8_t> DPlay_Frame(const RWelcome &f);
std::vector<uint8_t> DPlay_FrameRefuse(uint8_t reason);
std::vector<uint8_t> DPlay_Frame(const RRoster &f);
std::vector<uint8_t> DPlay_FrameData(uint32_t from, uint32_t to, const std::vector<uint8_t> &body);

// The kind of a frame of our version, or false.
bool DPlay_FrameKind(const uint8_t *data, size_t size, TFrameKind &kind);
bool DPlay_Parse(const uint8_t *data, size_t size, RFind &f);
bool DPlay_Parse(const uint8_t *data, size_t size, RHere &f);
bool DPlay_Parse(const uint8_t *data, size_t size, RJoin &f);
bool DPlay_Parse(const uint8_t *data, size_t size, RWelcome &f);
bool DPlay_Parse(const uint8_t *data, size_t size, RRoster &f);
bool DPlay_Parse(const uint8_t *data, size_t size, RDataFrame &f);
