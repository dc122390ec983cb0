// The notification-area icon in the taskbar of Wine's virtual desktop: the
// shell keeps it from the add to the delete, and the taskbar shows the
// current group's digit icon, pixel for pixel, on the screen.
#include <gtest/gtest.h>

#include <string.h>

#include "shell/appstate.h"
#include "tests/desk.h"
#include "tests/iconcheck.h"
#include "tests/wincheck.h"
#include "tray/icons.h"
#include "tray/notifyicon.h"
#include "workspace/groups.h"

namespace {

const int IconSize = 16;

// The taskbar's pixels as the screen shows them, 0x00RRGGBB, top row first.
struct Capture {
    int width = 0;
    int height = 0;
    Pixels pixels;
};

Capture CaptureWindow(HWND window)
{
    Capture c;
    RECT r;
    if (!GetWindowRect(window, &r))
        return c;
    c.width = r.right - r.left;
    c.height = r.bottom - r.top;
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = c.width;
    info.bmiHeader.biHeight = -c.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    void *bits = NULL;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    if (bits && BitBlt(memory, 0, 0, c.width, c.height, screen, r.left, r.top, SRCCOPY)) {
        GdiFlush();
        const uint32_t *p = (const uint32_t *)bits;
        for (int i = 0; i < c.width * c.height; i++)
            c.pixels.push_back(p[i] & 0x00FFFFFF);
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return c;
}

// Where the 16 x 16 image stands in the capture, exactly; -1 when nowhere.
long Locate(const Capture &c, const Pixels &image)
{
    for (int y = 0; y + IconSize <= c.height; y++)
        for (int x = 0; x + IconSize <= c.width; x++) {
            bool same = true;
            for (int j = 0; j < IconSize && same; j++)
                same = memcmp(&c.pixels[(size_t)(y + j) * c.width + x], &image[(size_t)j * IconSize],
                              IconSize * sizeof(uint32_t)) == 0;
            if (same)
                return (long)y * c.width + x;
        }
    return -1;
}

LRESULT CALLBACK StandInMainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

class TrayInTaskbar : public ::testing::Test {
protected:
    HWND taskbar = NULL;
    Pixels digit[GroupCount];  // each group's icon as drawn

    void SetUp() override
    {
        ASSERT_TRUE(desk::Start());
        taskbar = FindWindowA("Shell_TrayWnd", NULL);
        ASSERT_NE(taskbar, nullptr) << "the virtual desktop has no taskbar";
        WNDCLASSA wc;
        memset(&wc, 0, sizeof wc);
        wc.lpfnWndProc = StandInMainProc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "TrayWineTestMain";
        RegisterClassA(&wc);
        MainWindow = CreateWindowExA(WS_EX_TOOLWINDOW, "TrayWineTestMain", "Plinthwise", WS_POPUP, 0, 0, 0, 0, NULL,
                                     NULL, wc.hInstance, NULL);
        ASSERT_NE(MainWindow, nullptr);
        BuildGroupIcons();
        for (int i = 0; i < GroupCount; i++) {
            digit[i] = DrawIconOver(GroupIcons[i], IconSize, RGB(255, 0, 255));
            ASSERT_EQ(digit[i].size(), (size_t)(IconSize * IconSize));
        }
    }

    void TearDown() override
    {
        Shell_NotifyIconA(NIM_DELETE, &TrayIconData);
        for (HICON &icon : GroupIcons) {
            if (icon)
                DestroyIcon(icon);
            icon = NULL;
        }
        if (MainWindow)
            DestroyWindow(MainWindow);
        MainWindow = NULL;
        desk::Stop();
    }

    // The shell still holds the icon: a modify that changes nothing succeeds.
    bool Held()
    {
        NOTIFYICONDATAA probe = TrayIconData;
        probe.uFlags = 0;
        return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
    }

    // The digit the taskbar shows (0: none, -1: more than one). It repaints
    // in its own process: looked at until it shows the one expected, or
    // time runs out.
    int Shown(int expected)
    {
        int found = 0;
        for (int attempt = 0; attempt < 20; attempt++) {
            desk::Pump(100);
            Capture c = CaptureWindow(taskbar);
            found = 0;
            for (int i = 0; i < GroupCount; i++)
                if (Locate(c, digit[i]) >= 0)
                    found = found ? -1 : i + 1;
            if (found == expected)
                break;
        }
        return found;
    }
};

TEST_F(TrayInTaskbar, IsThereFromAddToDeleteShowingTheCurrentGroup)
{
    WINE_FACT("the taskbar shows every notification-area icon; Windows 10 and 11 put a new one in the overflow "
              "area, where the taskbar's pixels do not show it");
    ASSERT_FALSE(Held());
    EXPECT_EQ(Shown(0), 0);

    CurrentGroup = 0;
    AddTrayIcon();
    EXPECT_TRUE(Held());
    EXPECT_EQ(Shown(1), 1);

    CurrentGroup = 3;
    UpdateTrayIcon();
    EXPECT_TRUE(Held());
    EXPECT_EQ(Shown(4), 4);

    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &TrayIconData));
    EXPECT_FALSE(Held());
    EXPECT_EQ(Shown(0), 0);
    CurrentGroup = 0;
}

TEST_F(TrayInTaskbar, TheShellRefusesASecondAddAndAModifyOfNoIcon)
{
    EXPECT_FALSE(Held());
    AddTrayIcon();
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &TrayIconData));
    EXPECT_TRUE(Shell_NotifyIconA(NIM_DELETE, &TrayIconData));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &TrayIconData));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &TrayIconData));
}

} // namespace
