// Reading the manifest's triggers, time lines and objects: their events and
// the actions in them. docs/project-format.md describes the fields.
#pragma once

#include "Pack_Files.h"
#include "Pack_Json.h"
#include "runner/Game_Writer.h"

// Each fills its list of the game from the manifest array; PackError on a
// fault. Read in this order: triggers, objects (their events may name
// objects and triggers), time lines (their actions may name objects).
void ReadTriggers(const JsonValue &value, const ProjectFiles &files, RResourceList<CTrigger> &out);
void ReadTimeLines(const JsonValue &value, const ProjectFiles &files, const RGameModel &game,
                   RResourceList<CTimeLine> &out);
void ReadObjects(const JsonValue &value, const ProjectFiles &files, RGameModel &game);
