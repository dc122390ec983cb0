// Showing a group: every window back in its state and its place in the
// stacking, the top one activated.
#pragma once

#include "platform/platform.h"

// Shows the windows of a group and activates the one that was on top.
void ShowGroup(int group);
// The windows of the group on screen seen back late, their shows having
// waited for their programs, go to their places in the stacking captured.
void PlaceLateWindows(int group);
