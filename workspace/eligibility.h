// Which windows are managed, and which a group lets go of.
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
// What the purge would drop, from a style just read: hidden by its own
// program or cloaked, without our marker, and not hung behind a stand-in.
bool IsDroppedFromGroup(HWND window, DWORD style);
