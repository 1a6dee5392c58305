// Deliberately against the seam: a built-in family calls the system directly.
#include <unistd.h>
