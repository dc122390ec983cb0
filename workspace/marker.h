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
