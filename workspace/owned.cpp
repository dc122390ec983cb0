// Windows that come and go with the window that owns them.
#include "workspace/owned.h"

#include "workspace/eligibility.h"
#include "workspace/groups.h"

// Ownership chains are short (a dialog of a palette of a main window); a
// longer one is not followed further, so a loop cannot hold up a switch.
static const int OwnerChainLimit = 8;

// The window of `group` that owns `window` directly or through other owned
// windows; null when none does. An owner no group holds yet (one that came
// with its palettes since the last tick) is adopted on the way, since the
// pass meets the palettes above it before it meets the owner.
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

bool TakeOwnedWindow(int group, HWND window, int stackRank)
{
    // A window its program hid (or cloaked) stays as it is. Topmost owned
    // windows are tooltips, menus and drop-down lists, which their programs
    // close by themselves: shown again later, they would stand there stale.
    DWORD style = (DWORD)GetWindowLongA(window, GWL_STYLE);
    if (!IsShownStyle(style))
        return false;
    if ((DWORD)GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST)
        return false;
    HWND owner = GroupOwnerOf(group, window);
    if (!owner || IsCloakedWindow(window))
        return false;
    return AppendEntry(group, window, ShowCmdOfStyle(style, SW_SHOWNORMAL), stackRank, owner);
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

void CarryOwnedWindows(HWND carried, int target, int rank)
{
    for (int group = 0; group < GroupCount; group++) {
        Group &g = GroupTable[group];
        for (int i = 0; i < g.count; i++) {
            GroupEntry &e = g.entries[i];
            if (e.window == carried || !IsOwnedBy(e.window, carried))
                continue;
            // An owned window the group held in its own right (a Find
            // dialog) now travels with the window carried, which is the
            // one the show activates.
            if (group == target) {
                e.stackRank = rank--;
                e.owner = carried;
                continue;
            }
            // Added before it is removed: with no room in the target, it
            // stays where it was rather than in no group at all.
            if (!AppendEntry(target, e.window, e.savedShowCmd, rank, carried))
                continue;
            rank--;
            RemoveEntryAt(group, i--);  // the last entry moved here: look again
        }
    }
}
