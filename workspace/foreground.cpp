// The foreground hook, with the events held while a switch runs, and the
// summon of a hidden window that is activated.
#include "workspace/foreground.h"

#include "workspace/eligibility.h"
#include "workspace/groups.h"
#include "workspace/marker.h"
#include "workspace/nowait.h"
#include "workspace/owned.h"
#include "workspace/maintenance.h"

// A switch causes a few foreground changes; more than this many while one
// runs are dropped, the oldest kept (adoption still finds their windows).
static const int HeldEventLimit = 16;

// Foreground events that came while a switch ran.
static struct {
    HWND windows[HeldEventLimit];
    int count;
    bool holding;
} HeldEvents;

// Brings a hidden, marked window into the group on screen with the windows
// that travel with it, and leaves `active` active: the window itself, or a
// box of it that the user or its program activated, which then stays on top.
// False when the window is not hidden by us, or finds no room.
static bool Summon(HWND window, HWND active)
{
    if (!IsMarked(window) || IsWindowVisible(window))
        return false;
    UINT showCmd = SW_SHOWNORMAL;
    if (GroupEntry *found = FindInAnyGroup(window))
        showCmd = found->savedShowCmd;
    RemoveWindowFromAllGroups(window);
    // Appended without the eligibility test: the window is still hidden.
    if (!AppendEntry(CurrentGroup, window, showCmd, -1, nullptr))
        return false;  // stays hidden and marked, recoverable by the marker
    // SW_SHOW, not SW_SHOWNORMAL, which would take a snapped window out of
    // its arrangement. Behind its box, it is shown as it was hidden, without
    // taking the activation from the box.
    bool minimized = IsMinimizedShowCmd(showCmd);
    // The shows below wait for other programs, and the activations they
    // cause would be handled meanwhile against a table half moved.
    HoldForegroundEvents();
    int command = window != active ? (minimized ? SW_SHOWMINNOACTIVE : SW_SHOWNA)
                  : minimized      ? SW_RESTORE
                  : showCmd == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED
                                                : SW_SHOW;
    // Unmarked once it is back; a show that failed, or is queued behind a
    // hang, leaves it marked in the current group until the tick sees it
    // back (joining the group on screen, it is looked at). Its palettes come
    // with it; the activation then puts them above it.
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

static void HandleForegroundChange(HWND window);

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
    // A window that has a group and has lost the activation since held it
    // only for a moment while the switch hid its group or showed the next:
    // it keeps its group. New windows are filed under the group shown.
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

static void HandleForegroundChange(HWND window)
{
    if (IsMarked(window)) {
        // Whatever we asked of a window whose program does not answer is
        // still queued; its marker and group stay as they are.
        if (!CallsRunAtOnce(window))
            return;
        if (IsWindowVisible(window)) {
            // On screen again: the marker is stale, and the window now stands
            // unmarked where its group may be hidden.
            UnmarkWindow(window);
            NotePending(HiddenGroupsToCheck);
        } else if (GetForegroundWindow() == window)
            SummonHiddenWindow(window);
        // Otherwise the event is stale: while a switch hides a group, the
        // system hands activation from each hidden window to the next one of
        // the same group, and those windows are meant to stay hidden.
    } else if (GetForegroundWindow() == window) {
        // A box of a window of a hidden group, activated by the user or by
        // its program: its owner comes into the group on screen, so that the
        // user never meets the one without the other.
        HWND owner = HiddenOwnerOf(window);
        if (owner && Summon(owner, window))
            return;
    }
    if (!IsEligibleWindow(window))
        return;
    int i = FindInGroup(CurrentGroup, window);
    if (i == NotFound) {
        AddWindowToGroup(CurrentGroup, window);
        return;
    }
    UINT showCmd = ReadShowCmd(window, GroupTable[CurrentGroup].entries[i].savedShowCmd);
    // Looked up again: nothing may have moved, but nothing is assumed.
    i = FindInGroup(CurrentGroup, window);
    if (i != NotFound)
        GroupTable[CurrentGroup].entries[i].savedShowCmd = showCmd;
}
