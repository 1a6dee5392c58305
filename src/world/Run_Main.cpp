#include "world/Run_Main.h"

int32_t g_PendingCode = kPendingNone;
