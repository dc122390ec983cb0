// The group switch: hide the group on screen, show another.
#pragma once

#include "platform/platform.h"

// Makes group `target` (0 to 4) the one on screen; the current group or an
// index out of range changes nothing.
void SwitchToGroup(INT target);
// Shows the windows of a group and activates the one that was on top.
void ShowGroup(INT group);
// Hides and marks every window of a group, recording each one's show state;
// windows their programs hid meanwhile leave the group.
void HideAndMark(INT group);
