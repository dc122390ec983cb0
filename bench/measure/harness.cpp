// Shared parts of the measurement programs; see harness.h.
#include "bench/measure/harness.h"

#include <tlhelp32.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "tests/desk.h"

// ---- Clocks and waiting -----------------------------------------------------

double NowMs()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

bool WaitUntil(const std::function<bool()> &condition, DWORD ms, DWORD stepMs)
{
    double end = NowMs() + ms;
    while (NowMs() < end) {
        if (condition())
            return true;
        desk::Pump(stepMs);
    }
    return condition();
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[(size_t)(p * (double)(v.size() - 1) + 0.5)];
}

double Median(std::vector<double> v)
{
    return Percentile(std::move(v), 0.5);
}

// ---- Seeded randomness -----------------------------------------------------------

static uint64_t g_rng = 1;

void SeedRandom(const char *what)
{
    char text[32];
    uint64_t seed;
    if (GetEnvironmentVariableA("MEASURE_SEED", text, sizeof text) && text[0])
        seed = strtoull(text, nullptr, 0);
    else
        seed = (uint64_t)GetTickCount64() ^ ((uint64_t)GetCurrentProcessId() << 32);
    printf("%s: seed %llu (MEASURE_SEED=%llu replays the same choices)\n", what, (unsigned long long)seed,
           (unsigned long long)seed);
    g_rng = seed * 0x9E3779B97F4A7C15ULL | 1;
}

int Below(int n)
{
    g_rng ^= g_rng >> 12;
    g_rng ^= g_rng << 25;
    g_rng ^= g_rng >> 27;
    return (int)(((g_rng * 0x2545F4914F6CDD1DULL) >> 33) % (uint64_t)n);
}

// ---- Processes ------------------------------------------------------------------

std::string BesideMe(const char *name)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char *slash = strrchr(path, '\\');
    std::string out(path, slash ? (size_t)(slash + 1 - path) : 0);
    return out + name;
}

static HWND FindWindowOf(DWORD pid, const char *windowClass)
{
    HWND found = nullptr;
    for (HWND w = FindWindowExA(nullptr, nullptr, windowClass, nullptr); w && !found;
         w = FindWindowExA(nullptr, w, windowClass, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid)
            found = w;
    }
    return found;
}

static bool Launch(Running *p, const std::string &path, const char *tail)
{
    std::string line = "\"" + path + "\"";
    if (tail && *tail)
        line += std::string(" ") + tail;
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back(0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    *p = Running();
    p->startMs = NowMs();
    if (!CreateProcessA(path.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &p->info)) {
        fprintf(stderr, "cannot start %s (error %lu)\n", path.c_str(), GetLastError());
        return false;
    }
    return true;
}

bool StartPlinthwise(Running *p)
{
    // The watcher is the copy that was not there before.
    std::vector<DWORD> before = PlinthwiseCopies(0);
    if (!Launch(p, BesideMe("plinthwise.exe"), nullptr))
        return false;
    DWORD pid = p->info.dwProcessId;
    bool up = WaitUntil(
        [&] {
            if (!p->main)
                p->main = FindWindowOf(pid, "WorkspaceManagerClass");
            if (!p->main)
                return false;
            for (DWORD other : PlinthwiseCopies(pid))
                if (std::find(before.begin(), before.end(), other) == before.end())
                    p->watcherPid = other;
            return p->watcherPid != 0;
        },
        15000, 5);
    p->startMs = NowMs() - p->startMs;
    // The hook and the timer follow the watcher's launch at once.
    desk::Pump(50);
    return up;
}

bool StartBeside(Running *p, const char *exe, const char *tail, const char *windowClass)
{
    if (!Launch(p, BesideMe(exe), tail))
        return false;
    bool up = !windowClass || WaitUntil([&] { return (p->main = FindWindowOf(p->info.dwProcessId, windowClass)); },
                                        15000, 5);
    p->startMs = NowMs() - p->startMs;
    return up;
}

DWORD CloseProgram(Running *p, DWORD ms)
{
    if (p->main)
        PostMessageA(p->main, WM_CLOSE, 0, 0);
    DWORD code = STILL_ACTIVE;
    // Served while waiting: the shutdown shows windows, which may send to us.
    WaitUntil([&] { return WaitForSingleObject(p->info.hProcess, 0) == WAIT_OBJECT_0; }, ms, 5);
    if (WaitForSingleObject(p->info.hProcess, 0) == WAIT_OBJECT_0)
        GetExitCodeProcess(p->info.hProcess, &code);
    else
        KillProgram(p);
    return code;
}

void KillProgram(Running *p)
{
    TerminateProcess(p->info.hProcess, 1);
    WaitForSingleObject(p->info.hProcess, 10000);
}

void Release(Running *p)
{
    if (p->info.hProcess) {
        CloseHandle(p->info.hThread);
        CloseHandle(p->info.hProcess);
    }
    *p = Running();
}

std::vector<DWORD> PlinthwiseCopies(DWORD except)
{
    std::vector<DWORD> pids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return pids;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (_stricmp(entry.szExeFile, "plinthwise.exe") == 0 && entry.th32ProcessID != except)
            pids.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return pids;
}

DWORD WaitForPid(DWORD pid, DWORD ms)
{
    HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!h)
        return 0;  // already gone
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(h, ms) == WAIT_OBJECT_0)
        GetExitCodeProcess(h, &code);
    CloseHandle(h);
    return code;
}

void KillPid(DWORD pid)
{
    HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!h)
        return;
    TerminateProcess(h, 1);
    WaitForSingleObject(h, 10000);
    CloseHandle(h);
}

void KillStrayCopies()
{
    for (DWORD pid : PlinthwiseCopies(0))
        KillPid(pid);
}

// ---- Windows of the helper ------------------------------------------------------

std::vector<HWND> MakeWindows(const char *titlePrefix, int count, int showCmd)
{
    std::vector<HWND> out;
    for (int i = 0; i < count; i++) {
        char title[64];
        snprintf(title, sizeof title, "%s %d", titlePrefix, i + 1);
        HWND w = desk::Make("PlinthMeasureApp", title, WS_OVERLAPPEDWINDOW, 0, showCmd);
        if (!w) {
            fprintf(stderr, "the helper made no window %s\n", title);
            return {};
        }
        out.push_back(w);
    }
    return out;
}

bool Marked(HWND w)
{
    return GetPropA(w, MarkerName) != nullptr;
}

int CountVisible(const std::vector<HWND> &ws)
{
    int n = 0;
    for (HWND w : ws)
        n += IsWindowVisible(w) ? 1 : 0;
    return n;
}

int CountMarked(const std::vector<HWND> &ws)
{
    int n = 0;
    for (HWND w : ws)
        n += Marked(w) ? 1 : 0;
    return n;
}

void ResetWindows(const std::vector<HWND> &ws)
{
    for (HWND w : ws) {
        RemovePropA(w, MarkerName);
        if (IsWindowVisible(w))
            continue;
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == GetCurrentProcessId())
            ShowWindow(w, SW_SHOWNOACTIVATE);  // one of this process's own threads
        else
            desk::Show(w, SW_SHOWNOACTIVATE);
    }
}

// ---- The Linux side of a Wine process ------------------------------------------

// A whole file of /proc, through Wine's Z: drive (the Unix root).
static std::string ReadProcFile(const std::string &path)
{
    std::string out;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return out;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0)
        out.append(buffer, got);
    CloseHandle(f);
    return out;
}

static std::vector<int> NumericEntries(const std::string &directory)
{
    std::vector<int> out;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return out;
    do {
        char *end = nullptr;
        long n = strtol(found.cFileName, &end, 10);
        if (end && *end == 0 && n > 0)
            out.push_back((int)n);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return out;
}

static bool InOurPrefix(int pid)
{
    char prefix[MAX_PATH];
    if (!GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix))
        return true;
    std::string variables = ReadProcFile(Format("Z:\\proc\\%d\\environ", pid));
    std::string wanted = std::string("WINEPREFIX=") + prefix;
    wanted.push_back(0);
    return variables.find(wanted) != std::string::npos;
}

static int FindLinuxPid(const std::function<bool(const std::string &first, const std::string &all)> &match)
{
    int found = 0, count = 0;
    for (int pid : NumericEntries("Z:\\proc")) {
        std::string cmdline = ReadProcFile(Format("Z:\\proc\\%d\\cmdline", pid));
        if (cmdline.empty())
            continue;
        std::string first = cmdline.c_str();
        std::string all = cmdline;
        std::replace(all.begin(), all.end(), '\0', ' ');
        if (match(first, all) && InOurPrefix(pid)) {
            found = pid;
            count++;
        }
    }
    return count == 1 ? found : 0;
}

int LinuxPidOf(const std::string &windowsPath, const char *needle, const char *without)
{
    return FindLinuxPid([&](const std::string &first, const std::string &all) {
        return _stricmp(first.c_str(), windowsPath.c_str()) == 0 && (!needle || all.find(needle) != std::string::npos) &&
               (!without || all.find(without) == std::string::npos);
    });
}

int LinuxPidOfWineserver()
{
    return FindLinuxPid([](const std::string &first, const std::string &) {
        size_t slash = first.find_last_of('/');
        std::string base = slash == std::string::npos ? first : first.substr(slash + 1);
        return base.compare(0, 10, "wineserver") == 0;
    });
}

static uint64_t StatusKb(const std::string &status, const char *key)
{
    size_t at = status.find(key);
    return at == std::string::npos ? 0 : strtoull(status.c_str() + at + strlen(key), nullptr, 10);
}

LinuxStats ReadLinuxStats(int linuxPid)
{
    LinuxStats s;
    if (linuxPid <= 0)
        return s;
    std::string status = ReadProcFile(Format("Z:\\proc\\%d\\status", linuxPid));
    if (status.empty())
        return s;
    s.found = true;
    s.rssKb = StatusKb(status, "VmRSS:");
    s.anonKb = StatusKb(status, "RssAnon:");
    s.fileKb = StatusKb(status, "RssFile:");
    s.hwmKb = StatusKb(status, "VmHWM:");
    // Every thread's run time in nanoseconds, finer than the 10 ms ticks of stat.
    for (int tid : NumericEntries(Format("Z:\\proc\\%d\\task", linuxPid)))
        s.cpuNs += strtoull(ReadProcFile(Format("Z:\\proc\\%d\\task\\%d\\schedstat", linuxPid, tid)).c_str(), nullptr,
                            10);
    return s;
}

// ---- Result rows ----------------------------------------------------------------

std::string Format(const char *format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

void Row(const char *figure, const std::string &measured, const std::string &target, const char *verdict)
{
    printf("ROW\t%s\t%s\t%s\t%s\n", figure, measured.c_str(), target.c_str(), verdict);
    fflush(stdout);
}

int Arg(int argc, char **argv, int i, int fallback)
{
    return argc > i && atoi(argv[i]) > 0 ? atoi(argv[i]) : fallback;
}

void RegisterWindowClass(const char *name, WNDPROC procedure)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}
