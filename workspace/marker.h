// The HiddenMarker: a window property on every window a switch hid, so that
// a watcher or a later start can bring back what this process leaves hidden.
#pragma once

#include "platform/platform.h"

// The property's name; only its presence carries meaning.
extern const char HiddenMarkerName[];

// Shows every top-level window that carries the marker and removes it.
// Returns how many shows it had to queue behind a hang: those windows keep
// the marker until a later pass finds them on screen.
int RestoreMarkedWindows();
// Looks again at the windows whose show the last RestoreMarkedWindows
// queued, and only at them: each loses its marker once it is on screen,
// and gets another show only once the one queued before has run. Returns
// how many still wait.
int RevisitQueuedRestores();

// Whether the window carries the marker.
bool IsMarked(HWND window);
// Marks a window, whatever its state; true when the marker took.
bool MarkWindow(HWND window);
// Takes the marker off, whatever the window's state: for a window seen on
// screen, and for one that has left every group.
void UnmarkWindow(HWND window);
// Marks a window that is about to be hidden; true when the hide may go
// ahead. A window that cannot be marked must stay on screen: hidden without
// the marker, nothing would ever bring it back.
// `style` is the window's style as just read.
bool MarkBeforeHide(HWND window, DWORD style);
// Removes the marker from a window seen on screen. A window still hidden
// (a show that failed or has not landed yet) keeps it, so that a later pass
// or the watcher can still bring it back.
// True when it did (the window is on screen).
bool UnmarkIfShown(HWND window);
