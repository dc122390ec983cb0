// Windows hidden with their group may stand where no monitor is any more.
#pragma once

#include "platform/platform.h"

// Where the monitors are, for the BringOntoMonitor calls of one show.
void ReadMonitorAreas();
// Moves a window that lies on no monitor onto the work area of the nearest,
// keeping its size where it fits; a maximised one is maximised there. False
// when the window is gone.
bool BringOntoMonitor(HWND window);
