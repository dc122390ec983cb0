// Every window given back without a switch, and the groups put back after.
#pragma once

#include "platform/platform.h"

// Every window of every group, the one on screen included, back on screen
// in its state and unmarked (one whose program does not answer when it
// does); the groups stay as they are. Exit, and the end of the session.
void ReleaseEveryWindow();
// Putting the groups back after an end of the session that was called off:
// every group but the one on screen is hidden and marked again, each window
// in the show state it has now; the stacking recorded at the switch that
// hid the group stays.
void HideGroupsNotShown();
