// Shows the tray presence for a while, for screenshots under Wine: the
// notification-area icon of one group and, if asked, the About window,
// made the way the shell makes them.
//
//   tray_showcase.exe GROUP [about] [SECONDS]
#include <stdlib.h>
#include <string.h>

#include "shell/appstate.h"
#include "tray/about.h"
#include "tray/icons.h"
#include "tray/notifyicon.h"
#include "workspace/groups.h"

static LRESULT CALLBACK ShowcaseMainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (TaskbarCreatedMessage && message == TaskbarCreatedMessage) {
        AddTrayIcon();
        return 0;
    }
    if (message == WM_TIMER)
        PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

static HWND OpenAbout(HINSTANCE instance)
{
    AboutOpen = TRUE;
    HWND about = CreateWindowExA(WS_EX_DLGMODALFRAME, "PlinthwiseAboutClass", "About Plinthwise",
                                 WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, 640, 232, NULL, NULL,
                                 instance, NULL);
    if (!about) {
        AboutOpen = FALSE;
        return NULL;
    }
    RECT r;
    GetWindowRect(about, &r);
    int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
    SetWindowPos(about, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(about, SW_SHOW);
    return about;
}

int main(int argc, char **argv)
{
    int group = argc > 1 ? atoi(argv[1]) : 1;
    bool about = argc > 2 && strcmp(argv[2], "about") == 0;
    int seconds = argc > 3 ? atoi(argv[3]) : 30;
    HINSTANCE instance = GetModuleHandleA(NULL);

    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = ShowcaseMainProc;
    wc.hInstance = instance;
    wc.lpszClassName = "WorkspaceManagerClass";
    RegisterClassA(&wc);
    wc.lpfnWndProc = AboutWindowProc;
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = "PlinthwiseAboutClass";
    RegisterClassA(&wc);

    MainWindow = CreateWindowExA(WS_EX_TOOLWINDOW, "WorkspaceManagerClass", "Plinthwise", WS_POPUP, 0, 0, 0, 0,
                                 NULL, NULL, instance, NULL);
    TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    BuildGroupIcons();
    AddTrayIcon();
    if ((unsigned)(group - 1) < (unsigned)GroupCount) {
        CurrentGroup = group - 1;
        UpdateTrayIcon();
    }
    SetTimer(MainWindow, 1, (UINT)seconds * 1000, NULL);

    HWND aboutWindow = about ? OpenAbout(instance) : NULL;
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0)) {
        if (aboutWindow && AboutOpen && IsDialogMessageA(aboutWindow, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    Shell_NotifyIconA(NIM_DELETE, &TrayIconData);
    for (HICON icon : GroupIcons)
        if (icon)
            DestroyIcon(icon);
    return 0;
}
