// Calls that never wait for another program's thread; see nowait.h.
#include "workspace/nowait.h"

#include "workspace/eligibility.h"

// How long a thread may take to answer a null message before it counts as
// not answering. A thread waiting for its messages answers within a
// millisecond or so (under Wine 0.2-0.3 ms, 5 ms at most in 300 probes on a
// loaded machine), so 10 ms leaves it room. One in the middle of some work
// answers when the work ends, which is also when a call that waited for it
// would return and when the queued calls it gets instead run: taking it for
// silent only puts its windows on the queued path, which ends where waiting
// would, while every millisecond of the wait is added to the switch. So the
// timeout is short. Measured under Wine, the probe of each program busy at
// the hotkey waits its whole timeout (10.2 ms at 10 ms, 20.4 ms at 20,
// 50.4 ms at 50), while a program working in bursts of 5-40 ms is taken for
// silent at half the probes at 10 ms, a quarter at 20 ms and none at 50 ms;
// an idle one never. Windows times such waits to its clock tick (15.6 ms
// unless a program asked for a finer one), so there the probe may wait up to
// one tick longer.
static const UINT AnswerTimeout = 10;  // ms
// A thread found silent is not asked again for this long, so that one hang
// costs one timeout per second at most, not one per call.
static const DWORD SilenceMemory = 1000;  // ms
static const int SilentLimit = 8;
// Threads that answered since the pass began; most windows of a group belong
// to a handful of programs, so a pass asks each of those once.
static const int AnsweredLimit = 16;
// A queued call that leaves the window's visibility as it is.
static const int NoShowChange = -1;

// Threads found silent lately.
static struct {
    DWORD thread[SilentLimit];
    DWORD since[SilentLimit];
    int next;
} Silence;

// Windows with calls queued whose outcome has not been seen yet. Such a
// window gets queued calls only, whatever its program answers meanwhile:
// the system hands a thread its sent messages (our probe, a ShowWindow)
// before the requests it queued, so a call made at once could land before
// an earlier queued one and be undone by it. It keeps its marker until the
// window is seen where its queue leads.
static const int PendingLimit = 64;
struct PendingCalls {
    HWND window;
    bool leadsToShown;  // where the queued calls leave the window
    int changes;        // how often they change whether it is on screen
    DWORD lastQueued;   // GetTickCount of the last queued call
};
static struct {
    PendingCalls of[PendingLimit];
    int count;
} Pending;

// A thread that IsHungAppWindow does not call hung has taken its messages
// within this long ("the internal timeout period of 5 seconds"), and with
// them whatever was queued before.
static const DWORD TakesMessagesWithin = 5000;  // ms

// Threads found answering during the pass under way (a switch, the exit
// release, a recovery pass); open is false outside a pass.
static struct {
    DWORD thread[AnsweredLimit];
    int count;
    bool open;
} Answered;

void BeginAnswerPass()
{
    Answered.count = 0;
    Answered.open = true;
}

void EndAnswerPass()
{
    Answered.open = false;
}

static bool AnsweredThisPass(DWORD thread)
{
    for (int i = 0; Answered.open && i < Answered.count; i++)
        if (Answered.thread[i] == thread)
            return true;
    return false;
}

static void RememberAnswered(DWORD thread)
{
    if (Answered.open && Answered.count < AnsweredLimit)
        Answered.thread[Answered.count++] = thread;
}

static bool FoundSilentLately(DWORD thread)
{
    DWORD now = GetTickCount();
    for (int i = 0; i < SilentLimit; i++)
        if (Silence.thread[i] == thread && now - Silence.since[i] < SilenceMemory)
            return true;
    return false;
}

static void RememberSilent(DWORD thread)
{
    Silence.thread[Silence.next] = thread;
    Silence.since[Silence.next] = GetTickCount();
    Silence.next = (Silence.next + 1) % SilentLimit;
}

static PendingCalls *PendingOf(HWND window)
{
    for (int i = 0; i < Pending.count; i++)
        if (Pending.of[i].window == window)
            return &Pending.of[i];
    return nullptr;
}

bool HasPendingCalls(HWND window)
{
    return PendingOf(window) != nullptr;
}

// Notes a call queued for the window, with the show command it amounts to.
// When the record is full the oldest entry makes room: its window then loses
// only the guarantee of order.
static void NoteQueued(HWND window, int showCommand)
{
    PendingCalls *p = PendingOf(window);
    bool onScreen = IsShownStyle((DWORD)GetWindowLongA(window, GWL_STYLE));
    if (!p) {
        if (Pending.count == PendingLimit) {
            for (int i = 1; i < Pending.count; i++)
                Pending.of[i - 1] = Pending.of[i];
            Pending.count--;
        }
        p = &Pending.of[Pending.count++];
        *p = PendingCalls{window, onScreen, 0, 0};
    }
    if (showCommand != NoShowChange) {
        bool shown = showCommand != SW_HIDE;
        if (shown != p->leadsToShown)
            p->changes++;
        // Standing where this call leads already (its program moved it since
        // the earlier calls were queued): seen there later, it proves nothing.
        if (shown == onScreen)
            p->changes = 2;
        p->leadsToShown = shown;
    }
    p->lastQueued = GetTickCount();
}

// The windows whose queued calls, leading to a show, the last settling saw
// run and whose place the group's show has not yet seen to.
static struct {
    HWND windows[PendingLimit];
    int count;
} JustSettled;

bool IsJustSettled(HWND window)
{
    for (int i = 0; i < JustSettled.count; i++)
        if (JustSettled.windows[i] == window)
            return true;
    return false;
}

void ForgetJustSettled(HWND window)
{
    for (int i = 0; i < JustSettled.count; i++)
        if (JustSettled.windows[i] == window)
            JustSettled.windows[i--] = JustSettled.windows[--JustSettled.count];
}

static void ForgetPendingAt(int i)
{
    Pending.of[i] = Pending.of[--Pending.count];
}

bool SettlePendingCalls()
{
    bool settled = false;
    JustSettled.count = 0;
    for (int i = 0; i < Pending.count;) {
        PendingCalls &p = Pending.of[i];
        DWORD style = (DWORD)GetWindowLongA(p.window, GWL_STYLE);
        if (style == 0 && !IsWindow(p.window)) {
            ForgetPendingAt(i);
            continue;
        }
        // Seen where its queue leads, when the queue changes that once: a
        // hide and a show queued both would leave it where it stood, ran they
        // or not. Or its thread has taken its messages since the last request
        // was queued.
        bool arrived = p.changes == 1 && IsShownStyle(style) == p.leadsToShown;
        bool taken = GetTickCount() - p.lastQueued > TakesMessagesWithin && !IsHungAppWindow(p.window);
        if (arrived || taken) {
            if (p.leadsToShown)
                JustSettled.windows[JustSettled.count++] = p.window;
            ForgetPendingAt(i);
            settled = true;
            continue;
        }
        i++;
    }
    return settled;
}

bool IsPendingShow(HWND window)
{
    PendingCalls *p = PendingOf(window);
    return p && p->leadsToShown;
}

bool AnyPendingCalls()
{
    return Pending.count > 0;
}

bool IsAnswering(HWND window)
{
    // Once a call is queued, every later one is queued behind it.
    if (PendingOf(window))
        return false;
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    // A window that is gone makes every call fail at once.
    if (thread == 0 || thread == GetCurrentThreadId() || AnsweredThisPass(thread))
        return true;
    // Costs no message: catches a thread that has been silent for seconds.
    if (IsHungAppWindow(window) || FoundSilentLately(thread))
        return false;
    DWORD_PTR result = 0;
    // SMTO_BLOCK: nothing of ours runs while we ask.
    if (SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, AnswerTimeout, &result)) {
        RememberAnswered(thread);
        return true;
    }
    RememberSilent(thread);
    return false;
}

// At most one show waits in a window's queue: behind one still pending, a
// show that brings the window back as it was hidden changes nothing, and
// a pass repeated while its program hangs (the watcher's, a fallback after
// a failed batch) must not pile them up. Nor does a plain show of a window
// on screen with nothing queued.
static bool ShowAlreadyQueued(HWND window, int command)
{
    bool plain = command == SW_SHOWNA || command == SW_SHOW;
    if (PendingCalls *p = PendingOf(window))
        return p->leadsToShown && (plain || command == SW_SHOWMINNOACTIVE);
    return plain && IsWindowVisible(window);
}

static void QueueShow(HWND window, int command)
{
    // A call refused queued nothing: no later show may count on it.
    if (ShowWindowAsync(window, command))
        NoteQueued(window, command);
}

void ShowOrQueue(HWND window, int command, bool answering)
{
    if (answering)
        ShowWindow(window, command);
    else if (!ShowAlreadyQueued(window, command))
        QueueShow(window, command);
}

void QueueRestoringShow(HWND window)
{
    PendingCalls *p = PendingOf(window);
    if (!p || !p->leadsToShown)
        QueueShow(window, SW_SHOWNA);
}

void PositionOrQueue(HWND window, UINT flags, bool answering, HWND insertAfter)
{
    // Its place in the stacking is still wanted.
    if (!answering && ShowAlreadyQueued(window, SW_SHOWNA))
        flags &= ~SWP_SHOWWINDOW;
    if (!answering)
        flags |= SWP_ASYNCWINDOWPOS;
    if (SetWindowPos(window, insertAfter, 0, 0, 0, 0, flags) && !answering)
        NoteQueued(window, flags & SWP_SHOWWINDOW ? SW_SHOWNA : flags & SWP_HIDEWINDOW ? SW_HIDE : NoShowChange);
}

void MoveOrQueue(HWND window, const RECT &to, UINT flags, bool answering)
{
    if (!answering)
        flags |= SWP_ASYNCWINDOWPOS;
    if (SetWindowPos(window, HWND_TOP, to.left, to.top, to.right - to.left, to.bottom - to.top, flags) && !answering)
        NoteQueued(window, NoShowChange);
}

void PlaceOrQueue(HWND window, WINDOWPLACEMENT &placement, bool answering)
{
    if (!answering)
        placement.flags |= WPF_ASYNCWINDOWPLACEMENT;
    if (SetWindowPlacement(window, &placement) && !answering)
        NoteQueued(window, (int)placement.showCmd);
}
