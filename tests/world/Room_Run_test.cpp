#include <gtest/gtest.h>

#include <vector>

#include "support/Room_Test_Fixture.h"

namespace {

using RoomRun = RoomFixture;

std::vector<int32_t> IdsOf(const CRoom &room, int32_t obj, bool recursive) {
  std::vector<int32_t> ids;
  const int32_t n = recursive ? room.Obj_Number_Recursive(obj) : room.Obj_Number(obj);
  for (int32_t i = 0; i < n; ++i)
    ids.push_back((recursive ? room.Obj_Instance_Recursive(obj, i) : room.Obj_Instance(obj, i))->i_id);
  return ids;
}

TEST_F(RoomRun, PerObjectListsFollowTheParentChainInRoomOrder) {
  const int base = AddObject();
  const int child = AddObject(base);
  const int grandchild = AddObject(child);
  const int other = AddObject();
  const int32_t a = Add(grandchild)->i_id;
  const int32_t b = Add(base)->i_id;
  const int32_t c = Add(other)->i_id;
  const int32_t d = Add(child)->i_id;

  const auto check = [&](const char *when) {
    EXPECT_EQ(IdsOf(*room, base, false), (std::vector<int32_t>{b})) << when;
    EXPECT_EQ(IdsOf(*room, base, true), (std::vector<int32_t>{a, b, d})) << when;
    EXPECT_EQ(IdsOf(*room, child, true), (std::vector<int32_t>{a, d})) << when;
    EXPECT_EQ(IdsOf(*room, grandchild, true), (std::vector<int32_t>{a})) << when;
    EXPECT_EQ(IdsOf(*room, other, true), (std::vector<int32_t>{c})) << when;
  };
  check("as added");
  room->RebuildObjectLists();
  check("rebuilt");

  for (int32_t bad : {-1, -4, 4, 100000}) {
    EXPECT_EQ(room->Obj_Number(bad), 0) << bad;
    EXPECT_EQ(room->Obj_Number_Recursive(bad), 0) << bad;
    EXPECT_EQ(room->Obj_Instance_Recursive(bad, 0), nullptr) << bad;
  }
  EXPECT_EQ(room->Obj_Instance(base, 1), nullptr);
  EXPECT_EQ(room->Obj_Instance_Recursive(base, -1), nullptr);
}

TEST_F(RoomRun, AParentCycleListsEachInstanceOnce) {
  const int a = AddObject();
  const int b = AddObject(a);
  ObjectGet(a)->o_parent = b;  // a -> b -> a
  const int32_t id = Add(a)->i_id;
  EXPECT_EQ(IdsOf(*room, a, true), (std::vector<int32_t>{id}));
  EXPECT_EQ(IdsOf(*room, b, true), (std::vector<int32_t>{id}));
  room->RebuildObjectLists();
  EXPECT_EQ(IdsOf(*room, a, true), (std::vector<int32_t>{id}));
}

TEST_F(RoomRun, InstancesOfObjectsAddedLaterAreListed) {
  const int first = AddObject();
  Add(first);
  const int late = AddObject(first);
  const int32_t id = Add(late)->i_id;
  EXPECT_EQ(IdsOf(*room, late, false), (std::vector<int32_t>{id}));
  EXPECT_EQ(room->Obj_Number_Recursive(first), 2);
}

TEST_F(RoomRun, NewInstancesTakeTheNextIds) {
  const int obj = AddObject();
  g_LastInstanceId = 100500;
  EXPECT_EQ(Add(obj)->i_id, 100501);
  EXPECT_EQ(Add(obj)->i_id, 100502);
  EXPECT_EQ(g_LastInstanceId, 100502);
}

TEST_F(RoomRun, RemoveMarkedKeepsTheOrderAndTheListsFollow) {
  const int obj = AddObject();
  std::vector<CInstance *> inst;
  for (int i = 0; i < 5; ++i) inst.push_back(Add(obj));
  const std::vector<int32_t> before = Ids();
  inst[1]->i_marked = true;
  inst[3]->i_marked = true;
  room->RemoveMarked();
  EXPECT_EQ(Ids(), (std::vector<int32_t>{before[0], before[2], before[4]}));
  EXPECT_EQ(IdsOf(*room, obj, true), Ids());
  EXPECT_EQ(IdsOf(*room, obj, false), Ids());
}

TEST_F(RoomRun, UpdateActiveMovesChangedInstancesToTheEnds) {
  const int obj = AddObject();
  std::vector<CInstance *> inst;
  for (int i = 0; i < 5; ++i) inst.push_back(Add(obj));
  const std::vector<int32_t> id = Ids();

  inst[3]->i_deactivated = true;
  inst[1]->i_deactivated = true;
  room->UpdateActive();
  EXPECT_EQ(Ids(), (std::vector<int32_t>{id[0], id[2], id[4]}));
  ASSERT_EQ(room->r_instance_deact.size(), 2u);
  EXPECT_EQ(room->r_instance_deact[0]->i_id, id[1]);  // in their room order
  EXPECT_EQ(room->r_instance_deact[1]->i_id, id[3]);
  EXPECT_EQ(IdsOf(*room, obj, true), Ids());

  // One comes back (to the end), another goes, in the same update.
  inst[3]->i_deactivated = false;
  inst[0]->i_deactivated = true;
  room->UpdateActive();
  EXPECT_EQ(Ids(), (std::vector<int32_t>{id[2], id[4], id[3]}));
  ASSERT_EQ(room->r_instance_deact.size(), 2u);
  EXPECT_EQ(room->r_instance_deact[0]->i_id, id[1]);
  EXPECT_EQ(room->r_instance_deact[1]->i_id, id[0]);
  EXPECT_EQ(IdsOf(*room, obj, true), Ids());
  // The instances themselves never moved.
  EXPECT_EQ(room->InstanceAt(2), inst[3]);
}

TEST_F(RoomRun, SortInstancesIsStableByDecreasingDepth) {
  const int obj = AddObject();
  const double depths[] = {0, 10, -5, 10, 0};
  std::vector<int32_t> id;
  for (double d : depths) {
    CInstance *inst = Add(obj);
    inst->i_depth = d;
    id.push_back(inst->i_id);
  }
  room->SortInstances();
  EXPECT_EQ(Ids(), (std::vector<int32_t>{id[1], id[3], id[0], id[4], id[2]}));
  EXPECT_EQ(IdsOf(*room, obj, false), id);  // the lists keep their order
}

TEST_F(RoomRun, TheRunTimeCopyMakesThePlacedInstancesLive) {
  TestSprites()[0] = SpriteGeometry(10, 10, 0, 0);
  const int obj = AddObject(-1, 0, 5);
  CRoom resource;
  resource.r_caption = "Cave";
  resource.r_code = "x = 1;";
  RInstanceRecord r;
  r.x = 20;
  r.y = 30;
  r.object = obj;
  r.id = 100077;
  r.code = "speed = 3;";
  r.xscale = 2;
  r.yscale = -1;
  r.blend = 0x00FF00;
  r.alpha = 0.5;
  r.angle = 0;
  resource.r_instances.push_back(r);
  r.id = 100078;
  r.object = 42;  // no such object: still placed, in no list
  resource.r_instances.push_back(r);
  RTile t;
  t.id = 10000005;
  resource.r_tile.push_back(t);

  g_LastInstanceId = 100100;
  CRoom run;
  run.AssignFromResource(&resource);
  EXPECT_EQ(g_LastInstanceId, 100100);  // placed instances keep their own ids
  EXPECT_EQ(run.r_caption, "Cave");
  EXPECT_EQ(run.r_code, "x = 1;");
  ASSERT_EQ(run.InstanceCount(), 2);
  const CInstance &a = *run.InstanceAt(0);
  EXPECT_EQ(a.i_id, 100077);
  EXPECT_EQ(a.i_initcode, "speed = 3;");
  EXPECT_EQ(a.i_depth, 5);
  EXPECT_EQ(a.i_imagescalex, 2);
  EXPECT_EQ(a.i_imageblend, 0x00FF00u);
  EXPECT_EQ(a.i_imagealpha, 0.5);
  EXPECT_EQ(a.i_bbox.left, 20);
  EXPECT_EQ(a.i_bbox.right, 39);
  EXPECT_EQ(a.i_bbox.top, 19);  // mirrored vertically
  EXPECT_EQ(a.i_bbox.bottom, 30);
  EXPECT_EQ(run.InstanceAt(1)->i_object, nullptr);
  EXPECT_EQ(IdsOf(run, obj, true), (std::vector<int32_t>{100077}));
  ASSERT_EQ(run.r_tile.size(), 1u);
  EXPECT_EQ(run.r_tile[0].id, 10000005);
}

TEST_F(RoomRun, CopiesOfARoomOwnTheirInstances) {
  const int obj = AddObject();
  CInstance *orig = Add(obj, 1, 2);
  orig->i_vars.SetVar(100000, 0, RValue::Real(7));
  Add(obj)->i_deactivated = true;
  room->UpdateActive();

  CRoom copy(*room);
  ASSERT_EQ(copy.InstanceCount(), 1);
  ASSERT_EQ(copy.r_instance_deact.size(), 1u);
  CInstance *c = copy.InstanceAt(0);
  EXPECT_NE(c, orig);
  EXPECT_EQ(c->i_id, orig->i_id);
  c->i_vars.SetVar(100000, 0, RValue::Real(8));
  RValue v;
  ASSERT_TRUE(orig->i_vars.GetVar(100000, 0, v));
  EXPECT_EQ(v.val, 7);
  EXPECT_EQ(copy.Obj_Instance(obj, 0), c);

  copy.Assign(nullptr);  // no room: cleared
  EXPECT_EQ(copy.InstanceCount(), 0);
  EXPECT_TRUE(copy.r_instance_deact.empty());
  EXPECT_EQ(copy.Obj_Number(obj), 0);
}

TEST_F(RoomRun, ScrollBackgroundMovesEveryLayer) {
  room->r_background[0].hspeed = 2;
  room->r_background[7].vspeed = -1.5;
  room->ScrollBackground();
  room->ScrollBackground();
  EXPECT_EQ(room->r_background[0].x, 4);
  EXPECT_EQ(room->r_background[7].y, -3);
}

// --- tiles --------------------------------------------------------------------

RTile MakeTile(double x, double y, int32_t w, int32_t h, double depth) {
  RTile t;
  t.x = x;
  t.y = y;
  t.w = w;
  t.h = h;
  t.depth = depth;
  return t;
}

TEST_F(RoomRun, TilesGetNewIdsAndAreFoundById) {
  const int32_t i0 = room->AddTile(MakeTile(0, 0, 16, 16, 0));
  const int32_t i1 = room->AddTile(MakeTile(0, 0, 16, 16, 0));
  EXPECT_EQ(i0, 0);
  EXPECT_EQ(i1, 1);
  EXPECT_EQ(room->r_tile[0].id, 10000001);
  EXPECT_EQ(room->r_tile[1].id, 10000002);
  EXPECT_EQ(room->r_lasttile, 1);
  EXPECT_EQ(room->FindTile(10000001), 0);
  EXPECT_EQ(room->r_lasttile, 0);
  EXPECT_EQ(room->FindTile(10000002), 1);
  EXPECT_EQ(room->FindTile(5), -1);
  room->DeleteTile(0);
  EXPECT_EQ(room->FindTile(10000001), -1);
  EXPECT_EQ(room->FindTile(10000002), 0);  // found after its index moved
  room->ClearTiles();
  EXPECT_EQ(room->FindTile(10000002), -1);
}

TEST_F(RoomRun, TilesAreFoundAndDeletedByPointAndLayer) {
  // Scaled: covers [10, 42) x [20, 28).
  RTile behind = MakeTile(10, 20, 16, 8, 100);
  behind.xscale = 2;
  const int32_t behindId = room->r_tile[static_cast<size_t>(room->AddTile(behind))].id;
  const int32_t frontId = room->r_tile[static_cast<size_t>(room->AddTile(MakeTile(10, 20, 4, 4, -1)))].id;
  const int32_t zeroId = room->r_tile[static_cast<size_t>(room->AddTile(MakeTile(0, 0, 8, 8, 0)))].id;

  struct Case {
    double x, y;
    bool foreground;
    int32_t index;
  } finds[] = {
      {41.9, 27.9, false, 0}, {42, 20, false, -1}, {12, 22, true, 1}, {14, 22, true, -1}, {0, 0, false, 2},
      {0, 0, true, -1},  // depth 0 counts as behind
  };
  for (const Case &c : finds) EXPECT_EQ(room->FindTileAt(c.x, c.y, c.foreground), c.index) << c.x << "," << c.y;

  EXPECT_EQ(room->FindTileAtDepth(-1, 12, 22), 1);
  EXPECT_EQ(room->FindTileAtDepth(100, 12, 22), 0);
  EXPECT_EQ(room->FindTileAtDepth(5, 12, 22), -1);

  // Deleting by point takes the right and bottom edges too, and depth 0
  // on either side.
  room->DeleteTilesAt(42, 28, false);
  EXPECT_EQ(room->FindTile(behindId), -1);
  room->DeleteTilesAt(8, 8, true);
  EXPECT_EQ(room->FindTile(zeroId), -1);
  EXPECT_GE(room->FindTile(frontId), 0);
  room->DeleteTilesAtDepth(-1, 13, 23);
  EXPECT_TRUE(room->r_tile.empty());
}

TEST_F(RoomRun, TileLayersAreHiddenShiftedMovedAndDeletedByDepth) {
  room->AddTile(MakeTile(0, 0, 8, 8, 10));
  room->AddTile(MakeTile(5, 5, 8, 8, 20));
  room->AddTile(MakeTile(1, 1, 8, 8, 10));
  room->HideTilesDepth(10);
  EXPECT_FALSE(room->r_tile[0].visible);
  EXPECT_TRUE(room->r_tile[1].visible);
  EXPECT_FALSE(room->r_tile[2].visible);
  room->ShowTilesDepth(10);
  EXPECT_TRUE(room->r_tile[2].visible);
  room->ShiftTilesDepth(10, 3, -2);
  EXPECT_EQ(room->r_tile[0].x, 3);
  EXPECT_EQ(room->r_tile[2].y, -1);
  EXPECT_EQ(room->r_tile[1].x, 5);
  room->ChangeTilesDepth(20, 30);
  EXPECT_EQ(room->r_tile[1].depth, 30);
  room->SortTiles();
  EXPECT_EQ(room->r_tile[0].depth, 30);
  EXPECT_EQ(room->r_tile[1].x, 3);  // equal depths keep their order
  EXPECT_EQ(room->r_tile[2].x, 4);
  room->DeleteTilesDepth(10);
  ASSERT_EQ(room->r_tile.size(), 1u);
  EXPECT_EQ(room->r_tile[0].depth, 30);
}

}  // namespace

namespace {

TEST_F(RoomRun, RunTimeRoomsLiveInTheirSlotsUntilFreed) {
  const int obj = AddObject();
  g_Rooms.items.push_back(std::make_unique<CRoom>());
  g_Rooms.names.push_back("room1");
  RInstanceRecord r;
  r.object = obj;
  r.id = 100050;
  g_Rooms.Get(1)->r_instances.push_back(r);

  EXPECT_EQ(Room_Current(), room);
  EXPECT_EQ(RunRoom_Get(1), nullptr);
  CRoom *second = RunRoom_Make(1);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(RunRoom_Get(1), second);
  EXPECT_EQ(Room_Current(), room);  // making a copy does not enter it
  ASSERT_EQ(second->InstanceCount(), 1);
  EXPECT_EQ(second->InstanceAt(0)->i_id, 100050);

  Room_SetCurrent(1);
  EXPECT_EQ(g_RoomIndex, 1);
  EXPECT_EQ(Room_Current(), second);
  EXPECT_EQ(Room_FindInstance(100050), second->InstanceAt(0));
  // A fresh copy replaces the old one, also as the current room.
  CRoom *again = RunRoom_Make(1);
  EXPECT_EQ(Room_Current(), again);
  RunRoom_Free(1);
  EXPECT_EQ(Room_Current(), nullptr);
  EXPECT_EQ(Room_FindInstance(100050), nullptr);

  // Slots beyond the array are simply empty; making one grows it.
  EXPECT_EQ(RunRoom_Get(7), nullptr);
  EXPECT_NE(RunRoom_Make(7), nullptr);  // no resource: a default room
  EXPECT_EQ(RunRoom_Get(7)->r_width, 640);
  Room_SetCurrent(0);
  RunRoom_FreeAll();
  EXPECT_EQ(Room_Current(), nullptr);
  EXPECT_TRUE(g_RunRooms.empty());
}

}  // namespace
