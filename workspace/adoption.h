// How windows join a group between switches: the adoption pass, the
// foreground hook with the events held while a switch runs, and the summon.
#pragma once

#include "platform/platform.h"

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
