// The game's triggers: the global list and the trigger section, whose items
// carry no names (a trigger's name is in its record).
#pragma once

#include <string>
#include <string_view>

#include "base/Resource_Items.h"
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

// Compiles every trigger's condition in index order; false at the first
// failure (already reported as a fatal error).
bool Trigger_PrepareAll();

class CInstance;
// Runs trigger index's condition with self = other = inst. True when it ran
// without error and gave a real of at least 0.5 (a string never fires). An
// error is reported as kMsgTriggerError + name + CR LF + the message, not
// fatal, and answers false.
bool Trigger_Condition(int32_t index, CInstance *inst);
