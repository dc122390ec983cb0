// Recovery: every window a copy of the program hid and left hidden comes
// back, by the watcher when the main copy ends and by the next start.
#pragma once

#include "platform/platform.h"

// Shows every window that carries the marker and removes it; returns how
// many shows it had to queue behind a hang: those keep the marker until a
// later pass (RevisitQueuedRestores) sees them back.
int RestoreMarkedWindows();
