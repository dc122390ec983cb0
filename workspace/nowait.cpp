// Calls that never wait for another program's thread; see nowait.h.
#include "workspace/nowait.h"

#include <string.h>

#include "workspace/eligibility.h"
#include "workspace/marker.h"

// How long a thread may take to answer a null message before it counts as
// silent. One waiting for its messages answers within a millisecond; one
// busy answers when its work ends, which is also when the queued calls it
// gets instead run: a short timeout costs nothing, a long one is added to
// the switch (figures in the README's measured section). Windows times the
// wait to its clock tick, 15.6 ms unless a program asked for a finer one.
static const UINT AnswerTimeout = 10;  // ms
// So that one hang costs one timeout a second at most, not one per call.
static const DWORD SilenceMemory = 1000;  // ms
static const int SilentLimit = 8;
// Most windows of a group belong to a handful of programs.
static const int AnsweredLimit = 16;
// A queued call that leaves the window's visibility as it is.
static const int NoShowChange = -1;
// A thread not hung by IsHungAppWindow has taken its messages, and what was
// queued before them, within this long.
static const DWORD TakesMessagesWithin = 5000;  // ms

static struct {
    DWORD thread[SilentLimit];
    DWORD since[SilentLimit];
    int next;
} Silence;

// Threads that answered during the pass under way.
static struct {
    DWORD thread[AnsweredLimit];
    int count;
    bool open;
} Answered;

enum WaitState {
    // Calls queued whose outcome is unseen. Later calls are queued too,
    // whatever its program answers: the system hands a thread its sent
    // messages (our probe, a ShowWindow) before the requests it queued, so a
    // call made at once could be undone by an earlier one.
    CallsQueued,
    RecoveryShowQueued,  // the same for a recovery pass's show
    RecoveryShowRan,     // revisited by the watcher until it is back
    AwaitingPlace,       // back late: its place in the stacking is to be seen to
};

// What seeing the window tells of the calls queued for it.
enum QueueEvidence {
    NothingToSee,        // no queued call changes whether it is on screen
    SeenWhereItLeads,    // one change: standing where the queue leads, it has run
    SightProvesNothing,  // the queue both hides and shows it, or it stood where
                         // a call leads already: it stands there ran they or not
};

struct WaitingWindow {
    HWND window;
    WaitState state;
    QueueEvidence evidence;
    bool leadsToShown;  // where the queued calls leave the window
    DWORD lastQueued;   // GetTickCount of the last queued call
};

// More than wait at once on any desktop; when full, the oldest makes room
// and loses only the guarantee of order.
static const int WaitingLimit = 256;
static struct {
    WaitingWindow of[WaitingLimit];
    int count;
} Waiting;

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

static bool FoundSilentLately(DWORD thread)
{
    for (int i = 0; i < SilentLimit; i++)
        if (Silence.thread[i] == thread && GetTickCount() - Silence.since[i] < SilenceMemory)
            return true;
    return false;
}

static WaitingWindow *RecordOf(HWND window)
{
    for (int i = 0; i < Waiting.count; i++)
        if (Waiting.of[i].window == window)
            return &Waiting.of[i];
    return nullptr;
}

static bool CallsUnseen(const WaitingWindow *r)
{
    return r && (r->state == CallsQueued || r->state == RecoveryShowQueued);
}

static void Forget(WaitingWindow *r)
{
    *r = Waiting.of[--Waiting.count];
}

static WaitingWindow *NewRecord(HWND window, WaitState state)
{
    if (Waiting.count == WaitingLimit)
        memmove(&Waiting.of[0], &Waiting.of[1], --Waiting.count * sizeof Waiting.of[0]);
    WaitingWindow *r = &Waiting.of[Waiting.count++];
    *r = WaitingWindow{window, state, NothingToSee, false, 0};
    return r;
}

bool HasQueuedCalls(HWND window)
{
    return CallsUnseen(RecordOf(window));
}

bool QueuedCallsShow(HWND window)
{
    WaitingWindow *r = RecordOf(window);
    return CallsUnseen(r) && r->leadsToShown;
}

bool AnyWaitingWindow()
{
    return Waiting.count > 0;
}

bool IsWaiting(HWND window)
{
    return RecordOf(window) != nullptr;
}

// Notes a call queued for the window, with the show command it amounts to.
static void NoteQueued(HWND window, int showCommand, WaitState state)
{
    WaitingWindow *r = RecordOf(window);
    bool onScreen = IsShownStyle((DWORD)GetWindowLongA(window, GWL_STYLE));
    if (!CallsUnseen(r)) {
        if (!r)
            r = NewRecord(window, state);
        r->evidence = NothingToSee;
        r->leadsToShown = onScreen;
    }
    // A recovery show stays one whatever is queued behind it.
    if (r->state != RecoveryShowQueued)
        r->state = state;
    if (showCommand != NoShowChange) {
        bool shown = showCommand != SW_HIDE;
        // Standing where this call leads already (its program moved it), or
        // changed twice: seen there later, it proves nothing.
        if (shown == onScreen || (r->evidence == SeenWhereItLeads && shown != r->leadsToShown))
            r->evidence = SightProvesNothing;
        else if (r->evidence == NothingToSee && shown != r->leadsToShown)
            r->evidence = SeenWhereItLeads;
        r->leadsToShown = shown;
    }
    r->lastQueued = GetTickCount();
}

bool SettleQueuedCalls()
{
    bool settled = false;
    for (int i = 0; i < Waiting.count;) {
        WaitingWindow &r = Waiting.of[i];
        DWORD style = (DWORD)GetWindowLongA(r.window, GWL_STYLE);
        bool gone = style == 0 && !IsWindow(r.window);
        // The recovery of a window whose marker someone took off is over.
        if (gone || (r.state == RecoveryShowRan && !IsMarked(r.window))) {
            Forget(&r);
            continue;
        }
        // Seen where its queue leads, when that proves the queue ran; or its
        // thread has taken its messages since the last call was queued.
        bool arrived = r.evidence == SeenWhereItLeads && IsShownStyle(style) == r.leadsToShown;
        if (CallsUnseen(&r) &&
            (arrived || (GetTickCount() - r.lastQueued > TakesMessagesWithin && !IsHungAppWindow(r.window)))) {
            settled = true;
            if (r.state == RecoveryShowQueued)
                r.state = RecoveryShowRan;
            else if (r.leadsToShown)
                r.state = AwaitingPlace;
            else {
                Forget(&r);
                continue;
            }
        }
        i++;
    }
    return settled;
}

bool CallsRunAtOnce(HWND window, DWORD knownThread)
{
    // Once a call is queued, every later one is queued behind it.
    if (HasQueuedCalls(window))
        return false;
    // A window keeps its thread for life, and a handle of a window gone, on
    // which every call fails at once, is not reused while its entry lasts.
    if (knownThread && (knownThread == GetCurrentThreadId() || AnsweredThisPass(knownThread)))
        return true;
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    // A window gone (thread 0) makes every call fail at once.
    if (thread == 0 || thread == GetCurrentThreadId() || AnsweredThisPass(thread))
        return true;
    // Costs no message: catches a thread that has been silent for seconds.
    if (IsHungAppWindow(window) || FoundSilentLately(thread))
        return false;
    DWORD_PTR result = 0;
    // SMTO_BLOCK: nothing of ours runs while we ask.
    if (SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, AnswerTimeout, &result)) {
        if (Answered.open && Answered.count < AnsweredLimit)
            Answered.thread[Answered.count++] = thread;
        return true;
    }
    Silence.thread[Silence.next] = thread;
    Silence.since[Silence.next] = GetTickCount();
    Silence.next = (Silence.next + 1) % SilentLimit;
    return false;
}

// Whether a show would change nothing: behind a show still queued, one that
// brings the window back as it was hidden (repeated passes must not pile
// them up); with nothing queued, a plain show of a window on screen.
static bool ShowChangesNothing(HWND window, int command)
{
    bool plain = command == SW_SHOWNA || command == SW_SHOW;
    if (WaitingWindow *r = RecordOf(window); CallsUnseen(r))
        return r->leadsToShown && (plain || command == SW_SHOWMINNOACTIVE);
    return plain && IsWindowVisible(window);
}

static void QueueShow(HWND window, int command, WaitState state)
{
    // A call refused queued nothing: no later show may count on it.
    if (ShowWindowAsync(window, command))
        NoteQueued(window, command, state);
}

void ShowNoWait(HWND window, int command)
{
    if (ShowChangesNothing(window, command))
        return;
    if (CallsRunAtOnce(window))
        ShowWindow(window, command);
    else
        QueueShow(window, command, CallsQueued);
}

static void SetPosNoWait(HWND window, HWND insertAfter, const RECT &to, UINT flags)
{
    bool now = CallsRunAtOnce(window);
    // Queued behind a show, only its place in the stacking is still wanted.
    if (!now && (flags & SWP_SHOWWINDOW) && ShowChangesNothing(window, SW_SHOWNA))
        flags &= ~SWP_SHOWWINDOW;
    if (SetWindowPos(window, insertAfter, to.left, to.top, to.right - to.left, to.bottom - to.top,
                     now ? flags : flags | SWP_ASYNCWINDOWPOS) &&
        !now)
        NoteQueued(window, flags & SWP_SHOWWINDOW ? SW_SHOWNA : flags & SWP_HIDEWINDOW ? SW_HIDE : NoShowChange,
                   CallsQueued);
}

void PositionNoWait(HWND window, UINT flags, HWND insertAfter)
{
    SetPosNoWait(window, insertAfter, RECT{}, flags);
}

void MoveNoWait(HWND window, const RECT &to, UINT flags)
{
    SetPosNoWait(window, HWND_TOP, to, flags);
}

void PlaceNoWait(HWND window, WINDOWPLACEMENT &placement)
{
    bool now = CallsRunAtOnce(window);
    if (!now)
        placement.flags |= WPF_ASYNCWINDOWPLACEMENT;
    if (SetWindowPlacement(window, &placement) && !now)
        NoteQueued(window, (int)placement.showCmd, CallsQueued);
}

bool MarkAndHide(HWND window, DWORD style, DWORD knownThread)
{
    // One still marked from before (its show still queued) has its way back
    // whatever a new SetPropA says.
    if (!CallsRunAtOnce(window, knownThread)) {
        if (!IsMarked(window) && !MarkWindow(window))
            return false;
        QueueShow(window, SW_HIDE, CallsQueued);
        return true;
    }
    if (!MarkBeforeHide(window, style))
        return false;
    // SW_HIDE answers whether the window was visible. After a refused hide
    // (0), one still on screen must not keep a marker claiming a hide.
    return ShowWindow(window, SW_HIDE) || !ReleaseMarkerIfBack(window);
}

bool ReleaseMarkerIfBack(HWND window)
{
    // A hide queued earlier may still run: unless a show queued behind it
    // brings the window back, the marker is its way back.
    if (HasQueuedCalls(window) && !QueuedCallsShow(window))
        return false;
    // Only top-level windows carry the marker: the style says it all.
    if (!IsShownStyle((DWORD)GetWindowLongA(window, GWL_STYLE)))
        return false;
    UnmarkWindow(window);
    return true;
}

bool ShowAndRelease(HWND window, int command)
{
    ShowNoWait(window, command);
    return ReleaseMarkerIfBack(window);
}

void NoteAwaitingPlace(HWND window)
{
    WaitingWindow *r = RecordOf(window);
    // One whose calls are still queued gets its place once they are seen.
    if (CallsUnseen(r))
        return;
    if (!r)
        r = NewRecord(window, AwaitingPlace);
    r->state = AwaitingPlace;
}

int TakeWindowsAwaitingPlace(HWND *out, int limit)
{
    int count = 0;
    // Backwards: a window forgotten takes the place of the last, already seen.
    for (int i = Waiting.count - 1; i >= 0; i--) {
        if (Waiting.of[i].state != AwaitingPlace)
            continue;
        if (count < limit)
            out[count++] = Waiting.of[i].window;
        Forget(&Waiting.of[i]);
    }
    return count;
}

void BeginRecoveryPass()
{
    // What the last pass queued is seen to, and no longer its own.
    SettleQueuedCalls();
    for (int i = Waiting.count - 1; i >= 0; i--) {
        if (Waiting.of[i].state == RecoveryShowRan)
            Forget(&Waiting.of[i]);
        else if (Waiting.of[i].state == RecoveryShowQueued)
            Waiting.of[i].state = CallsQueued;
    }
}

void QueueRecoveryShow(HWND window)
{
    QueueShow(window, SW_SHOWNA, RecoveryShowQueued);
}

int RevisitQueuedRestores()
{
    SettleQueuedCalls();
    BeginAnswerPass();
    int left = 0;
    // Backwards: a window forgotten takes the place of the last, already seen.
    for (int i = Waiting.count - 1; i >= 0; i--) {
        WaitingWindow &r = Waiting.of[i];
        if (r.state != RecoveryShowQueued && r.state != RecoveryShowRan)
            continue;
        // Gone, or its marker taken off by someone else, or back: done. A
        // show still queued gets no second one behind it; one that ran left
        // the window hidden all the same: shown once more, at once if its
        // program answers now.
        HWND w = r.window;
        bool done = !IsMarked(w) || ReleaseMarkerIfBack(w);
        if (!done && r.state == RecoveryShowRan) {
            if (!CallsRunAtOnce(w))
                QueueShow(w, SW_SHOWNA, RecoveryShowQueued);
            else if (ShowWindow(w, SW_SHOWNA), ReleaseMarkerIfBack(w))
                done = true;
        }
        if (done)
            Forget(&r);
        else
            left++;
    }
    EndAnswerPass();
    return left;
}
