#include "multiplayer/DPlay_Connect.h"

#include <cstdlib>
#include <random>

#include "base/Support_Trace.h"
#include "platform/Platform_Main.h"

namespace {

int32_t g_status = 0;
bool g_broadcast = true;  // look on the local network, not at one host
uint32_t g_target = 0;
uint16_t g_port = kServicePortDefault;
std::vector<RFoundSession> g_found;

uint16_t DefaultPort() {
  const char *env = std::getenv("QUILLON_NET_PORT");
  if (env == nullptr) return kServicePortDefault;
  char *end = nullptr;
  const long v = std::strtol(env, &end, 10);
  return (end != env && *end == 0 && v > 0 && v <= 65535 - kDiscoveryPorts) ? static_cast<uint16_t>(v)
                                                                           : kServicePortDefault;
}

}  // namespace

int32_t DPlay_ConnectStatus() { return g_status; }
uint16_t DPlay_ServicePort() { return g_port; }
const std::vector<RFoundSession> &DPlay_Found() { return g_found; }

bool DPlay_ConnectTcpip(const std::string &address) {
  if (g_status != 0) return false;
  INetwork &net = PlatformNetwork();
  if (!net.Available()) return false;
  std::string host = address;
  uint16_t port = DefaultPort();
  const size_t colon = address.find(':');
  if (colon != std::string::npos) {
    host = address.substr(0, colon);
    // The number after the first ":" (digits up to the first other character).
    long v = 0;
    size_t i = colon + 1;
    for (; i < address.size() && address[i] >= '0' && address[i] <= '9' && v <= 65535; ++i) v = v * 10 + (address[i] - '0');
    if (i == colon + 1 || v <= 0 || v > 65535 - kDiscoveryPorts) return false;
    port = static_cast<uint16_t>(v);
  }
  uint32_t target = 0;
  if (!host.empty() && !net.Resolve(host, target)) return false;
  g_broadcast = host.empty();
  g_target = target;
  g_port = port;
  g_status = 2;
  g_found.clear();
  return true;
}

void DPlay_Disconnect() {
  g_status = 0;
  g_found.clear();
}

uint32_t DPlay_DiscoveryOpen() {
  INetwork &net = PlatformNetwork();
  for (int32_t i = 0; i < kDiscoveryPorts; ++i)
    if (const uint32_t s = net.DatagramOpen(static_cast<uint16_t>(g_port + i))) return s;
  return 0;
}

int32_t DPlay_FindSessions(const TGuid &game) {
  g_found.clear();
  if (g_status == 0) return 0;
  INetwork &net = PlatformNetwork();
  const uint32_t socket = net.DatagramOpen(0);
  if (socket == 0) return 0;
  RFind find;
  find.game = game;
  find.nonce = static_cast<uint32_t>(std::random_device{}());
  const std::vector<uint8_t> frame = DPlay_Frame(find);
  for (int32_t i = 0; i < kDiscoveryPorts; ++i) {
    const uint16_t port = static_cast<uint16_t>(g_port + i);
    if (g_broadcast) net.DatagramBroadcast(socket, port, frame.data(), frame.size());
    else net.DatagramSend(socket, {g_target, port}, frame.data(), frame.size());
  }
  IClock &clock = PlatformClock();
  const int64_t end = clock.NowMicros() + int64_t{kFindMillis} * 1000;
  RNetAddress from;
  std::vector<uint8_t> data;
  while (clock.NowMicros() < end) {
    if (!net.DatagramReceive(socket, from, data)) {
      clock.SleepMillis(2);
      continue;
    }
    RHere here;
    if (!DPlay_Parse(data.data(), data.size(), here) || here.game != game || here.nonce != find.nonce) continue;
    bool seen = false;
    for (const RFoundSession &s : g_found) seen = seen || s.instance == here.instance;
    // A host heard twice (by broadcast and on loopback) is one session.
    if (seen || g_found.size() >= 256) continue;
    RFoundSession s;
    s.instance = here.instance;
    s.name = here.name;
    s.host = from.host;
    s.port = here.port;
    s.flags = here.flags;
    g_found.push_back(std::move(s));
    Trace("EnumSessonsCallback - found " + here.name);
  }
  Trace("EnumSessionsCallback - Timeout");
  net.DatagramClose(socket);
  return static_cast<int32_t>(g_found.size());
}
