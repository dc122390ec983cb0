// The group table: five groups of managed top-level windows and the index
// of the one on screen.
#pragma once

#include "platform/platform.h"

struct GroupEntry {
    HWND window;
    UINT savedShowCmd;  // showCmd of its placement when last read
    int stackRank;      // lower is nearer the top; compared within a group only
    // The window of the group it comes and goes with (a palette, a dialog
    // carried with its owner), never activated by a show; null for a window
    // the group holds in its own right.
    HWND owner;
    // Its program's thread, read once when it joined (0 when unknown): a
    // switch asks a thread once, not each of its windows which it is.
    DWORD thread;
};

// One window as the switch plans its hide or its show before any call.
struct ShowSlot {
    HWND window;
    int position;  // its entry
    int layer;
    int stackRank;
    bool answers;  // its program, asked once for the whole show
    bool minimized;
    HWND anchor;  // for a queued show, the window it goes below
};

// A heap block grown geometrically, never shrunk or freed, with a slot for
// each entry behind the entries: a switch never needs room it may not get.
struct Group {
    GroupEntry *entries;  // null until the first insertion
    ShowSlot *slots;
    int count;
    int capacity;
};
const SIZE_T GroupBytesPerEntry = sizeof(GroupEntry) + sizeof(ShowSlot);

const int GroupCount = 5;

extern Group GroupTable[GroupCount];  // groups 1 to 5 to the user
extern int CurrentGroup;              // the group on screen, 0 to 4

const int NotFound = -1;

inline bool IsGroupIndex(int group)
{
    return (UINT)group < (UINT)GroupCount;
}

bool IsMinimizedShowCmd(UINT showCmd);
// Moves an eligible window to the end of `group`. When the group cannot
// grow the window is in no group, unless its way back is its entry (our
// marker, or calls still queued): it then stays where it was.
void AddWindowToGroup(int group, HWND window);
// Without the eligibility test (a hidden window, one that travels with its
// owner); false when no room could be had.
bool AppendEntry(int group, HWND window, UINT showCmd, int stackRank, HWND owner);
// Moves the window's entry into `group` with these fields, or adds one; with
// no room there, false, and the window keeps the group it had.
bool MoveToGroup(int group, HWND window, UINT showCmd, int stackRank, HWND owner);
void RemoveWindowFromAllGroups(HWND window);
int FindInGroup(int group, HWND window);
// Whether the entry's owner is in the same group; one whose owner has left
// is a window of the group in its own right.
bool TravelsWithOwner(int group, int position);
// The group of the window's first entry, searching 0 to 4, and the entry's
// position there; NotFound when no group holds it.
int GroupOf(HWND window, int *position);
GroupEntry *FindInAnyGroup(HWND window);
bool GrowGroup(int group);
void RemoveEntryAt(int group, int position);
// The window's show state, or fallback when it cannot be read; from its
// placement, or from a style already read (one call where the placement
// costs several).
UINT ReadShowCmd(HWND window, UINT fallback);
UINT ShowCmdOfStyle(DWORD style, UINT fallback);
// An eligible window that no group holds joins the current group.
void AdoptUnseenWindow(HWND window);
