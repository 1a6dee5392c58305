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

// A field naming a resource by name or by index: the index of the entry of
// that name (names holds "" for empty slots), or the index given when an
// entry has it; -1 stands for none. Anything else is refused at the field.
int32_t ReadResourceReference(const JsonValue &v, const std::vector<std::string> &names, const char *kind);
