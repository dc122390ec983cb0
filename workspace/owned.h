// Windows owned by a managed window (palettes, floating toolbars, a Find
// dialog) come and go with their owner. The system hides owned windows with
// a minimised owner but never with a hidden one, so without this they would
// float over the next group.
#pragma once

#include "platform/platform.h"

// Called by the switch's ranking pass for a window no group holds, on
// screen by the `style` just read: when a window of `group` owns it,
// directly or through other owned windows, it joins the group with that
// owner and the rank given, to be hidden and shown with it. True when it
// joined.
bool TakeOwnedWindow(int group, HWND window, DWORD style, int stackRank);
// The carry: every window of any group that `carried` owns moves with it
// into `target`, ranked from `rank` downwards (nearer the top), so that
// each stays above it.
void CarryOwnedWindows(HWND carried, int target, int rank);
// A hidden window summoned into the group on screen: the windows that
// travel with it come too, shown without activation. True while any of them
// is not yet seen on screen and keeps its marker.
bool SummonOwnedWindows(HWND summoned);
