// The notification-area icon: the current group's digit and tooltip.
#pragma once

#include "platform/platform.h"

extern NOTIFYICONDATAA TrayIconData;  // one record for every Shell_NotifyIconA call

// Adds the icon (at start and when the taskbar is re-created), then shows
// the current group on it.
void AddTrayIcon();
// Shows the current group's digit and tooltip on the icon; adds the icon
// instead while the notification area does not hold it.
void UpdateTrayIcon();
// Adds the icon again if the notification area does not hold it (a refused
// add at logon, or an icon found lost); called on every maintenance tick.
void RetryTrayIcon();
// Asks for UpdateTrayIcon once the thread has been idle for TrayUpdateDelay
// (the hotkey handler, after a switch changed the group on screen);
// a further request before then only postpones that one update.
void RequestTrayUpdate();
// The tray update timer came due.
void OnTrayUpdateDue();

// Room for a notice's text, its terminating zero included (szInfo).
const int TrayNoticeSize = 256;
// Shows text as a notice (a balloon) from the icon, under the program's
// name; false while the notification area does not hold the icon or
// refuses the notice.
bool ShowTrayNotice(const char *text);
