#include "shell/shutdown.h"

#include "shell/appstate.h"
#include "shell/hotkeys.h"
#include "tray/icons.h"
#include "tray/notifyicon.h"
#include "workspace/groups.h"
#include "workspace/maintenance.h"
#include "workspace/marker.h"
#include "workspace/nowait.h"

// Every window of every group, the current one included, is shown with a
// command that keeps its state: minimised ones stay minimised and inactive,
// SW_SHOW keeps a maximised window maximised.
static void ReleaseManagedWindows()
{
    for (int group = 0; group < GroupCount; group++) {
        const Group &g = GroupTable[group];
        for (int i = 0; i < g.count; i++) {
            HWND w = g.entries[i].window;
            if (!IsWindow(w))
                continue;
            // A window whose program does not answer is shown when it does,
            // and keeps its marker for the watcher until then. Otherwise the
            // marker goes after the show, and only if it worked.
            bool answering = IsAnswering(w);
            ShowOrQueue(w, IsMinimizedShowCmd(g.entries[i].savedShowCmd) ? SW_SHOWMINNOACTIVE : SW_SHOW, answering);
            if (answering)
                UnmarkIfShown(w);
        }
    }
}

void ReleaseEveryWindow()
{
    // What the maintenance purge would drop is not shown again: the group on
    // screen is not polled between switches.
    PurgeAllUnmarkedHidden();
    BeginAnswerPass();
    ReleaseManagedWindows();
    EndAnswerPass();
}

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
