// Windows owned by a managed window (palettes, a Find dialog) come and go
// with it: the system hides owned windows with a minimised owner, never with
// a hidden one.
#pragma once

#include "platform/platform.h"

// The switch's ranking pass: the adoption pass, which also ranks the windows
// of `group` 0, 1, 2, ... from the top of the Z order, and takes into it the
// windows on screen that its windows own, directly or not, to be hidden and
// shown with their owner.
void AdoptUnseenWindowsRanking(int group);
// Every window of any group that `carried` owns moves with it into
// `target`, ranked from `rank` downwards, so that each stays above it.
void CarryOwnedWindows(HWND carried, int target, int rank);
// The windows that travel with a window summoned into the group on screen
// come too, shown without activation.
void SummonOwnedWindows(HWND summoned);
// The tick's adoption pass: every eligible window no group holds joins the
// current group; a box of a hidden window joins that one's.
void AdoptUnseenWindows();
// A window on screen that no group holds, owned, directly or not, by a
// hidden window of a hidden group (a box opened while the user was
// elsewhere), joins that group to travel with its owner; it stays on screen
// unmarked until it or its owner is activated or that group is shown. True
// when it joined.
bool TakeIntoHiddenOwnersGroup(HWND window);
// The window that `window` travels with in a hidden group, taking it into
// that group first if no group holds it yet; or null.
HWND HiddenOwnerOf(HWND window);
