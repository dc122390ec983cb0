// The group switch: capture, hide and mark, show in one batch, activate.
#include "tests/engine_fixture.h"

#include <algorithm>

namespace {

std::vector<std::string> ShowGroupCalls()
{
    return sim::CallsOf({"BeginDeferWindowPos", "DeferWindowPos", "EndDeferWindowPos", "ShowWindow", "SetWindowPos",
                         "SetForegroundWindow", "RemovePropA"});
}

class Switching : public ::testing::Test {
protected:
    void SetUp() override { sim::MakeTaskbar(); }

    // Hidden by an earlier switch, in the given state.
    HWND HiddenApp(const std::string &name, int showCmd)
    {
        HWND w = App(name, showCmd);
        sim::OwnerSetProp(w, HiddenMarkerName, 1);
        sim::OwnerShow(w, SW_HIDE);
        return w;
    }
};

// The group of the worked example: W1 normal with rank 2, W2 maximised with
// rank 0, W3 minimised with rank 1. W2 is shown maximised by the batch
// already, so it is only raised (a minimised window was shown after the
// batch) and activated.
const std::vector<std::string> ShowWorkedExample = {
    "GetWindowRect(W1)",
    "GetWindowRect(W2)",
    "GetWindowRect(W3)",
    "BeginDeferWindowPos(2)",
    "DeferWindowPos(W1, 0, 0x0253)",
    "DeferWindowPos(W2, 0, 0x0253)",
    "EndDeferWindowPos()",
    "ShowWindow(W3, 7)",
    "SetWindowPos(W2, 0, 0, 0, 0, 0, 0x0203)",
    "SetForegroundWindow(W2)",
    "RemovePropA(W1, PlinthwiseHidden)",
    "RemovePropA(W2, PlinthwiseHidden)",
    "RemovePropA(W3, PlinthwiseHidden)",
};

TEST_F(Switching, WorkedExampleShowsInOneBatchAndActivatesTheTopWindow)
{
    HWND w1 = HiddenApp("W1", SW_SHOWNORMAL);
    HWND w2 = HiddenApp("W2", SW_SHOWMAXIMIZED);
    HWND w3 = HiddenApp("W3", SW_SHOWMINNOACTIVE);
    PutEntry(1, w1, SW_SHOWNORMAL, 2);
    PutEntry(1, w2, SW_SHOWMAXIMIZED, 0);
    PutEntry(1, w3, SW_SHOWMINIMIZED, 1);
    sim::ClearCalls();
    ShowGroup(1);
    EXPECT_CALLS(ShowWorkedExample,
                 sim::CallsOf({"GetWindowRect", "BeginDeferWindowPos", "DeferWindowPos", "EndDeferWindowPos", "ShowWindow",
                               "SetWindowPos", "SetForegroundWindow", "RemovePropA"}));
    EXPECT_ON_SCREEN(w1, SW_SHOWNORMAL);
    EXPECT_ON_SCREEN(w2, SW_SHOWMAXIMIZED);
    EXPECT_ON_SCREEN(w3, SW_SHOWMINIMIZED);
    EXPECT_EQ(sim::Foreground(), w2);
    EXPECT_STACKING(w2, w1);
}

TEST_F(Switching, RefusedSwitchDoesNothingAtAll)
{
    App("A");
    AdoptUnseenWindows();
    sim::ClearCalls();
    for (INT target : {0, 5, -1, 0x7FFFFFFF})
        SwitchToGroup(target);
    EXPECT_EQ(sim::CallCount(), 0u);
    EXPECT_EQ(CurrentGroup, 0);
}

// The icon follows the group on screen by the hotkey's handler, not by the
// switch.
TEST_F(Switching, EmptyGroupsChangeOnlyTheCurrentGroup)
{
    sim::ClearCalls();
    SwitchToGroup(3);
    EXPECT_EQ(CurrentGroup, 3);
    EXPECT_EQ(sim::CallsOf({"ShowWindow", "SetPropA", "BeginDeferWindowPos", "SetForegroundWindow"}).size(), 0u);
}

// Away and back: every window returns in its state, the one that was on top
// is active (snapped to half the screen, it stays so), and the stacking is as
// it was.
TEST_F(Switching, RoundTripRestoresStatesStackingAndActivation)
{
    HWND a = App("A"), b = App("B", SW_SHOWMAXIMIZED), c = App("C"), m = App("M", SW_SHOWMINNOACTIVE);
    const RECT leftHalf = {0, 0, 640, 800};
    sim::Snap(c, leftHalf);
    sim::Activate(b);
    sim::Activate(c);
    AdoptUnseenWindows();

    SwitchToGroup(1);
    for (HWND w : {a, b, c, m})
        EXPECT_HIDDEN_BY_US(w);
    EXPECT_EQ(CurrentGroup, 1);

    SwitchToGroup(0);
    EXPECT_ON_SCREEN(a, SW_SHOWNORMAL);
    EXPECT_ON_SCREEN(b, SW_SHOWMAXIMIZED);
    EXPECT_ON_SCREEN(c, SW_SHOWNORMAL);
    EXPECT_EQ(sim::Bounds(c), leftHalf);
    EXPECT_ON_SCREEN(m, SW_SHOWMINIMIZED);
    EXPECT_EQ(sim::Foreground(), c);
    EXPECT_STACKING(c, b, a);

    // The same with their program busy at the switch back: the queued shows
    // keep every state too, the snapped window snapped.
    SwitchToGroup(1);
    sim::Hang(c, 1000);
    SwitchToGroup(0);
    sim::AdvanceTime(1000);
    EXPECT_EQ(sim::Bounds(c), leftHalf);
    EXPECT_EQ(sim::ShowState(b), (UINT)SW_SHOWMAXIMIZED);
    EXPECT_STACKING(c, b, a);
}

// A monitor unplugged while a window's group was hidden: Windows moves only
// visible windows off it, so the window comes back onto the work area of the
// nearest monitor that remains (not the primary one), keeping its size where
// it fits, a maximised one maximised there, a minimised one left minimised; a
// window on a monitor that remains is not touched. The primary monitor's
// taskbar stands at the top, so that placements, given in workspace
// coordinates, differ from screen coordinates: a normal rectangle that
// reached the bottom of the monitor that went away must end at the bottom of
// the work area, not a taskbar's height below it.
struct Display {
    RECT area, work;
};
const RECT PrimaryWork = {0, 40, 1280, 800};  // of the primary monitor {0, 0, 1280, 800}
const Display Right = {{1280, 0, 2560, 1024}, {1280, 0, 2560, 984}};
const Display Left = {{-1280, 0, 0, 1024}, {-1280, 0, 0, 1024}};
const Display Above = {{0, -1024, 1280, 0}, {0, -1024, 1280, 0}};
// Three in a row: the middle one shorter than the far one, its taskbar at the bottom.
const Display Middle = {{1280, 0, 2560, 800}, {1280, 0, 2560, 760}};
const Display Far = {{2560, 0, 3840, 1024}, {2560, 0, 3840, 1024}};

struct MonitorCase {
    const char *name;
    std::vector<Display> others;  // beside the primary monitor
    size_t removed;               // which of them goes while the window is hidden
    RECT normal;                  // where the window stood, screen coordinates
    UINT showCmd;
    RECT bounds;       // where it stands once back (not checked for a minimised one)
    RECT normalAfter;  // where restoring it puts it
    std::vector<std::string> placed;  // the placement set for it, if any
};

const MonitorCase MonitorLayouts[] = {
    {"NormalToTheEdgeOfTheNearest", {Right}, 0, {2200, 10, 2500, 210}, SW_SHOWNORMAL,
     {980, 40, 1280, 240}, {980, 40, 1280, 240}, {}},
    {"TooTallIsCutToTheWorkArea", {Right}, 0, {1300, 0, 2500, 1000}, SW_SHOWNORMAL,
     {80, 40, 1280, 800}, {80, 40, 1280, 800}, {}},
    {"MaximisedOnTheNearest", {Right}, 0, {1400, 100, 2040, 580}, SW_SHOWMAXIMIZED,
     {0, 40, 1280, 800}, {640, 100, 1280, 580}, {"SetWindowPlacement(W, 3)"}},
    {"MinimisedStaysHidden", {Right}, 0, {1500, 500, 1900, 800}, SW_SHOWMINIMIZED,
     {}, {880, 500, 1280, 800}, {"SetWindowPlacement(W, 0)"}},
    {"MinimisedFromTheBottomEdge", {Right}, 0, {1500, 624, 1900, 1024}, SW_SHOWMINIMIZED,
     {}, {880, 400, 1280, 800}, {"SetWindowPlacement(W, 0)"}},
    {"ThreeTheMiddleIsNearest", {Middle, Far}, 1, {3000, 100, 3400, 400}, SW_SHOWNORMAL,
     {2160, 100, 2560, 400}, {2160, 100, 2560, 400}, {}},
    {"ThreeMaximisedFromTheBottomEdge", {Middle, Far}, 1, {2700, 424, 3300, 1024}, SW_SHOWMAXIMIZED,
     {1280, 0, 2560, 760}, {1960, 160, 2560, 760}, {"SetWindowPlacement(W, 3)"}},
    {"ThreeMinimisedFromTheBottomEdge", {Middle, Far}, 1, {3000, 624, 3400, 1024}, SW_SHOWMINIMIZED,
     {}, {2160, 360, 2560, 760}, {"SetWindowPlacement(W, 0)"}},
    {"ThreeOnTheMiddleStaysPut", {Middle, Far}, 1, {1400, 100, 1800, 400}, SW_SHOWNORMAL,
     {1400, 100, 1800, 400}, {1400, 100, 1800, 400}, {}},
    {"LeftOfThePrimary", {Left}, 0, {-1000, 200, -600, 500}, SW_SHOWNORMAL,
     {0, 200, 400, 500}, {0, 200, 400, 500}, {}},
    {"AboveComesBelowTheTaskbar", {Above}, 0, {100, -500, 500, -200}, SW_SHOWNORMAL,
     {100, 40, 500, 340}, {100, 40, 500, 340}, {}},
};

// Named by its row in test names and failures.
void PrintTo(const MonitorCase &c, std::ostream *out) { *out << c.name; }

class MonitorGone : public Switching, public ::testing::WithParamInterface<MonitorCase> {};

TEST_P(MonitorGone, WindowComesBackOnTheNearestWorkArea)
{
    const MonitorCase &c = GetParam();
    sim::SetWorkArea(sim::PrimaryMonitor(), PrimaryWork);
    std::vector<HMONITOR> others;
    for (const Display &d : c.others)
        others.push_back(sim::AddMonitor(d.area, d.work));
    HWND w = App("W");
    sim::Place(w, c.normal);
    if (c.showCmd != SW_SHOWNORMAL)
        sim::OwnerShow(w, c.showCmd == SW_SHOWMINIMIZED ? SW_SHOWMINNOACTIVE : (int)c.showCmd);
    AdoptUnseenWindows();
    SwitchToGroup(1);
    sim::RemoveMonitor(others[c.removed]);
    sim::ClearCalls();
    SwitchToGroup(0);
    EXPECT_ON_SCREEN(w, c.showCmd);
    if (c.showCmd != SW_SHOWMINIMIZED)
        EXPECT_EQ(sim::Bounds(w), c.bounds);
    EXPECT_EQ(sim::NormalBounds(w), c.normalAfter);
    EXPECT_CALLS(c.placed, sim::CallsOf({"SetWindowPlacement"}));
}

INSTANTIATE_TEST_SUITE_P(Layouts, MonitorGone, ::testing::ValuesIn(MonitorLayouts),
                         [](const ::testing::TestParamInfo<MonitorCase> &i) { return std::string(i.param.name); });

// The batch hands the windows over from the bottom of the captured stacking
// up, whatever their order in the group; without room for that order it
// falls back to array order and still shows every window.
TEST_F(Switching, BatchOrderFollowsTheCapturedStacking)
{
    HWND a = HiddenApp("A", SW_SHOWNORMAL), b = HiddenApp("B", SW_SHOWNORMAL), c = HiddenApp("C", SW_SHOWNORMAL);
    PutEntry(1, a, SW_SHOWNORMAL, 1);
    PutEntry(1, b, SW_SHOWNORMAL, 2);
    PutEntry(1, c, SW_SHOWNORMAL, 0);
    sim::ClearCalls();
    ShowGroup(1);
    EXPECT_CALLS((std::vector<std::string>{"DeferWindowPos(B, 0, 0x0253)", "DeferWindowPos(A, 0, 0x0253)",
                                           "DeferWindowPos(C, 0, 0x0253)"}),
                 sim::CallsOf({"DeferWindowPos"}));
    EXPECT_STACKING(c, a, b);

    SwitchToGroup(1);
    sim::ClearCalls();
    SwitchToGroup(0);
    // Hidden from the bottom up, the active window last.
    EXPECT_CALLS((std::vector<std::string>{"ShowWindow(B, 0)", "ShowWindow(A, 0)", "ShowWindow(C, 0)"}),
                 sim::CallsOf({"ShowWindow"}));
    // The plan lives in the group's own block: a switch needs no room it
    // may not get.
    sim::FailCall("HeapAlloc", 1, 0);
    sim::ClearCalls();
    SwitchToGroup(1);
    sim::ClearFaults();
    EXPECT_CALLS((std::vector<std::string>{"DeferWindowPos(B, 0, 0x0253)", "DeferWindowPos(A, 0, 0x0253)",
                                           "DeferWindowPos(C, 0, 0x0253)"}),
                 sim::CallsOf({"DeferWindowPos", "ShowWindow"}));
    for (HWND w : {a, b, c})
        EXPECT_ON_SCREEN(w, SW_SHOWNORMAL);
    EXPECT_EQ(sim::Foreground(), c);
}

TEST_F(Switching, WindowsFollowTheirGroups)
{
    HWND a = App("A");
    AdoptUnseenWindows();
    SwitchToGroup(2);
    HWND b = App("B");
    SwitchToGroup(4);  // B is adopted into group 2 before it is left
    EXPECT_HIDDEN_BY_US(a);
    EXPECT_HIDDEN_BY_US(b);
    EXPECT_EQ(Members(2), (std::vector<HWND>{b}));
    SwitchToGroup(2);
    EXPECT_ON_SCREEN(b, SW_SHOWNORMAL);
    EXPECT_HIDDEN_BY_US(a);
}

TEST_F(Switching, FailedBatchStartFallsBackToSingleShows)
{
    HWND w1 = HiddenApp("W1", SW_SHOWNORMAL), w2 = HiddenApp("W2", SW_SHOWNORMAL),
         w3 = HiddenApp("W3", SW_SHOWMINNOACTIVE);
    PutEntry(1, w1, SW_SHOWNORMAL, 1);
    PutEntry(1, w2, SW_SHOWNORMAL, 0);
    PutEntry(1, w3, SW_SHOWMINIMIZED, 2);
    sim::FailCall("BeginDeferWindowPos");
    sim::ClearCalls();
    ShowGroup(1);
    EXPECT_CALLS((std::vector<std::string>{
                     "BeginDeferWindowPos(2)", "ShowWindow(W1, 8)", "ShowWindow(W2, 8)", "ShowWindow(W3, 7)",
                     "SetWindowPos(W2, 0, 0, 0, 0, 0, 0x0203)", "SetForegroundWindow(W2)",
                     "RemovePropA(W1, PlinthwiseHidden)", "RemovePropA(W2, PlinthwiseHidden)",
                     "RemovePropA(W3, PlinthwiseHidden)"}),
                 ShowGroupCalls());
    EXPECT_ON_SCREEN(w1, SW_SHOWNORMAL);
    EXPECT_ON_SCREEN(w3, SW_SHOWMINIMIZED);
}

// A batch refused at its end moved nothing: every window is shown singly.
TEST_F(Switching, FailedBatchEndShowsEveryWindowSingly)
{
    HWND w1 = HiddenApp("W1", SW_SHOWNORMAL), w2 = HiddenApp("W2", SW_SHOWNORMAL);
    PutEntry(1, w1, SW_SHOWNORMAL, 1);
    PutEntry(1, w2, SW_SHOWNORMAL, 0);
    sim::FailCall("EndDeferWindowPos");
    sim::ClearCalls();
    ShowGroup(1);
    EXPECT_CALLS((std::vector<std::string>{"ShowWindow(W1, 8)", "ShowWindow(W2, 8)"}), sim::CallsOf({"ShowWindow"}));
    EXPECT_ON_SCREEN(w1, SW_SHOWNORMAL);
    EXPECT_ON_SCREEN(w2, SW_SHOWNORMAL);
    EXPECT_EQ(sim::Foreground(), w2);
}

TEST_F(Switching, ThirdDeferralFailingShowsEveryWindowSingly)
{
    std::vector<HWND> w;
    for (int i = 1; i <= 4; i++) {
        w.push_back(HiddenApp("W" + std::to_string(i), SW_SHOWNORMAL));
        PutEntry(1, w.back(), SW_SHOWNORMAL, 4 - i);
    }
    sim::FailCall("DeferWindowPos", 3);
    sim::ClearCalls();
    ShowGroup(1);
    EXPECT_CALLS((std::vector<std::string>{
                     "BeginDeferWindowPos(4)", "DeferWindowPos(W1, 0, 0x0253)", "DeferWindowPos(W2, 0, 0x0253)",
                     "DeferWindowPos(W3, 0, 0x0253)", "ShowWindow(W1, 8)", "ShowWindow(W2, 8)", "ShowWindow(W3, 8)",
                     "ShowWindow(W4, 8)", "SetWindowPos(W4, 0, 0, 0, 0, 0, 0x0203)",
                     "SetForegroundWindow(W4)", "RemovePropA(W1, PlinthwiseHidden)",
                     "RemovePropA(W2, PlinthwiseHidden)", "RemovePropA(W3, PlinthwiseHidden)",
                     "RemovePropA(W4, PlinthwiseHidden)"}),
                 ShowGroupCalls());
    for (HWND x : w)
        EXPECT_ON_SCREEN(x, SW_SHOWNORMAL);
}

TEST_F(Switching, AllMinimisedGroupComesBackWithoutBatchOrActivation)
{
    HWND a = HiddenApp("A", SW_SHOWMINNOACTIVE), b = HiddenApp("B", SW_SHOWMINNOACTIVE);
    PutEntry(1, a, SW_SHOWMINIMIZED, 0);
    PutEntry(1, b, SW_SHOWMINIMIZED, 1);
    sim::ClearCalls();
    ShowGroup(1);
    EXPECT_CALLS((std::vector<std::string>{"ShowWindow(A, 7)", "ShowWindow(B, 7)", "RemovePropA(A, PlinthwiseHidden)",
                                           "RemovePropA(B, PlinthwiseHidden)"}),
                 ShowGroupCalls());
}

TEST_F(Switching, EqualLowestRanksChooseTheEarlierEntry)
{
    HWND a = HiddenApp("A", SW_SHOWNORMAL), b = HiddenApp("B", SW_SHOWNORMAL), c = HiddenApp("C", SW_SHOWNORMAL);
    PutEntry(1, a, SW_SHOWNORMAL, 3);
    PutEntry(1, b, SW_SHOWNORMAL, -2);
    PutEntry(1, c, SW_SHOWNORMAL, -2);
    ShowGroup(1);
    EXPECT_EQ(sim::Foreground(), b);
}

TEST_F(Switching, DestroyedBetweenSwitchesAreDroppedWhenTheirGroupIsShown)
{
    HWND a = App("A"), b = App("B");
    AdoptUnseenWindows();
    SwitchToGroup(1);
    sim::Destroy(b);
    RunMaintenancePass();
    EXPECT_EQ(GroupTable[0].count, 2) << "the purge keeps entries of destroyed windows";
    SwitchToGroup(0);
    EXPECT_EQ(Members(0), (std::vector<HWND>{a}));
    EXPECT_ON_SCREEN(a, SW_SHOWNORMAL);

    // Every window of the group gone: nothing shown or activated.
    SwitchToGroup(1);
    sim::Destroy(a);
    sim::ClearCalls();
    SwitchToGroup(0);
    EXPECT_EQ(GroupTable[0].count, 0);
    EXPECT_EQ(sim::CallsOf({"SetForegroundWindow", "BeginDeferWindowPos", "ShowWindow"}).size(), 0u);
}

// Windows their programs destroy while the switch runs are skipped and
// later dropped; the others are hidden and come back.
TEST_F(Switching, DestroyedDuringTheSwitchNeverStopsIt)
{
    HWND a = App("A"), b = App("B"), c = App("C");
    AdoptUnseenWindows();
    sim::BeforeCall("SetPropA", 2, [&] { sim::Destroy(b); });
    SwitchToGroup(1);
    EXPECT_FALSE(sim::Exists(b));
    EXPECT_HIDDEN_BY_US(a);
    EXPECT_HIDDEN_BY_US(c);

    sim::BeforeCall("DeferWindowPos", 1, [&] { sim::Destroy(c); });
    SwitchToGroup(0);
    EXPECT_FALSE(sim::Exists(c));
    EXPECT_ON_SCREEN(a, SW_SHOWNORMAL);
}

TEST_F(Switching, WindowHiddenByItsProgramIsNotMarkedAndIsPurged)
{
    HWND a = App("A"), own = App("Own");
    AdoptUnseenWindows();
    sim::OwnerShow(own, SW_HIDE);
    SwitchToGroup(1);
    EXPECT_FALSE(sim::HasProp(own, HiddenMarkerName));
    EXPECT_HIDDEN_BY_US(a);
    RunMaintenancePass();
    EXPECT_EQ(FindInAnyGroup(own), nullptr);
    EXPECT_NE(FindInAnyGroup(a), nullptr);
}

// The capture reads the show state from the style; a failed read keeps
// the saved state, and the top window is then shown in it.
TEST_F(Switching, FailedStateReadKeepsTheSavedState)
{
    HWND a = App("A", SW_SHOWMAXIMIZED);
    AdoptUnseenWindows();
    sim::OwnerShow(a, SW_SHOWNORMAL);
    // The switch's ranking pass reads the styles of the windows it does not
    // know first; the read after those is the capture's.
    sim::ClearCalls();
    AdoptUnseenWindowsRanking(0);
    sim::FailCall("GetWindowLongA", (int)sim::CallsOf({"GetWindowLongA"}).size() + 1);
    SwitchToGroup(1);
    EXPECT_EQ(EntryOf(0, a).savedShowCmd, (UINT)SW_SHOWMAXIMIZED);
    SwitchToGroup(0);
    EXPECT_ON_SCREEN(a, SW_SHOWMAXIMIZED);
}

// Another program shuffling windows during the walk cannot keep the stacking
// capture going forever.
TEST_F(Switching, RankingPassEndsWhileTheZOrderKeepsChanging)
{
    HWND a = App("A"), b = App("B");
    // Before every look at a window new to the table, the bottom window moves
    // to the top: a walk of the Z order would meet the same windows without
    // end, the pass over a snapshot of it ends.
    std::function<void()> shuffle = [&] {
        std::vector<HWND> z = sim::ZOrder();
        sim::Activate(z.back());
        sim::BeforeCall("GetWindowLongA", 1, shuffle);
    };
    sim::BeforeCall("GetWindowLongA", 1, shuffle);
    SwitchToGroup(1);
    EXPECT_EQ(CurrentGroup, 1);
    EXPECT_HIDDEN_BY_US(a);
    EXPECT_HIDDEN_BY_US(b);
}

// A minimised window left with its group comes back minimised and is never
// the one activated; the carried window with the lowest rank is.
TEST_F(Switching, MinimisedNeverTopAndCarriedWindowOnTop)
{
    HWND m = App("M"), x = App("X"), carried = App("Carried");
    AdoptUnseenWindows();
    sim::OwnerShow(m, SW_SHOWMINNOACTIVE);
    sim::Activate(m);  // top of the Z order, but minimised
    SwitchToGroup(1);
    SwitchToGroup(0);
    EXPECT_ON_SCREEN(m, SW_SHOWMINIMIZED);
    EXPECT_NE(sim::Foreground(), m);

    GroupTable[0].entries[FindInGroup(0, x)].stackRank = -5;
    GroupTable[0].entries[FindInGroup(0, carried)].stackRank = -6;
    ShowGroup(0);
    EXPECT_EQ(sim::Foreground(), carried);

    // Minimised by its program while its group was hidden, the top window is
    // restored as it is activated, not left minimised.
    SwitchToGroup(1);
    sim::OwnerShow(carried, SW_MINIMIZE);
    sim::OwnerShow(carried, SW_HIDE);
    SwitchToGroup(0);
    EXPECT_ON_SCREEN(carried, SW_SHOWNORMAL);
    EXPECT_EQ(sim::Foreground(), carried);
}

// Positions in the Z order, top first, of the windows given.
std::vector<HWND> StackingOf(std::initializer_list<HWND> windows)
{
    std::vector<HWND> z = sim::ZOrder(), order;
    for (HWND w : z)
        if (std::find(windows.begin(), windows.end(), w) != windows.end())
            order.push_back(w);
    return order;
}

// Palettes owned by a window of the group go and come back with it, above it
// in their order, the owner activated; one its program hid and a tooltip are
// left alone. The carry takes them and an owned dialog along, and a summon
// brings them with their owner.
TEST_F(Switching, OwnedWindowsComeAndGoWithTheirOwner)
{
    HWND b = App("B"), a = App("A");
    HWND h = Palette("H", a), p = Palette("P", a), q = Palette("Q", a), closed = Palette("Closed", a);
    HWND tip = sim::MakeWindow("tooltips_class32", "", WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, SW_SHOWNA, 0, a);
    sim::OwnerShow(closed, SW_HIDE);
    // Activated, A stands above its palettes (Wine raises it alone); it
    // comes back below them, as Windows keeps an owner.
    sim::Activate(a);
    std::vector<HWND> stacked = {q, p, a, b};
    SwitchToGroup(1);
    for (HWND w : {a, b, p, q})
        EXPECT_HIDDEN_BY_US(w);
    EXPECT_FALSE(sim::Visible(closed) || sim::HasProp(closed, HiddenMarkerName));
    EXPECT_TRUE(sim::Visible(tip) && !sim::HasProp(tip, HiddenMarkerName));
    sim::Destroy(tip);
    // Shown singly, then the owner raised: its palettes go back above it.
    sim::FailCall("EndDeferWindowPos");
    SwitchToGroup(0);
    for (HWND w : {a, b, p, q})
        EXPECT_ON_SCREEN(w, SW_SHOWNORMAL);
    EXPECT_FALSE(sim::Visible(closed));
    EXPECT_EQ(StackingOf({a, b, p, q}), stacked);
    EXPECT_EQ(sim::Foreground(), a);

    HWND find = sim::MakeWindow("#32770", "Find", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, SW_SHOWNORMAL, 0, a);
    AdoptUnseenWindows();
    sim::Activate(a);
    stacked = {find, q, p, a};
    RunMaintenancePass();        // nothing left for the purge to look at
    sim::OwnerShow(h, SW_HIDE);  // closed by its program: not carried, not shown
    EXPECT_TRUE(CarryToGroup(2));
    EXPECT_FALSE(sim::Visible(h));
    EXPECT_HIDDEN_BY_US(b);
    for (HWND w : {a, find, p, q})
        EXPECT_NE(FindInGroup(2, w), NotFound) << sim::NameOf(w);
    EXPECT_EQ(StackingOf({a, find, p, q}), stacked);
    EXPECT_EQ(sim::Foreground(), a);

    // One closed while hidden is dropped, not brought along.
    SwitchToGroup(0);
    sim::Destroy(find);
    sim::Activate(a);
    ForegroundEventProc(nullptr, EVENT_SYSTEM_FOREGROUND, a, 0, 0, 0, 0);
    for (HWND w : {a, p, q}) {
        EXPECT_ON_SCREEN(w, SW_SHOWNORMAL);
        EXPECT_NE(FindInGroup(0, w), NotFound) << sim::NameOf(w);
    }
    EXPECT_EQ(FindInAnyGroup(find), nullptr);
    EXPECT_EQ(StackingOf({a, p, q}), (std::vector<HWND>{q, p, a}));
}

// Palettes and their own palettes that appeared since the last tick, of a
// window of the group or of one opened without activation (unknown to the
// table): the switch takes them all along with their owners.
TEST_F(Switching, OwnedWindowsNewSinceTheLastTickGoWithTheirOwner)
{
    HWND a = App("A");
    AdoptUnseenWindows();
    HWND p = Palette("P", a), sub = Palette("Sub", p);
    HWND n = sim::MakeWindow("TestApp", "N", WS_OVERLAPPEDWINDOW, 0, SW_SHOWNA), pn = Palette("PN", n);
    SwitchToGroup(1);
    for (HWND w : {a, p, sub, n, pn})
        EXPECT_HIDDEN_BY_US(w);
}

// A window of a busy program comes back below the window activated and
// below that window's own palettes, which go above it; one the user clicks
// as it comes back stays on top.
TEST_F(Switching, LateWindowEndsBelowTheActivatedWindowUnlessTheUserClickedIt)
{
    HWND late = AppOfItsOwn("Late"), top = App("Top"), p = Palette("P", top);
    SwitchToGroup(1);
    sim::Hang(late, 1000);
    SwitchToGroup(0);
    sim::AdvanceTime(1000);
    RunMaintenancePass();
    EXPECT_STACKING(p, top, late);

    SwitchToGroup(1);
    sim::Hang(late, 1000);
    SwitchToGroup(0);
    sim::AdvanceTime(1000);
    sim::Activate(late);
    RunMaintenancePass();
    EXPECT_EQ(sim::Foreground(), late);
    EXPECT_STACKING(late, top);
}

// A late window queued while the top window is still on the queued path
// and its palette answers goes below the top window, not below the palette
// above it, which would cover the window activated; nor does the tick that
// sees it back while the top window is still on the queued path.
TEST_F(Switching, LateWindowIsNotQueuedBelowThePaletteOfAQueuedTopWindow)
{
    HWND late = AppOfItsOwn("Late"), top = AppOfItsOwn("Top");
    sim::Hang(top, 300);
    SwitchToGroup(1);
    SwitchToGroup(0);        // a hide and a show queued: the top window stays on the queued path
    sim::AdvanceTime(1100);  // its program is asked again, and answers
    HWND p = Palette("P", top);
    SwitchToGroup(1);
    sim::Hang(late, 1000);
    SwitchToGroup(0);
    sim::AdvanceTime(1000);
    EXPECT_STACKING(p, top, late);
    RunMaintenancePass();
    EXPECT_STACKING(p, top, late);
}

// A late window of the top window's own busy program goes on top when its
// queue runs, and the top window's show and raise, queued behind it, then
// put that one above it. Anchored to the top window, still hidden then where
// it was hidden, it would end below the windows shown meanwhile; the
// activation that would raise it at once is refused here, as the system may.
TEST_F(Switching, LateWindowOfTheTopWindowsProgramEndsRightBelowIt)
{
    HWND a = App("A"), late = AppOfItsOwn("Late");
    HWND top = sim::MakeWindow("TestApp", "Top", WS_OVERLAPPEDWINDOW, 0, SW_SHOWNORMAL, sim::OwnerOf(late));
    SwitchToGroup(1);
    sim::Hang(late, 1000);
    sim::RefuseForeground(true);
    SwitchToGroup(0);
    sim::AdvanceTime(1000);
    EXPECT_STACKING(top, late, a);
}

// W's thread answers sent messages at once while its queue still waits (a
// nested send); a tick, the switch to `group`, then time for every queue.
static void SwitchWhileItsQueueWaits(HWND w, int group)
{
    sim::NestedSend(w, 3000);
    sim::AdvanceTime(1500);
    RunMaintenancePass();
    SwitchToGroup(group);
    sim::AdvanceTime(3000 + 5000);
    RunMaintenancePass();
}

// A hide queued behind calls whose outcome was not yet seen keeps the
// window on the queued path for as long as its program may take to run that
// hide, not the first call: the switch back queues its show behind it.
TEST_F(Switching, HideQueuedBehindUnsettledCallsIsWaitedFor)
{
    HWND w = AppOfItsOwn("W");
    sim::Hang(w, 1000);
    SwitchToGroup(1);
    SwitchToGroup(0);  // a hide and a show queued: seen on screen, they prove nothing
    sim::AdvanceTime(4000);
    RunMaintenancePass();
    sim::Hang(w, 3000);
    SwitchToGroup(1);
    SwitchWhileItsQueueWaits(w, 0);
    EXPECT_ON_SCREEN(w, SW_SHOWNORMAL);
}

// The same when the record of waiting windows is full (it holds 256) as the
// active window's hide is queued last: the oldest entry makes room for it.
// The other program answers before the switch back, which then records no
// window anew.
TEST_F(Switching, HideQueuedIntoAFullRecordIsWaitedFor)
{
    DWORD many = sim::StartForeignProcess("many.exe");
    for (int i = 0; i < 256; i++)
        sim::MakeWindow("TestApp", ("M" + std::to_string(i)).c_str(), WS_OVERLAPPEDWINDOW, 0, SW_SHOWNORMAL, many);
    HWND w = AppOfItsOwn("W");
    sim::Activate(w);
    sim::HangProcess(many, 1000);
    sim::Hang(w, 3000);
    SwitchToGroup(1);
    SwitchWhileItsQueueWaits(w, 0);
    EXPECT_ON_SCREEN(w, SW_SHOWNORMAL);
}

// A window of a busy program that its program shows itself while its group
// comes back, after a move onto a monitor was queued for it and before its
// show is: seen on screen then, it proves nothing of its queue. The switch
// away queues its hide behind them, so that the move and the show, when they
// run, do not bring it back over the group shown.
TEST_F(Switching, ShowQueuedWhereItsProgramPutTheWindowIsWaitedFor)
{
    HMONITOR right = sim::AddMonitor(Right.area, Right.work);
    HWND t = App("T"), w = AppOfItsOwn("W");
    sim::Place(w, {1400, 100, 1800, 400});
    sim::Activate(t);
    SwitchToGroup(1);
    sim::RemoveMonitor(right);
    sim::Hang(w, 3000);
    // The first is the move, the second W's show.
    sim::BeforeCall("SetWindowPos", 2, [&] { sim::OwnerShow(w, SW_SHOWNA); });
    SwitchToGroup(0);
    SwitchWhileItsQueueWaits(w, 1);
    EXPECT_HIDDEN_BY_US(w);
}

// Windows delivers WinEvents while the thread waits in a cross-thread call:
// a window activated while the group is being shown is filed under that
// group, not under the one left.
TEST_F(Switching, ForegroundEventDuringTheShowFilesUnderTheGroupShown)
{
    HWND a = App("A"), b = App("B");
    PutEntry(0, a, SW_SHOWNORMAL, 0);
    PutEntry(1, b, SW_SHOWNORMAL, 0);
    sim::OwnerSetProp(b, HiddenMarkerName, 1);
    sim::OwnerShow(b, SW_HIDE);
    static std::vector<HWND> heard;
    heard.clear();
    SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, ForegroundEventProc, 0, 0,
                    WINEVENT_OUTOFCONTEXT);
    SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                    [](HWINEVENTHOOK, DWORD, HWND w, LONG, LONG, DWORD, DWORD) { heard.push_back(w); }, 0, 0,
                    WINEVENT_OUTOFCONTEXT);
    HWND n = nullptr;
    sim::BeforeCall("EndDeferWindowPos", 1, [&] {
        n = App("New");
        sim::Activate(n);
    });
    sim::BeforeCall("SetForegroundWindow", 1, [&] {
        EXPECT_NE(std::find(heard.begin(), heard.end(), n), heard.end()) << "delivered while the batch waited";
    });
    SwitchToGroup(1);
    EXPECT_EQ(Members(1), (std::vector<HWND>{b, n}));
    EXPECT_EQ(Members(0), (std::vector<HWND>{a}));
}

// The group on screen is not polled between switches: a tick asks nothing
// about its windows, and the switch that leaves it drops a window its own
// program hid (neither marked nor hidden again), as the purge would have.
TEST_F(Switching, GroupOnScreenIsNotPolledAndItsSwitchDropsWhatItsProgramHid)
{
    HWND a = App("A"), own = App("Own");
    PutEntry(0, a, SW_SHOWNORMAL, 0);
    PutEntry(0, own, SW_SHOWNORMAL, 1);
    sim::OwnerShow(own, SW_HIDE);
    sim::ClearCalls();
    PurgeUnmarkedHidden();
    EXPECT_TRUE(sim::Calls().empty()) << sim::Calls().front();
    EXPECT_EQ(Members(0), (std::vector<HWND>{a, own}));
    SwitchToGroup(1);
    EXPECT_EQ(Members(0), (std::vector<HWND>{a}));
    EXPECT_HIDDEN_BY_US(a);
    EXPECT_FALSE(sim::HasProp(own, HiddenMarkerName));
    EXPECT_TRUE(sim::CallsOf({"ShowWindow"}) == (std::vector<std::string>{"ShowWindow(A, 0)"}));
}


// A box that W opens while the user is in another group: a message box
// (owned, captioned) or an owned window without a caption.
struct BoxKind {
    const char *name, *className;
    DWORD style;
};
const BoxKind BoxKinds[] = {{"MessageBox", "#32770", WS_POPUP | WS_CAPTION | WS_SYSMENU}, {"Captionless", "Box", WS_POPUP}};
void PrintTo(const BoxKind &k, std::ostream *out) { *out << k.name; }

class BoxOfAHiddenWindow : public Switching, public ::testing::WithParamInterface<BoxKind> {
protected:
    // W in group 0, hidden by the switch to group 1; its box opens there.
    HWND OpenBox(HWND w, int showCmd)
    {
        SwitchToGroup(1);
        HWND box = sim::MakeWindow(GetParam().className, "Box", GetParam().style, 0, showCmd, 0, w);
        sim::Name(box, "Box");
        return box;
    }
};

// Activated, by the user or its program, it brings W into the group on
// screen, shown below it without taking the activation.
TEST_P(BoxOfAHiddenWindow, ActivatedItBringsItsOwner)
{
    HWND w = App("W"), box = OpenBox(w, SW_SHOWNORMAL);
    sim::Activate(box);
    ForegroundEventProc(nullptr, EVENT_SYSTEM_FOREGROUND, box, 0, 0, 0, 0);
    EXPECT_ON_SCREEN(w, SW_SHOWNORMAL);
    EXPECT_ON_SCREEN(box, SW_SHOWNORMAL);
    EXPECT_EQ(Members(1), (std::vector<HWND>{w, box}));
    EXPECT_EQ(sim::Foreground(), box);
    EXPECT_STACKING(box, w);
}

// Shown without activation, it stays on screen until the switch to W's
// group, which takes it along: from then on it goes and comes back with W,
// above it.
TEST_P(BoxOfAHiddenWindow, ShownWithItsOwnersGroupItTravelsWithIt)
{
    HWND w = App("W"), box = OpenBox(w, SW_SHOWNA);
    SwitchToGroup(0);
    EXPECT_ON_SCREEN(box, SW_SHOWNORMAL);
    EXPECT_STACKING(box, w);
    SwitchToGroup(1);
    EXPECT_HIDDEN_BY_US(w);
    EXPECT_HIDDEN_BY_US(box);
    SwitchToGroup(0);
    EXPECT_ON_SCREEN(w, SW_SHOWNORMAL);
    EXPECT_ON_SCREEN(box, SW_SHOWNORMAL);
    EXPECT_STACKING(box, w);
}

// Exit with the box still waiting on screen in W's hidden group: W comes
// back below it.
TEST_P(BoxOfAHiddenWindow, ExitShowsItsOwnerBelowIt)
{
    HWND w = App("W"), box = OpenBox(w, SW_SHOWNA);
    RunMaintenancePass();
    EXPECT_ON_SCREEN(box, SW_SHOWNORMAL);
    ReleaseEveryWindow();
    EXPECT_ON_SCREEN(w, SW_SHOWNORMAL);
    EXPECT_ON_SCREEN(box, SW_SHOWNORMAL);
    EXPECT_STACKING(box, w);
}

INSTANTIATE_TEST_SUITE_P(Kinds, BoxOfAHiddenWindow, ::testing::ValuesIn(BoxKinds),
                         [](const ::testing::TestParamInfo<BoxKind> &i) { return std::string(i.param.name); });

} // namespace
