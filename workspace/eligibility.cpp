// Eligibility, adoption, the foreground hook, the summon and the purge.
#include "workspace/eligibility.h"

#include <string.h>

#include "workspace/groups.h"
#include "workspace/marker.h"
#include "workspace/nowait.h"
#include "workspace/owned.h"
#include "workspace/showing.h"

static const int TextBufferSize = 256;
// A switch causes a few foreground changes; more than this many while one
// runs are dropped, the oldest kept (adoption still finds their windows).
static const int HeldEventLimit = 16;

// Foreground events that came while a switch ran.
static struct {
    HWND windows[HeldEventLimit];
    int count;
    bool holding;
} HeldEvents;

// Shell windows that look like application windows but must never be hidden,
// and the stand-in the system shows in place of a window whose program has
// stopped answering (it goes when that program answers again).
static const char *const ExcludedClasses[] = {"Progman", "WorkerW", "Shell_TrayWnd", "Ghost"};

bool IsEligibleWindow(HWND window)
{
    // One read answers whether the window exists and is visible: only
    // top-level windows are asked about, and their parent, the desktop, is
    // always visible. A minimised window keeps its visible style and passes.
    DWORD style = (DWORD)GetWindowLongA(window, GWL_STYLE);
    if (!IsShownStyle(style))
        return false;
    DWORD exStyle = (DWORD)GetWindowLongA(window, GWL_EXSTYLE);
    if (exStyle & WS_EX_TOOLWINDOW)
        return false;
    if (!(style & WS_OVERLAPPEDWINDOW))
        return false;
    char text[TextBufferSize];
    if (GetWindowTextA(window, text, TextBufferSize) == 0)
        return false;
    // A class name that cannot be read compares as empty: only what was
    // returned is read.
    char className[TextBufferSize];
    int length = GetClassNameA(window, className, TextBufferSize);
    if (length <= 0)
        className[0] = 0;
    for (const char *excluded : ExcludedClasses)
        if (strcmp(className, excluded) == 0)
            return false;
    // Last, so that only windows that pass everything else pay for the call.
    return !IsCloakedWindow(window);
}

// What the window manager says of the window's cloak; 0 where it cannot
// say (Wine answers E_NOTIMPL), so that the window is judged by the other
// tests.
static DWORD CloakOf(HWND window)
{
    DWORD cloaked = 0;
    if (FAILED(DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof cloaked)))
        return 0;
    return cloaked;
}

bool IsCloakedWindow(HWND window)
{
    return CloakOf(window) != 0;
}

bool IsCloakedByItsProgram(HWND window)
{
    DWORD cloaked = CloakOf(window);
    return (cloaked & DWM_CLOAKED_APP) && !(cloaked & DWM_CLOAKED_SHELL);
}

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
        MarkersAwaitingShow = true;
    // Its palettes come with it; the activation then puts them above it.
    if (SummonOwnedWindows(window))
        MarkersAwaitingShow = true;
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
            HiddenGroupsToCheck = true;
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

bool HiddenGroupsToCheck;

bool IsDroppedFromGroup(HWND window, DWORD style)
{
    // A window its program cloaked instead of hiding it is gone as if its
    // program had hidden it; one the shell cloaked (another of the system's
    // virtual desktops, a suspended Store app) keeps its group. One whose
    // program does not answer may be hidden by the system behind its
    // stand-in: it is kept. The tests go from the cheapest answer that
    // settles it: a window on screen, as nearly every one is, costs the read
    // of its style the caller made. A style of 0 is a window that is gone, or
    // a read that failed: neither drops an entry.
    return style != 0 && (!IsShownStyle(style) || IsCloakedByItsProgram(window)) &&
           !IsMarked(window) && !IsHungAppWindow(window);
}

// Drops the entries of one group that the purge drops; true when a window
// stays on screen there without our marker, which its program may yet hide.
static bool PurgeGroup(int group)
{
    bool unmarkedOnScreen = false;
    Group &g = GroupTable[group];
    for (int i = 0; i < g.count;) {
        HWND w = g.entries[i].window;
        DWORD style = (DWORD)GetWindowLongA(w, GWL_STYLE);
        if (IsDroppedFromGroup(w, style)) {
            RemoveEntryAt(group, i);
            continue;
        }
        if (IsShownStyle(style) && !IsMarked(w))
            unmarkedOnScreen = true;
        i++;
    }
    return unmarkedOnScreen;
}

// The group on screen is not polled: a window its program hid (or the window
// manager cloaked) is dropped when the table next acts on it, by the switch
// that leaves its group or by the exit release, with the outcome a poll
// would have had and no call while nothing happens. In the hidden groups,
// only a window that stayed on screen without our marker can still be
// hidden by its program; they are looked at after a switch and for as long
// as such a window remains.
void PurgeUnmarkedHidden()
{
    if (!HiddenGroupsToCheck)
        return;
    bool again = false;
    for (int group = 0; group < GroupCount; group++)
        if (group != CurrentGroup && PurgeGroup(group))
            again = true;
    HiddenGroupsToCheck = again;
}

void PurgeAllUnmarkedHidden()
{
    for (int group = 0; group < GroupCount; group++)
        PurgeGroup(group);
}

// The group on screen carries no marker. A window whose show had not yet
// landed, or had failed, when its group was shown keeps its marker until it
// is seen on screen here.
void UnmarkShownCurrentGroup()
{
    // Nothing left behind and nothing queued: no call at all.
    bool settled = AnyPendingCalls() && SettlePendingCalls();
    if (!MarkersAwaitingShow && !settled)
        return;
    bool left = false;
    const Group &g = GroupTable[CurrentGroup];
    for (int i = 0; i < g.count; i++) {
        HWND w = g.entries[i].window;
        // Back late: unmarked now, or never marked (left on screen while
        // its group was hidden) with its queued show seen to have run.
        if (!IsMarked(w)) {
            if (IsJustSettled(w) && IsWindowVisible(w))
                PlaceLateWindow(CurrentGroup, w);
        } else if (UnmarkIfShown(w)) {
            PlaceLateWindow(CurrentGroup, w);
        } else {
            left = true;
        }
    }
    PlaceWaitingWindows(CurrentGroup);
    MarkersAwaitingShow = left;
}
