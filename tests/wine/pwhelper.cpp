// pwhelper: owns the test windows in a process of its own, so that the tests
// meet cross-process windows as the real program does. desk_wine starts it as
//
//   pwhelper.exe <pid of the test process>
//
// and talks to it through a message-only control window of class
// "PlinthwiseTestHelper" titled "pwhelper <pid>". Message-only, so that it
// never shows up among the top-level windows that the program under test
// walks; the pid in the title, so that a test finds its own helper.
//
// A command is a WM_COPYDATA whose dwData is kHelperMagic and whose data is a
// line of tab-separated fields; the reply is the LRESULT:
//
//   make    class title style exStyle showCmd  -> the new HWND, 0 on failure
//   show    hwnd showCmd                        -> 1, 0 if not our window
//   retitle hwnd title                          -> SetWindowTextA's result
//   destroy hwnd                                -> DestroyWindow's result
//   activate hwnd                               -> SetForegroundWindow's result
//   setprop hwnd name value                     -> SetPropA's result
//   hang    ms                                  -> 1, then no messages for ms
//   quit                                        -> 1, then the helper leaves
//
// Numbers are C literals (0x.. or decimal). Everything runs on the helper's
// one thread, which owns every window it makes.
#include "pwhelper.h"

#include <stdlib.h>
#include <string.h>

static const int kMaxFields = 8;

struct Command {
    char text[kHelperMaxCommand + 1];
    char *field[kMaxFields];
    int count;
};

static HINSTANCE g_instance;

// Splits the command text in place at tabs.
static bool ParseCommand(const COPYDATASTRUCT *data, Command *command)
{
    if (data->dwData != kHelperMagic || data->cbData == 0 || data->cbData > kHelperMaxCommand)
        return false;
    memcpy(command->text, data->lpData, data->cbData);
    command->text[data->cbData] = '\0';
    command->count = 0;
    char *p = command->text;
    while (command->count < kMaxFields) {
        command->field[command->count++] = p;
        char *tab = strchr(p, '\t');
        if (tab == NULL)
            break;
        *tab = '\0';
        p = tab + 1;
    }
    return true;
}

static UINT_PTR Number(const char *text)
{
    return (UINT_PTR)strtoull(text, NULL, 0);
}

// Only windows of this process: a bad handle from a test must not reach
// somebody else's window.
static HWND OwnWindow(const char *text)
{
    HWND window = (HWND)Number(text);
    DWORD pid = 0;
    if (!IsWindow(window) || !GetWindowThreadProcessId(window, &pid) || pid != GetCurrentProcessId())
        return NULL;
    return window;
}

// Test window classes are registered on first use; a name the system already
// knows (e.g. "#32770") is used as it is.
static bool EnsureClass(const char *name)
{
    WNDCLASSEXA wc;
    if (GetClassInfoExA(g_instance, name, &wc))
        return true;
    ZeroMemory(&wc, sizeof wc);
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = g_instance;
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hIcon = LoadIconA(NULL, (LPCSTR)IDI_APPLICATION);
    // Painted, so that screenshots of the desktop show where windows are.
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

static LRESULT MakeWindow(const Command &c)
{
    if (c.count != 7 || !EnsureClass(c.field[1]))
        return 0;
    // The owner, when not null, is one of this helper's windows (a palette's).
    HWND owner = OwnWindow(c.field[6]);
    HWND window = CreateWindowExA((DWORD)Number(c.field[4]), c.field[1], c.field[2], (DWORD)Number(c.field[3]),
                                  CW_USEDEFAULT, CW_USEDEFAULT, 480, 320, owner, NULL, g_instance, NULL);
    if (window == NULL)
        return 0;
    ShowWindow(window, (int)Number(c.field[5]));
    UpdateWindow(window);
    return (LRESULT)window;
}

static LRESULT Execute(const Command &c)
{
    const char *verb = c.field[0];
    if (strcmp(verb, "make") == 0)
        return MakeWindow(c);
    if (strcmp(verb, "quit") == 0) {
        PostQuitMessage(0);
        return 1;
    }
    if (strcmp(verb, "hang") == 0 && c.count == 2) {
        // Answer first, so the test goes on while this thread serves nothing.
        ReplyMessage(1);
        Sleep((DWORD)Number(c.field[1]));
        return 1;
    }
    if (c.count < 2)
        return 0;
    HWND window = OwnWindow(c.field[1]);
    if (window == NULL)
        return 0;
    if (strcmp(verb, "show") == 0 && c.count == 3) {
        ShowWindow(window, (int)Number(c.field[2]));
        return 1;
    }
    if (strcmp(verb, "retitle") == 0 && c.count == 3)
        return SetWindowTextA(window, c.field[2]);
    if (strcmp(verb, "destroy") == 0 && c.count == 2)
        return DestroyWindow(window);
    if (strcmp(verb, "activate") == 0 && c.count == 2)
        return SetForegroundWindow(window);
    if (strcmp(verb, "setprop") == 0 && c.count == 4)
        return SetPropA(window, c.field[2], (HANDLE)Number(c.field[3]));
    return 0;
}

static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COPYDATA) {
        Command command;
        if (!ParseCommand((const COPYDATASTRUCT *)lParam, &command))
            return 0;
        return Execute(command);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    g_instance = instance;
    DWORD parentId = (DWORD)strtoul(commandLine, NULL, 10);
    // A test that dies must not leave its helper behind: the next test would
    // find stale windows, and ctest would wait for the inherited output.
    HANDLE parent = OpenProcess(SYNCHRONIZE, FALSE, parentId);
    if (parent == NULL)
        return 2;

    WNDCLASSEXA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ControlProc;
    wc.hInstance = instance;
    wc.lpszClassName = kHelperClass;
    if (!RegisterClassExA(&wc))
        return 3;
    char title[64];
    wsprintfA(title, kHelperTitleFormat, parentId);
    HWND control = CreateWindowExA(0, kHelperClass, title, 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, instance, NULL);
    if (control == NULL)
        return 4;

    for (;;) {
        // MWMO_INPUTAVAILABLE: messages already queued but not yet taken
        // (e.g. posted while a command ran) wake the wait too.
        DWORD wait = MsgWaitForMultipleObjectsEx(1, &parent, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (wait == WAIT_OBJECT_0)
            return 5;
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return 0;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}
