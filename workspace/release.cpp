#include "workspace/release.h"

#include "workspace/groups.h"
#include "workspace/maintenance.h"
#include "workspace/nowait.h"
#include "workspace/pendingwork.h"
#include "workspace/switching.h"

void ReleaseEveryWindow()
{
    // What the maintenance purge would drop is not shown again: the group on
    // screen is not polled between switches.
    PurgeAllUnmarkedHidden();
    BeginAnswerPass();
    // Minimised windows stay minimised and inactive; SW_SHOW keeps a
    // maximised window maximised.
    for (int group = 0; group < GroupCount; group++) {
        const Group &g = GroupTable[group];
        for (int i = 0; i < g.count; i++)
            ShowAndRelease(g.entries[i].window,
                           IsMinimizedShowCmd(g.entries[i].savedShowCmd) ? SW_SHOWMINNOACTIVE : SW_SHOW);
    }
    EndAnswerPass();
}

void HideGroupsNotShown()
{
    BeginAnswerPass();
    for (int group = 0; group < GroupCount; group++)
        if (group != CurrentGroup)
            HideAndMark(group);
    EndAnswerPass();
    // A window that stayed on screen unmarked may yet be hidden by its program.
    NotePending(HiddenGroupsToCheck);
}
