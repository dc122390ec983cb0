// Showing a group: every window back in its state and its place in the
// stacking, the top one activated. The show plans first and then acts.
#include "workspace/showing.h"

#include <stdlib.h>

#include "workspace/groups.h"
#include "workspace/marker.h"
#include "workspace/monitorfit.h"
#include "workspace/nowait.h"
#include "workspace/pendingwork.h"

// Flags of the batch that shows a group: show and raise each window without
// activating, moving or sizing it.
static const UINT ShowBatchFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER;
// Flags that raise the top window; activation is wanted here.
static const UINT RaiseFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOOWNERZORDER;
// Flags that put a late window in its place, and nothing else.
static const UINT LatePlaceFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
// Late windows placed in one look; more wait for the next.
static const int LateLimit = 64;

// The layers of the stacking the show restores, from the top: the activated
// window goes on top with only its own palettes above it, whatever the ranks
// say (a palette of a minimised owner ranked above it, which Wine leaves on
// screen, stays below it); the rest keep their ranks.
enum StackLayer { TopWindowPalettes, TopWindow, RestOfGroup };

// Brings each window onto a monitor and drops the entries of windows that
// are gone, whose deferral would fail the whole batch: one read of where a
// window stands answers both.
static void DropDestroyedAndFit(int group)
{
    ReadMonitorAreas();
    Group &g = GroupTable[group];
    for (int i = 0; i < g.count;) {
        if (!BringOntoMonitor(g.entries[i].window))
            RemoveEntryAt(group, i);
        else
            i++;
    }
}

// The window the show activates: the lowest stackRank among the
// non-minimised ones that do not travel with an owner, the earliest in the
// table among equals. Activating it puts its own palettes back above it.
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

// The one order of the show, which its sort, its late windows and its
// palettes' raise all follow: whether x is shown before y. Each deferral or
// show puts its window at the top, so windows on screen go from the bottom
// of the stacking up: by layer, then by rank, and among equal ranks the later
// entry first, so that the earlier one, which wins the choice of the top
// window, ends above it. The minimised ones last, in the table's order.
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

// Where a queued show of the window in slot k goes: right below the nearest
// window above it whose program answers, which the batch puts in place now.
// It runs when its program answers, perhaps long after the top window was
// activated, and on top it would cover that one. Queued windows of one
// program run in the order queued, bottom first, each below the same
// window: they end in their order too. With none above that answers, it
// goes below the top window, whose own show and raise are queued too;
// unless both belong to one program, whose queue then runs the top window's
// calls last.
static HWND QueuedAnchor(const ShowPlan &plan, int k)
{
    // Below the top window, only windows up to it count: a palette of the
    // top window stands above it, and a window placed below the palette
    // would cover the one activated.
    int top = plan.top, end = top != NotFound && k < top ? top + 1 : plan.shown;
    for (int above = k + 1; above < end; above++)
        if (plan.slots[above].answers)
            return plan.slots[above].window;
    if (top == NotFound || k > top)
        return HWND_TOP;
    HWND w = plan.slots[k].window, t = plan.slots[top].window;
    return GetWindowThreadProcessId(w, nullptr) == GetWindowThreadProcessId(t, nullptr) ? HWND_TOP : t;
}

// The show that brings the top window to its saved state, from the style
// read before the show: 0 when the show's own calls leave it there. The
// batch, or a show queued earlier, leaves it in the state it was hidden in.
// SW_SHOW activates a window in its normal or snapped state without
// restoring it, as SW_SHOWNORMAL would; only a window minimised since needs
// restoring.
static int TopWindowShow(const ShowSlot &slot, const GroupEntry &entry)
{
    DWORD style = (DWORD)GetWindowLongA(slot.window, GWL_STYLE);
    bool maximized = entry.savedShowCmd == SW_SHOWMAXIMIZED;
    bool shown = slot.answers || (HasQueuedCalls(slot.window) ? QueuedCallsShow(slot.window) : (style & WS_VISIBLE) != 0);
    if (style == 0 || (shown && !(style & WS_MINIMIZE) && ((style & WS_MAXIMIZE) != 0) == maximized))
        return 0;
    return maximized ? SW_SHOWMAXIMIZED : (style & WS_MINIMIZE) ? SW_SHOWNORMAL : SW_SHOW;
}

// Reads everything the show decides on into the group's own slots.
static ShowPlan PlanShow(int group)
{
    const Group &g = GroupTable[group];
    ShowPlan plan = {g.slots, g.count, 0, 0, NotFound, 0};
    int top = TopEntry(group);
    for (int i = 0; i < g.count; i++) {
        ShowSlot &slot = plan.slots[i];
        slot = SlotOf(group, top, i);
        slot.answers = CallsRunAtOnce(slot.window);
        if (!slot.minimized) {
            plan.shown++;
            plan.answering += slot.answers ? 1 : 0;
        }
    }
    qsort(plan.slots, plan.count, sizeof(ShowSlot), CompareSlots);
    // The window to activate, which the order puts last but for its own
    // palettes.
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

// A window whose program does not answer: its show queued in its place in
// the order, whether the batch runs or failed. The top window's is left to
// its activation, whose show and raise are queued too.
static void QueueShowInPlace(const ShowPlan &plan, int k)
{
    if (k != plan.top)
        PositionNoWait(plan.slots[k].window, ShowBatchFlags, plan.slots[k].anchor);
}

// Shows the non-minimised windows, those that answer in one batch; false
// if the batch failed, at a deferral or at its end, and the windows must be
// shown singly. A window whose program does not answer would hold up the
// whole batch: its show is queued instead, in its place in the order.
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

// The raise or the activation of a window leaves the windows that travel
// with it below it (Wine, and Windows too with SWP_NOOWNERZORDER): they go
// back above it, from the bottom of their stacking up, without activation.
static void RaiseOwnedAbove(int group, HWND owner)
{
    const Group &g = GroupTable[group];
    for (int last = NotFound;;) {
        // The lowest of those not raised yet: next above the last one.
        int next = NotFound;
        for (int i = 0; i < g.count; i++)
            if (g.entries[i].owner == owner &&
                (last == NotFound || ShowsBefore(SlotOf(group, NotFound, last), SlotOf(group, NotFound, i))) &&
                (next == NotFound || ShowsBefore(SlotOf(group, NotFound, i), SlotOf(group, NotFound, next))))
                next = i;
        if (next == NotFound)
            return;
        last = next;
        PositionNoWait(g.entries[next].window, ShowBatchFlags);
    }
}

// Shows the top window in its saved state, on top, and activates it. The
// show and the raise are each a round of messages with the window's program,
// and both are skipped when they would change nothing: the batch, which
// hands this window over last, has put it on top already.
static void ActivateTopWindow(int group, const ShowPlan &plan, bool onTop)
{
    HWND w = plan.slots[plan.top].window;
    if (plan.topShow || !onTop) {
        if (plan.topShow)
            ShowNoWait(w, plan.topShow);
        PositionNoWait(w, RaiseFlags);
    }
    SetForegroundWindow(w);  // never waits
    // The activation raises the window alone (Wine; Windows brings the
    // palettes along): those that travel with it go back above it.
    RaiseOwnedAbove(group, w);
}

// Shows every window of the plan, the non-minimised ones in one batch or,
// when that fails, singly in the same order; then the minimised ones, and
// activates the top window.
static void ShowPlanned(int group, const ShowPlan &plan)
{
    bool batched = plan.shown > 0 && ShowInBatch(plan);
    // SW_SHOWNA, unlike SW_SHOWNOACTIVATE, keeps a window maximised or
    // snapped as it was; queued, it would bring a hidden window back on top
    // of the one activated.
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
    ShowPlanned(group, PlanShow(group));
    // The marker goes once the window is seen on screen. One that did not
    // come back, or whose calls were just queued behind a hang, keeps it, and
    // with it the way back after a crash, until the maintenance tick sees it
    // back.
    for (int i = 0; i < g.count; i++)
        if (HasQueuedCalls(g.entries[i].window) || !ReleaseMarkerIfBack(g.entries[i].window))
            NotePending(MarkersAwaitingShow);
}

// One late window: right below the nearest window above it in the stacking
// captured that stands in its place, so that late windows end in that order
// whichever program answers first. A window still marked, or itself late,
// is not in its place yet. Below the activated window only windows up to it
// count, as for a queued show, and with none in place it goes right below
// that one; a late window above it (one of its palettes) that finds none in
// place waits for one. The user's own activation is not undone.
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
    int count = TakeWindowsAwaitingPlace(late, LateLimit), top = TopEntry(group);
    // From the top down: each one placed is then in place for those below
    // it, and each one that waits is noted again before those below look.
    while (count > 0) {
        int pick = 0;
        for (int k = 1; k < count; k++) {
            int i = FindInGroup(group, late[k]), p = FindInGroup(group, late[pick]);
            if (p != NotFound && i != NotFound && ShowsBefore(SlotOf(group, top, p), SlotOf(group, top, i)))
                pick = k;
        }
        PlaceLateWindow(group, top, late[pick]);
        late[pick] = late[--count];
    }
}
