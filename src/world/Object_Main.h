// The game's objects: the global list with its names, the object section
// of the game data, their compilation and the object and event functions.
#pragma once

#include <string>
#include <string_view>

#include "base/Resource_Items.h"
#include "world/Object_Class.h"

using RObjectList = RResourceList<CObject>;
extern RObjectList g_Objects;

// The section: integer 800, then the named item streams. A record that
// fails stops the load.
bool Object_Load(CStream &stream);
void Object_SaveSection(CStream &stream, const RObjectList &list);

int ObjectCount();
bool ObjectExists(int index);
CObject *ObjectGet(int index);  // null when missing
const std::string &ObjectName(int index);  // "<undefined>" when missing
int ObjectFind(std::string_view name);     // first existing object, or -1
// Appends an empty object named "__newobject" + its index; answers the index.
int ObjectAdd();
// Frees the object (once no event runs any more, since the object may be
// running one) and empties its slot and name.
void ObjectDelete(int index);

// Compiles every object in index order, the event context naming each;
// false at the first failure (already reported as a fatal error).
bool Object_CompileAll();

// Registers event_perform, event_user, event_perform_object,
// event_inherited and the object_* functions.
void Object_Main_Init();
