// The real plinthwise.exe's task modes against Wine's Task Scheduler, and the
// check mark of "Run at login..." following the task.
#include <gtest/gtest.h>

#include <string>

#include "logintask/taskclient.h"
#include "shell/appstate.h"
#include "shell/mainwindow.h"
#include "tests/wincheck.h"
#include "tests/wine/scratch.h"

namespace {

const UINT MenuGetHandle = 0x01E1;  // MN_GETHMENU

long RunProgram(const wchar_t *option)
{
    return scratch::RunAndWait(scratch::BuildDirectory() + L"\\plinthwise.exe", option);
}

// What the tray menu showed for "Run at login...", read while it was open.
struct MenuSeen {
    bool open;
    UINT state;
};
MenuSeen seen;

// Runs inside the menu's own loop: read the first item, then close the menu.
void CALLBACK InspectMenu(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND menuWindow = FindWindowA("#32768", nullptr);
    if (!menuWindow)
        return;
    HMENU menu = (HMENU)SendMessageA(menuWindow, MenuGetHandle, 0, 0);
    seen.open = menu != nullptr;
    seen.state = menu ? GetMenuState(menu, 0, MF_BYPOSITION) : 0;
    KillTimer(nullptr, timer);
    EndMenu();
}

// Opens the tray menu of a main window of this process as a right-button
// release on the icon would, and reads the check mark of its first item.
UINT RunAtLoginItemState()
{
    seen = MenuSeen{false, 0};
    UINT_PTR timer = SetTimer(nullptr, 0, 300, InspectMenu);
    SendMessageA(MainWindow, TrayCallbackMessage, 1, WM_RBUTTONUP);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(seen.open) << "the menu was not seen open";
    return seen.state;
}

class TaskModes : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        RemoveLoginTask();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = MainWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "PlinthTaskModesMain";
        RegisterClassA(&wc);
        MainWindow = CreateWindowExA(WS_EX_TOOLWINDOW, "PlinthTaskModesMain", "Plinthwise", WS_POPUP, 0, 0, 0, 0,
                                     nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(MainWindow, nullptr);
    }
    void TearDown() override
    {
        RemoveLoginTask();
        DestroyWindow(MainWindow);
        // WM_DESTROY posted a quit request meant for the program's loop.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            ;
    }
};

TEST_F(TaskModes, InstallAndRemoveThroughTheRealProgram)
{
    EXPECT_EQ(RunAtLoginItemState() & MF_CHECKED, 0u);

    EXPECT_EQ(RunProgram(L"--install-task"), 0);
    EXPECT_TRUE(LoginTaskExists());
    EXPECT_EQ(RunAtLoginItemState() & MF_CHECKED, (UINT)MF_CHECKED);

    EXPECT_EQ(RunProgram(L"--install-task"), 0) << "create or update";
    EXPECT_TRUE(LoginTaskExists());

    EXPECT_EQ(RunProgram(L"--remove-task"), 0);
    EXPECT_FALSE(LoginTaskExists());
    EXPECT_EQ(RunAtLoginItemState() & MF_CHECKED, 0u);
    EXPECT_EQ(RunProgram(L"--remove-task"), 1) << "no task left to remove";
}

} // namespace
