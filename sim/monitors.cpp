// Displays of the simulated desktop: the monitors and their work areas, the
// user32 calls that find and describe them, and a monitor being unplugged.
#include "sim/desktop.h"

#include <algorithm>

namespace sim {

const std::vector<Monitor> &Monitors()
{
    Desktop &d = D();
    if (d.monitors.empty()) {
        RECT screen = {0, 0, d.screenWidth, d.screenHeight};
        d.monitors.push_back({(HMONITOR)d.nextMonitor, screen, screen});
        d.nextMonitor += 4;
    }
    return d.monitors;
}

static LONG Overlap(LONG a0, LONG a1, LONG b0, LONG b1) { return std::max((LONG)0, std::min(a1, b1) - std::max(a0, b0)); }

static LONG Gap(LONG a0, LONG a1, LONG b0, LONG b1) { return std::max((LONG)0, std::max(b0 - a1, a0 - b1)); }

const Monitor *MonitorOfRect(const RECT &r, DWORD flags)
{
    const std::vector<Monitor> &all = Monitors();
    const Monitor *best = nullptr;
    long long bestArea = 0;
    for (const Monitor &m : all) {
        long long area = (long long)Overlap(r.left, r.right, m.area.left, m.area.right) *
                         Overlap(r.top, r.bottom, m.area.top, m.area.bottom);
        if (area > bestArea)
            best = &m, bestArea = area;
    }
    if (best || flags == MONITOR_DEFAULTTONULL)
        return best;
    if (flags == MONITOR_DEFAULTTOPRIMARY)
        return &all.front();
    long long bestDistance = -1;
    for (const Monitor &m : all) {
        long long dx = Gap(r.left, r.right, m.area.left, m.area.right);
        long long dy = Gap(r.top, r.bottom, m.area.top, m.area.bottom);
        if (bestDistance < 0 || dx * dx + dy * dy < bestDistance)
            best = &m, bestDistance = dx * dx + dy * dy;
    }
    return best;
}

static void MoveSpanInto(LONG &start, LONG &end, LONG low, LONG high)
{
    LONG length = std::min(end - start, high - low);
    start = std::max(low, std::min(start, high - length));
    end = start + length;
}

RECT MoveInto(RECT r, const RECT &area)
{
    MoveSpanInto(r.left, r.right, area.left, area.right);
    MoveSpanInto(r.top, r.bottom, area.top, area.bottom);
    return r;
}

POINT WorkspaceOrigin()
{
    const Monitor &primary = Monitors().front();
    return {primary.work.left - primary.area.left, primary.work.top - primary.area.top};
}

static Monitor *FindMonitor(HMONITOR handle)
{
    Monitors();
    for (Monitor &m : D().monitors)
        if (m.handle == handle)
            return &m;
    return nullptr;
}

HMONITOR PrimaryMonitor() { return Monitors().front().handle; }

HMONITOR AddMonitor(RECT area, RECT work)
{
    Monitors();
    Desktop &d = D();
    HMONITOR h = (HMONITOR)d.nextMonitor;
    d.nextMonitor += 4;
    d.monitors.push_back({h, area, work});
    return h;
}

void SetWorkArea(HMONITOR monitor, RECT work)
{
    if (Monitor *m = FindMonitor(monitor))
        m->work = work;
}

void RemoveMonitor(HMONITOR monitor)
{
    Desktop &d = D();
    Monitor *gone = FindMonitor(monitor);
    if (!gone || gone == &d.monitors.front())
        return;  // the primary monitor stays
    d.monitors.erase(d.monitors.begin() + (gone - d.monitors.data()));
    // Windows moves the windows that stood on a display that goes away onto
    // one that remains, but only those that are visible: a hidden window
    // keeps coordinates where no display is any more.
    for (HWND h : d.zorder) {
        Window &w = *Find(h);
        if (!w.visible || MonitorOfRect(w.rect, MONITOR_DEFAULTTONULL))
            continue;
        const RECT &work = MonitorOfRect(w.rect, MONITOR_DEFAULTTONEAREST)->work;
        w.normalRect = MoveInto(w.normalRect, work);
        w.rect = w.maximized ? work : MoveInto(w.rect, work);
    }
}

} // namespace sim

using namespace sim;

HMONITOR MonitorFromWindow(HWND window, DWORD flags)
{
    Log("MonitorFromWindow", "%s, %lu", Label(window).c_str(), (unsigned long)flags);
    Window *w = Find(window);
    if (!w)
        return flags == MONITOR_DEFAULTTONULL ? nullptr : Monitors().front().handle;
    // A minimised window is judged by where it stood before it was minimised,
    // which is what its rect still holds here.
    const Monitor *m = MonitorOfRect(w->rect, flags);
    return m ? m->handle : nullptr;
}

// The whole desktop only (no device context, no clip): all the program asks.
BOOL EnumDisplayMonitors(HDC dc, const RECT *clip, MONITORENUMPROC proc, LPARAM data)
{
    Log("EnumDisplayMonitors", "");
    if (dc || clip || !proc || ShouldFail("EnumDisplayMonitors"))
        return FALSE;
    std::vector<Monitor> all = Monitors();  // a copy: the callback may change them
    for (Monitor &m : all)
        if (!proc(m.handle, nullptr, &m.area, data))
            break;
    return TRUE;
}

HMONITOR MonitorFromPoint(POINT point, DWORD flags)
{
    Log("MonitorFromPoint", "%ld, %ld, %lu", (long)point.x, (long)point.y, (unsigned long)flags);
    const Monitor *m = MonitorOfRect({point.x, point.y, point.x + 1, point.y + 1}, flags);
    return m ? m->handle : nullptr;
}

BOOL GetMonitorInfoA(HMONITOR monitor, LPMONITORINFO info)
{
    Log("GetMonitorInfoA", "%#lx", (unsigned long)(uintptr_t)monitor);
    Monitor *m = FindMonitor(monitor);
    if (!m || !info || info->cbSize < sizeof(MONITORINFO) || ShouldFail("GetMonitorInfoA"))
        return FALSE;
    info->rcMonitor = m->area;
    info->rcWork = m->work;
    info->dwFlags = m == &D().monitors.front() ? MONITORINFOF_PRIMARY : 0;
    return TRUE;
}
