// One group switch under Wine against its floor. Two groups of 50 windows
// of another process (pwhelper.exe); each round times the engine's switch
// and the bare calls no switch can do without (mark and hide the 50 windows
// on screen, show the other 50 in one deferred batch) side by side, in
// alternating order and direction, and the table gives medians and the
// ratio of the two.
//
//   bench/run-wine-bench [rounds]     (default 100)
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

#include "tests/desk.h"
#include "tray/notifyicon.h"
#include "workspace/foreground.h"
#include "workspace/owned.h"
#include "workspace/eligibility.h"
#include "workspace/groups.h"
#include "workspace/marker.h"
#include "workspace/nowait.h"
#include "workspace/recovery.h"
#include "workspace/monitorfit.h"
#include "workspace/switching.h"

namespace {

const int GroupSize = 50;
const int WarmUpRounds = 5;
const double Target = 1.25;  // the engine may cost this much more than the floor
const UINT ShowBatchFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER;

std::vector<HWND> groups[2];

double Microseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    return (double)(to.QuadPart - from.QuadPart) * 1e6 / (double)frequency.QuadPart;
}

// What the program does after a switch: back to its message loop.
void Drain()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

// The engine's switch from group `from` to the other one.
double EngineSwitch(int from)
{
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    SwitchToGroup(1 - from);
    QueryPerformanceCounter(&t1);
    Drain();
    return Microseconds(t0, t1);
}

// The floor of the same switch; the table is then told which group is on
// screen, as if the engine had made it.
double FloorSwitch(int from)
{
    const std::vector<HWND> &hide = groups[from], &show = groups[1 - from];
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    for (HWND w : hide) {
        SetPropA(w, HiddenMarkerName, (HANDLE)1);
        ShowWindow(w, SW_HIDE);
    }
    HDWP batch = BeginDeferWindowPos((int)show.size());
    for (HWND w : show)
        if (batch)
            batch = DeferWindowPos(batch, w, HWND_TOP, 0, 0, 0, 0, ShowBatchFlags);
    if (batch)
        EndDeferWindowPos(batch);
    QueryPerformanceCounter(&t1);
    Drain();
    CurrentGroup = 1 - from;
    return Microseconds(t0, t1);
}

// Times one piece of a switch's work on its own, group 1 on screen; the
// median of `times` runs.
template <typename Op>
double Median(int times, Op op)
{
    std::vector<double> runs;
    for (int i = 0; i < times; i++) {
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        op();
        QueryPerformanceCounter(&t1);
        Drain();
        runs.push_back(Microseconds(t0, t1));
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

double Percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[(size_t)(p * (double)(v.size() - 1) + 0.5)];
}

// Hides the windows in the given order and shows them again in one batch
// from the last to the first, so that the first ends on top: the stacking
// a hide order meets is then the same every time.
double HideInOrder(const std::vector<HWND> &ws, bool bottomFirst)
{
    HDWP batch = BeginDeferWindowPos((int)ws.size());
    for (size_t i = ws.size(); i-- > 0 && batch;)
        batch = DeferWindowPos(batch, ws[i], HWND_TOP, 0, 0, 0, 0, ShowBatchFlags);
    if (batch)
        EndDeferWindowPos(batch);
    Drain();
    desk::Pump(50);
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    for (size_t k = 0; k < ws.size(); k++)
        ShowWindow(ws[bottomFirst ? ws.size() - 1 - k : k], SW_HIDE);
    QueryPerformanceCounter(&t1);
    return Microseconds(t0, t1);
}

// Where the engine's time beyond the floor goes: the calls a switch makes
// per window besides hiding, marking and the batch, each kind timed alone
// over the 50 windows of group 1 on screen, and the two orders of hiding.
void PrintBreakdown(int times)
{
    const std::vector<HWND> &on = groups[0];
    struct Piece {
        const char *name;
        double us;
    } pieces[] = {
        {"adoption and ranking pass (nothing new)", Median(times, [] { AdoptUnseenWindowsRanking(0); })},
        {"GetWindowLongA(GWL_STYLE) x50", Median(times, [&] {
             for (HWND w : on)
                 GetWindowLongA(w, GWL_STYLE);
         })},
        {"GetWindowThreadProcessId x50", Median(times, [&] {
             for (HWND w : on)
                 GetWindowThreadProcessId(w, nullptr);
         })},
        {"IsHungAppWindow x50", Median(times, [&] {
             for (HWND w : on)
                 IsHungAppWindow(w);
         })},
        {"DwmGetWindowAttribute(CLOAKED) x50", Median(times, [&] {
             for (HWND w : on)
                 IsCloakedWindow(w);
         })},
        {"IsWindow x50", Median(times, [&] {
             for (HWND w : on)
                 IsWindow(w);
         })},
        {"MonitorFromWindow(NULL) x50", Median(times, [&] {
             for (HWND w : on)
                 MonitorFromWindow(w, MONITOR_DEFAULTTONULL);
         })},
        {"GetWindowRect x50", Median(times, [&] {
             for (HWND w : on) {
                 RECT r;
                 GetWindowRect(w, &r);
             }
         })},
        {"monitor fit of 50 (ReadMonitorAreas + BringOntoMonitor)", Median(times, [&] {
             ReadMonitorAreas();
             for (HWND w : on)
                 BringOntoMonitor(w);
         })},
        {"GetPropA x50", Median(times, [&] {
             for (HWND w : on)
                 GetPropA(w, HiddenMarkerName);
         })},
        {"SetPropA x50", Median(times, [&] {
             for (HWND w : on)
                 SetPropA(w, HiddenMarkerName, (HANDLE)1);
         })},
        {"RemovePropA x50", Median(times, [&] {
             for (HWND w : on)
                 RemovePropA(w, HiddenMarkerName);
         })},
        {"SendMessageTimeoutA(WM_NULL) x1", Median(times, [&] {
             DWORD_PTR result;
             SendMessageTimeoutA(on[0], WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 10, &result);
         })},
        {"UpdateTrayIcon (no icon added)", Median(times, [] { UpdateTrayIcon(); })},
    };
    printf("\nThe engine's other calls, each kind timed alone with group 1 on screen (median of %d):\n", times);
    for (const Piece &p : pieces)
        printf("  %-56s %10.0f us\n", p.name, p.us);
    // The windows overlap one another, as a group's do: hiding the top one
    // first uncovers the next, whose program repaints it.
    std::vector<double> topFirst, bottomFirst;
    for (int i = 0; i < times / 5 + 1; i++) {
        topFirst.push_back(HideInOrder(on, false));
        bottomFirst.push_back(HideInOrder(on, true));
    }
    printf("  %-56s %10.0f us\n", "ShowWindow(SW_HIDE) x50, top first", Percentile(topFirst, 0.5));
    printf("  %-56s %10.0f us\n", "ShowWindow(SW_HIDE) x50, bottom first", Percentile(bottomFirst, 0.5));
    HideInOrder(on, true);
    HDWP batch = BeginDeferWindowPos((int)on.size());
    for (size_t i = on.size(); i-- > 0 && batch;)
        batch = DeferWindowPos(batch, on[i], HWND_TOP, 0, 0, 0, 0, ShowBatchFlags);
    if (batch)
        EndDeferWindowPos(batch);
    Drain();
}

}  // namespace

int main(int argc, char **argv)
{
    int rounds = argc > 1 ? atoi(argv[1]) : 100;
    if (rounds < 1)
        rounds = 1;
    if (!desk::Start()) {
        fprintf(stderr, "switch_wine: the helper process did not start\n");
        return 1;
    }
    for (int g = 0; g < 2; g++)
        for (int i = 0; i < GroupSize; i++) {
            char title[32];
            snprintf(title, sizeof title, "Bench %d.%d", g + 1, i + 1);
            HWND w = desk::Make("PlinthBenchApp", title, WS_OVERLAPPEDWINDOW, 0, SW_SHOWNOACTIVATE);
            if (!w) {
                fprintf(stderr, "switch_wine: the helper made no window %s\n", title);
                desk::Stop();
                return 1;
            }
            groups[g].push_back(w);
            AddWindowToGroup(g, w);
        }
    // Group 1 on screen, group 2 hidden and marked, as after a switch.
    for (HWND w : groups[1]) {
        SetPropA(w, HiddenMarkerName, (HANDLE)1);
        ShowWindow(w, SW_HIDE);
    }
    CurrentGroup = 0;
    desk::Pump(200);

    // Each round: the engine leaves the group on screen and the floor comes
    // back, or the other way round, every other round, so that both go both
    // ways and either one runs first equally often.
    std::vector<double> engine, floor;
    for (int r = -WarmUpRounds; r < rounds; r++) {
        double e, f;
        if ((r & 1) == 0) {
            e = EngineSwitch(0);
            f = FloorSwitch(1);
        } else {
            f = FloorSwitch(0);
            e = EngineSwitch(1);
        }
        if (r >= 0) {
            engine.push_back(e);
            floor.push_back(f);
        }
    }

    double engineMedian = Percentile(engine, 0.5), floorMedian = Percentile(floor, 0.5);
    std::vector<double> ratios;
    for (size_t i = 0; i < engine.size(); i++)
        ratios.push_back(engine[i] / floor[i]);
    printf("One switch between two groups of %d windows of another process, under Wine; %d rounds\n\n", GroupSize,
           rounds);
    printf("%-40s %10s %10s %10s\n", "", "median us", "p10 us", "p90 us");
    printf("%-40s %10.0f %10.0f %10.0f\n", "engine: SwitchToGroup", engineMedian, Percentile(engine, 0.1),
           Percentile(engine, 0.9));
    printf("%-40s %10.0f %10.0f %10.0f\n", "floor: mark+hide 50, show 50 in a batch", floorMedian,
           Percentile(floor, 0.1), Percentile(floor, 0.9));
    printf("\nratio of medians %.2f; median of per-round ratios %.2f (target <= %.2f): %s\n",
           engineMedian / floorMedian, Percentile(ratios, 0.5), Target,
           engineMedian / floorMedian <= Target ? "within" : "OVER");

    PrintBreakdown(50);

    for (int g = 0; g < GroupCount; g++)
        for (int i = 0; i < GroupTable[g].count; i++) {
            RemovePropA(GroupTable[g].entries[i].window, HiddenMarkerName);
            ShowWindow(GroupTable[g].entries[i].window, SW_SHOWNOACTIVATE);
        }
    desk::Stop();
    return 0;
}
