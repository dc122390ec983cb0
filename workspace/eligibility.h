// Which windows are managed, and how they join a group between switches.
#pragma once

#include "platform/platform.h"

bool IsEligibleWindow(HWND window);
// Puts every eligible window that no group holds into the current group.
void AdoptUnseenWindows();
// Foreground changes anywhere on the desktop.
void CALLBACK ForegroundEventProc(HWINEVENTHOOK hook, DWORD event, HWND window, LONG objectId, LONG childId,
                                  DWORD eventThread, DWORD eventTime);
// While a switch walks the groups, foreground events are kept, at most
// HeldEventLimit of them, and handled afterwards in the order they came.
void HoldForegroundEvents();
void HandleHeldForegroundEvents();
// A hidden, marked window was activated: bring it into the current group.
void SummonHiddenWindow(HWND window);
// Drops windows that their own programs have hidden.
void PurgeUnmarkedHidden();
