// Windows owned by a managed window (palettes, floating toolbars, a Find
// dialog) come and go with their owner. The system hides owned windows with
// a minimised owner but never with a hidden one, so without this they would
// float over the next group.
#pragma once

#include "platform/platform.h"

// The switch's ranking pass: the adoption pass, which also gives the
// windows of `group` the stackRank 0, 1, 2, ... in the order it meets them,
// from the top of the Z order, and takes into the group the windows on
// screen that its windows own, directly or through other owned windows, to
// be hidden and shown with their owner.
void AdoptUnseenWindowsRanking(int group);
// The carry: every window of any group that `carried` owns moves with it
// into `target`, ranked from `rank` downwards (nearer the top), so that
// each stays above it.
void CarryOwnedWindows(HWND carried, int target, int rank);
// A hidden window summoned into the group on screen: the windows that
// travel with it come too, shown without activation.
void SummonOwnedWindows(HWND summoned);
