// Calls that never wait for another program's thread; see nowait.h.
#include "workspace/nowait.h"

// How long a thread may take to answer a null message before it counts as
// not answering. A thread that answers at all does so within a millisecond
// (measured under Wine: 0.6 ms); one that misses this only gets the
// asynchronous calls, whose outcome is the same once it answers.
static const UINT AnswerTimeout = 10;  // ms
// A thread found silent is not asked again for this long, so that one hang
// costs one timeout per second at most, not one per call.
static const DWORD SilenceMemory = 1000;  // ms
static const int SilentLimit = 8;
// Threads that answered since the pass began; most windows of a group belong
// to a handful of programs, so a pass asks each of those once.
static const int AnsweredLimit = 16;

// Threads found silent lately, and whether anything was queued.
static struct {
    DWORD thread[SilentLimit];
    DWORD since[SilentLimit];
    int next;
    bool queued;
} Silence;

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

bool IsAnswering(HWND window)
{
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

void ShowOrQueue(HWND window, int command, bool answering)
{
    if (answering) {
        ShowWindow(window, command);
        return;
    }
    ShowWindowAsync(window, command);
    Silence.queued = true;
}

void PositionOrQueue(HWND window, UINT flags, bool answering)
{
    if (!answering) {
        flags |= SWP_ASYNCWINDOWPOS;
        Silence.queued = true;
    }
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, flags);
}

bool CallsQueued()
{
    return Silence.queued;
}

void ForgetQueuedCalls()
{
    Silence.queued = false;
}
