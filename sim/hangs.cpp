// Programs that stop taking messages: what the program under test meets when
// it calls their windows, and the stand-in windows the system puts up for
// them.
#include "sim/desktop.h"

#include <algorithm>

namespace sim {

// A thread that has not taken messages for this long counts as hung
// (IsHungAppWindow: "the internal timeout period of 5 seconds").
static const DWORD HungAfter = 5000;
static DWORD ghostPid;  // the desktop window manager, which hosts stand-ins

static HungThread *HangOf(DWORD pid)
{
    auto it = D().hung.find(pid);
    return it == D().hung.end() ? nullptr : &it->second;
}

bool IsForeign(const Window &w) { return w.pid != ProgramProcessId(); }

bool IsHungApp(const Window &w)
{
    // "Ghost windows always return TRUE."
    if (ghostPid && w.pid == ghostPid && w.className == "Ghost")
        return true;
    // A thread waiting in its own SendMessage serves sent messages but calls
    // no PeekMessage: "not responding" all the same once 5 s have passed.
    HungThread *h = HangOf(w.pid);
    return h && D().now - h->since >= HungAfter;
}

// Window ghosting, as Windows documents it: when a top-level window has not
// answered for some seconds, the system hides it and puts a window of class
// "Ghost", hosted by another process and titled as the window with
// " (Not Responding)" appended, in its place (same Z order, position and
// size); when the program answers again, the stand-in goes and the window
// comes back.
static void PutUpGhosts(DWORD pid, DWORD since)
{
    HungThread *h = HangOf(pid);
    if (!h || h->since != since)
        return;
    if (!ghostPid)
        ghostPid = StartForeignProcess("dwm.exe");
    Desktop &d = D();
    std::vector<HWND> z = d.zorder;
    for (HWND hw : z) {
        Window *w = Find(hw);
        if (!w || w->pid != pid || !w->visible || !IsTopLevel(*w))
            continue;
        HWND ghost = MakeWindow("Ghost", (w->title + " (Not Responding)").c_str(), WS_OVERLAPPEDWINDOW, 0, SW_HIDE,
                                ghostPid);
        Window &g = *Find(ghost);
        w = Find(hw);
        g.rect = w->rect;
        g.visible = true;
        g.minimized = w->minimized;
        g.maximized = w->maximized;
        auto &order = d.zorder;
        order.erase(std::find(order.begin(), order.end(), ghost));
        order.insert(std::find(order.begin(), order.end(), hw), ghost);
        w->visible = false;
        if (d.foreground == hw) {
            d.foreground = ghost;
            PostEvent(EVENT_SYSTEM_FOREGROUND, ghost);
        }
        h->ghosts.push_back({hw, ghost});
    }
}

static void EndHang(DWORD pid)
{
    auto it = D().hung.find(pid);
    if (it == D().hung.end())
        return;
    HungThread h = std::move(it->second);
    D().hung.erase(it);
    for (auto &pair : h.ghosts) {
        // The window takes its stand-in's place, the activation included.
        if (D().foreground == pair.second && Find(pair.first)) {
            D().foreground = pair.first;
            PostEvent(EVENT_SYSTEM_FOREGROUND, pair.first);
        }
        DestroyInternal(pair.second);
        if (Window *w = Find(pair.first))
            w->visible = true;
    }
    // Windows hands a thread the messages sent to it before the requests
    // queued for it: a sent call that waited for this moment is served
    // first, and the queue runs when the thread next takes its posted
    // messages.
    if (h.queueAfterSent) {
        std::vector<QueuedRequest> &released = D().released[pid];
        for (QueuedRequest &request : h.queued)
            released.push_back(std::move(request));
        At(D().now, [pid] {
            std::vector<QueuedRequest> queued = std::move(D().released[pid]);
            D().released.erase(pid);
            for (QueuedRequest &request : queued)
                request.run();
        });
        return;
    }
    for (QueuedRequest &request : h.queued)
        request.run();
}

void WaitForAnswer(const Window &w)
{
    if (!IsForeign(w))
        return;
    DWORD pid = w.pid;
    HungThread *h = HangOf(pid);
    if (!h || h->answersSent)
        return;
    if (h->until == INFINITE)
        throw WaitedForever{};
    h->queueAfterSent = true;
    DWORD ms = h->until - D().now;
    D().waited += ms;
    AdvanceTime(ms);
    EndHang(pid);  // in case a step moved the end
}

void AfterCrossThreadCall(const Window &w)
{
    if (IsForeign(w))
        DeliverEvents();
}

bool QueueIfHung(const Window &w, int command, std::function<void()> request)
{
    HungThread *h = IsForeign(w) ? HangOf(w.pid) : nullptr;
    if (!h)
        return false;
    h->queued.push_back({w.handle, command, std::move(request)});
    return true;
}

// ---- control side --------------------------------------------------------

void Hang(HWND window, DWORD ms)
{
    if (Window *w = Find(window))
        HangProcess(w->pid, ms);
}

void HangProcess(DWORD pid, DWORD ms)
{
    if (pid == ProgramProcessId() || HangOf(pid))
        return;
    DWORD now = D().now;
    HungThread &h = D().hung[pid];
    h.since = now;
    h.until = ms == INFINITE ? INFINITE : now + ms;
    At(now + HungAfter, [pid, now] { PutUpGhosts(pid, now); });
    if (ms != INFINITE)
        At(now + ms, [pid, now] {
            HungThread *h = HangOf(pid);
            if (h && h->since == now && h->until != INFINITE && D().now >= h->until)
                EndHang(pid);
        });
}

void NestedSend(HWND window, DWORD ms)
{
    Window *w = Find(window);
    if (!w || ms == INFINITE)
        return;
    DWORD pid = w->pid;
    if (!HangOf(pid))
        HangProcess(pid, ms);
    HungThread *h = HangOf(pid);
    if (!h)
        return;
    h->answersSent = true;
    DWORD since = h->since;
    h->until = D().now + ms;
    At(h->until, [pid, since] {
        HungThread *h = HangOf(pid);
        if (h && h->since == since && D().now >= h->until)
            EndHang(pid);
    });
}

void Answer(HWND window)
{
    if (Window *w = Find(window))
        EndHang(w->pid);
}

bool Hung(HWND window)
{
    Window *w = Find(window);
    return w && HangOf(w->pid);
}

DWORD TimeWaited() { return D().waited; }

bool BehindStandIn(HWND window)
{
    Window *w = Find(window);
    HungThread *h = w ? HangOf(w->pid) : nullptr;
    for (size_t i = 0; h && i < h->ghosts.size(); i++)
        if (h->ghosts[i].first == window)
            return true;
    return false;
}

std::vector<int> QueuedVisibility(HWND window)
{
    std::vector<int> out;
    Window *w = Find(window);
    if (!w)
        return out;
    auto add = [&](const std::vector<QueuedRequest> &queue) {
        for (const QueuedRequest &request : queue)
            if (request.window == window && request.command >= 0)
                out.push_back(request.command);
    };
    auto released = D().released.find(w->pid);
    if (released != D().released.end())
        add(released->second);
    if (HungThread *h = HangOf(w->pid))
        add(h->queued);
    return out;
}

} // namespace sim

using namespace sim;

BOOL IsHungAppWindow(HWND window)
{
    Log("IsHungAppWindow", "%s", Label(window).c_str());
    Window *w = Find(window);
    return w && IsHungApp(*w);
}

BOOL ShowWindowAsync(HWND window, int command)
{
    Log("ShowWindowAsync", "%s, %d", Label(window).c_str(), command);
    Window *w = Find(window);
    // A more privileged program's window refuses it as it refuses ShowWindow.
    if (!w || Refused(*w))
        return FALSE;
    if (!QueueIfHung(*w, command, [window, command] {
            if (Window *later = Find(window))
                ShowInternal(*later, command);
        }))
        ShowInternal(*w, command);
    return TRUE;
}

LRESULT SendMessageTimeoutA(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout,
                            PDWORD_PTR result)
{
    Log("SendMessageTimeoutA", "%s, %#x, %#x, %u", Label(window).c_str(), message, flags, timeout);
    Window *w = Find(window);
    if (!w)
        return 0;
    HungThread *h = IsForeign(*w) ? HangOf(w->pid) : nullptr;
    if ((flags & SMTO_ABORTIFHUNG) && IsHungApp(*w))
        return 0;
    if (h && !h->answersSent) {
        if (h->until == INFINITE || h->until - D().now > timeout) {
            D().waited += timeout;
            AdvanceTime(timeout);
            return 0;
        }
        WaitForAnswer(*w);
    }
    LRESULT r = SendInternal(window, message, wParam, lParam);
    if (result)
        *result = (DWORD_PTR)r;
    if (!(flags & SMTO_BLOCK) && (w = Find(window)))
        AfterCrossThreadCall(*w);
    return 1;
}
