#include "workspace/marker.h"

#include "workspace/eligibility.h"
#include "workspace/nowait.h"

const char HiddenMarkerName[] = "PlinthwiseHidden";

bool MarkBeforeHide(HWND window, DWORD style)
{
    // A window already hidden by its own program gets no marker: it is not
    // ours to bring back. Hiding it again changes nothing.
    if (!IsShownStyle(style))
        return true;
    return SetPropA(window, HiddenMarkerName, (HANDLE)1) != FALSE;
}

bool MarkersAwaitingShow;

bool UnmarkIfShown(HWND window)
{
    // One read of the style: only top-level windows carry the marker, and
    // the desktop above them is always visible.
    if (!IsShownStyle((DWORD)GetWindowLongA(window, GWL_STYLE)))
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
    BeginAnswerPass();
    EnumWindows(RestoreIfMarked, (LPARAM)&queued);
    EndAnswerPass();
    return queued;
}
