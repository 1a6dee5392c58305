#include "platform/net/Net_Enet.h"

#include <enet/enet.h>
#include <unistd.h>

#include <cstring>

namespace {

constexpr uint32_t kLoopback = 0x7F000001u;
constexpr size_t kChannels = 2;
constexpr size_t kDatagramMax = 2048;

ENetAddress ToEnet(const RNetAddress &a) {
  ENetAddress e;
  e.host = ENET_HOST_TO_NET_32(a.host);
  e.port = a.port;
  return e;
}
RNetAddress FromEnet(const ENetAddress &e) { return {ENET_NET_TO_HOST_32(e.host), e.port}; }

}  // namespace

struct CEnetNetwork::REndpoint {
  ENetHost *host = nullptr;
  uint32_t nextPeer = 1;
  std::map<uint32_t, ENetPeer *> peers;

  uint32_t Adopt(ENetPeer *p) {
    const uint32_t id = nextPeer++;
    peers[id] = p;
    p->data = reinterpret_cast<void *>(static_cast<uintptr_t>(id));
    return id;
  }
  ENetPeer *Find(uint32_t id) const {
    const auto it = peers.find(id);
    return it == peers.end() ? nullptr : it->second;
  }
};

CEnetNetwork::CEnetNetwork(bool loopbackOnly) : m_loopbackOnly(loopbackOnly) {}

CEnetNetwork::~CEnetNetwork() {
  while (!m_endpoints.empty()) EndpointClose(m_endpoints.begin()->first);
  while (!m_sockets.empty()) DatagramClose(m_sockets.begin()->first);
  if (m_started) enet_deinitialize();
}

bool CEnetNetwork::Available() {
  if (!m_started && !m_failed) {
    if (enet_initialize() == 0) m_started = true;
    else m_failed = true;
  }
  return m_started;
}

bool CEnetNetwork::Reachable(uint32_t host) const { return !m_loopbackOnly || (host >> 24) == 127; }

uint32_t CEnetNetwork::EndpointOpen(uint16_t port, int32_t maxPeers, size_t maxPacket) {
  if (!Available() || maxPeers < 1) return 0;
  ENetAddress a;
  a.host = m_loopbackOnly ? ENET_HOST_TO_NET_32(kLoopback) : ENET_HOST_ANY;
  a.port = port;
  ENetHost *h = enet_host_create(&a, static_cast<size_t>(maxPeers), kChannels, 0, 0);
  if (h == nullptr) return 0;
  // A peer cannot make us hold more than a few packets' worth.
  h->maximumPacketSize = maxPacket;
  h->maximumWaitingData = maxPacket * 64;
  auto e = std::make_unique<REndpoint>();
  e->host = h;
  const uint32_t id = m_next++;
  m_endpoints[id] = std::move(e);
  return id;
}

RNetAddress CEnetNetwork::EndpointAddress(uint32_t endpoint) {
  const auto it = m_endpoints.find(endpoint);
  if (it == m_endpoints.end()) return {};
  ENetAddress a{};
  if (enet_socket_get_address(it->second->host->socket, &a) != 0) return {};
  return {0, a.port};
}

uint32_t CEnetNetwork::Connect(uint32_t endpoint, const RNetAddress &to) {
  const auto it = m_endpoints.find(endpoint);
  if (it == m_endpoints.end() || !Reachable(to.host) || to.port == 0) return 0;
  const ENetAddress a = ToEnet(to);
  ENetPeer *p = enet_host_connect(it->second->host, &a, kChannels, 0);
  if (p == nullptr) return 0;
  return it->second->Adopt(p);
}

bool CEnetNetwork::Send(uint32_t endpoint, uint32_t peer, bool reliable, const uint8_t *data, size_t size) {
  const auto it = m_endpoints.find(endpoint);
  if (it == m_endpoints.end()) return false;
  ENetPeer *p = it->second->Find(peer);
  if (p == nullptr || p->state != ENET_PEER_STATE_CONNECTED) return false;
  ENetPacket *packet = enet_packet_create(data, size, reliable ? ENET_PACKET_FLAG_RELIABLE : 0);
  if (packet == nullptr) return false;
  if (enet_peer_send(p, reliable ? 1 : 0, packet) != 0) {
    enet_packet_destroy(packet);
    return false;
  }
  return true;
}

void CEnetNetwork::Flush(uint32_t endpoint) {
  const auto it = m_endpoints.find(endpoint);
  if (it != m_endpoints.end()) enet_host_flush(it->second->host);
}

bool CEnetNetwork::Poll(uint32_t endpoint, RNetEvent &event, int32_t waitMs) {
  const auto it = m_endpoints.find(endpoint);
  if (it == m_endpoints.end()) return false;
  REndpoint &e = *it->second;
  ENetEvent ev;
  for (;;) {
    const int r = enet_host_service(e.host, &ev, waitMs > 0 ? static_cast<enet_uint32>(waitMs) : 0);
    if (r <= 0) return false;
    event.data.clear();
    event.reliable = false;
    event.address = FromEnet(ev.peer->address);
    uint32_t id = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(ev.peer->data));
    switch (ev.type) {
    case ENET_EVENT_TYPE_CONNECT:
      if (id == 0) id = e.Adopt(ev.peer);
      event.kind = RNetEvent::kConnect;
      event.peer = id;
      return true;
    case ENET_EVENT_TYPE_DISCONNECT:
      if (id == 0) continue;  // an incoming attempt that never completed
      e.peers.erase(id);
      ev.peer->data = nullptr;
      event.kind = RNetEvent::kDisconnect;
      event.peer = id;
      return true;
    case ENET_EVENT_TYPE_RECEIVE:
      if (id == 0) {
        enet_packet_destroy(ev.packet);
        continue;
      }
      event.kind = RNetEvent::kReceive;
      event.peer = id;
      event.reliable = ev.channelID == 1;
      event.data.assign(ev.packet->data, ev.packet->data + ev.packet->dataLength);
      enet_packet_destroy(ev.packet);
      return true;
    default:
      return false;
    }
  }
}

void CEnetNetwork::Disconnect(uint32_t endpoint, uint32_t peer) {
  const auto it = m_endpoints.find(endpoint);
  if (it == m_endpoints.end()) return;
  if (ENetPeer *p = it->second->Find(peer)) enet_peer_disconnect_later(p, 0);
}

void CEnetNetwork::EndpointClose(uint32_t endpoint) {
  const auto it = m_endpoints.find(endpoint);
  if (it == m_endpoints.end()) return;
  REndpoint &e = *it->second;
  // Say goodbye so the peers know at once, but never wait long for them.
  size_t open = 0;
  for (auto &[id, p] : e.peers) {
    if (p->state == ENET_PEER_STATE_CONNECTED) {
      enet_peer_disconnect_later(p, 0);  // what is queued goes first
      ++open;
    }
  }
  ENetEvent ev;
  for (int i = 0; open > 0 && i < 20; ++i) {
    const int r = enet_host_service(e.host, &ev, 5);
    if (r < 0) break;
    if (r == 0) continue;
    if (ev.type == ENET_EVENT_TYPE_RECEIVE) enet_packet_destroy(ev.packet);
    else if (ev.type == ENET_EVENT_TYPE_DISCONNECT) --open;
  }
  enet_host_flush(e.host);
  enet_host_destroy(e.host);
  m_endpoints.erase(it);
}

uint32_t CEnetNetwork::DatagramOpen(uint16_t port) {
  if (!Available()) return 0;
  ENetSocket s = enet_socket_create(ENET_SOCKET_TYPE_DATAGRAM);
  if (s == ENET_SOCKET_NULL) return 0;
  ENetAddress a;
  a.host = m_loopbackOnly ? ENET_HOST_TO_NET_32(kLoopback) : ENET_HOST_ANY;
  a.port = port;
  if (enet_socket_bind(s, &a) != 0 || enet_socket_set_option(s, ENET_SOCKOPT_NONBLOCK, 1) != 0 ||
      (!m_loopbackOnly && enet_socket_set_option(s, ENET_SOCKOPT_BROADCAST, 1) != 0)) {
    enet_socket_destroy(s);
    return 0;
  }
  const uint32_t id = m_next++;
  m_sockets[id] = static_cast<intptr_t>(s);
  return id;
}

uint16_t CEnetNetwork::DatagramPort(uint32_t socket) {
  const auto it = m_sockets.find(socket);
  if (it == m_sockets.end()) return 0;
  ENetAddress a{};
  if (enet_socket_get_address(static_cast<ENetSocket>(it->second), &a) != 0) return 0;
  return a.port;
}

bool CEnetNetwork::DatagramSend(uint32_t socket, const RNetAddress &to, const uint8_t *data, size_t size) {
  const auto it = m_sockets.find(socket);
  if (it == m_sockets.end() || size > kDatagramMax || !Reachable(to.host) || to.port == 0) return false;
  const ENetAddress a = ToEnet(to);
  ENetBuffer b;
  b.data = const_cast<uint8_t *>(data);
  b.dataLength = size;
  return enet_socket_send(static_cast<ENetSocket>(it->second), &a, &b, 1) == static_cast<int>(size);
}

bool CEnetNetwork::DatagramBroadcast(uint32_t socket, uint16_t port, const uint8_t *data, size_t size) {
  // Copies on this machine hear the loopback copy even where the local
  // network drops broadcasts.
  bool sent = DatagramSend(socket, {kLoopback, port}, data, size);
  if (!m_loopbackOnly) {
    const auto it = m_sockets.find(socket);
    if (it == m_sockets.end() || size > kDatagramMax) return sent;
    ENetAddress a;
    a.host = ENET_HOST_BROADCAST;
    a.port = port;
    ENetBuffer b;
    b.data = const_cast<uint8_t *>(data);
    b.dataLength = size;
    sent = enet_socket_send(static_cast<ENetSocket>(it->second), &a, &b, 1) == static_cast<int>(size) || sent;
  }
  return sent;
}

bool CEnetNetwork::DatagramReceive(uint32_t socket, RNetAddress &from, std::vector<uint8_t> &data) {
  const auto it = m_sockets.find(socket);
  if (it == m_sockets.end()) return false;
  uint8_t buffer[kDatagramMax];
  ENetBuffer b;
  b.data = buffer;
  b.dataLength = sizeof buffer;
  for (;;) {
    ENetAddress a{};
    const int n = enet_socket_receive(static_cast<ENetSocket>(it->second), &a, &b, 1);
    if (n <= 0) return false;
    from = FromEnet(a);
    if (!Reachable(from.host)) continue;
    data.assign(buffer, buffer + n);
    return true;
  }
}

void CEnetNetwork::DatagramClose(uint32_t socket) {
  const auto it = m_sockets.find(socket);
  if (it == m_sockets.end()) return;
  enet_socket_destroy(static_cast<ENetSocket>(it->second));
  m_sockets.erase(it);
}

bool CEnetNetwork::Resolve(const std::string &name, uint32_t &host) {
  if (!Available() || name.empty() || name.size() > 255) return false;
  ENetAddress a{};
  if (enet_address_set_host(&a, name.c_str()) != 0) return false;
  host = ENET_NET_TO_HOST_32(a.host);
  return true;
}

std::string CEnetNetwork::LocalAddressText() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "";
  uint32_t host = 0;
  if (!Resolve(name, host)) return "";
  return std::to_string(host >> 24) + "." + std::to_string((host >> 16) & 255) + "." + std::to_string((host >> 8) & 255) +
         "." + std::to_string(host & 255);
}
