// Showing a group: every window back in its state and its place in the
// stacking, the top one activated.
#pragma once

#include "platform/platform.h"

// Shows the windows of a group and activates the one that was on top.
void ShowGroup(int group);
// The windows of the group on screen seen back late, their shows having
// waited for their programs: each goes right below the nearest window above
// it in the stacking captured that stands in its place, so that late
// windows end in that order whichever program answers first. One that finds
// none waits for the next look.
void PlaceLateWindows(int group);
