// The group table: insertion, removal and look-up by handle. Every look-up
// is a linear scan; the groups are small and a switch touches each entry
// anyway.
#include "workspace/groups.h"

#include "workspace/eligibility.h"
#include "workspace/marker.h"
#include "workspace/nowait.h"
#include "workspace/pendingwork.h"

Group GroupTable[GroupCount];
int CurrentGroup;

static const int FirstCapacity = 32;

bool IsMinimizedShowCmd(UINT showCmd)
{
    return showCmd == SW_SHOWMINIMIZED || showCmd == SW_MINIMIZE || showCmd == SW_SHOWMINNOACTIVE ||
           showCmd == SW_FORCEMINIMIZE;
}

UINT ReadShowCmd(HWND window, UINT fallback)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement))
        return fallback;
    return placement.showCmd;
}

UINT ShowCmdOfStyle(DWORD style, UINT fallback)
{
    // The placement's showCmd is exactly this mapping of the two style bits.
    if (style == 0)
        return fallback;  // gone, or nothing to read
    if (style & WS_MINIMIZE)
        return SW_SHOWMINIMIZED;
    return (style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
}

bool GrowGroup(int group)
{
    Group &g = GroupTable[group];
    // Refuse a capacity whose doubling or byte size would overflow: the
    // group then stays as it is and the insertion is given up.
    if (g.capacity > 0x7FFFFFFF / 2)
        return false;
    int capacity = g.capacity == 0 ? FirstCapacity : g.capacity * 2;
    if ((SIZE_T)capacity > (SIZE_T)-1 / GroupBytesPerEntry)
        return false;
    SIZE_T bytes = (SIZE_T)capacity * GroupBytesPerEntry;
    void *entries = g.entries ? HeapReAlloc(GetProcessHeap(), 0, g.entries, bytes)
                              : HeapAlloc(GetProcessHeap(), 0, bytes);
    if (!entries)
        return false;
    g.entries = (GroupEntry *)entries;
    g.slots = (ShowSlot *)(g.entries + capacity);
    g.capacity = capacity;
    return true;
}

void RemoveEntryAt(int group, int position)
{
    Group &g = GroupTable[group];
    g.entries[position] = g.entries[g.count - 1];
    g.count--;
}

void RemoveWindowFromAllGroups(HWND window)
{
    for (int group = 0; group < GroupCount; group++) {
        Group &g = GroupTable[group];
        for (int i = 0; i < g.count;) {
            if (g.entries[i].window == window)
                RemoveEntryAt(group, i);  // the last entry moved here: look again
            else
                i++;
        }
    }
}

bool AppendEntry(int group, HWND window, UINT showCmd, int stackRank, HWND owner)
{
    Group &g = GroupTable[group];
    if (g.count == g.capacity && !GrowGroup(group))
        return false;
    g.entries[g.count++] = GroupEntry{window, showCmd, stackRank, owner};
    // A window that joins the group on screen may still carry a marker (one
    // its own program showed while its group was hidden): the next tick looks.
    if (group == CurrentGroup)
        NotePending(MarkersAwaitingShow);
    return true;
}

void AddWindowToGroup(int group, HWND window)
{
    if (!IsGroupIndex(group))
        return;
    if (!IsEligibleWindow(window))
        return;
    int from = NotFound;
    GroupEntry kept = {};
    for (int g = 0; g < GroupCount && from == NotFound; g++) {
        int i = FindInGroup(g, window);
        if (i != NotFound)
            from = g, kept = GroupTable[g].entries[i];
    }
    RemoveWindowFromAllGroups(window);
    if (AppendEntry(group, window, ReadShowCmd(window, SW_SHOWNORMAL), GroupTable[group].count, nullptr))
        return;
    // No room: the window is in no group, and shows up again at the next
    // adoption pass. Not so one whose hide still waits in its program's
    // queue, or that carries our marker: only its entry brings it back, and
    // the slot it has just left takes it again without growing.
    if (from != NotFound && (HasQueuedCalls(window) || IsMarked(window)))
        AppendEntry(from, kept.window, kept.savedShowCmd, kept.stackRank, kept.owner);
}

int FindInGroup(int group, HWND window)
{
    if (!IsGroupIndex(group))
        return NotFound;
    const Group &g = GroupTable[group];
    for (int i = 0; i < g.count; i++)
        if (g.entries[i].window == window)
            return i;
    return NotFound;
}

bool TravelsWithOwner(int group, int position)
{
    HWND owner = GroupTable[group].entries[position].owner;
    return owner && FindInGroup(group, owner) != NotFound;
}

GroupEntry *FindInAnyGroup(HWND window)
{
    for (int group = 0; group < GroupCount; group++) {
        int i = FindInGroup(group, window);
        if (i != NotFound)
            return &GroupTable[group].entries[i];
    }
    return nullptr;
}

// Adoption: windows join the group on screen between switches.
static BOOL CALLBACK AdoptIfUnseen(HWND window, LPARAM)
{
    // The table is asked first: a window that has a group is passed over
    // without a single call to the window manager, so that a tick or the
    // adoption of a switch costs next to nothing once the desktop is known.
    // The outcome is the same in either order.
    if (!FindInAnyGroup(window) && IsEligibleWindow(window)) {
        AddWindowToGroup(CurrentGroup, window);
        // On screen and still marked: a recovery pass queued its show
        // behind a hang, which leaves it on screen whatever runs, or it has
        // run since. A marked window with nothing of ours queued whose
        // program does not answer may still have a hide queued by a copy
        // that is gone: it keeps the marker.
        if (IsMarked(window) && (HasQueuedCalls(window) || CallsRunAtOnce(window)))
            ReleaseMarkerIfBack(window);
    }
    return TRUE;
}

void AdoptUnseenWindow(HWND window)
{
    AdoptIfUnseen(window, 0);
}
