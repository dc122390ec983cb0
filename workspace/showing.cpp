// Showing a group: every window back in its state and its place in the
// stacking, the top one activated.
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

// One window of the group being shown, as the plan sees it before any call
// is made: where its entry is, its rank, whether its program answers (asked
// once for the whole show) and whether it comes back minimised.
struct ShowSlot {
    int position;
    int layer;  // StackLayer: 1 for the window to activate
    int stackRank;
    bool answers;
    bool minimized;
};

// The plan: the slots in the order the show hands the windows over.
struct ShowPlan {
    ShowSlot *slots;
    int count;      // slots in use, one per entry
    int shown;      // the first `shown` slots are the non-minimised ones
    int answering;  // of those, the ones whose programs answer
};

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

// The activated window goes on top with only its own palettes above it,
// whatever the ranks say: a palette of a minimised owner ranked above it
// (Wine leaves those on screen) stays below it. The rest keep their ranks.
static int StackLayer(int group, int top, int i)
{
    const GroupEntry &e = GroupTable[group].entries[i];
    if (i == top)
        return 1;
    return top != NotFound && e.owner == GroupTable[group].entries[top].window ? 0 : 2;
}

// Whether entry i ranks below entry j: a higher stackRank, or the later
// entry among equals.
static bool RanksBelow(int group, int i, int j)
{
    const GroupEntry *e = GroupTable[group].entries;
    return e[i].stackRank > e[j].stackRank || (e[i].stackRank == e[j].stackRank && i > j);
}

// Whether entry i stands below entry j in the stacking the show restores.
static bool StandsBelow(int group, int top, int i, int j)
{
    int li = StackLayer(group, top, i), lj = StackLayer(group, top, j);
    return li != lj ? li > lj : RanksBelow(group, i, j);
}

// Non-minimised windows first, from the bottom of the captured stacking up:
// each deferral or show puts its window at the top, so this order restores
// the stacking. Among equal ranks the later entry first, so that the
// earlier one, which wins the choice of the top window, ends above it. The
// minimised ones last, in the table's order.
static int CompareSlots(const void *a, const void *b)
{
    const ShowSlot &x = *(const ShowSlot *)a;
    const ShowSlot &y = *(const ShowSlot *)b;
    if (x.minimized != y.minimized)
        return x.minimized ? 1 : -1;
    if (!x.minimized && x.layer != y.layer)
        return x.layer > y.layer ? -1 : 1;
    if (!x.minimized && x.stackRank != y.stackRank)
        return x.stackRank > y.stackRank ? -1 : 1;
    if (x.minimized)
        return x.position < y.position ? -1 : x.position > y.position ? 1 : 0;
    return x.position > y.position ? -1 : x.position < y.position ? 1 : 0;
}

// Reads everything the show decides on; false when no room could be had.
static bool PlanShow(int group, ShowPlan &plan)
{
    const Group &g = GroupTable[group];
    plan = ShowPlan{(ShowSlot *)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)g.count * sizeof(ShowSlot)), g.count, 0, 0};
    if (!plan.slots)
        return false;
    int top = TopEntry(group);
    for (int i = 0; i < g.count; i++) {
        const GroupEntry &e = g.entries[i];
        ShowSlot &slot = plan.slots[i];
        slot = ShowSlot{i, StackLayer(group, top, i), e.stackRank, IsAnswering(e.window),
                        IsMinimizedShowCmd(e.savedShowCmd)};
        if (!slot.minimized) {
            plan.shown++;
            plan.answering += slot.answers ? 1 : 0;
        }
    }
    qsort(plan.slots, plan.count, sizeof(ShowSlot), CompareSlots);
    return true;
}

static HWND WindowAt(int group, const ShowSlot &slot)
{
    return GroupTable[group].entries[slot.position].window;
}

// Where a queued show of the window in slot k goes: right below the nearest
// window above it whose program answers, which the batch puts in place now.
// It runs when its program answers, perhaps long after the top window was
// activated, and on top it would cover that one. Queued windows of one
// program run in the order queued, bottom first, each below the same
// window: they end in their order too. With none above that answers, it
// goes below the top window, whose own show and raise are queued too;
// unless both belong to one program, whose queue then runs the top window's
// calls last.
static HWND QueuedAnchor(int group, const ShowPlan &plan, int k, int top)
{
    // Below the top window, only windows up to it count: a palette of the
    // top window stands above it, and a window placed below the palette
    // would cover the one activated.
    int end = top != NotFound && k < top ? top + 1 : plan.shown;
    for (int above = k + 1; above < end; above++)
        if (plan.slots[above].answers)
            return WindowAt(group, plan.slots[above]);
    if (top == NotFound || k > top)
        return HWND_TOP;
    HWND w = WindowAt(group, plan.slots[k]), t = WindowAt(group, plan.slots[top]);
    return GetWindowThreadProcessId(w, nullptr) == GetWindowThreadProcessId(t, nullptr) ? HWND_TOP : t;
}

// The slot of the window to activate (TopEntry), which the order puts last
// but for its own palettes.
static int ChooseTopSlot(const ShowPlan &plan)
{
    for (int k = plan.shown - 1; k >= 0; k--)
        if (plan.slots[k].layer == 1)
            return k;
    return NotFound;
}

// Shows the non-minimised windows, those that answer in one batch; false
// if the batch failed, at a deferral or at its end, and the windows must be
// shown singly. A window whose program does not answer would hold up the
// whole batch: its show is queued instead, in its place in the order.
// A window whose program does not answer: its show queued in its place in
// the order, whether the batch runs or failed. The top window's is left to
// its activation, whose show and raise are queued too.
static void QueueShowInPlace(int group, const ShowPlan &plan, int k, int top)
{
    if (k != top)
        PositionOrQueue(WindowAt(group, plan.slots[k]), ShowBatchFlags, false, QueuedAnchor(group, plan, k, top));
}

static bool ShowInBatch(int group, const ShowPlan &plan, int top)
{
    HDWP batch = plan.answering > 0 ? BeginDeferWindowPos(plan.answering) : nullptr;
    if (plan.answering > 0 && !batch)
        return false;
    for (int k = 0; k < plan.shown; k++) {
        HWND w = WindowAt(group, plan.slots[k]);
        if (!plan.slots[k].answers) {
            QueueShowInPlace(group, plan, k, top);
            continue;
        }
        batch = DeferWindowPos(batch, w, HWND_TOP, 0, 0, 0, 0, ShowBatchFlags);
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
        // The lowest of those not raised yet: next below the last one.
        int next = NotFound;
        for (int i = 0; i < g.count; i++)
            if (g.entries[i].owner == owner && (last == NotFound || RanksBelow(group, last, i)) &&
                (next == NotFound || RanksBelow(group, i, next)))
                next = i;
        if (next == NotFound)
            return;
        last = next;
        HWND w = g.entries[next].window;
        PositionOrQueue(w, ShowBatchFlags, IsAnswering(w));
    }
}

// Late windows seen back while every window above them was still late: each
// waits here for one above it to be in its place. A switch starts it anew.
static const int WaitingLimit = 64;
static struct {
    HWND windows[WaitingLimit];
    int count;
} WaitingForPlace;

static bool IsWaitingForPlace(HWND window)
{
    for (int i = 0; i < WaitingForPlace.count; i++)
        if (WaitingForPlace.windows[i] == window)
            return true;
    return false;
}

void PlaceWaitingWindows(int group)
{
    // From the top down: each one placed is then in place for those below
    // it. One placed again finds no window above it in place and waits on,
    // behind the first `left`, which are the ones not yet tried.
    int top = TopEntry(group);
    for (int left = WaitingForPlace.count; left > 0; left--) {
        int pick = 0, at = FindInGroup(group, WaitingForPlace.windows[0]);
        for (int k = 1; k < left; k++) {
            int i = FindInGroup(group, WaitingForPlace.windows[k]);
            if (at == NotFound || (i != NotFound && StandsBelow(group, top, at, i)))
                pick = k, at = i;
        }
        HWND window = WaitingForPlace.windows[pick];
        for (int k = pick + 1; k < WaitingForPlace.count; k++)
            WaitingForPlace.windows[k - 1] = WaitingForPlace.windows[k];
        WaitingForPlace.count--;
        PlaceLateWindow(group, window);
    }
}

void PlaceLateWindow(int group, HWND window)
{
    ForgetJustSettled(window);
    const Group &g = GroupTable[group];
    int i = FindInGroup(group, window);
    // The user's own activation is not undone.
    if (i == NotFound || IsMinimizedShowCmd(g.entries[i].savedShowCmd) || GetForegroundWindow() == window)
        return;
    // A window still marked, or seen back but not yet placed, is not in its
    // place yet: the late windows end in order whichever is placed first.
    int top = TopEntry(group), anchor = NotFound;
    for (int j = 0; j < g.count; j++)
        if (j != i && !IsMinimizedShowCmd(g.entries[j].savedShowCmd) && StandsBelow(group, top, i, j) &&
            (anchor == NotFound || StandsBelow(group, top, j, anchor)) && IsWindowVisible(g.entries[j].window) &&
            !IsMarked(g.entries[j].window) && !IsJustSettled(g.entries[j].window) &&
            !IsWaitingForPlace(g.entries[j].window))
            anchor = j;
    if (anchor != NotFound)
        PositionOrQueue(window, LatePlaceFlags, IsAnswering(window), g.entries[anchor].window);
    else if (IsWindowVisible(window) && !IsWaitingForPlace(window) && WaitingForPlace.count < WaitingLimit)
        WaitingForPlace.windows[WaitingForPlace.count++] = window;
}

// Shows the top window in its saved state, on top, and activates it. The
// show and the raise are each a round of messages with the window's program,
// and both are skipped when they would change nothing: the batch, which
// hands this window over last, has put it on top already, and a window that
// stands visible in the saved state needs no show to get there.
static void ActivateTopWindow(int group, const GroupEntry &entry, bool onTop)
{
    HWND w = entry.window;
    DWORD style = (DWORD)GetWindowLongA(w, GWL_STYLE);
    if (style == 0 && !IsWindow(w))
        return;
    bool maximized = entry.savedShowCmd == SW_SHOWMAXIMIZED;
    // With calls queued, where they lead counts, not the style: a hide may
    // be waiting, or a show (the single shows after a failed batch) that
    // brings it back in the state it was hidden in, with no second one
    // needed behind it.
    bool shown = HasPendingCalls(w) ? IsPendingShow(w) : (style & WS_VISIBLE) != 0;
    bool inState = shown && !(style & WS_MINIMIZE) && ((style & WS_MAXIMIZE) != 0) == maximized;
    if (!inState || !onTop) {
        bool answers = IsAnswering(w);
        // SW_SHOW activates a window in its normal or snapped state without
        // restoring it, as SW_SHOWNORMAL would; only a window minimised
        // since needs restoring.
        if (!inState)
            ShowOrQueue(w, maximized ? SW_SHOWMAXIMIZED : (style & WS_MINIMIZE) ? SW_SHOWNORMAL : SW_SHOW, answers);
        PositionOrQueue(w, RaiseFlags, answers);
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
    int top = ChooseTopSlot(plan);
    bool batched = plan.shown > 0 && ShowInBatch(group, plan, top);
    // SW_SHOWNA, unlike SW_SHOWNOACTIVATE, keeps a window maximised or
    // snapped as it was; queued, it would bring a hidden window back on top
    // of the one activated.
    for (int k = 0; k < plan.shown && !batched; k++) {
        if (plan.slots[k].answers)
            ShowWindow(WindowAt(group, plan.slots[k]), SW_SHOWNA);
        else
            QueueShowInPlace(group, plan, k, top);
    }
    for (int k = plan.shown; k < plan.count; k++)
        ShowOrQueue(WindowAt(group, plan.slots[k]), SW_SHOWMINNOACTIVE, plan.slots[k].answers);
    if (top != NotFound)
        ActivateTopWindow(group, GroupTable[group].entries[plan.slots[top].position],
                          batched && plan.shown == plan.count && plan.answering == plan.shown);
}

// With no room for a plan: each window shown on its own, in the table's
// order, and the window of the lowest rank activated.
static void ShowUnplanned(int group)
{
    const Group &g = GroupTable[group];
    for (int i = 0; i < g.count; i++) {
        const GroupEntry &e = g.entries[i];
        bool minimized = IsMinimizedShowCmd(e.savedShowCmd);
        ShowOrQueue(e.window, minimized ? SW_SHOWMINNOACTIVE : SW_SHOWNA, IsAnswering(e.window));
    }
    int top = TopEntry(group);
    if (top != NotFound)
        ActivateTopWindow(group, g.entries[top], false);
}

void ShowGroup(int group)
{
    if (!IsGroupIndex(group))
        return;
    DropDestroyedAndFit(group);
    WaitingForPlace.count = 0;
    Group &g = GroupTable[group];
    if (g.count == 0)
        return;
    ShowPlan plan;
    if (PlanShow(group, plan)) {
        ShowPlanned(group, plan);
        HeapFree(GetProcessHeap(), 0, plan.slots);
    } else {
        ShowUnplanned(group);
    }
    // The marker goes once the window is seen on screen. One that did not
    // come back, or whose show is queued behind a hang, keeps it, and with it
    // the way back after a crash, until the maintenance tick sees it back.
    PendingWork.markersAwaitingShow = false;
    for (int i = 0; i < g.count; i++)
        if (!UnmarkIfShown(g.entries[i].window))
            PendingWork.markersAwaitingShow = true;
}
