// The workspace engine under random, reproducible desktop activity: other
// programs make, hide, show, resize, retitle and destroy windows, the user
// activates them, and the program switches, carries, runs its maintenance
// tick and hears foreground events, while calls fail at random, some
// windows belong to a more privileged program that refuses every change, and
// the programs owning the windows are busy, hang (and get a stand-in), wait
// in a nested send of their own, and answer again as time passes.
// After every step the table and the desktop are checked against what the
// engine promises: above all that no window it hid is ever lost, that a
// window is hidden only with the marker, keeps it while hidden and loses it
// once the engine has it on screen again, and also that a switch shows its
// group stacked as captured, that only an activation summons a hidden
// window, and that the exit release and the watcher show everything; on the
// queued path, that a window its own program hid is never shown or marked,
// that no marker goes while a hide is queued, that no show is queued twice,
// and that once every program answers the group on screen stands as it was
// captured with the activated window on top.
//
// PLINTH_SEED and PLINTH_STEPS override the seed of EngineRandom.DefaultSeed
// and the step count of every case, for long runs and for replaying a
// failure (which prints the command that replays it); PLINTH_CALLS prints the
// calls of the failing step too.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "shell/appstate.h"
#include "shell/shutdown.h"
#include "sim/sim.h"
#include "workspace/foreground.h"
#include "workspace/owned.h"
#include "workspace/eligibility.h"
#include "workspace/groups.h"
#include "workspace/maintenance.h"
#include "workspace/marker.h"
#include "workspace/nowait.h"
#include "workspace/recovery.h"
#include "workspace/nowait.h"
#include "workspace/switching.h"

namespace {

const uint64_t DefaultSeed = 20261208;
const long DefaultSteps = 15000;
const size_t RecentSteps = 40;  // steps printed with a failure
const int ProgramCount = 6;     // other programs owning the windows, one thread each
const DWORD TickInterval = 500; // ms, the maintenance timer's
const int SettleTicks = 12;     // past the 5 s after which a queue counts as run

// xorshift64*, seeded through splitmix64: the same numbers with every
// compiler and library, so that a seed replays anywhere.
struct Rng {
    uint64_t state;
};

void Seed(Rng &r, uint64_t seed)
{
    uint64_t z = seed + 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    r.state = (z ^ (z >> 31)) | 1;
}

int Below(Rng &r, int n)
{
    r.state ^= r.state >> 12;
    r.state ^= r.state << 25;
    r.state ^= r.state >> 27;
    return (int)(((r.state * 0x2545F4914F6CDD1DULL) >> 33) % (uint64_t)n);
}

bool Chance(Rng &r, int percent) { return Below(r, 100) < percent; }

// What sim::FailCall arms, replayed on the logged calls. Only the heap
// calls are followed: the engine always passes them a valid heap and
// block, so every logged call consults the fault exactly once.
struct HeapFault {
    bool armed;
    int skip;
    int times;
};

struct World {
    Rng rng;
    uint64_t seed;
    long steps;
    long step;
    HWINEVENTHOOK hook;                      // the engine's foreground hook
    std::vector<HWND> live;                  // windows of other programs that exist
    std::map<HWND, DWORD> styles, exStyles;  // as made or restyled
    DWORD programs[ProgramCount];
    int made;
    int population;                          // the live count the activity drifts toward
    // Windows that were on screen until the engine hid them and that nobody
    // has shown since: each must stay marked and in a group.
    std::set<HWND> hiddenByEngine;
    // Of those, the ones a summon whose growth failed left in no group:
    // marked, so the watcher brings them back.
    std::set<HWND> strays;
    // Hidden windows the user activated: a summon of these is asked for.
    std::set<HWND> activatedWhileHidden;
    // Windows of a more privileged program: the engine cannot change them.
    std::set<HWND> privileged;
    // Windows their own program hid while on screen and unmarked, or made
    // hidden, and has not shown since: never the engine's to show or mark.
    // One it hid while marked cannot be told from one the engine hid.
    std::set<HWND> hiddenByProgram;
    // Since the last switch only the programs' threads, time, ticks and
    // events acted: once all answer, the group shown must stand as captured.
    bool stackingHeld;
    std::set<HWND> stackingWindows;
    std::set<HWND> showable;  // the target group's windows before a switch, the carried one
    bool staleActivation;  // an activating show of another window waited since the switch
    std::set<HWND> queuedRaises;  // a raise that activates waits in their programs' queues
    int lateAtAnswer;      // late windows when every program was made to answer, since the switch
    // Before the current step: the windows on screen, and those marked.
    std::set<HWND> visibleBefore, markedBefore, currentBefore;
    std::set<HWND> showQueuedBefore;  // with a show waiting in its program's queue
    bool programStep;                        // only the engine acted in this step
    size_t faultsBefore;                     // sim::FaultsHit() before this step
    size_t markFaultsBefore, showFaultsBefore;  // of SetPropA, and of the calls that show
    HeapFault heap[2];                       // HeapAlloc, HeapReAlloc
    bool growthFailed;                       // a group could not grow in this step
    bool otherHeapFailed;                    // another allocation failed in this step
    std::deque<std::string> recent;
    std::map<std::string, long> counts;      // what the run exercised
    bool failed;
};

std::string Name(HWND w) { return sim::NameOf(w); }

void Note(World &w, const std::string &text)
{
    char prefix[32];
    snprintf(prefix, sizeof prefix, "%6ld ", w.step);
    w.recent.push_back(prefix + text);
    if (w.recent.size() > RecentSteps)
        w.recent.pop_front();
}

// The engine's own eligibility, asked unlogged: the checks read the calls the
// engine made in a step (a refused switch makes none), and the test's
// questions are not among them.
bool Eligible(HWND h)
{
    sim::SetLogging(false);
    bool answer = sim::Exists(h) && IsEligibleWindow(h);
    sim::SetLogging(true);
    return answer;
}

// The group holding the window, or -1.
int GroupOf(HWND h)
{
    for (int g = 0; g < GroupCount; g++)
        for (int i = 0; i < GroupTable[g].count; i++)
            if (GroupTable[g].entries[i].window == h)
                return g;
    return -1;
}

std::string DescribeTable(const World &w)
{
    std::ostringstream text;
    text << "current group " << CurrentGroup << "\n";
    for (int g = 0; g < GroupCount; g++) {
        const Group &grp = GroupTable[g];
        text << "  group " << g << " (" << grp.count << "/" << grp.capacity << "):";
        for (int i = 0; i < grp.count; i++) {
            HWND h = grp.entries[i].window;
            text << " " << Name(h) << "[" << grp.entries[i].savedShowCmd << "," << grp.entries[i].stackRank
                 << (sim::Exists(h) ? (sim::Visible(h) ? ",vis" : ",hid") : ",gone")
                 << (sim::HasProp(h, HiddenMarkerName) ? ",M" : "") << (w.privileged.count(h) ? ",P" : "")
                 << (grp.entries[i].owner ? ",of " + Name(grp.entries[i].owner) : "") << "]";
        }
        text << "\n";
    }
    return text.str();
}

// Reports a broken promise with what replays it, and ends the run.
void Fail(const char *file, int line, World &w, const std::string &what)
{
    std::ostringstream text;
    text << what << "\nseed " << w.seed << ", step " << w.step << " of " << w.steps << "\nreplay: PLINTH_SEED="
         << w.seed << " PLINTH_STEPS=" << w.step + 1
         << " engine_random_test --gtest_filter=EngineRandom.DefaultSeed\nlast steps:\n";
    for (const std::string &s : w.recent)
        text << "  " << s << "\n";
    text << DescribeTable(w);
    if (getenv("PLINTH_CALLS"))
        for (const std::string &call : sim::Calls())
            text << "    " << call << "\n";
    ADD_FAILURE_AT(file, line) << text.str();
    w.failed = true;
}
#define FAIL_WORLD(w, what) Fail(__FILE__, __LINE__, (w), (what))

// ---- Checks -----------------------------------------------------------------

// What must hold after every step.
void CheckWorld(const char *file, int line, World &w)
{
    std::map<HWND, int> seen;
    size_t arrays = 0;
    for (int g = 0; g < GroupCount; g++) {
        const Group &grp = GroupTable[g];
        bool growthRule = grp.capacity == 0 || (grp.capacity >= 32 && grp.capacity % 32 == 0 &&
                                                ((grp.capacity / 32) & (grp.capacity / 32 - 1)) == 0);
        if (grp.count < 0 || grp.count > grp.capacity || !growthRule || (grp.capacity > 0) != (grp.entries != nullptr))
            return Fail(file, line, w, "group " + std::to_string(g) + " has count " + std::to_string(grp.count) +
                                           ", capacity " + std::to_string(grp.capacity));
        arrays += grp.entries != nullptr;
        for (int i = 0; i < grp.count; i++)
            if (++seen[grp.entries[i].window] > 1)
                return Fail(file, line, w, Name(grp.entries[i].window) + " stands in the table twice");
    }
    if (sim::LiveHeapBlocks() != arrays)
        return Fail(file, line, w, "heap blocks " + std::to_string(sim::LiveHeapBlocks()) + " for " +
                                       std::to_string(arrays) + " group arrays");
    if (CurrentGroup < 0 || CurrentGroup >= GroupCount)
        return Fail(file, line, w, "current group " + std::to_string(CurrentGroup));
    for (HWND h : w.live) {
        bool hidden = sim::Exists(h) && !sim::Visible(h), marked = sim::HasProp(h, HiddenMarkerName);
        std::vector<int> queued = sim::QueuedVisibility(h);
        // A show queued behind every hide brings the window back whatever
        // runs: the queue, not the marker, is then its way back.
        bool hideQueued = !queued.empty() && queued.back() == SW_HIDE;
        bool comesBack = !queued.empty() && queued.back() != SW_HIDE;
        // Known gap: once its program has hung for 5 s, a window its program
        // hid cannot be told from one hidden behind its stand-in, which must
        // be marked and hidden with its group; the engine takes the side on
        // which no window is lost.
        if (w.hiddenByProgram.count(h) && hidden && marked && sim::Hung(h)) {
            w.hiddenByProgram.erase(h);
            w.counts["hidden by its program, then hung: marked"]++;
        }
        if (w.hiddenByProgram.count(h) && (!hidden || marked))
            return Fail(file, line, w, Name(h) + ", hidden by its own program, was " + (hidden ? "marked" : "shown"));
        if (hidden && !marked && !w.hiddenByProgram.count(h) && !sim::BehindStandIn(h) && !comesBack)
            return Fail(file, line, w, Name(h) + " is hidden without its marker");
        if (w.markedBefore.count(h) && !marked && ((hidden && !comesBack) || hideQueued))
            return Fail(file, line, w, Name(h) + " lost its marker while " + (hidden ? "hidden" : "a hide is queued"));
        // Shows queued behind the last queued hide: one that brings the
        // window back as it was is enough (one that restores may follow).
        auto lastHide = std::find(queued.rbegin(), queued.rend(), SW_HIDE);
        if (std::count_if(queued.rbegin(), lastHide, [](int c) { return c == SW_SHOWNA || c == SW_SHOW; }) > 1)
            return Fail(file, line, w, Name(h) + " has more than one show queued");
        // The engine leaves no marker on a window it has on screen, once the
        // calls it queued for it have been seen to run; only a window its own
        // program showed keeps one until it is activated or its group is shown.
        if (w.programStep && !hidden && marked && !(w.visibleBefore.count(h) && w.markedBefore.count(h)) &&
            !HasQueuedCalls(h))
            return Fail(file, line, w, Name(h) + " is on screen and still marked");
    }
    for (HWND h : w.hiddenByEngine) {
        std::vector<int> queued = sim::QueuedVisibility(h);
        if (!sim::HasProp(h, HiddenMarkerName) && (queued.empty() || queued.back() == SW_HIDE))
            return Fail(file, line, w, Name(h) + " was hidden by the engine and lost its marker while hidden");
        if (seen.count(h) && w.strays.erase(h))
            continue;
        if (!seen.count(h) && !w.strays.count(h)) {
            if (!w.growthFailed)
                return Fail(file, line, w, Name(h) + " was hidden by the engine and is in no group");
            // Only a summon whose growth failed takes a hidden window out of
            // every group; the marker keeps it for the watcher.
            w.strays.insert(h);
            w.counts["summon left a window in no group"]++;
        }
    }
}
#define CHECK_WORLD(w) CheckWorld(__FILE__, __LINE__, (w))

// The windows on screen, those behind their stand-in included.
std::set<HWND> VisibleSet(World &w)
{
    std::set<HWND> out;
    for (HWND h : w.live)
        if (sim::Visible(h) || sim::BehindStandIn(h))
            out.insert(h);
    return out;
}

// Which allocations failed in this step. A group's array is allocated at
// 32 entries and only ever reallocated after that; other allocations (the
// order of a batch) have other sizes, or are read as growth in the rare case
// that they have the same.
void FollowHeapCalls(World &w)
{
    char firstArray[40];
    snprintf(firstArray, sizeof firstArray, "HeapAlloc(%lu)", (unsigned long)(32 * GroupBytesPerEntry));
    w.growthFailed = w.otherHeapFailed = false;
    for (const std::string &call : sim::CallsOf({"HeapAlloc", "HeapReAlloc"})) {
        bool realloc = call.compare(0, 12, "HeapReAlloc(") == 0;
        HeapFault &f = w.heap[realloc ? 1 : 0];
        if (!f.armed)
            continue;
        if (f.skip > 0) {
            f.skip--;
            continue;
        }
        if (realloc || call == firstArray)
            w.growthFailed = true;
        else
            w.otherHeapFailed = true;
        w.counts["heap calls failed"]++;
        if (--f.times <= 0)
            f.armed = false;
    }
}

// After any step: who hid and who showed the windows the engine is
// answerable for. Only the program acts during a program step.
void FollowVisibility(World &w, const std::set<HWND> &before, bool programStep, bool delivery)
{
    for (auto it = w.hiddenByEngine.begin(); it != w.hiddenByEngine.end();) {
        HWND h = *it;
        if (sim::Exists(h) && !sim::Visible(h)) {
            ++it;
            continue;
        }
        if (delivery && sim::Exists(h)) {
            // A delivered event summoned it. Only an activation that came
            // after the hide asks for that; the switch itself hands the
            // activation from window to window of the group it hides. A
            // window of the group on screen whose show was refused may be
            // activated all the same, and the summon then shows it. A show
            // queued earlier may have run meanwhile. A palette comes with
            // the owner summoned.
            // Or a box of it was activated: its owner comes to it.
            GroupEntry *e = FindInAnyGroup(h), *active = FindInAnyGroup(sim::Foreground());
            bool withOwner = (e && e->owner && (w.activatedWhileHidden.count(e->owner) || (active && active->owner == e->owner))) ||
                             (active && active->owner == h);
            if (!w.activatedWhileHidden.count(h) && !w.currentBefore.count(h) && !w.showQueuedBefore.count(h) &&
                !withOwner)
                return FAIL_WORLD(w, Name(h) + " was summoned by an event from before it was hidden");
            w.counts["summons"]++;
        }
        w.strays.erase(h);
        it = w.hiddenByEngine.erase(it);
    }
    if (!programStep)
        return;
    for (HWND h : before) {
        if (sim::Exists(h) && !sim::Visible(h) && !sim::BehindStandIn(h)) {
            w.hiddenByEngine.insert(h);
            w.activatedWhileHidden.erase(h);
        }
    }
}

// ---- Steps: other programs and the user -----------------------------------

HWND AnyLive(World &w) { return w.live.empty() ? nullptr : w.live[Below(w.rng, (int)w.live.size())]; }

HWND AnyVisible(World &w)
{
    std::vector<HWND> v;
    for (HWND h : w.live)
        if (sim::Visible(h))
            v.push_back(h);
    return v.empty() ? nullptr : v[Below(w.rng, (int)v.size())];
}

void MakeOne(World &w)
{
    char title[32], name[32];
    snprintf(name, sizeof name, "W%d", ++w.made);
    snprintf(title, sizeof title, "Window %d", w.made);
    const char *cls = "App", *kind = "app";
    DWORD style = WS_OVERLAPPEDWINDOW, exStyle = 0;
    int k = Below(w.rng, 100);
    if (k < 6) {
        exStyle = WS_EX_TOOLWINDOW, kind = "tool";
    } else if (k < 12) {
        style = WS_POPUP, kind = "popup";
    } else if (k < 16) {
        style = WS_POPUP | WS_CAPTION, kind = "caption";
    } else if (k < 20) {
        title[0] = 0, kind = "untitled";
    } else if (k < 24) {
        const char *shell[] = {"Progman", "WorkerW", "Shell_TrayWnd"};
        cls = shell[Below(w.rng, 3)], kind = cls;
    } else if (k < 26) {
        cls = "progman", kind = "progman";
    }
    // A palette or dialog of a window on the desktop, of the same program.
    HWND owner = k >= 26 && k < 34 && !getenv("NOOWN") ? AnyLive(w) : nullptr;
    if (owner)
        style = WS_POPUP | WS_CAPTION, kind = "owned";
    const int shows[] = {SW_SHOWNORMAL, SW_SHOWNORMAL, SW_SHOWNORMAL, SW_SHOWNOACTIVATE,
                         SW_SHOWMAXIMIZED, SW_SHOWMINNOACTIVE, SW_HIDE};
    int show = shows[Below(w.rng, 7)];
    HWND h = sim::MakeWindow(cls, title, style, exStyle, show, w.programs[Below(w.rng, ProgramCount)], owner);
    sim::Name(h, name);
    if (owner) {
        Note(w, std::string(name) + " is owned by " + Name(owner));
        w.counts["owned windows"]++;
        if (w.hiddenByEngine.count(owner) && show != SW_HIDE)
            w.counts["boxes of a hidden window"]++;
    }
    if (show == SW_HIDE)
        w.hiddenByProgram.insert(h);
    if (Chance(w.rng, 4)) {
        sim::MarkPrivileged(h);
        w.privileged.insert(h);
        kind = "privileged";
        w.counts["privileged windows"]++;
    }
    w.live.push_back(h);
    w.styles[h] = style;
    w.exStyles[h] = exStyle;
    Note(w, std::string("make ") + name + " " + kind + " show " + std::to_string(show));
}

void DesktopStep(World &w)
{
    // The population drifts, so that groups now and then outgrow their
    // first 32 entries.
    if (Chance(w.rng, 1))
        w.population = 4 + Below(w.rng, Chance(w.rng, 30) ? 150 : 40);
    int live = (int)w.live.size();
    int k = Below(w.rng, 100);
    if (live == 0 || (k < 30 && live < w.population))
        return MakeOne(w);
    HWND h = AnyLive(w);
    std::string n = Name(h);
    if (k < 45 && live > w.population) {
        Note(w, "destroy " + n);
        sim::Destroy(h);
        // Its owned windows go with it.
        for (size_t i = w.live.size(); i-- > 0;) {
            HWND g = w.live[i];
            if (sim::Exists(g))
                continue;
            w.live.erase(w.live.begin() + i);
            w.hiddenByEngine.erase(g), w.strays.erase(g), w.activatedWhileHidden.erase(g), w.privileged.erase(g);
            w.hiddenByProgram.erase(g);
        }
        return;
    }
    // A program that does not take its messages does nothing to its windows.
    if (k < 70 && (sim::Hung(h) || !sim::QueuedVisibility(h).empty())) {
        Note(w, n + "'s program is busy");
        return;
    }
    if (k < 60) {
        const int commands[] = {SW_HIDE, SW_HIDE, SW_SHOW, SW_SHOWNA, SW_SHOWNOACTIVATE, SW_SHOWNORMAL,
                                SW_MINIMIZE, SW_SHOWMINIMIZED, SW_SHOWMINNOACTIVE, SW_SHOWMAXIMIZED, SW_RESTORE};
        int c = commands[Below(w.rng, 11)];
        Note(w, "owner shows " + n + " with " + std::to_string(c));
        bool unmarkedOnScreen = sim::Visible(h) && !sim::HasProp(h, HiddenMarkerName);
        sim::OwnerShow(h, c);
        if (sim::Visible(h))
            w.hiddenByProgram.erase(h);
        else if (unmarkedOnScreen)
            w.hiddenByProgram.insert(h);
        return;
    }
    if (k < 68) {
        bool empty = Chance(w.rng, 30);
        Note(w, "retitle " + n + (empty ? " to empty" : ""));
        sim::Retitle(h, empty ? "" : ("Retitled " + n).c_str());
        return;
    }
    if (k < 70) {
        w.exStyles[h] ^= WS_EX_TOOLWINDOW;
        Note(w, "toggle tool style of " + n);
        sim::SetStyles(h, w.styles[h], w.exStyles[h]);
        return;
    }
    // The user activates a window: mostly one on screen, now and then a
    // hidden one (as another program or the task switcher may).
    if (Chance(w.rng, 75))
        if (HWND v = AnyVisible(w))
            h = v;
    if (!sim::Visible(h))
        w.activatedWhileHidden.insert(h);
    Note(w, "activate " + Name(h) + (sim::Visible(h) ? "" : " (hidden)"));
    sim::Activate(h);
}


// ---- Steps: the program ------------------------------------------------------

void ArmFault(World &w)
{
    const char *names[] = {"HeapAlloc",      "HeapReAlloc", "GetWindowPlacement", "BeginDeferWindowPos",
                           "DeferWindowPos", "SetPropA",    "ShowWindow",         "EndDeferWindowPos",
                           "SetWindowPos"};
    int f = Below(w.rng, 9), nth = 1 + Below(w.rng, 4), times = 1 + Below(w.rng, 3);
    // Growth is rare; when a group is full, aim at it more often.
    for (int g = 0; g < GroupCount; g++)
        if (GroupTable[g].count == GroupTable[g].capacity && Chance(w.rng, 50))
            f = GroupTable[g].capacity == 0 ? 0 : 1, nth = 1;
    sim::FailCall(names[f], nth, times);
    if (f < 2)
        w.heap[f] = HeapFault{true, nth - 1, times};
    Note(w, std::string("fault ") + names[f] + " call " + std::to_string(nth) + " x" + std::to_string(times));
    w.counts["faults armed"]++;
}

// The carry hotkey: the program's own CarryToGroup, which reports whether
// it carried the foreground window.
HWND Carry(INT target)
{
    HWND h = GetForegroundWindow();
    return CarryToGroup(target) ? h : nullptr;
}

bool FaultHit(World &w) { return sim::FaultsHit() != w.faultsBefore; }
bool MarkRefused(World &w) { return sim::FaultsHit("SetPropA") != w.markFaultsBefore; }
// A queued show is a SetWindowPos too.
size_t ShowFaults() { return sim::FaultsHit("ShowWindow") + sim::FaultsHit("SetWindowPos"); }
bool ShowRefused(World &w) { return ShowFaults() != w.showFaultsBefore; }

// The window a show of `shown` activates: the one of lowest StackRank, not
// minimised, that does not travel with an owner.
int TopOf(int group, const std::set<HWND> &shown)
{
    const Group &g = GroupTable[group];
    int top = NotFound;
    for (int i = 0; i < g.count; i++)
        if (shown.count(g.entries[i].window) && !IsMinimizedShowCmd(g.entries[i].savedShowCmd) &&
            !TravelsWithOwner(group, i) &&
            (top == NotFound || g.entries[i].stackRank < g.entries[top].stackRank))
            top = i;
    return top;
}

// Whether the group's windows that `counted` names stand in the Z order by
// StackRank, the earlier entry above among equals, but for the activated
// window, on top with only the windows that travel with it above it; what
// breaks it, or "".
template <typename Counted> std::string StackingFault(World &w, int group, Counted counted)
{
    const Group &g = GroupTable[group];
    int top = TopOf(group, w.stackingWindows);
    HWND active = top == NotFound ? nullptr : g.entries[top].window;
    auto layer = [&](int i) { return g.entries[i].owner && g.entries[i].owner == active ? 0 : i == top ? 1 : 2; };
    int above = NotFound;
    for (HWND h : sim::ZOrder()) {
        int i = FindInGroup(group, h);
        if (i == NotFound || IsMinimizedShowCmd(g.entries[i].savedShowCmd) || !counted(h))
            continue;
        if (above != NotFound &&
            std::make_tuple(layer(i), g.entries[i].stackRank, i) < std::make_tuple(layer(above), g.entries[above].stackRank, above))
            return Name(h) + " stands below " + Name(g.entries[above].window) + " against the stacking captured";
        above = i;
    }
    return "";
}

// What a switch from `from` to `to` promises, given what stood before it.
// A refused marker or hide may leave a window of the group left on screen,
// a refused show one of the group shown hidden; the marker checks after
// every step see to it that such a window is then unmarked, or still marked.
// A failed batch, at any point, still shows every window. A window whose
// program does not answer is hidden or shown when it does.
void CheckSwitched(const char *file, int line, World &w, INT from, INT to, const std::set<HWND> &unmanagedBefore)
{
    if (CurrentGroup != to)
        return Fail(file, line, w, "switch to " + std::to_string(to) + " left group " +
                                       std::to_string(CurrentGroup) + " current");
    bool refused = MarkRefused(w) || ShowRefused(w);
    const Group &shown = GroupTable[to];
    for (int i = 0; i < shown.count; i++) {
        HWND h = shown.entries[i].window;
        if (!sim::Exists(h) || (!sim::Visible(h) && !ShowRefused(w) && !w.privileged.count(h) && !sim::Hung(h)))
            return Fail(file, line, w, Name(h) + " of the group shown is gone or hidden");
    }
    const Group &left = GroupTable[from];
    for (int i = 0; i < left.count; i++) {
        HWND h = left.entries[i].window;
        if (sim::Exists(h) && sim::Visible(h) && !refused && !w.privileged.count(h) && !sim::Hung(h))
            return Fail(file, line, w, Name(h) + " of the group left is still on screen");
    }
    // New windows join the group being left and go with it; a box of a
    // window of another hidden group joins that one and stays on screen.
    for (HWND h : unmanagedBefore)
        if (sim::Exists(h) && sim::Visible(h) && !w.growthFailed && !refused && !w.privileged.count(h) &&
            !sim::Hung(h) && !(FindInAnyGroup(h) && FindInAnyGroup(h)->owner && GroupOf(h) != from))
            return Fail(file, line, w, Name(h) + ", new before the switch, stays on screen outside the table");
    // When the batch ran whole and in its order, the stacking captured when
    // the group was left is back: its shown windows stand by StackRank, the
    // earlier entry above among equals.
    // Once every program answers, so do the windows whose shows were queued;
    // the single shows after a failed batch (a privileged window refuses its
    // deferral) leave a window already on screen where it stands.
    bool batchEnded = sim::CallsOf({"BeginDeferWindowPos"}).size() == sim::CallsOf({"EndDeferWindowPos"}).size();
    w.stackingHeld = !w.growthFailed && !w.otherHeapFailed && !FaultHit(w) && batchEnded;
    w.staleActivation = false;
    w.lateAtAnswer = 0;
    if (!w.stackingHeld)
        return;
    // The windows the show had: not one the hook filed in meanwhile, nor
    // its palettes.
    w.stackingWindows.clear();
    for (int i = 0; i < shown.count; i++) {
        const GroupEntry &e = shown.entries[i];
        if (w.showable.count(e.window) || (e.owner && w.showable.count(e.owner)))
            w.stackingWindows.insert(e.window);
    }
    if (sim::CallsOf({"EndDeferWindowPos"}).empty())
        return;
    // Only the windows handed to the batch: one that the hook filed into the
    // group, or whose state it read anew, while the show waited for another
    // program was not among them.
    std::set<std::string> batched;
    for (const std::string &call : sim::CallsOf({"DeferWindowPos"}))
        batched.insert(call.substr(call.find('(') + 1, call.find(',') - call.find('(') - 1));
    std::string fault = StackingFault(w, to, [&](HWND h) { return batched.count(Name(h)) > 0; });
    if (!fault.empty())
        Fail(file, line, w, fault);
}

// The eligible windows that no group holds.
std::set<HWND> Unmanaged(World &w)
{
    std::set<HWND> out;
    for (HWND h : w.live)
        if (Eligible(h) && GroupOf(h) < 0)
            out.insert(h);
    return out;
}

void NoteShowable(World &w, INT target, HWND carried)
{
    w.showable = {carried};
    for (int i = 0; IsGroupIndex(target) && i < GroupTable[target].count; i++)
        w.showable.insert(GroupTable[target].entries[i].window);
}

void SwitchStep(World &w)
{
    INT from = CurrentGroup;
    std::set<HWND> unmanagedBefore = Unmanaged(w);
    // Mostly valid targets, with the current group and strangers among them.
    const INT odd[] = {-1, 5, INT_MIN, INT_MAX};
    INT t = Chance(w.rng, 90) ? Below(w.rng, GroupCount) : odd[Below(w.rng, 4)];
    Note(w, "switch to " + std::to_string(t));
    NoteShowable(w, t, nullptr);
    std::vector<HWND> leaving;
    for (int i = 0; i < GroupTable[from].count; i++)
        leaving.push_back(GroupTable[from].entries[i].window);
    SwitchToGroup(t);
    FollowHeapCalls(w);
    if ((UINT)t >= (UINT)GroupCount || t == from) {
        if (sim::CallCount() != 0 || CurrentGroup != from)
            FAIL_WORLD(w, "a refused switch did something");
        return;
    }
    w.counts["switches"]++;
    // Whatever could not be hidden stays where it was: no window leaves
    // the group being left, but for one that stayed on screen and took
    // the activation, which the hook then files under the group shown (or
    // in none, when that group could not grow), and one its own program
    // had hidden, which the switch drops.
    // A palette comes along with the window summoned, and an owner with
    // the box that kept the activation.
    GroupEntry *activeEntry = FindInAnyGroup(sim::Foreground());
    for (HWND h : leaving)
        if (sim::Exists(h) && FindInGroup(from, h) == NotFound &&
            !(h == sim::Foreground() && sim::Visible(h) && (FindInGroup(t, h) != NotFound || w.growthFailed)) &&
            !(FindInAnyGroup(h) && FindInAnyGroup(h)->owner == sim::Foreground()) &&
            !(activeEntry && activeEntry->owner &&
              (activeEntry->owner == h || (FindInAnyGroup(h) && FindInAnyGroup(h)->owner == activeEntry->owner))) &&
            !(!sim::Visible(h) && !sim::HasProp(h, HiddenMarkerName)))
            return FAIL_WORLD(w, Name(h) + " fell out of the group it was hidden with");
    CheckSwitched(__FILE__, __LINE__, w, from, t, unmanagedBefore);
}

void CarryStep(World &w)
{
    INT from = CurrentGroup;
    std::set<HWND> unmanagedBefore = Unmanaged(w);
    INT t = Below(w.rng, GroupCount);
    NoteShowable(w, t, GetForegroundWindow());
    HWND carried = Carry(t);
    FollowHeapCalls(w);
    Note(w, "carry " + (carried ? Name(carried) : std::string("nothing")) + " to " + std::to_string(t));
    if (!carried || t == from)
        return;
    w.counts["carries"]++;
    unmanagedBefore.erase(carried);  // joined the target group, not the one left
    CheckSwitched(__FILE__, __LINE__, w, from, t, unmanagedBefore);
    int i = FindInGroup(t, carried);
    // The carried window is the top window of the group it joined.
    if (!w.failed && !FaultHit(w) && i != NotFound && !IsMinimizedShowCmd(GroupTable[t].entries[i].savedShowCmd) &&
        sim::Foreground() != carried && !sim::Hung(carried))
        FAIL_WORLD(w, "carried " + Name(carried) + " is not the foreground window after the switch");
}

// The maintenance tick, as the program's timer runs it.
void RunTick()
{
    RunMaintenancePass();
}

void TickStep(World &w)
{
    Note(w, "tick");
    RunTick();
    FollowHeapCalls(w);
    w.counts["ticks"]++;
    for (int g = 0; g < GroupCount; g++)
        for (int i = 0; i < GroupTable[g].count; i++) {
            HWND h = GroupTable[g].entries[i].window;
            // The group on screen is not polled: the switch that leaves it
            // drops such a window, and the exit release passes it over. One
            // hung behind its stand-in keeps its place.
            // Known gap, as in CheckWorld: once its program has hung for 5 s,
            // a window its program hid cannot be told from one behind its
            // stand-in, and keeps its group.
            bool hidden = sim::Exists(h) && !sim::Visible(h) && !sim::HasProp(h, HiddenMarkerName);
            if (g != CurrentGroup && hidden && !sim::BehindStandIn(h) && IsHungAppWindow(h))
                w.counts["hidden by its program, then hung: kept"]++;
            else if (g != CurrentGroup && hidden && !sim::BehindStandIn(h))
                return FAIL_WORLD(w, Name(h) + ", hidden by its own program, survived the purge");
            if (g == CurrentGroup && sim::Visible(h) && sim::HasProp(h, HiddenMarkerName) && !HasQueuedCalls(h))
                return FAIL_WORLD(w, Name(h) + " is on screen in the current group and still marked");
        }
    for (HWND h : w.live)
        if (Eligible(h) && GroupOf(h) < 0 && !w.growthFailed)
            return FAIL_WORLD(w, Name(h) + " is eligible and was not adopted");
}

void DeliverStep(World &w)
{
    Note(w, "deliver events");
    sim::DeliverPending();
    FollowHeapCalls(w);
    w.counts["deliveries"]++;
}

// ---- Steps: the other programs' threads and time ----------------------------

// A window whose program takes its messages now (none queued either).
HWND AnyAnswering(World &w)
{
    HWND h = AnyLive(w);
    return h && !sim::Hung(h) && sim::QueuedVisibility(h).empty() ? h : nullptr;
}

void BusyStep(World &w)
{
    // Busy for less than the 5 s after which the system puts up a stand-in.
    DWORD ms = 20 + Below(w.rng, 4900);
    if (HWND h = AnyAnswering(w)) {
        Note(w, Name(h) + "'s program busy for " + std::to_string(ms) + " ms");
        sim::Hang(h, ms);
    }
}

void HangStep(World &w)
{
    if (HWND h = AnyAnswering(w)) {
        Note(w, Name(h) + "'s program hangs");
        sim::Hang(h, INFINITE);
        w.counts["hangs"]++;
    }
}

void NestedStep(World &w)
{
    // Mostly shorter than the 5 s after which a queue counts as run. A busy
    // or hung program may go into it too, its queue still waiting: it then
    // answers a probe before it runs what was queued.
    DWORD ms = 20 + Below(w.rng, Chance(w.rng, 80) ? 3000 : 9000);
    if (HWND h = Chance(w.rng, 50) ? AnyLive(w) : AnyAnswering(w)) {
        Note(w, Name(h) + "'s program in a nested send for " + std::to_string(ms) + " ms");
        sim::NestedSend(h, ms);
        w.counts["nested sends"]++;
    }
}

void AnswerStep(World &w)
{
    HWND h = AnyLive(w);
    if (h && sim::Hung(h)) {
        Note(w, Name(h) + "'s program answers");
        sim::Answer(h);
    }
}

void TimeStep(World &w)
{
    DWORD ms = 10 + Below(w.rng, 3000);
    Note(w, std::to_string(ms) + " ms pass");
    sim::AdvanceTime(ms);
}

// Windows of the group shown since the last switch whose shows still wait.
int LateWindows(World &w)
{
    int late = 0;
    for (HWND h : w.stackingWindows)
        late += w.stackingHeld && sim::Exists(h) && !sim::QueuedVisibility(h).empty();
    return late;
}

// Every program answers, and the ticks run past the 5 s after which a queue
// counts as run: the group shown stands as it was captured, the activated
// window on top.
void AllAnswerStep(World &w)
{
    Note(w, "every program answers");
    // A late window placed beside a privileged one stays there after the
    // answer that placed it.
    int late = LateWindows(w);
    w.lateAtAnswer += late;
    w.counts["late windows once all answer"] += late;
    // Known gap: a show or a raise that activates, queued for another
    // window by an earlier switch, activates it when its program answers;
    // the foreground stays where that left it until the next switch.
    for (HWND h : w.queuedRaises)
        w.staleActivation |= h != sim::Foreground() && sim::Exists(h) && sim::Hung(h);
    w.queuedRaises.clear();
    for (HWND h : w.live)
        for (int c : sim::QueuedVisibility(h))
            w.staleActivation |= h != sim::Foreground() && (c == SW_SHOWNORMAL || c == SW_SHOW || c == SW_SHOWMAXIMIZED);
    for (HWND h : w.live)
        if (sim::Hung(h))
            sim::Answer(h);
    for (int i = 0; i < SettleTicks; i++) {
        sim::AdvanceTime(TickInterval);
        sim::DeliverPending();
        RunTick();
    }
    FollowHeapCalls(w);
}

// While only the programs' threads, time, ticks and events act after a
// switch, no window of the group shown comes back above the one it
// activated; once every program has answered, the group stands as captured
// with that one active.
void CheckStackingHeld(World &w, bool allAnswered)
{
    if (!w.stackingHeld || FaultHit(w))
        return;
    // A window its program minimised while its group was hidden has no place
    // in the stacking to come back to.
    auto counted = [&](HWND h) {
        return w.stackingWindows.count(h) && sim::Visible(h) && !IsMinimizedShowCmd(sim::ShowState(h)) &&
               !w.privileged.count(h);
    };
    const Group &g = GroupTable[CurrentGroup];
    int top = TopOf(CurrentGroup, w.stackingWindows);
    HWND active = top == NotFound ? nullptr : g.entries[top].window;
    // The raise of an activated window whose program does not answer waits
    // in its queue, as its activation does.
    for (HWND h : sim::ZOrder()) {
        if (h == active || !counted(active) || sim::Hung(active))
            break;
        int i = FindInGroup(CurrentGroup, h);
        if (counted(h) && i != NotFound && !IsMinimizedShowCmd(g.entries[i].savedShowCmd) &&
            g.entries[i].owner != active)
            return FAIL_WORLD(w, Name(h) + " came back above the activated " + Name(active));
    }
    if (!allAnswered)
        return;
    // Known gap: a privileged window stays wherever it stood, and a late
    // window placed below it goes there too.
    for (HWND h : w.stackingWindows)
        if (w.lateAtAnswer && w.privileged.count(h)) {
            w.counts["stackings left out: late windows beside a privileged one"]++;
            return;
        }
    w.counts["stackings checked once all answer"]++;
    for (HWND h : w.stackingWindows)
        if (sim::Exists(h) && !sim::Visible(h) && !w.privileged.count(h) && FindInGroup(CurrentGroup, h) != NotFound)
            return FAIL_WORLD(w, Name(h) + " of the group shown is still hidden once every program answered");
    std::string fault = StackingFault(w, CurrentGroup, counted);
    if (!fault.empty())
        return FAIL_WORLD(w, fault + " once every program answered");
    if (w.staleActivation)
        w.counts["foreground checks left out: an earlier activation waited"]++;
    else if (counted(active) && sim::Foreground() != active)
        FAIL_WORLD(w, Name(active) + " is not the active window once every program answered, " +
                          Name(sim::Foreground()) + " is");
}

std::set<HWND> MarkedSet(World &w)
{
    std::set<HWND> out;
    for (HWND h : w.live)
        if (sim::HasProp(h, HiddenMarkerName))
            out.insert(h);
    return out;
}

// What the marker checks compare with: the desktop before a step.
void BeforeStep(World &w, bool programStep)
{
    w.visibleBefore = VisibleSet(w);
    w.markedBefore = MarkedSet(w);
    w.showQueuedBefore.clear();
    for (HWND h : w.live) {
        std::vector<int> queued = sim::QueuedVisibility(h);
        if (std::count(queued.begin(), queued.end(), SW_HIDE) < (long)queued.size())
            w.showQueuedBefore.insert(h);
    }
    w.currentBefore.clear();
    for (int i = 0; i < GroupTable[CurrentGroup].count; i++)
        w.currentBefore.insert(GroupTable[CurrentGroup].entries[i].window);
    w.programStep = programStep;
    w.faultsBefore = sim::FaultsHit();
    w.markFaultsBefore = sim::FaultsHit("SetPropA");
    w.showFaultsBefore = ShowFaults();
    sim::ClearCalls();
}

// What a step may be, by weight. In a program step only the program and
// the calls it queued act; a delivery step may summon hidden windows. Any
// other step ends the stacking promise of the last switch.
struct Action {
    int weight;
    bool programStep, delivery;
    void (*run)(World &);
};
const Action Actions[] = {
    {52, false, false, DesktopStep}, {10, true, false, SwitchStep}, {6, true, false, CarryStep},
    {9, true, false, TickStep},      {14, true, true, DeliverStep}, {5, false, false, ArmFault},
    {2, true, false, BusyStep},      {1, true, false, HangStep},    {2, true, false, NestedStep},
    {2, true, false, AnswerStep},    {5, true, false, TimeStep},    {3, true, true, AllAnswerStep},
};

void Step(World &w)
{
    w.growthFailed = w.otherHeapFailed = false;
    int total = 0;
    for (const Action &a : Actions)
        total += a.weight;
    int k = Below(w.rng, total);
    const Action *a = Actions;
    while (k >= a->weight)
        k -= (a++)->weight;
    // Late windows are what the stacking check is for: seen to the end often.
    if (LateWindows(w) && Chance(w.rng, 20))
        a = std::find_if(std::begin(Actions), std::end(Actions), [](const Action &x) { return x.run == AllAnswerStep; });
    BeforeStep(w, a->programStep);
    if (!a->programStep)
        w.stackingHeld = false;
    try {
        a->run(w);
    } catch (sim::WaitedForever &) {
        return FAIL_WORLD(w, "the program waits for a program that never answers");
    }
    // The queued raises the step made (SWP_ASYNCWINDOWPOS without
    // SWP_NOACTIVATE), until their programs answer.
    for (const std::string &call : sim::CallsOf({"SetWindowPos"})) {
        unsigned long flags = strtoul(call.substr(call.rfind(',') + 1).c_str(), nullptr, 16);
        for (HWND h : w.live)
            if ((flags & SWP_ASYNCWINDOWPOS) && !(flags & SWP_NOACTIVATE) && call.rfind("SetWindowPos(" + Name(h) + ",", 0) == 0)
                w.queuedRaises.insert(h);
    }
    if (FaultHit(w) && a->run != SwitchStep && a->run != CarryStep)
        w.stackingHeld = false;
    else if (a->programStep && a->run != SwitchStep && a->run != CarryStep)
        CheckStackingHeld(w, a->run == AllAnswerStep);
    FollowVisibility(w, w.visibleBefore, a->programStep, a->delivery);
    if (!w.failed)
        CHECK_WORLD(w);
}

// The last passes fail a ShowWindow call now and then: the exit release and
// the recovery passes make no other call of those that can fail.
void ArmEndFault(World &w, const char *pass)
{
    sim::ClearFaults();
    if (!Chance(w.rng, 70))
        return;
    int nth = 1 + Below(w.rng, 8);
    sim::FailCall("ShowWindow", nth);
    Note(w, std::string(pass) + ", ShowWindow call " + std::to_string(nth) + " fails");
}

// The exit release (or a kill), the watcher's pass, then the next start's
// pass: each window comes back unless a call for it failed, and then it
// stays marked for the pass after.
void CheckReleased(const char *file, int line, World &w)
{
    BeforeStep(w, true);
    AllAnswerStep(w);
    FollowVisibility(w, w.visibleBefore, true, true);
    if (!w.failed)
        CheckWorld(file, line, w);
    const std::set<HWND> hidden = w.hiddenByEngine;
    if (Chance(w.rng, 50)) {
        Note(w, "killed");
        w.counts["ended by a kill"]++;
    } else {
        BeforeStep(w, true);
        ArmEndFault(w, "exit release");
        Shutdown();
        FollowVisibility(w, w.visibleBefore, true, false);
        for (int g = 0; g < GroupCount; g++)
            for (int i = 0; i < GroupTable[g].count; i++) {
                HWND h = GroupTable[g].entries[i].window;
                if (sim::Exists(h) && !sim::Visible(h) && !FaultHit(w) && !w.privileged.count(h))
                    return Fail(file, line, w, Name(h) + " is hidden after the exit release");
            }
        CheckWorld(file, line, w);
    }
    for (const char *pass : {"watcher's pass", "next start's pass"}) {
        if (w.failed)
            return;
        BeforeStep(w, true);
        if (pass[0] == 'w')
            ArmEndFault(w, pass);
        else
            sim::ClearFaults();
        RestoreMarkedWindows();
        FollowVisibility(w, w.visibleBefore, true, false);
        for (HWND h : w.live)
            if (sim::Visible(h) && sim::HasProp(h, HiddenMarkerName))
                return Fail(file, line, w, Name(h) + " is on screen and still marked after the " + pass);
        CheckWorld(file, line, w);
    }
    for (HWND h : hidden)
        if (sim::Exists(h) && !sim::Visible(h))
            return Fail(file, line, w, Name(h) + " is still hidden after the next start's pass");
    for (HWND h : w.live)
        if (sim::HasProp(h, HiddenMarkerName))
            return Fail(file, line, w, Name(h) + " still carries the marker at the end");
}

void Start(World &w, uint64_t seed, long steps)
{
    Seed(w.rng, seed);
    w.seed = seed;
    w.steps = steps;
    w.population = 24;
    for (DWORD &pid : w.programs)
        pid = sim::StartForeignProcess("app.exe");
    sim::MakeTaskbar();
    sim::Name(sim::MakeWindow("Progman", "Program Manager", WS_POPUP, 0, SW_SHOWNA), "Progman");
    for (int i = 0; i < 8; i++)
        MakeOne(w);
    // As the program starts: adopt everything into group 1, then listen.
    AdoptUnseenWindows();
    w.hook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, ForegroundEventProc, 0, 0,
                             WINEVENT_OUTOFCONTEXT);
    ForegroundHook = w.hook;  // so that the exit release takes it down first, as the program's does
}

void RunWorld(uint64_t seed, long steps)
{
    World w = {};
    Start(w, seed, steps);
    int maxCapacity = 0;
    for (w.step = 0; w.step < steps && !w.failed; w.step++) {
        Step(w);
        for (int g = 0; g < GroupCount; g++)
            maxCapacity = std::max(maxCapacity, GroupTable[g].capacity);
    }
    if (w.failed)
        return;
    w.step = steps;
    CheckReleased(__FILE__, __LINE__, w);
    if (w.failed)
        return;

    std::ostringstream summary;
    summary << "seed " << seed << ", " << steps << " steps, " << w.made << " windows made, largest group capacity "
            << maxCapacity << "; calls failed " << sim::FaultsHit();
    for (const auto &c : w.counts)
        summary << "; " << c.first << " " << c.second;
    printf("%s\n", summary.str().c_str());
}

// The first failure CheckWorld reports, or "" when it reports none.
std::string Reported(World &w)
{
    ::testing::TestPartResultArray results;
    {
        ::testing::ScopedFakeTestPartResultReporter intercept(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
        w.failed = false;
        CHECK_WORLD(w);
    }
    return results.size() ? results.GetTestPartResult(0).message() : "";
}

// The checks see what they are there for: a hidden window taken out of the
// table behind the engine's back, its marker gone, a handle entered twice.
TEST(EngineRandomChecks, ReportLostUnmarkedAndDuplicatedWindows)
{
    World w = {};
    Start(w, DefaultSeed, 1);
    std::set<HWND> before = VisibleSet(w);
    SwitchToGroup(1);
    FollowVisibility(w, before, true, false);
    ASSERT_FALSE(w.hiddenByEngine.empty());
    EXPECT_EQ(Reported(w), "");

    HWND h = *w.hiddenByEngine.begin();
    GroupEntry entry = *FindInAnyGroup(h);
    RemoveWindowFromAllGroups(h);
    EXPECT_NE(Reported(w).find(Name(h) + " was hidden by the engine and is in no group"), std::string::npos);

    Group &g = GroupTable[0];
    g.entries[g.count++] = entry;
    EXPECT_EQ(Reported(w), "");
    RemovePropA(h, HiddenMarkerName);
    EXPECT_NE(Reported(w).find(Name(h) + " is hidden without its marker"), std::string::npos);
    SetPropA(h, HiddenMarkerName, (HANDLE)1);

    g.entries[g.count++] = entry;
    EXPECT_NE(Reported(w).find(Name(h) + " stands in the table twice"), std::string::npos);
}

uint64_t EnvNumber(const char *name, uint64_t fallback)
{
    const char *text = getenv(name);
    return text && *text ? strtoull(text, nullptr, 0) : fallback;
}

TEST(EngineRandom, DefaultSeed)
{
    RunWorld(EnvNumber("PLINTH_SEED", DefaultSeed), (long)EnvNumber("PLINTH_STEPS", DefaultSteps));
}

class EngineRandomSeeds : public ::testing::TestWithParam<uint64_t> {};

TEST_P(EngineRandomSeeds, Run)
{
    RunWorld(GetParam(), (long)EnvNumber("PLINTH_STEPS", DefaultSteps));
}

INSTANTIATE_TEST_SUITE_P(More, EngineRandomSeeds, ::testing::Values(1u, 2u, 8u, 66u));

}  // namespace
