// Shared set-up of the engine's sim tests: named windows of another
// program, and a direct hand on the group table.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "sim/sim.h"
#include "tests/wincheck.h"
#include "workspace/foreground.h"
#include "workspace/owned.h"
#include "workspace/eligibility.h"
#include "workspace/groups.h"
#include "workspace/maintenance.h"
#include "workspace/marker.h"
#include "workspace/nowait.h"
#include "workspace/recovery.h"
#include "workspace/showing.h"
#include "workspace/switching.h"

inline bool operator==(const RECT &a, const RECT &b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline std::ostream &operator<<(std::ostream &out, const RECT &r)
{
    return out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

// A titled, framed window of another program, named in the call log.
inline HWND App(const std::string &name, int showCmd = SW_SHOWNORMAL)
{
    HWND w = sim::MakeWindow("TestApp", name.c_str(), WS_OVERLAPPEDWINDOW, 0, showCmd);
    sim::Name(w, name);
    return w;
}

// A window of a program of its own, which can then hang alone.
inline HWND AppOfItsOwn(const char *name)
{
    HWND w = sim::MakeWindow("TestApp", name, WS_OVERLAPPEDWINDOW, 0, SW_SHOWNORMAL,
                             sim::StartForeignProcess("busy.exe"));
    sim::Name(w, name);
    return w;
}

// A palette: a tool window owned by `owner`, on screen.
inline HWND Palette(const std::string &name, HWND owner)
{
    HWND w = sim::MakeWindow("Palette", name.c_str(), WS_POPUP | WS_CAPTION, WS_EX_TOOLWINDOW, SW_SHOWNA, 0, owner);
    sim::Name(w, name);
    return w;
}

// Appends an entry as the table would hold it, bypassing eligibility.
inline void PutEntry(INT group, HWND window, UINT showCmd, INT rank, HWND owner = nullptr)
{
    Group &g = GroupTable[group];
    if (g.count == g.capacity)
        ASSERT_TRUE(GrowGroup(group));
    g.entries[g.count++] = GroupEntry{window, showCmd, rank, owner};
}

// The windows of a group in array order.
inline std::vector<HWND> Members(INT group)
{
    std::vector<HWND> out;
    for (int i = 0; i < GroupTable[group].count; i++)
        out.push_back(GroupTable[group].entries[i].window);
    return out;
}

inline const GroupEntry &EntryOf(INT group, HWND window)
{
    int i = FindInGroup(group, window);
    EXPECT_NE(i, NotFound);
    static GroupEntry none = {};
    return i == NotFound ? none : GroupTable[group].entries[i];
}

// Hidden by a switch: invisible and marked.
inline void CheckHiddenByUs(const char *file, int line, HWND window)
{
    if (sim::Visible(window) || !sim::HasProp(window, HiddenMarkerName))
        ADD_FAILURE_AT(file, line) << sim::NameOf(window) << " should be hidden and marked; visible "
                                   << sim::Visible(window) << ", marked " << sim::HasProp(window, HiddenMarkerName);
}
#define EXPECT_HIDDEN_BY_US(w) CheckHiddenByUs(__FILE__, __LINE__, (w))

// On screen, unmarked, in the given show state.
inline void CheckOnScreen(const char *file, int line, HWND window, UINT showCmd)
{
    if (!sim::Visible(window) || sim::HasProp(window, HiddenMarkerName) || sim::ShowState(window) != showCmd)
        ADD_FAILURE_AT(file, line) << sim::NameOf(window) << " should be on screen, unmarked, showCmd " << showCmd
                                   << "; visible " << sim::Visible(window) << ", marked "
                                   << sim::HasProp(window, HiddenMarkerName) << ", showCmd "
                                   << sim::ShowState(window);
}
#define EXPECT_ON_SCREEN(w, showCmd) CheckOnScreen(__FILE__, __LINE__, (w), (showCmd))
