// The work the engine leaves for the maintenance tick. Each flag is set
// where its work arises; the maintenance pass alone reads them, and does
// nothing for a flag that is not set, so that a tick while nothing is
// pending costs no more than the adoption pass over windows already known.
// Calls queued behind a program that does not answer are a record of their
// own (AnyPendingCalls), read by the same pass.
#pragma once

struct PendingWorkRecord {
    // A hidden group may hold a window on screen without our marker (left
    // there by a switch, or shown again by its program), which its program
    // may yet hide: the purge looks at the hidden groups while this is set.
    bool hiddenGroupsToCheck;
    // A window of the group on screen may still carry a marker: its show
    // failed or had not landed when the group was shown, or it joined the
    // group still marked. The pass looks for markers to remove only then.
    bool markersAwaitingShow;
};
extern PendingWorkRecord PendingWork;
