// Eligibility, adoption, the foreground hook, the summon and the purge.
#include "tests/engine_fixture.h"

namespace {

// The window becomes the foreground window and the hook hears of it.
void Activated(HWND window)
{
    sim::Activate(window);
    ForegroundEventProc(nullptr, EVENT_SYSTEM_FOREGROUND, window, 0, 0, 0, 0);
}

TEST(Eligibility, OnlyTitledFramedVisibleApplicationWindows)
{
    HWND app = App("App");
    EXPECT_TRUE(IsEligibleWindow(app));
    HWND minimised = App("Minimised", SW_SHOWMINNOACTIVE);
    EXPECT_TRUE(IsEligibleWindow(minimised));

    HWND hidden = App("Hidden", SW_HIDE);
    HWND untitled = sim::MakeWindow("TestApp", "", WS_OVERLAPPEDWINDOW);
    HWND tool = sim::MakeWindow("TestApp", "Tool", WS_OVERLAPPEDWINDOW, WS_EX_TOOLWINDOW);
    HWND bare = sim::MakeWindow("TestApp", "Bare popup", WS_POPUP);
    // Visible by its style, but kept off screen: a suspended Store app.
    HWND cloaked = sim::MakeWindow("ApplicationFrameWindow", "Settings", WS_OVERLAPPEDWINDOW);
    sim::Cloak(cloaked, DWM_CLOAKED_SHELL);
    for (HWND w : {hidden, untitled, tool, bare, cloaked})
        EXPECT_FALSE(IsEligibleWindow(w)) << sim::Title(w);
    EXPECT_FALSE(IsEligibleWindow(nullptr));

    // One frame bit is enough.
    for (DWORD bit : {WS_BORDER, WS_DLGFRAME, WS_SYSMENU, WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX})
        EXPECT_TRUE(IsEligibleWindow(sim::MakeWindow("TestApp", "Framed", WS_POPUP | bit))) << bit;

    HWND destroyed = App("Gone");
    sim::Destroy(destroyed);
    EXPECT_FALSE(IsEligibleWindow(destroyed));

    // Where the window manager cannot tell (Wine), nothing counts as cloaked.
    sim::FailCall("DwmGetWindowAttribute");
    EXPECT_TRUE(IsEligibleWindow(cloaked));
}

TEST(Eligibility, ShellClassesAreExcludedExactly)
{
    for (const char *cls : {"Progman", "WorkerW", "Shell_TrayWnd", "Ghost"})
        EXPECT_FALSE(IsEligibleWindow(sim::MakeWindow(cls, "Shell", WS_OVERLAPPEDWINDOW))) << cls;
    for (const char *cls : {"progman", "WORKERW", "Shell_TrayWnd2", "ghost"})
        EXPECT_TRUE(IsEligibleWindow(sim::MakeWindow(cls, "Shell", WS_OVERLAPPEDWINDOW))) << cls;
}

// The taskbar and a thread's input-method window cost a pass over the
// desktop no call once their class has been read.
TEST(Eligibility, WindowsOfShellAndInputMethodClassesAreReadOnce)
{
    HWND ruledOut[] = {sim::MakeTaskbar(), sim::MakeWindow("IME", "Default IME", WS_POPUP | WS_DISABLED, 0, SW_HIDE)};
    AdoptUnseenWindows();
    sim::ClearCalls();
    AdoptUnseenWindows();
    for (HWND w : ruledOut)
        for (const std::string &call : sim::Calls())
            for (const char *end : {",", ")"})
                EXPECT_EQ(call.find("(" + sim::NameOf(w) + end), std::string::npos) << call;
}

// A class name that cannot be read is not read: the window is judged by
// the other tests alone.
TEST(Eligibility, UnreadableClassNameReadsNothing)
{
    HWND w = App("App");
    sim::FailCall("GetClassNameA");
    EXPECT_TRUE(IsEligibleWindow(w));
}

TEST(Adoption, EligibleUnseenWindowsJoinTheCurrentGroupInEnumerationOrder)
{
    HWND a = App("A"), b = App("B");
    HWND hidden = App("Hidden", SW_HIDE);
    CurrentGroup = 2;
    AdoptUnseenWindows();
    // EnumWindows goes from the top: B was made last.
    EXPECT_EQ(Members(2), (std::vector<HWND>{b, a}));
    EXPECT_EQ(EntryOf(2, a).stackRank, 1);
    EXPECT_EQ(FindInAnyGroup(hidden), nullptr);

    // A window that has a group keeps it.
    CurrentGroup = 0;
    AdoptUnseenWindows();
    EXPECT_EQ(Members(0), (std::vector<HWND>{}));

    // Titled later: adopted by the next pass.
    HWND untitled = sim::MakeWindow("TestApp", "", WS_OVERLAPPEDWINDOW);
    AdoptUnseenWindows();
    EXPECT_EQ(FindInAnyGroup(untitled), nullptr);
    sim::Retitle(untitled, "Now titled");
    AdoptUnseenWindows();
    EXPECT_EQ(Members(0), (std::vector<HWND>{untitled}));

    // Back on screen with the marker a recovery pass left while its show
    // waited behind a hang: adopted, and the stale marker goes.
    HWND back = App("Back");
    sim::OwnerSetProp(back, HiddenMarkerName, 1);
    AdoptUnseenWindows();
    EXPECT_ON_SCREEN(back, SW_SHOWNORMAL);
    EXPECT_NE(FindInGroup(0, back), NotFound);
}

TEST(ForegroundHook, RefreshesAdoptsOrMovesIntoTheCurrentGroup)
{
    HWND a = App("A"), b = App("B");
    AddWindowToGroup(0, a);
    AddWindowToGroup(3, b);
    EntryOf(0, a);
    GroupTable[0].entries[0].stackRank = 7;

    sim::OwnerShow(a, SW_SHOWMAXIMIZED);
    Activated(a);
    EXPECT_EQ(EntryOf(0, a).savedShowCmd, (UINT)SW_SHOWMAXIMIZED);
    EXPECT_EQ(EntryOf(0, a).stackRank, 7) << "a refresh keeps the rank";

    // On screen although its group is hidden, possibly still marked.
    sim::OwnerSetProp(b, HiddenMarkerName, 1);
    Activated(b);
    EXPECT_EQ(Members(0), (std::vector<HWND>{a, b}));
    EXPECT_EQ(Members(3), (std::vector<HWND>{}));
    EXPECT_FALSE(sim::HasProp(b, HiddenMarkerName));

    HWND c = App("C");
    Activated(c);
    EXPECT_EQ(Members(0), (std::vector<HWND>{a, b, c}));

    // Other events and ineligible windows are ignored.
    HWND d = App("D");
    ForegroundEventProc(nullptr, 0x8005, d, 0, 0, 0, 0);
    Activated(sim::MakeWindow("TestApp", "Tool", WS_OVERLAPPEDWINDOW, WS_EX_TOOLWINDOW));
    EXPECT_EQ(GroupTable[0].count, 3);
}

// The saved state stays when it cannot be read, and while a show of ours
// waits in the window's queue: the state read then is the one it replaces.
TEST(ForegroundHook, KeepsTheSavedStateItCannotRead)
{
    HWND a = App("A");
    AddWindowToGroup(0, a);
    sim::OwnerShow(a, SW_SHOWMAXIMIZED);
    sim::FailCall("GetWindowPlacement");
    Activated(a);
    EXPECT_EQ(EntryOf(0, a).savedShowCmd, (UINT)SW_SHOWNORMAL);

    HWND b = App("B");
    AddWindowToGroup(0, b);
    sim::OwnerShow(b, SW_SHOWMINNOACTIVE);
    sim::Hang(b, INFINITE);
    ShowNoWait(b, SW_SHOWNORMAL);
    Activated(b);
    EXPECT_EQ(EntryOf(0, b).savedShowCmd, (UINT)SW_SHOWNORMAL);
    sim::Answer(b);
    EXPECT_ON_SCREEN(b, SW_SHOWNORMAL);
}

struct SummonCase {
    UINT saved;
    int expectedCommand;
    UINT expectedState;
};

// A hidden, marked window of another group that gets activated comes into
// the current group and on screen, in the state its saved show state asks.
TEST(Summon, EachSavedShowStateComesBackAsItShould)
{
    const SummonCase cases[] = {
        {SW_SHOWNORMAL, SW_SHOW, SW_SHOWNORMAL},        {SW_SHOWMAXIMIZED, SW_SHOWMAXIMIZED, SW_SHOWMAXIMIZED},
        {SW_SHOWMINIMIZED, SW_RESTORE, SW_SHOWNORMAL},  {SW_MINIMIZE, SW_RESTORE, SW_SHOWNORMAL},
        {SW_SHOWMINNOACTIVE, SW_RESTORE, SW_SHOWNORMAL}, {SW_FORCEMINIMIZE, SW_RESTORE, SW_SHOWNORMAL},
        {SW_SHOWDEFAULT, SW_SHOW, SW_SHOWNORMAL},
    };
    for (const SummonCase &c : cases) {
        SCOPED_TRACE("saved show state " + std::to_string(c.saved));
        HWND w = App("W" + std::to_string(c.saved));
        PutEntry(3, w, c.saved, 4);
        sim::OwnerSetProp(w, HiddenMarkerName, 1);
        sim::OwnerShow(w, SW_HIDE);
        sim::ClearCalls();

        Activated(w);
        EXPECT_EQ(FindInGroup(3, w), NotFound);
        ASSERT_NE(FindInGroup(0, w), NotFound);
        EXPECT_EQ(EntryOf(0, w).stackRank, -1);
        EXPECT_ON_SCREEN(w, c.expectedState);
        EXPECT_EQ(sim::Foreground(), w);
        std::string name = sim::NameOf(w);
        // The marker goes once the window is back on screen.
        EXPECT_CALLS((std::vector<std::string>{"ShowWindow(" + name + ", " + std::to_string(c.expectedCommand) + ")",
                                               "RemovePropA(" + name + ", PlinthwiseHidden)",
                                               "SetForegroundWindow(" + name + ")"}),
                     sim::CallsOf({"RemovePropA", "ShowWindow", "SetForegroundWindow"}));
        // The hook then reads the fresh state into the entry.
        EXPECT_EQ(EntryOf(0, w).savedShowCmd, c.expectedState);
    }
}

// While a switch hides a group, activation hops from each hidden window to
// the next; the events of those hops arrive later and must not bring the
// windows back.
TEST(Summon, StaleEventOfAWindowNoLongerInTheForegroundIsIgnored)
{
    HWND a = App("A"), b = App("B"), c = App("C");
    AdoptUnseenWindows();
    sim::Activate(c);
    SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, ForegroundEventProc, 0, 0,
                    WINEVENT_OUTOFCONTEXT);
    sim::ClearCalls();
    SwitchToGroup(1);
    sim::DeliverPending();
    for (HWND w : {a, b, c})
        EXPECT_HIDDEN_BY_US(w);
    EXPECT_EQ(Members(0).size(), 3u);
    EXPECT_EQ(sim::CallsOf({"SetForegroundWindow"}).size(), 0u);
}

TEST(Summon, UnknownWindowComesBackNormal)
{
    HWND w = App("Stranger", SW_HIDE);
    sim::OwnerSetProp(w, HiddenMarkerName, 1);
    SummonHiddenWindow(w);
    EXPECT_ON_SCREEN(w, SW_SHOWNORMAL);
    EXPECT_EQ(Members(0), (std::vector<HWND>{w}));
}

TEST(Summon, UnmarkedOrVisibleWindowsAreLeftAlone)
{
    HWND hidden = App("Hidden", SW_HIDE);
    HWND marked = App("Marked");
    sim::OwnerSetProp(marked, HiddenMarkerName, 1);
    SummonHiddenWindow(hidden);
    SummonHiddenWindow(marked);
    EXPECT_FALSE(sim::Visible(hidden));
    EXPECT_TRUE(sim::HasProp(marked, HiddenMarkerName));
    EXPECT_EQ(GroupTable[0].count, 0);
}

// When the current group cannot grow, the window stays hidden and marked in
// the group it was hidden with, whose hotkey brings it back, and the next
// activation summons it.
TEST(Summon, FailedGrowthKeepsTheWindowHiddenAndMarkedInItsGroup)
{
    HWND w = App("W");
    PutEntry(2, w, SW_SHOWMAXIMIZED, 0);
    sim::OwnerSetProp(w, HiddenMarkerName, 1);
    sim::OwnerShow(w, SW_HIDE);
    sim::FailCall("HeapAlloc");
    SummonHiddenWindow(w);
    EXPECT_FALSE(sim::Visible(w));
    EXPECT_TRUE(sim::HasProp(w, HiddenMarkerName));
    EXPECT_NE(FindInGroup(2, w), NotFound);

    SummonHiddenWindow(w);
    EXPECT_ON_SCREEN(w, SW_SHOWMAXIMIZED);
    EXPECT_NE(FindInGroup(0, w), NotFound);
}

TEST(Purge, DropsOnlyWindowsHiddenByTheirOwnPrograms)
{
    HWND own = App("Hidden by owner"), ours = App("Hidden by us"), shown = App("Shown"),
         minimised = App("Minimised", SW_SHOWMINNOACTIVE), gone = App("Gone"), away = App("Moved away"),
         ownCloak = App("Cloaked by its program");
    for (HWND w : {own, ours, shown, minimised, gone, away, ownCloak})
        AddWindowToGroup(1, w);
    sim::OwnerShow(own, SW_HIDE);
    sim::MoveToSystemDesktop(away, 1);  // the shell cloaks it here
    sim::Cloak(ownCloak, DWM_CLOAKED_APP);
    sim::OwnerSetProp(ours, HiddenMarkerName, 1);
    sim::OwnerShow(ours, SW_HIDE);
    sim::Destroy(gone);
    PurgeUnmarkedHidden();
    EXPECT_EQ(FindInAnyGroup(own), nullptr);
    EXPECT_EQ(FindInAnyGroup(ownCloak), nullptr);
    for (HWND w : {ours, shown, minimised, gone, away})
        EXPECT_NE(FindInGroup(1, w), NotFound) << sim::NameOf(w);
}

// The user moves a window to another of the system's virtual desktops, goes
// there and back, and switches groups meanwhile: every window keeps its
// group, hidden and shown with it, and nothing new is adopted from the
// desktop not shown.
TEST(Purge, SystemDesktopsLeaveTheGroupsAsTheyWere)
{
    sim::MakeTaskbar();
    HWND a = App("A"), away = App("Away");
    AdoptUnseenWindows();
    sim::MoveToSystemDesktop(away, 1);
    SwitchToGroup(1);
    HWND b = App("B");
    AdoptUnseenWindows();
    sim::ShowSystemDesktop(1);
    RunMaintenancePass();
    SwitchToGroup(0);
    sim::ShowSystemDesktop(0);
    RunMaintenancePass();
    EXPECT_EQ(GroupTable[0].count, 2);
    EXPECT_NE(FindInGroup(0, a), NotFound);
    EXPECT_NE(FindInGroup(0, away), NotFound);
    EXPECT_EQ(Members(1), (std::vector<HWND>{b}));
    EXPECT_ON_SCREEN(a, SW_SHOWNORMAL);
    EXPECT_ON_SCREEN(away, SW_SHOWNORMAL);
    EXPECT_HIDDEN_BY_US(b);
}

// A window whose program has not answered for 5 s is hidden by the system
// behind a stand-in of class "Ghost": the stand-in is never adopted and the
// window keeps its entry until it comes back.
TEST(Purge, HungWindowBehindItsStandInKeepsItsEntry)
{
    HWND w = App("Busy");
    AddWindowToGroup(0, w);
    sim::Hang(w, 8000);
    sim::AdvanceTime(5000);
    ASSERT_FALSE(sim::Visible(w));
    HWND ghost = sim::ZOrder().front();
    EXPECT_EQ(sim::ClassOf(ghost), "Ghost");
    EXPECT_EQ(sim::Title(ghost), "Busy (Not Responding)");
    // Its switch reads it hidden, as it would one its program hid, and
    // keeps it all the same; its hide waits until it answers.
    SwitchToGroup(1);
    EXPECT_EQ(Members(0), (std::vector<HWND>{w}));
    sim::AdvanceTime(3000);
    EXPECT_FALSE(sim::Exists(ghost));
    EXPECT_HIDDEN_BY_US(w);
}

// One that could not be marked comes back on screen unmarked when its
// program answers: the purge looks until then, and drops it once its
// program hides it, as any other its program hid.
TEST(Purge, UnmarkedWindowBehindItsStandInIsLookedAtUntilItComesBack)
{
    HWND w = App("Busy");
    AddWindowToGroup(0, w);
    sim::Hang(w, 8000);
    sim::AdvanceTime(5000);
    sim::FailCall("SetPropA");
    SwitchToGroup(1);
    RunMaintenancePass();
    EXPECT_EQ(Members(0), (std::vector<HWND>{w}));
    sim::AdvanceTime(3000);
    ASSERT_TRUE(sim::Visible(w));
    sim::OwnerShow(w, SW_HIDE);
    RunMaintenancePass();
    EXPECT_EQ(Members(0), (std::vector<HWND>{}));
}

} // namespace
