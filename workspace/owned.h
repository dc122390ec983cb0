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
// The tick's adoption pass: every eligible window that no group holds joins
// the current group, and an owned window on screen whose owner a hidden
// group holds (TakeIntoHiddenOwnersGroup) joins that one.
void AdoptUnseenWindows();
// A window on screen that no group holds, owned, directly or through other
// owned windows, by a hidden window of a hidden group: a box its program opened
// while the user was elsewhere. It joins that group to travel with its
// owner, and stays on screen where the user is, unmarked, until it or its
// owner is activated or that group is shown. True when it joined.
bool TakeIntoHiddenOwnersGroup(HWND window);
// The window that `window` travels with in a hidden group (taking it into
// that group first if no group holds it yet); null when there is none.
HWND HiddenOwnerOf(HWND window);
