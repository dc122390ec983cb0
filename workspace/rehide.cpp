#include "workspace/rehide.h"

#include "workspace/groups.h"
#include "workspace/nowait.h"
#include "workspace/pendingwork.h"
#include "workspace/switching.h"

void HideGroupsNotShown()
{
    BeginAnswerPass();
    for (int group = 0; group < GroupCount; group++)
        if (group != CurrentGroup)
            HideAndMark(group);
    EndAnswerPass();
    // A window that stayed on screen unmarked may yet be hidden by its program.
    PendingWork.hiddenGroupsToCheck = true;
}
