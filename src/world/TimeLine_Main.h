// The game's time lines: the global list with its names and the time line
// section of the game data.
#pragma once

#include <string>
#include <string_view>

#include "runner/Resource_Items.h"
#include "world/TimeLine_Class.h"

using RTimeLineList = RResourceList<CTimeLine>;
extern RTimeLineList g_TimeLines;

// The section: integer 800, then the named item streams. A record that
// fails stops the load.
bool TimeLine_Load(CStream &stream);
void TimeLine_SaveSection(CStream &stream, const RTimeLineList &list);

int TimeLineCount();
bool TimeLineExists(int index);
CTimeLine *TimeLineGet(int index);           // null when missing
const std::string &TimeLineName(int index);  // "<undefined>" when missing
int TimeLineFind(std::string_view name);     // first existing time line, or -1
// Appends an empty time line named "__newtimeline" + its index.
int TimeLineAdd();
void TimeLineDelete(int index);
