// The program's thread on the simulated desktop: window classes, its own
// windows and their procedures, the message queue, timers, hotkeys and
// WinEvent hooks. When the queue is empty, a wait for messages runs the
// test's next script step instead of blocking.
#include "sim/desktop.h"

#include <string.h>
#include <algorithm>

namespace sim {

static const UINT FirstRegisteredMessage = 0xC000;
static const int SS_NOTIFY = 0x0100;
static const LRESULT HTTRANSPARENT = -1;

// The system's "STATIC" control: shows text, keeps a font, and lets mouse
// input through to its parent unless it asks for notifications.
static LRESULT CALLBACK StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window *w = Find(window);
    switch (message) {
    case WM_SETFONT:
        w->font = (HFONT)wParam;
        return 0;
    case WM_GETFONT:
        return (LRESULT)w->font;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// Class names compare without regard to case; the table is keyed by the
// name in lower case and keeps the name as registered.
static std::string ClassKey(const std::string &name)
{
    std::string key = name;
    for (char &c : key)
        c = (char)tolower((unsigned char)c);
    return key;
}

static WindowClass *FindClass(const std::string &name)
{
    Desktop &d = D();
    std::string key = ClassKey(name);
    if (key == "static" && !d.classes.count(key)) {
        WindowClass &c = d.classes[key];
        c.name = "Static";  // as the system registers it
        c.wc.lpfnWndProc = StaticProc;
    }
    auto it = d.classes.find(key);
    return it == d.classes.end() ? nullptr : &it->second;
}

LRESULT SendInternal(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window *w = Find(window);
    if (!w)
        return 0;
    if (w->proc)
        return w->proc(window, message, wParam, lParam);
    // Windows of other programs answer as the default procedure would.
    return DefWindowProcA(window, message, wParam, lParam);
}

void DestroyInternal(HWND window)
{
    Desktop &d = D();
    Window *w = Find(window);
    if (!w)
        return;
    if (w->proc)
        w->proc(window, WM_DESTROY, 0, 0);
    // Children go after their parent has heard WM_DESTROY, and so do the
    // windows it owns.
    std::vector<HWND> children = Find(window)->children;
    for (auto &[h, other] : d.windows)
        if (other.owner == window)
            children.push_back(h);
    for (HWND child : children)
        DestroyInternal(child);
    w = Find(window);
    if (!w)
        return;
    if (w->proc)
        w->proc(window, WM_NCDESTROY, 0, 0);
    w = Find(window);
    if (!w)
        return;
    if (w->parent) {
        if (Window *p = Find(w->parent)) {
            auto &c = p->children;
            c.erase(std::remove(c.begin(), c.end(), window), c.end());
        }
    }
    d.timers.erase(std::remove_if(d.timers.begin(), d.timers.end(), [&](const Timer &t) { return t.window == window; }),
                   d.timers.end());
    d.hotkeys.erase(std::remove_if(d.hotkeys.begin(), d.hotkeys.end(),
                                   [&](const Hotkey &k) { return k.owner == window; }),
                    d.hotkeys.end());
    bool wasForeground = d.foreground == window;
    if (wasForeground)
        ActivateOther(window);
    auto &z = d.zorder;
    z.erase(std::remove(z.begin(), z.end(), window), z.end());
    if (d.foreground == window)
        d.foreground = nullptr;
    d.windows.erase(window);
}

static void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG m = {};
    m.hwnd = window;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = D().now;
    m.pt = D().cursor;
    D().posted.push_back(m);
}

void DeliverEvents()
{
    Desktop &d = D();
    while (!d.events.empty()) {
        WinEvent e = d.events.front();
        d.events.pop_front();
        std::vector<Hook> hooks = d.hooks;
        for (const Hook &h : hooks) {
            bool stillThere = std::any_of(d.hooks.begin(), d.hooks.end(),
                                          [&](const Hook &k) { return k.handle == h.handle; });
            if (stillThere && e.event >= h.eventMin && e.event <= h.eventMax)
                h.proc(h.handle, e.event, e.window, 0, 0, 0, e.time);
        }
    }
}

static bool Matches(const MSG &m, HWND window, UINT first, UINT last)
{
    if (window && m.hwnd != window)
        return false;
    if (first == 0 && last == 0)
        return true;
    return m.message >= first && m.message <= last;
}

// One attempt to fetch a message, as GetMessage/PeekMessage make it: sent
// WinEvents first, then posted messages, then the quit request, then timers.
static bool Fetch(MSG *out, HWND window, UINT first, UINT last, bool remove)
{
    Desktop &d = D();
    DeliverEvents();
    for (auto it = d.posted.begin(); it != d.posted.end(); ++it) {
        if (Matches(*it, window, first, last)) {
            *out = *it;
            if (remove)
                d.posted.erase(it);
            return true;
        }
    }
    if (d.quitPosted) {
        MSG m = {};
        m.message = WM_QUIT;
        m.wParam = (WPARAM)d.quitCode;
        *out = m;
        if (remove)
            d.quitPosted = false;
        return true;
    }
    Timer *due = nullptr;
    for (Timer &t : d.timers)
        if (t.due <= d.now && (!due || t.due < due->due))
            due = &t;
    if (due) {
        MSG m = {};
        m.hwnd = due->window;
        m.message = WM_TIMER;
        m.wParam = due->id;
        m.time = d.now;
        if (Matches(m, window, first, last)) {
            *out = m;
            if (remove) {
                // Missed periods merge into one message, as on Windows.
                while (due->due <= d.now)
                    due->due += due->period ? due->period : 1;
            }
            return true;
        }
    }
    return false;
}

void DeliverPending()
{
    MSG m;
    for (;;) {
        DeliverEvents();
        if (D().posted.empty())
            return;
        m = D().posted.front();
        D().posted.pop_front();
        DispatchMessageA(&m);
    }
}

void PressKey(UINT modifiers, UINT vk)
{
    Desktop &d = D();
    for (const Hotkey &k : d.hotkeys) {
        if ((k.modifiers & ~MOD_NOREPEAT) == modifiers && k.vk == vk) {
            if (k.owner)
                Post(k.owner, WM_HOTKEY, (WPARAM)k.id, (LPARAM)((vk << 16) | modifiers));
            return;
        }
    }
    // Not a hotkey: the keystroke goes to the foreground window if it is
    // the program's.
    Window *fg = Find(d.foreground);
    if (!fg || fg->pid != ProgramProcessId())
        return;
    UINT down = (modifiers & MOD_ALT) ? WM_SYSKEYDOWN : WM_KEYDOWN;
    UINT up = (modifiers & MOD_ALT) ? WM_SYSKEYUP : WM_KEYUP;
    Post(d.foreground, down, vk, 1);
    Post(d.foreground, up, vk, (LPARAM)0xC0000001);
}

void HoldHotkey(UINT modifiers, UINT vk) { D().hotkeys.push_back({nullptr, 0, modifiers, vk}); }

void ReleaseHotkey(UINT modifiers, UINT vk)
{
    Desktop &d = D();
    d.hotkeys.erase(std::remove_if(d.hotkeys.begin(), d.hotkeys.end(),
                                   [&](const Hotkey &k) { return !k.owner && k.modifiers == modifiers && k.vk == vk; }),
                    d.hotkeys.end());
}

void ClickClose(HWND window)
{
    if (Window *w = Find(window)) {
        if (w->proc)
            Post(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        else
            DestroyInternal(window);
    }
}

void Click(HWND window, int x, int y)
{
    Window *w = Find(window);
    if (!w)
        return;
    HWND target = window;
    // The child under the point takes the click unless it is transparent
    // to the mouse, like a static control without SS_NOTIFY.
    for (HWND c : w->children) {
        Window *child = Find(c);
        if (!child || !child->visible)
            continue;
        if (x < child->rect.left || x >= child->rect.right || y < child->rect.top || y >= child->rect.bottom)
            continue;
        bool transparent = child->className == "Static" && !(child->style & SS_NOTIFY);
        if (!transparent)
            target = c;
        break;
    }
    LPARAM at = (LPARAM)((y << 16) | (x & 0xFFFF));
    Post(target, WM_LBUTTONDOWN, 1, at);
    Post(target, WM_LBUTTONUP, 0, at);
}

} // namespace sim

using namespace sim;

ATOM RegisterClassA(const WNDCLASSA *wc)
{
    Log("RegisterClassA", "%s", wc && wc->lpszClassName ? wc->lpszClassName : "0");
    if (!wc || !wc->lpszClassName || ShouldFail("RegisterClassA"))
        return 0;
    Desktop &d = D();
    std::string key = ClassKey(wc->lpszClassName);
    if (d.classes.count(key))
        return 0;  // already registered: ERROR_CLASS_ALREADY_EXISTS
    WindowClass &c = d.classes[key];
    c.name = wc->lpszClassName;
    c.wc = *wc;
    c.wc.lpszClassName = c.name.c_str();
    c.wc.lpszMenuName = nullptr;
    return (ATOM)(0xC000 + d.classes.size());
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width, int height,
                     HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    Log("CreateWindowExA", "%#x, %s, %s, %#x, %d, %d, %d, %d, %s", exStyle, className ? className : "0",
        title ? title : "0", style, x, y, width, height, Label(parent).c_str());
    if (!className || ShouldFail("CreateWindowExA"))
        return nullptr;
    WindowClass *c = FindClass(className);
    if (!c)
        return nullptr;
    Desktop &d = D();
    if (parent && !Find(parent))
        return nullptr;
    if (x == CW_USEDEFAULT) {
        x = 26;
        y = 26;
    }
    HWND h = (HWND)d.nextHandle;
    d.nextHandle += 4;
    Window &w = d.windows[h];
    w.handle = h;
    w.pid = ProgramProcessId();
    w.className = c->name;  // the name as registered
    w.title = title ? title : "";
    w.style = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
    w.exStyle = exStyle;
    w.parent = parent;
    w.proc = c->wc.lpfnWndProc;
    w.instance = instance;
    w.rect = w.normalRect = {x, y, x + width, y + height};
    w.controlId = parent ? (int)(uintptr_t)menu : 0;
    if (parent)
        Find(parent)->children.push_back(h);
    else
        d.zorder.insert(d.zorder.begin(), h);

    CREATESTRUCTA cs = {};
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = parent;
    cs.cx = width;
    cs.cy = height;
    cs.x = x;
    cs.y = y;
    cs.style = (LONG)style;
    cs.lpszName = title;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
    if (w.proc && (!w.proc(h, WM_NCCREATE, 0, (LPARAM)&cs) || w.proc(h, WM_CREATE, 0, (LPARAM)&cs) == -1)) {
        DestroyInternal(h);
        return nullptr;
    }
    if ((style & WS_VISIBLE) && Find(h))
        ShowInternal(*Find(h), parent ? SW_SHOWNA : SW_SHOW);
    return Find(h) ? h : nullptr;
}

BOOL DestroyWindow(HWND window)
{
    Log("DestroyWindow", "%s", Label(window).c_str());
    Window *w = Find(window);
    // Only the thread that made a window can destroy it.
    if (!w || w->pid != ProgramProcessId())
        return FALSE;
    DestroyInternal(window);
    return TRUE;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window *w = Find(window);
    if (!w)
        return 0;
    switch (message) {
    case WM_NCCREATE:
    case WM_QUERYENDSESSION:  // the user's wish to end the session holds
        return TRUE;
    case WM_CLOSE:
        if (w->pid == ProgramProcessId())
            DestroyWindow(window);
        else
            DestroyInternal(window);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE)
            SendInternal(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_SYSKEYDOWN: {
        // Alt+F4 closes the top-level window, as the system menu's Close does.
        HWND root = window;
        while (Find(root) && Find(root)->parent)
            root = Find(root)->parent;
        if (wParam == VK_F4)
            SendInternal(root, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    case WM_SETTEXT:
        w->title = lParam ? (const char *)lParam : "";
        return TRUE;
    case WM_GETTEXT: {
        int n = std::min((int)w->title.size(), (int)wParam - 1);
        if (n < 0)
            return 0;
        memcpy((char *)lParam, w->title.data(), n);
        ((char *)lParam)[n] = 0;
        return n;
    }
    default:
        return 0;
    }
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Log("SendMessageA", "%s, %#x, %#lx, %#lx", Label(window).c_str(), message, (unsigned long)wParam,
        (unsigned long)lParam);
    Window *w = Find(window);
    if (!w)
        return 0;
    WaitForAnswer(*w);
    LRESULT r = SendInternal(window, message, wParam, lParam);
    if ((w = Find(window)))
        AfterCrossThreadCall(*w);
    return r;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Log("PostMessageA", "%s, %#x, %#lx, %#lx", Label(window).c_str(), message, (unsigned long)wParam,
        (unsigned long)lParam);
    if (window) {
        Window *w = Find(window);
        if (!w)
            return FALSE;
        if (w->pid != ProgramProcessId())
            return TRUE;  // into another program's queue
    }
    Post(window, message, wParam, lParam);
    return TRUE;
}

void PostQuitMessage(int exitCode)
{
    Log("PostQuitMessage", "%d", exitCode);
    D().quitPosted = true;
    D().quitCode = exitCode;
}

BOOL GetMessageA(LPMSG msg, HWND window, UINT first, UINT last)
{
    for (;;) {
        if (Fetch(msg, window, first, last, true))
            return msg->message != WM_QUIT;
        RunNextStep();
    }
}

BOOL PeekMessageA(LPMSG msg, HWND window, UINT first, UINT last, UINT remove)
{
    return Fetch(msg, window, first, last, (remove & PM_REMOVE) != 0);
}

BOOL TranslateMessage(const MSG *) { return FALSE; }

LRESULT DispatchMessageA(const MSG *msg)
{
    if (!msg)
        return 0;
    if (msg->message == WM_TIMER && msg->lParam)
        ((TIMERPROC)msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
    Window *w = Find(msg->hwnd);
    if (!w || !w->proc)
        return 0;
    return w->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

// The keyboard handling of a dialogue: Esc and Enter become commands.
BOOL IsDialogMessageA(HWND dialog, LPMSG msg)
{
    if (!dialog || !msg || !Find(dialog))
        return FALSE;
    bool inside = msg->hwnd == dialog;
    for (HWND c : Find(dialog)->children)
        inside = inside || msg->hwnd == c;
    if (!inside)
        return FALSE;
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
        SendInternal(dialog, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
        SendInternal(dialog, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    if (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP || msg->message == WM_CHAR)
        return TRUE;
    DispatchMessageA(msg);
    return TRUE;
}

UINT RegisterWindowMessageA(LPCSTR name)
{
    Log("RegisterWindowMessageA", "%s", name ? name : "0");
    if (!name || ShouldFail("RegisterWindowMessageA"))
        return 0;
    Desktop &d = D();
    auto it = d.registeredMessages.find(name);
    if (it != d.registeredMessages.end())
        return it->second;
    UINT id = FirstRegisteredMessage + (UINT)d.registeredMessages.size();
    d.registeredMessages[name] = id;
    return id;
}

namespace sim {

void SetProgramElevated(bool elevated) { D().programElevated = elevated; }

// User Interface Privilege Isolation: a process of higher integrity does
// not receive messages above WM_USER from one of lower integrity unless its
// window's filter allows them (ChangeWindowMessageFilterEx, MSGFLT_ALLOW).
// Only the program is ever elevated here.
bool PassesPrivilegeIsolation(HWND window, UINT message)
{
    Window *w = Find(window);
    if (!w || w->pid != ProgramProcessId() || !D().programElevated || message < WM_USER)
        return true;
    return w->allowedFromLower.count(message) != 0;
}

} // namespace sim

BOOL ChangeWindowMessageFilterEx(HWND window, UINT message, DWORD action, PCHANGEFILTERSTRUCT change)
{
    Log("ChangeWindowMessageFilterEx", "%s, %#x, %lu, %s", Label(window).c_str(), message, (unsigned long)action,
        change ? "info" : "0");
    Window *w = Find(window);
    // Only a window of the calling process; the information block, when
    // given, must say its size.
    if (ShouldFail("ChangeWindowMessageFilterEx") || !w || w->pid != ProgramProcessId() ||
        (change && change->cbSize != sizeof(CHANGEFILTERSTRUCT)))
        return FALSE;
    switch (action) {
    case MSGFLT_ALLOW:
        w->allowedFromLower.insert(message);
        break;
    case MSGFLT_DISALLOW:
        w->allowedFromLower.erase(message);
        break;
    case MSGFLT_RESET:
        w->allowedFromLower.clear();
        break;
    default:
        return FALSE;
    }
    if (change)
        change->ExtStatus = MSGFLTINFO_NONE;
    return TRUE;
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT ms, TIMERPROC proc)
{
    Log("SetTimer", "%s, %lu, %u", Label(window).c_str(), (unsigned long)id, ms);
    if (ShouldFail("SetTimer") || (window && !Find(window)))
        return 0;
    Desktop &d = D();
    for (Timer &t : d.timers) {
        if (t.window == window && t.id == id) {
            t.period = ms;
            t.due = d.now + ms;
            return id;
        }
    }
    d.timers.push_back({window, id, ms, d.now + ms});
    (void)proc;
    return id;
}

BOOL KillTimer(HWND window, UINT_PTR id)
{
    Log("KillTimer", "%s, %lu", Label(window).c_str(), (unsigned long)id);
    Desktop &d = D();
    auto it = std::find_if(d.timers.begin(), d.timers.end(),
                           [&](const Timer &t) { return t.window == window && t.id == id; });
    if (it == d.timers.end())
        return FALSE;
    d.timers.erase(it);
    return TRUE;
}

BOOL RegisterHotKey(HWND window, int id, UINT modifiers, UINT vk)
{
    Log("RegisterHotKey", "%s, %d, %u, %#x", Label(window).c_str(), id, modifiers, vk);
    Desktop &d = D();
    if (ShouldFail("RegisterHotKey") || (window && !Find(window)))
        return FALSE;
    for (const Hotkey &k : d.hotkeys)
        if ((k.modifiers & ~MOD_NOREPEAT) == (modifiers & ~MOD_NOREPEAT) && k.vk == vk) {
            SetLastError(ERROR_HOTKEY_ALREADY_REGISTERED);
            return FALSE;
        }
    for (const Hotkey &k : d.hotkeys)
        if (k.owner == window && k.id == id)
            return FALSE;
    d.hotkeys.push_back({window, id, modifiers, vk});
    return TRUE;
}

BOOL UnregisterHotKey(HWND window, int id)
{
    Log("UnregisterHotKey", "%s, %d", Label(window).c_str(), id);
    Desktop &d = D();
    auto it = std::find_if(d.hotkeys.begin(), d.hotkeys.end(),
                           [&](const Hotkey &k) { return k.owner && k.owner == window && k.id == id; });
    if (it == d.hotkeys.end())
        return FALSE;
    d.hotkeys.erase(it);
    return TRUE;
}

HWINEVENTHOOK SetWinEventHook(DWORD eventMin, DWORD eventMax, HMODULE module, WINEVENTPROC proc, DWORD processId,
                              DWORD threadId, DWORD flags)
{
    Log("SetWinEventHook", "%u, %u, %s, %u, %u, %u", eventMin, eventMax, module ? "module" : "0", processId, threadId,
        flags);
    if (!proc || ShouldFail("SetWinEventHook"))
        return nullptr;
    static uintptr_t nextHook = 0x5000010;
    HWINEVENTHOOK h = (HWINEVENTHOOK)nextHook;
    nextHook += 4;
    D().hooks.push_back({h, eventMin, eventMax, proc});
    return h;
}

BOOL UnhookWinEvent(HWINEVENTHOOK hook)
{
    Log("UnhookWinEvent", "%s", hook ? "hook" : "0");
    Desktop &d = D();
    auto it = std::find_if(d.hooks.begin(), d.hooks.end(), [&](const Hook &h) { return h.handle == hook; });
    if (it == d.hooks.end())
        return FALSE;
    d.hooks.erase(it);
    return TRUE;
}
