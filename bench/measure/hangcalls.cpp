// What each way of calling a window of another program costs, and which
// calls wait while that program has stopped serving its messages: the
// figures behind the choice of the calls that never wait. Reported, not
// judged.
//
//   measure_faults.exe hangcalls
#include <windows.h>

#include <stdio.h>

#include "bench/measure/harness.h"
#include "tests/desk.h"

namespace {

const int Windows = 10;
const int Rounds = 20;
const UINT ProbeFlags = SMTO_ABORTIFHUNG | SMTO_BLOCK;
const UINT ProbeTimeout = 50;  // ms
const UINT ShowFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER;
const UINT HideFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER | SWP_HIDEWINDOW;

bool Answers(HWND w)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(w, WM_NULL, 0, 0, ProbeFlags, ProbeTimeout, &result) != 0;
}

// How a hide and a show of the whole set reach the windows.
enum Way { Prescribed, ProbedFirst, HungTestFirst, Asynchronous, Ways };
const char *const WayNames[] = {"ShowWindow + batch", "WM_NULL probe (SendMessageTimeout) before each call",
                                "IsHungAppWindow before each call", "ShowWindowAsync + SWP_ASYNCWINDOWPOS"};

void HideAll(const std::vector<HWND> &ws, Way way)
{
    for (HWND w : ws) {
        if (way == ProbedFirst)
            Answers(w);
        if (way == HungTestFirst)
            IsHungAppWindow(w);
        if (way == Asynchronous)
            ShowWindowAsync(w, SW_HIDE);
        else
            ShowWindow(w, SW_HIDE);
    }
}

void ShowAll(const std::vector<HWND> &ws, Way way)
{
    if (way == Asynchronous) {
        for (HWND w : ws)
            SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, ShowFlags | SWP_ASYNCWINDOWPOS);
        return;
    }
    HDWP batch = BeginDeferWindowPos((int)ws.size());
    for (HWND w : ws) {
        if (way == ProbedFirst)
            Answers(w);
        if (way == HungTestFirst)
            IsHungAppWindow(w);
        batch = DeferWindowPos(batch, w, HWND_TOP, 0, 0, 0, 0, ShowFlags);
    }
    EndDeferWindowPos(batch);
}

// Milliseconds one call takes.
template <typename F> double Time(F call)
{
    double t0 = NowMs();
    call();
    return NowMs() - t0;
}

// ---- Responsive windows: what each way costs ----------------------------------------

void MeasureResponsive(const std::vector<HWND> &ws)
{
    for (int way = 0; way < Ways; way++) {
        std::vector<double> calls, done;
        for (int r = 0; r < Rounds; r++) {
            double t0 = NowMs();
            HideAll(ws, (Way)way);
            ShowAll(ws, (Way)way);
            calls.push_back(NowMs() - t0);
            WaitUntil([&] { return CountVisible(ws) == (int)ws.size(); }, 5000, 0);
            done.push_back(NowMs() - t0);
            desk::Pump(20);
        }
        printf("hangcalls: %-52s hide + show of %d windows: calls return in %.2f ms, all shown at %.2f ms "
               "(medians of %d)\n",
               WayNames[way], Windows, Median(calls), Median(done), Rounds);
        Row(Format("Hang calls: %s, %d answering windows", WayNames[way], Windows).c_str(),
            Format("calls %.2f ms, done %.2f ms", Median(calls), Median(done)), "reported", "-");
    }
    std::vector<double> probe, hung, show, async, placement;
    for (int r = 0; r < Rounds; r++)
        for (HWND w : ws) {
            probe.push_back(Time([&] { Answers(w); }));
            hung.push_back(Time([&] { IsHungAppWindow(w); }));
            WINDOWPLACEMENT p = {};
            p.length = sizeof p;
            placement.push_back(Time([&] { GetWindowPlacement(w, &p); }));
        }
    printf("hangcalls: one call on an answering window: WM_NULL probe %.3f ms, IsHungAppWindow %.3f ms, "
           "GetWindowPlacement %.3f ms (medians)\n",
           Median(probe), Median(hung), Median(placement));
    (void)show;
    (void)async;
}

// ---- A window whose program hangs: which calls wait ------------------------------------

void Report(const char *call, double ms)
{
    printf("hangcalls: hung window, %-46s returned after %7.1f ms\n", call, ms);
}

void MeasureHung(HWND w, HWND other)
{
    const DWORD hang = 7000;
    desk::Hang(hang);
    double t0 = NowMs();
    Report("IsHungAppWindow (FALSE at first)", Time([&] { IsHungAppWindow(w); }));
    Report("SendMessageTimeout WM_NULL ABORTIFHUNG 50 ms", Time([&] { Answers(w); }));
    Report("ShowWindowAsync(SW_HIDE)", Time([&] { ShowWindowAsync(w, SW_HIDE); }));
    Report("SetWindowPos(show | SWP_ASYNCWINDOWPOS)",
           Time([&] { SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, ShowFlags | SWP_ASYNCWINDOWPOS); }));
    Report("ShowWindowAsync(SW_HIDE) again", Time([&] { ShowWindowAsync(w, SW_HIDE); }));
    Report("SetPropA", Time([&] { SetPropA(w, MarkerName, (HANDLE)1); }));
    Report("RemovePropA", Time([&] { RemovePropA(w, MarkerName); }));
    Report("IsWindowVisible", Time([&] { IsWindowVisible(w); }));
    char text[256];
    Report("GetWindowTextA", Time([&] { GetWindowTextA(w, text, 256); }));
    WINDOWPLACEMENT p = {};
    p.length = sizeof p;
    Report("GetWindowPlacement", Time([&] { GetWindowPlacement(w, &p); }));
    Report("SetForegroundWindow", Time([&] { SetForegroundWindow(w); }));
    Report("SetForegroundWindow (back to an answering one)", Time([&] { SetForegroundWindow(other); }));
    Report("SetWindowPos(raise | SWP_ASYNCWINDOWPOS)",
           Time([&] { SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_ASYNCWINDOWPOS); }));
    double turned = -1;
    while (NowMs() - t0 < hang - 500) {
        if (turned < 0 && IsHungAppWindow(w))
            turned = NowMs() - t0;
        Sleep(20);
    }
    printf("hangcalls: IsHungAppWindow turned TRUE %.0f ms into the hang\n", turned);
    Report("SendMessageTimeout ABORTIFHUNG once IsHungAppWindow", Time([&] { Answers(w); }));
    bool visibleDuring = IsWindowVisible(w) != FALSE;
    WaitUntil([&] { return !IsHungAppWindow(w) && Answers(w); }, 5000, 10);
    desk::Pump(200);
    printf("hangcalls: queued hide, show, hide: visible during the hang %d, after it %d (hidden expected)\n",
           visibleDuring, IsWindowVisible(w) != FALSE);

    const DWORD shortHang = 1500;
    desk::Hang(shortHang);
    Report("ShowWindow(SW_SHOWNOACTIVATE), 1.5 s hang", Time([&] { ShowWindow(w, SW_SHOWNOACTIVATE); }));
    desk::Pump(200);
    desk::Hang(shortHang);
    Report("SetWindowPos(0x0203), 1.5 s hang", Time([&] {
               SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOOWNERZORDER);
           }));
    desk::Pump(200);
    ShowWindow(w, SW_HIDE);
    desk::Hang(shortHang);
    Report("EndDeferWindowPos of a batch holding it, 1.5 s hang", Time([&] {
               HDWP batch = BeginDeferWindowPos(2);
               batch = DeferWindowPos(batch, other, HWND_TOP, 0, 0, 0, 0, ShowFlags);
               batch = DeferWindowPos(batch, w, HWND_TOP, 0, 0, 0, 0, ShowFlags);
               EndDeferWindowPos(batch);
           }));
    desk::Pump(200);
    desk::Hang(shortHang);
    Report("SendMessageTimeout WM_NULL ABORTIFHUNG, 1.5 s hang", Time([&] { Answers(w); }));
    desk::Pump(shortHang + 200);
}

}  // namespace

bool MeasureHangCalls()
{
    if (!desk::Start())
        return false;
    std::vector<HWND> ws = MakeWindows("Calls", Windows, SW_SHOWNOACTIVATE);
    if ((int)ws.size() != Windows) {
        desk::Stop();
        return false;
    }
    desk::Pump(300);
    MeasureResponsive(ws);
    MeasureHung(ws[0], ws[1]);
    desk::Stop();
    return true;
}
