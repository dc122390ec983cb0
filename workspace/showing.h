// Showing a group: every window back in its state and its place in the
// stacking, the top one activated.
#pragma once

#include "platform/platform.h"

// Shows the windows of a group and activates the one that was on top.
void ShowGroup(int group);
