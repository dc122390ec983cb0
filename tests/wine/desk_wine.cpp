// The test desktop under Wine: windows of another process come from
// pwhelper.exe, which lies next to the test executable; keys go through
// SendInput, as a user's would.
#include "tests/desk.h"
#include "tests/wine/pwhelper.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

namespace desk {

static PROCESS_INFORMATION g_helper;
static HWND g_control;

// Long enough for a helper told to hang, short enough that a dead one does
// not stall the suite.
static const UINT kCommandTimeoutMs = 15000;
static const DWORD kStartTimeoutMs = 10000;

static ULONGLONG Now()
{
    return GetTickCount64();
}

// Sends one command line (fields joined by tabs) and returns the helper's
// reply; 0 when there is no helper or it did not answer in time.
static LRESULT Command(UINT timeoutMs, const char *format, ...)
{
    if (g_control == NULL)
        return 0;
    char text[kHelperMaxCommand + 1];
    va_list args;
    va_start(args, format);
    int length = vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length < 0 || (DWORD)length > kHelperMaxCommand)
        return 0;
    COPYDATASTRUCT data;
    data.dwData = kHelperMagic;
    data.cbData = (DWORD)length;
    data.lpData = text;
    DWORD_PTR result = 0;
    // Not SMTO_BLOCK: while we wait, our own windows keep receiving what the
    // helper's actions send them (activation, focus).
    if (!SendMessageTimeoutA(g_control, WM_COPYDATA, 0, (LPARAM)&data, SMTO_NORMAL, timeoutMs, &result))
        return 0;
    return (LRESULT)result;
}

static HWND FindControl()
{
    char title[64];
    snprintf(title, sizeof title, kHelperTitleFormat, (unsigned long)GetCurrentProcessId());
    return FindWindowExA(HWND_MESSAGE, NULL, kHelperClass, title);
}

bool Start()
{
    if (g_control != NULL)
        return true;
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return false;
    char *slash = strrchr(path, '\\');
    if (slash == NULL || (size_t)(slash + 1 - path) + sizeof "pwhelper.exe" > sizeof path)
        return false;
    strcpy(slash + 1, "pwhelper.exe");

    char commandLine[MAX_PATH + 32];
    snprintf(commandLine, sizeof commandLine, "\"%s\" %lu", path, (unsigned long)GetCurrentProcessId());
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    ZeroMemory(&g_helper, sizeof g_helper);
    if (!CreateProcessA(path, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &g_helper)) {
        fprintf(stderr, "desk::Start: cannot run %s (error %lu)\n", path, GetLastError());
        return false;
    }

    ULONGLONG deadline = Now() + kStartTimeoutMs;
    while ((g_control = FindControl()) == NULL) {
        ULONGLONG now = Now();
        if (now >= deadline)
            break;
        // Ends early when the helper dies; our own messages are served.
        DWORD wait = MsgWaitForMultipleObjectsEx(1, &g_helper.hProcess, 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (wait == WAIT_OBJECT_0)
            break;
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (g_control == NULL) {
        DWORD code = 0;
        GetExitCodeProcess(g_helper.hProcess, &code);
        fprintf(stderr, "desk::Start: pwhelper.exe did not come up (exit code %lu)\n", code);
        Stop();
        return false;
    }
    return true;
}

void Stop()
{
    if (g_control != NULL)
        Command(2000, "quit");
    g_control = NULL;
    if (g_helper.hProcess != NULL) {
        if (WaitForSingleObject(g_helper.hProcess, 5000) != WAIT_OBJECT_0) {
            TerminateProcess(g_helper.hProcess, 1);
            WaitForSingleObject(g_helper.hProcess, 5000);
        }
        CloseHandle(g_helper.hProcess);
        CloseHandle(g_helper.hThread);
    }
    ZeroMemory(&g_helper, sizeof g_helper);
}

HWND Make(const char *className, const char *title, DWORD style, DWORD exStyle, int showCmd, HWND owner)
{
    return (HWND)Command(kCommandTimeoutMs, "make\t%s\t%s\t0x%lx\t0x%lx\t%d\t0x%llx", className, title,
                         (unsigned long)style, (unsigned long)exStyle, showCmd, (unsigned long long)(UINT_PTR)owner);
}

void Show(HWND window, int showCmd)
{
    Command(kCommandTimeoutMs, "show\t0x%llx\t%d", (unsigned long long)(UINT_PTR)window, showCmd);
}

void Retitle(HWND window, const char *title)
{
    Command(kCommandTimeoutMs, "retitle\t0x%llx\t%s", (unsigned long long)(UINT_PTR)window, title);
}

void Destroy(HWND window)
{
    Command(kCommandTimeoutMs, "destroy\t0x%llx", (unsigned long long)(UINT_PTR)window);
}

void Activate(HWND window)
{
    Command(kCommandTimeoutMs, "activate\t0x%llx", (unsigned long long)(UINT_PTR)window);
}

void SetProp(HWND window, const char *name, UINT_PTR value)
{
    Command(kCommandTimeoutMs, "setprop\t0x%llx\t%s\t0x%llx", (unsigned long long)(UINT_PTR)window, name,
            (unsigned long long)value);
}

void Hang(DWORD ms)
{
    Command(kCommandTimeoutMs, "hang\t%lu", (unsigned long)ms);
}

DWORD OwnerProcessId()
{
    DWORD pid = 0;
    if (g_control != NULL)
        GetWindowThreadProcessId(g_control, &pid);
    return pid;
}

void Pump(DWORD ms)
{
    ULONGLONG deadline = Now() + ms;
    bool quit = false;
    int exitCode = 0;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // Kept for the caller, who may be checking that it came.
                quit = true;
                exitCode = (int)msg.wParam;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        ULONGLONG now = Now();
        if (now >= deadline)
            break;
        MsgWaitForMultipleObjectsEx(0, NULL, (DWORD)(deadline - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    if (quit)
        PostQuitMessage(exitCode);
}

static void AddKey(INPUT *inputs, int *count, WORD vk, bool up)
{
    INPUT &input = inputs[(*count)++];
    ZeroMemory(&input, sizeof input);
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = (WORD)MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    switch (vk) {
    case VK_LWIN: case VK_RWIN: case VK_INSERT: case VK_DELETE: case VK_HOME: case VK_END:
    case VK_PRIOR: case VK_NEXT: case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
        input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
        break;
    }
}

void PressKey(UINT modifiers, UINT vk)
{
    // Modifiers down in the order a hand presses them, up in reverse; the
    // Alt key is VK_MENU, which is what hotkey matching looks at.
    WORD held[4];
    int heldCount = 0;
    if (modifiers & MOD_CONTROL)
        held[heldCount++] = VK_CONTROL;
    if (modifiers & MOD_ALT)
        held[heldCount++] = VK_MENU;
    if (modifiers & MOD_SHIFT)
        held[heldCount++] = VK_SHIFT;
    if (modifiers & MOD_WIN)
        held[heldCount++] = VK_LWIN;

    INPUT inputs[10];
    int count = 0;
    for (int i = 0; i < heldCount; ++i)
        AddKey(inputs, &count, held[i], false);
    AddKey(inputs, &count, (WORD)vk, false);
    AddKey(inputs, &count, (WORD)vk, true);
    for (int i = heldCount - 1; i >= 0; --i)
        AddKey(inputs, &count, held[i], true);
    SendInput((UINT)count, inputs, sizeof(INPUT));
}

} // namespace desk
