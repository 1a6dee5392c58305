// The instance functions: creating, copying, changing and destroying
// instances, finding and counting them by object reference, and
// deactivating and activating them. The functions that test points and
// places against precise masks come with collision detection.
#pragma once

// Registers the family in the built-in function table.
void Function_Interaction_Init();
