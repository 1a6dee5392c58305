// The game's time lines: the global list with its names, the time line
// section of the game data, their compilation, the timeline_* functions and
// the playing of time lines by instances.
#pragma once

#include <string>
#include <string_view>

#include "base/Resource_Items.h"
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
// Frees the time line (once no event runs any more) and empties its slot.
void TimeLineDelete(int index);

// Compiles every time line in index order; false at the first failure
// (already reported as a fatal error).
bool TimeLine_CompileAll();

// Registers the timeline_* functions.
void TimeLine_Main_Init();

class CInstance;
// Runs moment m (an index into the moments) of time line t for inst as self
// and other, the event context naming the time line and the moment's step.
// Nothing while a game-state code is pending.
void TimeLine_RunMoment(int32_t t, int32_t m, CInstance *inst);
// One step of inst's time line: when it is unmarked, plays an existing time
// line with moments, is running and has a speed other than 0, the position
// moves by the speed and the moments passed over run in the direction of
// travel; a looping line then starts over.
void TimeLine_StepInstance(CInstance &inst);
// TimeLine_StepInstance for every instance of the room, in room order (the
// count taken at the start).
void TimeLine_StepAll();
