// The work the engine leaves for the maintenance tick. Each kind is noted
// here, through NotePending, where its work arises; the maintenance pass
// alone takes it, and does nothing for a kind that is not pending, so that a
// tick while nothing is pending costs no more than the adoption pass over
// windows already known. Calls queued behind a program that does not answer
// are a record of their own (nowait.h), read by the same pass.
#pragma once

enum PendingKind {
    // A hidden group may hold a window on screen without our marker (left
    // there by a switch, or shown again by its program), which its program
    // may yet hide: the purge looks at the hidden groups.
    HiddenGroupsToCheck,
    // A window of the group on screen may still carry a marker: its show
    // failed or had not landed when the group was shown, or it joined the
    // group still marked. The pass looks for markers to remove.
    MarkersAwaitingShow,
    PendingKindCount
};

void NotePending(PendingKind kind);
// Whether the work was pending; it is not from then on.
bool TakePending(PendingKind kind);
