// The group switch. Hiding marks each window first, so that a crash between
// the hide and the next show never loses a window: the watcher or the next
// start finds it by the marker.
#include "workspace/switching.h"

#include <stdlib.h>

#include "tray/notifyicon.h"
#include "workspace/eligibility.h"
#include "workspace/groups.h"
#include "workspace/marker.h"
#include "workspace/nowait.h"

// Flags of the batch that shows a group: show and raise each window without
// activating, moving or sizing it.
static const UINT ShowBatchFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER;
// Flags that raise the top window; activation is wanted here.
static const UINT RaiseFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOOWNERZORDER;
// Bound of the Z-order walk, so that other programs reordering windows while
// we walk can never keep it going forever.
static const int MaxZOrderSteps = 100000;

static bool IsGroupIndex(INT group)
{
    return (UINT)group < (UINT)GroupCount;
}

static void CaptureShowStates(INT group)
{
    Group &g = GroupTable[group];
    for (int i = 0; i < g.count; i++) {
        HWND w = g.entries[i].window;
        if (!IsWindow(w))
            continue;
        UINT showCmd = ReadShowCmd(w, g.entries[i].savedShowCmd);
        if (i < g.count && g.entries[i].window == w)
            g.entries[i].savedShowCmd = showCmd;
    }
}

static void CaptureStacking(INT group)
{
    INT rank = 0;
    HWND w = GetTopWindow(nullptr);
    for (int steps = 0; w && steps < MaxZOrderSteps; steps++) {
        int i = FindInGroup(group, w);
        if (i != NotFound)
            GroupTable[group].entries[i].stackRank = rank++;
        w = GetWindow(w, GW_HWNDNEXT);
    }
}

static void HideAndMarkOne(HWND window)
{
    if (!IsWindow(window))
        return;
    // A window already hidden by its own program gets no marker: it is not
    // ours to bring back, and the next purge drops it. One whose program
    // does not answer may be hidden by the system behind its stand-in; it is
    // marked, since its hide runs only when its program answers again.
    bool answering = IsAnswering(window);
    if (IsWindowVisible(window) || !answering)
        SetPropA(window, HiddenMarkerName, (HANDLE)1);
    ShowOrQueue(window, SW_HIDE, answering);
}

static void HideAndMark(INT group)
{
    // The window in use goes last. Hiding the active window hands activation
    // to the next one below it; while the rest of the group is still on
    // screen, activation would hop through every window of the group, each
    // hop a round of messages to its program.
    HWND active = GetForegroundWindow();
    bool activeInGroup = false;
    Group &g = GroupTable[group];
    for (int i = 0; i < g.count; i++) {
        HWND w = g.entries[i].window;
        if (w == active && active)
            activeInGroup = true;
        else
            HideAndMarkOne(w);
    }
    if (activeInGroup)
        HideAndMarkOne(active);
}

void SwitchToGroup(INT target)
{
    if (!IsGroupIndex(target) || target == CurrentGroup)
        return;
    // Foreground events reach us while a call waits for another program's
    // thread; handled then, they would move windows between groups while
    // the switch walks them. They are handled once it is done, against the
    // group then on screen.
    HoldForegroundEvents();
    AdoptUnseenWindows();
    INT leaving = CurrentGroup;
    CaptureShowStates(leaving);
    CaptureStacking(leaving);
    HideAndMark(leaving);
    // Set before showing: the foreground changes the show causes are then
    // handled against the group being shown.
    CurrentGroup = target;
    ShowGroup(target);
    HandleHeldForegroundEvents();
    UpdateTrayIcon();
}

static void DropDestroyed(INT group)
{
    Group &g = GroupTable[group];
    for (int i = 0; i < g.count;) {
        if (!IsWindow(g.entries[i].window))
            RemoveEntryAt(group, i);
        else
            i++;
    }
}

// One window of the batch: its rank and position, so that the batch can
// hand the windows over from the bottom of the captured stacking up.
struct BatchSlot {
    INT stackRank;
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
static BatchSlot *BottomUpOrder(INT group, int count)
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

// Shows the `count` non-minimised windows, those that answer in one batch
// of `answering`; false if the batch failed and nothing of it took effect.
// A window whose program does not answer would hold up the whole batch: its
// show is queued instead, in its place in the order.
static bool ShowInBatch(INT group, int count, int answering)
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
        if (!batch || !IsAnswering(w)) {
            PositionOrQueue(w, ShowBatchFlags, false);
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
    EndDeferWindowPos(batch);
    return true;
}

// The entry to activate: the lowest stackRank among the non-minimised
// entries, the earliest in array order among equals.
static int ChooseTopEntry(INT group)
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

void ShowGroup(INT group)
{
    if (!IsGroupIndex(group))
        return;
    DropDestroyed(group);
    Group &g = GroupTable[group];
    if (g.count == 0)
        return;

    int shown = 0, answering = 0;
    for (int i = 0; i < g.count; i++)
        if (!IsMinimizedShowCmd(g.entries[i].savedShowCmd)) {
            shown++;
            answering += IsAnswering(g.entries[i].window) ? 1 : 0;
        }
    if (shown > 0 && !ShowInBatch(group, shown, answering)) {
        for (int i = 0; i < g.count; i++)
            if (!IsMinimizedShowCmd(g.entries[i].savedShowCmd))
                ShowOrQueue(g.entries[i].window, SW_SHOWNOACTIVATE, IsAnswering(g.entries[i].window));
    }
    for (int i = 0; i < g.count; i++)
        if (IsMinimizedShowCmd(g.entries[i].savedShowCmd))
            ShowOrQueue(g.entries[i].window, SW_SHOWMINNOACTIVE, IsAnswering(g.entries[i].window));

    int top = ChooseTopEntry(group);
    if (top != NotFound) {
        HWND w = g.entries[top].window;
        if (IsWindow(w)) {
            bool answers = IsAnswering(w);
            ShowOrQueue(w, g.entries[top].savedShowCmd == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL,
                        answers);
            PositionOrQueue(w, RaiseFlags, answers);
            SetForegroundWindow(w);  // never waits
        }
    }
    // The marker goes once the window is seen on screen; one whose show is
    // queued behind a hang keeps it until the maintenance tick sees it back.
    for (int i = 0; i < g.count; i++)
        if (IsWindowVisible(g.entries[i].window))
            RemovePropA(g.entries[i].window, HiddenMarkerName);
}

void RemoveMarkersOfShownWindows()
{
    if (!CallsQueued())
        return;
    bool waiting = false;
    const Group &g = GroupTable[CurrentGroup];
    for (int i = 0; i < g.count; i++) {
        HWND w = g.entries[i].window;
        if (!GetPropA(w, HiddenMarkerName))
            continue;
        if (IsWindowVisible(w))
            RemovePropA(w, HiddenMarkerName);
        else
            waiting = true;
    }
    if (!waiting)
        ForgetQueuedCalls();
}
