// Calls that never wait for another program's thread, and the record of the
// windows whose calls wait in their programs' queues; see nowait.h.
#include "workspace/nowait.h"

#include "workspace/eligibility.h"
#include "workspace/marker.h"

// How long a thread may take to answer a null message before it counts as
// not answering. A thread waiting for its messages answers within a
// millisecond or so, so 10 ms leaves it room. One in the middle of some work
// answers when the work ends, which is also when a call that waited for it
// would return and when the queued calls it gets instead run: taking it for
// silent only puts its windows on the queued path, which ends where waiting
// would, while every millisecond of the wait is added to the switch. So the
// timeout is short (the README's measured section has the figures behind
// it). Windows times such waits to its clock tick (15.6 ms unless a program
// asked for a finer one), so there the probe may wait up to one tick longer.
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
// A thread that IsHungAppWindow does not call hung has taken its messages
// within this long ("the internal timeout period of 5 seconds"), and with
// them whatever was queued before.
static const DWORD TakesMessagesWithin = 5000;  // ms

// Threads found silent lately.
static struct {
    DWORD thread[SilentLimit];
    DWORD since[SilentLimit];
    int next;
} Silence;

// Threads found answering during the pass under way; open is false outside
// a pass.
static struct {
    DWORD thread[AnsweredLimit];
    int count;
    bool open;
} Answered;

// Where a window of the record stands in its life.
enum WaitState {
    // Calls queued whose outcome has not been seen. Such a window gets queued
    // calls only, whatever its program answers meanwhile: the system hands a
    // thread its sent messages (our probe, a ShowWindow) before the requests
    // it queued, so a call made at once could land before an earlier queued
    // one and be undone by it.
    CallsQueued,
    // The same, for the show a recovery pass queued: revisited by the watcher.
    RecoveryShowQueued,
    // The recovery's show has run; the window is revisited until it is back.
    RecoveryShowRan,
    // Back on screen late, after its group was shown: its place in the
    // stacking is still to be seen to.
    AwaitingPlace,
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

// More windows than wait at once on any desktop; when full, the oldest entry
// makes room, and its window loses only the guarantee of order.
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

static bool IsRecovery(const WaitingWindow &r)
{
    return r.state == RecoveryShowQueued || r.state == RecoveryShowRan;
}

static void Forget(WaitingWindow *r)
{
    if (r)
        *r = Waiting.of[--Waiting.count];
}

static WaitingWindow *NewRecord(HWND window, WaitState state)
{
    if (Waiting.count == WaitingLimit) {
        for (int i = 1; i < Waiting.count; i++)
            Waiting.of[i - 1] = Waiting.of[i];
        Waiting.count--;
    }
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
        // Standing where this call leads already (its program moved it since
        // the earlier calls were queued), or changed twice: seen there later,
        // it proves nothing.
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
        // Seen where its queue leads, when seeing it there proves the queue
        // ran; or its thread has taken its messages since the last request
        // was queued.
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

bool CallsRunAtOnce(HWND window)
{
    // Once a call is queued, every later one is queued behind it.
    if (HasQueuedCalls(window))
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

// Whether a show would change nothing: behind a show still queued, one that
// brings the window back as it was hidden (a pass repeated while its program
// hangs, the watcher's or a fallback after a failed batch, must not pile
// them up); and a plain show of a window on screen with nothing queued.
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

void PositionNoWait(HWND window, UINT flags, HWND insertAfter)
{
    bool now = CallsRunAtOnce(window);
    if (!now) {
        // Its place in the stacking is still wanted.
        if (ShowChangesNothing(window, SW_SHOWNA))
            flags &= ~SWP_SHOWWINDOW;
        flags |= SWP_ASYNCWINDOWPOS;
    }
    if (SetWindowPos(window, insertAfter, 0, 0, 0, 0, flags) && !now)
        NoteQueued(window, flags & SWP_SHOWWINDOW ? SW_SHOWNA : flags & SWP_HIDEWINDOW ? SW_HIDE : NoShowChange,
                   CallsQueued);
}

void MoveNoWait(HWND window, const RECT &to, UINT flags)
{
    bool now = CallsRunAtOnce(window);
    if (!now)
        flags |= SWP_ASYNCWINDOWPOS;
    if (SetWindowPos(window, HWND_TOP, to.left, to.top, to.right - to.left, to.bottom - to.top, flags) && !now)
        NoteQueued(window, NoShowChange, CallsQueued);
}

void PlaceNoWait(HWND window, WINDOWPLACEMENT &placement)
{
    bool now = CallsRunAtOnce(window);
    if (!now)
        placement.flags |= WPF_ASYNCWINDOWPLACEMENT;
    if (SetWindowPlacement(window, &placement) && !now)
        NoteQueued(window, (int)placement.showCmd, CallsQueued);
}

void MarkAndHide(HWND window, DWORD style)
{
    // One still marked from before (its show still queued) has its way back
    // whatever a new SetPropA says.
    if (!CallsRunAtOnce(window)) {
        if (IsMarked(window) || MarkWindow(window))
            QueueShow(window, SW_HIDE, CallsQueued);
        return;
    }
    if (!MarkBeforeHide(window, style))
        return;
    // SW_HIDE answers whether the window was visible before, so a window it
    // hid needs no further look. A refused hide answers 0: a window still on
    // screen then must not keep a marker that claims a hide that did not
    // happen. One that is gone fails the visibility test, and keeps nothing.
    if (!ShowWindow(window, SW_HIDE))
        ReleaseMarkerIfBack(window);
}

bool ReleaseMarkerIfBack(HWND window)
{
    // A hide queued earlier may still run: unless a show queued behind it
    // brings the window back, the marker is its way back.
    if (HasQueuedCalls(window) && !QueuedCallsShow(window))
        return false;
    // One read of the style: only top-level windows carry the marker, and
    // the desktop above them is always visible.
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
    for (int i = 0; i < Waiting.count;) {
        if (Waiting.of[i].state != AwaitingPlace) {
            i++;
            continue;
        }
        if (count < limit)
            out[count++] = Waiting.of[i].window;
        Forget(&Waiting.of[i]);
    }
    return count;
}

void BeginRecoveryPass()
{
    // What is seen to have run since the last pass no longer holds a window
    // to the queued path; what that pass queued is its own business no more.
    SettleQueuedCalls();
    for (int i = 0; i < Waiting.count;) {
        WaitingWindow &r = Waiting.of[i];
        if (r.state == RecoveryShowRan) {
            Forget(&r);
            continue;
        }
        if (r.state == RecoveryShowQueued)
            r.state = CallsQueued;
        i++;
    }
}

void QueueRecoveryShow(HWND window)
{
    WaitingWindow *r = RecordOf(window);
    if (CallsUnseen(r) && r->leadsToShown)
        r->state = RecoveryShowQueued;
    else
        QueueShow(window, SW_SHOWNA, RecoveryShowQueued);
}

int RevisitQueuedRestores()
{
    SettleQueuedCalls();
    BeginAnswerPass();
    HWND windows[WaitingLimit];
    int count = 0, left = 0;
    for (int i = 0; i < Waiting.count; i++)
        if (IsRecovery(Waiting.of[i]))
            windows[count++] = Waiting.of[i].window;
    for (int k = 0; k < count; k++) {
        HWND w = windows[k];
        // Gone, or its marker taken off by someone else, or back: done.
        if (!IsMarked(w) || ReleaseMarkerIfBack(w)) {
            Forget(RecordOf(w));
            continue;
        }
        // The show queued may not have run yet: no second one behind it.
        // One that ran left the window hidden all the same: shown once more,
        // at once if its program answers now.
        WaitingWindow *r = RecordOf(w);
        if (r && r->state == RecoveryShowRan) {
            if (!CallsRunAtOnce(w)) {
                QueueShow(w, SW_SHOWNA, RecoveryShowQueued);
            } else {
                ShowWindow(w, SW_SHOWNA);
                if (ReleaseMarkerIfBack(w)) {
                    Forget(r);
                    continue;
                }
            }
        }
        left++;
    }
    EndAnswerPass();
    return left;
}
