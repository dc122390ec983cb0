// The probe that decides whether a window's program answers: what each
// threshold costs a switch for every program that is busy, and how often it
// takes a healthy but loaded program for one that does not answer. The
// probe is made here as the program makes it (IsHungAppWindow, then
// SendMessageTimeout WM_NULL with SMTO_ABORTIFHUNG | SMTO_BLOCK, one
// question per thread and pass), so that thresholds the program does not use
// can be compared in the same run; then plinthwise.exe itself is timed with
// its own.
//
//   measure_faults.exe probe [probes per threshold] [switches per threshold]
#include <windows.h>

#include <math.h>
#include <stdio.h>

#include <algorithm>

#include "bench/measure/harness.h"
#include "tests/desk.h"

namespace {

const UINT ProbeFlags = SMTO_ABORTIFHUNG | SMTO_BLOCK;
// The program's threshold first; the others are the alternatives weighed.
const UINT Thresholds[] = {10, 16, 20, 30, 50};
const int ThresholdCount = sizeof Thresholds / sizeof Thresholds[0];
// A way of judging with no probe at all: only a thread that IsHungAppWindow
// calls hung (silent for 5 s) gets the queued calls.
const UINT HungTestAlone = 0;

// ---- Threads of ours, each with a window -----------------------------------------------
// Busy: told to, it takes no messages for a while (a spreadsheet
// recalculating). Loaded: it works in bursts of 5-40 ms and takes its
// messages between them (a browser loading a page).

const UINT BusyRequest = WM_APP + 1;  // wParam: ms without taking messages
const int BusyThreads = 3;
const DWORD BusyFor = 500;  // ms, the middle figure of the busy-program row

struct Worker {
    HANDLE thread = nullptr, ready = nullptr;
    DWORD id = 0;
    HWND window = nullptr;
    volatile bool loaded = false;
    volatile LONG stop = 0;
    int bursts = 0;
};
Worker workers[BusyThreads + 1];

// A generator of the worker's own: the harness' one belongs to the main thread.
unsigned NextRandom(unsigned &state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

void TakeMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == BusyRequest && !msg.hwnd)
            Sleep((DWORD)msg.wParam);
        else
            DispatchMessageA(&msg);
    }
}

DWORD WINAPI WorkerMain(void *data)
{
    Worker &w = *(Worker *)data;
    RegisterWindowClass("PlinthProbeApp", DefWindowProcA);
    w.window = CreateWindowExA(0, "PlinthProbeApp", "Probed window", WS_OVERLAPPEDWINDOW, 80, 80, 300, 200, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(w.window, SW_SHOWNOACTIVATE);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(w.ready);
    unsigned state = 2463534242u + w.id;
    while (!w.stop) {
        if (w.loaded) {
            // A burst of work, then its messages and a pause of 0-10 ms in
            // which it waits for more.
            Sleep(5 + NextRandom(state) % 36);
            w.bursts++;
            TakeMessages();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, NextRandom(state) % 11, QS_ALLINPUT);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        }
        TakeMessages();
    }
    DestroyWindow(w.window);
    return 0;
}

bool StartWorker(Worker &w, bool loaded)
{
    w.loaded = loaded;
    w.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    w.thread = CreateThread(nullptr, 0, WorkerMain, &w, 0, &w.id);
    return w.thread && WaitForSingleObject(w.ready, 10000) == WAIT_OBJECT_0 && w.window;
}

void StopWorkers()
{
    for (Worker &w : workers) {
        if (!w.thread)
            continue;
        InterlockedExchange(&w.stop, 1);
        PostThreadMessageA(w.id, WM_NULL, 0, 0);
        WaitForSingleObject(w.thread, 10000);
        CloseHandle(w.thread);
        CloseHandle(w.ready);
        w.thread = nullptr;
    }
}

// ---- The probe, as the program makes it -----------------------------------------------

bool Answers(HWND window, UINT threshold)
{
    if (IsHungAppWindow(window))
        return false;
    if (threshold == HungTestAlone)
        return true;
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, ProbeFlags, threshold, &result) != 0;
}

std::string ThresholdName(UINT threshold)
{
    return threshold == HungTestAlone ? std::string("IsHungAppWindow alone") : Format("%u ms", threshold);
}

// ---- How often a loaded program is taken for one that does not answer ------------------

struct Misjudged {
    int probes = 0, silent = 0;
    std::vector<double> ms;  // what each probe took
};

void MeasureMisjudged(int perThreshold, Misjudged *out)
{
    Worker &loaded = workers[BusyThreads];
    std::vector<int> order;
    for (int t = 0; t < ThresholdCount; t++)
        order.insert(order.end(), perThreshold, t);
    // In random order, so that the machine's load, which drifts, falls on
    // every threshold alike.
    for (size_t i = order.size(); i > 1; i--)
        std::swap(order[i - 1], order[Below((int)i)]);
    int hung = 0;
    for (int t : order) {
        Sleep(5 + Below(30));  // a random moment in the program's work
        double t0 = NowMs();
        bool answered = Answers(loaded.window, Thresholds[t]);
        out[t].ms.push_back(NowMs() - t0);
        out[t].probes++;
        out[t].silent += answered ? 0 : 1;
        hung += IsHungAppWindow(loaded.window) ? 1 : 0;
    }
    printf("probe: loaded program, %d bursts of 5-40 ms meanwhile; IsHungAppWindow TRUE at %d of %d probes\n",
           loaded.bursts, hung, (int)order.size());
}

// The same for a program that waits for its messages: none should be missed
// at the program's threshold, on a machine as loaded as this one is.
Misjudged MeasureIdle(int probes)
{
    Misjudged idle;
    for (int i = 0; i < probes; i++) {
        Sleep(5 + Below(30));
        double t0 = NowMs();
        idle.silent += Answers(workers[0].window, Thresholds[0]) ? 0 : 1;
        idle.ms.push_back(NowMs() - t0);
        idle.probes++;
    }
    printf("probe: idle program, threshold %u ms: %d of %d probes said not answering; a probe took %.2f ms median, "
           "%.2f ms at the 99th percentile, %.2f ms at most\n",
           Thresholds[0], idle.silent, idle.probes, Median(idle.ms), Percentile(idle.ms, 0.99),
           *std::max_element(idle.ms.begin(), idle.ms.end()));
    return idle;
}

// ---- What a busy program costs a switch --------------------------------------------------
// A switch's calls on the windows: every window hidden, then shown again in
// one batch, each thread asked once; a window whose thread does not answer
// gets the queued forms. Timed until the calls return.

const UINT ShowFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER;

struct Judged {
    DWORD thread;
    bool answers;
};

struct SwitchTime {
    double ms, judgingMs;  // the whole switch, and the part spent judging
};

SwitchTime TimedSwitch(const std::vector<HWND> &ws, UINT threshold)
{
    std::vector<Judged> asked;
    double judging = 0;
    auto answers = [&](HWND w) {
        DWORD thread = GetWindowThreadProcessId(w, nullptr);
        for (const Judged &j : asked)
            if (j.thread == thread)
                return j.answers;
        double t0 = NowMs();
        asked.push_back({thread, Answers(w, threshold)});
        judging += NowMs() - t0;
        return asked.back().answers;
    };
    double t0 = NowMs();
    for (HWND w : ws) {
        if (answers(w))
            ShowWindow(w, SW_HIDE);
        else
            ShowWindowAsync(w, SW_HIDE);
    }
    HDWP batch = BeginDeferWindowPos((int)ws.size());
    for (HWND w : ws) {
        if (answers(w))
            batch = DeferWindowPos(batch, w, HWND_TOP, 0, 0, 0, 0, ShowFlags);
        else
            SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, ShowFlags | SWP_ASYNCWINDOWPOS);
    }
    EndDeferWindowPos(batch);
    return {NowMs() - t0, judging};
}

// Until every worker answers and every window stands on screen.
void Settle(const std::vector<HWND> &ws)
{
    for (int i = 0; i < BusyThreads; i++) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(workers[i].window, WM_NULL, 0, 0, SMTO_NORMAL, BusyFor + 2000, &result);
    }
    WaitUntil([&] { return CountVisible(ws) == (int)ws.size(); }, 3000, 5);
}

const int BusyCounts[] = {0, 1, BusyThreads};
const int BusyCountCount = sizeof BusyCounts / sizeof BusyCounts[0];
const UINT Ways[] = {10, 20, 50, HungTestAlone};
const int WayCount = sizeof Ways / sizeof Ways[0];

// ms[way][busy count]: what each switch took; judging: the part spent judging.
void MeasureSwitchCost(const std::vector<HWND> &helperWindows, int rounds, std::vector<double> ms[][BusyCountCount],
                       std::vector<double> judging[][BusyCountCount])
{
    std::vector<HWND> ws = helperWindows;
    for (int i = 0; i < BusyThreads; i++)
        ws.push_back(workers[i].window);
    std::vector<int> order;
    for (int c = 0; c < WayCount * BusyCountCount; c++)
        order.insert(order.end(), rounds, c);
    for (size_t i = order.size(); i > 1; i--)
        std::swap(order[i - 1], order[Below((int)i)]);
    for (int c : order) {
        int way = c / BusyCountCount, busy = c % BusyCountCount;
        for (int i = 0; i < BusyCounts[busy]; i++)
            PostThreadMessageA(workers[i].id, BusyRequest, BusyFor, 0);
        Sleep(20);  // every busy worker is in its work
        SwitchTime t = TimedSwitch(ws, Ways[way]);
        ms[way][busy].push_back(t.ms);
        judging[way][busy].push_back(t.judgingMs);
        Settle(ws);
        desk::Pump(20);
    }
}

// ---- The same with the program itself ---------------------------------------------------
// Its probe at its own threshold: ALT+2 with every window in group 1, timed
// until the windows of the answering program are hidden, with none or all
// of the busy threads busy. A thread found silent is not asked again for a
// second, so each timed switch comes more than a second after the last.

bool AllHidden(const std::vector<HWND> &ws, bool marked)
{
    return CountVisible(ws) == 0 && (!marked || CountMarked(ws) == (int)ws.size());
}

bool AllBack(const std::vector<HWND> &ws)
{
    return CountVisible(ws) == (int)ws.size() && CountMarked(ws) == 0;
}

bool MeasureProgram(const std::vector<HWND> &helperWindows, int rounds, std::vector<double> ms[2])
{
    std::vector<HWND> all = helperWindows;
    for (int i = 0; i < BusyThreads; i++)
        all.push_back(workers[i].window);
    Running p;
    if (!StartPlinthwise(&p))
        return false;
    std::vector<int> order;
    for (int busy = 0; busy < 2; busy++)
        order.insert(order.end(), rounds, busy);
    for (size_t i = order.size(); i > 1; i--)
        std::swap(order[i - 1], order[Below((int)i)]);
    bool ok = true;
    for (int busy : order) {
        desk::Pump(1200);
        for (int i = 0; busy && i < BusyThreads; i++)
            PostThreadMessageA(workers[i].id, BusyRequest, BusyFor, 0);
        Sleep(20);
        double t0 = NowMs();
        desk::PressKey(MOD_ALT, '2');
        if (!WaitUntil([&] { return AllHidden(helperWindows, false); }, 5000, 1)) {
            ok = false;
            break;
        }
        ms[busy].push_back(NowMs() - t0);
        WaitUntil([&] { return AllHidden(all, true); }, BusyFor + 5000, 10);
        desk::Pump(1200);  // past the memory of the silent threads
        desk::PressKey(MOD_ALT, '1');
        ok = WaitUntil([&] { return AllBack(all); }, 5000, 10);
        if (!ok)
            break;
    }
    CloseProgram(&p);
    Release(&p);
    KillStrayCopies();
    return ok;
}

}  // namespace

bool MeasureProbe(int perThreshold, int rounds)
{
    SeedRandom("probe");
    if (!desk::Start())
        return false;
    std::vector<HWND> ws = MakeWindows("Probe", 10, SW_SHOWNOACTIVATE);
    bool started = (int)ws.size() == 10;
    for (int i = 0; started && i <= BusyThreads; i++)
        started = StartWorker(workers[i], i == BusyThreads);
    if (!started) {
        StopWorkers();
        desk::Stop();
        return false;
    }
    desk::Pump(300);

    Misjudged misjudged[ThresholdCount];
    MeasureMisjudged(perThreshold, misjudged);
    std::string fractions;
    for (int t = 0; t < ThresholdCount; t++) {
        const Misjudged &m = misjudged[t];
        double p = (double)m.silent / m.probes;
        // The binomial spread of the fraction, two standard errors.
        double spread = 2 * sqrt(p * (1 - p) / m.probes);
        printf("probe: threshold %2u ms: %3d of %d probes of the loaded program said not answering (%.1f %% +- %.1f); "
               "a probe took %.1f ms median, %.1f ms at the 90th percentile, %.1f ms at most\n",
               Thresholds[t], m.silent, m.probes, 100 * p, 100 * spread, Median(m.ms), Percentile(m.ms, 0.9),
               *std::max_element(m.ms.begin(), m.ms.end()));
        fractions += Format("%s%u ms %.0f %% +- %.0f", t ? ", " : "", Thresholds[t], 100 * p, 100 * spread);
    }
    Misjudged idle = MeasureIdle(perThreshold);
    Row(Format("Probe: a healthy program working in bursts of 5-40 ms, taken for one not answering (%d probes per "
               "threshold)",
               perThreshold)
            .c_str(),
        fractions + Format("; a program waiting for its messages: %d of %d at %u ms", idle.silent, idle.probes,
                           Thresholds[0]),
        "reported", "-");

    std::vector<double> ms[WayCount][BusyCountCount], judging[WayCount][BusyCountCount];
    MeasureSwitchCost(ws, rounds, ms, judging);
    std::string costs;
    double chosenPerThread = 0, chosenFloor = 0;
    for (int way = 0; way < WayCount; way++) {
        double floor = Median(ms[way][0]);
        printf("probe: %-22s switch of %d windows: no busy thread %.1f ms (%.1f-%.1f ms, 10th-90th)",
               ThresholdName(Ways[way]).c_str(), (int)ws.size() + BusyThreads, floor, Percentile(ms[way][0], 0.1),
               Percentile(ms[way][0], 0.9));
        for (int b = 1; b < BusyCountCount; b++) {
            std::vector<double> &v = ms[way][b];
            printf(", %d busy %.1f ms (%.1f-%.1f ms)", BusyCounts[b], Median(v), Percentile(v, 0.1), Percentile(v, 0.9));
        }
        double one = Median(ms[way][1]) - floor;
        double perThread = (Median(ms[way][BusyCountCount - 1]) - floor) / BusyThreads;
        // The judging alone, without the noise of the calls around it.
        double judged = (Median(judging[way][BusyCountCount - 1]) - Median(judging[way][0])) / BusyThreads;
        printf("; over the floor: one busy thread %.1f ms, %d busy %.1f ms each; judging %.1f ms per busy thread "
               "(medians of %d)\n",
               one, BusyThreads, perThread, judged, rounds);
        costs += Format("%s%s +%.1f ms (%d busy: +%.1f ms each, judging %.1f ms each)", way ? "; " : "",
                        ThresholdName(Ways[way]).c_str(), one, BusyThreads, perThread, judged);
        if (way == 0)
            chosenPerThread = perThread, chosenFloor = floor;
    }
    // The program's threshold costs a switch that threshold per busy thread,
    // and one tick of the system's clock (15.6 ms) at most beyond it.
    Row(Format("Probe: what a thread busy for %lu ms adds to a switch of %d windows (%d switches with 0, 1 and %d "
               "busy)",
               BusyFor, (int)ws.size() + BusyThreads, rounds, BusyThreads)
            .c_str(),
        Format("%s; floor %.1f ms", costs.c_str(), chosenFloor),
        Format("<= %u ms + 15.6 ms per busy thread at %u ms", Ways[0], Ways[0]),
        chosenPerThread <= Ways[0] + 15.6 ? "met" : "MISSED");

    // The loaded program rests, so that only the busy ones weigh on the switches.
    workers[BusyThreads].loaded = false;
    std::vector<double> program[2];
    bool ran = MeasureProgram(ws, rounds, program);
    double programFloor = ran ? Median(program[0]) : 0;
    double programPerThread = ran ? (Median(program[1]) - programFloor) / BusyThreads : 0;
    if (ran)
        printf("probe: plinthwise.exe, ALT+2 until the answering program's windows are hidden: none busy %.1f ms "
               "(%.1f-%.1f ms, 10th-90th), %d busy %.1f ms (%.1f-%.1f ms); %.1f ms per busy thread (medians of %d)\n",
               programFloor, Percentile(program[0], 0.1), Percentile(program[0], 0.9), BusyThreads,
               Median(program[1]), Percentile(program[1], 0.1), Percentile(program[1], 0.9), programPerThread, rounds);
    else
        printf("probe: plinthwise.exe did not switch in time\n");
    Row(Format("Probe: plinthwise.exe itself, ALT+2 with %d of its %d windows' programs busy for %lu ms (%d switches "
               "each)",
               BusyThreads, (int)ws.size() + BusyThreads, BusyFor, rounds)
            .c_str(),
        ran ? Format("+%.1f ms per busy program over %.1f ms", programPerThread, programFloor)
            : std::string("did not switch in time"),
        Format("<= %u ms + 15.6 ms per busy program", Ways[0]),
        ran && programPerThread <= Ways[0] + 15.6 ? "met" : "MISSED");
    StopWorkers();
    desk::Stop();
    return true;
}
