#include "world/Room_Main.h"

RResourceList<CRoom> g_Rooms;
int32_t g_LastInstanceId = 100000;
int32_t g_LastTileId = 10000000;
std::vector<int32_t> g_RoomOrder;

namespace {
constexpr int32_t kSectionVersion = 800;
constexpr int32_t kOrderVersion = 700;
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
