// The maintenance tick: between switches, what the engine left pending is
// done, and windows that appeared are adopted.
#pragma once

#include "platform/platform.h"

// The work the engine leaves for the tick, noted where it arises. The pass
// alone takes it and skips a kind that is not pending, so that a quiet tick
// costs no more than the adoption pass over windows already known. Calls
// queued behind a program that does not answer are a record of their own
// (nowait.h), read by the same pass.
enum PendingKind {
    // A hidden group may hold a window on screen without our marker (left
    // there by a switch, or shown again by its program), which its program
    // may yet hide: the purge looks at the hidden groups.
    HiddenGroupsToCheck,
    // A window of the group on screen may still carry a marker: its show
    // failed or had not landed, or it joined the group marked.
    MarkersAwaitingShow,
    PendingKindCount
};
void NotePending(PendingKind kind);

// The purge of the hidden groups when pending, the adoption pass, the queued
// calls seen to have run, then the markers off the group on screen and the
// late windows' places.
void RunMaintenancePass();
// The purge when pending: the tick's first step, and the switch's, which
// may come first.
void PurgePendingHidden();
// Drops from the hidden groups the windows their own programs have hidden,
// or cloaked, unless we hid and marked them. True while a window stays on
// screen there without our marker, which its program may yet hide.
bool PurgeUnmarkedHidden();
// Every window of every group back on screen in its state and unmarked (one
// whose program does not answer, when it does); the groups stay as they
// are. Exit, and the end of the session.
void ReleaseEveryWindow();
