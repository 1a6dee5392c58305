// Includes downwards only.
#include <vector>

#include "code/Code_Main.h"
#include "world/Room_Main.h"
