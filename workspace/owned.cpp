// Windows that come and go with the window that owns them.
#include "workspace/owned.h"

#include "workspace/eligibility.h"
#include "workspace/groups.h"
#include "workspace/marker.h"
#include "workspace/nowait.h"
#include "workspace/maintenance.h"

// Chains are short (a dialog of a palette of a main window); a loop must not
// hold up a switch.
static const int OwnerChainLimit = 8;

// The window of `group` that owns `window`, directly or through other owned
// windows, or null. An owner no group holds yet (new since the last tick) is
// adopted on the way: the pass meets its palettes before it.
static HWND GroupOwnerOf(int group, HWND window)
{
    HWND owner = GetWindow(window, GW_OWNER);
    for (int depth = 0; owner && depth < OwnerChainLimit; depth++) {
        if (!FindInAnyGroup(owner))
            AdoptUnseenWindow(owner);
        if (FindInGroup(group, owner) != NotFound)
            return owner;
        owner = GetWindow(owner, GW_OWNER);
    }
    return nullptr;
}

// Topmost owned windows are tooltips, menus and drop-down lists, which their
// programs close by themselves: shown again later, they would stand stale.
static bool MayTravelWithOwner(HWND window, DWORD style)
{
    return IsShownStyle(style) && !((DWORD)GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

static bool TakeOwnedWindow(int group, HWND window, DWORD style, int stackRank)
{
    if (!MayTravelWithOwner(window, style))
        return false;
    HWND owner = GroupOwnerOf(group, window);
    if (!owner || IsCloakedWindow(window))
        return false;
    return AppendEntry(group, window, ShowCmdOfStyle(style, SW_SHOWNORMAL), stackRank, owner);
}

bool TakeIntoHiddenOwnersGroup(HWND window)
{
    HWND owner = GetWindow(window, GW_OWNER);
    int group = NotFound, i;
    for (int depth = 0; owner && depth < OwnerChainLimit; depth++, owner = GetWindow(owner, GW_OWNER))
        if ((group = GroupOf(owner, &i)) != NotFound)
            break;
    // An owner left on screen (one its program or the system kept from us)
    // is where the user is: its box is any other window.
    if (group == NotFound || group == CurrentGroup || IsWindowVisible(owner))
        return false;
    DWORD style = (DWORD)GetWindowLongA(window, GWL_STYLE);
    if (!MayTravelWithOwner(window, style) || IsCloakedWindow(window))
        return false;
    // Right above its owner in the group's stacking.
    if (!AppendEntry(group, window, ShowCmdOfStyle(style, SW_SHOWNORMAL), GroupTable[group].entries[i].stackRank - 1,
                     owner))
        return false;
    // On screen unmarked in a hidden group: its program may yet hide it.
    NotePending(HiddenGroupsToCheck);
    return true;
}

HWND HiddenOwnerOf(HWND window)
{
    if (int i, group = GroupOf(window, &i); group != NotFound)
        return group != CurrentGroup && TravelsWithOwner(group, i) ? GroupTable[group].entries[i].owner : nullptr;
    return TakeIntoHiddenOwnersGroup(window) ? FindInAnyGroup(window)->owner : nullptr;
}

// Whether `carried` owns `window`, directly or through other owned windows.
static bool IsOwnedBy(HWND window, HWND carried)
{
    HWND owner = GetWindow(window, GW_OWNER);
    for (int depth = 0; owner && depth < OwnerChainLimit; depth++) {
        if (owner == carried)
            return true;
        owner = GetWindow(owner, GW_OWNER);
    }
    return false;
}

// Moves the entry of a window that `carried` owns into `target`, to travel
// with it from now on, even one the group held in its own right (a Find
// dialog): the carried window is the one the show activates.
static void CarryOwnedWindow(HWND window, HWND carried, int target, int &rank)
{
    // One its program hid is not ours to show: the purge drops it.
    if (!IsShownStyle((DWORD)GetWindowLongA(window, GWL_STYLE)) && !IsMarked(window))
        return;
    int i, group = GroupOf(window, &i);
    if (group == NotFound)
        return;
    GroupEntry e = GroupTable[group].entries[i];
    if (group == target)
        GroupTable[group].entries[i] = GroupEntry{window, e.savedShowCmd, rank--, carried, e.thread};
    else if (MoveToGroup(target, window, e.savedShowCmd, rank, carried))
        rank--;
}

// Owned windows stand right above their owner, nearest first.
static const int OwnedWalkLimit = 64;

void CarryOwnedWindows(HWND carried, int target, int rank)
{
    HWND w = carried;
    for (int steps = 0; steps < OwnedWalkLimit && (w = GetWindow(w, GW_HWNDPREV)) != nullptr; steps++)
        if (IsOwnedBy(w, carried))
            CarryOwnedWindow(w, carried, target, rank);
    // Any left elsewhere (hidden in another group) follow, above those;
    // backwards, since a removal moves the last entry, already seen, here.
    for (int group = 0; group < GroupCount; group++) {
        for (int i = GroupTable[group].count - 1; i >= 0; i--) {
            const GroupEntry &e = GroupTable[group].entries[i];
            if (e.window != carried && !(group == target && e.owner == carried) && IsOwnedBy(e.window, carried))
                CarryOwnedWindow(e.window, carried, target, rank);
        }
    }
}

void SummonOwnedWindows(HWND summoned)
{
    // From the bottom of their stacking up: each show puts its window on top.
    for (;;) {
        int from = NotFound, at = NotFound;
        for (int group = 0; group < GroupCount; group++)
            for (int i = 0; group != CurrentGroup && i < GroupTable[group].count; i++)
                if (GroupTable[group].entries[i].owner == summoned &&
                    (at == NotFound || GroupTable[group].entries[i].stackRank > GroupTable[from].entries[at].stackRank)) {
                    from = group;
                    at = i;
                }
        if (at == NotFound)
            return;
        GroupEntry e = GroupTable[from].entries[at];
        // One destroyed while hidden is dropped, not brought along.
        if (!IsWindow(e.window)) {
            RemoveEntryAt(from, at);
            continue;
        }
        // No room: it stays hidden and marked in its group.
        if (!MoveToGroup(CurrentGroup, e.window, e.savedShowCmd, -2, summoned))
            return;
        ShowAndRelease(e.window, SW_SHOWNA);
    }
}

// The adoption pass; with a group, the ranking pass too.
struct RankingPass {
    int group;  // NotFound for the tick's pass
    int nextRank;
};

static BOOL CALLBACK AdoptAndRank(HWND window, LPARAM value)
{
    RankingPass &pass = *(RankingPass *)value;
    int i = FindInGroup(pass.group, window);
    if (i == NotFound && !FindInAnyGroup(window) && !IsRuledOutByClass(window)) {
        // The table first, then one read that settles the many hidden
        // windows a desktop holds: neither eligible nor a palette on screen.
        DWORD style = (DWORD)GetWindowLongA(window, GWL_STYLE);
        if (!IsShownStyle(style))
            return TRUE;
        if (!TakeIntoHiddenOwnersGroup(window))
            AdoptUnseenWindow(window);
        i = FindInGroup(pass.group, window);
        if (i == NotFound && IsGroupIndex(pass.group) && !FindInAnyGroup(window) &&
            TakeOwnedWindow(pass.group, window, style, pass.nextRank))
            pass.nextRank++;
    }
    if (i != NotFound)
        GroupTable[pass.group].entries[i].stackRank = pass.nextRank++;
    return TRUE;
}

// EnumWindows hands the windows over in their Z order, topmost first, from a
// snapshot: windows reordered meanwhile cannot keep it going.
void AdoptUnseenWindowsRanking(int group)
{
    RankingPass pass = {group, 0};
    BeginClassPass();
    // A pass that failed part way remembers only what it listed.
    EnumWindows(AdoptAndRank, (LPARAM)&pass);
    EndClassPass();
}

void AdoptUnseenWindows()
{
    AdoptUnseenWindowsRanking(NotFound);
}
