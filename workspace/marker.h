// The HiddenMarker: a property on every window a switch hid, so that a
// watcher or a later start can bring back what this process left hidden.
// When it may come off is nowait.h's business (ReleaseMarkerIfBack).
#pragma once

#include "platform/platform.h"

// The property's name; only its presence carries meaning.
extern const char HiddenMarkerName[];

bool IsMarked(HWND window);
// True when the marker took.
bool MarkWindow(HWND window);
void UnmarkWindow(HWND window);
// Marks a window about to be hidden, from its style just read; true when the
// hide may go ahead. One that cannot be marked must stay on screen: nothing
// would ever bring it back.
bool MarkBeforeHide(HWND window, DWORD style);
