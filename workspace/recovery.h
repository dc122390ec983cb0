// Recovery: every window a copy of the program hid and left hidden comes
// back, by the watcher when the main copy ends and by the next start.
#pragma once

#include "platform/platform.h"

// Shows every top-level window that carries the marker and removes it.
// Returns how many shows it had to queue behind a hang: those windows keep
// the marker until a later pass (RevisitQueuedRestores, nowait.h) finds
// them on screen.
int RestoreMarkedWindows();
