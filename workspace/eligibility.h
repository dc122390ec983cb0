// Which windows are managed, and which a group lets go of.
#pragma once

#include "platform/platform.h"

bool IsEligibleWindow(HWND window);
// Whether the window's class keeps it out of every group and every owner's
// travel (the shell's windows, the input method's); within a pass over the
// desktop, which reads each window's class only the first time it lists it.
// Outside a pass, false.
bool IsRuledOutByClass(HWND window);
void BeginClassPass();
void EndClassPass();
// Kept off screen by the desktop window manager although visible by its
// style; by the shell (another virtual desktop, a suspended Store app, which
// keep their groups) or by its own program.
bool IsCloakedWindow(HWND window);
bool IsCloakedByItsProgram(HWND window);
// A top-level window with this style is on screen: the desktop above it
// always is. A window that is gone reads as style 0.
inline bool IsShownStyle(DWORD style)
{
    return (style & WS_VISIBLE) != 0;
}
// What the purge would drop, from a style just read: hidden by its own
// program or cloaked, without our marker, and not hung behind a stand-in.
// `keptUnmarked`, where asked, says whether a window kept carries no marker
// of ours, so that its program may yet hide it: one on screen, or one the
// system hid behind its stand-in, on screen again once its program answers.
bool IsDroppedFromGroup(HWND window, DWORD style, bool *keptUnmarked = nullptr);
