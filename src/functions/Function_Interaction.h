// The instance functions: creating, copying, changing and destroying
// instances, finding and counting them by object reference or by what
// they meet at a point or a place, and deactivating and activating them.
#pragma once

// Registers the family in the built-in function table.
void Function_Interaction_Init();
