// Entry and run modes: the watcher, the two task modes, and the normal start.
#include "shell/entry.h"

#include <string.h>

#include "logintask/elevate.h"
#include "logintask/taskclient.h"
#include "platform/ownpath.h"
#include "shell/appstate.h"
#include "shell/hotkeys.h"
#include "shell/mainwindow.h"
#include "shell/session.h"
#include "shell/shutdown.h"
#include "tray/about.h"
#include "tray/icons.h"
#include "tray/notifyicon.h"
#include "workspace/groups.h"
#include "workspace/foreground.h"
#include "workspace/nowait.h"
#include "workspace/owned.h"
#include "workspace/recovery.h"

static const char WatchOption[] = "--watch";

static const char MainClassName[] = "WorkspaceManagerClass";
static const char MainTitle[] = "Plinthwise";
static const char TaskbarClassName[] = "Shell_TrayWnd";
static const DWORD TaskbarPollInterval = 500;  // ms
// How often the watcher looks again at windows whose show waits behind a hang.
static const DWORD RecheckInterval = 500;  // ms

// Room for the quoted path, the option, blanks and ten digits.
static const int WatcherCommandLineSize = OwnPathSize + 32;

static const int ExitSuccess = 0;
static const int ExitFailure = 1;

// The object whose existence says that a copy runs in this logon session.
// The session's own namespace: another user's copy is no concern of ours.
static const char RunningGuardName[] = "Local\\PlinthwiseRunning";

// Our handle to it, held through the normal run. Made without security
// attributes, so not inheritable: neither the watcher nor any other child
// keeps it alive once we end, however we end.
static HANDLE RunningGuard;

// The first run of digits anywhere in the tail, wrapping modulo 2^32.
static DWORD ParseProcessId(const char *tail)
{
    const char *p = tail;
    while (*p && (*p < '0' || *p > '9'))
        p++;
    DWORD id = 0;
    for (; *p >= '0' && *p <= '9'; p++)
        id = id * 10 + (DWORD)(*p - '0');
    return id;
}

// Whether a main copy holds the guard: the object exists, whether or not
// we may open it.
static bool IsMainCopyRunning()
{
    HANDLE guard = OpenMutexA(SYNCHRONIZE, FALSE, RunningGuardName);
    if (guard) {
        CloseHandle(guard);
        return true;
    }
    return GetLastError() == ERROR_ACCESS_DENIED;
}

// Waits for the main process to end, however it ends, then brings back
// every window it left hidden.
static int RunWatcher(const char *tail)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, ParseProcessId(tail));
    if (!process)
        return ExitFailure;
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
    // Windows whose programs do not answer come back when they do; the
    // watcher stays until then to take their markers off. A copy started
    // meanwhile hides windows of its own, marked alike: from then on its own
    // start-up pass and watcher look after every marker.
    for (int waiting = RestoreMarkedWindows(); waiting > 0 && !IsMainCopyRunning();
         waiting = RevisitQueuedRestores())
        Sleep(RecheckInterval);
    return ExitSuccess;
}

static void RegisterWindowClasses(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = MainClassName;
    RegisterClassA(&wc);

    wc.lpfnWndProc = AboutWindowProc;
    wc.hbrBackground = (HBRUSH)(UINT_PTR)(COLOR_BTNFACE + 1);
    wc.lpszClassName = AboutClassName;
    RegisterClassA(&wc);
}

// A second copy of ourselves that outlives this process and restores what
// it leaves hidden.
static void StartWatcher()
{
    char path[OwnPathSize];
    if (!ReadOwnPath(path))
        return;
    char commandLine[WatcherCommandLineSize];
    wsprintfA(commandLine, "\"%s\" %s %lu", path, WatchOption, GetCurrentProcessId());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &info))
        return;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

// True when another copy runs in this session. Creating the object is the
// test and the claim at once, so two copies started together cannot both
// miss each other. A failure of any other kind lets the start go on: no
// set-up failure stops the program.
static bool IsAnotherCopyRunning()
{
    RunningGuard = CreateMutexA(nullptr, FALSE, RunningGuardName);
    DWORD error = GetLastError();
    if (RunningGuard && error == ERROR_ALREADY_EXISTS) {
        CloseHandle(RunningGuard);
        RunningGuard = nullptr;
        return true;
    }
    // A copy running elevated made the object at high integrity, and the
    // all access CreateMutexA asks of an existing one is refused to us.
    return !RunningGuard && error == ERROR_ACCESS_DENIED;
}

static int RunNormal(HINSTANCE instance)
{
    // Before the wait for the taskbar, so that a second copy never waits.
    if (IsAnotherCopyRunning())
        return ExitSuccess;
    while (!FindWindowA(TaskbarClassName, nullptr))
        Sleep(TaskbarPollInterval);
    RestoreMarkedWindows();
    // Asked first when the session ends, so that every window is back on
    // screen before the programs that own them are asked to close.
    SetProcessShutdownParameters(SessionEndLevel, 0);
    RegisterWindowClasses(instance);
    MainWindow = CreateWindowExA(WS_EX_TOOLWINDOW, MainClassName, MainTitle, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 instance, nullptr);
    TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    // Started elevated (the logon task asks for the highest run level), the
    // window would not receive Explorer's broadcast, which comes from a lower
    // integrity level, unless it lets the message through.
    if (TaskbarCreatedMessage)
        ChangeWindowMessageFilterEx(MainWindow, TaskbarCreatedMessage, MSGFLT_ALLOW, nullptr);
    BuildGroupIcons();
    AddTrayIcon();
    RegisterHotkeys();
    AdoptUnseenWindows();
    StartWatcher();
    ForegroundHook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, ForegroundEventProc,
                                     0, 0, WINEVENT_OUTOFCONTEXT);
    SetTimer(MainWindow, MaintenanceTimerId, MaintenanceTimerPeriod, nullptr);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Shutdown();
    // Every window is back; from here on a new start is a start of its own.
    if (RunningGuard)
        CloseHandle(RunningGuard);
    return ExitSuccess;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    const char *tail = commandLine ? commandLine : "";
    if (strstr(tail, WatchOption))
        return RunWatcher(tail);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (strstr(tail, InstallTaskOption))
        return FAILED(InstallLoginTask()) ? ExitFailure : ExitSuccess;
    if (strstr(tail, RemoveTaskOption))
        return FAILED(RemoveLoginTask()) ? ExitFailure : ExitSuccess;
    return RunNormal(instance);
}
