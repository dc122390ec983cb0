// bare.exe: the memory baseline. A minimal Win32 program with a hidden
// window and a message loop, built like plinthwise.exe. With "--same-dlls"
// it also loads the system DLLs plinthwise.exe imports and enters COM's
// single-threaded apartment as the program does, so that what Wine's DLLs
// cost can be told apart from what the program itself holds. With "--poll"
// it is the floor of idle polling: every 500 ms, the program's maintenance
// period, its timer makes one EnumWindows pass with an empty callback, the
// least any design that polls the desktop costs while nothing changes.
// WM_CLOSE ends it.
#include <windows.h>

#include <string.h>

static const char BareClass[] = "PlinthBareClass";
static const UINT_PTR PollTimerId = 1;
static const UINT PollPeriod = 500;  // ms

static BOOL CALLBACK NothingToDo(HWND, LPARAM)
{
    return TRUE;
}

static LRESULT CALLBACK BareProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == PollTimerId)
        EnumWindows(NothingToDo, 0);
    else if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR tail, int)
{
    if (tail && strstr(tail, "--same-dlls")) {
        static const char *const dlls[] = {"gdi32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll", "advapi32.dll"};
        for (const char *dll : dlls)
            LoadLibraryA(dll);
        typedef HRESULT(WINAPI * CoInit)(void *, DWORD);
        CoInit coInitializeEx = (CoInit)(void *)GetProcAddress(GetModuleHandleA("ole32.dll"), "CoInitializeEx");
        if (coInitializeEx)
            coInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    WNDCLASSA wc = {};
    wc.lpfnWndProc = BareProc;
    wc.hInstance = instance;
    wc.lpszClassName = BareClass;
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, BareClass, "bare", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  instance, nullptr);
    if (!window)
        return 3;
    if (tail && strstr(tail, "--poll"))
        SetTimer(window, PollTimerId, PollPeriod, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
