// Showing a group. The show plans first and then acts.
#include "workspace/showing.h"

#include <stdlib.h>

#include "workspace/groups.h"
#include "workspace/marker.h"
#include "workspace/monitorfit.h"
#include "workspace/nowait.h"
#include "workspace/maintenance.h"

static const UINT ShowBatchFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER;
static const UINT RaiseFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOOWNERZORDER;  // activation wanted
static const UINT LatePlaceFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
static const int LateLimit = 64;  // placed in one look; more wait for the next

// The layers the show restores, from the top: the activated window has only
// its own palettes above it, whatever the ranks say (a palette of a minimised
// owner ranked above it, which Wine leaves on screen, stays below it).
enum StackLayer { TopWindowPalettes, TopWindow, RestOfGroup };

// Brings each window onto a monitor and drops the windows that are gone,
// whose deferral would fail the whole batch: one read answers both.
static void DropDestroyedAndFit(int group)
{
    ReadMonitorAreas();
    for (int i = 0; i < GroupTable[group].count;)
        if (!BringOntoMonitor(GroupTable[group].entries[i].window))
            RemoveEntryAt(group, i);
        else
            i++;
}

// The window the show activates: the lowest stackRank among the
// non-minimised ones that do not travel with an owner, the earliest in the
// table among equals.
static int TopEntry(int group)
{
    const Group &g = GroupTable[group];
    int top = NotFound;
    for (int i = 0; i < g.count; i++)
        if (!IsMinimizedShowCmd(g.entries[i].savedShowCmd) && !TravelsWithOwner(group, i) &&
            (top == NotFound || g.entries[i].stackRank < g.entries[top].stackRank))
            top = i;
    return top;
}

// Entry i as the order of the show sees it, `top` being TopEntry.
static ShowSlot SlotOf(int group, int top, int i)
{
    const GroupEntry &e = GroupTable[group].entries[i];
    int layer = i == top                                                                 ? TopWindow
                : top != NotFound && e.owner == GroupTable[group].entries[top].window ? TopWindowPalettes
                                                                                       : RestOfGroup;
    return ShowSlot{e.window, i, layer, e.stackRank, false, IsMinimizedShowCmd(e.savedShowCmd), nullptr};
}

// The one order of the show, for its sort, its palettes' raise and its late
// windows: whether x is shown before y. Each show puts its window on top, so
// the order goes from the bottom of the stacking up: by layer, then by rank,
// the later entry first among equals (the earlier wins the choice of the top
// window). The minimised ones last, in the table's order.
static bool ShowsBefore(const ShowSlot &x, const ShowSlot &y)
{
    if (x.minimized != y.minimized)
        return y.minimized;
    if (x.minimized)
        return x.position < y.position;
    if (x.layer != y.layer)
        return x.layer > y.layer;
    if (x.stackRank != y.stackRank)
        return x.stackRank > y.stackRank;
    return x.position > y.position;
}

static int CompareSlots(const void *a, const void *b)
{
    const ShowSlot &x = *(const ShowSlot *)a, &y = *(const ShowSlot *)b;
    return ShowsBefore(x, y) ? -1 : ShowsBefore(y, x) ? 1 : 0;
}

// The plan: everything the show decides on, read before its first call.
struct ShowPlan {
    ShowSlot *slots;  // in the order the show hands the windows over
    int count;        // one per entry
    int shown;        // the first `shown` slots are the non-minimised ones
    int answering;    // of those, the ones whose programs answer
    int top;          // the slot of the window to activate, or NotFound
    int topShow;      // the show that puts it in its saved state; 0 for none
};

// Where a queued show of slot k goes: right below the nearest window above
// it whose program answers, which the batch puts in place now; on top, run
// long after the activation, it would cover the window activated. Queued
// windows of one program run in their order, each below the same window.
// Below the top window only windows up to it count (one placed below its
// palette would cover it); with none that answers, right below the top
// window, unless both share a thread, whose queue then runs the top
// window's calls last.
static HWND QueuedAnchor(const ShowPlan &plan, int k)
{
    int top = plan.top, end = top != NotFound && k < top ? top + 1 : plan.shown;
    for (int above = k + 1; above < end; above++)
        if (plan.slots[above].answers)
            return plan.slots[above].window;
    if (top == NotFound || k > top)
        return HWND_TOP;
    HWND w = plan.slots[k].window, t = plan.slots[top].window;
    return GetWindowThreadProcessId(w, nullptr) == GetWindowThreadProcessId(t, nullptr) ? HWND_TOP : t;
}

// The show that brings the top window to its saved state, from its style
// now: 0 when the batch, or a show queued earlier, leaves it there. SW_SHOW
// keeps a snapped window snapped, where SW_SHOWNORMAL would restore it; only
// a window minimised since is restored.
static int TopWindowShow(const ShowSlot &slot, const GroupEntry &entry)
{
    DWORD style = (DWORD)GetWindowLongA(slot.window, GWL_STYLE);
    bool maximized = entry.savedShowCmd == SW_SHOWMAXIMIZED;
    bool shown = slot.answers || (HasQueuedCalls(slot.window) ? QueuedCallsShow(slot.window) : (style & WS_VISIBLE) != 0);
    if (style == 0 || (shown && !(style & WS_MINIMIZE) && ((style & WS_MAXIMIZE) != 0) == maximized))
        return 0;
    return maximized ? SW_SHOWMAXIMIZED : (style & WS_MINIMIZE) ? SW_SHOWNORMAL : SW_SHOW;
}

static ShowPlan PlanShow(int group)
{
    const Group &g = GroupTable[group];
    ShowPlan plan = {g.slots, g.count, 0, 0, NotFound, 0};
    int top = TopEntry(group);
    for (int i = 0; i < g.count; i++) {
        ShowSlot &slot = plan.slots[i];
        slot = SlotOf(group, top, i);
        slot.answers = CallsRunAtOnce(slot.window, g.entries[i].thread);
        if (!slot.minimized) {
            plan.shown++;
            plan.answering += slot.answers ? 1 : 0;
        }
    }
    qsort(plan.slots, plan.count, sizeof(ShowSlot), CompareSlots);
    for (int k = 0; k < plan.shown; k++)
        if (plan.slots[k].layer == TopWindow)
            plan.top = k;
    for (int k = 0; k < plan.shown; k++)
        if (!plan.slots[k].answers)
            plan.slots[k].anchor = QueuedAnchor(plan, k);
    if (plan.top != NotFound)
        plan.topShow = TopWindowShow(plan.slots[plan.top], g.entries[plan.slots[plan.top].position]);
    return plan;
}

// A window whose program does not answer gets its show queued in its place,
// whether the batch ran or failed; the top window's is its activation's.
static void QueueShowInPlace(const ShowPlan &plan, int k)
{
    if (k != plan.top)
        PositionNoWait(plan.slots[k].window, ShowBatchFlags, plan.slots[k].anchor);
}

// Shows the non-minimised windows, those that answer in one batch (one that
// does not would hold it up); false when the batch failed, at a deferral or
// at its end, and the windows must be shown singly.
static bool ShowInBatch(const ShowPlan &plan)
{
    HDWP batch = plan.answering > 0 ? BeginDeferWindowPos(plan.answering) : nullptr;
    if (plan.answering > 0 && !batch)
        return false;
    for (int k = 0; k < plan.shown; k++) {
        if (!plan.slots[k].answers) {
            QueueShowInPlace(plan, k);
            continue;
        }
        batch = DeferWindowPos(batch, plan.slots[k].window, HWND_TOP, 0, 0, 0, 0, ShowBatchFlags);
        if (!batch)
            return false;  // the batch is gone; EndDeferWindowPos must not see it
    }
    return plan.answering == 0 || EndDeferWindowPos(batch) != FALSE;
}

// Shows the top window in its saved state, on top, and activates it; the
// show and the raise, each a round of messages with its program, only when
// the batch did not leave it so. The activation raises the window alone
// (Wine; Windows brings them along, and SWP_NOOWNERZORDER does not): its
// palettes go back above it, in the plan's order.
static void ActivateTopWindow(int group, const ShowPlan &plan, bool onTop)
{
    HWND w = plan.slots[plan.top].window;
    if (plan.topShow || !onTop) {
        if (plan.topShow)
            ShowNoWait(w, plan.topShow);
        PositionNoWait(w, RaiseFlags);
    }
    SetForegroundWindow(w);  // never waits
    for (int k = 0; k < plan.count; k++)
        if (GroupTable[group].entries[plan.slots[k].position].owner == w)
            PositionNoWait(plan.slots[k].window, ShowBatchFlags);
}

// True when the batch showed every window whose program answers.
static bool ShowPlanned(int group, const ShowPlan &plan)
{
    bool batched = plan.shown > 0 && ShowInBatch(plan);
    // Singly in the same order. SW_SHOWNA, unlike SW_SHOWNOACTIVATE, keeps a
    // window maximised or snapped.
    for (int k = 0; k < plan.shown && !batched; k++) {
        if (plan.slots[k].answers)
            ShowWindow(plan.slots[k].window, SW_SHOWNA);
        else
            QueueShowInPlace(plan, k);
    }
    for (int k = plan.shown; k < plan.count; k++)
        ShowNoWait(plan.slots[k].window, SW_SHOWMINNOACTIVE);
    if (plan.top != NotFound)
        ActivateTopWindow(group, plan, batched && plan.shown == plan.count && plan.answering == plan.shown);
    return batched;
}

void ShowGroup(int group)
{
    if (!IsGroupIndex(group))
        return;
    DropDestroyedAndFit(group);
    TakeWindowsAwaitingPlace(nullptr, 0);
    Group &g = GroupTable[group];
    if (g.count == 0)
        return;
    ShowPlan plan = PlanShow(group);
    bool batched = ShowPlanned(group, plan);
    // The marker goes once the window is on screen: one the batch showed is,
    // its program having answered, and needs no look. One that did not come
    // back, or whose calls were queued, keeps its way back after a crash
    // until the tick sees it back.
    for (int k = 0; k < plan.count; k++) {
        HWND w = plan.slots[k].window;
        if (batched && k < plan.shown && plan.slots[k].answers)
            UnmarkWindow(w);
        else if (HasQueuedCalls(w) || !ReleaseMarkerIfBack(w))
            NotePending(MarkersAwaitingShow);
    }
}

// One late window: right below the nearest window above it in the stacking
// captured that stands in its place (not marked, not itself late), so that
// late windows end in that order whichever program answers first. Below the
// activated window, as for a queued show, only windows up to it count, and
// with none in place it goes right below it; a palette of it that finds none
// waits. The user's own activation is not undone.
static void PlaceLateWindow(int group, int top, HWND window)
{
    const Group &g = GroupTable[group];
    int i = FindInGroup(group, window);
    if (i == NotFound || IsMinimizedShowCmd(g.entries[i].savedShowCmd) || GetForegroundWindow() == window ||
        !IsWindowVisible(window))
        return;
    ShowSlot late = SlotOf(group, top, i);
    bool belowTop = top != NotFound && late.layer == RestOfGroup;
    int anchor = NotFound;
    for (int j = 0; j < g.count; j++) {
        ShowSlot other = SlotOf(group, top, j);
        if (j != i && !other.minimized && ShowsBefore(late, other) && !(belowTop && other.layer == TopWindowPalettes) &&
            (anchor == NotFound || ShowsBefore(other, SlotOf(group, top, anchor))) && IsWindowVisible(other.window) &&
            !IsMarked(other.window) && !IsWaiting(other.window))
            anchor = j;
    }
    if (anchor == NotFound && belowTop)
        anchor = top;
    if (anchor != NotFound)
        PositionNoWait(window, LatePlaceFlags, g.entries[anchor].window);
    else
        NoteAwaitingPlace(window);
}

void PlaceLateWindows(int group)
{
    HWND late[LateLimit];
    ShowSlot slots[LateLimit];
    int count = TakeWindowsAwaitingPlace(late, LateLimit), top = TopEntry(group), n = 0;
    for (int k = 0; k < count; k++)
        if (int i = FindInGroup(group, late[k]); i != NotFound)
            slots[n++] = SlotOf(group, top, i);
    qsort(slots, n, sizeof(ShowSlot), CompareSlots);
    // From the top down: each one placed is in place for those below it.
    while (n > 0)
        PlaceLateWindow(group, top, slots[--n].window);
}
