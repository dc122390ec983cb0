// The group switch: hide the group on screen, show another.
#pragma once

#include "platform/platform.h"

// Makes group `target` (0 to 4) the one on screen; the current group or an
// index out of range changes nothing.
void SwitchToGroup(int target);
// ALT+SHIFT+digit: the foreground window, if eligible, joins the target
// group below every other StackRank there, so that it comes back on top;
// then the switch runs. Nothing happens, and false comes back, when the
// foreground window is not one a group may hold.
bool CarryToGroup(int target);
// Hides and marks every window of a group, recording each one's show state;
// windows their programs hid meanwhile leave the group.
void HideAndMark(int group);
// Putting the groups back after an end of the session that was called off:
// every group but the one on screen is hidden and marked again, each window
// in the show state it has now; the stacking recorded at the switch that
// hid the group stays.
void HideGroupsNotShown();
