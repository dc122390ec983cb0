#include "workspace/marker.h"

const char HiddenMarkerName[] = "PlinthwiseHidden";

static BOOL CALLBACK RestoreIfMarked(HWND window, LPARAM)
{
    if (!GetPropA(window, HiddenMarkerName))
        return TRUE;
    RemovePropA(window, HiddenMarkerName);
    // A marked window its own program has shown again only loses the marker.
    // SW_SHOWNA shows the others as they were hidden, maximised, minimised or
    // snapped, without activating them.
    if (!IsWindowVisible(window))
        ShowWindow(window, SW_SHOWNA);
    return TRUE;
}

void RestoreMarkedWindows()
{
    EnumWindows(RestoreIfMarked, 0);
}
