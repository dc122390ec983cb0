// The recovery pass over windows of another process, in both builds.
#include <gtest/gtest.h>

#include "tests/desk.h"
#include "tests/wincheck.h"
#include "workspace/marker.h"
#include "workspace/nowait.h"
#include "workspace/recovery.h"

namespace {

class Recovery : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(desk::Start()); }
    void TearDown() override { desk::Stop(); }
    HWND App(const char *title, int showCmd = SW_SHOWNORMAL)
    {
        return desk::Make("PlinthTestApp", title, WS_OVERLAPPEDWINDOW, 0, showCmd);
    }
};

// Marked hidden windows come back without activation and lose the marker,
// each in the state and the stacking it was hidden in; marked visible ones
// only lose the marker; unmarked hidden ones stay hidden.
TEST_F(Recovery, RestoresExactlyTheMarkedHiddenWindows)
{
    HWND normal = App("Marked normal"), maxed = App("Marked maximised", SW_SHOWMAXIMIZED),
         mini = App("Marked minimised"), shown = App("Marked but shown"), plain = App("Hidden unmarked"),
         active = App("Active");
    HWND palette = desk::Make("PlinthTestApp", "Palette", WS_POPUP | WS_CAPTION, WS_EX_TOOLWINDOW, SW_SHOWNA, normal);
    desk::Show(mini, SW_MINIMIZE);
    desk::Activate(active);
    for (HWND w : {palette, normal, maxed, mini, shown}) {
        ASSERT_TRUE(SetPropA(w, HiddenMarkerName, (HANDLE)1));
        if (w != shown)
            ShowWindow(w, SW_HIDE);
    }
    ShowWindow(plain, SW_HIDE);
    desk::Pump(50);

    RestoreMarkedWindows();
    desk::Pump(50);

    EXPECT_WINDOW(normal, true, SW_SHOWNORMAL);
    EXPECT_WINDOW(maxed, true, SW_SHOWMAXIMIZED);
    EXPECT_WINDOW(mini, true, SW_SHOWMINIMIZED);
    EXPECT_WINDOW(shown, true, SW_SHOWNORMAL);
    EXPECT_WINDOW(plain, false, SW_SHOWNORMAL);
    for (HWND w : {palette, normal, maxed, mini, shown})
        EXPECT_PROP(w, HiddenMarkerName, false);
    // Shown from the bottom up, a palette comes back above its owner.
    EXPECT_STACKING(palette, normal);
    EXPECT_EQ(GetForegroundWindow(), active);

    // A second pass finds nothing to do.
    RestoreMarkedWindows();
    EXPECT_WINDOW(plain, false, SW_SHOWNORMAL);
}

// The watcher's pass during a hang brings back every window whose program
// answers at once, queues the show of the hung one and leaves its marker;
// a pass after the hang finds it back and takes the marker off.
TEST_F(Recovery, HungWindowComesBackWhenItAnswers)
{
    HWND hung = App("Hung");
    desk::Pump(50);
    ASSERT_TRUE(SetPropA(hung, HiddenMarkerName, (HANDLE)1));
    ShowWindow(hung, SW_HIDE);
    desk::Hang(1500);
    EXPECT_EQ(RestoreMarkedWindows(), 1);
    EXPECT_WINDOW(hung, false, SW_SHOWNORMAL);
    EXPECT_PROP(hung, HiddenMarkerName, true);
    EXPECT_TRUE(desk::WaitUntil([&] { return IsWindowVisible(hung) != FALSE; }));
    EXPECT_WINDOW(hung, true, SW_SHOWNORMAL);
    EXPECT_EQ(RestoreMarkedWindows(), 0);
    EXPECT_PROP(hung, HiddenMarkerName, false);
}

// A copy killed while a window's program hung may have left a hide in that
// program's queue: the window stands on screen, marked. The pass queues its
// show behind that hide all the same; the show, not the marker, is then its
// way back, so the marker goes at once and nothing is left to revisit.
TEST_F(Recovery, ShowQueuedBehindAHideLeftByACopyThatIsGone)
{
    HWND w = App("Hide left behind");
    desk::Pump(50);
    ASSERT_TRUE(SetPropA(w, HiddenMarkerName, (HANDLE)1));
    desk::Hang(1500);
    ShowWindowAsync(w, SW_HIDE);
    EXPECT_EQ(RestoreMarkedWindows(), 0);
    EXPECT_EQ(RevisitQueuedRestores(), 0);
    EXPECT_TRUE(desk::WaitUntil([&] { return IsWindowVisible(w) != FALSE; }, 10000));
    EXPECT_WINDOW(w, true, SW_SHOWNORMAL);
    EXPECT_PROP(w, HiddenMarkerName, false);
}

} // namespace
