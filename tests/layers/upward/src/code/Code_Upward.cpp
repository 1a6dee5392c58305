// Deliberately against the layers: the language reaches up into the world.
#include "world/Room_Main.h"
