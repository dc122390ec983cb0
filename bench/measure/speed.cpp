// Speed and footprint of the real plinthwise.exe under Wine, with windows
// of the helper process, measured from outside as a user would meet them.
//
//   measure_speed.exe switch [rounds] [switches per block] [sizes...]
//       (defaults: 3 rounds; 8, 6 and 4 switches per block for 10, 50 and
//       200 windows, 0 meaning that choice)
//       A switch between two groups of 10, 50 and 200 windows against
//       floor.exe, the unavoidable calls behind the same hotkey, in the same
//       run (switch.cpp). The two take turns in blocks, since only one of
//       them can hold the hotkeys at a time.
//   measure_speed.exe switch-small [rounds] [switches per block] [sizes...]
//       The same with every window 320 x 200, so that the switch, not the
//       repaint of what it shows, makes most of the time.
//   measure_speed.exe switch-onethread [rounds] [switches per block] [sizes...]
//       (defaults: 3 rounds of 4 switches per block)
//       The bed where the program does worst: every window 320 x 200 and
//       owned by one thread of this process, which also watches; 300 ms
//       between switches, so that the program's own timers fall inside
//       some, as they do for a user; a switch is over when every window is
//       shown or hidden, looked at every 5 ms.
//   measure_speed.exe idle [seconds]
//       CPU time the resident program uses with 200 managed windows against
//       bare.exe --poll, a bare process that polls the same desktop as often
//       (one EnumWindows pass every 500 ms), in the same minute; and the
//       memory it holds beside bare.exe, a minimal program.
#include <windows.h>
#include <psapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "bench/measure/harness.h"
#include "tests/desk.h"

// factors: which of "small", "onethread", "quiet300", "windows" make the bed
bool MeasureSwitch(int rounds, int perBlock, const std::vector<int> &sizes, const char *factors);  // switch.cpp

namespace {

const DWORD Patience = 20000;

// ---- Idle and memory ----------------------------------------------------------------

// GetProcessTimes of another process, in nanoseconds. Wine 8 answers it
// with zeros for processes other than the caller, so the figures come from
// Linux's accounting of the Wine process; this is printed beside them.
uint64_t CpuNsOf(HANDLE process)
{
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user))
        return 0;
    auto ns = [](FILETIME t) { return (((uint64_t)t.dwHighDateTime << 32) | t.dwLowDateTime) * 100; };
    return ns(kernel) + ns(user);
}

std::string MemoryText(const LinuxStats &s)
{
    return Format("RSS %llu KiB (anonymous %llu, file-backed %llu, peak %llu)", (unsigned long long)s.rssKb,
                  (unsigned long long)s.anonKb, (unsigned long long)s.fileKb, (unsigned long long)s.hwmKb);
}

// One process watched through the idle minute.
struct Watched {
    const char *name;
    int linuxPid;
    LinuxStats before, after;
    double Share(double elapsedNs) const
    {
        return before.found && after.found ? 100.0 * (double)(after.cpuNs - before.cpuNs) / elapsedNs : -1;
    }
};

bool ComeUpWith200(std::vector<HWND> *windows, Running *p)
{
    *windows = MakeWindows("Idle", 200, SW_SHOWNOACTIVATE);
    if (windows->size() != 200 || !StartPlinthwise(p))
        return false;
    // All 200 are managed: a switch away hides every one and back shows them.
    desk::PressKey(MOD_ALT, '2');
    if (!WaitUntil([&] { return CountVisible(*windows) == 0; }, Patience, 5))
        return false;
    desk::PressKey(MOD_ALT, '1');
    return WaitUntil([&] { return CountVisible(*windows) == 200 && CountMarked(*windows) == 0; }, Patience, 5);
}

bool MeasureIdle(int seconds)
{
    std::vector<HWND> windows;
    Running p, bare, bareDlls, pollFloor;
    if (!desk::Start() || !ComeUpWith200(&windows, &p) ||
        !StartBeside(&bare, "bare.exe", "", "PlinthBareClass") ||
        !StartBeside(&bareDlls, "bare.exe", "--same-dlls", "PlinthBareClass") ||
        !StartBeside(&pollFloor, "bare.exe", "--poll", "PlinthBareClass")) {
        fprintf(stderr, "idle: the program did not come up with 200 managed windows, or bare.exe did not start\n");
        KillStrayCopies();
        desk::Stop();
        return false;
    }
    desk::Pump(2000);

    std::string path = BesideMe("plinthwise.exe"), barePath = BesideMe("bare.exe");
    Watched watched[] = {
        {"plinthwise.exe", LinuxPidOf(path, nullptr, "--watch"), {}, {}},
        {"its watcher", LinuxPidOf(path, "--watch", nullptr), {}, {}},
        {"bare.exe", LinuxPidOf(barePath, nullptr, "--"), {}, {}},
        {"bare.exe --same-dlls", LinuxPidOf(barePath, "--same-dlls", nullptr), {}, {}},
        {"bare.exe --poll (the poll floor)", LinuxPidOf(barePath, "--poll", nullptr), {}, {}},
        {"explorer.exe (Wine's desktop and taskbar)", LinuxPidOf("C:\\windows\\system32\\explorer.exe", nullptr, nullptr), {}, {}},
        {"wineserver (serves every process of the test bed)", LinuxPidOfWineserver(), {}, {}},
    };
    for (Watched &w : watched)
        w.before = ReadLinuxStats(w.linuxPid);
    uint64_t times0 = CpuNsOf(p.info.hProcess);
    double t0 = NowMs();
    desk::Pump((DWORD)seconds * 1000);  // this process only waits meanwhile
    double elapsedNs = (NowMs() - t0) * 1e6;
    uint64_t times1 = CpuNsOf(p.info.hProcess);
    for (Watched &w : watched)
        w.after = ReadLinuxStats(w.linuxPid);

    printf("idle for %.1f s with 200 managed windows, CPU as a share of one core:\n", elapsedNs / 1e9);
    for (const Watched &w : watched)
        printf("  %-52s %7.3f%%\n", w.name, w.Share(elapsedNs));
    printf("  (GetProcessTimes of plinthwise.exe from outside: %.0f ms; Wine reports 0 for other processes)\n",
           (double)(times1 - times0) / 1e6);
    // Against the poll floor: what the 500 ms tick costs at least under Wine,
    // with these windows on this machine in this minute. The absolute figure
    // stays beside it.
    double share = watched[0].Share(elapsedNs), floor = watched[4].Share(elapsedNs);
    bool readable = share >= 0 && floor > 0;
    double ratio = readable ? share / floor : 0;
    Row("Idle CPU, 200 managed windows",
        !readable ? std::string("not readable through /proc")
                  : Format("%.2fx the poll floor: %.3f%% of one core (%.0f ms in %d s) against %.3f%% (%.0f ms), "
                           "%+.0f ms over it; absolute <= 0.2%%: %s; bare program %.3f%%",
                           ratio, share, share * elapsedNs / 1e8, seconds, floor, floor * elapsedNs / 1e8,
                           (share - floor) * elapsedNs / 1e8, share <= 0.2 ? "met" : "missed",
                           watched[2].Share(elapsedNs)),
        "<= 1.05x poll floor", readable && ratio <= 1.05 ? "met" : "MISSED");

    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(p.info.hProcess, &memory, sizeof memory);
    const LinuxStats &mine = watched[0].after, &b = watched[2].after, &bd = watched[3].after;
    printf("memory, after the idle minute:\n");
    printf("  plinthwise.exe        %s; working set %zu KiB by GetProcessMemoryInfo\n", MemoryText(mine).c_str(),
           memory.WorkingSetSize / 1024);
    printf("  bare.exe              %s\n", MemoryText(b).c_str());
    printf("  bare.exe --same-dlls  %s\n", MemoryText(bd).c_str());
    auto delta = [](uint64_t a, uint64_t b) { return (long long)a - (long long)b; };
    Row("Memory beyond a bare Win32 program",
        mine.found && b.found && bd.found
            ? Format("+%lld KiB RSS (+%lld KiB anonymous) over bare.exe; +%lld KiB RSS (+%lld anonymous) over "
                     "bare.exe loading the same DLLs",
                     delta(mine.rssKb, b.rssKb), delta(mine.anonKb, b.anonKb), delta(mine.rssKb, bd.rssKb),
                     delta(mine.anonKb, bd.anonKb))
            : std::string("not readable through /proc"),
        "none set (reported)", "-");

    for (Running *beside : {&bare, &bareDlls, &pollFloor}) {
        CloseProgram(beside);
        Release(beside);
    }
    CloseProgram(&p);
    WaitForPid(p.watcherPid, 10000);
    Release(&p);
    desk::Stop();
    return true;
}

}  // namespace

int main(int argc, char **argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    const char *what = argc > 1 ? argv[1] : "";
    KillStrayCopies();
    bool ok = false;
    bool oneThread = strcmp(what, "switch-onethread") == 0;
    if (oneThread || strcmp(what, "switch-small") == 0 || strcmp(what, "switch") == 0) {
        std::vector<int> sizes;
        for (int i = 4; i < argc; i++)
            sizes.push_back(atoi(argv[i]));
        if (sizes.empty())
            sizes = {10, 50, 200};
        const char *factors = oneThread ? "small onethread quiet300 windows" : what + strlen("switch");
        // One factor at a time: MEASURE_BED names the bed's factors instead of the mode.
        char bed[128];
        if (GetEnvironmentVariableA("MEASURE_BED", bed, sizeof bed))
            factors = bed;
        ok = MeasureSwitch(Arg(argc, argv, 2, 3), Arg(argc, argv, 3, oneThread ? 4 : 0), sizes,
                           factors);
    } else if (strcmp(what, "idle") == 0) {
        ok = MeasureIdle(Arg(argc, argv, 2, 60));
    } else {
        fprintf(stderr, "usage: measure_speed.exe switch|switch-small|switch-onethread [rounds] [switches per block] "
                        "[sizes...] | "
                        "idle [seconds]\n");
        return 2;
    }
    KillStrayCopies();
    return ok ? 0 : 1;
}
