// The group switch. Hiding marks each window first, so that a crash between
// the hide and the next show never loses a window: the watcher or the next
// start finds it by the marker.
#include "workspace/switching.h"

#include <stdlib.h>
#include <string.h>

#include "tray/notifyicon.h"
#include "workspace/eligibility.h"
#include "workspace/groups.h"
#include "workspace/marker.h"
#include "workspace/monitorfit.h"
#include "workspace/nowait.h"

// Flags of the batch that shows a group: show and raise each window without
// activating, moving or sizing it.
static const UINT ShowBatchFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER;
// Flags that raise the top window; activation is wanted here.
static const UINT RaiseFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOOWNERZORDER;

static bool IsGroupIndex(int group)
{
    return (UINT)group < (UINT)GroupCount;
}

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
    // One whose program does not answer is marked all the same, since its
    // hide runs only when its program answers again; a window that cannot be
    // marked stays. One still marked from before (its show still queued)
    // has its way back whatever a new SetPropA says.
    if (!IsAnswering(window)) {
        if (IsMarked(window) || MarkWindow(window))
            ShowOrQueue(window, SW_HIDE, false);
        return true;
    }
    // A window that could not be marked stays on screen, in its group. One
    // that is gone fails the visibility test inside, and its hide does nothing.
    if (!MarkBeforeHide(window, style))
        return true;
    // SW_HIDE answers whether the window was visible before, so a window it
    // hid needs no further look. A refused hide answers 0: a window still on
    // screen then must not keep a marker that claims a hide that did not
    // happen.
    if (!ShowWindow(window, SW_HIDE))
        UnmarkIfShown(window);
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
    int x = ((const GroupEntry *)a)->stackRank, y = ((const GroupEntry *)b)->stackRank;
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
    // its program.
    HWND active = GetForegroundWindow();
    Group &g = GroupTable[group];
    bool activeInGroup = active && FindInGroup(group, active) != NotFound;
    int count = g.count;
    GroupEntry *order = (GroupEntry *)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)count * sizeof(GroupEntry) + 1);
    if (order) {
        memcpy(order, g.entries, (SIZE_T)count * sizeof(GroupEntry));
        qsort(order, count, sizeof(GroupEntry), CompareRanksDescending);
        for (int k = 0; k < count; k++)
            if (order[k].window != active)
                HideAndMarkWindow(group, order[k].window);
        HeapFree(GetProcessHeap(), 0, order);
    } else {
        // No room for the order: in the table's order.
        for (int i = 0; i < g.count;) {
            if (g.entries[i].window != active && !HideAndMarkOne(g.entries[i])) {
                RemoveEntryAt(group, i);  // the entry that was last now stands here
                continue;
            }
            i++;
        }
    }
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
    PurgeUnmarkedHidden();
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
    HiddenGroupsToCheck = true;
    HandleHeldForegroundEvents();
    RequestTrayUpdate();
}

// Brings each window onto a monitor and drops the entries of windows that
// are gone, whose deferral would fail the whole batch: one read of where a
// window stands answers both.
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
    SwitchToGroup(target);
    return true;
}

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

// Whether each window of the group shown answers, asked once for the whole
// show: the batch, the single shows and the minimised ones all need it.
struct Answers {
    bool *of;   // by position in the group; null when no room could be had
    int count;  // positions it covers
};

static bool AnswersAt(const Answers &answers, int group, int position)
{
    if (answers.of && position < answers.count)
        return answers.of[position];
    return IsAnswering(GroupTable[group].entries[position].window);
}

// One window of the batch: its rank and position, so that the batch can
// hand the windows over from the bottom of the captured stacking up.
struct BatchSlot {
    int stackRank;
    int position;
};

// Highest rank first; among equal ranks the later entry first, so that the
// earlier one, which wins the choice of the top window, ends above it.
static int CompareSlots(const void *a, const void *b)
{
    const BatchSlot &x = *(const BatchSlot *)a;
    const BatchSlot &y = *(const BatchSlot *)b;
    if (x.stackRank != y.stackRank)
        return x.stackRank > y.stackRank ? -1 : 1;
    return x.position > y.position ? -1 : x.position < y.position ? 1 : 0;
}

// Each deferral puts its window at the top, so handing the windows over
// from the bottom of the captured stacking up restores that stacking. When
// no room can be had for the order, they go in array order.
static BatchSlot *BottomUpOrder(int group, int count)
{
    BatchSlot *order = (BatchSlot *)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)count * sizeof(BatchSlot));
    if (!order)
        return nullptr;
    const Group &g = GroupTable[group];
    int n = 0;
    for (int i = 0; i < g.count && n < count; i++)
        if (!IsMinimizedShowCmd(g.entries[i].savedShowCmd))
            order[n++] = BatchSlot{g.entries[i].stackRank, i};
    qsort(order, n, sizeof(BatchSlot), CompareSlots);
    return order;
}

// Where a queued show of the window at `k` of the bottom-up order goes:
// right below the window above it in the captured stacking. It runs when its
// program answers, perhaps long after the top window was activated, and on
// top it would cover that one. Below the nearest window that answers, two
// queued windows of different programs would end in the order their programs
// answer; below the one right above, each lands under a window that is in
// its place already or, still hidden, stands where its group was hidden, in
// the order captured, and moves up later past it. The top window goes last,
// raised by its activation.
static HWND QueuedAnchor(int group, const BatchSlot *order, int k, int count)
{
    if (k + 1 == count)
        return HWND_TOP;
    return GroupTable[group].entries[order[k + 1].position].window;
}

// The entry to activate: the lowest stackRank among the non-minimised
// entries, the earliest in array order among equals.
static int ChooseTopEntry(int group)
{
    const Group &g = GroupTable[group];
    int top = NotFound;
    for (int i = 0; i < g.count; i++) {
        if (IsMinimizedShowCmd(g.entries[i].savedShowCmd))
            continue;
        if (top == NotFound || g.entries[i].stackRank < g.entries[top].stackRank)
            top = i;
    }
    return top;
}

// Shows the `count` non-minimised windows, those that answer in one batch
// of `answering`; false if the batch failed, at a deferral or at its end,
// and the windows must be shown singly. A window whose program does not
// answer would hold up the whole batch: its show is queued instead, in its
// place in the order; the top window's, at `top`, is left to its
// activation, whose show and raise are queued too, so that no second show
// waits behind this one.
static bool ShowInBatch(int group, int count, int answering, const Answers &answers, int top)
{
    HDWP batch = answering > 0 ? BeginDeferWindowPos(answering) : nullptr;
    if (answering > 0 && !batch)
        return false;
    BatchSlot *order = BottomUpOrder(group, count);
    Group &g = GroupTable[group];
    int deferred = 0;
    for (int i = 0; i < g.count && deferred < count; i++) {
        int position = i;
        if (order)
            position = order[i].position;
        else if (IsMinimizedShowCmd(g.entries[i].savedShowCmd))
            continue;
        deferred++;
        HWND w = g.entries[position].window;
        if (!batch || !AnswersAt(answers, group, position)) {
            if (position == top)
                continue;
            PositionOrQueue(w, ShowBatchFlags, false, order ? QueuedAnchor(group, order, i, count) : HWND_TOP);
            continue;
        }
        batch = DeferWindowPos(batch, w, HWND_TOP, 0, 0, 0, 0, ShowBatchFlags);
        if (!batch)
            break;  // the batch is gone; EndDeferWindowPos must not see it
    }
    if (order)
        HeapFree(GetProcessHeap(), 0, order);
    if (answering == 0)
        return true;
    if (!batch)
        return false;
    return EndDeferWindowPos(batch) != FALSE;
}

// Shows the top window in its saved state, on top, and activates it. The
// show and the raise are each a round of messages with the window's program,
// and both are skipped when they would change nothing: the batch, which
// hands this window over last, has put it on top already, and a window that
// stands visible in the saved state needs no show to get there.
static void ActivateTopWindow(const GroupEntry &entry, bool onTop)
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
}

void ShowGroup(int group)
{
    if (!IsGroupIndex(group))
        return;
    DropDestroyedAndFit(group);
    Group &g = GroupTable[group];
    if (g.count == 0)
        return;

    Answers answers = {(bool *)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)g.count * sizeof(bool)), g.count};
    for (int i = 0; answers.of && i < g.count; i++)
        answers.of[i] = IsAnswering(g.entries[i].window);
    int shown = 0, answering = 0;
    for (int i = 0; i < g.count; i++)
        if (!IsMinimizedShowCmd(g.entries[i].savedShowCmd)) {
            shown++;
            answering += AnswersAt(answers, group, i) ? 1 : 0;
        }
    int minimized = g.count - shown;
    int top = ChooseTopEntry(group);
    bool batched = shown > 0 && ShowInBatch(group, shown, answering, answers, top);
    // SW_SHOWNA, unlike SW_SHOWNOACTIVATE, keeps a window maximised or
    // snapped as it was.
    // A top window that does not answer is left to its activation here too.
    if (shown > 0 && !batched) {
        for (int i = 0; i < g.count; i++)
            if (!IsMinimizedShowCmd(g.entries[i].savedShowCmd) && (i != top || AnswersAt(answers, group, i)))
                ShowOrQueue(g.entries[i].window, SW_SHOWNA, AnswersAt(answers, group, i));
    }
    for (int i = 0; i < g.count; i++)
        if (IsMinimizedShowCmd(g.entries[i].savedShowCmd))
            ShowOrQueue(g.entries[i].window, SW_SHOWMINNOACTIVE, AnswersAt(answers, group, i));
    if (answers.of)
        HeapFree(GetProcessHeap(), 0, answers.of);

    if (top != NotFound)
        ActivateTopWindow(g.entries[top], batched && minimized == 0 && answering == shown);
    // The marker goes once the window is seen on screen. One that did not
    // come back, or whose show is queued behind a hang, keeps it, and with it
    // the way back after a crash, until the maintenance tick sees it back.
    MarkersAwaitingShow = false;
    for (int i = 0; i < g.count; i++)
        if (!UnmarkIfShown(g.entries[i].window))
            MarkersAwaitingShow = true;
}
