// keyholder: another program that holds ALT+3 and ALT+SHIFT+3, as a tool
// with the same keys would, until a WM_QUIT posted to its thread ends it;
// the keys go with it. It is idle for input (WaitForInputIdle) once it holds
// both. Exit code 0 after the quit, 2 when a key was not to be had.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    HWND window = CreateWindowExA(0, "STATIC", "keyholder", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
    if (!window || !RegisterHotKey(window, 1, MOD_ALT, '3') || !RegisterHotKey(window, 2, MOD_ALT | MOD_SHIFT, '3'))
        return 2;
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
