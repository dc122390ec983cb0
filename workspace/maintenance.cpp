// The maintenance pass, decided from the work the engine noted as pending.
#include "workspace/maintenance.h"

#include "workspace/eligibility.h"
#include "workspace/groups.h"
#include "workspace/marker.h"
#include "workspace/nowait.h"
#include "workspace/owned.h"
#include "workspace/showing.h"

static struct {
    bool due[PendingKindCount];
} PendingWork;

void NotePending(PendingKind kind)
{
    PendingWork.due[kind] = true;
}

// Whether the work was pending; it is not from then on.
static bool TakePending(PendingKind kind)
{
    bool due = PendingWork.due[kind];
    PendingWork.due[kind] = false;
    return due;
}

// Drops the entries of one group that the purge drops; true when a window
// stays there without our marker, which its program may yet hide.
static bool PurgeGroup(int group)
{
    bool anyUnmarked = false;
    // Backwards: a removal moves the last entry, already seen, here.
    for (int i = GroupTable[group].count - 1; i >= 0; i--) {
        HWND w = GroupTable[group].entries[i].window;
        bool unmarked;
        if (IsDroppedFromGroup(w, (DWORD)GetWindowLongA(w, GWL_STYLE), &unmarked))
            RemoveEntryAt(group, i);
        else if (unmarked)
            anyUnmarked = true;
    }
    return anyUnmarked;
}

// The group on screen is not polled: a window its program hid is dropped
// when the table next acts on it, by the switch that leaves its group or the
// exit release, with the outcome a poll would have had. In the hidden
// groups, only a window left without our marker can still be hidden by its
// program: they are looked at while one remains.
bool PurgeUnmarkedHidden()
{
    bool again = false;
    for (int group = 0; group < GroupCount; group++)
        if (group != CurrentGroup && PurgeGroup(group))
            again = true;
    return again;
}

// The group on screen carries no marker: a window whose show had not landed,
// or had failed, keeps it until it is seen back, and then gets its place.
// True while one is still marked and not seen on screen.
static bool UnmarkShownCurrentGroup()
{
    bool left = false;
    const Group &g = GroupTable[CurrentGroup];
    for (int i = 0; i < g.count; i++) {
        HWND w = g.entries[i].window;
        if (!IsMarked(w))
            continue;
        if (ReleaseMarkerIfBack(w))
            NoteAwaitingPlace(w);
        else
            left = true;
    }
    PlaceLateWindows(CurrentGroup);
    return left;
}

void PurgePendingHidden()
{
    if (TakePending(HiddenGroupsToCheck) && PurgeUnmarkedHidden())
        NotePending(HiddenGroupsToCheck);
}

void RunMaintenancePass()
{
    PurgePendingHidden();
    AdoptUnseenWindows();
    // Nothing left behind and nothing queued: no call at all.
    bool settled = AnyWaitingWindow() && SettleQueuedCalls();
    bool markers = TakePending(MarkersAwaitingShow);
    if ((markers || settled) && UnmarkShownCurrentGroup())
        NotePending(MarkersAwaitingShow);
}

void ReleaseEveryWindow()
{
    // What the purge would drop is not shown again, on screen or not.
    for (int group = 0; group < GroupCount; group++)
        PurgeGroup(group);
    BeginAnswerPass();
    // SW_SHOW keeps a maximised window maximised.
    for (int group = 0; group < GroupCount; group++) {
        const Group &g = GroupTable[group];
        for (int i = 0; i < g.count; i++)
            ShowAndRelease(g.entries[i].window,
                           IsMinimizedShowCmd(g.entries[i].savedShowCmd) ? SW_SHOWMINNOACTIVE : SW_SHOW);
    }
    // Each show activates its window, which then covers its palettes (Wine
    // raises an owner alone): they go back above their owners.
    for (int group = 0; group < GroupCount; group++)
        for (int i = 0; i < GroupTable[group].count; i++)
            if (TravelsWithOwner(group, i))
                PositionNoWait(GroupTable[group].entries[i].window,
                               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    EndAnswerPass();
}
