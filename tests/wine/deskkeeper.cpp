// deskkeeper: started by desktop-up in the background. Wine closes its
// virtual desktop as soon as no program uses it, and opening it again costs
// every test process a second or more, so this one waits for the desktop's
// taskbar, says "ready" on stdout with the desktop's size, and then stays
// until wineserver -k ends it.
#include <windows.h>
#include <stdio.h>

int main()
{
    // The desktop and its explorer come up while user32 starts; the taskbar
    // may follow a little later. Normally it is there within 50 ms; after 20 s
    // desktop-up gives up on this attempt and starts again.
    DWORD start = GetTickCount();
    HWND tray = NULL;
    while ((tray = FindWindowA("Shell_TrayWnd", NULL)) == NULL && GetTickCount() - start < 20000)
        Sleep(50);
    if (tray == NULL) {
        printf("no taskbar after %lu ms\n", GetTickCount() - start);
        return 1;
    }
    RECT desk;
    GetWindowRect(GetDesktopWindow(), &desk);
    printf("ready: taskbar %p, desktop %ldx%ld, %lu ms\n", (void *)tray,
           desk.right - desk.left, desk.bottom - desk.top, GetTickCount() - start);
    fflush(stdout);

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
