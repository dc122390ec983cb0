// The notification-area icon on the simulated desktop: what the taskbar
// shows after the add, after each group switch, while the taskbar is gone
// and after it comes back.
#include <gtest/gtest.h>

#include <algorithm>

#include "shell/appstate.h"
#include "shell/mainwindow.h"
#include "shell/shutdown.h"
#include "sim/sim_tray.h"
#include "tests/iconcheck.h"
#include "tests/wincheck.h"
#include "tray/icons.h"
#include "tray/notifyicon.h"
#include "workspace/groups.h"

namespace {

std::vector<UINT> mainMessages;  // callback messages that reached MainWindow

// MainWindow's own procedure, noting the callback messages that reach it.
LRESULT CALLBACK NotingMainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == TrayCallbackMessage) {
        mainMessages.push_back(message);
        mainMessages.push_back((UINT)wParam);
        mainMessages.push_back((UINT)lParam);
    }
    return MainWindowProc(window, message, wParam, lParam);
}

// The switch hotkey as MainWindow handles it: the icon follows the switch.
void PressSwitch(INT group)
{
    MainWindowProc(MainWindow, WM_HOTKEY, (WPARAM)(HotkeySwitchFirst + group), 0);
}

std::string Tip(int group) { return "Plinthwise Group: " + std::to_string(group); }

// The thread goes idle after a switch: the deferred icon update comes due.
void SettleTray()
{
    sim::AdvanceTime(TrayUpdateDelay);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::MakeTaskbar();
        // MainWindow as the shell makes it: a hidden tool window.
        WNDCLASSA wc = {};
        wc.lpfnWndProc = NotingMainProc;
        wc.lpszClassName = "TrayTestMain";
        RegisterClassA(&wc);
        MainWindow = CreateWindowExA(WS_EX_TOOLWINDOW, "TrayTestMain", "Plinthwise", WS_POPUP, 0, 0, 0, 0, NULL, NULL,
                                     NULL, NULL);
        ASSERT_NE(MainWindow, nullptr);
        sim::Name(MainWindow, "Main");
        TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
        BuildGroupIcons();
        sim::ClearCalls();
    }

    std::string IconName(int group) { return sim::GdiLabel(GroupIcons[group - 1]); }
};

// The taskbar shows the icon of `group` and its tooltip.
void CheckTrayShows(const char *file, int line, int group)
{
    sim::TrayIcon icon;
    if (!sim::FindTrayIcon(MainWindow, 1, &icon)) {
        ADD_FAILURE_AT(file, line) << "no tray icon; expected group " << group;
        return;
    }
    if (icon.tip != Tip(group))
        ADD_FAILURE_AT(file, line) << "tooltip \"" << icon.tip << "\", expected \"" << Tip(group) << "\"";
    if (icon.callbackMessage != TrayCallbackMessage)
        ADD_FAILURE_AT(file, line) << "callback message " << icon.callbackMessage;
    sim::IconImage expected;
    if (!icon.hasImage || !sim::ReadIcon(GroupIcons[group - 1], &expected) ||
        sim::DrawnOver(icon.image, RGB(255, 0, 0)) != sim::DrawnOver(expected, RGB(255, 0, 0)))
        ADD_FAILURE_AT(file, line) << "the tray does not show the digit " << group << ":\n"
                                   << PixelArt(icon.hasImage ? sim::DrawnOver(icon.image, 0) : Pixels(), 16);
}
#define EXPECT_TRAY_SHOWS(group) CheckTrayShows(__FILE__, __LINE__, (group))

TEST_F(TrayIconTest, AddShowsGroupOneWithTheStockIconFirst)
{
    AddTrayIcon();
    const std::vector<std::string> expected = {
        "LoadIconA(0, 32512)",
        "Shell_NotifyIconA(0, 528, Main, 1, 0x7, 0x401, IDI_APPLICATION, \"Plinthwise Group: 1\")",
        "Shell_NotifyIconA(1, 528, Main, 1, 0x6, 0x401, " + IconName(1) + ", \"Plinthwise Group: 1\")",
    };
    EXPECT_CALLS(expected, sim::Calls());
    EXPECT_TRAY_SHOWS(1);
    EXPECT_EQ(sim::TrayIcons().size(), 1u);

    // Nothing beyond the fields of the two calls is ever set.
    const BYTE *rest = (const BYTE *)&TrayIconData.dwState;
    size_t restSize = sizeof TrayIconData - ((const BYTE *)&TrayIconData.dwState - (const BYTE *)&TrayIconData);
    EXPECT_EQ(std::count(rest, rest + restSize, 0), (long)restSize) << "fields after szTip are not all zero";
}

TEST_F(TrayIconTest, IconAndTooltipFollowEverySwitchAndARefusedSwitchSendsNothing)
{
    AddTrayIcon();
    const int order[] = {4, 2, 5, 1, 3};
    for (int group : order) {
        sim::ClearCalls();
        PressSwitch(group - 1);
        SettleTray();
        EXPECT_CALLS(std::vector<std::string>{"Shell_NotifyIconA(1, 528, Main, 1, 0x6, 0x401, " + IconName(group) +
                                              ", \"" + Tip(group) + "\")"},
                     sim::CallsOf({"Shell_NotifyIconA"}));
        EXPECT_TRAY_SHOWS(group);
    }
    // The current group, and indexes out of range, are refused.
    sim::ClearCalls();
    for (INT refused : {2, 5, -1})
        PressSwitch(refused);
    SettleTray();
    EXPECT_TRUE(sim::CallsOf({"Shell_NotifyIconA"}).empty());
    EXPECT_TRAY_SHOWS(3);
}

TEST_F(TrayIconTest, TaskbarRestartBringsBackTheGroupCurrentThen)
{
    AddTrayIcon();
    PressSwitch(2);
    SettleTray();
    EXPECT_TRAY_SHOWS(3);

    sim::RemoveTaskbar();
    EXPECT_TRUE(sim::TrayIcons().empty());
    sim::ClearCalls();
    sim::StartTaskbar();

    const std::vector<std::string> expected = {
        "Shell_NotifyIconA(0, 528, Main, 1, 0x7, 0x401, IDI_APPLICATION, \"Plinthwise Group: 1\")",
        "Shell_NotifyIconA(1, 528, Main, 1, 0x6, 0x401, " + IconName(3) + ", \"Plinthwise Group: 3\")",
    };
    EXPECT_CALLS(expected, sim::CallsOf({"Shell_NotifyIconA"}));
    EXPECT_TRAY_SHOWS(3);
    EXPECT_EQ(sim::TrayIcons().size(), 1u);
}

TEST_F(TrayIconTest, WithoutTaskbarNothingShowsUntilItComes)
{
    sim::RemoveTaskbar();
    AddTrayIcon();  // at start: fails without notice
    PressSwitch(3);  // while absent: the modify fails without effect
    EXPECT_TRUE(sim::TrayIcons().empty());
    sim::StartTaskbar();
    EXPECT_TRAY_SHOWS(4);
}

// An add that timed out at logon may still be carried out later: the retry's
// add then fails as a duplicate, its modify succeeds, and the retries end.
TEST_F(TrayIconTest, AddCarriedOutLateEndsTheRetries)
{
    sim::NotificationAreaReadyAt(sim::Now() + 1000, true);
    PressSwitch(2);
    AddTrayIcon();
    EXPECT_TRUE(sim::TrayIcons().empty());
    sim::AdvanceTime(1000);
    RetryTrayIcon();
    EXPECT_TRAY_SHOWS(3);
    EXPECT_EQ(sim::TrayIcons().size(), 1u);
    sim::ClearCalls();
    RetryTrayIcon();
    EXPECT_TRUE(sim::CallsOf({"Shell_NotifyIconA"}).empty());
}

TEST_F(TrayIconTest, AMissingGroupIconIsPassedOnAsNone)
{
    DestroyIcon(GroupIcons[1]);
    GroupIcons[1] = NULL;
    AddTrayIcon();
    PressSwitch(1);
    SettleTray();
    sim::TrayIcon icon;
    ASSERT_TRUE(sim::FindTrayIcon(MainWindow, 1, &icon));
    EXPECT_FALSE(icon.hasImage);
    EXPECT_EQ(icon.tip, Tip(2));
    PressSwitch(0);
    SettleTray();
    EXPECT_TRAY_SHOWS(1);
}

// Switches in quick succession never wait for the taskbar: none of them
// touches the icon, and one update after the last shows its group.
TEST_F(TrayIconTest, ABurstOfSwitchesEndsInOneUpdateForTheLastGroup)
{
    AddTrayIcon();
    sim::ClearCalls();
    for (INT group : {3, 1, 4})
        PressSwitch(group);
    EXPECT_TRUE(sim::CallsOf({"Shell_NotifyIconA"}).empty());
    SettleTray();
    EXPECT_CALLS(std::vector<std::string>{"Shell_NotifyIconA(1, 528, Main, 1, 0x6, 0x401, " + IconName(5) +
                                          ", \"" + Tip(5) + "\")"},
                 sim::CallsOf({"Shell_NotifyIconA"}));
    EXPECT_TRAY_SHOWS(5);
}

TEST_F(TrayIconTest, AGroupIndexOutOfRangeSendsNothing)
{
    AddTrayIcon();
    sim::ClearCalls();
    for (INT bad : {5, -1, 0x7FFFFFFF}) {
        CurrentGroup = bad;
        UpdateTrayIcon();
    }
    CurrentGroup = 0;
    EXPECT_TRUE(sim::CallsOf({"Shell_NotifyIconA"}).empty());
    EXPECT_TRAY_SHOWS(1);
}

TEST_F(TrayIconTest, ARightButtonReleaseReachesMainWindowAsTheCallbackMessage)
{
    AddTrayIcon();
    ASSERT_TRUE(sim::ClickTrayIcon(MainWindow, 1, WM_RBUTTONUP));
    sim::DeliverPending();
    EXPECT_EQ(mainMessages, (std::vector<UINT>{0x401, 1, 0x205}));
}

TEST_F(TrayIconTest, ExitDeletesTheIconWithTheSameRecord)
{
    AddTrayIcon();
    PressSwitch(4);
    SettleTray();
    Shutdown();
    EXPECT_TRUE(sim::TrayIcons().empty());
}

} // namespace
