// Adoption: windows join the group on screen between switches.
#include "workspace/adoption.h"

#include "workspace/eligibility.h"
#include "workspace/groups.h"
#include "workspace/marker.h"
#include "workspace/nowait.h"

static BOOL CALLBACK AdoptIfUnseen(HWND window, LPARAM)
{
    // The table is asked first: a window that has a group is passed over
    // without a single call to the window manager, so that a tick or the
    // adoption of a switch costs next to nothing once the desktop is known.
    // The outcome is the same in either order.
    if (!FindInAnyGroup(window) && IsEligibleWindow(window)) {
        AddWindowToGroup(CurrentGroup, window);
        // On screen and still marked: a recovery pass queued its show
        // behind a hang, which leaves it on screen whatever runs, or it has
        // run since. A marked window with nothing of ours queued whose
        // program does not answer may still have a hide queued by a copy
        // that is gone: it keeps the marker.
        if (IsMarked(window) && (HasQueuedCalls(window) || CallsRunAtOnce(window)))
            ReleaseMarkerIfBack(window);
    }
    return TRUE;
}

void AdoptUnseenWindow(HWND window)
{
    AdoptIfUnseen(window, 0);
}

void AdoptUnseenWindows()
{
    EnumWindows(AdoptIfUnseen, 0);
}
