// The group table: five groups of managed top-level windows and the index
// of the one on screen.
#pragma once

#include "platform/platform.h"

// One managed window.
struct GroupEntry {
    HWND window;          // the managed top-level window
    UINT savedShowCmd;    // showCmd of its placement when last read
    int stackRank;        // lower is nearer the top; compared within a group only
    // For a window that only comes and goes with a window of the group that
    // owns it (a palette, a floating toolbar, a dialog carried with its
    // owner): that owner. Null for a window the group holds in its own
    // right. Such a window is never the one a show activates.
    HWND owner;
};

// One window of a group as the switch plans its hide or its show before
// any call is made: its window and entry, the layer and rank that place it,
// whether its program answers (asked once for the whole show), whether it
// comes back minimised, and for one whose show is queued the window it goes
// below.
struct ShowSlot {
    HWND window;
    int position;
    int layer;
    int stackRank;
    bool answers;
    bool minimized;
    HWND anchor;
};

// One group: a heap block grown geometrically, never shrunk or freed, that
// holds the entries and, behind them, a slot for each, so that a switch
// never needs room it may not get.
struct Group {
    GroupEntry *entries;  // null until the first insertion
    ShowSlot *slots;      // capacity of them, in the same block
    int count;            // entries in use, at the front
    int capacity;         // entries the array can hold
};
const SIZE_T GroupBytesPerEntry = sizeof(GroupEntry) + sizeof(ShowSlot);

const int GroupCount = 5;

extern Group GroupTable[GroupCount];  // groups 1 to 5 to the user
extern int CurrentGroup;              // the group on screen, 0 to 4

const int NotFound = -1;

// An index from outside is tested as an unsigned number.
inline bool IsGroupIndex(int group)
{
    return (UINT)group < (UINT)GroupCount;
}

bool IsMinimizedShowCmd(UINT showCmd);
// Moves an eligible window to the end of `group`. When the group cannot
// grow the window is in no group, unless its way back depends on its entry
// (our marker, or calls still queued): it then stays where it was.
void AddWindowToGroup(int group, HWND window);
// Appends an entry without the eligibility test (a window that is hidden, or
// that travels with its owner); false when no room could be had.
bool AppendEntry(int group, HWND window, UINT showCmd, int stackRank, HWND owner);
void RemoveWindowFromAllGroups(HWND window);
// Position of the first entry of the window in the group, or NotFound.
int FindInGroup(int group, HWND window);
// Whether the entry at `position` travels with its owner: the window that
// owns it is in the same group. One whose owner has left is a window of the
// group in its own right.
bool TravelsWithOwner(int group, int position);
// The first entry of the window in any group, searching 0 to 4, or null.
GroupEntry *FindInAnyGroup(HWND window);
bool GrowGroup(int group);
void RemoveEntryAt(int group, int position);
// The window's show state now, or fallback when it cannot be read.
UINT ReadShowCmd(HWND window, UINT fallback);
// The same show state as ReadShowCmd, from a style already read (one call
// where the placement costs several): minimised, maximised or normal.
UINT ShowCmdOfStyle(DWORD style, UINT fallback);
// Adoption, between switches: an eligible window that no group holds joins
// the current group.
void AdoptUnseenWindow(HWND window);
