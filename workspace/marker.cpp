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
    // A window its own program hid is not ours to bring back. A style of 0,
    // a read that failed, marks: one on screen hidden unmarked would be lost.
    if (style != 0 && !IsShownStyle(style))
        return true;
    return MarkWindow(window);
}
