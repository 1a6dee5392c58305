// The interpreter's world over the current room: `with` and instance
// selectors walk the room's active instances and its recursive per-object
// lists; deactivated instances are not there, marked ones are skipped.
#pragma once

class CInstance;
class CWorld;

// The world object (one per process) and its installation as the world the
// interpreter runs against.
CWorld &Room_World();
void Room_InstallWorld();

// The active instance of the current room with that id, unmarked ones
// preferred (a changed instance and its marked original share the id);
// null when none.
CInstance *Room_FindInstance(int id);
