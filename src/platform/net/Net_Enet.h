// The network service on ENet: endpoints are ENet hosts with two channels
// (0 unreliable, 1 reliable and ordered), datagrams are plain UDP sockets.
// The loopback-only flavour binds to 127.0.0.1, reaches only 127.0.0.0/8 and
// turns a broadcast into a datagram to 127.0.0.1: it is the network of a run
// without a display, so tests and benchmarks never leave the machine.
#pragma once

#include <map>
#include <memory>

#include "platform/Platform_Main.h"

class CEnetNetwork : public INetwork {
public:
  explicit CEnetNetwork(bool loopbackOnly);
  ~CEnetNetwork() override;
  CEnetNetwork(const CEnetNetwork &) = delete;
  CEnetNetwork &operator=(const CEnetNetwork &) = delete;

  bool Available() override;
  uint32_t EndpointOpen(uint16_t port, int32_t maxPeers, size_t maxPacket) override;
  RNetAddress EndpointAddress(uint32_t endpoint) override;
  uint32_t Connect(uint32_t endpoint, const RNetAddress &to) override;
  bool Send(uint32_t endpoint, uint32_t peer, bool reliable, const uint8_t *data, size_t size) override;
  void Flush(uint32_t endpoint) override;
  bool Poll(uint32_t endpoint, RNetEvent &event, int32_t waitMs) override;
  void Disconnect(uint32_t endpoint, uint32_t peer) override;
  void EndpointClose(uint32_t endpoint) override;
  uint32_t DatagramOpen(uint16_t port) override;
  uint16_t DatagramPort(uint32_t socket) override;
  bool DatagramSend(uint32_t socket, const RNetAddress &to, const uint8_t *data, size_t size) override;
  bool DatagramBroadcast(uint32_t socket, uint16_t port, const uint8_t *data, size_t size) override;
  bool DatagramReceive(uint32_t socket, RNetAddress &from, std::vector<uint8_t> &data) override;
  void DatagramClose(uint32_t socket) override;
  bool Resolve(const std::string &name, uint32_t &host) override;
  std::string LocalAddressText() override;

  struct REndpoint;

private:
  bool Reachable(uint32_t host) const;
  bool m_loopbackOnly;
  bool m_started = false;
  bool m_failed = false;
  uint32_t m_next = 1;
  std::map<uint32_t, std::unique_ptr<REndpoint>> m_endpoints;
  std::map<uint32_t, intptr_t> m_sockets;
};
