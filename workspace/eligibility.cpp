// Eligibility: which windows a group takes, and which it lets go of.
#include "workspace/eligibility.h"

#include <string.h>

#include "workspace/marker.h"

static const int TextBufferSize = 256;

// Shell windows that look like application windows, and the stand-in the
// system shows for a window whose program has stopped answering.
static const char *const ExcludedClasses[] = {"Progman", "WorkerW", "Shell_TrayWnd", "Ghost"};

bool IsEligibleWindow(HWND window)
{
    // One read answers whether the window exists and is on screen; a
    // minimised window keeps its visible style and passes.
    DWORD style = (DWORD)GetWindowLongA(window, GWL_STYLE);
    if (!IsShownStyle(style))
        return false;
    if (((DWORD)GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) || !(style & WS_OVERLAPPEDWINDOW))
        return false;
    char text[TextBufferSize];
    if (GetWindowTextA(window, text, TextBufferSize) == 0)
        return false;
    // A class name that cannot be read compares as empty.
    char className[TextBufferSize];
    if (GetClassNameA(window, className, TextBufferSize) <= 0)
        className[0] = 0;
    for (const char *excluded : ExcludedClasses)
        if (strcmp(className, excluded) == 0)
            return false;
    // Last, so that only windows that pass everything else pay for the call.
    return !IsCloakedWindow(window);
}

// 0 where the window manager cannot say (Wine answers E_NOTIMPL): the
// window is judged by the other tests.
static DWORD CloakOf(HWND window)
{
    DWORD cloaked = 0;
    return SUCCEEDED(DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof cloaked)) ? cloaked : 0;
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
    // Cloaked by its program is as good as hidden by it. One whose program
    // does not answer may be hidden by the system behind its stand-in: kept.
    // Cheapest first: a window on screen costs only the caller's read. A
    // style of 0, a window gone or a read that failed, drops nothing.
    return style != 0 && (!IsShownStyle(style) || IsCloakedByItsProgram(window)) &&
           !IsMarked(window) && !IsHungAppWindow(window);
}
