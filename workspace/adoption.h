// How windows join a group between switches: the tick's pass over the
// desktop, and the one window the foreground hook or an owned window names.
#pragma once

#include "platform/platform.h"

// Puts every eligible window that no group holds into the current group.
void AdoptUnseenWindows();
// The same for one window.
void AdoptUnseenWindow(HWND window);
