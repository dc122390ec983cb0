#include "workspace/marker.h"

#include "workspace/eligibility.h"

const char HiddenMarkerName[] = "PlinthwiseHidden";

bool IsMarked(HWND window)
{
    return GetPropA(window, HiddenMarkerName) != nullptr;
}

bool MarkWindow(HWND window)
{
    return SetPropA(window, HiddenMarkerName, (HANDLE)1) != FALSE;
}

void UnmarkWindow(HWND window)
{
    RemovePropA(window, HiddenMarkerName);
}

bool MarkBeforeHide(HWND window, DWORD style)
{
    // A window already hidden by its own program gets no marker: it is not
    // ours to bring back. Hiding it again changes nothing. A style of 0 is a
    // read that failed (or a window gone, which takes no marker): one on
    // screen hidden unmarked would be dropped by the purge, and lost.
    if (style != 0 && !IsShownStyle(style))
        return true;
    return MarkWindow(window);
}
