// Internal state of the simulated desktop, shared by its source files.
// Not for the program; tests use sim/sim.h.
#pragma once

#include "sim/sim.h"

#include <deque>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace sim {

// One window, top-level or child, of the program or of another process.
struct Window {
    HWND handle = nullptr;
    DWORD pid = 0;
    std::string className;
    std::string title;
    DWORD style = 0;           // without WS_VISIBLE/WS_MINIMIZE/WS_MAXIMIZE
    DWORD exStyle = 0;
    bool visible = false;
    bool minimized = false;
    bool maximized = false;
    bool restoreToMaximized = false; // minimised from the maximised state
    bool arranged = false;     // snapped: placed apart from its normal rectangle
    DWORD cloaked = 0;         // DWMWA_CLOAKED: why the window manager keeps it off screen
    int systemDesktop = 0;     // which of the system's virtual desktops it stands on
    HWND parent = nullptr;
    HWND owner = nullptr;      // a top-level window's owner (GW_OWNER)
    std::vector<HWND> children;
    WNDPROC proc = nullptr;    // null for windows of other processes
    HINSTANCE instance = nullptr;
    RECT rect = {0, 0, 0, 0};  // where it stands; for a minimised window, where it stood
    RECT normalRect = {0, 0, 0, 0}; // where restoring puts it (screen coordinates)
    int controlId = 0;
    HFONT font = nullptr;
    std::map<std::string, HANDLE> props;
    std::set<UINT> allowedFromLower;  // messages its UIPI filter lets through
    std::string name;          // for the call log
    bool privileged = false;   // its program runs at a higher integrity level
};

struct WindowClass {
    std::string name;
    WNDCLASSA wc = {};
};

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT period;
    DWORD due;
};

struct Hotkey {
    HWND owner;                // null: held by another program
    int id;
    UINT modifiers;
    UINT vk;
};

struct Hook {
    HWINEVENTHOOK handle;
    DWORD eventMin;
    DWORD eventMax;
    WINEVENTPROC proc;
};

struct WinEvent {
    DWORD event;
    HWND window;
    DWORD time;
};

// One display; the first of the list is the primary one.
struct Monitor {
    HMONITOR handle;
    RECT area;
    RECT work;                 // the area less the taskbar and other application bars
};

struct Fault {
    int skip;                  // calls that still succeed before the failures
    int times;                 // failures left; 0 means every call
    bool forever;
};

// A window request posted to a thread that does not take messages now, and
// the show command it amounts to (SW_HIDE a hide; -1 when it leaves the
// window's visibility as it is).
struct QueuedRequest {
    HWND window;
    int command;
    std::function<void()> run;
};

// A program that has stopped taking messages (one thread per process here).
struct HungThread {
    DWORD since = 0;
    DWORD until = 0;           // INFINITE: until Answer
    std::vector<QueuedRequest> queued;  // asynchronous requests, in order
    std::vector<std::pair<HWND, HWND>> ghosts;   // {hung window, the system's stand-in}
    bool answersSent = false;  // waiting in its own SendMessage: serves sent messages only
    bool queueAfterSent = false;  // a sent call is served as it ends: the queue runs after it
};

struct TimedStep {
    DWORD when;
    std::function<void()> step;
};

struct Desktop {
    // windows
    std::unordered_map<HWND, Window> windows;
    std::vector<HWND> zorder;  // top-level windows, top first
    HWND foreground = nullptr;
    uintptr_t nextHandle = 0x10010;
    bool refuseForeground = false;
    DWORD defaultForeignPid = 0;
    bool programElevated = false;  // the program runs at high integrity
    // classes and messages
    std::map<std::string, WindowClass> classes;
    std::map<std::string, UINT> registeredMessages;
    std::deque<MSG> posted;
    bool quitPosted = false;
    int quitCode = 0;
    std::vector<Timer> timers;
    std::vector<Hotkey> hotkeys;
    std::vector<Hook> hooks;
    std::deque<WinEvent> events;
    // time and script
    DWORD now = 0;
    std::deque<std::function<void()>> script;
    std::vector<TimedStep> timed;
    int screenWidth = 1280;
    int screenHeight = 800;
    POINT cursor = {640, 400};
    std::vector<Monitor> monitors;  // empty: one monitor, the screen
    uintptr_t nextMonitor = 0x20010;
    // programs that stopped answering
    std::map<DWORD, HungThread> hung;  // by process id
    // Requests of threads that answer again but have not yet taken their
    // posted messages: a sent call that waited for the answer came first.
    std::map<DWORD, std::vector<QueuedRequest>> released;
    DWORD waited = 0;
    // faults and log
    std::map<std::string, Fault> faults;
    std::map<std::string, size_t> faultsHit;
    std::vector<std::string> log;
    bool logging = true;
    // heap
    std::set<void *> heapBlocks;
};

Desktop &D();

// Window records
Window *Find(HWND window);                  // live window or null
std::string Label(HWND window);             // name for the log
bool IsTopLevel(const Window &w);
void RaiseToTop(HWND window);
void ActivateOther(HWND leaving);           // the foreground window went away
void SetForegroundInternal(HWND window);    // foreground + raise + event
void ShowInternal(Window &w, int command);
// Monitors
const std::vector<Monitor> &Monitors();
// The monitor with the largest part of the rectangle, else as flags say.
const Monitor *MonitorOfRect(const RECT &rect, DWORD flags);
// The rectangle moved, and cut down where it is larger, into the area.
RECT MoveInto(RECT rect, const RECT &area);
// Workspace coordinates, in which placements are given: screen coordinates
// less the offset of the primary monitor's work area.
POINT WorkspaceOrigin();
void PostEvent(DWORD event, HWND window);
void DestroyInternal(HWND window);
LRESULT SendInternal(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Whether a message sent by another program at medium integrity (Explorer)
// reaches the window through User Interface Privilege Isolation.
bool PassesPrivilegeIsolation(HWND window, UINT message);
void RunTimedSteps();
void DeliverEvents();                       // pending WinEvents to the program's hooks
// Cross-thread calls of the program on a window of another program: a
// synchronous one first waits until that program answers, and while the
// program waits the system delivers its WinEvents; an asynchronous one is
// queued while that program is hung.
bool IsForeign(const Window &w);
void WaitForAnswer(const Window &w);
void AfterCrossThreadCall(const Window &w);
bool QueueIfHung(const Window &w, int command, std::function<void()> request);
bool IsHungApp(const Window &w);
// A window of a more privileged program refuses the call (access denied).
bool Refused(const Window &w);
// The program waits and nothing it waits for has come: the script's next
// step runs, or ScriptExhausted is thrown when none is left.
void RunNextStep();

// UTF-8 text as UTF-16, malformed bytes as U+FFFD.
std::vector<WCHAR> Utf16Of(const std::string &utf8);

} // namespace sim
