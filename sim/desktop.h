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
    HWND parent = nullptr;
    std::vector<HWND> children;
    WNDPROC proc = nullptr;    // null for windows of other processes
    HINSTANCE instance = nullptr;
    RECT rect = {0, 0, 0, 0};
    int controlId = 0;
    HFONT font = nullptr;
    std::map<std::string, HANDLE> props;
    std::string name;          // for the call log
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

struct Fault {
    int skip;                  // calls that still succeed before the failures
    int times;                 // failures left; 0 means every call
    bool forever;
};

// A program that has stopped taking messages (one thread per process here).
struct HungThread {
    DWORD since = 0;
    DWORD until = 0;           // INFINITE: until Answer
    std::vector<std::function<void()>> queued;  // asynchronous requests, in order
    std::vector<std::pair<HWND, HWND>> ghosts;   // {hung window, the system's stand-in}
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
    // programs that stopped answering
    std::map<DWORD, HungThread> hung;  // by process id
    DWORD waited = 0;
    // faults and log
    std::map<std::string, Fault> faults;
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
void PostEvent(DWORD event, HWND window);
void DestroyInternal(HWND window);
LRESULT SendInternal(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void RunTimedSteps();
void DeliverEvents();                       // pending WinEvents to the program's hooks
// Cross-thread calls of the program on a window of another program: a
// synchronous one first waits until that program answers, and while the
// program waits the system delivers its WinEvents; an asynchronous one is
// queued while that program is hung.
bool IsForeign(const Window &w);
void WaitForAnswer(const Window &w);
void AfterCrossThreadCall(const Window &w);
bool QueueIfHung(const Window &w, std::function<void()> request);
bool IsHungApp(const Window &w);
// The program waits and nothing it waits for has come: the script's next
// step runs, or ScriptExhausted is thrown when none is left.
void RunNextStep();

} // namespace sim
