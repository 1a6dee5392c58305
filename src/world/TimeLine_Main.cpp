#include "world/TimeLine_Main.h"

RTimeLineList g_TimeLines;

namespace {
constexpr int32_t kSectionVersion = 800;
}

bool TimeLine_Load(CStream &stream) {
  g_TimeLines.Clear();
  if (stream.ReadInteger() != kSectionVersion) return false;
  return LoadNamedItems(stream, g_TimeLines);
}

void TimeLine_SaveSection(CStream &stream, const RTimeLineList &list) {
  stream.WriteInteger(kSectionVersion);
  SaveNamedItems(stream, list);
}

int TimeLineCount() { return g_TimeLines.Count(); }
bool TimeLineExists(int index) { return g_TimeLines.Exists(index); }
CTimeLine *TimeLineGet(int index) { return g_TimeLines.Get(index); }
const std::string &TimeLineName(int index) { return g_TimeLines.Name(index); }
int TimeLineFind(std::string_view name) { return g_TimeLines.Find(name); }

int TimeLineAdd() {
  const int index = g_TimeLines.Count();
  g_TimeLines.items.push_back(std::make_unique<CTimeLine>());
  g_TimeLines.names.push_back("__newtimeline" + std::to_string(index));
  return index;
}

void TimeLineDelete(int index) {
  if (!g_TimeLines.Exists(index)) return;
  g_TimeLines.items[static_cast<size_t>(index)].reset();
  g_TimeLines.names[static_cast<size_t>(index)].clear();
}
