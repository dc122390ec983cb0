// What the engine's regular work costs as the desktop grows, against the
// simulated desktop: one maintenance pass (purge, then adoption) and one
// group switch, for 10 to 10,000 windows. Each reports its time and the
// number of platform calls it makes (counted in one untimed pass, with the
// call log off while timing), so the growth of both is visible. The bare
// Z-order walk and the pass without look-ups show what the simulated desktop
// and the eligibility test cost for the same number of windows.
//
//   build/sim/bench/engine_bench [--benchmark_filter=Switch]
#include <benchmark/benchmark.h>

#include <vector>

#include "sim/sim.h"
#include "workspace/foreground.h"
#include "workspace/owned.h"
#include "workspace/eligibility.h"
#include "workspace/groups.h"
#include "workspace/maintenance.h"
#include "workspace/switching.h"

namespace {

std::vector<HWND> desktop;  // the windows of the current benchmark

// A fresh desktop of n titled application windows of another program and an
// empty table. The process keeps one simulated desktop and one table for
// all benchmarks, so the previous benchmark's windows and entries go first.
void MakeDesktop(int n)
{
    for (HWND w : desktop)
        sim::Destroy(w);
    desktop.clear();
    for (int g = 0; g < GroupCount; g++)
        GroupTable[g].count = 0;
    CurrentGroup = 0;
    for (int i = 0; i < n; i++)
        desktop.push_back(sim::MakeWindow("BenchApp", "Bench window", WS_OVERLAPPEDWINDOW, 0, SW_SHOWNOACTIVATE));
    sim::DeliverPending();  // no hook: this only drops the pending events
    sim::SetLogging(false);
}

// The calls one run of op makes, read from the call log.
template <typename Op>
size_t CountCalls(Op op)
{
    sim::SetLogging(true);
    sim::ClearCalls();
    op();
    size_t calls = sim::CallCount();
    sim::ClearCalls();
    sim::SetLogging(false);
    return calls;
}

void Report(benchmark::State &state, size_t calls)
{
    state.SetComplexityN(state.range(0));
    state.counters["windows"] = (double)state.range(0);
    state.counters["calls"] = (double)calls;
    state.counters["calls/window"] = (double)calls / (double)state.range(0);
}

// The tick in steady state: every window is managed and on screen, so the
// purge keeps all of them and the adoption finds nothing new.
void MaintenancePass(benchmark::State &state)
{
    MakeDesktop((int)state.range(0));
    AdoptUnseenWindows();
    // The first pass after an adoption looks for markers on the windows taken in.
    RunMaintenancePass();
    auto pass = [] { RunMaintenancePass(); };
    size_t calls = CountCalls(pass);
    for (auto _ : state)
        pass();
    Report(state, calls);
}

// The same pass without the table: EnumWindows and the eligibility test
// alone. What MaintenancePass costs beyond this is its look-ups by handle,
// each a linear scan of the table.
BOOL CALLBACK TestOnly(HWND window, LPARAM)
{
    benchmark::DoNotOptimize(IsEligibleWindow(window));
    return TRUE;
}

void EligibilityOnlyPass(benchmark::State &state)
{
    MakeDesktop((int)state.range(0));
    AdoptUnseenWindows();
    auto pass = [] { EnumWindows(TestOnly, 0); };
    size_t calls = CountCalls(pass);
    for (auto _ : state)
        pass();
    Report(state, calls);
}

// Back and forth between two groups of half the windows each: every switch
// adopts (nothing), captures, hides and marks one half and shows the other.
void Switch(benchmark::State &state)
{
    int n = (int)state.range(0);
    MakeDesktop(n / 2);
    AdoptUnseenWindows();
    SwitchToGroup(1);
    for (int i = n / 2; i < n; i++)
        desktop.push_back(sim::MakeWindow("BenchApp", "Bench window", WS_OVERLAPPEDWINDOW, 0, SW_SHOWNOACTIVATE));
    AdoptUnseenWindows();
    auto flip = [] {
        SwitchToGroup(CurrentGroup == 0 ? 1 : 0);
        sim::DeliverPending();  // drops the foreground events the switch caused
    };
    size_t calls = CountCalls(flip);
    for (auto _ : state)
        flip();
    Report(state, calls);
}

// The simulated desktop's own share: one walk of the Z order, as the
// switch's stacking capture makes it.
void SimZOrderWalk(benchmark::State &state)
{
    MakeDesktop((int)state.range(0));
    auto walk = [] {
        for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT))
            benchmark::DoNotOptimize(w);
    };
    size_t calls = CountCalls(walk);
    for (auto _ : state)
        walk();
    Report(state, calls);
}

BENCHMARK(MaintenancePass)->RangeMultiplier(10)->Range(10, 10000)->Unit(benchmark::kMicrosecond)->Complexity();
BENCHMARK(EligibilityOnlyPass)->RangeMultiplier(10)->Range(10, 10000)->Unit(benchmark::kMicrosecond)->Complexity();
BENCHMARK(Switch)->RangeMultiplier(10)->Range(10, 10000)->Unit(benchmark::kMicrosecond)->Complexity();
BENCHMARK(SimZOrderWalk)->RangeMultiplier(10)->Range(10, 10000)->Unit(benchmark::kMicrosecond)->Complexity();

}  // namespace

BENCHMARK_MAIN();
