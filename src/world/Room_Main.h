// The game's rooms: the resource list with its names, the id counters the
// room section initialises, the room order, and the rooms while the game
// runs (one run-time copy per room entered, one of them current).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Resource_Items.h"
#include "world/Room_Class.h"

extern RResourceList<CRoom> g_Rooms;
// The last instance id and the last tile id handed out; new instances and
// tiles take the next one.
extern int32_t g_LastInstanceId;
extern int32_t g_LastTileId;

// The id of a new instance or tile: one more than the last. Ids never wrap
// round: once the last possible id is taken the game ends with a fatal
// error, and later creations share that last id until it has ended.
int32_t Room_NextInstanceId();
int32_t Room_NextTileId();
inline constexpr const char *kInstanceIdsUsedUp = "No more instance ids: the game has created too many instances.";
inline constexpr const char *kTileIdsUsedUp = "No more tile ids: the game has created too many tiles.";
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
// Appends a default room named "__newroom" + its index; answers the index.
int RoomAdd();
// Appends a copy of the room under the same kind of name; -1 when the room
// does not exist.
int RoomDuplicate(int index);
// Room a becomes a copy of room b (slot a's room is made when empty; an
// empty slot b clears a to the defaults). False when either index is
// outside the list.
bool RoomAssign(int a, int b);
// The neighbours of a room in the play order: the entry before its first
// occurrence, after its last; -1 when there is none or the room is not in
// the order.
int32_t RoomPrevious(int32_t index);
int32_t RoomNext(int32_t index);

// --- the rooms while the game runs --------------------------------------------
// Per room index, the run-time copy of the room once it has been entered;
// empty slots otherwise. A persistent room keeps its copy between visits.
extern std::vector<std::unique_ptr<CRoom>> g_RunRooms;
// The current room index (the `room` variable); -1 before the first room.
extern int32_t g_RoomIndex;

// The current run-time room; null when no room runs. Inline: built-in
// variables and every phase of a step ask for it.
extern CRoom *g_RunRoom;
inline CRoom *Room_Current() { return g_RunRoom; }
// Makes slot index (run-time copy or none) the current room.
void Room_SetCurrent(int32_t index);
// The slot's run-time copy, or null.
CRoom *RunRoom_Get(int32_t index);
// A fresh run-time copy of room resource index (its placed instances made
// live, their creation code not run), stored in the slot, which the array
// grows to hold; an old copy in the slot is freed.
CRoom *RunRoom_Make(int32_t index);
// Frees the slot's copy; when it was the current room, no room is current.
void RunRoom_Free(int32_t index);
// Frees every copy and empties the array; no room is current.
void RunRoom_FreeAll();
