// The foreground hook, and the summon of a hidden window that is activated.
#include "workspace/foreground.h"

#include "workspace/eligibility.h"
#include "workspace/groups.h"
#include "workspace/marker.h"
#include "workspace/nowait.h"
#include "workspace/owned.h"
#include "workspace/maintenance.h"

// A switch causes a few; more are dropped, the oldest kept (adoption still
// finds their windows).
static const int HeldEventLimit = 16;

static struct {
    HWND windows[HeldEventLimit];
    int count;
    bool holding;
} HeldEvents;

// Brings a hidden, marked window into the group on screen with the windows
// that travel with it, and leaves `active` active: the window, or a box of
// it that was activated, which stays on top. False when the window is not
// hidden by us, or finds no room: it then stays hidden and marked in its
// group, which brings it back, and the next activation tries again.
static bool Summon(HWND window, HWND active)
{
    if (!IsMarked(window) || IsWindowVisible(window))
        return false;
    UINT showCmd = SW_SHOWNORMAL;
    if (GroupEntry *found = FindInAnyGroup(window))
        showCmd = found->savedShowCmd;
    if (!MoveToGroup(CurrentGroup, window, showCmd, -1, nullptr))
        return false;
    // SW_SHOW, not SW_SHOWNORMAL, which would unsnap a snapped window.
    // Behind its box, it is shown as it was hidden, without activation.
    bool minimized = IsMinimizedShowCmd(showCmd);
    // The activations the shows cause, handled while they wait for other
    // programs, would meet a table half moved.
    HoldForegroundEvents();
    int command = window != active ? (minimized ? SW_SHOWMINNOACTIVE : SW_SHOWNA)
                  : minimized      ? SW_RESTORE
                  : showCmd == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED
                                                : SW_SHOW;
    // A show that failed or was queued leaves it marked, for the tick to see
    // back. The activation puts its palettes above it.
    ShowAndRelease(window, command);
    SummonOwnedWindows(window);
    SetForegroundWindow(active);
    if (active != window)
        PositionNoWait(active, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    HandleHeldForegroundEvents();
    return true;
}

void SummonHiddenWindow(HWND window)
{
    Summon(window, window);
}

static void HandleForegroundChange(HWND window)
{
    if (IsMarked(window)) {
        // Whatever we asked of a window whose program does not answer is
        // still queued; its marker and group stay as they are.
        if (!CallsRunAtOnce(window))
            return;
        if (IsWindowVisible(window)) {
            // On screen again: the marker is stale, and the window stands
            // unmarked where its group may be hidden.
            UnmarkWindow(window);
            NotePending(HiddenGroupsToCheck);
        } else if (GetForegroundWindow() == window)
            SummonHiddenWindow(window);
        // Otherwise the event is stale: hiding a group hands the activation
        // from window to window of it, which stay hidden.
    } else if (GetForegroundWindow() == window) {
        // A box of a window of a hidden group: its owner comes too, so that
        // the user never meets the one without the other.
        HWND owner = HiddenOwnerOf(window);
        if (owner && Summon(owner, window))
            return;
    }
    if (!IsEligibleWindow(window))
        return;
    int i = FindInGroup(CurrentGroup, window);
    if (i == NotFound)
        AddWindowToGroup(CurrentGroup, window);
    // A show of ours still queued decides the state the window comes back
    // in: read now, the state would be the one that show replaces.
    else if (!HasQueuedCalls(window))
        GroupTable[CurrentGroup].entries[i].savedShowCmd =
            ReadShowCmd(window, GroupTable[CurrentGroup].entries[i].savedShowCmd);
}

void HoldForegroundEvents()
{
    HeldEvents.holding = true;
}

void HandleHeldForegroundEvents()
{
    HeldEvents.holding = false;
    // Handling one may cause more, which are then handled at once.
    int count = HeldEvents.count;
    HeldEvents.count = 0;
    HWND windows[HeldEventLimit];
    for (int i = 0; i < count; i++)
        windows[i] = HeldEvents.windows[i];
    // A window with a group that has lost the activation since held it only
    // while the switch went through: it keeps its group.
    HWND now = GetForegroundWindow();
    for (int i = 0; i < count; i++)
        if (windows[i] == now || !FindInAnyGroup(windows[i]))
            HandleForegroundChange(windows[i]);
}

void CALLBACK ForegroundEventProc(HWINEVENTHOOK, DWORD event, HWND window, LONG, LONG, DWORD, DWORD)
{
    if (event != EVENT_SYSTEM_FOREGROUND)
        return;
    if (HeldEvents.holding) {
        if (HeldEvents.count < HeldEventLimit)
            HeldEvents.windows[HeldEvents.count++] = window;
        return;
    }
    HandleForegroundChange(window);
}
