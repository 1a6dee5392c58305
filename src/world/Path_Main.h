// The game's paths: the global list with its names, the path section of the
// game data, instances following paths, and the path functions of the
// script language.
#pragma once

#include <string>
#include <string_view>

#include "base/Resource_Items.h"
#include "world/Path_Class.h"

class CInstance;

using RPathList = RResourceList<CPath>;
extern RPathList g_Paths;

// The section: integer 800, then the named item streams. A record that fails
// stops the load.
bool Path_Load(CStream &stream);
void Path_SaveSection(CStream &stream, const RPathList &list);

int PathCount();
bool PathExists(int index);
CPath *PathGet(int index);                // null when missing
const std::string &PathName(int index);   // "<undefined>" when missing
int PathFind(std::string_view name);      // first existing path, or -1
// Appends an empty path named "__newpath" + its index; answers the index.
int PathAdd();
// A copy of the path, named like a new one; -1 when the path is missing.
int PathDuplicate(int index);
// Copies path b into slot a, making the slot's path when it is empty. False
// when b is missing or a is no slot of the list.
bool PathAssign(int a, int b);
// Frees the path and empties its slot and name.
void PathDelete(int index);

// Makes inst follow path ind (a negative ind stops it) at speed (pixels per
// step; negative runs from the end), scale and orientation (degrees), with
// end action endact (0 stop, 1 restart, 2 continue, 3 reverse). Unless
// relative, the instance is first put on the path's starting point. A
// missing path, one of length 0 or a negative scale stops the following.
void Path_Assign(CInstance &inst, int ind, double speed, double scale, double orient, bool relative, int endact);
// One step along the path (the motion phase, and solid collisions). Answers
// true when the instance reached an end of its path this step.
bool Path_Adapt(CInstance &inst);

// Registers the path_* functions.
void Path_Main_Init();
