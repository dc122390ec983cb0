// Small user32 calls that have no home of their own yet. (LoadIconA lives
// with the icons, in icons.cpp.)
#include "sim/desktop.h"
