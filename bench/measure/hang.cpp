// What a switch does when one window of a group belongs to a program that
// has stopped serving its messages (desk::Hang stops the helper, which owns
// just that window; the other windows belong to a thread of this process
// that keeps serving). Reported, not judged: there is no target.
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
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = "PlinthPeerApp";
    RegisterClassA(&wc);
    for (int g = 0; g < 2; g++)
        for (int i = 0; i < PeerWindows; i++) {
            char title[32];
            snprintf(title, sizeof title, "Peer %d.%d", g + 1, i + 1);
            HWND w = CreateWindowExA(0, "PlinthPeerApp", title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                     400, 260, nullptr, nullptr, wc.hInstance, nullptr);
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
};

const double TrayProbeAt = 300;

Outcome TimeSwitch(HWND main, UINT digit, const std::vector<HWND> &shown, const std::vector<HWND> &hidden, HWND hung,
                   DWORD hangMs)
{
    Outcome o;
    std::vector<HWND> shownOthers = Without(shown, hung), hiddenOthers = Without(hidden, hung);
    if (hangMs)
        desk::Hang(hangMs);
    double t0 = NowMs();
    bool posted = false;
    desk::PressKey(MOD_ALT, digit);
    while (NowMs() - t0 < Patience && (o.allMs < 0 || (hangMs && o.trayMs < 0))) {
        double now = NowMs() - t0;
        if (o.responsiveMs < 0 && GroupOn(shownOthers, hiddenOthers))
            o.responsiveMs = now;
        if (o.allMs < 0 && GroupOn(shown, hidden))
            o.allMs = now;
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
    return o;
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

    Outcome plainShow = TimeSwitch(p.main, '1', one, two, hung, 0);
    Outcome plainHide = TimeSwitch(p.main, '2', two, one, hung, 0);
    Outcome showing = TimeSwitch(p.main, '1', one, two, hung, hangMs);
    Outcome afterShow = TimeSwitch(p.main, '2', two, one, hung, 0);
    TimeSwitch(p.main, '1', one, two, hung, 0);
    Outcome hiding = TimeSwitch(p.main, '2', two, one, hung, hangMs);
    Outcome afterHide = TimeSwitch(p.main, '1', one, two, hung, 0);
    // Group 3 is empty: switching there and back leaves the hung window alone.
    std::vector<HWND> none;
    TimeSwitch(p.main, '3', none, one, hung, 0);
    Outcome aside = TimeSwitch(p.main, '2', two, none, hung, hangMs);
    desk::Pump(hangMs + 200);
    bool tray = TrayMenuWorks(p.main);

    printf("hang: switches without a hang take %.0f ms (show) and %.0f ms (hide)\n", plainShow.allMs,
           plainHide.allMs);
    printf("hang: showing the group of the hung window: %s; next switch %.0f ms\n", Describe(showing, hangMs).c_str(),
           afterShow.allMs);
    printf("hang: hiding the group of the hung window: %s; next switch %.0f ms\n", Describe(hiding, hangMs).c_str(),
           afterHide.allMs);
    printf("hang: a switch between groups without the hung window while it hangs: %s\n",
           Describe(aside, hangMs).c_str());
    printf("hang: tray menu opens and closes afterwards: %s\n", tray ? "yes" : "no");
    Row("Hang: switch to the group of a hung window", Describe(showing, hangMs), "reported", "-");
    Row("Hang: switch away from it", Describe(hiding, hangMs), "reported", "-");
    Row("Hang: afterwards", Format("hotkeys %s (next switches %.0f / %.0f ms, %.0f / %.0f without a hang), tray "
                                   "menu %s; a switch not touching it during a hang %.0f ms",
                                   afterShow.allMs >= 0 && afterHide.allMs >= 0 ? "work" : "FAIL", afterShow.allMs,
                                   afterHide.allMs, plainShow.allMs, plainHide.allMs, tray ? "works" : "FAILS",
                                   aside.allMs),
        "reported", "-");

    CloseProgram(&p);
    WaitForPid(p.watcherPid, Patience);
    Release(&p);
    StopPeer(&peer);
    desk::Stop();
    return true;
}
