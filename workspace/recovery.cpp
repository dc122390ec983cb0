// Recovery: what a copy of the program hid and left hidden comes back.
#include "workspace/recovery.h"

#include "workspace/marker.h"
#include "workspace/nowait.h"

// Brings one marked window back; true when its show had to be queued.
static bool RestoreMarked(HWND window)
{
    // SW_SHOWNA shows it as it was hidden, without activating it; one on
    // screen only loses the marker. One whose program does not answer gets a
    // show queued behind whatever waits there, visible or not.
    if (CallsRunAtOnce(window)) {
        ShowAndRelease(window, SW_SHOWNA);
        return false;
    }
    QueueRecoveryShow(window);
    return !ReleaseMarkerIfBack(window);
}

// The marked windows a pass found, top of the Z order first: more than any
// desktop leaves marked. One beyond them is restored at once, out of order.
static const int MarkedLimit = 1024;
static struct {
    HWND windows[MarkedLimit];
    int count;
    int queued;  // shows the pass had to queue
} Found;

static BOOL CALLBACK CollectMarked(HWND window, LPARAM)
{
    if (!IsMarked(window))
        return TRUE;
    if (Found.count == MarkedLimit)
        Found.queued += RestoreMarked(window);
    else
        Found.windows[Found.count++] = window;
    return TRUE;
}

int RestoreMarkedWindows()
{
    BeginRecoveryPass();
    BeginAnswerPass();
    // Each show puts its window on top: shown from the bottom up, the windows
    // keep their stacking, a palette above the window that owns it.
    Found.count = Found.queued = 0;
    EnumWindows(CollectMarked, 0);
    for (int i = Found.count - 1; i >= 0; i--)
        Found.queued += RestoreMarked(Found.windows[i]);
    EndAnswerPass();
    return Found.queued;
}
