// Real group switches under Wine over windows of another process
// (pwhelper.exe): the group left is hidden and marked, the group shown comes
// back in its saved show states with its top window raised and activated,
// and the marker brings back what a process left hidden. Wine never hands
// out-of-context foreground events to the hook, so the test calls the engine
// as the hotkeys and the timer would, and no event is delivered.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "tests/desk.h"
#include "tests/wincheck.h"
#include "workspace/foreground.h"
#include "workspace/owned.h"
#include "workspace/groups.h"
#include "workspace/marker.h"
#include "workspace/nowait.h"
#include "workspace/recovery.h"
#include "workspace/switching.h"

namespace {

const char AppClass[] = "PlinthEngineApp";
const DWORD Settle = 100;  // ms for the helper to carry out what it was sent

// The first of the windows met in a walk from the top of the Z order.
HWND TopmostOf(const std::vector<HWND> &windows)
{
    for (HWND w : ZOrderWalk())
        for (HWND x : windows)
            if (w == x)
                return w;
    return nullptr;
}

class EngineWine : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(desk::Start()); }

    // Every window the table holds is shown and unmarked again, as the
    // shutdown does, and the table is emptied: the cases share one process.
    void TearDown() override
    {
        for (int g = 0; g < GroupCount; g++) {
            for (int i = 0; i < GroupTable[g].count; i++) {
                HWND w = GroupTable[g].entries[i].window;
                if (!IsWindow(w))
                    continue;
                RemovePropA(w, HiddenMarkerName);
                ShowWindow(w, IsMinimizedShowCmd(GroupTable[g].entries[i].savedShowCmd) ? SW_SHOWMINNOACTIVE
                                                                                          : SW_SHOW);
            }
            GroupTable[g].count = 0;
        }
        CurrentGroup = 0;
        RestoreMarkedWindows();
        desk::Stop();
    }

    HWND App(const char *title, int showCmd = SW_SHOWNORMAL)
    {
        HWND w = desk::Make(AppClass, title, WS_OVERLAPPEDWINDOW, 0, showCmd);
        EXPECT_NE(w, nullptr) << "the helper made no window " << title;
        return w;
    }

    // The user clicks the windows in this order: the last ends on top.
    void ClickInOrder(std::initializer_list<HWND> windows)
    {
        for (HWND w : windows) {
            desk::Activate(w);
            desk::Pump(Settle);
        }
    }

    void Switch(INT group)
    {
        SwitchToGroup(group);
        desk::Pump(Settle);
    }
};

// Group 1 holds a normal, a maximised and a minimised window. Leaving it
// hides and marks all three without touching their show states; a window
// that appears meanwhile goes with the group it appeared in; coming back
// shows each as it was and activates the one that was on top.
TEST_F(EngineWine, SwitchHidesAndMarksThenRestoresShowStatesAndActivation)
{
    HWND normal = App("Normal");
    HWND maximised = App("Maximised", SW_SHOWMAXIMIZED);
    HWND minimised = App("Minimised");
    desk::Show(minimised, SW_MINIMIZE);
    ClickInOrder({maximised, normal});
    AdoptUnseenWindows();
    ASSERT_TRUE(desk::WaitUntil([&] { return GetForegroundWindow() == normal; }));

    Switch(1);
    EXPECT_EQ(CurrentGroup, 1);
    EXPECT_WINDOW(normal, false, SW_SHOWNORMAL);
    EXPECT_WINDOW(maximised, false, SW_SHOWMAXIMIZED);
    EXPECT_WINDOW(minimised, false, SW_SHOWMINIMIZED);
    for (HWND w : {normal, maximised, minimised})
        EXPECT_PROP(w, HiddenMarkerName, true);

    HWND newcomer = App("Newcomer");
    Switch(0);
    EXPECT_WINDOW(newcomer, false, SW_SHOWNORMAL);
    EXPECT_PROP(newcomer, HiddenMarkerName, true);
    EXPECT_NE(FindInGroup(1, newcomer), NotFound);

    EXPECT_WINDOW(normal, true, SW_SHOWNORMAL);
    EXPECT_WINDOW(maximised, true, SW_SHOWMAXIMIZED);
    EXPECT_WINDOW(minimised, true, SW_SHOWMINIMIZED);
    for (HWND w : {normal, maximised, minimised})
        EXPECT_PROP(w, HiddenMarkerName, false);
    EXPECT_TRUE(desk::WaitUntil([&] { return GetForegroundWindow() == normal; }));
    EXPECT_EQ(TopmostOf({normal, maximised, minimised, newcomer}), normal);
}

// The group comes back stacked as it stood when it was left, whatever order
// its windows joined it in: the top window on top and active, maximised if
// it was, and each of the others in its place below it.
TEST_F(EngineWine, StackingComesBackAsCapturedWithTheTopWindowActive)
{
    HWND a = App("A"), b = App("B"), c = App("C", SW_SHOWMAXIMIZED);
    ClickInOrder({c, b, a});  // from the top: A, B, C
    AdoptUnseenWindows();     // the table holds A, B, C in that order
    ClickInOrder({b, a, c});  // from the top: C, A, B when the group is left
    EXPECT_STACKING(c, a, b);

    Switch(2);
    HWND other = App("Other group");
    ClickInOrder({other});
    Switch(0);

    EXPECT_STACKING(c, a, b);
    EXPECT_TRUE(desk::WaitUntil([&] { return GetForegroundWindow() == c; }));
    EXPECT_WINDOW(c, true, SW_SHOWMAXIMIZED);
    for (HWND w : {a, b})
        EXPECT_WINDOW(w, true, SW_SHOWNORMAL);
    EXPECT_WINDOW(other, false, SW_SHOWNORMAL);
}

// A group whose windows were all minimised comes back minimised, and none
// of it is activated.
TEST_F(EngineWine, AllMinimisedGroupComesBackWithoutActivation)
{
    HWND m1 = App("Minimised 1"), m2 = App("Minimised 2");
    for (HWND w : {m1, m2})
        desk::Show(w, SW_MINIMIZE);
    desk::Pump(Settle);
    AdoptUnseenWindows();
    Switch(3);
    HWND outsider = App("Outsider");  // leaves with the group on screen
    ClickInOrder({outsider});
    Switch(0);

    EXPECT_WINDOW(outsider, false, SW_SHOWNORMAL);
    EXPECT_WINDOW(m1, true, SW_SHOWMINIMIZED);
    EXPECT_WINDOW(m2, true, SW_SHOWMINIMIZED);
    HWND foreground = GetForegroundWindow();
    EXPECT_NE(foreground, m1);
    EXPECT_NE(foreground, m2);
}

// A window closed while its group was hidden is dropped when the group is
// shown, and the rest of the group comes back all the same.
TEST_F(EngineWine, WindowClosedWhileHiddenIsDroppedOnReturn)
{
    HWND stays = App("Stays"), closes = App("Closes");
    ClickInOrder({stays, closes});
    AdoptUnseenWindows();
    Switch(1);
    desk::Destroy(closes);
    Switch(0);

    EXPECT_EQ(FindInGroup(0, closes), NotFound);
    EXPECT_WINDOW(stays, true, SW_SHOWNORMAL);
    EXPECT_TRUE(desk::WaitUntil([&] { return GetForegroundWindow() == stays; }));
}

// What a process leaves hidden carries the marker, which another pass (the
// watcher's, or the next start's) reads across processes to show it again.
TEST_F(EngineWine, MarkerBringsBackWhatWasLeftHidden)
{
    HWND a = App("A"), b = App("B", SW_SHOWMAXIMIZED);
    AdoptUnseenWindows();
    Switch(1);
    ASSERT_FALSE(IsWindowVisible(a));
    ASSERT_FALSE(IsWindowVisible(b));
    // The program died here; its table is gone.
    for (int g = 0; g < GroupCount; g++)
        GroupTable[g].count = 0;

    // As the watcher does: a window whose program did not answer the probe
    // at once (a loaded machine) has its show queued and keeps its marker
    // until a later pass sees it shown.
    RestoreMarkedWindows();
    for (int waited = 0; waited < 5000 && (IsMarked(a) || IsMarked(b)); waited += 25) {
        desk::Pump(25);
        RevisitQueuedRestores();
    }
    desk::Pump(Settle);
    EXPECT_WINDOW(a, true, SW_SHOWNORMAL);
    EXPECT_TRUE(IsWindowVisible(b));
    for (HWND w : {a, b})
        EXPECT_PROP(w, HiddenMarkerName, false);
}


// A window of a hidden group left where no monitor is (moved beyond the
// desktop while hidden, as a monitor unplugged would leave it) comes back
// onto the nearest work area at its size; one on the desktop stays put.
// Wine refuses SetWindowPlacement on another process's windows, so the
// maximised case is shown in the sim only.
TEST_F(EngineWine, WindowLeftWhereNoMonitorIsComesBackOnTheDesktop)
{
    HWND away = App("Left off the desktop"), home = App("On the desktop");
    AdoptUnseenWindows();
    Switch(1);
    RECT size, homeBefore;
    GetWindowRect(away, &size);
    GetWindowRect(home, &homeBefore);
    SetWindowPos(away, nullptr, 3000, 200, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
    desk::Pump(Settle);
    ASSERT_EQ(MonitorFromWindow(away, MONITOR_DEFAULTTONULL), nullptr);

    Switch(0);
    EXPECT_WINDOW(away, true, SW_SHOWNORMAL);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromWindow(away, MONITOR_DEFAULTTONULL), &monitor));
    RECT now, homeNow;
    GetWindowRect(away, &now);
    GetWindowRect(home, &homeNow);
    EXPECT_EQ(now.right, monitor.rcWork.right);
    EXPECT_EQ(now.top, 200);
    EXPECT_EQ(now.right - now.left, size.right - size.left);
    EXPECT_EQ(now.bottom - now.top, size.bottom - size.top);
    EXPECT_TRUE(EqualRect(&homeNow, &homeBefore));
}

}  // namespace
