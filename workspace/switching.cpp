// The group switch. Hiding marks each window first, so that a crash between
// the hide and the next show never loses a window: the watcher or the next
// start finds it by the marker.
#include "workspace/switching.h"

#include <stdlib.h>

#include "workspace/eligibility.h"
#include "workspace/foreground.h"
#include "workspace/groups.h"
#include "workspace/maintenance.h"
#include "workspace/nowait.h"
#include "workspace/owned.h"
#include "workspace/showing.h"

// Records the entry's show state and hides its window. One read of the
// style gives both the state and whether the window is on screen. False
// when the window's own program has hidden it (or cloaked it instead): the
// entry then goes, as the maintenance purge would drop it.
static bool HideAndMarkOne(GroupEntry &entry)
{
    HWND window = entry.window;
    DWORD style = (DWORD)GetWindowLongA(window, GWL_STYLE);
    entry.savedShowCmd = ShowCmdOfStyle(style, entry.savedShowCmd);
    // Reading the style sends nothing to the window's program: a window its
    // program hid is dropped whether or not that program answers now (one
    // hidden by the system behind its stand-in is not dropped).
    if (IsDroppedFromGroup(window, style))
        return false;
    MarkAndHide(window, style);
    return true;
}

// Hides the window's entry, if it still has one, and drops it when its own
// program had hidden it.
static void HideAndMarkWindow(int group, HWND window)
{
    int i = FindInGroup(group, window);
    if (i != NotFound && !HideAndMarkOne(GroupTable[group].entries[i]))
        RemoveEntryAt(group, i);
}

static int CompareRanksDescending(const void *a, const void *b)
{
    int x = ((const ShowSlot *)a)->stackRank, y = ((const ShowSlot *)b)->stackRank;
    return x > y ? -1 : x < y ? 1 : 0;
}

void HideAndMark(int group)
{
    // From the bottom of the stacking up, the window in use last. Hiding a
    // window uncovers the one below it, which its program then repaints
    // while we go on: bottom first, a hide uncovers only what goes next.
    // And hiding the active window hands activation to the next one below
    // it; while the rest of the group is still on screen, activation would
    // hop through every window of the group, each hop a round of messages to
    // its program. The order is kept in the group's slots, by window, since
    // a dropped entry moves another in the table.
    HWND active = GetForegroundWindow();
    Group &g = GroupTable[group];
    bool activeInGroup = active && FindInGroup(group, active) != NotFound;
    int count = g.count;
    for (int i = 0; i < count; i++)
        g.slots[i] = ShowSlot{g.entries[i].window, i, 0, g.entries[i].stackRank, false, false, nullptr};
    qsort(g.slots, count, sizeof(ShowSlot), CompareRanksDescending);
    for (int k = 0; k < count; k++)
        if (g.slots[k].window != active)
            HideAndMarkWindow(group, g.slots[k].window);
    if (activeInGroup)
        HideAndMarkWindow(group, active);
}

void SwitchToGroup(int target)
{
    if (!IsGroupIndex(target) || target == CurrentGroup)
        return;
    // Foreground events reach us while a call waits for another program's
    // thread; handled then, they would move windows between groups while
    // the switch walks them. They are handled once it is done, against the
    // group then on screen.
    HoldForegroundEvents();
    // A window left on screen in a hidden group that its program has hidden
    // since is the purge's to drop, not ours to show: the tick may not have
    // run since.
    PurgePendingHidden();
    BeginAnswerPass();
    int leaving = CurrentGroup;
    // The adoption's pass over the windows, top of the Z order first, also
    // captures the stacking: one enumeration instead of a second walk that
    // asks the window manager for every next window.
    AdoptUnseenWindowsRanking(leaving);
    HideAndMark(leaving);
    // Set before showing: the foreground changes the show causes are then
    // handled against the group being shown.
    CurrentGroup = target;
    ShowGroup(target);
    EndAnswerPass();
    // The group left may hold a window that stayed on screen unmarked.
    NotePending(HiddenGroupsToCheck);
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
    // A window that stayed on screen unmarked may yet be hidden by its program.
    NotePending(HiddenGroupsToCheck);
}
