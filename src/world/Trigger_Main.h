// The game's triggers: the global list and the trigger section, whose items
// carry no names (a trigger's name is in its record).
#pragma once

#include <string>
#include <string_view>

#include "runner/Resource_Items.h"
#include "world/Trigger_Class.h"

using RTriggerList = RResourceList<CTrigger>;
extern RTriggerList g_Triggers;

// The section: integer 800, count, then one unnamed item stream per trigger.
bool Trigger_Load(CStream &stream);
void Trigger_SaveSection(CStream &stream, const RTriggerList &list);

int TriggerCount();
bool TriggerExists(int index);
CTrigger *TriggerGet(int index);  // null when missing
// The trigger's name as event names show it: "<Deleted>" when missing.
const std::string &TriggerName(int index);
// The first existing trigger whose constant name is equal, or -1.
int TriggerFindConstant(std::string_view constname);
