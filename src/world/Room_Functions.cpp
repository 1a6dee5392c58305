#include "world/Room_Functions.h"

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "world/Room_Main.h"

namespace {

using fnarg::Bool;
using fnarg::Int;
using fnarg::Num;
using fnarg::Text;

CRoom *ResourceRoom(const RValue &v) { return g_Rooms.Get(Int(v)); }

bool BackgroundExists(int32_t index) {
  int32_t w = 0, h = 0;
  return Room_BackgroundSize(index, w, h);
}

// --- names and the play order -------------------------------------------------

void F_RoomName(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetString(RString(RoomName(Int(args[0]))));
}

void F_RoomExists(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(g_Rooms.Exists(Int(args[0])) ? 1 : 0);
}

void F_RoomPrevious(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(RoomPrevious(Int(args[0])));
}

void F_RoomNext(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(RoomNext(Int(args[0])));
}

// --- room resources --------------------------------------------------------------

void F_RoomSetWidth(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CRoom *room = ResourceRoom(args[0])) room->r_width = Int(args[1]);
}

void F_RoomSetHeight(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CRoom *room = ResourceRoom(args[0])) room->r_height = Int(args[1]);
}

void F_RoomSetCaption(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CRoom *room = ResourceRoom(args[0])) room->r_caption = std::string(Text(args[1]));
}

void F_RoomSetPersistent(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CRoom *room = ResourceRoom(args[0])) room->r_persistent = Bool(args[1]);
}

void F_RoomSetCode(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CRoom *room = ResourceRoom(args[0])) room->r_code = std::string(Text(args[1]));
}

void F_RoomSetBackgroundColor(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CRoom *room = ResourceRoom(args[0])) {
    room->r_color = Int(args[1]);
    room->r_showcolor = Bool(args[2]);
  }
}

void F_RoomSetBackground(CInstance *, CInstance *, int, RValue *args, RValue &) {
  CRoom *room = ResourceRoom(args[0]);
  const int32_t layer = Int(args[1]);
  if (room == nullptr || layer < 0 || layer >= 8) return;
  CBack &b = room->r_background[static_cast<size_t>(layer)];
  b.visible = Bool(args[2]);
  b.foreground = Bool(args[3]);
  b.index = Int(args[4]);
  b.x = Num(args[5]);
  b.y = Num(args[6]);
  b.htiled = Bool(args[7]);
  b.vtiled = Bool(args[8]);
  b.hspeed = Num(args[9]);
  b.vspeed = Num(args[10]);
  b.alpha = Num(args[11]);
  b.xscale = b.yscale = 1;
  b.stretch = false;
}

void F_RoomSetView(CInstance *, CInstance *, int, RValue *args, RValue &) {
  CRoom *room = ResourceRoom(args[0]);
  const int32_t index = Int(args[1]);
  if (room == nullptr || index < 0 || index >= 8) return;
  CView &v = room->r_view[static_cast<size_t>(index)];
  v.visible = Bool(args[2]);
  int32_t *fields[] = {&v.xview, &v.yview,   &v.wview,   &v.hview,  &v.xport,  &v.yport, &v.wport,
                       &v.hport, &v.hborder, &v.vborder, &v.hspeed, &v.vspeed, &v.index};
  for (size_t i = 0; i < std::size(fields); ++i) *fields[i] = Int(args[3 + i]);
}

void F_RoomSetViewEnabled(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CRoom *room = ResourceRoom(args[0])) room->r_enableviews = Bool(args[1]);
}

void F_RoomAdd(CInstance *, CInstance *, int, RValue *, RValue &result) { result.SetReal(RoomAdd()); }

void F_RoomDuplicate(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const int index = RoomDuplicate(Int(args[0]));
  if (index < 0) ReportActionError("Trying to duplicate non-existing room.", false);
  result.SetReal(index);
}

void F_RoomAssign(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (!RoomAssign(Int(args[0]), Int(args[1]))) ReportActionError("Error assigning a room.", false);
}

void F_RoomInstanceAdd(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  CRoom *room = ResourceRoom(args[0]);
  if (room == nullptr) {
    result.SetReal(-1);
    return;
  }
  RInstanceRecord r;
  r.x = Int(args[1]);
  r.y = Int(args[2]);
  r.object = Int(args[3]);
  r.id = Room_NextInstanceId();
  room->r_instances.push_back(r);
  result.SetReal(r.id);
}

void F_RoomInstanceClear(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CRoom *room = ResourceRoom(args[0])) room->r_instances.clear();
}

// Adds a tile of background args[0] (part left, top, width, height at x, y,
// depth: args[0..7]) to the room; answers its id, -1 for a missing
// background, which is reported.
int32_t AddTileTo(CRoom &room, const RValue *args, double xscale, double yscale, double alpha) {
  RTile t;
  t.index = Int(args[0]);
  if (!BackgroundExists(t.index)) {
    ReportActionError("Background does not exist.", false);
    return -1;
  }
  t.xo = Int(args[1]);
  t.yo = Int(args[2]);
  t.w = Int(args[3]);
  t.h = Int(args[4]);
  t.x = Num(args[5]);
  t.y = Num(args[6]);
  t.depth = Num(args[7]);
  t.xscale = xscale;
  t.yscale = yscale;
  t.alpha = alpha;
  return room.r_tile[static_cast<size_t>(room.AddTile(t))].id;
}

void F_RoomTileAdd(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  CRoom *room = ResourceRoom(args[0]);
  result.SetReal(room ? AddTileTo(*room, args + 1, 1, 1, 1) : -1);
}

void F_RoomTileAddExt(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  CRoom *room = ResourceRoom(args[0]);
  result.SetReal(room ? AddTileTo(*room, args + 1, Num(args[9]), Num(args[10]), Num(args[11])) : -1);
}

void F_RoomTileClear(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CRoom *room = ResourceRoom(args[0])) room->ClearTiles();
}

// --- tiles of the current room ------------------------------------------------------

// The tile with the id in the current room; reports and answers null when
// there is none.
RTile *Tile(const RValue &id) {
  CRoom *room = Room_Current();
  RTile *t = room ? room->TileById(Int(id)) : nullptr;
  if (t == nullptr) ReportActionError("Tile does not exist.", false);
  return t;
}

template <class T, T RTile::*F>
void F_TileGet(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  if (const RTile *t = Tile(args[0])) result.SetReal(static_cast<double>(t->*F));
}

void F_TileSetVisible(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (RTile *t = Tile(args[0])) t->visible = Bool(args[1]);
}

void F_TileSetBackground(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (RTile *t = Tile(args[0])) t->index = Int(args[1]);
}

void F_TileSetDepth(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (RTile *t = Tile(args[0])) t->depth = Num(args[1]);
}

void F_TileSetBlend(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (RTile *t = Tile(args[0])) t->blend = Int(args[1]);
}

void F_TileSetAlpha(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (RTile *t = Tile(args[0])) t->alpha = Num(args[1]);
}

void F_TileSetPosition(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (RTile *t = Tile(args[0])) {
    t->x = Num(args[1]);
    t->y = Num(args[2]);
  }
}

void F_TileSetScale(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (RTile *t = Tile(args[0])) {
    t->xscale = Num(args[1]);
    t->yscale = Num(args[2]);
  }
}

void F_TileSetRegion(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (RTile *t = Tile(args[0])) {
    t->xo = Int(args[1]);
    t->yo = Int(args[2]);
    t->w = Int(args[3]);
    t->h = Int(args[4]);
  }
}

void F_TileAdd(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  CRoom *room = Room_Current();
  result.SetReal(room ? AddTileTo(*room, args, 1, 1, 1) : -1);
}

// The id of the tile at an index of the current room, -1 for none.
double TileIdAt(const CRoom &room, int32_t index) {
  return index < 0 ? -1 : room.r_tile[static_cast<size_t>(index)].id;
}

void F_TileFind(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const CRoom *room = Room_Current();
  result.SetReal(room ? TileIdAt(*room, room->FindTileAt(Num(args[0]), Num(args[1]), Bool(args[2]))) : -1);
}

void F_TileExists(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  CRoom *room = Room_Current();
  result.SetReal(room && room->FindTile(Int(args[0])) >= 0 ? 1 : 0);
}

void F_TileDelete(CInstance *, CInstance *, int, RValue *args, RValue &) {
  CRoom *room = Room_Current();
  const int32_t index = room ? room->FindTile(Int(args[0])) : -1;
  if (index < 0) {
    ReportActionError("Tile does not exist.", false);
    return;
  }
  room->DeleteTile(index);
}

void F_TileDeleteAt(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CRoom *room = Room_Current()) room->DeleteTilesAt(Num(args[0]), Num(args[1]), Bool(args[2]));
}

void F_TileLayerHide(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CRoom *room = Room_Current()) room->HideTilesDepth(Num(args[0]));
}

void F_TileLayerShow(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CRoom *room = Room_Current()) room->ShowTilesDepth(Num(args[0]));
}

void F_TileLayerDelete(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CRoom *room = Room_Current()) room->DeleteTilesDepth(Num(args[0]));
}

void F_TileLayerShift(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CRoom *room = Room_Current()) room->ShiftTilesDepth(Num(args[0]), Num(args[1]), Num(args[2]));
}

void F_TileLayerFind(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const CRoom *room = Room_Current();
  result.SetReal(room ? TileIdAt(*room, room->FindTileAtDepth(Num(args[0]), Num(args[1]), Num(args[2]))) : -1);
}

void F_TileLayerDeleteAt(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CRoom *room = Room_Current()) room->DeleteTilesAtDepth(Num(args[0]), Num(args[1]), Num(args[2]));
}

void F_TileLayerDepth(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CRoom *room = Room_Current()) room->ChangeTilesDepth(Num(args[0]), Num(args[1]));
}

}  // namespace

void Room_Functions_Register() {
  FunctionAdd("room_previous", F_RoomPrevious, 1);
  FunctionAdd("room_next", F_RoomNext, 1);
  FunctionAdd("room_name", F_RoomName, 1);
  FunctionAdd("room_get_name", F_RoomName, 1);
  FunctionAdd("room_exists", F_RoomExists, 1);
  FunctionAdd("room_set_width", F_RoomSetWidth, 2);
  FunctionAdd("room_set_height", F_RoomSetHeight, 2);
  FunctionAdd("room_set_caption", F_RoomSetCaption, 2);
  FunctionAdd("room_set_persistent", F_RoomSetPersistent, 2);
  FunctionAdd("room_set_code", F_RoomSetCode, 2);
  FunctionAdd("room_set_background_color", F_RoomSetBackgroundColor, 3);
  FunctionAdd("room_set_background", F_RoomSetBackground, 12);
  FunctionAdd("room_set_view", F_RoomSetView, 16);
  FunctionAdd("room_set_view_enabled", F_RoomSetViewEnabled, 2);
  FunctionAdd("room_add", F_RoomAdd, 0);
  FunctionAdd("room_duplicate", F_RoomDuplicate, 1);
  FunctionAdd("room_assign", F_RoomAssign, 2);
  FunctionAdd("room_instance_add", F_RoomInstanceAdd, 4);
  FunctionAdd("room_instance_clear", F_RoomInstanceClear, 1);
  FunctionAdd("room_tile_add", F_RoomTileAdd, 9);
  FunctionAdd("room_tile_add_ext", F_RoomTileAddExt, 12);
  FunctionAdd("room_tile_clear", F_RoomTileClear, 1);

  FunctionAdd("tile_get_x", F_TileGet<double, &RTile::x>, 1);
  FunctionAdd("tile_get_y", F_TileGet<double, &RTile::y>, 1);
  FunctionAdd("tile_get_left", F_TileGet<int32_t, &RTile::xo>, 1);
  FunctionAdd("tile_get_top", F_TileGet<int32_t, &RTile::yo>, 1);
  FunctionAdd("tile_get_width", F_TileGet<int32_t, &RTile::w>, 1);
  FunctionAdd("tile_get_height", F_TileGet<int32_t, &RTile::h>, 1);
  FunctionAdd("tile_get_depth", F_TileGet<double, &RTile::depth>, 1);
  FunctionAdd("tile_get_visible", F_TileGet<bool, &RTile::visible>, 1);
  FunctionAdd("tile_get_xscale", F_TileGet<double, &RTile::xscale>, 1);
  FunctionAdd("tile_get_yscale", F_TileGet<double, &RTile::yscale>, 1);
  FunctionAdd("tile_get_blend", F_TileGet<int32_t, &RTile::blend>, 1);
  FunctionAdd("tile_get_alpha", F_TileGet<double, &RTile::alpha>, 1);
  FunctionAdd("tile_get_background", F_TileGet<int32_t, &RTile::index>, 1);
  FunctionAdd("tile_set_visible", F_TileSetVisible, 2);
  FunctionAdd("tile_set_background", F_TileSetBackground, 2);
  FunctionAdd("tile_set_depth", F_TileSetDepth, 2);
  FunctionAdd("tile_set_blend", F_TileSetBlend, 2);
  FunctionAdd("tile_set_alpha", F_TileSetAlpha, 2);
  FunctionAdd("tile_set_position", F_TileSetPosition, 3);
  FunctionAdd("tile_set_scale", F_TileSetScale, 3);
  FunctionAdd("tile_set_region", F_TileSetRegion, 5);
  FunctionAdd("tile_add", F_TileAdd, 8);
  FunctionAdd("tile_find", F_TileFind, 3);
  FunctionAdd("tile_exists", F_TileExists, 1);
  FunctionAdd("tile_delete", F_TileDelete, 1);
  FunctionAdd("tile_delete_at", F_TileDeleteAt, 3);
  FunctionAdd("tile_layer_hide", F_TileLayerHide, 1);
  FunctionAdd("tile_layer_show", F_TileLayerShow, 1);
  FunctionAdd("tile_layer_delete", F_TileLayerDelete, 1);
  FunctionAdd("tile_layer_shift", F_TileLayerShift, 3);
  FunctionAdd("tile_layer_find", F_TileLayerFind, 3);
  FunctionAdd("tile_layer_delete_at", F_TileLayerDeleteAt, 3);
  FunctionAdd("tile_layer_depth", F_TileLayerDepth, 2);
}
