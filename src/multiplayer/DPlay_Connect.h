// The connection of this copy: its kind, where sessions are looked for, and
// the sessions found there. TCP/IP is the one kind this machine offers; the
// others answer false.
//
// Finding sessions sends a Find datagram to the discovery ports (the service
// port and the 7 after it) of the address given to mplay_init_tcpip, or of
// the local network when it was empty, and gathers the answers of hosts of
// this game for a short while. QUILLON_NET_PORT sets the service port when
// the address names none (default 47624).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "multiplayer/DPlay_Low.h"

inline constexpr uint16_t kServicePortDefault = 47624;
inline constexpr int32_t kDiscoveryPorts = 8;
// How long a search waits for answers.
inline constexpr int32_t kFindMillis = 250;

// One session found.
struct RFoundSession {
  TGuid instance{};
  std::string name;
  uint32_t host = 0;  // address and port of the host's endpoint
  uint16_t port = 0;
  uint8_t flags = 0;
};

// 0 none, 1 IPX, 2 TCP/IP, 3 modem, 4 serial.
int32_t DPlay_ConnectStatus();
// Opens a TCP/IP connection: "" for the local network, a host name or a
// dotted address, either with ":port" for the service port. False when
// already connected, when the network is missing or the name does not resolve.
bool DPlay_ConnectTcpip(const std::string &address);
// Forgets the connection (the session must be gone already).
void DPlay_Disconnect();
// The service port of the connection.
uint16_t DPlay_ServicePort();

// Searches for sessions of the game; answers how many were found.
int32_t DPlay_FindSessions(const TGuid &game);
const std::vector<RFoundSession> &DPlay_Found();

// A discovery socket on the first free port of the service range; 0 when
// none is free.
uint32_t DPlay_DiscoveryOpen();
