#include "workspace/marker.h"

#include "workspace/eligibility.h"
#include "workspace/nowait.h"

const char HiddenMarkerName[] = "PlinthwiseHidden";

bool IsMarked(HWND window)
{
    return GetPropA(window, HiddenMarkerName) != nullptr;
}

bool MarkWindow(HWND window)
{
    return SetPropA(window, HiddenMarkerName, (HANDLE)1) != FALSE;
}

void UnmarkWindow(HWND window)
{
    RemovePropA(window, HiddenMarkerName);
}

bool MarkBeforeHide(HWND window, DWORD style)
{
    // A window already hidden by its own program gets no marker: it is not
    // ours to bring back. Hiding it again changes nothing. A style of 0 is a
    // read that failed (or a window gone, which takes no marker): one on
    // screen hidden unmarked would be dropped by the purge, and lost.
    if (style != 0 && !IsShownStyle(style))
        return true;
    return MarkWindow(window);
}

bool UnmarkIfShown(HWND window)
{
    // A hide queued earlier may still run: the marker is its way back.
    if (HasPendingCalls(window))
        return false;
    // One read of the style: only top-level windows carry the marker, and
    // the desktop above them is always visible.
    if (!IsShownStyle((DWORD)GetWindowLongA(window, GWL_STYLE)))
        return false;
    UnmarkWindow(window);
    return true;
}

// The windows whose show the last recovery pass had to queue behind a
// program that did not answer: the only ones later passes look at again.
static const int QueuedRestoreLimit = 256;
static struct {
    HWND windows[QueuedRestoreLimit];
    int count;
    bool overflowed;  // more were queued than fit: later passes go over every window
} QueuedRestores;

static void NoteQueuedRestore(HWND window)
{
    if (QueuedRestores.count < QueuedRestoreLimit)
        QueuedRestores.windows[QueuedRestores.count++] = window;
    else
        QueuedRestores.overflowed = true;
}

static BOOL CALLBACK RestoreIfMarked(HWND window, LPARAM queued)
{
    if (!IsMarked(window))
        return TRUE;
    // One whose program does not answer keeps it, visible or not (a hide may
    // still be queued for it): a show is queued behind whatever waits there.
    if (!IsAnswering(window)) {
        QueueRestoringShow(window);
        NoteQueuedRestore(window);
        ++*(int *)queued;
        return TRUE;
    }
    // A marked window its own program has shown again only loses the marker.
    // SW_SHOWNA shows the others as they were hidden, maximised, minimised or
    // snapped, without activating them.
    if (!IsWindowVisible(window))
        ShowWindow(window, SW_SHOWNA);
    // Removed only once the window is back: one the show left hidden keeps
    // it for the next pass.
    UnmarkIfShown(window);
    return TRUE;
}

// The marked windows a recovery pass found, top of the Z order first.
struct MarkedList {
    HWND *windows;
    int count;
    int capacity;
    int queued;  // shows the pass had to queue
};

static bool GrowMarkedList(MarkedList &list)
{
    const int Largest = 1 << 20;  // far more windows than a desktop holds
    if (list.capacity >= Largest)
        return false;
    int capacity = list.capacity ? list.capacity * 2 : 64;
    SIZE_T bytes = (SIZE_T)capacity * sizeof(HWND);
    void *grown = list.windows ? HeapReAlloc(GetProcessHeap(), 0, list.windows, bytes)
                               : HeapAlloc(GetProcessHeap(), 0, bytes);
    if (!grown)
        return false;
    list.windows = (HWND *)grown;
    list.capacity = capacity;
    return true;
}

// Collects a marked window; one that finds no room is restored at once.
static BOOL CALLBACK CollectMarked(HWND window, LPARAM value)
{
    MarkedList &list = *(MarkedList *)value;
    if (!IsMarked(window))
        return TRUE;
    if (list.count == list.capacity && !GrowMarkedList(list))
        return RestoreIfMarked(window, (LPARAM)&list.queued);
    list.windows[list.count++] = window;
    return TRUE;
}

int RestoreMarkedWindows()
{
    QueuedRestores.count = 0;
    QueuedRestores.overflowed = false;
    // What is seen to have run since the last pass no longer holds a window
    // to the queued path.
    SettlePendingCalls();
    BeginAnswerPass();
    // Each show puts its window at the top of the Z order: shown from the
    // bottom up, the windows keep the stacking they were hidden in, and a
    // palette comes back above the window that owns it.
    MarkedList list = {};
    EnumWindows(CollectMarked, (LPARAM)&list);
    for (int i = list.count - 1; i >= 0; i--)
        RestoreIfMarked(list.windows[i], (LPARAM)&list.queued);
    if (list.windows)
        HeapFree(GetProcessHeap(), 0, list.windows);
    EndAnswerPass();
    return list.queued;
}

// One window of the last pass's queue: true while it still waits.
static bool RevisitQueuedRestore(HWND window)
{
    // Gone, or its marker taken off by someone else: nothing more to do.
    if (!IsMarked(window))
        return false;
    if (UnmarkIfShown(window))
        return false;
    // The queued show may not have run yet: no second one behind it.
    if (HasPendingCalls(window))
        return true;
    // It ran, and the window is hidden all the same: shown once more, at
    // once if its program answers now.
    bool answering = IsAnswering(window);
    ShowOrQueue(window, SW_SHOWNA, answering);
    return !answering || !UnmarkIfShown(window);
}

int RevisitQueuedRestores()
{
    if (QueuedRestores.overflowed)
        return RestoreMarkedWindows();
    SettlePendingCalls();
    BeginAnswerPass();
    int left = 0;
    for (int i = 0; i < QueuedRestores.count; i++)
        if (RevisitQueuedRestore(QueuedRestores.windows[i]))
            QueuedRestores.windows[left++] = QueuedRestores.windows[i];
    QueuedRestores.count = left;
    EndAnswerPass();
    return left;
}
