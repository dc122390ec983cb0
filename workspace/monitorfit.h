// Windows hidden with their group may stand where no monitor is any more.
#pragma once

#include "platform/platform.h"

// Moves a window that lies on no monitor onto the work area of the nearest
// one, keeping its size where it fits; a maximised one is maximised there.
// A window on a monitor is left alone.
void BringOntoMonitor(HWND window);
// Notes the monitors as they stand when a group is hidden, so that showing
// it can tell whether any monitor went away or moved since.
void RememberDisplayLayout(INT group);
bool DisplayLayoutChanged(INT group);
