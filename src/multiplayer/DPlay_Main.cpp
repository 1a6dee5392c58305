#include "multiplayer/DPlay_Main.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "base/Option_Main.h"
#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "multiplayer/DPlay_Connect.h"
#include "multiplayer/DPlay_Shared.h"

namespace {

// Received messages the queue holds at most.
constexpr size_t kQueueMax = 4000;
// How long joining waits for the host, and how long a new host waits for
// the others to come back after the old one left.
constexpr int32_t kJoinMillis = 3000;
constexpr int32_t kMigrateMillis = 3000;
// Events one pump handles at most, so that a flood cannot hold a step.
constexpr int32_t kPumpEvents = 20000;

struct RPlayer {
  uint32_t id = 0;
  std::string name;
  uint32_t host = 0;  // where its endpoint listens
  uint16_t port = 0;
  uint32_t peer = 0;  // the host's connection to it; 0 while it has not come back
};

struct RSession {
  bool active = false;
  bool isHost = false;
  bool lost = false;           // the host left and nobody took over
  bool simulated = false;      // fed by a test, no network behind it
  uint32_t endpoint = 0;
  uint32_t discovery = 0;      // the host's discovery socket
  uint32_t hostPeer = 0;       // a joined copy's connection to the host
  uint32_t hostId = 0;
  RNetAddress hostAddress;
  uint32_t ownId = 0;
  std::string ownName;
  TGuid instance{};
  std::string name;
  int32_t maxPlayers = kPlayersMax;
  uint8_t flags = 0;           // 1: the host moves when it leaves
  uint32_t nextId = 0;
  std::vector<RPlayer> players;  // everyone but this copy
  bool migrating = false;
  int64_t migrateEnd = 0;
};

struct RQueued {
  TMess m;
  bool consumed = false;
};

int32_t g_sessionStatus = 0;
bool g_migrateFlag = false;
bool g_guaranteedData = false;
RSession g_s;
std::vector<RQueued> g_queue;
size_t g_read = 0;
TMess g_current;
std::vector<uint32_t> g_foundIds;
std::vector<std::string> g_foundNames;
uint64_t g_dropped = 0;

INetwork &Net() { return PlatformNetwork(); }
int64_t NowMillis() { return PlatformClock().NowMicros() / 1000; }

TGuid GameGuid() {
  TGuid g;
  std::copy(g_GameGuid.begin(), g_GameGuid.end(), g.begin());
  return g;
}

std::string Cut(std::string_view s) { return std::string(s.substr(0, kNameMax)); }

RPlayer *PlayerById(uint32_t id) {
  for (RPlayer &p : g_s.players)
    if (p.id == id) return &p;
  return nullptr;
}
RPlayer *PlayerByPeer(uint32_t peer) {
  if (peer == 0) return nullptr;
  for (RPlayer &p : g_s.players)
    if (p.peer == peer) return &p;
  return nullptr;
}

// --- the queue ---

void QueueCompact() {
  g_queue.erase(std::remove_if(g_queue.begin(), g_queue.end(), [](const RQueued &q) { return q.consumed; }),
                g_queue.end());
  g_read = 0;
}

void QueueAppend(TMess m) {
  if (g_queue.size() >= kQueueMax) QueueCompact();
  if (g_queue.size() >= kQueueMax) return;
  g_queue.push_back({std::move(m), false});
}

bool Matches(const RQueued &q, int64_t player) {
  if (q.consumed || player < 0) return false;
  return player == 0 || q.m.player == static_cast<uint64_t>(player);
}

// --- what arrives ---

void Deliver(uint32_t from, const uint8_t *body, size_t size) {
  TMess m;
  if (!DPlay_DecodeBody(body, size, m)) {
    ++g_dropped;
    return;
  }
  m.player = from;
  if (m.ismessage) {
    QueueAppend(std::move(m));
  } else if (DPlay_SharedIndexValid(m.messid)) {
    DPlay_SharedAt(m.messid) = std::move(m.val);
  } else {
    ++g_dropped;
  }
}

bool SendFrame(uint32_t peer, bool reliable, const std::vector<uint8_t> &frame) {
  return Net().Send(g_s.endpoint, peer, reliable, frame.data(), frame.size());
}

RRoster BuildRoster() {
  RRoster r;
  r.hostId = g_s.ownId;
  r.flags = g_s.flags;
  // The host's own address is the one each player reached it at.
  r.players.push_back({g_s.ownId, 0, Net().EndpointAddress(g_s.endpoint).port, g_s.ownName});
  for (const RPlayer &p : g_s.players)
    if (p.peer != 0) r.players.push_back({p.id, p.host, p.port, p.name});
  return r;
}

void SendRosterToAll() {
  const std::vector<uint8_t> frame = DPlay_Frame(BuildRoster());
  for (const RPlayer &p : g_s.players)
    if (p.peer != 0) SendFrame(p.peer, true, frame);
}

// A joined copy takes the host's list of players.
void TakeRoster(const RRoster &r) {
  g_s.hostId = r.hostId;
  g_s.flags = r.flags;
  std::vector<RPlayer> players;
  for (const RRosterEntry &e : r.players) {
    if (e.id == g_s.ownId) continue;
    RPlayer p;
    p.id = e.id;
    p.name = e.name;
    p.host = e.host != 0 ? e.host : g_s.hostAddress.host;
    p.port = e.port;
    players.push_back(std::move(p));
  }
  g_s.players = std::move(players);
}

void HostHandleJoin(const RNetEvent &ev) {
  RJoin join;
  if (!DPlay_Parse(ev.data.data(), ev.data.size(), join) || join.game != GameGuid() || join.instance != g_s.instance ||
      PlayerByPeer(ev.peer) != nullptr) {
    ++g_dropped;
    SendFrame(ev.peer, true, DPlay_FrameRefuse(1));
    return;
  }
  RPlayer *p = nullptr;
  if (join.previousId != 0) {
    // A player coming back after the host moved keeps its id.
    p = PlayerById(join.previousId);
    if (p == nullptr || p->peer != 0) p = nullptr;
  } else {
    int32_t count = 1;
    for (const RPlayer &q : g_s.players) count += q.peer != 0 ? 1 : 0;
    if (count < g_s.maxPlayers && !g_s.migrating) {
      g_s.players.push_back({});
      p = &g_s.players.back();
      p->id = g_s.nextId++;
    }
  }
  if (p == nullptr) {
    const std::vector<uint8_t> refuse = DPlay_FrameRefuse(2);
    SendFrame(ev.peer, true, refuse);
    Net().Disconnect(g_s.endpoint, ev.peer);
    return;
  }
  p->name = join.name;
  p->host = ev.address.host;
  p->port = join.port;
  p->peer = ev.peer;
  RWelcome w;
  w.yourId = p->id;
  w.roster = BuildRoster();
  SendFrame(ev.peer, true, DPlay_Frame(w));
  SendRosterToAll();
}

void HostHandleData(const RNetEvent &ev) {
  const RPlayer *from = PlayerByPeer(ev.peer);
  RDataFrame f;
  TMess check;
  if (from == nullptr || !DPlay_Parse(ev.data.data(), ev.data.size(), f) ||
      !DPlay_DecodeBody(f.body, f.size, check)) {
    ++g_dropped;
    return;
  }
  // The sender is who the connection says, whatever the frame claims.
  const std::vector<uint8_t> body(f.body, f.body + f.size);
  if (f.to == 0 || f.to == g_s.ownId) Deliver(from->id, f.body, f.size);
  if (f.to == g_s.ownId) return;
  const std::vector<uint8_t> frame = DPlay_FrameData(from->id, f.to, body);
  for (const RPlayer &p : g_s.players) {
    if (p.peer == 0 || p.id == from->id) continue;
    if (f.to == 0 || f.to == p.id) SendFrame(p.peer, ev.reliable, frame);
  }
}

void BecomeLost() {
  g_s.lost = true;
  g_s.players.clear();
  g_s.migrating = false;
}

// The host is gone: the player with the lowest id takes over, or the
// session is over when it does not allow that.
void HostLeft() {
  const uint32_t oldHost = g_s.hostId;
  g_s.players.erase(std::remove_if(g_s.players.begin(), g_s.players.end(),
                                   [&](const RPlayer &p) { return p.id == oldHost; }),
                    g_s.players.end());
  g_s.hostPeer = 0;
  if (!(g_s.flags & 1)) {
    BecomeLost();
    return;
  }
  uint32_t next = g_s.ownId;
  for (const RPlayer &p : g_s.players) next = std::min(next, p.id);
  g_s.migrating = true;
  g_s.migrateEnd = NowMillis() + kMigrateMillis;
  g_s.hostId = next;
  if (next == g_s.ownId) {
    g_s.isHost = true;
    uint32_t top = g_s.ownId;
    for (RPlayer &p : g_s.players) {
      p.peer = 0;
      top = std::max(top, p.id);
    }
    g_s.nextId = top + 1;
    if (!g_s.simulated) g_s.discovery = DPlay_DiscoveryOpen();
    return;
  }
  const RPlayer *h = PlayerById(next);
  g_s.hostAddress = {h->host, h->port};
  g_s.hostPeer = Net().Connect(g_s.endpoint, g_s.hostAddress);
  if (g_s.hostPeer == 0) BecomeLost();
}

// While the host moves, the new one may not know yet that it is the host:
// ask again until it takes us or the time is up.
void RetryNewHost() {
  Net().Disconnect(g_s.endpoint, g_s.hostPeer);
  g_s.hostPeer = NowMillis() < g_s.migrateEnd ? Net().Connect(g_s.endpoint, g_s.hostAddress) : 0;
  if (g_s.hostPeer == 0) BecomeLost();
}

void ClientHandle(const RNetEvent &ev) {
  if (ev.kind == RNetEvent::kDisconnect) {
    if (ev.peer == g_s.hostPeer) {
      if (g_s.migrating) RetryNewHost();
      else HostLeft();
    }
    return;
  }
  if (ev.kind == RNetEvent::kConnect) {
    if (ev.peer == g_s.hostPeer && g_s.migrating) {
      RJoin j;
      j.game = GameGuid();
      j.instance = g_s.instance;
      j.port = Net().EndpointAddress(g_s.endpoint).port;
      j.previousId = g_s.ownId;
      j.name = g_s.ownName;
      SendFrame(ev.peer, true, DPlay_Frame(j));
    }
    return;
  }
  TFrameKind kind;
  if (!DPlay_FrameKind(ev.data.data(), ev.data.size(), kind)) {
    ++g_dropped;
    return;
  }
  if (ev.peer != g_s.hostPeer) {
    // Another player asking this copy to host before it knows it does: no
    // for now, it asks again.
    if (kind == TFrameKind::Join) SendFrame(ev.peer, true, DPlay_FrameRefuse(3));
    else ++g_dropped;
    return;
  }
  switch (kind) {
  case TFrameKind::Roster: {
    RRoster r;
    if (DPlay_Parse(ev.data.data(), ev.data.size(), r) && !g_s.migrating) TakeRoster(r);
    else ++g_dropped;
    break;
  }
  case TFrameKind::Welcome: {
    RWelcome w;
    if (g_s.migrating && DPlay_Parse(ev.data.data(), ev.data.size(), w) && w.yourId == g_s.ownId) {
      g_s.migrating = false;
      TakeRoster(w.roster);
    } else {
      ++g_dropped;
    }
    break;
  }
  case TFrameKind::Data: {
    RDataFrame f;
    if (DPlay_Parse(ev.data.data(), ev.data.size(), f) && f.from != 0) Deliver(f.from, f.body, f.size);
    else ++g_dropped;
    break;
  }
  case TFrameKind::Refuse:
    if (g_s.migrating) RetryNewHost();
    break;
  default:
    ++g_dropped;
  }
}

void HostHandle(const RNetEvent &ev) {
  if (ev.kind == RNetEvent::kConnect) return;  // nothing until it asks to join
  if (ev.kind == RNetEvent::kDisconnect) {
    const auto it = std::find_if(g_s.players.begin(), g_s.players.end(),
                                 [&](const RPlayer &p) { return p.peer == ev.peer; });
    if (it != g_s.players.end()) {
      g_s.players.erase(it);
      SendRosterToAll();
    }
    return;
  }
  TFrameKind kind;
  if (!DPlay_FrameKind(ev.data.data(), ev.data.size(), kind)) {
    ++g_dropped;
    return;
  }
  if (kind == TFrameKind::Join) HostHandleJoin(ev);
  else if (kind == TFrameKind::Data) HostHandleData(ev);
  else ++g_dropped;
}

void Handle(const RNetEvent &ev) {
  if (!g_s.active || g_s.lost) return;
  if (g_s.isHost) HostHandle(ev);
  else ClientHandle(ev);
}

void HandleDatagram(const RNetAddress &from, const uint8_t *data, size_t size) {
  RFind find;
  if (!g_s.active || !g_s.isHost || !DPlay_Parse(data, size, find)) {
    ++g_dropped;
    return;
  }
  if (find.game != GameGuid()) return;  // another game's search
  int32_t count = 1;
  for (const RPlayer &p : g_s.players) count += p.peer != 0 ? 1 : 0;
  if (count >= g_s.maxPlayers) return;  // only sessions that take players are listed
  RHere here;
  here.game = find.game;
  here.nonce = find.nonce;
  here.instance = g_s.instance;
  here.port = Net().EndpointAddress(g_s.endpoint).port;
  here.players = static_cast<uint16_t>(count);
  here.maxPlayers = static_cast<uint16_t>(g_s.maxPlayers);
  here.flags = g_s.flags;
  here.name = g_s.name;
  const std::vector<uint8_t> frame = DPlay_Frame(here);
  Net().DatagramSend(g_s.discovery, from, frame.data(), frame.size());
}

// --- sessions ---

void SessionClose() {
  if (g_s.active && !g_s.simulated) {
    if (g_s.discovery) Net().DatagramClose(g_s.discovery);
    if (g_s.endpoint) Net().EndpointClose(g_s.endpoint);
  }
  g_s = RSession();
  g_sessionStatus = 0;
}

uint32_t NewPlayerBase() {
  // Ids stay within what a script's integers hold, and leave room above.
  return (static_cast<uint32_t>(std::random_device{}()) & 0x00FFFFFFu) + 0x100u;
}

TGuid NewInstance() {
  std::random_device rd;
  TGuid g;
  for (uint8_t &b : g) b = static_cast<uint8_t>(rd());
  return g;
}

bool SessionCreate(std::string_view name, int32_t maxPlayers, std::string_view player) {
  if (DPlay_ConnectStatus() == 0 || g_sessionStatus != 0) return false;
  const uint32_t endpoint = Net().EndpointOpen(0, kPlayersMax, kPacketMax);
  if (endpoint == 0) return false;
  const uint32_t discovery = DPlay_DiscoveryOpen();
  if (discovery == 0) {
    Net().EndpointClose(endpoint);
    return false;
  }
  g_s = RSession();
  g_s.active = true;
  g_s.isHost = true;
  g_s.endpoint = endpoint;
  g_s.discovery = discovery;
  g_s.instance = NewInstance();
  g_s.name = Cut(name);
  g_s.maxPlayers = maxPlayers > 0 ? std::min(maxPlayers, kPlayersMax) : kPlayersMax;
  g_s.flags = g_migrateFlag ? 1 : 0;
  g_s.ownId = NewPlayerBase();
  g_s.hostId = g_s.ownId;
  g_s.nextId = g_s.ownId + 1;
  g_s.ownName = Cut(player);
  g_sessionStatus = 1;
  return true;
}

bool SessionJoin(int32_t index, std::string_view player) {
  const std::vector<RFoundSession> &found = DPlay_Found();
  if (DPlay_ConnectStatus() == 0 || g_sessionStatus != 0 || index < 0 || static_cast<size_t>(index) >= found.size())
    return false;
  const RFoundSession target = found[static_cast<size_t>(index)];
  INetwork &net = Net();
  const uint32_t endpoint = net.EndpointOpen(0, kPlayersMax, kPacketMax);
  if (endpoint == 0) return false;
  const RNetAddress hostAddress{target.host, target.port};
  const uint32_t peer = net.Connect(endpoint, hostAddress);
  bool welcomed = false;
  RWelcome welcome;
  const int64_t end = NowMillis() + kJoinMillis;
  RNetEvent ev;
  while (peer != 0 && !welcomed && NowMillis() < end) {
    if (!net.Poll(endpoint, ev, 10) || ev.peer != peer) continue;
    if (ev.kind == RNetEvent::kDisconnect) break;
    if (ev.kind == RNetEvent::kConnect) {
      RJoin j;
      j.game = GameGuid();
      j.instance = target.instance;
      j.port = net.EndpointAddress(endpoint).port;
      j.name = Cut(player);
      const std::vector<uint8_t> frame = DPlay_Frame(j);
      net.Send(endpoint, peer, true, frame.data(), frame.size());
      continue;
    }
    TFrameKind kind;
    if (!DPlay_FrameKind(ev.data.data(), ev.data.size(), kind)) continue;
    if (kind == TFrameKind::Refuse) break;
    welcomed = kind == TFrameKind::Welcome && DPlay_Parse(ev.data.data(), ev.data.size(), welcome);
  }
  if (!welcomed) {
    net.EndpointClose(endpoint);
    return false;
  }
  g_s = RSession();
  g_s.active = true;
  g_s.endpoint = endpoint;
  g_s.hostPeer = peer;
  g_s.hostAddress = hostAddress;
  g_s.instance = target.instance;
  g_s.name = target.name;
  g_s.ownId = welcome.yourId;
  g_s.ownName = Cut(player);
  TakeRoster(welcome.roster);
  g_sessionStatus = 2;
  return true;
}

// Sends a body to one player (its id) or to all (0).
bool SendBody(uint32_t to, bool reliable, const std::vector<uint8_t> &body) {
  if (!g_s.active || g_s.lost) return false;
  if (to != 0 && to == g_s.ownId) {
    Deliver(g_s.ownId, body.data(), body.size());
    return true;
  }
  if (g_s.isHost) {
    const std::vector<uint8_t> frame = DPlay_FrameData(g_s.ownId, to, body);
    if (to == 0) {
      for (const RPlayer &p : g_s.players)
        if (p.peer != 0) SendFrame(p.peer, reliable, frame);
      return true;
    }
    const RPlayer *p = PlayerById(to);
    return p != nullptr && p->peer != 0 && SendFrame(p->peer, reliable, frame);
  }
  if (g_s.migrating || (to != 0 && PlayerById(to) == nullptr)) return false;
  return SendFrame(g_s.hostPeer, reliable, DPlay_FrameData(g_s.ownId, to, body));
}

bool Connected() { return DPlay_ConnectStatus() != 0; }
bool InSession() { return Connected() && g_sessionStatus != 0; }

// Waiting traffic, read at the start of the functions that look at it.
void Receive() {
  if (InSession()) DPlay_Pump();
}

int32_t FindPlayers() {
  g_foundIds.clear();
  g_foundNames.clear();
  if (!InSession()) return 0;
  DPlay_Pump();
  g_foundIds.push_back(g_s.ownId);
  g_foundNames.push_back(g_s.ownName);
  // While the host moves, the others count once they are back with it.
  for (const RPlayer &p : g_s.players) {
    if ((g_s.isHost && p.peer == 0) || (!g_s.isHost && g_s.migrating)) continue;
    g_foundIds.push_back(p.id);
    g_foundNames.push_back(p.name);
  }
  return static_cast<int32_t>(g_foundIds.size());
}

// A player argument: an id, or a name looked up in a fresh player list.
bool PlayerArgument(const RValue &v, int64_t &id) {
  if (v.kind != RValue::kString) {
    id = fnarg::Wide(v);
    return true;
  }
  FindPlayers();
  for (size_t i = 0; i < g_foundNames.size(); ++i) {
    if (g_foundNames[i] == v.str.view()) {
      id = g_foundIds[i];
      return true;
    }
  }
  return false;
}

bool MessageSend(const RValue *args, bool guaranteed) {
  int64_t to = 0;
  if (!PlayerArgument(args[0], to) || to < 0 || to > UINT32_MAX) return false;
  const int32_t messid = fnarg::Int(args[1]) == fnarg::kNoInt ? 0 : fnarg::Int(args[1]);
  return SendBody(static_cast<uint32_t>(to), guaranteed, DPlay_EncodeBody(true, messid, args[2]));
}

#define ROUTINE(name) void name(CInstance *, CInstance *, int, RValue *args, RValue &result)

ROUTINE(F_InitIpx) { (void)args; result.SetReal(0); }
ROUTINE(F_InitTcpip) { result.SetReal(DPlay_ConnectTcpip(std::string(fnarg::Text(args[0]))) ? 1 : 0); }
ROUTINE(F_InitModem) { (void)args; result.SetReal(0); }
ROUTINE(F_InitSerial) { (void)args; result.SetReal(0); }
ROUTINE(F_ConnectStatus) { (void)args; result.SetReal(DPlay_ConnectStatus()); }
ROUTINE(F_End) {
  (void)args;
  (void)result;
  if (!Connected()) return;
  SessionClose();
  DPlay_Disconnect();
}
ROUTINE(F_SessionMode) {
  (void)result;
  g_migrateFlag = fnarg::Int(args[0]) != 0;
}
ROUTINE(F_SessionCreate) {
  result.SetReal(SessionCreate(fnarg::Text(args[0]), fnarg::Clamped(args[1]), fnarg::Text(args[2])) ? 1 : 0);
}
ROUTINE(F_SessionFind) {
  (void)args;
  result.SetReal(Connected() ? DPlay_FindSessions(GameGuid()) : 0);
}
ROUTINE(F_SessionName) {
  const int32_t i = fnarg::Int(args[0]);
  const std::vector<RFoundSession> &found = DPlay_Found();
  result.SetString(i >= 0 && static_cast<size_t>(i) < found.size() ? RString(found[static_cast<size_t>(i)].name)
                                                                   : RString());
}
ROUTINE(F_SessionJoin) { result.SetReal(SessionJoin(fnarg::Int(args[0]), fnarg::Text(args[1])) ? 1 : 0); }
ROUTINE(F_SessionStatus) { (void)args; result.SetReal(g_sessionStatus); }
ROUTINE(F_SessionEnd) {
  (void)args;
  (void)result;
  SessionClose();
}
ROUTINE(F_PlayerFind) { (void)args; result.SetReal(FindPlayers()); }
ROUTINE(F_PlayerName) {
  const int32_t i = fnarg::Int(args[0]);
  result.SetString(i >= 0 && static_cast<size_t>(i) < g_foundNames.size() ? RString(g_foundNames[static_cast<size_t>(i)])
                                                                           : RString());
}
ROUTINE(F_PlayerId) {
  const int32_t i = fnarg::Int(args[0]);
  result.SetReal(i >= 0 && static_cast<size_t>(i) < g_foundIds.size() ? g_foundIds[static_cast<size_t>(i)] : 0);
}
ROUTINE(F_DataWrite) {
  const int64_t index = fnarg::Wide(args[0]);
  if (!DPlay_SharedIndexValid(index)) {
    result.SetReal(0);
    return;
  }
  const int32_t i = static_cast<int32_t>(index);
  DPlay_SharedAt(i);
  const bool sent = SendBody(0, g_guaranteedData, DPlay_EncodeBody(false, i, args[1]));
  if (sent) {
    // Stored as it travelled: a long string is cut here as everywhere else.
    TMess m;
    const std::vector<uint8_t> body = DPlay_EncodeBody(false, i, args[1]);
    if (DPlay_DecodeBody(body.data(), body.size(), m)) DPlay_SharedAt(i) = std::move(m.val);
  }
  result.SetReal(sent ? 1 : 0);
}
ROUTINE(F_DataRead) {
  const int64_t index = fnarg::Wide(args[0]);
  if (!DPlay_SharedIndexValid(index)) {
    result.SetReal(0);
    return;
  }
  Receive();
  result = DPlay_SharedRead(static_cast<int32_t>(index));
}
ROUTINE(F_DataMode) {
  (void)result;
  g_guaranteedData = fnarg::Int(args[0]) != 0;
}
ROUTINE(F_MessageSend) { result.SetReal(MessageSend(args, false) ? 1 : 0); }
ROUTINE(F_MessageSendGuaranteed) { result.SetReal(MessageSend(args, true) ? 1 : 0); }
ROUTINE(F_MessageReceive) {
  Receive();
  int64_t player = 0;
  if (!PlayerArgument(args[0], player)) {
    result.SetReal(0);
    return;
  }
  for (size_t i = g_read; i < g_queue.size(); ++i) {
    if (!Matches(g_queue[i], player)) continue;
    g_queue[i].consumed = true;
    g_current = g_queue[i].m;
    while (g_read < g_queue.size() && g_queue[g_read].consumed) ++g_read;
    result.SetReal(1);
    return;
  }
  result.SetReal(0);
}
ROUTINE(F_MessageId) { (void)args; result.SetReal(g_current.messid); }
ROUTINE(F_MessageValue) { (void)args; result = g_current.val; }
ROUTINE(F_MessagePlayer) { (void)args; result.SetReal(g_current.player); }
ROUTINE(F_MessageName) {
  (void)args;
  FindPlayers();
  for (size_t i = 0; i < g_foundIds.size(); ++i) {
    if (g_foundIds[i] == g_current.player) {
      result.SetString(RString(g_foundNames[i]));
      return;
    }
  }
  result.SetString(RString("(unknown)"));
}
// Ids only: a text counts as 0.
int64_t CountArgument(const RValue &v) { return v.kind == RValue::kString ? 0 : fnarg::Wide(v); }
ROUTINE(F_MessageCount) {
  Receive();
  const int64_t player = CountArgument(args[0]);
  int32_t n = 0;
  for (size_t i = g_read; i < g_queue.size(); ++i) n += Matches(g_queue[i], player) ? 1 : 0;
  result.SetReal(n);
}
ROUTINE(F_MessageClear) {
  (void)result;
  Receive();
  const int64_t player = CountArgument(args[0]);
  for (size_t i = g_read; i < g_queue.size(); ++i)
    if (Matches(g_queue[i], player)) g_queue[i].consumed = true;
  QueueCompact();
}
ROUTINE(F_IpAddress) {
  (void)args;
  result.SetString(RString(Net().Available() ? Net().LocalAddressText() : std::string()));
}

}  // namespace

void DPlay_Pump() {
  if (!g_s.active || g_s.simulated || g_s.lost) return;
  INetwork &net = Net();
  RNetEvent ev;
  for (int32_t i = 0; i < kPumpEvents && g_s.active && !g_s.lost && net.Poll(g_s.endpoint, ev, 0); ++i) Handle(ev);
  if (g_s.isHost && g_s.discovery) {
    RNetAddress from;
    std::vector<uint8_t> data;
    for (int32_t i = 0; i < 256 && net.DatagramReceive(g_s.discovery, from, data); ++i)
      HandleDatagram(from, data.data(), data.size());
  }
  // A new host stops waiting for players that did not come back.
  if (g_s.isHost && g_s.migrating && NowMillis() >= g_s.migrateEnd) {
    g_s.migrating = false;
    g_s.players.erase(std::remove_if(g_s.players.begin(), g_s.players.end(), [](const RPlayer &p) { return p.peer == 0; }),
                      g_s.players.end());
    SendRosterToAll();
  }
  if (g_s.active) net.Flush(g_s.endpoint);
}

void DPlay_ResetState() {
  SessionClose();
  DPlay_Disconnect();
  g_migrateFlag = false;
  g_guaranteedData = false;
  g_queue.clear();
  g_read = 0;
  g_current = TMess();
  g_foundIds.clear();
  g_foundNames.clear();
  DPlay_SharedClear();
  g_dropped = 0;
}

uint64_t DPlay_DroppedCount() { return g_dropped; }

void DPlay_SimulateSession(bool host) {
  SessionClose();
  g_s.active = true;
  g_s.simulated = true;
  g_s.isHost = host;
  g_s.instance = TGuid{};  // known to whoever feeds it
  g_s.ownId = host ? 1000 : 1001;
  g_s.ownName = host ? "host" : "guest";
  g_s.hostId = 1000;
  g_s.nextId = 1002;
  g_s.hostPeer = host ? 0 : 1;
  g_s.flags = 1;
  if (!host) g_s.players.push_back({1000, "host", 0x7F000001u, 1, 0});
  g_sessionStatus = host ? 1 : 2;
}

void DPlay_Feed(const RNetEvent &event) { Handle(event); }

void DPlay_FeedDatagram(const RNetAddress &from, const uint8_t *data, size_t size) {
  HandleDatagram(from, data, size);
}

void DPlay_Register_Functions() {
  FunctionAdd("mplay_init_ipx", F_InitIpx, 0);
  FunctionAdd("mplay_init_tcpip", F_InitTcpip, 1);
  FunctionAdd("mplay_init_modem", F_InitModem, 2);
  FunctionAdd("mplay_init_serial", F_InitSerial, 5);
  FunctionAdd("mplay_connect_status", F_ConnectStatus, 0);
  FunctionAdd("mplay_end", F_End, 0);
  FunctionAdd("mplay_session_mode", F_SessionMode, 1);
  FunctionAdd("mplay_session_create", F_SessionCreate, 3);
  FunctionAdd("mplay_session_find", F_SessionFind, 0);
  FunctionAdd("mplay_session_name", F_SessionName, 1);
  FunctionAdd("mplay_session_join", F_SessionJoin, 2);
  FunctionAdd("mplay_session_status", F_SessionStatus, 0);
  FunctionAdd("mplay_session_end", F_SessionEnd, 0);
  FunctionAdd("mplay_player_find", F_PlayerFind, 0);
  FunctionAdd("mplay_player_name", F_PlayerName, 1);
  FunctionAdd("mplay_player_id", F_PlayerId, 1);
  FunctionAdd("mplay_data_write", F_DataWrite, 2);
  FunctionAdd("mplay_data_read", F_DataRead, 1);
  FunctionAdd("mplay_data_mode", F_DataMode, 1);
  FunctionAdd("mplay_message_send", F_MessageSend, 3);
  FunctionAdd("mplay_message_send_guaranteed", F_MessageSendGuaranteed, 3);
  FunctionAdd("mplay_message_receive", F_MessageReceive, 1);
  FunctionAdd("mplay_message_id", F_MessageId, 0);
  FunctionAdd("mplay_message_value", F_MessageValue, 0);
  FunctionAdd("mplay_message_player", F_MessagePlayer, 0);
  FunctionAdd("mplay_message_name", F_MessageName, 0);
  FunctionAdd("mplay_message_count", F_MessageCount, 1);
  FunctionAdd("mplay_message_clear", F_MessageClear, 1);
  FunctionAdd("mplay_ipaddress", F_IpAddress, 0);
}
