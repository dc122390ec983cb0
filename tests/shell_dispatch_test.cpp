// MainWindow's message table, carrying, the tray menu, the About command and
// the shutdown, with the program running on the simulated desktop.
#include "logintask/taskclient.h"
#include "tests/shell_fixture.h"

namespace {

class Running : public ::testing::Test {
protected:
    void SetUp() override { sim::MakeTaskbar(); }

    // Runs the program through the steps queued so far, then Exit.
    void RunToExit()
    {
        ChooseExit();
        EXPECT_EQ(RunProgram(""), 0);
    }
};

TEST_F(Running, SwitchHotkeysHideAndBringBack)
{
    HWND a = App("A"), b = App("B", SW_SHOWMAXIMIZED), m = App("M", SW_SHOWMINNOACTIVE);
    Step([&] { sim::Activate(a); });
    Step([] { sim::PressKey(MOD_ALT, '2'); });
    Step([] { sim::AdvanceTime(TrayUpdateDelay); });  // the icon follows once the thread is idle
    Step([&] {
        for (HWND w : {a, b, m})
            EXPECT_HIDDEN_BY_US(w);
        EXPECT_EQ(TrayTip(), "Plinthwise Group: 2");
        sim::PressKey(MOD_ALT, '1');
    });
    Step([&] {
        EXPECT_ON_SCREEN(a, SW_SHOWNORMAL);
        EXPECT_ON_SCREEN(b, SW_SHOWMAXIMIZED);
        EXPECT_ON_SCREEN(m, SW_SHOWMINIMIZED);
        EXPECT_EQ(sim::Foreground(), a);
        EXPECT_STACKING(a, b);
        // AltGr+digit and ALT+6 are not ours.
        sim::PressKey(MOD_ALT | MOD_CONTROL, '2');
        sim::PressKey(MOD_ALT, '6');
    });
    Step([&] { EXPECT_EQ(CurrentGroup, 0); });
    RunToExit();
}

// The fifth group is reached like the others, by both hotkeys.
TEST_F(Running, GroupFiveAnswersBothHotkeys)
{
    HWND a = App("A"), b = App("B");
    Step([] { sim::PressKey(MOD_ALT, '5'); });
    Step([] { sim::AdvanceTime(TrayUpdateDelay); });
    Step([&] {
        EXPECT_EQ(CurrentGroup, 4);
        EXPECT_EQ(TrayTip(), "Plinthwise Group: 5");
        EXPECT_HIDDEN_BY_US(a);
        sim::PressKey(MOD_ALT, '1');
    });
    Step([&] {
        sim::Activate(b);
        sim::PressKey(MOD_ALT | MOD_SHIFT, '5');
    });
    Step([&] {
        EXPECT_EQ(CurrentGroup, 4);
        EXPECT_EQ(Members(4), (std::vector<HWND>{b}));
        EXPECT_ON_SCREEN(b, SW_SHOWNORMAL);
        EXPECT_HIDDEN_BY_US(a);
    });
    RunToExit();
}

// ALT+SHIFT+digit takes the window in use along, on top of its new group.
TEST_F(Running, CarryTakesTheForegroundWindowAlongOnTop)
{
    HWND a = App("A"), b = App("B"), c = App("C");
    Step([&] { sim::PressKey(MOD_ALT, '3'); });
    Step([&] {
        EXPECT_HIDDEN_BY_US(a);
        sim::PressKey(MOD_ALT, '1');
    });
    Step([&] {
        sim::Activate(b);
        sim::PressKey(MOD_ALT | MOD_SHIFT, '3');
    });
    Step([&] {
        EXPECT_EQ(CurrentGroup, 2);
        EXPECT_EQ(Members(2), (std::vector<HWND>{b}));
        EXPECT_ON_SCREEN(b, SW_SHOWNORMAL);
        EXPECT_HIDDEN_BY_US(a);
        EXPECT_HIDDEN_BY_US(c);
        EXPECT_EQ(sim::Foreground(), b);
        EXPECT_LT(EntryOf(2, b).stackRank, 0);
        sim::PressKey(MOD_ALT, '1');
    });
    Step([&] {
        // The carried window is the top window when its group comes back.
        sim::Activate(a);
        sim::PressKey(MOD_ALT | MOD_SHIFT, '3');
    });
    Step([&] {
        EXPECT_EQ(sim::Foreground(), a);
        EXPECT_STACKING(a, b);
    });
    RunToExit();
}

// Carrying into the group on screen keeps it on screen; each window carried
// ranks one below the one carried before it.
TEST_F(Running, CarryIntoTheCurrentGroupOnlyReranks)
{
    HWND a = App("A"), b = App("B"), c = App("C");
    Step([&] {
        sim::Activate(a);
        sim::PressKey(MOD_ALT | MOD_SHIFT, '1');
    });
    Step([&] {
        EXPECT_EQ(EntryOf(0, a).stackRank, -1);
        sim::Activate(b);
        sim::PressKey(MOD_ALT | MOD_SHIFT, '1');
    });
    Step([&] {
        EXPECT_EQ(EntryOf(0, b).stackRank, -2);
        EXPECT_EQ(CurrentGroup, 0);
        for (HWND w : {a, b, c})
            EXPECT_ON_SCREEN(w, SW_SHOWNORMAL);
    });
    RunToExit();
}

// An ineligible foreground window (the taskbar, a tool window, an untitled
// window) makes the carry do nothing at all, not even the switch.
TEST_F(Running, CarryOfAnIneligibleWindowDoesNothing)
{
    HWND a = App("A");
    HWND tool = sim::MakeWindow("TestApp", "Tool", WS_OVERLAPPEDWINDOW, WS_EX_TOOLWINDOW);
    HWND untitled = sim::MakeWindow("TestApp", "", WS_OVERLAPPEDWINDOW);
    for (HWND w : {tool, untitled, sim::ZOrder().back()}) {
        Step([w] {
            sim::Activate(w);
            sim::ClearCalls();
            sim::PressKey(MOD_ALT | MOD_SHIFT, '4');
        });
        Step([&] {
            EXPECT_EQ(CurrentGroup, 0);
            EXPECT_TRUE(sim::Visible(a));
            EXPECT_EQ(sim::CallsOf({"EnumWindows", "ShowWindow", "Shell_NotifyIconA"}).size(), 0u);
        });
    }
    RunToExit();
}

// Rows of the message table that must do nothing.
TEST_F(Running, UnknownIdsAndOtherMouseMessagesDoNothing)
{
    HWND a = App("A");
    Step([&] {
        sim::ClearCalls();
        PostMessageA(MainWindow, WM_HOTKEY, 105, 0);
        PostMessageA(MainWindow, WM_HOTKEY, 99, 0);
        PostMessageA(MainWindow, WM_HOTKEY, 205, 0);
        PostMessageA(MainWindow, WM_TIMER, 2, 0);
        PostMessageA(MainWindow, WM_COMMAND, 9004, 0);
        for (UINT mouse : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_MOUSEMOVE})
            sim::ClickTrayIcon(MainWindow, 1, mouse);
    });
    Step([&] {
        EXPECT_EQ(sim::MenusShown().size(), 0u);
        EXPECT_EQ(sim::CallsOf({"EnumWindows", "ShowWindow", "CreatePopupMenu", "PostQuitMessage"}).size(), 0u);
        EXPECT_TRUE(sim::Visible(a));
        // Only the low word of a command counts.
        sim::OnMenu(nullptr);
        PostMessageA(MainWindow, WM_HOTKEY, 101, 0);
    });
    Step([&] { EXPECT_FALSE(sim::Visible(a)); });
    Step([] { PostMessageA(MainWindow, WM_COMMAND, (WPARAM)((1u << 16) | CmdExit), 0); });
    EXPECT_EQ(RunProgram(""), 0);
}

TEST_F(Running, TrayMenuOffersItsThreeItemsAtTheCursor)
{
    sim::PutTask("Plinthwise", "<Task/>");
    sim::SetCursor(1200, 790);
    HWND a = App("A");
    Step([&] {
        sim::Activate(a);
        sim::ClickTrayIcon(MainWindow, 1, WM_RBUTTONUP);
    });
    Step([&] {
        ASSERT_EQ(sim::MenusShown().size(), 1u);
        const sim::ShownMenu &m = sim::MenusShown()[0];
        ASSERT_EQ(m.items.size(), 5u);
        EXPECT_EQ(m.items[0].flags, (UINT)MF_CHECKED);
        EXPECT_EQ(m.items[0].id, (UINT_PTR)CmdRunAtLogin);
        EXPECT_EQ(m.items[0].text, "Run at login...");
        EXPECT_EQ(m.items[1].flags, (UINT)MF_SEPARATOR);
        EXPECT_EQ(m.items[2].flags, (UINT)MF_STRING);
        EXPECT_EQ(m.items[2].id, (UINT_PTR)CmdAbout);
        EXPECT_EQ(m.items[2].text, "About Plinthwise...");
        EXPECT_EQ(m.items[3].flags, (UINT)MF_SEPARATOR);
        EXPECT_EQ(m.items[4].id, (UINT_PTR)CmdExit);
        EXPECT_EQ(m.items[4].text, "Exit");
        EXPECT_EQ(m.flags, (UINT)TPM_BOTTOMALIGN);
        EXPECT_EQ(m.x, 1200);
        EXPECT_EQ(m.y, 790);
        EXPECT_EQ(m.foregroundAtTrack, MainWindow) << "the menu's owner must be in the foreground";
        EXPECT_EQ(sim::LiveMenus(), 0u);
        // The check mark follows the task afresh each time.
        EXPECT_TRUE(SUCCEEDED(RemoveLoginTask()));
        sim::ClickTrayIcon(MainWindow, 1, WM_RBUTTONUP);
    });
    Step([] { EXPECT_EQ(sim::MenusShown().back().items[0].flags, (UINT)MF_STRING); });
    RunToExit();
}

// Exit gives every window back in its state, unmarked, and removes the icon.
TEST_F(Running, ExitReleasesEveryWindowInItsState)
{
    HWND normal = App("Normal"), maxed = App("Max", SW_SHOWMAXIMIZED), mini = App("Mini", SW_SHOWMINNOACTIVE),
         gone = App("Gone");
    HWND current = nullptr, hid = nullptr;
    Step([] { sim::PressKey(MOD_ALT, '4'); });
    Step([&] {
        sim::Destroy(gone);
        current = App("Current");
        hid = App("Hid");
    });
    Tick();
    Step([&] {
        sim::OwnerShow(hid, SW_HIDE);  // by its own program, while its group is on screen
        sim::ClearCalls();
    });
    RunToExit();
    EXPECT_FALSE(sim::Visible(hid));
    for (HWND w : {normal, current})
        EXPECT_ON_SCREEN(w, SW_SHOWNORMAL);
    EXPECT_ON_SCREEN(maxed, SW_SHOWMAXIMIZED);
    EXPECT_ON_SCREEN(mini, SW_SHOWMINIMIZED);
    // The window on screen already needs no call.
    std::vector<std::string> shows = sim::CallsOf({"ShowWindow"});
    EXPECT_EQ(std::find(shows.begin(), shows.end(), "ShowWindow(Current, 5)"), shows.end());
    for (const std::string &expected : {"ShowWindow(Normal, 5)", "ShowWindow(Max, 5)", "ShowWindow(Mini, 7)"})
        EXPECT_NE(std::find(shows.begin(), shows.end(), expected), shows.end()) << expected;
    EXPECT_EQ(sim::TrayIcons().size(), 0u);
    EXPECT_EQ(sim::LiveGdi().icons, 0);
}

// While one window's program hangs, every switch still hides and shows the
// others at once, the program waiting at most one probe for it; once it
// answers, the hung window ends where its group is, whatever switches came
// meanwhile.
class HangDuringSwitches : public Running, public ::testing::WithParamInterface<const char *> {};

TEST_P(HangDuringSwitches, HungWindowEndsWhereItsGroupIs)
{
    const std::string keys = GetParam();
    const bool shown = keys.back() == '1';
    HWND a = App("A"), hung = AppOfItsOwn("Hung");
    Step([&] { sim::Hang(hung, 3000); });
    for (char k : keys)
        Step([&, k] {
            sim::PressKey(MOD_ALT, (UINT)k);
            sim::Then([&, k] { EXPECT_EQ(sim::Visible(a), k == '1'); });
        });
    Step([&] {
        EXPECT_LE(sim::TimeWaited(), 20u);
        // A hide and a show queued while it stood on screen leave no trace
        // of having run: its marker goes once its program has taken its
        // messages for longer than a hung one may go without.
        sim::AdvanceTime(3000 + 5000);
    });
    Tick();
    Step([&] {
        if (shown)
            EXPECT_ON_SCREEN(hung, SW_SHOWNORMAL);
        else
            EXPECT_HIDDEN_BY_US(hung);
        EXPECT_NE(FindInGroup(0, hung), NotFound);
    });
    RunToExit();
}

INSTANTIATE_TEST_SUITE_P(Keys, HangDuringSwitches, ::testing::Values("2", "21", "213", "2121"));

// A busy program, one that answers late but does answer: whatever it did
// meanwhile, a switch never shows a window its program hid, never leaves a
// window hidden without its marker, and never puts a late window above the
// one it activated.
TEST_F(Running, BusyProgramsKeepEveryWindowWhereItBelongs)
{
    HWND top = App("Top"), hid = AppOfItsOwn("Hid"), late = AppOfItsOwn("Late");
    Step([&] {
        sim::Activate(top);
        sim::OwnerShow(hid, SW_HIDE);  // to the tray, say, by its own program
        sim::Hang(hid, 2000);
    });
    Step([] { sim::PressKey(MOD_ALT, '2'); });
    // Late's hide is queued behind its busy thread, which then waits in a
    // SendMessage of its own: it answers our probe at once, but the queued
    // hide runs only when that call returns.
    Step([&] { sim::Hang(late, 3000); });
    Step([] { sim::PressKey(MOD_ALT, '1'); });
    Step([] { sim::PressKey(MOD_ALT, '2'); });
    Step([&] {
        sim::NestedSend(late, 2500);
        sim::AdvanceTime(1100);  // past the time a silent thread is not asked again
    });
    Step([] { sim::PressKey(MOD_ALT, '1'); });
    Step([&] {
        sim::AdvanceTime(1400);
        EXPECT_TRUE(sim::Visible(late) || sim::HasProp(late, HiddenMarkerName)) << "hidden without its marker";
        sim::AdvanceTime(5000);
    });
    Tick();
    Step([&] {
        EXPECT_FALSE(sim::Visible(hid));
        EXPECT_FALSE(sim::HasProp(hid, HiddenMarkerName));
        EXPECT_EQ(FindInAnyGroup(hid), nullptr);
        EXPECT_ON_SCREEN(late, SW_SHOWNORMAL);
        EXPECT_ON_SCREEN(top, SW_SHOWNORMAL);
        EXPECT_EQ(sim::Foreground(), top);
        EXPECT_STACKING(top, late);
    });
    RunToExit();
    EXPECT_FALSE(sim::Visible(hid)) << "Exit showed a window its program hid";
}

// Two busy programs when their group comes back: whichever answers last, the
// window that was on top ends above the other, from the moment both are back.
TEST_F(Running, WindowsOfTwoBusyProgramsKeepTheirStacking)
{
    HWND low = AppOfItsOwn("Low"), top = AppOfItsOwn("Top");
    Step([&] { sim::Activate(top); });
    Step([] { sim::PressKey(MOD_ALT, '2'); });
    Step([&] {
        sim::Hang(top, 1000);
        sim::Hang(low, 2000);
    });
    Step([] { sim::PressKey(MOD_ALT, '1'); });
    Step([&] {
        sim::AdvanceTime(2000);
        EXPECT_STACKING(top, low);
    });
    Tick();
    Step([&] {
        EXPECT_TRUE(sim::Visible(low) && sim::Visible(top));
        EXPECT_STACKING(top, low);
    });
    RunToExit();
}

// With a program that never answers again, the tray menu and Exit still
// work: every other window comes back at once, the hung one when it
// answers, and the watcher's pass then takes its marker off.
TEST_F(Running, ExitDuringAHangReleasesTheOthersAtOnce)
{
    HWND a = App("A"), hung = AppOfItsOwn("Hung");
    Step([] { sim::PressKey(MOD_ALT, '2'); });
    Step([&] { sim::Hang(hung, INFINITE); });
    RunToExit();
    EXPECT_ON_SCREEN(a, SW_SHOWNORMAL);
    EXPECT_HIDDEN_BY_US(hung);
    sim::Answer(hung);
    sim::AdvanceTime(1000);  // the watcher, a process of its own, has not found it silent
    EXPECT_EQ(RestoreMarkedWindows(), 0);
    EXPECT_ON_SCREEN(hung, SW_SHOWNORMAL);
}

// Closing MainWindow ends the program in order, as Exit does.
TEST_F(Running, DestroyedMainWindowEndsTheProgramInOrder)
{
    HWND a = App("A");
    Step([] { sim::PressKey(MOD_ALT, '2'); });
    Step([] { SendMessageA(MainWindow, WM_CLOSE, 0, 0); });
    EXPECT_EQ(RunProgram(""), 0);
    EXPECT_ON_SCREEN(a, SW_SHOWNORMAL);
    EXPECT_EQ(sim::TrayIcons().size(), 0u);
}

// Sign-out: the program is asked before the other programs, and by then
// every window of every group is on screen in its state and unmarked. When
// a later program refuses, the groups are as they were, the window in use
// active again, also when the program was asked twice (as the Restart
// Manager does) and the release left a window of another group active;
// when none refuses, the program ends in order.
class SessionEnd : public Running, public ::testing::WithParamInterface<bool> {};

TEST_P(SessionEnd, EveryWindowIsBackBeforeOtherProgramsAreAsked)
{
    const bool calledOff = GetParam();
    HWND a = App("A"), maxed = App("Max", SW_SHOWMAXIMIZED), b = nullptr, b2 = nullptr, c = nullptr;
    Step([] { sim::PressKey(MOD_ALT, '3'); });
    Step([&] { c = App("C"); });
    Step([] { sim::PressKey(MOD_ALT, '2'); });
    Step([&] {
        b = App("B");
        b2 = sim::MakeWindow("TestApp", "B2", WS_OVERLAPPEDWINDOW, 0, SW_SHOWNA);
    });
    Tick();
    Step([&] {
        bool ended = sim::EndSession(ENDSESSION_LOGOFF, [&](DWORD) {
            // Until the end is called off, a switch would hide them again.
            sim::PressKey(MOD_ALT, '1');
            sim::DeliverPending();
            EXPECT_TRUE(SendMessageA(MainWindow, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
            for (HWND w : {a, b, b2, c})
                EXPECT_ON_SCREEN(w, SW_SHOWNORMAL);
            EXPECT_ON_SCREEN(maxed, SW_SHOWMAXIMIZED);
            return calledOff ? FALSE : TRUE;
        });
        EXPECT_EQ(ended, !calledOff);
    });
    if (!calledOff) {
        EXPECT_EQ(RunProgram(""), 0);
        EXPECT_EQ(sim::TrayIcons().size(), 0u);
        return;
    }
    Step([&] {
        for (HWND w : {a, maxed, c})
            EXPECT_HIDDEN_BY_US(w);
        EXPECT_EQ(EntryOf(0, maxed).savedShowCmd, (UINT)SW_SHOWMAXIMIZED);
        EXPECT_ON_SCREEN(b, SW_SHOWNORMAL);
        EXPECT_EQ(sim::Foreground(), b);
        EXPECT_EQ(Members(1), (std::vector<HWND>{b, b2}));
        sim::PressKey(MOD_ALT, '1');
    });
    Step([&] {
        EXPECT_ON_SCREEN(a, SW_SHOWNORMAL);
        EXPECT_ON_SCREEN(maxed, SW_SHOWMAXIMIZED);
        EXPECT_HIDDEN_BY_US(b);
    });
    RunToExit();
}

INSTANTIATE_TEST_SUITE_P(Orders, SessionEnd, ::testing::Values(false, true));

// After the taskbar restarts, the icon comes back with the group on screen,
// also when the program runs elevated and Explorer's broadcast comes from a
// lower integrity level.
TEST_F(Running, IconReturnsAfterTheTaskbarRestarts)
{
    sim::SetProgramElevated(true);
    Step([] { sim::PressKey(MOD_ALT, '3'); });
    Step([] { sim::RemoveTaskbar(); });
    Step([] {
        EXPECT_EQ(sim::TrayIcons().size(), 0u);
        sim::StartTaskbar();
    });
    Step([] { EXPECT_EQ(TrayTip(), "Plinthwise Group: 3"); });
    RunToExit();
}

// At logon the notification area refuses adds for a while: the switch's
// update tries an add, each tick tries again, and once the area answers the
// icon shows the group on screen and the ticks send nothing more.
TEST_F(Running, RefusedIconIsAddedOnceTheNotificationAreaAnswers)
{
    sim::NotificationAreaReadyAt(sim::Now() + 2 * MaintenanceTimerPeriod);
    Step([] { sim::PressKey(MOD_ALT, '2'); });
    Step([] {
        std::vector<std::string> sent = sim::CallsOf({"Shell_NotifyIconA"});
        ASSERT_GE(sent.size(), 2u);
        EXPECT_EQ(sent[sent.size() - 2].rfind("Shell_NotifyIconA(0,", 0), 0u) << sent[sent.size() - 2];
        EXPECT_EQ(TrayTip(), "(no icon)");
    });
    Tick();
    Step([] { EXPECT_EQ(TrayTip(), "(no icon)"); });
    Tick();
    Step([] {
        EXPECT_EQ(TrayTip(), "Plinthwise Group: 2");
        EXPECT_EQ(sim::TrayIcons().size(), 1u);
        sim::ClearCalls();
    });
    Tick();
    Step([] { EXPECT_TRUE(sim::CallsOf({"Shell_NotifyIconA"}).empty()); });
    RunToExit();
}

HWND AboutWindow()
{
    return FindWindowA("PlinthwiseAboutClass", "About Plinthwise");
}

// The About window joins the group on screen and is centred; a second About
// command while it is open changes nothing.
TEST_F(Running, AboutOpensOnceCentredAndClosesWithEsc)
{
    sim::SetScreen(1280, 800);
    Step([] { PostMessageA(MainWindow, WM_COMMAND, CmdAbout, 0); });
    Step([] {
        HWND about = AboutWindow();
        ASSERT_NE(about, nullptr);
        EXPECT_TRUE(AboutOpen);
        RECT r;
        GetWindowRect(about, &r);
        // Centred as large as it is: it grows to hold its text.
        EXPECT_EQ(r.left, (1280 - (r.right - r.left)) / 2);
        EXPECT_EQ(r.top, (800 - (r.bottom - r.top)) / 2);
        EXPECT_EQ(sim::Foreground(), about);
        PostMessageA(MainWindow, WM_COMMAND, CmdAbout, 0);
    });
    Tick();
    Step([] {
        EXPECT_EQ(sim::CallsOf({"CreateWindowExA"}).size(), 3u) << "main window, About window, text";
        EXPECT_NE(FindInGroup(0, AboutWindow()), NotFound);
        sim::PressKey(0, VK_ESCAPE);
    });
    Step([] {
        EXPECT_EQ(AboutWindow(), nullptr);
        EXPECT_FALSE(AboutOpen);
    });
    RunToExit();
}

// One Exit while the About window is open ends the program: the nested
// loop hands the quit request on.
TEST_F(Running, ExitWhileAboutIsOpenEndsTheProgram)
{
    HWND a = App("A");
    Step([] { PostMessageA(MainWindow, WM_COMMAND, CmdAbout, 0); });
    Step([] { sim::PressKey(MOD_ALT, '2'); });  // hotkeys work inside the nested loop
    ChooseExit();
    EXPECT_EQ(RunProgram(""), 0);
    EXPECT_ON_SCREEN(a, SW_SHOWNORMAL);
    EXPECT_EQ(sim::TrayIcons().size(), 0u);
}

TEST_F(Running, FailedAboutWindowClearsTheFlag)
{
    Step([] {
        sim::FailCall("CreateWindowExA");
        PostMessageA(MainWindow, WM_COMMAND, CmdAbout, 0);
    });
    Step([] {
        EXPECT_FALSE(AboutOpen);
        EXPECT_EQ(AboutWindow(), nullptr);
    });
    RunToExit();
}

} // namespace
