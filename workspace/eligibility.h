// Which windows are managed, and how they join a group between switches.
#pragma once

#include "platform/platform.h"

bool IsEligibleWindow(HWND window);
// Kept off screen by the desktop window manager although visible by its
// style: a suspended Store app's frame, a window on another of the system's
// virtual desktops.
bool IsCloakedWindow(HWND window);
// Cloaked by its own program rather than by the shell: as good as hidden by
// it. The shell cloaks the windows of the system's other virtual desktops
// and suspended Store apps' frames, which keep their groups.
bool IsCloakedByItsProgram(HWND window);
// A top-level window with this style is on screen (IsWindowVisible): the
// desktop above it always is. A window that is gone reads as style 0.
inline bool IsShownStyle(DWORD style)
{
    return (style & WS_VISIBLE) != 0;
}
// Puts every eligible window that no group holds into the current group.
void AdoptUnseenWindows();
// The same for one window.
void AdoptUnseenWindow(HWND window);
// The same pass, which also gives the windows of `group` the stackRank 0,
// 1, 2, ... in the order the pass meets them, from the top of the Z order,
// and takes into the group the windows on screen that its windows own.
void AdoptUnseenWindowsRanking(int group);
// Foreground changes anywhere on the desktop.
void CALLBACK ForegroundEventProc(HWINEVENTHOOK hook, DWORD event, HWND window, LONG objectId, LONG childId,
                                  DWORD eventThread, DWORD eventTime);
// While a switch walks the groups, foreground events are kept, at most
// HeldEventLimit of them, and handled afterwards in the order they came.
void HoldForegroundEvents();
void HandleHeldForegroundEvents();
// A hidden, marked window was activated: bring it into the current group.
void SummonHiddenWindow(HWND window);
// Drops windows that their own programs have hidden, or that the window
// manager has cloaked, unless we hid and marked them.
void PurgeUnmarkedHidden();
// Set when a hidden group may hold a window on screen without our marker,
// which its program may yet hide; the tick's purge looks only then.
extern bool HiddenGroupsToCheck;
// The purge over every group, the one on screen included (the exit release).
void PurgeAllUnmarkedHidden();
// What the purge would drop, from a style just read: hidden by its own
// program or cloaked, without our marker, and not hung behind a stand-in.
bool IsDroppedFromGroup(HWND window, DWORD style);
// Removes the marker from the windows of the current group seen on screen.
void UnmarkShownCurrentGroup();
