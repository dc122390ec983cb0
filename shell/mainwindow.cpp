// MainWindow's procedure only dispatches; each message has a small handler.
#include "shell/mainwindow.h"

#include "logintask/elevate.h"
#include "logintask/taskclient.h"
#include "shell/appstate.h"
#include "shell/hotkeys.h"
#include "shell/session.h"
#include "tray/about.h"
#include "tray/notifyicon.h"
#include "workspace/groups.h"
#include "workspace/maintenance.h"
#include "workspace/switching.h"

static const char AppCaption[] = "Plinthwise";

static const UINT QuestionFlags = MB_YESNO | MB_TOPMOST;
static const UINT ResultFlags = MB_OK | MB_SETFOREGROUND | MB_TOPMOST;

static const char InstallQuestion[] = "Start Plinthwise automatically at login? (creates a task using Task Scheduler)";
static const char RemoveQuestion[] = "Stop starting Plinthwise at login? (removes the task)";
static const char InstalledText[] = "Plinthwise will start automatically at login.";
static const char RemovedText[] = "The login task was removed.";
static const char FailedText[] =
    "Failed (access denied or cancelled). If the problem persists, run Plinthwise as administrator once, then try "
    "again.";


static void OnHotkey(WPARAM id)
{
    if (IsSessionEnding())
        return;
    int shown = CurrentGroup;
    UINT low = (UINT)id;
    if (low - HotkeySwitchFirst < (UINT)GroupCount)
        SwitchToGroup((int)(low - HotkeySwitchFirst));
    else if (low - HotkeyCarryFirst < (UINT)GroupCount)
        CarryToGroup((int)(low - HotkeyCarryFirst));
    // The icon follows the group on screen; a refused switch leaves it be.
    if (CurrentGroup != shown)
        RequestTrayUpdate();
}

static void OnMaintenanceTick()
{
    RunMaintenancePass();
    RetryTrayIcon();
    RetryMissingHotkeys();
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

static void OnTimer(WPARAM id)
{
    if (id == MaintenanceTimerId)
        OnMaintenanceTick();
    else if (id == TrayUpdateTimerId)
        OnTrayUpdateDue();
}

static void OnTrayCallback(HWND window, LPARAM mouseMessage)
{
    if (mouseMessage == WM_RBUTTONUP)
        ShowTrayMenu(window);
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
        OnTimer(wParam);
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
        OnTrayCallback(window, lParam);
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
