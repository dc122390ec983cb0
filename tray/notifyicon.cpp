#include "tray/notifyicon.h"

#include "shell/appstate.h"
#include "tray/icons.h"
#include "workspace/groups.h"

NOTIFYICONDATAA TrayIconData;

// True while the notification area holds our icon, as far as its answers
// tell: set by a request it carried out, cleared by one it refused.
static bool TrayIconHeld;

static const UINT TrayIconId = 1;
static const char FirstTip[] = "Plinthwise Group: 1";
static const char TipFormat[] = "Plinthwise Group: %d";
static const char NoticeTitle[] = "Plinthwise";

// The full layout, as the shell of every supported Windows takes it.
static_assert(sizeof(void *) != 8 || sizeof(NOTIFYICONDATAA) == 528, "NOTIFYICONDATAA is not in its full layout");
static_assert(sizeof TrayIconData.szInfo == TrayNoticeSize, "a notice is an szInfo");

static void ShowCurrentGroup()
{
    // GroupIcons has five entries; any other index would read past them.
    if ((UINT)CurrentGroup >= (UINT)GroupCount)
        return;
    char tip[64];
    wsprintfA(tip, TipFormat, CurrentGroup + 1);
    lstrcpynA(TrayIconData.szTip, tip, sizeof TrayIconData.szTip);
    // The callback message was given with the add and is not sent again.
    TrayIconData.uFlags = NIF_ICON | NIF_TIP;
    TrayIconData.hIcon = GroupIcons[CurrentGroup];
    // A refused modify means the icon is gone (the taskbar went away): the
    // next tick adds it again.
    TrayIconHeld = Shell_NotifyIconA(NIM_MODIFY, &TrayIconData) != FALSE;
}

void AddTrayIcon()
{
    TrayIconData.hWnd = MainWindow;
    TrayIconData.cbSize = sizeof(NOTIFYICONDATAA);
    TrayIconData.uID = TrayIconId;
    TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayIconData.uCallbackMessage = TrayCallbackMessage;
    TrayIconData.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    lstrcpynA(TrayIconData.szTip, FirstTip, sizeof TrayIconData.szTip);
    // At logon the taskbar can exist before its notification area takes
    // icons, and the add then fails with a timeout: the maintenance tick
    // tries again until an add succeeds.
    TrayIconHeld = Shell_NotifyIconA(NIM_ADD, &TrayIconData) != FALSE;
    // After a re-created taskbar this shows the group that is current now.
    // Its answer also tells whether the icon is held: a timed-out add may
    // have been carried out late, and a retry then fails as a duplicate.
    ShowCurrentGroup();
}

void UpdateTrayIcon()
{
    if (!TrayIconHeld) {
        AddTrayIcon();
        return;
    }
    ShowCurrentGroup();
}

// The shell answers a modify only once it has worked through what came
// before it: right after a switch that is every shown and hidden window,
// up to a tenth of a second and more. A hotkey pressed meanwhile would wait
// for it. So the hotkey that switched only asks for the update, and the
// update runs from a timer, which the system delivers only when no hotkey or
// other message is waiting; a burst of switches ends in one update, for the
// group shown last.
void RequestTrayUpdate()
{
    if (MainWindow && SetTimer(MainWindow, TrayUpdateTimerId, TrayUpdateDelay, nullptr))
        return;
    UpdateTrayIcon();  // no timer to be had: at once
}

void OnTrayUpdateDue()
{
    KillTimer(MainWindow, TrayUpdateTimerId);
    UpdateTrayIcon();
}

void RetryTrayIcon()
{
    if (!TrayIconHeld)
        AddTrayIcon();
}

bool ShowTrayNotice(const char *text)
{
    if (!TrayIconHeld)
        return false;
    // Only the notice: the icon and tooltip stay as they are. A refusal says
    // nothing about the icon, which the shell may keep while it shows no
    // notices.
    TrayIconData.uFlags = NIF_INFO;
    lstrcpynA(TrayIconData.szInfo, text, sizeof TrayIconData.szInfo);
    lstrcpynA(TrayIconData.szInfoTitle, NoticeTitle, sizeof TrayIconData.szInfoTitle);
    TrayIconData.dwInfoFlags = NIIF_INFO;
    return Shell_NotifyIconA(NIM_MODIFY, &TrayIconData) != FALSE;
}
