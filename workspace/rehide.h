// Putting the groups back after every window was shown without a switch
// (an end of the session that was called off).
#pragma once

#include "platform/platform.h"

// Every group but the one on screen is hidden and marked again, each window
// in the show state it has now; the stacking recorded at the switch that
// hid the group stays.
void HideGroupsNotShown();
