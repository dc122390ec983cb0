#include "shell/shutdown.h"

#include "shell/appstate.h"
#include "shell/hotkeys.h"
#include "tray/icons.h"
#include "tray/notifyicon.h"
#include "workspace/groups.h"
#include "workspace/maintenance.h"

void Shutdown()
{
    // The hook goes first: it runs while a show waits for another program's
    // thread, and would move the window just shown into the current group
    // while the release walks the groups, which then skips an entry.
    if (ForegroundHook)
        UnhookWinEvent(ForegroundHook);
    ReleaseEveryWindow();
    UnregisterHotkeys();
    Shell_NotifyIconA(NIM_DELETE, &TrayIconData);
    for (int i = 0; i < GroupCount; i++)
        if (GroupIcons[i])
            DestroyIcon(GroupIcons[i]);
}
