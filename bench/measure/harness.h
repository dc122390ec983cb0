// What the measurement programs under Wine share: starting and ending the
// real plinthwise.exe that lies next to them, the state of the helper's
// windows, clocks, the Linux side of a Wine process (read through Z:\proc),
// and the rows of the result table that measure.sh prints.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

const char MarkerName[] = "PlinthwiseHidden";

// ---- Clocks and waiting -----------------------------------------------------
// argv[i] when it is a positive number, else the fallback.
int Arg(int argc, char **argv, int i, int fallback);
double NowMs();  // QueryPerformanceCounter, in milliseconds
// Serves this thread's messages until the condition holds or ms pass.
bool WaitUntil(const std::function<bool()> &condition, DWORD ms, DWORD stepMs = 10);
double Median(std::vector<double> v);
double Percentile(std::vector<double> v, double p);

// ---- Seeded randomness (xorshift64*), printed so that a run can be replayed --
void SeedRandom(const char *what);  // MEASURE_SEED, else the clock
int Below(int n);

// ---- Processes ------------------------------------------------------------------
// A file next to the running program.
std::string BesideMe(const char *name);

struct Running {
    PROCESS_INFORMATION info = {};
    HWND main = nullptr;     // the program's MainWindow (or the floor's window)
    DWORD watcherPid = 0;    // the watcher it started
    double startMs = 0;      // from CreateProcess to ready
};

// Starts plinthwise.exe without arguments, as a user does, and waits until
// it is ready: MainWindow exists and its watcher runs (the start adopts the
// windows on screen before it launches the watcher).
bool StartPlinthwise(Running *p);
// Starts another program beside us with a command-line tail and waits for a
// top-level window of the given class in it (null: no window to wait for).
bool StartBeside(Running *p, const char *exe, const char *tail, const char *windowClass);
// WM_CLOSE to the main window: the orderly end. Returns the exit code, or
// STILL_ACTIVE if it did not end in time (then it is killed).
DWORD CloseProgram(Running *p, DWORD ms = 10000);
void KillProgram(Running *p);
void Release(Running *p);
// Copies of plinthwise.exe other than `except`, by Toolhelp snapshot.
std::vector<DWORD> PlinthwiseCopies(DWORD except);
// Waits for a process to end; returns its exit code, or STILL_ACTIVE.
DWORD WaitForPid(DWORD pid, DWORD ms);
void KillPid(DWORD pid);
// Ends every copy of plinthwise.exe that is still running (ours only: the
// test bed is private).
void KillStrayCopies();

// ---- Windows of the helper ------------------------------------------------------
std::vector<HWND> MakeWindows(const char *titlePrefix, int count, int showCmd);
bool Marked(HWND w);
int CountVisible(const std::vector<HWND> &ws);
int CountMarked(const std::vector<HWND> &ws);
// Brings every window back on screen without its marker (the helper's or
// this process's own).
void ResetWindows(const std::vector<HWND> &ws);

// ---- The Linux side of a Wine process ------------------------------------------
struct LinuxStats {
    bool found = false;
    uint64_t cpuNs = 0;   // run time of all its threads (schedstat)
    uint64_t rssKb = 0, anonKb = 0, fileKb = 0, hwmKb = 0;
};
// The Linux pid of the Wine process whose command line starts with the
// given Windows path (and holds `needle` when it is not null, lacks
// `without` when that is not null), in our Wine prefix; 0 if none or several.
int LinuxPidOf(const std::string &windowsPath, const char *needle, const char *without);
int LinuxPidOfWineserver();
LinuxStats ReadLinuxStats(int linuxPid);

// A window class of this process with a white background, for the windows
// the measurements own themselves.
void RegisterWindowClass(const char *name, WNDPROC procedure);

// ---- Result rows ----------------------------------------------------------------
// One line of the table: figure, what was measured, the target, and whether
// it is met ("met", "MISSED", or "-" for a figure without a target).
void Row(const char *figure, const std::string &measured, const std::string &target, const char *verdict);
std::string Format(const char *format, ...);
