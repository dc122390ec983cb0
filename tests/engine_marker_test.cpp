// The marker under refused calls: a window is hidden only with the marker,
// keeps it while it stays hidden and loses it once it is on screen, whichever
// single call of a switch, a summon, the exit release or the recovery pass
// fails.
#include <iterator>
#include <set>

#include "shell/shutdown.h"
#include "tests/engine_fixture.h"

namespace {

// Hidden by us, or on screen without the marker: nothing in between.
void CheckMarkerFollowsVisibility(const char *file, int line, HWND window)
{
    if (sim::Exists(window) && sim::Visible(window) == sim::HasProp(window, HiddenMarkerName))
        ADD_FAILURE_AT(file, line) << sim::NameOf(window) << ": visible " << sim::Visible(window) << ", marked "
                                   << sim::HasProp(window, HiddenMarkerName);
}
#define EXPECT_MARKER_FOLLOWS_VISIBILITY(w) CheckMarkerFollowsVisibility(__FILE__, __LINE__, (w))

struct Operation {
    const char *name;
    void (*run)(HWND summoned);
};

void Activated(HWND window)
{
    sim::Activate(window);
    ForegroundEventProc(nullptr, EVENT_SYSTEM_FOREGROUND, window, 0, 0, 0, 0);
}

const Operation Operations[] = {
    {"switch", [](HWND) { SwitchToGroup(1); }},
    {"summon", [](HWND w) { Activated(w); }},
    {"exit release", [](HWND) { Shutdown(); }},
    {"recovery pass", [](HWND) { RestoreMarkedWindows(); }},
};

const char *const FailingCalls[] = {"SetPropA", "ShowWindow", "DeferWindowPos", "EndDeferWindowPos", "SetWindowPos"};

// Every operation with every one of its calls of the five failing in turn,
// the first, the second and so on until the operation makes no more of them.
TEST(MarkerUnderFailure, EverySingleRefusedCall)
{
    std::set<std::string> hit;
    for (const Operation &op : Operations) {
        for (const char *call : FailingCalls) {
            for (int nth = 1;; nth++) {
                SCOPED_TRACE(std::string(op.name) + ", " + call + " call " + std::to_string(nth) + " fails");
                // Group 1 on screen in three states, group 2 hidden and marked.
                std::vector<HWND> shown = {App("A"), App("B", SW_SHOWMAXIMIZED), App("M", SW_SHOWMINNOACTIVE)};
                std::vector<HWND> hidden = {App("X"), App("Y", SW_SHOWMAXIMIZED), App("N", SW_SHOWMINNOACTIVE)};
                const UINT states[] = {SW_SHOWNORMAL, SW_SHOWMAXIMIZED, SW_SHOWMINIMIZED};
                for (int i = 0; i < 3; i++) {
                    PutEntry(0, shown[i], states[i], i);
                    PutEntry(1, hidden[i], states[i], i);
                    sim::OwnerSetProp(hidden[i], HiddenMarkerName, 1);
                    sim::OwnerShow(hidden[i], SW_HIDE);
                }
                // Palettes of A on screen and of X hidden with it.
                HWND p = Palette("P", shown[0]), q = Palette("Q", hidden[0]);
                PutEntry(1, q, SW_SHOWNORMAL, -1, hidden[0]);
                sim::OwnerSetProp(q, HiddenMarkerName, 1);
                sim::OwnerShow(q, SW_HIDE);
                size_t before = sim::FaultsHit();
                sim::FailCall(call, nth);
                op.run(hidden[0]);
                sim::ClearFaults();
                bool failed = sim::FaultsHit() != before;

                for (HWND w : shown)
                    EXPECT_MARKER_FOLLOWS_VISIBILITY(w);
                for (HWND w : hidden)
                    EXPECT_MARKER_FOLLOWS_VISIBILITY(w);
                EXPECT_MARKER_FOLLOWS_VISIBILITY(p);
                EXPECT_MARKER_FOLLOWS_VISIBILITY(q);
                EXPECT_NE(FindInAnyGroup(q), nullptr);
                // Nothing leaves the table, and what could not be hidden stays in its group.
                for (HWND w : shown)
                    EXPECT_NE(FindInGroup(0, w), NotFound) << sim::NameOf(w);
                for (HWND w : hidden)
                    EXPECT_NE(FindInAnyGroup(w), nullptr) << sim::NameOf(w);

                for (HWND w : shown)
                    sim::Destroy(w);
                for (HWND w : hidden)
                    sim::Destroy(w);
                GroupTable[0].count = GroupTable[1].count = 0;
                CurrentGroup = 0;
                if (!failed)
                    break;
                hit.insert(call);
            }
        }
    }
    // Every call of the five was made to fail somewhere.
    EXPECT_EQ(hit.size(), std::size(FailingCalls));
}

// A window whose show failed stays hidden and marked in the group on screen;
// once its own program shows it, the maintenance tick takes the marker off.
TEST(MarkerUnderFailure, WindowShownLaterLosesTheMarkerAtTheTick)
{
    HWND a = App("A"), x = App("X", SW_SHOWMINNOACTIVE);
    PutEntry(0, a, SW_SHOWNORMAL, 0);
    PutEntry(1, x, SW_SHOWMINIMIZED, 0);
    sim::OwnerSetProp(x, HiddenMarkerName, 1);
    sim::OwnerShow(x, SW_HIDE);
    sim::FailCall("ShowWindow", 2);  // the hide of A works, the show of X fails
    SwitchToGroup(1);
    EXPECT_HIDDEN_BY_US(x);
    UnmarkShownCurrentGroup();
    EXPECT_HIDDEN_BY_US(x);
    sim::OwnerShow(x, SW_SHOWMINNOACTIVE);
    UnmarkShownCurrentGroup();
    EXPECT_ON_SCREEN(x, SW_SHOWMINIMIZED);
}

// A window of a program more privileged than ours refuses the marker, so the
// switch leaves it on screen in its group, until the user activates it; the
// others go and come back.
TEST(MarkerUnderFailure, PrivilegedWindowStaysOnScreenInItsGroup)
{
    sim::MakeTaskbar();
    HWND a = App("A"), p = App("Elevated");
    sim::MarkPrivileged(p);
    EXPECT_FALSE(SetPropA(p, HiddenMarkerName, (HANDLE)1));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    AdoptUnseenWindows();
    SwitchToGroup(1);
    EXPECT_HIDDEN_BY_US(a);
    EXPECT_ON_SCREEN(p, SW_SHOWNORMAL);
    EXPECT_NE(FindInGroup(0, p), NotFound);
    // Activated while its group is hidden, it joins the group on screen.
    Activated(p);
    EXPECT_NE(FindInGroup(1, p), NotFound);
    EXPECT_EQ(FindInGroup(0, p), NotFound);
    SwitchToGroup(0);
    EXPECT_ON_SCREEN(a, SW_SHOWNORMAL);
    EXPECT_ON_SCREEN(p, SW_SHOWNORMAL);
    // Left on screen in the hidden group, then hidden by its own program: the
    // tick drops it.
    sim::OwnerShow(p, SW_HIDE);
    PurgeUnmarkedHidden();
    EXPECT_EQ(FindInAnyGroup(p), nullptr);
}

} // namespace
