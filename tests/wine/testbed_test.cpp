// The Wine test bed itself: windows really live in another process, what the
// helper does to them is what this process sees, and keys and hangs reach
// across processes. A fault here would make every Wine test of the program
// pass or fail for the wrong reason.
#include "tests/desk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kClass[] = "PlinthTestbedWindow";

class Testbed : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(desk::Start()); }
    static void TearDownTestSuite() { desk::Stop(); }

    void TearDown() override
    {
        for (HWND w : made_)
            if (IsWindow(w))
                desk::Destroy(w);
    }

    HWND Make(const char *title, int showCmd)
    {
        HWND w = desk::Make(kClass, title, WS_OVERLAPPEDWINDOW, 0, showCmd);
        made_.push_back(w);
        return w;
    }

    std::vector<HWND> made_;
};

std::string TitleOf(HWND w)
{
    char text[256] = "";
    GetWindowTextA(w, text, sizeof text);
    return text;
}

UINT ShowCmdOf(HWND w)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    EXPECT_TRUE(GetWindowPlacement(w, &placement));
    return placement.showCmd;
}

TEST_F(Testbed, WindowsBelongToTheHelperProcess)
{
    HWND w = Make("first", SW_SHOWNORMAL);
    ASSERT_NE(w, nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    EXPECT_EQ(pid, desk::OwnerProcessId());
    EXPECT_NE(pid, GetCurrentProcessId());
    EXPECT_EQ(GetAncestor(w, GA_PARENT), GetDesktopWindow());

    char className[64] = "";
    GetClassNameA(w, className, sizeof className);
    EXPECT_STREQ(className, kClass);
    EXPECT_EQ(TitleOf(w), "first");
    EXPECT_EQ(GetWindowLongA(w, GWL_STYLE) & WS_OVERLAPPEDWINDOW, (LONG)WS_OVERLAPPEDWINDOW);

    desk::Retitle(w, "renamed");
    EXPECT_EQ(TitleOf(w), "renamed");
    desk::Destroy(w);
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(Testbed, ExtendedStyleAndHiddenStartAreKept)
{
    HWND w = desk::Make(kClass, "tool", WS_POPUP | WS_CAPTION, WS_EX_TOOLWINDOW, SW_HIDE);
    made_.push_back(w);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(IsWindowVisible(w));
}

TEST_F(Testbed, ShowCommandsTakeEffectAcrossProcesses)
{
    HWND w = Make("shown", SW_SHOWNORMAL);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(ShowCmdOf(w), (UINT)SW_SHOWNORMAL);

    // Outside Wine's virtual desktop hiding waits ~2 s for a window manager
    // that is not there; the program's timing depends on it being quick.
    ULONGLONG before = GetTickCount64();
    desk::Show(w, SW_HIDE);
    ULONGLONG took = GetTickCount64() - before;
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_LT(took, 500u) << "SW_HIDE took " << took << " ms: is the virtual desktop on?";

    desk::Show(w, SW_SHOWMINIMIZED);
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_TRUE(IsIconic(w));
    EXPECT_EQ(ShowCmdOf(w), (UINT)SW_SHOWMINIMIZED);

    desk::Show(w, SW_SHOWMAXIMIZED);
    EXPECT_TRUE(IsZoomed(w));
    EXPECT_EQ(ShowCmdOf(w), (UINT)SW_SHOWMAXIMIZED);

    desk::Show(w, SW_RESTORE);
    EXPECT_FALSE(IsZoomed(w));
    EXPECT_FALSE(IsIconic(w));
    EXPECT_EQ(ShowCmdOf(w), (UINT)SW_SHOWNORMAL);
}

TEST_F(Testbed, ActivateBringsTheWindowToTheForeground)
{
    HWND a = Make("a", SW_SHOWNORMAL);
    HWND b = Make("b", SW_SHOWNORMAL);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    desk::Activate(a);
    EXPECT_EQ(GetForegroundWindow(), a);
    desk::Activate(b);
    EXPECT_EQ(GetForegroundWindow(), b);
}

TEST_F(Testbed, PropertySetByTheHelperIsSeenHere)
{
    HWND w = Make("prop", SW_SHOWNORMAL);
    ASSERT_NE(w, nullptr);
    desk::SetProp(w, "PlinthTestbedProp", 0x5a17);
    EXPECT_EQ((UINT_PTR)GetPropA(w, "PlinthTestbedProp"), (UINT_PTR)0x5a17);
    EXPECT_EQ(GetPropA(w, "PlinthTestbedOther"), nullptr);
}

TEST_F(Testbed, HelperRefusesWindowsThatAreNotItsOwn)
{
    // A stray handle must not let a test act on the desktop's own windows.
    HWND tray = FindWindowA("Shell_TrayWnd", NULL);
    ASSERT_NE(tray, nullptr);
    desk::SetProp(tray, "PlinthTestbedProp", 1);
    EXPECT_EQ(GetPropA(tray, "PlinthTestbedProp"), nullptr);
}

TEST_F(Testbed, HangStopsTheHelperServingMessagesForAWhile)
{
    HWND w = Make("hung", SW_SHOWNORMAL);
    ASSERT_NE(w, nullptr);
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result));

    ULONGLONG before = GetTickCount64();
    desk::Hang(1500);
    EXPECT_LT(GetTickCount64() - before, 500u) << "Hang must answer before it sleeps";
    SetLastError(0);
    EXPECT_FALSE(SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, 200, &result));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_TIMEOUT);

    desk::Pump(1500);
    EXPECT_TRUE(SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result));
}

// A window of this process that records the hotkeys it receives.
struct HotkeySeen {
    int count;
    WPARAM id;
    LPARAM lParam;
};
HotkeySeen g_hotkey;

LRESULT CALLBACK HotkeyProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_HOTKEY) {
        ++g_hotkey.count;
        g_hotkey.id = wParam;
        g_hotkey.lParam = lParam;
        return 0;
    }
    return DefWindowProcA(w, message, wParam, lParam);
}

TEST_F(Testbed, PressKeyDeliversHotkeysOfThisProcess)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HotkeyProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "PlinthTestbedHotkeys";
    RegisterClassA(&wc);
    HWND mine = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, NULL, NULL, wc.hInstance, NULL);
    ASSERT_NE(mine, nullptr);
    ASSERT_TRUE(RegisterHotKey(mine, 1, MOD_ALT | MOD_NOREPEAT, '1'));
    ASSERT_TRUE(RegisterHotKey(mine, 2, MOD_CONTROL | MOD_SHIFT, VK_F5));

    // While a helper window has the focus, as when the user works in one.
    HWND other = Make("focused", SW_SHOWNORMAL);
    desk::Activate(other);

    g_hotkey = HotkeySeen();
    desk::PressKey(MOD_ALT, '1');
    desk::Pump(300);
    EXPECT_EQ(g_hotkey.count, 1);
    EXPECT_EQ(g_hotkey.id, (WPARAM)1);
    EXPECT_EQ(LOWORD(g_hotkey.lParam), MOD_ALT);
    EXPECT_EQ(HIWORD(g_hotkey.lParam), '1');

    g_hotkey = HotkeySeen();
    desk::PressKey(MOD_CONTROL | MOD_SHIFT, VK_F5);
    desk::Pump(300);
    EXPECT_EQ(g_hotkey.count, 1);
    EXPECT_EQ(g_hotkey.id, (WPARAM)2);

    // Other modifiers or keys are not the hotkey: no stuck modifier from an
    // earlier press may turn them into one.
    g_hotkey = HotkeySeen();
    desk::PressKey(MOD_ALT | MOD_SHIFT, '1');
    desk::PressKey(MOD_ALT, '2');
    desk::PressKey(0, '1');
    desk::Pump(300);
    EXPECT_EQ(g_hotkey.count, 0);
    EXPECT_EQ(GetAsyncKeyState(VK_MENU) & 0x8000, 0);

    UnregisterHotKey(mine, 1);
    UnregisterHotKey(mine, 2);
    DestroyWindow(mine);
}

} // namespace
