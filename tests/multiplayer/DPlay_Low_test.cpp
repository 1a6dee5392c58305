// The message body and the session framing: what one copy sends is what the
// other decodes, and nothing malformed gets through.
#include <gtest/gtest.h>

#include <cstring>

#include "multiplayer/DPlay_Low.h"

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> b) {
  std::vector<uint8_t> v;
  for (int x : b) v.push_back(static_cast<uint8_t>(x));
  return v;
}

TEST(DPlayBody, RealLayoutIsTheWireFormat) {
  const std::vector<uint8_t> body = DPlay_EncodeBody(true, 0x01020304, RValue::Real(1.5));
  ASSERT_EQ(body.size(), 14u);
  EXPECT_EQ(body[0], 1);
  EXPECT_EQ(body[1], 0x04);  // messid, little-endian
  EXPECT_EQ(body[4], 0x01);
  EXPECT_EQ(body[5], 0);     // a real
  double d;
  std::memcpy(&d, body.data() + 6, 8);
  EXPECT_EQ(d, 1.5);
}

TEST(DPlayBody, RoundTrips) {
  struct RCase {
    bool ismessage;
    int32_t messid;
    RValue val;
    RValue expect;
  };
  const std::string big(40000, 'x');
  const RCase cases[] = {
      {true, 7, RValue::Real(-2.25), RValue::Real(-2.25)},
      {false, 1000000, RValue::Str(RString("hello")), RValue::Str(RString("hello"))},
      {true, -5, RValue::Str(RString("")), RValue::Str(RString(""))},
      // A string longer than 32000 bytes arrives as its first 32000.
      {true, 1, RValue::Str(RString(big)), RValue::Str(RString(big.substr(0, 32000)))},
  };
  for (const RCase &c : cases) {
    const std::vector<uint8_t> body = DPlay_EncodeBody(c.ismessage, c.messid, c.val);
    TMess m;
    ASSERT_TRUE(DPlay_DecodeBody(body.data(), body.size(), m));
    EXPECT_EQ(m.ismessage, c.ismessage);
    EXPECT_EQ(m.messid, c.messid);
    EXPECT_EQ(m.val.kind, c.expect.kind);
    if (c.expect.IsString()) EXPECT_EQ(m.val.str.view(), c.expect.str.view());
    else EXPECT_EQ(m.val.val, c.expect.val);
  }
}

TEST(DPlayBody, MalformedBodiesAreRefused) {
  std::vector<uint8_t> longString = Bytes({1, 0, 0, 0, 0, 1, 0x01, 0x7D, 0, 0});  // 32001 bytes announced
  longString.resize(longString.size() + 32001, 'a');
  const std::vector<std::vector<uint8_t>> cases = {
      {},
      Bytes({1, 0, 0, 0}),                                 // cut in the id
      Bytes({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),  // kind neither 0 nor 1
      Bytes({1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0}),  // value kind 2
      Bytes({1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),     // real cut short
      Bytes({1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9}),  // a byte past the real
      Bytes({1, 0, 0, 0, 0, 1, 5, 0, 0, 0, 'a', 'b'}),    // string shorter than announced
      Bytes({1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 'a', 'b'}),    // string longer than announced
      Bytes({1, 0, 0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF}),  // a length no buffer holds
      longString,
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    TMess m;
    m.messid = 99;
    EXPECT_FALSE(DPlay_DecodeBody(cases[i].data(), cases[i].size(), m)) << "case " << i;
    EXPECT_EQ(m.messid, 99) << "case " << i;
  }
}

TEST(DPlayFrame, SessionFramesRoundTrip) {
  RHere here;
  here.game[0] = 7;
  here.nonce = 0xDEADBEEF;
  here.instance[15] = 9;
  here.port = 5555;
  here.players = 2;
  here.maxPlayers = 4;
  here.flags = 1;
  here.name = "lobby";
  std::vector<uint8_t> f = DPlay_Frame(here);
  RHere h2;
  ASSERT_TRUE(DPlay_Parse(f.data(), f.size(), h2));
  EXPECT_EQ(h2.game, here.game);
  EXPECT_EQ(h2.instance, here.instance);
  EXPECT_EQ(h2.nonce, here.nonce);
  EXPECT_EQ(h2.port, 5555);
  EXPECT_EQ(h2.name, "lobby");

  RWelcome w;
  w.yourId = 12;
  w.roster.hostId = 11;
  w.roster.flags = 1;
  w.roster.players = {{11, 0, 4000, "alice"}, {12, 0x7F000001u, 4001, "bob"}};
  f = DPlay_Frame(w);
  RWelcome w2;
  ASSERT_TRUE(DPlay_Parse(f.data(), f.size(), w2));
  EXPECT_EQ(w2.yourId, 12u);
  ASSERT_EQ(w2.roster.players.size(), 2u);
  EXPECT_EQ(w2.roster.players[1].name, "bob");
  EXPECT_EQ(w2.roster.players[1].host, 0x7F000001u);
  // A frame parsed as another kind is refused.
  RRoster r;
  EXPECT_FALSE(DPlay_Parse(f.data(), f.size(), r));

  const std::vector<uint8_t> body = DPlay_EncodeBody(true, 3, RValue::Real(4));
  f = DPlay_FrameData(12, 0, body);
  RDataFrame d;
  ASSERT_TRUE(DPlay_Parse(f.data(), f.size(), d));
  EXPECT_EQ(d.from, 12u);
  EXPECT_EQ(d.to, 0u);
  EXPECT_EQ(std::vector<uint8_t>(d.body, d.body + d.size), body);

  // Names longer than the protocol carries are cut, not refused.
  RJoin j;
  j.name = std::string(1000, 'n');
  f = DPlay_Frame(j);
  RJoin j2;
  ASSERT_TRUE(DPlay_Parse(f.data(), f.size(), j2));
  EXPECT_EQ(j2.name.size(), kNameMax);
}

TEST(DPlayFrame, MalformedFramesAreRefused) {
  RRoster roster;
  roster.players = {{5, 0, 1, "p"}};
  const std::vector<uint8_t> good = DPlay_Frame(roster);
  RRoster r;
  ASSERT_TRUE(DPlay_Parse(good.data(), good.size(), r));

  std::vector<std::vector<uint8_t>> cases;
  for (size_t n = 0; n < good.size(); ++n) cases.emplace_back(good.begin(), good.begin() + static_cast<long>(n));
  std::vector<uint8_t> v = good;
  v[2] = kFrameVersion + 1;  // another version
  cases.push_back(v);
  v = good;
  v.push_back(0);  // trailing byte
  cases.push_back(v);
  v = good;
  v[9] = 0xFF;  // a count above the most players a session has
  v[10] = 0xFF;
  cases.push_back(v);
  v = good;
  v[11] = v[12] = v[13] = v[14] = 0;  // player id 0
  cases.push_back(v);
  for (size_t i = 0; i < cases.size(); ++i)
    EXPECT_FALSE(DPlay_Parse(cases[i].data(), cases[i].size(), r)) << "case " << i;

  TFrameKind kind;
  const std::vector<uint8_t> unknown = Bytes({'Q', 'N', kFrameVersion, 99});
  EXPECT_FALSE(DPlay_FrameKind(unknown.data(), unknown.size(), kind));
  EXPECT_TRUE(DPlay_FrameKind(good.data(), good.size(), kind));
  EXPECT_EQ(kind, TFrameKind::Roster);
}

}  // namespace
