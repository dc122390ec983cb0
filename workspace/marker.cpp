#include "workspace/marker.h"

#include "workspace/nowait.h"

const char HiddenMarkerName[] = "PlinthwiseHidden";

bool MarkBeforeHide(HWND window)
{
    // A window already hidden by its own program gets no marker: it is not
    // ours to bring back. Hiding it again changes nothing.
    if (!IsWindowVisible(window))
        return true;
    return SetPropA(window, HiddenMarkerName, (HANDLE)1) != FALSE;
}

bool MarkersAwaitingShow;

bool UnmarkIfShown(HWND window)
{
    if (!IsWindowVisible(window))
        return false;
    RemovePropA(window, HiddenMarkerName);
    return true;
}

static BOOL CALLBACK RestoreIfMarked(HWND window, LPARAM queued)
{
    if (!GetPropA(window, HiddenMarkerName))
        return TRUE;
    // One whose program does not answer keeps it, visible or not (a hide may
    // still be queued for it): a show is queued behind whatever waits there.
    if (!IsAnswering(window)) {
        ShowOrQueue(window, SW_SHOWNA, false);
        ++*(int *)queued;
        return TRUE;
    }
    // A marked window its own program has shown again only loses the marker.
    // SW_SHOWNA shows the others as they were hidden, maximised, minimised or
    // snapped, without activating them.
    if (!IsWindowVisible(window))
        ShowWindow(window, SW_SHOWNA);
    // Removed only once the window is back: one the show left hidden keeps
    // it for the next pass.
    UnmarkIfShown(window);
    return TRUE;
}

int RestoreMarkedWindows()
{
    int queued = 0;
    EnumWindows(RestoreIfMarked, (LPARAM)&queued);
    return queued;
}
