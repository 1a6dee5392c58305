#include "world/Room_Class.h"

#include <gtest/gtest.h>

#include "base/Support_Stream.h"
#include "world/Room_Main.h"

namespace {

CRoom SampleRoom(int32_t version) {
  CRoom r;
  r.r_version = version;
  r.r_caption = "Level 1";
  r.r_width = 1024;
  r.r_height = 768;
  r.r_speed = 60;
  r.r_persistent = true;
  r.r_color = 0x123456;
  r.r_showcolor = false;
  r.r_clearViewBackground = false;
  r.r_code = "global.level = 1;";
  r.r_background[0].visible = true;
  r.r_background[0].index = 3;
  r.r_background[0].x = -16;
  r.r_background[0].vspeed = 2;
  r.r_background[0].htiled = false;
  r.r_background[7].foreground = true;
  r.r_background[7].stretch = true;
  r.r_enableviews = true;
  r.r_view[1].visible = true;
  r.r_view[1].xview = 100;
  r.r_view[1].wport = 320;
  r.r_view[1].hborder = 64;
  r.r_view[1].index = 2;
  RInstanceRecord inst;
  inst.x = 10;
  inst.y = -20;
  inst.object = 4;
  inst.id = 100007;
  inst.code = "speed = 3;";
  inst.xscale = 2;
  inst.yscale = 0.5;
  inst.blend = 0x00FF00;
  inst.alpha = 128.0 / 255.0;
  inst.angle = 45;
  r.r_instances.push_back(inst);
  RTile t;
  t.x = 32;
  t.y = 64;
  t.index = 1;
  t.xo = 16;
  t.yo = 0;
  t.w = 16;
  t.h = 8;
  t.depth = 1000000;
  t.id = 10000001;
  t.xscale = 3;
  t.yscale = 1.5;
  t.blend = 0x0000FF;
  t.alpha = 1;
  r.r_tile.push_back(t);
  return r;
}

CRoom RoundTrip(const CRoom &in) {
  CStream s;
  in.SaveToStream(s);
  s.Seek(0);
  CRoom out;
  EXPECT_TRUE(out.LoadFromStream(s));
  EXPECT_EQ(s.Position(), s.Size());
  return out;
}

}  // namespace

TEST(RoomRecord, Version811KeepsEveryField) {
  const CRoom in = SampleRoom(811);
  const CRoom out = RoundTrip(in);
  EXPECT_EQ(out.r_caption, "Level 1");
  EXPECT_EQ(out.r_width, 1024);
  EXPECT_EQ(out.r_height, 768);
  EXPECT_EQ(out.r_speed, 60);
  EXPECT_TRUE(out.r_persistent);
  EXPECT_EQ(out.r_color, 0x123456);
  EXPECT_FALSE(out.r_showcolor);
  EXPECT_FALSE(out.r_clearViewBackground);
  EXPECT_EQ(out.r_code, in.r_code);
  EXPECT_TRUE(out.r_background[0].visible);
  EXPECT_EQ(out.r_background[0].index, 3);
  EXPECT_EQ(out.r_background[0].x, -16);
  EXPECT_EQ(out.r_background[0].vspeed, 2);
  EXPECT_FALSE(out.r_background[0].htiled);
  EXPECT_TRUE(out.r_background[0].vtiled);
  EXPECT_TRUE(out.r_background[7].foreground);
  EXPECT_TRUE(out.r_background[7].stretch);
  EXPECT_TRUE(out.r_enableviews);
  EXPECT_TRUE(out.r_view[1].visible);
  EXPECT_EQ(out.r_view[1].xview, 100);
  EXPECT_EQ(out.r_view[1].wport, 320);
  EXPECT_EQ(out.r_view[1].hborder, 64);
  EXPECT_EQ(out.r_view[1].index, 2);
  EXPECT_EQ(out.r_view[0].hspeed, -1);
  ASSERT_EQ(out.r_instances.size(), 1u);
  const RInstanceRecord &i = out.r_instances[0];
  EXPECT_EQ(i.x, 10);
  EXPECT_EQ(i.y, -20);
  EXPECT_EQ(i.object, 4);
  EXPECT_EQ(i.id, 100007);
  EXPECT_EQ(i.code, "speed = 3;");
  EXPECT_EQ(i.xscale, 2);
  EXPECT_EQ(i.yscale, 0.5);
  EXPECT_EQ(i.blend, 0x00FF00);
  EXPECT_DOUBLE_EQ(i.alpha, 128.0 / 255.0);
  EXPECT_EQ(i.angle, 45);
  ASSERT_EQ(out.r_tile.size(), 1u);
  const RTile &t = out.r_tile[0];
  EXPECT_EQ(t.x, 32);
  EXPECT_EQ(t.y, 64);
  EXPECT_EQ(t.index, 1);
  EXPECT_EQ(t.xo, 16);
  EXPECT_EQ(t.w, 16);
  EXPECT_EQ(t.h, 8);
  EXPECT_EQ(t.depth, 1000000);
  EXPECT_EQ(t.id, 10000001);
  EXPECT_EQ(t.xscale, 3);
  EXPECT_EQ(t.yscale, 1.5);
  EXPECT_EQ(t.blend, 0x0000FF);
  EXPECT_EQ(t.alpha, 1);
  EXPECT_TRUE(t.visible);
}

TEST(RoomRecord, OlderVersionsLackTheirFields) {
  // 810 has no instance angle; 541 has no scales or colours either, so those
  // come back as the defaults.
  const CRoom v810 = RoundTrip(SampleRoom(810));
  EXPECT_EQ(v810.r_version, 810);
  EXPECT_EQ(v810.r_instances[0].angle, 0);
  EXPECT_EQ(v810.r_instances[0].xscale, 2);
  EXPECT_EQ(v810.r_tile[0].blend, 0x0000FF);

  const CRoom v541 = RoundTrip(SampleRoom(541));
  EXPECT_EQ(v541.r_instances[0].code, "speed = 3;");
  EXPECT_EQ(v541.r_instances[0].xscale, 1);
  EXPECT_EQ(v541.r_instances[0].blend, 16777215);
  EXPECT_EQ(v541.r_instances[0].alpha, 1);
  EXPECT_EQ(v541.r_tile[0].xscale, 1);
  EXPECT_EQ(v541.r_tile[0].blend, 16777215);
  EXPECT_EQ(v541.r_tile[0].alpha, 1);
  EXPECT_EQ(v541.r_tile[0].id, 10000001);

  for (int32_t bad : {540, 800, 812}) {
    CStream s;
    SampleRoom(bad).SaveToStream(s);
    s.Seek(0);
    CRoom r;
    EXPECT_FALSE(r.LoadFromStream(s)) << bad;
  }
}

TEST(RoomRecord, ColourWordCarriesBlendAndAlpha) {
  // Built by hand: one 810 instance whose colour word is 0x80FF8040.
  CStream s;
  s.WriteInteger(810);
  s.WriteString("");
  for (int v : {640, 480, 30}) s.WriteInteger(v);
  s.WriteBoolean(false);
  s.WriteInteger(0);
  s.WriteInteger(1);  // flags: show colour, clear view background
  s.WriteString("");
  s.WriteInteger(0);  // no backgrounds
  s.WriteBoolean(false);
  s.WriteInteger(0);  // no views
  s.WriteInteger(1);
  for (int v : {1, 2, 3, 100001}) s.WriteInteger(v);
  s.WriteString("");
  s.WriteReal(1);
  s.WriteReal(1);
  s.WriteInteger(static_cast<int32_t>(0x80FF8040u));
  s.WriteInteger(0);  // no tiles
  s.Seek(0);
  CRoom r;
  ASSERT_TRUE(r.LoadFromStream(s));
  EXPECT_EQ(r.r_instances[0].blend, 0xFF8040);
  EXPECT_DOUBLE_EQ(r.r_instances[0].alpha, 128.0 / 255.0);
  EXPECT_TRUE(r.r_showcolor);
  EXPECT_TRUE(r.r_clearViewBackground);
  // Layers and views the record does not hold keep their defaults.
  EXPECT_EQ(r.r_background[0].index, -1);
  EXPECT_EQ(r.r_view[0].wview, 640);
}

TEST(RoomRecord, StretchedLayersScaleToTheBackground) {
  Room_SetBackgroundSizeFn([](int32_t index, int32_t &w, int32_t &h) {
    if (index != 3) return false;
    w = 256;
    h = 192;
    return true;
  });
  CRoom in = SampleRoom(811);
  in.r_background[0].stretch = true;  // background 3: known
  in.r_background[1].stretch = true;  // background -1: missing
  in.r_background[1].index = -1;
  const CRoom out = RoundTrip(in);
  Room_SetBackgroundSizeFn(nullptr);
  EXPECT_EQ(out.r_background[0].xscale, 4);
  EXPECT_EQ(out.r_background[0].yscale, 4);
  EXPECT_EQ(out.r_background[1].xscale, 1);
  EXPECT_EQ(out.r_background[0].blend, 16777215);
}

TEST(RoomSection, IdCountersAndRoomOrder) {
  RResourceList<CRoom> rooms;
  rooms.items.push_back(std::make_unique<CRoom>(SampleRoom(811)));
  rooms.names.push_back("first");
  rooms.items.emplace_back();
  rooms.names.emplace_back();
  CStream s;
  Room_SaveSection(s, rooms, 100050, 10000060);
  RoomOrder_SaveSection(s, {1, 0, 1});
  s.Seek(0);
  ASSERT_TRUE(Room_Load(s));
  EXPECT_EQ(g_Rooms.Count(), 2);
  EXPECT_EQ(RoomName(0), "first");
  EXPECT_EQ(RoomName(1), "<undefined>");
  EXPECT_EQ(RoomFind("first"), 0);
  EXPECT_EQ(g_LastInstanceId, 100050);
  EXPECT_EQ(g_LastTileId, 10000060);
  ASSERT_TRUE(RoomOrder_Load(s));
  EXPECT_EQ(g_RoomOrder, (std::vector<int32_t>{1, 0, 1}));
}

TEST(RoomSection, RoomOrderNeedsARoom) {
  for (int32_t count : {0, -1}) {
    CStream s;
    s.WriteInteger(700);
    s.WriteInteger(count);
    s.Seek(0);
    EXPECT_FALSE(RoomOrder_Load(s)) << count;
  }
}
