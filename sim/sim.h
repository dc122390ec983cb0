// Control side of the simulated desktop, for tests and benchmarks: make and
// drive other programs' windows, press keys, let time pass, script what
// happens while the program waits for messages, make calls fail, and read
// the log of the calls the program made.
#pragma once

#include "sim/win32.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace sim {

// ---- Processes --------------------------------------------------------
// The program under test runs as this process.
DWORD ProgramProcessId();
// Another program on the desktop; its windows belong to it.
DWORD StartForeignProcess(const char *image);
// The program runs elevated (high integrity), as when started by the logon
// task for an administrator, while the other programs run at medium.
void SetProgramElevated(bool elevated);

// ---- Windows of other programs -----------------------------------------
// A top-level window of another process (a fresh default one when pid is 0;
// the owner's when it has one), put at the top of the Z order and shown with
// showCmd (SW_HIDE: not shown).
HWND MakeWindow(const char *className, const char *title, DWORD style = WS_OVERLAPPEDWINDOW,
                DWORD exStyle = 0, int showCmd = SW_SHOWNORMAL, DWORD pid = 0, HWND owner = nullptr);
// The taskbar: a window of class "Shell_TrayWnd" in the explorer process.
HWND MakeTaskbar();
// What the window's own program does to it.
void OwnerShow(HWND window, int showCmd);
void Retitle(HWND window, const char *title);
void SetStyles(HWND window, DWORD style, DWORD exStyle);
void Destroy(HWND window);
// Its program moves and sizes the window (screen coordinates).
void Place(HWND window, RECT rect);
// The user snaps the window to a part of the screen: it is then arranged,
// placed apart from its normal rectangle, and still reports SW_SHOWNORMAL.
void Snap(HWND window, RECT rect);
// The window manager cloaks the window (DWM_CLOAKED_*), or uncloaks it (0).
void Cloak(HWND window, DWORD reason);
// The system's virtual desktops (Win+Ctrl+arrows): a window moved to another
// one, and the user going to another one. The shell cloaks every window of
// the desktops not shown (DWM_CLOAKED_SHELL) and uncloaks those of the one
// shown; a program's own cloak stays as it was.
void MoveToSystemDesktop(HWND window, int desktop);
void ShowSystemDesktop(int desktop);
void OwnerSetProp(HWND window, const char *name, UINT_PTR value);
// The window's program runs at a higher integrity level than the program
// under test (elevated, say): calls that change the window are refused.
void MarkPrivileged(HWND window);
// The user activates the window (click): foreground and top of the Z order.
void Activate(HWND window);
// Close box, system menu Close: WM_SYSCOMMAND SC_CLOSE to the window.
void ClickClose(HWND window);
// A left click in the window's client area, at client coordinates.
void Click(HWND window, int x, int y);

// ---- Programs that stop answering ------------------------------------------
// The program owning the window stops taking messages for ms (INFINITE: until
// Answer). A synchronous call of the program under test on one of its
// windows waits, the simulated clock running, until it answers; the
// asynchronous forms queue and are carried out, in order, when it answers.
void Hang(HWND window, DWORD ms);
void HangProcess(DWORD pid, DWORD ms);
// A busy program is one that hangs for a short time (no stand-in before 5 s).
// The program owning the window waits in its own outgoing SendMessage for
// ms: it serves sent messages (probes, synchronous calls) at once, but its
// posted messages and queued window requests wait until the call returns.
// A hang under way becomes such a wait, its queue kept. Having called no
// PeekMessage, it counts as hung after 5 s (IsHungAppWindow, a stand-in,
// SMTO_ABORTIFHUNG) like any other.
void NestedSend(HWND window, DWORD ms);
// The hung program takes its messages again, now.
void Answer(HWND window);
bool Hung(HWND window);
// Hidden by the system while its program hangs, its stand-in in its place.
bool BehindStandIn(HWND window);
// The show commands of the requests still queued for the window's thread, in
// the order they will run (SW_HIDE a hide; SWP_SHOWWINDOW reads as
// SW_SHOWNA); those that leave its visibility as it is are left out.
std::vector<int> QueuedVisibility(HWND window);
// Simulated milliseconds the program under test has spent waiting for other
// programs' threads.
DWORD TimeWaited();
// Thrown out of a synchronous call on a window whose program never answers
// again: the program would wait forever.
struct WaitedForever {};

// ---- Reading the desktop (not logged) -----------------------------------
bool Exists(HWND window);
bool Visible(HWND window);
UINT ShowState(HWND window);            // what GetWindowPlacement reports
RECT Bounds(HWND window);                // where it stands, screen coordinates
RECT NormalBounds(HWND window);          // where restoring puts it, screen coordinates
bool HasProp(HWND window, const char *name);
std::vector<HWND> ZOrder();              // top-level windows, top first
std::vector<HWND> VisibleZOrder();       // only the visible ones
HWND Foreground();
DWORD OwnerOf(HWND window);
std::string Title(HWND window);
std::string ClassOf(HWND window);
std::vector<HWND> ChildrenOf(HWND window);
size_t WindowCount();                    // live top-level windows

// Names used for windows in the call log ("W1" rather than a number).
void Name(HWND window, const std::string &name);
std::string NameOf(HWND window);

// ---- Input and time ----------------------------------------------------
// A key pressed with modifiers (MOD_ALT, MOD_SHIFT, MOD_CONTROL): a hotkey
// registered for exactly these modifiers goes to its owner as WM_HOTKEY;
// otherwise the key goes to the foreground window if it is the program's.
void PressKey(UINT modifiers, UINT vk);
// Another program holds this hotkey, so the program cannot register it.
void HoldHotkey(UINT modifiers, UINT vk);
// That program lets it go (it ends, say).
void ReleaseHotkey(UINT modifiers, UINT vk);
// Simulated milliseconds since the desktop started.
DWORD Now();
// Let time pass; timers that fall due are delivered when the program next
// waits for messages.
void AdvanceTime(DWORD ms);
// Settable screen size and cursor.
void SetScreen(int width, int height);
void SetCursor(int x, int y);
// SetForegroundWindow calls of the program are refused while set.
void RefuseForeground(bool refuse);

// ---- Displays ---------------------------------------------------------------
// The primary monitor is the screen (SetScreen), its work area all of it
// until set otherwise.
HMONITOR PrimaryMonitor();
// Another monitor at its place in the virtual screen, with its work area.
HMONITOR AddMonitor(RECT area, RECT work);
void SetWorkArea(HMONITOR monitor, RECT work);
// The monitor is unplugged (the primary one cannot be), as Windows handles
// it: visible windows left on no monitor are moved onto the nearest one.
void RemoveMonitor(HMONITOR monitor);

// ---- Script --------------------------------------------------------------
// A step runs when the program waits for messages and has none: the next
// input, a time step, a change made by another program.
void Then(std::function<void()> step);
size_t StepsLeft();
// Thrown out of GetMessageA when the program waits and no step is left, so
// that a test never hangs; tests that expect the program to end see it as a
// failure.
struct ScriptExhausted {};
// A step that runs when simulated time reaches `when` (by AdvanceTime or by
// the program's Sleep).
void At(DWORD when, std::function<void()> step);
// For tests that call the program's functions without its message loop:
// deliver the pending WinEvents and dispatch the posted messages, as a wait
// for messages would; runs no script step and fires no timer.
void DeliverPending();

// ---- Faults ----------------------------------------------------------------
// The nth call of the named function from now on fails, and the `times` calls
// after it too (times 0: every call from then on).
void FailCall(const char *function, int nth = 1, int times = 1);
void ClearFaults();
// How many calls the faults armed above have failed so far, of the named
// function or of all.
size_t FaultsHit(const char *function = nullptr);
// Runs an action just before the nth call of the named function from now,
// as if another program acted at that moment (a window destroyed mid-switch).
void BeforeCall(const char *function, int nth, std::function<void()> action);
// Used by the simulated calls themselves: true when this call must fail.
bool ShouldFail(const char *function);

// ---- Call log ----------------------------------------------------------------
// Every call the program makes is logged as text, e.g.
//   "ShowWindow(W1, 7)"  "DeferWindowPos(W2, 0, 0x0253)"  "SetPropA(W1, PlinthwiseHidden, 1)"
const std::vector<std::string> &Calls();
void ClearCalls();
// Only the calls of the named functions, in order.
std::vector<std::string> CallsOf(std::initializer_list<const char *> functions);
size_t CallCount();
// Appends one entry; used by the simulated calls.
void Log(const char *function, const char *format, ...);
// Stops and restarts logging (a test reading state through the API itself).
void SetLogging(bool on);

// ---- Heap accounting ---------------------------------------------------------
size_t LiveHeapBlocks();

} // namespace sim
