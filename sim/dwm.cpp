// The desktop window manager's view of a window: whether it is cloaked.
#include "sim/desktop.h"

namespace sim {

void Cloak(HWND window, DWORD reason)
{
    if (Window *w = Find(window))
        w->cloaked = reason;
}

static int shownDesktop;

static void CloakByDesktop(Window &w)
{
    if (w.systemDesktop == shownDesktop)
        w.cloaked &= ~DWM_CLOAKED_SHELL;
    else
        w.cloaked |= DWM_CLOAKED_SHELL;
}

void MoveToSystemDesktop(HWND window, int desktop)
{
    if (Window *w = Find(window)) {
        w->systemDesktop = desktop;
        CloakByDesktop(*w);
    }
}

void ShowSystemDesktop(int desktop)
{
    shownDesktop = desktop;
    for (HWND h : D().zorder)
        if (Window *w = Find(h))
            CloakByDesktop(*w);
}

} // namespace sim

using namespace sim;

// A cloaked window is visible by its style but kept off screen by the window
// manager: a suspended Store app's frame, or any window on another of the
// system's virtual desktops. A failure here stands for Wine's E_NOTIMPL.
HRESULT DwmGetWindowAttribute(HWND window, DWORD attribute, void *value, DWORD size)
{
    Log("DwmGetWindowAttribute", "%s, %lu", Label(window).c_str(), (unsigned long)attribute);
    if (ShouldFail("DwmGetWindowAttribute"))
        return E_NOTIMPL;
    Window *w = Find(window);
    if (!w)
        return E_HANDLE;
    if (attribute != DWMWA_CLOAKED || !value || size != sizeof(DWORD))
        return E_INVALIDARG;
    *(DWORD *)value = w->cloaked;
    return S_OK;
}
