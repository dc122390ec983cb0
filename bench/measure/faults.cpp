// The promise that no window is lost, put to the real plinthwise.exe under
// Wine, and what a hung window does to it. Every run is bounded.
//
//   measure_faults.exe killstorm [rounds]   main killed at a random moment
//   measure_faults.exe killboth [rounds]    main and watcher killed, start again
//   measure_faults.exe hang [ms]            a window of a switched group hangs
//   measure_faults.exe busy [switches]      a program busy at the hotkey, hiding its window now and then
//   measure_faults.exe secondcopy [rounds]  killed during a hang, a new copy started while it lasts
//   measure_faults.exe hangcalls            which calls wait for a hung window
//   measure_faults.exe probe [n] [switches] what the answer probe costs and how often it misjudges
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "bench/measure/harness.h"
#include "tests/desk.h"

namespace {

const int StormWindows = 30;
const DWORD Patience = 10000;

bool Contains(const std::vector<HWND> &ws, HWND w)
{
    return std::find(ws.begin(), ws.end(), w) != ws.end();
}

std::vector<HWND> VisibleOf(const std::vector<HWND> &ws)
{
    std::vector<HWND> out;
    for (HWND w : ws)
        if (IsWindowVisible(w))
            out.push_back(w);
    return out;
}

// ---- A window whose program hangs at random times ------------------------------------
// A thread of ours with one window, which stops taking messages when told:
// the helper's windows all share one thread, so this one hangs alone.

const UINT HangRequest = WM_APP + 1;  // wParam: ms to sleep
const UINT OwnShowRequest = WM_APP + 2;  // wParam: the show command its program gives its window
const DWORD LongestHang = 3000;

struct Hanger {
    HANDLE thread = nullptr;
    DWORD threadId = 0;
    HANDLE ready = nullptr;
    HWND window = nullptr;
    int hangs = 0;
};
Hanger hanger;

DWORD WINAPI HangerMain(void *)
{
    RegisterWindowClass("PlinthHangingApp", DefWindowProcA);
    hanger.window = CreateWindowExA(0, "PlinthHangingApp", "Hanging window", WS_OVERLAPPEDWINDOW, 60, 60, 400, 260,
                                    nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(hanger.window, SW_SHOWNOACTIVATE);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(hanger.ready);
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == HangRequest && !msg.hwnd)
            Sleep((DWORD)msg.wParam);
        else if (msg.message == OwnShowRequest && !msg.hwnd)
            ShowWindow(hanger.window, (int)msg.wParam);
        else
            DispatchMessageA(&msg);
    }
    DestroyWindow(hanger.window);
    return 0;
}

bool StartHanger()
{
    hanger.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    hanger.thread = CreateThread(nullptr, 0, HangerMain, nullptr, 0, &hanger.threadId);
    return hanger.thread && WaitForSingleObject(hanger.ready, 10000) == WAIT_OBJECT_0 && hanger.window;
}

void StopHanger()
{
    if (hanger.thread) {
        PostThreadMessageA(hanger.threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(hanger.thread, 10000);
        CloseHandle(hanger.thread);
    }
    if (hanger.ready)
        CloseHandle(hanger.ready);
}

// The window's program stops answering for up to 3 s.
void Hang()
{
    PostThreadMessageA(hanger.threadId, HangRequest, 300 + Below(LongestHang - 300), 0);
    hanger.hangs++;
}

// Until the hanging window's program answers again.
void WaitForHanger()
{
    WaitUntil([] {
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(hanger.window, WM_NULL, 0, 0, SMTO_NORMAL, 100, &result) != 0;
    }, LongestHang + 2000, 20);
}

// The storm's windows and the hanging one.
std::vector<HWND> WithHanger(std::vector<HWND> ws)
{
    ws.push_back(hanger.window);
    return ws;
}

void ResetAll(const std::vector<HWND> &ws)
{
    ResetWindows(ws);
    RemovePropA(hanger.window, MarkerName);
    ShowWindow(hanger.window, SW_SHOWNOACTIVATE);
}

// A window of every kind a user has: normal, maximised, minimised.
std::vector<HWND> MakeStormWindows(const char *prefix)
{
    std::vector<HWND> ws = MakeWindows(prefix, StormWindows, SW_SHOWNOACTIVATE);
    for (size_t i = 0; i < ws.size(); i++) {
        if (i % 10 == 3)
            desk::Show(ws[i], SW_SHOWMAXIMIZED);
        else if (i % 10 == 7)
            desk::Show(ws[i], SW_SHOWMINNOACTIVE);
    }
    return ws;
}

// A switch to a random group, or a carry of a random window on screen.
void RandomAction(const std::vector<HWND> &ws)
{
    UINT digit = '1' + Below(5);
    std::vector<HWND> shown = VisibleOf(ws);
    if (Below(100) < 35 && !shown.empty()) {
        desk::Activate(shown[Below((int)shown.size())]);
        desk::PressKey(MOD_ALT | MOD_SHIFT, digit);
    } else {
        desk::PressKey(MOD_ALT, digit);
    }
}

// Until no switch runs: no window on screen carries a marker, and which
// windows are on screen stays the same for a while.
void Settle(const std::vector<HWND> &ws)
{
    std::vector<HWND> before;
    WaitUntil([&] {
        std::vector<HWND> now = VisibleOf(ws);
        bool same = now == before;
        before = now;
        return same && CountMarked(now) == 0;
    }, Patience, 120);
}

// ---- Kill storm ---------------------------------------------------------------------

// How the kill is timed after the last key: at a random moment, or as soon
// as the switch it started is seen hiding, or seen showing.
enum KillMoment { AtRandom, WhileHiding, WhileShowing, KillMoments };

bool KillStorm(int rounds)
{
    SeedRandom("kill storm");
    if (!desk::Start() || !StartHanger())
        return false;
    std::vector<HWND> ws = MakeStormWindows("Storm");
    if ((int)ws.size() != StormWindows) {
        desk::Stop();
        return false;
    }
    std::vector<HWND> all = WithHanger(ws);
    int badRounds = 0, worstLeft = 0, caught = 0, mixed = 0, watcherFailures = 0, startFailures = 0;
    double restoreMs = 0;
    for (int r = 0; r < rounds; r++) {
        Running p;
        if (!StartPlinthwise(&p)) {
            startFailures++;
            KillStrayCopies();
            Release(&p);
            continue;
        }
        int actions = 1 + Below(8);
        int hangAt = Below(actions);
        for (int a = 0; a < actions - 1; a++) {
            if (a == hangAt && Below(3) == 0)
                Hang();
            RandomAction(ws);
            desk::Pump(Below(150));  // often less than a switch takes: switches overlap
        }
        KillMoment moment = (KillMoment)Below(KillMoments);
        std::vector<HWND> before = VisibleOf(ws);
        RandomAction(ws);
        bool seen = false;
        double t0 = NowMs();
        if (moment == AtRandom) {
            desk::Pump(Below(200));
        } else {
            // Spin without pumping: the kill lands within microseconds.
            while (!seen && NowMs() - t0 < 300) {
                for (HWND w : ws) {
                    bool visible = IsWindowVisible(w) != FALSE;
                    if ((moment == WhileHiding && !visible && Contains(before, w)) ||
                        (moment == WhileShowing && visible && !Contains(before, w)))
                        seen = true;
                }
            }
        }
        TerminateProcess(p.info.hProcess, 1);
        WaitForSingleObject(p.info.hProcess, Patience);
        double killedAt = NowMs();
        caught += seen ? 1 : 0;
        // Marked but on screen: the kill fell between the marking and the
        // hiding, or between the showing and the unmarking.
        int visibleMarked = 0;
        for (HWND w : ws)
            visibleMarked += IsWindowVisible(w) && Marked(w) ? 1 : 0;
        mixed += visibleMarked > 0 ? 1 : 0;

        // The watcher stays until a hung window's queued show has run.
        DWORD watcher = WaitForPid(p.watcherPid, Patience);
        restoreMs += NowMs() - killedAt;
        watcherFailures += watcher != 0 ? 1 : 0;
        WaitForHanger();
        int left = (int)all.size() - CountVisible(all), marked = CountMarked(all);
        if (left > 0 || marked > 0) {
            badRounds++;
            worstLeft = std::max(worstLeft, left);
            printf("round %d: %d windows left hidden, %d still marked (kill %s, watcher exit %lu)%s\n", r + 1, left,
                   marked, moment == AtRandom ? "at random" : moment == WhileHiding ? "while hiding" : "while showing",
                   watcher, IsWindowVisible(hanger.window) && !Marked(hanger.window) ? "" : ", the hanging one among them");
            ResetAll(ws);
        }
        Release(&p);
    }
    desk::Stop();
    KillStrayCopies();
    StopHanger();
    int ran = rounds - startFailures;
    printf("kill storm: %d rounds, %d with windows left hidden (worst %d), %d kills right after the switch was "
           "seen hiding or showing, %d with marked windows on screen at the kill, %d watcher exits not 0, "
           "%.0f ms from kill to watcher exit on average, %d starts failed, %d hangs of the 31st window\n",
           ran, badRounds, worstLeft, caught, mixed, watcherFailures, ran ? restoreMs / ran : 0.0, startFailures,
           hanger.hangs);
    Row("Kill storm: main killed, 30 windows in 5 groups and one that hangs at random times",
        Format("%d of %d rounds with a window left hidden (worst %d); %d kills caught a switch in flight; %d hangs",
               badRounds, ran, worstLeft, caught, hanger.hangs),
        Format("none hidden, all %d rounds", rounds),
        badRounds == 0 && ran == rounds && watcherFailures == 0 ? "met" : "MISSED");
    return true;
}

// ---- A busy program ------------------------------------------------------------------

// Whether the foreground window is the topmost of the windows on screen.
bool ActiveOnTop(const std::vector<HWND> &ws)
{
    HWND active = GetForegroundWindow();
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT))
        if (Contains(ws, w) && IsWindowVisible(w))
            return w == active;
    return true;
}

// Switches while the 31st window's program is busy for 50 ms, 500 ms or 3 s
// at the hotkey, now and then after hiding its own window (to the tray, say)
// or showing it again. Counted once every program answers: windows shown
// although their program had hidden them, switches after which the active
// window was not on top, and, after Exit, windows left hidden or marked.
bool Busy(int switches)
{
    SeedRandom("busy");
    if (!desk::Start() || !StartHanger())
        return false;
    std::vector<HWND> ws = MakeWindows("Busy", 10, SW_SHOWNOACTIVATE);
    std::vector<HWND> all = WithHanger(ws);
    Running p;
    if ((int)ws.size() != 10 || !StartPlinthwise(&p)) {
        desk::Stop();
        StopHanger();
        return false;
    }
    const DWORD busyFor[] = {50, 500, 3000};
    int shownAgainstProgram = 0, notOnTop = 0, busyCount[3] = {};
    bool hiddenByProgram = false;
    for (int i = 0; i < switches; i++) {
        // Its program hides its window only while it stands on screen (one
        // hidden with its group is ours to bring back), and shows it again
        // later; a window a program shows itself may cover the active one.
        bool ownShow = false;
        if (Below(100) < 25 && (hiddenByProgram || IsWindowVisible(hanger.window))) {
            hiddenByProgram = !hiddenByProgram;
            ownShow = !hiddenByProgram;
            PostThreadMessageA(hanger.threadId, OwnShowRequest, hiddenByProgram ? SW_HIDE : SW_SHOWNOACTIVATE, 0);
        }
        int b = Below(3);
        busyCount[b]++;
        PostThreadMessageA(hanger.threadId, HangRequest, busyFor[b], 0);
        desk::Pump(10);
        RandomAction(ws);
        double end = NowMs() + busyFor[b] + 300;
        while (NowMs() < end) {
            if (hiddenByProgram && IsWindowVisible(hanger.window)) {
                shownAgainstProgram++;
                break;
            }
            desk::Pump(20);
        }
        WaitForHanger();
        Settle(all);
        notOnTop += ownShow || ActiveOnTop(all) ? 0 : 1;
    }
    DWORD code = CloseProgram(&p);
    WaitForHanger();
    desk::Pump(500);
    int left = 0, marked = CountMarked(all);
    for (HWND w : all)
        left += !IsWindowVisible(w) && !(w == hanger.window && hiddenByProgram) ? 1 : 0;
    bool shownAtExit = hiddenByProgram && IsWindowVisible(hanger.window);
    Release(&p);
    desk::Stop();
    KillStrayCopies();
    StopHanger();
    printf("busy: %d switches (busy 50 ms %d, 500 ms %d, 3 s %d); %d shown although their program hid them%s; %d "
           "with the active window not on top; after Exit %d left hidden, %d marked, exit code %lu\n",
           switches, busyCount[0], busyCount[1], busyCount[2], shownAgainstProgram, shownAtExit ? " (and by Exit)" : "",
           notOnTop, left, marked, code);
    Row("Busy program: 100 switches, a window's program busy 50 ms, 500 ms or 3 s at the hotkey, hiding and showing "
        "its window now and then",
        Format("%d shown although their program hid them; %d lost (%d marked) after Exit; active window not on top "
               "after %d of %d switches",
               shownAgainstProgram + (shownAtExit ? 1 : 0), left, marked, notOnTop, switches),
        "0 shown, 0 lost, the active window on top after every switch",
        shownAgainstProgram == 0 && !shownAtExit && left == 0 && marked == 0 && notOnTop == 0 && code == 0
            ? "met"
            : "MISSED");
    return true;
}

// ---- A new copy while a watcher waits for a hung window -------------------------------

// Each round: the program hides every window, the 31st window's program
// hangs for up to 3 s, the program is killed and started again at once,
// and the new copy switches. The old watcher must leave the new copy's
// hidden windows alone, end within 2 s of the hung program answering, and
// nothing may be lost once the new copy exits.
bool SecondCopy(int rounds)
{
    SeedRandom("second copy");
    if (!desk::Start() || !StartHanger())
        return false;
    std::vector<HWND> ws = MakeStormWindows("Second");
    std::vector<HWND> all = WithHanger(ws);
    int disturbed = 0, lateWatchers = 0, lostRounds = 0, ran = 0;
    double worstWatcherMs = 0;
    for (int r = 0; r < rounds; r++) {
        Running p, q;
        if (!StartPlinthwise(&p)) {
            Release(&p);
            KillStrayCopies();
            continue;
        }
        desk::PressKey(MOD_ALT, '3');
        WaitUntil([&] { return CountVisible(all) == 0; }, Patience, 20);
        Hang();
        desk::Pump(50);
        TerminateProcess(p.info.hProcess, 1);
        WaitForSingleObject(p.info.hProcess, Patience);
        DWORD oldWatcher = p.watcherPid;
        Release(&p);
        // The old watcher shows the others at once; the hung one waits.
        WaitUntil([&] { return CountVisible(ws) == (int)ws.size(); }, Patience, 20);
        if (!StartPlinthwise(&q)) {
            Release(&q);
            KillStrayCopies();
            continue;
        }
        ran++;
        desk::PressKey(MOD_ALT, '2');
        WaitUntil([&] { return CountVisible(ws) == 0; }, Patience, 20);
        desk::Pump(1500);
        if (CountVisible(ws) > 0 || CountMarked(ws) != (int)ws.size())
            disturbed++;
        WaitForHanger();
        double answered = NowMs();
        DWORD code = WaitForPid(oldWatcher, Patience);
        double watcherMs = NowMs() - answered;
        worstWatcherMs = std::max(worstWatcherMs, watcherMs);
        lateWatchers += code != 0 || watcherMs > 2000 ? 1 : 0;
        CloseProgram(&q);
        WaitForPid(q.watcherPid, Patience);
        Release(&q);
        desk::Pump(300);
        if (CountVisible(all) != (int)all.size() || CountMarked(all) != 0) {
            lostRounds++;
            printf("round %d: %d of %zu hidden, %d marked after the new copy's Exit\n", r + 1,
                   (int)all.size() - CountVisible(all), all.size(), CountMarked(all));
            ResetAll(ws);
        }
    }
    desk::Stop();
    KillStrayCopies();
    StopHanger();
    printf("second copy: %d rounds; %d with the new copy's switch undone, %d with the old watcher later than 2 s "
           "after the hung program answered (worst %.0f ms), %d with windows lost\n",
           ran, disturbed, lateWatchers, worstWatcherMs, lostRounds);
    Row("Killed during a hang, a new copy started and switching while it lasts",
        Format("%d of %d rounds lost a window; new copy's switch undone in %d; old watcher gone %.0f ms at worst "
               "after the hung program answered",
               lostRounds, ran, disturbed, worstWatcherMs),
        "0 lost, every switch undisturbed, the watcher gone within 2 s",
        lostRounds == 0 && disturbed == 0 && lateWatchers == 0 && ran == rounds ? "met" : "MISSED");
    return true;
}

// ---- Main and watcher killed together -----------------------------------------------

bool KillBoth(int rounds)
{
    SeedRandom("kill both");
    if (!desk::Start() || !StartHanger())
        return false;
    std::vector<HWND> ws = MakeStormWindows("Both");
    std::vector<HWND> all = WithHanger(ws);
    Running p;
    if ((int)ws.size() != StormWindows || !StartPlinthwise(&p)) {
        KillStrayCopies();
        desk::Stop();
        return false;
    }
    int allBack = 0, hiddenTotal = 0, fewestHidden = StormWindows;
    for (int r = 0; r < rounds; r++) {
        // Spread windows of group 1 over the other groups, then settle on
        // one of them.
        for (int a = 0; a < 4; a++) {
            desk::PressKey(MOD_ALT, '1');
            desk::Pump(80);
            std::vector<HWND> shown = VisibleOf(ws);
            if (!shown.empty())
                desk::Activate(shown[Below((int)shown.size())]);
            desk::PressKey(MOD_ALT | MOD_SHIFT, '2' + Below(4));
            desk::Pump(80);
        }
        // Every round, at a random moment of the last switch or after it.
        desk::PressKey(MOD_ALT, '1' + Below(5));
        desk::Pump(Below(300));
        Hang();
        Settle(ws);
        int hidden = StormWindows - CountVisible(ws);

        HANDLE watcher = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, p.watcherPid);
        if (watcher)
            TerminateProcess(watcher, 1);
        TerminateProcess(p.info.hProcess, 1);
        if (watcher) {
            WaitForSingleObject(watcher, Patience);
            CloseHandle(watcher);
        }
        WaitForSingleObject(p.info.hProcess, Patience);
        Release(&p);
        desk::Pump(150);
        int stillHidden = StormWindows - CountVisible(ws);
        // Nothing may have brought them back before the start: a round in
        // which none stayed hidden would prove nothing.
        hiddenTotal += stillHidden;
        fewestHidden = std::min(fewestHidden, stillHidden);
        if (stillHidden != hidden)
            printf("round %d: %d windows hidden before the kill, %d after it\n", r + 1, hidden, stillHidden);

        bool started = StartPlinthwise(&p);
        // A hung window comes back when it answers. Its marker goes on the
        // tick after, or, when a hide of the killed copy was still queued
        // before the show, once its program has taken its messages for 5 s.
        WaitForHanger();
        WaitUntil([&] { return !Marked(hanger.window); }, 6500, 20);
        int back = CountVisible(all), marked = CountMarked(all);
        if (started && back == (int)all.size() && marked == 0) {
            allBack++;
        } else {
            printf("round %d: %d of %d windows back after the start, %d still marked (%d were hidden)\n", r + 1,
                   back, (int)all.size(), marked, stillHidden);
            ResetAll(ws);
            if (!started) {
                KillStrayCopies();
                Release(&p);
                StartPlinthwise(&p);
            }
        }
    }
    DWORD code = CloseProgram(&p);
    WaitForPid(p.watcherPid, Patience);
    Release(&p);
    desk::Stop();
    KillStrayCopies();
    StopHanger();
    printf("kill both: %d rounds, all windows back after %d; windows left hidden when both died: %.1f per round, "
           "fewest %d; last orderly exit %lu\n",
           rounds, allBack, (double)hiddenTotal / rounds, fewestHidden, code);
    Row("Main and watcher killed, start again, one window hanging at random times",
        Format("all 31 back in %d of %d rounds (%.1f hidden per round before the start, fewest %d; %d hangs)",
               allBack, rounds, (double)hiddenTotal / rounds, fewestHidden, hanger.hangs),
        "all back, every round", allBack == rounds && fewestHidden > 0 ? "met" : "MISSED");
    return true;
}

}  // namespace

bool MeasureHang(DWORD hangMs);  // hang.cpp
bool MeasureHangCalls();         // hangcalls.cpp
bool MeasureProbe(int perThreshold, int rounds);  // probe.cpp

int main(int argc, char **argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    const char *what = argc > 1 ? argv[1] : "";
    KillStrayCopies();
    bool ok;
    if (strcmp(what, "killstorm") == 0)
        ok = KillStorm(Arg(argc, argv, 2, 100));
    else if (strcmp(what, "killboth") == 0)
        ok = KillBoth(Arg(argc, argv, 2, 20));
    else if (strcmp(what, "hang") == 0)
        ok = MeasureHang((DWORD)Arg(argc, argv, 2, 3000));
    else if (strcmp(what, "hangcalls") == 0)
        ok = MeasureHangCalls();
    else if (strcmp(what, "busy") == 0)
        ok = Busy(Arg(argc, argv, 2, 100));
    else if (strcmp(what, "probe") == 0)
        ok = MeasureProbe(Arg(argc, argv, 2, 300), Arg(argc, argv, 3, 30));
    else if (strcmp(what, "secondcopy") == 0)
        ok = SecondCopy(Arg(argc, argv, 2, 20));
    else {
        fprintf(stderr, "usage: measure_faults.exe killstorm [rounds] | killboth [rounds] | hang [ms] | hangcalls | busy "
                        "[switches] | secondcopy [rounds] | probe [probes] [switches]\n");
        return 2;
    }
    KillStrayCopies();
    return ok ? 0 : 1;
}
