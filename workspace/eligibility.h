// Which windows are managed, and how they join a group between switches.
#pragma once

#include "platform/platform.h"

bool IsEligibleWindow(HWND window);
// Puts every eligible window that no group holds into the current group.
void AdoptUnseenWindows();
// Foreground changes anywhere on the desktop.
void CALLBACK ForegroundEventProc(HWINEVENTHOOK hook, DWORD event, HWND window, LONG objectId, LONG childId,
                                  DWORD eventThread, DWORD eventTime);
// A hidden, marked window was activated: bring it into the current group.
void SummonHiddenWindow(HWND window);
// Drops windows that their own programs have hidden.
void PurgeUnmarkedHidden();
// Removes the marker from the windows of the current group seen on screen.
void UnmarkShownCurrentGroup();
