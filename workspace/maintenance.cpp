// The maintenance pass: what the tick does between switches, decided from
// the work the engine has recorded as pending.
#include "workspace/maintenance.h"

#include "workspace/adoption.h"
#include "workspace/eligibility.h"
#include "workspace/groups.h"
#include "workspace/marker.h"
#include "workspace/nowait.h"
#include "workspace/showing.h"

PendingWorkRecord PendingWork;

// Drops the entries of one group that the purge drops; true when a window
// stays on screen there without our marker, which its program may yet hide.
static bool PurgeGroup(int group)
{
    bool unmarkedOnScreen = false;
    Group &g = GroupTable[group];
    for (int i = 0; i < g.count;) {
        HWND w = g.entries[i].window;
        DWORD style = (DWORD)GetWindowLongA(w, GWL_STYLE);
        if (IsDroppedFromGroup(w, style)) {
            RemoveEntryAt(group, i);
            continue;
        }
        if (IsShownStyle(style) && !IsMarked(w))
            unmarkedOnScreen = true;
        i++;
    }
    return unmarkedOnScreen;
}

// The group on screen is not polled: a window its program hid (or the window
// manager cloaked) is dropped when the table next acts on it, by the switch
// that leaves its group or by the exit release, with the outcome a poll
// would have had and no call while nothing happens. In the hidden groups,
// only a window that stayed on screen without our marker can still be
// hidden by its program; they are looked at after a switch and for as long
// as such a window remains.
bool PurgeUnmarkedHidden()
{
    bool again = false;
    for (int group = 0; group < GroupCount; group++)
        if (group != CurrentGroup && PurgeGroup(group))
            again = true;
    return again;
}

void PurgeAllUnmarkedHidden()
{
    for (int group = 0; group < GroupCount; group++)
        PurgeGroup(group);
}

// The group on screen carries no marker. A window whose show had not yet
// landed, or had failed, when its group was shown keeps its marker until it
// is seen on screen here.
bool UnmarkShownCurrentGroup()
{
    bool left = false;
    const Group &g = GroupTable[CurrentGroup];
    for (int i = 0; i < g.count; i++) {
        HWND w = g.entries[i].window;
        // Back late: unmarked now, or never marked (left on screen while
        // its group was hidden) with its queued show seen to have run.
        if (!IsMarked(w)) {
            if (IsJustSettled(w) && IsWindowVisible(w))
                PlaceLateWindow(CurrentGroup, w);
        } else if (UnmarkIfShown(w)) {
            PlaceLateWindow(CurrentGroup, w);
        } else {
            left = true;
        }
    }
    PlaceWaitingWindows(CurrentGroup);
    return left;
}

// The one reader of PendingWork: each step runs only when the work it does
// was recorded, so that the tick makes no call for a step with nothing to do.
void PurgePendingHidden()
{
    if (PendingWork.hiddenGroupsToCheck)
        PendingWork.hiddenGroupsToCheck = PurgeUnmarkedHidden();
}

void RunMaintenancePass()
{
    PurgePendingHidden();
    AdoptUnseenWindows();
    // Nothing left behind and nothing queued: no call at all.
    bool settled = AnyPendingCalls() && SettlePendingCalls();
    if (PendingWork.markersAwaitingShow || settled)
        PendingWork.markersAwaitingShow = UnmarkShownCurrentGroup();
}
