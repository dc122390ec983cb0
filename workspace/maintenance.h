// The maintenance pass: between switches, what the engine left pending is
// done, and windows that appeared are adopted.
#pragma once

#include "platform/platform.h"

// The engine's part of the maintenance tick, decided from the pending work
// (pendingwork.h): the purge of the hidden groups, the adoption pass, the
// queued calls seen to have run, the removal of markers from the group on
// screen and the late windows' places, in that order.
void RunMaintenancePass();
// The purge of the hidden groups when one may hold a window its program can
// still hide: the tick's first step, and the switch's, which may come first.
void PurgePendingHidden();
// Drops from the hidden groups the windows that their own programs have
// hidden, or that the window manager has cloaked, unless we hid and marked
// them. True while a window stays on screen there without our marker, which
// its program may yet hide.
bool PurgeUnmarkedHidden();
// The purge over every group, the one on screen included (the exit release).
void PurgeAllUnmarkedHidden();
// Removes the marker from the windows of the current group seen back, and
// sees to the late windows' places. True while one of them is still marked
// and not seen on screen.
bool UnmarkShownCurrentGroup();
// Every window of every group, the one on screen included, back on screen
// in its state and unmarked (one whose program does not answer when it
// does); the groups stay as they are. Exit, and the end of the session.
void ReleaseEveryWindow();
