// The maintenance tick: between switches, what the engine left pending is
// done, and windows that appeared are adopted.
#pragma once

#include "platform/platform.h"

// The work the engine leaves for the tick, noted where it arises; the pass
// alone takes it, so that a quiet tick costs no more than the adoption pass.
enum PendingKind {
    // A hidden group may hold a window on screen without our marker (left
    // there by a switch, or shown again by its program), which its program
    // may yet hide: the purge looks at the hidden groups.
    HiddenGroupsToCheck,
    // A window of the group on screen may still carry a marker.
    MarkersAwaitingShow,
    PendingKindCount
};
void NotePending(PendingKind kind);

void RunMaintenancePass();
// The purge when pending: the tick's first step, and the switch's.
void PurgePendingHidden();
// Drops from the hidden groups the windows their own programs have hidden,
// or cloaked, unless we hid and marked them. True while a window stays on
// screen there without our marker, which its program may yet hide.
bool PurgeUnmarkedHidden();
// Every window of every group back on screen in its state and unmarked (one
// whose program does not answer, when it does); the groups stay as they
// are. Exit, and the end of the session.
void ReleaseEveryWindow();
