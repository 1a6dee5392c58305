// Deliberately against the seam: the world includes a window library.
#include <SDL.h>
