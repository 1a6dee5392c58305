// The game's rooms: the resource list with its names, the id counters the
// room section initialises, and the room order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runner/Resource_Items.h"
#include "world/Room_Class.h"

extern RResourceList<CRoom> g_Rooms;
// The last instance id and the last tile id handed out; new instances and
// tiles take the next one.
extern int32_t g_LastInstanceId;
extern int32_t g_LastTileId;
// Room indices in play order; the first is the room the game starts in.
extern std::vector<int32_t> g_RoomOrder;

// The room section: integer 800, the named item streams, then the last
// instance id and the last tile id.
bool Room_Load(CStream &stream);
void Room_SaveSection(CStream &stream, const RResourceList<CRoom> &rooms, int32_t lastInstanceId,
                      int32_t lastTileId);

// The room order section: integer 700, a count of at least 1, the indices.
bool RoomOrder_Load(CStream &stream);
void RoomOrder_SaveSection(CStream &stream, const std::vector<int32_t> &order);

int RoomFind(std::string_view name);
const std::string &RoomName(int index);  // "<undefined>" when missing
