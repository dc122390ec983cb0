#include "tray/notifyicon.h"

#include "shell/appstate.h"
#include "tray/icons.h"
#include "workspace/groups.h"

NOTIFYICONDATAA TrayIconData;

static const UINT TrayIconId = 1;
static const char FirstTip[] = "Plinthwise Group: 1";
static const char TipFormat[] = "Plinthwise Group: %d";

// The full layout, as the shell of every supported Windows takes it.
static_assert(sizeof(void *) != 8 || sizeof(NOTIFYICONDATAA) == 528, "NOTIFYICONDATAA is not in its full layout");

void AddTrayIcon()
{
    TrayIconData.hWnd = MainWindow;
    TrayIconData.cbSize = sizeof(NOTIFYICONDATAA);
    TrayIconData.uID = TrayIconId;
    TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayIconData.uCallbackMessage = TrayCallbackMessage;
    TrayIconData.hIcon = LoadIconA(NULL, IDI_APPLICATION);
    lstrcpynA(TrayIconData.szTip, FirstTip, sizeof TrayIconData.szTip);
    // A failed add leaves the icon absent until the next "TaskbarCreated".
    Shell_NotifyIconA(NIM_ADD, &TrayIconData);
    // After a re-created taskbar this shows the group that is current now.
    UpdateTrayIcon();
}

// The shell answers a modify only once it has worked through what came
// before it: right after a switch that is every shown and hidden window,
// up to a tenth of a second and more. A hotkey pressed meanwhile would wait
// for it. So a switch only asks for the update, and the update runs from a
// timer, which the system delivers only when no hotkey or other message is
// waiting; a burst of switches ends in one update, for the group shown last.
void RequestTrayUpdate()
{
    if (MainWindow && SetTimer(MainWindow, TrayUpdateTimerId, TrayUpdateDelay, nullptr))
        return;
    UpdateTrayIcon();  // no timer to be had: at once, as before
}

void OnTrayUpdateDue()
{
    KillTimer(MainWindow, TrayUpdateTimerId);
    UpdateTrayIcon();
}

void UpdateTrayIcon()
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
    Shell_NotifyIconA(NIM_MODIFY, &TrayIconData);
}
