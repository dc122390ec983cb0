// Windows of the simulated desktop: records, Z order, show states,
// properties and the foreground, with the user32 calls that read and change
// them and the control calls through which other programs act.
#include "sim/desktop.h"
#include "sim/sim_tray.h"

#include <string.h>
#include <algorithm>

namespace sim {

static const DWORD ProgramPid = 1000;   // the program under test
static const DWORD ExplorerPid = 1100;  // owner of the taskbar
static DWORD nextForeignPid = 2000;     // other programs

Window *Find(HWND window)
{
    auto it = D().windows.find(window);
    return it == D().windows.end() ? nullptr : &it->second;
}

std::string Label(HWND window)
{
    if (!window)
        return "0";
    Window *w = Find(window);
    if (w && !w->name.empty())
        return w->name;
    char text[32];
    snprintf(text, sizeof text, "%#lx", (unsigned long)(uintptr_t)window);
    return text;
}

bool IsTopLevel(const Window &w) { return w.parent == nullptr; }

void RaiseToTop(HWND window)
{
    std::vector<HWND> &z = D().zorder;
    auto it = std::find(z.begin(), z.end(), window);
    if (it == z.end())
        return;
    z.erase(it);
    z.insert(z.begin(), window);
}

static void PlaceAfter(HWND window, HWND after)
{
    std::vector<HWND> &z = D().zorder;
    auto it = std::find(z.begin(), z.end(), window);
    if (it == z.end())
        return;
    z.erase(it);
    if (after == HWND_TOP) {
        z.insert(z.begin(), window);
    } else if (after == HWND_BOTTOM) {
        z.push_back(window);
    } else {
        auto pos = std::find(z.begin(), z.end(), after);
        z.insert(pos == z.end() ? z.end() : pos + 1, window);
    }
}

void PostEvent(DWORD event, HWND window) { D().events.push_back({event, window, D().now}); }

static bool CanActivate(const Window &w)
{
    return w.visible && !(w.style & WS_DISABLED) && IsTopLevel(w);
}

// As the window manager does when the active window is hidden or goes away:
// the next window below it that can be active, else the first from the top.
void ActivateOther(HWND leaving)
{
    Desktop &d = D();
    std::vector<HWND> &z = d.zorder;
    auto it = std::find(z.begin(), z.end(), leaving);
    HWND next = nullptr;
    if (it != z.end()) {
        for (auto j = it + 1; j != z.end() && !next; ++j)
            if (CanActivate(*Find(*j)))
                next = *j;
    }
    for (auto j = z.begin(); j != z.end() && !next && *j != leaving; ++j)
        if (CanActivate(*Find(*j)))
            next = *j;
    d.foreground = next;
    if (next)
        PostEvent(EVENT_SYSTEM_FOREGROUND, next);
}

void SetForegroundInternal(HWND window)
{
    Desktop &d = D();
    RaiseToTop(window);
    if (d.foreground == window)
        return;
    d.foreground = window;
    PostEvent(EVENT_SYSTEM_FOREGROUND, window);
}

static void Minimize(Window &w)
{
    if (!w.minimized) {
        w.restoreToMaximized = w.maximized;
        w.minimized = true;
        w.maximized = false;
    }
}

// "If the window is minimized, maximized, or arranged, the system restores
// it to its original size and position": a minimised window goes back to the
// state it was minimised from, any other to its normal rectangle.
static void Restore(Window &w)
{
    if (w.minimized) {
        w.minimized = false;
        w.maximized = w.restoreToMaximized;
    } else {
        w.maximized = false;
        w.arranged = false;
        w.rect = w.normalRect;
    }
}

// Maximised on the monitor that holds the window's normal rectangle, over
// that monitor's work area.
static void Maximize(Window &w)
{
    w.minimized = false;
    w.maximized = true;
    w.arranged = false;
    if (IsTopLevel(w))
        w.rect = MonitorOfRect(w.normalRect, MONITOR_DEFAULTTONEAREST)->work;
}

// ShowWindow as the window manager carries it out, whoever calls it.
void ShowInternal(Window &w, int command)
{
    Desktop &d = D();
    HWND h = w.handle;
    bool top = IsTopLevel(w);
    switch (command) {
    case SW_HIDE:
        if (!w.visible)
            return;
        w.visible = false;
        if (d.foreground == h)
            ActivateOther(h);
        return;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
        Restore(w);
        w.visible = true;
        if (top)
            SetForegroundInternal(h);
        return;
    // "Similar to SW_SHOWNORMAL, except that the window is not activated":
    // it restores, as Wine does too.
    case SW_SHOWNOACTIVATE: {
        bool wasMinimized = w.minimized;
        Restore(w);
        w.visible = true;
        // A window restored from minimised gets the focus, which activates
        // it when its program has the foreground.
        Window *fg = Find(d.foreground);
        if (wasMinimized && top && (!fg || fg->pid == w.pid))
            SetForegroundInternal(h);
        return;
    }
    case SW_SHOWMINIMIZED:
        Minimize(w);
        w.visible = true;
        if (top)
            SetForegroundInternal(h);
        return;
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
        Minimize(w);
        w.visible = true;
        if (d.foreground == h)
            ActivateOther(h);
        return;
    case SW_SHOWMAXIMIZED:
        if (!w.maximized)
            Maximize(w);  // one already maximised stays where it is
        w.visible = true;
        if (top)
            SetForegroundInternal(h);
        return;
    // "Activates the window and displays it in its current size and
    // position": minimised, maximised or arranged, it stays so.
    case SW_SHOW:
        w.visible = true;
        if (top)
            SetForegroundInternal(h);
        return;
    // "Displays the window in its current size and position", like SW_SHOW,
    // but the active window stays active. A hidden top-level window goes to
    // the top of the Z order as it appears (as on Wine).
    case SW_SHOWNA:
        if (!w.visible && top)
            RaiseToTop(h);
        w.visible = true;
        return;
    default:
        return;
    }
}

static HWND NewHandle()
{
    HWND h = (HWND)D().nextHandle;
    D().nextHandle += 4;
    return h;
}

// ---- control side --------------------------------------------------------

DWORD ProgramProcessId() { return ProgramPid; }

void AddProcess(DWORD pid, const char *image);  // the process table, sim/process.cpp

DWORD StartForeignProcess(const char *image)
{
    DWORD pid = nextForeignPid++;
    AddProcess(pid, image);
    return pid;
}

HWND MakeWindow(const char *className, const char *title, DWORD style, DWORD exStyle, int showCmd, DWORD pid,
                HWND owner)
{
    Desktop &d = D();
    if (Window *o = Find(owner))
        pid = o->pid;
    if (pid == 0) {
        if (d.defaultForeignPid == 0)
            d.defaultForeignPid = StartForeignProcess("app.exe");
        pid = d.defaultForeignPid;
    }
    HWND h = NewHandle();
    Window &w = d.windows[h];
    w.handle = h;
    w.pid = pid;
    w.className = className ? className : "";
    w.title = title ? title : "";
    w.style = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
    w.exStyle = exStyle;
    w.rect = w.normalRect = {100, 100, 740, 580};
    w.owner = Find(owner) ? owner : nullptr;
    d.zorder.insert(d.zorder.begin(), h);
    if (showCmd != SW_HIDE)
        ShowInternal(w, showCmd);
    return h;
}

HWND MakeTaskbar()
{
    HWND h = MakeWindow("Shell_TrayWnd", "", WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, SW_SHOWNA,
                        ExplorerPid);
    Name(h, "Taskbar");
    return h;
}

void OwnerShow(HWND window, int showCmd)
{
    if (Window *w = Find(window))
        ShowInternal(*w, showCmd);
}

void Retitle(HWND window, const char *title)
{
    if (Window *w = Find(window))
        w->title = title ? title : "";
}

void SetStyles(HWND window, DWORD style, DWORD exStyle)
{
    if (Window *w = Find(window)) {
        w->style = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
        w->exStyle = exStyle;
    }
}

void Destroy(HWND window) { DestroyInternal(window); }

void Place(HWND window, RECT rect)
{
    Window *w = Find(window);
    if (!w)
        return;
    w->rect = rect;
    if (!w->minimized && !w->maximized && !w->arranged)
        w->normalRect = rect;
}

void Snap(HWND window, RECT rect)
{
    Window *w = Find(window);
    if (!w)
        return;
    w->minimized = w->maximized = false;
    w->arranged = true;
    w->rect = rect;
}

void OwnerSetProp(HWND window, const char *name, UINT_PTR value)
{
    if (Window *w = Find(window))
        w->props[name] = (HANDLE)value;
}

void MarkPrivileged(HWND window)
{
    if (Window *w = Find(window))
        w->privileged = true;
}

// User Interface Privilege Isolation: a process may change a window only if
// the window's process runs at the same or a lower integrity level. SetProp
// and RemoveProp document the refusal with ERROR_ACCESS_DENIED; ShowWindow,
// SetWindowPos and DeferWindowPos leave a higher-integrity window as it is.
// Reading the window (visibility, properties, placement, text) stays open.
bool Refused(const Window &w)
{
    if (!w.privileged)
        return false;
    SetLastError(ERROR_ACCESS_DENIED);
    return true;
}

void Activate(HWND window)
{
    if (Find(window))
        SetForegroundInternal(window);
}

bool Exists(HWND window) { return Find(window) != nullptr; }
bool Visible(HWND window)
{
    Window *w = Find(window);
    return w && w->visible;
}

UINT ShowState(HWND window)
{
    Window *w = Find(window);
    if (!w)
        return 0;
    return w->minimized ? SW_SHOWMINIMIZED : w->maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
}

RECT Bounds(HWND window)
{
    Window *w = Find(window);
    return w ? w->rect : RECT{0, 0, 0, 0};
}

RECT NormalBounds(HWND window)
{
    Window *w = Find(window);
    return w ? w->normalRect : RECT{0, 0, 0, 0};
}

bool HasProp(HWND window, const char *name)
{
    Window *w = Find(window);
    return w && w->props.count(name) != 0;
}

std::vector<HWND> ZOrder() { return D().zorder; }

std::vector<HWND> VisibleZOrder()
{
    std::vector<HWND> out;
    for (HWND h : D().zorder)
        if (Find(h)->visible)
            out.push_back(h);
    return out;
}

HWND Foreground() { return D().foreground; }

DWORD OwnerOf(HWND window)
{
    Window *w = Find(window);
    return w ? w->pid : 0;
}

std::string Title(HWND window)
{
    Window *w = Find(window);
    return w ? w->title : std::string();
}

std::string ClassOf(HWND window)
{
    Window *w = Find(window);
    return w ? w->className : std::string();
}

std::vector<HWND> ChildrenOf(HWND window)
{
    Window *w = Find(window);
    return w ? w->children : std::vector<HWND>();
}

size_t WindowCount() { return D().zorder.size(); }

void Name(HWND window, const std::string &name)
{
    if (Window *w = Find(window))
        w->name = name;
}

std::string NameOf(HWND window) { return Label(window); }

} // namespace sim

// ---- user32: reading and changing windows ---------------------------------

using namespace sim;

BOOL IsWindow(HWND window)
{
    Log("IsWindow", "%s", Label(window).c_str());
    return Find(window) != nullptr;
}

BOOL IsWindowVisible(HWND window)
{
    Log("IsWindowVisible", "%s", Label(window).c_str());
    Window *w = Find(window);
    if (!w)
        return FALSE;
    // Visible only if every ancestor is visible too.
    for (Window *p = w; p; p = p->parent ? Find(p->parent) : nullptr)
        if (!p->visible)
            return FALSE;
    return TRUE;
}

BOOL IsIconic(HWND window)
{
    Window *w = Find(window);
    return w && w->minimized;
}

BOOL IsZoomed(HWND window)
{
    Window *w = Find(window);
    return w && w->maximized;
}

static DWORD FullStyle(const Window &w)
{
    return w.style | (w.visible ? WS_VISIBLE : 0) | (w.minimized ? WS_MINIMIZE : 0) |
           (w.maximized ? WS_MAXIMIZE : 0);
}

LONG GetWindowLongA(HWND window, int index)
{
    Log("GetWindowLongA", "%s, %d", Label(window).c_str(), index);
    Window *w = Find(window);
    if (!w || ShouldFail("GetWindowLongA"))
        return 0;
    switch (index) {
    case GWL_STYLE:
        return (LONG)FullStyle(*w);
    case GWL_EXSTYLE:
        return (LONG)w->exStyle;
    case GWL_ID:
        return w->controlId;
    default:
        return 0;
    }
}

LONG_PTR GetWindowLongPtrA(HWND window, int index)
{
    Log("GetWindowLongPtrA", "%s, %d", Label(window).c_str(), index);
    Window *w = Find(window);
    if (!w)
        return 0;
    if (index == GWLP_HINSTANCE)
        return (LONG_PTR)w->instance;
    if (index == GWL_STYLE || index == GWL_EXSTYLE || index == GWL_ID) {
        SetLogging(false);
        LONG v = GetWindowLongA(window, index);
        SetLogging(true);
        return v;
    }
    return 0;
}

// Copies at most max - 1 characters and a terminator, as user32 does.
static int CopyText(const std::string &text, LPSTR out, int max)
{
    if (!out || max <= 0)
        return 0;
    int n = std::min((int)text.size(), max - 1);
    memcpy(out, text.data(), n);
    out[n] = 0;
    return n;
}

int GetWindowTextA(HWND window, LPSTR text, int max)
{
    Log("GetWindowTextA", "%s", Label(window).c_str());
    Window *w = Find(window);
    if (!w || ShouldFail("GetWindowTextA")) {
        if (text && max > 0)
            text[0] = 0;
        return 0;
    }
    return CopyText(w->title, text, max);
}

BOOL SetWindowTextA(HWND window, LPCSTR text)
{
    Log("SetWindowTextA", "%s", Label(window).c_str());
    Window *w = Find(window);
    if (!w)
        return FALSE;
    w->title = text ? text : "";
    return TRUE;
}

int GetClassNameA(HWND window, LPSTR name, int max)
{
    Log("GetClassNameA", "%s", Label(window).c_str());
    Window *w = Find(window);
    if (!w || ShouldFail("GetClassNameA")) {
        if (name && max > 0)
            name[0] = 0;
        return 0;
    }
    return CopyText(w->className, name, max);
}

DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId)
{
    Window *w = Find(window);
    if (!w)
        return 0;
    if (processId)
        *processId = w->pid;
    return w->pid + 1;
}

HWND GetParent(HWND window)
{
    Window *w = Find(window);
    return w ? w->parent : nullptr;
}

HWND FindWindowA(LPCSTR className, LPCSTR title)
{
    Log("FindWindowA", "%s, %s", className ? className : "0", title ? title : "0");
    if (ShouldFail("FindWindowA"))
        return nullptr;
    for (HWND h : D().zorder) {
        Window &w = *Find(h);
        if (className && w.className != className)
            continue;
        if (title && w.title != title)
            continue;
        return h;
    }
    return nullptr;
}

BOOL GetWindowRect(HWND window, LPRECT rect)
{
    Log("GetWindowRect", "%s", Label(window).c_str());
    Window *w = Find(window);
    if (!w || !rect)
        return FALSE;
    *rect = w->rect;
    return TRUE;
}

// The client area less the frame and caption of a captioned window, in the
// sizes Windows 10 gives them at 96 dpi, scaled to the resolution as for a
// per-monitor aware process.
BOOL GetClientRect(HWND window, LPRECT rect)
{
    Log("GetClientRect", "%s", Label(window).c_str());
    Window *w = Find(window);
    if (!w || !rect)
        return FALSE;
    LONG width = w->rect.right - w->rect.left, height = w->rect.bottom - w->rect.top;
    if ((w->style & WS_CAPTION) == WS_CAPTION) {
        const int Frame = 3, Caption = 23;
        width -= 2 * MulDiv(Frame, Dpi(), 96);
        height -= 2 * MulDiv(Frame, Dpi(), 96) + MulDiv(Caption, Dpi(), 96);
    }
    *rect = RECT{0, 0, width > 0 ? width : 0, height > 0 ? height : 0};
    return TRUE;
}

// "If the window is a top-level window that does not have the
// WS_EX_TOOLWINDOW window style", its placement is in workspace coordinates.
static bool UsesWorkspaceCoordinates(const Window &w) { return IsTopLevel(w) && !(w.exStyle & WS_EX_TOOLWINDOW); }

static void OffsetBy(RECT &r, LONG dx, LONG dy)
{
    r.left += dx, r.right += dx;
    r.top += dy, r.bottom += dy;
}

BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT *placement)
{
    Log("GetWindowPlacement", "%s", Label(window).c_str());
    Window *w = Find(window);
    if (!w || !placement || ShouldFail("GetWindowPlacement"))
        return FALSE;
    placement->flags = w->minimized && w->restoreToMaximized ? WPF_RESTORETOMAXIMIZED : 0;
    placement->showCmd = ShowState(window);
    placement->ptMinPosition = {-1, -1};
    placement->ptMaxPosition = {-1, -1};
    placement->rcNormalPosition = w->normalRect;
    if (UsesWorkspaceCoordinates(*w))
        OffsetBy(placement->rcNormalPosition, -WorkspaceOrigin().x, -WorkspaceOrigin().y);
    return TRUE;
}

// The normal rectangle is taken, then the show command carried out; a
// maximised window is maximised again, onto the monitor of its new normal
// rectangle. A window in its normal state moves there at once, shown or not.
BOOL SetWindowPlacement(HWND window, const WINDOWPLACEMENT *placement)
{
    Log("SetWindowPlacement", "%s, %u", Label(window).c_str(), placement ? placement->showCmd : 0u);
    Window *w = Find(window);
    if (!w || !placement || placement->length != sizeof(WINDOWPLACEMENT) || ShouldFail("SetWindowPlacement"))
        return FALSE;
    // WPF_ASYNCWINDOWPLACEMENT: the request is posted to the window's thread
    // rather than waited for, like SWP_ASYNCWINDOWPOS.
    WINDOWPLACEMENT copy = *placement;
    if ((placement->flags & WPF_ASYNCWINDOWPLACEMENT) && QueueIfHung(*w, (int)placement->showCmd, [=] {
            WINDOWPLACEMENT later = copy;
            later.flags &= ~WPF_ASYNCWINDOWPLACEMENT;
            SetWindowPlacement(window, &later);
        }))
        return TRUE;
    if (!(placement->flags & WPF_ASYNCWINDOWPLACEMENT)) {
        WaitForAnswer(*w);
        if (!(w = Find(window)))
            return FALSE;
    }
    w->normalRect = placement->rcNormalPosition;
    if (UsesWorkspaceCoordinates(*w))
        OffsetBy(w->normalRect, WorkspaceOrigin().x, WorkspaceOrigin().y);
    if (w->minimized)
        w->restoreToMaximized = (placement->flags & WPF_RESTORETOMAXIMIZED) != 0;
    else if (!w->maximized) {
        w->arranged = false;
        w->rect = w->normalRect;
    }
    if (placement->showCmd == SW_SHOWMAXIMIZED && w->maximized)
        Maximize(*w);
    ShowInternal(*w, (int)placement->showCmd);
    return TRUE;
}

BOOL ShowWindow(HWND window, int command)
{
    Log("ShowWindow", "%s, %d", Label(window).c_str(), command);
    Window *w = Find(window);
    if (!w || Refused(*w) || ShouldFail("ShowWindow"))
        return FALSE;
    WaitForAnswer(*w);
    if (!(w = Find(window)))
        return FALSE;
    BOOL wasVisible = w->visible;
    ShowInternal(*w, command);
    AfterCrossThreadCall(*w);
    return wasVisible;
}

BOOL SetPropA(HWND window, LPCSTR name, HANDLE data)
{
    Log("SetPropA", "%s, %s, %lu", Label(window).c_str(), name, (unsigned long)(uintptr_t)data);
    Window *w = Find(window);
    if (!w || !name || Refused(*w) || ShouldFail("SetPropA"))
        return FALSE;
    w->props[name] = data;
    return TRUE;
}

HANDLE GetPropA(HWND window, LPCSTR name)
{
    Log("GetPropA", "%s, %s", Label(window).c_str(), name);
    Window *w = Find(window);
    if (!w || !name)
        return nullptr;
    auto it = w->props.find(name);
    return it == w->props.end() ? nullptr : it->second;
}

HANDLE RemovePropA(HWND window, LPCSTR name)
{
    Log("RemovePropA", "%s, %s", Label(window).c_str(), name);
    Window *w = Find(window);
    if (!w || !name || Refused(*w))
        return nullptr;
    auto it = w->props.find(name);
    if (it == w->props.end())
        return nullptr;
    HANDLE value = it->second;
    w->props.erase(it);
    return value;
}

BOOL EnumWindows(WNDENUMPROC callback, LPARAM value)
{
    Log("EnumWindows", "");
    // A snapshot, as the window manager takes; windows destroyed during the
    // pass are skipped.
    std::vector<HWND> list = D().zorder;
    for (HWND h : list) {
        if (!Find(h))
            continue;
        if (!callback(h, value))
            break;
    }
    return TRUE;
}

HWND GetTopWindow(HWND window)
{
    Log("GetTopWindow", "%s", Label(window).c_str());
    if (window) {
        Window *w = Find(window);
        return w && !w->children.empty() ? w->children.front() : nullptr;
    }
    return D().zorder.empty() ? nullptr : D().zorder.front();
}

HWND GetWindow(HWND window, UINT command)
{
    Log("GetWindow", "%s, %u", Label(window).c_str(), command);
    Window *w = Find(window);
    if (!w)
        return nullptr;
    const std::vector<HWND> &list = w->parent ? Find(w->parent)->children : D().zorder;
    auto it = std::find(list.begin(), list.end(), window);
    switch (command) {
    case GW_HWNDNEXT:
        return it == list.end() || it + 1 == list.end() ? nullptr : *(it + 1);
    case GW_HWNDPREV:
        return it == list.begin() || it == list.end() ? nullptr : *(it - 1);
    case GW_HWNDFIRST:
        return list.empty() ? nullptr : list.front();
    case GW_HWNDLAST:
        return list.empty() ? nullptr : list.back();
    case GW_CHILD:
        return w->children.empty() ? nullptr : w->children.front();
    case GW_OWNER:
        return w->owner;
    default:
        return nullptr;
    }
}

// SetWindowPos as the window manager carries it out.
static void ApplyWindowPos(Window &w, HWND after, int x, int y, int cx, int cy, UINT flags)
{
    Desktop &d = D();
    HWND h = w.handle;
    if (!(flags & SWP_NOMOVE)) {
        LONG width = w.rect.right - w.rect.left, height = w.rect.bottom - w.rect.top;
        w.rect = {x, y, x + width, y + height};
    }
    if (!(flags & SWP_NOSIZE)) {
        w.rect.right = w.rect.left + cx;
        w.rect.bottom = w.rect.top + cy;
    }
    if (!w.minimized && !w.maximized && !w.arranged)
        w.normalRect = w.rect;
    if (flags & SWP_SHOWWINDOW)
        w.visible = true;
    if ((flags & SWP_HIDEWINDOW) && w.visible) {
        w.visible = false;
        if (d.foreground == h)
            ActivateOther(h);
    }
    if (!(flags & SWP_NOZORDER) && IsTopLevel(w))
        PlaceAfter(h, after);
    if (!(flags & SWP_NOACTIVATE) && !(flags & SWP_HIDEWINDOW) && IsTopLevel(w) && w.visible &&
        d.foreground != h) {
        d.foreground = h;
        PostEvent(EVENT_SYSTEM_FOREGROUND, h);
    }
}

struct DeferBatch {
    struct Item {
        HWND window, after;
        int x, y, cx, cy;
        UINT flags;
    };
    std::vector<Item> items;
};
static std::map<HDWP, DeferBatch> batches;
static uintptr_t nextBatch = 0x7000010;

HDWP BeginDeferWindowPos(int count)
{
    Log("BeginDeferWindowPos", "%d", count);
    if (count < 0 || ShouldFail("BeginDeferWindowPos"))
        return nullptr;
    HDWP h = (HDWP)nextBatch;
    nextBatch += 4;
    batches[h].items.reserve(count);
    return h;
}

HDWP DeferWindowPos(HDWP batch, HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    Log("DeferWindowPos", "%s, %s, %#06x", Label(window).c_str(), Label(insertAfter).c_str(), flags);
    auto it = batches.find(batch);
    if (it == batches.end())
        return nullptr;
    Window *w = Find(window);
    if (!w || Refused(*w) || ShouldFail("DeferWindowPos")) {
        // A failed deferral frees the whole batch, as user32 does.
        batches.erase(it);
        return nullptr;
    }
    it->second.items.push_back({window, insertAfter, x, y, cx, cy, flags});
    return batch;
}

BOOL EndDeferWindowPos(HDWP batch)
{
    Log("EndDeferWindowPos", "");
    auto it = batches.find(batch);
    if (it == batches.end())
        return FALSE;
    DeferBatch b = std::move(it->second);
    batches.erase(it);
    // A failed batch is freed all the same and moves no window.
    if (ShouldFail("EndDeferWindowPos"))
        return FALSE;
    // The batch is carried out when every thread owning one of its windows
    // has answered.
    bool crossThread = false;
    for (const DeferBatch::Item &i : b.items)
        if (Window *w = Find(i.window)) {
            crossThread = crossThread || IsForeign(*w);
            WaitForAnswer(*w);
        }
    for (const DeferBatch::Item &i : b.items)
        if (Window *w = Find(i.window))
            ApplyWindowPos(*w, i.after, i.x, i.y, i.cx, i.cy, i.flags);
    if (crossThread)
        DeliverEvents();
    return TRUE;
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    Log("SetWindowPos", "%s, %s, %d, %d, %d, %d, %#06x", Label(window).c_str(), Label(insertAfter).c_str(), x, y,
        cx, cy, flags);
    Window *w = Find(window);
    if (!w || Refused(*w) || ShouldFail("SetWindowPos"))
        return FALSE;
    if ((flags & SWP_ASYNCWINDOWPOS) && QueueIfHung(*w, flags & SWP_SHOWWINDOW ? SW_SHOWNA : flags & SWP_HIDEWINDOW ? SW_HIDE : -1, [=] {
            if (Window *later = Find(window))
                ApplyWindowPos(*later, insertAfter, x, y, cx, cy, flags);
        }))
        return TRUE;
    if (!(flags & SWP_ASYNCWINDOWPOS))
        WaitForAnswer(*w);
    if (!(w = Find(window)))
        return FALSE;
    ApplyWindowPos(*w, insertAfter, x, y, cx, cy, flags);
    if (!(flags & SWP_ASYNCWINDOWPOS))
        AfterCrossThreadCall(*w);
    return TRUE;
}

HWND GetForegroundWindow()
{
    Log("GetForegroundWindow", "");
    return D().foreground;
}

BOOL SetForegroundWindow(HWND window)
{
    Log("SetForegroundWindow", "%s", Label(window).c_str());
    Window *w = Find(window);
    if (!w || !IsTopLevel(*w) || D().refuseForeground || ShouldFail("SetForegroundWindow"))
        return FALSE;
    // Wine raises the window only when it becomes the foreground one, and
    // alone: its palettes stay where they were.
    if (D().foreground != window)
        SetForegroundInternal(window);
    return TRUE;
}

HWND GetDesktopWindow() { return (HWND)0x10008; }

int GetSystemMetrics(int index)
{
    Log("GetSystemMetrics", "%d", index);
    switch (index) {
    case SM_CXSCREEN:
        return D().screenWidth;
    case SM_CYSCREEN:
        return D().screenHeight;
    default:
        return 0;
    }
}

BOOL GetCursorPos(LPPOINT point)
{
    Log("GetCursorPos", "");
    if (!point || ShouldFail("GetCursorPos"))
        return FALSE;
    *point = D().cursor;
    return TRUE;
}
