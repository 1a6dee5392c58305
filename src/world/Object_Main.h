// The game's objects: the global list with its names and the object section
// of the game data.
#pragma once

#include <string>
#include <string_view>

#include "runner/Resource_Items.h"
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
// Frees the object and empties its slot and name.
void ObjectDelete(int index);
