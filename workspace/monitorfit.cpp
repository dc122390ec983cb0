// Windows moves the windows of a monitor that goes away (a laptop undocked)
// onto one that remains, but only visible ones: the windows of hidden groups
// keep coordinates where no monitor is, and shown there the user could
// neither see nor reach them. So each is brought onto a monitor before its
// group is shown.
#include "workspace/monitorfit.h"

// Moves the span [start, end) into [low, high), cut down to that length where
// it is longer, as little as it can.
static void FitSpan(LONG &start, LONG &end, LONG low, LONG high)
{
    LONG length = end - start;
    if (length > high - low)
        length = high - low;
    if (start > high - length)
        start = high - length;
    if (start < low)
        start = low;
    end = start + length;
}

// Placements are in workspace coordinates, whose origin is the top left of
// the primary monitor's work area: screen coordinates less this offset.
static bool ReadWorkspaceOrigin(POINT *origin)
{
    MONITORINFO primary = {};
    primary.cbSize = sizeof primary;
    if (!GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary))
        return false;
    origin->x = primary.rcWork.left - primary.rcMonitor.left;
    origin->y = primary.rcWork.top - primary.rcMonitor.top;
    return true;
}

void BringOntoMonitor(HWND window)
{
    // A minimised window is judged by where it stood before it was minimised.
    if (MonitorFromWindow(window, MONITOR_DEFAULTTONULL))
        return;
    MONITORINFO nearest = {};
    nearest.cbSize = sizeof nearest;
    POINT origin;
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &nearest) ||
        !ReadWorkspaceOrigin(&origin) || !GetWindowPlacement(window, &placement))
        return;
    RECT &normal = placement.rcNormalPosition;
    const RECT &work = nearest.rcWork;
    FitSpan(normal.left, normal.right, work.left - origin.x, work.right - origin.x);
    FitSpan(normal.top, normal.bottom, work.top - origin.y, work.bottom - origin.y);
    // The normal rectangle is where the window goes when restored, and the
    // monitor a maximised window is maximised on. A window in any other
    // state stays hidden; its group's show brings it back.
    placement.showCmd = placement.showCmd == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_HIDE;
    placement.flags &= WPF_RESTORETOMAXIMIZED;
    SetWindowPlacement(window, &placement);
}
