// The multiplayer functions inside one process: connections, the message
// queue, the shared values and what the session makes of hostile input.
// Sessions between processes are in DPlay_Session_test.cpp.
#include <gtest/gtest.h>

#include "code/Code_Error.h"
#include "multiplayer/DPlay_Main.h"
#include "multiplayer/DPlay_Shared.h"
#include "code/Code_Function.h"
#include "support/Code_Test_Host.h"
#include "multiplayer/Net_Ports.h"

namespace {

class DPlayTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (FunctionFind("mplay_init_ipx") < 0) DPlay_Register_Functions();
    DPlay_ResetState();
  }
  void TearDown() override { DPlay_ResetState(); }
  double Real(std::string_view e) {
    const ROutcome o = host.Eval(e);
    EXPECT_TRUE(o.ok) << e << ": " << o.error;
    return o.Real();
  }
  std::string Text(std::string_view e) {
    const ROutcome o = host.Eval(e);
    EXPECT_TRUE(o.ok) << e << ": " << o.error;
    return o.Text();
  }
  // A frame from peer `peer` as the network would hand it over.
  static void FeedData(uint32_t peer, uint32_t from, uint32_t to, bool ismessage, int32_t id, const RValue &v) {
    RNetEvent ev;
    ev.kind = RNetEvent::kReceive;
    ev.peer = peer;
    ev.reliable = true;
    ev.data = DPlay_FrameData(from, to, DPlay_EncodeBody(ismessage, id, v));
    DPlay_Feed(ev);
  }
  // A session fed by the test, on a connection to loopback.
  void Simulate(bool asHost) {
    ASSERT_EQ(Real("mplay_init_tcpip(\"127.0.0.1:6000\")"), 1);
    DPlay_SimulateSession(asHost);
  }
  CCodeHost host;
};

TEST_F(DPlayTest, ConnectionKinds) {
  EXPECT_EQ(Real("mplay_connect_status()"), 0);
  // IPX, modem and serial cables are not there on this machine.
  EXPECT_EQ(Real("mplay_init_ipx()"), 0);
  EXPECT_EQ(Real("mplay_init_modem(\"\", \"555\")"), 0);
  EXPECT_EQ(Real("mplay_init_serial(1, 9600, 0, 0, 0)"), 0);
  EXPECT_EQ(Real("mplay_connect_status()"), 0);
  EXPECT_EQ(Real("mplay_init_tcpip(\"127.0.0.1:6000\")"), 1);
  EXPECT_EQ(Real("mplay_connect_status()"), 2);
  // A second connection while connected answers false and changes nothing.
  EXPECT_EQ(Real("mplay_init_tcpip(\"\")"), 0);
  EXPECT_EQ(Real("mplay_init_ipx()"), 0);
  EXPECT_EQ(Real("mplay_connect_status()"), 2);
  host.Run("mplay_end()");
  EXPECT_EQ(Real("mplay_connect_status()"), 0);
  // An address that names no computer opens nothing.
  EXPECT_EQ(Real("mplay_init_tcpip(\"no.such.host.invalid\")"), 0);
  EXPECT_EQ(Real("mplay_init_tcpip(\"127.0.0.1:notaport\")"), 0);
  EXPECT_EQ(Real("mplay_connect_status()"), 0);
}

TEST_F(DPlayTest, NothingWorksWithoutASession) {
  EXPECT_EQ(Real("mplay_session_create(\"s\", 2, \"p\")"), 0);  // no connection
  EXPECT_EQ(Real("mplay_session_find()"), 0);
  EXPECT_EQ(Real("mplay_session_join(0, \"p\")"), 0);
  EXPECT_EQ(Real("mplay_session_status()"), 0);
  EXPECT_EQ(Real("mplay_player_find()"), 0);
  EXPECT_EQ(Text("mplay_player_name(0)"), "");
  EXPECT_EQ(Real("mplay_player_id(0)"), 0);
  EXPECT_EQ(Text("mplay_session_name(0)"), "");
  EXPECT_EQ(Real("mplay_message_send(0, 1, 2)"), 0);
  EXPECT_EQ(Real("mplay_message_send_guaranteed(0, 1, 2)"), 0);
  EXPECT_EQ(Real("mplay_data_write(3, 4)"), 0);
  EXPECT_EQ(Real("mplay_data_read(3)"), 0);
  EXPECT_EQ(Real("mplay_message_receive(0)"), 0);
  EXPECT_EQ(Text("mplay_message_name()"), "(unknown)");
}

TEST_F(DPlayTest, CreateAndEndOnLoopback) {
  ASSERT_EQ(Real("mplay_init_tcpip(\"127.0.0.1:0\")"), 0);  // port 0 is no port
  ASSERT_EQ(Real(("mplay_init_tcpip(\"127.0.0.1:" + std::to_string(FreeServicePort()) + "\")").c_str()), 1);
  ASSERT_EQ(Real("mplay_session_create(\"room\", 4, \"alice\")"), 1);
  EXPECT_EQ(Real("mplay_session_status()"), 1);
  EXPECT_EQ(Real("mplay_session_create(\"again\", 4, \"alice\")"), 0);
  EXPECT_EQ(Real("mplay_player_find()"), 1);
  EXPECT_EQ(Text("mplay_player_name(0)"), "alice");
  EXPECT_GT(Real("mplay_player_id(0)"), 0);
  // Alone in the session: a write to everyone goes nowhere but is stored.
  EXPECT_EQ(Real("mplay_data_write(2, \"x\")"), 1);
  EXPECT_EQ(Text("mplay_data_read(2)"), "x");
  // A message to oneself arrives.
  EXPECT_EQ(Real("mplay_message_send_guaranteed(\"alice\", 5, 6)"), 1);
  EXPECT_EQ(Real("mplay_message_send(\"nobody\", 5, 6)"), 0);
  EXPECT_EQ(Real("mplay_message_receive(\"alice\")"), 1);
  EXPECT_EQ(Real("mplay_message_id()"), 5);
  EXPECT_EQ(Text("mplay_message_name()"), "alice");
  host.Run("mplay_session_end()");
  EXPECT_EQ(Real("mplay_session_status()"), 0);
  EXPECT_EQ(Real("mplay_connect_status()"), 2);
}

TEST_F(DPlayTest, QueueTakesMatchesInOrder) {
  Simulate(false);
  FeedData(1, 1000, 1001, true, 1, RValue::Real(10));
  FeedData(1, 2000, 1001, true, 2, RValue::Str(RString("from 2000")));
  FeedData(1, 1000, 0, true, 3, RValue::Real(30));
  EXPECT_EQ(Real("mplay_message_count(0)"), 3);
  EXPECT_EQ(Real("mplay_message_count(2000)"), 1);
  EXPECT_EQ(Real("mplay_message_count(\"host\")"), 3);  // a text counts as 0
  EXPECT_EQ(Real("mplay_message_receive(2000)"), 1);
  EXPECT_EQ(Text("mplay_message_value()"), "from 2000");
  // The sender is not in the player list.
  EXPECT_EQ(Text("mplay_message_name()"), "(unknown)");
  EXPECT_EQ(Real("mplay_message_receive(0)"), 1);  // the oldest unread from anyone
  EXPECT_EQ(Real("mplay_message_id()"), 1);
  EXPECT_EQ(Real("mplay_message_player()"), 1000);
  EXPECT_EQ(Text("mplay_message_name()"), "host");
  EXPECT_EQ(Real("mplay_message_receive(-1)"), 0);  // no player is negative
  host.Run("mplay_message_clear(1000)");
  EXPECT_EQ(Real("mplay_message_count(0)"), 0);
  EXPECT_EQ(Real("mplay_message_receive(0)"), 0);
  EXPECT_EQ(Real("mplay_message_id()"), 1);  // the current message stays
}

TEST_F(DPlayTest, TheQueueHoldsFourThousand) {
  Simulate(false);
  for (int i = 1; i <= 4001; ++i) FeedData(1, 1000, 1001, true, i, RValue::Real(i));
  EXPECT_EQ(Real("mplay_message_count(0)"), 4000);  // the 4001st was dropped
  EXPECT_EQ(Real("mplay_message_receive(0)"), 1);
  EXPECT_EQ(Real("mplay_message_id()"), 1);
  // One read makes room: the next arrival compacts the queue and stays.
  FeedData(1, 1000, 1001, true, 5000, RValue::Real(0));
  EXPECT_EQ(Real("mplay_message_count(0)"), 4000);
  host.Run("repeat (3999) mplay_message_receive(0)");
  EXPECT_EQ(Real("mplay_message_receive(0)"), 1);
  EXPECT_EQ(Real("mplay_message_id()"), 5000);
}

TEST_F(DPlayTest, SharedValues) {
  Simulate(false);
  FeedData(1, 1000, 0, false, 7, RValue::Str(RString("seven")));
  EXPECT_EQ(Text("mplay_data_read(7)"), "seven");
  EXPECT_EQ(Real("mplay_data_read(6)"), 0);
  EXPECT_EQ(Real("mplay_data_read(1000001)"), 0);
  EXPECT_EQ(Real("mplay_data_read(-1)"), 0);
  EXPECT_EQ(Real("mplay_data_write(1000001, 1)"), 0);
  // An update for an index outside the table is dropped, not stored.
  const uint64_t before = DPlay_DroppedCount();
  FeedData(1, 1000, 0, false, 1000001, RValue::Real(1));
  FeedData(1, 1000, 0, false, -3, RValue::Real(1));
  EXPECT_EQ(DPlay_DroppedCount(), before + 2);
}

TEST_F(DPlayTest, HostileInputIsDroppedAndCounted) {
  Simulate(true);
  RNetEvent ev;
  ev.kind = RNetEvent::kReceive;
  ev.peer = 7;  // a connection that never joined
  ev.data = DPlay_FrameData(1, 0, DPlay_EncodeBody(true, 1, RValue::Real(1)));
  uint64_t before = DPlay_DroppedCount();
  DPlay_Feed(ev);
  EXPECT_EQ(DPlay_DroppedCount(), before + 1);
  EXPECT_EQ(Real("mplay_message_count(0)"), 0);
  ev.data = {'Q', 'N', kFrameVersion};  // cut short
  DPlay_Feed(ev);
  ev.data = {1, 2, 3, 4, 5};
  DPlay_Feed(ev);
  EXPECT_EQ(DPlay_DroppedCount(), before + 3);
  // A datagram that is no search is dropped; another game's search is not
  // answered (the simulated host has no socket to answer from anyway).
  before = DPlay_DroppedCount();
  const uint8_t junk[] = {'Q', 'N', 1, 1, 0};
  DPlay_FeedDatagram({0x7F000001u, 9}, junk, sizeof junk);
  EXPECT_EQ(DPlay_DroppedCount(), before + 1);

  DPlay_SimulateSession(false);
  // A joined copy takes frames from its host only, and only good ones.
  before = DPlay_DroppedCount();
  FeedData(2, 1000, 0, true, 1, RValue::Real(1));  // not the host's connection
  ev.peer = 1;
  ev.data = DPlay_FrameData(1000, 0, {1, 0, 0, 0});  // a body cut short
  DPlay_Feed(ev);
  ev.data = DPlay_FrameData(0, 0, DPlay_EncodeBody(true, 1, RValue::Real(1)));  // from nobody
  DPlay_Feed(ev);
  EXPECT_EQ(DPlay_DroppedCount(), before + 3);
  EXPECT_EQ(Real("mplay_message_count(0)"), 0);
}

}  // namespace
