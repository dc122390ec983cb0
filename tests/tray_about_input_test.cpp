// The About window driven by the keyboard and the mouse as a user would:
// keys and clicks through the simulated desktop, and under Wine through
// SendInput into the real dialogue handling of IsDialogMessageA, the real
// "STATIC" control and the real default window procedure.
#include <gtest/gtest.h>

#include <string.h>

#include "shell/appstate.h"
#include "tests/desk.h"
#include "tests/wincheck.h"
#include "tray/about.h"
#ifndef _WIN32
#include "sim/sim.h"
#endif

namespace {

class AboutInput : public ::testing::Test {
protected:
    HWND about = NULL;

    void SetUp() override
    {
        ASSERT_TRUE(desk::Start());
        WNDCLASSA wc = {};
        wc.lpfnWndProc = AboutWindowProc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
        wc.lpszClassName = "PlinthwiseAboutClass";
        RegisterClassA(&wc);
        // The About command of the shell, up to its nested loop.
        AboutOpen = TRUE;
        about = CreateWindowExA(WS_EX_DLGMODALFRAME, "PlinthwiseAboutClass", "About Plinthwise",
                                WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, 640, 232, NULL, NULL,
                                wc.hInstance, NULL);
        ASSERT_NE(about, nullptr);
        ShowWindow(about, SW_SHOW);
        SetForegroundWindow(about);
        Serve(300);
    }

    void TearDown() override
    {
        if (IsWindow(about))
            DestroyWindow(about);
        desk::Stop();
    }

    // The shell's nested loop, bounded in time: every message goes first to
    // IsDialogMessageA for the About window.
    void Serve(DWORD ms)
    {
        DWORD start = GetTickCount();
        while (AboutOpen) {
            MSG msg;
            if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
                if (!IsDialogMessageA(about, &msg)) {
                    TranslateMessage(&msg);
                    DispatchMessageA(&msg);
                }
                continue;
            }
            if (GetTickCount() - start >= ms)
                break;
            Sleep(10);
        }
    }

    // A left click at a point of the About window's client area.
    void Click(int x, int y)
    {
#ifdef _WIN32
        POINT p = {x, y};
        ClientToScreen(about, &p);
        SetCursorPos(p.x, p.y);
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_MOUSE;
        input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, input, sizeof(INPUT));
#else
        sim::Click(about, x, y);
#endif
    }

    void ExpectClosed()
    {
        EXPECT_FALSE(IsWindow(about));
        EXPECT_FALSE(AboutOpen);
    }
};

TEST_F(AboutInput, EscapeCloses)
{
    desk::PressKey(0, VK_ESCAPE);
    Serve(2000);
    ExpectClosed();
}

TEST_F(AboutInput, EnterLeavesItOpen)
{
    desk::PressKey(0, VK_RETURN);
    Serve(500);
    EXPECT_TRUE(IsWindow(about));
    EXPECT_TRUE(AboutOpen);
    EXPECT_NE(SendMessageA(GetWindow(about, GW_CHILD), WM_GETFONT, 0, 0), 0);
}

TEST_F(AboutInput, AltF4Closes)
{
    desk::PressKey(MOD_ALT, VK_F4);
    Serve(2000);
    ExpectClosed();
}

// The text control does not take the click: it goes through to the window.
TEST_F(AboutInput, AClickOnTheTextCloses)
{
    Click(100, 40);
    Serve(2000);
    ExpectClosed();
}

// Under Wine, whose stand-in for Consolas is wider, too.
TEST_F(AboutInput, TheTextKeepsTheAboutFontAndShowsWhole)
{
    HWND text = GetWindow(about, GW_CHILD);
    ASSERT_NE(text, nullptr);
    char className[32];
    GetClassNameA(text, className, sizeof className);
    // Windows answers "Static" whatever case the creator used; class names
    // are compared without case.
    EXPECT_STRCASEEQ(className, "static");
    HFONT font = (HFONT)SendMessageA(text, WM_GETFONT, 0, 0);
    ASSERT_NE(font, nullptr);
    char content[512];
    EXPECT_EQ(GetWindowTextA(text, content, sizeof content), 306);
    EXPECT_EQ(strncmp(content, "Plinthwise v1.0.0\r\n", 19), 0) << content;
    EXPECT_HELP_TEXT_WHOLE(about);
    LOGFONTA lf = {};
    GetObjectA(font, sizeof lf, &lf);
    RECT r = {};
    GetWindowRect(about, &r);
    HDC dc = GetDC(about);
    printf("About at %d dpi: font height %ld, window %ld x %ld\n", GetDeviceCaps(dc, LOGPIXELSY), lf.lfHeight,
           r.right - r.left, r.bottom - r.top);
    ReleaseDC(about, dc);
}

} // namespace
