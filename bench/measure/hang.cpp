// What a switch does when one window of a group belongs to a program that
// has stopped serving its messages (desk::Hang stops the helper, which owns
// just that window; the other windows belong to a thread of this process
// that keeps serving). Targets: the program answers messages within 100 ms
// during the hang; the responsive windows are switched within 1.25x
// the same switch without a hang; after the hang the hung window is where
// its group is; no window is lost.
#include <windows.h>

#include <stdio.h>

#include <algorithm>

#include "bench/measure/harness.h"
#include "tests/desk.h"

namespace {

const int PeerWindows = 5;
const DWORD Patience = 30000;

// ---- A responsive program: a thread of ours with windows and a loop ---------

struct Peer {
    HANDLE thread = nullptr;
    DWORD threadId = 0;
    HANDLE ready = nullptr;
    std::vector<HWND> groupOne, groupTwo;  // shown at start / made hidden
};

DWORD WINAPI PeerMain(void *parameter)
{
    Peer *peer = (Peer *)parameter;
    RegisterWindowClass("PlinthPeerApp", DefWindowProcA);
    for (int g = 0; g < 2; g++)
        for (int i = 0; i < PeerWindows; i++) {
            char title[32];
            snprintf(title, sizeof title, "Peer %d.%d", g + 1, i + 1);
            HWND w = CreateWindowExA(0, "PlinthPeerApp", title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                     400, 260, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
            if (g == 0)
                ShowWindow(w, SW_SHOWNOACTIVATE);
            (g == 0 ? peer->groupOne : peer->groupTwo).push_back(w);
        }
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before we say ready
    SetEvent(peer->ready);
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    for (HWND w : peer->groupOne)
        DestroyWindow(w);
    for (HWND w : peer->groupTwo)
        DestroyWindow(w);
    return 0;
}

bool StartPeer(Peer *peer)
{
    peer->ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    peer->thread = CreateThread(nullptr, 0, PeerMain, peer, 0, &peer->threadId);
    return peer->thread && WaitForSingleObject(peer->ready, 10000) == WAIT_OBJECT_0;
}

void StopPeer(Peer *peer)
{
    if (peer->thread) {
        PostThreadMessageA(peer->threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(peer->thread, 10000);
        CloseHandle(peer->thread);
    }
    if (peer->ready)
        CloseHandle(peer->ready);
}

// ---- Probes ----------------------------------------------------------------------------

HWND TrayMenu()
{
    HWND menu = FindWindowA("#32768", nullptr);
    return menu && IsWindowVisible(menu) ? menu : nullptr;
}

void CloseTrayMenu(HWND main)
{
    desk::PressKey(0, VK_ESCAPE);
    if (!WaitUntil([] { return TrayMenu() == nullptr; }, 3000, 10))
        PostMessageA(main, WM_CANCELMODE, 0, 0);
    WaitUntil([] { return TrayMenu() == nullptr; }, 3000, 10);
}

// The tray menu opens on a right click of the icon and closes with Esc.
bool TrayMenuWorks(HWND main)
{
    PostMessageA(main, WM_USER + 1, 1, WM_RBUTTONUP);
    bool opened = WaitUntil([] { return TrayMenu() != nullptr; }, 5000, 10);
    CloseTrayMenu(main);
    return opened && TrayMenu() == nullptr;
}

bool GroupOn(const std::vector<HWND> &shown, const std::vector<HWND> &hidden)
{
    return CountVisible(shown) == (int)shown.size() && CountVisible(hidden) == 0;
}

std::vector<HWND> Without(std::vector<HWND> ws, HWND w)
{
    ws.erase(std::remove(ws.begin(), ws.end(), w), ws.end());
    return ws;
}

// One switch, the hung window's program asleep for hangMs if that is not 0:
// when the responsive windows were done, when all were, and when a tray
// click posted 300 ms into the switch was served (the program's thread back
// in its message loop).
struct Outcome {
    double responsiveMs = -1, allMs = -1, trayMs = -1;
    double answerMs = 0;  // the slowest answer to a null message while the hang lasted
    bool hungInPlace = false;  // after the hang: on screen and unmarked with its group, or hidden and marked
};

const double TrayProbeAt = 300;
const double AnswerProbeEvery = 50;

Outcome TimeSwitch(HWND main, UINT digit, const std::vector<HWND> &shown, const std::vector<HWND> &hidden, HWND hung,
                   DWORD hangMs)
{
    Outcome o;
    std::vector<HWND> shownOthers = Without(shown, hung), hiddenOthers = Without(hidden, hung);
    if (hangMs)
        desk::Hang(hangMs);
    double t0 = NowMs();
    bool posted = false;
    double nextProbe = 0;
    desk::PressKey(MOD_ALT, digit);
    while (NowMs() - t0 < Patience && (o.allMs < 0 || (hangMs && o.trayMs < 0))) {
        double now = NowMs() - t0;
        if (o.responsiveMs < 0 && GroupOn(shownOthers, hiddenOthers))
            o.responsiveMs = now;
        if (o.allMs < 0 && GroupOn(shown, hidden))
            o.allMs = now;
        // Once the tray click was served (its menu asks the Task Scheduler,
        // which takes the thread for a while) to the end of the hang, a null
        // message every AnswerProbeEvery: how long the program takes to
        // answer it.
        if (hangMs && o.trayMs >= 0 && now < hangMs && now >= nextProbe) {
            DWORD_PTR result = 0;
            double t1 = NowMs();
            SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
            o.answerMs = std::max(o.answerMs, NowMs() - t1);
            nextProbe = now + AnswerProbeEvery;
        }
        if (hangMs && !posted && now >= TrayProbeAt) {
            PostMessageA(main, WM_USER + 1, 1, WM_RBUTTONUP);
            posted = true;
        }
        if (posted && o.trayMs < 0 && TrayMenu()) {
            o.trayMs = now;
            CloseTrayMenu(main);
        }
        desk::Pump(1);
    }
    WaitUntil([&] { return CountMarked(shown) == 0; }, Patience, 5);
    desk::Pump(100);
    bool hungShown = std::find(shown.begin(), shown.end(), hung) != shown.end();
    bool hungHidden = std::find(hidden.begin(), hidden.end(), hung) != hidden.end();
    o.hungInPlace = hungShown ? IsWindowVisible(hung) && !Marked(hung)
                  : hungHidden ? !IsWindowVisible(hung) && Marked(hung)
                               : true;
    return o;
}

const int Rounds = 3;

// Medians of the times (-1 if a run did not finish); the slowest answer;
// in place only if in place every time.
Outcome MedianOf(const std::vector<Outcome> &runs)
{
    std::vector<double> responsive, all, tray;
    Outcome m;
    m.hungInPlace = true;
    bool unfinished = false, unserved = false;
    for (const Outcome &o : runs) {
        responsive.push_back(o.responsiveMs);
        all.push_back(o.allMs);
        tray.push_back(o.trayMs);
        m.answerMs = std::max(m.answerMs, o.answerMs);
        m.hungInPlace = m.hungInPlace && o.hungInPlace;
        unfinished = unfinished || o.allMs < 0 || o.responsiveMs < 0;
        unserved = unserved || o.trayMs < 0;
    }
    m.responsiveMs = unfinished ? -1 : Median(responsive);
    m.allMs = unfinished ? -1 : Median(all);
    m.trayMs = unserved ? -1 : *std::max_element(tray.begin(), tray.end());
    return m;
}

std::string Describe(const Outcome &o, DWORD hangMs)
{
    if (o.allMs < 0)
        return Format("did not finish within %lu ms", Patience);
    return Format("hang %lu ms: responsive windows done at %.0f ms, hung one at %.0f ms; a tray click at %.0f ms "
                  "served at %.0f ms",
                  hangMs, o.responsiveMs, o.allMs, TrayProbeAt, o.trayMs);
}

}  // namespace

bool MeasureHang(DWORD hangMs)
{
    Peer peer;
    if (!desk::Start() || !StartPeer(&peer)) {
        StopPeer(&peer);
        desk::Stop();
        return false;
    }
    HWND hung = desk::Make("PlinthMeasureApp", "Hung window", WS_OVERLAPPEDWINDOW, 0, SW_SHOWNOACTIVATE);
    std::vector<HWND> one = peer.groupOne, two = peer.groupTwo;
    one.push_back(hung);
    Running p;
    bool ok = hung && StartPlinthwise(&p);
    // Group 1: five responsive windows and the one that will hang; group 2:
    // five responsive windows, shown while group 2 is on screen.
    desk::PressKey(MOD_ALT, '2');
    ok = ok && WaitUntil([&] { return CountVisible(one) == 0; }, Patience, 5);
    for (HWND w : two)
        ShowWindow(w, SW_SHOWNOACTIVATE);
    desk::Pump(700);
    if (!ok) {
        fprintf(stderr, "hang: the program did not come up\n");
        KillStrayCopies();
        StopPeer(&peer);
        desk::Stop();
        return false;
    }

    // Each round: the two switches without a hang, then the same two with
    // the hung window's program asleep; the figures are medians over rounds.
    std::vector<Outcome> plainShows, plainHides, showings, hidings;
    for (int r = 0; r < Rounds; r++) {
        plainShows.push_back(TimeSwitch(p.main, '1', one, two, hung, 0));
        plainHides.push_back(TimeSwitch(p.main, '2', two, one, hung, 0));
        showings.push_back(TimeSwitch(p.main, '1', one, two, hung, hangMs));
        hidings.push_back(TimeSwitch(p.main, '2', two, one, hung, hangMs));
    }
    Outcome plainShow = MedianOf(plainShows), plainHide = MedianOf(plainHides), showing = MedianOf(showings),
            hiding = MedianOf(hidings);
    Outcome afterShow = TimeSwitch(p.main, '1', one, two, hung, 0);
    Outcome afterHide = TimeSwitch(p.main, '2', two, one, hung, 0);
    TimeSwitch(p.main, '1', one, two, hung, 0);
    // Group 3 is empty: switching there and back leaves the hung window alone.
    std::vector<HWND> none;
    TimeSwitch(p.main, '3', none, one, hung, 0);
    Outcome aside = TimeSwitch(p.main, '2', two, none, hung, hangMs);
    desk::Pump(hangMs + 200);
    bool trayWorks = TrayMenuWorks(p.main);

    std::vector<HWND> everyone = one;
    everyone.insert(everyone.end(), two.begin(), two.end());
    WaitUntil([&] { return !IsHungAppWindow(hung); }, Patience, 10);
    desk::Pump(1200);  // a maintenance tick after the last queued show
    int lost = 0;
    for (HWND w : everyone)
        lost += !IsWindowVisible(w) && !Marked(w) ? 1 : 0;
    printf("hang: switches without a hang take %.0f ms (show) and %.0f ms (hide), medians of %d\n", plainShow.allMs,
           plainHide.allMs, Rounds);
    printf("hang: showing the group of the hung window: %s; next switch %.0f ms\n", Describe(showing, hangMs).c_str(),
           afterShow.allMs);
    printf("hang: hiding the group of the hung window: %s; next switch %.0f ms\n", Describe(hiding, hangMs).c_str(),
           afterHide.allMs);
    printf("hang: a switch between groups without the hung window while it hangs: %s\n",
           Describe(aside, hangMs).c_str());
    printf("hang: tray menu opens and closes afterwards: %s\n", trayWorks ? "yes" : "no");
    // A tray click is posted TrayProbeAt into each switch made during a hang.
    double tray = std::max(std::max(showing.trayMs, hiding.trayMs), aside.trayMs) - TrayProbeAt;
    double answer = std::max(std::max(showing.answerMs, hiding.answerMs), aside.answerMs);
    bool served = showing.trayMs >= 0 && hiding.trayMs >= 0 && aside.trayMs >= 0;
    Row("Hang: program answers during a hang",
        Format("a null message answered within %.1f ms at worst, every %.0f ms from the tray click to the end of "
               "a %lu ms hang, over 3 switches; the tray click %s",
               answer, AnswerProbeEvery, hangMs, served ? Format("had its menu up %.0f ms after it was posted", tray).c_str()
                                                   : "was not served"),
        "<= 100 ms", served && answer <= 100 ? "met" : "MISSED");
    double showRatio = showing.responsiveMs / plainShow.allMs, hideRatio = hiding.responsiveMs / plainHide.allMs;
    Row("Hang: responsive windows switched during a hang",
        Format("show %.0f ms vs %.0f ms without a hang = %.2fx; hide %.0f vs %.0f ms = %.2fx (medians of %d)",
               showing.responsiveMs, plainShow.allMs, showRatio, hiding.responsiveMs, plainHide.allMs, hideRatio,
               Rounds),
        "<= 1.25x the same switch without a hang",
        showing.responsiveMs >= 0 && hiding.responsiveMs >= 0 && showRatio <= 1.25 && hideRatio <= 1.25 ? "met"
                                                                                                      : "MISSED");
    bool inPlace = showing.hungInPlace && hiding.hungInPlace && aside.hungInPlace;
    Row("Hang: hung window after the hang",
        Format("%s (shown with its group %s, hidden and marked with its group %s); next switches %.0f / %.0f ms, "
               "tray menu %s",
               inPlace ? "in its group's state" : "NOT in its group's state", showing.hungInPlace ? "yes" : "no",
               hiding.hungInPlace ? "yes" : "no", afterShow.allMs, afterHide.allMs, trayWorks ? "works" : "FAILS"),
        "in its group's state", inPlace && trayWorks ? "met" : "MISSED");
    Row("Hang: windows lost", Format("%d of %d", lost, (int)everyone.size()), "0", lost == 0 ? "met" : "MISSED");

    CloseProgram(&p);
    WaitForPid(p.watcherPid, Patience);
    Release(&p);
    StopPeer(&peer);
    desk::Stop();
    return true;
}
