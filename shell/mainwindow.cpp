// MainWindow's procedure only dispatches; each message has a small handler.
#include "shell/mainwindow.h"

#include "logintask/elevate.h"
#include "logintask/taskclient.h"
#include "shell/appstate.h"
#include "shell/session.h"
#include "tray/notifyicon.h"
#include "workspace/eligibility.h"
#include "workspace/groups.h"
#include "workspace/switching.h"

static const char AppCaption[] = "Plinthwise";
static const char AboutClassName[] = "PlinthwiseAboutClass";
static const char AboutTitle[] = "About Plinthwise";
static const int AboutWidth = 640;
static const int AboutHeight = 232;

static const UINT QuestionFlags = MB_YESNO | MB_TOPMOST;
static const UINT ResultFlags = MB_OK | MB_SETFOREGROUND | MB_TOPMOST;

static const char InstallQuestion[] = "Start Plinthwise automatically at login? (creates a task using Task Scheduler)";
static const char RemoveQuestion[] = "Stop starting Plinthwise at login? (removes the task)";
static const char InstalledText[] = "Plinthwise will start automatically at login.";
static const char RemovedText[] = "The login task was removed.";
static const char FailedText[] =
    "Failed (access denied or cancelled). If the problem persists, run Plinthwise as administrator once, then try "
    "again.";


// ALT+SHIFT+digit: the window in use goes to the target group, above every
// other window there, and the switch follows.
static void CarryForegroundWindow(INT target)
{
    HWND w = GetForegroundWindow();
    if (!IsEligibleWindow(w))
        return;
    AddWindowToGroup(target, w);
    const Group &g = GroupTable[target];
    INT lowest = 0;
    for (int i = 0; i < g.count; i++)
        if (g.entries[i].stackRank < lowest)
            lowest = g.entries[i].stackRank;
    int i = FindInGroup(target, w);
    if (i != NotFound)
        GroupTable[target].entries[i].stackRank = lowest - 1;
    SwitchToGroup(target);
}

static void OnHotkey(WPARAM id)
{
    if (IsSessionEnding())
        return;
    UINT low = (UINT)id;
    if (low - HotkeySwitchFirst <= 4)
        SwitchToGroup((INT)(low - HotkeySwitchFirst));
    else if (low - HotkeyCarryFirst <= 4)
        CarryForegroundWindow((INT)(low - HotkeyCarryFirst));
}

static void OnMaintenanceTick()
{
    PurgeUnmarkedHidden();
    AdoptUnseenWindows();
    RetryTrayIcon();
    UnmarkShownCurrentGroup();
}

static void ShowTrayMenu(HWND window)
{
    POINT anchor = {};
    GetCursorPos(&anchor);
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, LoginTaskExists() ? MF_CHECKED : MF_STRING, CmdRunAtLogin, "Run at login...");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, CmdAbout, "About Plinthwise...");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, CmdExit, "Exit");
    // The menu only closes on a click elsewhere if its owner is the
    // foreground window while it is tracked.
    SetForegroundWindow(window);
    TrackPopupMenu(menu, TPM_BOTTOMALIGN | TPM_LEFTALIGN | TPM_LEFTBUTTON, anchor.x, anchor.y, 0, window, nullptr);
    DestroyMenu(menu);
}

static void RunAtLoginDialogue()
{
    bool exists = LoginTaskExists();
    if (MessageBoxA(nullptr, exists ? RemoveQuestion : InstallQuestion, AppCaption, QuestionFlags) != IDYES)
        return;
    HRESULT result = exists ? RemoveLoginTask() : InstallLoginTask();
    bool done = SUCCEEDED(result);
    if (!done)
        done = RunElevatedTaskCommand(exists ? RemoveTaskOption : InstallTaskOption) == 0;
    const char *text = !done ? FailedText : exists ? RemovedText : InstalledText;
    MessageBoxA(nullptr, text, AppCaption, ResultFlags);
}

static void CentreOnScreen(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// The About window runs its own loop inside this command, so that Esc and
// Enter get dialogue handling while every other message of the thread is
// still served.
static void ShowAboutWindow(HWND window)
{
    if (AboutOpen)
        return;
    AboutOpen = TRUE;
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(window, GWLP_HINSTANCE);
    HWND about = CreateWindowExA(WS_EX_DLGMODALFRAME, AboutClassName, AboutTitle, WS_CAPTION | WS_SYSMENU,
                                 CW_USEDEFAULT, CW_USEDEFAULT, AboutWidth, AboutHeight, nullptr, nullptr, instance,
                                 nullptr);
    if (!about) {
        AboutOpen = FALSE;
        return;
    }
    CentreOnScreen(about);
    ShowWindow(about, SW_SHOW);
    MSG msg;
    while (AboutOpen) {
        if (!GetMessageA(&msg, nullptr, 0, 0)) {
            // The quit request belongs to the main loop: hand it on, so that
            // one Exit always ends the program and releases every window.
            PostQuitMessage((int)msg.wParam);
            break;
        }
        if (!IsDialogMessageA(about, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

static void OnCommand(HWND window, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case CmdExit:
        PostQuitMessage(0);
        break;
    case CmdRunAtLogin:
        RunAtLoginDialogue();
        break;
    case CmdAbout:
        ShowAboutWindow(window);
        break;
    default:
        break;
    }
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // A restarted taskbar has lost our icon.
    if (TaskbarCreatedMessage != 0 && message == TaskbarCreatedMessage) {
        AddTrayIcon();
        return 0;
    }
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    case WM_COMMAND:
        OnCommand(window, wParam);
        break;
    case WM_TIMER:
        if (wParam == MaintenanceTimerId)
            OnMaintenanceTick();
        else if (wParam == TrayUpdateTimerId)
            OnTrayUpdateDue();
        break;
    case WM_HOTKEY:
        OnHotkey(wParam);
        break;
    case WM_QUERYENDSESSION:
        return OnQueryEndSession();
    case WM_ENDSESSION:
        OnEndSession(wParam);
        return 0;
    case TrayCallbackMessage:
        if (lParam == WM_RBUTTONUP)
            ShowTrayMenu(window);
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
