// Windows moves the visible windows of a monitor that goes away (a laptop
// undocked) onto one that remains; hidden ones keep coordinates where no
// monitor is, where the user could neither see nor reach them shown.
#include "workspace/monitorfit.h"

#include "workspace/groups.h"
#include "workspace/nowait.h"

static const UINT MoveFlags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;

// Read once for a whole group: where a window stands is one cheap read,
// while asking which monitor holds it costs several times that (Wine
// refreshes its display cache each time). More are asked window by window.
static const int MonitorAreaLimit = 16;
static struct {
    RECT area[MonitorAreaLimit];
    int count;
} MonitorAreas;

static BOOL CALLBACK NoteMonitorArea(HMONITOR, HDC, LPRECT area, LPARAM)
{
    if (MonitorAreas.count == MonitorAreaLimit)
        return FALSE;
    MonitorAreas.area[MonitorAreas.count++] = *area;
    return TRUE;
}

void ReadMonitorAreas()
{
    MonitorAreas.count = 0;
    if (!EnumDisplayMonitors(nullptr, nullptr, NoteMonitorArea, 0))
        MonitorAreas.count = 0;
}

// Only a yes is sure: a minimised window stands at (-32000, -32000) and is
// judged by where it stood before, which only the window manager says.
static bool MeetsMonitorRead(const RECT &r)
{
    for (int i = 0; i < MonitorAreas.count; i++) {
        const RECT &m = MonitorAreas.area[i];
        if (r.left < m.right && m.left < r.right && r.top < m.bottom && m.top < r.bottom)
            return true;
    }
    return false;
}

// Moves the span [start, end) into [low, high) as little as it can, cut to
// that length where longer.
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

// Placements are in workspace coordinates: screen coordinates less this, the
// offset of the primary monitor's work area.
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

bool BringOntoMonitor(HWND window)
{
    RECT where;
    if (!GetWindowRect(window, &where))
        return IsWindow(window) != FALSE;
    if (MeetsMonitorRead(where))
        return true;
    if (MonitorFromWindow(window, MONITOR_DEFAULTTONULL))
        return true;
    MONITORINFO nearest = {};
    nearest.cbSize = sizeof nearest;
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &nearest) ||
        !GetWindowPlacement(window, &placement))
        return true;
    const RECT &work = nearest.rcWork;
    if (placement.showCmd != SW_SHOWMAXIMIZED && !IsMinimizedShowCmd(placement.showCmd)) {
        // Normal or snapped: moved where it stands, and left hidden.
        RECT r;
        if (!GetWindowRect(window, &r))
            return true;
        FitSpan(r.left, r.right, work.left, work.right);
        FitSpan(r.top, r.bottom, work.top, work.bottom);
        MoveNoWait(window, r, MoveFlags);
        return true;
    }
    // Maximised or minimised: the placement's normal rectangle says where it
    // goes when restored, and where a maximised window is maximised.
    POINT origin;
    if (!ReadWorkspaceOrigin(&origin))
        return true;
    RECT &normal = placement.rcNormalPosition;
    FitSpan(normal.left, normal.right, work.left - origin.x, work.right - origin.x);
    FitSpan(normal.top, normal.bottom, work.top - origin.y, work.bottom - origin.y);
    // No command maximises without showing: a maximised window is shown here,
    // ahead of its group; a minimised one stays hidden.
    placement.showCmd = placement.showCmd == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_HIDE;
    placement.flags &= WPF_RESTORETOMAXIMIZED;
    PlaceNoWait(window, placement);
    return true;
}
