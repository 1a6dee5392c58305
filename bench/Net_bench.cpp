// Messages between two processes on loopback: the round trip of one
// guaranteed message and the rate of a stream of them, once through the
// multiplayer session (the runner's mplay_ functions, host in a child
// process echoing every message back) and once through plain ENet sending
// the same body bytes on a reliable channel to an echoing child. Both sides
// poll without waiting, so the difference is the session's own work.
//
//   bench/run-net                   (builds and runs build/bench/Net_bench)
//
// Counters: median_us and p99_us of the round trip; items_per_second for
// the stream (each item one message there and back), on the wall clock.
#include <benchmark/benchmark.h>
#include <enet/enet.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "code/Code_Function.h"
#include "functions/Function_Init.h"
#include "multiplayer/DPlay_Low.h"
#include "runner/Runner_Wire.h"

namespace {

uint16_t g_port = 0;            // the session's service port
uint16_t g_enetPort = 0;        // the plain ENet echo server
const int kBatch = 1000;        // messages in flight in the stream

RValue Call(std::string_view name, std::vector<RValue> args = {}) {
  RValue a[16];
  for (size_t i = 0; i < args.size(); ++i) a[i] = args[i];
  RValue r;
  FunctionRoutine(FunctionFind(name))(nullptr, nullptr, static_cast<int>(args.size()), a, r);
  return r;
}
RValue Str(const std::string &s) { return RValue::Str(RString(s)); }
RValue Num(double d) { return RValue::Real(d); }

// The session host: echoes every message to its sender.
[[noreturn]] void SessionHost() {
  Call("mplay_init_tcpip", {Str("127.0.0.1:" + std::to_string(g_port))});
  if (Call("mplay_session_create", {Str("bench"), Num(2), Str("host")}).val < 0.5) _exit(1);
  for (;;) {
    if (Call("mplay_message_receive", {Num(0)}).val >= 0.5)
      Call("mplay_message_send_guaranteed",
           {Call("mplay_message_player"), Call("mplay_message_id"), Call("mplay_message_value")});
  }
}

// The plain ENet echo server.
[[noreturn]] void EnetHost() {
  ENetAddress a;
  enet_address_set_host_ip(&a, "127.0.0.1");
  a.port = g_enetPort;
  ENetHost *h = enet_host_create(&a, 4, 2, 0, 0);
  if (h == nullptr) _exit(1);
  for (;;) {
    ENetEvent ev;
    while (enet_host_service(h, &ev, 0) > 0) {
      if (ev.type != ENET_EVENT_TYPE_RECEIVE) continue;
      ENetPacket *p = enet_packet_create(ev.packet->data, ev.packet->dataLength, ENET_PACKET_FLAG_RELIABLE);
      enet_peer_send(ev.peer, 1, p);
      enet_packet_destroy(ev.packet);
    }
    enet_host_flush(h);
  }
}

double HostId() {
  for (int i = 0; i < 2; ++i)
    if (Call("mplay_player_name", {Num(i)}).str.view() == "host") return Call("mplay_player_id", {Num(i)}).val;
  return 0;
}

bool SessionJoin() {
  static bool joined = false, tried = false;
  if (tried) return joined;
  tried = true;
  Call("mplay_init_tcpip", {Str("127.0.0.1:" + std::to_string(g_port))});
  for (int i = 0; i < 20 && Call("mplay_session_find").val < 1; ++i) {}
  joined = Call("mplay_session_join", {Num(0), Str("guest")}).val >= 0.5;
  for (int i = 0; joined && i < 1000 && Call("mplay_player_find").val < 2; ++i) usleep(1000);
  return joined;
}

void Percentiles(benchmark::State &state, std::vector<double> &us) {
  if (us.empty()) return;
  std::sort(us.begin(), us.end());
  state.counters["median_us"] = us[us.size() / 2];
  state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
}

using Clock = std::chrono::steady_clock;
double Micros(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::micro>(b - a).count();
}

void BM_SessionRoundTrip(benchmark::State &state) {
  if (!SessionJoin()) {
    state.SkipWithError("no session");
    return;
  }
  const RValue host = Num(HostId());
  std::vector<double> us;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    Call("mplay_message_send_guaranteed", {host, Num(1), Num(2.5)});
    while (Call("mplay_message_receive", {Num(0)}).val < 0.5) {}
    us.push_back(Micros(t0, Clock::now()));
  }
  Percentiles(state, us);
}

void BM_SessionStream(benchmark::State &state) {
  if (!SessionJoin()) {
    state.SkipWithError("no session");
    return;
  }
  const RValue host = Num(HostId());
  for (auto _ : state) {
    int sent = 0;
    for (int i = 0; i < kBatch; ++i) sent += Call("mplay_message_send_guaranteed", {host, Num(i), Num(2.5)}).val >= 0.5;
    const auto give_up = Clock::now() + std::chrono::seconds(10);
    int got = 0;
    while (got < kBatch && Clock::now() < give_up) got += Call("mplay_message_receive", {Num(0)}).val >= 0.5 ? 1 : 0;
    if (got < kBatch) {
      const std::string why = "sent " + std::to_string(sent) + ", back " + std::to_string(got) + ", players " +
                              std::to_string(static_cast<int>(Call("mplay_player_find").val));
      state.SkipWithError(why.c_str());
      return;
    }
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}

ENetHost *g_client = nullptr;
ENetPeer *g_server = nullptr;

bool EnetConnect() {
  if (g_client) return g_server != nullptr;
  g_client = enet_host_create(nullptr, 1, 2, 0, 0);
  ENetAddress a;
  enet_address_set_host_ip(&a, "127.0.0.1");
  a.port = g_enetPort;
  g_server = enet_host_connect(g_client, &a, 2, 0);
  ENetEvent ev;
  if (enet_host_service(g_client, &ev, 3000) <= 0 || ev.type != ENET_EVENT_TYPE_CONNECT) g_server = nullptr;
  return g_server != nullptr;
}

// The same bytes the session sends for one message: a body in its frame.
const std::vector<uint8_t> &SameBytes() {
  static const std::vector<uint8_t> bytes = DPlay_FrameData(1, 2, DPlay_EncodeBody(true, 1, RValue::Real(2.5)));
  return bytes;
}

void EnetSend() {
  enet_peer_send(g_server, 1, enet_packet_create(SameBytes().data(), SameBytes().size(), ENET_PACKET_FLAG_RELIABLE));
  enet_host_flush(g_client);
}
bool EnetReceive() {
  ENetEvent ev;
  if (enet_host_service(g_client, &ev, 0) <= 0) return false;
  if (ev.type != ENET_EVENT_TYPE_RECEIVE) return false;
  enet_packet_destroy(ev.packet);
  return true;
}

void BM_EnetRoundTrip(benchmark::State &state) {
  if (!EnetConnect()) {
    state.SkipWithError("no ENet server");
    return;
  }
  std::vector<double> us;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    EnetSend();
    while (!EnetReceive()) {}
    us.push_back(Micros(t0, Clock::now()));
  }
  Percentiles(state, us);
}

void BM_EnetStream(benchmark::State &state) {
  if (!EnetConnect()) {
    state.SkipWithError("no ENet server");
    return;
  }
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) EnetSend();
    const auto give_up = Clock::now() + std::chrono::seconds(10);
    int got = 0;
    while (got < kBatch && Clock::now() < give_up) got += EnetReceive() ? 1 : 0;
    if (got < kBatch) {
      state.SkipWithError("messages lost");
      return;
    }
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}

BENCHMARK(BM_SessionRoundTrip)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_EnetRoundTrip)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_SessionStream)->MinTime(2.0)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnetStream)->MinTime(2.0)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  g_port = static_cast<uint16_t>(21000 + 16 * (getpid() % 500));
  g_enetPort = static_cast<uint16_t>(g_port + 8);
  enet_initialize();
  Runner_AddFamilies();
  Function_InitAll();
  const pid_t session = fork();
  if (session == 0) SessionHost();
  const pid_t plain = fork();
  if (plain == 0) EnetHost();
  usleep(200000);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  kill(session, SIGKILL);
  kill(plain, SIGKILL);
  waitpid(session, nullptr, 0);
  waitpid(plain, nullptr, 0);
  return 0;
}
