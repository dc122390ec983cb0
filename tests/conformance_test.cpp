// What the program relies on in the window manager, checked against the
// simulated desktop and, under Wine, against real user32 with the windows in
// another process. Where the two disagree, the simulated desktop is wrong.
#include <gtest/gtest.h>

#include "tests/desk.h"
#include "tests/wincheck.h"
#include "workspace/eligibility.h"

namespace {

const DWORD AppStyle = WS_OVERLAPPEDWINDOW;
const UINT ShowBatchFlags = 0x0253;  // NOSIZE NOMOVE NOACTIVATE SHOWWINDOW NOOWNERZORDER
const UINT RaiseFlags = 0x0203;      // NOSIZE NOMOVE NOOWNERZORDER

class Conformance : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(desk::Start()); }
    void TearDown() override { desk::Stop(); }

    HWND App(const char *title, int showCmd = SW_SHOWNORMAL)
    {
        HWND w = desk::Make("PlinthTestApp", title, AppStyle, 0, showCmd);
        EXPECT_NE(w, nullptr) << "could not make " << title;
        return w;
    }
};

// Window functions reach windows of another process and report their state.
TEST_F(Conformance, WindowsOfAnotherProcessAreReadAndChanged)
{
    HWND w = App("Conformance one");
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    EXPECT_EQ(pid, desk::OwnerProcessId());
    EXPECT_NE(pid, GetCurrentProcessId());

    char text[256];
    EXPECT_EQ(GetWindowTextA(w, text, 256), 15);
    EXPECT_STREQ(text, "Conformance one");
    EXPECT_EQ(GetClassNameA(w, text, 256), 13);
    EXPECT_STREQ(text, "PlinthTestApp");
    EXPECT_EQ((DWORD)GetWindowLongA(w, GWL_STYLE) & AppStyle, AppStyle);
    EXPECT_EQ((DWORD)GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0u);

    desk::Retitle(w, "");
    EXPECT_EQ(GetWindowTextA(w, text, 256), 0);

    EXPECT_TRUE(IsWindow(w));
    desk::Destroy(w);
    EXPECT_FALSE(IsWindow(w));
}

// The show states GetWindowPlacement reports, visible and hidden.
TEST_F(Conformance, PlacementReportsTheShowStateOfHiddenWindowsToo)
{
    HWND normal = App("Normal");
    HWND maximized = App("Maximized", SW_SHOWMAXIMIZED);
    HWND minimized = App("Minimized");
    desk::Show(minimized, SW_MINIMIZE);

    EXPECT_WINDOW(normal, true, SW_SHOWNORMAL);
    EXPECT_WINDOW(maximized, true, SW_SHOWMAXIMIZED);
    // A minimised window keeps its visible style.
    EXPECT_WINDOW(minimized, true, SW_SHOWMINIMIZED);

    for (HWND w : {normal, maximized, minimized})
        ShowWindow(w, SW_HIDE);
    EXPECT_WINDOW(normal, false, SW_SHOWNORMAL);
    EXPECT_WINDOW(maximized, false, SW_SHOWMAXIMIZED);
    EXPECT_WINDOW(minimized, false, SW_SHOWMINIMIZED);
}

// The show commands the program uses on other programs' windows.
TEST_F(Conformance, ShowCommandsOnHiddenWindows)
{
    HWND a = App("A"), b = App("B"), c = App("C"), d = App("D");
    desk::Show(d, SW_SHOWMAXIMIZED);
    HWND active = App("Active");
    desk::Activate(active);
    for (HWND w : {a, b, c, d})
        ShowWindow(w, SW_HIDE);
    desk::Pump(50);
    ASSERT_EQ(GetForegroundWindow(), active);

    ShowWindow(a, SW_SHOWMINNOACTIVE);
    EXPECT_WINDOW(a, true, SW_SHOWMINIMIZED);
    EXPECT_EQ(GetForegroundWindow(), active);

    ShowWindow(b, SW_SHOWNOACTIVATE);
    EXPECT_WINDOW(b, true, SW_SHOWNORMAL);
    EXPECT_EQ(GetForegroundWindow(), active);

    // SW_SHOWNOACTIVATE restores a maximised window to its normal size.
    ShowWindow(d, SW_SHOWNOACTIVATE);
    EXPECT_WINDOW(d, true, SW_SHOWNORMAL);

    ShowWindow(c, SW_SHOWMAXIMIZED);
    EXPECT_WINDOW(c, true, SW_SHOWMAXIMIZED);

    // SW_RESTORE brings a minimised window back to normal.
    ShowWindow(a, SW_RESTORE);
    EXPECT_WINDOW(a, true, SW_SHOWNORMAL);

    // SW_SHOW keeps the state the window had.
    ShowWindow(c, SW_HIDE);
    ShowWindow(c, SW_SHOW);
    EXPECT_WINDOW(c, true, SW_SHOWMAXIMIZED);

    // So does SW_SHOWNA, without activating: maximised and minimised windows
    // come back as they were hidden.
    desk::Activate(active);
    desk::Pump(50);
    for (HWND w : {a, c}) {
        ShowWindow(w, w == a ? SW_SHOWMINNOACTIVE : SW_SHOWMAXIMIZED);
        ShowWindow(w, SW_HIDE);
    }
    desk::Pump(50);
    ShowWindow(a, SW_SHOWNA);
    ShowWindow(c, SW_SHOWNA);
    EXPECT_WINDOW(a, true, SW_SHOWMINIMIZED);
    EXPECT_WINDOW(c, true, SW_SHOWMAXIMIZED);
    EXPECT_EQ(GetForegroundWindow(), active);
}

// The window manager tells whether a window is cloaked; where it cannot
// (Wine answers E_NOTIMPL), the program takes the window as not cloaked.
TEST_F(Conformance, OrdinaryWindowIsNotCloaked)
{
    HWND w = App("Not cloaked");
    DWORD cloaked = 0xFFFFFFFFu;
    HRESULT hr = DwmGetWindowAttribute(w, DWMWA_CLOAKED, &cloaked, sizeof cloaked);
    if (RunningUnderWine()) {
        EXPECT_EQ(hr, E_NOTIMPL);
    } else {
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(cloaked, 0u);
    }
    EXPECT_FALSE(IsCloakedWindow(w));
    EXPECT_TRUE(IsEligibleWindow(w));
}

// One batch with 0x0253 shows hidden windows and stacks them in the order
// given, the last on top, without activating any of them.
TEST_F(Conformance, DeferredBatchShowsAndStacksWithoutActivating)
{
    HWND a = App("A"), b = App("B"), c = App("C");
    HWND active = App("Active");
    desk::Activate(active);
    for (HWND w : {a, b, c})
        ShowWindow(w, SW_HIDE);
    desk::Pump(50);
    ASSERT_EQ(GetForegroundWindow(), active);

    HDWP batch = BeginDeferWindowPos(3);
    ASSERT_NE(batch, nullptr);
    for (HWND w : {a, b, c}) {
        batch = DeferWindowPos(batch, w, HWND_TOP, 0, 0, 0, 0, ShowBatchFlags);
        ASSERT_NE(batch, nullptr);
    }
    EXPECT_TRUE(EndDeferWindowPos(batch));
    // Windows of another thread take their positions when that thread next
    // serves its messages.
    desk::Pump(100);

    for (HWND w : {a, b, c})
        EXPECT_WINDOW(w, true, SW_SHOWNORMAL);
    EXPECT_STACKING(c, b, a, active);
    EXPECT_EQ(GetForegroundWindow(), active);
}

// SetWindowPos with 0x0203 raises a window and activates it.
TEST_F(Conformance, RaiseWithoutNoActivateActivates)
{
    HWND a = App("A");
    HWND b = App("B");
    desk::Activate(b);
    desk::Pump(50);
    EXPECT_TRUE(SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, RaiseFlags));
    EXPECT_TRUE(SetForegroundWindow(a));
    desk::Pump(50);
    EXPECT_STACKING(a, b);
    EXPECT_EQ(GetForegroundWindow(), a);
}

// An owned window (a palette) stands above its owner when it appears, stays
// on screen when its owner is hidden, and goes with its owner. Raising the
// owner can leave it below: Wine then leaves it there, activated or not,
// where Windows brings it up unless SWP_NOOWNERZORDER is given; the program
// relies on neither. A hidden window shown with SW_SHOWNA goes on top.
TEST_F(Conformance, OwnedWindowsAndTheirOwner)
{
    HWND owner = App("Owner");
    HWND palette = desk::Make("PlinthTestApp", "Palette", WS_POPUP | WS_CAPTION, WS_EX_TOOLWINDOW, SW_SHOWNA, owner);
    desk::Pump(50);
    EXPECT_EQ(GetWindow(palette, GW_OWNER), owner);
    EXPECT_STACKING(palette, owner);
    ShowWindow(owner, SW_HIDE);
    desk::Pump(50);
    EXPECT_WINDOW(palette, true, SW_SHOWNORMAL);

    ShowWindow(palette, SW_HIDE);
    HDWP batch = BeginDeferWindowPos(2);
    for (HWND w : {owner, palette})
        batch = DeferWindowPos(batch, w, HWND_TOP, 0, 0, 0, 0, ShowBatchFlags);
    EXPECT_TRUE(EndDeferWindowPos(batch));
    desk::Pump(100);
    EXPECT_STACKING(palette, owner);
    SetWindowPos(owner, HWND_TOP, 0, 0, 0, 0, RaiseFlags);
    desk::Pump(100);
    EXPECT_STACKING(owner, palette);
    // Activating the foreground window moves nothing; activating another
    // owner raises it alone under Wine 8, where Windows keeps an owned window
    // above its owner and so brings its palettes along.
    SetForegroundWindow(owner);
    SetWindowPos(palette, HWND_TOP, 0, 0, 0, 0, ShowBatchFlags);
    SetForegroundWindow(owner);
    desk::Pump(100);
    EXPECT_STACKING(palette, owner);

    HWND other = App("Other");
    SetForegroundWindow(owner);
    desk::Pump(100);
    if (RunningOnWindows())
        EXPECT_STACKING(palette, owner, other);
    else
        EXPECT_STACKING(owner, other, palette);
    ShowWindow(palette, SW_HIDE);
    ShowWindow(palette, SW_SHOWNA);
    desk::Pump(100);
    EXPECT_STACKING(palette, other);
    desk::Destroy(owner);
    EXPECT_FALSE(IsWindow(palette));
}

// Properties live with the window: set in one process, read in another,
// kept while the window is hidden.
TEST_F(Conformance, PropertiesCrossProcessesAndOutliveHiding)
{
    HWND w = App("Marked");
    desk::SetProp(w, "PlinthwiseHidden", 1);
    EXPECT_EQ(GetPropA(w, "PlinthwiseHidden"), (HANDLE)1);
    EXPECT_EQ(RemovePropA(w, "PlinthwiseHidden"), (HANDLE)1);
    EXPECT_PROP(w, "PlinthwiseHidden", false);
    EXPECT_EQ(RemovePropA(w, "PlinthwiseHidden"), nullptr);

    EXPECT_TRUE(SetPropA(w, "PlinthwiseHidden", (HANDLE)1));
    ShowWindow(w, SW_HIDE);
    EXPECT_PROP(w, "PlinthwiseHidden", true);
    ShowWindow(w, SW_SHOWNOACTIVATE);
    EXPECT_PROP(w, "PlinthwiseHidden", true);
}

struct Seen {
    std::vector<HWND> windows;
};

BOOL CALLBACK Collect(HWND window, LPARAM value)
{
    ((Seen *)value)->windows.push_back(window);
    return TRUE;
}

// The Z-order walk and EnumWindows see every top-level window, hidden ones
// included, in the same order from the top.
TEST_F(Conformance, ZOrderWalkAndEnumWindowsAgree)
{
    HWND a = App("A"), b = App("B"), c = App("C");
    ShowWindow(b, SW_HIDE);
    desk::Show(c, SW_MINIMIZE);
    Seen seen;
    EXPECT_TRUE(EnumWindows(Collect, (LPARAM)&seen));
    std::vector<HWND> walk = ZOrderWalk();
    for (HWND w : {a, b, c}) {
        EXPECT_NE(std::find(walk.begin(), walk.end(), w), walk.end());
        EXPECT_NE(std::find(seen.windows.begin(), seen.windows.end(), w), seen.windows.end());
    }
    std::vector<HWND> walkOfOurs, enumOfOurs;
    for (HWND w : walk)
        if (w == a || w == b || w == c)
            walkOfOurs.push_back(w);
    for (HWND w : seen.windows)
        if (w == a || w == b || w == c)
            enumOfOurs.push_back(w);
    EXPECT_EQ(walkOfOurs, enumOfOurs);
    EXPECT_EQ(GetWindow(walk.back(), GW_HWNDNEXT), nullptr);
}

// Hiding the foreground window hands activation to another window.
TEST_F(Conformance, HidingTheForegroundWindowMovesActivation)
{
    HWND a = App("A");
    HWND b = App("B");
    desk::Activate(b);
    desk::Pump(50);
    ASSERT_EQ(GetForegroundWindow(), b);
    ShowWindow(b, SW_HIDE);
    desk::Pump(50);
    EXPECT_NE(GetForegroundWindow(), b);
    (void)a;
}

// A program that has stopped taking messages: reads and properties go on,
// the asynchronous calls queue and are carried out in order when it answers,
// and it counts as hung only after 5 s.
TEST_F(Conformance, HungProgramQueuesAsynchronousCallsInOrder)
{
    HWND w = App("Hung");
    desk::Pump(50);
    desk::Hang(6000);
    DWORD_PTR result = 0;
    const UINT probe = SMTO_ABORTIFHUNG | SMTO_BLOCK;
    EXPECT_FALSE(IsHungAppWindow(w));
    EXPECT_FALSE(SendMessageTimeoutA(w, WM_NULL, 0, 0, probe, 20, &result));
    EXPECT_TRUE(SetPropA(w, "PlinthwiseHidden", (HANDLE)1));
    EXPECT_TRUE(ShowWindowAsync(w, SW_HIDE));
    EXPECT_TRUE(SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, ShowBatchFlags | SWP_ASYNCWINDOWPOS));
    EXPECT_TRUE(ShowWindowAsync(w, SW_HIDE));
    EXPECT_WINDOW(w, true, SW_SHOWNORMAL);
    desk::Pump(5300);
    EXPECT_TRUE(IsHungAppWindow(w));
    EXPECT_FALSE(SendMessageTimeoutA(w, WM_NULL, 0, 0, probe, 20, &result));
    desk::Pump(1500);
    EXPECT_FALSE(IsHungAppWindow(w));
    EXPECT_TRUE(SendMessageTimeoutA(w, WM_NULL, 0, 0, probe, 20, &result));
    EXPECT_WINDOW(w, false, SW_SHOWNORMAL);
    EXPECT_PROP(w, "PlinthwiseHidden", true);
}

struct HotkeyLog {
    std::vector<WPARAM> ids;
};
HotkeyLog hotkeys;

LRESULT CALLBACK HotkeyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_HOTKEY)
        hotkeys.ids.push_back(wParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeHotkeyWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HotkeyWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PlinthConformanceHotkeys";
    RegisterClassA(&wc);
    return CreateWindowExA(WS_EX_TOOLWINDOW, "PlinthConformanceHotkeys", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

// A hotkey arrives only for exactly the registered modifiers, and a key
// another registration holds cannot be taken again.
TEST_F(Conformance, HotkeysNeedTheirExactModifiers)
{
    HWND owner = MakeHotkeyWindow();
    ASSERT_NE(owner, nullptr);
    ASSERT_TRUE(RegisterHotKey(owner, 100, MOD_ALT, '7'));
    ASSERT_TRUE(RegisterHotKey(owner, 200, MOD_ALT | MOD_SHIFT, '7'));
    EXPECT_FALSE(RegisterHotKey(owner, 101, MOD_ALT, '7'));

    desk::PressKey(MOD_ALT, '7');
    desk::Pump(200);
    desk::PressKey(MOD_ALT | MOD_SHIFT, '7');
    desk::Pump(200);
    desk::PressKey(MOD_ALT | MOD_CONTROL, '7');
    desk::Pump(200);
    desk::PressKey(MOD_ALT, '8');
    desk::Pump(200);
    EXPECT_EQ(hotkeys.ids, (std::vector<WPARAM>{100, 200}));

    EXPECT_TRUE(UnregisterHotKey(owner, 100));
    EXPECT_TRUE(UnregisterHotKey(owner, 200));
    DestroyWindow(owner);
}

struct TimerLog {
    int ticks;
};
TimerLog timerLog;

LRESULT CALLBACK TimerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == 1)
        timerLog.ticks++;
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(Conformance, TimerArrivesAsWmTimer)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TimerWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PlinthConformanceTimer";
    RegisterClassA(&wc);
    HWND owner = CreateWindowExA(WS_EX_TOOLWINDOW, "PlinthConformanceTimer", "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                 nullptr, wc.hInstance, nullptr);
    ASSERT_NE(owner, nullptr);
    ASSERT_EQ(SetTimer(owner, 1, 50, nullptr), 1u);
    desk::Pump(400);
    EXPECT_GE(timerLog.ticks, 2);
    KillTimer(owner, 1);
    DestroyWindow(owner);
}

struct EventLog {
    std::vector<HWND> foreground;
};
EventLog events;

void CALLBACK RecordForeground(HWINEVENTHOOK, DWORD event, HWND window, LONG, LONG, DWORD, DWORD)
{
    if (event == EVENT_SYSTEM_FOREGROUND)
        events.foreground.push_back(window);
}

// The out-of-context hook hears foreground changes of other processes on
// this thread while it waits for messages.
TEST_F(Conformance, ForegroundHookHearsOtherProcesses)
{
    KNOWN_WINE_GAP("Wine 8 never delivers out-of-context EVENT_SYSTEM_FOREGROUND events");
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, RecordForeground,
                                         0, 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    HWND a = App("A");
    HWND b = App("B");
    desk::Pump(50);
    events.foreground.clear();
    desk::Activate(a);
    desk::Pump(100);
    desk::Activate(b);
    desk::Pump(100);
    EXPECT_EQ(events.foreground, (std::vector<HWND>{a, b}));
    EXPECT_TRUE(UnhookWinEvent(hook));
}

// A named mutex in the session's namespace: made fresh, then opened by the
// same name, and gone once the last handle is closed.
TEST_F(Conformance, NamedMutexLivesWhileAHandleDoes)
{
    const char name[] = "Local\\PlinthConformanceMutex";
    HANDLE made = CreateMutexA(nullptr, FALSE, name);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SUCCESS);
    HANDLE opened = CreateMutexA(nullptr, FALSE, name);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(CloseHandle(opened));
    EXPECT_TRUE(CloseHandle(made));
    HANDLE again = CreateMutexA(nullptr, FALSE, name);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SUCCESS) << "the last close destroyed it";
    CloseHandle(again);
}

} // namespace
