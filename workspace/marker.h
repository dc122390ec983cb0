// The HiddenMarker: a window property on every window a switch hid, so that
// a watcher or a later start can bring back what this process leaves hidden.
// When it may come off a window whose calls are queued is the business of
// nowait.h (ReleaseMarkerIfBack).
#pragma once

#include "platform/platform.h"

// The property's name; only its presence carries meaning.
extern const char HiddenMarkerName[];

// Whether the window carries the marker.
bool IsMarked(HWND window);
// Marks a window, whatever its state; true when the marker took.
bool MarkWindow(HWND window);
// Takes the marker off, whatever the window's state.
void UnmarkWindow(HWND window);
// Marks a window that is about to be hidden; true when the hide may go
// ahead. A window that cannot be marked must stay on screen: hidden without
// the marker, nothing would ever bring it back.
// `style` is the window's style as just read.
bool MarkBeforeHide(HWND window, DWORD style);
