// The taskbar's notification area on the simulated desktop. Icons live in
// the taskbar: while no window of class "Shell_TrayWnd" exists every
// request fails, and when the taskbar goes its icons go with it. A new
// taskbar starts empty and announces itself with the registered message
// "TaskbarCreated" to every top-level window, as Explorer does. At logon
// the notification area can answer late, and an elevated program misses
// the broadcast unless its window lets it through.
#include "sim/gdi_internal.h"

#include <string.h>

namespace sim {

// A request the notification area has not answered yet.
struct PendingRequest {
    DWORD message;
    NOTIFYICONDATAA data;
    size_t tipMax;
};

struct NotificationArea {
    HWND taskbar = nullptr;  // the taskbar the icons belong to
    std::vector<TrayIcon> icons;
    DWORD readyAt = 0;       // simulated time from which it answers
    bool lateCarried = false;  // requests that timed out are carried out then
    std::vector<PendingRequest> pending;
};

static BOOL Carry(DWORD message, const NOTIFYICONDATAA &data, size_t tipMax);

static NotificationArea &Area()
{
    static NotificationArea area;
    return area;
}

static HWND CurrentTaskbar()
{
    for (HWND h : D().zorder)
        if (Find(h)->className == "Shell_TrayWnd")
            return h;
    return nullptr;
}

// The icons of the taskbar that exists now: none when the one that held
// them has gone, even if another has come since.
static NotificationArea &Synced()
{
    NotificationArea &a = Area();
    HWND taskbar = CurrentTaskbar();
    if (taskbar != a.taskbar) {
        a.icons.clear();
        a.pending.clear();
        a.taskbar = taskbar;
    }
    // Once it answers, the requests that timed out are carried out after all.
    if (!a.pending.empty() && D().now >= a.readyAt) {
        std::vector<PendingRequest> late;
        late.swap(a.pending);
        for (const PendingRequest &r : late)
            Carry(r.message, r.data, r.tipMax);
    }
    return a;
}

static TrayIcon *Lookup(HWND window, UINT id)
{
    for (TrayIcon &icon : Synced().icons)
        if (icon.window == window && icon.id == id)
            return &icon;
    return nullptr;
}

// Takes the fields the flags name. The shell keeps a copy of the icon, so
// the program may destroy its own afterwards; a handle that names no icon
// is refused, a null one leaves the place empty.
static bool Apply(TrayIcon &icon, const NOTIFYICONDATAA &data, size_t tipMax)
{
    IconImage image;
    bool hasImage = false;
    if (data.uFlags & NIF_ICON) {
        if (data.hIcon && !ReadIcon(data.hIcon, &image))
            return false;
        hasImage = data.hIcon != nullptr;
    }
    if (data.uFlags & NIF_MESSAGE)
        icon.callbackMessage = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON) {
        icon.givenIcon = data.hIcon;
        icon.hasImage = hasImage;
        icon.image = std::move(image);
    }
    if (data.uFlags & NIF_TIP)
        icon.tip.assign(data.szTip, strnlen(data.szTip, tipMax - 1));
    // From the second layout on; an empty text only takes a notice away.
    if ((data.uFlags & NIF_INFO) && tipMax > 64 && data.szInfo[0])
        icon.notices.push_back(std::string(data.szInfoTitle, strnlen(data.szInfoTitle, sizeof data.szInfoTitle)) +
                               ": " + std::string(data.szInfo, strnlen(data.szInfo, sizeof data.szInfo)));
    return true;
}

std::vector<TrayIcon> TrayIcons() { return Synced().icons; }

bool FindTrayIcon(HWND window, UINT id, TrayIcon *out)
{
    TrayIcon *icon = Lookup(window, id);
    if (icon && out)
        *out = *icon;
    return icon != nullptr;
}

void NotificationAreaReadyAt(DWORD when, bool lateCarried)
{
    Area().readyAt = when;
    Area().lateCarried = lateCarried;
}

void RemoveTaskbar()
{
    while (HWND taskbar = CurrentTaskbar())
        DestroyInternal(taskbar);
    Synced();
}

HWND StartTaskbar()
{
    HWND taskbar = MakeTaskbar();
    Synced();
    BroadcastTaskbarCreated();
    return taskbar;
}

void BroadcastTaskbarCreated()
{
    // No window can act on the message before it has registered it.
    auto it = D().registeredMessages.find("TaskbarCreated");
    if (it == D().registeredMessages.end())
        return;
    UINT message = it->second;
    // Sent, not posted: each window has it handled before the broadcast
    // moves on, as a message sent from another thread is handled while the
    // receiving thread waits for messages.
    // Explorer sends it from medium integrity, so an elevated program's
    // window gets it only if it let the message through.
    std::vector<HWND> windows = D().zorder;
    for (HWND h : windows)
        if (Find(h) && PassesPrivilegeIsolation(h, message))
            SendInternal(h, message, 0, 0);
}

bool ClickTrayIcon(HWND window, UINT id, UINT mouseMessage)
{
    TrayIcon *icon = Lookup(window, id);
    if (!icon || !icon->callbackMessage || !Find(window))
        return false;
    MSG m = {};
    m.hwnd = window;
    m.message = icon->callbackMessage;
    m.wParam = id;
    m.lParam = (LPARAM)mouseMessage;
    m.time = D().now;
    m.pt = D().cursor;
    D().posted.push_back(m);
    return true;
}

} // namespace sim

using namespace sim;

BOOL Shell_NotifyIconA(DWORD message, PNOTIFYICONDATAA data)
{
    if (!data) {
        Log("Shell_NotifyIconA", "%u, 0", message);
        return FALSE;
    }
    std::string tip(data->szTip, strnlen(data->szTip, sizeof data->szTip));
    if (data->uFlags & NIF_INFO)
        tip += "\", \"" + std::string(data->szInfo, strnlen(data->szInfo, sizeof data->szInfo));
    Log("Shell_NotifyIconA", "%u, %u, %s, %u, %#x, %#x, %s, \"%s\"", message, data->cbSize,
        Label(data->hWnd).c_str(), data->uID, data->uFlags, data->uCallbackMessage, GdiLabel(data->hIcon).c_str(),
        tip.c_str());
    if (ShouldFail("Shell_NotifyIconA"))
        return FALSE;
    // Only the layouts the shell knows; the first has a shorter tooltip.
    size_t tipMax;
    switch (data->cbSize) {
    case NOTIFYICONDATAA_V1_SIZE:
        tipMax = 64;
        break;
    case NOTIFYICONDATAA_V2_SIZE:
    case NOTIFYICONDATAA_V3_SIZE:
    case sizeof(NOTIFYICONDATAA):
        tipMax = 128;
        break;
    default:
        return FALSE;
    }
    // Icons named by GUID are not simulated.
    if (!CurrentTaskbar() || (data->uFlags & NIF_GUID))
        return FALSE;
    // As documented for Shell_NotifyIcon, while the shell is still starting
    // at logon a request can fail with a timeout and should be retried; the
    // message that timed out may still reach the notification area later.
    NotificationArea &area = Synced();
    if (D().now < area.readyAt) {
        if (area.lateCarried)
            area.pending.push_back({message, *data, tipMax});
        SetLastError(ERROR_TIMEOUT);
        return FALSE;
    }
    return Carry(message, *data, tipMax);
}

namespace sim {

static BOOL Carry(DWORD message, const NOTIFYICONDATAA &data, size_t tipMax)
{
    TrayIcon *icon = Lookup(data.hWnd, data.uID);
    switch (message) {
    case NIM_ADD: {
        if (icon || !Find(data.hWnd))
            return FALSE;
        TrayIcon added;
        added.window = data.hWnd;
        added.id = data.uID;
        if (!Apply(added, data, tipMax))
            return FALSE;
        Synced().icons.push_back(std::move(added));
        return TRUE;
    }
    case NIM_MODIFY:
        return icon && Apply(*icon, data, tipMax);
    case NIM_DELETE: {
        if (!icon)
            return FALSE;
        std::vector<TrayIcon> &icons = Synced().icons;
        icons.erase(icons.begin() + (icon - icons.data()));
        return TRUE;
    }
    case NIM_SETFOCUS:
        return icon != nullptr;
    case NIM_SETVERSION:
        return icon && data.uVersion <= 4;
    default:
        return FALSE;
    }
}

} // namespace sim
