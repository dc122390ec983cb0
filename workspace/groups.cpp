// The group table. Every look-up is a linear scan: the groups are small and
// a switch touches each entry anyway.
#include "workspace/groups.h"

#include "workspace/eligibility.h"
#include "workspace/marker.h"
#include "workspace/nowait.h"
#include "workspace/maintenance.h"

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
    return GetWindowPlacement(window, &placement) ? placement.showCmd : fallback;
}

UINT ShowCmdOfStyle(DWORD style, UINT fallback)
{
    // The placement's showCmd is this mapping of the two style bits; 0 is a
    // window gone, or nothing to read.
    return style == 0                ? fallback
           : (style & WS_MINIMIZE) ? SW_SHOWMINIMIZED
           : (style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED
                                   : SW_SHOWNORMAL;
}

bool GrowGroup(int group)
{
    Group &g = GroupTable[group];
    // No capacity whose doubling or byte size would overflow.
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
    // Backwards: a removal moves the last entry, already seen, here.
    for (int group = 0; group < GroupCount; group++)
        for (int i = GroupTable[group].count - 1; i >= 0; i--)
            if (GroupTable[group].entries[i].window == window)
                RemoveEntryAt(group, i);
}

bool AppendEntry(int group, HWND window, UINT showCmd, int stackRank, HWND owner)
{
    Group &g = GroupTable[group];
    if (g.count == g.capacity && !GrowGroup(group))
        return false;
    g.entries[g.count++] = GroupEntry{window, showCmd, stackRank, owner, GetWindowThreadProcessId(window, nullptr)};
    // A window that joins the group on screen may still carry a marker (one
    // its own program showed while its group was hidden): the next tick looks.
    if (group == CurrentGroup)
        NotePending(MarkersAwaitingShow);
    return true;
}

bool MoveToGroup(int group, HWND window, UINT showCmd, int stackRank, HWND owner)
{
    // Added before it is removed: with no room, it stays where it was.
    // Within its own group, its slot is the room.
    int i, from = GroupOf(window, &i);
    if (from == group)
        RemoveEntryAt(group, i);
    if (!AppendEntry(group, window, showCmd, stackRank, owner))
        return false;
    if (from != NotFound && from != group)
        RemoveEntryAt(from, i);
    return true;
}

void AddWindowToGroup(int group, HWND window)
{
    if (!IsGroupIndex(group))
        return;
    if (!IsEligibleWindow(window))
        return;
    // Its rank is the position it takes, at the end.
    int i, from = GroupOf(window, &i), end = GroupTable[group].count - (from == group ? 1 : 0);
    if (MoveToGroup(group, window, ReadShowCmd(window, SW_SHOWNORMAL), end, nullptr))
        return;
    // No room: the adoption pass finds it again, unless it is marked or its
    // hide still waits, and only its entry brings it back: it keeps that.
    if (from != NotFound && !HasQueuedCalls(window) && !IsMarked(window))
        RemoveEntryAt(from, i);
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

int GroupOf(HWND window, int *position)
{
    for (int group = 0; group < GroupCount; group++)
        if ((*position = FindInGroup(group, window)) != NotFound)
            return group;
    return NotFound;
}

GroupEntry *FindInAnyGroup(HWND window)
{
    int i, group = GroupOf(window, &i);
    return group == NotFound ? nullptr : &GroupTable[group].entries[i];
}

void AdoptUnseenWindow(HWND window)
{
    // The table first: a window that has a group costs no call at all.
    if (FindInAnyGroup(window) || !IsEligibleWindow(window))
        return;
    AddWindowToGroup(CurrentGroup, window);
    // On screen and still marked: a show of ours queued behind a hang leaves
    // it there, or has run. With nothing of ours queued, one whose program
    // does not answer may have a hide queued by a copy that is gone: it keeps
    // the marker.
    if (IsMarked(window) && (HasQueuedCalls(window) || CallsRunAtOnce(window)))
        ReleaseMarkerIfBack(window);
}
