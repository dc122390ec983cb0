// The test desktop served by the simulated desktop: the other process's
// windows are made and driven through the control API.
#include "tests/desk.h"

#include "sim/sim.h"

namespace desk {

static DWORD helperPid;  // the other process that owns the test windows

bool Start()
{
    helperPid = sim::StartForeignProcess("pwhelper.exe");
    return true;
}

void Stop() {}

HWND Make(const char *className, const char *title, DWORD style, DWORD exStyle, int showCmd, HWND owner)
{
    return sim::MakeWindow(className, title, style, exStyle, showCmd, helperPid, owner);
}

void Show(HWND window, int showCmd) { sim::OwnerShow(window, showCmd); }
void Retitle(HWND window, const char *title) { sim::Retitle(window, title); }
void Destroy(HWND window) { sim::Destroy(window); }
void Activate(HWND window) { sim::Activate(window); }
void SetProp(HWND window, const char *name, UINT_PTR value) { sim::OwnerSetProp(window, name, value); }
void Hang(DWORD ms) { sim::HangProcess(helperPid, ms); }
DWORD OwnerProcessId() { return helperPid; }

// Time passes in small steps, with this thread serving its queue as a
// message loop would, timers included.
void Pump(DWORD ms)
{
    MSG m;
    for (DWORD passed = 0;;) {
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&m);
        if (passed >= ms)
            return;
        DWORD step = ms - passed < 10 ? ms - passed : 10;
        sim::AdvanceTime(step);
        passed += step;
    }
}

void PressKey(UINT modifiers, UINT vk) { sim::PressKey(modifiers, vk); }

} // namespace desk
