#include "shell/session.h"

#include "workspace/foreground.h"
#include "workspace/maintenance.h"
#include "workspace/switching.h"

static struct {
    bool ending;      // asked, and not yet told the end was called off
    HWND foreground;  // the window in use when it was asked
} SessionEnd;

bool IsSessionEnding()
{
    return SessionEnd.ending;
}

LRESULT OnQueryEndSession()
{
    // A program that the Restart Manager asks again meets windows already back.
    if (SessionEnd.ending)
        return TRUE;
    SessionEnd.ending = true;
    SessionEnd.foreground = GetForegroundWindow();
    // Each window shown becomes active in turn; handled now, those events
    // would take every window into the group on screen, and a sign-out
    // called off could not put the groups back.
    HoldForegroundEvents();
    ReleaseEveryWindow();
    return TRUE;
}

void OnEndSession(WPARAM ending)
{
    if (!SessionEnd.ending)
        return;
    if (ending) {
        // The system may end the process from now on; if it does not, the
        // program ends in order, as on Exit.
        PostQuitMessage(0);
        return;
    }
    SessionEnd.ending = false;
    HideGroupsNotShown();
    HWND w = SessionEnd.foreground;
    if (w && IsWindowVisible(w))
        SetForegroundWindow(w);
    HandleHeldForegroundEvents();
}
