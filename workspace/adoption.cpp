// Adoption: windows join a group between switches, by the tick's pass over
// the desktop and by the foreground hook; a hidden, marked window that is
// activated is summoned into the group on screen.
#include "workspace/adoption.h"

#include "workspace/eligibility.h"
#include "workspace/groups.h"
#include "workspace/marker.h"
#include "workspace/nowait.h"
#include "workspace/owned.h"
#include "workspace/pendingwork.h"

// A switch causes a few foreground changes; more than this many while one
// runs are dropped, the oldest kept (adoption still finds their windows).
static const int HeldEventLimit = 16;

// Foreground events that came while a switch ran.
static struct {
    HWND windows[HeldEventLimit];
    int count;
    bool holding;
} HeldEvents;

static BOOL CALLBACK AdoptIfUnseen(HWND window, LPARAM)
{
    // The table is asked first: a window that has a group is passed over
    // without a single call to the window manager, so that a tick or the
    // adoption of a switch costs next to nothing once the desktop is known.
    // The outcome is the same in either order.
    if (!FindInAnyGroup(window) && IsEligibleWindow(window)) {
        AddWindowToGroup(CurrentGroup, window);
        // On screen and still marked: a recovery pass queued its show
        // behind a hang, and it has run since. The marker is stale.
        if (IsMarked(window) && IsAnswering(window))
            UnmarkWindow(window);
    }
    return TRUE;
}

void AdoptUnseenWindow(HWND window)
{
    AdoptIfUnseen(window, 0);
}

void AdoptUnseenWindows()
{
    EnumWindows(AdoptIfUnseen, 0);
}

// What the ranking pass carries from window to window.
struct RankingPass {
    int group;
    int nextRank;
};

static BOOL CALLBACK AdoptAndRank(HWND window, LPARAM value)
{
    RankingPass &pass = *(RankingPass *)value;
    int i = FindInGroup(pass.group, window);
    if (i == NotFound && !FindInAnyGroup(window)) {
        // One read settles the many hidden windows a desktop holds: neither
        // eligible nor a palette on screen.
        DWORD style = (DWORD)GetWindowLongA(window, GWL_STYLE);
        if (!IsShownStyle(style))
            return TRUE;
        AdoptIfUnseen(window, 0);
        i = FindInGroup(pass.group, window);
        if (i == NotFound && !FindInAnyGroup(window) && TakeOwnedWindow(pass.group, window, style, pass.nextRank))
            pass.nextRank++;
    }
    if (i != NotFound)
        GroupTable[pass.group].entries[i].stackRank = pass.nextRank++;
    return TRUE;
}

void AdoptUnseenWindowsRanking(int group)
{
    // EnumWindows hands the top-level windows over in their Z order, topmost
    // first, as a GetTopWindow / GW_HWNDNEXT walk meets them; it works on a
    // snapshot, so windows reordered meanwhile cannot keep it going.
    RankingPass pass = {group, 0};
    EnumWindows(AdoptAndRank, (LPARAM)&pass);
}

void SummonHiddenWindow(HWND window)
{
    if (!IsMarked(window) || IsWindowVisible(window))
        return;
    UINT showCmd = SW_SHOWNORMAL;
    if (GroupEntry *found = FindInAnyGroup(window))
        showCmd = found->savedShowCmd;
    RemoveWindowFromAllGroups(window);
    // Appended without the eligibility test: the window is still hidden.
    if (!AppendEntry(CurrentGroup, window, showCmd, -1, nullptr))
        return;  // stays hidden and marked, recoverable by the marker
    // SW_SHOW, not SW_SHOWNORMAL, which would take a snapped window out of
    // its arrangement.
    int command = IsMinimizedShowCmd(showCmd) ? SW_RESTORE
                  : showCmd == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED
                                                : SW_SHOW;
    // Unmarked once it is back; a show that failed, or is queued behind a
    // hang, leaves it marked in the current group until the tick sees it back.
    bool answering = IsAnswering(window);
    ShowOrQueue(window, command, answering);
    if (!answering || !UnmarkIfShown(window))
        PendingWork.markersAwaitingShow = true;
    // Its palettes come with it; the activation then puts them above it.
    if (SummonOwnedWindows(window))
        PendingWork.markersAwaitingShow = true;
    SetForegroundWindow(window);
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
        if (!IsAnswering(window))
            return;
        if (IsWindowVisible(window)) {
            // On screen again: the marker is stale, and the window now stands
            // unmarked where its group may be hidden.
            UnmarkWindow(window);
            PendingWork.hiddenGroupsToCheck = true;
        } else if (GetForegroundWindow() == window)
            SummonHiddenWindow(window);
        // Otherwise the event is stale: while a switch hides a group, the
        // system hands activation from each hidden window to the next one of
        // the same group, and those windows are meant to stay hidden.
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
