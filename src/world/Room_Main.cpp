#include "world/Room_Main.h"

#include <cstdint>

#include "code/Code_Error.h"

RResourceList<CRoom> g_Rooms;
int32_t g_LastInstanceId = 100000;
int32_t g_LastTileId = 10000000;
std::vector<int32_t> g_RoomOrder;
std::vector<std::unique_ptr<CRoom>> g_RunRooms;
int32_t g_RoomIndex = -1;
CRoom *g_RunRoom = nullptr;

namespace {
constexpr int32_t kSectionVersion = 800;
constexpr int32_t kOrderVersion = 700;

int AppendRoom(std::unique_ptr<CRoom> room) {
  const int index = g_Rooms.Count();
  g_Rooms.items.push_back(std::move(room));
  g_Rooms.names.push_back("__newroom" + std::to_string(index));
  return index;
}
}  // namespace

bool Room_Load(CStream &stream) {
  g_Rooms.Clear();
  if (stream.ReadInteger() != kSectionVersion) return false;
  if (!LoadNamedItems(stream, g_Rooms)) return false;
  g_LastInstanceId = stream.ReadInteger();
  g_LastTileId = stream.ReadInteger();
  return true;
}

void Room_SaveSection(CStream &stream, const RResourceList<CRoom> &rooms, int32_t lastInstanceId,
                      int32_t lastTileId) {
  stream.WriteInteger(kSectionVersion);
  SaveNamedItems(stream, rooms);
  stream.WriteInteger(lastInstanceId);
  stream.WriteInteger(lastTileId);
}

bool RoomOrder_Load(CStream &stream) {
  g_RoomOrder.clear();
  if (stream.ReadInteger() != kOrderVersion) return false;
  const int32_t count = stream.ReadInteger();
  if (count < 1) return false;
  for (int32_t i = 0; i < count; ++i) g_RoomOrder.push_back(stream.ReadInteger());
  return true;
}

void RoomOrder_SaveSection(CStream &stream, const std::vector<int32_t> &order) {
  stream.WriteInteger(kOrderVersion);
  stream.WriteInteger(static_cast<int32_t>(order.size()));
  for (int32_t r : order) stream.WriteInteger(r);
}

int RoomFind(std::string_view name) { return g_Rooms.Find(name); }

const std::string &RoomName(int index) { return g_Rooms.Name(index); }

int RoomAdd() { return AppendRoom(std::make_unique<CRoom>()); }

int RoomDuplicate(int index) {
  const CRoom *room = g_Rooms.Get(index);
  if (room == nullptr) return -1;
  return AppendRoom(std::make_unique<CRoom>(*room));
}

bool RoomAssign(int a, int b) {
  if (a < 0 || a >= g_Rooms.Count() || b < 0 || b >= g_Rooms.Count()) return false;
  std::unique_ptr<CRoom> &slot = g_Rooms.items[static_cast<size_t>(a)];
  if (!slot) slot = std::make_unique<CRoom>();
  slot->Assign(g_Rooms.Get(b));
  return true;
}

int32_t RoomPrevious(int32_t index) {
  if (!g_Rooms.Exists(index)) return -1;
  for (size_t i = 0; i < g_RoomOrder.size(); ++i)
    if (g_RoomOrder[i] == index) return i == 0 ? -1 : g_RoomOrder[i - 1];
  return -1;
}

int32_t RoomNext(int32_t index) {
  if (!g_Rooms.Exists(index)) return -1;
  for (size_t i = g_RoomOrder.size(); i-- > 0;)
    if (g_RoomOrder[i] == index) return i + 1 == g_RoomOrder.size() ? -1 : g_RoomOrder[i + 1];
  return -1;
}


void Room_SetCurrent(int32_t index) {
  g_RoomIndex = index;
  g_RunRoom = RunRoom_Get(index);
}

CRoom *RunRoom_Get(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= g_RunRooms.size()) return nullptr;
  return g_RunRooms[static_cast<size_t>(index)].get();
}

CRoom *RunRoom_Make(int32_t index) {
  if (index < 0) return nullptr;
  if (static_cast<size_t>(index) >= g_RunRooms.size()) g_RunRooms.resize(static_cast<size_t>(index) + 1);
  auto room = std::make_unique<CRoom>();
  room->AssignFromResource(g_Rooms.Get(index));
  std::unique_ptr<CRoom> &slot = g_RunRooms[static_cast<size_t>(index)];
  if (slot && slot.get() == g_RunRoom) g_RunRoom = room.get();
  slot = std::move(room);
  return slot.get();
}

void RunRoom_Free(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= g_RunRooms.size()) return;
  std::unique_ptr<CRoom> &slot = g_RunRooms[static_cast<size_t>(index)];
  if (slot && slot.get() == g_RunRoom) g_RunRoom = nullptr;
  slot.reset();
}

void RunRoom_FreeAll() {
  g_RunRooms.clear();
  g_RunRoom = nullptr;
}

namespace {
int32_t NextId(int32_t &last, const char *usedUp) {
  if (last == INT32_MAX) {
    ReportError(usedUp, true);
    return last;
  }
  return ++last;
}
}  // namespace

int32_t Room_NextInstanceId() { return NextId(g_LastInstanceId, kInstanceIdsUsedUp); }
int32_t Room_NextTileId() { return NextId(g_LastTileId, kTileIdsUsedUp); }
