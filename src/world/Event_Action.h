// Running the actions of one event: blocks, repeats, questions with their
// else, exit, and the execution of function and code actions for self,
// other or every instance of an object. Positions are action indices.
#pragma once

#include <cstdint>

class CAction;
class CEvent;
class CInstance;

// The position that means the event stops.
inline constexpr int32_t kActionStop = 10000000;

// Runs the actions of ev from position 0 until the end, an exit or a pending
// game-state code. The event context is the caller's to set.
void RunActions(const CEvent &ev, CInstance *self, CInstance *other);
// Runs the action or construct at p; answers the next position or
// kActionStop.
int32_t RunAction(const CEvent &ev, int32_t p, CInstance *self, CInstance *other);
// The position after the action or construct at p, running nothing.
int32_t SkipAction(const CEvent &ev, int32_t p);

// Executes one action for (self, other) and answers its answer as a
// question: function and code actions by the numeric part of their result
// (inverted by NOT), actions that execute nothing false.
bool ExecuteAction(const CAction &action, CInstance *self, CInstance *other);
