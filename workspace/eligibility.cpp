// Eligibility: which windows a group takes, and which it lets go of.
#include "workspace/eligibility.h"

#include <string.h>

#include "workspace/marker.h"

static const int TextBufferSize = 256;

// Shell windows that look like application windows but must never be hidden,
// and the stand-in the system shows in place of a window whose program has
// stopped answering (it goes when that program answers again).
static const char *const ExcludedClasses[] = {"Progman", "WorkerW", "Shell_TrayWnd", "Ghost"};

bool IsEligibleWindow(HWND window)
{
    // One read answers whether the window exists and is visible: only
    // top-level windows are asked about, and their parent, the desktop, is
    // always visible. A minimised window keeps its visible style and passes.
    DWORD style = (DWORD)GetWindowLongA(window, GWL_STYLE);
    if (!IsShownStyle(style))
        return false;
    DWORD exStyle = (DWORD)GetWindowLongA(window, GWL_EXSTYLE);
    if (exStyle & WS_EX_TOOLWINDOW)
        return false;
    if (!(style & WS_OVERLAPPEDWINDOW))
        return false;
    char text[TextBufferSize];
    if (GetWindowTextA(window, text, TextBufferSize) == 0)
        return false;
    // A class name that cannot be read compares as empty: only what was
    // returned is read.
    char className[TextBufferSize];
    int length = GetClassNameA(window, className, TextBufferSize);
    if (length <= 0)
        className[0] = 0;
    for (const char *excluded : ExcludedClasses)
        if (strcmp(className, excluded) == 0)
            return false;
    // Last, so that only windows that pass everything else pay for the call.
    return !IsCloakedWindow(window);
}

// What the window manager says of the window's cloak; 0 where it cannot
// say (Wine answers E_NOTIMPL), so that the window is judged by the other
// tests.
static DWORD CloakOf(HWND window)
{
    DWORD cloaked = 0;
    if (FAILED(DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof cloaked)))
        return 0;
    return cloaked;
}

bool IsCloakedWindow(HWND window)
{
    return CloakOf(window) != 0;
}

bool IsCloakedByItsProgram(HWND window)
{
    DWORD cloaked = CloakOf(window);
    return (cloaked & DWM_CLOAKED_APP) && !(cloaked & DWM_CLOAKED_SHELL);
}

bool IsDroppedFromGroup(HWND window, DWORD style)
{
    // A window its program cloaked instead of hiding it is gone as if its
    // program had hidden it; one the shell cloaked (another of the system's
    // virtual desktops, a suspended Store app) keeps its group. One whose
    // program does not answer may be hidden by the system behind its
    // stand-in: it is kept. The tests go from the cheapest answer that
    // settles it: a window on screen, as nearly every one is, costs the read
    // of its style the caller made. A style of 0 is a window that is gone, or
    // a read that failed: neither drops an entry.
    return style != 0 && (!IsShownStyle(style) || IsCloakedByItsProgram(window)) &&
           !IsMarked(window) && !IsHungAppWindow(window);
}
