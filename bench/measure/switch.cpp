// The switch figure: plinthwise.exe against floor.exe under Wine, two groups
// of the same windows, the same hotkeys, in the same run.
//
// A switch is timed from just before SendInput sends ALT+digit until the
// target group's top window is the foreground window and every window of the
// other group is hidden. The end is taken two ways, in turn:
//  - by timestamp: each group's top window belongs to a thread of this
//    process, which notes the moment WM_ACTIVATE arrives while this thread
//    sleeps (Wine 8 delivers no out-of-context foreground events, so a hook
//    cannot tell); the windows are then checked once;
//  - by polling the windows tightly, which competes with the switcher for
//    Wine's server and so shows what observing costs.
// All other windows belong to the helper process. Both switchers hide the
// group on screen before they show and activate the other one, so the
// activation of the top window is the last step either way.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "bench/measure/harness.h"
#include "tests/desk.h"

namespace {

const double SwitchTarget = 1.10;  // the program may take this much more than the floor
// ...and this much per window of the two groups over it: a ratio alone hides
// what the program adds when the bed's own costs (repaints, taskbar) are large.
const double PerWindowTarget = 0.2;
const DWORD SwitchPatience = 20000;

// The bed a switch is measured on. Each factor can be changed on its own
// (MEASURE_BED, see speed.cpp), to tell which one a gap between beds comes from.
struct Bed {
    bool small;         // every window 320 x 200
    bool oneThread;     // every window, the top ones too, owned by the sentinel thread
    bool shortQuiet;    // a fixed QuietMs before each switch, not a quiet desktop
    bool endOnWindows;  // over when the windows agree, looked at every PollStepMs
};
Bed g_bed;
// As a user meets it: a maintenance tick or the icon's update may fall
// inside the next switch.
const DWORD QuietMs = 300;
const DWORD PollStepMs = 5;

// ---- The top windows, owned by a thread of ours that notes their activation --

struct Sentinels {
    HANDLE thread = nullptr, ready = nullptr, activated = nullptr;
    DWORD threadId = 0;
    HWND top[2] = {};
};

Sentinels g_sentinels;
HWND volatile g_awaited;               // the top window whose activation is awaited
LONG64 volatile g_activatedAt;         // QueryPerformanceCounter when it came, or 0

// Requests to the sentinel thread, sent to a top window: make the windows of
// a group (lParam a WindowOrder), or destroy them (lParam the vector).
const UINT MakeGroupMessage = WM_APP + 1, DestroyGroupMessage = WM_APP + 2;
struct WindowOrder {
    const char *titlePrefix;
    int count, showCmd;
    std::vector<HWND> *out;
};

LRESULT CALLBACK SentinelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == MakeGroupMessage) {
        const WindowOrder &order = *(const WindowOrder *)lParam;
        for (int i = 0; i < order.count; i++) {
            HWND w = CreateWindowExA(0, "PlinthMeasureApp", Format("%s %d", order.titlePrefix, i + 1).c_str(),
                                     WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 480, 320, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
            ShowWindow(w, order.showCmd);
            order.out->push_back(w);
        }
        return 0;
    }
    if (message == DestroyGroupMessage) {
        for (HWND w : *(const std::vector<HWND> *)lParam)
            DestroyWindow(w);
        return 0;
    }
    if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE && window == g_awaited) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        if (InterlockedCompareExchange64(&g_activatedAt, now.QuadPart, 0) == 0)
            SetEvent(g_sentinels.activated);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

DWORD WINAPI SentinelMain(void *)
{
    // The helper's class name, so that the floor takes them for group windows.
    static const char className[] = "PlinthMeasureApp";
    RegisterWindowClass(className, SentinelProc);
    static const char *const titles[2] = {"Measure A 0", "Measure B 0"};
    for (int g = 0; g < 2; g++)
        g_sentinels.top[g] = CreateWindowExA(0, className, titles[g], WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                             CW_USEDEFAULT, 480, 320, nullptr, nullptr, GetModuleHandleA(nullptr),
                                             nullptr);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(g_sentinels.ready);
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    DestroyWindow(g_sentinels.top[0]);
    DestroyWindow(g_sentinels.top[1]);
    return 0;
}

bool StartSentinels()
{
    g_sentinels.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_sentinels.activated = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    g_sentinels.thread = CreateThread(nullptr, 0, SentinelMain, nullptr, 0, &g_sentinels.threadId);
    return g_sentinels.thread && WaitForSingleObject(g_sentinels.ready, 10000) == WAIT_OBJECT_0 &&
           g_sentinels.top[0] && g_sentinels.top[1];
}

void StopSentinels()
{
    if (g_sentinels.thread) {
        PostThreadMessageA(g_sentinels.threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(g_sentinels.thread, 10000);
        CloseHandle(g_sentinels.thread);
    }
    CloseHandle(g_sentinels.ready);
    CloseHandle(g_sentinels.activated);
    g_sentinels = Sentinels();
}

// ---- One switch ------------------------------------------------------------------

bool GroupsDone(const std::vector<HWND> &shown, const std::vector<HWND> &hidden)
{
    for (HWND w : hidden)
        if (IsWindowVisible(w))
            return false;
    for (HWND w : shown)
        if (!IsWindowVisible(w))
            return false;
    return true;
}

bool SwitchDone(const std::vector<HWND> &shown, const std::vector<HWND> &hidden, HWND top)
{
    // The foreground first: it is cheap and changes last.
    return GetForegroundWindow() == top && GroupsDone(shown, hidden);
}

// Puts the window on top and makes it the foreground window, as a click does.
bool Activate(HWND w)
{
    SetForegroundWindow(w);
    return WaitUntil([&] { return GetForegroundWindow() == w; }, 2000, 5);
}

// Wine's desktop process (explorer.exe, which keeps the taskbar) and its
// server go on working through what a switch told them after the switch
// is done, the switcher's tray update waits for the taskbar, and on two
// cores that work slows whatever comes next. The same holds for the helper
// that owns the windows: it repaints every window a switch showed, and a
// switch that starts while it still paints waits for it at every window.
// So each switch starts from a quiet desktop: the three together used under
// a quarter of a core for 40 ms, or a second has passed.
int g_explorer, g_server, g_helper;

uint64_t DesktopCpuNs()
{
    return ReadLinuxStats(g_explorer).cpuNs + ReadLinuxStats(g_server).cpuNs + ReadLinuxStats(g_helper).cpuNs;
}

void WaitForQuiet()
{
    const DWORD window = 40;
    double end = NowMs() + 1000;
    uint64_t before = DesktopCpuNs();
    while (NowMs() < end) {
        desk::Pump(window);
        uint64_t now = DesktopCpuNs();
        bool quiet = now - before < window * 250000ULL;  // a quarter of the window, in ns
        before = now;
        if (quiet)
            return;
    }
}

// Until the switcher has also removed its markers and the desktop is quiet.
void Settle(const std::vector<HWND> &shown)
{
    WaitUntil([&] { return CountMarked(shown) == 0; }, SwitchPatience, 2);
    if (g_bed.shortQuiet)
        desk::Pump(QuietMs);
    else
        WaitForQuiet();
}

struct Sample {
    double ms;
    bool polled;
};

int g_lateActivations;  // the windows disagreed with an activation that had come
// Per contender (0 the program, 1 the floor): switches timed, and those after
// which the groups were done but another window ended in the foreground.
int g_lostForeground[2], g_timed[2];
int g_contender;

const double Failed = -1, Lost = -2;

// Presses ALT+(target+1) and returns the milliseconds until the switch is
// done; Lost when the groups were switched but the top window did not end
// in the foreground, Failed when the switch did not happen in time.
double TimedSwitch(int target, const std::vector<HWND> *groups, bool poll, bool settle = true)
{
    const std::vector<HWND> &shown = groups[target], &hidden = groups[1 - target];
    HWND top = g_sentinels.top[target];
    ResetEvent(g_sentinels.activated);
    g_activatedAt = 0;
    g_awaited = top;
    static LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    double t0 = NowMs(), result = Failed, groupsDoneAt = 0;
    desk::PressKey(MOD_ALT, '1' + target);
    if (poll) {
        while (NowMs() - t0 < SwitchPatience) {
            if (SwitchDone(shown, hidden, top)) {
                result = NowMs() - t0;
                break;
            }
            // Another window of the group may keep the foreground (below).
            if (groupsDoneAt == 0 && GroupsDone(shown, hidden))
                groupsDoneAt = NowMs();
            if (groupsDoneAt != 0 && NowMs() - groupsDoneAt > 1000) {
                result = Lost;
                break;
            }
        }
    } else if (g_bed.endOnWindows) {
        // Which window ends active does not end the switch here; it is still
        // told below.
        while (result == Failed && NowMs() - t0 < SwitchPatience) {
            if (GroupsDone(shown, hidden))
                result = NowMs() - t0;
            else
                Sleep(PollStepMs);
        }
    } else if (WaitForSingleObject(g_sentinels.activated, SwitchPatience) == WAIT_OBJECT_0) {
        result = (double)(g_activatedAt - start.QuadPart) * 1000.0 / (double)frequency.QuadPart;
        if (!GroupsDone(shown, hidden)) {
            g_lateActivations++;
            result = WaitUntil([&] { return GroupsDone(shown, hidden); }, SwitchPatience, 1) ? NowMs() - t0 : Failed;
        }
    } else if (GroupsDone(shown, hidden)) {
        result = Lost;
    }
    g_awaited = nullptr;
    g_timed[g_contender]++;
    if (settle)
        Settle(shown);
    // Wine activates a window of the group being hidden each time the active
    // one goes; such a hop, handled late by its owner, can take the
    // foreground from the top window after the switch has activated it. The
    // first switch of a pair is followed by the next hotkey at once: where
    // the windows end it, its activation may still be on its way.
    if (result == Lost || (settle && result >= 0 && GetForegroundWindow() != top)) {
        char title[64] = "(none)";
        GetWindowTextA(GetForegroundWindow(), title, sizeof title);
        printf("  %s, 2 x %zu windows, switch to group %d: \"%s\" ended active instead of the top window\n",
               g_contender == 0 ? "plinthwise.exe" : "floor.exe", shown.size(), target + 1, title);
        g_lostForeground[g_contender]++;
        SetForegroundWindow(top);
        WaitUntil([&] { return GetForegroundWindow() == top; }, 2000, 5);
    }
    return result;
}

// An untimed switch that waits for its effect and then makes the group's
// sentinel its top window, as a user's click would.
void PlainSwitch(int target, const std::vector<HWND> *groups)
{
    desk::PressKey(MOD_ALT, '1' + target);
    WaitUntil([&] { return CountVisible(groups[1 - target]) == 0 && CountVisible(groups[target]) ==
                           (int)groups[target].size(); }, SwitchPatience, 5);
    Settle(groups[target]);
    Activate(g_sentinels.top[target]);
    desk::Pump(100);
}

// A first switch from a quiet desktop and a second one whose hotkey comes
// as soon as the first has ended, while the switcher, its helper and the
// taskbar may still be busy with the first. What the second adds is taken
// pair by pair, so that how busy the bed was in that block counts for both.
struct HotkeyPair {
    double first, second;
};
std::vector<HotkeyPair> g_pairs[2];
const int PairsPerBlock = 2;

// Two untimed switches, so that each group's top window is its sentinel,
// then `count` timed ones back and forth and the timed pairs; the block
// ends on group 1.
bool TimeSwitches(int current, const std::vector<HWND> *groups, int count, std::vector<Sample> *out)
{
    PlainSwitch(1 - current, groups);
    PlainSwitch(current, groups);
    for (int i = 0; i < count; i++) {
        int target = 1 - current;
        // E E P P ...: each way of timing sees both directions.
        bool poll = !g_bed.endOnWindows && ((i >> 1) & 1) != 0;
        double ms = TimedSwitch(target, groups, poll);
        if (ms == Lost) {
            current = target;
            continue;
        }
        if (ms < 0) {
            fprintf(stderr, "a switch to group %d did not finish within %lu ms: %d of %zu shown, %d of %zu left on "
                            "screen, top window %s\n",
                    target + 1, SwitchPatience, CountVisible(groups[target]), groups[target].size(),
                    CountVisible(groups[1 - target]), groups[1 - target].size(),
                    GetForegroundWindow() == g_sentinels.top[target] ? "active" : "not active");
            return false;
        }
        out->push_back(Sample{ms, poll});
        current = target;
    }
    for (int k = 0; k < PairsPerBlock; k++) {
        double first = TimedSwitch(1 - current, groups, false, false);
        double second = first >= 0 ? TimedSwitch(current, groups, false) : Failed;
        if (first >= 0 && second >= 0)
            g_pairs[g_contender].push_back(HotkeyPair{first, second});
    }
    if (current != 0)
        PlainSwitch(0, groups);
    return true;
}

// ---- Blocks: each contender holds the hotkeys in turn ------------------------

// Shows or hides windows of other threads in one batch, without activation.
void SetShown(const std::vector<HWND> &ws, bool show)
{
    HDWP batch = BeginDeferWindowPos((int)ws.size());
    for (HWND w : ws)
        if (batch)
            batch = DeferWindowPos(batch, w, nullptr, 0, 0, 0, 0,
                                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                                       (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    if (batch)
        EndDeferWindowPos(batch);
}

// On entry and exit of every block: group A on screen, group B hidden by
// its own program, no markers.
bool ProgramBlock(const std::vector<HWND> *groups, int count, std::vector<Sample> *out)
{
    // The groups as a start leaves them: windows join the group in the order
    // they stand, so the one in use, on top, comes first.
    Activate(g_sentinels.top[0]);
    Running p;
    if (!StartPlinthwise(&p)) {
        fprintf(stderr, "plinthwise.exe did not come up\n");
        Release(&p);
        return false;
    }
    // Group 1 holds A from the start. B, shown while group 2 is on screen,
    // joins group 2 when the next switch leaves it.
    desk::PressKey(MOD_ALT, '2');
    bool ok = WaitUntil([&] { return CountVisible(groups[0]) == 0; }, SwitchPatience, 5);
    SetShown(groups[1], true);
    Activate(g_sentinels.top[1]);
    ok = ok && TimeSwitches(1, groups, count, out);
    DWORD code = CloseProgram(&p);
    DWORD watcher = WaitForPid(p.watcherPid, 10000);
    Release(&p);
    if (code != 0 || watcher != 0)
        fprintf(stderr, "plinthwise.exe exited with %lu, its watcher with %lu\n", code, watcher);
    // The orderly exit showed group 2 again.
    SetShown(groups[1], false);
    ResetWindows(groups[0]);
    return ok && code == 0;
}

bool FloorBlock(const std::vector<HWND> *groups, int count, std::vector<Sample> *out)
{
    Running f;
    bool ok = StartBeside(&f, "floor.exe", "PlinthMeasureApp|Measure A|Measure B", "PlinthFloorClass");
    if (!ok)
        fprintf(stderr, "floor.exe did not come up\n");
    ok = ok && TimeSwitches(0, groups, count, out);
    CloseProgram(&f);
    Release(&f);
    for (HWND w : groups[1])
        RemovePropA(w, MarkerName);
    return ok;
}

enum Contender { Program, Floor, Contenders };

bool Block(Contender c, const std::vector<HWND> *groups, int count, std::vector<Sample> *out)
{
    g_contender = c;
    return c == Program ? ProgramBlock(groups, count, out) : FloorBlock(groups, count, out);
}

struct Medians {
    double stamped, polled, p90;
};

Medians MediansOf(const std::vector<Sample> &samples)
{
    std::vector<double> stamped, polled, all;
    for (const Sample &s : samples) {
        (s.polled ? polled : stamped).push_back(s.ms);
        all.push_back(s.ms);
    }
    return Medians{Median(stamped), Median(polled), Percentile(all, 0.9)};
}

// The small bed: every window of the case 320 x 200, so that repainting
// what a switch shows costs little beside the switch itself.
const int SmallWidth = 320, SmallHeight = 200;

void Resize(const std::vector<HWND> &ws, int width, int height)
{
    for (HWND w : ws)
        SetWindowPos(w, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A group's windows other than its top one, made by the helper or, on the
// one-thread bed, by the sentinel thread.
std::vector<HWND> MakeGroup(const char *titlePrefix, int count, int showCmd)
{
    if (!g_bed.oneThread)
        return MakeWindows(titlePrefix, count, showCmd);
    std::vector<HWND> out;
    WindowOrder order{titlePrefix, count, showCmd, &out};
    SendMessageA(g_sentinels.top[0], MakeGroupMessage, 0, (LPARAM)&order);
    return out;
}

bool MeasureSize(int size, int rounds, int perBlock)
{
    bool small = g_bed.small;
    if (!desk::Start()) {
        fprintf(stderr, "the helper process did not start\n");
        return false;
    }
    g_helper = LinuxPidOf(BesideMe("pwhelper.exe"), nullptr, nullptr);
    g_pairs[0].clear();
    g_pairs[1].clear();
    std::vector<HWND> groups[2];
    groups[0] = MakeGroup("Measure A", size - 1, SW_SHOWNOACTIVATE);
    groups[1] = MakeGroup("Measure B", size - 1, SW_HIDE);
    groups[0].push_back(g_sentinels.top[0]);
    groups[1].push_back(g_sentinels.top[1]);
    ShowWindow(g_sentinels.top[0], SW_SHOWNOACTIVATE);
    ShowWindow(g_sentinels.top[1], SW_HIDE);
    if (small) {
        Resize(groups[0], SmallWidth, SmallHeight);
        Resize(groups[1], SmallWidth, SmallHeight);
    }
    bool ok = (int)groups[0].size() == size && (int)groups[1].size() == size;
    std::vector<Sample> samples[Contenders];
    g_lateActivations = 0;
    g_lostForeground[Program] = g_lostForeground[Floor] = g_timed[Program] = g_timed[Floor] = 0;
    // Each round runs every contender once; the one that goes first rotates.
    for (int r = 0; ok && r < rounds; r++)
        for (int k = 0; ok && k < Contenders; k++) {
            Contender c = (Contender)((r + k) % Contenders);
            ok = Block(c, groups, perBlock, &samples[c]);
        }
    ShowWindow(g_sentinels.top[0], SW_HIDE);
    ShowWindow(g_sentinels.top[1], SW_HIDE);
    Resize({g_sentinels.top[0], g_sentinels.top[1]}, 480, 320);
    if (g_bed.oneThread)
        for (std::vector<HWND> &group : groups) {
            group.pop_back();  // the top window stays for the next size
            SendMessageA(g_sentinels.top[0], DestroyGroupMessage, 0, (LPARAM)&group);
        }
    desk::Stop();
    KillStrayCopies();
    if (!ok)
        return false;

    Medians p = MediansOf(samples[Program]), f = MediansOf(samples[Floor]);
    double ratio = p.stamped / f.stamped, polledRatio = p.polled / f.polled;
    // On the bed that ends on the windows, the first figure is theirs and there is no second.
    printf("switch, 2 x %d windows, %zu switches each, medians in ms, timestamped / polled (p90 of both); switches "
           "that ended with another window in the foreground:\n",
           size, samples[Program].size());
    printf("  plinthwise.exe   %8.2f / %8.2f  (%8.2f)  %d\n", p.stamped, p.polled, p.p90, g_lostForeground[Program]);
    printf("  floor.exe        %8.2f / %8.2f  (%8.2f)  %d\n", f.stamped, f.polled, f.p90, g_lostForeground[Floor]);
    printf("  program / floor %.2f (timestamped), %.2f (polled); %+.3f ms per window over the floor\n", ratio,
           polledRatio, (p.stamped - f.stamped) / (2.0 * size));
    if (g_lateActivations)
        printf("  %d activations came before the windows agreed\n", g_lateActivations);
    // Milliseconds the program adds per window switched (both groups).
    double perWindow = (p.stamped - f.stamped) / (2.0 * size);
    std::string bedText = small ? Format(" of %d x %d", SmallWidth, SmallHeight) : std::string();
    if (g_bed.oneThread)
        bedText += ", all of one thread of the watching process";
    if (g_bed.shortQuiet)
        bedText += Format(", %lu ms between switches", QuietMs);
    if (g_bed.endOnWindows)
        bedText += ", over when the windows agree";
    Row(Format("Switch, 2 x %d windows%s", size, bedText.c_str()).c_str(),
        Format("%.1f ms vs floor %.1f ms = %.2fx, %+.3f ms per window over the floor%s; top window not left "
               "active after %d of %d program switches, %d of %d floor ones",
               p.stamped, f.stamped, ratio, perWindow,
               g_bed.endOnWindows ? ""
                                  : Format(" (polled: %.1f vs %.1f ms = %.2fx)", p.polled, f.polled, polledRatio)
                                        .c_str(),
               g_lostForeground[Program], g_timed[Program], g_lostForeground[Floor], g_timed[Floor]),
        Format("<= %.2fx floor and <= %.1f ms per window over it", SwitchTarget, PerWindowTarget),
        ratio <= SwitchTarget && perWindow <= PerWindowTarget ? "met" : "MISSED");
    // The floor's pair beside the program's: what a second hotkey costs any
    // switcher while the windows' program still repaints what the first
    // one showed.
    double first[Contenders] = {}, second[Contenders] = {}, increase[Contenders] = {};
    for (int c = 0; c < Contenders; c++) {
        std::vector<double> firsts, seconds, increases;
        for (const HotkeyPair &pair : g_pairs[c]) {
            firsts.push_back(pair.first);
            seconds.push_back(pair.second);
            increases.push_back(pair.second - pair.first);
        }
        first[c] = firsts.empty() ? -1 : Median(firsts);
        second[c] = seconds.empty() ? -1 : Median(seconds);
        increase[c] = increases.empty() ? 0 : Median(increases);
    }
    if (first[Program] >= 0) {
        printf("  second hotkey at the end of a switch: plinthwise.exe %.2f ms after %.2f ms for the first, floor.exe "
               "%.2f after %.2f; median increase within a pair %+.1f ms against %+.1f (%zu and %zu pairs)\n",
               second[Program], first[Program], second[Floor], first[Floor], increase[Program], increase[Floor],
               g_pairs[Program].size(), g_pairs[Floor].size());
        Row(Format("Switch, second hotkey as the first switch ends, 2 x %d windows%s", size, bedText.c_str()).c_str(),
            Format("%+.1f ms over the first hotkey against floor.exe's %+.1f ms (medians of the increase within %zu "
                   "and %zu pairs; seconds %.1f and %.1f ms)",
                   increase[Program], increase[Floor], g_pairs[Program].size(), g_pairs[Floor].size(), second[Program],
                   second[Floor]),
            "its increase over the first no larger than floor.exe's",
            first[Floor] >= 0 && increase[Program] <= increase[Floor] ? "met" : "MISSED");
    }
    return true;
}

}  // namespace

bool MeasureSwitch(int rounds, int perBlock, const std::vector<int> &sizes, const char *factors)
{
    g_bed = Bed{strstr(factors, "small") != nullptr, strstr(factors, "onethread") != nullptr,
                strstr(factors, "quiet300") != nullptr, strstr(factors, "windows") != nullptr};
    printf("switch bed:%s%s%s%s\n", g_bed.small ? " small" : "", g_bed.oneThread ? " onethread" : "",
           g_bed.shortQuiet ? " quiet300" : "", g_bed.endOnWindows ? " windows" : "");
    g_explorer = LinuxPidOf("C:\\windows\\system32\\explorer.exe", nullptr, nullptr);
    g_server = LinuxPidOfWineserver();
    if (!g_explorer || !g_server)
        fprintf(stderr, "switch: explorer.exe or wineserver not found in /proc; switches follow each other "
                        "without waiting for a quiet desktop\n");
    if (!StartSentinels()) {
        fprintf(stderr, "the sentinel windows were not made\n");
        StopSentinels();
        return false;
    }
    bool ok = true;
    for (int size : sizes) {
        // Fewer of the long switches: a big group averages over more windows.
        int count = perBlock > 0 ? perBlock : size <= 10 ? 8 : size <= 50 ? 6 : 4;
        ok = ok && MeasureSize(size, rounds, count);
    }
    StopSentinels();
    return ok;
}
