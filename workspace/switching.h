// The group switch: hide the group on screen, show another.
#pragma once

#include "platform/platform.h"

// Makes group `target` (0 to 4) the one on screen.
void SwitchToGroup(int target);
// ALT+SHIFT+digit: the foreground window, if eligible, joins the target
// group above every other window there, then the switch runs; false, and
// nothing happens, when it is not one a group may hold.
bool CarryToGroup(int target);
// Hides and marks every window of a group, recording each one's show state;
// those their programs hid leave it.
void HideAndMark(int group);
// After an end of the session that was called off: every group but the one
// on screen is hidden and marked again, each window in the show state it has
// now, the stacking recorded when the group was hidden kept.
void HideGroupsNotShown();
