#include "workspace/recovery.h"

#include "workspace/marker.h"
#include "workspace/nowait.h"

// Brings one marked window back; true when its show had to be queued.
static bool RestoreMarked(HWND window)
{
    // A marked window its own program has shown again only loses the marker.
    // SW_SHOWNA shows the others as they were hidden, maximised, minimised or
    // snapped, without activating them. One whose program does not answer
    // gets a show queued behind whatever waits there, visible or not.
    if (CallsRunAtOnce(window)) {
        ShowAndRelease(window, SW_SHOWNA);
        return false;
    }
    QueueRecoveryShow(window);
    return !ReleaseMarkerIfBack(window);
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
        list.queued += RestoreMarked(window);
    else
        list.windows[list.count++] = window;
    return TRUE;
}

int RestoreMarkedWindows()
{
    BeginRecoveryPass();
    BeginAnswerPass();
    // Each show puts its window at the top of the Z order: shown from the
    // bottom up, the windows keep the stacking they were hidden in, and a
    // palette comes back above the window that owns it.
    MarkedList list = {};
    EnumWindows(CollectMarked, (LPARAM)&list);
    for (int i = list.count - 1; i >= 0; i--)
        list.queued += RestoreMarked(list.windows[i]);
    if (list.windows)
        HeapFree(GetProcessHeap(), 0, list.windows);
    EndAnswerPass();
    return list.queued;
}
