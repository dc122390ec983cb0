// Eligibility: which windows a group takes, and which it lets go of.
#include "workspace/eligibility.h"

#include <string.h>

#include "workspace/marker.h"

static const int TextBufferSize = 256;

// Shell windows that look like application windows, and the stand-in the
// system shows for a window whose program has stopped answering.
static const char *const ExcludedClasses[] = {"Progman", "WorkerW", "Shell_TrayWnd", "Ghost"};

// Windows whose class keeps them out of every group, and off every owner's
// travel, whatever their state: the shell's desktop and taskbar, and the
// input method's window that every thread with windows has, never shown.
// Under Wine each would cost every pass a call to its server (a tick reads
// the style of every window no group holds), so a window's class, which
// never changes, is read once: at the first pass that lists it. A pass
// remembers only the windows it listed; one it no longer lists is gone, and
// a handle handed out again is read anew.
static const char *const RuledOutClasses[] = {"Progman", "Shell_TrayWnd", "IME"};
static const int ClassMemorySlots = 1024;  // a power of two
static const int ClassMemoryProbes = 64;   // a window that finds no slot in as many is read at each pass
struct ClassMemory {
    HWND window[ClassMemorySlots];
    bool ruledOut[ClassMemorySlots];
};
static struct {
    ClassMemory pass[2];  // the last complete pass's, and the one under way
    int last;
    int depth;  // a pass begun inside another is part of it
} ClassesSeen;
static const int NoSlot = -1;

static int SlotOf(const ClassMemory &memory, HWND window)
{
    unsigned slot = (unsigned)(((UINT_PTR)window >> 1) * 2654435761u) & (ClassMemorySlots - 1);
    for (int probes = 0; probes < ClassMemoryProbes; probes++, slot = (slot + 1) & (ClassMemorySlots - 1))
        if (memory.window[slot] == window || memory.window[slot] == nullptr)
            return (int)slot;
    return NoSlot;
}

void BeginClassPass()
{
    if (ClassesSeen.depth++ == 0)
        memset(ClassesSeen.pass[1 - ClassesSeen.last].window, 0, sizeof ClassesSeen.pass[0].window);
}

void EndClassPass()
{
    if (--ClassesSeen.depth == 0)
        ClassesSeen.last = 1 - ClassesSeen.last;
}

static bool HasRuledOutClass(HWND window, bool *read)
{
    char className[TextBufferSize];
    *read = GetClassNameA(window, className, TextBufferSize) > 0;
    if (!*read)
        return false;
    for (const char *ruledOut : RuledOutClasses)
        if (strcmp(className, ruledOut) == 0)
            return true;
    return false;
}

bool IsRuledOutByClass(HWND window)
{
    if (ClassesSeen.depth == 0)
        return false;
    const ClassMemory &last = ClassesSeen.pass[ClassesSeen.last];
    ClassMemory &next = ClassesSeen.pass[1 - ClassesSeen.last];
    int was = SlotOf(last, window), now = SlotOf(next, window);
    bool known = was != NoSlot && last.window[was] == window, read = known;
    bool ruledOut = known ? last.ruledOut[was] : HasRuledOutClass(window, &read);
    // A class that could not be read is asked again at the next pass.
    if (read && now != NoSlot) {
        next.window[now] = window;
        next.ruledOut[now] = ruledOut;
    }
    return ruledOut;
}

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

bool IsDroppedFromGroup(HWND window, DWORD style, bool *keptUnmarked)
{
    // Cloaked by its program is as good as hidden by it. One whose program
    // does not answer may be hidden by the system behind its stand-in: kept.
    // Cheapest first: a window on screen costs only the caller's read, and
    // the marker only when asked. A style of 0, a window gone or a read that
    // failed, drops nothing.
    bool unmarked = false, dropped = false;
    if (IsShownStyle(style) && !IsCloakedByItsProgram(window))
        unmarked = keptUnmarked && !IsMarked(window);
    else if (style != 0 && !IsMarked(window)) {
        unmarked = IsHungAppWindow(window) != FALSE;
        dropped = !unmarked;
    }
    if (keptUnmarked)
        *keptUnmarked = unmarked;
    return dropped;
}
