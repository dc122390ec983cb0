// floor.exe: the least a group switch can do, reached the same way as the
// program's. It registers ALT+1 and ALT+2 on a hidden window, as the
// program does, and on each key makes only the calls the effect cannot do
// without: mark and hide the windows on screen, show the other group in one
// deferred batch, activate its top window, remove the markers. It records,
// adopts, captures and looks up nothing; the two groups are fixed at start.
// It hides from the bottom of the stacking up, so that the active window
// goes last: hiding the active window makes the system activate the next
// one, and top first that hop repeats for every window of the group.
//
//   floor.exe <window class>|<title prefix of group 1>|<title prefix of group 2>
//
// Group 1 is taken to be on screen at start. A group's windows are those
// whose title is the prefix, a blank and a number; the one numbered 0 is its
// top window, shown last and activated. WM_CLOSE ends it.
#include <windows.h>

#include <string.h>

static const char FloorClass[] = "PlinthFloorClass";
static const char MarkerName[] = "PlinthwiseHidden";
// The program's batch flags: show, raise, do not activate, move or size.
static const UINT ShowBatchFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER;
static const int MaxWindows = 1024;
static const int HotkeyFirst = 100;  // the program's ids for ALT+1, ALT+2

struct FloorGroup {
    HWND windows[MaxWindows];
    int count;
};

static FloorGroup g_groups[2];
static int g_current;
static char g_class[256];
static const char *g_prefix[2];

static BOOL CALLBACK Collect(HWND w, LPARAM)
{
    char text[256];
    if (!GetClassNameA(w, text, sizeof text) || strcmp(text, g_class) != 0)
        return TRUE;
    GetWindowTextA(w, text, sizeof text);
    for (int g = 0; g < 2; g++) {
        size_t n = strlen(g_prefix[g]);
        FloorGroup &group = g_groups[g];
        if (strncmp(text, g_prefix[g], n) != 0 || text[n] != ' ' || group.count == MaxWindows)
            continue;
        group.windows[group.count++] = w;
        // Window 0 is the group's top window, the one the measurement
        // watches; the program learns it from the stacking instead.
        if (strcmp(text + n, " 0") == 0) {
            group.windows[group.count - 1] = group.windows[0];
            group.windows[0] = w;
        }
    }
    return TRUE;
}

static void Switch(int target)
{
    if (target == g_current)
        return;
    const FloorGroup &hide = g_groups[g_current];
    for (int i = hide.count - 1; i >= 0; i--) {
        SetPropA(hide.windows[i], MarkerName, (HANDLE)1);
        ShowWindow(hide.windows[i], SW_HIDE);
    }
    const FloorGroup &show = g_groups[target];
    // Bottom first, each to the top: the first window ends on top.
    HDWP batch = BeginDeferWindowPos(show.count);
    for (int i = show.count - 1; i >= 0 && batch; i--)
        batch = DeferWindowPos(batch, show.windows[i], HWND_TOP, 0, 0, 0, 0, ShowBatchFlags);
    if (batch)
        EndDeferWindowPos(batch);
    if (show.count > 0)
        SetForegroundWindow(show.windows[0]);
    for (int i = 0; i < show.count; i++)
        RemovePropA(show.windows[i], MarkerName);
    g_current = target;
}

static LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_HOTKEY && wParam - HotkeyFirst < 2)
        Switch((int)(wParam - HotkeyFirst));
    else if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR tail, int)
{
    // "<class>|<prefix 1>|<prefix 2>", split in place.
    static char arguments[1024];
    lstrcpynA(arguments, tail ? tail : "", sizeof arguments);
    char *first = strchr(arguments, '|');
    char *second = first ? strchr(first + 1, '|') : nullptr;
    if (!second)
        return 2;
    *first = 0;
    *second = 0;
    lstrcpynA(g_class, arguments, sizeof g_class);
    g_prefix[0] = first + 1;
    g_prefix[1] = second + 1;
    EnumWindows(Collect, 0);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = instance;
    wc.lpszClassName = FloorClass;
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, FloorClass, "Plinthwise floor", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, instance, nullptr);
    if (!window || !RegisterHotKey(window, HotkeyFirst, MOD_ALT, '1') ||
        !RegisterHotKey(window, HotkeyFirst + 1, MOD_ALT, '2'))
        return 3;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
