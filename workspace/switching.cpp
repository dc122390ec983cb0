// The group switch. Hiding marks each window first: after a crash the
// watcher or the next start finds it by the marker.
#include "workspace/switching.h"

#include <stdlib.h>

#include "workspace/eligibility.h"
#include "workspace/foreground.h"
#include "workspace/groups.h"
#include "workspace/maintenance.h"
#include "workspace/nowait.h"
#include "workspace/owned.h"
#include "workspace/showing.h"

// Records the show state of the window's entry, if it still has one, and
// hides it; one read of the style, which sends nothing to its program, gives
// both. A window its own program hid (or cloaked) leaves the group, as the
// purge would drop it, whether or not that program answers now. False when
// the window stays on screen without our marker.
static bool HideAndMarkWindow(int group, HWND window)
{
    int i = FindInGroup(group, window);
    if (i == NotFound)
        return true;
    GroupEntry &entry = GroupTable[group].entries[i];
    DWORD style = (DWORD)GetWindowLongA(window, GWL_STYLE);
    entry.savedShowCmd = ShowCmdOfStyle(style, entry.savedShowCmd);
    if (!IsDroppedFromGroup(window, style))
        return MarkAndHide(window, style, entry.thread);
    RemoveEntryAt(group, i);
    return true;
}

static int CompareRanksDescending(const void *a, const void *b)
{
    int x = ((const ShowSlot *)a)->stackRank, y = ((const ShowSlot *)b)->stackRank;
    return x > y ? -1 : x < y ? 1 : 0;
}

void HideAndMark(int group)
{
    // From the bottom of the stacking up, so that a hide uncovers only what
    // goes next, and the window in use last: hidden first, it would hand
    // the activation down through every window of the group, each hop a
    // round of messages. The order is kept by window, since a dropped entry
    // moves another in the table.
    HWND active = GetForegroundWindow();
    Group &g = GroupTable[group];
    bool activeInGroup = active && FindInGroup(group, active) != NotFound;
    int count = g.count;
    for (int i = 0; i < count; i++)
        g.slots[i] = ShowSlot{g.entries[i].window, i, 0, g.entries[i].stackRank, false, false, nullptr};
    qsort(g.slots, count, sizeof(ShowSlot), CompareRanksDescending);
    bool leftUnmarked = false;
    for (int k = 0; k < count; k++)
        if (g.slots[k].window != active && !HideAndMarkWindow(group, g.slots[k].window))
            leftUnmarked = true;
    if (activeInGroup && !HideAndMarkWindow(group, active))
        leftUnmarked = true;
    // Only a window left on screen unmarked can still be hidden by its
    // program: the purge looks then, and not after every switch.
    if (leftUnmarked)
        NotePending(HiddenGroupsToCheck);
}

void SwitchToGroup(int target)
{
    if (!IsGroupIndex(target) || target == CurrentGroup)
        return;
    // Foreground events reach us while a call waits for another program's
    // thread: handled then, they would move windows the switch walks.
    HoldForegroundEvents();
    // A window left on screen in a hidden group that its program has hidden
    // since is the purge's to drop, not ours to show.
    PurgePendingHidden();
    BeginAnswerPass();
    int leaving = CurrentGroup;
    // One enumeration adopts and captures the stacking.
    AdoptUnseenWindowsRanking(leaving);
    HideAndMark(leaving);
    // Set before showing: foreground changes are then the shown group's.
    CurrentGroup = target;
    ShowGroup(target);
    EndAnswerPass();
    HandleHeldForegroundEvents();
}

bool CarryToGroup(int target)
{
    HWND w = GetForegroundWindow();
    if (!IsGroupIndex(target) || !IsEligibleWindow(w))
        return false;
    AddWindowToGroup(target, w);
    const Group &g = GroupTable[target];
    int lowest = 0;
    for (int i = 0; i < g.count; i++)
        if (g.entries[i].stackRank < lowest)
            lowest = g.entries[i].stackRank;
    int i = FindInGroup(target, w);
    if (i != NotFound)
        GroupTable[target].entries[i].stackRank = lowest - 1;
    // No window it owns is left behind in the group it leaves.
    CarryOwnedWindows(w, target, lowest - 2);
    SwitchToGroup(target);
    return true;
}

void HideGroupsNotShown()
{
    BeginAnswerPass();
    for (int group = 0; group < GroupCount; group++)
        if (group != CurrentGroup)
            HideAndMark(group);
    EndAnswerPass();
}
