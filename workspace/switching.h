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
