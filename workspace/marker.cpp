#include "workspace/marker.h"

#include "workspace/nowait.h"

const char HiddenMarkerName[] = "PlinthwiseHidden";

static BOOL CALLBACK RestoreIfMarked(HWND window, LPARAM queued)
{
    if (!GetPropA(window, HiddenMarkerName))
        return TRUE;
    // One whose program does not answer keeps it, visible or not (a hide may
    // still be queued for it): a show is queued behind whatever waits there.
    if (!IsAnswering(window)) {
        ShowOrQueue(window, SW_SHOWNOACTIVATE, false);
        ++*(int *)queued;
        return TRUE;
    }
    // A marked window its own program has shown again only loses the marker.
    if (IsWindowVisible(window)) {
        RemovePropA(window, HiddenMarkerName);
        return TRUE;
    }
    RemovePropA(window, HiddenMarkerName);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    return TRUE;
}

int RestoreMarkedWindows()
{
    int queued = 0;
    EnumWindows(RestoreIfMarked, (LPARAM)&queued);
    return queued;
}
