#include "world/Event_Main.h"

// The engine itself comes with the action compiler; until then events run
// nothing.
REventContext g_EventContext;

void PerformEvent(CInstance *, CInstance *, int32_t, int32_t, int32_t) {}
void PerformInstanceEvent(CInstance *, CInstance *, int32_t, int32_t) {}
void PerformEventAll(int32_t, int32_t) {}
