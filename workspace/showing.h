// Showing a group: every window back in its state and its place in the
// stacking, the top one activated.
#pragma once

#include "platform/platform.h"

// Shows the windows of a group and activates the one that was on top.
void ShowGroup(int group);
// A window of the group on screen seen back late, its show having waited for
// its program: it goes right below the nearest window above it in the
// stacking captured that stands in its place, so that late windows end in
// that order whichever program answers first.
void PlaceLateWindow(int group, HWND window);
// Tries again for the late windows that found none above them in place.
void PlaceWaitingWindows(int group);
