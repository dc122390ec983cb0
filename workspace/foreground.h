// The foreground hook: a window that becomes active joins the group on
// screen, and a hidden, marked window that is activated is summoned into it.
#pragma once

#include "platform/platform.h"

// Foreground changes anywhere on the desktop.
void CALLBACK ForegroundEventProc(HWINEVENTHOOK hook, DWORD event, HWND window, LONG objectId, LONG childId,
                                  DWORD eventThread, DWORD eventTime);
// While a switch walks the groups, foreground events are kept and handled
// afterwards in the order they came.
void HoldForegroundEvents();
void HandleHeldForegroundEvents();
// A hidden, marked window was activated: bring it into the current group.
void SummonHiddenWindow(HWND window);
